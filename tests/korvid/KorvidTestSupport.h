// Helpers of the plug-in start-up tests: a surface reading the plug-in folder, a temporary data folder and
// library, and a fixture that installs both.
#pragma once

#include "DeviceClock.h"
#include "EditorLock.h"
#include "IControl.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "MadeBanks.h"
#include "MidiFakeSystem.h"
#include "ParamIndex.h"
#include "PluginFolderSurface.h"
#include "SharedData.h"
#include "TempDataHome.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace korvidtest
{
namespace fs = std::filesystem;

// What a fake host answers to the time request (one test at a time uses it), and that host: it answers no
// other request.
inline VstTimeInfo& hostTime()
{
  static VstTimeInfo time{};
  return time;
}
inline VstIntPtr timeOnlyHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  constexpr VstInt32 kHostGetTime = 7;
  return opcode == kHostGetTime ? reinterpret_cast<VstIntPtr>(&hostTime()) : 0;
}

inline std::string pluginFolder()
{
  return KORVID_PLUGIN_FOLDER;
}

// What a text control shows, read under the editor lock: taking it first runs the writes that waited while
// another thread (a worker, the MIDI input) held the lock. Never with the plug mutex held.
inline std::string shownText(const ITextControl* text)
{
  EditorLockGuard editor;
  return text ? text->GetTextStr() : "";
}
inline std::string displayLine(Korvid& plug, size_t line)
{
  return shownText(dynamic_cast<ITextControl*>(plug.mDisplayControls.at(line)));
}

// One host block that runs the plug-in's pass. A block that finds the plug mutex held by another thread
// (the follow-up thread, a job) passes through and leaves its work to the next block: a test whose block
// stands for one transport state or one due message waits for that thread instead.
inline void runPass(Korvid& plug, double** inputs, double** outputs, int frames)
{
  WDL_MutexLock lock(plug.GetMutex());
  AEffect* effect = plug.GetAEffect();
  effect->processDoubleReplacing(effect, inputs, outputs, frames);
}

// A data folder with settings, an empty or filled library, and the surface factory for one test.
class StartupFixture : public ::testing::Test
{
protected:
  StartupFixture() : midi(MidiFakeSystem::create()) { MidiFakeSystem::installAsDefault(midi); }

  ~StartupFixture() override
  {
    Korvid::setSurfaceFactory(nullptr);
    MidiFakeSystem::installAsDefault(nullptr);
  }

  // Surfaces read from folder (the built plug-in folder by default).
  void useResources(const std::string& folder)
  {
    Korvid::setSurfaceFactory([folder](IPlugBase* plug, int w, int h) -> IGraphics*
                              { return new PluginFolderSurface(plug, w, h, folder); });
  }

  // Writes the three settings lines.
  void writeSettings(const std::string& text) { home.writeFile("Korvid Editor UI.txt", text); }

  // An empty "Patches" folder, one holding two banks made here, or one holding copies of the real banks
  // (tests calling copySharedBanks start with KORVID_REQUIRE_SHARED_BANKS()).
  std::string patchesFolder() const { return home.folder() + "Patches"; }
  void createLibrary()
  {
    home.createFolder();
    fs::create_directories(patchesFolder());
  }
  void writeMadeBanks()
  {
    createLibrary();
    constexpr int kBankSize = 128;
    for (int bank = 0; bank < 2; ++bank)
    {
      const std::vector<unsigned char> bytes = madeBank(bank * kBankSize, kBankSize);
      std::ofstream out(fs::path(patchesFolder()) /
                            ("Made Bank " + std::string(1, char('A' + bank)) + ".syx"),
                        std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
  void copySharedBanks()
  {
    createLibrary();
    for (const auto& entry : fs::directory_iterator(sharedBanksFolder()))
    {
      const fs::path target = fs::path(patchesFolder()) / entry.path().filename();
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
      fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    }
  }

  // Drops an image from the process-wide bitmap cache, so that the next instance loads it again.
  static void forgetCachedImage(int id, const char* name, double scale)
  {
    HeadlessSurface scratch(nullptr, 1, 1);
    IBitmap cached = scratch.LoadIBitmap(id, name, scale);
    scratch.ReleaseBitmap(&cached);
  }

  std::unique_ptr<Korvid> construct() { return std::make_unique<Korvid>(IPlugInstanceInfo{}); }

  // The pixels of r in the instance's drawing, row by row.
  static std::vector<LICE_pixel> pixels(Korvid& plug, const IRECT& r)
  {
    std::vector<LICE_pixel> out;
    const LICE_IBitmap* bitmap = dynamic_cast<HeadlessSurface*>(plug.getSurface())->GetDrawBitmap();
    for (int y = r.T; y < r.B; ++y)
      for (int x = r.L; x < r.R; ++x)
        out.push_back(bitmap->getPixel(x, y));
    return out;
  }

  // Chooses entry `entry` of the output port list as the user does. With an input port open that starts the
  // device-id probe: it runs on the fixture's virtual clock and has ended when this returns, so later jobs
  // find the worker idle and its texts do not land in the middle of a test.
  void chooseOutputPort(Korvid& plug, int entry)
  {
    if (plug.mMIDIMessageManager)
    {
      plug.mMIDIMessageManager->setClock(&jobClock);
    }
    IParam* out = plug.GetParam(kDeviceOutSelection);
    plug.SetParameterFromGUI(kDeviceOutSelection, out->GetNormalized(entry));
    // Its virtual pauses still yield in real time: a loaded machine may take seconds.
    EXPECT_TRUE(waitUntil([&] { return !plug.ThreadRunning(); }));
  }

  // The time source of the instances' device jobs once a test chooses an output port: outlives them.
  DeviceClock jobClock{DeviceClock::Mode::Virtual};

  // The MIDI system the instances see: no ports unless a test adds some.
  std::shared_ptr<MidiFakeSystem> midi;
  TempDataHome home;
};
} // namespace korvidtest
