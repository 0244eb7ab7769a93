// Access to a bitmap's cairo surface for the window layer (platform code only).
#pragma once

#include "LiceBitmap.h"

#include <cairo.h>

// The bitmap's image surface, or null for a 0 x 0 bitmap; still owned by the bitmap.
inline cairo_surface_t* LICE_CairoSurface(const LICE_IBitmap* bitmap)
{
  return bitmap ? bitmap->surface() : nullptr;
}
