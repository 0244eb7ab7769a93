// Requested sounds arriving on the MIDI input thread while the editor draws the slot view and the user
// selects slots: run under ThreadSanitizer; every record lands whole in the slot selected when it arrived.
#include "KorvidTestSupport.h"

#include "EditorLock.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "MadeBanks.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
constexpr const char* kInPort = "Blofeld In";
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
} // namespace
