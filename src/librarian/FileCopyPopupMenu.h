// FileCopyPopupMenu: the copy menu of the slot view, for a lower slot or the space between slots.
#pragma once

#include "IControl.h"
#include "IPopupMenu.h"

class Korvid;
class PatchLibrarian;

// Made by the plug-in at the point of each right click outside the upper slots (Korvid::showFileCopyMenu)
// and shown at once; not attached to the surface. Its one item "Copy" takes the lower slot under the
// pointer as the record to paste. Editor thread.
class FileCopyPopupMenu : public IControl
{
public:
  // rect: the click point (left = right, top = bottom). plug, librarian and editor are not owned.
  FileCopyPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Shows the menu at the control and carries out the choice; x, y: the click point in the editor.
  void doPopupMenu(Korvid* editor, int x, int y);

  bool Draw(IGraphics* pGraphics) override;
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  IPopupMenu& getMenu() { return menu; }

private:
  Korvid* editor;
  PatchLibrarian* librarian;
  IPopupMenu menu;
};
