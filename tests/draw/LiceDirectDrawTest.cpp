// Tests of the blits and fills that bypass cairo: every pixel equals what the same operation gives through
// cairo, for each mode, translucent pixels, and rectangles reaching past the destination's edges.
#include "DrawTestSupport.h"
#include "LiceCairo.h"

#include <cairo.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A bitmap whose every pixel differs, alpha included (some fully transparent, some opaque).
std::unique_ptr<LICE_IBitmap> pattern(int w, int h, int seed)
{
  auto bm = std::make_unique<LICE_MemBitmap>(w, h);
  for (int y = 0; y < h; ++y)
  {
    for (int x = 0; x < w; ++x)
    {
      const int v = (x * 31 + y * 17 + seed * 7) * 2654435761u >> 8;
      const int a = (x + y + seed) % 5 == 0 ? 0 : ((x + seed) % 4 == 0 ? 255 : v & 0xff);
      std::unique_ptr<LICE_IBitmap> dot(drawtest::solid(1, 1, LICE_RGBA(v >> 8, v >> 16, v, a)));
      LICE_Blit(bm.get(), dot.get(), x, y, 0, 0, 1, 1, 1.0f, LICE_BLIT_MODE_COPY);
    }
  }
  return bm;
}

std::vector<uint32_t> rawPixels(const LICE_IBitmap& bm)
{
  cairo_surface_t* s = LICE_CairoSurface(&bm);
  cairo_surface_flush(s);
  std::vector<uint32_t> out;
  for (int y = 0; y < bm.getHeight(); ++y)
  {
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                                        y * cairo_image_surface_get_stride(s));
    out.insert(out.end(), row, row + bm.getWidth());
  }
  return out;
}

// The blit as cairo draws it: clipped to the source rectangle, the operator of the mode.
void cairoBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int w, int h,
               cairo_operator_t op)
{
  cairo_t* cr = cairo_create(LICE_CairoSurface(dest));
  cairo_rectangle(cr, dstx, dsty, w, h);
  cairo_clip(cr);
  cairo_set_source_surface(cr, LICE_CairoSurface(src), dstx - srcx, dsty - srcy);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_set_operator(cr, op);
  cairo_paint(cr);
  cairo_destroy(cr);
}
} // namespace

TEST(LiceDirectDraw, BlitsEqualCairosForEveryModeAndEdge)
{
  struct Mode
  {
    const char* name;
    int mode;
    cairo_operator_t op;
  };
  const Mode modes[] = {
      {"plain copy", LICE_BLIT_MODE_COPY, CAIRO_OPERATOR_SOURCE},
      {"copy using alpha", LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, CAIRO_OPERATOR_OVER},
      {"add", LICE_BLIT_MODE_ADD, CAIRO_OPERATOR_ADD},
      {"add using alpha", LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, CAIRO_OPERATOR_ADD},
  };
  struct Place
  {
    int dstx, dsty, srcx, srcy, w, h;
  };
  // Inside; past the left and top edges; past the right and bottom edges; a source corner only.
  const Place places[] = {
      {3, 4, 1, 2, 9, 7}, {-4, -3, 0, 0, 12, 10}, {14, 12, 2, 1, 12, 12}, {0, 0, 9, 8, 20, 20}};
  auto src = pattern(12, 10, 1);
  for (const Mode& m : modes)
  {
    for (const Place& p : places)
    {
      SCOPED_TRACE(std::string(m.name) + " at " + std::to_string(p.dstx) + "," + std::to_string(p.dsty));
      auto direct = pattern(20, 18, 2);
      auto viaCairo = pattern(20, 18, 2);
      LICE_Blit(direct.get(), src.get(), p.dstx, p.dsty, p.srcx, p.srcy, p.w, p.h, 1.0f, m.mode);
      // LICE_Blit writes only source pixels that exist: the same rectangle, cut to the source.
      const int w = std::min(p.w, src->getWidth() - p.srcx);
      const int h = std::min(p.h, src->getHeight() - p.srcy);
      cairoBlit(viaCairo.get(), src.get(), p.dstx, p.dsty, p.srcx, p.srcy, w, h, m.op);
      EXPECT_TRUE(rawPixels(*direct) == rawPixels(*viaCairo));
    }
  }
}

TEST(LiceDirectDraw, OpaqueFillsEqualCairosAndStayInside)
{
  struct Fill
  {
    LICE_pixel color;
    int mode;
  };
  const Fill fills[] = {
      {LICE_RGBA(10, 200, 30, 255), LICE_BLIT_MODE_COPY},
      {LICE_RGBA(10, 200, 30, 255), LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA},
      // Without the alpha flag the colour's A does not count: an opaque fill.
      {LICE_RGBA(10, 200, 30, 40), LICE_BLIT_MODE_COPY},
  };
  for (const Fill& f : fills)
  {
    auto direct = pattern(16, 12, 3);
    auto viaCairo = pattern(16, 12, 3);
    LICE_FillRect(direct.get(), -2, 5, 30, 4, f.color, 1.0f, f.mode);
    cairo_t* cr = cairo_create(LICE_CairoSurface(viaCairo.get()));
    cairo_rectangle(cr, -2, 5, 30, 4);
    cairo_set_source_rgb(cr, LICE_GETR(f.color) / 255.0, LICE_GETG(f.color) / 255.0,
                         LICE_GETB(f.color) / 255.0);
    cairo_fill(cr);
    cairo_destroy(cr);
    EXPECT_TRUE(rawPixels(*direct) == rawPixels(*viaCairo));
    EXPECT_EQ(direct->getPixel(0, 5), (f.color | 0xff000000u));
    EXPECT_EQ(direct->getPixel(15, 8), (f.color | 0xff000000u));
  }
}

TEST(LiceDirectDraw, AWindowCopyOfTheDrawBitmapSeesWhatWasWrittenDirectly)
{
  // cairo may keep a copy of a surface it drew from; writing the pixels directly must not leave it stale.
  auto offscreen = pattern(8, 8, 4);
  LICE_MemBitmap window(8, 8);
  cairo_t* cr = cairo_create(LICE_CairoSurface(&window));
  cairo_set_source_surface(cr, LICE_CairoSurface(offscreen.get()), 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  LICE_FillRect(offscreen.get(), 0, 0, 8, 8, LICE_RGBA(1, 2, 3, 255), 1.0f, LICE_BLIT_MODE_COPY);
  cairo_paint(cr);
  cairo_destroy(cr);
  EXPECT_EQ(window.getPixel(4, 4), LICE_RGBA(1, 2, 3, 255));
}
