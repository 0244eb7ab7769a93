// PNG files through cairo's PNG support (libpng underneath).
#include "LicePng.h"

#include <cairo.h>
#include <cstring>

namespace
{
struct MemoryReader
{
  const unsigned char* data;
  size_t size;
  size_t pos;
};

cairo_status_t readFromMemory(void* closure, unsigned char* out, unsigned int length)
{
  MemoryReader* reader = static_cast<MemoryReader*>(closure);
  if (length > reader->size - reader->pos)
  {
    return CAIRO_STATUS_READ_ERROR;
  }
  std::memcpy(out, reader->data + reader->pos, length);
  reader->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

// Any decoded image becomes a 32-bit ARGB bitmap; failures give null.
LICE_IBitmap* adopt(cairo_surface_t* image)
{
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS)
  {
    cairo_surface_destroy(image);
    return nullptr;
  }
  if (cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32)
  {
    cairo_surface_t* argb = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(image), cairo_image_surface_get_height(image));
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    image = argb;
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS)
    {
      cairo_surface_destroy(image);
      return nullptr;
    }
  }
  return new LICE_IBitmap(image);
}
} // namespace

LICE_IBitmap* LICE_LoadPNG(const char* filename)
{
  if (!filename || !*filename)
  {
    return nullptr;
  }
  return adopt(cairo_image_surface_create_from_png(filename));
}

LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size)
{
  if (!data || size == 0)
  {
    return nullptr;
  }
  MemoryReader reader{static_cast<const unsigned char*>(data), size, 0};
  return adopt(cairo_image_surface_create_from_png_stream(readFromMemory, &reader));
}

bool LICE_WritePNG(const char* filename, const LICE_IBitmap* bitmap)
{
  if (!filename || !bitmap || !bitmap->surface())
  {
    return false;
  }
  return cairo_surface_write_to_png(bitmap->surface(), filename) == CAIRO_STATUS_SUCCESS;
}
