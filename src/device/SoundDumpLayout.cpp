// The sound dump's byte map and the rules that pack several parameters into one byte.
#include "SoundDumpLayout.h"

#include "ParamIndex.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace
{
// How a byte relates to its parameters.
enum class Rule
{
  Plain,       // v
  Octave,      // 12 o + 16
  Semitone,    // s + 52
  BendRange,   // r + 40
  OscShape,    // sample memory: sample; else shape (+ wavetable from shape 7): p0 use-sample, p1 sample,
               // p2 shape, p3 wavetable
  Unisono,     // 16 unisono + mono/poly: p0 unisono, p1 mono/poly
  FilterRoute, // routing; reading also sets parallel (p1) and serial (p2)
  EnvMode,     // 32 trigger + mode: p0 mode, p1 trigger
  ArpStep,     // 16 step + glide + accent: p0 step, p1 glide, p2 accent
  ArpLength,   // 16 length + timing: p0 length, p1 timing
};

struct Entry
{
  int offset;
  Rule rule;
  int p0;
  int p1 = -1;
  int p2 = -1;
  int p3 = -1;
};

constexpr int kOctaveStep = 12;
constexpr int kOctaveBase = 16;
constexpr int kSemitoneBase = 52;
constexpr int kBendRangeBase = 40;
constexpr int kFirstWavetableShape = 7;
constexpr int kUnisonoStep = 16;
constexpr int kEnvTriggerStep = 32;
constexpr int kArpHighStep = 16;
constexpr int kArpGlideBit = 8;
constexpr int kLowNibble = 16;
constexpr int kPartCount = 16;
// Bytes of a dump are 7-bit; a received byte at or above this is no valid data byte.
constexpr int kDataLimit = 0x80;

// Byte offsets of the blocks with a regular shape.
constexpr int kEffect1ParamBase = 136;
constexpr int kEffect2ParamBase = 152;
constexpr int kEffectParamCount = 14;
constexpr int kModifierBase = 248;
constexpr int kModifierStride = 4;
constexpr int kModSlotBase = 265;
constexpr int kModSlotStride = 3;
constexpr int kArpStepBase = 333;
constexpr int kArpLengthBase = 349;

#define KV_MODIFIER(n)                                                                                       \
  {                                                                                                          \
    kModifier##n##Source1, kModifier##n##Source2, kModifier##n##SourceType, kModifier##n##SourceAmount       \
  }
const int kModifiers[4][4] = {KV_MODIFIER(1), KV_MODIFIER(2), KV_MODIFIER(3), KV_MODIFIER(4)};
#undef KV_MODIFIER

#define KV_SLOT(n)                                                                                           \
  {                                                                                                          \
    kModulation##n##Source, kModulation##n##Destination, kModulation##n##Amount                              \
  }
const int kModSlots[16][3] = {KV_SLOT(01), KV_SLOT(02), KV_SLOT(03), KV_SLOT(04), KV_SLOT(05), KV_SLOT(06),
                              KV_SLOT(07), KV_SLOT(08), KV_SLOT(09), KV_SLOT(10), KV_SLOT(11), KV_SLOT(12),
                              KV_SLOT(13), KV_SLOT(14), KV_SLOT(15), KV_SLOT(16)};
#undef KV_SLOT

#define KV_STEP(n)                                                                                           \
  {                                                                                                          \
    kArpPattern##n##Step, kArpPattern##n##Glide, kArpPattern##n##Accent, kArpPattern##n##StepLen,            \
        kArpPattern##n##Timing                                                                               \
  }
const int kArpSteps[16][5] = {KV_STEP(01), KV_STEP(02), KV_STEP(03), KV_STEP(04), KV_STEP(05), KV_STEP(06),
                              KV_STEP(07), KV_STEP(08), KV_STEP(09), KV_STEP(10), KV_STEP(11), KV_STEP(12),
                              KV_STEP(13), KV_STEP(14), KV_STEP(15), KV_STEP(16)};
#undef KV_STEP

const int kEffect1Params[kEffectParamCount] = {
    kEffect1Param01, kEffect1Param02, kEffect1Param03, kEffect1Param04, kEffect1Param05,
    kEffect1Param06, kEffect1Param07, kEffect1Param08, kEffect1Param09, kEffect1Param10,
    kEffect1Param11, kEffect1Param12, kEffect1Param13, kEffect1Param14};
const int kEffect2Params[kEffectParamCount] = {
    kEffect2Param01, kEffect2Param02, kEffect2Param03, kEffect2Param04, kEffect2Param05,
    kEffect2Param06, kEffect2Param07, kEffect2Param08, kEffect2Param09, kEffect2Param10,
    kEffect2Param11, kEffect2Param12, kEffect2Param13, kEffect2Param14};

std::vector<Entry> makeEntries()
{
  std::vector<Entry> e = {
      {8, Rule::Octave, kOscillator1Octave},
      {9, Rule::Semitone, kOscillator1Semitone},
      {10, Rule::Plain, kOscillator1Detune},
      {11, Rule::BendRange, kOscillator1BendRange},
      {12, Rule::Plain, kOscillator1Keytrack},
      {13, Rule::Plain, kOscillator1FMSource},
      {14, Rule::Plain, kOscillator1FMAmount},
      {15, Rule::OscShape, kOsc1UseSampleMemory, kOscillator1Sample, kOscillator1Shape,
       kOscillator1Wavetable},
      {16, Rule::Plain, kOscillator1Pulsewidth},
      {17, Rule::Plain, kOscillator1PWMSource},
      {18, Rule::Plain, kOscillator1PWMAmount},
      {21, Rule::Plain, kOscillator1LimitWT},
      {22, Rule::Plain, kOsc1UseSampleMemory},
      {23, Rule::Plain, kOscillator1Brilliance},
      {24, Rule::Octave, kOscillator2Octave},
      {25, Rule::Semitone, kOscillator2Semitone},
      {26, Rule::Plain, kOscillator2Detune},
      {27, Rule::BendRange, kOscillator2BendRange},
      {28, Rule::Plain, kOscillator2Keytrack},
      {29, Rule::Plain, kOscillator2FMSource},
      {30, Rule::Plain, kOscillator2FMAmount},
      {31, Rule::OscShape, kOsc2UseSampleMemory, kOscillator2Sample, kOscillator2Shape,
       kOscillator2Wavetable},
      {32, Rule::Plain, kOscillator2Pulsewidth},
      {33, Rule::Plain, kOscillator2PWMSource},
      {34, Rule::Plain, kOscillator2PWMAmount},
      {37, Rule::Plain, kOscillator2LimitWT},
      {38, Rule::Plain, kOsc2UseSampleMemory},
      {39, Rule::Plain, kOscillator2Brilliance},
      {40, Rule::Octave, kOscillator3Octave},
      {41, Rule::Semitone, kOscillator3Semitone},
      {42, Rule::Plain, kOscillator3Detune},
      {43, Rule::BendRange, kOscillator3BendRange},
      {44, Rule::Plain, kOscillator3Keytrack},
      {45, Rule::Plain, kOscillator3FMSource},
      {46, Rule::Plain, kOscillator3FMAmount},
      {47, Rule::Plain, kOscillator3Shape},
      {48, Rule::Plain, kOscillator3Pulsewidth},
      {49, Rule::Plain, kOscillator3PWMSource},
      {50, Rule::Plain, kOscillator3PWMAmount},
      {55, Rule::Plain, kOscillator3Brilliance},
      {56, Rule::Plain, kOscillator2SyncToOsc3},
      {57, Rule::Plain, kOscillatorPitchSource},
      {58, Rule::Plain, kOscillatorPitchAmount},
      {60, Rule::Plain, kOscillatorGlideOnOffSwitch},
      {63, Rule::Plain, kOscillatorGlideMode},
      {64, Rule::Plain, kOscillatorGlideRate},
      {65, Rule::Unisono, kOscillatorUnisono, kOscillatorMonoPolyMode},
      {66, Rule::Plain, kOscillatorUniDetune},
      {68, Rule::Plain, kOscillator1Level},
      {69, Rule::Plain, kOscillator1Balance},
      {70, Rule::Plain, kOscillator2Level},
      {71, Rule::Plain, kOscillator2Balance},
      {72, Rule::Plain, kOscillator3Level},
      {73, Rule::Plain, kOscillator3Balance},
      {74, Rule::Plain, kNoiseLevel},
      {75, Rule::Plain, kNoiseBalance},
      {76, Rule::Plain, kNoiseColour},
      {78, Rule::Plain, kRingModulationLevel},
      {79, Rule::Plain, kRingModulationBalance},
      {84, Rule::Plain, kFilter1Type},
      {85, Rule::Plain, kFilter1Cutoff},
      {87, Rule::Plain, kFilter1Resonance},
      {88, Rule::Plain, kFilter1Drive},
      {89, Rule::Plain, kFilter1DriveCurve},
      {93, Rule::Plain, kFilter1Keytrack},
      {94, Rule::Plain, kFilter1EnvAmount},
      {95, Rule::Plain, kFilter1EnvVelocity},
      {96, Rule::Plain, kFilter1ModSource},
      {97, Rule::Plain, kFilter1ModAmount},
      {98, Rule::Plain, kFilter1FMSource},
      {99, Rule::Plain, kFilter1FMAmount},
      {100, Rule::Plain, kFilter1Panning},
      {101, Rule::Plain, kFilter1PanSource},
      {102, Rule::Plain, kFilter1PanAmount},
      {104, Rule::Plain, kFilter2Type},
      {105, Rule::Plain, kFilter2Cutoff},
      {107, Rule::Plain, kFilter2Resonance},
      {108, Rule::Plain, kFilter2Drive},
      {109, Rule::Plain, kFilter2DriveCurve},
      {113, Rule::Plain, kFilter2Keytrack},
      {114, Rule::Plain, kFilter2EnvAmount},
      {115, Rule::Plain, kFilter2EnvVelocity},
      {116, Rule::Plain, kFilter2ModSource},
      {117, Rule::Plain, kFilter2ModAmount},
      {118, Rule::Plain, kFilter2FMSource},
      {119, Rule::Plain, kFilter2FMAmount},
      {120, Rule::Plain, kFilter2Panning},
      {121, Rule::Plain, kFilter2PanSource},
      {122, Rule::Plain, kFilter2PanAmount},
      {124, Rule::FilterRoute, kFilterRouting, kFilterRoutingParallel, kFilterRoutingSerial},
      {128, Rule::Plain, kAmpLevel},
      {129, Rule::Plain, kAmpLevelVelocity},
      {130, Rule::Plain, kAmpModSource},
      {131, Rule::Plain, kAmpModAmount},
      {135, Rule::Plain, kEffect1Mode},
      {136, Rule::Plain, kEffect1Mix},
      {151, Rule::Plain, kEffect2Mode},
      {152, Rule::Plain, kEffect2Mix},
      {167, Rule::Plain, kLFO1Shape},
      {168, Rule::Plain, kLFO1Speed},
      {170, Rule::Plain, kLFO1SyncOnOff},
      {171, Rule::Plain, kLFO1Clock},
      {172, Rule::Plain, kLFO1Startphase},
      {173, Rule::Plain, kLFO1Delay},
      {174, Rule::Plain, kLFO1Fade},
      {177, Rule::Plain, kLFO1Keytrack},
      {179, Rule::Plain, kLFO2Shape},
      {180, Rule::Plain, kLFO2Speed},
      {182, Rule::Plain, kLFO2SyncOnOff},
      {183, Rule::Plain, kLFO2Clock},
      {184, Rule::Plain, kLFO2Startphase},
      {185, Rule::Plain, kLFO2Delay},
      {186, Rule::Plain, kLFO2Fade},
      {189, Rule::Plain, kLFO2Keytrack},
      {191, Rule::Plain, kLFO3Shape},
      {192, Rule::Plain, kLFO3Speed},
      {194, Rule::Plain, kLFO3SyncOnOff},
      {195, Rule::Plain, kLFO3Clock},
      {196, Rule::Plain, kLFO3Startphase},
      {197, Rule::Plain, kLFO3Delay},
      {198, Rule::Plain, kLFO3Fade},
      {201, Rule::Plain, kLFO3Keytrack},
      {203, Rule::EnvMode, kFilterEnvMode, kFilterEnvTrigger},
      {206, Rule::Plain, kFilterEnvAttack},
      {207, Rule::Plain, kFilterAttackLevel},
      {208, Rule::Plain, kFilterEnvDecay},
      {209, Rule::Plain, kFilterEnvSustain},
      {210, Rule::Plain, kFilterEnvDecay2},
      {211, Rule::Plain, kFilterEnvSustain2},
      {212, Rule::Plain, kFilterEnvRelease},
      {215, Rule::EnvMode, kAmpEnvMode, kAmpEnvTrigger},
      {218, Rule::Plain, kAmpEnvAttack},
      {219, Rule::Plain, kAmpAttackLevel},
      {220, Rule::Plain, kAmpEnvDecay},
      {221, Rule::Plain, kAmpEnvSustain},
      {222, Rule::Plain, kAmpEnvDecay2},
      {223, Rule::Plain, kAmpEnvSustain2},
      {224, Rule::Plain, kAmpEnvRelease},
      {227, Rule::EnvMode, kEnvelope3Mode, kEnv3Trigger},
      {230, Rule::Plain, kEnv3Attack},
      {231, Rule::Plain, kEnv3AttackLevel},
      {232, Rule::Plain, kEnv3Decay},
      {233, Rule::Plain, kEnv3Sustain},
      {234, Rule::Plain, kEnv3Decay2},
      {235, Rule::Plain, kEnv3Sustain2},
      {236, Rule::Plain, kEnv3Release},
      {239, Rule::EnvMode, kEnvelope4Mode, kEnv4Trigger},
      {242, Rule::Plain, kEnv4Attack},
      {243, Rule::Plain, kEnv4AttackLevel},
      {244, Rule::Plain, kEnv4Decay},
      {245, Rule::Plain, kEnv4Sustain},
      {246, Rule::Plain, kEnv4Decay2},
      {247, Rule::Plain, kEnv4Sustain2},
      {248, Rule::Plain, kEnv4Release},
      {318, Rule::Plain, kArpMode},
      {319, Rule::Plain, kArpPattern},
      {321, Rule::Plain, kArpClock},
      {322, Rule::Plain, kArpNoteLength},
      {323, Rule::Plain, kArpOctRange},
      {324, Rule::Plain, kArpDirection},
      {325, Rule::Plain, kArpSortOrder},
      {326, Rule::Plain, kArpVelocityMode},
      {327, Rule::Plain, kArpTimeFactor},
      {328, Rule::Plain, kArpSameNoteOverlap},
      {329, Rule::Plain, kArpPatternReset},
      {330, Rule::Plain, kArpPatternLength},
  };
  for (int n = 0; n < kEffectParamCount; ++n)
  {
    e.push_back({kEffect1ParamBase + 1 + n, Rule::Plain, kEffect1Params[n]});
    e.push_back({kEffect2ParamBase + 1 + n, Rule::Plain, kEffect2Params[n]});
  }
  for (int k = 0; k < 4; ++k)
  {
    for (int i = 0; i < kModifierStride; ++i)
    {
      e.push_back({kModifierBase + kModifierStride * (k + 1) + i, Rule::Plain, kModifiers[k][i]});
    }
  }
  for (int k = 0; k < 16; ++k)
  {
    for (int i = 0; i < kModSlotStride; ++i)
    {
      e.push_back({kModSlotBase + kModSlotStride * (k + 1) + i, Rule::Plain, kModSlots[k][i]});
    }
    e.push_back({kArpStepBase + k + 1, Rule::ArpStep, kArpSteps[k][0], kArpSteps[k][1], kArpSteps[k][2]});
    e.push_back({kArpLengthBase + k + 1, Rule::ArpLength, kArpSteps[k][3], kArpSteps[k][4]});
  }
  // Parsing walks the bytes in increasing order: a parameter fed by two bytes takes the later one.
  std::stable_sort(e.begin(), e.end(), [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
  return e;
}

const std::vector<Entry>& entries()
{
  static const std::vector<Entry> table = makeEntries();
  return table;
}

// The effect-type specific parameters that an effect byte also sets when read, in order.
struct EffectCopies
{
  int offset;
  std::vector<int> params;
};

const std::vector<EffectCopies>& effectCopies()
{
  static const std::vector<EffectCopies> table = {
      {137, {kFX1ChorusSpeed, kFX1FlangerSpeed, kFX1PhaserSpeed, kFX1TripleFXSpeed}},
      {138, {kFX1ChorusDepth, kFX1FlangerDepht, kFX1PhaserDepth, kFX1OverdriveDrive, kFX1TripleFXDepth}},
      {139, {kFX1OverdrivePostGain}},
      {140, {kFX1TripleFXChorusMix}},
      {141, {kFX1FlangerFeedBack, kFX1PhaserFeedback, kFX1TripleFXSampleHold}},
      {142, {kFX1PhaserCenter, kFX1OverdriveCutoff, kFX1TripleFXOverdrive}},
      {143, {kFX1PhaserSpacing}},
      {145, {kFX1FlangerPolarity, kFX1PhaserPolarity}},
      {146, {kFX1OverdriveCurve}},
      {153, {kFX2ChorusSpeed, kFX2FlangerSpeed, kFX2PhaserSpeed, kFX2TripleFXSpeed, kFX2ReverbSize}},
      {154,
       {kFX2ChorusDepth, kFX2FlangerDepht, kFX2PhaserDepth, kFX2OverdriveDrive, kFX2TripleFXDepth,
        kFX2ReverbShape}},
      {155, {kFX2DelaySpread, kFX2OverdrivePostGain, kFX2ReverbDecay}},
      {156, {kFX2DelayLength, kFX2TripleFXChorusMix}},
      {157, {kFX2FlangerFeedBack, kFX2PhaserFeedback, kFX2DelayFeedback, kFX2TripleFXSampleHold}},
      {158,
       {kFX2PhaserCenter, kFX2DelayCutoff, kFX2OverdriveCutoff, kFX2TripleFXOverdrive, kFX2ReverbLowppass}},
      {159, {kFX2PhaserSpacing, kFX2ReverbHighPass}},
      {160, {kFX2ReverbDiffusion}},
      {161, {kFX2FlangerPolarity, kFX2PhaserPolarity, kFX2DelayPolarity, kFX2ReverbDamping}},
      {162, {kFX2DelaySpread, kFX2OverdriveCurve}},
      {163, {kFX2DelayLengthClock}},
  };
  return table;
}

// The effect copies of the byte at offset (all of them, in table order), or null: looked up in a table
// made once, as every plain byte of a dump asks.
const std::vector<int>* effectCopiesAt(int offset)
{
  static const std::vector<std::vector<int>> byOffset = []
  {
    std::vector<std::vector<int>> table(SoundDumpLayout::kDumpLength);
    for (const EffectCopies& copies : effectCopies())
    {
      std::vector<int>& params = table[static_cast<size_t>(copies.offset)];
      params.insert(params.end(), copies.params.begin(), copies.params.end());
    }
    return table;
  }();
  if (offset < 0 || offset >= SoundDumpLayout::kDumpLength || byOffset[static_cast<size_t>(offset)].empty())
  {
    return nullptr;
  }
  return &byOffset[static_cast<size_t>(offset)];
}

// A contiguous byte range kept by one section lock.
struct LockRange
{
  int first;
  int last;
  int lock;
};

const std::vector<LockRange>& lockRanges()
{
  static const std::vector<LockRange> table = []
  {
    std::vector<LockRange> r = {
        {8, 23, kSectionLockOsc1},       {24, 39, kSectionLockOsc2},      {56, 56, kSectionLockOsc2},
        {40, 55, kSectionLockOsc3},      {57, 58, kSectionLockPitchMod},  {60, 60, kSectionLockPitchMod},
        {63, 64, kSectionLockPitchMod},  {65, 66, kSectionLockUnisono},   {68, 75, kSectionLockMixer},
        {78, 79, kSectionLockMixer},     {76, 76, kSectionLockNoiseExt},  {84, 102, kSectionLockFilter1},
        {124, 124, kSectionLockFilter1}, {104, 122, kSectionLockFilter2}, {128, 131, kSectionLockAmp},
        {135, 150, kSectionLockFX1},     {151, 166, kSectionLockFX2},     {167, 177, kSectionLockLFO1},
        {179, 189, kSectionLockLFO2},    {191, 201, kSectionLockLFO3},    {203, 212, kSectionLockFilterEnv},
        {215, 224, kSectionLockAmpEnv},  {227, 236, kSectionLockEnv3},    {239, 248, kSectionLockEnv4},
        {318, 365, kSectionLockArp},
    };
    const int modifierLocks[4] = {kSectionLockMod1, kSectionLockMod2, kSectionLockMod3, kSectionLockMod4};
    for (int k = 0; k < 4; ++k)
    {
      const int first = kModifierBase + kModifierStride * (k + 1);
      r.push_back({first, first + kModifierStride - 1, modifierLocks[k]});
    }
    const int slotLocks[16] = {kSectionLockM1F, kSectionLockM2F, kSectionLockM3F, kSectionLockM4F,
                               kSectionLockM5F, kSectionLockM6F, kSectionLockM7F, kSectionLockM8F,
                               kSectionLockM1S, kSectionLockM2S, kSectionLockM3S, kSectionLockM4S,
                               kSectionLockM5S, kSectionLockM6S, kSectionLockM7S, kSectionLockM8S};
    for (int k = 0; k < 16; ++k)
    {
      const int first = kModSlotBase + kModSlotStride * (k + 1);
      r.push_back({first, first + kModSlotStride - 1, slotLocks[k]});
    }
    return r;
  }();
  return table;
}

// The lock parameter base of the section that keeps byte offset, or -1.
int lockFor(int offset)
{
  for (const LockRange& range : lockRanges())
  {
    if (offset >= range.first && offset <= range.last)
    {
      return range.lock;
    }
  }
  return -1;
}

// One byte of the map as reading it needs it, with its section lock looked up once.
struct ParseStep
{
  const Entry* entry;
  // Index into ParsePlan::lockParams of the lock that keeps the byte, or -1.
  int lockSlot;
  // The effect parameters that repeat the byte, or null (effectCopiesAt, looked up once).
  const std::vector<int>* copies;
};

struct ParsePlan
{
  // The distinct section lock parameter bases, in the order of lockRanges.
  std::vector<int> lockParams;
  // Every assigned byte, in increasing order.
  std::vector<ParseStep> steps;
  // Most values one dump gives (every section open).
  size_t valueCount = 0;
};

const ParsePlan& parsePlan()
{
  static const ParsePlan plan = []
  {
    ParsePlan p;
    for (const LockRange& range : lockRanges())
    {
      if (std::find(p.lockParams.begin(), p.lockParams.end(), range.lock) == p.lockParams.end())
      {
        p.lockParams.push_back(range.lock);
      }
    }
    for (const Entry& e : entries())
    {
      ParseStep step{&e, -1, effectCopiesAt(e.offset)};
      const int lock = lockFor(e.offset);
      if (lock >= 0)
      {
        step.lockSlot = static_cast<int>(std::find(p.lockParams.begin(), p.lockParams.end(), lock) -
                                         p.lockParams.begin());
      }
      // At most four parameters per byte, and the copies of an effect byte.
      p.valueCount += 4 + (step.copies ? step.copies->size() : 0);
      p.steps.push_back(step);
    }
    return p;
  }();
  return plan;
}

// A parameter value as the dump stores it: truncated toward zero.
int whole(double v)
{
  return static_cast<int>(v);
}

// The shape byte of an OscShape entry: the sample with sample memory on, else the shape (+ wavetable).
template <class Value> int oscShapeByte(const Entry& e, bool samples, const Value& v)
{
  if (samples)
  {
    return v(e.p1);
  }
  const int shape = v(e.p2);
  return shape >= kFirstWavetableShape ? shape + v(e.p3) : shape;
}

const char* const kCategoryTexts[SoundDumpLayout::kCategoryCount] = {
    "Init", "Arp", "Atmo", "Bass", "Drum", "FX", "Keys", "Lead", "Mono", "Pad", "Perc", "Poly", "Seq"};

constexpr uint8_t kTemplateHeader[] = {0xF0, 0x3E, 0x13, 0x00, 0x10, 0x7F, 0x00};
// Bytes 7 to 369 of the sound template.
constexpr uint8_t kTemplateSound[] = {
    0x01, 0x40, 0x40, 0x40, 0x42, 0x60, 0x00, 0x00, 0x01, 0x7F, 0x01, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x40, 0x40, 0x3B, 0x42, 0x60, 0x00, 0x00, 0x00, 0x7F, 0x03, 0x5C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40,
    0x40, 0x40, 0x42, 0x60, 0x00, 0x00, 0x00, 0x7F, 0x05, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
    0x54, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x7F, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00,
    0x00, 0x40, 0x40, 0x40, 0x01, 0x40, 0x00, 0x00, 0x40, 0x01, 0x40, 0x00, 0x00, 0x7F, 0x40, 0x00, 0x00,
    0x40, 0x00, 0x00, 0x00, 0x40, 0x40, 0x40, 0x03, 0x40, 0x00, 0x00, 0x40, 0x03, 0x40, 0x00, 0x00, 0x03,
    0x00, 0x00, 0x6E, 0x72, 0x05, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x40, 0x7F, 0x00, 0x7F, 0x7F,
    0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x07, 0x00, 0x7F, 0x7F, 0x00, 0x69, 0x64, 0x64, 0x7F,
    0x01, 0x00, 0x00, 0x0F, 0x40, 0x7F, 0x7F, 0x00, 0x32, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00,
    0x40, 0x00, 0x00, 0x28, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x1E, 0x40,
    0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x01, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x7F, 0x40,
    0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x7F, 0x40, 0x40, 0x00, 0x00, 0x00, 0x00,
    0x40, 0x00, 0x00, 0x40, 0x00, 0x7F, 0x40, 0x40, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00,
    0x7F, 0x40, 0x40, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00,
    0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00,
    0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00,
    0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40,
    0x00, 0x00, 0x40, 0x10, 0x64, 0x00, 0x00, 0x0F, 0x09, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x0F, 0x00, 0x00, 0x37, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x07, 0x04,
    0x04, 0x04, 0x04, 0x44, 0x47, 0x44, 0x47, 0x44, 0x47, 0x44, 0x47, 0x44, 0x47, 0x44, 0x47, 0x44, 0x47,
    0x44, 0x47, 0x44, 0x00, 0x00, 0x00,
};
constexpr int kTemplateSoundFirst = 7;
constexpr int kTemplateSoundLast = 369;
static_assert(sizeof(kTemplateSound) == kTemplateSoundLast - kTemplateSoundFirst + 1, "bytes 7 to 369");
constexpr uint8_t kTemplateChecksum = 0x7F;
} // namespace

const SoundDumpLayout::Dump& SoundDumpLayout::soundTemplate()
{
  static const Dump dump = []
  {
    Dump d{};
    for (size_t i = 0; i < sizeof(kTemplateHeader); ++i)
    {
      d[i] = kTemplateHeader[i];
    }
    for (size_t i = 0; i < sizeof(kTemplateSound); ++i)
    {
      d[kTemplateSoundFirst + i] = kTemplateSound[i];
    }
    for (int i = 0; i < kNameLength; ++i)
    {
      d[kNameOffset + i] = kBlank;
    }
    d[kChecksumOffset] = kTemplateChecksum;
    d[kDumpLength - 1] = 0xF7;
    return d;
  }();
  return dump;
}

void SoundDumpLayout::buildParameters(int part, const ValueReader& value, uint8_t* dump)
{
  auto v = [&](int base) { return whole(value(base + part)); };
  for (const Entry& e : entries())
  {
    int byte = 0;
    switch (e.rule)
    {
    case Rule::Plain:
      byte = v(e.p0);
      break;
    case Rule::Octave:
      byte = kOctaveStep * v(e.p0) + kOctaveBase;
      break;
    case Rule::Semitone:
      byte = v(e.p0) + kSemitoneBase;
      break;
    case Rule::BendRange:
      byte = v(e.p0) + kBendRangeBase;
      break;
    case Rule::OscShape:
      byte = oscShapeByte(e, v(e.p0) == 1, v);
      break;
    case Rule::Unisono:
      byte = kUnisonoStep * v(e.p0) + v(e.p1);
      break;
    case Rule::FilterRoute:
      byte = v(e.p0);
      break;
    case Rule::EnvMode:
      byte = kEnvTriggerStep * v(e.p1) + v(e.p0);
      break;
    case Rule::ArpStep:
    {
      const int glide = v(e.p1);
      byte = kArpHighStep * v(e.p0) + (glide == 1 ? kArpGlideBit : glide) + v(e.p2);
      break;
    }
    case Rule::ArpLength:
      byte = kArpHighStep * v(e.p0) + v(e.p1);
      break;
    }
    dump[e.offset] = static_cast<uint8_t>(byte & (kDataLimit - 1));
  }
}

namespace
{
// Reads byte b into the parameters of entry e through set (part already applied by set); copies are the
// effect parameters that repeat the byte (effectCopiesAt), or null.
template <class Set> void readEntry(const Entry& e, int b, const Set& set, const std::vector<int>* copies)
{
  switch (e.rule)
  {
  case Rule::Plain:
    set(e.p0, b);
    if (copies)
    {
      for (int param : *copies)
      {
        set(param, b);
      }
    }
    break;
  case Rule::Octave:
    set(e.p0, (b - kOctaveBase) / kOctaveStep);
    break;
  case Rule::Semitone:
    set(e.p0, b - kSemitoneBase);
    break;
  case Rule::BendRange:
    set(e.p0, b - kBendRangeBase);
    break;
  case Rule::OscShape:
    set(e.p1, b);
    if (b < kFirstWavetableShape)
    {
      set(e.p2, b);
      set(e.p3, 0);
    }
    else
    {
      set(e.p2, kFirstWavetableShape);
      set(e.p3, b - kFirstWavetableShape);
    }
    break;
  case Rule::Unisono:
    if (b % kUnisonoStep == 0 && b <= 5 * kUnisonoStep)
    {
      set(e.p0, b / kUnisonoStep);
      set(e.p1, 0);
    }
    else
    {
      set(e.p0, (b - 1) / kUnisonoStep);
      set(e.p1, 1);
    }
    break;
  case Rule::FilterRoute:
    set(e.p0, b);
    set(e.p1, b != 0 ? 0 : 1);
    set(e.p2, b != 0 ? 1 : 0);
    break;
  case Rule::EnvMode:
    if (b < kEnvTriggerStep)
    {
      set(e.p0, b);
      set(e.p1, 0);
    }
    else
    {
      set(e.p0, b - kEnvTriggerStep);
      set(e.p1, 1);
    }
    break;
  case Rule::ArpStep:
  {
    const int a = b < kDataLimit ? b % kLowNibble : 0;
    set(e.p1, 0);
    set(e.p0, b / kArpHighStep);
    set(e.p2, a);
    if (a >= kArpGlideBit)
    {
      set(e.p2, a - kArpGlideBit);
      set(e.p1, 1);
    }
    break;
  }
  case Rule::ArpLength:
    set(e.p0, b / kArpHighStep);
    set(e.p1, b < kDataLimit ? b % kLowNibble : 0);
    break;
  }
}
} // namespace

void SoundDumpLayout::parseParameters(const uint8_t* dump, int part, const ValueReader& lockValue,
                                      const ValueWriter& write)
{
  std::vector<ParsedValue> values;
  parseParameters(dump, part, lockValue, values);
  for (const ParsedValue& v : values)
  {
    write(v.paramIdx, static_cast<double>(v.value));
  }
}

void SoundDumpLayout::parseParameters(const uint8_t* dump, int part, const ValueReader& lockValue,
                                      std::vector<ParsedValue>& values)
{
  const ParsePlan& plan = parsePlan();
  values.clear();
  values.reserve(plan.valueCount);
  // The locks of the part, read once before anything changes.
  std::vector<uint8_t> lockedSlots(plan.lockParams.size());
  for (size_t i = 0; i < plan.lockParams.size(); ++i)
  {
    lockedSlots[i] = lockValue(plan.lockParams[i] + part) == 1.0 ? 1 : 0;
  }

  // Written field by field into the vector: a value put together on the stack first is read back whole,
  // and that read waits on the two stores.
  auto set = [&](int base, int value)
  {
    ParsedValue& v = values.emplace_back();
    v.paramIdx = base + part;
    v.value = value;
  };
  for (const ParseStep& step : plan.steps)
  {
    if (step.lockSlot < 0 || !lockedSlots[static_cast<size_t>(step.lockSlot)])
    {
      readEntry(*step.entry, dump[step.entry->offset], set, step.copies);
    }
  }
}

SoundDumpLayout::PackedByte SoundDumpLayout::parsePackedByte(int offset, uint8_t value, int part,
                                                             const ValueWriter& write)
{
  for (const Entry& e : entries())
  {
    if (e.offset != offset)
    {
      continue;
    }
    PackedByte kind = PackedByte::None;
    switch (e.rule)
    {
    case Rule::Unisono:
      kind = PackedByte::Unisono;
      break;
    case Rule::EnvMode:
      kind = PackedByte::Envelope;
      break;
    case Rule::ArpStep:
    case Rule::ArpLength:
      kind = PackedByte::ArpStep;
      break;
    case Rule::Octave:
    case Rule::Semitone:
      kind = PackedByte::Pitch;
      break;
    default:
      return PackedByte::None;
    }
    readEntry(
        e, value, [&](int base, int v) { write(base + part, static_cast<double>(v)); },
        effectCopiesAt(e.offset));
    return kind;
  }
  return PackedByte::None;
}

void SoundDumpLayout::keepShapeByte(int samplesSwitch, const ValueReader& value, const ValueWriter& write)
{
  for (const Entry& e : entries())
  {
    const int part = samplesSwitch - e.p0;
    if (e.rule != Rule::OscShape || part < 0 || part >= kPartCount)
    {
      continue;
    }
    auto v = [&](int base) { return whole(value(base + part)); };
    // The switch has moved: the synthesizer still holds the byte sent with it as it was.
    const int held = oscShapeByte(e, v(e.p0) != 1, v) & (kDataLimit - 1);
    readEntry(
        e, held, [&](int base, int x) { write(base + part, static_cast<double>(x)); }, nullptr);
    return;
  }
}

const char* SoundDumpLayout::categoryText(int code)
{
  return (code >= 0 && code < kCategoryCount) ? kCategoryTexts[code] : "";
}

bool SoundDumpLayout::isFixedByte(int offset)
{
  if (offset < kTemplateSoundFirst || offset > kTemplateSoundLast)
  {
    return false;
  }
  if (offset > kLastParameterByte || offset == kTemplateSoundFirst)
  {
    return true;
  }
  for (const Entry& e : entries())
  {
    if (e.offset == offset)
    {
      return false;
    }
  }
  return true;
}
