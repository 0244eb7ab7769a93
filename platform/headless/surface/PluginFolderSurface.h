// An off-screen surface that reads its resources from a plug-in folder, for tests and benchmarks.
#pragma once

#include "HeadlessSurface.h"
#include "LicePng.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

// The off-screen surface reading resources by their path below a plug-in folder ("resources/img/x.png"), as
// the Linux view reads them beside the loaded plug-in.
class PluginFolderSurface : public HeadlessSurface
{
public:
  PluginFolderSurface(IPlugBase* plug, int w, int h, std::string folder)
      : HeadlessSurface(plug, w, h, 0, ""), mFolder(std::move(folder))
  {
  }

  char* OSLoadFile(int, const char* name) override
  {
    std::ifstream in(path(name), std::ios::binary);
    if (!in)
    {
      return nullptr;
    }
    char* buffer = new char[kLoadFileBufferSize]();
    in.read(buffer, kLoadFileBufferSize);
    mLastLoadedFileSize = static_cast<int>(in.gcount());
    return buffer;
  }

  LICE_IBitmap* OSLoadBitmap(int, const char* name) override
  {
    const std::string file = path(name);
    return std::filesystem::exists(file) ? LICE_LoadPNGDeferred(file.c_str()) : nullptr;
  }

private:
  std::string path(const char* name) const { return mFolder + "/" + (name ? name : ""); }

  std::string mFolder;
};
