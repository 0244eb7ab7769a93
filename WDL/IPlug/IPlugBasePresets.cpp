// The plug-in base's parameter serialisers and its preset list.
#include "IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* kUserPresetName = "user preset";

// Reads one double per parameter from first to first + count - 1, bounded to each range; stops at the
// first short read, after storing 0.0 bounded into the parameter whose bytes ran out.
int readParamValues(IPlugBase* plug, ByteChunk* pChunk, int startPos, int first, int count)
{
  int pos = startPos;
  for (int i = 0; i < count; ++i)
  {
    IParam* param = plug->GetParam(first + i);
    double v = 0.0;
    pos = pChunk->ReadValue(&v, pos);
    param->SetBounded(v);
    if (pos < 0)
    {
      break;
    }
  }
  return pos;
}
} // namespace

bool IPlugBase::SerializeParams(ByteChunk* pChunk)
{
  WDL_MutexLock lock(&mMutex);
  bool ok = true;
  for (int i = 0; i < NHostParams() && ok; ++i)
  {
    const double v = mParams[static_cast<size_t>(i)]->Value();
    ok = pChunk->AppendValue(&v) > 0;
  }
  return ok;
}

int IPlugBase::UnserializeParams(ByteChunk* pChunk, int startPos)
{
  WDL_MutexLock lock(&mMutex);
  if (startPos < 0 || NHostParams() < 1)
  {
    return startPos;
  }
  return readParamValues(this, pChunk, startPos, 0, NHostParams());
}

bool IPlugBase::SerializeNonAutomatedParams(ByteChunk* pChunk, int count)
{
  WDL_MutexLock lock(&mMutex);
  count = std::min(count, mNonAutomatedParams);
  const int first = NHostParams();
  for (int i = 0; i < count; ++i)
  {
    const double v = mParams[static_cast<size_t>(first + i)]->Value();
    pChunk->AppendValue(&v);
  }
  return true;
}

int IPlugBase::UnserializeNonAutomatedParams(ByteChunk* pChunk, int startPos, int count)
{
  WDL_MutexLock lock(&mMutex);
  if (startPos < 0 || count < 1)
  {
    return startPos;
  }
  count = std::min(count, mNonAutomatedParams);
  return readParamValues(this, pChunk, startPos, NHostParams(), count);
}

bool IPlugBase::CompareState(const unsigned char* data, int startPos)
{
  if (!data || startPos < 0)
  {
    return NHostParams() < 1;
  }
  for (int i = 0; i < NHostParams(); ++i)
  {
    double stored = 0.0;
    std::memcpy(&stored, data + sizeof(double) * static_cast<size_t>(startPos + i), sizeof(double));
    const float a = static_cast<float>(stored);
    const float b = static_cast<float>(mParams[static_cast<size_t>(i)]->Value());
    if (!(std::fabs(a - b) < 0.00001f))
    {
      return false;
    }
  }
  return true;
}

bool IPlugBase::SerializeState(ByteChunk* pChunk)
{
  return SerializeParams(pChunk);
}

int IPlugBase::UnserializeState(ByteChunk* pChunk, int startPos)
{
  return UnserializeParams(pChunk, startPos);
}

void IPlugBase::MakeDefaultPreset(const char* name, int nPresets)
{
  for (int n = 0; n < nPresets; ++n)
  {
    auto it = std::find_if(mPresets.begin(), mPresets.end(), [](const auto& p) { return !p->mInitialized; });
    if (it == mPresets.end())
    {
      return;
    }
    IPreset* preset = it->get();
    preset->mInitialized = true;
    preset->SetName(name ? name : "Empty");
    preset->mChunk.Clear();
    SerializeState(&preset->mChunk);
  }
}

void IPlugBase::EnsureDefaultPreset()
{
  MakeDefaultPreset("Empty", NPresets());
}

bool IPlugBase::RestorePreset(int idx)
{
  if (idx < 0 || idx >= NPresets())
  {
    return false;
  }
  IPreset* preset = mPresets[static_cast<size_t>(idx)].get();
  if (preset->mInitialized)
  {
    if (UnserializeState(&preset->mChunk, 0) <= 0)
    {
      return false;
    }
  }
  else
  {
    const int n = 1 + static_cast<int>(std::count_if(
                          mPresets.begin(), mPresets.end(),
                          [](const auto& p) { return std::strstr(p->mName, kUserPresetName) != nullptr; }));
    char name[IPreset::kMaxNameLen + 1];
    std::snprintf(name, sizeof(name), "%s %d", kUserPresetName, n);
    preset->mInitialized = true;
    preset->SetName(name);
    preset->mChunk.Clear();
    if (!SerializeState(&preset->mChunk))
    {
      return false;
    }
  }
  mCurrentPresetIdx = idx;
  PresetsChangedByHost();
  RedrawParamControls();
  return true;
}

bool IPlugBase::RestorePreset(const char* name)
{
  if (!name || !name[0])
  {
    return false;
  }
  for (int i = 0; i < NPresets(); ++i)
  {
    if (std::strcmp(mPresets[static_cast<size_t>(i)]->mName, name) == 0)
    {
      return RestorePreset(i);
    }
  }
  return false;
}

const char* IPlugBase::GetPresetName(int idx) const
{
  if (idx < 0 || idx >= NPresets())
  {
    return "";
  }
  return mPresets[static_cast<size_t>(idx)]->mName;
}

void IPlugBase::ModifyCurrentPreset(const char* name)
{
  if (mCurrentPresetIdx < 0 || mCurrentPresetIdx >= NPresets())
  {
    return;
  }
  IPreset* preset = mPresets[static_cast<size_t>(mCurrentPresetIdx)].get();
  preset->mChunk.Clear();
  SerializeState(&preset->mChunk);
  if (name && name[0])
  {
    preset->SetName(name);
  }
}

bool IPlugBase::SerializePresets(ByteChunk* pChunk)
{
  for (const auto& preset : mPresets)
  {
    pChunk->AppendText(preset->mName);
    const bool initialized = preset->mInitialized;
    pChunk->AppendValue(&initialized);
    if (initialized)
    {
      pChunk->AppendChunk(&preset->mChunk);
    }
    if (pChunk->Size() < 1)
    {
      return false;
    }
  }
  return true;
}

int IPlugBase::UnserializePresets(ByteChunk* pChunk, int startPos)
{
  int pos = startPos;
  WDL_String name;
  for (size_t i = 0; i < mPresets.size() && pos >= 0; ++i)
  {
    IPreset* preset = mPresets[i].get();
    // One text buffer for every preset: an empty stored name keeps the one read before it.
    pos = pChunk->ReadText(&name, pos);
    preset->SetName(name.Get());
    bool initialized = false;
    pos = pChunk->ReadValue(&initialized, pos);
    if (pos < 0)
    {
      break;
    }
    preset->mInitialized = initialized;
    if (initialized)
    {
      pos = UnserializeState(pChunk, pos);
      if (pos > 0)
      {
        preset->mChunk.Clear();
        SerializeState(&preset->mChunk);
      }
    }
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}
