// End to end over real ports: the plug-in requests a part's sound from the simulator on a JACK server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "DeviceClock.h"
#include "DeviceJackSupport.h"
#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"

using DeviceTestSupport::Bytes;
using namespace std::chrono_literals;
using DeviceJackSupport::jackOnly;
using DeviceJackSupport::waitIdle;

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
    ASSERT_TRUE(DeviceJackSupport::connectTo(*plug, client));
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
