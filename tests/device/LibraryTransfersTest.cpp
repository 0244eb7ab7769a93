// Jobs 3 and 4: library records into a part, into the synthesizer's memory, and a whole bank, against the
// simulated synthesizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

#include "BlofeldSimulator.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"
#include "LibrarianPatch.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchFile.h"
#include "PatchLibrarian.h"
#include "SimulatedDeviceFixture.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

using DeviceTestSupport::Bytes;
using P = SysexProtocol;
using S = MIDIMessageSender;

namespace
{
constexpr int kDeviceId = 5;

class LibraryTransfersTest : public SimulatedDeviceFixture
{
protected:
  void SetUp() override { sounds = DeviceTestSupport::madeSounds(128); }

  void start(DeviceClock::Mode mode, double scale = 1.0, PatchLibrarian* librarian = nullptr)
  {
    SimulatedDeviceFixture::start(mode, scale, kDeviceId, librarian);
    plug->mDeviceId = kDeviceId;
    set(kGlobalSysExID, kDeviceId);
    for (int part = 0; part < 16; ++part)
    {
      set(kMultiPartMIDICh + part, part + 2);
      set(kMultiPartStatus + part, 0);
    }
    set(kGlobalMidiChannel, 1);
    set(kLibSyncTimer, 0);
  }

  void set(int paramIdx, double value) { plug->GetParam(paramIdx)->Set(value); }

  // A library record as the librarian keeps a file's dump: device id 0, the bank and program bytes of the
  // file, the checksum as stored.
  static LibrarianPatch record(const Bytes& dump)
  {
    LibrarianPatch patch;
    PatchSysexMessage message;
    message.mData = dump;
    patch.mMessages.push_back(message);
    return patch;
  }

  // What the synthesizer must hold after dump was stored as (bank, program) for device kDeviceId: the
  // header rewritten and the checksum the sum of the data bytes.
  static Bytes storedForm(Bytes dump, int type, int bank, int program)
  {
    dump[3] = kDeviceId;
    dump[4] = static_cast<unsigned char>(type);
    dump[5] = static_cast<unsigned char>(bank);
    dump[6] = static_cast<unsigned char>(program);
    unsigned sum = 0;
    for (size_t i = 7; i + 2 < dump.size(); ++i)
      sum += dump[i];
    dump[dump.size() - 2] = static_cast<unsigned char>(sum & 0x7F);
    return dump;
  }

  // The sound data bytes of a and b agree (the bytes the editor sets and sends; fixed bytes aside).
  static void expectSameSound(const Bytes& a, const Bytes& b)
  {
    ASSERT_EQ(a.size(), b.size());
    for (int i = SoundDumpLayout::kFirstParameterByte; i <= SoundDumpLayout::kCategoryOffset; ++i)
    {
      if (!SoundDumpLayout::isFixedByte(i))
      {
        ASSERT_EQ(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)]) << "byte " << i;
      }
    }
  }

  // Posts job 3 as the library's send does: a copy of the record, send-running set.
  bool postRecord(const LibrarianPatch& patch, int part, int slot)
  {
    JobArguments args;
    args.jobCode = S::kJobSendLibraryPatch;
    args.record = std::make_shared<LibrarianPatch>(patch);
    args.part = part;
    args.slotIndex = slot;
    return manager->post(args, [this] { manager->sendRunning = true; });
  }

  void finish()
  {
    ASSERT_TRUE(waitIdle());
    simulator->drain();
  }

  int sysexCount()
  {
    int n = 0;
    for (const Bytes& m : simulator->received())
      n += m.size() > 10 && m[0] == P::kSysexStart ? 1 : 0;
    return n;
  }

  std::vector<Bytes> sounds;
  // The library a test gives the plug-in (freed after the plug-in, in TearDown's order).
  std::unique_ptr<PatchLibrarian> library;
};
} // namespace

TEST_F(LibraryTransfersTest, JobThreeLoadsTheRecordIntoItsPartAndStoresItWhenAsked)
{
  const int part = 2;
  const int slot = 9;
  const int bank = 1;
  // The output refusing every send: the editor takes the record, nothing is said sent. One giving the dump up
  // after the line said it sent: the line says so.
  for (const auto& [store, refused, lost] :
       {std::tuple{false, false, false}, {true, false, false}, {false, true, false}, {false, false, true}})
  {
    SCOPED_TRACE(std::to_string(store) + std::to_string(refused) + std::to_string(lost));
    start(DeviceClock::Mode::Virtual);
    simulator->refuseSendsAfter(refused ? 0 : -1);
    simulator->giveUpDumps(lost ? 1 : 0, true);
    set(kMultiPartBank + part, bank);
    const Bytes source = sounds[40];
    Bytes partNine(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(slot, partNine.data());
    const Bytes storedBefore = simulator->sound(bank, slot);

    manager->storeToMemory = store;
    ASSERT_TRUE(postRecord(record(source), part, slot));
    finish();
    // The job clears the flag at its end.
    EXPECT_FALSE(manager->storeToMemory.load());

    // The editor holds the record in the part, and only there: part 9 (the slot's number) is untouched.
    expectPartHolds(part, source);
    Bytes partNineAfter(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(slot, partNineAfter.data());
    EXPECT_EQ(partNine, partNineAfter);
    EXPECT_EQ(plug->GetParam(kMultiPartPatch + part)->Int(), slot);
    // The part's edit buffer got the sound after the program change that selected the slot.
    if (!refused)
      expectSameSound(simulator->editBuffer(part), source);
    EXPECT_EQ(simulator->sound(bank, slot), store ? storedForm(source, 0x10, bank, slot) : storedBefore);
    EXPECT_EQ(plug->getStatusText(),
              store     ? "Data write completed!"
              : refused ? S::kTextSlotNotSent
                        : std::string("Slot 010 sent to part 3") + (lost ? ", may not have arrived" : ""));
    EXPECT_EQ(plug->getStatusDetail(), store ? "Slot 010 written to B010" : "");
    EXPECT_FALSE(plug->mProcessingOverlay.load());
    EXPECT_FALSE(manager->sendRunning.load());
    TearDown();
  }
}

TEST_F(LibraryTransfersTest, JobThreeStoresAMultiIntoTheMultiMemory)
{
  start(DeviceClock::Mode::Virtual);
  plug->mMultiMode = true;
  Bytes multi = simulator->multiEditBuffer();
  for (size_t i = 7; i < 23; ++i)
    multi[i] = static_cast<unsigned char>('a' + i);
  multi[3] = 0;
  manager->storeToMemory = true;
  ASSERT_TRUE(postRecord(record(multi), 0, 33));
  finish();
  EXPECT_EQ(simulator->multi(33), storedForm(multi, 0x11, 0, 33));
  EXPECT_EQ(plug->GetParam(kMultiPatch)->Int(), 33);
  // The multi went out from the editor as well.
  EXPECT_EQ(simulator->multiEditBuffer()[P::kBankOffset], P::kEditBufferBank);
}

TEST_F(LibraryTransfersTest, JobThreeRefusesRecordsThatAreNoWholeDump)
{
  start(DeviceClock::Mode::Virtual);
  const Bytes good = sounds[3];
  Bytes longer = good;
  longer.insert(longer.begin() + 200, 0x01);
  Bytes foreignModel = good;
  foreignModel[2] = 0x10;
  Bytes multiType = good;
  multiType[4] = 0x11;
  Bytes statusInside = good;
  statusInside[100] = 0x90;
  Bytes noEnd = good;
  noEnd.back() = 0x00;
  struct Row
  {
    Bytes dump;
    int part;
    int slot;
  };
  const Row rows[] = {{longer, 4, 10},       {foreignModel, 4, 10}, {multiType, 4, 10},
                      {statusInside, 4, 10}, {noEnd, 4, 10},        {Bytes{}, 4, 10},
                      {good, 16, 0},         {good, 0, 128},        {good, -1, 0}};
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.dump.size());
    const size_t messages = simulator->received().size();
    manager->storeToMemory = true;
    ASSERT_TRUE(postRecord(row.dump.empty() ? LibrarianPatch() : record(row.dump), row.part, row.slot));
    finish();
    EXPECT_EQ(plug->getStatusText(), S::kTextInvalidRecord);
    EXPECT_EQ(simulator->received().size(), messages);
    EXPECT_FALSE(plug->mProcessingOverlay.load());
    EXPECT_FALSE(manager->storeToMemory.load());
  }
}

TEST_F(LibraryTransfersTest, JobThreeSendsTheCopyTakenWhenItWasPostedThoughTheBankIsGone)
{
  // A library of one bank; the job waits for a bank change queued before it, long enough for a rescan to
  // free the bank.
  library = std::make_unique<PatchLibrarian>();
  auto* bank = new PatchFile();
  for (int slot = 0; slot < 128; ++slot)
    bank->mRecords.push_back(record(sounds[static_cast<size_t>(slot)]));
  library->mSoundBanks.push_back(bank);
  start(DeviceClock::Mode::Scaled, 1.0, library.get());
  set(kMultiPartPatch + 1, 5);
  ASSERT_TRUE(plug->BankChangeMessage(1));
  ASSERT_TRUE(plug->sendPatchToDeviceFromLibrarian(60, 0, 6));
  delete library->mSoundBanks.front();
  library->mSoundBanks.clear();
  finish();
  expectSameSound(simulator->editBuffer(6), sounds[60]);
}

TEST_F(LibraryTransfersTest, JobFourWritesTheBankIntoMemoryAndEndsWithTheCount)
{
  struct Row
  {
    const char* what;
    int size; // records in the bank
    int startSlot;
    int emptyAt;   // a record without a dump, or -1
    int invalidAt; // a record that is no whole dump, or -1
    int written;
    int refusedAt = -1;     // the slot whose send the output refuses, or -1
    bool unplugged = false; // the port goes away once the job has ended
    int givenUp = 0;        // dumps the output wrote and then gave up on after late cycles
  };
  const Row rows[] = {
      {"a short bank", 5, 0, -1, -1, 5},
      {"from slot 100 of a whole bank", 128, 100, -1, -1, 28},
      {"up to an empty slot", 10, 0, 3, -1, 3},
      {"past a broken record", 6, 0, -1, 2, 5},
      {"a start slot beyond the bank", 128, 200, -1, -1, 0},
      {"up to a dump the output refused", 128, 0, -1, -1, 61, 61},
      {"up to a dump refused as the port went away", 128, 0, -1, -1, 36, 36, true},
      {"with dumps given up on after late cycles", 128, 0, -1, -1, 128, -1, false, 2},
  };
  const int bank = 4;
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.what);
    start(DeviceClock::Mode::Virtual);
    auto records = std::make_shared<std::vector<LibrarianPatch>>();
    for (int i = 0; i < row.size; ++i)
    {
      records->push_back(i == row.emptyAt ? LibrarianPatch() : record(sounds[static_cast<size_t>(i)]));
      if (i == row.invalidAt)
        records->back().mMessages.front().mData.resize(391);
    }
    const Bytes init = simulator->sound(bank, 127);
    simulator->refuseSendsAfter(row.refusedAt);
    simulator->giveUpDumps(static_cast<uint64_t>(row.givenUp));
    JobArguments args;
    args.jobCode = S::kJobStoreAllLibraryPatches;
    args.startSlot = row.startSlot;
    args.bankByte = bank;
    args.bankRecords = records;
    ASSERT_TRUE(manager->post(args, [&] { manager->sendRunning = true; }));
    finish();
    if (row.unplugged)
    {
      simulator->unplug();
      plug->rereadExternalMIDIOutNames();
      plug->takeLostPorts();
    }

    for (int program = 0; program < 128; ++program)
    {
      const int slot = row.startSlot + program;
      const bool written = slot < row.size && (row.emptyAt < 0 || slot < row.emptyAt) &&
                           slot != row.invalidAt && (row.refusedAt < 0 || slot < row.refusedAt);
      const Bytes expected =
          written ? storedForm(sounds[static_cast<size_t>(slot)], 0x10, bank, program) : init;
      ASSERT_EQ(simulator->sound(bank, program), expected) << "program " << program;
    }
    // Every slot counted arrived; the end text is the manual's (beside a later loss); the count on line 2.
    const std::vector<Bytes> arrived = simulator->received();
    EXPECT_EQ(std::count_if(arrived.begin(), arrived.end(),
                            [](const Bytes& m) { return m.size() > 4 && m[4] == SysexProtocol::kSoundDump; }),
              row.written);
    const char* end = row.refusedAt >= 0 ? S::kTextWriteFailed
                                         : (row.givenUp > 0 ? S::kTextWriteLate : "Data write completed!");
    EXPECT_EQ(plug->getStatusText(), std::string(row.unplugged ? "MIDI OUT lost - " : "") + end);
    EXPECT_EQ(plug->getStatusDetail(), S::writeCountText(row.written, true, row.givenUp));
    EXPECT_FALSE(plug->mProcessingOverlay.load());
    EXPECT_FALSE(manager->sendRunning.load());
    EXPECT_FALSE(manager->storeToMemory.load());
    TearDown();
  }
}

TEST_F(LibraryTransfersTest, JobFourCancelledInTheMiddleKeepsWhatItWroteAndSaysHowMuch)
{
  // Real pauses of 10 ms per slot: a cancel lands in the middle.
  start(DeviceClock::Mode::Scaled, 0.2);
  auto records = std::make_shared<std::vector<LibrarianPatch>>();
  for (int i = 0; i < 128; ++i)
    records->push_back(record(sounds[static_cast<size_t>(i)]));
  const Bytes init = simulator->sound(2, 127);
  JobArguments args;
  args.jobCode = S::kJobStoreAllLibraryPatches;
  args.bankByte = 2;
  args.bankRecords = records;
  ASSERT_TRUE(manager->post(args, [&] { manager->sendRunning = true; }));
  while (sysexCount() < 40 && manager->isRunning(MIDIMessageManager::Thread::SysexJob))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  manager->sender->cancel = true;
  finish();

  int written = 0;
  while (written < 128 && simulator->sound(2, written) != init)
    ++written;
  EXPECT_GE(written, 40);
  EXPECT_LT(written, 128);
  for (int program = 0; program < 128; ++program)
  {
    const Bytes expected =
        program < written ? storedForm(sounds[static_cast<size_t>(program)], 0x10, 2, program) : init;
    ASSERT_EQ(simulator->sound(2, program), expected) << "program " << program;
  }
  EXPECT_EQ(plug->getStatusText(), "Data write CANCELLED!");
  EXPECT_EQ(plug->getStatusDetail(), S::writeCountText(written));
  EXPECT_FALSE(plug->mProcessingOverlay.load());
}

TEST(LibraryTransfersTexts, ProgressRunsFromZeroToNinetyNineAndTheEndSaysHowManySlots)
{
  EXPECT_EQ(S::writeProgressText(0), "Writing 0%, please wait..");
  EXPECT_EQ(S::writeProgressText(64), "Writing 50%, please wait..");
  EXPECT_EQ(S::writeProgressText(127), "Writing 99%, please wait..");
  EXPECT_EQ(S::writeCountText(128), "128 slots written");
  EXPECT_EQ(S::writeCountText(1), "1 slot written");
  EXPECT_EQ(S::arrivalText("Multi sent to synth", 2, 5),
            "Multi sent to synth, 2 of 5 dumps may not have arrived");
  EXPECT_EQ(S::arrivalText("Multi sent to synth", std::nullopt, 5), "Multi sent to synth, unconfirmed");
}
