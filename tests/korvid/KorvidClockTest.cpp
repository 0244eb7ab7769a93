// The MIDI clock of the real editor under a fake host: the clock switch, the host transport's Start and
// Stop (with the song position), the tempo it takes, giving up without one, the output port, two instances
// and teardown. Ticks are counted at the fake output port; their spacing is measured over JACK
// (tests/device/ClockJackTest.cpp).
#include "KorvidTestSupport.h"

#include "MIDIMessageManager.h"
#include "ParamIndex.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;

constexpr const char* kPortA = "Blofeld A";
constexpr const char* kPortB = "Blofeld B";
constexpr VstInt32 kDispatchSetSampleRate = 10;
constexpr VstInt32 kDispatchSetBlockSize = 11;
constexpr VstInt32 kTransportPlaying = 1 << 1;
constexpr VstInt32 kPpqPosValid = 1 << 9;
constexpr VstInt32 kTempoValid = 1 << 10;
constexpr int kBlock = 32;
const Bytes kTick{0xF8};
const Bytes kStart{0xFA};
const Bytes kContinue{0xFB};
const Bytes kStop{0xFC};

VstTimeInfo& gHostTime = hostTime();

bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition())
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class KorvidClock : public StartupFixture
{
protected:
  KorvidClock()
  {
    useResources(pluginFolder());
    midi->setOutputPorts({kPortA, kPortB});
    gHostTime = VstTimeInfo{};
    gHostTime.tempo = 120.0;
    gHostTime.flags = kTempoValid;
  }

  // An editor under the fake host with output port `entry` chosen, the device-id enquiry over.
  std::unique_ptr<Korvid> withOutput(int entry = 1)
  {
    auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{&timeOnlyHost});
    chooseOutputPort(*plug, entry);
    AEffect* effect = plug->GetAEffect();
    effect->dispatcher(effect, kDispatchSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, kDispatchSetBlockSize, 0, kBlock, nullptr, 0.0f);
    plug->GetParam(kOverrideTempo)->Set(1.0);
    midi->clearReceived();
    return plug;
  }

  static void edit(Korvid& plug, int paramIdx, double value)
  {
    plug.SetParameterFromGUI(paramIdx, plug.GetParam(paramIdx)->GetNormalized(value));
  }

  // One audio block with the host transport as given, at song position ppq (quarter notes), then idle.
  static void process(Korvid& plug, bool running, double ppq = 0.0)
  {
    gHostTime.ppqPos = ppq;
    gHostTime.flags = (gHostTime.flags & kTempoValid) | kPpqPosValid | (running ? kTransportPlaying : 0);
    std::vector<double> samples(kBlock, 0.0);
    double* channels[2] = {samples.data(), samples.data()};
    runPass(plug, channels, channels, kBlock);
    plug.OnIdle();
    // The follow-up thread may have taken the pass's clock job instead: it posts it under the plug mutex.
    EXPECT_TRUE(waitFor(
        [&]
        {
          WDL_MutexLock lock(plug.GetMutex());
          return plug.mClockJobToPost.load() == Korvid::kNoClockJob;
        }));
  }

  size_t count(const char* port, const Bytes& message) const
  {
    const std::vector<Bytes> all = midi->received(port);
    return static_cast<size_t>(std::count(all.begin(), all.end(), message));
  }
  // Messages other than Timing Clock that reached the port, in order.
  std::vector<Bytes> transportMessages(const char* port) const
  {
    std::vector<Bytes> messages;
    for (const Bytes& message : midi->received(port))
    {
      if (message != kTick && message.size() <= 3 && message[0] >= 0xF2)
        messages.push_back(message);
    }
    return messages;
  }

  static bool idle(Korvid& plug, MIDIMessageManager::Thread thread)
  {
    return waitFor([&] { return !plug.mMIDIMessageManager->isRunning(thread); });
  }
  static bool clockIdle(Korvid& plug) { return idle(plug, MIDIMessageManager::Thread::Clock); }
  // Waits for `more` ticks beyond those counted now.
  bool ticksGoOn(const char* port, size_t more = 3)
  {
    const size_t before = count(port, kTick);
    return waitFor([&] { return count(port, kTick) >= before + more; });
  }
};

TEST_F(KorvidClock, SwitchedOffAndOnAgainTheRunningClockStopsBeforeTheNextBlockStartsIt)
{
  auto plug = withOutput();
  process(*plug, false);
  EXPECT_TRUE(clockIdle(*plug)) << "a clock switched off posts no job";
  EXPECT_EQ(count(kPortA, kTick), 0u);

  edit(*plug, kSendMIDIClockInfo, 1.0);
  EXPECT_TRUE(plug->mClockFlag);
  EXPECT_FALSE(plug->mContinuousClock);
  EXPECT_EQ(plug->mHostTempo, 120) << "switching on stores the host tempo";
  process(*plug, false);
  ASSERT_TRUE(ticksGoOn(kPortA));

  // Off and on again between two blocks: the running job ends although the clock is on again.
  edit(*plug, kSendMIDIClockInfo, 0.0);
  edit(*plug, kSendMIDIClockInfo, 1.0);
  ASSERT_TRUE(clockIdle(*plug));
  const size_t stopped = count(kPortA, kTick);
  EXPECT_TRUE(plug->mMIDIMessageManager->sender->clockRunning);
  process(*plug, false);
  EXPECT_TRUE(ticksGoOn(kPortA)) << "the next block starts the clock again";
  EXPECT_GT(count(kPortA, kTick), stopped);

  // Off: the job ends, and the blocks after it start none.
  edit(*plug, kSendMIDIClockInfo, 0.0);
  ASSERT_TRUE(clockIdle(*plug));
  const size_t off = count(kPortA, kTick);
  process(*plug, false);
  process(*plug, true);
  EXPECT_TRUE(clockIdle(*plug));
  EXPECT_EQ(count(kPortA, kTick), off);
}

TEST_F(KorvidClock, StartAndStopFollowTheHostTransportWhenAsked)
{
  auto plug = withOutput();
  auto transportRun = [&](double ppq)
  {
    process(*plug, true, ppq);
    EXPECT_TRUE(idle(*plug, MIDIMessageManager::Thread::Transport));
    process(*plug, false, ppq + 4.0);
    EXPECT_TRUE(idle(*plug, MIDIMessageManager::Thread::Transport));
  };

  transportRun(0.0);
  EXPECT_TRUE(transportMessages(kPortA).empty()) << "nothing while the clock pointer is off";

  edit(*plug, kSendMIDIClockPointer, 1.0);
  EXPECT_TRUE(transportMessages(kPortA).empty()) << "switching it on sends nothing";
  transportRun(0.0);
  EXPECT_EQ(transportMessages(kPortA), (std::vector<Bytes>{kStart, kStop}));

  // Started at bar 3 beat 1.25 (8.25 quarter notes = 33 sixteenths): the synthesizer is told where.
  midi->clearReceived();
  transportRun(8.25);
  EXPECT_EQ(transportMessages(kPortA), (std::vector<Bytes>{{0xF2, 33, 0}, kContinue, kStop}));
  midi->clearReceived();
  transportRun(4096.0); // 16384 sixteenths: the largest position the pointer carries
  EXPECT_EQ(transportMessages(kPortA), (std::vector<Bytes>{{0xF2, 0x7F, 0x7F}, kContinue, kStop}));

  // Queued output (MIDI-out mode) sends neither.
  midi->clearReceived();
  edit(*plug, kMIDIFilterToDAWBuffer, 1.0);
  transportRun(0.0);
  EXPECT_TRUE(transportMessages(kPortA).empty());
}

TEST_F(KorvidClock, ATempoOutsideOneToNineHundredNinetyNineOrOutsideTheListIsNoTempo)
{
  auto plug = withOutput();
  MIDIMessageSender& sender = *plug->mMIDIMessageManager->sender;
  struct Case
  {
    bool hostTempo;
    int value; // host tempo, or index into "tempoValues"
    int tempo;
  };
  const Case cases[] = {{true, 120, 120},  {true, 1, 1},   {true, 999, 999}, {true, 0, 0},
                        {true, 1000, 0},   {true, -3, 0},  {false, 0, 40},   {false, 55, 120},
                        {false, 127, 300}, {false, 128, 0}};
  for (const Case& c : cases)
  {
    plug->GetParam(kOverrideTempo)->Set(c.hostTempo ? 1.0 : 0.0);
    if (c.hostTempo)
      plug->mHostTempo = c.value;
    else
      plug->GetParam(kMultiTempo)->Set(c.value);
    EXPECT_EQ(sender.clockTempo(), c.tempo) << (c.hostTempo ? "host tempo " : "list index ") << c.value;
  }
  EXPECT_EQ(MIDIMessageSender::clockIntervalNs(40), 62'500'000);
  EXPECT_EQ(MIDIMessageSender::clockIntervalNs(120), 20'833'333);
  EXPECT_EQ(MIDIMessageSender::clockIntervalNs(300), 8'333'333);
}

TEST_F(KorvidClock, WithoutATempoTheClockGivesUpAfterTenAttemptsAndSendsNothing)
{
  auto plug = withOutput();
  gHostTime.flags = 0; // the host reports no tempo
  edit(*plug, kSendMIDIClockInfo, 1.0);
  EXPECT_EQ(plug->mHostTempo, 0);
  process(*plug, false);
  // Ten attempts a second apart: on the test's virtual clock.
  ASSERT_TRUE(clockIdle(*plug));
  // On the detail line, where the clock reports.
  EXPECT_EQ(plug->getStatusDetail(), "Unable to get DAW Tempo");
  EXPECT_EQ(plug->GetParam(kSendMIDIClockInfo)->Value(), 0.0);
  EXPECT_FALSE(plug->mClockFlag);
  EXPECT_EQ(count(kPortA, kTick), 0u);
  EXPECT_GE(plug->mMIDIMessageManager->clock().nowMs(), 10 * MIDIMessageSender::kTempoRetryMs);
}

TEST_F(KorvidClock, ClockSwitchedOffDuringTheTempoSearchEndsItQuietly)
{
  auto plug = withOutput();
  // A real clock: the search's pauses take real time, and the switch comes during one of them.
  plug->mMIDIMessageManager->setClock(nullptr);
  gHostTime.flags = 0;
  edit(*plug, kSendMIDIClockInfo, 1.0);
  process(*plug, false);
  ASSERT_TRUE(
      waitFor([&] { return plug->mMIDIMessageManager->isRunning(MIDIMessageManager::Thread::Clock); }));
  plug->showStatusText("searching");
  edit(*plug, kSendMIDIClockInfo, 0.0);
  ASSERT_TRUE(waitFor([&]
                      { return !plug->mMIDIMessageManager->isRunning(MIDIMessageManager::Thread::Clock); },
                      std::chrono::milliseconds(500)));
  EXPECT_EQ(plug->getStatusText(), "searching") << "no message for a clock the user switched off";
}

TEST_F(KorvidClock, ChoosingNoOutputPortStopsTheClockAndANewPortStartsItAgain)
{
  auto plug = withOutput();
  edit(*plug, kSendMIDIClockInfo, 1.0);
  process(*plug, false);
  ASSERT_TRUE(ticksGoOn(kPortA));
  edit(*plug, kDeviceOutSelection, 0.0);
  EXPECT_FALSE(plug->mOutputPresent);
  ASSERT_TRUE(clockIdle(*plug));

  chooseOutputPort(*plug, 2);
  midi->clearReceived();
  process(*plug, false);
  EXPECT_TRUE(ticksGoOn(kPortB));
  EXPECT_EQ(count(kPortA, kTick), 0u);
}

TEST_F(KorvidClock, EachInstanceRunsItsOwnClock)
{
  auto first = withOutput(1);
  auto second = withOutput(2);
  for (Korvid* plug : {first.get(), second.get()})
  {
    edit(*plug, kSendMIDIClockInfo, 1.0);
    process(*plug, false);
  }
  ASSERT_TRUE(ticksGoOn(kPortA));
  ASSERT_TRUE(ticksGoOn(kPortB));

  edit(*first, kSendMIDIClockInfo, 0.0);
  ASSERT_TRUE(clockIdle(*first));
  const size_t firstStopped = count(kPortA, kTick);
  EXPECT_TRUE(ticksGoOn(kPortB)) << "the other instance's clock goes on";
  EXPECT_EQ(count(kPortA, kTick), firstStopped);
}

TEST_F(KorvidClock, TeardownEndsARunningClock)
{
  auto plug = withOutput();
  edit(*plug, kSendMIDIClockInfo, 1.0);
  process(*plug, false);
  ASSERT_TRUE(ticksGoOn(kPortA));
  const auto before = std::chrono::steady_clock::now();
  plug.reset();
  // A teardown that waited for the endless clock job would never return: the bound catches that, not speed
  // (a stalled machine has taken just over 2 s).
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(20));
  const size_t last = count(kPortA, kTick);
  std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a tick would be due twice meanwhile
  EXPECT_EQ(count(kPortA, kTick), last) << "the clock thread has ended with the instance";
}
} // namespace
