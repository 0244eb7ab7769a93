// Tests of the skin image cache: both skins' tables, lookup by name at two scales, missing names, clearing.
#include "ActionsTestSupport.h"
#include "HeadlessSurface.h"
#include "UIConfigManager.h"
#include "lice.h"

#include <gtest/gtest.h>

#include <memory>

using namespace actionstest;

namespace
{
constexpr unsigned kRed = 0xFF0000;
constexpr unsigned kBlue = 0x0000FF;
constexpr unsigned kGreen = 0x00FF00;
constexpr unsigned kWhite = 0xFFFFFF;

LICE_pixel opaque(unsigned rgb)
{
  return LICE_RGBA((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
}

// A few skin images written into a resource folder, and managers that load them at a style and scale.
struct SkinImages : ::testing::Test
{
  SkinImages()
  {
    EXPECT_TRUE(writeFramesPng(dir.path / "main-bg-white.png", 10, 8, 1, true, {kRed}));
    EXPECT_TRUE(writeFramesPng(dir.path / "main-bg-black.png", 10, 8, 1, true, {kBlue}));
    EXPECT_TRUE(writeFramesPng(dir.path / "main-part-selector.png", 20, 10, 2, true, {kGreen, kWhite}));
    EXPECT_TRUE(writeFramesPng(dir.path / "knob-korvid-normal-5.png", 8, 40, 5, false, {kRed, kGreen}));
    EXPECT_TRUE(writeFramesPng(dir.path / "btn-lock-white.png", 6, 12, 2, false, {kWhite, kRed}));
    touchFile(log);
  }
  ~SkinImages() override
  {
    // The bitmap cache is process-wide: leave nothing of this folder's images in it.
    for (auto& manager : managers)
      manager->ClearImageCache(false);
  }

  UIConfigManager& load(int style, double scale)
  {
    surfaces.push_back(std::make_unique<HeadlessSurface>(nullptr, 100, 100, 0, dir.path.string()));
    managers.push_back(std::make_unique<UIConfigManager>());
    UIConfigManager& manager = *managers.back();
    manager.setDebugOutput(true, log.string());
    manager.setResourceDirectory(dir.path.string());
    manager.readUIConfig(surfaces.back().get(), nullptr, nullptr, style, scale);
    return manager;
  }
  HeadlessSurface& surface() { return *surfaces.back(); }

  TempDir dir;
  std::filesystem::path log = dir.path / "log.txt";
  std::vector<std::unique_ptr<HeadlessSurface>> surfaces;
  std::vector<std::unique_ptr<UIConfigManager>> managers;
};

void expectEmpty(const IBitmap& bitmap)
{
  EXPECT_EQ(nullptr, bitmap.pixels);
  EXPECT_EQ(0, bitmap.width);
  EXPECT_EQ(0, bitmap.height);
  EXPECT_EQ(1, bitmap.frameCount);
  EXPECT_FALSE(bitmap.framesHorizontal);
}
} // namespace

TEST_F(SkinImages, EachSkinFindsItsOwnBackground)
{
  UIConfigManager& light = load(0, 1.0);
  IBitmap white = light.getImageByName(&surface(), "MAIN_BG_ID");
  ASSERT_NE(nullptr, white.pixels);
  EXPECT_EQ(500, light.imageCache.at("MAIN_BG_ID").resourceId);
  EXPECT_EQ(10, white.width);
  EXPECT_EQ(8, white.height);
  EXPECT_EQ(opaque(kRed), white.pixels->getPixel(5, 4));

  UIConfigManager& dark = load(1, 1.0);
  IBitmap black = dark.getImageByName(&surface(), "MAIN_BG_ID");
  ASSERT_NE(nullptr, black.pixels);
  EXPECT_EQ(700, dark.imageCache.at("MAIN_BG_ID").resourceId);
  EXPECT_EQ(opaque(kBlue), black.pixels->getPixel(5, 4));
  EXPECT_EQ(129, dark.imageCache.at("BUTTON_LOCK_ID").resourceId);

  // 71 common entries name 69 images; each skin adds 36.
  EXPECT_EQ(69u + 36u, light.imageCache.size());
  EXPECT_EQ(69u + 36u, dark.imageCache.size());
}

TEST_F(SkinImages, LookupByNameGivesTheBitmapAtTheManagersScale)
{
  UIConfigManager& normal = load(0, 1.0);
  HeadlessSurface& normalSurface = surface();
  UIConfigManager& large = load(0, 1.15);
  HeadlessSurface& largeSurface = surface();

  const IBitmap knob = normal.getImageByName(&normalSurface, "IKNOBROTATERCONTROL_ID5");
  EXPECT_EQ(8, knob.width);
  EXPECT_EQ(40, knob.height);
  EXPECT_EQ(5, knob.frameCount);
  EXPECT_FALSE(knob.framesHorizontal);

  const IBitmap largeKnob = large.getImageByName(&largeSurface, "IKNOBROTATERCONTROL_ID5");
  EXPECT_EQ(9, largeKnob.width);   // trunc(8 x 1.15)
  EXPECT_EQ(46, largeKnob.height); // trunc(40 x 1.15)
  EXPECT_EQ(5, largeKnob.frameCount);
  ASSERT_NE(nullptr, largeKnob.pixels);
  EXPECT_EQ(opaque(kRed), largeKnob.pixels->getPixel(4, 2));
  EXPECT_EQ(opaque(kGreen), largeKnob.pixels->getPixel(4, 12));

  // The other surface still gets its own size.
  EXPECT_EQ(8, normal.getImageByName(&normalSurface, "IKNOBROTATERCONTROL_ID5").width);
}

TEST_F(SkinImages, FrameCountAndLayoutComeFromTheTable)
{
  UIConfigManager& manager = load(0, 1.0);
  const IBitmap sidebar = manager.getImageByName(&surface(), "BUTTON_TAB_SIDEBAR_ID");
  EXPECT_EQ(2, sidebar.frameCount);
  EXPECT_TRUE(sidebar.framesHorizontal);
  ASSERT_NE(nullptr, sidebar.pixels);
  EXPECT_EQ(opaque(kWhite), sidebar.pixels->getPixel(15, 5));

  EXPECT_FALSE(manager.imageCache.at("SLIDER_PYSTY").framesHorizontal);
  EXPECT_EQ(1, manager.imageCache.at("SLIDER_VAAKA").frameCount);
  EXPECT_TRUE(manager.imageCache.at("BG_ABOUT_ID").framesHorizontal);
  EXPECT_EQ(128, manager.imageCache.at("IKNOBROTATERCONTROL_ID3").frameCount);

  // Two names on one resource id share one bitmap.
  const IBitmap lock = manager.getImageByName(&surface(), "BUTTON_LOCK_ID");
  ASSERT_NE(nullptr, lock.pixels);
  EXPECT_EQ(lock.pixels, manager.getImageByName(&surface(), "BUTTON_LOCK_WHITE_ID").pixels);
}

TEST_F(SkinImages, NamesNeverPreloadedGiveTheEmptyBitmap)
{
  UIConfigManager& manager = load(0, 1.0);
  expectEmpty(manager.getImageByName(&surface(), "NO_SUCH_IMAGE"));
  expectEmpty(manager.getImageByName(&surface(), ""));
  expectEmpty(manager.getImageByName(nullptr, "MAIN_BG_ID"));
  // A preloaded name whose file is absent has no pixels either.
  const IBitmap absent = manager.getImageByName(&surface(), "MANAGER_BG_ID2");
  EXPECT_EQ(nullptr, absent.pixels);
  EXPECT_EQ(0, absent.width);

  UIConfigManager& other = load(5, 1.0);
  expectEmpty(other.getImageByName(&surface(), "MAIN_BG_ID"));
  EXPECT_EQ(69u, other.imageCache.size());

  const std::string text = readFile(log);
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: Image NO_SUCH_IMAGE MISSING!\n"));
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: Started to read image resources...\n"));
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: Completed!\n"));
}

TEST_F(SkinImages, ClearingDropsTheBitmapsAndReloadingBringsThemBack)
{
  UIConfigManager& manager = load(1, 1.0);
  ASSERT_NE(nullptr, manager.getImageByName(&surface(), "MAIN_BG_ID").pixels);

  manager.ClearImageCache(false);
  EXPECT_TRUE(manager.imageCache.empty());
  expectEmpty(manager.getImageByName(&surface(), "MAIN_BG_ID"));
  EXPECT_EQ(nullptr, surface().getImageById(700).pixels);

  manager.ClearImageCache(true);
  const IBitmap reloaded = manager.getImageByName(&surface(), "MAIN_BG_ID");
  ASSERT_NE(nullptr, reloaded.pixels);
  EXPECT_EQ(opaque(kBlue), reloaded.pixels->getPixel(1, 1));
}

TEST(SkinImagesWithoutSurface, NothingIsLoadedOrRecorded)
{
  TempDir dir;
  UIConfigManager manager;
  manager.setResourceDirectory(dir.path.string());
  manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);
  EXPECT_TRUE(manager.imageCache.empty());
  expectEmpty(manager.getImageByName(nullptr, "MAIN_BG_ID"));
}
