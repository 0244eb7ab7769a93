// The librarian's main menu, the busy overlay and the page switch on the real editor.
#include "KorvidTestSupport.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IGraphics.h"
#include "IPopupMenu.h"
#include "ParamIndex.h"
#include "ProgressIndicator.h"
#include "TabSwitchFunctions.h"

using namespace korvidtest;

namespace
{
class KorvidMenus : public StartupFixture
{
protected:
  KorvidMenus() { useResources(pluginFolder()); }

  static HeadlessSurface* headless(Korvid& plug) { return dynamic_cast<HeadlessSurface*>(plug.getSurface()); }
};

TEST_F(KorvidMenus, TheHelpMenuOpensTheDataFolder)
{
  auto plug = construct();
  HeadlessSurface* surface = headless(*plug);
  ASSERT_NE(surface, nullptr);
  BankEditPopupMenu* menu = plug->mBankEditPopupMenu;
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->getMenu().GetNItems(), 2);
  EXPECT_STREQ(menu->getMenu().GetItemText(0), "Import...");
  EXPECT_STREQ(menu->getMenu().GetItemText(1), "Other Helpful things...");
  EXPECT_FALSE(menu->getHelpMenu()->GetItem(BankEditPopupMenu::kOpenUserManual)->GetEnabled());

  surface->QueueMenuPath({1, BankEditPopupMenu::kOpenDataFolder});
  menu->doPopupMenu(plug.get());
  // The manual's entry is disabled: choosing it does nothing.
  surface->QueueMenuPath({1, BankEditPopupMenu::kOpenUserManual});
  menu->doPopupMenu(plug.get());
  // Closing the menu without a choice does nothing.
  surface->QueueMenuChoice(-1);
  menu->doPopupMenu(plug.get());
  ASSERT_EQ(surface->OpenedURLs().size(), 1u);
  EXPECT_EQ(surface->OpenedURLs()[0], home.folder());
}

TEST_F(KorvidMenus, TheShownOverlayTakesEveryClick)
{
  auto plug = construct();
  IGraphics* surface = plug->getSurface();
  ProgressIndicator* overlay = plug->mProgressIndicator;
  ASSERT_NE(overlay, nullptr);
  const int x = plug->mMenuLayers[6]->mControls[0]->GetRECT()->L + 1;
  const int y = plug->mMenuLayers[6]->mControls[0]->GetRECT()->T + 1;
  EXPECT_EQ(surface->HitTest(x, y), plug->mMenuLayers[6]->mControls[0]);
  plug->mProgressLayer->Hide(false);
  overlay->Hide(false);
  EXPECT_EQ(surface->HitTest(x, y), overlay);
  plug->mProgressLayer->Hide(true);
  overlay->Hide(true);
  EXPECT_EQ(surface->HitTest(x, y), plug->mMenuLayers[6]->mControls[0]);
}

TEST_F(KorvidMenus, ThePageSwitchShowsOnePageOfRoot)
{
  auto plug = construct();
  ASSERT_NE(plug->mRootLayer, nullptr);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, 1, 2);
  int shown = 0;
  for (ControlLayer* page : plug->mRootLayer->mSubLayers)
  {
    if (page->mVisible)
    {
      ++shown;
      EXPECT_EQ(page->mId, 1) << page->mName;
    }
  }
  EXPECT_EQ(shown, 1);
  // Pages 1 to 5 show the small part mixer and the current part's bank/program layer.
  EXPECT_TRUE(plug->mMiniMixerLayer->mVisible);
  EXPECT_TRUE(plug->mBankAndProgramLayers[2]->mVisible);
  EXPECT_FALSE(plug->mBankAndProgramLayers[0]->mVisible);
  EXPECT_FALSE(plug->mMultiModeSettingsPage1Layer->mVisible);
  EXPECT_FALSE(plug->mRandomizeControl->IsGrayed());
  EXPECT_EQ(plug->GetParam(kMainTab)->Value(), 1.0);

  // Page 0 is the multi page: its settings, the multi's bank/program layer, the rows of open parts only.
  plug->GetParam(kMultiPartSettings + 3)->Set(1.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, 0, 0);
  EXPECT_FALSE(plug->mMiniMixerLayer->mVisible);
  EXPECT_TRUE(plug->mRandomizeControl->IsGrayed());
  EXPECT_TRUE(plug->mMultiModeSettingsPage1Layer->mVisible);
  EXPECT_TRUE(plug->mBankAndProgramLayers[Korvid::kPartCount]->mVisible);
  EXPECT_FALSE(plug->mBankAndProgramLayers[0]->mVisible);
  for (int i = 0; i < Korvid::kPartCount; ++i)
  {
    ASSERT_NE(plug->mMultiSettingsPartLayers[static_cast<size_t>(i)], nullptr);
    EXPECT_EQ(plug->mMultiSettingsPartLayers[static_cast<size_t>(i)]->mVisible, i == 3) << i;
  }
}

TEST_F(KorvidMenus, ASoundPageShowsTheCurrentPartsLayer)
{
  auto plug = construct();
  ASSERT_NE(plug->mRootLayer, nullptr);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, 2, 5);
  ControlLayer* page = nullptr;
  for (ControlLayer* candidate : plug->mRootLayer->mSubLayers)
  {
    page = candidate->mId == 2 ? candidate : page;
  }
  ASSERT_NE(page, nullptr);
  int shownParts = 0;
  for (ControlLayer* partLayer : page->mSubLayers)
  {
    if (partLayer->mVisible)
    {
      ++shownParts;
      EXPECT_EQ(partLayer->mId, 5);
    }
  }
  EXPECT_EQ(shownParts, 1);
}
} // namespace

namespace
{
TEST_F(KorvidMenus, ThePageSelectorSwitchesThePage)
{
  auto plug = construct();
  ASSERT_NE(plug->mRootLayer, nullptr);
  IParam* tab = plug->GetParam(kMainTab);
  plug->SetParameterFromGUI(kMainTab, tab->GetNormalized(3.0));
  for (ControlLayer* page : plug->mRootLayer->mSubLayers)
  {
    EXPECT_EQ(page->mVisible, page->mId == 3) << page->mName;
  }
  EXPECT_TRUE(plug->mMiniMixerLayer->mVisible);
}
} // namespace
