// BankEditPopupMenu: the librarian's main menu, with its import and help sub-menus.
#pragma once

#include "IPopupMenuControl.h"

// An invisible click area over the librarian's menu button. Built by the plug-in's constructor, owned by its
// layer. Editor thread (and the constructing thread).
class BankEditPopupMenu : public IPopupMenuControl
{
public:
  // Items of the import sub-menu ("Import..."), in order.
  enum ImportItem
  {
    kImportMidi = 0,
    kImportSysex = 1,
  };
  // Items of the help sub-menu ("Other Helpful things..."), in order.
  enum HelpItem
  {
    kOpenDataFolder = 0,
    kOpenUserManual = 1,
    kOpenSupportTicket = 2,
    kCheckForUpdates = 3,
    kDawSetupGuides = 4,
  };

  // Builds the menu.
  BankEditPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the menu: "Import..." (standard MIDI, sysex) and "Other Helpful things..." (data folder, user
  // manual, support ticket, updates, host guides).
  void AddMenuItemsIn(Korvid* editor);
  // Shows the menu at the control and carries out the choice.
  void doPopupMenu(Korvid* editor);

  IPopupMenu* getImportMenu() const { return mImportMenu; }
  IPopupMenu* getHelpMenu() const { return mHelpMenu; }

  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

protected:
  void onChoice(IPopupMenu* menu, int index) override;

private:
  IPopupMenu* mImportMenu = nullptr;
  IPopupMenu* mHelpMenu = nullptr;
};
