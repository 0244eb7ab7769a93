// End to end over real ports: the editor with its real resources and the simulated synthesizer on a private
// JACK server. A knob turned on the synthesizer moves the editor's control; a requested bank fills the upper
// pane of the slot view.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>

#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "ControlAction.h"
#include "IControl.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "MadeBanks.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PluginFolderSurface.h"
#include "RtMidiBackend.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"
#include "TempDataHome.h"

using namespace std::chrono_literals;
using Bytes = BlofeldSimulator::Bytes;
using P = SysexProtocol;

namespace
{
// The numbers of the made sounds in the synthesizer's bank C (the library's are 0 .. 127).
constexpr int kRequestedFirst = 1000;

// JACK even on a machine with an ALSA sequencer, so the simulator's client is what the plug-in sees.
std::unique_ptr<IMidiPorts::Backend> jackOnly()
{
  return std::make_unique<RtMidiBackend>("/nonexistent/snd/seq");
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds timeout = 30s)
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition())
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// text without its trailing blanks.
std::string trimmed(std::string text)
{
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// The entry of a port selection list that names port, or -1.
int entryOf(Korvid& plug, int paramIdx, const std::string& port)
{
  IParam* param = plug.GetParam(paramIdx);
  for (int i = 0; i < param->GetNDisplayTexts(); ++i)
    if (port == param->GetDisplayText(i))
      return i;
  return -1;
}

class IncomingSysexJack : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string error;
    MidiJackServer* server = MidiJackEnvironment::server(&error);
    ASSERT_TRUE(server) << "JACK server did not start: " << error;
    ASSERT_TRUE(client.open(server->name(), "korvid-blofeld-sim", error)) << error;
    link = std::make_unique<BlofeldSimulatorJack>(simulator, client);
    IMidiPorts::SetBackendFactory(&jackOnly);
    Korvid::setSurfaceFactory([](IPlugBase* plug, int w, int h) -> IGraphics*
                              { return new PluginFolderSurface(plug, w, h, KORVID_PLUGIN_FOLDER); });

    // A library of one bank, "Made Sound 0" .. "Made Sound 127".
    home.createFolder();
    mkdir((home.folder() + "Patches").c_str(), 0755);
    const std::vector<unsigned char> bank = korvidtest::madeBank(0, P::kProgramCount);
    home.writeFile("Patches/Bank.syx", std::string(bank.begin(), bank.end()));

    plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    // The user picks the simulator's ports from the lists the menus show: a loaded machine's JACK may answer
    // the first reading after its deadline, and a menu opened once it answers again lists them.
    const auto listed = [&](int paramIdx, const std::string& port)
    { return plug->OnParamMenuOpening(paramIdx), entryOf(*plug, paramIdx, port); };
    int out = -1;
    int in = -1;
    ASSERT_TRUE(waitFor(
        [&]
        {
          return (out = listed(kDeviceOutSelection, client.inPortName())) > 0 &&
                 (in = listed(kDeviceInSelection, client.outPortName())) > 0;
        },
        60s));
    // The device-id probe the choice starts is answered.
    plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(in));
    plug->SetParameterFromGUI(kDeviceOutSelection, plug->GetParam(kDeviceOutSelection)->GetNormalized(out));
    ASSERT_TRUE(waitFor([&] { return !plug->ThreadRunning(); }));
    ASSERT_EQ(plug->getStatusText(), MIDIMessageSender::kTextReady);
  }

  void TearDown() override
  {
    plug.reset();
    Korvid::setSurfaceFactory(nullptr);
    IMidiPorts::SetBackendFactory(nullptr);
    link.reset();
    client.close();
  }

  TempDataHome home;
  MidiJackSynth client;
  BlofeldSimulator simulator{0};
  std::unique_ptr<BlofeldSimulatorJack> link;
  std::unique_ptr<Korvid> plug;
};

TEST_F(IncomingSysexJack, AKnobTurnedOnTheSynthesizerMovesTheEditorsControlAndIsNotSentBack)
{
  const size_t before = simulator.received().size();
  client.send({simulator.turnKnob(2, 78, 101)});
  ASSERT_TRUE(waitFor([&] { return plug->GetParam(kFilter1Cutoff + 2)->Value() == 101.0; }));
  IParam* cutoff = plug->GetParam(kFilter1Cutoff + 2);
  for (IControl* control : cutoff->GetAction()->boundControls)
    EXPECT_DOUBLE_EQ(control->GetValue(), cutoff->GetNormalized());

  // The plug-in's next message travels behind anything it would have echoed.
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  manager.sendSinglePatchRequestSysexFromLibrarian(true, 0);
  ASSERT_TRUE(waitFor([&] { return !plug->ThreadRunning(); }));
  simulator.drain();
  const auto received = simulator.received();
  ASSERT_GT(received.size(), before);
  for (size_t i = before; i < received.size(); ++i)
    EXPECT_NE(received[i][P::kTypeOffset], P::kSoundParameterChange) << "message " << i;
}

TEST_F(IncomingSysexJack, ACutoffTurnedOnTheSynthesizerAsAControllerMovesTheEditorsKnob)
{
  simulator.setControllerSend(BlofeldSimulator::ControllerSend::Ctrl);
  const Bytes controller = simulator.turnKnob(0, 78, 33);
  ASSERT_EQ(controller, (Bytes{0xB0, 69, 33}));
  client.send({controller});
  ASSERT_TRUE(waitFor([&] { return plug->GetParam(kFilter1Cutoff)->Value() == 33.0; }));
  IParam* cutoff = plug->GetParam(kFilter1Cutoff);
  for (IControl* control : cutoff->GetAction()->boundControls)
    EXPECT_DOUBLE_EQ(control->GetValue(), cutoff->GetNormalized());
  // With local control off the controller is passed on to the synthesizer.
  EXPECT_TRUE(waitFor(
      [&]
      {
        const auto received = simulator.received();
        return std::find(received.begin(), received.end(), controller) != received.end();
      }));
}

TEST_F(IncomingSysexJack, ARequestedBankFillsTheUpperPane)
{
  for (int program = 0; program < P::kProgramCount; ++program)
    simulator.setSound(2, program, korvidtest::madeSound(kRequestedFirst + program));
  PatchLibrarian& librarian = *plug->mPatchLibrarian;
  ASSERT_EQ(librarian.mSoundBanks.size(), 1u);
  LibrarianViewControl* view = plug->mLibrarianView;
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(trimmed(view->getSlotText(0, 5)->GetTextStr()), "Made Sound 5");

  // The shortest sync timer, in real time: a reply may take 30 polls of 50 ms, which a loaded machine's JACK
  // server needs at times.
  plug->GetParam(kLibSyncTimer)->Set(0);
  plug->mMIDIMessageManager->sendAllPatchRequestSysexFromLibrarian(2);
  ASSERT_TRUE(waitFor([&] { return !plug->ThreadRunning(); }, 120s));
  EXPECT_EQ(plug->getStatusText(), "Data received to slot(s)");
  EXPECT_EQ(plug->GetParam(kBankEditUnsaved)->Int(), 1);
  for (int slot = 0; slot < P::kProgramCount; ++slot)
  {
    const std::string name = "Made Sound " + std::to_string(kRequestedFirst + slot);
    EXPECT_EQ(trimmed(librarian.mSoundBanks[0]->mRecords[static_cast<size_t>(slot)].mName), name);
    EXPECT_EQ(trimmed(view->getSlotText(0, slot)->GetTextStr()), name) << "slot " << slot;
  }
  plug->mMIDIMessageManager->shutdown();
}
} // namespace
