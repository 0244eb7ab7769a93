// The randomizer: new random values for one part's sound, section by section, locked sections left alone.
#include "MIDIMessageManager.h"

#include "Korvid.h"
#include "ParamIndex.h"

#include <cmath>
#include <ctime>
#include <random>
#include <vector>

namespace
{
// One parameter of a section and the pool entry it is drawn from.
struct Draw
{
  int param;
  int pool;
};

// What a section does besides its plain draws.
enum class Rule
{
  None,
  Unisono,       // pool entry 43: unisono count and the mono/poly mode it implies, first
  FilterRouting, // pool entry 69: routing with its parallel and serial switches, last
  Envelope,      // the envelope's mode and trigger from one draw, first
  ArpPattern     // the 16 steps of the arpeggiator pattern, last
};

struct Section
{
  int lock;
  std::vector<Draw> draws;
  Rule rule = Rule::None;
  // Envelope: the mode parameter, its trigger and their pool entry.
  int mode = 0;
  int trigger = 0;
  int pool = 0;
};

constexpr int kUnisonoPool = 43;
constexpr int kFilterRoutingPool = 69;
constexpr int kArpStepPool = 253;
constexpr int kArpTimingPool = 269;
constexpr int kArpSteps = 16;
// A unisono draw of this or more means one voice less, played mono.
constexpr int kMonoUnisono = 6;
// An envelope mode draw of this or more is the mode with the trigger on.
constexpr int kTriggeredMode = 32;
// Step and timing bytes are reduced into the range of the first part's filter 1 cutoff (0..127).
constexpr int kArpByteRange = kFilter1Cutoff;
constexpr int kNibble = 16;
constexpr int kAccentGlideBit = 8;
constexpr int kHighNibbleLimit = 128;

// The five parameters of each arpeggiator step, from step 1 to 16.
struct ArpStep
{
  int glide;
  int accent;
  int step;
  int timing;
  int length;
};

constexpr ArpStep kArpStepParams[kArpSteps] = {
    {kArpPattern01Glide, kArpPattern01Accent, kArpPattern01Step, kArpPattern01Timing, kArpPattern01StepLen},
    {kArpPattern02Glide, kArpPattern02Accent, kArpPattern02Step, kArpPattern02Timing, kArpPattern02StepLen},
    {kArpPattern03Glide, kArpPattern03Accent, kArpPattern03Step, kArpPattern03Timing, kArpPattern03StepLen},
    {kArpPattern04Glide, kArpPattern04Accent, kArpPattern04Step, kArpPattern04Timing, kArpPattern04StepLen},
    {kArpPattern05Glide, kArpPattern05Accent, kArpPattern05Step, kArpPattern05Timing, kArpPattern05StepLen},
    {kArpPattern06Glide, kArpPattern06Accent, kArpPattern06Step, kArpPattern06Timing, kArpPattern06StepLen},
    {kArpPattern07Glide, kArpPattern07Accent, kArpPattern07Step, kArpPattern07Timing, kArpPattern07StepLen},
    {kArpPattern08Glide, kArpPattern08Accent, kArpPattern08Step, kArpPattern08Timing, kArpPattern08StepLen},
    {kArpPattern09Glide, kArpPattern09Accent, kArpPattern09Step, kArpPattern09Timing, kArpPattern09StepLen},
    {kArpPattern10Glide, kArpPattern10Accent, kArpPattern10Step, kArpPattern10Timing, kArpPattern10StepLen},
    {kArpPattern11Glide, kArpPattern11Accent, kArpPattern11Step, kArpPattern11Timing, kArpPattern11StepLen},
    {kArpPattern12Glide, kArpPattern12Accent, kArpPattern12Step, kArpPattern12Timing, kArpPattern12StepLen},
    {kArpPattern13Glide, kArpPattern13Accent, kArpPattern13Step, kArpPattern13Timing, kArpPattern13StepLen},
    {kArpPattern14Glide, kArpPattern14Accent, kArpPattern14Step, kArpPattern14Timing, kArpPattern14StepLen},
    {kArpPattern15Glide, kArpPattern15Accent, kArpPattern15Step, kArpPattern15Timing, kArpPattern15StepLen},
    {kArpPattern16Glide, kArpPattern16Accent, kArpPattern16Step, kArpPattern16Timing, kArpPattern16StepLen},
};

Section envelope(int lock, int mode, int trigger, int pool, std::vector<Draw> draws)
{
  Section section{lock, std::move(draws), Rule::Envelope};
  section.mode = mode;
  section.trigger = trigger;
  section.pool = pool;
  return section;
}

Section lfo(int lock, int shape, int speed, int sync, int clock, int phase, int delay, int fade, int keytrack,
            int firstPool)
{
  return {lock,
          {{shape, firstPool},
           {speed, firstPool + 1},
           {sync, firstPool + 2},
           {clock, firstPool + 3},
           {phase, firstPool + 4},
           {delay, firstPool + 5},
           {fade, firstPool + 6},
           {keytrack, firstPool + 7}}};
}

Section modifier(int lock, int source1, int source2, int type, int amount, int firstPool)
{
  return {lock,
          {{source1, firstPool}, {source2, firstPool + 1}, {type, firstPool + 2}, {amount, firstPool + 3}}};
}

// The sections in the order they are walked; parameters are per-part bases.
const std::vector<Section>& sections()
{
  static const std::vector<Section> table = []
  {
    std::vector<Section> s;
    s.push_back({kSectionLockOsc1,
                 {{kOscillator1Octave, 0},
                  {kOscillator1Semitone, 1},
                  {kOscillator1Detune, 2},
                  {kOscillator1BendRange, 3},
                  {kOscillator1Keytrack, 4},
                  {kOscillator1FMSource, 5},
                  {kOscillator1FMAmount, 6},
                  {kOscillator1Shape, 7},
                  {kOscillator1Pulsewidth, 8},
                  {kOscillator1PWMSource, 9},
                  {kOscillator1PWMAmount, 10},
                  {kOscillator1LimitWT, 11},
                  {kOscillator1Brilliance, 12},
                  {kOsc1UseSampleMemory, 286},
                  {kOscillator1Sample, 287}}});
    s.push_back({kSectionLockOsc2,
                 {{kOscillator2Octave, 13},
                  {kOscillator2Semitone, 14},
                  {kOscillator2Detune, 15},
                  {kOscillator2BendRange, 16},
                  {kOscillator2Keytrack, 17},
                  {kOscillator2FMSource, 18},
                  {kOscillator2FMAmount, 19},
                  {kOscillator2Shape, 20},
                  {kOscillator2Pulsewidth, 21},
                  {kOscillator2PWMSource, 22},
                  {kOscillator2PWMAmount, 23},
                  {kOscillator2LimitWT, 24},
                  {kOscillator2Brilliance, 25},
                  {kOscillator2SyncToOsc3, 26},
                  {kOsc2UseSampleMemory, 288},
                  {kOscillator2Sample, 289}}});
    s.push_back({kSectionLockOsc3,
                 {{kOscillator3Octave, 27},
                  {kOscillator3Semitone, 28},
                  {kOscillator3Detune, 29},
                  {kOscillator3BendRange, 30},
                  {kOscillator3Keytrack, 31},
                  {kOscillator3FMSource, 32},
                  {kOscillator3FMAmount, 33},
                  {kOscillator3Shape, 34},
                  {kOscillator3Pulsewidth, 35},
                  {kOscillator3PWMSource, 36},
                  {kOscillator3PWMAmount, 37},
                  {kOscillator3Brilliance, 56}}});
    s.push_back({kSectionLockPitchMod,
                 {{kOscillatorPitchSource, 38},
                  {kOscillatorPitchAmount, 39},
                  {kOscillatorGlideOnOffSwitch, 40},
                  {kOscillatorGlideMode, 41},
                  {kOscillatorGlideRate, 42}}});
    s.push_back({kSectionLockUnisono, {{kOscillatorUniDetune, 44}}, Rule::Unisono});
    s.push_back({kSectionLockMixer,
                 {{kOscillator1Level, 45},
                  {kOscillator1Balance, 46},
                  {kOscillator2Level, 47},
                  {kOscillator2Balance, 48},
                  {kOscillator3Level, 49},
                  {kOscillator3Balance, 50},
                  {kNoiseLevel, 51},
                  {kNoiseBalance, 52},
                  {kRingModulationLevel, 53},
                  {kRingModulationBalance, 54}}});
    s.push_back({kSectionLockNoiseExt, {{kNoiseColour, 55}}});
    s.push_back({kSectionLockFilter1,
                 {{kFilter1Type, 55},
                  {kFilter1Cutoff, 56},
                  {kFilter1Resonance, 57},
                  {kFilter1Drive, 58},
                  {kFilter1Keytrack, 59},
                  {kFilter1EnvAmount, 60},
                  {kFilter1EnvVelocity, 61},
                  {kFilter1ModSource, 62},
                  {kFilter1ModAmount, 63},
                  {kFilter1FMSource, 64},
                  {kFilter1FMAmount, 65},
                  {kFilter1Panning, 66},
                  {kFilter1PanSource, 67},
                  {kFilter1PanAmount, 68}},
                 Rule::FilterRouting});
    s.push_back({kSectionLockFilter2,
                 {{kFilter2Type, 71},
                  {kFilter2Cutoff, 72},
                  {kFilter2Resonance, 73},
                  {kFilter2Drive, 74},
                  {kFilter2Keytrack, 75},
                  {kFilter2EnvAmount, 76},
                  {kFilter2EnvVelocity, 77},
                  {kFilter2ModSource, 78},
                  {kFilter2ModAmount, 79},
                  {kFilter2FMSource, 80},
                  {kFilter2FMAmount, 81},
                  {kFilter2Panning, 82},
                  {kFilter2PanSource, 83},
                  {kFilter2PanAmount, 84}}});
    s.push_back({kSectionLockAmp,
                 {{kAmpLevel, 85}, {kAmpLevelVelocity, 86}, {kAmpModSource, 87}, {kAmpModAmount, 88}}});
    // The generic effect parameters and the effect-specific ones that stand for them share a pool entry.
    s.push_back({kSectionLockFX1,
                 {{kEffect1Mode, 89},          {kEffect1Mix, 90},           {kEffect1Param01, 91},
                  {kFX1ChorusSpeed, 91},       {kFX1FlangerSpeed, 91},      {kFX1PhaserSpeed, 91},
                  {kFX1TripleFXSpeed, 91},     {kEffect1Param02, 92},       {kFX1ChorusDepth, 92},
                  {kFX1FlangerDepht, 92},      {kFX1PhaserDepth, 92},       {kFX1OverdriveDrive, 92},
                  {kFX1TripleFXDepth, 92},     {kEffect1Param03, 93},       {kFX1OverdrivePostGain, 93},
                  {kEffect1Param04, 94},       {kFX1TripleFXChorusMix, 94}, {kEffect1Param05, 95},
                  {kFX1FlangerFeedBack, 95},   {kFX1PhaserFeedback, 95},    {kFX1TripleFXSampleHold, 95},
                  {kEffect1Param06, 96},       {kFX1PhaserCenter, 96},      {kFX1OverdriveCutoff, 96},
                  {kFX1TripleFXOverdrive, 96}, {kEffect1Param07, 97},       {kFX1PhaserSpacing, 97},
                  {kEffect1Param08, 98},       {kEffect1Param09, 99},       {kFX1FlangerPolarity, 99},
                  {kFX1PhaserPolarity, 99},    {kEffect1Param10, 100},      {kEffect1Param11, 101},
                  {kEffect1Param12, 102},      {kEffect1Param13, 103},      {kEffect1Param14, 104}}});
    s.push_back({kSectionLockFX2,
                 {{kEffect2Mode, 105},          {kEffect2Mix, 106},           {kEffect2Param01, 107},
                  {kFX2ChorusSpeed, 107},       {kFX2FlangerSpeed, 107},      {kFX2PhaserSpeed, 107},
                  {kFX2TripleFXSpeed, 107},     {kFX2ReverbSize, 107},        {kEffect2Param02, 108},
                  {kFX2ChorusDepth, 108},       {kFX2FlangerDepht, 108},      {kFX2PhaserDepth, 108},
                  {kFX2OverdriveDrive, 108},    {kFX2TripleFXDepth, 108},     {kFX2ReverbShape, 108},
                  {kEffect2Param03, 109},       {kFX2DelaySpread, 109},       {kFX2OverdrivePostGain, 109},
                  {kFX2ReverbDecay, 109},       {kEffect2Param04, 110},       {kFX2DelayLength, 110},
                  {kFX2TripleFXChorusMix, 110}, {kEffect2Param05, 111},       {kFX2FlangerFeedBack, 111},
                  {kFX2PhaserFeedback, 111},    {kFX2DelayFeedback, 111},     {kFX2TripleFXSampleHold, 111},
                  {kEffect2Param06, 112},       {kFX2PhaserCenter, 112},      {kFX2DelayCutoff, 112},
                  {kFX2OverdriveCutoff, 112},   {kFX2TripleFXOverdrive, 112}, {kFX2ReverbLowppass, 112},
                  {kEffect2Param07, 113},       {kFX2PhaserSpacing, 113},     {kFX2ReverbHighPass, 113},
                  {kEffect2Param08, 114},       {kFX2ReverbDiffusion, 114},   {kEffect2Param09, 115},
                  {kFX2FlangerPolarity, 115},   {kFX2PhaserPolarity, 115},    {kFX2DelayPolarity, 115},
                  {kFX2ReverbDamping, 115},     {kEffect2Param10, 116},       {kEffect2Param11, 117},
                  {kEffect2Param12, 118},       {kEffect2Param13, 119},       {kEffect2Param14, 120}}});
    s.push_back(lfo(kSectionLockLFO1, kLFO1Shape, kLFO1Speed, kLFO1SyncOnOff, kLFO1Clock, kLFO1Startphase,
                    kLFO1Delay, kLFO1Fade, kLFO1Keytrack, 121));
    s.push_back(lfo(kSectionLockLFO2, kLFO2Shape, kLFO2Speed, kLFO2SyncOnOff, kLFO2Clock, kLFO2Startphase,
                    kLFO2Delay, kLFO2Fade, kLFO2Keytrack, 129));
    s.push_back(lfo(kSectionLockLFO3, kLFO3Shape, kLFO3Speed, kLFO3SyncOnOff, kLFO3Clock, kLFO3Startphase,
                    kLFO3Delay, kLFO3Fade, kLFO3Keytrack, 137));
    s.push_back(envelope(kSectionLockFilterEnv, kFilterEnvMode, kFilterEnvTrigger, 145,
                         {{kFilterEnvAttack, 146},
                          {kFilterAttackLevel, 147},
                          {kFilterEnvDecay, 148},
                          {kFilterEnvSustain, 149},
                          {kFilterEnvDecay2, 150},
                          {kFilterEnvSustain2, 151},
                          {kFilterEnvRelease, 152}}));
    s.push_back(envelope(kSectionLockAmpEnv, kAmpEnvMode, kAmpEnvTrigger, 153,
                         {{kAmpEnvAttack, 154},
                          {kAmpAttackLevel, 155},
                          {kAmpEnvDecay, 156},
                          {kAmpEnvSustain, 157},
                          {kAmpEnvDecay2, 158},
                          {kAmpEnvSustain2, 159},
                          {kAmpEnvRelease, 160}}));
    s.push_back(envelope(kSectionLockEnv3, kEnvelope3Mode, kEnv3Trigger, 161,
                         {{kEnv3Attack, 162},
                          {kEnv3AttackLevel, 163},
                          {kEnv3Decay, 164},
                          {kEnv3Sustain, 165},
                          {kEnv3Decay2, 166},
                          {kEnv3Sustain2, 167},
                          {kEnv3Release, 168}}));
    s.push_back(envelope(kSectionLockEnv4, kEnvelope4Mode, kEnv4Trigger, 169,
                         {{kEnv4Attack, 170},
                          {kEnv4AttackLevel, 171},
                          {kEnv4Decay, 172},
                          {kEnv4Sustain, 173},
                          {kEnv4Decay2, 174},
                          {kEnv4Sustain2, 175},
                          {kEnv4Release, 176}}));
    s.push_back(modifier(kSectionLockMod1, kModifier1Source1, kModifier1Source2, kModifier1SourceType,
                         kModifier1SourceAmount, 177));
    s.push_back(modifier(kSectionLockMod2, kModifier2Source1, kModifier2Source2, kModifier2SourceType,
                         kModifier2SourceAmount, 181));
    s.push_back(modifier(kSectionLockMod3, kModifier3Source1, kModifier3Source2, kModifier3SourceType,
                         kModifier3SourceAmount, 185));
    s.push_back(modifier(kSectionLockMod4, kModifier4Source1, kModifier4Source2, kModifier4SourceType,
                         kModifier4SourceAmount, 189));
    // The 16 modulation slots: source, destination and amount, one lock each.
    const int slotLocks[] = {kSectionLockM1F, kSectionLockM2F, kSectionLockM3F, kSectionLockM4F,
                             kSectionLockM5F, kSectionLockM6F, kSectionLockM7F, kSectionLockM8F,
                             kSectionLockM1S, kSectionLockM2S, kSectionLockM3S, kSectionLockM4S,
                             kSectionLockM5S, kSectionLockM6S, kSectionLockM7S, kSectionLockM8S};
    const int slots[][3] = {{kModulation01Source, kModulation01Destination, kModulation01Amount},
                            {kModulation02Source, kModulation02Destination, kModulation02Amount},
                            {kModulation03Source, kModulation03Destination, kModulation03Amount},
                            {kModulation04Source, kModulation04Destination, kModulation04Amount},
                            {kModulation05Source, kModulation05Destination, kModulation05Amount},
                            {kModulation06Source, kModulation06Destination, kModulation06Amount},
                            {kModulation07Source, kModulation07Destination, kModulation07Amount},
                            {kModulation08Source, kModulation08Destination, kModulation08Amount},
                            {kModulation09Source, kModulation09Destination, kModulation09Amount},
                            {kModulation10Source, kModulation10Destination, kModulation10Amount},
                            {kModulation11Source, kModulation11Destination, kModulation11Amount},
                            {kModulation12Source, kModulation12Destination, kModulation12Amount},
                            {kModulation13Source, kModulation13Destination, kModulation13Amount},
                            {kModulation14Source, kModulation14Destination, kModulation14Amount},
                            {kModulation15Source, kModulation15Destination, kModulation15Amount},
                            {kModulation16Source, kModulation16Destination, kModulation16Amount}};
    for (int k = 0; k < 16; ++k)
    {
      const int pool = 193 + 3 * k;
      s.push_back({slotLocks[k], {{slots[k][0], pool}, {slots[k][1], pool + 1}, {slots[k][2], pool + 2}}});
    }
    s.push_back({kSectionLockArp,
                 {{kArpMode, 241},
                  {kArpPattern, 242},
                  {kArpClock, 244},
                  {kArpNoteLength, 245},
                  {kArpOctRange, 246},
                  {kArpDirection, 247},
                  {kArpSortOrder, 248},
                  {kArpVelocityMode, 249},
                  {kArpTimeFactor, 250},
                  {kArpSameNoteOverlap, 251},
                  {kArpPatternReset, 252},
                  {kArpPatternLength, 253}},
                 Rule::ArpPattern});
    return s;
  }();
  return table;
}

int truncated(double value)
{
  return Korvid::truncatedValue(value);
}

// The low four bits of an arpeggiator byte, which carries none above 127.
int lowNibble(int byte)
{
  return byte < kHighNibbleLimit ? byte % kNibble : 0;
}
} // namespace

void MIDIMessageManager::randomGenerator()
{
  std::vector<int>& pool = plug->mRandomValues;
  pool.resize(Korvid::kRandomValueCount);
  // Seeded anew from the calendar time on each randomizing; the count makes two presses within the same
  // second give two different sounds.
  std::seed_seq seed{static_cast<uint32_t>(std::time(nullptr)), ++randomizeCount};
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int& entry : pool)
  {
    entry = byte(generator);
  }
}

int MIDIMessageManager::randomizer(int paramIdx, int poolIndex)
{
  const std::vector<int>& pool = plug->mRandomValues;
  const IParam* param = plug->GetParam(paramIdx);
  if (!param || poolIndex < 0 || poolIndex >= static_cast<int>(pool.size()))
  {
    return 0;
  }
  const double minimum = param->GetMin();
  const int bottom = std::isfinite(minimum) ? truncated(minimum) : 0;
  const int range = truncated(param->GetMax() - minimum);
  int v = pool[static_cast<size_t>(poolIndex)];
  // An empty range holds one value at most: nothing to draw from, and no reduction that could end.
  if (range <= 0)
  {
    return bottom;
  }
  if (v > range)
  {
    // A toggle takes the parity of its byte; any other parameter folds the byte back by its maximum, as
    // long as that lands inside the range, otherwise by the size of the range.
    const int maximum = truncated(param->GetMax());
    const int fold = maximum == 1 ? 2 : maximum;
    if (fold >= 1 && fold <= range + 1)
    {
      while (v > range)
      {
        v -= fold;
      }
    }
    else
    {
      v %= range + 1;
    }
  }
  // Offset by the minimum, so that a range that does not start at 0 is drawn from whole.
  return bottom + v;
}

void MIDIMessageManager::randomizePatchSettings(int part)
{
  if (part < 0 || part >= Korvid::kPartCount)
  {
    return;
  }
  const std::vector<Section>& walk = sections();
  // The locks are read before anything changes.
  std::vector<bool> locked;
  locked.reserve(walk.size());
  for (const Section& section : walk)
  {
    const IParam* lock = plug->GetParam(section.lock + part);
    locked.push_back(!lock || lock->Value() != 0.0);
  }
  auto set = [this, part](int base, double value) { setParameterFromDump(base + part, value); };
  auto draw = [this, part](int base, int pool) { return randomizer(base + part, pool); };

  for (size_t i = 0; i < walk.size(); ++i)
  {
    const Section& section = walk[i];
    if (locked[i])
    {
      continue;
    }
    if (section.rule == Rule::Unisono)
    {
      const int voices = draw(kOscillatorUnisono, kUnisonoPool);
      const bool mono = voices >= kMonoUnisono;
      set(kOscillatorUnisono, mono ? voices - 1 : voices);
      set(kOscillatorMonoPolyMode, mono ? 1.0 : 0.0);
    }
    else if (section.rule == Rule::Envelope)
    {
      const int mode = draw(section.mode, section.pool);
      const bool triggered = mode >= kTriggeredMode;
      set(section.mode, triggered ? mode - kTriggeredMode : mode);
      set(section.trigger, triggered ? 1.0 : 0.0);
    }
    for (const Draw& d : section.draws)
    {
      set(d.param, draw(d.param, d.pool));
    }
    if (section.rule == Rule::FilterRouting)
    {
      const int routing = draw(kFilterRouting, kFilterRoutingPool);
      set(kFilterRouting, routing);
      set(kFilterRoutingParallel, routing == 0 ? 1.0 : 0.0);
      set(kFilterRoutingSerial, routing == 0 ? 0.0 : 1.0);
    }
    else if (section.rule == Rule::ArpPattern)
    {
      for (int k = 0; k < kArpSteps; ++k)
      {
        const ArpStep& step = kArpStepParams[k];
        const int b = randomizer(kArpByteRange, kArpStepPool + 1 + k);
        const int low = lowNibble(b);
        const bool glide = low >= kAccentGlideBit;
        set(step.glide, glide ? 1.0 : 0.0);
        set(step.step, b / kNibble);
        set(step.accent, glide ? low - kAccentGlideBit : low);
      }
      for (int k = 0; k < kArpSteps; ++k)
      {
        const ArpStep& step = kArpStepParams[k];
        const int t = randomizer(kArpByteRange, kArpTimingPool + 1 + k);
        set(step.length, t / kNibble);
        set(step.timing, lowNibble(t));
      }
    }
  }
}
