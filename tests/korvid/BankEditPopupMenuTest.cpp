// The librarian's main menu on the real editor: its entries by mode, the jobs its choices post, saving with a
// scripted file panel, and unsaved bank edits asked about before a rescan or a list-kind switch.
#include "GeneratedLibrary.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IPopupMenu.h"
#include "MIDIMessageSender.h"

using namespace korvidtest;

namespace
{
constexpr int kJobNone = -1;
constexpr int kNameOffset = 370;

std::vector<std::string> lettered(const std::string& text)
{
  std::vector<std::string> texts;
  for (char bank = 'A'; bank <= 'H'; ++bank)
  {
    texts.push_back(text + bank);
  }
  return texts;
}

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& more)
{
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

// The name bytes of the first record of a bank's stored dump.
std::string storedName(const PatchFile& bank)
{
  const std::vector<unsigned char>& dump = bank.mRecords.at(0).mMessages.at(0).mData;
  return std::string(dump.begin() + kNameOffset, dump.begin() + kNameOffset + 6);
}

void renameFirstRecord(PatchFile& bank, const std::string& name)
{
  std::vector<unsigned char>& dump = bank.mRecords.at(0).mMessages.at(0).mData;
  std::copy(name.begin(), name.end(), dump.begin() + kNameOffset);
}

class BankEditMenu : public GeneratedLibraryFixture
{
protected:
  void choose(Korvid& plug, std::vector<int> path)
  {
    headless(plug)->QueueMenuPath(std::move(path));
    plug.mBankEditPopupMenu->OnMouseDown(0, 0, nullptr);
  }
  std::string leadsFile() const { return patchesFolder() + "/Leads/Leads A.syx"; }
};

struct EntriesCase
{
  bool multis;
  std::vector<std::string> main;
  std::vector<std::string> request;
  std::vector<std::string> store;
};

TEST_F(BankEditMenu, TheEntriesFollowTheMode)
{
  const std::vector<std::string> common = {"-",
                                           "Sync Current Data from HW",
                                           "Push Current Multi to HW",
                                           "-",
                                           "Save (Overwrite current bank)",
                                           "Save As...",
                                           "-",
                                           "Import...",
                                           "Refresh Folders",
                                           "Other Helpful things...",
                                           "-",
                                           "About this Plug-in..."};
  const EntriesCase cases[] = {
      {false, joined({"Request Patch Data", "-", "Store Patch Data"}, common),
       joined({"from Active Slot to Plug-in GUI", "from Active Slot to Librarian",
               "from Selected Program Slot", "-"},
              lettered("All Patches from Bank ")),
       joined({"To Currently Selected Slot & Bank", "-"}, lettered("All Current Patches to Bank "))},
      {true,
       joined({"Request Multi Data", "-", "Store Multi Data"}, common),
       {"from Temp Buffer to Plug-in GUI", "from Temp Buffer to Librarian", "from selected Program Slot",
        "All Multis from Selected Bank"},
       {"To Currently Selected Slot & Bank", "All Multis from Current Bank"}},
  };
  for (const EntriesCase& c : cases)
  {
    SCOPED_TRACE(c.multis ? "multis" : "sounds");
    auto plug = constructRecording();
    plug->SetParameterFromGUI(kDatatype, c.multis ? 1.0 : 0.0);
    // Nothing chosen: the click refills the menus for the mode shown.
    choose(*plug, {-1});
    BankEditPopupMenu* menu = plug->mBankEditPopupMenu;
    EXPECT_EQ(itemTexts(menu->getMenu()), c.main);
    EXPECT_EQ(itemTexts(*(c.multis ? menu->getRequestMultiMenu() : menu->getRequestSoundMenu())), c.request);
    EXPECT_EQ(itemTexts(*(c.multis ? menu->getStoreMultiMenu() : menu->getStoreSoundMenu())), c.store);
    EXPECT_EQ((c.multis ? menu->getRequestSoundMenu() : menu->getRequestMultiMenu())->GetNItems(), 0);
    EXPECT_EQ((c.multis ? menu->getStoreSoundMenu() : menu->getStoreMultiMenu())->GetNItems(), 0);
    EXPECT_EQ(itemTexts(*menu->getSaveAsMenu()),
              (std::vector<std::string>{"Standard MIDI (*.mid)", "Korvid Format (*.kvd)"}));
    EXPECT_EQ(itemTexts(*menu->getImportMenu()),
              (std::vector<std::string>{"Standard MIDI (*.mid)", "SysEx (*.syx / *.kvd)"}));
    EXPECT_EQ(itemTexts(*menu->getHelpMenu()),
              (std::vector<std::string>{"Open Data Folder", "Open User Manual", "Open Support Ticket",
                                        "Check for Updates", "DAW Setup Guides"}));
  }
}

struct JobCase
{
  const char* name;
  bool multis;
  bool outputPort;
  bool idle;
  std::vector<int> path;
  int job;
  bool toEditor;
  int bank;
  bool dumpExpected;
  bool pushFlags;
  bool receivedCleared;
  const char* said = ""; // the message line afterwards
};

TEST_F(BankEditMenu, EachChoicePostsItsJobAndSetsItsFlagsOnlyWhenTheJobWasPosted)
{
  const int request = BankEditPopupMenu::kItemRequest;
  const JobCase cases[] = {
      {"sync",
       false,
       false,
       true,
       {4},
       MIDIMessageSender::kJobRequestArrangement,
       true,
       0,
       true,
       false,
       false},
      {"sync, busy",
       false,
       false,
       false,
       {4},
       MIDIMessageSender::kJobRequestArrangement,
       true,
       0,
       false,
       false,
       false},
      {"push", false, true, true, {5}, MIDIMessageSender::kJobSendArrangement, false, 0, false, true, false},
      {"push, busy",
       false,
       true,
       false,
       {5},
       MIDIMessageSender::kJobSendArrangement,
       false,
       0,
       false,
       false,
       false,
       "Another transfer is running - nothing sent"},
      {"no port", false, false, true, {5}, kJobNone, false, 0, false, false, false, "Set MIDI I/O First!"},
      {"slot to editor",
       false,
       false,
       true,
       {request, 0},
       MIDIMessageSender::kJobRequestPart,
       true,
       0,
       true,
       false,
       false},
      {"slot to editor, busy",
       false,
       false,
       false,
       {request, 0},
       MIDIMessageSender::kJobRequestPart,
       true,
       0,
       false,
       false,
       false},
      {"slot to librarian",
       false,
       false,
       true,
       {request, 1},
       MIDIMessageSender::kJobRequestPart,
       false,
       0,
       false,
       false,
       false},
      {"selected program",
       false,
       false,
       true,
       {request, 2},
       MIDIMessageSender::kJobRequestSinglePatch,
       false,
       5,
       false,
       false,
       true},
      {"all patches from bank C",
       false,
       false,
       true,
       {request, 6},
       MIDIMessageSender::kJobRequestAllPatches,
       false,
       2,
       false,
       false,
       true},
      {"selected program, busy",
       false,
       false,
       false,
       {request, 2},
       MIDIMessageSender::kJobRequestSinglePatch,
       false,
       5,
       false,
       false,
       false},
      {"all patches from bank C, busy",
       false,
       false,
       false,
       {request, 6},
       MIDIMessageSender::kJobRequestAllPatches,
       false,
       2,
       false,
       false,
       false},
      {"multi to editor",
       true,
       false,
       true,
       {request, 0},
       MIDIMessageSender::kJobRequestArrangement,
       true,
       0,
       true,
       false,
       false},
      {"multi to librarian",
       true,
       false,
       true,
       {request, 1},
       MIDIMessageSender::kJobRequestArrangement,
       false,
       0,
       false,
       false,
       false},
      {"selected multi",
       true,
       false,
       true,
       {request, 2},
       MIDIMessageSender::kJobRequestSingleMulti,
       false,
       0,
       false,
       false,
       true},
      {"selected multi, busy",
       true,
       false,
       false,
       {request, 2},
       MIDIMessageSender::kJobRequestSingleMulti,
       false,
       0,
       false,
       false,
       false},
      {"all multis",
       true,
       false,
       true,
       {request, 3},
       MIDIMessageSender::kJobRequestAllMultis,
       false,
       0,
       false,
       false,
       true},
      {"dismissed", false, true, true, {-1}, kJobNone, false, 0, false, false, false},
  };
  for (const JobCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = constructRecording();
    plug->SetParameterFromGUI(kDatatype, c.multis ? 1.0 : 0.0);
    plug->SetParameterFromGUI(kQuickTab, plug->GetParam(kQuickTab)->GetNormalized(3));
    // The REQUEST BANK selector: a menu of the banks A to H; the one chosen is shown and requested from.
    plug->SetParameterFromGUI(kMainTab, plug->GetParam(kMainTab)->GetNormalized(1));
    IControl* requestBank = headless(*plug)->HitTest(884, 153);
    ASSERT_TRUE(requestBank && requestBank->ParamIdx() == kRequestFromBank);
    headless(*plug)->QueueMenuChoice(5);
    IMouseMod left(true);
    headless(*plug)->OnMouseDown(884, 153, &left);
    ASSERT_FALSE(headless(*plug)->Menus().empty());
    EXPECT_EQ(headless(*plug)->Menus().back().items,
              (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H"}));
    EXPECT_EQ(plug->GetParam(kRequestFromBank)->Int(), 5);
    EXPECT_STREQ(plug->GetParam(kRequestFromBank)->GetDisplayText(5), "F");
    plug->mOutputPresent = c.outputPort;
    MIDIMessageManager& manager = *plug->mMIDIMessageManager;
    manager.dumpExpected = false;
    manager.dataReceived = true;
    plug->mIgnoreIncoming = false;
    plug->mWorkerBusy = false;
    posted.clear();
    admitted = c.idle;
    plug->showStatusText("");

    choose(*plug, c.path);

    EXPECT_EQ(plug->getStatusText(), c.said);
    if (c.job == kJobNone)
    {
      EXPECT_TRUE(posted.empty());
    }
    else
    {
      ASSERT_EQ(posted.size(), 1u);
      EXPECT_EQ(posted[0].jobCode, c.job);
      EXPECT_EQ(posted[0].toEditor, c.toEditor);
      EXPECT_EQ(posted[0].bank, c.bank);
      EXPECT_FALSE(posted[0].toLibrarian);
      EXPECT_FALSE(posted[0].requestParts);
      EXPECT_EQ(posted[0].saySent, c.job == MIDIMessageSender::kJobSendArrangement) << "said when sent";
      if (c.job == MIDIMessageSender::kJobRequestPart)
      {
        EXPECT_EQ(posted[0].part, 3);
      }
    }
    EXPECT_EQ(manager.dumpExpected.load(), c.dumpExpected);
    EXPECT_EQ(plug->mIgnoreIncoming.load(), c.pushFlags);
    EXPECT_EQ(plug->mWorkerBusy.load(), c.pushFlags);
    EXPECT_EQ(plug->mPushGlobal.load(), c.pushFlags);
    EXPECT_EQ(plug->mPushAllParts.load(), c.pushFlags);
    EXPECT_EQ(manager.dataReceived.load(), !c.receivedCleared);
    if (c.multis)
    {
      EXPECT_FALSE(manager.performanceRequest.isActive()) << "the job arms the multi request itself";
    }
    // Armed for a refused post, the patch request would take the running job's replies into the library.
    EXPECT_EQ(manager.patchRequest.isActive(),
              c.idle && (c.job == MIDIMessageSender::kJobRequestSinglePatch ||
                         c.job == MIDIMessageSender::kJobRequestAllPatches));
  }
}

struct StoreCase
{
  const char* name;
  bool multis;
  std::vector<int> path;
  int answer;
  int job;
  int bankByte;
  bool bankDeclinedFirst = false;
  bool lowerSlotSelected = false;
};

TEST_F(BankEditMenu, TheStoreEntriesSendTheSelectedSlotOrAWholeBankAfterAsking)
{
  constexpr int kOk = 1;
  constexpr int kCancel = 7;
  constexpr int kSlot = 5;
  const int store = BankEditPopupMenu::kItemStore;
  const StoreCase cases[] = {
      {"selected slot", false, {store, 0}, kOk, MIDIMessageSender::kJobSendLibraryPatch, 0},
      {"bank C", false, {store, 4}, kOk, MIDIMessageSender::kJobStoreAllLibraryPatches, 2},
      {"bank C, declined", false, {store, 4}, kCancel, kJobNone, 0},
      {"selected multi", true, {store, 0}, kOk, MIDIMessageSender::kJobSendLibraryPatch, 0},
      {"all multis", true, {store, 1}, kOk, MIDIMessageSender::kJobStoreAllLibraryPatches, 0},
      {"slot, bank declined", false, {store, 0}, kOk, MIDIMessageSender::kJobSendLibraryPatch, 0, true},
      {"a lower slot selected", false, {store, 0}, kOk, kJobNone, 0, false, true},
  };
  for (const StoreCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = constructRecording();
    plug->SetParameterFromGUI(kDatatype, c.multis ? 1.0 : 0.0);
    plug->SetParameterFromGUI(kQuickTab, plug->GetParam(kQuickTab)->GetNormalized(3));
    plug->mOutputPresent = true;
    plug->mPatchLibrarian->mSelectedUpperSlot = kSlot;
    plug->mLibrarianView->selectedUpper = c.lowerSlotSelected ? -1 : kSlot;
    if (c.bankDeclinedFirst)
    {
      headless(*plug)->QueueMessageBoxResult(kCancel);
      choose(*plug, {store, 4});
      EXPECT_EQ(plug->getStatusText(), "Data write CANCELLED!");
    }
    headless(*plug)->QueueMessageBoxResult(c.answer);
    posted.clear();

    choose(*plug, c.path);

    const bool wholeBank = c.path[1] != 0;
    EXPECT_EQ(headless(*plug)->MessageBoxes().size(), wholeBank || c.bankDeclinedFirst ? 1u : 0u)
        << "a whole bank is asked about";
    if (c.job == kJobNone)
    {
      EXPECT_TRUE(posted.empty());
      EXPECT_EQ(plug->getStatusText() == "Select a slot of the upper bank - nothing sent",
                c.lowerSlotSelected);
      continue;
    }
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].jobCode, c.job);
    if (wholeBank)
    {
      EXPECT_EQ(posted[0].bankByte, c.bankByte);
      EXPECT_EQ(posted[0].startSlot, 0);
      ASSERT_NE(posted[0].bankRecords, nullptr);
      EXPECT_EQ(posted[0].bankRecords->size(), static_cast<size_t>(PatchFile::kBankSize));
    }
    else
    {
      EXPECT_TRUE(posted[0].storeToMemory);
      EXPECT_EQ(posted[0].slotIndex, kSlot);
      EXPECT_EQ(posted[0].part, 3);
    }
  }
}

TEST_F(BankEditMenu, AboutShowsItsWindowAndRefreshRescansTheLibrary)
{
  auto plug = constructRecording();
  ASSERT_NE(plug->mAboutWindowLayer, nullptr);
  plug->mAboutWindowLayer->Hide(true);
  choose(*plug, {BankEditPopupMenu::kItemAbout});
  EXPECT_TRUE(plug->mAboutWindowLayer->mVisible);

  const PatchFile* before = plug->mPatchLibrarian->mSoundBanks[0];
  choose(*plug, {BankEditPopupMenu::kItemRefresh});
  EXPECT_NE(plug->mPatchLibrarian->mSoundBanks[0], before) << "the banks were read again";
  EXPECT_TRUE(headless(*plug)->MessageBoxes().empty()) << "nothing unsaved, nothing asked";
}

TEST_F(BankEditMenu, SaveWritesTheUpperBankOverItsFileAndSaveAsWhereThePanelSays)
{
  auto plug = constructRecording();
  HeadlessSurface* surface = headless(*plug);
  renameFirstRecord(*plug->mPatchLibrarian->mSoundBanks[kLeadsA], "EDITED");
  markUnsaved(*plug);
  choose(*plug, {BankEditPopupMenu::kItemSave});
  EXPECT_FALSE(plug->hasUnsavedBankEdits());
  const librarian_test::Bytes saved = librarian_test::readFile(leadsFile());
  ASSERT_GT(saved.size(), static_cast<size_t>(kNameOffset + 6));
  EXPECT_EQ(std::string(saved.begin() + kNameOffset, saved.begin() + kNameOffset + 6), "EDITED");

  struct SaveAsCase
  {
    int item;
    std::string answer;
    const char* startsWith;
    const char* dialogsMissing = ""; // why no dialog comes up, "" when it does
    const char* text = "";           // the message line afterwards, "" when not checked
  };
  // A name of 248 bytes: no temporary file beside it can repeat it whole.
  std::string euros = "Long";
  for (int i = 0; i < 80; ++i)
    euros += "\u20AC";
  const std::string savedEuros = "Bank saved: " + euros + ".syx";
  const SaveAsCase cases[] = {
      {BankEditPopupMenu::kStandardMidi, home.folder() + "Copy.mid", "MThd", "",
       "Bank saved: Copy.mid (outside the library)"},
      {BankEditPopupMenu::kSysexFile, home.folder() + "Copy.kvd", "\xF0"},
      // In the library: listed and opened in the upper pane, and the next save writes it.
      {BankEditPopupMenu::kStandardMidi, patchesFolder() + "/Leads/My Gig Bank.mid", "MThd", "",
       "Bank saved: My Gig Bank.mid"},
      {BankEditPopupMenu::kSysexFile, patchesFolder() + "/Leads/" + euros + ".syx", "\xF0", "",
       savedEuros.c_str()},
      {BankEditPopupMenu::kStandardMidi, "", nullptr, "", "Nothing saved"},
      {BankEditPopupMenu::kSysexFile, home.folder() + "Lost.kvd", nullptr, "The dialog needs zenity",
       "The dialog needs zenity - nothing saved"},
  };
  for (const SaveAsCase& c : cases)
  {
    SCOPED_TRACE(c.answer);
    const librarian_test::Bytes original = librarian_test::readFile(leadsFile());
    renameFirstRecord(*plug->upperBank(), "PASTED");
    markUnsaved(*plug);
    surface->QueueFileChoice(c.answer);
    surface->SetDialogsMissing(c.dialogsMissing);
    choose(*plug, {BankEditPopupMenu::kItemSaveAs, c.item});
    if (*c.text)
    {
      EXPECT_EQ(plug->getStatusText(), c.text);
    }
    if (c.startsWith)
    {
      const librarian_test::Bytes bytes = librarian_test::readFile(c.answer);
      ASSERT_GE(bytes.size(), std::string(c.startsWith).size());
      EXPECT_EQ(
          std::string(bytes.begin(), bytes.begin() + static_cast<long>(std::string(c.startsWith).size())),
          c.startsWith);
      EXPECT_FALSE(plug->hasUnsavedBankEdits());
      EXPECT_EQ(librarian_test::readFile(leadsFile()), original)
          << "the bank edited keeps what its file holds";
      const bool listed = c.answer.rfind(patchesFolder(), 0) == 0;
      EXPECT_EQ(plug->mUpperSoundPair.displayName,
                listed ? c.answer.substr(c.answer.rfind('/') + 1) : "Leads A.syx");
      EXPECT_EQ(storedName(*plug->upperBank()), listed ? "PASTED" : "EDITED");
      if (listed)
      {
        renameFirstRecord(*plug->upperBank(), "SECOND");
        markUnsaved(*plug);
        choose(*plug, {BankEditPopupMenu::kItemSave});
        EXPECT_EQ(librarian_test::readFile(leadsFile()), original) << "the save writes the file shown";
        EXPECT_NE(librarian_test::readFile(c.answer), bytes) << "the save went into the new file";
      }
    }
    else
    {
      EXPECT_TRUE(plug->hasUnsavedBankEdits()) << "a cancelled panel saves nothing";
    }
  }
}

struct UnsavedCase
{
  const char* name;
  std::function<void(Korvid&)> trigger;
  int answer;
  bool savedOnDisk;
  bool keptInMemory;
  bool stillUnsaved;
  bool multisShown;
  bool dialogsMissing = false; // the program that shows the question is missing: nothing is asked
  const char* said = nullptr;  // the message line's two lines, "first|second"; null: not checked
  std::function<void(Korvid&)> whileAsked = nullptr; // what another thread does while the question is up
};

TEST_F(BankEditMenu, UnsavedBankEditsAreAskedAboutBeforeARescanOrAListKindSwitch)
{
  const auto menuRefresh = [this](Korvid& plug) { choose(plug, {BankEditPopupMenu::kItemRefresh}); };
  const auto rescanButton = [](Korvid& plug)
  {
    plug.SetParameterFromGUI(kRefreshFolders, 1.0);
    plug.SetParameterFromGUI(kRefreshFolders, 0.0);
  };
  const auto listKind = [](Korvid& plug) { plug.SetParameterFromGUI(kDatatype, 1.0); };
  const std::string importable = home.folder() + "Imported.syx";
  librarian_test::writeFile(importable, librarian_test::readFile(leadsFile()));
  const auto import = [this, importable](Korvid& plug)
  {
    headless(plug)->QueueFileChoice(importable);
    choose(plug, {BankEditPopupMenu::kItemImport, BankEditPopupMenu::kImportSysex});
  };
  // A project recalled meanwhile (on the host's thread) shows sounds.
  const auto setBack = [](Korvid& plug) { plug.GetParam(kDatatype)->Set(0.0); };
  constexpr int kSave = 1;
  constexpr int kDiscard = 7;
  constexpr int kCancel = 2;
  constexpr int kClosed = 0;
  constexpr const char* kSavedAndRescanned = "Bank saved: Leads A.syx|Folders rescanned";
  constexpr const char* kKept = "Save bank or Discard changes!|";
  const UnsavedCase cases[] = {
      {"menu, save", menuRefresh, kSave, true, true, false, false, false, kSavedAndRescanned},
      {"menu, discard", menuRefresh, kDiscard, false, false, false, false},
      {"menu, cancel", menuRefresh, kCancel, false, true, true, false},
      {"button, save", rescanButton, kSave, true, true, false, false, false, kSavedAndRescanned},
      {"button, discard", rescanButton, kDiscard, false, false, false, false, false, "Folders rescanned|"},
      {"button, cancel", rescanButton, kCancel, false, true, true, false, false, kKept},
      {"button, closed", rescanButton, kClosed, false, true, true, false, false, kKept},
      {"button, no dialog program", rescanButton, kSave, false, true, true, false, true},
      {"menu, no dialog program", menuRefresh, kSave, false, true, true, false, true},
      {"list kind, save", listKind, kSave, true, true, false, true},
      {"list kind, discard", listKind, kDiscard, false, false, false, true},
      {"list kind, cancel", listKind, kCancel, false, true, true, false},
      {"list kind, set back meanwhile", listKind, kDiscard, false, false, false, false, false, nullptr,
       setBack},
      {"import, save", import, kSave, true, true, false, false, false,
       "Bank saved: Leads A.syx|Imported.syx imported"},
      {"import, discard", import, kDiscard, false, false, false, false, false,
       "Bank changes discarded|Imported (2).syx imported"},
      {"import, cancel: nothing copied", import, kCancel, false, true, true, false, false,
       "Save bank or Discard changes!|Nothing imported"},
  };
  const librarian_test::Bytes original = librarian_test::readFile(leadsFile());
  for (const UnsavedCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    librarian_test::writeFile(leadsFile(), original);
    auto plug = constructRecording();
    HeadlessSurface* surface = headless(*plug);
    renameFirstRecord(*plug->mPatchLibrarian->mSoundBanks[kLeadsA], "EDITED");
    markUnsaved(*plug);
    surface->QueueMessageBoxResult(c.answer);
    surface->SetDialogsMissing(c.dialogsMissing ? "The dialog needs zenity" : "");
    if (c.whileAsked)
    {
      surface->RunWhileNextPromptShown([&c, &plug]() { c.whileAsked(*plug); });
    }

    c.trigger(*plug);

    EXPECT_EQ(surface->MessageBoxes().size(), c.dialogsMissing ? 0u : 1u) << "asked once";
    if (c.dialogsMissing)
    {
      EXPECT_EQ(plug->getStatusText(), "The dialog needs zenity - edits kept");
    }
    if (c.said)
    {
      EXPECT_EQ(plug->getStatusText() + "|" + plug->getStatusDetail(), c.said);
    }
    const librarian_test::Bytes onDisk = librarian_test::readFile(leadsFile());
    EXPECT_EQ(std::string(onDisk.begin() + kNameOffset, onDisk.begin() + kNameOffset + 6) == "EDITED",
              c.savedOnDisk);
    EXPECT_EQ(storedName(*plug->mPatchLibrarian->mSoundBanks[kLeadsA]) == "EDITED", c.keptInMemory);
    EXPECT_EQ(plug->hasUnsavedBankEdits(), c.stillUnsaved);
    EXPECT_EQ(plug->mMultiMode.load(), c.multisShown);
    EXPECT_EQ(plug->GetParam(kDatatype)->Int(), c.multisShown ? 1 : 0);
  }
  // The question takes the rescan button's release: the next click on it asks again.
  auto plug = constructRecording();
  plug->SetParameterFromGUI(kMainTab, plug->GetParam(kMainTab)->GetNormalized(1));
  markUnsaved(*plug);
  IMouseMod left(true);
  headless(*plug)->OnMouseDown(1010, 154, &left);
  headless(*plug)->OnMouseDown(1010, 154, &left);
  EXPECT_EQ(headless(*plug)->MessageBoxes().size(), 2u);
  plug->mDatatypeControl->GrayOut(true);
  headless(*plug)->OnMouseDown(400, 150, &left);
  EXPECT_EQ(plug->getStatusText(), "Save bank or Discard changes!") << "why the greyed list kind stays";
}

} // namespace
