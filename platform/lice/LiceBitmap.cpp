// Bitmaps of the drawing layer on cairo image surfaces.
#include "LiceBitmap.h"

#include <cairo.h>
#include <utility>

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

LICE_IBitmap::LICE_IBitmap(int w, int h, Maker maker)
{
  if (w > 0 && h > 0 && maker)
  {
    mWidth = w;
    mHeight = h;
    mMaker = std::move(maker);
    mMade.store(false, std::memory_order_release);
  }
}

void LICE_IBitmap::make() const
{
  std::lock_guard<std::mutex> lock(mMakeMutex);
  if (mMade.load(std::memory_order_relaxed))
  {
    return;
  }
  std::unique_ptr<LICE_IBitmap> made = mMaker ? mMaker() : nullptr;
  if (made && made->getWidth() == mWidth && made->getHeight() == mHeight && made->surface())
  {
    mSurface = made->mSurface;
    made->mSurface = nullptr;
  }
  else
  {
    mSurface = makeSurface(mWidth, mHeight);
  }
  // Whatever the maker held (a file's bytes, an unscaled source) is released with it.
  mMaker = nullptr;
  mMade.store(true, std::memory_order_release);
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
  cairo_surface_t* s = surface();
  return s ? cairo_image_surface_get_stride(s) / 4 : 0;
}

bool LICE_IBitmap::resize(int w, int h)
{
  surface();
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
  surface();
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
