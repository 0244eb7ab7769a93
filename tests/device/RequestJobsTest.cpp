// Request jobs 5, 7, 8, 9, 10 and 13 against the simulated synthesizer: replies, scans, time-outs, cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "BlofeldSimulator.h"
#include "SimulatedDeviceFixture.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "DumpTemplates.h"
#include "IControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"

using DeviceTestSupport::Bytes;
using namespace std::chrono_literals;
using P = SysexProtocol;
using S = MIDIMessageSender;

namespace
{
// The message line, keeping every text it showed (runs of one text count once).
class RecordingLine : public ITextControl
{
public:
  explicit RecordingLine(IPlugBase* plug) : ITextControl(plug, IRECT(0, 0, 10, 10), nullptr, "") {}
  // Called just before the text changes: mStr is still the one that was shown.
  void SetDirty(bool push) override
  {
    {
      std::lock_guard<std::mutex> lock(mHistoryLock);
      if (!mStr.empty())
        mShown.push_back(mStr);
    }
    if (onChange)
      onChange();
    ITextControl::SetDirty(push);
  }
  std::function<void()> onChange; // on the thread that changes the text, before it does
  std::vector<std::string> history()
  {
    std::lock_guard<std::mutex> lock(mHistoryLock);
    std::vector<std::string> all = mShown;
    all.push_back(mStr);
    return all;
  }

private:
  std::mutex mHistoryLock;
  std::vector<std::string> mShown;
};

// The numbers that follow prefix in the texts that start with it.
std::vector<std::string> numbersAfter(const std::vector<std::string>& texts, const std::string& prefix,
                                      const std::string& suffix = "")
{
  std::vector<std::string> numbers;
  for (const std::string& t : texts)
    if (t.rfind(prefix, 0) == 0 && t.size() >= prefix.size() + suffix.size() &&
        t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0)
      numbers.push_back(t.substr(prefix.size(), t.size() - prefix.size() - suffix.size()));
  return numbers;
}

class RequestJobsTest : public SimulatedDeviceFixture
{
protected:
  void start(DeviceClock::Mode mode, double scale = 1.0, int deviceId = 0)
  {
    DeviceTestSupport::openUpperBanks(librarian);
    SimulatedDeviceFixture::start(mode, scale, deviceId, &librarian);
    line = std::make_unique<RecordingLine>(plug.get());
    plug->mMessageLine = line.get();
  }
  // Posts a job and waits for its end; the clock milliseconds it took.
  int64_t run(const JobArguments& args)
  {
    const int64_t begin = clock->nowMs();
    EXPECT_TRUE(manager->post(args));
    EXPECT_TRUE(waitIdle());
    simulator->drain();
    return clock->nowMs() - begin;
  }
  static JobArguments job(int code)
  {
    JobArguments args;
    args.jobCode = code;
    return args;
  }
  bool waitFor(const std::function<bool()>& condition)
  {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!condition())
    {
      if (std::chrono::steady_clock::now() > end)
        return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  void expectFlagsBackToNormal()
  {
    EXPECT_FALSE(plug->mProcessingOverlay.load());
    EXPECT_FALSE(plug->mIgnoreIncoming.load());
    EXPECT_FALSE(plug->mWorkerBusy.load());
    EXPECT_FALSE(manager->dumpExpected.load());
  }
  // The multi edit buffer of the simulator, named name.
  void storeMulti(const std::string& name)
  {
    const auto& templ = DumpTemplates::multiTemplate();
    Bytes multi(templ.begin(), templ.end());
    multi[P::kDeviceIdOffset] = 0;
    multi[P::kBankOffset] = P::kEditBufferBank;
    multi[P::kProgramOffset] = 0;
    std::copy(name.begin(), name.end(), multi.begin() + P::kChecksumFirstByte);
    simulator->receive(multi);
    simulator->drain();
  }
  void setSyncTimer(int value) { plug->GetParam(kLibSyncTimer)->Set(value); }

  PatchLibrarian librarian;
  std::unique_ptr<RecordingLine> line;
};
} // namespace

TEST_F(RequestJobsTest, SyncTimerGivesThePauseOfEveryRequest)
{
  start(DeviceClock::Mode::Virtual);
  for (auto [value, ms] :
       std::initializer_list<std::pair<int, int>>{{0, 50}, {2, 100}, {6, 400}, {7, 500}, {9, 100}})
  {
    setSyncTimer(value);
    EXPECT_EQ(ms, plug->getTimerValue()) << "value " << value;
  }
}

TEST_F(RequestJobsTest, EnquiryFindsASynthesizerOnAnotherIdAndAdoptsIt)
{
  start(DeviceClock::Mode::Scaled, 0.2, 9);
  setSyncTimer(2);
  // The synthesizer's global data carries its id too.
  constexpr size_t kGlobalIdByte = 42;
  Bytes global = simulator->global();
  ASSERT_GT(global.size(), kGlobalIdByte);
  global[P::kDeviceIdOffset] = 9;
  global[kGlobalIdByte] = 9;
  simulator->receive(global);
  simulator->drain();
  plug->sendSysExInitialization();
  ASSERT_TRUE(waitIdle());
  simulator->drain();

  EXPECT_EQ(9, plug->mDeviceId.load());
  EXPECT_EQ(9, plug->GetParam(kGlobalSysExID)->Int());
  const auto texts = line->history();
  EXPECT_EQ("Connecting to blofeld", texts.front());
  EXPECT_EQ("Plug-in is ready to go!", texts.back());
  const auto ids = numbersAfter(texts, S::kTextCheckingDeviceId);
  ASSERT_GE(ids.size(), 10u);
  for (size_t i = 0; i < ids.size(); ++i)
    EXPECT_EQ(std::to_string(i + 1), ids[i]);

  const auto received = simulator->received();
  ASSERT_GE(received.size(), 12u); // the stored global, the enquiry, ids 0 to 9 at least
  EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x04, 0xF7}), received[1]);
  for (size_t i = 2; i < received.size(); ++i)
    EXPECT_EQ(static_cast<int>(i) - 2, received[i][P::kDeviceIdOffset]) << "scan message " << i;
  expectFlagsBackToNormal();
}

TEST_F(RequestJobsTest, SilentSynthesizerIsGivenUpAfterThirtyPollsAndAFullScan)
{
  start(DeviceClock::Mode::Virtual);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  setSyncTimer(2);
  EXPECT_EQ((30 + 128) * 100, run(job(S::kJobDeviceIdEnquiry)));

  const auto texts = line->history();
  EXPECT_EQ("Connecting to blofeld", texts.front());
  EXPECT_EQ("No response from blofeld!", texts.back());
  const auto ids = numbersAfter(texts, S::kTextCheckingDeviceId);
  ASSERT_EQ(128u, ids.size());
  EXPECT_EQ("1", ids.front());
  EXPECT_EQ("128", ids.back());
  EXPECT_EQ(129u, simulator->received().size());
  EXPECT_TRUE(manager->sender->failed.load());
  EXPECT_EQ(0, plug->mDeviceId.load());
  expectFlagsBackToNormal();
}

TEST_F(RequestJobsTest, AReplyTheInputLostIsAskedForAgainOnceWithoutAScan)
{
  start(DeviceClock::Mode::Scaled, 1.0, 5); // not on id 0, where the scan begins
  plug->mDeviceId = 5;
  setSyncTimer(2);
  simulator->setFault(BlofeldSimulator::Fault::Lost);
  run(job(S::kJobDeviceIdEnquiry));
  EXPECT_EQ(std::vector<Bytes>(2, Bytes{0xF0, 0x3E, 0x13, 0x05, 0x04, 0xF7}), simulator->received());
  EXPECT_TRUE(numbersAfter(line->history(), S::kTextCheckingDeviceId).empty());
  EXPECT_EQ("Plug-in is ready to go!", plug->getStatusText());
  EXPECT_FALSE(manager->sender->failed.load());
  EXPECT_EQ(1u, plug->midiInputLost());
}

TEST_F(RequestJobsTest, CancelStopsTheEnquiryScanAndIsReported)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(manager->post(job(S::kJobDeviceIdEnquiry)));
  ASSERT_TRUE(waitFor([&] { return simulator->received().size() >= 4; }));
  manager->sender->cancel = true;
  // The scan ends at the cancel: at most the request it was about to send follows.
  const size_t atCancel = simulator->arrived();
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  EXPECT_LE(simulator->received().size(), atCancel + 1);
  EXPECT_EQ("Data request CANCELLED!", plug->getStatusText());
  expectFlagsBackToNormal();
}

// Every poll of the enquiry ends on a cancel, also one before its scan.
TEST_F(RequestJobsTest, CancelBeforeTheEnquiryScanEndsItAtTheNextPoll)
{
  start(DeviceClock::Mode::Virtual);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  line->onChange = [&] { manager->sender->cancel = true; };
  EXPECT_EQ(plug->getTimerValue(), run(job(S::kJobDeviceIdEnquiry)));
  EXPECT_EQ(1u, simulator->received().size());
  EXPECT_EQ("Data request CANCELLED!", plug->getStatusText());
}

// However a request ends, no "please wait" text stays in the message line.
TEST_F(RequestJobsTest, NoWaitTextOutlivesACancelledOrSilentRequest)
{
  struct Case
  {
    const char* name;
    int jobCode;
    bool toEditor;
    bool cancelInScan;
  };
  const Case cases[] = {
      {"arrangement to the editor, cancelled in the scan", S::kJobRequestArrangement, true, true},
      {"part to the editor, cancelled in the scan", S::kJobRequestPart, true, true},
      {"device-id enquiry, cancelled in the scan", S::kJobDeviceIdEnquiry, false, true},
  };
  start(DeviceClock::Mode::Scaled, 0.1);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  for (const Case& c : cases)
  {
    simulator->drain();
    const size_t before = simulator->received().size();
    JobArguments args = job(c.jobCode);
    args.toEditor = c.toEditor;
    ASSERT_TRUE(manager->post(args)) << c.name;
    if (c.cancelInScan)
    {
      // The scan has begun once a few requests beyond the first went out.
      ASSERT_TRUE(waitFor(
          [&]
          {
            simulator->drain();
            return simulator->received().size() >= before + 5;
          }))
          << c.name;
      manager->sender->cancel = true;
    }
    ASSERT_TRUE(waitIdle()) << c.name;
    std::string text = plug->getStatusText();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char ch) { return std::tolower(ch); });
    EXPECT_EQ(text.find("please wait"), std::string::npos) << c.name << ": " << plug->getStatusText();
    if (c.cancelInScan)
    {
      EXPECT_EQ(plug->getStatusText(), S::kTextCancelled) << c.name;
    }
    expectFlagsBackToNormal();
  }
}

TEST_F(RequestJobsTest, WithoutOutputPortTheEnquirySaysSoAndTimesOut)
{
  start(DeviceClock::Mode::Virtual);
  plug->mOutputPresent = false;
  run(job(S::kJobDeviceIdEnquiry));
  const auto texts = line->history();
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Set MIDI I/O First!"));
  EXPECT_EQ("No response from blofeld!", texts.back());
  EXPECT_TRUE(simulator->received().empty());
}

// Each part and the multi take only their own reply: one the input dropped is asked for again once, and a
// dump of another location that comes first is not taken.
TEST_F(RequestJobsTest, ArrangementRequestBringsEveryPartAndTheMultiIntoTheEditor)
{
  using F = BlofeldSimulator::Fault;
  const struct
  {
    const char* name;
    F fault;
    int goodReplies, times;
    size_t requests;
    const char* text;
  } rows[] = {
      // Each reply comes after 30 clock ms, so the job is already waiting for the multi when it arrives.
      {"every reply comes", F::Late, 0, 1, 17, S::kTextEditorCompleted},
      {"part 1's reply dropped", F::Lost, 0, 1, 18, S::kTextEditorCompleted},
      {"the multi's reply dropped", F::Lost, 16, 1, 18, S::kTextEditorCompleted},
      {"the multi's reply dropped again", F::Lost, 16, 2, 18, S::kTextInputDropped},
      {"a dump of another location before each reply", F::Stray, 0, 1, 17, S::kTextEditorCompleted},
  };
  start(DeviceClock::Mode::Scaled, 0.2);
  const std::vector<Bytes> sounds = DeviceTestSupport::madeSounds(30);
  for (int part = 0; part < 16; ++part)
  {
    simulator->setEditBuffer(part,
                             DeviceTestSupport::asEditBuffer(sounds[static_cast<size_t>(part + 10)], part));
    simulator->setSound(0, part, sounds[static_cast<size_t>(part)]);
  }
  storeMulti("Requested Multi!");
  for (const auto& row : rows)
  {
    SCOPED_TRACE(row.name);
    plug->GetParam(kMultiName)->SetDisplayText(0, "");
    const size_t before = simulator->received().size();
    simulator->setFault(row.fault, 30, row.goodReplies, row.times);
    JobArguments args = job(S::kJobRequestArrangement);
    args.toEditor = true;
    run(args);

    for (int part = 0; part < 16; ++part)
      expectPartHolds(part, sounds[static_cast<size_t>(part + 10)]);
    const bool completed = row.text == S::kTextEditorCompleted;
    EXPECT_STREQ(completed ? "Requested Multi!" : "", plug->GetParam(kMultiName)->GetDisplayText(0));
    EXPECT_TRUE(manager->arrangementRequest.load());
    const auto texts = line->history();
    EXPECT_EQ(row.text, texts.back());
    if (&row == rows)
    {
      EXPECT_EQ((std::vector<std::string>{"0", "5", "11", "17", "23", "29", "35", "41", "47", "52", "58",
                                          "64", "70", "76", "82", "88"}),
                numbersAfter(texts, S::kTextProgressPrefix, S::kTextProcessedSuffix));
      EXPECT_EQ("Processing, please wait...", texts[texts.size() - 2]);
    }
    const auto received = simulator->received();
    ASSERT_EQ(before + row.requests, received.size()); // 16 part requests, the multi request, one again
    EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x01, 0x7F, 0x00, 0xF7}), received.back());
    expectFlagsBackToNormal();
  }
}

TEST_F(RequestJobsTest, ArrangementWhoseMultiNeverComesEndsOnTheTimeOutNotOnCompleted)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  setSyncTimer(7);
  JobArguments args = job(S::kJobRequestArrangement);
  args.toEditor = true;
  ASSERT_TRUE(manager->post(args));
  // The parts answer; the synthesizer falls silent before the multi is asked for.
  ASSERT_TRUE(waitFor([&] { return simulator->repliesSent() >= 16; }));
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  ASSERT_EQ(17u, simulator->received().size());
  EXPECT_EQ("CONNECTION TIMED OUT!", plug->getStatusText());
  EXPECT_TRUE(manager->sender->failed.load());
}

TEST_F(RequestJobsTest, ArrangementToTheLibrarianTakesOnlyTheMulti)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  plug->mMultiMode = true;
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  librarian.mSelectedUpperSlot = 9;
  storeMulti("Library Multi   ");
  // A stored multi comes before the edit buffer's: it is no reply.
  simulator->setFault(BlofeldSimulator::Fault::Stray);
  JobArguments args = job(S::kJobRequestArrangement);
  args.toEditor = false;
  run(args);
  ASSERT_EQ(1u, manager->performanceRequest.record.mMessages.size());
  EXPECT_EQ("Library Multi   ", manager->performanceRequest.record.mName);
  const LibrarianPatch& slot = librarian.mMultiBanks[0]->mRecords[9];
  EXPECT_EQ("Library Multi   ", slot.mName);
  ASSERT_EQ(1u, slot.mMessages.size());
  EXPECT_EQ(manager->performanceRequest.record.mMessages[0].mData, slot.mMessages[0].mData);
  const auto received = simulator->received();
  ASSERT_EQ(2u, received.size());
  EXPECT_EQ(P::kMultiRequest, received[1][P::kTypeOffset]);
  const auto texts = line->history();
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Data request Completed!"));
  EXPECT_EQ(1, plug->GetParam(kBankEditUnsaved)->Int());
  expectFlagsBackToNormal();
}

TEST_F(RequestJobsTest, SilentPartsTimeOutAndTheMultiIsNotAskedFor)
{
  start(DeviceClock::Mode::Virtual);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  JobArguments args = job(S::kJobRequestArrangement);
  args.toEditor = true;
  run(args);
  EXPECT_EQ("CONNECTION TIMED OUT!", plug->getStatusText());
  for (const Bytes& m : simulator->received())
    EXPECT_EQ(P::kSoundRequest, m[P::kTypeOffset]);
  expectFlagsBackToNormal();
}

TEST_F(RequestJobsTest, StoredSoundRequestAsksForProgram127AboveTheLastSlot)
{
  start(DeviceClock::Mode::Scaled, 0.2);
  const std::vector<Bytes> sounds = DeviceTestSupport::madeSounds(4);
  simulator->setSound(2, 127, sounds[3]);
  librarian.mSelectedUpperSlot = 200;
  manager->sendSinglePatchRequestSysexFromLibrarian(false, 2);
  ASSERT_TRUE(waitIdle());
  simulator->drain();

  ASSERT_FALSE(simulator->received().empty());
  EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x00, 0x02, 0x7F, 0xF7}), simulator->received()[0]);
  ASSERT_EQ(1u, manager->patchRequest.record.mMessages.size());
  const Bytes& stored = manager->patchRequest.record.mMessages[0].mData;
  EXPECT_TRUE(std::equal(stored.begin() + SoundDumpLayout::kNameOffset,
                         stored.begin() + SoundDumpLayout::kNameOffset + SoundDumpLayout::kNameLength,
                         sounds[3].begin() + SoundDumpLayout::kNameOffset));
  // There is no slot 200 to put it in: refused, said so, and nothing written or marked unsaved.
  const auto texts = line->history();
  EXPECT_EQ(texts.end(), std::find(texts.begin(), texts.end(), "Data request Completed!"));
  EXPECT_EQ("No slot selected, data not stored!", plug->getStatusText());
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Int());
  EXPECT_EQ(128u, librarian.mSoundBanks[0]->mRecords.size());
  for (const LibrarianPatch& record : librarian.mSoundBanks[0]->mRecords)
    EXPECT_TRUE(record.mMessages.empty());
}

TEST_F(RequestJobsTest, PartRequestIntoTheLibraryEndsOnTheRefusalThatCameBeforeItsProgressText)
{
  // The synthesizer answers at once: the refusal comes during the pause before "Data processing...".
  start(DeviceClock::Mode::Scaled, 0.5);
  librarian.mSelectedUpperSlot = 200;
  JobArguments args = job(S::kJobRequestPart);
  args.part = 3;
  args.toEditor = false;
  run(args);

  ASSERT_FALSE(simulator->received().empty());
  EXPECT_EQ(P::kSoundRequest, simulator->received()[0][P::kTypeOffset]);
  const auto texts = line->history();
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Data processing, please wait..."));
  EXPECT_EQ(texts.end(), std::find(texts.begin(), texts.end(), "Data request Completed!"));
  EXPECT_EQ("No slot selected, data not stored!", plug->getStatusText());
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Int());
  for (const LibrarianPatch& record : librarian.mSoundBanks[0]->mRecords)
    EXPECT_TRUE(record.mMessages.empty());
  expectFlagsBackToNormal();
}

TEST_F(RequestJobsTest, EditBufferRequestResendsTheSameRequestInsteadOfScanning)
{
  start(DeviceClock::Mode::Virtual, 1.0, 5);
  plug->mDeviceId = 2;
  plug->mCurrentPart = 6;
  const int64_t took = [&]
  {
    JobArguments args = job(S::kJobRequestSinglePatch);
    args.editBuffer = true;
    return run(args);
  }();
  const auto received = simulator->received();
  ASSERT_EQ(129u, received.size());
  for (const Bytes& m : received)
    EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x02, 0x00, 0x7F, 0x06, 0xF7}), m);
  EXPECT_EQ((30 + 128) * 50, took);
  EXPECT_EQ("CONNECTION TIMED OUT!", plug->getStatusText());
  EXPECT_TRUE(manager->patchRequest.record.mMessages.empty());
  expectFlagsBackToNormal();
}

TEST_F(RequestJobsTest, CancelledSoundRequestRescansTheLibrary)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  ASSERT_TRUE(manager->post(job(S::kJobRequestSinglePatch)));
  ASSERT_TRUE(waitFor([&] { return !simulator->received().empty(); }));
  manager->sender->cancel = true;
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ("Data request CANCELLED!", plug->getStatusText());
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Int());
  EXPECT_FALSE(plug->mProcessingOverlay.load());
}

TEST_F(RequestJobsTest, SoundBankWalkFillsEveryProgramInOrder)
{
  // Each of the 128 replies (from the simulator's own thread) must come within the polls before the
  // device-id scan: at half real speed they last 2.5 s, which a loaded machine's stalls stay within.
  start(DeviceClock::Mode::Scaled, 2.0);
  const std::vector<Bytes> sounds = DeviceTestSupport::madeSounds(4);
  simulator->setSound(0, 127, sounds[0]);
  librarian.mSelectedUpperSlot = 40;
  manager->sendAllPatchRequestSysexFromLibrarian(0);
  ASSERT_TRUE(waitIdle());
  simulator->drain();

  const auto received = simulator->received();
  ASSERT_EQ(128u, received.size());
  for (size_t i = 0; i < received.size(); ++i)
    EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x00, 0x00, static_cast<unsigned char>(i), 0xF7}), received[i]);
  const auto texts = line->history();
  const auto percents = numbersAfter(texts, S::kTextProgressPrefix, S::kTextReceivedSuffix);
  ASSERT_EQ(128u, percents.size());
  EXPECT_EQ("0", percents[0]);
  EXPECT_EQ("0.78125", percents[1]);
  EXPECT_EQ("99.2188", percents.back());
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Data request completed!"));
  EXPECT_EQ(0, librarian.mSelectedUpperSlot);
  ASSERT_EQ(1u, manager->patchRequest.record.mMessages.size());
  EXPECT_EQ(127, manager->patchRequest.record.mMessages[0].mData[P::kProgramOffset]);
  EXPECT_EQ(1, plug->GetParam(kBankEditUnsaved)->Int());
  // Program n went into slot n of the upper bank, each slot holding its one dump.
  const std::vector<LibrarianPatch>& records = librarian.mSoundBanks[0]->mRecords;
  ASSERT_EQ(128u, records.size());
  for (size_t n = 0; n < records.size(); ++n)
  {
    ASSERT_EQ(1u, records[n].mMessages.size()) << "slot " << n;
    EXPECT_EQ(n, records[n].mMessages[0].mData[P::kProgramOffset]) << "slot " << n;
  }
  const Bytes& last = records[127].mMessages[0].mData;
  ASSERT_EQ(sounds[0].size(), last.size());
  EXPECT_TRUE(std::equal(sounds[0].begin() + P::kChecksumFirstByte,
                         sounds[0].begin() + SoundDumpLayout::kChecksumOffset,
                         last.begin() + P::kChecksumFirstByte));
}

TEST_F(RequestJobsTest, CancelledBankWalkStopsAdvancingAndResetsTheSlot)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  ASSERT_TRUE(manager->post(
      []
      {
        JobArguments args;
        args.jobCode = S::kJobRequestAllPatches;
        args.bank = 3;
        return args;
      }()));
  ASSERT_TRUE(waitFor([&] { return simulator->received().size() >= 5; }));
  // The replies to the requests the walk sends after the cancel come late (below).
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  const size_t atCancel = simulator->arrived();
  manager->sender->cancel = true;
  ASSERT_TRUE(waitIdle());
  simulator->drain();
  EXPECT_LE(simulator->received().size(), atCancel + 1) << "no request after the cancel but the one sent";
  int last = -1;
  for (const Bytes& m : simulator->received())
  {
    EXPECT_EQ(3, m[P::kBankOffset]);
    EXPECT_GE(m[P::kProgramOffset], last);
    last = m[P::kProgramOffset];
  }
  EXPECT_LT(last, 100);
  // The reply to the request the cancel left unanswered comes after the job: it goes into no slot.
  Bytes late = simulator->sound(3, last);
  late[P::kBankOffset] = 3;
  late[P::kProgramOffset] = static_cast<unsigned char>(last);
  ASSERT_TRUE(P::writeChecksum(late.data(), static_cast<int>(late.size())));
  simulator->play(late);
  EXPECT_EQ("Data request cancelled!", plug->getStatusText());
  EXPECT_EQ(0, librarian.mSelectedUpperSlot);
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Int());
}

// A cancel as the overlay shows, or in the pause after a reply, ends the walk: only the request sent follows.
TEST_F(RequestJobsTest, CancelledMultiWalkEndsAtTheStartOrAfterAReply)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  plug->mMultiMode = true;
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  for (const size_t sent : {4, 0})
  {
    DeviceTestSupport::openUpperBanks(librarian); // the last cancel's rescan read the empty library back
    const size_t before = simulator->arrived();
    ASSERT_TRUE(manager->post(job(S::kJobRequestAllMultis)));
    const auto progress = [&] { return plug->getStatusText().rfind(S::kTextProgressPrefix, 0) == 0; };
    const auto replied = [&] { return simulator->arrived() >= before + sent && progress(); };
    ASSERT_TRUE(waitFor([&] { return sent ? replied() : plug->mProcessingOverlay.load(); }));
    const size_t atCancel = simulator->arrived();
    manager->sender->cancel = true;
    ASSERT_TRUE(waitIdle());
    simulator->drain();
    EXPECT_LE(simulator->arrived(), atCancel + 1) << sent;
    EXPECT_EQ(S::kTextCancelled, plug->getStatusText()) << sent;
    expectFlagsBackToNormal();
  }
}

// A request needs both ports: without one it is refused at once, as a send is.
TEST_F(RequestJobsTest, ARequestWithoutBothPortsIsRefusedAtOnce)
{
  start(DeviceClock::Mode::Virtual);
  plug->mOutputPresent = false;
  EXPECT_FALSE(manager->post(job(S::kJobRequestAllMultis)));
  plug->mOutputPresent = true;
  int off = 0;
  plug->setExternalMIDIIn(off, "OFF");
  EXPECT_FALSE(manager->sendAllPatchRequestSysexFromLibrarian(1));
  EXPECT_FALSE(manager->patchRequest.isActive());
  EXPECT_EQ("Set MIDI I/O First!", plug->getStatusText());
  EXPECT_TRUE(simulator->received().empty());
}

TEST_F(RequestJobsTest, BankWalkEndsAfterThreeSilentProgramsInARowKeepingWhatArrived)
{
  start(DeviceClock::Mode::Scaled, 0.1);
  // Sounds: five programs answer, then the synthesizer falls silent; multis: silent from the start.
  for (const auto& [multis, answered] : {std::pair{false, 5}, std::pair{true, 0}})
  {
    SCOPED_TRACE(multis ? "multis" : "sounds");
    plug->mMultiMode = multis;
    librarian.mPatchType = multis ? PatchLibrarian::kPatchTypeMultis : PatchLibrarian::kPatchTypeSounds;
    plug->GetParam(kBankEditUnsaved)->Set(0);
    simulator->setFault(BlofeldSimulator::Fault::Silent, 0, answered);
    const size_t before = simulator->received().size();
    run(job(multis ? S::kJobRequestAllMultis : S::kJobRequestAllPatches));

    // Each program answered once, then three attempts at the next one, each with its full scan, no more.
    const auto received = simulator->received();
    ASSERT_EQ(before + static_cast<size_t>(answered + 3 * (1 + P::kDeviceIdCount)), received.size());
    for (size_t i = before; i < received.size(); ++i)
      EXPECT_EQ(std::min(static_cast<int>(i - before), answered), received[i][P::kProgramOffset]) << i;
    EXPECT_EQ("CONNECTION TIMED OUT!", plug->getStatusText());
    EXPECT_EQ(std::to_string(answered) + " of 128 received", plug->getStatusDetail());
    const auto& records = (multis ? librarian.mMultiBanks : librarian.mSoundBanks)[0]->mRecords;
    for (int slot = 0; slot <= answered; ++slot)
      EXPECT_EQ(slot < answered ? 1u : 0u, records[static_cast<size_t>(slot)].mMessages.size()) << slot;
    EXPECT_EQ(answered > 0 ? 1 : 0, plug->GetParam(kBankEditUnsaved)->Int());
    EXPECT_EQ(0, librarian.mSelectedUpperSlot);
    expectFlagsBackToNormal();
  }
}

TEST_F(RequestJobsTest, MultiRequestsAskForTheSelectedSlotAndForAllMultis)
{
  // At half speed the simulator's replies (from its own thread) come within a poll on a loaded machine.
  start(DeviceClock::Mode::Scaled, 0.5);
  plug->mMultiMode = true;
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  librarian.mSelectedUpperSlot = 5;
  // A multi of the program before comes ahead of each reply (late from the request before): none is stored.
  simulator->setFault(BlofeldSimulator::Fault::Stray);
  run(job(S::kJobRequestSingleMulti));
  ASSERT_EQ(1u, simulator->received().size());
  EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x01, 0x00, 0x05, 0xF7}), simulator->received()[0]);
  ASSERT_EQ(1u, manager->performanceRequest.record.mMessages.size());
  EXPECT_EQ(5, manager->performanceRequest.record.mMessages[0].mData[P::kProgramOffset]);
  ASSERT_EQ(1u, librarian.mMultiBanks[0]->mRecords[5].mMessages.size());
  EXPECT_EQ(5, librarian.mMultiBanks[0]->mRecords[5].mMessages[0].mData[P::kProgramOffset]);
  auto texts = line->history();
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Data request Completed!"));

  run(job(S::kJobRequestAllMultis));
  const auto received = simulator->received();
  ASSERT_EQ(129u, received.size());
  for (size_t i = 1; i < received.size(); ++i)
  {
    EXPECT_EQ((Bytes{0xF0, 0x3E, 0x13, 0x00, 0x01, 0x00, static_cast<unsigned char>(i - 1), 0xF7}),
              received[i]);
    EXPECT_EQ(i - 1, librarian.mMultiBanks[0]->mRecords[i - 1].mMessages.at(0).mData[P::kProgramOffset]);
  }
  texts = line->history();
  EXPECT_EQ("99.2188", numbersAfter(texts, S::kTextProgressPrefix, S::kTextReceivedSuffix).back());
  EXPECT_EQ(0, librarian.mSelectedUpperSlot);
}

TEST_F(RequestJobsTest, SilentStoredMultiTimesOutAfterTheScan)
{
  start(DeviceClock::Mode::Virtual);
  plug->mMultiMode = true;
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  EXPECT_EQ((30 + 128) * 50, run(job(S::kJobRequestSingleMulti)));
  const auto received = simulator->received();
  ASSERT_EQ(129u, received.size());
  for (size_t i = 1; i < received.size(); ++i)
    EXPECT_EQ(static_cast<int>(i) - 1, received[i][P::kDeviceIdOffset]);
  EXPECT_EQ("CONNECTION TIMED OUT!", plug->getStatusText());
  EXPECT_TRUE(manager->performanceRequest.record.mMessages.empty());
  EXPECT_EQ(0, plug->GetParam(kBankEditUnsaved)->Int());
  expectFlagsBackToNormal();
}
