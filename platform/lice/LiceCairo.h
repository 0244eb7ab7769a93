// Access to the cairo objects of bitmaps and fonts for the window layer and tests (platform code only).
#pragma once

#include "LiceBitmap.h"
#include "LiceFont.h"

#include <cairo.h>

// The bitmap's image surface, or null for a 0 x 0 bitmap; still owned by the bitmap.
inline cairo_surface_t* LICE_CairoSurface(const LICE_IBitmap* bitmap)
{
  return bitmap ? bitmap->surface() : nullptr;
}

// The system font's scaled font as it stands, or null; still owned by the font. One left in an error state
// is made again by the font's next use.
cairo_scaled_font_t* LICE_CairoScaledFont(HFONT font);
