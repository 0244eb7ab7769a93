// The librarian's main menu and the busy overlay on the real editor.
#include "KorvidTestSupport.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IGraphics.h"
#include "IPopupMenu.h"
#include "ParamIndex.h"
#include "ProgressIndicator.h"

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
  ASSERT_EQ(menu->getMenu().GetNItems(), 15);
  EXPECT_STREQ(menu->getMenu().GetItemText(BankEditPopupMenu::kItemHelp), "Other Helpful things...");
  EXPECT_TRUE(menu->getHelpMenu()->GetItem(BankEditPopupMenu::kOpenUserManual)->GetEnabled());

  surface->QueueMenuPath({BankEditPopupMenu::kItemHelp, BankEditPopupMenu::kOpenDataFolder});
  menu->doPopupMenu(plug.get());
  // Without the manual in the data folder nothing opens and the user is told.
  surface->QueueMenuPath({BankEditPopupMenu::kItemHelp, BankEditPopupMenu::kOpenUserManual});
  menu->doPopupMenu(plug.get());
  EXPECT_EQ(plug->getStatusText(), "Korvid User Manual.pdf is not in the data folder");
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

} // namespace
