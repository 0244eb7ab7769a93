// Tests of PNG reading: the pixels equal cairo's own PNG reader's for every pixel form and every skin image,
// and deferred bitmaps (size now, pixels on first use) keep that promise.
#include "DrawTestSupport.h"
#include "LiceCairo.h"

#include <cairo.h>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
namespace fs = std::filesystem;

std::string tempPath(const std::string& name)
{
  return std::string(::testing::TempDir()) + "/lice_decode_" + std::to_string(getpid()) + "_" + name;
}

// cairo's reader, its result as premultiplied ARGB32 bytes row by row (an RGB24 result made opaque).
std::vector<uint32_t> cairoPixels(const std::string& path, int& w, int& h)
{
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  std::vector<uint32_t> out;
  w = h = 0;
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS)
  {
    w = cairo_image_surface_get_width(image);
    h = cairo_image_surface_get_height(image);
    const bool opaque = cairo_image_surface_get_format(image) == CAIRO_FORMAT_RGB24;
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < h; ++y)
    {
      const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
      for (int x = 0; x < w; ++x)
        out.push_back(opaque ? (row[x] | 0xff000000u) : row[x]);
    }
  }
  cairo_surface_destroy(image);
  return out;
}

std::vector<uint32_t> ourPixels(const LICE_IBitmap& bitmap)
{
  std::vector<uint32_t> out;
  cairo_surface_t* s = LICE_CairoSurface(&bitmap);
  if (!s)
    return out;
  cairo_surface_flush(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < bitmap.getHeight(); ++y)
  {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    out.insert(out.end(), row, row + bitmap.getWidth());
  }
  return out;
}

// One PNG pixel form to write: colour type, bit depth, interlacing, palette transparency.
struct PngForm
{
  const char* name;
  int colorType;
  int bitDepth;
  bool interlaced;
  bool transparentPaletteEntries;
};

// Writes a 13 x 7 image of the form whose samples run through their whole range (alpha included).
bool writeForm(const std::string& path, const PngForm& form)
{
  const int w = 13;
  const int h = 7;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, w, h, form.bitDepth, form.colorType,
               form.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  const int paletteSize = 1 << (form.bitDepth < 8 ? form.bitDepth : 8);
  png_color palette[256];
  png_byte alphas[256];
  if (form.colorType == PNG_COLOR_TYPE_PALETTE)
  {
    for (int i = 0; i < paletteSize; ++i)
    {
      palette[i] = {static_cast<png_byte>(i * 37), static_cast<png_byte>(255 - i * 11),
                    static_cast<png_byte>(i * 5)};
      alphas[i] = static_cast<png_byte>(i * 97);
    }
    png_set_PLTE(png, info, palette, paletteSize);
    if (form.transparentPaletteEntries)
      png_set_tRNS(png, info, alphas, paletteSize, nullptr);
  }
  png_write_info(png, info);
  const int channels = png_get_channels(png, info);
  const int sampleBytes = form.bitDepth == 16 ? 2 : 1;
  const size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<std::vector<png_byte>> rows(h, std::vector<png_byte>(rowBytes, 0));
  const int maxSample = (1 << form.bitDepth) - 1;
  for (int y = 0; y < h; ++y)
  {
    for (int x = 0; x < w; ++x)
    {
      for (int c = 0; c < channels; ++c)
      {
        const int v = ((x * 53 + y * 29 + c * 71) * 7919) % (maxSample + 1);
        if (form.bitDepth < 8)
        {
          const int bit = (x * channels + c) * form.bitDepth;
          rows[y][bit / 8] |= static_cast<png_byte>(v << (8 - form.bitDepth - bit % 8));
        }
        else if (sampleBytes == 2)
        {
          rows[y][(x * channels + c) * 2] = static_cast<png_byte>(v >> 8);
          rows[y][(x * channels + c) * 2 + 1] = static_cast<png_byte>(v & 0xff);
        }
        else
        {
          rows[y][x * channels + c] = static_cast<png_byte>(v);
        }
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows)
    pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

void expectSameAsCairo(const std::string& path)
{
  int w = 0;
  int h = 0;
  const std::vector<uint32_t> expected = cairoPixels(path, w, h);
  ASSERT_FALSE(expected.empty()) << path;
  std::unique_ptr<LICE_IBitmap> eager(LICE_LoadPNG(path.c_str()));
  std::unique_ptr<LICE_IBitmap> deferred(LICE_LoadPNGDeferred(path.c_str()));
  ASSERT_TRUE(eager) << path;
  ASSERT_TRUE(deferred) << path;
  EXPECT_EQ(deferred->getWidth(), w);
  EXPECT_EQ(deferred->getHeight(), h);
  EXPECT_TRUE(deferred->isDeferred()) << "the size is known before any decoding";
  EXPECT_TRUE(ourPixels(*eager) == expected) << path;
  EXPECT_TRUE(ourPixels(*deferred) == expected) << path;
  EXPECT_FALSE(deferred->isDeferred());
}
} // namespace

TEST(LicePngDecode, EveryPixelFormReadsAsCairoReadsIt)
{
  const PngForm forms[] = {
      {"gray1", PNG_COLOR_TYPE_GRAY, 1, false, false},
      {"gray8", PNG_COLOR_TYPE_GRAY, 8, false, false},
      {"gray16", PNG_COLOR_TYPE_GRAY, 16, false, false},
      {"grayalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
      {"palette4", PNG_COLOR_TYPE_PALETTE, 4, false, false},
      {"palette8trns", PNG_COLOR_TYPE_PALETTE, 8, false, true},
      {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false},
      {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false},
      {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false},
      {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false},
      {"rgba8interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false},
  };
  for (const PngForm& form : forms)
  {
    SCOPED_TRACE(form.name);
    const std::string path = tempPath(std::string(form.name) + ".png");
    ASSERT_TRUE(writeForm(path, form));
    expectSameAsCairo(path);
    std::remove(path.c_str());
  }
}

TEST(LicePngDecode, EverySkinImageReadsAsCairoReadsIt)
{
  int count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(KORVID_SOURCE_DIR "/resources/img"))
  {
    if (entry.path().extension() == ".png")
    {
      expectSameAsCairo(entry.path().string());
      ++count;
    }
  }
  EXPECT_GT(count, 100);
}

TEST(LicePngDecode, DeferredReadingRejectsAtOnceWhatIsNoPngAndLeavesDamageTransparent)
{
  EXPECT_EQ(LICE_LoadPNGDeferred(tempPath("missing.png").c_str()), nullptr);
  EXPECT_EQ(LICE_LoadPNGDeferred(nullptr), nullptr);
  const std::string junk = tempPath("junk.png");
  std::ofstream(junk) << "not a png at all, but long enough for a header";
  EXPECT_EQ(LICE_LoadPNGDeferred(junk.c_str()), nullptr);

  // A good header in front of a cut-off body: the size is promised, the pixels stay transparent.
  const std::string good = tempPath("good.png");
  ASSERT_TRUE(writeForm(good, {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}));
  std::ifstream in(good, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string cut = tempPath("cut.png");
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, 40);
  std::unique_ptr<LICE_IBitmap> damaged(LICE_LoadPNGDeferred(cut.c_str()));
  ASSERT_TRUE(damaged);
  EXPECT_EQ(damaged->getWidth(), 13);
  EXPECT_EQ(damaged->getHeight(), 7);
  EXPECT_EQ(damaged->getPixel(3, 3), 0u);
  EXPECT_EQ(damaged->getRowSpan(), 13);
  EXPECT_EQ(LICE_LoadPNG(cut.c_str()), nullptr) << "read at once, the damage is refused";
  for (const std::string& path : {junk, good, cut})
    std::remove(path.c_str());
}

TEST(LiceDeferredBitmap, MakesItsPixelsOnceOnFirstUseAndDrawsThem)
{
  int made = 0;
  LICE_IBitmap deferred(4, 3,
                        [&made]
                        {
                          ++made;
                          return std::unique_ptr<LICE_IBitmap>(
                              drawtest::solid(4, 3, LICE_RGBA(9, 8, 7, 255)));
                        });
  EXPECT_EQ(deferred.getWidth(), 4);
  EXPECT_EQ(made, 0);
  std::unique_ptr<LICE_IBitmap> canvas(drawtest::solid(6, 6, LICE_RGBA(0, 0, 0, 255)));
  LICE_Blit(canvas.get(), &deferred, 1, 1, 0, 0, 4, 3, 1.0f, LICE_BLIT_MODE_COPY);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(canvas->getPixel(2, 2), LICE_RGBA(9, 8, 7, 255));
  EXPECT_EQ(deferred.getPixel(3, 2), LICE_RGBA(9, 8, 7, 255));
  EXPECT_EQ(made, 1);

  // A maker that gives another size, or nothing, leaves the promised size transparent.
  LICE_IBitmap wrongSize(4, 3,
                         [] { return std::unique_ptr<LICE_IBitmap>(drawtest::solid(2, 2, 0xffffffff)); });
  LICE_IBitmap nothing(4, 3, [] { return std::unique_ptr<LICE_IBitmap>(); });
  for (LICE_IBitmap* bitmap : {&wrongSize, &nothing})
  {
    EXPECT_EQ(bitmap->getPixel(1, 1), 0u);
    EXPECT_EQ(bitmap->getWidth(), 4);
    EXPECT_NE(LICE_CairoSurface(bitmap), nullptr);
  }
  // No size: nothing is made at all.
  bool ran = false;
  LICE_IBitmap empty(0, 5,
                     [&ran]
                     {
                       ran = true;
                       return std::unique_ptr<LICE_IBitmap>();
                     });
  EXPECT_EQ(LICE_CairoSurface(&empty), nullptr);
  EXPECT_FALSE(ran);
}
