// FileEditPopupMenu: the slot menu of the slot view's upper pane.
#pragma once

#include "IControl.h"
#include "IPopupMenu.h"

class Korvid;
class PatchLibrarian;

// Made by the plug-in at the point of each right click on an upper slot (Korvid::showFileEditMenu) and shown
// at once; not attached to the surface. Its choices act on the librarian's selected upper slot, which that
// click has set: "Paste", "Rename", "Initialize Slot" and "Get DATA from.." the editor's current part (or
// multi), the synthesizer's edit buffer or one of its stored programs. Editor thread.
class FileEditPopupMenu : public IControl
{
public:
  // Item indices of the main menu and of the "Get DATA from.." sub-menu.
  enum MainItem
  {
    kPaste = 0,
    kRename = 2,
    kInitializeSlot = 4,
    kGetDataFrom = 5,
  };
  enum GetDataItem
  {
    kFromPlugin = 0,
    kFromEditBuffer = 2,
    kFromProgramNumber = 3,
  };

  // rect: the click point (left = right, top = bottom). plug, librarian and editor are not owned.
  FileEditPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Appends the items; they are the same for sounds and multis.
  void AddMenuItemsIn();
  // Shows the menu at the control and carries out the choice; x, y: the click point in the editor. A
  // dismissed menu does nothing.
  void doPopupMenu(Korvid* editor, int x, int y);

  bool Draw(IGraphics* pGraphics) override;
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  IPopupMenu& getMainMenu() { return mainMenu; }
  IPopupMenu& getDataFromMenu() { return getDataMenu; }

private:
  // The choices that fill the selected slot with the init data, from the editor or from the synthesizer.
  enum class Fill
  {
    kInitialize,
    kFromPlugin,
    kFromEditBuffer,
    kFromProgramNumber,
  };
  // Posts the worker job of a fill choice, when a slot is selected and the worker is idle (else says why).
  void fillSlot(Korvid* editor, Fill choice);

  Korvid* editor;
  PatchLibrarian* librarian;
  IPopupMenu mainMenu;
  IPopupMenu getDataMenu;
};
