// The timing hub on the real editor, driven through the effect record's processing callback with a fake
// host that answers the time request: transport and clock flags, tempo follow, the output queue, activity
// indicators, overflow release, stop pending and the deferred multi and global dumps; Reset and the
// device-id enquiry.
#include "KorvidTestSupport.h"

#include "HeadlessSurface.h"
#include "IControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "ProgressIndicator.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;

constexpr const char* kPort = "Blofeld Out";
// Host opcodes and time info flags of the VST 2.4 interface.
constexpr VstInt32 kDispatchSetSampleRate = 10;
constexpr VstInt32 kDispatchSetBlockSize = 11;
constexpr VstInt32 kTransportPlaying = 1 << 1;
constexpr VstInt32 kTempoValid = 1 << 10;
constexpr int kBlock = 32;
constexpr unsigned char kAllSoundsOff = 123;
constexpr size_t kMultiDumpLength = 425;
constexpr size_t kGlobalDumpLength = 80;

VstTimeInfo& gHostTime = hostTime();

// The tick count of the editors whose mTickCount a test points at handTicks: moved on by the test alone.
uint32_t gTicks = 0;
uint32_t handTicks()
{
  return gTicks;
}

class KorvidTimingHub : public StartupFixture
{
protected:
  KorvidTimingHub()
  {
    useResources(pluginFolder());
    midi->setOutputPorts({kPort});
    gHostTime = VstTimeInfo{};
    gHostTime.tempo = 120.0;
    gHostTime.flags = kTempoValid;
  }

  // An editor under the fake host with the output port chosen, the device-id enquiry over, every part
  // inactive on channel 0, the indicators following output and nothing received yet.
  std::unique_ptr<Korvid> constructWithOutput()
  {
    auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{&timeOnlyHost});
    chooseOutputPort(*plug, 1);
    EXPECT_TRUE(plug->mOutputPresent);
    dispatch(*plug, kDispatchSetSampleRate, 0, 44100.0f);
    dispatch(*plug, kDispatchSetBlockSize, kBlock, 0.0f);
    plug->mIndicatorsTrackIncoming = false;
    for (int p = 0; p < Korvid::kPartCount; ++p)
    {
      store(*plug, kMultiPartStatus + p, 0.0);
      store(*plug, kMultiPartMIDICh + p, 2.0);
    }
    midi->clearReceived();
    return plug;
  }

  static void dispatch(Korvid& plug, VstInt32 opcode, VstIntPtr value, float opt)
  {
    AEffect* effect = plug.GetAEffect();
    effect->dispatcher(effect, opcode, 0, value, nullptr, opt);
  }

  // One block through the host's double-precision callback, with the host transport as given, then idle.
  // idle: the host's idle call after the block (without it the plug-in's follow-up thread does its work).
  static void process(Korvid& plug, bool running, int frames = kBlock, bool idle = true)
  {
    gHostTime.flags = kTempoValid | (running ? kTransportPlaying : 0);
    std::vector<double> in(static_cast<size_t>(frames), 0.5);
    std::vector<double> out(static_cast<size_t>(frames), 0.5);
    double* inputs[2] = {in.data(), in.data()};
    double* outputs[2] = {out.data(), out.data()};
    runPass(plug, inputs, outputs, frames);
    if (idle)
      plug.OnIdle();
    // The pass only queues its sends: what it sent is out before the test looks.
    EXPECT_TRUE(plug.waitForAudioSends(std::chrono::seconds(10)));
  }

  static void store(Korvid& plug, int paramIdx, double value) { plug.GetParam(paramIdx)->Set(value); }
  static double valueOf(Korvid& plug, int paramIdx) { return plug.GetParam(paramIdx)->Value(); }

  static std::string line(Korvid& plug, size_t index) { return displayLine(plug, index); }
  static HeadlessSurface& surface(Korvid& plug) { return dynamic_cast<HeadlessSurface&>(*plug.GetGUI()); }

  std::vector<Bytes> sent() const { return midi->received(kPort); }
  size_t countSent(const Bytes& message) const
  {
    const std::vector<Bytes> all = sent();
    return static_cast<size_t>(std::count(all.begin(), all.end(), message));
  }
  // Waits for a sysex message of that length; true when one was sent.
  bool waitForSysex(size_t length) const
  {
    return waitUntil(
        [&]
        {
          const std::vector<Bytes> all = sent();
          return std::any_of(all.begin(), all.end(),
                             [&](const Bytes& message)
                             { return message.size() == length && message.front() == 0xF0; });
        });
  }

  static IMidiMsg controller(int offset, int number)
  {
    return IMidiMsg(offset, 0xB0, static_cast<uint8_t>(number), 1);
  }
};

TEST_F(KorvidTimingHub, TransportEdgesDriveTheClockStartFlagOutsideMidiOutMode)
{
  auto plug = constructWithOutput();
  plug->mContinuousClock = false;
  process(*plug, false);
  EXPECT_TRUE(plug->mContinuousClock) << "the continuous clock job is posted once";
  EXPECT_FALSE(plug->mTransportWasRunning);
  EXPECT_FALSE(plug->mClockStart);

  process(*plug, true);
  EXPECT_TRUE(plug->mTransportWasRunning);
  EXPECT_TRUE(plug->mClockStart);
  process(*plug, true);
  EXPECT_TRUE(plug->mClockStart);
  process(*plug, false);
  EXPECT_FALSE(plug->mTransportWasRunning);
  EXPECT_FALSE(plug->mClockStart);

  // In MIDI-out mode the edges are followed, but no clock is started or stopped.
  plug->mMidiOutMode = true;
  process(*plug, true);
  EXPECT_TRUE(plug->mTransportWasRunning);
  EXPECT_FALSE(plug->mClockStart);
  plug->mMidiOutMode = false;
  plug->mClockStart = true;
  plug->mMidiOutMode = true;
  process(*plug, false);
  EXPECT_TRUE(plug->mClockStart) << "a stop in MIDI-out mode leaves the clock-start flag alone";

  // Without an output port the block ends after reading the host time.
  plug->mOutputPresent = false;
  plug->mContinuousClock = false;
  process(*plug, true);
  EXPECT_FALSE(plug->mTransportWasRunning);
  EXPECT_FALSE(plug->mContinuousClock);
  EXPECT_TRUE(plug->mTimeInfo.mTransportIsRunning);
}

// The output port goes away: the next idle call says so, shows "OFF"; the output is absent until chosen
// again.
TEST_F(KorvidTimingHub, AnOutputPortThatGoesAwayIsSaidAndShownOff)
{
  auto plug = constructWithOutput();
  midi->setOutputPorts({});
  // A host that makes no idle calls: the follow-up of its passes says it. It lays out the line under the plug
  // mutex after marking the output absent, so the mark is read under the mutex too.
  ASSERT_TRUE(waitUntil(
      [&]
      {
        process(*plug, false, kBlock, false);
        WDL_MutexLock lock(plug->GetMutex());
        return !plug->mOutputPresent;
      }));
  EXPECT_EQ(line(*plug, 0), "MIDI OUT lost");
  EXPECT_FALSE(plug->mOutputPresent);
  EXPECT_EQ(valueOf(*plug, kDeviceOutSelection), 0.0);
  EXPECT_EQ(plug->mMidiOutSelector->GetValue(), 0.0);
  IMidiMsg note(0, 0x90, 60, 100);
  plug->sendMidiMsgAndLog(&note);
  EXPECT_EQ(line(*plug, 0), "MIDI OUT lost - Set MIDI I/O First!") << "the loss stays in front";
  // The state keeps the port through the loss, until another is chosen.
  ByteChunk state;
  const auto savedPort = [&]
  {
    plug->SerializeState2(&state, true);
    return plug->mPatchManager->mNames[PatchManager::kMidiOutPortSlot];
  };
  EXPECT_EQ(savedPort(), kPort);

  // Back under another name: listed once the menu opens. An entry gone when chosen says so, stays "OFF".
  midi->setOutputPorts({"Gone", kPort + std::string(" again")});
  plug->OnParamMenuOpening(kDeviceOutSelection);
  EXPECT_STREQ(plug->GetParam(kDeviceOutSelection)->GetDisplayText(2), "Blofeld Out again");
  midi->setOutputPorts({kPort + std::string(" again")});
  chooseOutputPort(*plug, 1);
  EXPECT_EQ(line(*plug, 0), "MIDI OUT port gone");
  EXPECT_EQ(valueOf(*plug, kDeviceOutSelection), 0.0);
  EXPECT_FALSE(plug->mOutputPresent);
  EXPECT_EQ(savedPort(), "OFF");
  chooseOutputPort(*plug, 2);
  EXPECT_TRUE(plug->mOutputPresent);
  EXPECT_EQ(savedPort(), "Blofeld Out again");
}

// The MIDI system stops answering (a stopped server): the ports stay chosen and the line says so; an output
// chosen meanwhile opens by its name once the system answers, wherever the list has it then.
TEST_F(KorvidTimingHub, PortsTheSystemDoesNotAnswerForStayChosenAndOpenOnceItAnswers)
{
  midi->setOutputPorts({kPort, "Other"});
  midi->setInputPorts({kPort});
  auto plug = constructWithOutput();
  plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(1));
  // The input starts the device enquiry: the loss is said beside its texts while it runs.
  ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
  midi->setUnanswered(true);
  ASSERT_TRUE(waitUntil([&] { return plug->OnIdle(), line(*plug, 0) == "MIDI OUT+IN not answering"; }));
  EXPECT_TRUE(plug->mOutputPresent);
  chooseOutputPort(*plug, 2);
  EXPECT_FALSE(plug->mOutputPresent);
  IParam* out = plug->GetParam(kDeviceOutSelection);
  EXPECT_STREQ(out->GetDisplayText(out->Int()), "Other");
  EXPECT_EQ(plug->mKeptPortNames[1], "Other");
  midi->setOutputPorts({"Other", kPort});
  midi->setUnanswered(false);
  // An idle call hands the reopen on: it is said once done.
  ASSERT_TRUE(waitUntil(
      [&] { return plug->OnIdle(), line(*plug, 0) == "MIDI OUT reopened, MIDI IN answering again"; }));
  EXPECT_TRUE(plug->mOutputPresent);
  EXPECT_EQ(midi->openOutputs(), std::vector<std::string>{"Other"});
  EXPECT_EQ(out->Int(), 1);
}

// A loss stands until the direction it names is open (and answered) again, and no longer.
TEST_F(KorvidTimingHub, ALossIsSaidUntilItsDirectionIsOpenAgain)
{
  using P = IMidiPorts;
  for (const auto& [standing, outOpen, inOpen, said] : std::vector<std::tuple<int, bool, bool, std::string>>{
           {P::kOutGone | P::kInGone, false, false, "MIDI OUT+IN port gone"},
           {P::kOutLost | P::kInGone, false, false, "MIDI OUT lost, MIDI IN port gone"},
           {P::kOutUnanswered | P::kInUnanswered, false, false, "MIDI OUT+IN not answering"},
           {P::kOutUnanswered | P::kInUnanswered, true, false, "MIDI IN not answering"},
           {P::kOutLost | P::kInUnanswered, false, false, "MIDI OUT lost, MIDI IN not answering"},
           {P::kOutLost | P::kInUnanswered, true, false, "MIDI IN not answering"},
           {P::kOutLost | P::kInUnanswered, false, true, "MIDI OUT lost"},
           {P::kInLost | P::kInUnanswered, false, false, "MIDI IN lost"},
           {P::kInUnanswered, false, true, ""},
           {P::kOutUnanswered | P::kInUnanswered | P::kStuck, true, false,
            "MIDI library stuck: restart the host"},
           {P::kOutLost | P::kStuck, false, false, "MIDI OUT lost, MIDI library stuck: restart the host"},
           {P::kStuck, true, true, ""}})
    EXPECT_EQ(Korvid::lossText(Korvid::standingLossOf(standing, outOpen, inOpen)), said)
        << standing << outOpen << inOpen;
}

TEST_F(KorvidTimingHub, OutputsCarryTheInputs)
{
  auto plug = constructWithOutput();
  std::vector<double> left(kBlock, 0.5);
  std::vector<double> right(kBlock, -0.5);
  double* inputs[2] = {left.data(), right.data()};
  std::vector<double> outLeft(kBlock, 1.0);
  std::vector<double> outRight(kBlock, 1.0);
  double* outputs[2] = {outLeft.data(), outRight.data()};
  AEffect* effect = plug->GetAEffect();
  effect->processDoubleReplacing(effect, inputs, outputs, kBlock);
  EXPECT_EQ(outLeft, left);
  EXPECT_EQ(outRight, right);
}

TEST_F(KorvidTimingHub, MultiTempoFollowsTheIntegerHostTempoOnce)
{
  home.writeFile("Korvid Editor LOG.txt", "");
  auto plug = constructWithOutput();
  const std::string synced = "PROCESSOR: Host tempo synced to 120BPM";
  const std::string outOfSync = "PROCESSOR: Host tempo is out of sync!";
  auto occurrences = [this](const std::string& text)
  {
    const std::string log = home.readFile("Korvid Editor LOG.txt");
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
    {
      ++count;
    }
    return count;
  };

  // Without the override the multi tempo is left alone.
  store(*plug, kOverrideTempo, 0.0);
  store(*plug, kMultiTempo, 10.0);
  gHostTime.tempo = 120.7;
  process(*plug, false);
  EXPECT_EQ(valueOf(*plug, kMultiTempo), 10.0);
  EXPECT_EQ(occurrences(synced), 0u);

  store(*plug, kOverrideTempo, 1.0);
  process(*plug, false);
  EXPECT_EQ(valueOf(*plug, kMultiTempo), 55.0);
  // While synced nothing is set again.
  store(*plug, kMultiTempo, 20.0);
  process(*plug, false);
  process(*plug, true);
  EXPECT_EQ(valueOf(*plug, kMultiTempo), 20.0);
  EXPECT_EQ(occurrences(synced), 1u);

  const size_t outOfSyncBefore = occurrences(outOfSync);
  gHostTime.tempo = 121.0;
  process(*plug, false);
  EXPECT_EQ(occurrences(outOfSync), outOfSyncBefore + 1);
  EXPECT_EQ(valueOf(*plug, kMultiTempo), 56.0);
  EXPECT_EQ(occurrences("PROCESSOR: Host tempo synced to 121BPM"), 1u);
  EXPECT_TRUE(plug->mTempoSynced);
  EXPECT_EQ(plug->mHostTempoOffset, 56);

  // A host tempo below the offset is held to the parameter's range instead of going negative.
  gHostTime.tempo = 30.0;
  process(*plug, false);
  EXPECT_EQ(valueOf(*plug, kMultiTempo), plug->GetParam(kMultiTempo)->GetMin());
}

TEST_F(KorvidTimingHub, MidiOutModeSendsWhatFallsIntoTheQueueFramesAndKeepsTheRest)
{
  auto plug = constructWithOutput();
  plug->mMidiOutMode = true;
  plug->mQueueFrames = 64;
  IMidiMsg due = controller(5, 20);
  IMidiMsg later = controller(70, 21);
  plug->mMidiOutQueue.Add(&later);
  plug->mMidiOutQueue.Add(&due);
  process(*plug, false);
  // The stop pending since the last reset is settled by this block too; only the queued messages count.
  EXPECT_EQ(countSent({0xB0, 20, 1}), 1u);
  EXPECT_EQ(countSent({0xB0, 21, 1}), 0u);
  ASSERT_EQ(plug->mMidiOutQueue.ToDo(), 1);
  const IMidiMsg kept = plug->mMidiOutQueue.GetAt(plug->mMidiOutQueue.GetFront());
  EXPECT_EQ(kept.mData1, 21);
  EXPECT_EQ(kept.mOffset, 6);
  // 1000 / (44100 / 64) is 1.45 ms.
  EXPECT_EQ(line(*plug, 6), "1ms|32bfr");

  process(*plug, false);
  EXPECT_EQ(countSent({0xB0, 21, 1}), 1u);
  EXPECT_TRUE(plug->mMidiOutQueue.Empty());

  // Outside MIDI-out mode the queue is emptied without sending.
  plug->mMidiOutMode = false;
  IMidiMsg stale = controller(3, 22);
  plug->mMidiOutQueue.Add(&stale);
  process(*plug, false);
  EXPECT_EQ(countSent({0xB0, 22, 1}), 0u);
  EXPECT_TRUE(plug->mMidiOutQueue.Empty());
}

TEST_F(KorvidTimingHub, BlocksPassedThroughWhileThePlugMutexIsHeldAreCaughtUpByTheNextBlock)
{
  // The catch-up moves the queue by each missed block's frames (plus, in MIDI-out mode, the DAW offset of
  // 64 - 32 queue frames per block): a message 1 frame beyond it stays, one at its last frame is taken.
  const struct
  {
    bool midiOutMode;
    std::vector<int> missedFrames;
    int step;
  } rows[] = {
      {true, {32, 32}, 64 + 64 + 2 * 32}, {true, {16, 128}, 64 + 144 + 2 * 32}, {false, {16, 128}, 32 + 144}};
  for (const auto& row : rows)
  {
    auto plug = constructWithOutput();
    plug->mMidiOutMode = row.midiOutMode;
    plug->mQueueFrames = 64;
    IMidiMsg due = controller(row.step - 1, 23), beyond = controller(row.step, 24);
    plug->mMidiOutQueue.Add(&due);
    plug->mMidiOutQueue.Add(&beyond);
    {
      // A question is up: the blocks find the plug mutex held by the editor thread.
      WDL_MutexLock editor(plug->GetMutex());
      for (int frames : row.missedFrames)
      {
        std::vector<double> block(static_cast<size_t>(frames), 0.0);
        double* channels[2] = {block.data(), block.data()};
        AEffect* effect = plug->GetAEffect();
        std::thread([&]() { effect->processDoubleReplacing(effect, channels, channels, frames); }).join();
      }
    }
    EXPECT_EQ(countSent({0xB0, 23, 1}), 0u);
    process(*plug, false);
    EXPECT_EQ(countSent({0xB0, 23, 1}), row.midiOutMode ? 1u : 0u) << row.step;
    ASSERT_EQ(plug->mMidiOutQueue.ToDo(), 1) << row.step;
    EXPECT_EQ(plug->mMidiOutQueue.GetAt(plug->mMidiOutQueue.GetFront()).mOffset, 0) << row.step;
    midi->clearReceived();
  }
}

TEST_F(KorvidTimingHub, IndicatorsGoOffOnceLitLongerThanOneHundredMilliseconds)
{
  auto plug = constructWithOutput();
  process(*plug, false); // settles the stop pending since the reset
  plug->mTickCount = &handTicks;
  gTicks = 70000;
  for (int p : {2, 7})
  {
    store(*plug, kMIDILed + p, 1.0);
    plug->mIndicatorState[static_cast<size_t>(p)] = 1;
  }
  plug->mIndicatorTime[2] = static_cast<int>(gTicks - 100);
  plug->mIndicatorTime[7] = static_cast<int>(gTicks - 101);
  process(*plug, false);
  EXPECT_EQ(plug->mIndicatorState[2], 1);
  EXPECT_EQ(valueOf(*plug, kMIDILed + 2), 1.0);
  EXPECT_EQ(plug->mIndicatorState[7], 0);
  EXPECT_EQ(valueOf(*plug, kMIDILed + 7), 0.0);
  // A millisecond later the first one has been lit longer than that too.
  ++gTicks;
  process(*plug, false);
  EXPECT_EQ(plug->mIndicatorState[2], 0);
  EXPECT_EQ(valueOf(*plug, kMIDILed + 2), 0.0);

  // Stamps from before the tick counter wrapped still count as old.
  gTicks = 40;
  plug->mIndicatorState[2] = 1;
  plug->mIndicatorTime[2] = static_cast<int>(gTicks - 0x80000000u);
  process(*plug, false);
  EXPECT_EQ(plug->mIndicatorState[2], 0);
  // And a stamp just before the wrap is young.
  plug->mIndicatorState[2] = 1;
  plug->mIndicatorTime[2] = static_cast<int>(gTicks - 60);
  process(*plug, false);
  EXPECT_EQ(plug->mIndicatorState[2], 1);
}

TEST_F(KorvidTimingHub, QueueOverflowIsReleasedAfterOneSecond)
{
  auto plug = constructWithOutput();
  plug->mTickCount = &handTicks;
  gTicks = 90000;
  auto block = [&plug](uint32_t ago)
  {
    plug->mQueueOverflow = true;
    plug->mProcessingOverlay = true;
    plug->mOutputHold = true;
    plug->mHostInputBlocked[2] = true;
    plug->mOverflowTime = static_cast<int>(gTicks - ago);
  };
  block(1000);
  process(*plug, false);
  EXPECT_TRUE(plug->mQueueOverflow);
  EXPECT_TRUE(plug->mOutputHold);
  EXPECT_TRUE(plug->mHostInputBlocked[2]);

  block(1001);
  process(*plug, false);
  EXPECT_FALSE(plug->mQueueOverflow);
  EXPECT_FALSE(plug->mProcessingOverlay);
  EXPECT_FALSE(plug->mOutputHold);
  EXPECT_FALSE(plug->mHostInputBlocked[2]);
}

TEST_F(KorvidTimingHub, FirstStoppedBlockAfterAResetSilencesThePartsAndTheirIndicators)
{
  auto plug = constructWithOutput();
  store(*plug, kMultiPartStatus + 4, 1.0);
  store(*plug, kMultiPartMIDICh + 4, 6.0); // channel index 4
  // Lit just now, and the time stands still: only the stop can put them out.
  plug->mTickCount = &handTicks;
  gTicks = 30000;
  for (int p : {1, 4})
  {
    store(*plug, kMIDILed + p, 1.0);
    plug->mIndicatorState[static_cast<size_t>(p)] = 1;
    plug->mIndicatorTime[static_cast<size_t>(p)] = static_cast<int>(gTicks);
  }
  dispatch(*plug, kDispatchSetBlockSize, 64, 0.0f); // a reset: stop pending again
  ASSERT_TRUE(plug->mStopPending);

  process(*plug, true);
  EXPECT_TRUE(plug->mStopPending);
  EXPECT_EQ(countSent({0xB4, kAllSoundsOff, 0}), 0u);

  process(*plug, false);
  EXPECT_FALSE(plug->mStopPending);
  EXPECT_EQ(countSent({0xB4, kAllSoundsOff, 0}), 1u);
  for (int p : {1, 4})
  {
    EXPECT_EQ(plug->mIndicatorState[static_cast<size_t>(p)], 0) << "part " << p;
    EXPECT_EQ(valueOf(*plug, kMIDILed + p), 0.0) << "part " << p;
  }
  process(*plug, false);
  EXPECT_EQ(countSent({0xB4, kAllSoundsOff, 0}), 1u);
}

TEST_F(KorvidTimingHub, DeferredMultiWaitsForShiftAndTheButtonAndIsSentWithoutAllSoundsOff)
{
  auto plug = constructWithOutput();
  store(*plug, kMultiPartStatus, 1.0);
  process(*plug, false); // settles the stop pending since the reset
  midi->clearReceived();
  {
    // Set as an edit sets them, under the plug mutex: the follow-up of the last pass never sees a
    // deferred dump without the key that holds it.
    WDL_MutexLock editor(plug->GetMutex());
    plug->mDeferredMulti = true;
    plug->mPushGlobal = true;
    surface(*plug).SetLeftButtonHeld(true);
  }
  process(*plug, false);
  {
    WDL_MutexLock editor(plug->GetMutex());
    surface(*plug).SetLeftButtonHeld(false);
    surface(*plug).SetShiftOrLeftButtonHeld(true); // Shift alone
  }
  process(*plug, false);
  EXPECT_TRUE(plug->mDeferredMulti);
  EXPECT_FALSE(plug->mPushAllParts);
  EXPECT_FALSE(plug->mMIDIMessageManager->sendRunning);

  surface(*plug).SetShiftOrLeftButtonHeld(false);
  process(*plug, false);
  EXPECT_FALSE(plug->mDeferredMulti);
  EXPECT_TRUE(plug->mPushAllParts);
  EXPECT_FALSE(plug->mPushGlobal);
  EXPECT_EQ(line(*plug, 4), "MULTI");
  EXPECT_TRUE(waitForSysex(kMultiDumpLength)) << "job 0 sends the multi dump";
  EXPECT_EQ(countSent({0xB0, kAllSoundsOff, 0}), 0u);
}

TEST_F(KorvidTimingHub, DeferredMultiIsDroppedWhileTheProgressIndicatorShows)
{
  auto plug = constructWithOutput();
  process(*plug, false);
  plug->DisplayProcessingIndicator(true);
  plug->mDeferredMulti = true;
  process(*plug, false);
  EXPECT_FALSE(plug->mDeferredMulti);
  EXPECT_TRUE(plug->mPushAllParts);
  EXPECT_FALSE(plug->mMIDIMessageManager->sendRunning) << "no job was posted";
  EXPECT_FALSE(plug->ThreadRunning());
}

TEST_F(KorvidTimingHub, DeferredDumpsWaitForTheTransportToStopAfterAReset)
{
  auto plug = constructWithOutput();
  plug->showStatusText("before");
  plug->mDeferredMulti = true;
  process(*plug, true); // stop pending since the reset, transport running
  EXPECT_FALSE(plug->mDeferredMulti);
  EXPECT_EQ(plug->getStatusText(), "STOP PLAYBACK TO SEND MULTI DATA");
  EXPECT_FALSE(plug->mMIDIMessageManager->sendRunning);

  plug->mDeferredGlobal = true;
  process(*plug, true);
  EXPECT_FALSE(plug->mDeferredGlobal);
  EXPECT_EQ(plug->getStatusText(), "STOP PLAYBACK TO SEND GLOBAL DATA");
  EXPECT_EQ(line(*plug, 4), "GLOBAL");
  EXPECT_FALSE(plug->mMIDIMessageManager->sendRunning);
  EXPECT_TRUE(sent().empty());

  // While a transfer runs the flags wait.
  plug->mIgnoreIncoming = true;
  plug->mDeferredMulti = true;
  plug->mDeferredGlobal = true;
  process(*plug, false);
  EXPECT_TRUE(plug->mDeferredMulti);
  EXPECT_TRUE(plug->mDeferredGlobal);
}

TEST_F(KorvidTimingHub, DeferredGlobalWaitsForTheLeftButtonOnly)
{
  auto plug = constructWithOutput();
  process(*plug, false);
  store(*plug, kDeviceID_old, 5.0);
  {
    // Under the plug mutex, as an edit sets them (see above).
    WDL_MutexLock editor(plug->GetMutex());
    plug->mPushAllParts = false;
    plug->mDeferredGlobal = true;
    plug->mDeferredMulti = true;
    surface(*plug).SetLeftButtonHeld(true);
  }
  process(*plug, false);
  EXPECT_TRUE(plug->mDeferredGlobal);
  EXPECT_TRUE(plug->mDeferredMulti);

  // Shift alone holds the multi but not the global.
  {
    WDL_MutexLock editor(plug->GetMutex());
    surface(*plug).SetLeftButtonHeld(false);
    surface(*plug).SetShiftOrLeftButtonHeld(true);
  }
  process(*plug, false);
  EXPECT_FALSE(plug->mDeferredGlobal);
  EXPECT_TRUE(plug->mDeferredMulti);
  EXPECT_FALSE(plug->mPushAllParts) << "the global leaves the multi flags alone";
  EXPECT_EQ(line(*plug, 4), "GLOBAL");
  ASSERT_TRUE(waitForSysex(kGlobalDumpLength)) << "job 1 sends the global dump";
  for (const Bytes& message : sent())
  {
    if (message.size() == kGlobalDumpLength)
    {
      EXPECT_EQ(message[3], 5) << "addressed to kDeviceID_old";
    }
  }
}

TEST_F(KorvidTimingHub, ResetPreparesTheQueueAndTheControlDisplay)
{
  auto plug = constructWithOutput();
  plug->mOutputHold = true;
  plug->mStopPending = false;
  plug->mQueueFrames = 0;
  plug->showStatusText("busy");
  plug->displayPatchName("A patch");
  dispatch(*plug, kDispatchSetBlockSize, 1000, 0.0f);
  EXPECT_FALSE(plug->mOutputHold);
  EXPECT_TRUE(plug->mStopPending);
  EXPECT_EQ(plug->mQueueFrames, 1000);
  EXPECT_EQ(plug->mMidiOutQueue.GetCapacity(), 1024);
  EXPECT_EQ(plug->mMidiOutQueue.GetGrow(), 1024);
  EXPECT_EQ(plug->getStatusText(), "Korvid Plug-in");
  EXPECT_EQ(line(*plug, 0), "Korvid Plug-in");
  EXPECT_EQ(line(*plug, 1), "v1.2.3");
  EXPECT_EQ(plug->getCategoryNameText(), "INIT");
  EXPECT_EQ(plug->getPatchNameText(), "-- INIT --");
  EXPECT_EQ(line(*plug, 4), "---");
  EXPECT_EQ(line(*plug, 5), "v1.2.3");

  // A set queue frame count stays; the sample rate is taken over.
  dispatch(*plug, kDispatchSetSampleRate, 0, 48000.0f);
  EXPECT_EQ(plug->mQueueFrames, 1000);
  EXPECT_EQ(plug->mSampleRateCopy, 48000.0);

  // While a transfer runs the display is left alone.
  plug->mIgnoreIncoming = true;
  plug->showStatusText("transfer");
  dispatch(*plug, kDispatchSetBlockSize, 256, 0.0f);
  EXPECT_EQ(plug->getStatusText(), "transfer");
  EXPECT_EQ(plug->mMidiOutQueue.GetCapacity(), 1024) << "the room the audio thread may fill, allocated here";
}

TEST_F(KorvidTimingHub, ResetWithTheLogOnShowsTheBuildDateAndLogsTheVersion)
{
  home.writeFile("Korvid Editor LOG.txt", "");
  auto plug = constructWithOutput();
  EXPECT_EQ(line(*plug, 1), "v1.2.3 - 10-Oct-2020");
  EXPECT_NE(home.readFile("Korvid Editor LOG.txt").find("RESET: plug-in v1.2.3"), std::string::npos);
}

TEST_F(KorvidTimingHub, DeviceIdEnquiryIsPostedOnlyWithAPortAndNoTransfer)
{
  midi->setInputPorts({"Blofeld In"});
  auto plug = constructWithOutput();
  MIDIMessageManager* manager = plug->mMIDIMessageManager;
  plug->mInitializationRequested = false;
  manager->dataReceived = true;
  plug->mIgnoreIncoming = true;
  plug->sendSysExInitialization();
  EXPECT_TRUE(plug->mInitializationRequested);
  EXPECT_TRUE(manager->dataReceived) << "not posted during a transfer";

  plug->mIgnoreIncoming = false;
  plug->mOutputPresent = false;
  plug->sendSysExInitialization();
  EXPECT_TRUE(manager->dataReceived) << "not posted without an output port";

  plug->mOutputPresent = true;
  plug->sendSysExInitialization();
  EXPECT_TRUE(manager->dataReceived) << "not posted without an input port";
  EXPECT_TRUE(plug->mProbeWaitsForInput);

  // Choosing the input starts the enquiry that waited for it.
  IParam* in = plug->GetParam(kDeviceInSelection);
  plug->SetParameterFromGUI(kDeviceInSelection, in->GetNormalized(1.0));
  EXPECT_FALSE(manager->dataReceived) << "posted with the received flag cleared";
  EXPECT_FALSE(plug->mProbeWaitsForInput);
}
} // namespace
