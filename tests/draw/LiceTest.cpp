// Tests of the drawing layer: blits and blend modes, scaled and rotated blits, lines, fills, PNG files,
// fonts.
#include "DrawTestSupport.h"
#include "LiceCairo.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <unistd.h>

using drawtest::near;
using drawtest::solid;

namespace
{
const LICE_pixel kGrey = LICE_RGBA(100, 100, 100, 255);
const int kAlphaCopy = LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;

std::unique_ptr<LICE_IBitmap> greyCanvas(int w = 20, int h = 20)
{
  return std::unique_ptr<LICE_IBitmap>(solid(w, h, kGrey));
}

std::string tempPath(const char* name)
{
  return std::string(::testing::TempDir()) + "/lice_" + std::to_string(getpid()) + "_" + name;
}
} // namespace

TEST(LiceBlit, CopiesTheSourceRectangleAndNothingBeyondTheSource)
{
  auto canvas = greyCanvas();
  std::unique_ptr<LICE_IBitmap> src(solid(4, 4, LICE_RGBA(255, 0, 0, 255)));
  LICE_FillRect(src.get(), 2, 0, 2, 4, LICE_RGBA(0, 0, 255, 255), 1.0f, kAlphaCopy);

  // Asks for 10 x 10 from (1, 0): only the 3 x 4 pixels that exist are written.
  LICE_Blit(canvas.get(), src.get(), 5, 5, 1, 0, 10, 10, 1.0f, LICE_BLIT_MODE_COPY);
  EXPECT_TRUE(near(canvas->getPixel(5, 5), LICE_RGBA(255, 0, 0, 255), 0));
  EXPECT_TRUE(near(canvas->getPixel(6, 8), LICE_RGBA(0, 0, 255, 255), 0));
  EXPECT_TRUE(near(canvas->getPixel(7, 8), LICE_RGBA(0, 0, 255, 255), 0));
  EXPECT_TRUE(near(canvas->getPixel(8, 5), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(5, 9), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(4, 5), kGrey, 0));
}

TEST(LiceBlit, EachBlendModeOnAKnownBackground)
{
  std::unique_ptr<LICE_IBitmap> halfRed(solid(2, 2, LICE_RGBA(255, 0, 0, 128)));
  std::unique_ptr<LICE_IBitmap> midGrey(solid(2, 2, LICE_RGBA(128, 128, 128, 255)));
  struct Case
  {
    const char* name;
    LICE_IBitmap* src;
    int mode;
    float weight;
    LICE_pixel expected;
  };
  const Case cases[] = {
      {"copy using alpha", halfRed.get(), kAlphaCopy, 1.0f, LICE_RGBA(178, 50, 50, 255)},
      {"plain copy keeps the source's alpha", halfRed.get(), LICE_BLIT_MODE_COPY, 1.0f,
       LICE_RGBA(255, 0, 0, 128)},
      {"plain copy weighted", midGrey.get(), LICE_BLIT_MODE_COPY, 0.5f, LICE_RGBA(114, 114, 114, 255)},
      {"additive", halfRed.get(), LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 1.0f,
       LICE_RGBA(228, 100, 100, 255)},
      {"additive weighted", halfRed.get(), LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.5f,
       LICE_RGBA(164, 100, 100, 255)},
      // dodge: 100 / (1 - 128/255) = 201
      {"colour dodge", midGrey.get(), LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 1.0f,
       LICE_RGBA(201, 201, 201, 255)},
  };
  for (const Case& c : cases)
  {
    auto canvas = greyCanvas(4, 4);
    LICE_Blit(canvas.get(), c.src, 1, 1, 0, 0, 2, 2, c.weight, c.mode);
    EXPECT_TRUE(near(canvas->getPixel(1, 1), c.expected)) << c.name;
    EXPECT_TRUE(near(canvas->getPixel(2, 2), c.expected)) << c.name;
    EXPECT_TRUE(near(canvas->getPixel(3, 3), kGrey, 0)) << c.name;
  }
}

TEST(LiceScaledBlit, HalvesAndKeepsTheEdgesOpaque)
{
  std::unique_ptr<LICE_IBitmap> src(solid(10, 10, LICE_RGBA(0, 200, 0, 255)));
  LICE_FillRect(src.get(), 0, 0, 10, 5, LICE_RGBA(200, 0, 0, 255), 1.0f, kAlphaCopy);
  LICE_MemBitmap half(5, 5);
  LICE_ScaledBlit(&half, src.get(), 0, 0, 5, 5, 0, 0, 10, 10, 1.0f,
                  LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
  EXPECT_TRUE(near(half.getPixel(0, 0), LICE_RGBA(200, 0, 0, 255)));
  EXPECT_TRUE(near(half.getPixel(4, 0), LICE_RGBA(200, 0, 0, 255)));
  EXPECT_TRUE(near(half.getPixel(4, 4), LICE_RGBA(0, 200, 0, 255)));
  EXPECT_TRUE(near(half.getPixel(0, 4), LICE_RGBA(0, 200, 0, 255)));
  // The middle row straddles both halves and blends them.
  EXPECT_GT(LICE_GETR(half.getPixel(2, 2)), 20);
  EXPECT_GT(LICE_GETG(half.getPixel(2, 2)), 20);
}

TEST(LiceRotatedBlit, TurnsClockwiseAndWritesOnlyTheDestinationRectangle)
{
  // Left half red, right half blue.
  std::unique_ptr<LICE_IBitmap> src(solid(20, 20, LICE_RGBA(0, 0, 255, 255)));
  LICE_FillRect(src.get(), 0, 0, 10, 20, LICE_RGBA(255, 0, 0, 255), 1.0f, kAlphaCopy);

  auto canvas = greyCanvas(40, 40);
  LICE_RotatedBlit(canvas.get(), src.get(), 10, 10, 20, 20, 0, 0, 20, 20, static_cast<float>(M_PI / 2), false,
                   1.0f, kAlphaCopy | LICE_BLIT_FILTER_BILINEAR);
  // A quarter turn clockwise brings the left half to the top.
  EXPECT_TRUE(near(canvas->getPixel(20, 13), LICE_RGBA(255, 0, 0, 255)));
  EXPECT_TRUE(near(canvas->getPixel(20, 26), LICE_RGBA(0, 0, 255, 255)));
  EXPECT_TRUE(near(canvas->getPixel(9, 20), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(30, 20), kGrey, 0));

  // A half turn with the centre moved 5 pixels down: the image moves with it, clipped at the rectangle.
  auto moved = greyCanvas(40, 40);
  LICE_RotatedBlit(moved.get(), src.get(), 10, 10, 20, 20, 0, 0, 20, 20, static_cast<float>(M_PI), false,
                   1.0f, kAlphaCopy | LICE_BLIT_FILTER_BILINEAR, 0.0f, 5.0f);
  EXPECT_TRUE(near(moved->getPixel(13, 20), LICE_RGBA(0, 0, 255, 255)));
  EXPECT_TRUE(near(moved->getPixel(26, 20), LICE_RGBA(255, 0, 0, 255)));
  EXPECT_TRUE(near(moved->getPixel(20, 12), kGrey, 0)); // rotated image starts at y = 20
}

TEST(LiceLineAndFill, CoverExactlyTheirPixels)
{
  auto canvas = greyCanvas();
  const LICE_pixel white = LICE_RGBA(255, 255, 255, 255);
  LICE_Line(canvas.get(), 2, 5, 8, 5, white, 1.0f, kAlphaCopy, false);
  EXPECT_TRUE(near(canvas->getPixel(2, 5), white, 0));
  EXPECT_TRUE(near(canvas->getPixel(8, 5), white, 0));
  EXPECT_TRUE(near(canvas->getPixel(1, 5), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(9, 5), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(5, 4), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(5, 6), kGrey, 0));

  LICE_Line(canvas.get(), 3, 10, 3, 10, white, 1.0f, kAlphaCopy, false);
  EXPECT_TRUE(near(canvas->getPixel(3, 10), white, 0)) << "a one-point line sets its pixel";

  LICE_FillRect(canvas.get(), 10, 10, 3, 2, LICE_RGBA(0, 0, 0, 255), 1.0f, kAlphaCopy);
  EXPECT_TRUE(near(canvas->getPixel(10, 10), LICE_RGBA(0, 0, 0, 255), 0));
  EXPECT_TRUE(near(canvas->getPixel(12, 11), LICE_RGBA(0, 0, 0, 255), 0));
  EXPECT_TRUE(near(canvas->getPixel(13, 11), kGrey, 0));
  EXPECT_TRUE(near(canvas->getPixel(12, 12), kGrey, 0));

  // A transparent colour with alpha draws nothing; without alpha use its colour is opaque.
  LICE_FillRect(canvas.get(), 0, 0, 5, 5, LICE_RGBA(0, 0, 0, 0), 1.0f, kAlphaCopy);
  EXPECT_TRUE(near(canvas->getPixel(0, 0), kGrey, 0));
  LICE_FillRect(canvas.get(), 0, 0, 5, 5, LICE_RGBA(200, 0, 0, 0), 0.5f, LICE_BLIT_MODE_COPY);
  EXPECT_TRUE(near(canvas->getPixel(0, 0), LICE_RGBA(150, 50, 50, 255)));

  LICE_FillRect(canvas.get(), 15, 15, 2, 2, LICE_RGBA(100, 0, 0, 255), 1.0f,
                LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA);
  EXPECT_TRUE(near(canvas->getPixel(15, 15), LICE_RGBA(200, 100, 100, 255)));
}

TEST(LiceRotatedMask, ShowsTheBaseWhereTheRotatedMaskIsOpaque)
{
  std::unique_ptr<LICE_IBitmap> base(solid(20, 20, LICE_RGBA(200, 0, 0, 255)));
  std::unique_ptr<LICE_IBitmap> mask(new LICE_MemBitmap(20, 20)); // transparent
  LICE_FillRect(mask.get(), 0, 0, 10, 20, LICE_RGBA(0, 0, 0, 255), 1.0f, kAlphaCopy);
  std::unique_ptr<LICE_IBitmap> top(new LICE_MemBitmap(20, 20));
  LICE_FillRect(top.get(), 0, 0, 20, 3, LICE_RGBA(0, 255, 0, 255), 1.0f, kAlphaCopy);

  LICE_MemBitmap scratch;
  LICE_RotatedMaskCompose(&scratch, base.get(), mask.get(), top.get(), 0.0f, 0.0f);
  ASSERT_EQ(scratch.getWidth(), 20);
  EXPECT_TRUE(near(scratch.getPixel(3, 10), LICE_RGBA(200, 0, 0, 255)));
  EXPECT_EQ(LICE_GETA(scratch.getPixel(16, 10)), 0);
  EXPECT_TRUE(near(scratch.getPixel(16, 1), LICE_RGBA(0, 255, 0, 255)));

  LICE_RotatedMaskCompose(&scratch, base.get(), mask.get(), nullptr, static_cast<float>(M_PI), 0.0f);
  EXPECT_EQ(LICE_GETA(scratch.getPixel(3, 10)), 0);
  EXPECT_TRUE(near(scratch.getPixel(16, 10), LICE_RGBA(200, 0, 0, 255)));
}

TEST(LicePng, RoundTripsAndRejectsBadFiles)
{
  std::unique_ptr<LICE_IBitmap> src(solid(7, 3, LICE_RGBA(10, 20, 30, 255)));
  std::unique_ptr<LICE_IBitmap> translucent(solid(1, 1, LICE_RGBA(250, 0, 0, 128)));
  LICE_Blit(src.get(), translucent.get(), 6, 2, 0, 0, 1, 1, 1.0f, LICE_BLIT_MODE_COPY);
  const std::string path = tempPath("roundtrip.png");
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), src.get()));
  std::unique_ptr<LICE_IBitmap> back(LICE_LoadPNG(path.c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->getWidth(), 7);
  EXPECT_EQ(back->getHeight(), 3);
  EXPECT_TRUE(near(back->getPixel(0, 0), LICE_RGBA(10, 20, 30, 255), 0));
  EXPECT_TRUE(near(back->getPixel(6, 2), LICE_RGBA(250, 0, 0, 128), 2));

  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::unique_ptr<LICE_IBitmap> fromMemory(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()));
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(fromMemory->getWidth(), 7);
  EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), bytes.size() / 2), nullptr) << "truncated data";
  std::remove(path.c_str());

  EXPECT_EQ(LICE_LoadPNG(tempPath("missing.png").c_str()), nullptr);
  EXPECT_EQ(LICE_LoadPNG(nullptr), nullptr);
  const std::string junk = tempPath("junk.png");
  std::ofstream(junk) << "not a png at all";
  EXPECT_EQ(LICE_LoadPNG(junk.c_str()), nullptr);
  std::remove(junk.c_str());
  LICE_MemBitmap empty;
  EXPECT_FALSE(LICE_WritePNG(junk.c_str(), &empty));
}

namespace
{
int measure(const char* face, const char* text, int size = 14, int weight = 400)
{
  LICE_CachedFont font;
  font.SetFromHFont(CreateFont(size, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 4, 0, face),
                    LICE_FONT_FLAG_OWNS_HFONT);
  LICE_Rect r;
  font.DrawText(nullptr, text, -1, &r, LICE_DT_CALCRECT);
  return r.right;
}
} // namespace

TEST(LiceFont, WindowsMonospaceFacesMapToDejaVuSansMono)
{
  const int dejavu = measure("DejaVu Sans Mono", "Blofeld 12");
  ASSERT_GT(dejavu, 0);
  EXPECT_EQ(measure("Consolas", "Blofeld 12"), dejavu);
  EXPECT_EQ(measure("NK57 Monospace", "Blofeld 12"), dejavu);
  EXPECT_EQ(measure("Consolas", "iiii"), measure("Consolas", "MMMM")) << "monospaced";
  EXPECT_NE(measure("DejaVu Sans", "iiii"), measure("DejaVu Sans", "MMMM")) << "proportional control";
}

TEST(LiceFont, MeasuresLinesAndPlacesTextByTheFlags)
{
  LICE_CachedFont font;
  EXPECT_EQ(font.GetLineHeight(), 0);
  LICE_Rect none;
  EXPECT_EQ(font.DrawText(nullptr, "x", -1, &none, LICE_DT_CALCRECT), 0) << "no system font";

  HFONT system = CreateFont(14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 3, 0, "Consolas");
  font.SetFromHFont(system, LICE_FONT_FLAG_OWNS_HFONT);
  const int lh = font.GetLineHeight();
  ASSERT_GT(lh, 10);
  LICE_Rect r{5, 7, 5, 7};
  font.DrawText(nullptr, "ab\ncdef", -1, &r, LICE_DT_CALCRECT);
  EXPECT_EQ(r.bottom - r.top, lh) << "one line, the line break shown as U+FFFD";
  EXPECT_EQ(r.right - r.left, measure("Consolas", "abxcdef"));
  LICE_Rect part;
  font.DrawText(nullptr, "cdefgh", 4, &part, LICE_DT_CALCRECT);
  EXPECT_EQ(part.right, measure("Consolas", "cdef"));
  // Each byte outside UTF-8 (Latin-1, overlong, surrogate, above U+10FFFF, cut) and each noncharacter is one
  // U+FFFD, and the next text keeps its width and is drawn, also after cairo left the font in an error state.
  cairo_text_extents_t extents;
  for (const char* bad : {"caf\xe9", "ca\xC0\xAF", "c\xED\xB2\xBB", "\xF4\x90\x80\x80", "ca\xE2\x82",
                          "caf\xEF\xBF\xBF", "caf\xEF\xB7\x90", "caf\xF4\x8F\xBF\xBE"})
  {
    cairo_scaled_font_text_extents(LICE_CairoScaledFont(system), "\xC0", &extents);
    auto canvas = greyCanvas(60, 40);
    LICE_Rect shown{0, 0, 60, 20}, good{0, 20, 60, 40};
    font.DrawText(canvas.get(), bad, -1, &shown, 0);
    font.DrawText(canvas.get(), "ab", -1, &good, 0);
    int first, last;
    drawtest::inkSpan(canvas.get(), 20, 40, kGrey, &first, &last);
    font.DrawText(nullptr, bad, -1, &shown, LICE_DT_CALCRECT);
    font.DrawText(nullptr, "ab", -1, &good, LICE_DT_CALCRECT);
    EXPECT_EQ(std::make_tuple(shown.right, good.right - good.left, first >= 0),
              std::make_tuple(measure("Consolas", "cafe"), measure("Consolas", "ab"), true))
        << bad;
  }

  const LICE_pixel black = LICE_RGBA(0, 0, 0, 255);
  font.SetTextColor(black);
  struct Case
  {
    unsigned int flags;
    int expectFirstMin, expectFirstMax;
  };
  const int w = measure("Consolas", "WW");
  const Case cases[] = {{0, 10, 13},
                        {LICE_DT_CENTER, 10 + (80 - w) / 2 - 2, 10 + (80 - w) / 2 + 3},
                        {LICE_DT_RIGHT, 90 - w - 2, 90 - w + 3}};
  for (const Case& c : cases)
  {
    auto canvas = greyCanvas(100, 60);
    LICE_Rect box{10, 10, 90, 50};
    font.DrawText(canvas.get(), "WW", -1, &box, c.flags | LICE_DT_VCENTER);
    int first, last;
    drawtest::inkSpan(canvas.get(), 0, 60, kGrey, &first, &last);
    EXPECT_GE(first, c.expectFirstMin) << c.flags;
    EXPECT_LE(first, c.expectFirstMax) << c.flags;
    EXPECT_LE(last, 90) << c.flags;
    EXPECT_TRUE(near(canvas->getPixel(50, 5), kGrey, 0));
  }
  // Vertical placement: bottom-aligned ink lies in the lower part, top-aligned in the upper part.
  auto topCanvas = greyCanvas(100, 60);
  auto bottomCanvas = greyCanvas(100, 60);
  LICE_Rect box{10, 0, 90, 60};
  font.DrawText(topCanvas.get(), "WW", -1, &box, 0);
  font.DrawText(bottomCanvas.get(), "WW", -1, &box, LICE_DT_BOTTOM);
  int first, last;
  drawtest::inkSpan(topCanvas.get(), 0, 20, kGrey, &first, &last);
  EXPECT_GE(first, 0);
  drawtest::inkSpan(bottomCanvas.get(), 0, 40, kGrey, &first, &last);
  EXPECT_EQ(first, -1);
  drawtest::inkSpan(bottomCanvas.get(), 40, 60, kGrey, &first, &last);
  EXPECT_GE(first, 0);
}
