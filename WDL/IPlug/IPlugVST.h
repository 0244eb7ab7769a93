// The plug-in's side of the VST 2.4 interface: effect record, dispatcher, callbacks and host calls.
#pragma once

#include "HeldMidiEvents.h"
#include "IPlugBase.h"
#include "VstAbi.h"

#include <cstdint>

// Base of the plug-in class. The host reaches it through the effect record (GetAEffect); every callback
// holds the plug mutex from entry to return and lets no exception out. The audio thread's callbacks
// (processing, events) take it only when it is free: a block that finds it held passes its inputs through,
// and events wait for the next callback that gets it.
class IPlugVST : public IPlugBase
{
public:
  // First stage: identity, host callback, does-MIDI and two empty state chunks. The parameter count,
  // channel string, presets, names and side channels belong to initialize.
  IPlugVST(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
           const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
           int uniqueID, int mfrID, int latency = 0, bool plugDoesMidi = false, bool plugDoesChunks = false,
           bool plugIsInst = false, int plugScChans = 0);
  ~IPlugVST() override;

  // Second stage: creates the parameters, presets, channels and names and fills the effect record.
  void initialize(IPlugInstanceInfo instanceInfo, int hostParams, int totalParams, const char* channelIOStr,
                  int nPresets, const char* effectName, const char* productName, const char* mfrName,
                  int vendorVersion, int uniqueID, int mfrID, int latency = 0, bool plugDoesMidi = false,
                  bool plugDoesChunks = false, bool plugIsInst = false, int plugScChans = 0);

  // The record handed to the host; lives as long as the object.
  AEffect* GetAEffect() { return &mAEffect; }
  // The editor size reported to the host (all zero until a surface is attached).
  const ERect& GetEditRect() const { return mEditRect; }
  // Bit 0: the host asked "hasCockosExtensions"; bit 1: "hasCockosViewAsConfig".
  int GetHasCockosExtensions() const { return mHasVSTExtensions; }
  const VstSpeakerArrangement& GetInputSpkrArr() const { return mInputSpkrArr; }
  const VstSpeakerArrangement& GetOutputSpkrArr() const { return mOutputSpkrArr; }

  // ---- Host calls (any thread; no lock of their own) ----
  // Automation and edit notices go only for indices the host was told about.
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;
  void InformHostOfProgramChange() override;
  bool IsRenderingOffline() override;
  // The host's sample position rounded, 0 when unknown.
  int GetSamplePos() override;
  // Beats per minute; 0.0 when unknown.
  double GetTempo() override;
  void GetTimeSig(int* pNum, int* pDenom) override;
  void GetTime(ITimeInfo* pTimeInfo) override;
  // Asks the host for its product name and version on the first call; the stored id afterwards.
  EHost GetHost() override;
  void ResizeGraphics(int w, int h) override;
  void SetLatency(int samples) override;
  bool SendMidiVST(IMidiMsg* pMsg) override;
  bool SendSysEx(ISysEx* pSysEx) override;
  // External MIDI output port (never the host).
  bool SendMidiMsg(IMidiMsg* pMsg) override;
  bool SendMidiSysex(unsigned char* data, int size) override;
  bool SendPatchSysex(unsigned char* data, int size) override;
  bool SendMidiSysex2(std::vector<unsigned char> bytes) override;
  void HostSpecificInit() override;
  void AttachGraphics(IGraphics* pGraphics) override;

  // ---- Callbacks of the effect record ----
  static VstIntPtr VSTDispatcher(AEffect* pEffect, VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr,
                                 float opt);
  static void VSTProcess(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames);
  static void VSTProcessReplacing(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames);
  static void VSTProcessDoubleReplacing(AEffect* pEffect, double** inputs, double** outputs,
                                        VstInt32 nFrames);
  static float VSTGetParameter(AEffect* pEffect, VstInt32 idx);
  static void VSTSetParameter(AEffect* pEffect, VstInt32 idx, float value);

  // Host events that blocks holding them could not keep, since the last call; resets the counts. Any thread;
  // the plug-in reports them from OnIdle, never from the audio thread.
  HeldMidiEvents::Dropped TakeDroppedHostEvents() { return mHeld.takeDropped(); }

protected:
  // The blocks that passed their inputs through because another thread held the plug mutex, and their
  // frames, since the last call; resets both. The plug-in's processing pass catches up with them.
  struct MissedBlocks
  {
    int blocks = 0;
    int64_t frames = 0;
  };
  // Audio thread.
  MissedBlocks TakeMissedBlocks();

  // True while host events must wait behind an earlier one whose sends the plug-in has not finished (a
  // program change): they are held in order with the events of blocks that found the plug mutex busy.
  // Audio thread, plug mutex held; base: false.
  virtual bool HostEventsWait() { return false; }
  // Processing stops: what the plug-in keeps for later blocks goes out now. Host thread, plug mutex held,
  // its sends queued behind the audio thread's; base: nothing.
  virtual void OnProcessingStops() {}

  // Calls the host; 0 without a host callback.
  VstIntPtr HostCallback(VstInt32 opCode, VstInt32 idx = 0, VstIntPtr value = 0, void* ptr = nullptr,
                         float opt = 0.0f);

private:
  // One opcode, plug mutex held (effClose is handled by VSTDispatcher itself).
  VstIntPtr Dispatch(VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr, float opt);
  // The editor opcodes (get rect, open, close, idle) and effIdle, on the host's GUI thread without the plug
  // mutex: the editor draws under its own lock and the idle work only tries the mutex, so neither blocks the
  // audio thread nor waits behind a rescan. Returns -1 for other opcodes.
  VstIntPtr DispatchEditor(VstInt32 opCode, void* ptr);
  VstIntPtr GetChunk(VstInt32 idx, void* ptr);
  VstIntPtr SetChunk(VstInt32 idx, VstIntPtr size, void* ptr);
  VstIntPtr ProcessEvents(void* ptr);
  // effProcessEvents: with the plug mutex free, the held events then these; otherwise holds them.
  VstIntPtr ProcessEventsWithoutWaiting(void* ptr);
  // Keeps the MIDI events of a call that found the plug mutex held, at offset 0, as far as HeldMidiEvents
  // keeps them: never the release of a note that went out.
  void HoldEvents(void* ptr);
  void HoldEvent(const VstMidiEvent& midi);
  // Hands the held events to the plug-in, in their order, until one makes the rest wait (HostEventsWait);
  // all: every one. Plug mutex held.
  void DeliverHeldEvents(bool all = false);
  // Processing stops (effMainsChanged off, a reset, effClose): the held events and what the plug-in keeps
  // are queued, then the output is given kStopSendWait to take what the audio thread queued. Host thread,
  // plug mutex held (given back while it waits).
  void SendWhatIsHeld();
  VstIntPtr CanDo(const char* capability);
  VstIntPtr PinProperties(bool input, VstInt32 idx, void* ptr);
  VstIntPtr String2Parameter(VstInt32 idx, const char* text);
  bool SendVSTEvent(VstEvent* pEvent);
  // Processing pass: 0 float replacing, 1 float accumulating, 2 double.
  template <class Sample> void ProcessPass(Sample** inputs, Sample** outputs, VstInt32 nFrames, int mode);
  static void SetSpeakerArrangement(VstSpeakerArrangement* arrangement, int nChannels);
  static IPlugVST* FromEffect(AEffect* pEffect);

  ERect mEditRect{};
  audioMasterCallback mHostCallback = nullptr;
  VstSpeakerArrangement mInputSpkrArr{};
  VstSpeakerArrangement mOutputSpkrArr{};
  bool mHostSpecificInitDone = false;
  bool mDoesMidi = false;
  int mHasVSTExtensions = 0;
  ByteChunk mState;
  ByteChunk mBankState;
  AEffect mAEffect{};

  // Audio thread only (hosts call processing and effProcessEvents there).
  static constexpr int kMaxMissedBlocks = 1 << 16;
  static constexpr int64_t kMaxMissedFrames = int64_t{1} << 40;
  MissedBlocks mMissed;
  HeldMidiEvents mHeld;
};
