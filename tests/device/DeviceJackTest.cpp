// End to end over real ports: the plug-in requests a part's sound from the simulator on a JACK server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "RtMidiBackend.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"

using DeviceTestSupport::Bytes;
using namespace std::chrono_literals;

namespace
{
// JACK even on a machine with an ALSA sequencer, so the simulator's client is what the plug-in sees.
std::unique_ptr<IMidiPorts::Backend> jackOnly()
{
  return std::make_unique<RtMidiBackend>("/nonexistent/snd/seq");
}

bool waitIdle(MIDIMessageManager* manager, std::chrono::seconds timeout)
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (manager->isRunning(MIDIMessageManager::Thread::SysexJob))
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}
} // namespace

TEST(DeviceJackTest, PartSoundRequestedFromTheSimulatorLandsInTheEditor)
{
  TempDataHome dataHome;
  std::string error;
  MidiJackServer* server = MidiJackEnvironment::server(&error);
  ASSERT_TRUE(server) << "JACK server did not start: " << error;
  MidiJackSynth client;
  ASSERT_TRUE(client.open(server->name(), "korvid-blofeld-sim", error)) << error;

  BlofeldSimulator simulator(0);
  const int part = 5;
  const Bytes sound = DeviceTestSupport::madeSound(77);
  simulator.setEditBuffer(part, sound);
  {
    BlofeldSimulatorJack link(simulator, client);
    IMidiPorts::SetBackendFactory(&jackOnly);
    PatchManager patchManager(nullptr);
    std::unique_ptr<Korvid> plug = DeviceTestSupport::makePlug();
    plug->initDeviceCommunication(&patchManager, nullptr);
    plug->getExternalMIDIOutNames();
    plug->getExternalMIDIInNames();
    int outIdx = 1;
    int inIdx = 1;
    ASSERT_GT(plug->setExternalMIDIOut(outIdx, client.inPortName().c_str()), 0);
    ASSERT_GT(plug->setExternalMIDIIn(inIdx, client.outPortName().c_str()), 0);
    plug->mOutputPresent = true;
    plug->GetParam(kLibSyncTimer)->Set(7);

    MIDIMessageManager* manager = plug->mMIDIMessageManager;
    JobArguments args;
    args.jobCode = MIDIMessageSender::kJobRequestPart;
    args.part = part;
    args.toEditor = true;
    ASSERT_TRUE(manager->post(args));
    ASSERT_TRUE(waitIdle(manager, 60s));
    EXPECT_EQ(MIDIMessageSender::kTextCompleted, plug->getStatusText());
    EXPECT_FALSE(manager->sender->failed.load());

    Bytes built(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(part, built.data());
    for (int b = 8; b <= SoundDumpLayout::kCategoryOffset; ++b)
    {
      if (!SoundDumpLayout::isFixedByte(b))
      {
        ASSERT_EQ(sound[static_cast<size_t>(b)], built[static_cast<size_t>(b)]) << "byte " << b;
      }
    }
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
  }
  client.close();
}
