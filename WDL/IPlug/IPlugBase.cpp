// Host-independent base of every plug-in object: set-up, parameters, channels and processing.
#include "IPlugBase.h"

#include "IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

IPlugBase::IPlugBase(int, const char*, int, const char*, const char*, const char*, int vendorVersion,
                     int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
                     bool plugIsInst, EAPI plugAPI)
    : mUniqueID(uniqueID), mMfrID(mfrID), mVersion(vendorVersion), mAPI(plugAPI),
      mStateChunks(plugDoesChunks), mIsInst(plugIsInst), mDoesMIDI(plugDoesMidi), mLatency(latency),
      mMidiPorts(this)
{
  mEffectName[0] = mProductName[0] = mMfrName[0] = '\0';
}

IPlugBase::~IPlugBase()
{
  mMidiPorts.CloseAll();
  delete mGraphics;
  mGraphics = nullptr;
}

void IPlugBase::initialize(int hostParams, int totalParams, const char* channelIOStr, int nPresets,
                           const char* effectName, const char* productName, const char* mfrName, int, int,
                           int, int, bool, bool, bool)
{
  totalParams = std::max(totalParams, 0);
  mNonAutomatedParams = std::max(0, totalParams - std::max(hostParams, 0));

  mParams.reserve(static_cast<size_t>(totalParams));
  for (int i = 0; i < totalParams; ++i)
  {
    mParams.push_back(std::make_unique<IParam>());
  }
  for (int i = 0; i < nPresets; ++i)
  {
    mPresets.push_back(std::make_unique<IPreset>());
  }

  CopyBounded(mEffectName, effectName, sizeof(mEffectName));
  CopyBounded(mProductName, productName, sizeof(mProductName));
  CopyBounded(mMfrName, mfrName, sizeof(mMfrName));

  int nInputs = 0;
  int nOutputs = 0;
  const char* item = channelIOStr;
  while (item)
  {
    int nIn = 0;
    int nOut = 0;
    // A number that does not parse counts as 0.
    if (std::sscanf(item, "%d-%d", &nIn, &nOut) < 2)
    {
      nOut = 0;
    }
    nIn = std::max(nIn, 0);
    nOut = std::max(nOut, 0);
    mChannelIO.emplace_back(nIn, nOut);
    nInputs = std::max(nInputs, nIn);
    nOutputs = std::max(nOutputs, nOut);
    item = std::strchr(item, ' ');
    if (item)
    {
      ++item;
    }
  }

  mInData.assign(static_cast<size_t>(nInputs), nullptr);
  mOutData.assign(static_cast<size_t>(nOutputs), nullptr);
  for (int i = 0; i < nInputs; ++i)
  {
    auto channel = std::make_unique<InChannel>();
    channel->mSrc = &mInData[static_cast<size_t>(i)];
    mInChannels.push_back(std::move(channel));
  }
  for (int i = 0; i < nOutputs; ++i)
  {
    auto channel = std::make_unique<OutChannel>();
    channel->mDest = &mOutData[static_cast<size_t>(i)];
    mOutChannels.push_back(std::move(channel));
  }
}

void IPlugBase::addNonAutomateParamCount(int n)
{
  mNonAutomatedParams = std::max(0, std::min(n, NParams()));
}

void IPlugBase::Reset()
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnParamChange(int)
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnParamChange2(int)
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnActivate(bool)
{
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::ProcessMidiMsg(IMidiMsg*, bool) {}

void IPlugBase::ProcessSysEx(ISysEx*, bool) {}

bool IPlugBase::MidiNoteName(int, char* name)
{
  if (name)
  {
    name[0] = '\0';
  }
  return false;
}

namespace
{
// Copies each input to the output of the same index and zeroes the outputs without one.
template <class Sample> void passThrough(Sample** inputs, Sample** outputs, int nIn, int nOut, int nFrames)
{
  if (!outputs || nFrames < 1)
  {
    return;
  }
  for (int i = 0; i < nOut; ++i)
  {
    Sample* out = outputs[i];
    if (!out)
    {
      continue;
    }
    const Sample* in = (inputs && i < nIn) ? inputs[i] : nullptr;
    if (in)
    {
      std::memmove(out, in, sizeof(Sample) * static_cast<size_t>(nFrames));
    }
    else
    {
      std::fill(out, out + nFrames, Sample(0));
    }
  }
}
} // namespace

void IPlugBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  passThrough(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IPlugBase::ProcessSingleReplacing(float** inputs, float** outputs, int nFrames)
{
  passThrough(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IPlugBase::OnParamReset()
{
  for (int i = 0; i < NHostParams(); ++i)
  {
    OnParamChange(i);
  }
  Reset();
}

namespace
{
template <class Handler>
void setParameterThenNotify(IPlugBase* plug, int idx, double normalizedValue, Handler handler)
{
  WDL_MutexLock lock(plug->GetMutex());
  IParam* param = plug->GetParam(idx);
  if (!param)
  {
    return;
  }
  const double before = param->Value();
  param->SetNormalized(normalizedValue);
  plug->InformHostOfParamChange(idx, normalizedValue);
  if (param->Value() != before || param->Type() == IParam::kTypeText)
  {
    handler(idx);
  }
}
} // namespace

void IPlugBase::SetParameterFromGUI(int idx, double normalizedValue)
{
  setParameterThenNotify(this, idx, normalizedValue, [this](int i) { OnParamChange(i); });
}

void IPlugBase::SetParameterFromGUI2(int idx, double normalizedValue)
{
  setParameterThenNotify(this, idx, normalizedValue, [this](int i) { OnParamChange2(i); });
}

void IPlugBase::SetLatency(int samples)
{
  mLatency = samples;
}

void IPlugBase::AttachGraphics(IGraphics* pGraphics)
{
  if (!pGraphics)
  {
    return;
  }
  WDL_MutexLock lock(&mMutex);
  pGraphics->SetAllParametersFromPlug(false);
  pGraphics->PrepDraw();
  if (mGraphics != pGraphics)
  {
    delete mGraphics;
  }
  mGraphics = pGraphics;
}

void IPlugBase::RedrawParamControls()
{
  if (!mGraphics)
  {
    return;
  }
  mGraphics->SetAllParametersFromPlug(true);
}

void IPlugBase::SetBlockSize(int nFrames)
{
  nFrames = std::max(nFrames, 0);
  if (nFrames == mBlockSize)
  {
    return;
  }
  for (auto& channel : mInChannels)
  {
    channel->mScratchBuf.assign(static_cast<size_t>(nFrames), 0.0);
    if (!channel->mConnected)
    {
      *channel->mSrc = channel->mScratchBuf.empty() ? nullptr : channel->mScratchBuf.data();
    }
  }
  for (auto& channel : mOutChannels)
  {
    channel->mScratchBuf.assign(static_cast<size_t>(nFrames), 0.0);
    if (!channel->mConnected)
    {
      *channel->mDest = channel->mScratchBuf.empty() ? nullptr : channel->mScratchBuf.data();
    }
  }
  mBlockSize = nFrames;
}

void IPlugBase::EnsureScratchFrames(int nFrames)
{
  const size_t frames = static_cast<size_t>(std::max(nFrames, 0));
  for (auto& channel : mInChannels)
  {
    if (channel->mScratchBuf.size() < frames)
    {
      channel->mScratchBuf.resize(frames, 0.0);
      if (!channel->mConnected)
      {
        *channel->mSrc = channel->mScratchBuf.data();
      }
    }
  }
  for (auto& channel : mOutChannels)
  {
    if (channel->mScratchBuf.size() < frames)
    {
      channel->mScratchBuf.resize(frames, 0.0);
      if (!channel->mConnected)
      {
        *channel->mDest = channel->mScratchBuf.data();
      }
    }
  }
}

bool IPlugBase::LegalIO(int nIn, int nOut) const
{
  for (const auto& io : mChannelIO)
  {
    const bool inMatches = nIn < 0 || io.first == nIn;
    const bool outMatches = nOut < 0 || io.second == nOut;
    if (inMatches && outMatches)
    {
      return true;
    }
  }
  return false;
}

void IPlugBase::LimitToStereoIO()
{
  if (NInChannels() > 2)
  {
    SetInputChannelConnections(2, NInChannels() - 2, false);
  }
}

bool IPlugBase::GetChannelIO(int idx, int* pNIn, int* pNOut) const
{
  if (idx < 0 || idx >= NChannelIO())
  {
    return false;
  }
  *pNIn = mChannelIO[static_cast<size_t>(idx)].first;
  *pNOut = mChannelIO[static_cast<size_t>(idx)].second;
  return true;
}

bool IPlugBase::IsInChannelConnected(int chIdx) const
{
  return chIdx >= 0 && chIdx < NInChannels() && mInChannels[static_cast<size_t>(chIdx)]->mConnected;
}

bool IPlugBase::IsOutChannelConnected(int chIdx) const
{
  return chIdx >= 0 && chIdx < NOutChannels() && mOutChannels[static_cast<size_t>(chIdx)]->mConnected;
}

void IPlugBase::SetInputChannelConnections(int idx, int n, bool connected)
{
  const int end = std::min(idx + std::max(n, 0), NInChannels());
  for (int i = std::max(idx, 0); i < end; ++i)
  {
    InChannel* channel = mInChannels[static_cast<size_t>(i)].get();
    channel->mConnected = connected;
    if (!connected)
    {
      *channel->mSrc = channel->mScratchBuf.empty() ? nullptr : channel->mScratchBuf.data();
    }
  }
}

void IPlugBase::SetOutputChannelConnections(int idx, int n, bool connected)
{
  const int end = std::min(idx + std::max(n, 0), NOutChannels());
  for (int i = std::max(idx, 0); i < end; ++i)
  {
    OutChannel* channel = mOutChannels[static_cast<size_t>(i)].get();
    channel->mConnected = connected;
    if (!connected)
    {
      *channel->mDest = channel->mScratchBuf.empty() ? nullptr : channel->mScratchBuf.data();
    }
  }
}

void IPlugBase::AttachInputBuffers(int idx, int n, double** ppData, int nFrames)
{
  EnsureScratchFrames(nFrames);
  const int end = std::min(idx + std::max(n, 0), NInChannels());
  for (int i = std::max(idx, 0); i < end; ++i)
  {
    InChannel* channel = mInChannels[static_cast<size_t>(i)].get();
    if (channel->mConnected)
    {
      double* host = ppData ? *ppData++ : nullptr;
      *channel->mSrc = host ? host : channel->mScratchBuf.data();
    }
  }
}

void IPlugBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames)
{
  EnsureScratchFrames(nFrames);
  const int end = std::min(idx + std::max(n, 0), NInChannels());
  for (int i = std::max(idx, 0); i < end; ++i)
  {
    InChannel* channel = mInChannels[static_cast<size_t>(i)].get();
    if (!channel->mConnected)
    {
      continue;
    }
    double* scratch = channel->mScratchBuf.empty() ? nullptr : channel->mScratchBuf.data();
    if (nFrames > 0)
    {
      const float* host = ppData ? *ppData++ : nullptr;
      for (int s = 0; s < nFrames; ++s)
      {
        scratch[s] = host ? host[s] : 0.0;
      }
    }
    *channel->mSrc = scratch;
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, double** ppData)
{
  const int end = std::min(idx + std::max(n, 0), NOutChannels());
  for (int i = std::max(idx, 0); i < end; ++i)
  {
    OutChannel* channel = mOutChannels[static_cast<size_t>(i)].get();
    if (channel->mConnected)
    {
      double* host = ppData ? *ppData++ : nullptr;
      *channel->mDest = host ? host : channel->mScratchBuf.data();
    }
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, float** ppData)
{
  const int end = std::min(idx + std::max(n, 0), NOutChannels());
  for (int i = std::max(idx, 0); i < end; ++i)
  {
    OutChannel* channel = mOutChannels[static_cast<size_t>(i)].get();
    if (channel->mConnected)
    {
      *channel->mDest = channel->mScratchBuf.empty() ? nullptr : channel->mScratchBuf.data();
      channel->mFDest = ppData ? *ppData++ : nullptr;
    }
  }
}

void IPlugBase::ProcessBuffers(double, int nFrames)
{
  ProcessBuffersTo(nFrames, false, false);
}

void IPlugBase::ProcessBuffers(float, int nFrames)
{
  ProcessBuffersTo(nFrames, true, false);
}

void IPlugBase::ProcessBuffersAccumulating(float, int nFrames)
{
  ProcessBuffersTo(nFrames, true, true);
}

void IPlugBase::ProcessBuffersTo(int nFrames, bool toFloat, bool accumulate)
{
  ProcessDoubleReplacing(mInData.empty() ? nullptr : mInData.data(),
                         mOutData.empty() ? nullptr : mOutData.data(), nFrames);
  if (!toFloat || nFrames < 1)
  {
    return;
  }
  for (auto& channel : mOutChannels)
  {
    const double* src = *channel->mDest;
    float* dst = channel->mFDest;
    if (!channel->mConnected || !src || !dst)
    {
      continue;
    }
    for (int s = 0; s < nFrames; ++s)
    {
      if (accumulate)
      {
        dst[s] += static_cast<float>(src[s]);
      }
      else
      {
        dst[s] = static_cast<float>(src[s]);
      }
    }
  }
}

int IPlugBase::GetEffectVersion(bool decimal) const
{
  if (!decimal)
  {
    return mVersion;
  }
  const int major = (mVersion >> 16) & 0xFFFF;
  const int minor = (mVersion >> 8) & 0xFF;
  const int bugfix = mVersion & 0xFF;
  return major * 10000 + minor * 100 + bugfix;
}

void IPlugBase::GetEffectVersionStr(char* out) const
{
  const int major = (mVersion >> 16) & 0xFFFF;
  const int minor = (mVersion >> 8) & 0xFF;
  const int bugfix = mVersion & 0xFF;
  if (bugfix)
  {
    std::snprintf(out, 32, "v%d.%d.%d", major, minor, bugfix);
  }
  else if (minor)
  {
    std::snprintf(out, 32, "v%d.%d", major, minor);
  }
  else
  {
    std::snprintf(out, 32, "v%d", major);
  }
}

int IPlugBase::GetHostVersion(bool decimal) const
{
  if (!decimal)
  {
    return mHostVersion;
  }
  return ((mHostVersion >> 16) & 0xFFFF) * 10000 + ((mHostVersion >> 8) & 0xFF) * 100 + (mHostVersion & 0xFF);
}

void IPlugBase::SetHost(const char* host, int version)
{
  mHost = LookUpHost(host);
  mHostVersion = version;
}
