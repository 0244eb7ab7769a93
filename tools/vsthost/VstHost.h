// A small VST 2 host: loads a plug-in, answers its calls with a scripted transport, runs audio blocks.
#pragma once

#include "BlockClock.h"
#include "VstAbi.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One loaded plug-in instance. The interface thread is the one that calls the public operations; the
// audio thread is started by RunAudio or StartAudio. The host callback may be called from either.
class VstHost
{
public:
  // What the plug-in asked of the host so far (counts of host calls).
  struct CallCounts
  {
    std::atomic<int> automate{0};
    std::atomic<int> beginEdit{0};
    std::atomic<int> endEdit{0};
    std::atomic<int> wantMidi{0};
    std::atomic<int> getTime{0};
    std::atomic<int> eventsFromPlugin{0};
    std::atomic<int> productString{0};
  };

  // Block sizes the host gives: the size given to Open, and each block's frames when they vary.
  static constexpr int kMinBlockSize = 64;
  static constexpr int kMaxBlockSize = 2048;

  // The events the audio thread of the last run sent to the plug-in, by kind. After the run.
  struct EventCounts
  {
    long noteOns = 0;
    long noteOffs = 0;
    long controllers = 0;
    long Total() const { return noteOns + noteOffs + controllers; }
  };

  VstHost();
  // Closes the plug-in (effClose) and unloads the library.
  ~VstHost();
  VstHost(const VstHost&) = delete;
  VstHost& operator=(const VstHost&) = delete;

  // dlopen, entry point (VSTPluginMain, else main), magic check. False with Error() set on failure.
  bool Load(const std::string& path);
  const std::string& Error() const { return mError; }
  AEffect* Effect() { return mEffect; }

  // The dispatcher with the effect record first; 0 when nothing is loaded.
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // A string the plug-in writes into a buffer of bufferSize bytes (the buffer is checked for overrun).
  std::string DispatchString(VstInt32 opcode, VstInt32 index, int bufferSize, VstIntPtr* result = nullptr);

  // effOpen, sample rate, block size; then effMainsChanged(1).
  void Open(double sampleRate, int blockSize);
  // effMainsChanged(0), then effClose; the library stays loaded until destruction.
  void Close();

  // Sends one short MIDI event through effProcessEvents.
  VstIntPtr SendMidi(unsigned char status, unsigned char data1, unsigned char data2, int deltaFrames);
  // How the audio thread plays, set before it starts. varyBlockSize: each block's frames vary between
  // kMinBlockSize and the block size given to Open. playNotes: before every block, as a host playing a track,
  // one effProcessEvents with a chord change on channel 1 (the last chord's note-offs, the next chord's
  // note-ons), the modulation wheel, and every 8 blocks the sustain pedal pressed or lifted; it replaces the
  // single note, and the run ends with every note and the pedal released.
  void SetPlaying(bool varyBlockSize, bool playNotes);
  const EventCounts& EventsSent() const { return mEventsSent; }
  // Processes blocks: one block when seconds <= 0, else in real time for that long on an audio thread,
  // with a note played at the start and ended in the middle. Returns the peak output level.
  float RunAudio(double seconds);
  // Starts processing blocks in real time on an audio thread that runs until StopAudio, as a host does for
  // as long as a project is open: a note is played at the start and ended after noteSeconds. Does nothing
  // when the audio already runs.
  void StartAudio(double noteSeconds);
  // Stops the audio thread of StartAudio; the peak output level and the seconds of audio it processed.
  float StopAudio(double* seconds = nullptr);
  bool AudioRunning() const { return mAudio.joinable(); }
  // What one block cost the audio thread in the plug-in: its effProcessEvents call, when the block has
  // events, and its processing call, timed together as a host's block.
  using BlockCost = ::BlockCost;
  // The blocks of the last audio run with the longest wall time, the most CPU time and the most page faults;
  // the page faults of all its blocks and how many blocks had any. After the run.
  const BlockCost& LongestBlock() const { return mLongestBlock; }
  const BlockCost& CostliestBlock() const { return mCostliestBlock; }
  const BlockCost& FaultiestBlock() const { return mFaultiestBlock; }
  long BlockFaults() const { return mBlockFaults; }
  long BlocksWithFaults() const { return mBlocksWithFaults; }
  // The CPU time of the last run's blocks in the plug-in, and of the reference: a fixed piece of the host's
  // own work timed the same way in every block just before the plug-in's calls. The reference's spread is
  // what the machine alone did to a block (its stalls count as CPU time). After the run.
  const TimeSpread& PluginCpu() const { return mPluginCpu; }
  const TimeSpread& ReferenceCpu() const { return mReferenceCpu; }
  // The machine's steal during the last run (MachineStealSeconds), summed over its CPUs. After the run.
  double StealSeconds() const { return mStealSeconds; }
  // The audio thread's priority in the last run: "real-time priority 20 (SCHED_FIFO)", or "normal priority"
  // and why the system refused real-time; empty when no audio thread ran. After the run.
  const std::string& AudioPriority() const { return mAudioPriority; }
  // One block of processReplacing on the calling thread (frames: the block size when 0); returns the peak
  // output level.
  float ProcessBlock(int frames = 0);
  // One block of processDoubleReplacing on the calling thread; returns the peak output level.
  double ProcessBlockDouble();

  // effGetChunk (index 0: bank, else program) copied out; empty when the plug-in gives none.
  std::vector<unsigned char> GetChunk(VstInt32 index);
  // effSetChunk with the bytes; the plug-in's answer.
  VstIntPtr SetChunk(VstInt32 index, const std::vector<unsigned char>& bytes);

  // Scripted transport: tempo in beats per minute and whether it runs. The position moves on with every
  // block while it runs.
  void SetTransport(double tempo, bool playing);
  CallCounts& Counts() { return mCounts; }
  int BlockSize() const { return mBlockSize; }
  double SampleRate() const { return mSampleRate; }

  // The host callback every plug-in receives.
  static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt);

private:
  VstIntPtr OnHostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  void AdvanceTime(int frames);
  // The audio thread's body: blocks in real time until maxFrames are done (no limit when negative) or the
  // thread is told to stop; the single note ends with the block that reaches noteOffFrame.
  void AudioLoop(long maxFrames, long noteOffFrame);
  // Sends and counts the note-on or note-off of the single note played without a track.
  void SendSingleNote(bool on);
  // The channels given to the processing calls: kMaxBlockSize frames each, made before the first block.
  template <class Sample> struct Buffers
  {
    std::vector<std::vector<Sample>> in;
    std::vector<std::vector<Sample>> out;
    std::vector<Sample*> inPtrs;
    std::vector<Sample*> outPtrs;
  };
  template <class Sample> Buffers<Sample>& BuffersOf();
  // Sizes the buffers for the plug-in's pins, when they are not yet.
  template <class Sample> void PrepareBuffers(Buffers<Sample>* buffers);
  // One block of frames (at most kMaxBlockSize) with the test tone on the inputs; the peak output level.
  template <class Sample> Sample Process(bool useDouble, int frames);
  // The track's events before block number block of frames frames; with last, only the releases.
  void PlayTrack(long block, int frames, bool last);
  // The reference: the same fixed work every time, a one-pole low-pass run over the test tone a few times.
  void ReferenceWork();

  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
  bool mOpen = false;
  std::string mError;
  double mSampleRate = 44100.0;
  int mBlockSize = 512;
  std::atomic<bool> mProcessing{false};
  std::thread mAudio;
  std::atomic<bool> mStopAudio{false};
  // Written by the audio thread, read after it has been joined.
  float mAudioPeak = 0.0f;
  long mAudioBlocks = 0;
  long mAudioFrames = 0;
  bool mVaryBlockSize = false;
  bool mPlayNotes = false;
  EventCounts mEventsSent;
  // The track's sounding chord (0: none) and pedal.
  std::array<unsigned char, 4> mChord{};
  bool mPedalDown = false;
  BlockCost mLongestBlock;
  BlockCost mCostliestBlock;
  BlockCost mFaultiestBlock;
  long mBlockFaults = 0;
  long mBlocksWithFaults = 0;
  TimeSpread mPluginCpu;
  TimeSpread mReferenceCpu;
  double mStealSeconds = 0.0;
  // The reference's result, kept so that its work is done.
  double mReferenceSum = 0.0;
  std::string mAudioPriority;
  std::vector<double> mTone;
  Buffers<float> mFloatBuffers;
  Buffers<double> mDoubleBuffers;
  std::mutex mTimeLock;
  VstTimeInfo mTimeInfo{};
  CallCounts mCounts;
};
