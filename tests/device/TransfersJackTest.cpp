// End to end over real ports: a library bank stored into the simulated synthesizer's memory on a JACK server
// (beside notes from the host, across a frozen server: the count said is the count that arrived) comes back
// identical when the plug-in requests the bank.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AudioThread.h"
#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "DeviceClock.h"
#include "DeviceJackSupport.h"
#include "DeviceTestSupport.h"
#include "LibrarianPatch.h"
#include "MIDIMessageManager.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "SharedData.h"
#include "SysexProtocol.h"
#include "TempDataHome.h"

using DeviceTestSupport::Bytes;
using namespace std::chrono_literals;
using DeviceJackSupport::jackOnly;
using DeviceJackSupport::waitIdle;
using P = SysexProtocol;

namespace
{
// The plug-in, keeping every sound dump that reaches its sysex input (the replies to the bank request).
class RecordingKorvid : public Korvid
{
public:
  RecordingKorvid() : Korvid(IPlugInstanceInfo{})
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->InitEnum("", 0, 128);
  }
  void ProcessSysEx(ISysEx* msg, bool fromDevice) override
  {
    if (msg && msg->mData && P::isSoundDump(msg->mData, msg->mSize))
    {
      std::lock_guard<std::mutex> lock(mLock);
      mDumps.emplace_back(msg->mData, msg->mData + msg->mSize);
    }
    Korvid::ProcessSysEx(msg, fromDevice);
  }
  std::vector<Bytes> dumps()
  {
    std::lock_guard<std::mutex> lock(mLock);
    return mDumps;
  }

private:
  std::mutex mLock;
  std::vector<Bytes> mDumps;
};
} // namespace

TEST(TransfersJackTest, ABankStoredFromTheLibraryComesBackIdenticalThroughABankRequest)
{
  KORVID_REQUIRE_SHARED_BANKS();
  const std::vector<Bytes> factory = DeviceTestSupport::factorySounds();
  ASSERT_GE(factory.size(), 256u);
  TempDataHome dataHome;
  std::string error;
  MidiJackServer* server = MidiJackEnvironment::server(&error);
  ASSERT_TRUE(server) << "JACK server did not start: " << error;
  MidiJackSynth client;
  ASSERT_TRUE(client.open(server->name(), "korvid-blofeld-sim", error)) << error;

  // The library's bank: the factory set's second hundred and twenty-eight sounds, as read from the file.
  auto bank = std::make_shared<std::vector<LibrarianPatch>>();
  for (size_t i = 128; i < 256; ++i)
  {
    LibrarianPatch record;
    record.mMessages.emplace_back();
    record.mMessages.back().mData = factory[i];
    bank->push_back(record);
  }
  constexpr int kBank = 6;
  BlofeldSimulator simulator(0);
  {
    BlofeldSimulatorJack link(simulator, client);
    IMidiPorts::SetBackendFactory(&jackOnly);
    PatchManager patchManager(nullptr);
    // The bank request stores what comes back in the library's open bank, slot by slot.
    PatchLibrarian librarian;
    DeviceTestSupport::openUpperBanks(librarian);
    // A fifth of real time for the store: 10 ms between the stored slots. The request in real time, as the
    // synthesizer sees it: a reply may take 30 polls of 50 ms, which a loaded machine's JACK server needs at
    // times; a fifth of that is too short for it. Both outlive the plug-in's jobs.
    DeviceClock clock(DeviceClock::Mode::Scaled, 0.2);
    DeviceClock realTime(DeviceClock::Mode::Real);
    auto plug = std::make_unique<RecordingKorvid>();
    plug->initDeviceCommunication(&patchManager, &librarian);
    ASSERT_TRUE(DeviceJackSupport::connectTo(*plug, client));
    plug->GetParam(kLibSyncTimer)->Set(0);
    MIDIMessageManager* manager = plug->mMIDIMessageManager;
    manager->setClock(&clock);

    // The store counts as written what arrived at the synthesizer's port: whole with the host playing notes
    // through the plug-in (its audio thread), and, with the server frozen for 3 s in the middle, either
    // whole or with the count said equal to the count that arrived.
    struct Row
    {
      const char* name;
      bool hostPlays;
      bool freeze;
    };
    for (const Row& row : {Row{"while the host plays notes", true, false},
                           Row{"across a frozen server", true, true}, Row{"alone", false, false}})
    {
      SCOPED_TRACE(row.name);
      // Not cleared: the simulator's pump counts what it took.
      const size_t before = client.waitReceived(0, 0ms).size();
      std::atomic<bool> storing{true};
      std::thread host(
          [&]
          {
            for (int n = 0; row.hostPlays && storing.load(); ++n)
            {
              AudioThread::Scope pass;
              IMidiMsg note(0, n % 2 ? 0x80 : 0x90, 60, 100);
              plug->SendMidiMsg(&note);
              std::this_thread::sleep_for(5ms);
            }
          });
      std::thread freezer(
          [&]
          {
            std::this_thread::sleep_for(row.freeze ? 1500ms : 0ms);
            row.freeze ? server->pause() : void();
            std::this_thread::sleep_for(row.freeze ? 3s : 0s);
            server->resume();
          });
      JobArguments store;
      store.jobCode = MIDIMessageSender::kJobStoreAllLibraryPatches;
      store.bankByte = kBank;
      store.bankRecords = bank;
      ASSERT_TRUE(manager->post(store, [&] { manager->sendRunning = true; }));
      const bool idle = waitIdle(manager, 60s);
      storing = false;
      host.join();
      freezer.join();
      ASSERT_TRUE(idle);
      // A dump counts as written once a JACK cycle wrote it: by now all are on their way to the test's side.
      std::this_thread::sleep_for(1s);
      // Slots, not messages: a dump written again after a late cycle may arrive twice.
      const std::vector<Bytes> arrived = client.waitReceived(0, 0ms);
      std::set<unsigned char> slots;
      for (auto m = arrived.begin() + static_cast<std::ptrdiff_t>(before); m != arrived.end(); ++m)
        if (m->size() > P::kProgramOffset && (*m)[P::kTypeOffset] == P::kSoundDump)
          slots.insert((*m)[P::kProgramOffset]);
      const int dumps = static_cast<int>(slots.size());
      // Every slot that arrived is counted. Completed only when all arrived; a store that arrived whole is
      // never said failed (a dump given up on after late cycles went out and may have arrived).
      const std::string detail = plug->getStatusDetail();
      EXPECT_GE(std::atoi(detail.c_str()), dumps) << detail;
      const std::string end = plug->getStatusText();
      EXPECT_EQ(end == MIDIMessageSender::kTextWriteCompleted,
                dumps == 128 && detail == MIDIMessageSender::writeCountText(128))
          << end << "; " << detail;
      EXPECT_TRUE(dumps < 128 || end != MIDIMessageSender::kTextWriteFailed) << detail;
      if (!row.freeze)
      {
        EXPECT_EQ(dumps, 128);
      }
    }

    manager->setClock(&realTime);
    manager->sendAllPatchRequestSysexFromLibrarian(kBank);
    ASSERT_TRUE(waitIdle(manager, 120s));
    EXPECT_FALSE(manager->sender->failed.load()) << plug->getStatusText();

    const std::vector<Bytes> replies = plug->dumps();
    ASSERT_EQ(replies.size(), 128u);
    for (int program = 0; program < 128; ++program)
    {
      const Bytes& sent = (*bank)[static_cast<size_t>(program)].mMessages.front().mData;
      const Bytes& back = replies[static_cast<size_t>(program)];
      EXPECT_EQ(back[P::kBankOffset], kBank);
      EXPECT_EQ(back[P::kProgramOffset], program);
      // Every data byte and the checksum over them: the sound is the library's, byte for byte.
      ASSERT_TRUE(std::equal(sent.begin() + P::kChecksumFirstByte, sent.end() - 2,
                             back.begin() + P::kChecksumFirstByte))
          << "program " << program;
      EXPECT_EQ(back[back.size() - 2], P::checksum(sent.data(), static_cast<int>(sent.size()),
                                                   P::kChecksumFirstByte, static_cast<int>(sent.size()) - 3));
    }
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
  }
  client.close();
}
