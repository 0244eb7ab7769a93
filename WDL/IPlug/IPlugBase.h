// Host-independent base of every plug-in object: parameters, presets, channels, identity, editor, lock.
#pragma once

#include "Hosts.h"
#include "IMidiPorts.h"
#include "IParam.h"
#include "IPlugMidi.h"
#include "IPlugStructs.h"
#include "WdlMutex.h"
#include "WdlString.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class IGraphics;

// The plug-in API an object was built for.
enum EAPI
{
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIRTAS = 3,
  kAPIAAX = 4,
  kAPISA = 5,
};

// Built in two stages: the constructor stores the identity; initialize creates parameters, presets,
// channels and names; addNonAutomateParamCount then fixes how many parameters the host never sees.
// The plug mutex (recursive) serialises the host's threads, the editor and the plug-in's own workers;
// the external MIDI input thread delivers without it (the plug-in may take it inside the delivery).
class IPlugBase
{
public:
  // Identity only: unique id, maker id, version (0xMMMMmmbb), latency (samples), does chunks, is
  // instrument and API are stored; the other arguments belong to initialize.
  IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* mfrName, int vendorVersion, int uniqueID, int mfrID,
            int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst, EAPI plugAPI);
  virtual ~IPlugBase();
  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // Second stage: totalParams parameters (the last totalParams - hostParams never seen by the host),
  // nPresets empty presets, the three names (cut to 127 characters) and the channel configurations of
  // channelIOStr ("%d-%d" items separated by single blanks; null: no channels).
  void initialize(int hostParams, int totalParams, const char* channelIOStr, int nPresets,
                  const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
                  int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
                  bool plugIsInst);
  // Non-automated count := n (0..NParams), replacing what initialize set.
  void addNonAutomateParamCount(int n);

  // ---- Virtual operations the plug-in class may replace ----

  // Called on effSetSampleRate, effSetBlockSize and when processing stops; base: lock and unlock.
  virtual void Reset();
  // A parameter changed by the host or the editor (plug mutex held); base: lock and unlock.
  virtual void OnParamChange(int paramIdx);
  // A parameter changed from the synthesizer's data (plug mutex held); base: lock and unlock.
  virtual void OnParamChange2(int paramIdx);
  // The user chose, from a parameter's menu, the entry it already holds: no OnParamChange follows, as the
  // value stays. Editor thread; base: nothing.
  virtual void OnParamRechosen(int) {}
  // The editor is about to prompt for a parameter (a menu of its display texts, or a text field): the
  // plug-in may rewrite the display texts now. Editor thread, without the editor lock; base: nothing.
  virtual void OnParamMenuOpening(int) {}
  // The user clicked a control of the parameter that is greyed out, which changes nothing: the plug-in may
  // say why. Editor thread, without the editor lock; base: nothing.
  virtual void OnGrayedControlClicked(int) {}
  // The user typed characters (UTF-8, "è, Ü": all refused since the field opened) that the parameter's text
  // field does not take, so they are left out: the plug-in may say so. Heard at each refusal, and once more
  // after the field's text was committed (committed: what the commit said may stand on the line; "" when the
  // field took every character). Editor thread, without the editor lock; base: nothing.
  virtual void OnTextEntryRefused(int, const char*, bool) {}
  // Audio thread, plug mutex held: in/out hold one buffer per channel (null when there are none).
  // Base: copies each input to the output of the same index and zeroes the other outputs.
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  virtual void ProcessSingleReplacing(float** inputs, float** outputs, int nFrames);
  virtual void OnGUIOpen() {}
  virtual void OnGUIClose() {}
  // The host's idle calls (effIdle, effEditIdle), on its interface thread, never the audio thread.
  virtual void OnIdle() {}
  virtual void OnActivate(bool active);
  // fromDevice: true for the external input port (no lock held), false for the host's MIDI (lock held).
  virtual void ProcessMidiMsg(IMidiMsg* pMsg, bool fromDevice);
  virtual void ProcessSysEx(ISysEx* pSysEx, bool fromDevice);
  // Writes the note's name into name (at least 64 bytes); base: "" and false.
  virtual bool MidiNoteName(int noteNumber, char* name);
  // The plug-in's state body; base: SerializeParams / UnserializeParams.
  virtual bool SerializeState(ByteChunk* pChunk);
  virtual int UnserializeState(ByteChunk* pChunk, int startPos);
  // data is an array of doubles, startPos counts doubles; compares the host-visible parameters.
  virtual bool CompareState(const unsigned char* data, int startPos);
  virtual void OnWindowResize() {}
  virtual bool HostRequestingAboutBox() { return false; }
  virtual void OnHostIdentified() {}
  virtual void PopupHostContextMenuForParam(int, int, int) {}

  // The editor's two roads into a parameter: user edits (OnParamChange) and values from the
  // synthesizer (OnParamChange2). Take the plug mutex. An index outside the parameters is ignored.
  virtual void SetParameterFromGUI(int idx, double normalizedValue);
  virtual void SetParameterFromGUI2(int idx, double normalizedValue);

  // Calls to the host; the host API supplies them.
  virtual void BeginInformHostOfParamChange(int idx) = 0;
  virtual void InformHostOfParamChange(int idx, double normalizedValue) = 0;
  virtual void EndInformHostOfParamChange(int idx) = 0;
  virtual void InformHostOfProgramChange() = 0;
  virtual bool IsRenderingOffline() { return false; }
  virtual int GetSamplePos() = 0;
  virtual double GetTempo() = 0;
  virtual void GetTimeSig(int* pNum, int* pDenom) = 0;
  virtual void GetTime(ITimeInfo* pTimeInfo) = 0;
  // The host id; kHostUninit until identified.
  virtual EHost GetHost() { return mHost; }
  virtual EAPI GetAPI() { return mAPI; }
  virtual void ResizeGraphics(int w, int h) = 0;
  // Pushes every parameter's value to the editor surface; nothing without one.
  virtual void RedrawParamControls();
  virtual void SetLatency(int samples);
  virtual bool SendMidiVST(IMidiMsg* pMsg) = 0;
  // Sends to the external MIDI output port.
  virtual bool SendMidiMsg(IMidiMsg* pMsg) = 0;
  virtual bool SendMidiSysex(unsigned char*, int) { return false; }
  virtual bool SendPatchSysex(unsigned char*, int) { return false; }
  virtual bool SendMidiSysex2(std::vector<unsigned char>) { return false; }
  virtual void HostSpecificInit() {}
  // Takes ownership of the surface after pushing every parameter value to it; null is ignored.
  virtual void AttachGraphics(IGraphics* pGraphics);
  // Sends a sysex message to the host.
  virtual bool SendSysEx(ISysEx*) { return false; }
  virtual void DirtyPTCompareState() {}
  virtual void PresetsChangedByHost() {}
  // Resizes every channel's scratch buffer to nFrames zeros; nothing when the size is unchanged.
  virtual void SetBlockSize(int nFrames);

  // ---- External MIDI ports (defined with the port code) ----

  // "OFF", then the system's port names; built on the first call and cached.
  std::vector<std::string> getExternalMIDIOutNames();
  std::vector<std::string> getExternalMIDIInNames();
  // The system's port names read again; the positions of later opens are those of this list.
  std::vector<std::string> rereadExternalMIDIOutNames();
  std::vector<std::string> rereadExternalMIDIInNames();
  // Opens the port named name; idx receives its position (0 for none). Returns the position opened; failure,
  // when given, gets why a listed port did not open (IMidiPorts::OpenOut).
  int setExternalMIDIOut(int& idx, const char* name, std::string* failure = nullptr);
  int setExternalMIDIIn(int& idx, const char* name, std::string* failure = nullptr);
  // The whole name of the port open in a direction, empty when none; gives the plug mutex back while it
  // waits for port work in progress.
  std::string openExternalMIDIPort(bool output);
  // Waits at most timeout until what the audio thread sent so far was handed to the output port, and the
  // releases among it that the port refused were taken on a later try (while a port is open); false when
  // some is still queued. Not on the audio thread; gives the plug mutex back meanwhile.
  bool waitForAudioSends(std::chrono::milliseconds timeout);
  // The number of messages the audio thread queued so far, and whether the output's drain has handed on
  // the first count of them. Any thread.
  uint64_t audioSendsQueued() const { return mMidiPorts.AudioSendsQueued(); }
  bool audioSendsHandled(uint64_t count) const { return mMidiPorts.AudioSendsHandled() >= count; }
  // Incoming messages the input port lost so far (IMidiPorts::InputLost). Any thread.
  uint64_t midiInputLost() const { return mMidiPorts.InputLost(); }
  // A dump into a memory slot or an edit buffer to the output port, which writes it again where it may have
  // lost it, keeping pause before the next dump; and the wait, after dumps, for the output to stand behind
  // them: how many it gave up on so far, unknown when the output stayed busy or is absent
  // (IMidiPorts::SettleDumps).
  bool sendMidiDump(const std::vector<unsigned char>& bytes, std::chrono::milliseconds pause);
  std::optional<uint64_t> settleMidiDumps(std::chrono::milliseconds timeout);
  // The port operations above but the dump's send call into the MIDI system, which may take up to its
  // deadline, or wait for the output (the audio thread's sends, the dumps to settle), and the input ones
  // wait for an input delivery in progress, which may wait for the plug mutex: they give a caller's
  // plug mutex back while they run, so other threads (the audio pass above all) may enter meanwhile. Not
  // from inside the input delivery.
  // The port library's input callback; userData is the plug-in.
  static void MIDICallback(double deltaTime, std::vector<unsigned char>* message, void* userData);
  void processMIDIInput(double deltaTime, std::vector<unsigned char>* message, void* userData);

  // ---- Parameters ----

  int NParams() const { return static_cast<int>(mParams.size()); }
  // Parameters the host sees: indices 0 .. NHostParams() - 1.
  int NHostParams() const { return NParams() - mNonAutomatedParams; }
  int NNonAutomatedParams() const { return mNonAutomatedParams; }
  // The parameter at idx, or null outside 0..NParams() - 1. (Inline: dumps and recalls look up hundreds.)
  IParam* GetParam(int idx)
  {
    return idx < 0 || idx >= NParams() ? nullptr : mParams[static_cast<size_t>(idx)].get();
  }
  // OnParamChange for every host-visible index, then Reset.
  void OnParamReset();

  // Appends the host-visible values as doubles; true (also with nothing to write).
  bool SerializeParams(ByteChunk* pChunk);
  // Reads one double per host-visible parameter, bounded to its range; the position after them, -1
  // when the chunk ends early, startPos when startPos < 0 or there is nothing to read.
  int UnserializeParams(ByteChunk* pChunk, int startPos);
  // The same for the first count non-automated parameters (count is capped at their number).
  bool SerializeNonAutomatedParams(ByteChunk* pChunk, int count);
  int UnserializeNonAutomatedParams(ByteChunk* pChunk, int startPos, int count);

  // ---- Presets ----

  int NPresets() const { return static_cast<int>(mPresets.size()); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  void EnsureDefaultPreset();
  bool RestorePreset(int idx);
  bool RestorePreset(const char* name);
  // The preset's name; "" outside the list.
  const char* GetPresetName(int idx) const;
  void ModifyCurrentPreset(const char* name = nullptr);
  bool SerializePresets(ByteChunk* pChunk);
  int UnserializePresets(ByteChunk* pChunk, int startPos);

  // ---- Channels and processing (plug mutex held by the caller) ----

  bool LegalIO(int nIn, int nOut) const;
  void LimitToStereoIO();
  int NInChannels() const { return static_cast<int>(mInChannels.size()); }
  int NOutChannels() const { return static_cast<int>(mOutChannels.size()); }
  int NChannelIO() const { return static_cast<int>(mChannelIO.size()); }
  // The configuration at idx as (in, out); false outside the list.
  bool GetChannelIO(int idx, int* pNIn, int* pNOut) const;
  bool IsInChannelConnected(int chIdx) const;
  bool IsOutChannelConnected(int chIdx) const;
  // Channels idx .. min(idx + n, count) - 1 (idx below 0 starts at 0): connected flag := connected; a
  // channel set to not connected reads and writes its scratch buffer.
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency; }

  void AttachInputBuffers(int idx, int n, double** ppData, int nFrames);
  void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
  void AttachOutputBuffers(int idx, int n, double** ppData);
  void AttachOutputBuffers(int idx, int n, float** ppData);
  void ProcessBuffers(double sampleType, int nFrames);
  void ProcessBuffers(float sampleType, int nFrames);
  void ProcessBuffersAccumulating(float sampleType, int nFrames);

  // ---- Identity and host ----

  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMfrName() const { return mMfrName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  // Packed 0xMMMMmmbb, or major * 10000 + minor * 100 + bugfix when decimal.
  int GetEffectVersion(bool decimal) const;
  // "v1.2.3", "v1.5" or "v2"; out holds at least 32 bytes.
  void GetEffectVersionStr(char* out) const;
  bool DoesMIDI() const { return mDoesMIDI; }
  bool DoesStateChunks() const { return mStateChunks; }
  bool IsInst() const { return mIsInst; }
  int GetHostVersion(bool decimal) const;
  void SetHost(const char* host, int version);

  IGraphics* GetGUI() { return mGraphics; }
  // The plug mutex; recursive.
  WDL_Mutex* GetMutex() { return &mMutex; }

protected:
  static constexpr int kMaxNameLen = 127;

  struct InChannel
  {
    bool mConnected = false;
    double** mSrc = nullptr;
    std::vector<double> mScratchBuf;
    WDL_String mLabel;
  };

  struct OutChannel
  {
    bool mConnected = false;
    double** mDest = nullptr;
    float* mFDest = nullptr;
    std::vector<double> mScratchBuf;
    WDL_String mLabel;
  };

  // Grows every scratch buffer to hold nFrames values when it holds fewer (a host may send a longer
  // block than it announced).
  void EnsureScratchFrames(int nFrames);
  // Processing passes after the buffers are attached.
  void ProcessBuffersTo(int nFrames, bool toFloat, bool accumulate);

  int mNonAutomatedParams = 0;
  std::vector<std::pair<int, int>> mChannelIO;
  WDL_Mutex mMutex;
  char mEffectName[kMaxNameLen + 1];
  char mProductName[kMaxNameLen + 1];
  char mMfrName[kMaxNameLen + 1];
  int mUniqueID;
  int mMfrID;
  int mVersion;
  EAPI mAPI;
  EHost mHost = kHostUninit;
  int mHostVersion = 0;
  bool mStateChunks;
  bool mIsInst;
  bool mDoesMIDI;
  int mCurrentPresetIdx = 0;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency;
  IGraphics* mGraphics = nullptr;
  std::vector<std::unique_ptr<IParam>> mParams;
  std::vector<std::unique_ptr<IPreset>> mPresets;
  std::vector<double*> mInData;
  std::vector<double*> mOutData;
  std::vector<std::unique_ptr<InChannel>> mInChannels;
  std::vector<std::unique_ptr<OutChannel>> mOutChannels;
  std::vector<std::unique_ptr<WDL_String>> mInputBusLabels;
  std::vector<std::unique_ptr<WDL_String>> mOutputBusLabels;
  // The computer's MIDI ports; declared last so it closes before anything else goes.
  IMidiPorts mMidiPorts;
};
