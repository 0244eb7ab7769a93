// The plug-in's side of the VST 2.4 interface: effect record, dispatcher, processing and host calls.
#include "IPlugVST.h"

#include "AudioThread.h"
#include "IGraphics.h"
#include "Log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace
{
constexpr VstInt32 kEffectMagic = 0x56737450;     // "VstP"
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566; // "NvEf"
constexpr VstIntPtr kVstVersion = 2400;
constexpr VstIntPtr kCockosAnswer = static_cast<VstIntPtr>(0xBEEF0000);
constexpr VstIntPtr kCockosParamDisplayAnswer = 0xBEEF;
constexpr VstInt32 kCockosGetParamDisplayIndex = 7;

constexpr VstInt32 effFlagsHasEditor = 1 << 0;
constexpr VstInt32 effFlagsCanMono = 1 << 3;
constexpr VstInt32 effFlagsCanReplacing = 1 << 4;
constexpr VstInt32 effFlagsProgramChunks = 1 << 5;
constexpr VstInt32 effFlagsIsSynth = 1 << 8;
constexpr VstInt32 effFlagsCanDoubleReplacing = 1 << 12;

constexpr VstIntPtr kPlugCategEffect = 1;
constexpr VstIntPtr kPlugCategSynth = 2;
constexpr VstInt32 kVstPinIsActive = 1 << 0;
constexpr VstInt32 kVstPinIsStereo = 1 << 1;
constexpr VstIntPtr kVstProcessLevelOffline = 4;

constexpr VstInt32 kVstMidiType = 1;
constexpr VstInt32 kVstSysExType = 6;

// Time-information flags.
constexpr VstInt32 kVstTransportPlaying = 1 << 1;
constexpr VstInt32 kVstTransportCycleActive = 1 << 2;
constexpr VstInt32 kVstPpqPosValid = 1 << 9;
constexpr VstInt32 kVstTempoValid = 1 << 10;
constexpr VstInt32 kVstBarsValid = 1 << 11;
constexpr VstInt32 kVstCyclePosValid = 1 << 12;
constexpr VstInt32 kVstTimeSigValid = 1 << 13;
constexpr VstInt32 kTimeInfoFilter =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;

// Speaker arrangement types by channel count: empty, mono, stereo, else user-defined.
constexpr VstInt32 kSpeakerArrUserDefined = -2;

constexpr int kHostNameLen = 256;
// How long stopping waits for the output to take what the audio thread queued (a stalled JACK server may
// hold a message for 2 s before it is refused).
constexpr std::chrono::milliseconds kStopSendWait{3000};
// Hosts whose set-up treats the plug-in as stereo only.
bool limitsToStereo(EHost host)
{
  return host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSAWStudio;
}

// Gives back the level of the plug mutex a TryEnter took.
struct LeaveOnReturn
{
  WDL_Mutex& mutex;
  ~LeaveOnReturn() { mutex.Leave(); }
};
} // namespace

IPlugVST::IPlugVST(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
                   const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
                   int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
                   bool plugIsInst, int)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion, uniqueID,
                mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIVST2),
      mHostCallback(instanceInfo.mVSTHostCallback), mDoesMidi(plugDoesMidi)
{
}

IPlugVST::~IPlugVST()
{
  mMidiPorts.CloseAll();
  mState.ReleaseStorage();
  mBankState.ReleaseStorage();
}

void IPlugVST::initialize(IPlugInstanceInfo, int hostParams, int totalParams, const char* channelIOStr,
                          int nPresets, const char* effectName, const char* productName, const char* mfrName,
                          int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
                          bool plugDoesChunks, bool plugIsInst, int)
{
  IPlugBase::initialize(hostParams, totalParams, channelIOStr, nPresets, effectName, productName, mfrName,
                        vendorVersion, uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst);
  mHasVSTExtensions = 0;
  const int nInputs = NInChannels();
  const int nOutputs = NOutChannels();

  std::memset(&mAEffect, 0, sizeof(mAEffect));
  mAEffect.object = this;
  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = VSTDispatcher;
  mAEffect.getParameter = VSTGetParameter;
  mAEffect.setParameter = VSTSetParameter;
  mAEffect.numPrograms = nPresets;
  mAEffect.numParams = std::max(hostParams, 0);
  mAEffect.numInputs = nInputs;
  mAEffect.numOutputs = nOutputs;
  mAEffect.uniqueID = uniqueID;
  mAEffect.version = GetEffectVersion(true);
  mAEffect.ioRatio = 1.0f;
  mAEffect.process = VSTProcess;
  mAEffect.processReplacing = VSTProcessReplacing;
  mAEffect.processDoubleReplacing = VSTProcessDoubleReplacing;
  mAEffect.initialDelay = latency;
  mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (plugDoesChunks)
  {
    mAEffect.flags |= effFlagsProgramChunks;
  }
  if (LegalIO(1, -1))
  {
    mAEffect.flags |= effFlagsCanMono;
  }
  if (plugIsInst)
  {
    mAEffect.flags |= effFlagsIsSynth;
  }
  IPlugBase::SetLatency(latency);

  mEditRect = ERect{};
  SetSpeakerArrangement(&mInputSpkrArr, nInputs);
  SetSpeakerArrangement(&mOutputSpkrArr, nOutputs);

  SetInputChannelConnections(0, nInputs, true);
  SetOutputChannelConnections(0, nOutputs, true);
  SetBlockSize(1024);
}

void IPlugVST::SetSpeakerArrangement(VstSpeakerArrangement* arrangement, int nChannels)
{
  std::memset(arrangement, 0, sizeof(*arrangement));
  arrangement->numChannels = nChannels;
  arrangement->type = nChannels < 3 ? nChannels - 1 : kSpeakerArrUserDefined;
}

IPlugVST* IPlugVST::FromEffect(AEffect* pEffect)
{
  return pEffect ? static_cast<IPlugVST*>(pEffect->object) : nullptr;
}

VstIntPtr IPlugVST::HostCallback(VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr, float opt)
{
  if (!mHostCallback)
  {
    return 0;
  }
  return mHostCallback(&mAEffect, opCode, idx, value, ptr, opt);
}

// ---- Attach, resize, latency ----

void IPlugVST::AttachGraphics(IGraphics* pGraphics)
{
  if (!pGraphics)
  {
    return;
  }
  IPlugBase::AttachGraphics(pGraphics);
  mAEffect.flags |= effFlagsHasEditor;
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(pGraphics->Height());
  mEditRect.right = static_cast<int16_t>(pGraphics->Width());
}

void IPlugVST::ResizeGraphics(int, int)
{
  IGraphics* graphics = GetGUI();
  if (!graphics)
  {
    return;
  }
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(graphics->Height());
  mEditRect.right = static_cast<int16_t>(graphics->Width());
  OnWindowResize();
}

void IPlugVST::SetLatency(int samples)
{
  mAEffect.initialDelay = samples;
  IPlugBase::SetLatency(samples);
}

// ---- Host calls ----

void IPlugVST::BeginInformHostOfParamChange(int idx)
{
  if (idx >= 0 && idx < NHostParams())
  {
    HostCallback(audioMasterBeginEdit, idx);
  }
}

void IPlugVST::InformHostOfParamChange(int idx, double normalizedValue)
{
  if (idx >= 0 && idx < NHostParams())
  {
    HostCallback(audioMasterAutomate, idx, 0, nullptr, static_cast<float>(normalizedValue));
  }
}

void IPlugVST::EndInformHostOfParamChange(int idx)
{
  if (idx >= 0 && idx < NHostParams())
  {
    HostCallback(audioMasterEndEdit, idx);
  }
}

void IPlugVST::InformHostOfProgramChange()
{
  HostCallback(audioMasterUpdateDisplay);
}

bool IPlugVST::IsRenderingOffline()
{
  return HostCallback(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

int IPlugVST::GetSamplePos()
{
  const VstTimeInfo* info = reinterpret_cast<const VstTimeInfo*>(HostCallback(audioMasterGetTime, 0, 0));
  if (!info || !(info->samplePos >= 0.0) || info->samplePos + 0.5 > 2147483647.0)
  {
    return 0;
  }
  return static_cast<int>(info->samplePos + 0.5);
}

double IPlugVST::GetTempo()
{
  const VstTimeInfo* info =
      reinterpret_cast<const VstTimeInfo*>(HostCallback(audioMasterGetTime, 0, kVstTempoValid));
  if (info && (info->flags & kVstTempoValid) && info->tempo >= 0.0)
  {
    return info->tempo;
  }
  return 0.0;
}

void IPlugVST::GetTimeSig(int* pNum, int* pDenom)
{
  *pNum = 0;
  *pDenom = 0;
  const VstTimeInfo* info =
      reinterpret_cast<const VstTimeInfo*>(HostCallback(audioMasterGetTime, 0, kVstTimeSigValid));
  if (info && (info->flags & kVstTimeSigValid) && info->timeSigNumerator >= 0 &&
      info->timeSigDenominator >= 0)
  {
    *pNum = info->timeSigNumerator;
    *pDenom = info->timeSigDenominator;
  }
}

void IPlugVST::GetTime(ITimeInfo* pTimeInfo)
{
  const VstTimeInfo* info =
      reinterpret_cast<const VstTimeInfo*>(HostCallback(audioMasterGetTime, 0, kTimeInfoFilter));
  if (!info || !(info->flags & kTimeInfoFilter))
  {
    return;
  }
  pTimeInfo->mSamplePos = info->samplePos;
  if ((info->flags & kVstPpqPosValid) && info->ppqPos >= 0.0)
  {
    pTimeInfo->mPPQPos = info->ppqPos;
  }
  if ((info->flags & kVstTempoValid) && info->tempo > 0.0)
  {
    pTimeInfo->mTempo = info->tempo;
  }
  if ((info->flags & kVstBarsValid) && info->barStartPos >= 0.0)
  {
    pTimeInfo->mLastBar = info->barStartPos;
  }
  if ((info->flags & kVstCyclePosValid) && info->cycleStartPos >= 0.0 && info->cycleEndPos >= 0.0)
  {
    pTimeInfo->mCycleStart = info->cycleStartPos;
    pTimeInfo->mCycleEnd = info->cycleEndPos;
  }
  if ((info->flags & kVstTimeSigValid) && info->timeSigNumerator > 0 && info->timeSigDenominator > 0)
  {
    pTimeInfo->mNumerator = info->timeSigNumerator;
    pTimeInfo->mDenominator = info->timeSigDenominator;
  }
  pTimeInfo->mTransportIsRunning = (info->flags & kVstTransportPlaying) != 0;
  pTimeInfo->mTransportLoopEnabled = (info->flags & kVstTransportCycleActive) != 0;
}

EHost IPlugVST::GetHost()
{
  EHost host = IPlugBase::GetHost();
  if (host != kHostUninit)
  {
    return host;
  }
  char productName[kHostNameLen];
  std::memset(productName, 0, sizeof(productName));
  HostCallback(audioMasterGetProductString, 0, 0, productName);
  // A host may fill the whole buffer; the last byte stays the terminator.
  productName[kHostNameLen - 1] = '\0';
  int version = 0;
  if (productName[0])
  {
    const VstIntPtr decimal = HostCallback(audioMasterGetVendorVersion);
    const int d = static_cast<int>(std::max<VstIntPtr>(0, std::min<VstIntPtr>(decimal, 0x7FFFFFFF)));
    version = ((d / 10000) << 16) | (((d % 10000) / 100) << 8) | (d % 100);
  }
  SetHost(productName, version);
  return IPlugBase::GetHost();
}

void IPlugVST::HostSpecificInit()
{
  if (mHostSpecificInitDone)
  {
    return;
  }
  mHostSpecificInitDone = true;
  if (limitsToStereo(GetHost()))
  {
    LimitToStereoIO();
  }
  mInputSpkrArr.numChannels = mAEffect.numInputs = NInChannels();
  mOutputSpkrArr.numChannels = mAEffect.numOutputs = NOutChannels();
  OnHostIdentified();
}

bool IPlugVST::SendVSTEvent(VstEvent* pEvent)
{
  VstEvents events;
  std::memset(&events, 0, sizeof(events));
  events.numEvents = 1;
  events.events[0] = pEvent;
  return HostCallback(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IPlugVST::SendMidiVST(IMidiMsg* pMsg)
{
  if (!pMsg)
  {
    return false;
  }
  VstMidiEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = pMsg->mOffset;
  event.midiData[0] = static_cast<char>(pMsg->mStatus);
  event.midiData[1] = static_cast<char>(pMsg->mData1);
  event.midiData[2] = static_cast<char>(pMsg->mData2);
  return SendVSTEvent(reinterpret_cast<VstEvent*>(&event));
}

bool IPlugVST::SendSysEx(ISysEx* pSysEx)
{
  if (!pSysEx)
  {
    return false;
  }
  VstMidiSysexEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = pSysEx->mOffset;
  event.dumpBytes = pSysEx->mSize;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(pSysEx->mData));
  return SendVSTEvent(reinterpret_cast<VstEvent*>(&event));
}

bool IPlugVST::SendMidiMsg(IMidiMsg* pMsg)
{
  return pMsg && mMidiPorts.SendMsg(pMsg);
}

bool IPlugVST::SendMidiSysex(unsigned char* data, int size)
{
  return data && size > 0 && mMidiPorts.SendSysex(data, size);
}

bool IPlugVST::SendPatchSysex(unsigned char* data, int size)
{
  return data && size > 0 && mMidiPorts.SendPatchSysex(data, size);
}

bool IPlugVST::SendMidiSysex2(std::vector<unsigned char> bytes)
{
  return !bytes.empty() && mMidiPorts.SendBytes(bytes);
}

// ---- Callbacks of the effect record ----

VstIntPtr IPlugVST::VSTDispatcher(AEffect* pEffect, VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr,
                                  float opt)
{
  IPlugVST* plug = FromEffect(pEffect);
  if (!plug)
  {
    return 0;
  }
  Trace(__FUNCTION__, __LINE__, "%d(%s):%d:%d", opCode, VSTOpcodeStr(opCode), idx, static_cast<int>(value));
  if (opCode == effClose)
  {
    // Waits for any other thread inside the plug-in, then frees the lock before the object that owns it.
    plug->mMutex.Enter();
    try
    {
      plug->SendWhatIsHeld();
    }
    catch (...)
    {
      // Closing goes on.
    }
    plug->mMutex.Leave();
    delete plug;
    return 0;
  }
  try
  {
    const VstIntPtr editorResult = plug->DispatchEditor(opCode, ptr);
    if (editorResult >= 0)
    {
      return editorResult;
    }
  }
  catch (...)
  {
    return 0;
  }
  if (opCode == effProcessEvents)
  {
    return plug->ProcessEventsWithoutWaiting(ptr);
  }
  WDL_MutexLock lock(&plug->mMutex);
  try
  {
    return plug->Dispatch(opCode, idx, value, ptr, opt);
  }
  catch (...)
  {
    // No exception may cross into the host.
    return 0;
  }
}

VstIntPtr IPlugVST::DispatchEditor(VstInt32 opCode, void* ptr)
{
  switch (opCode)
  {
  case effEditGetRect:
    if (!ptr || !GetGUI())
    {
      return 0;
    }
    *static_cast<ERect**>(ptr) = &mEditRect;
    return 1;
  case effEditOpen:
    if (!GetGUI() || !GetGUI()->OpenWindow(ptr))
    {
      return 0;
    }
    OnGUIOpen();
    return 1;
  case effEditClose:
    if (!GetGUI())
    {
      return 0;
    }
    OnGUIClose();
    GetGUI()->CloseWindow();
    return 1;
  case effEditIdle:
    OnIdle();
    if (GetGUI())
    {
      GetGUI()->OnEditIdle();
    }
    return 0;
  case effIdle:
    OnIdle();
    return 0;
  default:
    return -1;
  }
}

VstIntPtr IPlugVST::Dispatch(VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr, float opt)
{
  const bool hostParam = idx >= 0 && idx < NHostParams();
  switch (opCode)
  {
  case effOpen:
    HostSpecificInit();
    OnParamReset();
    return 0;
  case effSetProgram:
    if (!DoesStateChunks())
    {
      ModifyCurrentPreset();
    }
    RestorePreset(static_cast<int>(value));
    return 0;
  case effGetProgram:
    return GetCurrentPresetIdx();
  case effSetProgramName:
    if (ptr)
    {
      ModifyCurrentPreset(static_cast<const char*>(ptr));
      PresetsChangedByHost();
    }
    return 0;
  case effGetProgramName:
    if (ptr)
    {
      CopyBounded(static_cast<char*>(ptr), GetPresetName(GetCurrentPresetIdx()), kVstProgNameLen);
    }
    return 0;
  case effGetParamLabel:
    if (hostParam && ptr)
    {
      CopyBounded(static_cast<char*>(ptr), GetParam(idx)->GetLabelForHost(), kVstParamStrLen);
    }
    return 0;
  case effGetParamDisplay:
    if (hostParam && ptr)
    {
      char display[IParam::kDisplayForHostLen];
      GetParam(idx)->GetDisplayForHost(display, true);
      CopyBounded(static_cast<char*>(ptr), display, kVstParamStrLen);
    }
    return 0;
  case effGetParamName:
    if (hostParam && ptr)
    {
      CopyBounded(static_cast<char*>(ptr), GetParam(idx)->GetNameForHost(), kVstParamStrLen);
    }
    return 0;
  case effSetSampleRate:
    SendWhatIsHeld();
    SetSampleRate(opt);
    Reset();
    return 0;
  case effSetBlockSize:
    SendWhatIsHeld();
    SetBlockSize(static_cast<int>(std::max<VstIntPtr>(0, std::min<VstIntPtr>(value, 1 << 24))));
    Reset();
    return 0;
  case effMainsChanged:
    if (!value)
    {
      SendWhatIsHeld();
      OnActivate(false);
      Reset();
    }
    else
    {
      OnActivate(true);
    }
    return 0;
  case effEditGetRect:
  case effEditOpen:
  case effEditClose:
  case effEditIdle:
    return DispatchEditor(opCode, ptr);
  case effIdentify:
    return kIdentifyAnswer;
  case effGetChunk:
    return GetChunk(idx, ptr);
  case effSetChunk:
    return SetChunk(idx, value, ptr);
  case effProcessEvents:
    return ProcessEvents(ptr);
  case effCanBeAutomated:
    return 1;
  case effString2Parameter:
    if (!hostParam)
    {
      return 0;
    }
    return String2Parameter(idx, static_cast<const char*>(ptr));
  case effGetProgramNameIndexed:
    if (!ptr)
    {
      return 0;
    }
    CopyBounded(static_cast<char*>(ptr), GetPresetName(idx), kVstProgNameLen);
    return static_cast<char*>(ptr)[0] ? 1 : 0;
  case effGetInputProperties:
    return PinProperties(true, idx, ptr);
  case effGetOutputProperties:
    return PinProperties(false, idx, ptr);
  case effGetPlugCategory:
    return IsInst() ? kPlugCategSynth : kPlugCategEffect;
  case effSetSpeakerArrangement:
  {
    const VstSpeakerArrangement* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
    const VstSpeakerArrangement* out = static_cast<const VstSpeakerArrangement*>(ptr);
    if (in)
    {
      const int n = std::max(in->numChannels, 0);
      SetInputChannelConnections(0, n, true);
      SetInputChannelConnections(n, NInChannels() - n, false);
    }
    if (out)
    {
      const int n = std::max(out->numChannels, 0);
      SetOutputChannelConnections(0, n, true);
      SetOutputChannelConnections(n, NOutChannels() - n, false);
    }
    return 1;
  }
  case effGetEffectName:
    if (!ptr)
    {
      return 0;
    }
    CopyBounded(static_cast<char*>(ptr), GetEffectName(), kVstEffectNameLen);
    return 1;
  case effGetVendorString:
    if (!ptr)
    {
      return 0;
    }
    CopyBounded(static_cast<char*>(ptr), GetMfrName(), kVstVendorStrLen);
    return 1;
  case effGetProductString:
    if (!ptr)
    {
      return 0;
    }
    CopyBounded(static_cast<char*>(ptr), GetProductName(), kVstProductStrLen);
    return 1;
  case effGetVendorVersion:
    return GetEffectVersion(false);
  case effVendorSpecific:
    if (idx != kCockosGetParamDisplayIndex || !ptr)
    {
      return 0;
    }
    if (value >= 0 && value < NHostParams())
    {
      char display[IParam::kDisplayForHostLen];
      GetParam(static_cast<int>(value))->GetDisplayForHost(opt, true, display, true);
      CopyBounded(static_cast<char*>(ptr), display, kVstParamStrLen);
    }
    return kCockosParamDisplayAnswer;
  case effCanDo:
    return ptr ? CanDo(static_cast<const char*>(ptr)) : 0;
  case effGetVstVersion:
    return kVstVersion;
  case effGetMidiKeyName:
  {
    MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
    if (!key)
    {
      return 0;
    }
    char name[IParam::kDisplayForHostLen * 4];
    std::memset(name, 0, sizeof(name));
    const bool named = MidiNoteName(key->thisKeyNumber, name);
    name[sizeof(name) - 1] = '\0';
    CopyBounded(key->keyName, name, kVstKeyNameLen);
    return named ? 1 : 0;
  }
  case effGetSpeakerArrangement:
    if (value)
    {
      *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputSpkrArr;
    }
    if (ptr)
    {
      *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputSpkrArr;
    }
    return 1;
  default:
    return 0;
  }
}

VstIntPtr IPlugVST::GetChunk(VstInt32 idx, void* ptr)
{
  if (!ptr)
  {
    return 0;
  }
  const bool bank = idx == 0;
  ByteChunk* chunk = bank ? &mBankState : &mState;
  InitChunkWithIPlugVer(chunk);
  bool ok = true;
  if (bank)
  {
    ModifyCurrentPreset();
    SerializePresets(chunk);
  }
  ok = SerializeState(chunk);
  if (!ok || chunk->Size() < 1)
  {
    return 0;
  }
  *static_cast<void**>(ptr) = chunk->Bytes();
  return chunk->Size();
}

VstIntPtr IPlugVST::SetChunk(VstInt32 idx, VstIntPtr size, void* ptr)
{
  // A negative or absurd size is refused rather than read.
  if (!ptr || size < 0 || size > 0x7FFFFFFF)
  {
    return 0;
  }
  const bool bank = idx == 0;
  ByteChunk* chunk = bank ? &mBankState : &mState;
  chunk->Resize(static_cast<int>(size));
  if (size > 0)
  {
    std::memcpy(chunk->Bytes(), ptr, static_cast<size_t>(size));
  }
  int pos = 0;
  const int version = GetIPlugVerFromChunk(chunk, &pos);
  if (bank && version >= kIPlugChunkVersion)
  {
    pos = UnserializePresets(chunk, pos);
    pos = UnserializeState(chunk, pos);
  }
  else
  {
    pos = UnserializeState(chunk, pos);
    ModifyCurrentPreset();
  }
  if (pos < 0)
  {
    return 0;
  }
  RedrawParamControls();
  return 1;
}

VstIntPtr IPlugVST::ProcessEventsWithoutWaiting(void* ptr)
{
  // Events forwarded to the synthesizer are queued like the pass's own sends.
  AudioThread::Scope audio;
  if (!mMutex.TryEnter())
  {
    HoldEvents(ptr);
    return 1;
  }
  LeaveOnReturn leave{mMutex};
  try
  {
    DeliverHeldEvents();
    return ProcessEvents(ptr);
  }
  catch (...)
  {
    return 0;
  }
}

void IPlugVST::HoldEvents(void* ptr)
{
  VstEvents* events = static_cast<VstEvents*>(ptr);
  if (!events)
  {
    return;
  }
  VstEvent** list = VstEventPointers(events);
  for (int i = 0; i < events->numEvents; ++i)
  {
    const VstEvent* event = list[i];
    // Other events (system exclusive from the host) are not kept: their data lives for this call only.
    if (event && event->type == kVstMidiType)
    {
      HoldEvent(*reinterpret_cast<const VstMidiEvent*>(event));
    }
  }
}

void IPlugVST::HoldEvent(const VstMidiEvent& midi)
{
  mHeld.hold(IMidiMsg(0, static_cast<uint8_t>(midi.midiData[0]), static_cast<uint8_t>(midi.midiData[1]),
                      static_cast<uint8_t>(midi.midiData[2])));
}

void IPlugVST::DeliverHeldEvents(bool all)
{
  int delivered = 0;
  while (delivered < mHeld.size() && (all || !HostEventsWait()))
  {
    IMidiMsg msg = mHeld.at(delivered++);
    ProcessMidiMsg(&msg, false);
  }
  mHeld.removeFirst(delivered);
}

void IPlugVST::SendWhatIsHeld()
{
  {
    AudioThread::Scope queued;
    DeliverHeldEvents(true);
    OnProcessingStops();
  }
  waitForAudioSends(kStopSendWait);
}

VstIntPtr IPlugVST::ProcessEvents(void* ptr)
{
  VstEvents* events = static_cast<VstEvents*>(ptr);
  if (!events)
  {
    return 0;
  }
  VstEvent** list = VstEventPointers(events);
  for (int i = 0; i < events->numEvents; ++i)
  {
    VstEvent* event = list[i];
    if (!event)
    {
      continue;
    }
    if (event->type == kVstMidiType)
    {
      const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
      // Behind an event the plug-in has not finished with, or behind held ones, an event waits in order.
      if (mHeld.size() > 0 || HostEventsWait())
      {
        HoldEvent(*midi);
        continue;
      }
      IMidiMsg msg(midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]),
                   static_cast<uint8_t>(midi->midiData[1]), static_cast<uint8_t>(midi->midiData[2]));
      mHeld.delivered(msg);
      ProcessMidiMsg(&msg, false);
    }
    else
    {
      SendVSTEvent(event);
    }
  }
  return 1;
}

VstIntPtr IPlugVST::CanDo(const char* capability)
{
  if (!std::strcmp(capability, "receiveVstTimeInfo"))
  {
    return 1;
  }
  if (mDoesMidi &&
      (!std::strcmp(capability, "sendVstEvents") || !std::strcmp(capability, "sendVstMidiEvent") ||
       !std::strcmp(capability, "receiveVstEvents") || !std::strcmp(capability, "receiveVstMidiEvent")))
  {
    return 1;
  }
  if (!std::strcmp(capability, "hasCockosExtensions"))
  {
    mHasVSTExtensions |= 1;
    return kCockosAnswer;
  }
  if (!std::strcmp(capability, "hasCockosViewAsConfig"))
  {
    mHasVSTExtensions |= 2;
    return kCockosAnswer;
  }
  return 0;
}

VstIntPtr IPlugVST::PinProperties(bool input, VstInt32 idx, void* ptr)
{
  const int count = input ? NInChannels() : NOutChannels();
  if (idx < 0 || !ptr || idx >= count)
  {
    return 0;
  }
  VstPinProperties* pin = static_cast<VstPinProperties*>(ptr);
  pin->flags = kVstPinIsActive;
  if (idx % 2 == 0 && idx + 1 < count)
  {
    pin->flags |= kVstPinIsStereo;
  }
  std::snprintf(pin->label, kVstPinLabelLen, input ? "Input %d" : "Output %d", idx + 1);
  return 1;
}

VstIntPtr IPlugVST::String2Parameter(VstInt32 idx, const char* text)
{
  if (!text)
  {
    return 1;
  }
  IParam* param = GetParam(idx);
  double v = 0.0;
  if (param->GetNDisplayTexts() > 0)
  {
    int mapped = 0;
    if (!param->MapDisplayText(text, &mapped))
    {
      return 0;
    }
    v = mapped;
  }
  else
  {
    v = std::atof(text);
  }
  if (GetGUI())
  {
    GetGUI()->SetParameterFromPlug(idx, v, false);
  }
  param->SetBounded(v);
  OnParamChange(idx);
  return 1;
}

namespace
{
// The outputs of a block the plug-in cannot process now: the inputs copied (added in the accumulating
// pass), outputs without an input silent. Reads only the host's buffers.
template <class Sample>
void passInputsThrough(Sample** inputs, Sample** outputs, int nIn, int nOut, int nFrames, bool accumulate)
{
  for (int i = 0; outputs && i < nOut; ++i)
  {
    Sample* out = outputs[i];
    const Sample* in = (inputs && i < nIn) ? inputs[i] : nullptr;
    if (!out || (accumulate && !in))
    {
      continue;
    }
    for (int s = 0; s < nFrames; ++s)
    {
      out[s] = accumulate ? out[s] + in[s] : (in ? in[s] : Sample(0));
    }
  }
}
} // namespace

IPlugVST::MissedBlocks IPlugVST::TakeMissedBlocks()
{
  return std::exchange(mMissed, MissedBlocks{});
}

template <class Sample>
void IPlugVST::ProcessPass(Sample** inputs, Sample** outputs, VstInt32 nFrames, int mode)
{
  AudioThread::Scope audio;
  const int frames = std::max(nFrames, 0);
  // The audio thread never waits for the editor, a dialog, a rescan or port work holding the mutex: the
  // block passes its inputs through and the plug-in's pass catches up on the next block that gets it.
  if (!mMutex.TryEnter())
  {
    passInputsThrough(inputs, outputs, mAEffect.numInputs, mAEffect.numOutputs, frames, mode == 1);
    mMissed.blocks = std::min(mMissed.blocks + 1, kMaxMissedBlocks);
    mMissed.frames = std::min(mMissed.frames + frames, kMaxMissedFrames);
    return;
  }
  LeaveOnReturn leave{mMutex};
  try
  {
    DeliverHeldEvents();
    if (mDoesMidi)
    {
      HostCallback(audioMasterWantMidi);
    }
    AttachInputBuffers(0, NInChannels(), inputs, frames);
    AttachOutputBuffers(0, NOutChannels(), outputs);
    if (mode == 1)
    {
      ProcessBuffersAccumulating(static_cast<float>(0), frames);
    }
    else
    {
      ProcessBuffers(static_cast<Sample>(0), frames);
    }
  }
  catch (...)
  {
    // No exception may cross into the host's audio thread.
  }
}

void IPlugVST::VSTProcess(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames)
{
  if (IPlugVST* plug = FromEffect(pEffect))
  {
    plug->ProcessPass(inputs, outputs, nFrames, 1);
  }
}

void IPlugVST::VSTProcessReplacing(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames)
{
  if (IPlugVST* plug = FromEffect(pEffect))
  {
    plug->ProcessPass(inputs, outputs, nFrames, 0);
  }
}

void IPlugVST::VSTProcessDoubleReplacing(AEffect* pEffect, double** inputs, double** outputs,
                                         VstInt32 nFrames)
{
  if (IPlugVST* plug = FromEffect(pEffect))
  {
    plug->ProcessPass(inputs, outputs, nFrames, 2);
  }
}

float IPlugVST::VSTGetParameter(AEffect* pEffect, VstInt32 idx)
{
  IPlugVST* plug = FromEffect(pEffect);
  if (!plug)
  {
    return 0.0f;
  }
  WDL_MutexLock lock(&plug->mMutex);
  if (idx < 0 || idx >= plug->NHostParams())
  {
    return 0.0f;
  }
  return static_cast<float>(plug->GetParam(idx)->GetNormalized());
}

void IPlugVST::VSTSetParameter(AEffect* pEffect, VstInt32 idx, float value)
{
  IPlugVST* plug = FromEffect(pEffect);
  if (!plug)
  {
    return;
  }
  WDL_MutexLock lock(&plug->mMutex);
  if (idx < 0 || idx >= plug->NHostParams())
  {
    return;
  }
  try
  {
    if (plug->GetGUI())
    {
      plug->GetGUI()->SetParameterFromPlug(idx, value, true);
    }
    plug->GetParam(idx)->SetNormalized(value);
    plug->OnParamChange(idx);
  }
  catch (...)
  {
    // No exception may cross into the host.
  }
}
