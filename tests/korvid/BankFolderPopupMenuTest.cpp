// The bank browsers and bank-name menus on the real editor with a generated library: layout, ticks, choices,
// dismissal, rebuilds and the pane bank-list edits.
#include "GeneratedLibrary.h"

#include "BankFolderPopupMenu.h"
#include "EditorLock.h"
#include "IPopupMenu.h"
#include "MIDIMessageSender.h"
#include "LeftPatchPopupMenu.h"
#include "LeftPerfPopupMenu.h"
#include "LibrarianPatch.h"
#include "PerfBankNamePopupMenu.h"
#include "ProgBankNamePopupMenu.h"
#include "RightCategoryPopupMenu.h"
#include "RightPatchPopupMenu.h"
#include "RightPerfPopupMenu.h"
#include "RightSearchPopupMenu.h"

#include <functional>
#include <thread>

using namespace korvidtest;

namespace
{
using MenuOf = std::function<BankFolderPopupMenu*(Korvid&)>;
using ViewSetup = std::function<void(Korvid&)>;

// Views the lower pane can show, as the change handler sets them up.
void soundView(Korvid&) {}
void multiView(Korvid& plug)
{
  plug.SetParameterFromGUI(kDatatype, 1.0);
}
void categoryView(Korvid& plug)
{
  plug.mCategoryList = true;
  plug.patchTypeChanged(0, 1, false);
}
void searchView(Korvid& plug)
{
  plug.mPatchLibrarian->createNewSearchPatchFiles("LEAD");
  plug.mSearchList = true;
  plug.patchTypeChanged(0, 4, false);
}

const MenuOf kLeftPatch = [](Korvid& p) -> BankFolderPopupMenu* { return p.mLeftPatchPopupMenu; };
const MenuOf kRightPatch = [](Korvid& p) -> BankFolderPopupMenu* { return p.mRightPatchPopupMenu; };
const MenuOf kLeftPerf = [](Korvid& p) -> BankFolderPopupMenu* { return p.mLeftPerfPopupMenu; };
const MenuOf kRightPerf = [](Korvid& p) -> BankFolderPopupMenu* { return p.mRightPerfPopupMenu; };
const MenuOf kCategory = [](Korvid& p) -> BankFolderPopupMenu* { return p.mRightCategoryPopupMenu; };
const MenuOf kSearch = [](Korvid& p) -> BankFolderPopupMenu* { return p.mRightSearchPopupMenu; };
const MenuOf kProgBankName = [](Korvid& p) -> BankFolderPopupMenu* { return p.mProgBankNamePopupMenu; };
const MenuOf kPerfBankName = [](Korvid& p) -> BankFolderPopupMenu* { return p.mPerfBankNamePopupMenu; };

// Every ticked bank item of the menu and its sub-menus.
std::vector<PatchFile*> tickedBanks(BankFolderPopupMenu& control)
{
  std::vector<PatchFile*> ticked;
  std::vector<IPopupMenu*> menus = {&control.getMenu()};
  while (!menus.empty())
  {
    IPopupMenu* menu = menus.back();
    menus.pop_back();
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
      if (IPopupMenu* sub = menu->GetItem(i)->GetSubmenu())
      {
        menus.push_back(sub);
      }
      else if (menu->GetItem(i)->GetChecked())
      {
        ticked.push_back(control.bankOfItem(menu, i));
      }
    }
  }
  return ticked;
}

// The category texts as the library has them (four characters), or without their padding blanks.
std::vector<std::string> categoryTexts(bool trimmedTexts = false)
{
  std::vector<std::string> texts(LibrarianPatch::kCategoryTexts,
                                 LibrarianPatch::kCategoryTexts + LibrarianPatch::kCategoryCount);
  for (std::string& text : texts)
  {
    text = trimmedTexts ? trimmed(text) : text;
  }
  return texts;
}

class BankFolderMenus : public GeneratedLibraryFixture
{
};

struct LayoutCase
{
  const char* name;
  ViewSetup setup;
  MenuOf menu;
  std::vector<std::string> top;
  std::vector<std::string> labels;
  // The bank that carries the one tick.
  std::function<PatchFile*(Korvid&)> ticked;
};

TEST_F(BankFolderMenus, EachMenuLaysOutItsBanksByItsRuleAndTicksTheShownBank)
{
  const std::vector<std::string> folderTop = {"Leads", "X", "Y", "Root Bank.syx"};
  const std::vector<std::string> folderLabels = {"Old", "Leads", "Factory", "X", "Factory", "Y", "Patches"};
  std::vector<std::string> categoryLabels = categoryTexts();
  categoryLabels.push_back("");
  const auto firstSound = [](Korvid& p) { return p.mPatchLibrarian->mSoundBanks[0]; };
  const auto firstMulti = [](Korvid& p) { return p.mPatchLibrarian->mMultiBanks[0]; };
  // The lower pair names a sound bank, which these lists do not hold: the tick stays at running position 0.
  const auto firstCategoryItem = [](Korvid& p)
  {
    BankFolderPopupMenu* menu = p.mRightCategoryPopupMenu;
    return menu->bankOfItem(menu->getMenu().GetItem(0)->GetSubmenu(), 0);
  };
  const auto firstSearchResult = [](Korvid& p) { return p.mPatchLibrarian->mSearchBanks[0]; };
  const LayoutCase cases[] = {
      {"upper sounds", soundView, kLeftPatch, folderTop, folderLabels, firstSound},
      {"lower sounds", soundView, kRightPatch, folderTop, folderLabels, firstSound},
      {"sound bank names", soundView, kProgBankName, folderTop, folderLabels, firstSound},
      {"upper multis", multiView, kLeftPerf, {"Multis"}, {"Multis"}, firstMulti},
      {"lower multis", multiView, kRightPerf, {"Multis"}, {"Multis"}, firstMulti},
      {"multi bank names", multiView, kPerfBankName, {"Multis"}, {"Multis"}, firstMulti},
      {"categories", categoryView, kCategory, categoryTexts(true), categoryLabels, firstCategoryItem},
      {"search results",
       searchView,
       kSearch,
       {"Search Results 1", "Search Results 2"},
       {"Patches"},
       firstSearchResult},
  };
  for (const LayoutCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = constructRecording();
    c.setup(*plug);
    BankFolderPopupMenu* menu = c.menu(*plug);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(itemTexts(menu->getMenu()), c.top);
    EXPECT_EQ(menu->menuLabels(), c.labels);
    ASSERT_EQ(menu->registeredMenus().size(), menu->menuLabels().size());
    // Bank items show the file name alone, no numbering.
    EXPECT_EQ(menu->getMenu().GetPrefix(), 0);
    const std::vector<PatchFile*> ticked = tickedBanks(*menu);
    ASSERT_EQ(ticked.size(), 1u);
    EXPECT_EQ(ticked[0], c.ticked(*plug));
  }
}

TEST_F(BankFolderMenus, TheFolderRuleListsSubFolderEntriesBeforeTheFolderBanksAndTicksTheNamedBank)
{
  auto plug = constructRecording();
  BankFolderPopupMenu* menu = plug->mLeftPatchPopupMenu;
  IPopupMenu* leads = menu->getMenu().GetItem(0)->GetSubmenu();
  ASSERT_NE(leads, nullptr);
  EXPECT_EQ(itemTexts(*leads), (std::vector<std::string>{"Old", "Leads A.syx"}));
  // The stored pair names "Leads/Leads A.syx": the tick moves there from "Old/Leads A.syx", which stands at
  // running position 0.
  const std::vector<PatchFile*> ticked = tickedBanks(*menu);
  ASSERT_EQ(ticked.size(), 1u);
  EXPECT_EQ(ticked[0], plug->mPatchLibrarian->mSoundBanks[kLeadsA]);
  EXPECT_EQ(menu->bankOfItem(leads, 1), plug->mPatchLibrarian->mSoundBanks[kLeadsA]);
  EXPECT_EQ(menu->bankOfItem(leads, 0), nullptr) << "a folder entry stands for no bank";
}

struct ChoiceCase
{
  const char* name;
  ViewSetup setup;
  MenuOf menu;
  std::vector<int> path;
  int pane;
  int index;
  const char* fileName;
  const char* folderName;
  const char* firstRecord;
  // What a worker does while the menu is up, and the message line then (null: the chosen file's name).
  std::function<void()> whileShown = nullptr;
  const char* said = nullptr;
};

TEST_F(BankFolderMenus, AChosenBankFillsItsPaneEvenWhenAnotherHasTheSameNameInAFolderOfTheSameName)
{
  Korvid* shown = nullptr;
  const auto rescan = [&shown]() { std::thread(rescanOnWorker, shown).join(); };
  const auto gone = [this, rescan]()
  {
    fs::remove(patchesFolder() + "/Y/Factory/Bank.syx");
    rescan();
  };
  constexpr const char* kGone = "Bank.syx is no longer in the library - nothing opened";
  const ChoiceCase cases[] = {
      {"Y/Factory", soundView, kLeftPatch, {2, 0, 0}, 0, kYFactoryBank, "Bank.syx", "Factory", "YFAC 1"},
      {"X/Factory", soundView, kLeftPatch, {1, 0, 0}, 0, kXFactoryBank, "Bank.syx", "Factory", "XFAC 1"},
      {"root bank", soundView, kLeftPatch, {3}, 0, kRootBank, "Root Bank.syx", "Patches", "ROOT 1"},
      {"third level", soundView, kRightPatch, {0, 0, 0}, 1, kOldLeadsA, "Leads A.syx", "Old", "OLDL 1"},
      {"lower Y/Factory",
       soundView,
       kRightPatch,
       {2, 0, 0},
       1,
       kYFactoryBank,
       "Bank.syx",
       "Factory",
       "YFAC 1"},
      {"upper multis", multiView, kLeftPerf, {0, 1}, 0, kMultiSet, "Multi Set.syx", "Multis", "MULT 1"},
      {"lower multis", multiView, kRightPerf, {0, 0}, 1, kMoreMultis, "More Multis.syx", "Multis", "MORE 1"},
      {"search", searchView, kSearch, {0}, 1, 0, "Search Results 1", "Patches", "LEAD 1"},
      {"rescan", soundView, kLeftPatch, {2, 0, 0}, 0, kYFactoryBank, "Bank.syx", "Factory", "YFAC 1", rescan},
      // Last: the file stays removed.
      {"gone", soundView, kLeftPatch, {2, 0, 0}, 0, kLeadsA, "Leads A.syx", "Leads", "LEAD 1", gone, kGone},
  };
  for (const ChoiceCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = constructRecording();
    c.setup(*plug);
    HeadlessSurface* surface = headless(*plug);
    BankFolderPopupMenu* menu = c.menu(*plug);
    surface->QueueMenuPath(c.path);
    shown = plug.get();
    surface->RunWhileNextPromptShown(c.whileShown);
    menu->OnMouseDown(0, 0, nullptr);

    PatchLibrarian& library = *plug->mPatchLibrarian;
    EXPECT_EQ(c.pane == 0 ? library.mUpperBankIndex : library.mLowerBankIndex, c.index);
    EXPECT_EQ(plug->GetParam(c.pane == 0 ? kPatchSelectionListUpper : kPatchSelectionListLower)->Int(),
              c.index);
    const Korvid::SelectionName& pair = plug->panePair(c.pane == 0);
    EXPECT_EQ(pair.displayName, c.fileName);
    EXPECT_EQ(pair.title, c.folderName);
    EXPECT_EQ(plug->getStatusText(), c.said ? c.said : c.fileName)
        << "the message line names the bank opened";
    EXPECT_EQ(slotText(*plug, c.pane, 0), c.firstRecord);
    // The tick moved to the chosen item alone.
    const std::vector<PatchFile*> ticked = tickedBanks(*menu);
    ASSERT_EQ(ticked.size(), 1u);
    EXPECT_EQ(trimmed(ticked[0]->mRecords[0].mName), c.firstRecord);
    EXPECT_TRUE(posted.empty()) << "a browser sends nothing";
  }
}

TEST_F(BankFolderMenus, AChosenCategoryBankFillsTheLowerPaneAndAnEmptyOneChangesNothing)
{
  auto plug = constructRecording();
  categoryView(*plug);
  PatchLibrarian& library = *plug->mPatchLibrarian;
  HeadlessSurface* surface = headless(*plug);
  // Category 1 holds the 256 sounds of "LEAD" and "XFAC": its sub-menu lists banks 1, 2 and an empty third.
  IPopupMenu* category = plug->mRightCategoryPopupMenu->getMenu().GetItem(1)->GetSubmenu();
  ASSERT_NE(category, nullptr);
  ASSERT_EQ(category->GetNItems(), 3);
  PatchFile* second = plug->mRightCategoryPopupMenu->bankOfItem(category, 1);
  const auto position = std::find(library.mCategoryBanks.begin(), library.mCategoryBanks.end(), second);
  ASSERT_NE(position, library.mCategoryBanks.end());

  surface->QueueMenuPath({1, 1});
  plug->mRightCategoryPopupMenu->OnMouseDown(0, 0, nullptr);
  EXPECT_EQ(library.mLowerBankIndex, position - library.mCategoryBanks.begin());
  EXPECT_EQ(plug->mLowerListPair.displayName, second->mFileName);
  EXPECT_EQ(slotText(*plug, 1, 0), trimmed(second->mRecords[0].mName));

  // The empty bank is in the menu but not in the list: neither the selection nor the pair may name it.
  const Korvid::SelectionName before = plug->mLowerListPair;
  surface->QueueMenuPath({1, 2});
  plug->mRightCategoryPopupMenu->OnMouseDown(0, 0, nullptr);
  EXPECT_EQ(library.mLowerBankIndex, position - library.mCategoryBanks.begin());
  EXPECT_EQ(plug->mLowerListPair.displayName, before.displayName);
  EXPECT_EQ(plug->mLowerListPair.title, before.title);
}

TEST_F(BankFolderMenus, ClosingAMenuWithoutAChoiceChangesAndSendsNothing)
{
  const MenuOf menus[] = {kLeftPatch, kRightPatch, kProgBankName};
  for (const MenuOf& menuOf : menus)
  {
    auto plug = constructRecording();
    HeadlessSurface* surface = headless(*plug);
    plug->mPatchLibrarian->mUpperBankIndex = kRootBank;
    plug->mPatchLibrarian->mLowerBankIndex = kRootBank;
    plug->mLibrarianView->getSlotText(0, 0)->SetTextFromPlug("untouched");
    plug->mLibrarianView->getSlotText(1, 0)->SetTextFromPlug("untouched");
    const Korvid::SelectionName upper = plug->mUpperSoundPair;
    surface->QueueMenuChoice(-1);
    menuOf(*plug)->OnMouseDown(0, 0, nullptr);
    EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, kRootBank);
    EXPECT_EQ(plug->mPatchLibrarian->mLowerBankIndex, kRootBank);
    EXPECT_EQ(plug->mUpperSoundPair.displayName, upper.displayName);
    EXPECT_EQ(slotText(*plug, 0, 0), "untouched");
    EXPECT_EQ(slotText(*plug, 1, 0), "untouched");
    EXPECT_TRUE(posted.empty());
  }
}

TEST_F(BankFolderMenus, AnEmptyLibraryShowsNoMenu)
{
  fs::remove_all(patchesFolder());
  createLibrary();
  auto plug = constructRecording();
  HeadlessSurface* surface = headless(*plug);
  plug->mLeftPatchPopupMenu->OnMouseDown(0, 0, nullptr);
  plug->mProgBankNamePopupMenu->OnMouseDown(0, 0, nullptr);
  EXPECT_TRUE(surface->Menus().empty());
  EXPECT_TRUE(plug->mLeftPatchPopupMenu->menuLabels().empty());
}

struct RebuildCase
{
  const char* name;
  int index;
  const char* fileName;
  const char* folderName;
  int paneIndexBefore;
  int selected;
  int tickedBank;
};

TEST_F(BankFolderMenus, ARebuildSelectsTheNamedBankPreferringTheOneAtTheIndexOrTheShownOne)
{
  const RebuildCase cases[] = {
      {"index names it", kYFactoryBank, "Bank.syx", "Factory", kLeadsA, kYFactoryBank, kYFactoryBank},
      {"the shown one names it", 0, "Bank.syx", "Factory", kXFactoryBank, kXFactoryBank, kXFactoryBank},
      {"neither: the last match", 0, "Bank.syx", "Factory", kLeadsA, kYFactoryBank, kYFactoryBank},
      {"unique name", 0, "Root Bank.syx", "Patches", kLeadsA, kRootBank, kRootBank},
      {"a shortened display name", 0, "Root Bank.syx", "Leads", kLeadsA, kLeadsA, kOldLeadsA},
      {"no bank named: tick at position 0", 0, "", "", kRootBank, kRootBank, kOldLeadsA},
      {"no bank named: tick at position 2", 2, "", "", kRootBank, kRootBank, kXFactoryBank},
  };
  auto plug = constructRecording();
  PatchLibrarian& library = *plug->mPatchLibrarian;
  for (const RebuildCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    library.mUpperBankIndex = c.paneIndexBefore;
    plug->GetParam(kPatchSelectionListUpper)->Set(c.paneIndexBefore);
    plug->mLeftPatchPopupMenu->refreshFolderStructure(&library, plug.get(), c.index, c.fileName,
                                                      c.folderName);
    EXPECT_EQ(library.mUpperBankIndex, c.selected);
    EXPECT_EQ(plug->GetParam(kPatchSelectionListUpper)->Int(), c.selected);
    const std::vector<PatchFile*> ticked = tickedBanks(*plug->mLeftPatchPopupMenu);
    ASSERT_EQ(ticked.size(), 1u);
    EXPECT_EQ(ticked[0], library.mSoundBanks[static_cast<size_t>(c.tickedBank)]);
  }
}

TEST_F(BankFolderMenus, AShortenedNameSelectsOnlyTheBankThatGotThatWholeForm)
{
  // Three names too long to show (up to 248 bytes), of one start of letters in three bytes: the lists show
  // them as "<start>~1.syx", "~2.syx", "~3.kvd", the start cut before the letter its 47th byte falls in. A
  // name with a noncharacter is listed by its own bytes.
  std::string start = "Long";
  for (int i = 0; i < 78; ++i)
    start += "\xE2\x82\xAC";
  const std::string nonchar = "Nc\xEF\xBF\xBF.syx";
  const fs::path folder(patchesFolder());
  fs::create_directories(folder / "Long");
  for (const std::string& name : {start + " one.syx", start + " three.syx", start + " two.kvd", nonchar})
    fs::copy_file(folder / "Root Bank.syx", folder / "Long" / name);
  start.resize(4 + 14 * 3);
  auto plug = constructRecording();
  PatchLibrarian& library = *plug->mPatchLibrarian;
  const int root = static_cast<int>(library.mSoundBanks.size()) - 1;
  ASSERT_EQ(library.mSoundBanks[static_cast<size_t>(root)]->mFileName, "Root Bank.syx");
  std::vector<std::pair<std::string, int>> cases;
  for (size_t i = 0; i < library.mSoundBanks.size(); ++i)
  {
    const std::string shown = plug->GetParam(kPatchSelectionListUpper)->GetDisplayText(static_cast<int>(i));
    if (shown.find('~') != std::string::npos || shown == nonchar)
      cases.emplace_back(shown, static_cast<int>(i));
  }
  ASSERT_EQ(cases.size(), 4u);
  EXPECT_EQ(cases[0].first, start + "~1.syx");
  // Forms no bank got (another number, another extension) name none: the pane keeps its bank.
  for (const char* form : {"~4.syx", "~2.kvd", "~1.kvd"})
    cases.emplace_back(start + form, root);
  for (const auto& [shown, selected] : cases)
  {
    SCOPED_TRACE(shown);
    library.mUpperBankIndex = root;
    plug->GetParam(kPatchSelectionListUpper)->Set(root);
    plug->mLeftPatchPopupMenu->refreshFolderStructure(&library, plug.get(), 0, shown.c_str(), "Long");
    EXPECT_EQ(library.mUpperBankIndex, selected);
    // Only the bank named is ticked; none of the four when no bank is named.
    const std::vector<PatchFile*> ticked = tickedBanks(*plug->mLeftPatchPopupMenu);
    ASSERT_EQ(ticked.size(), 1u);
    EXPECT_TRUE(selected == root ? ticked[0]->mFolderName != "Long"
                                 : ticked[0] == library.mSoundBanks[static_cast<size_t>(selected)]);
  }
}

struct ListEditCase
{
  const char* name;
  ViewSetup setup;
  int paramIdx;
  int index;
  MenuOf menu;
  std::function<const Korvid::SelectionName&(Korvid&)> pair;
  std::function<const std::vector<PatchFile*>&(PatchLibrarian&)> banks;
};

TEST_F(BankFolderMenus, ABankListEditStoresTheIndexCopiesTheNamesAndRebuildsThePaneMenu)
{
  const auto sounds = [](PatchLibrarian& l) -> const std::vector<PatchFile*>& { return l.mSoundBanks; };
  const auto multis = [](PatchLibrarian& l) -> const std::vector<PatchFile*>& { return l.mMultiBanks; };
  const auto categories = [](PatchLibrarian& l) -> const std::vector<PatchFile*>&
  { return l.mCategoryBanks; };
  const auto searches = [](PatchLibrarian& l) -> const std::vector<PatchFile*>& { return l.mSearchBanks; };
  const ListEditCase cases[] = {
      {"upper sounds", soundView, kPatchSelectionListUpper, kYFactoryBank, kLeftPatch,
       [](Korvid& p) -> const Korvid::SelectionName& { return p.mUpperSoundPair; }, sounds},
      {"lower sounds", soundView, kPatchSelectionListLower, kOldLeadsA, kRightPatch,
       [](Korvid& p) -> const Korvid::SelectionName& { return p.mLowerSoundPair; }, sounds},
      {"upper multis", multiView, kPatchSelectionListUpper, kMultiSet, kLeftPerf,
       [](Korvid& p) -> const Korvid::SelectionName& { return p.mUpperMultiPair; }, multis},
      {"lower categories", categoryView, kPatchSelectionListLower, 2, kCategory,
       [](Korvid& p) -> const Korvid::SelectionName& { return p.mLowerListPair; }, categories},
      {"lower search results", searchView, kPatchSelectionListLower, 1, kSearch,
       [](Korvid& p) -> const Korvid::SelectionName& { return p.mLowerListPair; }, searches},
  };
  for (const ListEditCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = constructRecording();
    c.setup(*plug);
    PatchLibrarian& library = *plug->mPatchLibrarian;
    // The edit as the change handler receives it (an unchanged value would not reach it).
    plug->GetParam(c.paramIdx)->Set(c.index);
    plug->OnParamChange(c.paramIdx);
    const bool upper = c.paramIdx == kPatchSelectionListUpper;
    EXPECT_EQ(upper ? library.mUpperBankIndex : library.mLowerBankIndex, c.index);
    const PatchFile* bank = c.banks(library)[static_cast<size_t>(c.index)];
    EXPECT_EQ(c.pair(*plug).displayName, bank->mFileName);
    EXPECT_EQ(c.pair(*plug).title, bank->mFolderName);
    const std::vector<PatchFile*> ticked = tickedBanks(*c.menu(*plug));
    ASSERT_EQ(ticked.size(), 1u);
    if (c.menu(*plug) == plug->mLeftPatchPopupMenu || c.menu(*plug) == plug->mRightPatchPopupMenu)
    {
      EXPECT_EQ(ticked[0], bank) << "the folder menus move the tick to the named bank";
    }
  }
}

TEST_F(BankFolderMenus, TheUpperPaneKeepsABankWithUnsavedEdits)
{
  const ViewSetup moves[] = {
      [](Korvid& plug)
      {
        plug.GetParam(kPatchSelectionListUpper)->Set(kLeadsA);
        plug.OnParamChange(kPatchSelectionListUpper);
      },
      // Switching the lower pane to the category banks leaves the upper list alone: nothing to refuse.
      categoryView,
      // A bank-name choice, and a refresh of that menu with the lower pane's pair.
      [](Korvid& plug)
      {
        headless(plug)->QueueMenuPath({2, 0, 0});
        plug.mProgBankNamePopupMenu->OnMouseDown(0, 0, nullptr);
      },
      [](Korvid& plug) {
        plug.mProgBankNamePopupMenu->refreshPatchNames(plug.mPatchLibrarian, &plug, 0, "Leads A.syx",
                                                       "Leads");
      },
      // A click on the upper bank's name, whose menu the edits hide on the librarian page.
      [](Korvid& plug)
      {
        plug.SetParameterFromGUI(kMainTab, plug.GetParam(kMainTab)->GetNormalized(1));
        plug.SetLibrarianStatusUnsaved(true);
        IMouseMod left(true);
        headless(plug)->OnMouseDown(600, 195, &left);
      },
  };
  int round = 0;
  for (const ViewSetup& move : moves)
  {
    SCOPED_TRACE(round++);
    auto plug = constructRecording();
    plug->GetParam(kPatchSelectionListUpper)->Set(kRootBank);
    plug->OnParamChange(kPatchSelectionListUpper);
    plug->mLibrarianView->patchSelectionUpperChanged();
    markUnsaved(*plug);
    // Without a port every edit's tail would report the missing port over the refusal.
    plug->mOutputPresent = true;
    posted.clear();
    move(*plug);
    EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, kRootBank);
    EXPECT_EQ(plug->GetParam(kPatchSelectionListUpper)->Int(), kRootBank);
    EXPECT_EQ(plug->mUpperSoundPair.displayName, "Root Bank.syx");
    EXPECT_EQ(slotText(*plug, 0, 0), "ROOT 1");
    EXPECT_TRUE(posted.empty()) << "nothing is sent";
    if (round != 4)
    {
      EXPECT_EQ(plug->getStatusText() == Korvid::kSaveOrDiscardText, round != 2);
    }
  }
}

struct BankNameCase
{
  const char* name;
  ViewSetup setup;
  MenuOf menu;
  std::vector<int> path;
  int mainTab;
  int upperIndex;
  const char* fileName;
  const char* upperFirstRecord;
};

TEST_F(BankFolderMenus, ABankNameChoiceMakesTheUpperBankAndSendsTheProgramSlotFromTheFocusedPane)
{
  const BankNameCase cases[] = {
      {"sounds, librarian page", soundView, kProgBankName, {2, 0, 0}, 1, kYFactoryBank, "Bank.syx", "YFAC 1"},
      {"sounds, other page", soundView, kProgBankName, {1, 0, 0}, 0, kXFactoryBank, "Bank.syx", "untouched"},
      {"multis", multiView, kPerfBankName, {0, 1}, 1, kMultiSet, "Multi Set.syx", "MULT 1"},
  };
  constexpr int kPart = 2;
  constexpr int kProgram = 7;
  for (const BankNameCase& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto plug = constructRecording();
    c.setup(*plug);
    plug->SetParameterFromGUI(kQuickTab, plug->GetParam(kQuickTab)->GetNormalized(kPart));
    plug->GetParam(kMainTab)->Set(c.mainTab);
    // The program area follows the library: the program number is the slot sent.
    plug->GetParam(kControlLibrary)->Set(1.0);
    plug->GetParam(plug->mMultiMode ? kMultiPatch : kMultiPartPatch + kPart)->Set(kProgram);
    plug->mOutputPresent = true;
    plug->mLibrarianView->activePane = LibrarianViewControl::kLowerPane;
    plug->mLibrarianView->getSlotText(0, 0)->SetTextFromPlug("untouched");
    posted.clear();

    headless(*plug)->QueueMenuPath(c.path);
    c.menu(*plug)->OnMouseDown(0, 0, nullptr);

    EXPECT_EQ(plug->mPatchLibrarian->mUpperBankIndex, c.upperIndex);
    EXPECT_EQ(plug->GetParam(kPatchSelectionListUpper)->Int(), c.upperIndex);
    EXPECT_EQ((plug->mMultiMode ? plug->mUpperMultiPair : plug->mUpperSoundPair).displayName, c.fileName);
    EXPECT_EQ(plug->getStatusText(), c.fileName);
    EXPECT_EQ(slotText(*plug, 0, 0), c.upperFirstRecord)
        << "the upper pane reloads on the librarian page only";
    if (plug->mMultiMode)
    {
      EXPECT_EQ(plug->GetParam(kMultiPatch)->Int(), c.upperIndex) << "the multi program follows the bank";
    }
    // The slot at the cursor goes from the focused (lower) pane to the current part.
    const int slot = plug->mMultiMode ? c.upperIndex : kProgram;
    EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, slot);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].jobCode, MIDIMessageSender::kJobSendLibraryPatch);
    EXPECT_EQ(posted[0].slotIndex, slot);
    EXPECT_EQ(posted[0].part, kPart);
    ASSERT_NE(posted[0].record, nullptr);
    const PatchFile* lower = LibrarianViewControl::bankOfPane(plug->mPatchLibrarian, 1, false, false);
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(posted[0].record->mName, lower->mRecords[static_cast<size_t>(slot)].mName);
  }
}

} // namespace
