// The outgoing path of one prepared parameter message, and the copies of effect-type specific effect
// parameters into the generic ones the synthesizer addresses.
#include "MIDIMessageManager.h"

#include "Korvid.h"
#include "ParamIndex.h"

#include <initializer_list>

namespace
{
constexpr int kPartsPerFamily = 16;
constexpr unsigned kLowByteMask = 0xFF;

// One generic effect parameter (first index of its part block) and the specific ones copied into it.
struct EffectCopy
{
  int generic;
  std::initializer_list<int> specifics;
};

const EffectCopy kEffect1Copies[] = {
    {kEffect1Param01, {kFX1ChorusSpeed, kFX1FlangerSpeed, kFX1PhaserSpeed, kFX1TripleFXSpeed}},
    {kEffect1Param02,
     {kFX1ChorusDepth, kFX1FlangerDepht, kFX1PhaserDepth, kFX1OverdriveDrive, kFX1TripleFXDepth}},
    {kEffect1Param03, {kFX1OverdrivePostGain}},
    {kEffect1Param04, {kFX1TripleFXChorusMix}},
    {kEffect1Param05, {kFX1FlangerFeedBack, kFX1PhaserFeedback, kFX1TripleFXSampleHold}},
    {kEffect1Param06, {kFX1PhaserCenter, kFX1OverdriveCutoff, kFX1TripleFXOverdrive}},
    {kEffect1Param07, {kFX1PhaserSpacing}},
    {kEffect1Param09, {kFX1FlangerPolarity, kFX1PhaserPolarity}},
    {kEffect1Param10, {kFX1OverdriveCurve}},
};

const EffectCopy kEffect2Copies[] = {
    {kEffect2Param01,
     {kFX2ChorusSpeed, kFX2FlangerSpeed, kFX2PhaserSpeed, kFX2TripleFXSpeed, kFX2ReverbSize}},
    {kEffect2Param02,
     {kFX2ChorusDepth, kFX2FlangerDepht, kFX2PhaserDepth, kFX2OverdriveDrive, kFX2TripleFXDepth,
      kFX2ReverbShape}},
    {kEffect2Param03, {kFX2OverdrivePostGain, kFX2ReverbDecay}},
    {kEffect2Param04, {kFX2DelayLength, kFX2TripleFXChorusMix}},
    {kEffect2Param05, {kFX2FlangerFeedBack, kFX2PhaserFeedback, kFX2DelayFeedback, kFX2TripleFXSampleHold}},
    {kEffect2Param06,
     {kFX2PhaserCenter, kFX2DelayCutoff, kFX2OverdriveCutoff, kFX2TripleFXOverdrive, kFX2ReverbLowppass}},
    {kEffect2Param07, {kFX2PhaserSpacing, kFX2ReverbHighPass}},
    {kEffect2Param08, {kFX2ReverbDiffusion}},
    {kEffect2Param09, {kFX2FlangerPolarity, kFX2PhaserPolarity, kFX2DelayPolarity, kFX2ReverbDamping}},
    // The synthesizer carries the delay spread and the overdrive curve in effect parameter 10 (the dump
    // layout reads them from there too).
    {kEffect2Param10, {kFX2DelaySpread, kFX2OverdriveCurve}},
    {kEffect2Param11, {kFX2DelayLengthClock}},
};

// Every row whose specific block holds paramIdx gets value in its generic parameter of the same part. A
// specific parameter may feed more than one generic one, so all rows are visited.
template <size_t N> void copyIntoGeneric(Korvid* plug, const EffectCopy (&table)[N], int paramIdx, int value)
{
  if (!plug)
  {
    return;
  }
  for (const EffectCopy& row : table)
  {
    for (int specific : row.specifics)
    {
      if (paramIdx < specific || paramIdx >= specific + kPartsPerFamily)
      {
        continue;
      }
      if (IParam* target = plug->GetParam(row.generic + (paramIdx - specific)))
      {
        target->SetBounded(static_cast<double>(value));
      }
    }
  }
}
} // namespace

void MIDIMessageManager::sendSysexMessage(std::vector<int> message)
{
  if (!plug)
  {
    return;
  }
  const IParam* output = plug->GetParam(kDeviceOutSelection);
  if (!output || output->Int() == 0)
  {
    plug->sayNoOutput();
    return;
  }
  if (message.empty())
  {
    return;
  }
  std::vector<unsigned char> bytes;
  bytes.reserve(message.size());
  for (int value : message)
  {
    bytes.push_back(static_cast<unsigned char>(static_cast<unsigned>(value) & kLowByteMask));
  }
  plug->SendMidiSysex(bytes.data(), static_cast<int>(bytes.size()));
}

void MIDIMessageManager::SetFX1ParameterChangesToDefaultParameters(int paramIdx, int value)
{
  copyIntoGeneric(plug, kEffect1Copies, paramIdx, value);
}

void MIDIMessageManager::SetFX2ParameterChangesToDefaultParameters(int paramIdx, int value)
{
  copyIntoGeneric(plug, kEffect2Copies, paramIdx, value);
}
