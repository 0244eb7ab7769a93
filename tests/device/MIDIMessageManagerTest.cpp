// The manager's workers against the simulated synthesizer: posting, requests, time-out, cancel, teardown.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "BlofeldSimulator.h"
#include "SimulatedDeviceFixture.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"

using DeviceTestSupport::Bytes;
using namespace std::chrono_literals;
using P = SysexProtocol;

namespace
{
constexpr int kSyncTimerMs = 50;

class ManagerTest : public SimulatedDeviceFixture
{
protected:
  static JobArguments job(int code, int part = 0, bool toEditor = true)
  {
    JobArguments args;
    args.jobCode = code;
    args.part = part;
    args.toEditor = toEditor;
    return args;
  }
  // Waits until the simulator has taken count messages; a request job clears the cancel flag before it
  // sends, so a cancel is only meaningful after its first request went out.
  bool waitForRequests(size_t count)
  {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (simulator->received().size() < count)
    {
      if (std::chrono::steady_clock::now() > end)
        return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  Bytes built(int part)
  {
    Bytes d(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(part, d.data());
    return d;
  }
  // The library of the tests that store into slots; outlives the plug-in (TearDown frees that first).
  PatchLibrarian librarian;
};
} // namespace

TEST_F(ManagerTest, RequestedPartSoundLandsInTheEditor)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  const Bytes sound = DeviceTestSupport::madeSound(100);
  simulator->setEditBuffer(3, sound);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 3)));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(MIDIMessageSender::kTextCompleted, plug->getStatusText());
  EXPECT_FALSE(manager->sender->failed.load());
  EXPECT_FALSE(plug->mProcessingOverlay.load());
  expectPartHolds(3, sound);
  ASSERT_FALSE(simulator->received().empty());
  EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x00, 0x7F, 0x03, 0xF7}), simulator->received()[0]);
}

TEST_F(ManagerTest, SilentSynthesizerTimesOutAfterThirtyPollsAndOneScan)
{
  start(DeviceClock::Mode::Virtual);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  const int64_t begin = clock->nowMs();
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 2)));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(MIDIMessageSender::kTextTimedOut, plug->getStatusText());
  EXPECT_TRUE(manager->sender->failed.load());
  // The first pause, 25 polls, 128 scan pauses, 5 more polls and the closing pause.
  EXPECT_EQ((1 + 25 + 128 + 5 + 1) * kSyncTimerMs, clock->nowMs() - begin);
  simulator->drain();
  const std::vector<Bytes> sent = simulator->received();
  ASSERT_EQ(129u, sent.size());
  for (int id = 0; id < 128; ++id)
    EXPECT_EQ(id, sent[static_cast<size_t>(id + 1)][P::kDeviceIdOffset]);
}

TEST_F(ManagerTest, ScanFindsASynthesizerSetToAnotherDeviceId)
{
  start(DeviceClock::Mode::Scaled, 0.2, 17);
  const Bytes sound = DeviceTestSupport::madeSound(200);
  simulator->setEditBuffer(0, sound);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 0)));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(MIDIMessageSender::kTextCompleted, plug->getStatusText());
  expectPartHolds(0, sound);
  EXPECT_EQ(1, simulator->repliesSent());
}

TEST_F(ManagerTest, LateReplyIsAwaitedWithinTheTimeOut)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  const Bytes sound = DeviceTestSupport::madeSound(300);
  simulator->setEditBuffer(7, sound);
  simulator->setFault(BlofeldSimulator::Fault::Late, 10 * kSyncTimerMs);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 7)));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(MIDIMessageSender::kTextCompleted, plug->getStatusText());
  expectPartHolds(7, sound);
}

TEST_F(ManagerTest, TruncatedOrCorruptedRepliesAreNeverTaken)
{
  start(DeviceClock::Mode::Virtual);
  simulator->setEditBuffer(1, DeviceTestSupport::madeSound(400));
  const Bytes before = built(1);
  for (auto fault : {BlofeldSimulator::Fault::Truncated, BlofeldSimulator::Fault::Corrupted})
  {
    simulator->setFault(fault);
    ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 1)));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(MIDIMessageSender::kTextTimedOut, plug->getStatusText());
    EXPECT_FALSE(manager->dataReceived.load());
    EXPECT_EQ(before, built(1));
    simulator->drain();
    EXPECT_GT(simulator->repliesSent(), 0);
  }
}

TEST_F(ManagerTest, CancelEndsTheRequestAtItsNextPoll)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 0)));
  ASSERT_TRUE(waitForRequests(1));
  std::this_thread::sleep_for(30ms);
  manager->sender->cancel = true;
  ASSERT_TRUE(waitIdle(5s));
  EXPECT_EQ(MIDIMessageSender::kTextCancelled, plug->getStatusText());
  EXPECT_TRUE(manager->sender->failed.load());
  simulator->drain();
  // Cancelled long before the device-id scan.
  EXPECT_EQ(1u, simulator->received().size());
}

TEST_F(ManagerTest, PostsToABusyThreadAreDroppedWhileOtherThreadsStillRun)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 4)));
  bool prepared = false;
  EXPECT_FALSE(manager->post(job(MIDIMessageSender::kJobSendPart, 1), [&] { prepared = true; }));
  EXPECT_FALSE(prepared);
  EXPECT_FALSE(manager->post(job(MIDIMessageSender::kJobNothing)));
  JobArguments clockJob = job(MIDIMessageSender::kJobContinuousClock);
  clockJob.tempo = 120;
  EXPECT_TRUE(manager->post(clockJob));
  EXPECT_TRUE(manager->isRunning(MIDIMessageManager::Thread::SysexJob));

  ASSERT_TRUE(waitForRequests(1));
  manager->sender->cancel = true;
  ASSERT_TRUE(waitIdle(5s));
  // The dropped post left nothing behind: the next one starts and runs its own arguments. The cancelled
  // request's leftovers are handled silently first: a late answer to them would come before the next one's.
  simulator->drain();
  simulator->setFault(BlofeldSimulator::Fault::None);
  const Bytes sound = DeviceTestSupport::madeSound(9);
  simulator->setEditBuffer(4, sound);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 4)));
  ASSERT_TRUE(waitIdle());
  expectPartHolds(4, sound);
}

TEST_F(ManagerTest, PostsForOtherThreadsNeverChangeARunningJobsArguments)
{
  start(DeviceClock::Mode::Virtual);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 4)));
  JobArguments other = job(MIDIMessageSender::kJobStartClock, 11, false);
  while (manager->isRunning(MIDIMessageManager::Thread::SysexJob))
  {
    other.jobCode = MIDIMessageSender::kJobStartClock;
    manager->post(other);
    other.jobCode = MIDIMessageSender::kJobContinuousClock;
    manager->post(other);
  }
  simulator->drain();
  // The clock jobs send their one-byte messages beside the requests.
  std::vector<Bytes> sent;
  for (const Bytes& message : simulator->received())
  {
    if (message.size() > 1)
      sent.push_back(message);
  }
  ASSERT_EQ(129u, sent.size());
  for (const Bytes& request : sent)
    EXPECT_EQ(4, request[P::kProgramOffset]);
}

TEST_F(ManagerTest, ConcurrentPostsToAnIdleThreadStartExactlyOneJob)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  constexpr int kPosters = 8;
  for (int round = 0; round < 10; ++round)
  {
    std::atomic<bool> go{false};
    std::atomic<int> started{0};
    std::atomic<int> prepared{0};
    std::vector<std::thread> posters;
    for (int i = 0; i < kPosters; ++i)
      posters.emplace_back(
          [&, i]
          {
            while (!go.load())
              std::this_thread::yield();
            if (manager->post(job(MIDIMessageSender::kJobRequestPart, i), [&] { ++prepared; }))
              ++started;
          });
    go = true;
    for (std::thread& t : posters)
      t.join();
    EXPECT_EQ(1, started.load());
    EXPECT_EQ(1, prepared.load());
    ASSERT_TRUE(waitForRequests(static_cast<size_t>(round) + 1));
    manager->sender->cancel = true;
    ASSERT_TRUE(waitIdle(5s));
  }
}

TEST_F(ManagerTest, SendPartPutsTheChecksummedDumpIntoThePartsEditBuffer)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  const int part = 1;
  plug->mCurrentPart = part;
  plug->GetParam(kFilter1Cutoff + part)->Set(93);
  plug->GetParam(kCategoryName + part)->Set(9);
  plug->GetParam(kPatchName + part)->SetDisplayText(0, "Warm Pad Twenty Chars");
  ASSERT_TRUE(
      manager->post(job(MIDIMessageSender::kJobSendPart, part), [&] { manager->sendRunning = true; }));
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  EXPECT_FALSE(manager->sendRunning.load());
  EXPECT_FALSE(plug->mProcessingOverlay.load());

  Bytes expected = built(part);
  P::writeChecksum(expected.data(), static_cast<int>(expected.size()));
  const Bytes stored = simulator->editBuffer(part);
  EXPECT_EQ(expected, stored);
  EXPECT_EQ(P::checksum(stored.data(), 392, 7, 389), stored[390]);
  EXPECT_EQ(93, stored[85]);
  EXPECT_EQ("Warm Pad Twenty Chars", plug->getPatchNameText());
  EXPECT_EQ("Pad", plug->getCategoryNameText());
  std::string slot;
  patchManager.getName(&slot, PatchManager::kFirstPartNameSlot + part);
  EXPECT_EQ("Warm Pad Twenty Chars", slot);
}

TEST_F(ManagerTest, SendPartToTheLibrarianFillsTheSoundRequestInsteadOfSending)
{
  // What "Overwrite bank" posts: the part's sound into slot 17 of a bank of 100 records.
  DeviceTestSupport::openUpperBanks(librarian, 100, 17);
  start(DeviceClock::Mode::Virtual, 1.0, 0, &librarian);
  const int part = 5;
  plug->GetParam(kMultiPartBank + part)->Set(2);
  plug->GetParam(kPatchName + part)->SetDisplayText(0, "Stored");
  JobArguments args = job(MIDIMessageSender::kJobSendPart, part);
  args.toLibrarian = true;
  ASSERT_TRUE(manager->post(args, [&] { manager->sendRunning = true; }));
  ASSERT_TRUE(waitIdle());
  EXPECT_FALSE(manager->sendRunning.load());
  EXPECT_EQ("Part 6 stored to slot 018", plug->getStatusText());
  ASSERT_EQ(1u, manager->patchRequest.record.mMessages.size());
  const Bytes& stored = manager->patchRequest.record.mMessages[0].mData;
  ASSERT_EQ(392u, stored.size());
  EXPECT_EQ(2, stored[P::kBankOffset]);
  EXPECT_EQ(17, stored[P::kProgramOffset]);
  EXPECT_EQ(0x7F, stored[SoundDumpLayout::kChecksumOffset]);
  EXPECT_EQ("Stored          ", manager->patchRequest.record.mName);
  const std::vector<LibrarianPatch>& records = librarian.mSoundBanks[0]->mRecords;
  ASSERT_EQ(128u, records.size());
  EXPECT_EQ("Stored          ", records[17].mName);
  ASSERT_EQ(1u, records[17].mMessages.size());
  EXPECT_EQ(stored, records[17].mMessages[0].mData);
  EXPECT_EQ(1, plug->GetParam(kBankEditUnsaved)->Int());
  simulator->drain();
  EXPECT_TRUE(simulator->received().empty());
}

TEST_F(ManagerTest, WhilePushingAllPartsTheNamesAndOverlayAreLeftAlone)
{
  start(DeviceClock::Mode::Virtual);
  plug->mPushAllParts = true;
  plug->mProcessingOverlay = false;
  plug->mCurrentPart = 0;
  plug->GetParam(kPatchName)->SetDisplayText(0, "Pushed");
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobSendPart, 0)));
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  std::string slot;
  patchManager.getName(&slot, PatchManager::kFirstPartNameSlot);
  EXPECT_NE("Pushed", slot);
  EXPECT_EQ("", plug->getPatchNameText());
  EXPECT_FALSE(plug->mProcessingOverlay.load());
  EXPECT_EQ(1u, simulator->received().size());
}

TEST_F(ManagerTest, SendPartWithoutOutputPortSaysSoAndStillEnds)
{
  start(DeviceClock::Mode::Virtual);
  plug->mOutputPresent = false;
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobSendPart, 0), [&] { manager->sendRunning = true; }));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ("Set MIDI I/O First!", plug->getStatusText());
  EXPECT_FALSE(manager->sendRunning.load());
  simulator->drain();
  EXPECT_TRUE(simulator->received().empty());
}

TEST_F(ManagerTest, SendRunningIsClearedWhenAnySendingJobEndsAndOddCodesEndAtOnce)
{
  start(DeviceClock::Mode::Virtual);
  for (int code : {0, 1, 3, 4})
  {
    ASSERT_TRUE(manager->post(job(code), [&] { manager->sendRunning = true; }));
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(manager->sendRunning.load()) << "job " << code;
  }
  JobArguments badPart = job(MIDIMessageSender::kJobSendPart, 16);
  ASSERT_TRUE(manager->post(badPart, [&] { manager->sendRunning = true; }));
  ASSERT_TRUE(waitIdle());
  EXPECT_FALSE(manager->sendRunning.load());
  for (int code : {14, 18, 99, -1})
  {
    ASSERT_TRUE(manager->post(job(code)));
    ASSERT_TRUE(waitIdle(5s)) << "job " << code;
  }
  simulator->drain();
  // Job 0 sent the multi and the current part's sound, job 1 the global dump; the others nothing.
  const std::vector<Bytes> received = simulator->received();
  ASSERT_EQ(3u, received.size());
  EXPECT_EQ(P::kMultiDump, received[0][P::kTypeOffset]);
  EXPECT_EQ(P::kSoundDump, received[1][P::kTypeOffset]);
  EXPECT_EQ(P::kGlobalDump, received[2][P::kTypeOffset]);
}

TEST_F(ManagerTest, TeardownDuringRunningJobsStopsAndJoinsThem)
{
  start(DeviceClock::Mode::Real);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  plug->GetParam(kLibSyncTimer)->Set(7);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 0)));
  std::this_thread::sleep_for(20ms);
  const auto begin = std::chrono::steady_clock::now();
  plug.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);

  // The same while a part is being sent (it pauses after the dump).
  start(DeviceClock::Mode::Real);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobSendPart, 0)));
  plug.reset();
}

TEST_F(ManagerTest, OnlyTheSynthesizersDumpsFillALibraryRequestOrSetTheDeviceId)
{
  start(DeviceClock::Mode::Virtual);
  Bytes sound = DeviceTestSupport::madeSound(12);
  Bytes foreign(392, 0x11);
  foreign.front() = 0xF0;
  foreign.back() = 0xF7;
  plug->mInitializationRequested = true;

  plug->SetLibrarianRequestActive(true);
  // A bank walk's request names its location: the late reply to the program before it is not taken.
  manager->requestedReply =
      P::replyTo(P::storedSoundRequest(0, sound[P::kBankOffset], sound[P::kProgramOffset]));
  Bytes earlier = sound;
  --earlier[P::kProgramOffset];
  for (const Bytes& bad : {foreign, Bytes(sound.begin(), sound.end() - 1), earlier})
  {
    ISysEx sysex(0, bad.data(), static_cast<int>(bad.size()));
    plug->ProcessSysEx(&sysex, true);
  }
  EXPECT_TRUE(manager->patchRequest.isActive());
  EXPECT_TRUE(manager->patchRequest.record.mMessages.empty());
  EXPECT_FALSE(plug->mDumpArrived.load());

  ISysEx good(0, sound.data(), static_cast<int>(sound.size()));
  plug->mHardwareInputBlocked[6] = true;
  plug->ProcessSysEx(&good, true);
  EXPECT_TRUE(manager->patchRequest.isActive());
  plug->mHardwareInputBlocked[6] = false;
  plug->ProcessSysEx(&good, true);
  EXPECT_FALSE(manager->patchRequest.isActive());
  ASSERT_EQ(1u, manager->patchRequest.record.mMessages.size());
  EXPECT_EQ(sound, manager->patchRequest.record.mMessages[0].mData);
  EXPECT_TRUE(plug->mDumpArrived.load());

  // Dumps for the editor: only one of the synthesizer's sets the device id.
  plug->SetLibrarianRequestActive(false);
  manager->requestedReply = P::kAnyReply;
  foreign[P::kDeviceIdOffset] = 9;
  ISysEx other(0, foreign.data(), static_cast<int>(foreign.size()));
  plug->ProcessSysEx(&other, true);
  EXPECT_EQ(0, plug->mDeviceId.load());
  sound = DeviceTestSupport::asEditBuffer(sound, 2);
  sound[P::kDeviceIdOffset] = 9;
  ISysEx mine(0, sound.data(), static_cast<int>(sound.size()));
  plug->ProcessSysEx(&mine, false);
  EXPECT_EQ(0, plug->mDeviceId.load());
  // Nor one that the enquiry, waiting for a global dump, refuses.
  manager->requestedReply = P::replyTo(P::globalRequest(0));
  plug->ProcessSysEx(&mine, true);
  EXPECT_EQ(0, plug->GetParam(kGlobalSysExID)->Int());
  manager->requestedReply = P::kAnyReply;
  plug->ProcessSysEx(&mine, true);
  EXPECT_EQ(9, plug->mDeviceId.load());
  EXPECT_TRUE(plug->mDumpArrived.load());
  expectPartHolds(2, sound);

  // Any framed dump of the synthesizer names it, also one of a kind that no parser takes; a shorter message
  // does not.
  for (const int length : {P::kDumpThreshold, P::kDumpThreshold - 1})
  {
    Bytes unknown(static_cast<size_t>(length), 0x00);
    unknown[0] = P::kSysexStart;
    unknown[P::kManufacturerOffset] = P::kManufacturerId;
    unknown[P::kModelOffset] = P::kModelId;
    unknown[P::kDeviceIdOffset] = static_cast<uint8_t>(length);
    unknown[P::kTypeOffset] = 0x7A;
    unknown.back() = P::kSysexEnd;
    manager->dumpExpected = true;
    ISysEx message(0, unknown.data(), length);
    plug->ProcessSysEx(&message, true);
  }
  EXPECT_EQ(P::kDumpThreshold, plug->mDeviceId.load());
}

TEST_F(ManagerTest, EmptyNameAndUnknownCategoryAreSentBlankAndStoredAsSetName)
{
  start(DeviceClock::Mode::Virtual);
  const int part = 6;
  plug->mCurrentPart = part;
  plug->GetParam(kPatchName + part)->SetDisplayText(0, "");
  plug->GetParam(kCategoryName + part)->Set(13);
  plug->displayCategoryName("Old");
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobSendPart, part)));
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  const Bytes stored = simulator->editBuffer(part);
  ASSERT_EQ(392u, stored.size());
  EXPECT_EQ(std::string(16, ' '), std::string(reinterpret_cast<const char*>(stored.data()) + 370, 16));
  EXPECT_EQ(13, stored[SoundDumpLayout::kCategoryOffset]);
  std::string slot;
  patchManager.getName(&slot, PatchManager::kFirstPartNameSlot + part);
  EXPECT_EQ("Set Name", slot);
  EXPECT_EQ("", plug->getCategoryNameText());

  // Another part is sent without touching the displays of the current one.
  plug->GetParam(kPatchName + 2)->SetDisplayText(0, "Elsewhere");
  plug->GetParam(kCategoryName + 2)->Set(3);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobSendPart, 2)));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ("", plug->getPatchNameText());
  EXPECT_EQ("", plug->getCategoryNameText());
  patchManager.getName(&slot, PatchManager::kFirstPartNameSlot + 2);
  EXPECT_EQ("Elsewhere", slot);
}

TEST_F(ManagerTest, SendPartClearsSendRunningAlsoWhenRunInsideAnotherJob)
{
  start(DeviceClock::Mode::Virtual);
  // The multi push and the library-record sender call it on their own thread, part by part.
  for (int part : {0, 15, 16, -1})
  {
    manager->sendRunning = true;
    manager->sender->sendPartToDevice(part, false, false);
    EXPECT_FALSE(manager->sendRunning.load()) << "part " << part;
  }
  simulator->drain();
  EXPECT_EQ(2u, simulator->received().size());
}

TEST_F(ManagerTest, LibrarianPatchRequestsRefusedWhileAJobRunsLeaveTheRequestUnarmed)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(manager->post(job(MIDIMessageSender::kJobRequestPart, 4)));
  ASSERT_TRUE(waitForRequests(1));
  for (int variant = 0; variant < 2; ++variant)
  {
    {
      std::lock_guard<std::mutex> lock(manager->patchRequest.mLock);
      manager->patchRequest.active = false;
      manager->patchRequest.record.mMessages.resize(2);
      manager->patchRequest.record.mName = "Old";
      manager->patchRequest.record.mCategory = "Pad";
    }
    manager->dataReceived = true;
    // Armed, the request would take the running part request's reply into the library.
    EXPECT_FALSE(variant == 0 ? manager->sendSinglePatchRequestSysexFromLibrarian(false, 2)
                              : manager->sendAllPatchRequestSysexFromLibrarian(3));
    EXPECT_FALSE(manager->patchRequest.isActive());
    EXPECT_EQ(2u, manager->patchRequest.record.mMessages.size());
    EXPECT_EQ("Old", manager->patchRequest.record.mName);
    EXPECT_TRUE(manager->dataReceived.load());
  }
  manager->sender->cancel = true;
  ASSERT_TRUE(waitIdle(5s));
  simulator->drain();
  // Only the part request's own messages went out: edit buffer of part 4.
  for (const Bytes& request : simulator->received())
  {
    EXPECT_EQ(0x7F, request[P::kBankOffset]);
    EXPECT_EQ(4, request[P::kProgramOffset]);
  }
}

TEST(DeviceLogTest, SentDumpsGetTheirChecksumAndStayOutOfTheDebugLog)
{
  TempDataHome dataHome;
  std::string logPath = DeviceTestSupport::makePlug()->getLogPath();
  // The log is on when its file exists at start-up.
  std::filesystem::create_directories(std::filesystem::path(logPath).parent_path());
  FILE* f = std::fopen(logPath.c_str(), "w");
  ASSERT_NE(nullptr, f);
  std::fclose(f);
  std::unique_ptr<Korvid> plug = DeviceTestSupport::makePlug();
  ASSERT_TRUE(plug->isLogging());
  plug->mOutputPresent = true;
  Bytes dump(SoundDumpLayout::soundTemplate().begin(), SoundDumpLayout::soundTemplate().end());
  dump[100] = 0x05;
  plug->checksumCheckAndSend(dump.data(), static_cast<int>(dump.size()));
  const uint8_t sum = P::checksum(dump.data(), 392, 7, 389);
  EXPECT_EQ(sum, dump[390]);
  plug.reset();

  std::string log;
  f = std::fopen(logPath.c_str(), "r");
  ASSERT_NE(nullptr, f);
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
    log.append(buffer, n);
  std::fclose(f);
  // The log is on, yet outgoing messages are not written to it.
  EXPECT_EQ(std::string::npos, log.find("F0 3E 13")) << log;
  EXPECT_EQ(std::string::npos, log.find("SYSEX")) << log;
}

TEST_F(ManagerTest, InMultiModeASentPartCompletesNoMultiRequestAndMarksNothingUnsaved)
{
  DeviceTestSupport::openUpperBanks(librarian);
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  start(DeviceClock::Mode::Virtual, 1.0, 0, &librarian);
  plug->mMultiMode = true;
  plug->GetParam(kBankEditUnsaved)->Set(0);
  plug->GetParam(kDiscardBankData)->Set(1);
  manager->patchRequest.arm(true);
  JobArguments args = job(MIDIMessageSender::kJobSendPart, 3);
  args.toLibrarian = true;
  ASSERT_TRUE(manager->post(args, [&] { manager->sendRunning = true; }));
  ASSERT_TRUE(waitIdle());
  // The multi request was armed (and the sound request ended); the sound dump filled neither.
  EXPECT_TRUE(manager->performanceRequest.record.mMessages.empty());
  EXPECT_TRUE(manager->patchRequest.record.mMessages.empty());
  EXPECT_FALSE(manager->performanceRequest.isActive());
  EXPECT_FALSE(manager->patchRequest.isActive());
  // The multi bank keeps its records, and nothing claims that data arrived.
  for (const LibrarianPatch& record : librarian.mMultiBanks[0]->mRecords)
    EXPECT_TRUE(record.mMessages.empty());
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Value());
  EXPECT_EQ(1, plug->GetParam(kDiscardBankData)->Value());
  EXPECT_FALSE(manager->dumpExpected.load());
  EXPECT_NE("Data received to slot(s)", plug->getStatusText());
}

TEST(DevicePlugTest, SyncTimerPauseFollowsTheTimerSetting)
{
  TempDataHome dataHome;
  std::unique_ptr<Korvid> plug = DeviceTestSupport::makePlug();
  const int expected[] = {50, 75, 100, 150, 200, 300, 400, 500};
  for (int setting = 0; setting < 8; ++setting)
  {
    plug->GetParam(kLibSyncTimer)->Set(setting);
    EXPECT_EQ(expected[setting], plug->getTimerValue()) << "setting " << setting;
  }
  plug->GetParam(kLibSyncTimer)->Set(9);
  EXPECT_EQ(100, plug->getTimerValue());
}

namespace
{
// A control that draws nothing, for the overlay's buttons and layers.
class PlainControl : public IControl
{
public:
  explicit PlainControl(IPlugBase* plug) : IControl(plug, IRECT(0, 0, 10, 10)) {}
  bool Draw(IGraphics*) override { return true; }
};
} // namespace

TEST(DevicePlugTest, ProcessingOverlayShowsThePagesCancelButtonAndRestoresTheLibrarianLayers)
{
  TempDataHome dataHome;
  std::unique_ptr<Korvid> plug = DeviceTestSupport::makePlug();
  PatchManager patchManager{nullptr};
  plug->initDeviceCommunication(&patchManager, nullptr);
  // The overlay's layer with the indicator and the two cancel buttons, and the librarian page's layers.
  ControlLayer progress(1, "PROGRESS");
  ControlLayer categoryLimit(2, "categoryLimit");
  ControlLayer searchField(3, "searchField");
  IControl* indicator = new PlainControl(plug.get());
  IControl* librarianCancel = new PlainControl(plug.get());
  IControl* pageCancel = new PlainControl(plug.get());
  for (IControl* control : {indicator, librarianCancel, pageCancel})
    progress.AddControl(control);
  PlainControl searchControl(plug.get());
  plug->mProgressLayer = &progress;
  plug->mCancelButtons = {{librarianCancel, pageCancel}};
  plug->mCategoryLimitLayer = &categoryLimit;
  plug->mSearchFieldLayer = &searchField;
  plug->mPatchSearchControl = &searchControl;
  categoryLimit.Hide(false);

  plug->GetParam(kMainTab)->Set(1);
  plug->DisplayProcessingIndicator(true);
  EXPECT_TRUE(plug->mProcessingOverlay.load());
  EXPECT_TRUE(progress.mVisible);
  EXPECT_FALSE(indicator->IsHidden());
  EXPECT_FALSE(librarianCancel->IsHidden());
  EXPECT_TRUE(pageCancel->IsHidden());
  EXPECT_FALSE(categoryLimit.mVisible);
  EXPECT_TRUE(searchControl.IsGrayed());

  plug->mIgnoreIncoming = true;
  plug->mWorkerBusy = true;
  plug->mOutputHold = true;
  plug->mMIDIMessageManager->dumpExpected = true;
  plug->GetParam(kPatchSearch)->Set(1);
  plug->DisplayProcessingIndicator(false);
  EXPECT_FALSE(plug->mProcessingOverlay.load());
  EXPECT_FALSE(plug->mIgnoreIncoming.load());
  EXPECT_FALSE(plug->mWorkerBusy.load());
  EXPECT_FALSE(plug->mOutputHold.load());
  EXPECT_FALSE(plug->mMIDIMessageManager->dumpExpected.load());
  EXPECT_FALSE(progress.mVisible);
  EXPECT_TRUE(librarianCancel->IsHidden());
  EXPECT_TRUE(pageCancel->IsHidden());
  // Searching: the search field comes back rather than the category limit.
  EXPECT_TRUE(searchField.mVisible);
  EXPECT_FALSE(categoryLimit.mVisible);
  EXPECT_FALSE(searchControl.IsGrayed());

  // On another page only that page's cancel button shows, and the librarian layers stay as they are.
  plug->GetParam(kMainTab)->Set(2);
  plug->DisplayProcessingIndicator(true);
  EXPECT_TRUE(librarianCancel->IsHidden());
  EXPECT_FALSE(pageCancel->IsHidden());
  EXPECT_TRUE(searchField.mVisible);
  plug->DisplayProcessingIndicator(false);
  plug->mProgressLayer = nullptr;
  plug->mCancelButtons = {{nullptr, nullptr}};
  plug->mCategoryLimitLayer = nullptr;
  plug->mSearchFieldLayer = nullptr;
  plug->mPatchSearchControl = nullptr;
}
