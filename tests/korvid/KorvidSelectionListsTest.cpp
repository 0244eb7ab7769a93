// The bank selection lists: shortened display names, the start-up lists on the real banks, and their rebuild
// by list kind with the browser menus.
#include "KorvidTestSupport.h"

#include "IPopupMenu.h"
#include "LeftPatchPopupMenu.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "ProgBankNamePopupMenu.h"
#include "RightCategoryPopupMenu.h"
#include "RightPatchPopupMenu.h"
#include "RightSearchPopupMenu.h"

#include <algorithm>

using namespace korvidtest;

namespace
{
std::string letters(size_t n, char c = 'a')
{
  return std::string(n, c);
}

TEST(KorvidBankNames, ShortNamesStayWholeAndLongOnesAreNumbered)
{
  int counter = 0;
  std::string previous;
  const std::string name52 = letters(48) + ".syx";
  EXPECT_EQ(Korvid::shortenedBankName(name52, counter, previous), name52);
  EXPECT_EQ(counter, 0);
  const std::string name53 = letters(49) + ".syx";
  const std::string shown = Korvid::shortenedBankName(name53, counter, previous);
  EXPECT_EQ(shown, letters(47) + "~1.syx");
  EXPECT_EQ(shown.size(), 53u);
  // Capital extensions are lower-cased.
  counter = 0;
  previous.clear();
  EXPECT_EQ(Korvid::shortenedBankName(letters(56, 'b') + ".SYX", counter, previous),
            letters(47, 'b') + "~1.syx");
}

TEST(KorvidBankNames, CountersRunOverLongNamesWithOneStart)
{
  const std::string a = letters(47) + "-first-long-name.mid";
  const std::string a2 = letters(47) + "-second-long-name.mid";
  const std::string b = letters(47, 'z') + "-other-long-name.mid";
  const std::string shortName = letters(26, 's') + ".syx";
  int counter = 0;
  std::string previous;
  EXPECT_EQ(Korvid::shortenedBankName(a, counter, previous), letters(47) + "~1.mid");
  EXPECT_EQ(Korvid::shortenedBankName(shortName, counter, previous), shortName);
  EXPECT_EQ(Korvid::shortenedBankName(a2, counter, previous), letters(47) + "~2.mid");
  EXPECT_EQ(Korvid::shortenedBankName(b, counter, previous), letters(47, 'z') + "~1.mid");
  counter = 0;
  previous.clear();
  Korvid::shortenedBankName(a, counter, previous);
  Korvid::shortenedBankName(b, counter, previous);
  EXPECT_EQ(Korvid::shortenedBankName(a2, counter, previous), letters(47) + "~1.mid");
}

TEST(KorvidBankNames, ANameNeverPassesTheDisplayLimit)
{
  int counter = 998;
  std::string previous = letters(47);
  const std::string shown = Korvid::shortenedBankName(letters(50) + ".syx", counter, previous);
  EXPECT_EQ(counter, 999);
  EXPECT_EQ(shown, letters(47) + "~999.syx");
  const std::string longExtension =
      Korvid::shortenedBankName(letters(60) + ".longextension", counter, previous);
  EXPECT_LE(longExtension.size(), static_cast<size_t>(IParam::kMaxDisplayLen));
  EXPECT_EQ(longExtension.substr(0, 52), letters(47) + "~1000");
}

class KorvidSelectionLists : public StartupFixture
{
protected:
  KorvidSelectionLists() { useResources(pluginFolder()); }

  static std::vector<std::string> texts(IParam* param)
  {
    std::vector<std::string> result;
    for (int i = 0; i < param->GetNDisplayTexts(); ++i)
    {
      result.push_back(param->GetDisplayText(i));
    }
    return result;
  }

  static std::vector<std::string> bankNames(const std::vector<PatchFile*>& banks)
  {
    int counter = 0;
    std::string previous;
    std::vector<std::string> result;
    for (const PatchFile* bank : banks)
    {
      result.push_back(Korvid::shortenedBankName(bank->mFileName, counter, previous));
    }
    return result;
  }
};

TEST_F(KorvidSelectionLists, StartUpListsHoldTheRealSoundBanks)
{
  KORVID_REQUIRE_SHARED_BANKS();
  copySharedBanks();
  auto plug = construct();
  const std::vector<PatchFile*>& sounds = plug->mPatchLibrarian->mSoundBanks;
  ASSERT_FALSE(sounds.empty());
  IParam* upper = plug->GetParam(kPatchSelectionListUpper);
  IParam* lower = plug->GetParam(kPatchSelectionListLower);
  EXPECT_EQ(texts(upper), bankNames(sounds));
  EXPECT_EQ(texts(lower), bankNames(sounds));
  EXPECT_STREQ(upper->GetNameForHost(), "Bank Selection List 1");
  EXPECT_STREQ(lower->GetNameForHost(), "Bank Selection List 2");
  EXPECT_EQ(upper->GetMax(), static_cast<double>(std::max<size_t>(1, sounds.size() - 1)));
  EXPECT_EQ(plug->mUpperSoundPair.displayName, sounds[0]->mFileName);
  EXPECT_EQ(plug->mUpperSoundPair.title, sounds[0]->mFolderName);
  EXPECT_EQ(plug->mLowerSoundPair.displayName, sounds[0]->mFileName);
  EXPECT_NE(plug->mUpperListControl, nullptr);

  // The upper browser lists sound banks of the library by folder and ticks the first one when it is there.
  LeftPatchPopupMenu* browser = plug->mLeftPatchPopupMenu;
  int ticked = 0;
  int items = 0;
  bool firstListed = false;
  std::vector<IPopupMenu*> menus = {&browser->getMenu()};
  while (!menus.empty())
  {
    IPopupMenu* menu = menus.back();
    menus.pop_back();
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
      if (IPopupMenu* sub = menu->GetItem(i)->GetSubmenu())
      {
        menus.push_back(sub);
        continue;
      }
      ++items;
      PatchFile* bank = browser->bankOfItem(menu, i);
      ASSERT_NE(bank, nullptr);
      EXPECT_NE(std::find(sounds.begin(), sounds.end(), bank), sounds.end());
      EXPECT_STREQ(menu->GetItemText(i), bank->mFileName.c_str());
      firstListed = firstListed || bank == sounds[0];
      ticked += menu->GetItem(i)->GetChecked() ? 1 : 0;
    }
  }
  EXPECT_GT(items, 0);
  EXPECT_EQ(ticked, firstListed ? 1 : 0);
  // The bank-name selector of the program area lays the sound banks out the same way.
  IPopupMenu& names = plug->mProgBankNamePopupMenu->getMenu();
  ASSERT_EQ(names.GetNItems(), browser->getMenu().GetNItems());
  for (int i = 0; i < names.GetNItems(); ++i)
  {
    EXPECT_STREQ(names.GetItemText(i), browser->getMenu().GetItemText(i));
    EXPECT_EQ(names.GetItem(i)->GetChecked(), browser->getMenu().GetItem(i)->GetChecked());
  }
}

TEST_F(KorvidSelectionLists, AnEmptyLibraryGivesEmptyLists)
{
  createLibrary();
  auto plug = construct();
  IParam* upper = plug->GetParam(kPatchSelectionListUpper);
  EXPECT_EQ(upper->GetNDisplayTexts(), 0);
  EXPECT_EQ(upper->GetMax(), 1.0);
  EXPECT_TRUE(plug->mUpperSoundPair.displayName.empty());
  EXPECT_TRUE(plug->mUpperSoundPair.title.empty());
  EXPECT_EQ(plug->mLeftPatchPopupMenu->getMenu().GetNItems(), 0);
  // Both pane labels name no bank, in the sound and the multi list alike, rather than showing a number.
  for (const bool multis : {false, true})
  {
    WDL_MutexLock lock(plug->GetMutex());
    plug->patchTypeChanged(multis ? 1 : 0, multis ? 2 : 0, false);
    for (IControl* label : {plug->mUpperListControl, plug->mLowerListControl})
      EXPECT_TRUE(label->Draw(plug->getSurface()) && !*dynamic_cast<ITextControl*>(label)->GetTextStr());
  }
}

TEST_F(KorvidSelectionLists, ListKindsRefillOnlyTheirLists)
{
  writeMadeBanks();
  auto plug = construct();
  PatchLibrarian* librarian = plug->mPatchLibrarian;
  const std::vector<std::string> sounds = bankNames(librarian->mSoundBanks);
  WDL_MutexLock lock(plug->GetMutex());

  plug->patchTypeChanged(0, 0, false);
  for (int part = 0; part < 16; ++part)
  {
    EXPECT_EQ(texts(plug->GetParam(kCurrentOpenPatchBankL + part)), sounds);
  }
  EXPECT_TRUE(texts(plug->GetParam(kCurrentOpenPerfBankL)).empty());

  plug->patchTypeChanged(0, 1, false);
  const std::vector<std::string> categories = bankNames(librarian->mCategoryBanks);
  EXPECT_EQ(texts(plug->GetParam(kPatchSelectionListUpper)), sounds);
  EXPECT_EQ(texts(plug->GetParam(kCurrentOpenPatchBankL + 3)), sounds);
  EXPECT_EQ(texts(plug->GetParam(kPatchSelectionListLower)), categories);
  EXPECT_EQ(texts(plug->GetParam(kCurrentOpenPatchBankR + 15)), categories);
  if (!categories.empty())
  {
    EXPECT_EQ(plug->GetParam(kPatchSelectionListLower)->GetMax(), categories.size() - 1.0);
  }

  plug->patchTypeChanged(1, 2, false);
  const std::vector<std::string> multis = bankNames(librarian->mMultiBanks);
  EXPECT_EQ(librarian->mPatchType, 1);
  EXPECT_EQ(texts(plug->GetParam(kPatchSelectionListUpper)), multis);
  EXPECT_EQ(texts(plug->GetParam(kCurrentOpenPerfBankR)), multis);
  // Kind 3 is no list: only the library's selection is reset.
  librarian->mSelectedUpperSlot = 5;
  plug->patchTypeChanged(0, 3, false);
  EXPECT_EQ(librarian->mSelectedUpperSlot, 0);
  EXPECT_EQ(librarian->mPatchType, 0);
  EXPECT_EQ(texts(plug->GetParam(kPatchSelectionListUpper)), multis);
}

TEST_F(KorvidSelectionLists, ARefillFromAnEmptyLibraryClearsListsAndMenus)
{
  writeMadeBanks();
  auto plug = construct();
  const size_t banks = plug->mPatchLibrarian->mSoundBanks.size();
  ASSERT_GT(banks, 1u);
  ASSERT_GT(plug->mLeftPatchPopupMenu->getMenu().GetNItems(), 0);
  WDL_MutexLock lock(plug->GetMutex());
  plug->GetParam(kCurrentOpenPatchBankL + 2)->Set(1.0);
  fs::remove_all(patchesFolder());
  fs::create_directories(patchesFolder());
  plug->patchTypeChanged(0, 0, true);
  EXPECT_TRUE(plug->mPatchLibrarian->mSoundBanks.empty());
  // No entry of the longer list survives; the maximum stays where the last refill put it.
  for (int index : {static_cast<int>(kPatchSelectionListUpper), static_cast<int>(kPatchSelectionListLower),
                    kCurrentOpenPatchBankL + 2, kCurrentOpenPatchBankR + 15})
  {
    IParam* param = plug->GetParam(index);
    EXPECT_EQ(param->GetNDisplayTexts(), 0) << index;
    EXPECT_EQ(param->Value(), 0.0) << index;
  }
  EXPECT_EQ(plug->GetParam(kPatchSelectionListUpper)->GetMax(), banks - 1.0);
  // The browser menus are rebuilt even from an empty list.
  EXPECT_EQ(plug->mLeftPatchPopupMenu->getMenu().GetNItems(), 0);
  EXPECT_EQ(plug->mProgBankNamePopupMenu->getMenu().GetNItems(), 0);
}

TEST_F(KorvidSelectionLists, TheLowerPaneKindChoosesTheMenuRebuilt)
{
  createLibrary();
  auto plug = construct();
  EXPECT_EQ(plug->mRightPatchPopupMenu->getMenu().GetNItems(), 0);
  writeMadeBanks();
  WDL_MutexLock lock(plug->GetMutex());
  plug->mCategoryList = true;
  plug->patchTypeChanged(0, 1, true);
  ASSERT_FALSE(plug->mPatchLibrarian->mCategoryBanks.empty());
  EXPECT_GT(plug->mRightCategoryPopupMenu->getMenu().GetNItems(), 0);
  // The lower pane shows categories: its sound-bank menu keeps the empty library's menu.
  EXPECT_EQ(plug->mRightPatchPopupMenu->getMenu().GetNItems(), 0);
  EXPECT_GT(plug->mLeftPatchPopupMenu->getMenu().GetNItems(), 0);
  plug->mCategoryList = false;
  plug->patchTypeChanged(0, 0, false);
  EXPECT_GT(plug->mRightPatchPopupMenu->getMenu().GetNItems(), 0);
}

TEST_F(KorvidSelectionLists, ARescanFindsBanksAddedSinceStartUp)
{
  createLibrary();
  auto plug = construct();
  EXPECT_EQ(plug->GetParam(kPatchSelectionListUpper)->GetNDisplayTexts(), 0);
  writeMadeBanks();
  WDL_MutexLock lock(plug->GetMutex());
  plug->patchTypeChanged(0, 0, true);
  const std::vector<std::string> sounds = bankNames(plug->mPatchLibrarian->mSoundBanks);
  ASSERT_FALSE(sounds.empty());
  EXPECT_EQ(texts(plug->GetParam(kPatchSelectionListUpper)), sounds);
  EXPECT_EQ(plug->GetParam(kPatchSelectionListUpper)->GetMax(), sounds.size() - 1.0);
}
} // namespace
