// The audio callback as the editor's clock: transport and tempo, the output queue, indicators; and its idle
// half, which logs, shows, posts and sends what the audio thread may not.
#include "Korvid.h"
#include "StoredInt.h"

#include "IControl.h"
#include "IGraphics.h"
#include "JobArguments.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <utility>

namespace
{
// The multi tempo value is the host tempo in beats per minute minus this.
constexpr int kTempoValueOffset = 65;
// Tempo the continuous clock job starts with, in beats per minute.
constexpr int kContinuousClockTempo = 120;
// Song Position Pointer: sixteenth notes per quarter note, and the largest position it carries.
constexpr double kSixteenthsPerQuarter = 4.0;
constexpr double kMaxSongPosition = 16383.0;
// An activity indicator goes off this long after it was lit, in ms.
constexpr uint32_t kIndicatorOnMs = 100;
// Output blocked by a queue overflow is released after this long, in ms.
constexpr uint32_t kOverflowHoldMs = 1000;
// The host's events wait at most this long behind a program change's sends.
constexpr uint32_t kHostWaitLimitMs = 2000;
// Position of note messages in the blocked message classes (CC, PC, Note, PP, PA, CA, SE).
constexpr size_t kNoteBlockClass = 2;
// The MIDI-out delay display, by its position in mDisplayControls.
constexpr size_t kDisplayOutDelay = 6;
// Most frames one pass catches up on after blocks it missed: messages further ahead stay queued.
constexpr int64_t kMaxCatchUpFrames = 1 << 30;

constexpr const char* kTextOutOfSync = "PROCESSOR: Host tempo is out of sync!";
constexpr const char* kTextSyncedPrefix = "PROCESSOR: Host tempo synced to ";
constexpr const char* kTextSyncedSuffix = "BPM";

// Milliseconds from a stamp of the tick count to now; right across the counter's wrap.
uint32_t elapsedSince(uint32_t stamp, uint32_t now)
{
  return now - stamp;
}

// Posts a clock job on its thread when that thread is idle; a busy thread drops it (false).
bool postClockJob(Korvid& plug, int jobCode, int tempo = 0, int songPosition = 0)
{
  MIDIMessageManager* manager = plug.mMIDIMessageManager;
  if (!manager)
  {
    return false;
  }
  JobArguments args;
  args.jobCode = jobCode;
  args.tempo = tempo;
  args.songPosition = songPosition;
  return manager->post(args);
}

// Where the host transport stands, in sixteenth notes from the song's start (0 at the start or when the
// host gives no position).
int songPositionOf(const ITimeInfo& time)
{
  const double sixteenths = time.mPPQPos * kSixteenthsPerQuarter;
  return sixteenths >= 1.0 ? static_cast<int>(std::min(sixteenths, kMaxSongPosition)) : 0;
}

// Transport edges become clock starts and stops, unless the short messages go through the output queue. The
// job is posted at the next idle call (a post may start a thread): the later edge wins.
void followTransport(Korvid& plug, bool running)
{
  if (running && !plug.mTransportWasRunning)
  {
    plug.mTransportWasRunning = true;
    if (!plug.mMidiOutMode && !plug.mClockStart)
    {
      plug.mClockJobSongPosition = songPositionOf(plug.mTimeInfo);
      plug.mClockJobToPost = MIDIMessageSender::kJobStartClock;
      // A start the busy thread dropped still counts: the matching stop follows the transport.
      plug.mClockStart = true;
    }
  }
  else if (!running && plug.mTransportWasRunning)
  {
    plug.mTransportWasRunning = false;
    if (!plug.mMidiOutMode && plug.mClockStart)
    {
      plug.mClockJobToPost = MIDIMessageSender::kJobStopClock;
      plug.mClockStart = false;
    }
  }
}

// The continuous clock is started once, and again after each change of the clock setting or output port. A
// clock switched off needs no job. A post dropped because the previous clock job is still ending is made
// again by the next idle call. Plug mutex held.
void keepContinuousClock(Korvid& plug)
{
  if (plug.mContinuousClock || !plug.mMIDIMessageManager || !plug.mOutputPresent)
  {
    return;
  }
  if (!plug.mClockFlag)
  {
    plug.mContinuousClock = true;
    return;
  }
  plug.mMIDIMessageManager->sender->resetContinuousClock(false);
  if (postClockJob(plug, MIDIMessageSender::kJobContinuousClock, kContinuousClockTempo))
  {
    plug.mContinuousClock = true;
  }
}

// With kOverrideTempo on, the multi tempo follows the integer host tempo: its parameter here, the log and
// the controls at the next idle call (showTempo).
void followHostTempo(Korvid& plug)
{
  const IParam* overrideTempo = plug.GetParam(kOverrideTempo);
  if (!overrideTempo || overrideTempo->Value() != 1.0)
  {
    return;
  }
  const double tempo = plug.mTimeInfo.mTempo;
  // Bounded first: an absurd host answer must not overflow the conversion.
  const int hostTempo = static_cast<int>(std::clamp(tempo == tempo ? tempo : 0.0, -1.0e6, 1.0e6));
  const int offset = hostTempo - kTempoValueOffset;
  if (offset != plug.mHostTempoOffset)
  {
    plug.mHostTempoOffset = offset;
    plug.mTempoSynced = false;
    plug.mTempoOutOfSyncToLog = true;
  }
  if (plug.mTempoSynced || !plug.mOutputPresent)
  {
    return;
  }
  // The plain value is bounded to the parameter's range on the way in.
  IParam* multiTempo = plug.GetParam(kMultiTempo);
  if (multiTempo && plug.getSurface())
  {
    multiTempo->SetBounded(offset);
    plug.mTempoSyncToShow = true;
  }
  plug.mTempoSynced = true;
}

void showTempo(Korvid& plug)
{
  if (plug.mTempoOutOfSyncToLog.exchange(false))
  {
    plug.log(kTextOutOfSync);
  }
  if (!plug.mTempoSyncToShow.exchange(false))
  {
    return;
  }
  const int offset = plug.mHostTempoOffset;
  plug.log(kTextSyncedPrefix + std::to_string(offset + kTempoValueOffset) + kTextSyncedSuffix);
  if (IGraphics* surface = plug.getSurface())
  {
    surface->SetParameterFromPlug(kMultiTempo, offset, false);
  }
}

// "<delay>ms|<block size>bfr" in the MIDI-out delay display, for the frames the last pass in MIDI-out mode
// left.
void showOutDelay(Korvid& plug)
{
  const int frames = plug.mOutDelayToShow.exchange(0);
  ITextControl* display = dynamic_cast<ITextControl*>(plug.mDisplayControls[kDisplayOutDelay]);
  const double rate = plug.mSampleRateCopy;
  if (frames <= 0 || !display || !(rate > 0.0))
  {
    return;
  }
  const double delayMs = std::clamp(1000.0 / (rate / frames), 0.0, 1.0e9);
  char text[48];
  std::snprintf(text, sizeof(text), "%dms|%dbfr", static_cast<int>(delayMs), plug.GetBlockSize());
  display->SetTextFromPlug(text);
}

// Sends (MIDI-out mode) or drops every queued message whose offset is at most lastFrame, in order.
void drainDue(Korvid& plug, int lastFrame)
{
  IMidiMsg msg;
  while (plug.mMidiOutQueue.TakeFront(lastFrame, &msg))
  {
    if (plug.mMidiOutMode)
    {
      plug.sendMidiMsgAndLog(&msg);
    }
  }
}

int partsWithIndicators(const Korvid& plug)
{
  return std::min<int>(Korvid::kPartCount, static_cast<int>(plug.mIndicatorState.size()));
}

// The pass only counts it off; showIndicators moves the control.
void switchIndicatorOff(Korvid& plug, int part)
{
  plug.mIndicatorState[static_cast<size_t>(part)] = 0;
}

// Brings each indicator's parameter and control to its state where they differ.
void showIndicators(Korvid& plug)
{
  IGraphics* surface = plug.getSurface();
  for (int p = 0; surface && p < partsWithIndicators(plug); ++p)
  {
    const IParam* led = plug.GetParam(kMIDILed + p);
    const double state = plug.mIndicatorState[static_cast<size_t>(p)] != 0 ? 1.0 : 0.0;
    if (led && led->Value() != state)
    {
      surface->SetParameterFromPlug(kMIDILed + p, state, false);
    }
  }
}

// The first block with the transport stopped after a reset silences every active part and its indicator.
void settleStopPending(Korvid& plug, bool running)
{
  if (running || !plug.mStopPending)
  {
    return;
  }
  plug.mStopPending = false;
  plug.AllSoundsOff(0, true);
  for (int p = 0; p < partsWithIndicators(plug); ++p)
  {
    switchIndicatorOff(plug, p);
  }
}

void expireIndicators(Korvid& plug)
{
  for (int p = 0; p < partsWithIndicators(plug); ++p)
  {
    const size_t at = static_cast<size_t>(p);
    if (plug.mIndicatorState[at] != 0 &&
        elapsedSince(static_cast<uint32_t>(plug.mIndicatorTime[at]), plug.mTickCount()) > kIndicatorOnMs)
    {
      switchIndicatorOff(plug, p);
    }
  }
}

// A multi or global dump deferred by an edit goes out once its keys are up: Shift or the left button
// hold a multi, the left button alone a global. Unlike the edit itself, no all-sounds-off goes first. Plug
// mutex held, off the audio thread (a dump is built on the heap).
void sendDeferredDumps(Korvid& plug)
{
  if (plug.mIgnoreIncoming)
  {
    return;
  }
  IGraphics* surface = plug.getSurface();
  if (plug.mDeferredMulti && !(surface && surface->ShiftOrLeftButtonHeld()))
  {
    plug.sendEditedDump(true, false);
    plug.mDeferredMulti = false;
  }
  if (plug.mDeferredGlobal && !(surface && surface->LeftButtonHeld()))
  {
    plug.sendEditedDump(false, false);
    plug.mDeferredGlobal = false;
  }
}

// The editor follows the kept host messages in order. A program change waits until the drain has sent
// what the audio thread queued up to it (it went out first), and the host's events behind it until what it
// sent is out.
void followKeptHostMsgs(Korvid& plug)
{
  MIDIMessageManager* manager = plug.mMIDIMessageManager;
  int followed = 0;
  for (; followed < plug.mKeptHostMsgCount && manager; ++followed)
  {
    Korvid::KeptHostMsg& entry = plug.mKeptHostMsgs[static_cast<size_t>(followed)];
    const bool program = entry.msg.StatusMsg() == IMidiMsg::kProgramChange;
    if (program && !plug.audioSendsHandled(entry.queued))
    {
      break;
    }
    manager->followHostMsg(&entry.msg, entry.part);
    if (program)
    {
      // Its bank change's program change, or the job that sends the library's record. (A sound request
      // after the bank change need not be waited for: the events reach the synthesizer before it.)
      plug.mHostWaitTicket = manager->bankChanges.issued();
      plug.mHostWaitJob =
          storedInt(plug, kControlLibrary) == 1 && manager->isRunning(MIDIMessageManager::Thread::SysexJob);
      plug.mHostWaitSince = plug.mTickCount();
    }
  }
  std::copy(plug.mKeptHostMsgs.begin() + followed, plug.mKeptHostMsgs.begin() + plug.mKeptHostMsgCount,
            plug.mKeptHostMsgs.begin());
  plug.mKeptHostMsgCount -= followed;
  if (!manager)
  {
    // Nothing follows a program change without the device manager: the events behind it go on.
    plug.mHostEventsWait = false;
    return;
  }
  if (!plug.mHostEventsWait || plug.mKeptHostMsgCount > 0)
  {
    return;
  }
  const uint64_t ticket = plug.mHostWaitTicket;
  const bool programOut = plug.mProgramOutTicket.load() >= ticket || manager->bankChanges.finished(ticket);
  const bool recordOut = !plug.mHostWaitJob || !manager->isRunning(MIDIMessageManager::Thread::SysexJob);
  if ((programOut && recordOut) || elapsedSince(plug.mHostWaitSince, plug.mTickCount()) > kHostWaitLimitMs)
  {
    plug.mHostEventsWait = false;
  }
}

void releaseOverflow(Korvid& plug)
{
  if (!plug.mQueueOverflow ||
      elapsedSince(static_cast<uint32_t>(plug.mOverflowTime.load()), plug.mTickCount()) <= kOverflowHoldMs)
  {
    return;
  }
  plug.mQueueOverflow = false;
  plug.mProcessingOverlay = false;
  plug.mOutputHold = false;
  plug.mHostInputBlocked[kNoteBlockClass] = false;
}
} // namespace

void Korvid::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  // The editor makes no sound of its own: the base operation copies the inputs to the outputs.
  IPlugVST::ProcessDoubleReplacing(inputs, outputs, nFrames);
  mAudioPassRan.store(true, std::memory_order_relaxed);
  GetTime(&mTimeInfo);
  // Blocks passed through while another thread held the plug mutex are caught up now: the queue moves on
  // by their frames too, so what fell due in them goes out now, in order, late by the time missed.
  const MissedBlocks missed = TakeMissedBlocks();
  if (!mOutputPresent)
  {
    return;
  }
  const bool running = mTimeInfo.mTransportIsRunning;
  followTransport(*this, running);
  followHostTempo(*this);

  int frames = std::max(nFrames, 0);
  if (mMidiOutMode)
  {
    frames = std::max(mQueueFrames.load(), 1);
    mOutDelayToShow = frames;
  }
  // Each missed block counts its own frames (hosts vary the block size); in MIDI-out mode also the DAW
  // offset that the queue frames add to every block's.
  const int64_t offsetPerBlock = mMidiOutMode ? std::max(frames - GetBlockSize(), 0) : 0;
  frames = static_cast<int>(
      std::min<int64_t>(frames + missed.frames + offsetPerBlock * missed.blocks, kMaxCatchUpFrames));
  if (frames > 0)
  {
    // Messages due at the block's first frame go before the stop's all-sounds-off, the rest after it:
    // the order of a walk offset by offset, as nothing waits between the offsets. Likewise the tick count
    // does not move within one call, so the indicators are looked at once.
    drainDue(*this, 0);
    settleStopPending(*this, running);
    drainDue(*this, frames - 1);
    expireIndicators(*this);
  }
  // Messages not yet due keep their place in time relative to the next block.
  mMidiOutQueue.Advance(frames);
  releaseOverflow(*this);
}

void Korvid::followAudioPass(bool hostCall)
{
  // A busy editor (a rescan) leaves it all to a later idle call rather than hold up the host's interface.
  if (!GetMutex()->TryEnter())
  {
    return;
  }
  const std::unique_ptr<WDL_Mutex, void (*)(WDL_Mutex*)> leave(GetMutex(),
                                                               [](WDL_Mutex* held) { held->Leave(); });
  // Also what the port lists met at construction: the host's reset has written the message line since.
  noteLostPorts();
  if (mNoOutputToSay.exchange(false))
  {
    sayNoOutput();
  }
  showTempo(*this);
  showOutDelay(*this);
  showIndicators(*this);
  const int clockJob = mClockJobToPost.exchange(kNoClockJob);
  if (clockJob != kNoClockJob && mOutputPresent)
  {
    postClockJob(*this, clockJob, 0,
                 clockJob == MIDIMessageSender::kJobStartClock ? mClockJobSongPosition.load() : 0);
  }
  keepContinuousClock(*this);
  if (mOutputPresent)
  {
    sendDeferredDumps(*this);
  }
  // A followed controller edits a parameter and sends it: the host's interface thread does not wait for the
  // output, the follow-up thread does it.
  if (!hostCall || !mAudioPassFollower.started())
  {
    followKeptHostMsgs(*this);
  }
  if (const int dropped = std::exchange(mKeptHostMsgDropped, 0))
  {
    log("HOST MIDI: the editor did not follow " + std::to_string(dropped) +
        " controllers and program changes");
  }
}

void Korvid::keepHostMsgForIdle(const IMidiMsg& msg, int part)
{
  if (mKeptHostMsgCount >= kKeptHostMsgRoom)
  {
    ++mKeptHostMsgDropped;
    return;
  }
  mKeptHostMsgs[static_cast<size_t>(mKeptHostMsgCount++)] = KeptHostMsg{msg, part, audioSendsQueued()};
  // The follow-up thread follows it, also when no processing pass comes after these events.
  mAudioPassRan.store(true, std::memory_order_relaxed);
  if (msg.StatusMsg() == IMidiMsg::kProgramChange &&
      (storedInt(*this, kControlLibrary) == 1 || storedInt(*this, kGlobalRxProgramChange) >= 1))
  {
    mHostEventsWait = true;
  }
}

void Korvid::OnProcessingStops()
{
  drainDue(*this, std::numeric_limits<int>::max());
}
