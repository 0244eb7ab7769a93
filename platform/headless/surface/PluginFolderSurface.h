// Surfaces that read their resources from a plug-in folder, for tests and benchmarks.
#pragma once

#include "HeadlessSurface.h"
#include "LicePng.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

// Any surface (the off-screen one, or a window layer in window tests) reading its resources by their path
// below a plug-in folder ("resources/img/x.png"), as the Linux view reads them beside the loaded plug-in.
// Base needs a static kLoadFileBufferSize.
template <class Base> class PluginFolderResources : public Base
{
public:
  // folder: the plug-in folder; args go to Base's constructor.
  template <class... Args>
  explicit PluginFolderResources(std::string folder, Args&&... args)
      : Base(std::forward<Args>(args)...), mFolder(std::move(folder))
  {
  }

  char* OSLoadFile(int, const char* name) override
  {
    std::ifstream in(path(name), std::ios::binary);
    if (!in)
    {
      return nullptr;
    }
    char* buffer = new char[Base::kLoadFileBufferSize]();
    in.read(buffer, Base::kLoadFileBufferSize);
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

// The off-screen surface reading resources from a plug-in folder.
class PluginFolderSurface : public PluginFolderResources<HeadlessSurface>
{
public:
  PluginFolderSurface(IPlugBase* plug, int w, int h, std::string folder)
      : PluginFolderResources<HeadlessSurface>(std::move(folder), plug, w, h, 0, "")
  {
  }
};
