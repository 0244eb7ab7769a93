// The first instance of a process with the real resources: start-up decodes no skin image, opening the editor
// decodes them all, a first picture drawn without opening decodes what it shows and equals the picture drawn
// from decoded images, and a missing image is still reported at start-up. Each test runs in a process of its
// own (a fresh bitmap cache).
#include "KorvidTestSupport.h"

#include "IGraphics.h"
#include "UIConfigManager.h"
#include "lice.h"

#include <string>
#include <vector>

using namespace korvidtest;

namespace
{
class KorvidColdStart : public StartupFixture
{
protected:
  KorvidColdStart() { useResources(pluginFolder()); }

  // The editor's whole picture after its first drawing pass.
  static std::vector<LICE_pixel> firstPicture(Korvid& plug)
  {
    auto* surface = dynamic_cast<HeadlessSurface*>(plug.getSurface());
    std::vector<LICE_pixel> pixels;
    if (!surface || !surface->Tick())
      return pixels;
    const LICE_IBitmap* drawn = surface->GetDrawBitmap();
    for (int y = 0; y < drawn->getHeight(); ++y)
      for (int x = 0; x < drawn->getWidth(); ++x)
        pixels.push_back(drawn->getPixel(x, y));
    return pixels;
  }

  static LICE_IBitmap* pixelsOf(Korvid& plug, const std::string& name)
  {
    return plug.getUIConfigManager()->getImageByName(plug.getSurface(), name).pixels;
  }
};
} // namespace

TEST_F(KorvidColdStart, StartUpDecodesNoImageAndTheFirstPictureIsTheWholePicture)
{
  auto plug = construct();
  ASSERT_TRUE(plug->getUIConfigManager()->resourcesOk());
  const auto& images = plug->getUIConfigManager()->imageCache;
  ASSERT_GT(images.size(), 100u);
  for (const auto& entry : images)
  {
    LICE_IBitmap* pixels = pixelsOf(*plug, entry.first);
    ASSERT_NE(pixels, nullptr) << entry.first;
    EXPECT_GT(pixels->getWidth(), 0) << entry.first << ": its size is known at start-up";
    EXPECT_TRUE(pixels->isDeferred()) << entry.first << " was decoded during start-up";
  }

  const std::vector<LICE_pixel> lazy = firstPicture(*plug);
  ASSERT_FALSE(lazy.empty());
  EXPECT_FALSE(pixelsOf(*plug, "MAIN_BG_ID")->isDeferred()) << "shown on the first page";
  EXPECT_TRUE(pixelsOf(*plug, "BG_ABOUT_ID")->isDeferred()) << "the about window is hidden";

  // Every image decoded beforehand, a second instance's first picture is the same.
  for (const auto& entry : images)
    pixelsOf(*plug, entry.first)->getPixel(0, 0);
  plug.reset();
  auto second = construct();
  EXPECT_TRUE(firstPicture(*second) == lazy);
}

TEST_F(KorvidColdStart, OpeningTheEditorDecodesEveryImageOfItsSkinFirst)
{
  auto plug = construct();
  ASSERT_NE(plug->getSurface()->OpenWindow(nullptr), nullptr);
  for (const auto& entry : plug->getUIConfigManager()->imageCache)
    EXPECT_FALSE(pixelsOf(*plug, entry.first)->isDeferred()) << entry.first;
  // The other skin's images were never loaded by this editor and stay as they are.
  EXPECT_EQ(plug->getUIConfigManager()->getImageByName(plug->getSurface(), "NO_SUCH_IMAGE").pixels, nullptr);
}

TEST_F(KorvidColdStart, AMissingImageIsStillReportedAtStartUp)
{
  const std::string folder = home.root() + "/plugin";
  fs::copy(pluginFolder(), folder, fs::copy_options::recursive);
  fs::remove(folder + "/resources/img/main-bg-frame.png");
  useResources(folder);
  home.writeFile("Korvid Editor LOG.txt", "");
  auto plug = construct();
  const std::string log = home.readFile("Korvid Editor LOG.txt");
  EXPECT_NE(log.find("STARTUP: image resources/img/main-bg-frame.png NOT FOUND!"), std::string::npos);
  EXPECT_EQ(plug->getUIConfigManager()->getImageByName(plug->getSurface(), "MAIN_BG_FRAME_ID").pixels,
            nullptr);
  EXPECT_NE(plug->getUIConfigManager()->getImageByName(plug->getSurface(), "MAIN_BG_ID").pixels, nullptr);
}
