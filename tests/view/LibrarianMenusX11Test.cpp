// The librarian's menus on the real editor in an X11 window under Xvfb: the bank edit menu and the upper
// browser opened by clicks, an item picked in each with synthetic input.
// gtest (through the fixture) comes before the X11 headers, whose macros clash with its names.
#include "GeneratedLibrary.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IPopupMenu.h"
#include "LeftPatchPopupMenu.h"
#include "PluginFolderSurface.h"
#include "ViewTestSupport.h"

#include <atomic>
#include <thread>

using namespace korvidtest;

namespace
{
// The Linux surface reading its resources from the built plug-in folder instead of beside the test program.
class PluginFolderLinuxSurface : public PluginFolderResources<IGraphicsLinux>
{
public:
  PluginFolderLinuxSurface(IPlugBase* plug, int w, int h, std::string folder)
      : PluginFolderResources<IGraphicsLinux>(std::move(folder), plug, w, h)
  {
  }
};

// Screen y of the middle of row i of a menu window (rows of 22 pixels, separators of 9, 4 pixels of
// padding above).
int rowCentre(const XWindowAttributes& window, const IPopupMenu& menu, int row)
{
  int top = 4;
  for (int i = 0; i < row; ++i)
  {
    top += menu.GetItem(i)->GetIsSeparator() && !menu.GetItem(i)->GetSubmenu() ? 9 : 22;
  }
  return window.y + top + 11;
}

class LibrarianMenusX11 : public GeneratedLibraryFixture
{
protected:
  LibrarianMenusX11()
  {
    const std::string folder = pluginFolder();
    Korvid::setSurfaceFactory([folder](IPlugBase* plug, int w, int h) -> IGraphics*
                              { return new PluginFolderLinuxSurface(plug, w, h, folder); });
  }

  // Opens the editor as a top-level window at the screen origin (no window manager runs) on the librarian
  // page.
  IGraphicsLinux* open(Korvid& plug)
  {
    auto* view = dynamic_cast<IGraphicsLinux*>(plug.getSurface());
    if (!view || !view->OpenWindow(nullptr))
    {
      return nullptr;
    }
    plug.SetParameterFromGUI(kMainTab, plug.GetParam(kMainTab)->GetNormalized(1.0));
    pumpFor(*view, 300);
    return view;
  }

  // Clicks the middle of area, waits for the menu and walks path through it: each step but the last opens a
  // sub-menu by hovering its row, the last is clicked. The editor is pumped meanwhile; true when done.
  bool pick(IGraphicsLinux& view, const IRECT& area, IPopupMenu& menu, const std::vector<int>& path,
            const std::function<bool()>& done)
  {
    std::atomic<bool> drove{false};
    std::thread user(
        [&]()
        {
          InputDriver driver;
          driver.moveTo((area.L + area.R) / 2, (area.T + area.B) / 2);
          driver.click();
          IPopupMenu* level = &menu;
          for (size_t step = 0; step < path.size(); ++step)
          {
            if (!driver.waitForMenus(step + 1))
            {
              return;
            }
            const XWindowAttributes window = driver.menuWindows()[step];
            driver.moveTo(window.x + 20, rowCentre(window, *level, path[step]));
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            if (step + 1 == path.size())
            {
              driver.click();
            }
            else
            {
              level = level->GetItem(path[step])->GetSubmenu();
            }
          }
          drove = true;
        });
    const bool finished = pumpUntil(view, [&]() { return drove.load() && done(); });
    user.join();
    return finished;
  }

  InputDriver input;
};

TEST_F(LibrarianMenusX11, TheBankEditMenuAndTheUpperBrowserOpenOnTheEditorAndActOnThePickedItem)
{
  ASSERT_NE(input.display(), nullptr) << "no X display";
  auto plug = constructRecording();
  IGraphicsLinux* view = open(*plug);
  ASSERT_NE(view, nullptr);

  BankEditPopupMenu* editMenu = plug->mBankEditPopupMenu;
  ControlLayer* about = plug->mAboutWindowLayer;
  ASSERT_NE(about, nullptr);
  about->Hide(true);
  EXPECT_TRUE(pick(*view, *editMenu->GetRECT(), editMenu->getMenu(), {BankEditPopupMenu::kItemAbout},
                   [&]() { return about->mVisible; }));
  about->Hide(true);
  pumpFor(*view, 100);

  LeftPatchPopupMenu* browser = plug->mLeftPatchPopupMenu;
  // "Y" > "Factory" > "Bank.syx": the second of two banks of the same name in folders of the same name.
  EXPECT_TRUE(pick(*view, *browser->GetRECT(), browser->getMenu(), {2, 0, 0},
                   [&]() { return plug->mPatchLibrarian->mUpperBankIndex == kYFactoryBank; }));
  EXPECT_EQ(slotText(*plug, 0, 0), "YFAC 1");
  EXPECT_EQ(plug->mUpperSoundPair.title, "Factory");
  EXPECT_TRUE(input.menuWindows().empty()) << "every menu closed";
  view->CloseWindow();
}

} // namespace
