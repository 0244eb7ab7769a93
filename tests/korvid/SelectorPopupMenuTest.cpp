// The program and bank selectors on the real editor with a generated library: their entries by mode and what
// each choice sets, sends and requests, in library-control mode too.
#include "GeneratedLibrary.h"

#include "BankNumberPopupMenu.h"
#include "IPopupMenu.h"
#include "MIDIMessageSender.h"
#include "ProgramNumberPopupMenu.h"

#include <thread>

using namespace korvidtest;

namespace
{
constexpr int kPart = 2;
constexpr int kJobNone = -1;

int tickedItem(const IPopupMenu& menu)
{
  for (int i = 0; i < menu.GetNItems(); ++i)
  {
    if (menu.GetItem(i)->GetChecked())
    {
      return i;
    }
  }
  return -1;
}

class Selectors : public GeneratedLibraryFixture
{
protected:
  // The editor on part kPart with an output port, in sound or multi mode, with program requests on or off
  // and the program area following the library or not.
  std::unique_ptr<Korvid> build(bool multis, bool programRequests, bool library)
  {
    auto plug = constructRecording();
    plug->SetParameterFromGUI(kDatatype, multis ? 1.0 : 0.0);
    plug->SetParameterFromGUI(kQuickTab, plug->GetParam(kQuickTab)->GetNormalized(kPart));
    plug->mOutputPresent = true;
    // A multi's bank change goes out on the global channel, which must be a single one.
    plug->GetParam(kGlobalMidiChannel)->Set(1.0);
    plug->mProgramChangeControlsBank = programRequests;
    plug->GetParam(kControlLibrary)->Set(library ? 1.0 : 0.0);
    posted.clear();
    return plug;
  }
};

struct EntriesCase
{
  const char* name;
  bool multis;
  bool library;
  int bank;
  int program;
  std::vector<std::string> bankItems;
  int bankTick;
  std::string firstProgram;
  int programSubMenu;
  int programTick;
};

TEST_F(Selectors, TheEntriesFollowTheModeAndTickTheBankAndProgram)
{
  const std::vector<std::string> banks = {"Bank A (RAM)", "Bank B (RAM)", "Bank C (RAM)", "Bank D (RAM)",
                                          "Bank E (RAM)", "Bank F (RAM)", "Bank G (RAM)", "Bank H (RAM)"};
  const EntriesCase cases[] = {
      {"sounds", false, false, 2, 0, banks, 2, "Sound 001", 0, 0},
      {"last program", false, false, 7, 127, banks, 7, "Sound 001", 12, 7},
      {"a recalled bank beyond H", false, false, 9, 14, banks, -1, "Sound 001", 1, 4},
      {"multis", true, false, 0, 5, {"Bank 0 (RAM)"}, -1, "Sound 001", 0, 5},
      {"library control", false, true, 0, 23, banks, 0, "LEAD 1", 2, 3},
  };
  for (const EntriesCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = build(c.multis, false, c.library);
    BankNumberPopupMenu* bank = plug->mBankNumberPopupMenu;
    ProgramNumberPopupMenu* program = plug->mProgramNumberPopupMenu;
    EXPECT_EQ(bank->refreshPatchNames(plug->mPatchLibrarian, plug.get(), c.bank), !c.multis);
    EXPECT_TRUE(program->refreshPatchNames(plug->mPatchLibrarian, plug.get(), c.program));
    EXPECT_EQ(itemTexts(bank->getMenu()), c.bankItems);
    EXPECT_EQ(tickedItem(bank->getMenu()), c.bankTick);
    EXPECT_EQ(itemTexts(program->getMenu()),
              (std::vector<std::string>{"01-10", "11-20", "21-30", "31-40", "41-50", "51-60", "61-70",
                                        "71-80", "81-90", "91-100", "101-110", "111-120", "121-128"}));
    EXPECT_EQ(program->getSubMenu(0)->GetNItems(), 10);
    EXPECT_EQ(program->getSubMenu(12)->GetNItems(), 8);
    EXPECT_EQ(itemTexts(*program->getSubMenu(0))[0], c.firstProgram);
    EXPECT_EQ(itemTexts(*program->getSubMenu(12))[7], c.library ? "LEAD 128" : "Sound 128");
    for (int k = 0; k < ProgramNumberPopupMenu::kSubMenuCount; ++k)
    {
      EXPECT_EQ(tickedItem(*program->getSubMenu(k)), k == c.programSubMenu ? c.programTick : -1);
    }
  }
}

struct ChoiceCase
{
  const char* name;
  bool multis;
  bool programRequests;
  bool bankMenu;
  std::vector<int> path;
  int paramIdx;
  int before;
  int after;
  int job;
  bool toEditor;
};

TEST_F(Selectors, AChoiceSetsTheNumberSendsTheBankChangeAndThenRequestsOrSends)
{
  const int partBank = kMultiPartBank + kPart;
  const int partProgram = kMultiPartPatch + kPart;
  const ChoiceCase cases[] = {
      {"bank, request", false, true, true, {2}, partBank, 0, 2, MIDIMessageSender::kJobRequestPart, true},
      {"bank, send", false, false, true, {3}, partBank, 0, 3, MIDIMessageSender::kJobSendPart, false},
      {"bank of a multi", true, true, true, {0}, kMultiBank, 0, 0, kJobNone, false},
      {"bank dismissed", false, true, true, {-1}, partBank, 5, 5, kJobNone, false},
      {"program 15, request",
       false,
       true,
       false,
       {1, 4},
       partProgram,
       0,
       14,
       MIDIMessageSender::kJobRequestPart,
       true},
      {"program 128, send",
       false,
       false,
       false,
       {12, 7},
       partProgram,
       0,
       127,
       MIDIMessageSender::kJobSendPart,
       false},
      {"multi program, request",
       true,
       true,
       false,
       {0, 3},
       kMultiPatch,
       0,
       3,
       MIDIMessageSender::kJobRequestArrangement,
       true},
      {"multi program, send",
       true,
       false,
       false,
       {0, 3},
       kMultiPatch,
       0,
       3,
       MIDIMessageSender::kJobSendPart,
       false},
      {"program dismissed", false, true, false, {-1}, partProgram, 9, 9, kJobNone, false},
      // Another active part plays bank A, program 1 too: the bank change is refused and nothing follows it.
      {"program refused", false, true, false, {0, 0}, partProgram, 9, 0, kJobNone, false},
  };
  for (const ChoiceCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = build(c.multis, c.programRequests, false);
    plug->GetParam(c.paramIdx)->Set(c.before);
    if (!c.multis && std::string(c.name) != "program refused")
    {
      // A bank no other part holds, so that the bank change goes out.
      plug->GetParam(partBank)->Set(c.bankMenu ? c.before : 4);
    }
    headless(*plug)->QueueMenuPath(c.path);
    (c.bankMenu ? static_cast<IControl*>(plug->mBankNumberPopupMenu)
                : static_cast<IControl*>(plug->mProgramNumberPopupMenu))
        ->OnMouseDown(0, 0, nullptr);
    EXPECT_EQ(plug->GetParam(c.paramIdx)->Int(), c.after);
    if (c.job == kJobNone)
    {
      EXPECT_TRUE(posted.empty());
      continue;
    }
    if (posted.empty())
    {
      ADD_FAILURE() << "no job posted";
      continue;
    }
    EXPECT_EQ(posted.back().jobCode, c.job);
    EXPECT_EQ(posted.back().part, kPart);
    if (c.job != MIDIMessageSender::kJobSendPart)
    {
      EXPECT_EQ(posted.back().toEditor, c.toEditor);
    }
  }
}

TEST_F(Selectors, InLibraryControlAProgramChoiceSendsThatRecordOfTheListedUpperBank)
{
  auto plug = build(false, true, true);
  plug->mPatchLibrarian->mUpperBankIndex = kXFactoryBank;
  plug->GetParam(kPatchSelectionListUpper)->Set(kXFactoryBank);
  plug->mProgramNumberPopupMenu->refreshPatchNames(plug->mPatchLibrarian, plug.get(), 0);
  EXPECT_EQ(itemTexts(*plug->mProgramNumberPopupMenu->getSubMenu(2))[3], "XFAC 24");

  // "21-30", item 3: slot 23.
  headless(*plug)->QueueMenuPath({2, 3});
  plug->mProgramNumberPopupMenu->OnMouseDown(0, 0, nullptr);
  EXPECT_EQ(plug->mLibrarianView->selectedUpper, 23);
  EXPECT_EQ(plug->mLibrarianView->cursorSlot, 23);
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 23);
  EXPECT_EQ(plug->GetParam(kMultiPartPatch + kPart)->Int(), 23);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].jobCode, MIDIMessageSender::kJobSendLibraryPatch);
  EXPECT_EQ(posted[0].slotIndex, 23);
  EXPECT_EQ(posted[0].part, kPart);
  ASSERT_NE(posted[0].record, nullptr);
  EXPECT_EQ(trimmed(posted[0].record->mName), "XFAC 24");

  // The upper pane without a bank: nothing is selected or sent, the program stays, and the line says why.
  posted.clear();
  plug->mPatchLibrarian->mUpperBankIndex = 99;
  headless(*plug)->QueueMenuPath({0, 4});
  plug->mProgramNumberPopupMenu->OnMouseDown(0, 0, nullptr);
  EXPECT_TRUE(posted.empty());
  EXPECT_EQ(plug->mLibrarianView->selectedUpper, 23);
  EXPECT_EQ(plug->GetParam(kMultiPartPatch + kPart)->Int(), 23);
  EXPECT_EQ(plug->getStatusText(), "No bank open - nothing sent");
  // An empty slot of the bank likewise.
  plug->mPatchLibrarian->mUpperBankIndex = kXFactoryBank;
  plug->mPatchLibrarian->mSoundBanks[kXFactoryBank]->mRecords[40].mMessages.clear();
  headless(*plug)->QueueMenuPath({4, 0});
  plug->mProgramNumberPopupMenu->OnMouseDown(0, 0, nullptr);
  EXPECT_TRUE(posted.empty());
  EXPECT_EQ(plug->getStatusText(), "Slot 041 is empty - nothing sent");
}

TEST_F(Selectors, AProgramChoiceFindsItsRecordAgainWhenARequestEndsWhileTheMenuIsUp)
{
  const std::string file = patchesFolder() + "/Root Bank.syx";
  const librarian_test::Bytes generated = librarian_test::readFile(file);
  // What a request's rescan reads back while the menu is up: "ROOT 24" at picked (-1: gone), new sounds.
  for (const int picked : {23, 40, -1})
  {
    SCOPED_TRACE(picked);
    librarian_test::writeFile(file, generated);
    auto plug = build(false, true, true);
    plug->openPaneBank(LibrarianViewControl::kUpperPane, kRootBank, plug->mPatchLibrarian->mSoundBanks);
    librarian_test::Bytes readBack;
    for (int slot = 0; slot < PatchFile::kBankSize; ++slot)
      librarian_test::append(
          readBack, librarian_test::soundDump(slot == picked ? "ROOT 24" : "NEW " + std::to_string(slot), 1));
    headless(*plug)->RunWhileNextPromptShown(
        [&] { librarian_test::writeFile(file, readBack), std::thread(rescanOnWorker, plug.get()).join(); });
    headless(*plug)->QueueMenuPath({2, 3});
    plug->mProgramNumberPopupMenu->OnMouseDown(0, 0, nullptr);
    const JobArguments* sent = posted.size() == 1 ? &posted[0] : nullptr;
    EXPECT_EQ(sent ? sent->slotIndex : -1, picked);
    EXPECT_EQ(sent && sent->record ? trimmed(sent->record->mName) : plug->getStatusText(),
              picked < 0 ? "ROOT 24 is no longer in Root Bank.syx - nothing sent" : "ROOT 24");
    EXPECT_EQ(plug->GetParam(kMultiPartPatch + kPart)->Int(), picked < 0 ? 0 : picked);
    // Opened again, the menu lists the bank read back.
    headless(*plug)->QueueMenuChoice(-1);
    plug->mProgramNumberPopupMenu->OnMouseDown(0, 0, nullptr);
    EXPECT_EQ(itemTexts(*plug->mProgramNumberPopupMenu->getSubMenu(2))[3],
              picked == 23 ? "ROOT 24" : "NEW 23");
  }
}
} // namespace
