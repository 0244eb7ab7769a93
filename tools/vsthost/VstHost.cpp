// A small VST 2 host: library loading, the host callback with a scripted transport, audio blocks.
#include "VstHost.h"

#include "HostReport.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace
{
constexpr VstInt32 kEffectMagic = 0x56737450;
constexpr VstInt32 kVstMidiType = 1;
constexpr VstIntPtr kHostVstVersion = 2400;
constexpr VstIntPtr kHostVersion = 10000;
constexpr VstIntPtr kProcessLevelUser = 1;
constexpr VstIntPtr kProcessLevelRealtime = 2;
constexpr VstIntPtr kLanguageEnglish = 1;
// The audio thread's real-time priority: a moderate one, as hosts and JACK give theirs.
constexpr int kAudioPriority = 20;

constexpr VstInt32 kVstTransportChanged = 1 << 0;
constexpr VstInt32 kVstTransportPlaying = 1 << 1;
constexpr VstInt32 kVstNanosValid = 1 << 8;
constexpr VstInt32 kVstPpqPosValid = 1 << 9;
constexpr VstInt32 kVstTempoValid = 1 << 10;
constexpr VstInt32 kVstBarsValid = 1 << 11;
constexpr VstInt32 kVstTimeSigValid = 1 << 13;

constexpr int kHostStringLen = 64;
constexpr const char* kHostVendor = "Quillmarsh";
constexpr const char* kHostProduct = "Korvid vsthost";
// Guard bytes after every string buffer handed to a plug-in, to catch overruns.
constexpr int kGuardBytes = 256;
constexpr char kGuard = '\x5A';

// The host that is loading a plug-in: the callback cannot find it through the record before the entry
// returns.
std::atomic<VstHost*> sLoadingHost{nullptr};
std::mutex sLoadingLock;

typedef AEffect* (*EntryProc)(audioMasterCallback);

void copyString(char* dst, const char* src, int size)
{
  std::strncpy(dst, src, static_cast<size_t>(size - 1));
  dst[size - 1] = '\0';
}

} // namespace

VstHost::VstHost()
{
  SetTransport(120.0, true);
}

VstHost::~VstHost()
{
  Close();
  if (mLibrary)
  {
    dlclose(mLibrary);
  }
}

bool VstHost::Load(const std::string& path)
{
  // The library stays mapped after dlclose: static objects of a plug-in live until the process ends, as
  // in hosts that never unload, and some plug-ins (amsynth's GTK among them) do not survive unloading.
  mLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!mLibrary)
  {
    const char* why = dlerror();
    mError = std::string("cannot load ") + path + ": " + (why ? why : "unknown error");
    return false;
  }
  EntryProc entry = reinterpret_cast<EntryProc>(dlsym(mLibrary, "VSTPluginMain"));
  if (!entry)
  {
    entry = reinterpret_cast<EntryProc>(dlsym(mLibrary, "main"));
  }
  if (!entry)
  {
    mError = "no entry point VSTPluginMain or main in " + path;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(sLoadingLock);
    sLoadingHost = this;
    mEffect = entry(&VstHost::HostCallback);
    sLoadingHost = nullptr;
  }
  if (!mEffect)
  {
    mError = "the entry point returned no effect record";
    return false;
  }
  if (mEffect->magic != kEffectMagic)
  {
    mError = "the effect record has a wrong magic number";
    mEffect = nullptr;
    return false;
  }
  mEffect->user = this;
  return true;
}

VstIntPtr VstHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  if (!mEffect || !mEffect->dispatcher)
  {
    return 0;
  }
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string VstHost::DispatchString(VstInt32 opcode, VstInt32 index, int bufferSize, VstIntPtr* result)
{
  std::vector<char> buffer(static_cast<size_t>(bufferSize + kGuardBytes), kGuard);
  buffer[0] = '\0';
  const VstIntPtr answer = Dispatch(opcode, index, 0, buffer.data());
  if (result)
  {
    *result = answer;
  }
  for (int i = bufferSize; i < bufferSize + kGuardBytes; ++i)
  {
    if (buffer[static_cast<size_t>(i)] != kGuard)
    {
      return "<buffer overrun>";
    }
  }
  buffer[static_cast<size_t>(bufferSize - 1)] = '\0';
  return std::string(buffer.data());
}

void VstHost::Open(double sampleRate, int blockSize)
{
  if (!mEffect || mOpen)
  {
    return;
  }
  mSampleRate = sampleRate;
  mBlockSize = blockSize;
  // A quiet test tone on the inputs, so an effect or a pass-through shows signal; made here with the
  // buffers, so that a block's time is the plug-in's.
  mTone.resize(kMaxBlockSize);
  for (size_t s = 0; s < mTone.size(); ++s)
  {
    mTone[s] = 0.25 * std::sin(static_cast<double>(s) * 0.05);
  }
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  PrepareBuffers(&mFloatBuffers);
  PrepareBuffers(&mDoubleBuffers);
  mOpen = true;
}

void VstHost::Close()
{
  StopAudio();
  if (!mEffect)
  {
    return;
  }
  if (mOpen)
  {
    Dispatch(effMainsChanged, 0, 0);
  }
  Dispatch(effClose);
  mEffect = nullptr;
  mOpen = false;
}

void VstHost::SetTransport(double tempo, bool playing)
{
  std::lock_guard<std::mutex> lock(mTimeLock);
  mTimeInfo.sampleRate = mSampleRate;
  mTimeInfo.tempo = tempo;
  mTimeInfo.timeSigNumerator = 4;
  mTimeInfo.timeSigDenominator = 4;
  mTimeInfo.flags = kVstTransportChanged | kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                    kVstTimeSigValid | (playing ? kVstTransportPlaying : 0);
}

void VstHost::AdvanceTime(int frames)
{
  std::lock_guard<std::mutex> lock(mTimeLock);
  if (mTimeInfo.flags & kVstTransportPlaying)
  {
    mTimeInfo.samplePos += frames;
  }
  mTimeInfo.sampleRate = mSampleRate;
  mTimeInfo.ppqPos = mTimeInfo.samplePos / mSampleRate * mTimeInfo.tempo / 60.0;
  mTimeInfo.barStartPos = std::floor(mTimeInfo.ppqPos / 4.0) * 4.0;
  mTimeInfo.nanoSeconds = mTimeInfo.samplePos / mSampleRate * 1e9;
  mTimeInfo.flags &= ~kVstTransportChanged;
}

namespace
{
// One short MIDI event of a VstEvents list.
VstMidiEvent midiEvent(unsigned char status, unsigned char data1, unsigned char data2, int deltaFrames)
{
  VstMidiEvent event;
  std::memset(&event, 0, sizeof(event));
  event.type = kVstMidiType;
  event.byteSize = sizeof(event);
  event.deltaFrames = deltaFrames;
  event.midiData[0] = static_cast<char>(status);
  event.midiData[1] = static_cast<char>(data1);
  event.midiData[2] = static_cast<char>(data2);
  return event;
}
} // namespace

VstIntPtr VstHost::SendMidi(unsigned char status, unsigned char data1, unsigned char data2, int deltaFrames)
{
  VstMidiEvent event = midiEvent(status, data1, data2, deltaFrames);
  VstEvents events;
  std::memset(&events, 0, sizeof(events));
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return Dispatch(effProcessEvents, 0, 0, &events);
}

template <> VstHost::Buffers<float>& VstHost::BuffersOf<float>()
{
  return mFloatBuffers;
}

template <> VstHost::Buffers<double>& VstHost::BuffersOf<double>()
{
  return mDoubleBuffers;
}

template <class Sample> void VstHost::PrepareBuffers(Buffers<Sample>* buffers)
{
  const size_t nIn = static_cast<size_t>(std::max(mEffect->numInputs, 0));
  const size_t nOut = static_cast<size_t>(std::max(mEffect->numOutputs, 0));
  if (buffers->in.size() == nIn && buffers->out.size() == nOut)
  {
    return;
  }
  buffers->in.assign(nIn, std::vector<Sample>(kMaxBlockSize, Sample(0)));
  buffers->out.assign(nOut, std::vector<Sample>(kMaxBlockSize, Sample(0)));
  buffers->inPtrs.clear();
  buffers->outPtrs.clear();
  for (auto& channel : buffers->in)
  {
    buffers->inPtrs.push_back(channel.data());
  }
  for (auto& channel : buffers->out)
  {
    buffers->outPtrs.push_back(channel.data());
  }
}

template <class Sample> Sample VstHost::Process(bool useDouble, int frames)
{
  Buffers<Sample>& buffers = BuffersOf<Sample>();
  PrepareBuffers(&buffers);
  const size_t count = static_cast<size_t>(std::clamp(frames, 0, static_cast<int>(mTone.size())));
  for (auto& channel : buffers.in)
  {
    std::copy(mTone.begin(), mTone.begin() + static_cast<std::ptrdiff_t>(count), channel.begin());
  }
  for (auto& channel : buffers.out)
  {
    std::fill(channel.begin(), channel.end(), Sample(0));
  }
  std::vector<Sample*>& inPtrs = buffers.inPtrs;
  std::vector<Sample*>& outPtrs = buffers.outPtrs;
  frames = static_cast<int>(count);
  mProcessing = true;
  if constexpr (sizeof(Sample) == sizeof(double))
  {
    if (useDouble && HasDoubleReplacing(*mEffect))
    {
      mEffect->processDoubleReplacing(mEffect, inPtrs.data(), outPtrs.data(), frames);
    }
  }
  else
  {
    if (!useDouble && mEffect->processReplacing)
    {
      mEffect->processReplacing(mEffect, inPtrs.data(), outPtrs.data(), frames);
    }
  }
  mProcessing = false;
  AdvanceTime(frames);
  Sample peak = 0;
  for (auto& channel : buffers.out)
  {
    for (size_t s = 0; s < count; ++s)
    {
      peak = std::max(peak, static_cast<Sample>(std::fabs(channel[s])));
    }
  }
  return peak;
}

float VstHost::ProcessBlock(int frames)
{
  return mEffect ? Process<float>(false, frames > 0 ? frames : mBlockSize) : 0.0f;
}

double VstHost::ProcessBlockDouble()
{
  return mEffect ? Process<double>(true, mBlockSize) : 0.0;
}

namespace
{
constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kNoteOff = 0x80;
constexpr unsigned char kMiddleC = 60;
constexpr unsigned char kVelocity = 100;
constexpr unsigned char kControlChange = 0xB0;
constexpr unsigned char kModWheel = 1;
constexpr unsigned char kSustainPedal = 64;
constexpr unsigned char kPedalDown = 127;
// The track: a four-note chord (major seventh) on a root that moves by a fourth within two octaves.
constexpr unsigned char kChordIntervals[] = {0, 4, 7, 11};
constexpr int kLowestRoot = 48;
constexpr int kRootStep = 5;
constexpr int kRootRange = 24;
constexpr int kPedalPeriod = 8;
constexpr int kModWheelStep = 3;
constexpr int kMaxTrackEvents = 16;
constexpr unsigned kBlockSizeSeed = 46;
} // namespace

void VstHost::SetPlaying(bool varyBlockSize, bool playNotes)
{
  mVaryBlockSize = varyBlockSize;
  mPlayNotes = playNotes;
}

void VstHost::PlayTrack(long block, int frames, bool last)
{
  std::array<VstMidiEvent, kMaxTrackEvents> midi{};
  int count = 0;
  auto add = [&](unsigned char status, unsigned char data1, unsigned char data2, int delta, long* counter)
  {
    midi[static_cast<size_t>(count++)] = midiEvent(status, data1, data2, delta);
    ++*counter;
  };
  for (unsigned char& key : mChord)
  {
    if (key != 0)
    {
      add(kNoteOff, key, 0, 0, &mEventsSent.noteOffs);
      key = 0;
    }
  }
  const bool pedalDown = !last && block % (2 * kPedalPeriod) >= kPedalPeriod;
  if (pedalDown != mPedalDown)
  {
    add(kControlChange, kSustainPedal, pedalDown ? kPedalDown : 0, 0, &mEventsSent.controllers);
    mPedalDown = pedalDown;
  }
  if (!last)
  {
    const int root = kLowestRoot + static_cast<int>(block * kRootStep % kRootRange);
    for (size_t i = 0; i < mChord.size(); ++i)
    {
      mChord[i] = static_cast<unsigned char>(root + kChordIntervals[i]);
      add(kNoteOn, mChord[i], kVelocity, 0, &mEventsSent.noteOns);
    }
    add(kControlChange, kModWheel, static_cast<unsigned char>(block * kModWheelStep % 128), frames / 2,
        &mEventsSent.controllers);
  }
  // The record: the event count, a reserved word, then one pointer per event.
  std::array<VstIntPtr, 2 + kMaxTrackEvents> record{};
  VstEvents* events = reinterpret_cast<VstEvents*>(record.data());
  events->numEvents = count;
  for (int i = 0; i < count; ++i)
  {
    events->events[i] = reinterpret_cast<VstEvent*>(&midi[static_cast<size_t>(i)]);
  }
  Dispatch(effProcessEvents, 0, 0, events);
}

float VstHost::RunAudio(double seconds)
{
  if (!mEffect || AudioRunning())
  {
    return 0.0f;
  }
  if (seconds <= 0.0)
  {
    mEventsSent = EventCounts{};
    mAudioPriority.clear();
    if (mPlayNotes)
    {
      PlayTrack(0, mBlockSize, false);
    }
    else
    {
      SendSingleNote(true);
    }
    const float peak = ProcessBlock();
    if (mPlayNotes)
    {
      PlayTrack(1, mBlockSize, true);
    }
    else
    {
      SendSingleNote(false);
    }
    return peak;
  }
  const long frames = std::max(1L, static_cast<long>(seconds * mSampleRate));
  mStopAudio = false;
  mAudio = std::thread([this, frames] { AudioLoop(frames, frames / 2); });
  mAudio.join();
  return mAudioPeak;
}

void VstHost::StartAudio(double noteSeconds)
{
  if (!mEffect || AudioRunning())
  {
    return;
  }
  const long noteOffFrame = std::max(1L, static_cast<long>(noteSeconds * mSampleRate));
  mStopAudio = false;
  mAudio = std::thread([this, noteOffFrame] { AudioLoop(-1, noteOffFrame); });
}

float VstHost::StopAudio(double* seconds)
{
  if (!AudioRunning())
  {
    return 0.0f;
  }
  mStopAudio = true;
  mAudio.join();
  if (seconds)
  {
    *seconds = static_cast<double>(mAudioFrames) / mSampleRate;
  }
  return mAudioPeak;
}

void VstHost::SendSingleNote(bool on)
{
  SendMidi(on ? kNoteOn : kNoteOff, kMiddleC, on ? kVelocity : 0, 0);
  ++(on ? mEventsSent.noteOns : mEventsSent.noteOffs);
}

void VstHost::AudioLoop(long maxFrames, long noteOffFrame)
{
  // At normal priority a busy machine pre-empts the thread in the middle of a block, and the longest block
  // measures the scheduler instead of the plug-in.
  sched_param priority{};
  priority.sched_priority = kAudioPriority;
  const int refused = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
  mAudioPriority = refused
                       ? std::string("normal priority (real-time refused: ") + std::strerror(refused) + ")"
                       : "real-time priority " + std::to_string(kAudioPriority) + " (SCHED_FIFO)";
  std::minstd_rand blockSizes(kBlockSizeSeed);
  std::uniform_int_distribution<int> blockSize(std::min(kMinBlockSize, mBlockSize), mBlockSize);
  mAudioPeak = 0.0f;
  mAudioBlocks = 0;
  mAudioFrames = 0;
  mEventsSent = EventCounts{};
  mLongestBlock = BlockCost{};
  mCostliestBlock = BlockCost{};
  mBlockFaults = 0;
  mBlocksWithFaults = 0;
  mFaultiestBlock = BlockCost{};
  mPluginCpu = TimeSpread{};
  mReferenceCpu = TimeSpread{};
  // Once before the first block: the reference's spread is then the machine's, not a cold cache's.
  ReferenceWork();
  const double stealBefore = MachineStealSeconds();
  auto next = std::chrono::steady_clock::now();
  const auto first = next;
  bool noteOn = false;
  while (!mStopAudio && (maxFrames < 0 || mAudioFrames < maxFrames))
  {
    const int frames = mVaryBlockSize ? blockSize(blockSizes) : mBlockSize;
    const BlockCost reference = TimeBlock([this] { ReferenceWork(); }, first);
    BlockCost cost = TimeBlock(
        [&]
        {
          if (mPlayNotes)
          {
            PlayTrack(mAudioBlocks, frames, false);
          }
          else if (mAudioBlocks == 0)
          {
            SendSingleNote(true);
            noteOn = true;
          }
          else if (noteOn && mAudioFrames >= noteOffFrame)
          {
            SendSingleNote(false);
            noteOn = false;
          }
          mAudioPeak = std::max(mAudioPeak, ProcessBlock(frames));
        },
        first);
    cost.referenceCpuSeconds = reference.cpuSeconds;
    mPluginCpu.Add(cost.cpuSeconds);
    mReferenceCpu.Add(reference.cpuSeconds);
    mBlockFaults += cost.minorFaults + cost.majorFaults;
    mBlocksWithFaults += cost.minorFaults + cost.majorFaults > 0 ? 1 : 0;
    if (cost.minorFaults + cost.majorFaults > mFaultiestBlock.minorFaults + mFaultiestBlock.majorFaults)
    {
      mFaultiestBlock = cost;
    }
    if (cost.wallSeconds > mLongestBlock.wallSeconds)
    {
      mLongestBlock = cost;
    }
    if (cost.cpuSeconds > mCostliestBlock.cpuSeconds)
    {
      mCostliestBlock = cost;
    }
    ++mAudioBlocks;
    mAudioFrames += frames;
    next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(frames / mSampleRate));
    std::this_thread::sleep_until(next);
  }
  mStealSeconds = MachineStealSeconds() - stealBefore;
  // A run stopped before the note's end leaves no note hanging.
  if (mPlayNotes)
  {
    PlayTrack(mAudioBlocks, mBlockSize, true);
  }
  else if (noteOn)
  {
    SendSingleNote(false);
  }
}

void VstHost::ReferenceWork()
{
  constexpr int kPasses = 8;
  constexpr double kCoefficient = 0.1;
  double state = 0.0;
  for (int pass = 0; pass < kPasses; ++pass)
  {
    for (double sample : mTone)
    {
      state += kCoefficient * (sample - state);
    }
  }
  mReferenceSum += state;
}

std::vector<unsigned char> VstHost::GetChunk(VstInt32 index)
{
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, index, 0, &data);
  if (size <= 0 || !data)
  {
    return {};
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr VstHost::SetChunk(VstInt32 index, const std::vector<unsigned char>& bytes)
{
  // A zero byte follows the chunk, outside its size: some plug-ins (amsynth) read their chunk as a C string.
  std::vector<unsigned char> copy(bytes);
  copy.push_back(0);
  return Dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()), copy.data());
}

VstIntPtr VstHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt)
{
  if (opcode == audioMasterVersion)
  {
    return kHostVstVersion;
  }
  VstHost* host = effect ? static_cast<VstHost*>(effect->user) : nullptr;
  if (!host)
  {
    host = sLoadingHost;
  }
  if (!host)
  {
    return 0;
  }
  return host->OnHostCall(opcode, index, value, ptr, opt);
}

VstIntPtr VstHost::OnHostCall(VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
  switch (opcode)
  {
  case audioMasterAutomate:
    ++mCounts.automate;
    return 0;
  case audioMasterCurrentId:
  case audioMasterIdle:
    return 0;
  case audioMasterWantMidi:
    ++mCounts.wantMidi;
    return 1;
  case audioMasterGetTime:
  {
    ++mCounts.getTime;
    // Each thread gets its own answer record; it stays valid until that thread asks again.
    thread_local VstTimeInfo answer;
    std::lock_guard<std::mutex> lock(mTimeLock);
    answer = mTimeInfo;
    return reinterpret_cast<VstIntPtr>(&answer);
  }
  case audioMasterProcessEvents:
    ++mCounts.eventsFromPlugin;
    return 1;
  case audioMasterIOChanged:
  case audioMasterSizeWindow:
  case audioMasterUpdateDisplay:
    return 1;
  case audioMasterGetSampleRate:
    return static_cast<VstIntPtr>(mSampleRate);
  case audioMasterGetBlockSize:
    return mBlockSize;
  case audioMasterGetCurrentProcessLevel:
    return mProcessing ? kProcessLevelRealtime : kProcessLevelUser;
  case audioMasterGetVendorString:
    if (ptr)
    {
      copyString(static_cast<char*>(ptr), kHostVendor, kHostStringLen);
    }
    return ptr ? 1 : 0;
  case audioMasterGetProductString:
    ++mCounts.productString;
    if (ptr)
    {
      copyString(static_cast<char*>(ptr), kHostProduct, kHostStringLen);
    }
    return ptr ? 1 : 0;
  case audioMasterGetVendorVersion:
    return kHostVersion;
  case audioMasterCanDo:
  {
    const char* what = static_cast<const char*>(ptr);
    if (!what)
    {
      return 0;
    }
    static const char* const kCanDo[] = {"sendVstEvents",    "sendVstMidiEvent",    "sendVstTimeInfo",
                                         "receiveVstEvents", "receiveVstMidiEvent", "sizeWindow",
                                         "supplyIdle"};
    for (const char* capability : kCanDo)
    {
      if (!std::strcmp(capability, what))
      {
        return 1;
      }
    }
    return 0;
  }
  case audioMasterGetLanguage:
    return kLanguageEnglish;
  case audioMasterBeginEdit:
    ++mCounts.beginEdit;
    return 1;
  case audioMasterEndEdit:
    ++mCounts.endEdit;
    return 1;
  default:
    return 0;
  }
}
