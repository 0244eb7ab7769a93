// The sound, routing and trigger cases of the edit handler in the editor built from the project's
// resources, wired to a simulated synthesizer: RANDOMIZE, the randomizer's sections, locks and ranges, the
// output routing pair and the control triggers.
#include "SimulatedEditorFixture.h"

#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "IControl.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = BlofeldSimulator::Bytes;

constexpr int kPart = 3;
constexpr int kSoundPage = 2;
// Parameters below this index hold the sound, multi and global settings.
constexpr int kFirstUnstoredParam = Korvid::kStoredParamCount;

// The 40 section locks of a part (bases).
std::vector<int> sectionLocks()
{
  std::vector<int> locks;
  for (int lock = kSectionLockOsc1; lock <= kSectionLockMod4; lock += Korvid::kPartCount)
    locks.push_back(lock);
  return locks;
}

std::vector<double> allValues(Korvid& plug)
{
  std::vector<double> values;
  for (int i = 0; i < kFirstUnstoredParam; ++i)
    values.push_back(plug.GetParam(i)->Value());
  return values;
}

class KorvidSoundCases : public SimulatedEditorFixture
{
protected:
  KorvidSoundCases() : manager(plug->mMIDIMessageManager) {}

  double valueOf(int paramIdx) { return plug->GetParam(paramIdx)->Value(); }
  std::string firstLine() { return displayLine(*plug, 0); }
  bool waitIdle()
  {
    const bool idle = waitUntil([&] { return !plug->ThreadRunning(); });
    simulator->drain();
    return idle;
  }
  // The sound part holds in the editor, as job 2 builds it.
  Bytes editorDump(int part)
  {
    Bytes dump(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(part, dump.data());
    return dump;
  }
  static std::vector<int> parameterBytes(const Bytes& dump)
  {
    std::vector<int> bytes;
    for (int b = SoundDumpLayout::kFirstParameterByte; b <= SoundDumpLayout::kLastParameterByte; ++b)
    {
      if (!SoundDumpLayout::isFixedByte(b) && static_cast<size_t>(b) < dump.size())
        bytes.push_back(dump[static_cast<size_t>(b)]);
    }
    return bytes;
  }
  void openSoundPage(int part)
  {
    edit(kQuickTab, part);
    edit(kMainTab, kSoundPage);
    ASSERT_EQ(plug->mCurrentPart, part);
  }

  MIDIMessageManager* manager;
};

TEST_F(KorvidSoundCases, RandomizeSendsTheNewSoundToTheSynthesizer)
{
  openSoundPage(kPart);
  ASSERT_TRUE(waitIdle());
  const std::vector<int> before = parameterBytes(editorDump(kPart));

  plug->showStatusDetail("128 slots written");
  edit(kRandomize, 1.0);
  EXPECT_EQ(firstLine(), "Part Randomized");
  EXPECT_EQ(plug->getStatusDetail(), "") << "nothing of an earlier message stays below";
  EXPECT_EQ(valueOf(kRandomize), 0.0) << "the button is released";
  ASSERT_TRUE(waitIdle());

  const std::vector<int> randomized = parameterBytes(editorDump(kPart));
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i)
    changed += before[i] != randomized[i] ? 1 : 0;
  EXPECT_GT(changed, before.size() / 3) << "the sound is new";
  EXPECT_EQ(parameterBytes(simulator->editBuffer(kPart)), randomized) << "and the synthesizer holds it";

  // Pressed again at once (within the same second): another sound.
  edit(kRandomize, 1.0);
  ASSERT_TRUE(waitIdle());
  EXPECT_NE(parameterBytes(editorDump(kPart)), randomized);
  EXPECT_EQ(parameterBytes(simulator->editBuffer(kPart)), parameterBytes(editorDump(kPart)));
}

TEST_F(KorvidSoundCases, RandomizeOnTheMultiPageDoesNothing)
{
  edit(kMainTab, 0.0);
  ASSERT_TRUE(waitIdle());
  const std::vector<double> before = allValues(*plug);
  edit(kRandomize, 1.0);
  EXPECT_EQ(allValues(*plug), before);
  EXPECT_EQ(valueOf(kRandomize), 1.0) << "the button stays down";
  EXPECT_FALSE(plug->ThreadRunning());
}

TEST_F(KorvidSoundCases, WithTheWorkerBusyTheRandomSoundIsNotSentNorSaidToBe)
{
  openSoundPage(kPart);
  ASSERT_TRUE(waitIdle());
  // A request that the silent synthesizer never answers keeps the worker busy until cancelled: at a second
  // a poll its time-out is minutes away however long the randomizing takes, and a cancel ends it within one.
  // The clock outlives the editor and its job.
  static DeviceClock slowClock(DeviceClock::Mode::Scaled, 20.0);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  manager->setClock(&slowClock);
  int input = (plug->rereadExternalMIDIInNames(), 1);
  plug->setExternalMIDIIn(input, BlofeldSimulator::kPortName); // a request needs it
  JobArguments request;
  request.jobCode = MIDIMessageSender::kJobRequestPart;
  request.part = kPart;
  request.toEditor = true;
  ASSERT_TRUE(manager->post(request));
  const Bytes held = simulator->editBuffer(kPart);

  edit(kRandomize, 1.0);
  EXPECT_NE(firstLine(), "Part Randomized");
  EXPECT_EQ(valueOf(kRandomize), 0.0);
  // The job clears the flag as it starts: set until it has ended.
  ASSERT_TRUE(waitUntil(
      [&]
      {
        manager->sender->cancel = true;
        return !plug->ThreadRunning();
      }));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(simulator->editBuffer(kPart), held);
}

TEST_F(KorvidSoundCases, LockedSectionsKeepTheirValuesAndOpenOnesStayWithinTheirSections)
{
  const std::vector<int> locks = sectionLocks();
  ASSERT_EQ(locks.size(), 40u);
  // Which parameters a section holds, as a sound dump that arrives sees it: only that section open.
  auto sectionOf = [&](int open)
  {
    std::set<int> params;
    const Bytes dump = DeviceTestSupport::asEditBuffer(editorDump(kPart), kPart);
    SoundDumpLayout::parseParameters(
        dump.data(), kPart, [&](int lock) { return lock == open + kPart ? 0.0 : 1.0; },
        [&](int paramIdx, double) { params.insert(paramIdx); });
    return params;
  };
  auto setLocks = [&](int open)
  {
    for (int lock : locks)
      plug->GetParam(lock + kPart)->Set(lock == open ? 0.0 : 1.0);
  };
  auto randomizeTimes = [&](int times)
  {
    for (int run = 0; run < times; ++run)
    {
      manager->randomGenerator();
      manager->randomizePatchSettings(kPart);
    }
  };

  // Everything locked: nothing changes, however often.
  setLocks(-1);
  std::vector<double> before = allValues(*plug);
  randomizeTimes(30);
  EXPECT_EQ(allValues(*plug), before);

  // One section open at a time: only its own parameters change. A section of a few small parameters can
  // draw its old values again, so it gets runs until something changed (a few hundred at most).
  for (int open : locks)
  {
    setLocks(open);
    const std::set<int> own = sectionOf(open);
    before = allValues(*plug);
    bool anyChanged = false;
    for (int round = 0; round < 60 && !anyChanged; ++round)
    {
      randomizeTimes(5);
      const std::vector<double> after = allValues(*plug);
      for (int i = 0; i < kFirstUnstoredParam; ++i)
      {
        if (after[static_cast<size_t>(i)] == before[static_cast<size_t>(i)])
          continue;
        anyChanged = true;
        EXPECT_TRUE(own.count(i)) << "lock " << open << " open changed parameter " << i;
      }
    }
    EXPECT_TRUE(anyChanged) << "lock " << open << " open changed nothing";
  }
}

TEST_F(KorvidSoundCases, EveryDrawOfEverySoundParameterLiesInItsRange)
{
  std::vector<int>& pool = plug->mRandomValues;
  for (int v = 0; v < 256; ++v)
  {
    pool.assign(Korvid::kRandomValueCount, v);
    for (int paramIdx = 0; paramIdx < kFirstUnstoredParam; ++paramIdx)
    {
      const IParam* param = plug->GetParam(paramIdx);
      const int drawn = manager->randomizer(paramIdx, 0);
      ASSERT_GE(drawn, param->GetMin()) << "parameter " << paramIdx << " byte " << v;
      ASSERT_LE(drawn, param->GetMax()) << "parameter " << paramIdx << " byte " << v;
    }
  }
}

TEST_F(KorvidSoundCases, TheRoutingPairSwitchesEachOtherOff)
{
  struct Step
  {
    int param;
    double value;
    double direct;
    double queued;
    bool queueMode;
  };
  const Step steps[] = {
      {kMIDIFilterToDAWBuffer, 1.0, 0.0, 1.0, true},
      {kMIDIFilterDirectToHardware, 1.0, 1.0, 0.0, false},
      {kMIDIFilterToDAWBuffer, 1.0, 0.0, 1.0, true},
      {kMIDIFilterToDAWBuffer, 0.0, 0.0, 0.0, true},
      {kMIDIFilterDirectToHardware, 1.0, 1.0, 0.0, false},
      {kMIDIFilterDirectToHardware, 0.0, 0.0, 0.0, false},
  };
  for (const Step& s : steps)
  {
    edit(s.param, s.value);
    EXPECT_EQ(valueOf(kMIDIFilterDirectToHardware), s.direct) << s.param << " = " << s.value;
    EXPECT_EQ(valueOf(kMIDIFilterToDAWBuffer), s.queued) << s.param << " = " << s.value;
    EXPECT_EQ(plug->mMidiOutMode, s.queueMode) << s.param << " = " << s.value;
  }
}

TEST_F(KorvidSoundCases, TheFilterRoutingTriggerTogglesParallelAndSerialAndTellsTheSynthesizer)
{
  // The routing's byte of the sound dump: parallel 0, serial 1.
  constexpr size_t kRoutingByte = 124;
  plug->GetParam(kFilterRoutingParallel + kPart)->Set(1.0);
  plug->GetParam(kFilterRoutingSerial + kPart)->Set(0.0);
  plug->GetParam(kFilterRouting + kPart)->Set(0.0);
  for (double serial : {1.0, 0.0, 1.0})
  {
    edit(kTriggerFilterRouting + kPart, 1.0);
    EXPECT_EQ(valueOf(kFilterRouting + kPart), serial);
    EXPECT_EQ(valueOf(kFilterRoutingSerial + kPart), serial);
    EXPECT_EQ(valueOf(kFilterRoutingParallel + kPart), 1.0 - serial);
    simulator->drain();
    EXPECT_EQ(simulator->editBuffer(kPart)[kRoutingByte], serial);
    edit(kTriggerFilterRouting + kPart, 0.0); // released: nothing
    EXPECT_EQ(valueOf(kFilterRouting + kPart), serial);
  }
}

TEST_F(KorvidSoundCases, ControlTriggersFlipTheirSwitchesAndEndWhenReleased)
{
  struct Case
  {
    int trigger;
    int target;
    int exclusive; // switched off when the target goes on, or -1
  };
  const Case cases[] = {{kTriggerProgControl, kControlProgBank, kControlLibrary},
                        {kTriggerLibControl, kControlLibrary, kControlProgBank},
                        {kTriggerGlobalLocalKBDControl, kGlobalLocalControl, -1}};
  for (const Case& c : cases)
  {
    plug->GetParam(c.target)->Set(0.0);
    if (c.exclusive >= 0)
      plug->GetParam(c.exclusive)->Set(1.0);
    edit(c.trigger, 1.0);
    EXPECT_EQ(valueOf(c.target), 1.0) << c.trigger;
    if (c.exclusive >= 0)
    {
      EXPECT_EQ(valueOf(c.exclusive), 0.0) << c.trigger;
    }
    if (c.target == kGlobalLocalControl)
    {
      EXPECT_TRUE(plug->mLocalControl);
    }

    // Released: the edit ends before the display.
    ITextControl* line = dynamic_cast<ITextControl*>(plug->mDisplayControls[0]);
    ASSERT_NE(line, nullptr);
    line->SetTextFromPlug("kept");
    edit(c.trigger, 0.0);
    EXPECT_EQ(firstLine(), "kept") << c.trigger;
    EXPECT_EQ(valueOf(c.target), 1.0) << c.trigger;

    edit(c.trigger, 1.0);
    EXPECT_EQ(valueOf(c.target), 0.0) << c.trigger;
    if (c.target == kGlobalLocalControl)
    {
      EXPECT_FALSE(plug->mLocalControl);
    }
  }
}

// The randomizer's rules on a plug-in without editor, whose parameters take the ranges each case gives.
class Randomizer : public ::testing::Test
{
protected:
  Randomizer() : plug(std::make_unique<Korvid>(IPlugInstanceInfo{}))
  {
    for (int i = 0; i < plug->NParams(); ++i)
      plug->GetParam(i)->InitDouble("", 0.0, 0.0, 127.0, 1.0);
    plug->initDeviceCommunication(&patchManager, nullptr);
    manager = plug->mMIDIMessageManager;
    plug->mRandomValues.assign(Korvid::kRandomValueCount, 0);
  }
  void openOnly(int part, std::initializer_list<int> open)
  {
    for (int lock = kSectionLockOsc1; lock <= kSectionLockMod4; lock += Korvid::kPartCount)
      plug->GetParam(lock + part)->Set(1.0);
    for (int lock : open)
      plug->GetParam(lock + part)->Set(0.0);
  }
  double valueOf(int paramIdx) { return plug->GetParam(paramIdx)->Value(); }

  TempDataHome home;
  PatchManager patchManager{nullptr};
  std::unique_ptr<Korvid> plug;
  MIDIMessageManager* manager = nullptr;
};

TEST_F(Randomizer, ReducesEachByteIntoTheParametersRangeWithoutEverLooping)
{
  struct Case
  {
    double min;
    double max;
    int byte;
    int drawn;
  };
  const Case cases[] = {
      {0, 127, 255, 1},  {0, 127, 127, 127}, {0, 127, 0, 0},    {0, 127, 128, 1},   {0, 1, 6, 0},
      {0, 1, 7, 1},      {0, 4, 9, 1},       {0, 8, 255, 7},    {16, 112, 10, 26},  {16, 112, 200, 22},
      {5, 5, 200, 5},    {0, 0, 255, 0},     {-10, -5, 0, -10}, {-10, -5, 255, -7}, {2, 3, 255, 3},
      {-64, 63, 255, 2}, {0, 0.5, 255, 0},
  };
  for (const Case& c : cases)
  {
    plug->GetParam(0)->InitDouble("", c.min, c.min, c.max, 0.0);
    plug->mRandomValues[0] = c.byte;
    const int drawn = manager->randomizer(0, 0);
    EXPECT_EQ(drawn, c.drawn) << c.min << ".." << c.max << " byte " << c.byte;
    EXPECT_GE(drawn, c.min);
    EXPECT_LE(drawn, c.max);
  }
  // A pool entry or parameter that does not exist draws 0.
  EXPECT_EQ(manager->randomizer(0, Korvid::kRandomValueCount), 0);
  EXPECT_EQ(manager->randomizer(Korvid::kNumParams, 0), 0);
}

TEST_F(Randomizer, SpecialRulesSplitOneDrawIntoTwoParameters)
{
  std::vector<int>& pool = plug->mRandomValues;
  const int p = 5;
  openOnly(p, {kSectionLockUnisono, kSectionLockFilterEnv, kSectionLockFilter1, kSectionLockArp});
  pool[43] = 6;   // unisono 6: one voice less, mono
  pool[145] = 33; // envelope mode 33: mode 1 with the trigger
  pool[69] = 0;   // routing 0: parallel
  pool[254] = 91; // arp step 1: step 5, accent 3, glide
  pool[270] = 45; // arp step 1 timing: length 2, timing 13
  pool[255] = 4;  // arp step 2: step 0, accent 4, no glide
  manager->randomizePatchSettings(p);
  EXPECT_EQ(valueOf(kOscillatorUnisono + p), 5);
  EXPECT_EQ(valueOf(kOscillatorMonoPolyMode + p), 1);
  EXPECT_EQ(valueOf(kFilterEnvMode + p), 1);
  EXPECT_EQ(valueOf(kFilterEnvTrigger + p), 1);
  EXPECT_EQ(valueOf(kFilterRoutingParallel + p), 1);
  EXPECT_EQ(valueOf(kFilterRoutingSerial + p), 0);
  EXPECT_EQ(valueOf(kArpPattern01Step + p), 5);
  EXPECT_EQ(valueOf(kArpPattern01Accent + p), 3);
  EXPECT_EQ(valueOf(kArpPattern01Glide + p), 1);
  EXPECT_EQ(valueOf(kArpPattern01StepLen + p), 2);
  EXPECT_EQ(valueOf(kArpPattern01Timing + p), 13);
  EXPECT_EQ(valueOf(kArpPattern02Accent + p), 4);
  EXPECT_EQ(valueOf(kArpPattern02Glide + p), 0);

  pool[43] = 5;
  pool[145] = 4;
  pool[69] = 2;
  manager->randomizePatchSettings(p);
  EXPECT_EQ(valueOf(kOscillatorUnisono + p), 5);
  EXPECT_EQ(valueOf(kOscillatorMonoPolyMode + p), 0);
  EXPECT_EQ(valueOf(kFilterEnvMode + p), 4);
  EXPECT_EQ(valueOf(kFilterEnvTrigger + p), 0);
  EXPECT_EQ(valueOf(kFilterRouting + p), 2);
  EXPECT_EQ(valueOf(kFilterRoutingParallel + p), 0);
  EXPECT_EQ(valueOf(kFilterRoutingSerial + p), 1);
}

TEST_F(Randomizer, SectionsSharingAPoolEntryStillFollowTheirOwnLocks)
{
  std::vector<int>& pool = plug->mRandomValues;
  const int p = 9;
  pool[55] = 40;
  pool[56] = 70;
  plug->GetParam(kFilter1Type + p)->Set(3.0);
  // Only the noise section open: the noise colour changes, the filter type on the same draw does not.
  openOnly(p, {kSectionLockNoiseExt});
  manager->randomizePatchSettings(p);
  EXPECT_EQ(valueOf(kNoiseColour + p), 40);
  EXPECT_EQ(valueOf(kFilter1Type + p), 3.0);
  // Oscillator 3 and filter 1 open: brilliance and cutoff are the same draw.
  openOnly(p, {kSectionLockOsc3, kSectionLockFilter1});
  manager->randomizePatchSettings(p);
  EXPECT_EQ(valueOf(kOscillator3Brilliance + p), 70);
  EXPECT_EQ(valueOf(kFilter1Cutoff + p), 70);
  // Other parts are never touched.
  EXPECT_EQ(valueOf(kFilter1Cutoff + p + 1), 0.0);
}
} // namespace
