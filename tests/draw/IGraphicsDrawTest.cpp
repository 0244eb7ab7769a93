// Tests of the surface's bitmap cache, blits with frames and clipping, rotated blits, lines, fills and text.
#include "BitmapStorage.h"
#include "DrawTestSupport.h"
#include "FontStorage.h"
#include "ImageGraphics.h"

#include <cmath>
#include <limits>
#include <memory>

using drawtest::near;
using drawtest::solid;

namespace
{
const LICE_pixel kGrey = LICE_RGBA(100, 100, 100, 255);
const int kAlphaCopy = LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;

// Ids are process-wide: each test takes its own range.
enum
{
  kIdScale = 1000,
  kIdCache = 1100,
  kIdMissing = 1200,
  kIdRelease = 1300,
  kIdFrames = 1400,
  kIdClip = 1500,
  kIdBlend = 1600,
  kIdRotate = 1700,
  kIdMask = 1800,
};

void clearCanvas(ImageGraphics& g)
{
  LICE_FillRect(g.Canvas(), 0, 0, g.Width(), g.Height(), kGrey, 1.0f, LICE_BLIT_MODE_COPY);
}

// A w x h image whose row y has red = y (vertical) or whose column x has red = x (horizontal).
LICE_IBitmap* ramp(int w, int h, bool horizontal)
{
  LICE_IBitmap* bm = new LICE_MemBitmap(w, h);
  const int n = horizontal ? w : h;
  for (int i = 0; i < n; ++i)
  {
    if (horizontal)
    {
      LICE_FillRect(bm, i, 0, 1, h, LICE_RGBA(i, 0, 0, 255), 1.0f, kAlphaCopy);
    }
    else
    {
      LICE_FillRect(bm, 0, i, w, 1, LICE_RGBA(i, 0, 0, 255), 1.0f, kAlphaCopy);
    }
  }
  return bm;
}
} // namespace

TEST(LoadIBitmap, ScalesWithBilinearFilteringAndTruncatesTheSize)
{
  ImageGraphics g;
  g.AddImage("img/odd.png", [] { return solid(101, 51, LICE_RGBA(10, 200, 30, 255)); });
  IBitmap bm = g.LoadIBitmap(kIdScale, "img/odd.png", 0.5, 3, true);
  ASSERT_NE(bm.pixels, nullptr);
  EXPECT_EQ(bm.width, 50);
  EXPECT_EQ(bm.height, 25);
  EXPECT_EQ(bm.frameCount, 3);
  EXPECT_TRUE(bm.framesHorizontal);
  EXPECT_TRUE(near(bm.pixels->getPixel(0, 0), LICE_RGBA(10, 200, 30, 255)));
  EXPECT_TRUE(near(bm.pixels->getPixel(49, 24), LICE_RGBA(10, 200, 30, 255)));
}

TEST(LoadIBitmap, CachesByIdAndScaleAcrossSurfaces)
{
  ImageGraphics first;
  ImageGraphics second;
  ImageGraphics third;
  for (ImageGraphics* g : {&first, &second, &third})
  {
    g->AddImage("img/knob.png", [] { return solid(40, 20, LICE_RGBA(255, 0, 0, 255)); });
  }
  const int before = BitmapStorage::Instance().Count();
  IBitmap a = first.LoadIBitmap(kIdCache, "img/knob.png", 1.0);
  IBitmap again = first.LoadIBitmap(kIdCache, "img/other-name.png", 1.0, 2);
  EXPECT_EQ(first.LoadCount(), 1) << "the second load comes from the cache";
  EXPECT_EQ(again.pixels, a.pixels);
  EXPECT_EQ(again.frameCount, 2);

  // A second instance at another size factor gets its own bitmap, not the first one's.
  IBitmap b = second.LoadIBitmap(kIdCache, "img/knob.png", 1.15);
  EXPECT_NE(b.pixels, a.pixels);
  EXPECT_EQ(b.width, 46);
  EXPECT_EQ(b.height, 23);
  EXPECT_EQ(BitmapStorage::Instance().Count(), before + 2);

  EXPECT_EQ(first.getImageById(kIdCache, 4, true).pixels, a.pixels);
  EXPECT_EQ(second.getImageById(kIdCache).pixels, b.pixels);
  IBitmap fetched = second.getImageById(kIdCache, 4, true);
  EXPECT_EQ(fetched.width, 46);
  EXPECT_EQ(fetched.frameCount, 4);
  EXPECT_TRUE(fetched.framesHorizontal);
  // A surface that loaded none of its own finds the first one cached.
  EXPECT_EQ(third.getImageById(kIdCache).pixels, a.pixels);
  EXPECT_EQ(third.LoadCount(), 0);
}

TEST(LoadIBitmap, MissingImageAndUnknownIdGiveAnEmptyBitmapThatDrawsNothing)
{
  ImageGraphics g;
  g.SetDrawArea(IRECT(0, 0, g.Width(), g.Height()));
  clearCanvas(g);
  const int before = BitmapStorage::Instance().Count();
  IBitmap missing = g.LoadIBitmap(kIdMissing, "img/none.png", 1.0, 5);
  EXPECT_EQ(missing.pixels, nullptr);
  EXPECT_EQ(missing.width, 0);
  EXPECT_EQ(missing.height, 0);
  EXPECT_EQ(missing.frameCount, 5);
  EXPECT_EQ(BitmapStorage::Instance().Count(), before) << "nothing cached";
  EXPECT_EQ(g.getImageById(kIdMissing).pixels, nullptr);
  EXPECT_EQ(g.getImageById(987654).pixels, nullptr);

  IRECT dest(0, 0, 50, 50);
  EXPECT_TRUE(g.DrawBitmap(&missing, &dest, 3, nullptr));
  EXPECT_TRUE(g.DrawBitmap(&missing, &dest, 2, 5, 5, nullptr));
  EXPECT_TRUE(g.DrawRotatedBitmap(&missing, 20, 20, 1.0));
  EXPECT_TRUE(g.DrawRotatedMask(&missing, &missing, &missing, 0, 0, 45.0));
  IBitmap unknown = g.getImageById(987654);
  EXPECT_TRUE(g.DrawBitmap(&unknown, &dest, 1, nullptr));
  g.ReleaseBitmap(&missing);
  EXPECT_TRUE(near(g.Canvas()->getPixel(10, 10), kGrey, 0));

  // A scale that gives no usable size loads nothing into the cache either.
  g.AddImage("img/small.png", [] { return solid(4, 4, kGrey); });
  for (double scale : {-1.0, 1.0e7, std::nan("")})
  {
    EXPECT_EQ(g.LoadIBitmap(kIdMissing + 1, "img/small.png", scale).pixels, nullptr) << scale;
  }
  EXPECT_EQ(BitmapStorage::Instance().Count(), before);
  const IColor white(255, 255, 255, 255);
  EXPECT_TRUE(g.DrawLine(&white, std::nanf(""), 1.0e30f, -1.0e30f, 2.0f));

  // The image appearing later is loaded then.
  g.AddImage("img/none.png", [] { return solid(4, 4, kGrey); });
  EXPECT_NE(g.LoadIBitmap(kIdMissing, "img/none.png", 1.0).pixels, nullptr);
}

TEST(ReleaseBitmap, RemovesFromTheCacheOnlyWhatIsThere)
{
  ImageGraphics g;
  g.AddImage("img/r.png", [] { return solid(4, 4, kGrey); });
  const int before = BitmapStorage::Instance().Count();
  IBitmap bm = g.LoadIBitmap(kIdRelease, "img/r.png");
  ASSERT_EQ(BitmapStorage::Instance().Count(), before + 1);
  IBitmap copy = bm;
  g.ReleaseBitmap(&bm);
  EXPECT_EQ(BitmapStorage::Instance().Count(), before);
  EXPECT_EQ(g.getImageById(kIdRelease).pixels, nullptr);
  g.ReleaseBitmap(&copy); // already gone: nothing happens
  EXPECT_EQ(BitmapStorage::Instance().Count(), before);
  g.LoadIBitmap(kIdRelease, "img/r.png");
  EXPECT_EQ(g.LoadCount(), 2) << "a released id is loaded again";
}

TEST(DrawBitmap, FramesStartAtOneAndRoundTheirOffsets)
{
  ImageGraphics g;
  g.AddImage("img/strip5.png", [] { return ramp(10, 100, false); });
  g.AddImage("img/strip3.png", [] { return ramp(100, 10, true); });
  g.SetDrawArea(IRECT(0, 0, g.Width(), g.Height()));
  IBitmap vertical = g.LoadIBitmap(kIdFrames, "img/strip5.png", 1.0, 5, false);
  IBitmap horizontal = g.LoadIBitmap(kIdFrames + 1, "img/strip3.png", 1.0, 3, true);
  IRECT dest(10, 10, 20, 30);
  auto topRed = [&] { return LICE_GETR(g.Canvas()->getPixel(10, 10)); };
  auto leftRed = [&] { return LICE_GETR(g.Canvas()->getPixel(10, 10)); };

  const std::pair<int, int> verticalCases[] = {{0, 0}, {1, 0}, {2, 20}, {3, 40}, {5, 80}};
  for (const auto& c : verticalCases)
  {
    g.DrawBitmap(&vertical, &dest, c.first, nullptr);
    EXPECT_EQ(topRed(), c.second) << "frame " << c.first;
  }
  // Three frames over 100 pixels: (frame - 1) * 100 / 3 rounded.
  IRECT wide(10, 10, 43, 20);
  const std::pair<int, int> horizontalCases[] = {{1, 0}, {2, 33}, {3, 67}};
  for (const auto& c : horizontalCases)
  {
    g.DrawBitmap(&horizontal, &wide, c.first, nullptr);
    EXPECT_EQ(leftRed(), c.second) << "frame " << c.first;
  }
  // With explicit offsets the frame replaces the offset along its direction and keeps the other.
  g.DrawBitmap(&horizontal, &wide, 3, 5, 4, nullptr);
  EXPECT_EQ(leftRed(), 67);
  g.DrawBitmap(&horizontal, &wide, 1, 5, 4, nullptr);
  EXPECT_EQ(leftRed(), 5);
  g.DrawBitmap(&vertical, &dest, 2, 0, 7, nullptr);
  EXPECT_EQ(topRed(), 20);
  g.DrawBitmap(&vertical, &dest, 0, 0, 7, nullptr);
  EXPECT_EQ(topRed(), 7);
  // A frame past the strip has nothing to copy, however far past it lies.
  clearCanvas(g);
  for (int frame : {6, 1000, std::numeric_limits<int>::max()})
  {
    g.DrawBitmap(&vertical, &dest, frame, nullptr);
    g.DrawBitmap(&horizontal, &wide, frame, 5, 4, nullptr);
    EXPECT_TRUE(near(g.Canvas()->getPixel(10, 10), kGrey, 0)) << "frame " << frame;
  }
  IBitmap single = vertical;
  single.frameCount = 1;
  g.DrawBitmap(&single, &dest, 4, 0, 9, nullptr);
  EXPECT_EQ(topRed(), 9) << "a one-frame image ignores the frame";
}

TEST(DrawBitmap, ClipsToTheDrawingArea)
{
  ImageGraphics g;
  g.AddImage("img/ramp.png", [] { return ramp(50, 50, true); });
  IBitmap bm = g.LoadIBitmap(kIdClip, "img/ramp.png");
  clearCanvas(g);
  g.SetDrawArea(IRECT(0, 0, 10, 10));
  IRECT outside(20, 20, 30, 30);
  EXPECT_TRUE(g.DrawBitmap(&bm, &outside, 1, nullptr));
  EXPECT_TRUE(near(g.Canvas()->getPixel(25, 25), kGrey, 0)) << "a blit outside the area copies nothing";

  g.SetDrawArea(IRECT());
  IRECT anywhere(0, 0, 50, 50);
  g.DrawBitmap(&bm, &anywhere, 1, nullptr);
  EXPECT_TRUE(near(g.Canvas()->getPixel(5, 5), kGrey, 0)) << "an empty area draws nothing";

  g.SetDrawArea(IRECT(10, 10, 100, 100));
  IRECT partial(5, 5, 25, 25);
  g.DrawBitmap(&bm, &partial, 0, 0, nullptr);
  EXPECT_TRUE(near(g.Canvas()->getPixel(9, 12), kGrey, 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(12, 9), kGrey, 0));
  EXPECT_EQ(LICE_GETR(g.Canvas()->getPixel(10, 10)), 5) << "the source moves with the clipped corner";
  EXPECT_EQ(LICE_GETR(g.Canvas()->getPixel(24, 24)), 19);
  EXPECT_TRUE(near(g.Canvas()->getPixel(25, 20), kGrey, 0));
}

TEST(DrawBitmap, BlendMethodsMapToTheirModes)
{
  ImageGraphics g;
  g.AddImage("img/half.png", [] { return solid(4, 4, LICE_RGBA(255, 0, 0, 128)); });
  IBitmap bm = g.LoadIBitmap(kIdBlend, "img/half.png");
  g.SetDrawArea(IRECT(0, 0, g.Width(), g.Height()));
  IRECT dest(0, 0, 4, 4);
  struct Case
  {
    IChannelBlend blend;
    LICE_pixel expected;
  };
  const Case cases[] = {
      {IChannelBlend(kBlendNone), LICE_RGBA(178, 50, 50, 255)},
      {IChannelBlend(7), LICE_RGBA(178, 50, 50, 255)},
      {IChannelBlend(kBlendClobber), LICE_RGBA(255, 0, 0, 128)},
      {IChannelBlend(kBlendAdd, 0.5f), LICE_RGBA(164, 100, 100, 255)},
      {IChannelBlend(kBlendColorDodge), LICE_RGBA(178, 100, 100, 255)},
  };
  for (const Case& c : cases)
  {
    clearCanvas(g);
    g.DrawBitmap(&bm, &dest, 1, &c.blend);
    EXPECT_TRUE(near(g.Canvas()->getPixel(1, 1), c.expected)) << "method " << c.blend.mMethod;
  }
  clearCanvas(g);
  g.DrawBitmap(&bm, &dest, 1, nullptr);
  EXPECT_TRUE(near(g.Canvas()->getPixel(1, 1), LICE_RGBA(178, 50, 50, 255))) << "no blend";
}

TEST(DrawRotated, BitmapTurnsAboutItsCentreAndIgnoresTheDrawingArea)
{
  ImageGraphics g(100, 100);
  g.AddImage("img/halves.png",
             []
             {
               LICE_IBitmap* bm = solid(20, 20, LICE_RGBA(0, 0, 255, 255));
               LICE_FillRect(bm, 0, 0, 10, 20, LICE_RGBA(255, 0, 0, 255), 1.0f, kAlphaCopy);
               return bm;
             });
  IBitmap bm = g.LoadIBitmap(kIdRotate, "img/halves.png");
  clearCanvas(g);
  g.SetDrawArea(IRECT());
  EXPECT_TRUE(g.DrawRotatedBitmap(&bm, 50, 50, M_PI / 2, 0, nullptr));
  EXPECT_TRUE(near(g.Canvas()->getPixel(50, 43), LICE_RGBA(255, 0, 0, 255)));
  EXPECT_TRUE(near(g.Canvas()->getPixel(50, 56), LICE_RGBA(0, 0, 255, 255)));
  EXPECT_TRUE(near(g.Canvas()->getPixel(38, 50), kGrey, 0));

  // Mask: left half opaque. Degrees: 180 moves it to the right half. Blits are clipped to the area.
  g.AddImage("img/base.png", [] { return solid(20, 20, LICE_RGBA(0, 200, 0, 255)); });
  g.AddImage("img/mask.png",
             []
             {
               LICE_IBitmap* bm = new LICE_MemBitmap(20, 20);
               LICE_FillRect(bm, 0, 0, 10, 20, LICE_RGBA(0, 0, 0, 255), 1.0f, kAlphaCopy);
               return bm;
             });
  IBitmap base = g.LoadIBitmap(kIdMask, "img/base.png");
  IBitmap mask = g.LoadIBitmap(kIdMask + 1, "img/mask.png");
  clearCanvas(g);
  g.SetDrawArea(IRECT(0, 0, 100, 100));
  EXPECT_TRUE(g.DrawRotatedMask(&base, &mask, nullptr, 10, 10, 0.0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(13, 20), LICE_RGBA(0, 200, 0, 255)));
  EXPECT_TRUE(near(g.Canvas()->getPixel(26, 20), kGrey, 0));
  clearCanvas(g);
  EXPECT_TRUE(g.DrawRotatedMask(&base, &mask, nullptr, 10, 10, 180.0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(13, 20), kGrey, 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(26, 20), LICE_RGBA(0, 200, 0, 255)));
  // The top image is rotated likewise and drawn over the masked base, also where the mask is clear.
  g.AddImage("img/top.png",
             []
             {
               LICE_IBitmap* bm = new LICE_MemBitmap(20, 20);
               LICE_FillRect(bm, 0, 0, 5, 5, LICE_RGBA(255, 0, 0, 255), 1.0f, kAlphaCopy);
               return bm;
             });
  IBitmap top = g.LoadIBitmap(kIdMask + 2, "img/top.png");
  clearCanvas(g);
  EXPECT_TRUE(g.DrawRotatedMask(&base, &mask, &top, 10, 10, 0.0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(12, 12), LICE_RGBA(255, 0, 0, 255)));
  EXPECT_TRUE(near(g.Canvas()->getPixel(13, 20), LICE_RGBA(0, 200, 0, 255)));
  clearCanvas(g);
  EXPECT_TRUE(g.DrawRotatedMask(&base, &mask, &top, 10, 10, 180.0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(27, 27), LICE_RGBA(255, 0, 0, 255)));
  EXPECT_TRUE(near(g.Canvas()->getPixel(12, 12), kGrey, 0));
  clearCanvas(g);
  g.SetDrawArea(IRECT(0, 0, 12, 100));
  g.DrawRotatedMask(&base, &mask, nullptr, 10, 10, 0.0);
  EXPECT_TRUE(near(g.Canvas()->getPixel(11, 20), LICE_RGBA(0, 200, 0, 255)));
  EXPECT_TRUE(near(g.Canvas()->getPixel(13, 20), kGrey, 0)) << "clipped to the area";
}

TEST(DrawLineAndFill, TruncateCoordinatesLinesIgnoreTheDrawingAreaFillsKeepToIt)
{
  ImageGraphics g(40, 40);
  clearCanvas(g);
  g.SetDrawArea(IRECT(0, 0, 1, 1));
  const IColor white(255, 255, 255, 255);
  EXPECT_TRUE(g.DrawLine(&white, 2.9f, 5.7f, 8.2f, 5.1f, nullptr, false));
  EXPECT_TRUE(near(g.Canvas()->getPixel(2, 5), LICE_RGBA(255, 255, 255, 255), 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(8, 5), LICE_RGBA(255, 255, 255, 255), 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(9, 5), kGrey, 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(5, 6), kGrey, 0));

  // A fill outside the area being drawn again draws nothing; one across its edge stops there.
  IRECT r(10, 10, 20, 15);
  const IColor red(255, 255, 0, 0);
  EXPECT_TRUE(g.FillIRect(&red, &r, nullptr));
  EXPECT_TRUE(near(g.Canvas()->getPixel(15, 12), kGrey, 0));
  g.SetDrawArea(IRECT(0, 0, 15, 40));
  EXPECT_TRUE(g.FillIRect(&red, &r, nullptr));
  EXPECT_TRUE(near(g.Canvas()->getPixel(14, 12), LICE_RGBA(255, 0, 0, 255), 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(15, 12), kGrey, 0));
  g.SetDrawArea(IRECT(0, 0, 40, 40));
  EXPECT_TRUE(g.FillIRect(&red, &r, nullptr));
  EXPECT_TRUE(near(g.Canvas()->getPixel(19, 14), LICE_RGBA(255, 0, 0, 255), 0));
  EXPECT_TRUE(near(g.Canvas()->getPixel(20, 14), kGrey, 0));
  EXPECT_TRUE(g.FillIRect(&COLOR_TRANSPARENT, &r, nullptr));
  EXPECT_TRUE(near(g.Canvas()->getPixel(15, 12), LICE_RGBA(255, 0, 0, 255), 0))
      << "transparent draws nothing";
  const IChannelBlend half(kBlendClobber, 0.5f);
  const IColor blue(0, 0, 0, 200); // alpha ignored by the plain copy
  g.FillIRect(&blue, &r, &half);
  EXPECT_TRUE(near(g.Canvas()->getPixel(15, 12), LICE_RGBA(128, 0, 100, 255)));
}

TEST(DrawIText, EmptyTextDoesNothingAndMeasuringPlacesTheExtent)
{
  ImageGraphics g;
  IText text(12, &COLOR_BLACK, "Consolas");
  IRECT r(10, 0, 110, 20);
  const int fonts = FontStorage::Instance().Count();
  char empty[] = "";
  EXPECT_TRUE(g.DrawIText(&text, empty, &r));
  EXPECT_TRUE(g.DrawIText(&text, nullptr, &r, true));
  EXPECT_EQ(text.mCached, nullptr);
  EXPECT_EQ(FontStorage::Instance().Count(), fonts) << "the font cache is not touched";
  EXPECT_EQ(r, IRECT(10, 0, 110, 20));

  char str[] = "Cutoff";
  IRECT centred(10, 0, 110, 20);
  ASSERT_TRUE(g.MeasureIText(&text, str, &centred));
  const int width = centred.W();
  const int height = centred.H();
  EXPECT_GT(width, 20);
  EXPECT_LT(width, 100);
  EXPECT_GT(height, 5);
  EXPECT_LE(std::abs(centred.L + centred.R - 120), 1) << "centred on x = 60";
  EXPECT_EQ(centred.T, 0);

  text.mAlign = IText::kAlignNear;
  IRECT left(10, 5, 110, 20);
  g.MeasureIText(&text, str, &left);
  EXPECT_EQ(left, IRECT(10, 5, 10 + width, 5 + height)) << "right = left + width";

  text.mAlign = IText::kAlignFar;
  IRECT right(10, 5, 110, 20);
  g.MeasureIText(&text, str, &right);
  EXPECT_EQ(right, IRECT(110 - width, 5, 110, 5 + height));

  // The colour's alpha counts when it is not opaque: a transparent text leaves no ink.
  g.SetDrawArea(IRECT(0, 0, g.Width(), g.Height()));
  clearCanvas(g);
  IText invisible(12, &COLOR_TRANSPARENT, "Consolas");
  IRECT place(0, 0, g.Width(), g.Height());
  EXPECT_TRUE(g.DrawIText(&invisible, str, &place));
  int first = 0, last = 0;
  drawtest::inkSpan(g.Canvas(), 0, g.Height(), kGrey, &first, &last);
  EXPECT_EQ(first, -1);
  EXPECT_TRUE(g.DrawIText(&text, str, &place));
  drawtest::inkSpan(g.Canvas(), 0, g.Height(), kGrey, &first, &last);
  EXPECT_GE(first, 0) << "the opaque style draws";
}

TEST(CacheFont, SharesFontsThatDifferOnlyInQualityAndCorrectsTheHeight)
{
  ImageGraphics g;
  IText a(13, &COLOR_BLACK, "Consolas", IText::kStyleNormal, IText::kAlignCenter, 0,
          IText::kQualityClearType);
  IText b(13, &COLOR_BLACK, "Consolas", IText::kStyleNormal, IText::kAlignCenter, 0,
          IText::kQualityNonAntiAliased);
  IText bold(13, &COLOR_BLACK, "Consolas", IText::kStyleBold);
  IText otherFace(13, &COLOR_BLACK, "consolas");
  LICE_IFont* fa = g.CacheFont(&a);
  ASSERT_NE(fa, nullptr);
  EXPECT_EQ(a.mCached, fa);
  EXPECT_EQ(g.CacheFont(&b), fa);
  EXPECT_EQ(b.mCached, fa);
  EXPECT_NE(g.CacheFont(&bold), fa);
  EXPECT_NE(g.CacheFont(&otherFace), fa) << "face names compare case-sensitively";
  EXPECT_LE(std::abs(fa->GetLineHeight() - 13), 1) << "line height corrected toward the size";

  IText tiny(0, &COLOR_BLACK, "Consolas");
  LICE_IFont* ft = g.CacheFont(&tiny);
  ASSERT_NE(ft, nullptr);
  EXPECT_GE(ft->GetLineHeight(), 1);
}
