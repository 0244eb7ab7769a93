// Base of the librarian's popup menus: an invisible click area without parameter that opens one menu.
#pragma once

#include "IControl.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class IPopupMenu;
class Korvid;
class PatchLibrarian;

// Built by the plug-in's constructor over a rectangle of the editor; owned by its layer. Draws a transparent
// fill. Owns its top-level menu and every sub-menu it makes; the subclasses fill them and act on a choice.
// Editor thread (and the constructing thread); rebuilds also run on a worker's rescan, under the editor lock
// and the plug mutex, which the menu gives back while it is up: a menu being shown is never rebuilt (see
// MenuHold).
class IPopupMenuControl : public IControl
{
public:
  // plug: the owning plug-in; librarian and editor are not owned (either may be null: the menu stays empty
  // and a click does nothing).
  IPopupMenuControl(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);
  ~IPopupMenuControl() override;

  bool Draw(IGraphics* pGraphics) override;

  // The top-level menu as it was built last.
  IPopupMenu& getMenu() { return *mMenu; }
  const IPopupMenu& getMenu() const { return *mMenu; }

protected:
  // Keeps the menus as they are while it lives: a rebuild asked meanwhile (rebuildMenu, by a worker's rescan
  // while the menu is up or by the handling of its choice) waits and runs, under the plug mutex, when the
  // last hold ends. A click handler holds one from before showMenu until it is done with the chosen menu.
  // Editor thread, under the editor lock.
  class MenuHold
  {
  public:
    explicit MenuHold(IPopupMenuControl& control);
    ~MenuHold();
    MenuHold(const MenuHold&) = delete;
    MenuHold& operator=(const MenuHold&) = delete;

  private:
    IPopupMenuControl& mControl;
  };

  // Empties the menus and runs build to fill them; while a MenuHold lives, only keeps build (replacing one
  // already waiting) for the last hold's end. Called under the plug mutex, or on the constructing thread.
  void rebuildMenu(std::function<void()> build);
  // True while a MenuHold lives: the menus in memory may be older than the library.
  bool menuHeld() const { return mHolds.load() > 0; }
  // Shows the top level at the control's rectangle and blocks until it closes. Returns the menu (top level or
  // sub-menu) holding the chosen item, its chosen index set; null when nothing was chosen, when there is no
  // surface, and for an empty menu, which is not shown at all.
  IPopupMenu* showMenu();
  // A new empty sub-menu owned by this control, valid until the next clearMenu.
  IPopupMenu* newSubMenu();
  // Takes the tick off every item of the top level and of every sub-menu.
  void uncheckAll();
  // Asks for one more redraw of the control after a popup.
  void redrawAfterPopup();
  // Posts a request job (5: the active multi, 6: part's sound, 0..15) when the device worker is idle;
  // toEditor: the reply goes into the editor, and the dump-expected flag is set, but only for a posted job.
  // True when posted.
  static bool postRequest(Korvid* editor, int jobCode, int part, bool toEditor);

  PatchLibrarian* mLibrarian;
  Korvid* mEditor;

private:
  std::unique_ptr<IPopupMenu> mMenu;
  std::vector<std::unique_ptr<IPopupMenu>> mSubMenus;
  std::atomic<int> mHolds{0};
  // The rebuild waiting for the last hold's end; guarded by the plug mutex.
  std::function<void()> mWaitingBuild;
};
