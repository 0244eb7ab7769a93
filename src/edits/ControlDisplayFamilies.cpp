// ControlDisplay: the value-text families, which parameter belongs to which, and each family's rule.
#include "ControlDisplay.h"

#include "IParam.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{
enum class Family : unsigned char
{
  kPlainNumber,
  kFootage,
  kFilterBalance,
  kPulseWidth,
  kOffset64,
  kSemitone,
  kGlobalTranspose,
  kPartTranspose,
  kBendRange,
  kPanning,
  kFeedback,
  kPolarity,
  kOnOff,
  kGlideMode,
  kMonoPoly,
  kFilterRouting,
  kPartChannel,
  kCountFromOne,
  kSample,
  kLfoSpeed,
  kOwnText,
  kValueList
};

// One row of the family table: a series of blocks of parameter indices. A per-part parameter is one block of
// 16; a single parameter a block of 1; a run of neighbouring parameters one wider block; a numbered series
// (the 16 arpeggiator steps, modulation slots, modifiers) repeats its block every stride indices.
struct FamilyRow
{
  int first;
  int width;
  int blocks;
  int stride;
  Family family;
  // Name of the value list of kValueList rows; null otherwise.
  const char* list;
};

constexpr int kPart = Korvid::kPartCount;

constexpr FamilyRow part(int first, Family family)
{
  return {first, kPart, 1, 0, family, nullptr};
}
constexpr FamilyRow single(int index, Family family)
{
  return {index, 1, 1, 0, family, nullptr};
}
constexpr FamilyRow series(int first, int blocks, int stride, Family family)
{
  return {first, kPart, blocks, stride, family, nullptr};
}
constexpr FamilyRow listPart(int first, const char* list)
{
  return {first, kPart, 1, 0, Family::kValueList, list};
}
constexpr FamilyRow listRun(int first, int last, const char* list)
{
  return {first, last - first + 1, 1, 0, Family::kValueList, list};
}
constexpr FamilyRow listSeries(int first, int blocks, int stride, const char* list)
{
  return {first, kPart, blocks, stride, Family::kValueList, list};
}

// Distances between the members of the numbered series.
constexpr int kArpStepStride = kArpPattern02Glide - kArpPattern01Glide;
constexpr int kModulationStride = kModulation02Source - kModulation01Source;
constexpr int kModifierStride = kModifier2Source1 - kModifier1Source1;
constexpr int kArpSteps = 16;
constexpr int kModulationSlots = 16;
constexpr int kModifiers = 4;
static_assert(kArpPattern16Step == kArpPattern01Step + 15 * kArpStepStride &&
                  kArpPattern16StepLen == kArpPattern01StepLen + 15 * kArpStepStride,
              "the arpeggiator steps repeat at one stride");
static_assert(kModulation16Destination == kModulation01Destination + 15 * kModulationStride,
              "the modulation slots repeat at one stride");
static_assert(kModifier4SourceAmount == kModifier1SourceAmount + 3 * kModifierStride,
              "the modifiers repeat at one stride");

// An LFO speed's clock switch lies at this distance in the same part.
constexpr int kLfoClockOffset = 3825;
static_assert(kLFO1Clock - kLFO1Speed == kLfoClockOffset && kLFO2Clock - kLFO2Speed == kLfoClockOffset &&
                  kLFO3Clock - kLFO3Speed == kLfoClockOffset,
              "each LFO's clock switch follows its speed at one distance");

// Every displayed parameter not named here is a plain number.
constexpr FamilyRow kFamilies[] = {
    part(kOscillator1Octave, Family::kFootage),
    part(kOscillator2Octave, Family::kFootage),
    part(kOscillator3Octave, Family::kFootage),

    part(kOscillator1Balance, Family::kFilterBalance),
    part(kOscillator2Balance, Family::kFilterBalance),
    part(kOscillator3Balance, Family::kFilterBalance),
    part(kRingModulationBalance, Family::kFilterBalance),
    part(kNoiseBalance, Family::kFilterBalance),

    part(kOscillator1Pulsewidth, Family::kPulseWidth),
    part(kOscillator2Pulsewidth, Family::kPulseWidth),
    part(kOscillator3Pulsewidth, Family::kPulseWidth),

    part(kOscillator1PWMAmount, Family::kOffset64),
    part(kOscillator1Detune, Family::kOffset64),
    part(kOscillator2PWMAmount, Family::kOffset64),
    part(kOscillator2Detune, Family::kOffset64),
    part(kOscillator3PWMAmount, Family::kOffset64),
    part(kOscillator3Detune, Family::kOffset64),
    part(kOscillatorPitchAmount, Family::kOffset64),
    part(kFilter1EnvAmount, Family::kOffset64),
    part(kFilter1EnvVelocity, Family::kOffset64),
    part(kFilter1ModAmount, Family::kOffset64),
    part(kFilter1PanAmount, Family::kOffset64),
    part(kFilter2EnvAmount, Family::kOffset64),
    part(kFilter2EnvVelocity, Family::kOffset64),
    part(kFilter2ModAmount, Family::kOffset64),
    part(kFilter2PanAmount, Family::kOffset64),
    part(kAmpLevelVelocity, Family::kOffset64),
    part(kAmpModAmount, Family::kOffset64),
    part(kFX2DelaySpread, Family::kOffset64),
    part(kNoiseColour, Family::kOffset64),
    part(kLFO1Fade, Family::kOffset64),
    part(kLFO2Fade, Family::kOffset64),
    part(kLFO3Fade, Family::kOffset64),
    series(kModulation01Amount, kModulationSlots, kModulationStride, Family::kOffset64),
    series(kModifier1SourceAmount, kModifiers, kModifierStride, Family::kOffset64),
    part(kMultiPartDetune, Family::kOffset64),

    part(kOscillator1Semitone, Family::kSemitone),
    part(kOscillator2Semitone, Family::kSemitone),
    part(kOscillator3Semitone, Family::kSemitone),
    single(kGlobalTranspose, Family::kGlobalTranspose),
    part(kMultiPartTranspose, Family::kPartTranspose),
    part(kOscillator1BendRange, Family::kBendRange),
    part(kOscillator2BendRange, Family::kBendRange),
    part(kOscillator3BendRange, Family::kBendRange),

    part(kFilter1Panning, Family::kPanning),
    part(kFilter2Panning, Family::kPanning),
    part(kMultiPartPanning, Family::kPanning),

    part(kFX1FlangerFeedBack, Family::kFeedback),
    part(kFX1PhaserFeedback, Family::kFeedback),
    part(kFX2FlangerFeedBack, Family::kFeedback),
    part(kFX2PhaserFeedback, Family::kFeedback),
    part(kFX2DelayFeedback, Family::kFeedback),

    part(kFX1FlangerPolarity, Family::kPolarity),
    part(kFX1PhaserPolarity, Family::kPolarity),
    part(kFX2FlangerPolarity, Family::kPolarity),
    part(kFX2PhaserPolarity, Family::kPolarity),
    part(kFX2DelayPolarity, Family::kPolarity),

    part(kOscillator2SyncToOsc3, Family::kOnOff),
    part(kOscillatorGlideOnOffSwitch, Family::kOnOff),
    part(kLFO1SyncOnOff, Family::kOnOff),
    part(kLFO2SyncOnOff, Family::kOnOff),
    part(kLFO3SyncOnOff, Family::kOnOff),
    part(kArpSameNoteOverlap, Family::kOnOff),
    part(kArpPatternReset, Family::kOnOff),
    part(kLFO1Clock, Family::kOnOff),
    part(kLFO2Clock, Family::kOnOff),
    part(kLFO3Clock, Family::kOnOff),
    series(kArpPattern01Glide, kArpSteps, kArpStepStride, Family::kOnOff),
    part(kPartLock, Family::kOnOff),
    // kSectionLockOsc1 to kSectionLockM8S; the modulation locks after them are plain numbers.
    {kSectionLockOsc1, kSectionLockMod1 - kSectionLockOsc1, 1, 0, Family::kOnOff, nullptr},
    part(kOsc1UseSampleMemory, Family::kOnOff),
    part(kOsc2UseSampleMemory, Family::kOnOff),
    part(kFilterLinkSwitch, Family::kOnOff),
    single(kGlobalLocalControl, Family::kOnOff),
    single(kSectionLockGlobal, Family::kOnOff),
    single(kKeepSelectedBank, Family::kOnOff),
    single(kControlProgBank, Family::kOnOff),
    single(kControlLibrary, Family::kOnOff),
    single(kDisableMIDIFromSynth, Family::kOnOff),
    single(kDisableMIDIFromDAW, Family::kOnOff),

    part(kOscillatorGlideMode, Family::kGlideMode),
    part(kOscillatorMonoPolyMode, Family::kMonoPoly),
    part(kFilterRoutingSerial, Family::kFilterRouting),
    part(kMultiPartMIDICh, Family::kPartChannel),
    part(kArpOctRange, Family::kCountFromOne),
    part(kArpPatternLength, Family::kCountFromOne),
    part(kOscillator1Sample, Family::kSample),
    part(kOscillator2Sample, Family::kSample),
    part(kLFO1Speed, Family::kLfoSpeed),
    part(kLFO2Speed, Family::kLfoSpeed),
    part(kLFO3Speed, Family::kLfoSpeed),
    // Banks and programs as their menus and the synthesizer name them ("B", "005"), not by their raw value.
    part(kMultiPartBank, Family::kOwnText),
    part(kMultiPartPatch, Family::kOwnText),
    single(kMultiBank, Family::kOwnText),
    single(kMultiPatch, Family::kOwnText),

    listPart(kOscillator1Shape, "oscillator12shape"),
    listPart(kOscillator2Shape, "oscillator12shape"),
    listPart(kOscillator3Shape, "oscillator3shape"),
    listPart(kOscillator1Wavetable, "oscillatorWavetable"),
    listPart(kOscillator2Wavetable, "oscillatorWavetable"),
    listPart(kFilter1Keytrack, "keytrackValues"),
    listPart(kFilter2Keytrack, "keytrackValues"),
    listPart(kOscillator1Keytrack, "keytrackValues"),
    listPart(kOscillator2Keytrack, "keytrackValues"),
    listPart(kOscillator3Keytrack, "keytrackValues"),
    listPart(kLFO1Keytrack, "keytrackValues"),
    listPart(kLFO2Keytrack, "keytrackValues"),
    listPart(kLFO3Keytrack, "keytrackValues"),
    listPart(kFilter1Type, "filter1Type"),
    listPart(kFilter2Type, "filter1Type"),
    listPart(kLFO1Shape, "lfoShape"),
    listPart(kLFO2Shape, "lfoShape"),
    listPart(kLFO3Shape, "lfoShape"),
    listPart(kLFO1Startphase, "startPhase"),
    listPart(kLFO2Startphase, "startPhase"),
    listPart(kLFO3Startphase, "startPhase"),
    listPart(kFilterEnvMode, "envelopeMode"),
    listPart(kAmpEnvMode, "envelopeMode"),
    listPart(kEnvelope3Mode, "envelopeMode"),
    listPart(kEnvelope4Mode, "envelopeMode"),
    listPart(kFilterEnvTrigger, "envelopeTrigger"),
    listPart(kAmpEnvTrigger, "envelopeTrigger"),
    listPart(kEnv3Trigger, "envelopeTrigger"),
    listPart(kEnv4Trigger, "envelopeTrigger"),
    listPart(kOscillator1PWMSource, "modulationSources"),
    listPart(kOscillator2PWMSource, "modulationSources"),
    listPart(kOscillator3PWMSource, "modulationSources"),
    listPart(kOscillatorPitchSource, "modulationSources"),
    listPart(kAmpModSource, "modulationSources"),
    listSeries(kModulation01Source, kModulationSlots, kModulationStride, "modulationSources"),
    listSeries(kModifier1Source1, kModifiers, kModifierStride, "modulationSources"),
    listPart(kOscillator1FMSource, "fmSources"),
    listPart(kOscillator2FMSource, "fmSources"),
    listPart(kOscillator3FMSource, "fmSources"),
    listPart(kFilter1FMSource, "fmSources"),
    listPart(kFilter2FMSource, "fmSources"),
    listSeries(kModulation01Destination, kModulationSlots, kModulationStride, "modulationDestinations"),
    listSeries(kModifier1Source2, kModifiers, kModifierStride, "modifier2Sources"),
    listSeries(kModifier1SourceType, kModifiers, kModifierStride, "modifierOperators"),
    listPart(kArpMode, "arpMode"),
    listPart(kArpNoteLength, "arpNoteLengthClock"),
    listPart(kArpPattern, "arpPattern"),
    listPart(kArpClock, "arpClock"),
    listPart(kArpDirection, "arpDirection"),
    listPart(kArpSortOrder, "arpSortOrder"),
    listPart(kArpVelocityMode, "arpVeloMode"),
    listSeries(kArpPattern01Step, kArpSteps, kArpStepStride, "arpStepDisplay"),
    listSeries(kArpPattern01Accent, kArpSteps, kArpStepStride, "arpAccent"),
    listSeries(kArpPattern01Timing, kArpSteps, kArpStepStride, "arpTiming"),
    listSeries(kArpPattern01StepLen, kArpSteps, kArpStepStride, "arpStepLength"),
    listPart(kFX1OverdriveCurve, "fxOverdriveCurve"),
    listPart(kFX2OverdriveCurve, "fxOverdriveCurve"),
    listPart(kFX1TripleFXSampleHold, "sampleRate"),
    listPart(kFX2TripleFXSampleHold, "sampleRate"),
    listPart(kFX2DelayLengthClock, "clockedDelayValues"),
    listPart(kFX2ReverbSize, "reverbSize"),
    listPart(kEffect1Mode, "fx1Mode"),
    listPart(kEffect2Mode, "fx2Mode"),
    listPart(kMultiPartStatus, "partStatus"),
    listPart(kMultiPartKeyLow, "keyList"),
    listPart(kMultiPartKeyHigh, "keyList"),
    listRun(kMultiTempo, kMultiTempo, "tempoValues"),
    listRun(kGlobalVelocityCurve, kGlobalVelocityCurve, "keyVelocityCurve"),
    listRun(kGlobalMidiChannel, kGlobalMidiChannel, "globalChannel"),
    listRun(kGlobalClock, kGlobalClock, "globalClock"),
    listRun(kGlobalControlSend, kGlobalControlSend, "controllerSend"),
    listRun(kGlobalReceive, kGlobalReceive, "controllerReceive"),
    listRun(kGlobalControlW, kGlobalControlZ, "controlList"),
    listRun(kGlobalRxProgramChange, kGlobalTxProgramChange, "programChange"),
    listRun(kGlobalTuning, kGlobalTuning, "globalTuning"),
    listRun(kGlobalPopupTime, kGlobalPopupTime, "globalPopupTime"),
};

constexpr int kFamilyCount = static_cast<int>(sizeof(kFamilies) / sizeof(kFamilies[0]));
constexpr short kNoRow = -1;

// The row of every parameter index, filled from kFamilies at compile time; overlapping or out-of-range rows
// are flagged, so that each index belongs to exactly one family.
struct RowIndex
{
  short row[kParamIndexCount] = {};
  bool valid = true;
};

constexpr RowIndex buildRowIndex()
{
  RowIndex index;
  for (short& row : index.row)
    row = kNoRow;
  for (int r = 0; r < kFamilyCount; ++r)
  {
    const FamilyRow& family = kFamilies[r];
    const bool needsList = family.family == Family::kValueList;
    if (needsList != (family.list != nullptr))
      index.valid = false;
    for (int block = 0; block < family.blocks; ++block)
    {
      const int start = family.first + block * family.stride;
      for (int i = start; i < start + family.width; ++i)
      {
        if (i < 0 || i >= kParamIndexCount || index.row[i] != kNoRow)
          index.valid = false;
        else
          index.row[i] = static_cast<short>(r);
      }
    }
  }
  return index;
}

constexpr RowIndex kRowIndex = buildRowIndex();
static_assert(kRowIndex.valid, "every family row lies inside the parameter space, and no two rows overlap");

const FamilyRow* familyRow(int paramIdx)
{
  if (paramIdx < 0 || paramIdx >= kParamIndexCount || kRowIndex.row[paramIdx] == kNoRow)
    return nullptr;
  return &kFamilies[kRowIndex.row[paramIdx]];
}

// Values are truncated toward zero; far-out values are held where the rules' arithmetic cannot overflow.
constexpr double kValueLimit = 1.0e9;

int truncated(double value)
{
  if (std::isnan(value))
    return 0;
  if (value > kValueLimit)
    return static_cast<int>(kValueLimit);
  if (value < -kValueLimit)
    return -static_cast<int>(kValueLimit);
  return static_cast<int>(value);
}

// The entry of a named value list at position; "" when the list lacks it.
std::string listEntry(Korvid& plug, const char* name, int position)
{
  const UIConfigManager* config = plug.getUIConfigManager();
  if (config == nullptr || position < 0)
    return std::string();
  const std::vector<std::string>& list = config->getValueList(name);
  if (static_cast<size_t>(position) >= list.size())
    return std::string();
  return list[static_cast<size_t>(position)];
}

// "v - offset" below the offset, zeroText at it, "+" and the distance up to highest, "" beyond.
std::string signedOffset(int v, int offset, int highest, const char* zeroText)
{
  if (v == offset)
    return zeroText;
  if (v < offset)
    return std::to_string(v - offset);
  if (v <= highest)
    return "+" + std::to_string(v - offset);
  return std::string();
}

std::string percent(int number)
{
  return std::to_string(number) + "%";
}

// The text of a formula family for v (value truncated); value itself feeds the filter balance.
std::string formulaText(Family family, int v, double value)
{
  switch (family)
  {
  case Family::kFootage:
  {
    // Five characters each; the last is the acute accent U+00B4.
    static const char* const kFootages[] = {"128 \u00B4", " 64 \u00B4", " 32 \u00B4",
                                            " 16 \u00B4", "  8 \u00B4", "  4 \u00B4",
                                            "  2 \u00B4", "  1 \u00B4", "1/2 \u00B4"};
    constexpr int kFootageCount = static_cast<int>(sizeof(kFootages) / sizeof(kFootages[0]));
    return v >= 0 && v < kFootageCount ? kFootages[v] : "";
  }
  case Family::kFilterBalance:
  {
    if (v == 0)
      return "FILTER 1 100%";
    if (v == 127)
      return "FILTER 2 100%";
    if (v == 64)
      return "F1 50% : F2 50%";
    if (v < 1 || v > 126)
      return std::string();
    const int filter2 = static_cast<int>(value / 1.28);
    return "F1 " + std::to_string(100 - filter2) + "% : F2 " + percent(filter2);
  }
  case Family::kPulseWidth:
    if (v <= 2)
      return "<1%";
    if (v == 127)
      return "50%";
    return percent(static_cast<int>(v / 1.28 * 0.5));
  case Family::kOffset64:
    return signedOffset(v, 64, 127, "0");
  case Family::kSemitone:
    return signedOffset(v, 12, 25, "+0");
  case Family::kGlobalTranspose:
    return signedOffset(v, 12, 24, "0");
  case Family::kPartTranspose:
    return signedOffset(v, 48, 97, "+0");
  case Family::kBendRange:
    return signedOffset(v, 24, 49, "0");
  case Family::kPanning:
    if (v == 0)
      return "LEFT 100%";
    if (v == 64)
      return "< CENTER >";
    if (v == 127)
      return "RIGHT 100%";
    if (v >= 1 && v <= 63)
      return "LEFT " + percent(static_cast<int>((v - 64) * -1.55));
    if (v >= 65 && v <= 126)
      return "RIGHT " + percent(static_cast<int>((v - 64) * 1.55));
    return std::string();
  case Family::kFeedback:
    if (v == 0)
      return "   0%";
    if (v == 64)
      return " 50%";
    if (v == 127)
      return "100%";
    if (v >= 1 && v <= 126)
      return percent(static_cast<int>(v / 1.27));
    return std::string();
  case Family::kPolarity:
    return v == 0 ? "Positive" : v == 1 ? "Negative" : "";
  case Family::kOnOff:
    return v == 0 ? "OFF" : v == 1 ? "ON" : "";
  case Family::kGlideMode:
  {
    static const char* const kModes[] = {"PORTAMENTO", "FINGERED PORTA", "GLISSANDO", "FINGERED GLISS"};
    return v >= 0 && v < 4 ? kModes[v] : "";
  }
  case Family::kMonoPoly:
    return v == 0 ? "POLY" : v == 1 ? "MONO" : "";
  case Family::kFilterRouting:
    return v == 0 ? "Parallel" : v == 1 ? "Serial" : "";
  case Family::kPartChannel:
    if (v == 0)
      return "Global";
    if (v <= 1)
      return "Omni";
    return std::to_string(v - 1);
  case Family::kCountFromOne:
    return std::to_string(v + 1);
  default:
    return std::string();
  }
}
} // namespace

std::string ControlDisplay::valueLine(Korvid& plug, int paramIdx, double value)
{
  const int v = truncated(value);
  IParam* param = plug.GetParam(paramIdx);
  const int position = param ? truncated(param->Value()) : v;
  const FamilyRow* row = familyRow(paramIdx);
  const Family family = row ? row->family : Family::kPlainNumber;

  std::string text;
  switch (family)
  {
  case Family::kPlainNumber:
    return getValueString(v);
  case Family::kLfoSpeed:
  {
    const IParam* clock = plug.GetParam(paramIdx + kLfoClockOffset);
    if (clock == nullptr || clock->Value() != 1.0)
      return getValueString(v);
    text = listEntry(plug, "clockedValues", position);
    break;
  }
  case Family::kValueList:
    text = listEntry(plug, row->list, position);
    break;
  case Family::kOwnText:
    text = param ? param->GetDisplayText(position) : "";
    break;
  case Family::kSample:
  {
    const DataFolder& folder = plug.getDataFolder();
    text = folder.sampleNamesFound() ? folder.getSampleName(position) : "Sample A" + std::to_string(v + 1);
    break;
  }
  default:
    text = formulaText(family, v, value);
    break;
  }
  return text + " [" + std::to_string(v) + "]";
}
