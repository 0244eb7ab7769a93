// UIConfigManager: the skin image cache, image names mapped onto the drawing surface's bitmap cache.
#include "UIConfigManager.h"

#include "IGraphics.h"

#include <cstddef>

namespace
{
enum class SkinSet
{
  Common,
  Light,
  Dark
};

struct SkinImage
{
  SkinSet set;
  const char* name;
  int resourceId;
  const char* file;
  int frameCount;
  bool framesHorizontal;
};

constexpr SkinImage kSkinImages[] = {
#define KORVID_SKIN_IMAGE(set, name, id, file, frames, horizontal)                                           \
  {SkinSet::set, name, id, file, frames, horizontal},
#include "SkinImages.def"
#undef KORVID_SKIN_IMAGE
};

constexpr std::size_t countOf(SkinSet set)
{
  std::size_t n = 0;
  for (const SkinImage& image : kSkinImages)
    n += image.set == set ? 1 : 0;
  return n;
}

static_assert(countOf(SkinSet::Common) == 71, "the common set holds 71 entries");
static_assert(countOf(SkinSet::Light) == 36 && countOf(SkinSet::Dark) == 36, "each skin holds 36 entries");

constexpr int kLightStyle = 0;
constexpr int kDarkStyle = 1;
const char* const kImageFolder = "resources/img/";
const char* const kImageExtension = ".png";
} // namespace

void UIConfigManager::initImages(IGraphics* graphicsIn)
{
  logDebug("CONFIG READER: Started to read image resources...");
  for (const SkinImage& image : kSkinImages)
  {
    const bool wanted = image.set == SkinSet::Common ||
                        (image.set == SkinSet::Light && uiStyle == kLightStyle) ||
                        (image.set == SkinSet::Dark && uiStyle == kDarkStyle);
    if (!wanted)
      continue;
    const std::string file = std::string(kImageFolder) + image.file + kImageExtension;
    preloadImage(graphicsIn, image.resourceId, image.name, file.c_str(), image.frameCount,
                 image.framesHorizontal);
  }
  logDebug("CONFIG READER: Completed!");
}

void UIConfigManager::preloadImage(IGraphics* graphicsIn, int resourceId, const char* name, const char* file,
                                   int frameCount, bool framesHorizontal)
{
  if (graphicsIn == nullptr || name == nullptr)
    return;
  IBitmap bitmap = graphicsIn->LoadIBitmap(resourceId, file, uiScale, frameCount, framesHorizontal);
  if (releasingImages)
  {
    graphicsIn->ReleaseBitmap(&bitmap);
    return;
  }
  imageCache[name] = ImageInfo{resourceId, frameCount, framesHorizontal};
}

IBitmap UIConfigManager::getImageByName(IGraphics* graphicsIn, std::string name)
{
  const auto found = imageCache.find(name);
  if (found == imageCache.end() || graphicsIn == nullptr)
  {
    logDebug("CONFIG READER: Image " + name + " MISSING!");
    return IBitmap();
  }
  const ImageInfo& info = found->second;
  return graphicsIn->getImageById(info.resourceId, info.frameCount, info.framesHorizontal);
}

void UIConfigManager::ClearImageCache(bool reload)
{
  releasingImages = true;
  imageCache.clear();
  initImages(graphics);
  releasingImages = false;
  if (reload)
    initImages(graphics);
}
