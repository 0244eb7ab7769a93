// Requested sounds arriving on the MIDI input thread while the editor draws and selects slots land whole in
// the slot selected on arrival; library program changes and browsing during rescans; part tables and
// indicators shared by the MIDI, audio and worker threads. Run under ThreadSanitizer (and AddressSanitizer).
#include "KorvidTestSupport.h"

#include "DeviceClock.h"
#include "EditorLock.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "MadeBanks.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
constexpr const char* kInPort = "Blofeld In";
constexpr const char* kOutPort = "Blofeld Out";
constexpr int kRounds = 150;
// The numbers of the made sounds that arrive (the library's bank holds 0 .. 127).
constexpr int kFirstRound = 5000;

class IncomingSysexThreads : public StartupFixture
{
protected:
  IncomingSysexThreads() { useResources(pluginFolder()); }

  // A library with one bank of 128 sounds.
  void writeSoundBank()
  {
    createLibrary();
    const Bytes bank = madeBank(0, PatchFile::kBankSize);
    home.writeFile("Patches/Bank.syx", std::string(bank.begin(), bank.end()));
  }

  // Input port open (output too if asked); part p on channel p; every message class let in, none passed on.
  std::unique_ptr<Korvid> constructListening(bool output)
  {
    midi->setInputPorts({kInPort});
    midi->setOutputPorts({kOutPort});
    auto plug = construct();
    // The input first: choosing the output then starts the device-id probe and waits for its end.
    plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(1.0));
    if (output)
      chooseOutputPort(*plug, 1);
    plug->DisplayProcessingIndicator(false);
    for (int p = 0; p < Korvid::kPartCount; ++p)
      plug->GetParam(kMultiPartMIDICh + p)->Set(p + 2.0);
    plug->GetParam(kGlobalMidiChannel)->Set(0.0);
    for (auto& blocked : plug->mHardwareInputBlocked)
      blocked = false;
    plug->mLocalControl = true;
    plug->mMasterKeyboard = false;
    return plug;
  }
};

TEST_F(IncomingSysexThreads, DumpsArrivingOnTheMidiThreadAreStoredOnTheEditorsSideOfItsLock)
{
  writeSoundBank();
  midi->setInputPorts({kInPort});
  auto plug = construct();
  plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(1.0));
  auto* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  ASSERT_NE(surface, nullptr);
  LibrarianViewControl* view = plug->mLibrarianView;
  ASSERT_NE(view, nullptr);
  PatchLibrarian& librarian = *plug->mPatchLibrarian;
  ASSERT_EQ(librarian.mSoundBanks.size(), 1u);
  PatchFile& bank = *librarian.mSoundBanks[0];

  std::atomic<int> stored{0};
  std::thread midiInput(
      [&]()
      {
        for (int round = 0; round < kRounds; ++round)
        {
          plug->SetLibrarianRequestActive(true);
          midi->inject(kInPort, madeSound(kFirstRound + round));
          if (plug->mMIDIMessageManager->dataReceived.load())
          {
            ++stored;
          }
        }
      });
  std::thread editor(
      [&]()
      {
        for (int round = 0; round < kRounds; ++round)
        {
          {
            // The user selects a slot; the view reloads its pane from the bank and draws it.
            EditorLockGuard guard;
            librarian.mSelectedUpperSlot = round % PatchFile::kBankSize;
            view->selectedUpper = librarian.mSelectedUpperSlot;
            view->patchSelectionUpperChanged();
            for (const LibrarianPatch& record : bank.mRecords)
            {
              EXPECT_EQ(record.mMessages.size(), 1u);
            }
          }
          surface->Tick();
        }
      });
  midiInput.join();
  editor.join();

  EXPECT_EQ(stored.load(), kRounds);
  EditorLockGuard guard;
  ASSERT_EQ(bank.mRecords.size(), 128u);
  int rounds = 0;
  for (const LibrarianPatch& record : bank.mRecords)
  {
    ASSERT_EQ(record.mMessages.size(), 1u);
    const std::string& name = record.mName;
    const std::string prefix = "Made Sound ";
    if (name.rfind(prefix, 0) == 0 && std::atoi(name.c_str() + prefix.size()) >= kFirstRound)
    {
      ++rounds;
      // The record and its dump belong together.
      EXPECT_EQ(name, std::string(record.mMessages[0].mData.begin() + SoundDumpLayout::kNameOffset,
                                  record.mMessages[0].mData.begin() + SoundDumpLayout::kNameOffset +
                                      SoundDumpLayout::kNameLength));
    }
  }
  EXPECT_GT(rounds, 0);
}

TEST_F(IncomingSysexThreads, LibraryProgramChangesFindTheBankWholeWhileTheLibraryIsRescanned)
{
  constexpr int kRescans = 20;
  writeSoundBank();
  auto plug = constructListening(false);
  plug->GetParam(kControlLibrary)->Set(1.0);
  auto* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  ASSERT_NE(surface, nullptr);

  std::atomic<bool> rescanning{true};
  std::vector<std::string> texts;
  std::thread midiInput(
      [&]()
      {
        for (int round = 0; rescanning.load() || round < kRounds; ++round)
        {
          midi->inject(kInPort, {0xC0, static_cast<unsigned char>(round % PatchFile::kBankSize)});
          texts.push_back(plug->getStatusText());
        }
      });
  std::thread editor(
      [&]()
      {
        for (int rescan = 0; rescan < kRescans; ++rescan)
        {
          {
            EditorLockGuard guard; // as the main menu's "Refresh Folders" does it
            plug->rescanFolders();
          }
          surface->Tick();
        }
        rescanning = false;
      });
  editor.join();
  midiInput.join();

  // Each program change found its slot filled (no output port, nothing goes out): never a bank half read.
  // A rescan that ended between the change and the read says its own outcome.
  ASSERT_GE(texts.size(), static_cast<size_t>(kRounds));
  for (const std::string& text : texts)
    ASSERT_TRUE(text == "Set MIDI I/O First!" || text == "Folders rescanned") << text;
  EXPECT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), 1u);
}

TEST_F(IncomingSysexThreads, ACancelledLibraryRequestRescansWhileTheEditorBrowsesTheBank)
{
  constexpr int kRequests = 10;
  writeSoundBank();
  DeviceClock fastClock{DeviceClock::Mode::Scaled, 0.01}; // outlives the editor; pauses pass quickly
  auto plug = constructListening(true);
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  manager.setClock(&fastClock);
  LibrarianViewControl* view = plug->mLibrarianView;
  ASSERT_NE(view, nullptr);

  std::atomic<bool> requesting{true};
  std::thread editor(
      [&]()
      {
        while (requesting.load())
        {
          {
            EditorLockGuard guard; // the user browses the upper bank: the pane reloads and reads its records
            view->patchSelectionUpperChanged();
            const PatchFile* bank = LibrarianViewControl::bankOfPane(
                plug->mPatchLibrarian, LibrarianViewControl::kUpperPane, false, false);
            ASSERT_NE(bank, nullptr);
            for (const LibrarianPatch& record : bank->mRecords)
              EXPECT_EQ(record.mMessages.size(), 1u);
          }
          std::this_thread::yield();
        }
      });
  for (int request = 0; request < kRequests; ++request)
  {
    // A library request the synthesizer leaves unanswered, cancelled: the job rescans the library.
    JobArguments args;
    args.jobCode = MIDIMessageSender::kJobRequestPart;
    args.toEditor = false;
    // A failed assertion here would leave the editor's thread running.
    if (!manager.post(args))
    {
      ADD_FAILURE() << "request " << request << " not posted";
      break;
    }
    EXPECT_TRUE(waitUntil([&] { return (manager.sender->cancel = true) && !plug->ThreadRunning(); }));
    EXPECT_EQ(plug->getStatusText(), MIDIMessageSender::kTextCancelled);
  }
  requesting = false;
  editor.join();
  manager.setClock(nullptr);
  EXPECT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), 1u);
}

TEST_F(IncomingSysexThreads, PartTablesAndIndicatorsAreSharedByTheMidiAudioAndWorkerThreads)
{
  auto plug = constructListening(true);
  plug->GetParam(kGlobalRxProgramChange)->Set(0.0);
  plug->mIndicatorsTrackIncoming = true;
  std::atomic<bool> receiving{true};

  std::thread midiInput(
      [&]()
      {
        for (int round = 0; round < kRounds; ++round)
        {
          const auto channel = static_cast<unsigned char>(round % Korvid::kPartCount);
          const auto program = static_cast<unsigned char>(round / Korvid::kPartCount);
          midi->inject(kInPort, {static_cast<unsigned char>(0xC0 | channel), program});
          midi->inject(kInPort, {static_cast<unsigned char>(0x90 | channel), 60, 100});
        }
        receiving = false;
      });
  // The audio thread switches the indicators off; a job reads the tables for a multi dump.
  const auto processBlock = [&plug]()
  {
    std::vector<double> buffer(64, 0.0);
    double* channels[2] = {buffer.data(), buffer.data()};
    plug->GetAEffect()->processDoubleReplacing(plug->GetAEffect(), channels, channels, 64);
  };
  std::thread audio(
      [&]()
      {
        while (receiving.load())
          processBlock();
      });
  std::thread job(
      [&]()
      {
        while (receiving.load())
          EXPECT_EQ(plug->mPartBankTable.values().size(), plug->mPartProgramTable.values().size());
      });
  // The editor opens the port selectors' menus meanwhile: their lists are read again.
  std::thread editor(
      [&]()
      {
        while (receiving.load())
          for (int selector : {kDeviceInSelection, kDeviceOutSelection})
            plug->OnParamMenuOpening(selector);
      });
  midiInput.join();
  audio.join();
  job.join();
  editor.join();

  // Each part's entry holds the program that came last on its channel.
  for (int p = 0; p < Korvid::kPartCount; ++p)
    EXPECT_EQ(plug->mPartProgramTable[static_cast<size_t>(p)], (kRounds - 1 - p) / Korvid::kPartCount) << p;
  // Every indicator lit was stamped with its time: all go off once 100 ms have passed.
  EXPECT_TRUE(waitUntil(
      [&]()
      {
        processBlock();
        const std::vector<int> lit = plug->mIndicatorState.values();
        return std::count(lit.begin(), lit.end(), 0) == Korvid::kPartCount;
      }));
}
} // namespace
