// PNG files: read with libpng straight into the bitmap's pixels, written through cairo's PNG support.
#include "LicePng.h"

#include <cairo.h>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <png.h>
#include <utility>
#include <vector>

namespace
{
// A skin image is a few hundred kilobytes at most; anything far larger is not read into memory.
constexpr long kMaxFileBytes = 64L << 20;
// cairo's largest image side.
constexpr unsigned kMaxSide = 32767;
constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Signature, then the IHDR chunk: length 13, type, width and height (big-endian).
constexpr size_t kIhdrLengthOffset = 8;
constexpr size_t kIhdrTypeOffset = 12;
constexpr size_t kWidthOffset = 16;
constexpr size_t kHeightOffset = 20;
constexpr size_t kHeaderBytes = 24;
constexpr unsigned kIhdrLength = 13;
constexpr int kBytesPerPixel = 4;

unsigned bigEndian32(const unsigned char* p)
{
  return (static_cast<unsigned>(p[0]) << 24) | (static_cast<unsigned>(p[1]) << 16) |
         (static_cast<unsigned>(p[2]) << 8) | static_cast<unsigned>(p[3]);
}

bool readWholeFile(const char* filename, std::vector<unsigned char>& bytes)
{
  FILE* file = std::fopen(filename, "rb");
  if (!file)
  {
    return false;
  }
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size > 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok)
  {
    bytes.resize(static_cast<size_t>(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  std::fclose(file);
  return ok;
}

struct MemoryReader
{
  const unsigned char* data;
  size_t size;
  size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
  MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->pos)
  {
    png_error(png, "truncated");
  }
  std::memcpy(out, reader->data + reader->pos, length);
  reader->pos += length;
}

void ignoreWarning(png_structp, png_const_charp) {}

// (c * a) / 255, rounded as cairo rounds when it premultiplies.
inline uint32_t multiplied(uint32_t c, uint32_t a)
{
  const uint32_t t = c * a + 0x80;
  return (t + (t >> 8)) >> 8;
}

// Rows decoded as straight (not premultiplied) 0xAARRGGBB pixels become cairo's premultiplied form.
void premultiply(unsigned char* pixels, int width, int height, int stride)
{
  for (int y = 0; y < height; ++y)
  {
    uint32_t* row =
        reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * static_cast<size_t>(stride));
    for (int x = 0; x < width; ++x)
    {
      const uint32_t p = row[x];
      const uint32_t a = p >> 24;
      if (a == 0xff)
      {
        continue;
      }
      row[x] = a == 0 ? 0
                      : (a << 24) | (multiplied((p >> 16) & 0xff, a) << 16) |
                            (multiplied((p >> 8) & 0xff, a) << 8) | multiplied(p & 0xff, a);
    }
  }
}

// Decodes a whole PNG into a new ARGB32 image surface, or null. libpng reports errors by a long jump back
// here, so nothing with a destructor lives between setjmp and the calls that may jump.
cairo_surface_t* decodePng(const unsigned char* data, size_t size)
{
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, ignoreWarning);
  if (!png)
  {
    return nullptr;
  }
  png_infop info = png_create_info_struct(png);
  if (!info)
  {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  MemoryReader reader{data, size, 0};
  cairo_surface_t* volatile surface = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    if (surface)
    {
      cairo_surface_destroy(surface);
    }
    return nullptr;
  }
  png_set_read_fn(png, &reader, readFromMemory);
  // The zlib checksum of the image data costs a sixth of the decoding; the chunk checksums still hold.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colorType = png_get_color_type(png, info);
  // Every form becomes 8-bit RGBA: palettes and low bit depths expanded, transparency as alpha.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
  {
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  }
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // B, G, R, A in memory is the native 0xAARRGGBB word.
  png_set_bgr(png);
#else
  png_set_swap_alpha(png);
#endif
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
      png_get_rowbytes(png, info) != static_cast<size_t>(width) * kBytesPerPixel)
  {
    png_error(png, "unusable size or pixel form");
  }
  surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
  {
    png_error(png, "no memory for the image");
  }
  unsigned char* pixels = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!rows)
  {
    png_error(png, "no memory for the rows");
  }
  for (png_uint_32 y = 0; y < height; ++y)
  {
    rows[y] = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
  }
  png_read_image(png, rows);
  png_destroy_read_struct(&png, &info, nullptr);
  std::free(rows);
  premultiply(pixels, static_cast<int>(width), static_cast<int>(height), stride);
  cairo_surface_mark_dirty(surface);
  return surface;
}
} // namespace

LICE_IBitmap* LICE_LoadPNG(const char* filename)
{
  std::vector<unsigned char> bytes;
  if (!filename || !*filename || !readWholeFile(filename, bytes))
  {
    return nullptr;
  }
  return LICE_LoadPNGFromMemory(bytes.data(), bytes.size());
}

LICE_IBitmap* LICE_LoadPNGDeferred(const char* filename)
{
  std::vector<unsigned char> bytes;
  if (!filename || !*filename || !readWholeFile(filename, bytes) || bytes.size() < kHeaderBytes ||
      std::memcmp(bytes.data(), kSignature, sizeof(kSignature)) != 0 ||
      bigEndian32(bytes.data() + kIhdrLengthOffset) != kIhdrLength ||
      std::memcmp(bytes.data() + kIhdrTypeOffset, "IHDR", 4) != 0)
  {
    return nullptr;
  }
  const unsigned width = bigEndian32(bytes.data() + kWidthOffset);
  const unsigned height = bigEndian32(bytes.data() + kHeightOffset);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
  {
    return nullptr;
  }
  auto shared = std::make_shared<const std::vector<unsigned char>>(std::move(bytes));
  return new LICE_IBitmap(
      static_cast<int>(width), static_cast<int>(height),
      [shared]
      { return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNGFromMemory(shared->data(), shared->size())); });
}

LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size)
{
  if (!data || size == 0)
  {
    return nullptr;
  }
  cairo_surface_t* surface = decodePng(static_cast<const unsigned char*>(data), size);
  return surface ? new LICE_IBitmap(surface) : nullptr;
}

bool LICE_WritePNG(const char* filename, const LICE_IBitmap* bitmap)
{
  if (!filename || !bitmap || !bitmap->surface())
  {
    return false;
  }
  return cairo_surface_write_to_png(bitmap->surface(), filename) == CAIRO_STATUS_SUCCESS;
}
