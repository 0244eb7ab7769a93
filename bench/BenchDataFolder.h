// A temporary data folder for the benchmarks that build whole plug-in instances with the project's real
// resources.
#pragma once

#include "Korvid.h"
#include "MidiFakeSystem.h"
#include "PluginFolderSurface.h"
#include "SharedDataPaths.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// A temporary data folder with a library of bankCount copies of the shared init bank.
class BenchDataFolder
{
public:
  explicit BenchDataFolder(int bankCount)
  {
    namespace fs = std::filesystem;
    root = fs::temp_directory_path() /
           ("korvid-bench-" + std::to_string(::getpid()) + "-" + std::to_string(bankCount));
    const fs::path patches = root / "Quillmarsh" / "Korvid Editor" / "Patches";
    fs::create_directories(patches);
    const fs::path bank = korvidtest::sharedBankFile("init-bank.syx");
    for (int i = 0; i < bankCount; ++i)
    {
      const fs::path target = patches / ("bank-" + std::to_string(1000 + i) + ".syx");
      fs::copy_file(bank, target, fs::copy_options::overwrite_existing);
      fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    }
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    MidiFakeSystem::installAsDefault(MidiFakeSystem::create());
    Korvid::setSurfaceFactory(
        [](IPlugBase* plug, int w, int h) -> IGraphics*
        { return new PluginFolderSurface(plug, w, h, std::string(KORVID_BINARY_DIR) + "/Korvid Editor"); });
  }

  ~BenchDataFolder()
  {
    Korvid::setSurfaceFactory(nullptr);
    MidiFakeSystem::installAsDefault(nullptr);
    unsetenv("XDG_DATA_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

private:
  std::filesystem::path root;
};
