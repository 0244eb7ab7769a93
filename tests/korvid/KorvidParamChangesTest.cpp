// What the editor core relies on of the parameter handlers: ports, flags, list kinds, selection names and the
// settings file.
#include "KorvidTestSupport.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

using namespace korvidtest;

namespace
{
class KorvidParamChanges : public StartupFixture
{
protected:
  KorvidParamChanges() { useResources(pluginFolder()); }

  // The user road: the value is stored and the handler runs.
  static void edit(Korvid& plug, int paramIdx, double value)
  {
    IParam* param = plug.GetParam(paramIdx);
    plug.SetParameterFromGUI(paramIdx, param->GetNormalized(value));
  }

  static std::string firstLine(Korvid& plug) { return displayLine(plug, 0); }
};

TEST_F(KorvidParamChanges, ChoosingAnOutputPortOpensItAndMarksTheOutputPresent)
{
  // Longer than a display text: the entry opens its port whatever it shows.
  const std::string longIn = "a2j:Waldorf Blofeld Synthesizer [20] (playback): Blofeld MIDI 1";
  midi->setOutputPorts({"Blofeld Out", "Other Out"});
  midi->setInputPorts({"Blofeld In", longIn});
  auto plug = construct();
  IParam* out = plug->GetParam(kDeviceOutSelection);
  ASSERT_GE(out->GetNDisplayTexts(), 2);
  EXPECT_STREQ(out->GetDisplayText(1), "Blofeld Out");
  edit(*plug, kDeviceOutSelection, 1.0);
  EXPECT_TRUE(plug->mOutputPresent);
  EXPECT_TRUE(plug->mInitializationRequested);
  EXPECT_EQ(plug->mMidiOutPortIndex, 1);
  // The input starts the device enquiry, which no synthesizer answers for seconds.
  edit(*plug, kDeviceInSelection, 2.0);
  EXPECT_EQ(plug->mMidiInPortIndex, 2);
  EXPECT_EQ(midi->openInputs(), std::vector<std::string>{longIn});
  EXPECT_EQ(plug->mKeptPortNames[0], longIn);
  // Another output chosen meanwhile is asked in its place; "OFF" ends it without a word.
  edit(*plug, kDeviceOutSelection, 2.0);
  EXPECT_TRUE(waitUntil([&] { return !midi->received("Other Out").empty(); }));
  edit(*plug, kDeviceOutSelection, 0.0);
  EXPECT_FALSE(plug->mOutputPresent);
  EXPECT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
  EXPECT_EQ(firstLine(*plug), "MIDI OUT set to OFF");

  // A port that does not open leaves the output absent: the selector shows "OFF" and sends say so.
  midi->setOutputPorts({});
  edit(*plug, kDeviceOutSelection, 1.0);
  EXPECT_FALSE(plug->mOutputPresent);
  EXPECT_EQ(plug->GetParam(kDeviceOutSelection)->Value(), 0.0);
  IMidiMsg note(0, 0x90, 60, 100);
  plug->sendMidiMsgAndLog(&note);
  EXPECT_EQ(firstLine(*plug), "MIDI OUT port gone - Set MIDI I/O First!");
  // A port listed when it is opened that the system then refuses is named with the system's reason.
  midi->setOutputPorts({"Blofeld Out"});
  midi->onNextList([this] { midi->setOutputPorts({}); });
  edit(*plug, kDeviceOutSelection, 1.0);
  EXPECT_EQ(plug->getStatusText(), "Cannot open MIDI OUT Blofeld Out - no port Blofeld Out");
}

TEST_F(KorvidParamChanges, FilterAndRoutingEditsSetTheirFlags)
{
  auto plug = construct();
  edit(*plug, kMIDIFilterDAWPCPassThrough, 1.0);
  EXPECT_FALSE(plug->mHostInputBlocked[1]);
  edit(*plug, kMIDIFilterHWNotePassThrough, 0.0);
  EXPECT_TRUE(plug->mHardwareInputBlocked[2]);
  edit(*plug, kMIDIFilterToDAWBuffer, 1.0);
  EXPECT_TRUE(plug->mMidiOutMode);
  edit(*plug, kControlLibrary, 1.0);
  EXPECT_EQ(plug->GetParam(kControlProgBank)->Value(), 0.0);
  EXPECT_FALSE(plug->mProgramChangeControlsBank);
  edit(*plug, kControlProgBank, 1.0);
  EXPECT_EQ(plug->GetParam(kControlLibrary)->Value(), 0.0);
  EXPECT_TRUE(plug->mProgramChangeControlsBank);
}

TEST_F(KorvidParamChanges, TheDataTypeSwitchesThePaneMenus)
{
  writeMadeBanks();
  auto plug = construct();
  // The pane menus belong to the librarian page: the kind's switch shows the page again at once.
  edit(*plug, kMainTab, 1.0);
  edit(*plug, kDatatype, 1.0);
  EXPECT_TRUE(plug->mMultiMode);
  EXPECT_EQ(plug->mPatchLibrarian->mPatchType, 1);
  EXPECT_TRUE(plug->mMenuLayers[2]->mVisible);
  EXPECT_TRUE(plug->mMenuLayers[3]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[0]->mVisible);
  edit(*plug, kDatatype, 0.0);
  EXPECT_FALSE(plug->mMultiMode);
  EXPECT_TRUE(plug->mMenuLayers[0]->mVisible);
  EXPECT_TRUE(plug->mMenuLayers[1]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[2]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[5]->mVisible);
  // A new bank selection names the pair the browser menus tick.
  edit(*plug, kCurrentOpenPatchBankL, 1.0);
  EXPECT_EQ(plug->mUpperSoundPair.displayName, plug->GetParam(kPatchSelectionListUpper)->GetDisplayText(1));
}

TEST_F(KorvidParamChanges, SizeAndStyleRewriteTheSettingsFileButNeverCreateIt)
{
  auto missing = construct();
  edit(*missing, kUserInterfaceSize, 2.0);
  EXPECT_FALSE(home.exists("Korvid Editor UI.txt"));
  EXPECT_EQ(firstLine(*missing), "Korvid Editor UI.txt MISSING!");
  missing.reset();

  writeSettings("white\nnormal\nyes\n");
  auto plug = construct();
  edit(*plug, kUserInterfaceSize, 0.0);
  EXPECT_EQ(home.readFile("Korvid Editor UI.txt"), "white\nsmall\nyes");
  EXPECT_EQ(firstLine(*plug), "Size changes applied...");
  edit(*plug, kUserInterfaceStyle, 1.0);
  EXPECT_EQ(home.readFile("Korvid Editor UI.txt"), "black\nsmall\nyes");
  // The running instance keeps its size; the next one reads the new words.
  EXPECT_EQ(plug->getSurface()->Width(), 1500);
}

TEST_F(KorvidParamChanges, EditsFromTheUserAndTheSynthesizerShowNameAndValue)
{
  midi->setOutputPorts({"Blofeld Out"});
  auto plug = construct();
  // Without an output port an edit ends in the reminder to choose one.
  edit(*plug, kOscillator1Detune + 3, 10.0);
  EXPECT_EQ(firstLine(*plug), "Set MIDI I/O First!");
  // So does a name's send, which its worker runs after the commit: the letters the name left out go below.
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  JobArguments send;
  manager.setPostHook(
      [&](const JobArguments& args, const std::function<void()>& prepare)
      {
        send = args;
        prepare();
        return true;
      });
  plug->OnTextEntryRefused(kMultiName, "\xC3\xB6", false);
  edit(*plug, kMultiName, 0.0);
  manager.sender->sendPartToDevice(0, false, false); // a part of the send ends before the commit's word
  plug->OnTextEntryRefused(kMultiName, "\xC3\xB6", true);
  manager.sender->perform(send);
  manager.setPostHook({});
  EXPECT_EQ(firstLine(*plug) + "|" + displayLine(*plug, 1),
            "Set MIDI I/O First!|\xC3\xB6 can't be in a name - left out");
  chooseOutputPort(*plug, 1);
  // The handler runs for a changed value only: leave the start value first.
  edit(*plug, kOscillator1Octave + 3, 0.0);
  edit(*plug, kOscillator1Octave + 3, 4.0);
  EXPECT_EQ(firstLine(*plug), std::string(plug->GetParam(kOscillator1Octave + 3)->GetNameForHost()));
  EXPECT_EQ(firstLine(*plug).rfind("[4] ", 0), 0u) << firstLine(*plug);
  EXPECT_EQ(displayLine(*plug, 1), "  8 \u00b4 [4]");

  // A trigger shows the setting it flipped, not itself.
  edit(*plug, kTriggerOscillator2SyncToOsc3 + 3, 1.0);
  EXPECT_EQ(firstLine(*plug), std::string(plug->GetParam(kOscillator2SyncToOsc3 + 3)->GetNameForHost()));

  // A value from the synthesizer is shown once, as it came.
  IParam* cutoff = plug->GetParam(kFilter1Cutoff);
  plug->SetParameterFromGUI2(kFilter1Cutoff, cutoff->GetNormalized(100.0));
  EXPECT_EQ(firstLine(*plug), std::string(cutoff->GetNameForHost()));
  EXPECT_EQ(displayLine(*plug, 1), "100");
}

TEST_F(KorvidParamChanges, ValuesFromTheSynthesizerAreStoredAndShownButRunNoEditCases)
{
  midi->setOutputPorts({"Blofeld Out"});
  auto plug = construct();
  chooseOutputPort(*plug, 1);
  plug->SetParameterFromGUI2(kMasterKeyboard, 1.0);
  EXPECT_EQ(plug->GetParam(kMasterKeyboard)->Value(), 1.0);
  EXPECT_FALSE(plug->mMasterKeyboard);
  EXPECT_EQ(firstLine(*plug), std::string(plug->GetParam(kMasterKeyboard)->GetNameForHost()));
  EXPECT_FALSE(plug->mDeviceUpdate);
}
} // namespace
