// Helpers of the state save and recall tests: chunks through the host's dispatcher, the body's layout, and a
// snapshot of everything a recall may change.
#pragma once

#include "KorvidTestSupport.h"

#include "PatchManager.h"
#include "StateBody.h"
#include "VstAbi.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace korvidtest
{
constexpr int kBankChunk = 0;

// The chunk the host stores, through the effect record (plug mutex held as in a host).
inline Bytes hostChunk(Korvid& plug)
{
  AEffect* effect = plug.GetAEffect();
  void* data = nullptr;
  const VstIntPtr size = effect->dispatcher(effect, effGetChunk, kBankChunk, 0, &data, 0.0f);
  if (size <= 0 || !data)
  {
    return {};
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return Bytes(bytes, bytes + size);
}

// Hands bytes back as a host does when it opens a project; 1 when the plug-in took them.
inline VstIntPtr giveHostChunk(Korvid& plug, Bytes bytes)
{
  AEffect* effect = plug.GetAEffect();
  return effect->dispatcher(effect, effSetChunk, kBankChunk, static_cast<VstIntPtr>(bytes.size()),
                            bytes.data(), 0.0f);
}

// What a recall may change, to tell whether a recall left the instance alone.
struct RecallSnapshot
{
  std::vector<double> values;
  std::vector<std::string> names;
  Bytes nameData;
  std::vector<int> banks;
  std::vector<int> programs;
  std::vector<std::string> openOutputs;
  std::vector<std::string> openInputs;
  std::vector<std::string> displayTexts;
  bool outputPresent = false;
  int currentPart = 0;
  int deviceId = 0;
  int bankSelection = 0;
  int patchSelection = 0;
  bool flags[6] = {};

  // withValues false leaves out the parameter values, the names and the data block.
  RecallSnapshot(Korvid& plug, const MidiFakeSystem* midi, bool withValues = true)
  {
    if (withValues)
    {
      for (int i = 0; i < plug.NParams(); ++i)
        values.push_back(plug.GetParam(i)->Value());
      names = plug.mPatchManager->mNames;
      nameData.assign(plug.mPatchManager->mData.Bytes(),
                      plug.mPatchManager->mData.Bytes() + plug.mPatchManager->mData.Size());
    }
    banks = plug.mPartBankTable.values();
    programs = plug.mPartProgramTable.values();
    if (midi)
    {
      openOutputs = midi->openOutputs();
      openInputs = midi->openInputs();
    }
    displayTexts.push_back(plug.GetParam(kMultiName)->GetDisplayText(0));
    for (int part = 0; part < Korvid::kPartCount; ++part)
      displayTexts.push_back(plug.GetParam(kPatchName + part)->GetDisplayText(0));
    outputPresent = plug.mOutputPresent;
    currentPart = plug.mCurrentPart;
    deviceId = plug.mDeviceId;
    bankSelection = plug.mPatchManager->mBankSelection;
    patchSelection = plug.mPatchManager->mPatchSelection;
    const bool f[6] = {plug.mHostInputBlocked[0], plug.mHardwareInputBlocked[6],
                       plug.mMidiOutMode,         plug.mIgnoreIncoming,
                       plug.mPushGlobal,          plug.mPushAllParts};
    std::copy(std::begin(f), std::end(f), flags);
  }

  // The instance still is as this snapshot saw it; compared in place, for the many rounds of a fuzz run.
  bool unchanged(Korvid& plug, const MidiFakeSystem* midi) const
  {
    for (int i = 0; i < plug.NParams(); ++i)
    {
      const double value = plug.GetParam(i)->Value();
      if (std::memcmp(&value, &values[static_cast<size_t>(i)], sizeof value) != 0)
        return false;
    }
    const ByteChunk& data = plug.mPatchManager->mData;
    if (plug.mPatchManager->mNames != names || static_cast<size_t>(data.Size()) != nameData.size() ||
        (data.Size() > 0 && std::memcmp(data.Bytes(), nameData.data(), nameData.size()) != 0))
      return false;
    RecallSnapshot now(plug, midi, false);
    return sameAsideFromValues(now);
  }

private:
  bool sameAsideFromValues(const RecallSnapshot& o) const
  {
    return banks == o.banks && programs == o.programs && openOutputs == o.openOutputs &&
           openInputs == o.openInputs && displayTexts == o.displayTexts && outputPresent == o.outputPresent &&
           currentPart == o.currentPart && deviceId == o.deviceId && bankSelection == o.bankSelection &&
           patchSelection == o.patchSelection &&
           std::equal(std::begin(flags), std::end(flags), std::begin(o.flags));
  }
};

// A value inside the parameter's range, different for neighbouring indices and seldom a whole number.
inline double editedValue(const IParam& param, int index)
{
  const double fraction = static_cast<double>((index * 7919) % 1009) / 1008.0;
  return param.GetMin() + (param.GetMax() - param.GetMin()) * fraction;
}

// The part tab a saved state shows.
constexpr int kShownPart = 5;
// The synthesizer's port as a project stores it, another port, and the prefix of the recall's log lines.
constexpr const char* kBlofeld = "Blofeld:Blofeld MIDI 1 24:0";
constexpr const char* kOther = "Other:Other MIDI 1 20:0";
constexpr const char* kLogPrefix = "PROJECT RECALL: ";

// Chooses entry `entry` of the input port list as the user does.
inline void chooseInputPort(Korvid& plug, int entry)
{
  plug.SetParameterFromGUI(kDeviceInSelection, plug.GetParam(kDeviceInSelection)->GetNormalized(entry));
}

// Every stored parameter edited (settled to its step, as the editor keeps values), the shown part, parts 1
// and 4 active, some MIDI filter classes passing, KEEP BANK OPEN off, and the multi, part and category names.
inline void editEverything(Korvid& plug)
{
  plug.SetParameterFromGUI(kQuickTab, plug.GetParam(kQuickTab)->GetNormalized(kShownPart));
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    IParam* param = plug.GetParam(i);
    if (i != kUserInterfaceStyle && i != kUserInterfaceSize)
      param->Set(editedValue(*param, i));
  }
  for (int part = 0; part < Korvid::kPartCount; ++part)
  {
    plug.GetParam(kMultiPartStatus + part)->Set(part == 1 || part == 4 ? 1.0 : 0.0);
  }
  plug.GetParam(kMIDIFilterDAWCCPassThrough)->Set(1.0);
  plug.GetParam(kMIDIFilterDAWPCPassThrough)->Set(0.0);
  plug.GetParam(kMIDIFilterHWNotePassThrough)->Set(1.0);
  plug.GetParam(kMIDIFilterToDAWBuffer)->Set(1.0);
  plug.GetParam(kKeepSelectedBank)->Set(0.0); // the editor starts with KEEP BANK OPEN on
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    IParam* param = plug.GetParam(i);
    param->SetNormalized(param->GetNormalized());
  }
  plug.mPatchManager->setName(PatchManager::kMultiNameSlot, "Recalled Multi and more");
  for (int part = 0; part < Korvid::kPartCount; ++part)
  {
    plug.mPatchManager->setName(PatchManager::kFirstPartNameSlot + part, "Sound " + std::to_string(part));
    plug.mPatchManager->setName(PatchManager::kFirstCategorySlot + part, "Pad ");
  }
}

// Every parameter's value, stored or not.
inline std::vector<double> storedAndOtherValues(Korvid& plug)
{
  std::vector<double> v;
  for (int i = 0; i < plug.NParams(); ++i)
  {
    v.push_back(plug.GetParam(i)->Value());
  }
  return v;
}

// The bank and program tables, the queue frames and the MIDI filter flags follow the values of a state made
// by editEverything: only exactly 1.0 lets a class pass.
inline void expectTablesAndFlagsOf(Korvid& plug, const std::vector<double>& saved)
{
  for (int part = 0; part < Korvid::kPartCount; ++part)
  {
    EXPECT_EQ(plug.mPartBankTable[static_cast<size_t>(part)],
              static_cast<int>(saved[static_cast<size_t>(kMultiPartBank + part)]));
    EXPECT_EQ(plug.mPartProgramTable[static_cast<size_t>(part)],
              static_cast<int>(saved[static_cast<size_t>(kMultiPartPatch + part)]));
  }
  EXPECT_EQ(plug.mPartBankTable[16], static_cast<int>(saved[kMultiBank]));
  EXPECT_EQ(plug.mPartProgramTable[16], static_cast<int>(saved[kMultiPatch]));
  EXPECT_EQ(plug.mQueueFrames, 2 * static_cast<int>(saved[kAdjustDAWOffset]) + plug.GetBlockSize());
  EXPECT_FALSE(plug.mHostInputBlocked[0]);
  EXPECT_TRUE(plug.mHostInputBlocked[1]);
  EXPECT_FALSE(plug.mHardwareInputBlocked[2]);
  EXPECT_TRUE(plug.mMidiOutMode);
}

inline bool sameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The lines of the debug log that start with prefix, without their time stamps.
inline std::vector<std::string> logLines(const std::string& path, const std::string& prefix)
{
  std::ifstream in(path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line))
  {
    const size_t at = line.find(prefix);
    if (at != std::string::npos)
      lines.push_back(line.substr(at));
  }
  return lines;
}
} // namespace korvidtest
