// BankEditPopupMenu: the librarian's main menu, with its import and help sub-menus.
#include "BankEditPopupMenu.h"

#include "IPopupMenu.h"
#include "Korvid.h"

BankEditPopupMenu::BankEditPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  AddMenuItemsIn(editor);
}

void BankEditPopupMenu::AddMenuItemsIn(Korvid* editor)
{
  mEditor = editor;
  clearMenu();
  mImportMenu = newSubMenu();
  mImportMenu->AddItem("Standard MIDI (*.mid)");
  mImportMenu->AddItem("SysEx (*.syx / *.kvd)");
  mHelpMenu = newSubMenu();
  mHelpMenu->AddItem("Open Data Folder");
  mHelpMenu->AddItem("Open User Manual", -1, IPopupMenuItem::kDisabled);
  mHelpMenu->AddItem("Open Support Ticket");
  mHelpMenu->AddItem("Check for Updates");
  mHelpMenu->AddItem("DAW Setup Guides");
  getMenu().AddItem("Import...", mImportMenu);
  getMenu().AddItem("Other Helpful things...", mHelpMenu);
}

void BankEditPopupMenu::doPopupMenu(Korvid* editor)
{
  mEditor = editor;
  IPopupMenuControl::OnMouseDown(0, 0, nullptr);
}

void BankEditPopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  doPopupMenu(mEditor);
  Redraw();
  SetDirty(false);
}

void BankEditPopupMenu::onChoice(IPopupMenu* menu, int index)
{
  if (!mEditor || menu != mHelpMenu)
  {
    // Importing and the maker's pages belong to the librarian glue, which this build does not have yet.
    return;
  }
  if (index == kOpenDataFolder || index == kOpenUserManual)
  {
    mEditor->OpenDataDirectory(index == kOpenUserManual);
  }
}
