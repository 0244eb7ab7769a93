// Teardown: repeated construction and destruction, two instances side by side, and stopping MIDI first.
#include "KorvidTestSupport.h"

#include "IGraphics.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"

#include <atomic>
#include <thread>

using namespace korvidtest;

namespace
{
class KorvidTeardown : public StartupFixture
{
protected:
  KorvidTeardown() { useResources(pluginFolder()); }
};

TEST_F(KorvidTeardown, RepeatedInstancesBuildAndReleaseEverything)
{
  writeMadeBanks();
  for (int round = 0; round < 3; ++round)
  {
    auto plug = construct();
    ASSERT_NE(plug->getSurface(), nullptr);
    EXPECT_TRUE(plug->getMissingElements().empty());
    if (round == 1)
    {
      // An opened and closed editor releases the same objects.
      plug->getSurface()->OpenWindow(nullptr);
      plug->getSurface()->CloseWindow();
    }
  }
}

TEST_F(KorvidTeardown, ClosingOneInstanceLeavesTheOtherWhole)
{
  home.writeFile("Korvid Editor LOG.txt", "");
  auto first = construct();
  auto second = construct();
  const size_t layers = second->getSurface()->NLayers();
  first.reset();
  ASSERT_NE(second->getSurface(), nullptr);
  EXPECT_EQ(static_cast<size_t>(second->getSurface()->NLayers()), layers);
  EXPECT_NE(second->mMIDIMessageManager, nullptr);
  second->log("second instance still writes");
  EXPECT_NE(home.readFile("Korvid Editor LOG.txt").find("second instance still writes"), std::string::npos);
}

TEST_F(KorvidTeardown, MidiInputArrivingDuringTeardownTouchesNothingFreed)
{
  midi->setInputPorts({"Blofeld In"});
  auto plug = construct();
  IParam* in = plug->GetParam(kDeviceInSelection);
  plug->SetParameterFromGUI(kDeviceInSelection, in->GetNormalized(1.0));
  ASSERT_EQ(midi->openInputs().size(), 1u);
  // The port library's input thread keeps delivering controllers and sysex while the instance is closed.
  std::atomic<bool> stop{false};
  std::atomic<int> delivered{0};
  std::atomic<int> rounds{0};
  std::thread input(
      [&]
      {
        // A controller and a sound parameter change: both move controls of the editor.
        const MidiFakeSystem::Bytes controller = {0xB0, 0x4A, 0x40};
        const MidiFakeSystem::Bytes sysex = {0xF0, 0x3E, 0x13, 0x00, 0x20, 0x00, 0x00, 0x11, 0x40, 0xF7};
        while (!stop)
        {
          delivered += midi->inject("Blofeld In", controller);
          midi->inject("Blofeld In", sysex);
          ++rounds;
        }
      });
  while (delivered == 0)
  {
    std::this_thread::yield();
  }
  plug.reset();
  EXPECT_TRUE(midi->openInputs().empty());
  // The round under way when the port closed may still count a delivery; the one after it starts later.
  const int roundAtClose = rounds;
  EXPECT_TRUE(waitUntil([&] { return rounds >= roundAtClose + 2; }));
  const int before = delivered;
  // Many more rounds find the port closed.
  const int roundsBefore = rounds;
  EXPECT_TRUE(waitUntil([&] { return rounds >= roundsBefore + 100; }));
  stop = true;
  input.join();
  // Nothing reaches the closed instance.
  EXPECT_EQ(delivered, before);
}

TEST_F(KorvidTeardown, TeardownStopsTheDeviceLinkBeforeFreeing)
{
  auto plug = construct();
  ASSERT_NE(plug->mMIDIMessageManager, nullptr);
  plug->stopDeviceCommunication();
  EXPECT_EQ(plug->mMIDIMessageManager, nullptr);
  // Stopping again in the destructor is harmless.
  plug.reset();
}
} // namespace
