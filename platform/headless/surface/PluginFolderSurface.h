// An off-screen surface that reads its resources from a plug-in folder, for tests and benchmarks.
#pragma once

#include "HeadlessSurface.h"
#include "LicePng.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

// Resources read by their path below a plug-in folder ("resources/img/x.png"), as the Linux view reads them
// beside the loaded plug-in, for any surface class: tests and benchmarks run the editor from the built
// plug-in folder.
template <class Surface> class PluginFolderResources : public Surface
{
public:
  // folder: the plug-in folder; args: the surface's own constructor arguments.
  template <class... Args>
  explicit PluginFolderResources(std::string folder, Args&&... args)
      : Surface(std::forward<Args>(args)...), mFolder(std::move(folder))
  {
  }

  char* OSLoadFile(int, const char* name) override
  {
    std::ifstream in(path(name), std::ios::binary);
    if (!in)
    {
      return nullptr;
    }
    char* buffer = new char[Surface::kLoadFileBufferSize]();
    in.read(buffer, Surface::kLoadFileBufferSize);
    this->mLastLoadedFileSize = static_cast<int>(in.gcount());
    return buffer;
  }

  LICE_IBitmap* OSLoadBitmap(int, const char* name) override
  {
    const std::string file = path(name);
    return std::filesystem::exists(file) ? LICE_LoadPNG(file.c_str()) : nullptr;
  }

private:
  std::string path(const char* name) const { return mFolder + "/" + (name ? name : ""); }

  std::string mFolder;
};

// The off-screen surface reading its resources from a plug-in folder.
class PluginFolderSurface : public PluginFolderResources<HeadlessSurface>
{
public:
  PluginFolderSurface(IPlugBase* plug, int w, int h, std::string folder)
      : PluginFolderResources<HeadlessSurface>(std::move(folder), plug, w, h, 0, "")
  {
  }
};
