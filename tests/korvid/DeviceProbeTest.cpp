// The device-id probe needs an input: chosen through the port menus of the editor built from the project's
// resources, as a new user does (MIDI OUT first), against fake ports that never answer.
#include "KorvidTestSupport.h"

#include "IControl.h"
#include "MIDIMessageSender.h"
#include "SysexProtocol.h"

using namespace korvidtest;

namespace
{
// A probe that gets no answer asks with the device id and then scans all 128 ids.
constexpr int kRequestsPerProbe = 1 + 128;

class DeviceProbe : public StartupFixture
{
protected:
  DeviceProbe()
  {
    useResources(pluginFolder());
    midi->setOutputPorts({"Blofeld Out"});
    midi->setInputPorts({"Blofeld In"});
    plug = construct();
    surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
    plug->mMIDIMessageManager->setClock(&jobClock);
  }

  // The user opens the port menu of the control and picks entry.
  void choose(IControl* selector, int entry)
  {
    surface->QueueMenuChoice(entry);
    selector->PromptUserInput();
    // The probe runs on the virtual clock, whose pauses still yield: a loaded machine may take seconds.
    ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
  }

  // How many probes ran: global data requests (F0 3E 13 id 04 F7) sent, by the requests of one probe.
  int probes() const
  {
    int count = 0;
    for (const auto& message : midi->received("Blofeld Out"))
      count += message.size() == 6 && message[4] == SysexProtocol::kGlobalRequest ? 1 : 0;
    EXPECT_EQ(count % kRequestsPerProbe, 0);
    return count / kRequestsPerProbe;
  }

  std::unique_ptr<Korvid> plug;
  HeadlessSurface* surface = nullptr;
};

TEST_F(DeviceProbe, WaitsForTheInputAndRunsAgainWhenTheSameOutputIsChosen)
{
  ASSERT_NE(surface, nullptr);
  ASSERT_NE(plug->mMidiOutSelector, nullptr);
  ASSERT_NE(plug->mMidiInSelector, nullptr);

  // Output first: nothing is sent, and the message line says what is missing.
  choose(plug->mMidiOutSelector, 1);
  EXPECT_TRUE(plug->mOutputPresent);
  EXPECT_EQ(probes(), 0);
  EXPECT_EQ(plug->getStatusText(), "Choose MIDI IN to connect to blofeld");
  EXPECT_FALSE(plug->mIgnoreIncoming);

  // The input's choice starts the probe; the fake synthesizer never answers.
  choose(plug->mMidiInSelector, 1);
  EXPECT_EQ(probes(), 1);
  EXPECT_EQ(plug->getStatusText(), MIDIMessageSender::kTextNoResponse);

  // Another input does not probe again; the same output, or the input after "OFF", chosen again does.
  choose(plug->mMidiInSelector, 1);
  EXPECT_EQ(probes(), 1);
  choose(plug->mMidiOutSelector, 1);
  EXPECT_EQ(probes(), 2);
  choose(plug->mMidiInSelector, 0);
  choose(plug->mMidiInSelector, 1);
  EXPECT_EQ(probes(), 3);
  EXPECT_EQ(plug->getStatusText(), MIDIMessageSender::kTextNoResponse);
  // "OFF" chosen again probes nothing.
  choose(plug->mMidiOutSelector, 0);
  choose(plug->mMidiOutSelector, 0);
  EXPECT_FALSE(plug->mOutputPresent);
  EXPECT_EQ(probes(), 3);
}

TEST_F(DeviceProbe, WithTheInputChosenFirstTheOutputStartsIt)
{
  choose(plug->mMidiInSelector, 1);
  EXPECT_EQ(probes(), 0);
  EXPECT_EQ(plug->getStatusText(), "Choose MIDI OUT to connect to blofeld");
  choose(plug->mMidiOutSelector, 1);
  EXPECT_EQ(probes(), 1);
  EXPECT_FALSE(plug->mProbeWaitsForInput);
}
} // namespace
