// Bitmaps of the drawing layer on cairo image surfaces.
#include "LiceBitmap.h"

#include <cairo.h>

namespace
{
cairo_surface_t* makeSurface(int w, int h)
{
  if (w <= 0 || h <= 0)
  {
    return nullptr;
  }
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
  {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}
} // namespace

LICE_IBitmap::LICE_IBitmap(int w, int h)
{
  resize(w, h);
}

LICE_IBitmap::LICE_IBitmap(cairo_surface_t* surface)
{
  if (surface && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
      cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE &&
      cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32)
  {
    mSurface = surface;
    mWidth = cairo_image_surface_get_width(surface);
    mHeight = cairo_image_surface_get_height(surface);
  }
  else if (surface)
  {
    cairo_surface_destroy(surface);
  }
}

LICE_IBitmap::~LICE_IBitmap()
{
  if (mSurface)
  {
    cairo_surface_destroy(mSurface);
  }
}

int LICE_IBitmap::getRowSpan() const
{
  return mSurface ? cairo_image_surface_get_stride(mSurface) / 4 : 0;
}

bool LICE_IBitmap::resize(int w, int h)
{
  w = w < 0 ? 0 : w;
  h = h < 0 ? 0 : h;
  if (w == mWidth && h == mHeight && (mSurface || w == 0 || h == 0))
  {
    return false;
  }
  if (mSurface)
  {
    cairo_surface_destroy(mSurface);
  }
  mSurface = makeSurface(w, h);
  mWidth = mSurface ? w : 0;
  mHeight = mSurface ? h : 0;
  return true;
}

LICE_pixel LICE_IBitmap::getPixel(int x, int y) const
{
  if (!mSurface || x < 0 || y < 0 || x >= mWidth || y >= mHeight)
  {
    return 0;
  }
  cairo_surface_flush(mSurface);
  const unsigned char* row = cairo_image_surface_get_data(mSurface) +
                             static_cast<long>(y) * cairo_image_surface_get_stride(mSurface);
  const LICE_pixel p = reinterpret_cast<const uint32_t*>(row)[x];
  const int a = LICE_GETA(p);
  if (a == 0)
  {
    return 0;
  }
  // Stored premultiplied; give the plain colour back.
  auto unmul = [a](int c) { return (c * 255 + a / 2) / a; };
  return LICE_RGBA(unmul(LICE_GETR(p)), unmul(LICE_GETG(p)), unmul(LICE_GETB(p)), a);
}
