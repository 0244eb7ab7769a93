// The plug-in's librarian glue: a library record sent to a part, the slot view reloads and the selector
// layers.
#include "LibrarianGlueSupport.h"

#include "BankNumberPopupMenu.h"
#include "ControlLayer.h"
#include "IPopupMenu.h"
#include "ProgramNumberPopupMenu.h"

#include <functional>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
// All sounds off on the first part's channel (kMultiPartMIDICh 2).
const Bytes kAllSoundsOffPart1 = {0xB0, 0x7B, 0x00};

class LibrarianGlue : public LibraryEditorFixture
{
protected:
  static void set(Korvid& plug, int paramIdx, double value) { plug.GetParam(paramIdx)->Set(value); }

  // All sounds off sent to part 1 before the first dump (a store's program change follows the store).
  int allSoundsOffSent() const
  {
    const auto all = sent();
    const auto dump = std::find_if(all.begin(), all.end(), [](const Bytes& m) { return m.size() > 3; });
    return static_cast<int>(std::count(all.begin(), dump, kAllSoundsOffPart1));
  }
};

struct SendCase
{
  const char* name;
  std::function<void(Korvid&)> setUp;
  int slot;
  int pane;
  bool sent;
  const char* text;      // the line once the job, if any, has ended; before that it may still be empty
  int cursorAfter;       // the slot view's cursor afterwards (it starts at 0)
  int allSoundsOffCount; // all sounds off sent to part 1
};

TEST_F(LibrarianGlue, ASendSaysWhyNothingWasSent)
{
  const auto none = [](Korvid&) {};
  const SendCase cases[] = {
      {"a filled upper slot is posted", none, 7, 0, true, "Slot 008 sent to part 1", 7, 1},
      {"a filled lower slot is posted", none, 2, 1, true, "Slot 003 sent to part 1", 2, 1},
      {"a locked part gets nothing at all", [](Korvid& p) { set(p, kPartLock, 1.0); }, 7, 0, false,
       "Part 1 is locked - nothing sent", 0, 0},
      {"a slot beyond a short bank", none, 5, 1, false, "Slot 006 is empty - nothing sent", 0, 0},
      {"a slot without a dump", [](Korvid& p) { p.mPatchLibrarian->mUpperBankIndex = 2; }, 5, 0, false,
       "Slot 006 is empty - nothing sent", 0, 0},
      {"slot -1", none, -1, 0, false, "No such slot - nothing sent", 0, 0},
      {"slot 128", none, 128, 0, false, "No such slot - nothing sent", 0, 0},
      {"no bank at the pane's index", [](Korvid& p) { p.mPatchLibrarian->mLowerBankIndex = 9; }, 1, 1, false,
       "No bank open - nothing sent", 0, 0},
      {"no output port", [](Korvid& p) { p.mOutputPresent = false; }, 9, 0, false, "Set MIDI I/O First!", 9,
       0},
      {"storing into the synthesizer's memory sends no all sounds off",
       [](Korvid& p) { p.mMIDIMessageManager->storeToMemory = true; }, 3, 0, true, "Data write completed!", 3,
       0},
  };
  for (const SendCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = makeEditor(true);
    set(*plug, kMultiPartMIDICh, 2.0);
    plug->mLibrarianView->cursorSlot = 0;
    plug->showStatusText("");
    c.setUp(*plug);
    EXPECT_EQ(plug->sendPatchToDeviceFromLibrarian(c.slot, c.pane, 0), c.sent);
    // A posted job says its outcome when it ends, which may be before this look.
    const std::string said = plug->getStatusText();
    EXPECT_TRUE(said == c.text || (c.sent && said.empty())) << said;
    ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
    EXPECT_EQ(plug->getStatusText(), c.text);
    EXPECT_EQ(plug->mLibrarianView->cursorSlot, c.cursorAfter);
    EXPECT_EQ(allSoundsOffSent(), c.allSoundsOffCount);
  }
}

TEST_F(LibrarianGlue, ABusyWorkerStillSilencesThePartButSendsNothing)
{
  auto plug = makeEditor(true);
  set(*plug, kMultiPartMIDICh, 2.0);
  occupyWorker(*plug);
  EXPECT_FALSE(plug->sendPatchToDeviceFromLibrarian(4, 0, 0));
  EXPECT_EQ(plug->getStatusText(), "Another transfer is running - nothing sent");
  EXPECT_EQ(allSoundsOffSent(), 1);
  EXPECT_EQ(plug->mLibrarianView->cursorSlot, 4);
}

TEST_F(LibrarianGlue, TheLowerPaneSendsFromTheListItShows)
{
  auto plug = makeEditor(false);
  PatchLibrarian* library = plug->mPatchLibrarian;
  library->mLowerBankIndex = 0;
  struct
  {
    bool category, search;
    int patchType;
    const char* firstName;
  } views[] = {
      {true, true, 0, "Cat0"}, {false, true, 0, "Found0"}, {false, false, 0, "A0"}, {false, false, 1, "M0"}};
  for (const auto& v : views)
  {
    plug->mCategoryList = v.category;
    plug->mSearchList = v.search;
    library->mPatchType = v.patchType;
    const PatchFile* bank =
        LibrarianViewControl::bankOfPane(library, LibrarianViewControl::kLowerPane, v.category, v.search);
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(bank->mRecords[0].mName, v.firstName);
    plug->updatePatchLibrarianView(1);
    EXPECT_EQ(shown(*plug, 1, 0), v.firstName);
  }
  // The upper pane never shows a category or search bank.
  EXPECT_EQ(LibrarianViewControl::bankOfPane(library, 0, true, true)->mRecords[0].mName, "M0");
  library->mPatchType = 2;
  EXPECT_EQ(LibrarianViewControl::bankOfPane(library, 0, false, false), nullptr);
  EXPECT_EQ(LibrarianViewControl::bankOfPane(library, 2, false, false), nullptr);
}

TEST_F(LibrarianGlue, UpdatePatchLibrarianViewReloadsThePanesAsked)
{
  auto plug = makeEditor(false);
  PatchLibrarian* library = plug->mPatchLibrarian;
  const struct
  {
    int which;
    bool upper, lower;
  } cases[] = {{0, true, false}, {1, false, true}, {2, true, true}, {3, false, false}, {-1, false, false}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.which);
    library->mUpperBankIndex = 0;
    library->mLowerBankIndex = 1;
    plug->updatePatchLibrarianView(2);
    library->mUpperBankIndex = 2;
    library->mLowerBankIndex = 0;
    plug->updatePatchLibrarianView(c.which);
    EXPECT_EQ(shown(*plug, 0, 0), c.upper ? "C0" : "A0");
    EXPECT_EQ(shown(*plug, 1, 0), c.lower ? "A0" : "B0");
  }
}

TEST_F(LibrarianGlue, TheSelectorLayersFollowTheModeAndTheProgram)
{
  auto plug = makeEditor(false);
  ControlLayer* bankNumber = plug->mMenuLayers[7];
  ControlLayer* multiNames = plug->mMenuLayers[9];
  ControlLayer* soundNames = plug->mMenuLayers[10];
  auto tickedIn = [](IPopupMenu& menu)
  {
    for (int i = 0; i < menu.GetNItems(); ++i)
    {
      IPopupMenu* sub = menu.GetItem(i)->GetSubmenu();
      for (int k = 0; sub && k < sub->GetNItems(); ++k)
      {
        if (sub->GetItem(k)->GetChecked())
          return i * 10 + k;
      }
      if (menu.GetItem(i)->GetChecked())
        return i;
    }
    return -1;
  };
  const struct
  {
    const char* name;
    bool library, multi, keepBank;
    int program;
    ControlLayer* shownLayer;
    int expectedProgram; // ticked in the program menu, and in library mode the selected slot
    int expectedBank;    // ticked in the bank menu (it was ticked at 6 before)
  } cases[] = {
      {"numbers for the part", false, false, true, 40, bankNumber, 40, 2},
      {"sound bank names", true, false, false, 41, soundNames, 41, 2},
      {"sound bank names keep the bank menu", true, false, true, 42, soundNames, 42, 6},
      {"multi bank names", true, true, false, 43, multiNames, 43, -1},
      {"a program beyond the bank selects its last slot", true, false, false, 200, soundNames, 127, 2},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    set(*plug, kControlLibrary, c.library ? 1.0 : 0.0);
    plug->mMultiMode = c.multi;
    set(*plug, kMultiPartBank, 2.0);
    set(*plug, kMultiPartPatch, c.program);
    set(*plug, kMultiBank, 0.0);
    set(*plug, kMultiPatch, c.program);
    // Settle the value as the parameter range gives it.
    const int program = c.multi ? plug->GetParam(kMultiPatch)->Int() : plug->GetParam(kMultiPartPatch)->Int();
    plug->mBankNumberPopupMenu->refreshPatchNames(plug->mPatchLibrarian, plug.get(), 6);
    for (ControlLayer* layer : {bankNumber, multiNames, soundNames})
      layer->Hide(false);
    plug->updateBankAndProgramMenuNames(c.keepBank);
    for (ControlLayer* layer : {bankNumber, multiNames, soundNames})
      EXPECT_EQ(layer->mVisible, layer == c.shownLayer);
    const int expected = c.library ? c.expectedProgram : program;
    EXPECT_EQ(tickedIn(plug->mProgramNumberPopupMenu->getMenu()), expected);
    EXPECT_EQ(tickedIn(plug->mBankNumberPopupMenu->getMenu()), c.expectedBank);
    if (c.library)
    {
      EXPECT_EQ(plug->mLibrarianView->selectedUpper, expected);
      EXPECT_EQ(plug->mLibrarianView->cursorSlot, expected);
      EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, expected);
    }
  }
}
} // namespace
