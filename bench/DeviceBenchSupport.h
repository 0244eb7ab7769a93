// What the device benchmarks share: a plug-in with its device communication, in a temporary data folder.
#pragma once

#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "PatchManager.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace devicebench
{
// The plug-in prepares a data folder: keep it out of the user's home.
inline void useTemporaryDataHome()
{
  static const std::string home = []
  {
    char pattern[] = "/tmp/korvid-device-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  setenv("XDG_DATA_HOME", home.c_str(), 1);
}

// A plug-in whose parameters run 0..127, with its device communication built.
struct DevicePlug
{
  DevicePlug() : plug((useTemporaryDataHome(), std::make_unique<Korvid>(IPlugInstanceInfo{})))
  {
    for (int i = 0; i < plug->NParams(); ++i)
      plug->GetParam(i)->InitEnum("", 0, 128);
    plug->initDeviceCommunication(&patchManager, nullptr);
  }
  PatchManager patchManager{nullptr};
  std::unique_ptr<Korvid> plug;
};
} // namespace devicebench
