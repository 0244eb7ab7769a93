// A plug-in without host wired through both MIDI ports to a simulated synthesizer, its device jobs on a clock
// the test picks: the common ground of the device job tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "BlofeldSimulator.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"

class PatchLibrarian;

class SimulatedDeviceFixture : public ::testing::Test
{
protected:
  using Bytes = DeviceTestSupport::Bytes;

  // Builds the simulator answering to deviceId and the plug-in with its ports open on it; the jobs run on a
  // clock of that mode. librarian may be null. Each test calls it first.
  void start(DeviceClock::Mode mode, double scale = 1.0, int deviceId = 0,
             PatchLibrarian* librarian = nullptr)
  {
    clock = std::make_unique<DeviceClock>(mode, scale);
    simulator = std::make_unique<BlofeldSimulator>(deviceId, clock.get());
    current() = simulator.get();
    IMidiPorts::SetBackendFactory(&simulatorBackend);
    plug = DeviceTestSupport::makePlug();
    plug->initDeviceCommunication(&patchManager, librarian);
    manager = plug->mMIDIMessageManager;
    manager->setClock(clock.get());
    plug->getExternalMIDIOutNames();
    plug->getExternalMIDIInNames();
    int out = 1;
    int in = 1;
    ASSERT_GT(plug->setExternalMIDIOut(out, BlofeldSimulator::kPortName), 0);
    ASSERT_GT(plug->setExternalMIDIIn(in, BlofeldSimulator::kPortName), 0);
    plug->mOutputPresent = true;
  }

  // The plug-in goes first, while everything it points at still exists.
  void TearDown() override
  {
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
    simulator.reset();
    current() = nullptr;
  }

  // Waits until the device worker is idle; false after timeout.
  bool waitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(60))
  {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (manager->isRunning(MIDIMessageManager::Thread::SysexJob))
    {
      if (std::chrono::steady_clock::now() > end)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  // The parameter bytes of a part's sound equal those of sound.
  void expectPartHolds(int part, const Bytes& sound)
  {
    Bytes d(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(part, d.data());
    for (int b = SoundDumpLayout::kFirstParameterByte; b <= SoundDumpLayout::kCategoryOffset; ++b)
    {
      if (!SoundDumpLayout::isFixedByte(b))
      {
        ASSERT_EQ(sound[static_cast<size_t>(b)], d[static_cast<size_t>(b)])
            << "part " << part << " byte " << b;
      }
    }
  }

  TempDataHome dataHome;
  PatchManager patchManager{nullptr};
  std::unique_ptr<DeviceClock> clock;
  std::unique_ptr<BlofeldSimulator> simulator;
  std::unique_ptr<Korvid> plug;
  MIDIMessageManager* manager = nullptr;

private:
  // The simulator the ports of the next plug-in reach (the backend factory takes no argument).
  static BlofeldSimulator*& current()
  {
    static BlofeldSimulator* simulatorInUse = nullptr;
    return simulatorInUse;
  }
  static std::unique_ptr<IMidiPorts::Backend> simulatorBackend() { return current()->makeBackend(); }
};
