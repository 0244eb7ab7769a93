// BankEditPopupMenu: the librarian's main menu, with its import and help sub-menus.
#include "BankEditPopupMenu.h"

#include "IPopupMenu.h"
#include "Korvid.h"
#include "ParamIndex.h"

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
  mHelpMenu->AddItem("Open User Manual");
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
  if (!mEditor)
  {
    return;
  }
  if (menu == mImportMenu && (index == kImportMidi || index == kImportSysex))
  {
    // The library is read again only when a file came in; the message line keeps saying which one.
    if (mEditor->saveImportedFile(index == kImportMidi))
    {
      const std::string imported = mEditor->getStatusText();
      {
        WDL_MutexLock lock(mEditor->GetMutex());
        mEditor->OnParamChange(kRefreshFolders);
      }
      mEditor->showStatusText(imported.c_str());
    }
  }
  else if (menu == mHelpMenu && (index == kOpenDataFolder || index == kOpenUserManual))
  {
    mEditor->OpenDataDirectory(index == kOpenUserManual);
  }
  else if (menu == mHelpMenu && index >= kOpenSupportTicket && index <= kDawSetupGuides)
  {
    mEditor->OpenHelpTopics(index - kOpenSupportTicket);
  }
}
