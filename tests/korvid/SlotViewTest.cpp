// The slot view on the real editor's headless surface: selection, arrow keys, double click, drag and drop,
// copy and paste, rename, the slot and copy menus, and drawing.
#include "LibrarianGlueSupport.h"

#include "ControlLayer.h"
#include "FileEditPopupMenu.h"
#include "LiceBitmap.h"
#include "SysexProtocol.h"
#include "TabSwitchFunctions.h"

#include <chrono>
#include <functional>
#include <thread>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
constexpr int kUpper = LibrarianViewControl::kUpperPane;
constexpr int kLower = LibrarianViewControl::kLowerPane;
constexpr int kLibrarianPage = 1;
// Key codes of the surface.
constexpr int kUp = 1;
constexpr int kDown = 2;
constexpr int kLeft = 3;
constexpr int kRight = 4;

bool waitFor(const std::function<bool()>& done)
{
  return waitUntil(done);
}

class SlotView : public LibraryEditorFixture
{
public:
  // An editor showing the librarian page, its drag enabled, the upper pane on bank A and the lower on B.
  void open(bool withPort)
  {
    plug = makeEditor(withPort);
    plug->GetParam(kMainTab)->Set(kLibrarianPage);
    TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarianPage, 0);
    view = plug->mLibrarianView;
    surface = headless(*plug);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(view->dragEnabled);
    plug->showStatusText("");
  }

  // The centre of a slot, and a point between two columns of the upper pane.
  IRECT slotRect(int pane, int slot) const { return *view->getSlotText(pane, slot)->GetRECT(); }
  int slotX(int pane, int slot) const { return slotRect(pane, slot).MW(); }
  int slotY(int pane, int slot) const { return slotRect(pane, slot).MH(); }
  int gapX() const { return slotRect(kUpper, 0).R + 2; }

  void click(int x, int y, bool right = false)
  {
    IMouseMod mod(!right, right);
    surface->OnMouseDown(x, y, &mod);
    surface->OnMouseUp(x, y, &mod);
  }
  void clickSlot(int pane, int slot, bool right = false)
  {
    click(slotX(pane, slot), slotY(pane, slot), right);
  }
  void doubleClickSlot(int pane, int slot)
  {
    clickSlot(pane, slot);
    IMouseMod mod(true, false);
    surface->OnMouseDblClick(slotX(pane, slot), slotY(pane, slot), &mod);
    surface->OnMouseUp(slotX(pane, slot), slotY(pane, slot), &mod);
  }
  // A drag with the left button from the first point (moved a little there first, as a slow hand does)
  // through the others, released at the last.
  // quick: no nudge over the pressed slot first; still: no motion at all, only the press and the release.
  void drag(const std::vector<std::pair<int, int>>& points, bool quick = false, bool still = false)
  {
    IMouseMod mod(true, false);
    surface->OnMouseDown(points.front().first, points.front().second, &mod);
    if (!quick && !still)
      surface->OnMouseDrag(points.front().first + 2, points.front().second + 1, &mod);
    for (size_t i = 1; i < points.size() && !still; ++i)
      surface->OnMouseDrag(points[i].first, points[i].second, &mod);
    surface->OnMouseUp(points.back().first, points.back().second, &mod);
  }
  std::pair<int, int> at(int pane, int slot) const { return {slotX(pane, slot), slotY(pane, slot)}; }

  const PatchFile* upperBank() const
  {
    return LibrarianViewControl::bankOfPane(plug->mPatchLibrarian, kUpper, plug->mCategoryList,
                                            plug->mSearchList);
  }
  std::string upperName(int slot) const { return upperBank()->mRecords[static_cast<size_t>(slot)].mName; }
  bool saveButtonGrey() const { return plug->mSaveChangesLayer->mControls[0]->IsGrayed(); }
  double unsaved() const { return plug->GetParam(kBankEditUnsaved)->Value(); }

  std::unique_ptr<Korvid> plug;
  LibrarianViewControl* view = nullptr;
  HeadlessSurface* surface = nullptr;
};

TEST_F(SlotView, ClicksSelectTheSlotOfThePaneHit)
{
  open(false);
  const struct
  {
    const char* name;
    int pane; // -1: the gap between two columns
    int slot;
    bool right;
    int upper, lower, active, cursor, libraryUpper, libraryLower;
    bool grey;
    const char* menu; // first item of the menu shown, "" for none
  } cases[] = {
      {"left on an upper slot", kUpper, 17, false, 17, -1, kUpper, 17, 17, -1, false, ""},
      {"left on a lower slot", kLower, 2, false, -1, 2, kLower, 2, -1, 2, true, ""},
      {"left between the columns", -1, 0, false, -1, -1, kLower, -1, -1, -1, true, ""},
      {"right on an upper slot", kUpper, 40, true, 40, -1, kUpper, 5, 40, -1, false, "Paste"},
      {"right on a lower slot", kLower, 100, true, -1, 100, kLower, 5, -1, 100, true, "Copy"},
      {"right between the columns", -1, 0, true, -1, -1, kLower, 5, -1, -1, true, "Copy"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    view->cursorSlot = 5;
    plug->mRenameBlocked = false;
    plug->mPatchRenameLayer->Hide(false);
    const size_t menusBefore = surface->Menus().size();
    surface->QueueMenuChoice(-1);
    const int x = c.pane < 0 ? gapX() : slotX(c.pane, c.slot);
    const int y = c.pane < 0 ? slotY(kUpper, 3) : slotY(c.pane, c.slot);
    click(x, y, c.right);
    EXPECT_EQ(view->selectedUpper, c.upper);
    EXPECT_EQ(view->selectedLower, c.lower);
    EXPECT_EQ(view->activePane, c.active);
    EXPECT_EQ(view->cursorSlot, c.cursor);
    EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, c.libraryUpper);
    EXPECT_EQ(plug->mPatchLibrarian->mSelectedLowerSlot, c.libraryLower);
    EXPECT_EQ(saveButtonGrey(), c.grey);
    // A left click drops an armed rename; a right click leaves it (its menu may rename).
    EXPECT_EQ(plug->mRenameBlocked.load(), !c.right);
    EXPECT_EQ(plug->mPatchRenameLayer->mVisible, c.right);
    if (*c.menu == '\0')
    {
      EXPECT_EQ(surface->Menus().size(), menusBefore);
      continue;
    }
    ASSERT_EQ(surface->Menus().size(), menusBefore + 1);
    const HeadlessSurface::ShownMenu& shownMenu = surface->Menus().back();
    EXPECT_EQ(shownMenu.items.front(), c.menu);
    // The menu opens at the pointer.
    EXPECT_EQ(shownMenu.area, IRECT(x, y, x, y));
    // Dismissed: nothing was written anywhere.
    EXPECT_EQ(plug->getStatusText(), "");
    EXPECT_EQ(unsaved(), 0.0);
  }
}

TEST_F(SlotView, ArrowKeysMoveTheActivePaneAndWrapAtTheEdges)
{
  // Without an output port: no transfer's busy overlay takes the next key.
  open(false);
  const struct
  {
    int pane, cursor, key, expected;
  } cases[] = {
      {kUpper, 0, kUp, 127},    {kUpper, 127, kDown, 0},    {kUpper, 5, kLeft, 117},
      {kUpper, 117, kRight, 5}, {kUpper, 111, kRight, 127}, {kUpper, 20, kUp, 19},
      {kUpper, 20, kDown, 21},  {kLower, -1, kDown, 0},     {kLower, -1, kUp, 127},
      {kLower, -1, kLeft, 111}, {kLower, -1, kRight, 15},   {kLower, 1, kRight, 17},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(std::to_string(c.cursor) + " key " + std::to_string(c.key));
    clickSlot(c.pane, 0);
    view->cursorSlot = c.cursor;
    plug->mRenameBlocked = false;
    EXPECT_TRUE(surface->OnKeyDown(slotX(c.pane, 0), slotY(c.pane, 0), c.key));
    EXPECT_EQ(view->cursorSlot, c.expected);
    EXPECT_EQ(c.pane == kUpper ? view->selectedUpper : view->selectedLower, c.expected);
    // The slot menus and library requests act on the slot shown selected.
    EXPECT_EQ(c.pane == kUpper ? plug->mPatchLibrarian->mSelectedUpperSlot
                               : plug->mPatchLibrarian->mSelectedLowerSlot,
              c.expected);
    EXPECT_TRUE(plug->mRenameBlocked.load());
  }
  // Other keys are not taken.
  EXPECT_FALSE(surface->OnKeyDown(slotX(kUpper, 0), slotY(kUpper, 0), 0));
  // After a click between the slots the arrows start again from the first slot of the active pane.
  clickSlot(kUpper, 60);
  click(gapX(), slotY(kUpper, 3));
  EXPECT_TRUE(view->OnKeyDown(0, 0, kDown));
  EXPECT_EQ(view->selectedUpper, 0);
}

TEST_F(SlotView, DoubleClicksAndArrowsSendTheSlotToTheCurrentPart)
{
  open(true);
  plug->GetParam(kMultiPartMIDICh)->Set(2.0);
  const Bytes allSoundsOff = {0xB0, 0x7B, 0x00};
  doubleClickSlot(kUpper, 9);
  EXPECT_EQ(view->cursorSlot, 9);
  // The click says nothing of its own: the line is empty until the job, which may already have ended, says
  // what it sent.
  const std::string said = plug->getStatusText();
  EXPECT_TRUE(said.empty() || said == "Slot 010 sent to part 1") << said;
  ASSERT_TRUE(waitFor([&]() { return !plug->ThreadRunning(); }));
  EXPECT_EQ(plug->getStatusText(), "Slot 010 sent to part 1");
  // All sounds off first; the record then reaches the part's edit buffer (bank 7F) by job 3.
  const std::vector<Bytes> out = sent();
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out.front(), allSoundsOff);
  const Bytes& dump = out.back();
  ASSERT_EQ(dump.size(), InitDumpTemplates::kSoundDumpSize);
  EXPECT_EQ(dump[5], 0x7F);
  EXPECT_EQ(dump[6], 0x00);
  EXPECT_EQ(
      std::string(dump.begin() + InitDumpTemplates::kSoundNameOffset,
                  dump.begin() + InitDumpTemplates::kSoundNameOffset + InitDumpTemplates::kSoundNameLength),
      "A9              ");

  // The down arrow sends the next slot once the first transfer has ended.
  midi->clearReceived();
  EXPECT_TRUE(surface->OnKeyDown(slotX(kUpper, 9), slotY(kUpper, 9), kDown));
  ASSERT_TRUE(waitFor([&]() { return !plug->ThreadRunning() && !sent().empty(); }));
  const Bytes next = sent().back();
  ASSERT_EQ(next.size(), InitDumpTemplates::kSoundDumpSize);
  EXPECT_EQ(
      std::string(next.begin() + InitDumpTemplates::kSoundNameOffset,
                  next.begin() + InitDumpTemplates::kSoundNameOffset + InitDumpTemplates::kSoundNameLength),
      "A10             ");

  // Lower slot 5 lies beyond bank B: the message line says so.
  doubleClickSlot(kLower, 5);
  EXPECT_EQ(plug->getStatusText(), "Slot 006 is empty - nothing sent");
  EXPECT_EQ(view->selectedLower, 5);

  // No output chosen: nothing is sent and the user is told.
  plug->GetParam(kDeviceOutSelection)->Set(0.0);
  midi->clearReceived();
  doubleClickSlot(kUpper, 12);
  EXPECT_EQ(plug->getStatusText(), "Set MIDI I/O First!");
  EXPECT_TRUE(sent().empty());
}

TEST_F(SlotView, DropsCopyALowerRecordIntoTheUpperSlotAndSayWhatHappened)
{
  const struct
  {
    const char* name;
    std::function<void(SlotView&)> setUp;
    std::function<std::vector<std::pair<int, int>>(SlotView&)> path;
    int target;           // upper slot that changes, -1 for none
    const char* record;   // its record afterwards
    const char* text;     // message line
    int libraryUpperSlot; // the librarian's selected upper slot afterwards
    bool quick = false;   // the first motion event already lies at the path's second point
    bool still = false;   // no motion event between the press and the release
  } cases[] = {
      {"lower slot 1 onto upper slot 20", [](SlotView&) {},
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 1), t.at(kLower, 2), t.at(kUpper, 20)};
       },
       20, "B1", "B1 copied to slot 021", 20},
      {"a quick drag takes the slot under the press, not the first one a motion reports", [](SlotView&) {},
       [](SlotView& t)
       {
         return std::vector<std::pair<int, int>>{t.at(kLower, 1), t.at(kLower, 2), t.at(kUpper, 29),
                                                 t.at(kUpper, 30)};
       },
       30, "B1", "B1 copied to slot 031", 30, true},
      {"no motion reported between the press and the release", [](SlotView&) {},
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 2), t.at(kUpper, 31)};
       },
       31, "B2", "B2 copied to slot 032", 31, true, true},
      {"a press outside the lower pane drags nothing", [](SlotView&) {},
       [](SlotView& t)
       {
         return std::vector<std::pair<int, int>>{t.at(kUpper, 3), t.at(kLower, 2), t.at(kLower, 0),
                                                 t.at(kUpper, 30)};
       },
       -1, "", "", 3},
      {"released between the columns", [](SlotView&) {},
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 1), {t.gapX(), t.slotY(kUpper, 4)}};
       },
       -1, "", "Drop onto a slot of the upper bank - nothing copied", -1},
      {"released over the lower pane", [](SlotView&) {},
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 1), t.at(kLower, 40)};
       },
       -1, "", "Drop onto a slot of the upper bank - nothing copied", -1},
      {"a click that moved a little", [](SlotView&) {},
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 1), t.at(kLower, 1)};
       },
       -1, "", "", -1},
      {"an empty source slot", [](SlotView& t) { t.plug->mPatchLibrarian->mLowerBankIndex = 2; },
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 5), t.at(kUpper, 7)};
       },
       -1, "", "Source slot 006 is empty - nothing copied", 7},
      {"a sound into a multi bank",
       [](SlotView& t)
       {
         t.plug->mPatchLibrarian->mPatchType = PatchLibrarian::kPatchTypeMultis;
         t.plug->mPatchLibrarian->mLowerBankIndex = 0;
         t.plug->mCategoryList = true;
       },
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 4), t.at(kUpper, 8)};
       },
       -1, "", "Not a whole multi - nothing copied", 8},
      {"while a transfer runs", [](SlotView& t) { t.occupyWorker(*t.plug); },
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 0), t.at(kUpper, 9)};
       },
       -1, "", "A transfer is running - nothing copied", 9},
      {"without drag and drop", [](SlotView& t) { t.view->dragEnabled = false; },
       [](SlotView& t) {
         return std::vector<std::pair<int, int>>{t.at(kLower, 0), t.at(kUpper, 9)};
       },
       -1, "", "", -1},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    open(true);
    c.setUp(*this);
    plug->updatePatchLibrarianView(2);
    const std::vector<std::string> before = [&]()
    {
      std::vector<std::string> names;
      for (const LibrarianPatch& r : upperBank()->mRecords)
        names.push_back(r.mName);
      return names;
    }();
    drag(c.path(*this), c.quick, c.still);
    EXPECT_FALSE(view->dragging);
    EXPECT_EQ(plug->getStatusText(), c.text);
    EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, c.libraryUpperSlot);
    for (int slot = 0; slot < 128; ++slot)
    {
      if (slot == c.target)
      {
        EXPECT_EQ(upperName(slot), c.record);
        EXPECT_EQ(shown(*plug, kUpper, slot), c.record);
        // The copy is the record itself, dump and all.
        EXPECT_EQ(upperBank()->mRecords[static_cast<size_t>(slot)].mMessages[0].mData,
                  libraryRecord(c.record).mMessages[0].mData);
      }
      else if (upperName(slot) != before[static_cast<size_t>(slot)])
      {
        ADD_FAILURE() << "slot " << slot << " changed";
      }
    }
    EXPECT_EQ(unsaved(), c.target >= 0 ? 1.0 : 0.0);
    // Saving the upper bank is offered again once a drop selected one of its slots.
    EXPECT_EQ(saveButtonGrey(), c.libraryUpperSlot < 0);
    plug.reset();
  }
}

TEST_F(SlotView, PasteTakesTheRecordAsItWasWhenCopied)
{
  open(false);
  // Nothing copied yet.
  surface->QueueMenuChoice(FileEditPopupMenu::kPaste);
  clickSlot(kUpper, 10, true);
  EXPECT_EQ(plug->getStatusText(), "Nothing to paste - Copy a slot of the lower bank first");

  surface->QueueMenuChoice(0);
  clickSlot(kLower, 2, true);
  EXPECT_EQ(plug->getStatusText(), "B2 copied");
  EXPECT_EQ(view->selectedLower, 2);
  // The lower pane moves to another bank, and slot 2 of B changes: the copy stays what it was.
  plug->mPatchLibrarian->mSoundBanks[1]->mRecords[2] = libraryRecord("Changed");
  plug->mPatchLibrarian->mLowerBankIndex = 2;
  plug->updatePatchLibrarianView(1);
  surface->QueueMenuChoice(FileEditPopupMenu::kPaste);
  clickSlot(kUpper, 10, true);
  EXPECT_EQ(upperName(10), "B2");
  EXPECT_EQ(plug->getStatusText(), "B2 copied to slot 011");
  EXPECT_EQ(unsaved(), 1.0);

  // Copy between the slots or of an empty slot leaves nothing to paste.
  for (const auto& point : {std::pair<int, int>{gapX(), slotY(kLower, 1)}, at(kLower, 5)})
  {
    surface->QueueMenuChoice(0);
    click(point.first, point.second, true);
    surface->QueueMenuChoice(FileEditPopupMenu::kPaste);
    clickSlot(kUpper, 11, true);
    EXPECT_EQ(plug->getStatusText(), "Nothing to paste - Copy a slot of the lower bank first");
    EXPECT_EQ(upperName(11), "A11");
  }
  // Paste called away from the upper slots writes nothing.
  surface->QueueMenuChoice(0);
  clickSlot(kLower, 1, true);
  view->PasteSlotData(gapX(), slotY(kUpper, 2));
  EXPECT_EQ(plug->getStatusText(), "Paste onto a slot of the upper bank - nothing copied");
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, -1);
}

TEST_F(SlotView, RenameOpensTheFieldOnlyForASlotWithAWholeDump)
{
  open(false);
  const struct
  {
    const char* name;
    int upperBank, slot;
    bool opens;
    const char* prefill;
    const char* text;
  } cases[] = {
      {"a whole sound", 0, 33, true, "A33", ""},
      {"an empty slot", 2, 5, false, "", "Empty slot 006 - nothing to rename"},
      {"a slot beyond a short bank, which grows to 128 records", 1, 100, false, "",
       "Empty slot 101 - nothing to rename"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    plug->mPatchLibrarian->mUpperBankIndex = c.upperBank;
    plug->updatePatchLibrarianView(0);
    plug->showStatusText("");
    surface->QueueMenuChoice(FileEditPopupMenu::kRename);
    clickSlot(kUpper, c.slot, true);
    EXPECT_EQ(plug->mPatchRenameLayer->mVisible, c.opens);
    EXPECT_EQ(plug->mRenameBlocked.load(), !c.opens);
    EXPECT_EQ(plug->getStatusText(), c.text);
    EXPECT_EQ(upperBank()->mRecords.size(), 128u);
    if (c.opens)
    {
      EXPECT_STREQ(plug->GetParam(kPatchRename)->GetDisplayText(0), c.prefill);
    }
    // A click anywhere in the view drops the rename.
    clickSlot(kUpper, 0);
    EXPECT_FALSE(plug->mPatchRenameLayer->mVisible);
    EXPECT_TRUE(plug->mRenameBlocked.load());
  }
  // Nothing selected in the upper pane: nothing to rename.
  view->selectedUpper = -1;
  view->renameSlot(0, 0);
  EXPECT_TRUE(plug->mRenameBlocked.load());
  EXPECT_EQ(plug->getStatusText(), "Select a slot of the upper bank to rename it");
}

TEST_F(SlotView, NamesGoIntoADumpAsSixteenPrintableCharacters)
{
  const struct
  {
    std::string name, expected;
  } cases[] = {
      {"Pad", "Pad             "},
      {"A name longer than sixteen", "A name longer th"},
      {std::string("Tab\tNul") + '\0' + "x\x7f\x80", "Tab Nul x       "},
      {"", "                "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LibrarianViewControl::dumpNameText(c.name), c.expected);
}

TEST_F(SlotView, TheSlotMenuFillsTheSelectedSlotThroughTheWorker)
{
  const struct
  {
    const char* name;
    bool multi;
    std::vector<int> path;
    Bytes firstSent;                     // the request the job sends, or empty
    std::function<bool(Korvid&)> stored; // what the job left in the armed library request, or null
  } cases[] = {
      {"sound edit buffer",
       false,
       {FileEditPopupMenu::kGetDataFrom, FileEditPopupMenu::kFromEditBuffer},
       framedSysex(SysexProtocol::soundEditBufferRequest(0, 0)),
       nullptr},
      {"stored sound of the slot's number",
       false,
       {FileEditPopupMenu::kGetDataFrom, FileEditPopupMenu::kFromProgramNumber},
       framedSysex(SysexProtocol::storedSoundRequest(0, 3, 45)),
       nullptr},
      {"multi edit buffer",
       true,
       {FileEditPopupMenu::kGetDataFrom, FileEditPopupMenu::kFromEditBuffer},
       framedSysex(SysexProtocol::multiEditBufferRequest(0)),
       nullptr},
      {"stored multi of the slot's number",
       true,
       {FileEditPopupMenu::kGetDataFrom, FileEditPopupMenu::kFromProgramNumber},
       framedSysex(SysexProtocol::storedMultiRequest(0, 45)),
       nullptr},
      {"init sound",
       false,
       {FileEditPopupMenu::kInitializeSlot},
       {},
       [](Korvid& p) { return p.mMIDIMessageManager->patchRequest.record.mName.rfind("Init", 0) == 0; }},
      {"init multi",
       true,
       {FileEditPopupMenu::kInitializeSlot},
       {},
       [](Korvid& p)
       { return p.mMIDIMessageManager->performanceRequest.record.mName == "Init Multi V1.15"; }},
      {"the current part's sound",
       false,
       {FileEditPopupMenu::kGetDataFrom, FileEditPopupMenu::kFromPlugin},
       {},
       [](Korvid& p) { return p.mMIDIMessageManager->patchRequest.record.mMessages.size() == 1; }},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    open(true);
    plug->mMultiMode = c.multi;
    plug->mPatchLibrarian->mPatchType = c.multi ? 1 : 0;
    plug->GetParam(kRequestFromBank)->Set(3.0);
    surface->QueueMenuPath(c.path);
    clickSlot(kUpper, 45, true);
    EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 45);
    if (!c.firstSent.empty())
    {
      ASSERT_TRUE(waitFor([&]() { return !sent().empty(); }));
      EXPECT_EQ(sent().front(), c.firstSent);
    }
    if (c.stored)
    {
      ASSERT_TRUE(waitFor([&]() { return !plug->ThreadRunning(); }));
      EXPECT_TRUE(c.stored(*plug));
      EXPECT_EQ(plug->getStatusText(), c.path[0] == FileEditPopupMenu::kInitializeSlot
                                           ? "Slot 046 initialized"
                                           : "Part 1 stored to slot 046");
    }
    plug.reset();
  }
}

TEST_F(SlotView, TheSlotMenuRefusesWithoutASlotOrWhileTheWorkerIsBusy)
{
  open(true);
  // A menu shown for an upper slot that is no longer selected (the selection moved meanwhile).
  plug->mPatchLibrarian->mSelectedUpperSlot = -1;
  surface->QueueMenuChoice(FileEditPopupMenu::kInitializeSlot);
  plug->showFileEditMenu(slotX(kUpper, 1), slotY(kUpper, 1));
  EXPECT_EQ(plug->getStatusText(), "Select a slot of the upper bank first");
  EXPECT_FALSE(plug->ThreadRunning());

  occupyWorker(*plug);
  midi->clearReceived();
  surface->QueueMenuPath({FileEditPopupMenu::kGetDataFrom, FileEditPopupMenu::kFromProgramNumber});
  clickSlot(kUpper, 2, true);
  EXPECT_EQ(plug->getStatusText(), "A transfer is running - try again later");
  // No request was armed to take the running job's data.
  EXPECT_FALSE(plug->mMIDIMessageManager->patchRequest.isActive());
  // The items are the same in both modes and unticked after every popup.
  const HeadlessSurface::ShownMenu& shownMenu = surface->Menus().back();
  const std::vector<std::string> items = {"Paste", "", "Rename", "", "Initialize Slot", "Get DATA from.."};
  EXPECT_EQ(shownMenu.items, items);
  for (int i = 0; i < plug->mFileEditMenu->getMainMenu().GetNItems(); ++i)
    EXPECT_FALSE(plug->mFileEditMenu->getMainMenu().GetItem(i)->GetChecked());
}

TEST_F(SlotView, SelectedSlotsAreDrawnBlackOnLightGrey)
{
  open(false);
  surface->OpenWindow(nullptr);
  clickSlot(kUpper, 18);
  view->selectedLower = 3;
  view->SetDirty(false);
  surface->Tick();
  const LICE_IBitmap* drawn = surface->GetDrawBitmap();
  const IRECT upper = slotRect(kUpper, 18);
  const IRECT lower = slotRect(kLower, 3);
  const IRECT other = slotRect(kUpper, 19);
  const LICE_pixel grey = LICE_RGBA(225, 225, 225, 255);
  // Corners lie outside the glyphs.
  EXPECT_EQ(drawn->getPixel(upper.R - 1, upper.B - 1), grey);
  EXPECT_EQ(drawn->getPixel(lower.R - 1, lower.B - 1), grey);
  EXPECT_NE(drawn->getPixel(other.R - 1, other.B - 1), grey);
  // Some text pixels are dark inside the highlighted slot.
  bool dark = false;
  for (int y = upper.T; y < upper.B && !dark; ++y)
    for (int x = upper.L; x < upper.R && !dark; ++x)
      dark = (drawn->getPixel(x, y) & 0xFFFFFF) < 0x505050;
  EXPECT_TRUE(dark);

  // While dragging, the rectangle under the pointer is filled.
  IMouseMod mod(true, false);
  surface->OnMouseDown(slotX(kLower, 1), slotY(kLower, 1), &mod);
  surface->OnMouseDrag(slotX(kLower, 1) + 3, slotY(kLower, 1) + 150, &mod);
  surface->Tick();
  EXPECT_EQ(view->dragRect.W(), view->slotWidth);
  EXPECT_EQ(drawn->getPixel(view->dragRect.L + 1, view->dragRect.T + 1), grey);
  surface->OnMouseUp(slotX(kLower, 1) + 3, slotY(kLower, 1) + 150, &mod);
  surface->CloseWindow();
}
} // namespace
