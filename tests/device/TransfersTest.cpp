// Bank changes, a part's sound sent and sent back, against the simulated synthesizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "BlofeldSimulator.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "SimulatedDeviceFixture.h"
#include "SoundDumpLayout.h"
#include "WaitUntil.h"
#include "WdlMutex.h"

using DeviceTestSupport::Bytes;
using P = SysexProtocol;
using S = MIDIMessageSender;

namespace
{
constexpr int kSoundDumpType = 0x10;
constexpr int kMultiDumpType = 0x11;

class TransfersTest : public SimulatedDeviceFixture
{
protected:
  void start(DeviceClock::Mode mode, double scale = 1.0)
  {
    SimulatedDeviceFixture::start(mode, scale);
    // Part p on channel p, all parts muted, global channel 1, the shortest sync timer.
    for (int part = 0; part < 16; ++part)
    {
      set(kMultiPartMIDICh + part, part + 2);
      set(kMultiPartStatus + part, 0);
    }
    set(kGlobalMidiChannel, 1);
    set(kLibSyncTimer, 0);
  }

  void set(int paramIdx, double value) { plug->GetParam(paramIdx)->Set(value); }

  // Waits until the bank changes queued so far have gone out and the simulator handled them.
  void settle()
  {
    BankChangeThread& thread = manager->bankChanges;
    EXPECT_TRUE(thread.waitDone(thread.issued(), 10000));
    EXPECT_TRUE(waitIdle());
    simulator->drain();
  }

  // A sound of its own, not to be mistaken for the init sound.
  static Bytes distinctSound(int number) { return DeviceTestSupport::madeSound(number); }

  // Position of the first received message equal to message, or -1.
  long indexOf(const Bytes& message)
  {
    const std::vector<Bytes> all = simulator->received();
    const auto found = std::find(all.begin(), all.end(), message);
    return found == all.end() ? -1 : static_cast<long>(found - all.begin());
  }

  // Position of the first received sound dump addressed to part's edit buffer, or -1.
  long indexOfEditBufferDump(int part)
  {
    const std::vector<Bytes> all = simulator->received();
    for (size_t i = 0; i < all.size(); ++i)
    {
      const Bytes& m = all[i];
      if (m.size() == static_cast<size_t>(P::kSoundDumpLength) && m[P::kTypeOffset] == kSoundDumpType &&
          m[P::kBankOffset] == P::kEditBufferBank && m[P::kProgramOffset] == part)
        return static_cast<long>(i);
    }
    return -1;
  }

  int count(int type, size_t length)
  {
    const std::vector<Bytes> all = simulator->received();
    return static_cast<int>(std::count_if(all.begin(), all.end(),
                                          [&](const Bytes& m)
                                          { return m.size() == length && m[P::kTypeOffset] == type; }));
  }
};
} // namespace

TEST_F(TransfersTest, BankChangesGoOutOnTheTargetsChannelAndLoadTheStoredSound)
{
  struct Row
  {
    bool multi;
    int part;
    int channelValue; // kMultiPartMIDICh of the part; 0 = the global channel
    int globalChannel;
    int bank;
    int program;
    int channel; // expected
    int lsb;
  };
  const Row rows[] = {
      {false, 2, 4, 1, 1, 9, 2, 64},
      {false, 5, 0, 4, 3, 127, 3, 64},
      {true, 0, 2, 1, 0, 12, 0, 96},
  };
  start(DeviceClock::Mode::Virtual);
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.part);
    plug->mMultiMode = row.multi;
    set(row.multi ? kMultiBank : kMultiPartBank + row.part, row.bank);
    set(row.multi ? kMultiPatch : kMultiPartPatch + row.part, row.program);
    set(kMultiPartMIDICh + row.part, row.channelValue);
    set(kGlobalMidiChannel, row.globalChannel);
    // The multi's change silences the active parts: part 0 on channel 0.
    set(kMultiPartStatus, row.multi ? 1 : 0);
    const Bytes stored = distinctSound(row.program % 100);
    simulator->setSound(row.bank, row.program, stored);
    const size_t before = simulator->received().size();

    EXPECT_TRUE(plug->BankChangeMessage(row.part));
    settle();
    const std::vector<Bytes> all = simulator->received();
    const auto cc = static_cast<uint8_t>(0xB0 + row.channel);
    const auto pc = static_cast<uint8_t>(0xC0 + row.channel);
    const std::vector<Bytes> expected{{cc, 123, 0},
                                      {cc, 0, static_cast<uint8_t>(row.bank)},
                                      {cc, 32, static_cast<uint8_t>(row.lsb)},
                                      {pc, static_cast<uint8_t>(row.program)}};
    ASSERT_EQ(all.size(), before + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), all.begin() + static_cast<long>(before)));
    const size_t entry = row.multi ? 16 : static_cast<size_t>(row.part);
    EXPECT_EQ(plug->mPartBankTable[entry], row.bank);
    EXPECT_EQ(plug->mPartProgramTable[entry], row.program);
    EXPECT_TRUE(plug->mOutputHold.load());
    if (!row.multi)
    {
      EXPECT_EQ(simulator->editBuffer(row.channel), stored);
    }
  }
}

TEST_F(TransfersTest, RefusedBankChangesSendNothing)
{
  start(DeviceClock::Mode::Virtual);
  set(kMultiPartBank + 3, 2);
  set(kMultiPartPatch + 3, 40);
  struct Row
  {
    const char* what;
    std::function<void()> arrange;
  };
  const Row rows[] = {
      {"another active part plays it",
       [&]
       {
         set(kMultiPartStatus + 9, 1);
         plug->mPartBankTable[9] = 2;
         plug->mPartProgramTable[9] = 40;
       }},
      {"no output port", [&] { plug->mOutputPresent = false; }},
      {"the part listens on every channel", [&] { set(kMultiPartMIDICh + 3, 1); }},
  };
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.what);
    plug->mPartBankTable[3] = 0;
    plug->mPartProgramTable[3] = 0;
    row.arrange();
    const size_t before = simulator->received().size();
    EXPECT_FALSE(plug->BankChangeMessage(3));
    settle();
    EXPECT_EQ(simulator->received().size(), before);
    // The tables take the bank and program before anything is refused.
    EXPECT_EQ(plug->mPartProgramTable[3], 40);
    // Undo the arrangement for the next row.
    set(kMultiPartStatus + 9, 0);
    plug->mOutputPresent = true;
    set(kMultiPartMIDICh + 3, 5);
  }
  EXPECT_FALSE(plug->BankChangeMessage(16));
}

TEST_F(TransfersTest, BankChangeNeverWaitsOnItsCallerAndJobsPostedAfterItWaitForIt)
{
  // Real time: the sequence takes 25 + 25 + 50 + 500 ms.
  start(DeviceClock::Mode::Scaled, 1.0);
  set(kLibSyncTimer, 7);
  set(kMultiPartPatch + 4, 77);
  {
    // As the host's program change arrives: on the audio thread, holding the plug mutex.
    WDL_MutexLock lock(plug->GetMutex());
    ASSERT_TRUE(plug->BankChangeMessage(4));
    EXPECT_FALSE(manager->bankChanges.waitDone(manager->bankChanges.issued(), 0));
  }
  JobArguments request;
  request.jobCode = S::kJobRequestPart;
  request.part = 4;
  request.toEditor = true;
  ASSERT_TRUE(manager->post(request, [&] { manager->dumpExpected = true; }));
  settle();
  const long programChange = indexOf({0xC4, 77});
  const long requested = indexOf({0xF0, 0x3E, 0x13, 0x00, 0x00, 0x7F, 0x04, 0xF7});
  ASSERT_GE(programChange, 0);
  ASSERT_GE(requested, 0);
  EXPECT_LT(programChange, requested);
}

TEST_F(TransfersTest, AJobWaitsForTheBankChangeBeforeItOnlySoLongAndSaysSo)
{
  // A hundred times slower than real time: the bank change takes a minute.
  start(DeviceClock::Mode::Scaled, 100.0);
  manager->sender->bankChangeWaitMs = 50;
  set(kMultiPartPatch + 4, 9);
  ASSERT_TRUE(plug->BankChangeMessage(4));
  JobArguments send;
  send.jobCode = S::kJobSendPart;
  send.part = 4;
  ASSERT_TRUE(manager->post(send));
  // The job gives up waiting, says so, and sends its part (its own pause runs on the slow clock too:
  // the test ends it).
  korvidtest::waitUntil([&] { return plug->getStatusText() == S::kTextBankChangeTimedOut; });
  EXPECT_EQ(plug->getStatusText(), S::kTextBankChangeTimedOut);
  EXPECT_TRUE(korvidtest::waitUntil(
      [&]
      {
        simulator->drain();
        return indexOfEditBufferDump(4) >= 0;
      }));
  // The program change itself has not gone out yet.
  EXPECT_LT(indexOf({0xC4, 9}), 0);
}

TEST_F(TransfersTest, SendPatchToDeviceSendsThePartAndOptionallyTheMultiWithoutWaiting)
{
  start(DeviceClock::Mode::Virtual);
  for (bool multiAfter : {false, true})
  {
    SCOPED_TRACE(multiAfter);
    const int soundsBefore = count(kSoundDumpType, P::kSoundDumpLength);
    const int multisBefore = count(kMultiDumpType, P::kMultiDumpLength);
    plug->sendPatchToDevice(6, true, false, false, multiAfter);
    settle();
    // The multi job sends the current part's sound after the multi.
    EXPECT_EQ(count(kSoundDumpType, P::kSoundDumpLength), soundsBefore + (multiAfter ? 2 : 1));
    EXPECT_EQ(count(kMultiDumpType, P::kMultiDumpLength), multisBefore + (multiAfter ? 1 : 0));
    expectPartHolds(6, simulator->editBuffer(6));
    EXPECT_FALSE(plug->mWorkerBusy.load());
    EXPECT_FALSE(plug->mIgnoreIncoming.load());
    EXPECT_FALSE(manager->sendRunning.load());
  }
}

TEST_F(TransfersTest, SendPatchToDeviceOnABusyWorkerLeavesTheFlagsAlone)
{
  // A request that gets no answer keeps the worker busy for a while in real time.
  start(DeviceClock::Mode::Scaled, 0.2);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  JobArguments request;
  request.jobCode = S::kJobRequestPart;
  request.part = 1;
  request.toEditor = true;
  ASSERT_TRUE(manager->post(request));
  plug->mIgnoreIncoming = false;
  plug->mPushAllParts = false;
  plug->sendPatchToDevice(6, true, true, true, true);
  EXPECT_FALSE(plug->mIgnoreIncoming.load());
  EXPECT_FALSE(plug->mPushAllParts.load());
  EXPECT_FALSE(plug->mPushGlobal.load());
  manager->sender->cancel = true;
  settle();
  EXPECT_EQ(count(kSoundDumpType, P::kSoundDumpLength), 0);
}

TEST_F(TransfersTest, LockedSectionsGoBackAfterTheRequestOfTheNewProgram)
{
  struct Row
  {
    const char* what;
    bool locked;
    bool requestRuns;
    bool requestAnswered;
    bool resent;
  };
  const Row rows[] = {
      {"no section locked", false, false, false, false},
      {"locked, worker idle", true, false, false, true},
      {"locked, after the answered request", true, true, true, true},
      {"locked, the request failed", true, true, false, false},
  };
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.what);
    start(DeviceClock::Mode::Scaled, 0.1);
    const int part = 7;
    // The last of the 40 lock families.
    set(kSectionLockMod4 + part, row.locked ? 1 : 0);
    if (!row.requestAnswered)
      simulator->setFault(BlofeldSimulator::Fault::Silent);
    else
      simulator->setFault(BlofeldSimulator::Fault::Late, 300);
    if (row.requestRuns)
    {
      JobArguments request;
      request.jobCode = S::kJobRequestPart;
      request.part = part;
      request.toEditor = true;
      ASSERT_TRUE(manager->post(request, [&] { manager->dumpExpected = true; }));
    }
    plug->sendPartDataBackToHardware(part);
    settle();
    const long resent = indexOfEditBufferDump(part);
    EXPECT_EQ(resent >= 0, row.resent);
    if (row.requestRuns && row.resent)
    {
      EXPECT_LT(indexOf({0xF0, 0x3E, 0x13, 0x00, 0x00, 0x7F, static_cast<unsigned char>(part), 0xF7}),
                resent);
    }
    // All sounds off on the part's channel goes first whenever it is resent.
    EXPECT_EQ(indexOf({0xB7, 123, 0}) >= 0, row.locked);
    TearDown();
  }
}
