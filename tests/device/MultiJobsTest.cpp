// Jobs 0, 1, 11 and 12 against the simulated synthesizer, and multi and global dumps parsed back.
#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

#include "BlofeldSimulator.h"
#include "SimulatedDeviceFixture.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "DumpTemplates.h"
#include "MIDIMessageManager.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"
#include "WaitUntil.h"

using DeviceTestSupport::Bytes;
using namespace std::chrono_literals;
using P = SysexProtocol;
using L = MultiDumpLayout;
using S = MIDIMessageSender;

namespace
{
class MultiJobsTest : public SimulatedDeviceFixture
{
protected:
  void start(DeviceClock::Mode mode, double scale = 1.0)
  {
    DeviceTestSupport::openUpperBanks(librarian, 128, 9);
    SimulatedDeviceFixture::start(mode, scale, 0, &librarian);
    // Only the parts a test switches on are active.
    for (int part = 0; part < 16; ++part)
    {
      plug->GetParam(kMultiPartStatus + part)->Set(0);
      for (int base : {kReceiveMIDI, kReceiveUSB, kReceiveLocal, kReceivePitchBend, kReceiveModWheel,
                       kReceivePressure, kReceiveSustain, kReceiveEdits, kReceiveProgramChange})
        plug->GetParam(base + part)->Set(1);
    }
  }
  // Posts job 0 as its posters do and waits for its end; the clock milliseconds it took.
  int64_t runArrangement(bool toLibrarian, bool requestParts)
  {
    JobArguments args;
    args.jobCode = S::kJobSendArrangement;
    args.toLibrarian = toLibrarian;
    args.requestParts = requestParts;
    const int64_t begin = clock->nowMs();
    EXPECT_TRUE(manager->post(args, [&] { manager->sendRunning = true; }));
    EXPECT_TRUE(waitIdle());
    simulator->drain();
    return clock->nowMs() - begin;
  }
  Bytes builtMulti()
  {
    Bytes d(L::kMultiLength);
    manager->sender->buildMultiDump(d.data());
    return d;
  }
  void expectEnded()
  {
    EXPECT_FALSE(plug->mProcessingOverlay.load());
    EXPECT_FALSE(manager->sendRunning.load());
    EXPECT_FALSE(plug->mWorkerBusy.load());
  }
  // The library the jobs' records go into: slot 9 of its upper banks is selected.
  PatchLibrarian librarian;
  // Type and program byte of each received message.
  std::vector<std::pair<int, int>> receivedKinds()
  {
    std::vector<std::pair<int, int>> kinds;
    for (const Bytes& m : simulator->received())
      kinds.emplace_back(m[P::kTypeOffset], m.size() > 7 ? m[P::kProgramOffset] : -1);
    return kinds;
  }
};
} // namespace

TEST_F(MultiJobsTest, GlobalJobSendsTheSettingsToTheGivenIdAndPausesASecond)
{
  start(DeviceClock::Mode::Virtual);
  plug->GetParam(kGlobalSysExID)->Set(12); // the new id travels in the body
  plug->GetParam(kGlobalTuning)->Set(10);
  plug->GetParam(kGlobalTranspose)->Set(12);
  plug->GetParam(kGlobalMidiChannel)->Set(5);
  plug->GetParam(kGlobalLocalControl)->Set(1);
  plug->GetParam(kMultiPatch)->Set(33);
  JobArguments args;
  args.jobCode = S::kJobSendGlobal;
  args.deviceId = 0;
  const int64_t begin = clock->nowMs();
  ASSERT_TRUE(manager->post(args, [&] { manager->sendRunning = true; }));
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  EXPECT_EQ(S::kAfterGlobalPauseMs, clock->nowMs() - begin);
  expectEnded();

  const Bytes g = simulator->global();
  ASSERT_EQ(80u, g.size());
  const uint8_t header[] = {0xF0, 0x3E, 0x13, 0x00, 0x14};
  EXPECT_TRUE(std::equal(std::begin(header), std::end(header), g.begin()));
  EXPECT_EQ(33, g[39]);
  EXPECT_EQ(5, g[41]);
  EXPECT_EQ(12, g[42]);
  EXPECT_EQ(64, g[45]);
  EXPECT_EQ(64, g[46]);
  EXPECT_EQ(0x7F, g[60]);
  EXPECT_EQ(1, g[62]);
  EXPECT_EQ(0x7F, g[78]);
  EXPECT_EQ(0xF7, g[79]);

  // Addressed to another id, the synthesizer set to 0 ignores it.
  args.deviceId = 3;
  plug->GetParam(kMultiPatch)->Set(34);
  ASSERT_TRUE(manager->post(args));
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  EXPECT_EQ(33, simulator->global()[39]);
}

TEST_F(MultiJobsTest, MultiArrivesChecksummedWithNameAndPartFieldsAndTheCurrentPartFollows)
{
  start(DeviceClock::Mode::Virtual);
  plug->GetParam(kMultiName)->SetDisplayText(0, "Live Set");
  plug->GetParam(kMultiMasterVolume)->Set(100);
  plug->GetParam(kMultiPartTranspose)->Set(0);
  plug->GetParam(kMultiPartVeloLow)->Set(0);
  plug->GetParam(kMultiPartVeloHigh)->Set(126);
  plug->GetParam(kMultiPartKeyHigh + 10)->Set(90);
  plug->GetParam(kMultiPartStatus + 3)->Set(1); // active, but the push-all flag is off
  plug->mPartBankTable.fill(0);
  plug->mPartProgramTable.fill(0);
  plug->mPartBankTable[2] = 4;
  plug->mPartProgramTable[2] = 55;
  plug->mCurrentPart = 5;

  EXPECT_EQ(S::kAfterMultiPauseMs + S::kAfterDumpPauseMs + S::kCurrentPartPauseMs,
            runArrangement(false, false));
  expectEnded();
  const auto kinds = receivedKinds();
  ASSERT_EQ(2u, kinds.size());
  EXPECT_EQ(std::make_pair(int(P::kMultiDump), 0), kinds[0]);
  EXPECT_EQ(std::make_pair(int(P::kSoundDump), 5), kinds[1]);

  const Bytes m = simulator->multiEditBuffer();
  ASSERT_EQ(425u, m.size());
  Bytes expected = builtMulti();
  expected[423] =
      static_cast<uint8_t>(std::accumulate(expected.begin() + 7, expected.begin() + 423, 0) & 0x7F);
  EXPECT_EQ(expected, m);
  EXPECT_NE(DumpTemplates::multiTemplate()[423], m[423]);
  EXPECT_EQ("Live Set        ", std::string(m.begin() + 7, m.begin() + 23));
  EXPECT_EQ(100, m[24]);
  EXPECT_EQ(16, m[44]);
  EXPECT_EQ(1, m[49]);
  EXPECT_EQ(127, m[50]);
  EXPECT_EQ(4, m[39 + 48]);
  EXPECT_EQ(55, m[39 + 49]);
  EXPECT_EQ(90, m[288]);
  EXPECT_EQ(0x40, m[39 + 12]); // part 0 muted
  EXPECT_EQ(0x00, m[39 + 3 * 24 + 12]);
  EXPECT_EQ(0x00, m[39 + 3 * 24 + 13]);
  std::string slot;
  patchManager.getName(&slot, PatchManager::kMultiNameSlot);
  EXPECT_EQ("Live Set", slot);
}

TEST_F(MultiJobsTest, GlobalGoesFirstAndEveryActivePartFollowsWhileTheMultiWasEdited)
{
  start(DeviceClock::Mode::Virtual);
  plug->mPushGlobal = true;
  plug->mPushAllParts = true;
  for (int part : {0, 3, 7})
    plug->GetParam(kMultiPartStatus + part)->Set(1);
  plug->GetParam(kMultiName)->SetDisplayText(0, "");

  EXPECT_EQ(S::kAfterGlobalPauseMs + S::kAfterMultiPauseMs +
                3 * (S::kAfterDumpPauseMs + S::kPushedPartPauseMs),
            runArrangement(false, false));
  expectEnded();
  const auto kinds = receivedKinds();
  ASSERT_EQ(5u, kinds.size());
  EXPECT_EQ(int(P::kGlobalDump), kinds[0].first);
  EXPECT_EQ(int(P::kMultiDump), kinds[1].first);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(std::make_pair(int(P::kSoundDump), std::array<int, 3>{0, 3, 7}[i]), kinds[2 + i]);
  const Bytes multi = simulator->multiEditBuffer();
  ASSERT_EQ(425u, multi.size());
  EXPECT_EQ(std::string(16, ' '), std::string(multi.begin() + 7, multi.begin() + 23));
  std::string slot;
  patchManager.getName(&slot, PatchManager::kMultiNameSlot);
  EXPECT_EQ("Set Name", slot);
}

TEST_F(MultiJobsTest, RequestPartsAsksForEveryActivePartAndTakesTheirSounds)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  const std::vector<Bytes> sounds = DeviceTestSupport::madeSounds(20);
  simulator->setEditBuffer(2, DeviceTestSupport::asEditBuffer(sounds[7], 2));
  simulator->setEditBuffer(9, DeviceTestSupport::asEditBuffer(sounds[19], 9));
  plug->GetParam(kMultiPartStatus + 2)->Set(1);
  plug->GetParam(kMultiPartStatus + 9)->Set(1);
  plug->mPushAllParts = true; // requestParts wins

  runArrangement(false, true);
  expectEnded();
  const auto kinds = receivedKinds();
  ASSERT_EQ(3u, kinds.size());
  EXPECT_EQ(int(P::kMultiDump), kinds[0].first);
  EXPECT_EQ(std::make_pair(int(P::kSoundRequest), 2), kinds[1]);
  EXPECT_EQ(std::make_pair(int(P::kSoundRequest), 9), kinds[2]);
  for (auto [part, sound] : {std::make_pair(2, sounds[7]), std::make_pair(9, sounds[19])})
  {
    Bytes d(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(part, d.data());
    EXPECT_TRUE(std::equal(d.begin() + SoundDumpLayout::kNameOffset,
                           d.begin() + SoundDumpLayout::kNameOffset + SoundDumpLayout::kNameLength,
                           sound.begin() + SoundDumpLayout::kNameOffset))
        << "part " << part;
  }
}

TEST_F(MultiJobsTest, RequestPartsWithoutAnActivePartSendsTheMultiAloneAndEndsAfterItsPause)
{
  // Virtual time counts the job's pauses alone, however slow the machine.
  start(DeviceClock::Mode::Virtual);
  const int64_t elapsed = runArrangement(false, true);
  // The pause, and less than one part request's pause on top.
  EXPECT_GE(elapsed, S::kAfterMultiPauseMs);
  EXPECT_LT(elapsed, S::kAfterMultiPauseMs + 250);
  ASSERT_EQ(1u, simulator->received().size());
  EXPECT_EQ(int(P::kMultiDump), receivedKinds()[0].first);
  expectEnded();
}

TEST_F(MultiJobsTest, CancelledPartRequestEndsTheSequence)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  plug->GetParam(kMultiPartStatus + 1)->Set(1);
  plug->GetParam(kMultiPartStatus + 2)->Set(1);
  JobArguments args;
  args.jobCode = S::kJobSendArrangement;
  args.requestParts = true;
  ASSERT_TRUE(manager->post(args));
  const auto end = std::chrono::steady_clock::now() + 10s;
  while (simulator->received().size() < 2 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(1ms);
  manager->sender->cancel = true;
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  for (const auto& kind : receivedKinds())
    EXPECT_NE(std::make_pair(int(P::kSoundRequest), 2), kind);
  EXPECT_EQ("Data request CANCELLED!", plug->getStatusText());
  EXPECT_FALSE(plug->mProcessingOverlay.load());
}

TEST_F(MultiJobsTest, ToTheLibrarianTheMultiFillsThePerformanceRequestAndNothingIsSentForIt)
{
  start(DeviceClock::Mode::Virtual);
  plug->mMultiMode = true;
  plug->GetParam(kMultiName)->SetDisplayText(0, "Stored Multi");
  // No active part to request: the multi is the only record fed back.
  runArrangement(true, true);
  expectEnded();
  ASSERT_EQ(1u, manager->performanceRequest.record.mMessages.size());
  const Bytes& stored = manager->performanceRequest.record.mMessages[0].mData;
  EXPECT_EQ(builtMulti(), stored);
  EXPECT_EQ("Stored Multi    ", manager->performanceRequest.record.mName);
  for (const auto& kind : receivedKinds())
    EXPECT_NE(int(P::kMultiDump), kind.first);
  // No multi bank open in the upper pane (sounds are shown): nothing stored, nothing claimed.
  for (const LibrarianPatch& record : librarian.mMultiBanks[0]->mRecords)
    EXPECT_TRUE(record.mMessages.empty());
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Int());

  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  runArrangement(true, true);
  const LibrarianPatch& slot = librarian.mMultiBanks[0]->mRecords[9];
  EXPECT_EQ("Stored Multi    ", slot.mName);
  ASSERT_EQ(1u, slot.mMessages.size());
  EXPECT_EQ(builtMulti(), slot.mMessages[0].mData);
  EXPECT_EQ(1, plug->GetParam(kBankEditUnsaved)->Int());
}

TEST_F(MultiJobsTest, InitJobsFeedTheInitRecordsIntoTheSelectedSlot)
{
  start(DeviceClock::Mode::Virtual);
  plug->mMultiMode = true;
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  JobArguments args;
  args.jobCode = S::kJobInitPerformance;
  ASSERT_TRUE(manager->post(args));
  ASSERT_TRUE(waitIdle());
  ASSERT_EQ(1u, manager->performanceRequest.record.mMessages.size());
  const Bytes& multi = manager->performanceRequest.record.mMessages[0].mData;
  ASSERT_EQ(425u, multi.size());
  EXPECT_EQ("Init Multi V1.15", std::string(multi.begin() + 7, multi.begin() + 23));
  EXPECT_EQ("Init Multi V1.15", librarian.mMultiBanks[0]->mRecords[9].mName);
  EXPECT_EQ(1, plug->GetParam(kBankEditUnsaved)->Int());

  plug->mMultiMode = false;
  librarian.mPatchType = PatchLibrarian::kPatchTypeSounds;
  plug->GetParam(kRequestFromBank)->Set(3);
  args.jobCode = S::kJobInitClassicPatch;
  ASSERT_TRUE(manager->post(args));
  ASSERT_TRUE(waitIdle());
  ASSERT_EQ(1u, manager->patchRequest.record.mMessages.size());
  const Bytes& sound = manager->patchRequest.record.mMessages[0].mData;
  ASSERT_EQ(392u, sound.size());
  EXPECT_EQ(3, sound[P::kBankOffset]);
  EXPECT_EQ(9, sound[P::kProgramOffset]);
  EXPECT_EQ("Init", std::string(sound.begin() + 370, sound.begin() + 374));
  ASSERT_EQ(1u, librarian.mSoundBanks[0]->mRecords[9].mMessages.size());
  EXPECT_EQ(sound, librarian.mSoundBanks[0]->mRecords[9].mMessages[0].mData);
  EXPECT_FALSE(plug->mProcessingOverlay.load());
  simulator->drain();
  EXPECT_TRUE(simulator->received().empty());
}

TEST_F(MultiJobsTest, TeardownDuringTheMultiPauseEndsTheJobAtOnce)
{
  start(DeviceClock::Mode::Real);
  plug->mPushAllParts = true;
  plug->GetParam(kMultiPartStatus)->Set(1);
  JobArguments args;
  args.jobCode = S::kJobSendArrangement;
  ASSERT_TRUE(manager->post(args));
  // The multi dump is out: the job is in (or about to enter) its pause.
  ASSERT_TRUE(korvidtest::waitUntil([&] { return !simulator->received().empty(); }));
  const auto begin = std::chrono::steady_clock::now();
  plug.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
  const auto kinds = receivedKinds();
  ASSERT_EQ(1u, kinds.size());
  EXPECT_EQ(int(P::kMultiDump), kinds[0].first);
}

TEST_F(MultiJobsTest, ReceivedMultiAndGlobalDumpsSetTheParameters)
{
  start(DeviceClock::Mode::Virtual);
  Bytes multi(DumpTemplates::multiTemplate().begin(), DumpTemplates::multiTemplate().end());
  const char name[] = "From The Synth!!";
  std::copy(name, name + 16, multi.begin() + 7);
  multi[25] = 61;
  multi[L::partByte(10, L::kBlockKeyHigh)] = 84;
  multi[L::partByte(10, L::kBlockBank)] = 6;
  multi[L::partByte(10, L::kBlockProgram)] = 99;
  multi[L::partByte(4, L::kBlockTranspose)] = 20;
  multi[L::partByte(4, L::kBlockVelocityHigh)] = 127;
  multi[L::partByte(4, L::kBlockFlags2)] = 31;
  // As the synthesizer sends it.
  P::writeChecksum(multi.data(), static_cast<int>(multi.size()));
  plug->mPartBankTable.fill(0);
  plug->mPartProgramTable.fill(0);

  // Not expected: ignored.
  ISysEx sysex(0, multi.data(), static_cast<int>(multi.size()));
  plug->ProcessSysEx(&sysex, true);
  EXPECT_EQ(0, plug->GetParam(kMultiTempo)->Value());

  manager->dumpExpected = true;
  plug->ProcessSysEx(&sysex, true);
  EXPECT_TRUE(manager->dataReceived.load());
  EXPECT_FALSE(manager->dumpExpected.load());
  EXPECT_STREQ(name, plug->GetParam(kMultiName)->GetDisplayText(0));
  std::string slot;
  patchManager.getName(&slot, PatchManager::kMultiNameSlot);
  EXPECT_EQ(name, slot);
  EXPECT_EQ(61, plug->GetParam(kMultiTempo)->Value());
  EXPECT_EQ(84, plug->GetParam(kMultiPartKeyHigh + 10)->Value());
  EXPECT_EQ(6, plug->GetParam(kMultiPartBank + 10)->Value());
  EXPECT_EQ(99, plug->GetParam(kMultiPartPatch + 10)->Value());
  EXPECT_EQ(6, plug->mPartBankTable[10]);
  EXPECT_EQ(99, plug->mPartProgramTable[10]);
  EXPECT_EQ(4, plug->GetParam(kMultiPartTranspose + 4)->Value());
  EXPECT_EQ(126, plug->GetParam(kMultiPartVeloHigh + 4)->Value());
  EXPECT_EQ(0, plug->GetParam(kReceiveEdits + 4)->Value());
  EXPECT_EQ(1, plug->GetParam(kReceiveProgramChange + 4)->Value());
  // What was parsed builds the same part blocks again.
  const Bytes rebuilt = builtMulti();
  EXPECT_TRUE(std::equal(multi.begin() + 24, multi.begin() + 423, rebuilt.begin() + 24));

  Bytes global(DumpTemplates::globalTemplate().begin(), DumpTemplates::globalTemplate().end());
  global[46] = 60;
  global[62] = 0;
  plug->mLocalControl = true;
  for (size_t size : {79u, 81u})
  {
    Bytes odd = global;
    odd.resize(size, 0xF7);
    manager->dumpExpected = true;
    manager->sysexSettingsParse(std::make_unique<ISysEx>(0, odd.data(), static_cast<int>(size)).get());
    EXPECT_FALSE(manager->dumpExpected.load()) << size;
    EXPECT_TRUE(plug->mLocalControl.load()) << size;
  }
  manager->dumpExpected = true;
  ISysEx g(0, global.data(), static_cast<int>(global.size()));
  plug->ProcessSysEx(&g, true);
  EXPECT_EQ(8, plug->GetParam(kGlobalTranspose)->Value());
  EXPECT_FALSE(plug->mLocalControl.load());
  global[62] = 2;
  manager->dumpExpected = true;
  plug->ProcessSysEx(&g, true);
  EXPECT_TRUE(plug->mLocalControl.load());
}
