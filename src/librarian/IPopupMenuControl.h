// Base of the librarian's popup menus: an invisible click area without parameter that opens one menu.
#pragma once

#include "IControl.h"

#include <memory>
#include <vector>

class IPopupMenu;
class Korvid;
class PatchLibrarian;

// Built by the plug-in's constructor over a rectangle of the editor; owned by its layer. Draws a transparent
// fill. Owns its top-level menu and every sub-menu it makes; the subclasses fill them and act on a choice.
// Editor thread (and the constructing thread).
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
  // Shows the top level at the control's rectangle and blocks until it closes. Returns the menu (top level or
  // sub-menu) holding the chosen item, its chosen index set; null when nothing was chosen, when there is no
  // surface, and for an empty menu, which is not shown at all.
  IPopupMenu* showMenu();
  // Empties the menu: a new top level, every sub-menu released.
  void clearMenu();
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
};
