// The value display on the editor built from the project's real resources: which edits it shows, the name
// line, and the value texts of every family with the real value lists.
#include "KorvidTestSupport.h"

#include "ControlDisplay.h"
#include "IControl.h"
#include "IParam.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <string>
#include <utility>
#include <vector>

using namespace korvidtest;

namespace
{
constexpr const char* kUnchanged = "unchanged";
// The acute accent U+00B4 in UTF-8.
#define ACUTE "\xC2\xB4"

class ControlDisplayTest : public StartupFixture
{
protected:
  void SetUp() override
  {
    useResources(pluginFolder());
    plug = construct();
    ASSERT_TRUE(plug->mConstructed);
    ASSERT_NE(line(0), nullptr);
    ASSERT_NE(line(1), nullptr);
    ASSERT_NE(plug->getUIConfigManager(), nullptr);
  }

  ITextControl* line(size_t i) const { return dynamic_cast<ITextControl*>(plug->mDisplayControls.at(i)); }
  std::string nameLine() const { return line(0)->GetTextStr(); }
  std::string valueLine() const { return line(1)->GetTextStr(); }

  // Both lines hold a marker, so that a test sees whether the display wrote anything.
  void mark()
  {
    line(0)->SetTextFromPlug(kUnchanged);
    line(1)->SetTextFromPlug(kUnchanged);
  }
  bool untouched() const { return nameLine() == kUnchanged && valueLine() == kUnchanged; }

  // An edit as the change handlers report it: the value stored, then shown.
  void show(int paramIdx, double value, bool transportRunning = false)
  {
    mark();
    plug->GetParam(paramIdx)->Set(value);
    ControlDisplay::controlDisplay(plug.get(), paramIdx, value, transportRunning);
  }
  std::string valueOf(int paramIdx, double value)
  {
    show(paramIdx, value);
    return valueLine();
  }
  std::string name(int paramIdx) const { return plug->GetParam(paramIdx)->GetNameForHost(); }
  const std::vector<std::string>& list(const char* listName) const
  {
    return plug->getUIConfigManager()->getValueList(listName);
  }

  std::unique_ptr<Korvid> plug;
};

TEST_F(ControlDisplayTest, OctaveOfAPartShowsPrefixedNameFootageAndBracketedValue)
{
  show(kOscillator1Octave + 3, 4);
  EXPECT_EQ(nameLine(), name(kOscillator1Octave + 3));
  EXPECT_EQ(nameLine().rfind("[4] ", 0), 0u) << nameLine();
  EXPECT_EQ(valueLine(), "  8 " ACUTE " [4]");

  EXPECT_EQ(valueOf(kOscillator2Octave, 0), "128 " ACUTE " [0]");
  EXPECT_EQ(valueOf(kOscillator3Octave, 8), "1/2 " ACUTE " [8]");
  // Outside the footages the text is empty: a blank and the bracketed value.
  EXPECT_EQ(valueOf(kOscillator1Octave, 9), " [9]");
  EXPECT_EQ(valueOf(kOscillator1Octave, -1), " [-1]");
}

TEST_F(ControlDisplayTest, PlainNumbersStandAloneWithoutBrackets)
{
  show(kFilter1Cutoff, 100);
  EXPECT_EQ(nameLine(), name(kFilter1Cutoff));
  EXPECT_EQ(valueLine(), "100");
  EXPECT_EQ(valueOf(kGlobalSysExID, 17), "17");
  EXPECT_EQ(valueOf(kEffect2Param14 + 15, 3), "3");
  EXPECT_EQ(valueOf(kFilterRouting + 2, 1), "1");
  // The value is truncated toward zero, not rounded.
  EXPECT_EQ(valueOf(kFilter1Resonance, 99.9), "99");
  EXPECT_EQ(valueOf(kFilter1Resonance, -2.7), "-2");
  // The modulation section locks are plain numbers, the other section locks on/off.
  EXPECT_EQ(valueOf(kSectionLockMod1, 1), "1");
  EXPECT_EQ(valueOf(kSectionLockMod4 + 15, 0), "0");
  EXPECT_EQ(valueOf(kSectionLockOsc1, 1), "ON [1]");
  EXPECT_EQ(valueOf(kSectionLockM8S + 15, 0), "OFF [0]");
}

TEST_F(ControlDisplayTest, FilterBalanceSplitsTheHundredPercent)
{
  const std::vector<std::pair<double, std::string>> cases = {{0, "FILTER 1 100% [0]"},
                                                             {127, "FILTER 2 100% [127]"},
                                                             {64, "F1 50% : F2 50% [64]"},
                                                             {1, "F1 100% : F2 0% [1]"},
                                                             {63, "F1 51% : F2 49% [63]"},
                                                             {65, "F1 50% : F2 50% [65]"},
                                                             {126, "F1 2% : F2 98% [126]"},
                                                             {128, " [128]"},
                                                             {-1, " [-1]"}};
  for (const auto& c : cases)
    EXPECT_EQ(valueOf(kOscillator1Balance, c.first), c.second) << c.first;
  EXPECT_EQ(valueOf(kNoiseBalance + 5, 32), "F1 75% : F2 25% [32]");
  EXPECT_EQ(valueOf(kRingModulationBalance, 127), "FILTER 2 100% [127]");
}

TEST_F(ControlDisplayTest, PulseWidthRunsToFiftyPercent)
{
  const std::vector<std::pair<double, std::string>> cases = {
      {0, "<1% [0]"},   {2, "<1% [2]"},     {-5, "<1% [-5]"},   {3, "1% [3]"},
      {64, "25% [64]"}, {126, "49% [126]"}, {127, "50% [127]"}, {128, "50% [128]"}};
  for (const auto& c : cases)
    EXPECT_EQ(valueOf(kOscillator3Pulsewidth, c.first), c.second) << c.first;
}

TEST_F(ControlDisplayTest, PanningAndFeedbackPercentages)
{
  const std::vector<std::pair<double, std::string>> panning = {
      {0, "LEFT 100% [0]"},  {1, "LEFT 97% [1]"},      {63, "LEFT 1% [63]"},      {64, "< CENTER > [64]"},
      {65, "RIGHT 1% [65]"}, {126, "RIGHT 96% [126]"}, {127, "RIGHT 100% [127]"}, {128, " [128]"}};
  for (const auto& c : panning)
    EXPECT_EQ(valueOf(kMultiPartPanning + 7, c.first), c.second) << c.first;
  EXPECT_EQ(valueOf(kFilter2Panning, 1), "LEFT 97% [1]");

  const std::vector<std::pair<double, std::string>> feedback = {
      {0, "   0% [0]"},   {1, "0% [1]"},       {64, " 50% [64]"}, {63, "49% [63]"},
      {126, "99% [126]"}, {127, "100% [127]"}, {-1, " [-1]"}};
  for (const auto& c : feedback)
    EXPECT_EQ(valueOf(kFX2DelayFeedback, c.first), c.second) << c.first;
  EXPECT_EQ(valueOf(kFX1PhaserFeedback, 127), "100% [127]");
}

TEST_F(ControlDisplayTest, SignedOffsetsAroundTheirCentres)
{
  EXPECT_EQ(valueOf(kOscillator1Detune, 0), "-64 [0]");
  EXPECT_EQ(valueOf(kOscillator1Detune, 64), "0 [64]");
  EXPECT_EQ(valueOf(kOscillator1Detune, 127), "+63 [127]");
  EXPECT_EQ(valueOf(kOscillator1Detune, 128), " [128]");
  EXPECT_EQ(valueOf(kModulation16Amount + 15, 70), "+6 [70]");
  EXPECT_EQ(valueOf(kModifier4SourceAmount, 10), "-54 [10]");
  EXPECT_EQ(valueOf(kMultiPartDetune + 1, 65), "+1 [65]");

  EXPECT_EQ(valueOf(kOscillator2Semitone, 12), "+0 [12]");
  EXPECT_EQ(valueOf(kOscillator2Semitone, 0), "-12 [0]");
  EXPECT_EQ(valueOf(kOscillator2Semitone, 25), "+13 [25]");
  EXPECT_EQ(valueOf(kOscillator2Semitone, 26), " [26]");

  EXPECT_EQ(valueOf(kGlobalTranspose, 12), "0 [12]");
  EXPECT_EQ(valueOf(kGlobalTranspose, 24), "+12 [24]");
  EXPECT_EQ(valueOf(kGlobalTranspose, 25), " [25]");

  EXPECT_EQ(valueOf(kMultiPartTranspose, 48), "+0 [48]");
  EXPECT_EQ(valueOf(kMultiPartTranspose, 97), "+49 [97]");
  EXPECT_EQ(valueOf(kMultiPartTranspose, 98), " [98]");

  EXPECT_EQ(valueOf(kOscillator3BendRange, 24), "0 [24]");
  EXPECT_EQ(valueOf(kOscillator3BendRange, 0), "-24 [0]");
  EXPECT_EQ(valueOf(kOscillator3BendRange, 49), "+25 [49]");
  EXPECT_EQ(valueOf(kOscillator3BendRange, 50), " [50]");
}

TEST_F(ControlDisplayTest, WordsOfSwitchesModesAndChannels)
{
  EXPECT_EQ(valueOf(kFX2DelayPolarity, 0), "Positive [0]");
  EXPECT_EQ(valueOf(kFX1FlangerPolarity, 1), "Negative [1]");
  EXPECT_EQ(valueOf(kFX1FlangerPolarity, 2), " [2]");

  EXPECT_EQ(valueOf(kOscillator2SyncToOsc3, 1), "ON [1]");
  EXPECT_EQ(valueOf(kArpPattern16Glide + 15, 0), "OFF [0]");
  EXPECT_EQ(valueOf(kFilterLinkSwitch + 4, 1), "ON [1]");
  EXPECT_EQ(valueOf(kDisableMIDIFromDAW, 1), "ON [1]");
  EXPECT_EQ(valueOf(kLFO2Clock, 2), " [2]");

  EXPECT_EQ(valueOf(kOscillatorGlideMode, 0), "PORTAMENTO [0]");
  EXPECT_EQ(valueOf(kOscillatorGlideMode, 3), "FINGERED GLISS [3]");
  EXPECT_EQ(valueOf(kOscillatorGlideMode, 4), " [4]");
  EXPECT_EQ(valueOf(kOscillatorMonoPolyMode, 0), "POLY [0]");
  EXPECT_EQ(valueOf(kOscillatorMonoPolyMode, 1), "MONO [1]");
  EXPECT_EQ(valueOf(kFilterRoutingSerial, 0), "Parallel [0]");
  EXPECT_EQ(valueOf(kFilterRoutingSerial, 1), "Serial [1]");

  EXPECT_EQ(valueOf(kMultiPartMIDICh, 0), "Global [0]");
  EXPECT_EQ(valueOf(kMultiPartMIDICh, 1), "Omni [1]");
  EXPECT_EQ(valueOf(kMultiPartMIDICh, 2), "1 [2]");
  EXPECT_EQ(valueOf(kMultiPartMIDICh, 17), "16 [17]");

  EXPECT_EQ(valueOf(kArpOctRange, 0), "1 [0]");
  EXPECT_EQ(valueOf(kArpPatternLength + 9, 15), "16 [15]");
  EXPECT_EQ(valueOf(kMultiPartPatch + 2, 4), "005 [4]");
  EXPECT_EQ(valueOf(kMultiPartBank + 3, 1), "B [1]");
}

// One parameter of every value-list family: the entry at the stored value, then the bracketed value.
TEST_F(ControlDisplayTest, ListFamiliesShowTheirListEntry)
{
  const std::vector<std::pair<int, const char*>> families = {
      {kOscillator2Shape, "oscillator12shape"},
      {kOscillator3Shape, "oscillator3shape"},
      {kOscillator1Wavetable, "oscillatorWavetable"},
      {kLFO3Keytrack + 2, "keytrackValues"},
      {kFilter2Type, "filter1Type"},
      {kLFO1Shape, "lfoShape"},
      {kLFO2Startphase, "startPhase"},
      {kEnvelope4Mode, "envelopeMode"},
      {kEnv3Trigger, "envelopeTrigger"},
      {kModulation09Source + 1, "modulationSources"},
      {kModifier3Source1, "modulationSources"},
      {kAmpModSource, "modulationSources"},
      {kFilter1FMSource, "fmSources"},
      {kModulation16Destination + 15, "modulationDestinations"},
      {kModifier4Source2, "modifier2Sources"},
      {kModifier2SourceType, "modifierOperators"},
      {kArpMode, "arpMode"},
      {kArpNoteLength, "arpNoteLengthClock"},
      {kArpPattern + 15, "arpPattern"},
      {kArpClock, "arpClock"},
      {kArpDirection, "arpDirection"},
      {kArpSortOrder, "arpSortOrder"},
      {kArpVelocityMode, "arpVeloMode"},
      {kArpPattern07Step, "arpStepDisplay"},
      {kArpPattern16Accent + 3, "arpAccent"},
      {kArpPattern01Timing, "arpTiming"},
      {kArpPattern12StepLen, "arpStepLength"},
      {kFX2OverdriveCurve, "fxOverdriveCurve"},
      {kFX1TripleFXSampleHold, "sampleRate"},
      {kFX2DelayLengthClock, "clockedDelayValues"},
      {kFX2ReverbSize, "reverbSize"},
      {kEffect1Mode, "fx1Mode"},
      {kEffect2Mode, "fx2Mode"},
      {kMultiPartStatus + 11, "partStatus"},
      {kMultiPartKeyHigh, "keyList"},
      {kMultiTempo, "tempoValues"},
      {kGlobalVelocityCurve, "keyVelocityCurve"},
      {kGlobalMidiChannel, "globalChannel"},
      {kGlobalClock, "globalClock"},
      {kGlobalControlSend, "controllerSend"},
      {kGlobalReceive, "controllerReceive"},
      {kGlobalControlZ, "controlList"},
      {kGlobalTxProgramChange, "programChange"},
      {kGlobalTuning, "globalTuning"},
      {kGlobalPopupTime, "globalPopupTime"},
  };
  for (const auto& family : families)
  {
    const std::vector<std::string>& entries = list(family.second);
    ASSERT_FALSE(entries.empty()) << family.second;
    const int last = static_cast<int>(entries.size()) - 1;
    EXPECT_EQ(valueOf(family.first, 0), entries.front() + " [0]") << family.second;
    EXPECT_EQ(valueOf(family.first, last), entries.back() + " [" + std::to_string(last) + "]")
        << family.second;
    EXPECT_EQ(nameLine(), name(family.first)) << family.second;
  }
  // The real texts, not only the lookup.
  EXPECT_EQ(valueOf(kFilter1Type, 1), "LP 24dB [1]");
  EXPECT_EQ(valueOf(kLFO1Shape, 5), "S&H [5]");
}

TEST_F(ControlDisplayTest, ListPositionPastTheListShowsOnlyTheBracketedValue)
{
  ASSERT_EQ(list("oscillatorWavetable").size(), 66u);
  EXPECT_EQ(valueOf(kOscillator1Wavetable, 66), " [66]");
  EXPECT_EQ(valueOf(kOscillator1Wavetable, 120), " [120]");
  // A malformed step byte can give timing positions 8 to 15.
  ASSERT_EQ(list("arpTiming").size(), 8u);
  EXPECT_EQ(valueOf(kArpPattern05Timing, 15), " [15]");
  EXPECT_EQ(valueOf(kFX2ReverbSize, 128), " [128]");
  EXPECT_EQ(valueOf(kArpMode, -1), " [-1]");
}

TEST_F(ControlDisplayTest, LfoSpeedIsAClockedListEntryOnlyWhileItsClockIsOn)
{
  const std::vector<std::string>& clocked = list("clockedValues");
  ASSERT_GT(clocked.size(), 100u);
  const int part = 5;
  plug->GetParam(kLFO2Clock + part)->Set(0.0);
  EXPECT_EQ(valueOf(kLFO2Speed + part, 100), "100");

  plug->GetParam(kLFO2Clock + part)->Set(1.0);
  EXPECT_EQ(valueOf(kLFO2Speed + part, 100), clocked[100] + " [100]");
  EXPECT_EQ(valueOf(kLFO2Speed + part, 200), " [200]");
  // Another part's clock, or another LFO's, does not count.
  EXPECT_EQ(valueOf(kLFO2Speed + part + 1, 100), "100");
  EXPECT_EQ(valueOf(kLFO3Speed + part, 100), "100");
  // Only exactly 1 counts as on.
  plug->GetParam(kLFO1Clock)->Set(0.5);
  EXPECT_EQ(valueOf(kLFO1Speed, 7), "7");
  plug->GetParam(kLFO1Clock)->Set(1.0);
  EXPECT_EQ(valueOf(kLFO1Speed, 7), clocked[7] + " [7]");
}

TEST_F(ControlDisplayTest, SampleWithoutNamesFileIsNumberedFromA1)
{
  ASSERT_FALSE(plug->getDataFolder().sampleNamesFound());
  EXPECT_EQ(valueOf(kOscillator1Sample, 0), "Sample A1 [0]");
  EXPECT_EQ(valueOf(kOscillator2Sample + 15, 11), "Sample A12 [11]");
}

class ControlDisplaySampleNamesTest : public ControlDisplayTest
{
protected:
  void SetUp() override
  {
    std::string names;
    for (int i = 0; i < 128; ++i)
      names += "Kick " + std::to_string(i) + "\n";
    home.writeFile("Korvid Editor Samples.txt", names);
    ControlDisplayTest::SetUp();
  }
};

TEST_F(ControlDisplaySampleNamesTest, SampleShowsTheNameAtItsPosition)
{
  ASSERT_TRUE(plug->getDataFolder().sampleNamesFound());
  EXPECT_EQ(valueOf(kOscillator1Sample, 0), "Kick 0 [0]");
  EXPECT_EQ(valueOf(kOscillator2Sample + 3, 127), "Kick 127 [127]");
  EXPECT_EQ(valueOf(kOscillator2Sample, 128), " [128]");
  EXPECT_EQ(valueOf(kOscillator2Sample, -1), " [-1]");
}

TEST_F(ControlDisplayTest, RunningTransportShowsOnlyEditsOfTheCurrentPart)
{
  plug->mCurrentPart = 0;
  show(kFilter1Cutoff, 90, true);
  EXPECT_EQ(nameLine(), name(kFilter1Cutoff));
  EXPECT_EQ(valueLine(), "90");
  show(kFilter1Cutoff + 1, 90, true);
  EXPECT_TRUE(untouched()) << "part number 2";
  show(kFilter1Cutoff + 11, 90, true);
  EXPECT_TRUE(untouched()) << "part number 12";
  // A name without a part prefix shows nothing, unless its second character is 'X' ("FX 2 ...").
  ASSERT_EQ(name(kGlobalTuning).rfind('[', 0), std::string::npos);
  show(kGlobalTuning, 3, true);
  EXPECT_TRUE(untouched());
  ASSERT_EQ(name(kFX2ChorusSpeed).substr(0, 2), "FX");
  show(kFX2ChorusSpeed, 3, true);
  EXPECT_EQ(nameLine(), name(kFX2ChorusSpeed));

  plug->mCurrentPart = 11;
  show(kFilter1Cutoff + 11, 91, true);
  EXPECT_EQ(nameLine().rfind("[12] ", 0), 0u) << nameLine();
  EXPECT_EQ(valueLine(), "91");
  show(kFilter1Cutoff + 1, 91, true);
  EXPECT_TRUE(untouched()) << "part number 2 while 12 is current";
  // Stopped, every part shows.
  show(kFilter1Cutoff + 1, 92, false);
  EXPECT_EQ(valueLine(), "92");
}

// The unnamed index 1665 is displayed as a plain number; it is renamed to try the name rules.
TEST_F(ControlDisplayTest, RunningTransportReadsThePartPrefixOfTheName)
{
  const int unnamed = 1665;
  plug->mCurrentPart = 2;
  const std::vector<std::pair<const char*, bool>> names = {{"[3] Osc 1 Octave", true},
                                                           {"[03] Level", true},
                                                           {"Effect", true},
                                                           {"FX 1 Mix", true},
                                                           {"[3]Level", false},
                                                           {"[4] Level", false},
                                                           {"[x] Level", false},
                                                           {"[] Level", false},
                                                           {"[", false},
                                                           {"A", false},
                                                           {"", false},
                                                           {"Global Tuning", false},
                                                           {"[103] Level", false}};
  for (const auto& n : names)
  {
    plug->GetParam(unnamed)->InitBool(n.first, false);
    show(unnamed, 1, true);
    EXPECT_EQ(!untouched(), n.second) << '"' << n.first << '"';
    if (n.second)
    {
      EXPECT_EQ(nameLine(), n.first);
      EXPECT_EQ(valueLine(), "1");
    }
  }
}

TEST_F(ControlDisplayTest, ParametersWithoutDisplayWriteNothing)
{
  const int hidden[] = {kOverrideTempo,
                        kMultiName,
                        kPatchName + 5,
                        kCategoryName + 15,
                        kLibLowerNextBank,
                        kOverwriteBank,
                        kDeviceInSelection,
                        kExitAboutWindow,
                        kTriggerGlobalLocalKBDControl,
                        kRequestFromBank,
                        kControlDisplayValue,
                        kControlDisplayCategory,
                        kControlDisplayPatch,
                        kRequestTempData,
                        kFirstRunExit,
                        kCancelDataRequest,
                        kMainTab,
                        kQuickTab,
                        kLibrarianArea,
                        kMultiPartSettings,
                        kPatchUp + 3,
                        kPatchDown + 15,
                        kFilterLinkTrigger,
                        kTriggerOscillator2Samples + 15,
                        kTriggerOscillator1LimitWT,
                        kTriggerFilterRouting + 15,
                        kPatchSearchString,
                        kPatchSearch,
                        kRandomize,
                        -1,
                        kParamIndexCount};
  for (int paramIdx : hidden)
  {
    mark();
    if (IParam* param = plug->GetParam(paramIdx))
      param->Set(1);
    ControlDisplay::controlDisplay(plug.get(), paramIdx, 1, false);
    EXPECT_TRUE(untouched()) << paramIdx;
  }
  // Their neighbours are shown.
  for (int paramIdx :
       std::vector<int>{kBankEditUnsaved, kCategoryRename, kFilterRoutingSerial, kMIDILed + 15})
  {
    show(paramIdx, 1);
    EXPECT_FALSE(untouched()) << paramIdx;
  }
  ControlDisplay::controlDisplay(nullptr, kFilter1Cutoff, 1, false);
}

TEST_F(ControlDisplayTest, LibraryControlShowsOnlyWhileDawProgramChangesAreFiltered)
{
  IParam* passThrough = plug->GetParam(kMIDIFilterDAWPCPassThrough);
  plug->SetParameterFromGUI(kMIDIFilterDAWPCPassThrough, passThrough->GetNormalized(0));
  ASSERT_TRUE(plug->mHostInputBlocked[1]);
  show(kControlLibrary, 1);
  EXPECT_EQ(nameLine(), name(kControlLibrary));
  EXPECT_EQ(valueLine(), "ON [1]");
  show(kControlLibrary, 0);
  EXPECT_EQ(valueLine(), "OFF [0]");

  plug->SetParameterFromGUI(kMIDIFilterDAWPCPassThrough, passThrough->GetNormalized(1));
  ASSERT_FALSE(plug->mHostInputBlocked[1]);
  show(kControlLibrary, 1);
  EXPECT_TRUE(untouched());
}

TEST_F(ControlDisplayTest, NothingIsShownBeforeConstructionEnds)
{
  plug->mConstructed = false;
  show(kFilter1Cutoff, 100);
  EXPECT_TRUE(untouched());
  show(kOscillator1Octave, 4);
  EXPECT_TRUE(untouched());
  plug->mConstructed = true;
  show(kFilter1Cutoff, 100);
  EXPECT_EQ(valueLine(), "100");
}

TEST(ControlDisplayValueString, FormatsTheNearestWholeNumber)
{
  EXPECT_EQ(ControlDisplay::getValueString(100.0), "100");
  EXPECT_EQ(ControlDisplay::getValueString(99.6), "100");
  EXPECT_EQ(ControlDisplay::getValueString(-3.2), "-3");
  EXPECT_EQ(ControlDisplay::getValueString(0.0), "0");
  EXPECT_EQ(ControlDisplay::getValueString(1.0e12), "1000000000000");
}
} // namespace
