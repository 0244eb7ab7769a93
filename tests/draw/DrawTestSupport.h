// Helpers of the drawing tests: solid and striped test images, pixel comparison with a tolerance.
#pragma once

#include "lice.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace drawtest
{
// A w x h bitmap filled with one colour (plain copy, alpha kept).
inline LICE_IBitmap* solid(int w, int h, LICE_pixel color)
{
  LICE_IBitmap* bm = new LICE_MemBitmap(w, h);
  LICE_FillRect(bm, 0, 0, w, h, color, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
  return bm;
}

// Each channel within tol of the expected one.
inline ::testing::AssertionResult near(LICE_pixel actual, LICE_pixel expected, int tol = 3)
{
  const int d[4] = {LICE_GETA(actual) - LICE_GETA(expected), LICE_GETR(actual) - LICE_GETR(expected),
                    LICE_GETG(actual) - LICE_GETG(expected), LICE_GETB(actual) - LICE_GETB(expected)};
  for (int c : d)
  {
    if (std::abs(c) > tol)
    {
      char text[96];
      std::snprintf(text, sizeof text, "pixel %08X, expected %08X (tolerance %d)", actual, expected, tol);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

// Columns [x0, x1) of row y that differ from the background colour: first and last such column, or -1.
inline void inkSpan(const LICE_IBitmap* bm, int y0, int y1, LICE_pixel background, int* first, int* last)
{
  *first = -1;
  *last = -1;
  for (int x = 0; x < bm->getWidth(); ++x)
  {
    for (int y = y0; y < y1; ++y)
    {
      if (bm->getPixel(x, y) != background)
      {
        if (*first < 0)
        {
          *first = x;
        }
        *last = x;
        break;
      }
    }
  }
}
} // namespace drawtest
