// What the editor looks up in its resources.
#include "RequiredNames.h"

#include "ResourceChecks.h"
#include "Tables.h"

namespace resources_test
{

std::string twoDigitName(const std::string& name, int n)
{
  return name + (n < 10 ? "0" : "") + std::to_string(n);
}

const std::vector<std::string>& namedLayerNames()
{
  static const std::vector<std::string> names = []
  {
    std::vector<std::string> n = {"root",
                                  "oscillators",
                                  "filtersEnvelopes",
                                  "lfoModMatrix",
                                  "effectsArp",
                                  "miniMixer",
                                  "patchLibrarian",
                                  "multiModeSettingsPage1",
                                  "saveChangesLayer",
                                  "discardChangesLayerRight",
                                  "keepBankOpenLayer",
                                  "aboutWindow",
                                  "firstRunNotification",
                                  "bankPatchConflictWindow",
                                  "midiFilterSettings",
                                  "patchRename",
                                  "categoryLimit",
                                  "searchField",
                                  "bankAndProgramMulti",
                                  "Bypass",
                                  "Chorus",
                                  "Flanger",
                                  "Phaser",
                                  "Overdrive",
                                  "TripleFX",
                                  "Delay",
                                  "DelayClocked",
                                  "Reverb"};
    for (int f = 1; f <= 2; ++f)
      for (const char* t : {"LP", "BP", "HP", "Notch", "CombMinus", "CombPlus"})
        n.push_back("filter" + std::to_string(f) + t);
    for (int p = 1; p <= 16; ++p)
    {
      n.push_back(twoDigitName("bankAndProgram", p));
      n.push_back(twoDigitName("multiSettingsPart", p));
    }
    return n;
  }();
  return names;
}

const std::map<std::string, size_t>& valueListSizes()
{
  static const std::map<std::string, size_t> sizes = {{"oscillator12shape", 8},
                                                      {"oscillator3shape", 5},
                                                      {"oscillatorWavetable", 66},
                                                      {"keytrackValues", 128},
                                                      {"filter1Type", 12},
                                                      {"lfoShape", 6},
                                                      {"clockedValues", 128},
                                                      {"startPhase", 128},
                                                      {"envelopeMode", 5},
                                                      {"envelopeTrigger", 2},
                                                      {"modulationSources", 31},
                                                      {"fmSources", 12},
                                                      {"modulationDestinations", 54},
                                                      {"modifier2Sources", 31},
                                                      {"modifierOperators", 8},
                                                      {"arpMode", 4},
                                                      {"arpNoteLengthClock", 44},
                                                      {"arpPattern", 17},
                                                      {"arpClock", 43},
                                                      {"arpDirection", 4},
                                                      {"arpSortOrder", 6},
                                                      {"arpVeloMode", 7},
                                                      {"arpStepDisplay", 8},
                                                      {"arpAccent", 8},
                                                      {"arpTiming", 8},
                                                      {"arpStepLength", 8},
                                                      {"fxOverdriveCurve", 12},
                                                      {"sampleRate", 128},
                                                      {"clockedDelayValues", 30},
                                                      {"reverbSize", 128},
                                                      {"fx1Mode", 6},
                                                      {"fx2Mode", 9},
                                                      {"partStatus", 2},
                                                      {"keyList", 128},
                                                      {"tempoValues", 128},
                                                      {"keyVelocityCurve", 9},
                                                      {"globalChannel", 17},
                                                      {"globalClock", 2},
                                                      {"controllerSend", 4},
                                                      {"controllerReceive", 2},
                                                      {"controlList", 121},
                                                      {"programChange", 3},
                                                      {"globalTuning", 21},
                                                      {"globalPopupTime", 128}};
  return sizes;
}

const std::map<int, std::vector<int>>& pageZones()
{
  static const std::map<int, std::vector<int>> zones = {
      {2, {10, 20, 30, 40, 50, 60, 70, 80, 90, 91, 100, 101}},
      {3, {10, 11, 12, 13, 14, 20, 21, 22, 23, 24, 30, 31, 32, 33, 34, 40, 41, 42, 43, 44}},
      {4, {10, 20, 30}},
      {5, {10, 11, 12, 13, 14, 15}}};
  return zones;
}

const std::vector<std::string>& displayParameters()
{
  static const std::vector<std::string> names = {"kControlDisplayName",         "kControlDisplayValue",
                                                 "kControlDisplayCC",           "kControlDisplayCategory",
                                                 "kControlDisplayPatch",        "kControlDisplayBuild",
                                                 "kControlDisplayMIDIOutDelay", "kControlLibrary"};
  return names;
}

const std::vector<std::string>& keptFirstControls()
{
  static const std::vector<std::string> names = []
  {
    std::vector<std::string> n = displayParameters();
    for (const char* k : {"kDatatype", "kPatchSearch", "kControlProgBank", "kQuickTab", "kMainTab",
                          "kPatchSelectionListUpper", "kPatchSelectionListLower", "kDeviceOutSelection",
                          "kDeviceInSelection", "kPatchRename", "kKeepSelectedBank", "kOverrideTempo",
                          "kRandomize", "kSendMIDIClockPointer", "kSendMIDIClockInfo"})
      n.push_back(k);
    // The nineteen MIDI filter and clock controls: the filters run in index order from the host's CC.
    const int first = paramIndexOf("kMIDIFilterDAWCCPassThrough");
    for (const auto& [name, index] : UiConfigModel::registry())
      if (index >= first && index <= paramIndexOf("kMIDIFilterToDAWBuffer"))
        n.push_back(name);
    return n;
  }();
  return names;
}

const std::map<int, int>& packedFamilies()
{
  static const std::map<int, int> families = []
  {
    std::map<int, int> f;
    auto family = [&](std::initializer_list<std::string> names, int id)
    {
      for (const auto& n : names)
        for (int part = 0; part < 16; ++part)
          f[paramIndexOf(n) + part] = id * 16 + part;
    };
    family({"kOscillatorMonoPolyMode", "kOscillatorUnisono"}, 1);
    family({"kFilterEnvMode", "kFilterEnvTrigger"}, 2);
    family({"kAmpEnvMode", "kAmpEnvTrigger"}, 3);
    family({"kEnvelope3Mode", "kEnv3Trigger"}, 4);
    family({"kEnvelope4Mode", "kEnv4Trigger"}, 5);
    for (int s = 1; s <= 16; ++s)
    {
      const std::string n = twoDigitName("kArpPattern", s);
      family({n + "Step", n + "Glide", n + "Accent"}, 10 + 2 * s);
      family({n + "Timing", n + "StepLen"}, 11 + 2 * s);
    }
    return f;
  }();
  return families;
}

const std::vector<std::pair<int, std::string>>& dumpParameters()
{
  static const std::vector<std::pair<int, std::string>> params = []
  {
    std::vector<std::pair<int, std::string>> out;
    auto block = [&](const std::string& name)
    {
      const int base = paramIndexOf(name);
      for (int part = 0; part < 16; ++part)
        out.emplace_back(base < 0 ? -1 : base + part, name + " of part " + std::to_string(part + 1));
    };
    for (const auto& s : resgen::soundParams())
      block(s.name);
    for (const auto& e : resgen::effectParams())
      block(e.name);
    for (int k = 1; k <= 14; ++k)
    {
      block(twoDigitName("kEffect1Param", k));
      block(twoDigitName("kEffect2Param", k));
    }
    for (int s = 1; s <= 16; ++s)
    {
      for (const char* f : {"Step", "Glide", "Accent", "Timing", "StepLen"})
        block(twoDigitName("kArpPattern", s) + f);
      for (const char* f : {"Source", "Destination", "Amount"})
        block(twoDigitName("kModulation", s) + f);
    }
    for (const char* n : {"kPatchName", "kCategoryName", "kOscillator1Wavetable", "kOscillator2Wavetable",
                          "kOscillator1Sample", "kOscillator2Sample", "kMultiPartBank", "kMultiPartPatch"})
      block(n);
    for (const auto& s : resgen::settingParams())
    {
      if (s.family == resgen::SettingFamily::Multi)
        block(s.name);
      else
        out.emplace_back(paramIndexOf(s.name), s.name);
    }
    return out;
  }();
  return params;
}

const std::vector<SendingRule>& sendingRules()
{
  static const std::vector<SendingRule> rules = []
  {
    using K = SendKind;
    std::vector<SendingRule> r;
    auto add = [&](const std::string& what, int first, int count, std::set<SendKind> allowed) {
      r.push_back({what, first, count, std::move(allowed)});
    };
    for (const char* n : {"kOscillator1Octave", "kOscillator2Octave", "kOscillator3Octave",
                          "kOscillator1Semitone", "kOscillator2Semitone", "kOscillator3Semitone"})
      add("octave or semitone", paramIndexOf(n), 16, {K::CcValue});
    for (const char* n : {"kOscillatorMonoPolyMode", "kOscillatorUnisono", "kFilterEnvMode",
                          "kFilterEnvTrigger", "kAmpEnvMode", "kAmpEnvTrigger", "kEnvelope3Mode",
                          "kEnv3Trigger", "kEnvelope4Mode", "kEnv4Trigger"})
      add("packed parameter", paramIndexOf(n), 16, {K::SysexValue});
    for (int s = 1; s <= 16; ++s)
    {
      const std::string n = twoDigitName("kArpPattern", s);
      for (const char* f : {"Step", "Accent", "Timing", "StepLen"})
        add("packed arpeggiator step", paramIndexOf(n + f), 16, {K::SysexValue});
      add("arpeggiator glide", paramIndexOf(n + "Glide"), 16, {K::SysexButton});
    }
    const int midiCh = paramIndexOf("kMultiPartMIDICh");
    add("multi setting", midiCh, paramIndexOf("kMultiPartVeloHigh") + 16 - midiCh, {K::SysexValue});
    const int receive = paramIndexOf("kReceiveMIDI");
    add("multi setting", receive, paramIndexOf("kMultiTempo") + 1 - receive, {K::SysexValue, K::SysexButton});
    const int global = paramIndexOf("kGlobalVelocityCurve");
    add("global setting", global, paramIndexOf("kGlobalTranspose") + 1 - global,
        {K::SysexValue, K::SysexButton});
    add("part status", paramIndexOf("kMultiPartStatus"), 16, {K::SysexButton});
    const int effects = paramIndexOf("kFX1ChorusSpeed");
    add("effect parameter", effects, paramIndexOf("kEffect1Mode") - effects, {K::SysexValue});
    return r;
  }();
  return rules;
}

} // namespace resources_test
