// The librarian cases of the change handler: bank selection and stepping, search, category list, rename,
// discard and rescan, on banks generated into a temporary library.
#include "ParamCasesSupport.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "LibrarianViewControl.h"
#include "ProgramNumberPopupMenu.h"
#include "SoundDumpLayout.h"

#include <functional>

using namespace korvidtest;

namespace
{
constexpr size_t kUpperSoundMenu = 0;
constexpr size_t kLowerSoundMenu = 1;
constexpr size_t kUpperMultiMenu = 2;
constexpr size_t kCategoryMenu = 5;
constexpr size_t kSearchMenu = 8;
constexpr const char* kSaveOrDiscard = "Save bank or Discard changes!";

class ParamChangesLibrarian : public ParamCasesFixture
{
protected:
  // Three sound banks "A.syx", "B.syx", "C.syx" whose first slots are named after them.
  void writeThreeBanks()
  {
    writeSoundBank("A.syx", {"Bass Alpha", "Pad Alpha"});
    writeSoundBank("B.syx", {"Lead (x) Beta", "Pad Beta"});
    writeSoundBank("C.syx", {"Keys Gamma"});
  }

  // With an output port chosen, as a musician has it: the edits' own tails then write no reminder to
  // choose one over the messages of the cases.
  std::unique_ptr<Korvid> constructWithOutput()
  {
    midi->setOutputPorts({"Blofeld Out"});
    auto plug = construct();
    chooseOutputPort(*plug, 1);
    return plug;
  }

  static int listValue(Korvid& plug, int paramIdx) { return plug.GetParam(paramIdx)->Int(); }

  static bool unsaved(Korvid& plug) { return plug.GetParam(kBankEditUnsaved)->Value() == 1.0; }

  // The name of an upper-pane slot as the library holds it, blanks at the end removed.
  static std::string upperName(Korvid& plug, int slot)
  {
    const PatchLibrarian* librarian = plug.mPatchLibrarian;
    const PatchFile* bank = librarian->mSoundBanks.at(static_cast<size_t>(librarian->mUpperBankIndex));
    std::string name = bank->mRecords.at(static_cast<size_t>(slot)).mName;
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
  }
};

TEST_F(ParamChangesLibrarian, StepButtonsWrapAroundTheRealListAndDoNothingOnAnEmptyOne)
{
  struct Step
  {
    int paramIdx;
    int upper; // expected bank indexes afterwards
    int lower;
  };
  struct Case
  {
    int banks;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {0,
       {{kLibUpperNextBank, 0, 0},
        {kLibUpperPreviousBank, 0, 0},
        {kLibLowerNextBank, 0, 0},
        {kLibLowerPreviousBank, 0, 0}}},
      // One bank: its list parameter still spans 0..1, but there is no bank 1 to step to.
      {1,
       {{kLibUpperNextBank, 0, 0},
        {kLibUpperPreviousBank, 0, 0},
        {kLibLowerNextBank, 0, 0},
        {kLibLowerPreviousBank, 0, 0}}},
      {3,
       {{kLibUpperPreviousBank, 2, 0},
        {kLibUpperNextBank, 0, 0},
        {kLibUpperNextBank, 1, 0},
        {kLibLowerPreviousBank, 1, 2},
        {kLibLowerNextBank, 1, 0},
        {kLibLowerNextBank, 1, 1}}},
  };
  const char* files[] = {"A.syx", "B.syx", "C.syx"};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(std::to_string(c.banks) + " banks");
    createLibrary();
    for (int i = 0; i < c.banks; ++i)
    {
      writeSoundBank(files[i], {files[i]});
    }
    auto plug = construct();
    ASSERT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), static_cast<size_t>(c.banks));
    for (const Step& step : c.steps)
    {
      press(*plug, step.paramIdx);
      EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, step.upper);
      EXPECT_EQ(plug->mPatchLibrarian->mLowerBankIndex, step.lower);
      EXPECT_EQ(listValue(*plug, kPatchSelectionListUpper), step.upper);
      EXPECT_EQ(listValue(*plug, kPatchSelectionListLower), step.lower);
    }
    if (c.banks == 3)
    {
      // The pane shows the bank stepped to, and the pairs name it for the menus.
      EXPECT_EQ(upperName(*plug, 0), "B.syx");
      EXPECT_EQ(plug->mUpperSoundPair.displayName, "B.syx");
      EXPECT_EQ(plug->mLowerSoundPair.displayName, "B.syx");
      EXPECT_EQ(listValue(*plug, kCurrentOpenPatchBankL), 1);
      EXPECT_EQ(listValue(*plug, kCurrentOpenPatchBankR), 1);
      EXPECT_EQ(std::string(plug->mLibrarianView->getSlotText(0, 0)->GetTextStr()).rfind("B.syx", 0), 0u);
    }
    plug.reset();
    std::filesystem::remove_all(patchesFolder());
  }
}

TEST_F(ParamChangesLibrarian, UnsavedEditsHoldTheUpperBankButNotTheLowerOne)
{
  writeThreeBanks();
  auto plug = constructWithOutput();
  plug->GetParam(kBankEditUnsaved)->Set(1.0);
  press(*plug, kLibUpperNextBank);
  EXPECT_EQ(plug->getStatusText(), kSaveOrDiscard);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 0);
  press(*plug, kLibLowerNextBank);
  EXPECT_EQ(plug->mPatchLibrarian->mLowerBankIndex, 1);
  // A rescan would read the edited bank from disk again: refused as well.
  plug->showStatusText("");
  plug->rescanFolders();
  EXPECT_EQ(plug->getStatusText(), kSaveOrDiscard);
  EXPECT_EQ(plug->mPatchLibrarian->mLowerBankIndex, 1);
}

TEST_F(ParamChangesLibrarian, APartsBankSelectionOpensTheBankForTheCurrentPartHeldToTheList)
{
  writeThreeBanks();
  writeMultiBank("Multis.syx", {"Song One"});
  auto plug = construct();
  edit(*plug, kKeepSelectedBank, 0);
  ASSERT_FALSE(plug->mKeepSelectedBank);
  edit(*plug, kQuickTab, 2);
  ASSERT_EQ(plug->mCurrentPart, 2);
  set(*plug, kCurrentPatchBank + 5, 1);
  EXPECT_EQ(plug->GetParam(kCurrentPatchBank + 2)->Int(), 1);
  EXPECT_EQ(plug->GetParam(kCurrentPatchBank + 5)->Int(), 1);
  set(*plug, kCurrentPatchBank + 5, 0);
  EXPECT_EQ(plug->GetParam(kCurrentPatchBank + 2)->Int(), 0);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 0);
  set(*plug, kCurrentPatchBank + 2, 1);
  EXPECT_EQ(listValue(*plug, kPatchSelectionListUpper), 1);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 1);
  EXPECT_EQ(plug->mUpperSoundPair.displayName, "B.syx");
  EXPECT_EQ(upperName(*plug, 0), "Lead (x) Beta");
  // A number that a shortened list no longer holds (a project restored after banks were removed) opens the
  // last bank.
  set(*plug, kCurrentPatchBank + 2, 9);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 2);
  EXPECT_EQ(listValue(*plug, kPatchSelectionListUpper), 2);
  EXPECT_EQ(upperName(*plug, 0), "Keys Gamma");
  // The part remembers that bank, not a value cut to the parameter's own range.
  EXPECT_EQ(plug->GetParam(kCurrentPatchBank + 2)->Int(), 2);
  // A bank with unsaved edits stays open.
  plug->GetParam(kBankEditUnsaved)->Set(1.0);
  set(*plug, kCurrentPatchBank + 2, 0);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 2);
  plug->GetParam(kBankEditUnsaved)->Set(0.0);
  // In multi mode the upper pane lists multis: the part only remembers its sound bank.
  edit(*plug, kDatatype, 1);
  const int multiBank = plug->mPatchLibrarian->mUpperBankIndex;
  set(*plug, kCurrentPatchBank + 2, 0);
  EXPECT_EQ(plug->GetParam(kCurrentPatchBank + 2)->Int(), 0);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, multiBank);
  EXPECT_STREQ(
      plug->GetParam(kPatchSelectionListUpper)->GetDisplayText(listValue(*plug, kPatchSelectionListUpper)),
      "Multis.syx");
  edit(*plug, kDatatype, 0);
  set(*plug, kCurrentPatchBank + 2, 2);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 2);
  // Kept open, the bank does not follow the parts.
  edit(*plug, kKeepSelectedBank, 1);
  set(*plug, kCurrentPatchBank + 2, 0);
  EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 2);
  // The bank the user opens is the one the shown part remembers; kept open, every part's.
  plug->mUpperListControl->SetValueFromUserInput(0.5);
  edit(*plug, kKeepSelectedBank, 0), plug->mUpperListControl->SetValueFromUserInput(0.0);
  EXPECT_EQ(std::pair(listValue(*plug, kCurrentPatchBank + 2), listValue(*plug, kCurrentPatchBank + 5)),
            std::pair(0, 1));
}

TEST_F(ParamChangesLibrarian, TheSearchRunsForEveryNewKeywordMatchedAsText)
{
  writeThreeBanks();
  auto plug = constructWithOutput();
  edit(*plug, kMainTab, 1);
  const IParam* field = plug->GetParam(kPatchSearchString);
  edit(*plug, kPatchSearch, 1);
  EXPECT_TRUE(plug->mSearchFieldLayer->mVisible);
  EXPECT_FALSE(plug->mCategoryLimitLayer->mVisible);
  EXPECT_TRUE(plug->mDatatypeControl->IsGrayed());

  // Menu layers of the lower pane afterwards: 1 shown, 0 hidden, -1 as before.
  struct Step
  {
    const char* text;
    bool results;
    const char* line1;    // "" when not checked
    const char* field;    // the field's text afterwards
    size_t firstBankSize; // records of the first result bank
    int searchMenu;
    int soundMenu;
  };
  const Step steps[] = {
      {"P", false, "Enter 2 digits or more!", "search...", 0, 0, 1},
      {"zz", false, "No results - Try another keyword!", "search...", 0, 0, 1},
      // After no results the next keyword is searched; brackets are plain characters.
      {"(x)", true, "Search Results 1", "(x)", 1, 1, 0},
      // Results shown: each new keyword is searched and its results replace them.
      {"Pad", true, "Search Results 1", "Pad", 2, 1, 0},
      {"Gamma", true, "Search Results 1", "Gamma", 1, 1, 0},
      // Emptied: the pane lists the sound banks again.
      {"", false, "", "search...", 0, 0, 1},
      {"Pad", true, "Search Results 1", "Pad", 2, 1, 0},
      {"", false, "", "search...", 0, 0, 1},
      // Letter size matters; the results of before are gone with the new search.
      {"pad", false, "No results - Try another keyword!", "search...", 0, 0, 1},
      {".*", false, "No results - Try another keyword!", "search...", 0, 0, 1},
      {"Alpha", true, "Search Results 1", "Alpha", 2, 1, 0},
  };
  for (const Step& step : steps)
  {
    SCOPED_TRACE(std::string("\"") + step.text + "\"");
    enterText(*plug, kPatchSearchString, step.text);
    EXPECT_EQ(plug->mSearchList, step.results);
    if (step.searchMenu >= 0)
    {
      EXPECT_EQ(plug->mMenuLayers[kSearchMenu]->mVisible, step.searchMenu == 1);
    }
    if (step.soundMenu >= 0)
    {
      EXPECT_EQ(plug->mMenuLayers[kLowerSoundMenu]->mVisible, step.soundMenu == 1);
    }
    if (*step.line1)
    {
      EXPECT_EQ(plug->getStatusText(), step.line1);
      if (std::string(step.line1) == "No results - Try another keyword!")
      {
        EXPECT_EQ(line(*plug, 1), "Letter size matters!");
      }
    }
    EXPECT_STREQ(field->GetDisplayText(0), step.field);
    if (step.results)
    {
      ASSERT_FALSE(plug->mPatchLibrarian->mSearchBanks.empty());
      EXPECT_EQ(plug->mPatchLibrarian->mSearchBanks.front()->mRecords.size(), step.firstBankSize);
      EXPECT_STREQ(plug->GetParam(kPatchSelectionListLower)->GetDisplayText(0), "Search Results 1");
    }
  }
  // Results found after none: the page shown replaces the verdict on the keyword before.
  EXPECT_EQ(line(*plug, 1), "");

  edit(*plug, kPatchSearch, 0);
  EXPECT_FALSE(plug->mSearchList);
  EXPECT_FALSE(plug->mSearchFieldLayer->mVisible);
  EXPECT_TRUE(plug->mCategoryLimitLayer->mVisible);
  EXPECT_FALSE(plug->mDatatypeControl->IsGrayed());
  EXPECT_STREQ(field->GetDisplayText(0), "search...");
  EXPECT_TRUE(plug->mMenuLayers[kLowerSoundMenu]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[kSearchMenu]->mVisible);
}

TEST_F(ParamChangesLibrarian, SearchesTypedIntoTheFieldListTheirRecordsAtOnceInARealLibrary)
{
  KORVID_REQUIRE_SHARED_BANKS();
  createLibrary();
  std::filesystem::copy_file(sharedBankFile("factory-2008.syx"), patchesFolder() + "/factory-2008.syx");
  auto plug = constructWithOutput();
  edit(*plug, kMainTab, 1);
  edit(*plug, kPatchSearch, 1);
  auto* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  ASSERT_NE(surface, nullptr);
  IParam* field = plug->GetParam(kPatchSearchString);
  IControl* fieldControl = field->GetAction()->boundControls.at(0);
  IMouseMod left(true);
  // Typed as the user does: a click opens the field, the entry commits the text.
  auto type = [&](const std::string& text)
  {
    surface->QueueTextEntry(text);
    fieldControl->OnMouseDown(fieldControl->GetRECT()->MW(), fieldControl->GetRECT()->MH(), &left);
  };
  // The lower pane's names, blanks at the end removed, up to the first empty slot.
  auto lowerNames = [&]()
  {
    std::vector<std::string> names;
    for (int slot = 0; slot < LibrarianViewControl::kSlotCount; ++slot)
    {
      std::string name = plug->mLibrarianView->getSlotText(1, slot)->GetTextStr();
      if (name.empty())
        break;
      names.push_back(name.substr(0, name.find_last_not_of(' ') + 1));
    }
    return names;
  };
  const std::string firstSound = plug->mLibrarianView->getSlotText(1, 0)->GetTextStr();
  // Keywords without results, then one the factory banks hold: it is listed at once.
  for (const char* keyword : {"bass", "zzzz", "Pad Beta", "dawn"})
  {
    SCOPED_TRACE(keyword);
    type(keyword);
    EXPECT_EQ(plug->getStatusText(), "No results - Try another keyword!");
    EXPECT_FALSE(plug->mSearchList);
    EXPECT_STREQ(field->GetDisplayText(0), "search...");
  }
  type("Dawn");
  const std::vector<std::string> dawn{"Dawn Organ", "FromBass2Dawn"};
  EXPECT_EQ(lowerNames(), dawn);
  EXPECT_STREQ(plug->GetParam(kPatchSelectionListLower)->GetDisplayText(0), "Search Results 1");
  EXPECT_NE(plug->getStatusText(), "No results - Try another keyword!");
  // A new keyword while results are shown lists its own.
  type("organ");
  EXPECT_EQ(lowerNames(), (std::vector<std::string>{"Chorgany      SK"}));
  // Emptied: one search of nothing, not of the placeholder shown afterwards.
  type("");
  EXPECT_STREQ(field->GetDisplayText(0), "search...");
  EXPECT_FALSE(plug->mSearchList);
  EXPECT_EQ(plug->getStatusText(), "");
  EXPECT_EQ(plug->getStatusDetail(), "");
  EXPECT_EQ(std::string(plug->mLibrarianView->getSlotText(1, 0)->GetTextStr()), firstSound);
  type("Bass");
  const std::vector<std::string> found = lowerNames();
  EXPECT_EQ(found.size(), 78u);
  for (const std::string& name : found)
    EXPECT_NE(name.find("Bass"), std::string::npos) << name;
}

TEST_F(ParamChangesLibrarian, TheCategoryListTakesTheLowerPane)
{
  writeThreeBanks();
  auto plug = construct();
  edit(*plug, kCategorySelection, 1);
  EXPECT_TRUE(plug->mCategoryList);
  EXPECT_TRUE(plug->mMenuLayers[kCategoryMenu]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[kLowerSoundMenu]->mVisible);
  EXPECT_TRUE(plug->mPatchSearchControl->IsGrayed());
  EXPECT_TRUE(plug->mDatatypeControl->IsGrayed());
  // The lower list names the category banks; stepping goes through them.
  const size_t categories = plug->mPatchLibrarian->mCategoryBanks.size();
  ASSERT_GT(categories, 0u);
  EXPECT_STREQ(plug->GetParam(kPatchSelectionListLower)->GetDisplayText(0),
               plug->mPatchLibrarian->mCategoryBanks[0]->mFileName.c_str());
  press(*plug, kLibLowerPreviousBank);
  EXPECT_EQ(plug->mPatchLibrarian->mLowerBankIndex, static_cast<int>(categories) - 1);
  edit(*plug, kCategorySelection, 0);
  EXPECT_FALSE(plug->mCategoryList);
  EXPECT_FALSE(plug->mMenuLayers[kCategoryMenu]->mVisible);
  EXPECT_TRUE(plug->mMenuLayers[kLowerSoundMenu]->mVisible);
  EXPECT_FALSE(plug->mPatchSearchControl->IsGrayed());
  EXPECT_FALSE(plug->mDatatypeControl->IsGrayed());
}

TEST_F(ParamChangesLibrarian, TheLowerLabelNamesTheBankThePaneShowsAfterEveryListSwitch)
{
  writeThreeBanks();
  auto plug = constructWithOutput();
  edit(*plug, kMainTab, 1);
  press(*plug, kLibLowerPreviousBank);
  ASSERT_EQ(plug->mPatchLibrarian->mLowerBankIndex, 2);
  plug->mUpperListControl->SetValueFromUserInput(0.5); // B.syx, kept through every switch of the lower list
  // The label (the lower list's text at its value) names the bank whose records the pane lists.
  auto expectLabelNamesThePane = [&](const char* step)
  {
    SCOPED_TRACE(step);
    const IParam* list = plug->GetParam(kPatchSelectionListLower);
    const PatchFile* shown =
        LibrarianViewControl::bankOfPane(plug->mPatchLibrarian, 1, plug->mCategoryList, plug->mSearchList);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(std::string(list->GetDisplayText(list->Int())), shown->mFileName);
    EXPECT_EQ(std::string(plug->mLibrarianView->getSlotText(1, 0)->GetTextStr()), shown->mRecords[0].mName);
    EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 1);
  };
  expectLabelNamesThePane("sound banks");
  edit(*plug, kCategorySelection, 1);
  expectLabelNamesThePane("categories on");
  press(*plug, kLibLowerNextBank);
  expectLabelNamesThePane("next category");
  edit(*plug, kCategorySelection, 0);
  expectLabelNamesThePane("categories off");
  edit(*plug, kPatchSearch, 1);
  enterText(*plug, kPatchSearchString, "Init");
  press(*plug, kLibLowerPreviousBank);
  expectLabelNamesThePane("last page of the search results");
  EXPECT_EQ(plug->getStatusText(), plug->mPatchLibrarian->mSearchBanks.back()->mFileName);
  enterText(*plug, kPatchSearchString, "");
  expectLabelNamesThePane("field emptied");
  enterText(*plug, kPatchSearchString, "Init");
  expectLabelNamesThePane("second search");
  EXPECT_EQ(plug->mPatchLibrarian->mLowerBankIndex, 0);
  enterText(*plug, kPatchSearchString, "Pad");
  expectLabelNamesThePane("new keyword while results are shown");
  edit(*plug, kPatchSearch, 0);
  expectLabelNamesThePane("search off");
  EXPECT_NE(plug->getStatusText(), "Search Results 1") << "said of results no longer shown";
  edit(*plug, kPatchSearch, 1);
  enterText(*plug, kPatchSearchString, "Alpha");
  enterText(*plug, kPatchSearchString, "");
  enterText(*plug, kPatchSearchString, "nothing");
  expectLabelNamesThePane("no results after results");
  edit(*plug, kPatchSearch, 0);
  edit(*plug, kCategorySelection, 1);
  edit(*plug, kCategorySelection, 0);
  expectLabelNamesThePane("categories on and off again");
}

TEST_F(ParamChangesLibrarian, TheListKindSwitchesBothPanesTheirMenusAndTheSearch)
{
  writeThreeBanks();
  writeMultiBank("Multis.syx", {"Song One"});
  auto plug = construct();
  edit(*plug, kMainTab, 1);
  struct Kind
  {
    double value;
    const char* upperList; // first entry of the upper list
    bool multiMenus;
    const char* firstName; // of the upper pane's first slot
  };
  for (const Kind& kind : {Kind{1, "Multis.syx", true, "Song One"}, Kind{0, "A.syx", false, "Bass Alpha"}})
  {
    SCOPED_TRACE(kind.upperList);
    edit(*plug, kDatatype, kind.value);
    EXPECT_EQ(plug->mMultiMode, kind.multiMenus);
    EXPECT_STREQ(plug->GetParam(kPatchSelectionListUpper)->GetDisplayText(0), kind.upperList);
    EXPECT_EQ(plug->mMenuLayers[kUpperMultiMenu]->mVisible, kind.multiMenus);
    EXPECT_EQ(plug->mMenuLayers[kUpperSoundMenu]->mVisible, !kind.multiMenus);
    EXPECT_EQ(plug->mMenuLayers[kLowerSoundMenu]->mVisible, !kind.multiMenus);
    // Multis have no categories and no search.
    EXPECT_EQ(plug->mCategoryLimitLayer->mVisible, !kind.multiMenus);
    EXPECT_EQ(plug->mPatchSearchControl->IsGrayed(), kind.multiMenus);
    EXPECT_FALSE(plug->mProgressLayer->mVisible);
    EXPECT_EQ(std::string(plug->mLibrarianView->getSlotText(0, 0)->GetTextStr()).rfind(kind.firstName, 0),
              0u);
  }
}

TEST_F(ParamChangesLibrarian, RenameWritesTheNameIntoTheRecordAndItsDumpOnce)
{
  writeThreeBanks();
  auto plug = constructWithOutput();
  const PatchFile* bank = plug->mPatchLibrarian->mSoundBanks.at(0);
  // The slot view's "Rename" opens the field for the selected upper slot; the entry renames.
  auto renameSlot = [&](int slot, const std::string& text)
  {
    plug->mLibrarianView->selectedUpper = slot;
    plug->mLibrarianView->renameSlot(0, 0);
    EXPECT_FALSE(plug->mRenameBlocked);
    EXPECT_TRUE(plug->mPatchRenameLayer->mVisible);
    enterText(*plug, kPatchRename, text);
  };
  // The same field opened for a selection the view would not offer (a selection changed behind its back).
  auto renameUnchecked = [&](int slot, const std::string& text)
  {
    plug->mLibrarianView->selectedUpper = slot;
    plug->mRenameBlocked = false;
    plug->mPatchRenameLayer->Hide(false);
    enterText(*plug, kPatchRename, text);
  };
  struct Case
  {
    int slot;
    const char* text;
    const char* name; // the 16 name bytes afterwards
  };
  const Case cases[] = {
      {1, "abc", "abc             "},
      // Cut to the 16 characters the dump holds; tab and non-ASCII characters become blanks.
      {2, "Wobble\tBass\xC3\xA9 Deluxe Edition", "Wobble Bass   De"},
      {127, "Last", "Last            "},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.text);
    renameSlot(c.slot, c.text);
    const LibrarianPatch& record = bank->mRecords.at(static_cast<size_t>(c.slot));
    EXPECT_EQ(record.mName, c.name);
    const std::vector<unsigned char>& dump = record.mMessages.at(0).mData;
    ASSERT_EQ(dump.size(), 392u);
    EXPECT_EQ(nameOf(dump, 370), c.name);
    EXPECT_EQ(dump[390], SysexProtocol::checksum(dump.data(), 392, 7, 389));
    EXPECT_EQ(dump[391], 0xF7);
    EXPECT_EQ(std::string(plug->mLibrarianView->getSlotText(0, c.slot)->GetTextStr()), c.name);
    EXPECT_FALSE(plug->mPatchRenameLayer->mVisible);
    EXPECT_TRUE(plug->mRenameBlocked);
  }
  EXPECT_EQ(plug->getStatusText(), "Slot 128 renamed to Last");
  EXPECT_TRUE(unsaved(*plug));
  EXPECT_TRUE(plug->mDiscardChangesLayerRight->mVisible);
  EXPECT_FALSE(plug->mKeepBankOpenLayer->mVisible);
  EXPECT_TRUE(plug->mDatatypeControl->IsGrayed());
  EXPECT_FALSE(plug->mMenuLayers[kUpperSoundMenu]->mVisible);

  // Without the field opened again, an entry renames nothing.
  enterText(*plug, kPatchRename, "Other");
  EXPECT_EQ(bank->mRecords[1].mName, "abc             ");

  // A slot outside the bank and a slot without a whole dump are refused; the field closes.
  const std::string before = bank->mRecords[3].mName;
  for (int slot : {-1, 128, 500})
  {
    renameUnchecked(slot, "Nope");
    EXPECT_EQ(plug->getStatusText(), "Select a slot to rename!");
    EXPECT_FALSE(plug->mPatchRenameLayer->mVisible);
    EXPECT_TRUE(plug->mRenameBlocked);
  }
  plug->mPatchLibrarian->mSoundBanks[0]->mRecords[3].mMessages.clear();
  renameUnchecked(3, "Nope");
  EXPECT_EQ(plug->getStatusText(), "Nothing to rename in this slot!");
  EXPECT_EQ(bank->mRecords[3].mName, before);
  EXPECT_FALSE(plug->mPatchRenameLayer->mVisible);
}

TEST_F(ParamChangesLibrarian, RenamingAMultiWritesItsNameBytes)
{
  writeMultiBank("Multis.syx", {"Song One"});
  auto plug = construct();
  edit(*plug, kDatatype, 1);
  ASSERT_EQ(plug->mPatchLibrarian->mMultiBanks.size(), 1u);
  plug->mLibrarianView->selectedUpper = 0;
  plug->mRenameBlocked = false;
  enterText(*plug, kPatchRename, "Song Two");
  const LibrarianPatch& record = plug->mPatchLibrarian->mMultiBanks[0]->mRecords[0];
  EXPECT_EQ(nameOf(record.mMessages.at(0).mData, 7), "Song Two        ");
  EXPECT_EQ(record.mMessages[0].mData[423],
            SysexProtocol::checksum(record.mMessages[0].mData.data(), 425, 7, 422));
  EXPECT_TRUE(unsaved(*plug));
  EXPECT_FALSE(plug->mMenuLayers[kUpperMultiMenu]->mVisible);
}

TEST_F(ParamChangesLibrarian, RenameWithoutABankOnlyClosesTheField)
{
  createLibrary();
  auto plug = construct();
  plug->mRenameBlocked = false;
  plug->mPatchRenameLayer->Hide(false);
  enterText(*plug, kPatchRename, "Name");
  EXPECT_FALSE(plug->mPatchRenameLayer->mVisible);
  EXPECT_TRUE(plug->mRenameBlocked);
  EXPECT_FALSE(unsaved(*plug));
}

TEST_F(ParamChangesLibrarian, DiscardReadsTheLibraryAgainAndFreesTheBank)
{
  // While a multi goes out (job 0 in its pause after the dump) the job keeps its overlay and flags.
  for (const bool jobRunning : {false, true})
  {
    SCOPED_TRACE(jobRunning ? "a job running" : "idle");
    createLibrary();
    writeThreeBanks();
    DeviceClock slowClock{DeviceClock::Mode::Scaled, 1000.0}; // outlives the editor and its job
    auto plug = constructWithOutput();
    // Without an output port the buttons say their own outcome all the same.
    plug->mOutputPresent = jobRunning;
    MIDIMessageManager& manager = *plug->mMIDIMessageManager;
    if (jobRunning)
    {
      manager.setClock(&slowClock);
      JobArguments push;
      push.jobCode = MIDIMessageSender::kJobSendArrangement;
      ASSERT_TRUE(manager.post(push, [&plug]() { plug->mIgnoreIncoming = true; }));
      ASSERT_TRUE(waitUntil([&plug] { return plug->mWorkerBusy.load(); }));
    }
    plug->mLibrarianView->selectedUpper = 0;
    plug->mRenameBlocked = false;
    enterText(*plug, kPatchRename, "Renamed");
    ASSERT_EQ(upperName(*plug, 0), "Renamed");
    plug->showStatusText("Data received to slot(s)");
    press(*plug, kDiscardBankData);
    EXPECT_EQ(plug->getStatusText(), "Bank changes discarded");
    EXPECT_FALSE(unsaved(*plug));
    EXPECT_EQ(upperName(*plug, 0), "Bass Alpha");
    EXPECT_FALSE(plug->mDiscardChangesLayerRight->mVisible);
    EXPECT_TRUE(plug->mKeepBankOpenLayer->mVisible);
    EXPECT_FALSE(plug->mDatatypeControl->IsGrayed());
    EXPECT_TRUE(plug->mMenuLayers[kUpperSoundMenu]->mVisible);
    EXPECT_EQ(plug->mProgressLayer->mVisible, jobRunning);
    EXPECT_EQ(plug->mProcessingOverlay.load(), jobRunning);
    EXPECT_EQ(plug->mWorkerBusy.load(), jobRunning);
    EXPECT_EQ(plug->mIgnoreIncoming.load(), jobRunning);
    if (jobRunning)
    {
      // Pauses end early only while the manager stops.
      manager.sender->stopping = true;
      ASSERT_TRUE(waitUntil([&plug] { return !plug->ThreadRunning(); }));
      manager.sender->stopping = false;
      manager.setClock(nullptr);
    }
    // Nothing unsaved any more: the step buttons and the rescan work again.
    press(*plug, kLibUpperNextBank);
    EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 1);
    writeSoundBank("D.syx", {"Delta"});
    plug->showStatusText(kSaveOrDiscard);
    edit(*plug, kRefreshFolders, 1.0);
    EXPECT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), 4u);
    EXPECT_EQ(plug->getStatusText(), "Folders rescanned");
    // One click, one rescan: the release reads nothing.
    writeSoundBank("E.syx", {"Echo"});
    edit(*plug, kRefreshFolders, 0.0);
    EXPECT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), 4u);
    plug.reset();
    std::filesystem::remove_all(patchesFolder());
  }
}

TEST_F(ParamChangesLibrarian, DiscardRevertsTheEditAndKeepsBothBanksAfterEveryListRebuild)
{
  writeThreeBanks();
  for (const char* multi : {"M1.syx", "M2.syx", "M3.syx"})
    writeMultiBank(multi, {multi});
  const auto name = [](Korvid& p, const char* s) { p.mRenameBlocked = false, enterText(p, kPatchRename, s); };
  const auto shown = [](Korvid& p) // both panes' banks and the upper bank's first name; rows: path, kinds
  {
    IParam *upper = p.GetParam(kPatchSelectionListUpper), *lower = p.GetParam(kPatchSelectionListLower);
    return std::string(upper->GetDisplayText(upper->Int())) + "|" + lower->GetDisplayText(lower->Int()) +
           "|" + p.upperBank()->mRecords.at(0).mName;
  };
  const std::tuple<const char*, int, std::function<void(Korvid&)>> rows[] = {
      {"rescan", 2, [](Korvid& p) { press(p, kRefreshFolders); }},
      {"save", 2, [&](Korvid& p) { name(p, "Saved"), press(p, kRefreshFolders); }}, // answered "Yes": saved
      {"discard", 2, [&](Korvid& p) { name(p, "Discarded"), press(p, kDiscardBankData); }},
      {"search", 1, [](Korvid& p) { edit(p, kPatchSearch, 1), enterText(p, kPatchSearchString, "Pad"); }},
      {"category list", 1, [](Korvid& p) { edit(p, kCategorySelection, 1), press(p, kRefreshFolders); }},
      {"categories left", 1,
       [&](Korvid& p) { // the lower pane goes back to the bank it showed before
         edit(p, kKeepSelectedBank, 1), edit(p, kCategorySelection, 1), edit(p, kPatchSelectionListLower, 1);
         edit(p, kCategorySelection, 0);
         EXPECT_EQ(shown(p).substr(0, 12), "C.syx|B.syx|");
       }},
  };
  for (const auto& [path, kinds, act] : rows)
    for (int multis = 0; multis < kinds; ++multis)
    {
      auto plug = construct();
      dynamic_cast<HeadlessSurface*>(plug->getSurface())->QueueMessageBoxResult(1);
      edit(*plug, kDatatype, multis);
      for (const int step : {kLibUpperNextBank, kLibUpperNextBank, kLibLowerNextBank})
        press(*plug, step);
      act(*plug);
      const std::string before = shown(*plug);
      name(*plug, "Edited"), press(*plug, kDiscardBankData);
      EXPECT_EQ(plug->getStatusText() + shown(*plug), "Bank changes discarded" + before) << path << multis;
    }
}
TEST_F(ParamChangesLibrarian, EveryPathThatMovesTheSelectionMovesTheSlotASingleStoreSends)
{
  writeThreeBanks();
  midi->setInputPorts({"Blofeld In"});
  // The left button pressed on slot from of pane and released on upper slot to (-1: where it was pressed).
  const auto mouse = [](Korvid& plug, int pane, int from, int to = -1)
  {
    IMouseMod left(true, false);
    const IRECT a = *plug.mLibrarianView->getSlotText(pane, from)->GetRECT();
    const IRECT b = to < 0 ? a : *plug.mLibrarianView->getSlotText(0, to)->GetRECT();
    plug.getSurface()->OnMouseDown(a.MW(), a.MH(), &left);
    plug.getSurface()->OnMouseDrag(b.MW(), b.MH(), &left);
    plug.getSurface()->OnMouseUp(b.MW(), b.MH(), &left);
  };
  JobArguments requestBank;
  requestBank.jobCode = MIDIMessageSender::kJobRequestAllPatches;
  const struct
  {
    const char* path;
    std::function<void(Korvid&)> act; // after upper slot 5 of bank B was clicked
    int upper;                        // the slot highlighted afterwards in bank B
  } rows[] = {
      {"click", [&](Korvid& p) { mouse(p, 0, 9); }, 9},
      {"keys", [](Korvid& p) { p.mLibrarianView->OnKeyDown(0, 0, 2); }, 6},
      {"drag", [&](Korvid& p) { mouse(p, 1, 0, 9); }, 9},
      {"search", [](Korvid& p) { edit(p, kPatchSearch, 1), enterText(p, kPatchSearchString, "Pad"); }, 5},
      {"category", [](Korvid& p) { edit(p, kCategorySelection, 1); }, 5},
      {"rescan", [](Korvid& p) { edit(p, kRefreshFolders, 1); }, 0},
      {"type switch", [](Korvid& p) { edit(p, kDatatype, 1), edit(p, kDatatype, 0); }, 0},
      {"program stepping", [](Korvid& p) { edit(p, kControlLibrary, 1), edit(p, kPatchUp, 1); }, 1},
      {"program change",
       [this](Korvid& p)
       {
         edit(p, kControlLibrary, 1), edit(p, kMIDIFilterHWPCPassThrough, 1);
         midi->inject("Blofeld In", {0xC2, 20});
       },
       20},
      {"program selector",
       [](Korvid& p)
       {
         edit(p, kControlLibrary, 1);
         dynamic_cast<HeadlessSurface*>(p.getSurface())->QueueMenuPath({2, 3});
         p.mProgramNumberPopupMenu->OnMouseDown(0, 0, nullptr);
       },
       23},
      {"request", [&](Korvid& p) { p.mMIDIMessageManager->post(requestBank); }, 0},
      {"rescan with a lower selection", [&](Korvid& p) { mouse(p, 1, 1), press(p, kRefreshFolders); }, 0},
  };
  for (const auto& row : rows)
  {
    SCOPED_TRACE(row.path);
    auto plug = constructWithOutput();
    // The input starts the device-id probe: a request posted while it runs would be refused.
    edit(*plug, kDeviceInSelection, 1);
    ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
    edit(*plug, kMainTab, 1);
    plug->mUpperListControl->SetValueFromUserInput(0.5);
    mouse(*plug, 0, 5);
    row.act(*plug);
    ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
    plug->mMIDIMessageManager->flushEditorSide();
    EXPECT_EQ(plug->mLibrarianView->selectedUpper, row.upper);
    EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, 1) << "bank B stays in the upper pane";
    midi->clearReceived();
    plug->SendSingleProgramFromLibrarian(true, 0);
    ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
    int stored = -1; // the program of the dump into bank A
    for (const MidiFakeSystem::Bytes& m : midi->received("Blofeld Out"))
      if (m.size() == SoundDumpLayout::kDumpLength && m[SysexProtocol::kBankOffset] == 0)
        stored = m[SysexProtocol::kProgramOffset];
    EXPECT_EQ(stored, row.upper) << plug->getStatusText();
  }
}
} // namespace
