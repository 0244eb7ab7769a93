// Composes a scene (background, knob frames, text in each alignment) and writes it as draw-scene.png into the
// build folder for a person to look at; checks where the parts landed.
#include "DrawTestSupport.h"
#include "ImageGraphics.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

using drawtest::inkSpan;
using drawtest::near;

namespace
{
const int kW = 360;
const int kH = 230;
const int kKnob = 48;
const int kKnobFrames = 9;
const int kAlphaCopy = LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;

// Twice the surface size: dark blue bands with a grid, loaded at scale 0.5 through a PNG file.
LICE_IBitmap* makeBackground()
{
  LICE_IBitmap* bm = new LICE_MemBitmap(2 * kW, 2 * kH);
  for (int y = 0; y < 2 * kH; y += 4)
  {
    const int shade = 30 + y * 40 / (2 * kH);
    LICE_FillRect(bm, 0, y, 2 * kW, 4, LICE_RGBA(shade / 2, shade / 2, shade + 20, 255), 1.0f,
                  LICE_BLIT_MODE_COPY);
  }
  for (int x = 0; x < 2 * kW; x += 40)
  {
    LICE_Line(bm, x, 0, x, 2 * kH - 1, LICE_RGBA(60, 60, 90, 255), 1.0f, LICE_BLIT_MODE_COPY, false);
  }
  const std::string path =
      std::string(::testing::TempDir()) + "/draw_scene_bg_" + std::to_string(getpid()) + ".png";
  LICE_WritePNG(path.c_str(), bm);
  delete bm;
  LICE_IBitmap* loaded = LICE_LoadPNG(path.c_str());
  unlink(path.c_str());
  return loaded;
}

// A strip of knob frames stacked vertically: a grey cap with a pointer from -135 to +135 degrees.
LICE_IBitmap* makeKnobStrip()
{
  LICE_IBitmap* bm = new LICE_MemBitmap(kKnob, kKnob * kKnobFrames);
  for (int f = 0; f < kKnobFrames; ++f)
  {
    const int top = f * kKnob;
    LICE_FillRect(bm, 4, top + 4, kKnob - 8, kKnob - 8, LICE_RGBA(70, 70, 75, 255), 1.0f, kAlphaCopy);
    LICE_FillRect(bm, 6, top + 6, kKnob - 12, kKnob - 12, LICE_RGBA(120, 120, 128, 255), 1.0f, kAlphaCopy);
    const double angle = (-135.0 + f * 270.0 / (kKnobFrames - 1)) * M_PI / 180.0;
    const int cx = kKnob / 2;
    const int cy = top + kKnob / 2;
    for (int d = -1; d <= 1; ++d)
    {
      LICE_Line(bm, cx + d, cy, cx + d + static_cast<int>(16 * std::sin(angle)),
                cy - static_cast<int>(16 * std::cos(angle)), LICE_RGBA(255, 170, 0, 255), 1.0f, kAlphaCopy,
                true);
    }
  }
  return bm;
}

LICE_IBitmap* makeBar()
{
  LICE_IBitmap* bm = new LICE_MemBitmap(40, 8);
  LICE_FillRect(bm, 0, 0, 40, 8, LICE_RGBA(0, 200, 120, 255), 1.0f, kAlphaCopy);
  return bm;
}

void outline(ImageGraphics& g, const IRECT& r)
{
  const IColor frame(255, 90, 90, 110);
  g.DrawLine(&frame, r.L, r.T, r.R - 1, r.T);
  g.DrawLine(&frame, r.L, r.B - 1, r.R - 1, r.B - 1);
  g.DrawLine(&frame, r.L, r.T, r.L, r.B - 1);
  g.DrawLine(&frame, r.R - 1, r.T, r.R - 1, r.B - 1);
}
} // namespace

TEST(DrawScene, ComposesBackgroundKnobsAndAlignedTextAndWritesAPng)
{
  ImageGraphics g(kW, kH);
  g.AddImage("img/background.png", makeBackground);
  g.AddImage("img/knob.png", makeKnobStrip);
  g.AddImage("img/bar.png", makeBar);
  IBitmap background = g.LoadIBitmap(2000, "img/background.png", 0.5);
  IBitmap knob = g.LoadIBitmap(2001, "img/knob.png", 1.0, kKnobFrames, false);
  IBitmap bar = g.LoadIBitmap(2002, "img/bar.png", 1.0);
  ASSERT_EQ(background.width, kW);
  ASSERT_EQ(background.height, kH);
  ASSERT_NE(knob.pixels, nullptr);

  g.SetDrawArea(IRECT(0, 0, kW, kH));
  IRECT whole(0, 0, kW, kH);
  const IChannelBlend clobber(kBlendClobber);
  g.DrawBitmap(&background, &whole, 1, &clobber);

  const int frames[] = {1, 3, 5, 7, 9};
  for (int i = 0; i < 5; ++i)
  {
    IRECT r(16 + i * 64, 12, 16 + i * 64 + kKnob, 12 + kKnob);
    g.DrawBitmap(&knob, &r, frames[i], nullptr);
  }
  g.DrawRotatedBitmap(&bar, 336, 36, -M_PI / 4);

  const IColor white(255, 240, 240, 240);
  const IRECT rows[] = {IRECT(20, 76, 340, 100), IRECT(20, 106, 340, 130), IRECT(20, 136, 340, 160)};
  const int aligns[] = {IText::kAlignNear, IText::kAlignCenter, IText::kAlignFar};
  const char* labels[] = {"Left: Osc 1 Octave", "Centre: Filter Cutoff", "Right: Amp Volume"};
  for (int i = 0; i < 3; ++i)
  {
    outline(g, rows[i]);
    IText text(14, &white, "Consolas", IText::kStyleNormal, aligns[i]);
    IRECT r(rows[i].L + 4, rows[i].T, rows[i].R - 4, rows[i].B); // text kept off the outline
    std::string label = labels[i];
    ASSERT_TRUE(g.DrawIText(&text, &label[0], &r));
  }
  const IRECT tall(20, 168, 340, 218);
  outline(g, tall);
  IText topText(12, &white, "NK57 Monospace", IText::kStyleBold, IText::kAlignNear);
  topText.mVAlign = IText::kVAlignTop;
  IText bottomText(12, &white, "NK57 Monospace", IText::kStyleItalic, IText::kAlignFar);
  bottomText.mVAlign = IText::kVAlignBottom;
  IRECT r1(tall.L + 4, tall.T + 2, tall.R - 4, tall.B - 2);
  IRECT r2 = r1;
  char top[] = "Top left, bold";
  char bottom[] = "Bottom right, italic";
  g.DrawIText(&topText, top, &r1);
  g.DrawIText(&bottomText, bottom, &r2);

  // Written and read under a name of this process, then put in place whole: suites of one build run at once
  // must not read each other's half-written picture.
  const std::string out = std::string(KORVID_BINARY_DIR) + "/draw-scene.png";
  const std::string own = out + "." + std::to_string(getpid());
  ASSERT_TRUE(LICE_WritePNG(own.c_str(), g.Canvas()));
  std::unique_ptr<LICE_IBitmap> back(LICE_LoadPNG(own.c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(std::rename(own.c_str(), out.c_str()), 0);
  EXPECT_EQ(back->getWidth(), kW);
  EXPECT_EQ(back->getHeight(), kH);

  // Knob frames differ: frame 1 points down-left, frame 9 down-right; frame 5 straight up.
  auto orange = [&](int x, int y)
  { return LICE_GETR(back->getPixel(x, y)) > 200 && LICE_GETB(back->getPixel(x, y)) < 80; };
  EXPECT_TRUE(orange(16 + 24 - 8, 12 + 24 + 8));
  EXPECT_TRUE(orange(16 + 4 * 64 + 24 + 8, 12 + 24 + 8));
  EXPECT_TRUE(orange(16 + 2 * 64 + 24, 12 + 24 - 12));
  EXPECT_FALSE(orange(16 + 24 + 8, 12 + 24 + 8));

  // Text ink against the background: for each row, the span of bright pixels.
  auto brightSpan = [&](const IRECT& r, int* first, int* last)
  {
    *first = *last = -1;
    for (int x = r.L + 1; x < r.R - 1; ++x)
    {
      for (int y = r.T + 1; y < r.B - 1; ++y)
      {
        if (LICE_GETR(back->getPixel(x, y)) > 150)
        {
          *first = *first < 0 ? x : *first;
          *last = x;
          break;
        }
      }
    }
  };
  int first, last;
  brightSpan(rows[0], &first, &last);
  EXPECT_LE(first, rows[0].L + 8);
  EXPECT_GE(first, rows[0].L + 4);
  EXPECT_LT(last, rows[0].MW());
  brightSpan(rows[1], &first, &last);
  EXPECT_LE(std::abs((first + last) - (rows[1].L + rows[1].R)), 8) << first << " " << last;
  brightSpan(rows[2], &first, &last);
  EXPECT_GE(last, rows[2].R - 8);
  EXPECT_LT(last, rows[2].R - 4);
  EXPECT_GT(first, rows[2].MW());
  brightSpan(IRECT(tall.L, tall.T, tall.R, tall.T + 18), &first, &last);
  EXPECT_LE(first, tall.L + 8) << "top-left text";
  brightSpan(IRECT(tall.L, tall.B - 18, tall.R, tall.B), &first, &last);
  EXPECT_GE(last, tall.R - 8) << "bottom-right text";
}
