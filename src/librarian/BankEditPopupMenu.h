// BankEditPopupMenu: the librarian's main menu: requests, stores, sync and push, saving, import, rescan,
// help.
#pragma once

#include "IPopupMenuControl.h"

// An invisible click area over the librarian's menu button. Its wording and its request and store entries
// follow the mode (sounds or multis). Built by the plug-in's constructor, owned by its layer; refilled by the
// plug-in's change handler whenever the mode or the page changes. Editor thread (and the constructing
// thread).
class BankEditPopupMenu : public IPopupMenuControl
{
public:
  // Items of the main menu, by index (the others are separators).
  enum MainItem
  {
    kItemRequest = 0,
    kItemStore = 2,
    kItemSync = 4,
    kItemPush = 5,
    kItemSave = 7,
    kItemSaveAs = 8,
    kItemImport = 10,
    kItemRefresh = 11,
    kItemHelp = 12,
    kItemAbout = 14,
  };
  // Items of the sound request sub-menu; banks A to H follow kRequestBankA.
  enum RequestSoundItem
  {
    kRequestSlotToEditor = 0,
    kRequestSlotToLibrarian = 1,
    kRequestSelectedProgram = 2,
    kRequestBankA = 4,
  };
  // Items of the multi request sub-menu.
  enum RequestMultiItem
  {
    kRequestMultiToEditor = 0,
    kRequestMultiToLibrarian = 1,
    kRequestSelectedMulti = 2,
    kRequestAllMultis = 3,
  };
  // Items of the store sub-menus; for sounds, banks A to H follow kStoreBankA.
  enum StoreItem
  {
    kStoreSelectedSlot = 0,
    kStoreAllMultis = 1,
    kStoreBankA = 2,
  };
  // Items of the "Save As..." and "Import..." sub-menus.
  enum FileItem
  {
    kStandardMidi = 0,
    kSysexFile = 1,
  };
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
  static constexpr int kBankCount = 8;

  // Builds the menus for the editor's current mode.
  BankEditPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Empties all eight menus and fills them for the current mode: the 15 main entries, the request and store
  // sub-menus of the mode (those of the other mode stay empty), "Save As...", "Import..." and the help
  // sub-menu.
  void AddMenuItemsIn(Korvid* editor);
  // Shows the menu at the control and carries out the choice; afterwards no item carries a tick.
  void doPopupMenu(Korvid* editor);

  // Refills the menus when the mode changed since they were filled, then doPopupMenu.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  IPopupMenu* getRequestSoundMenu() const { return requestSoundMenu; }
  IPopupMenu* getRequestMultiMenu() const { return requestMultiMenu; }
  IPopupMenu* getStoreSoundMenu() const { return storeSoundMenu; }
  IPopupMenu* getStoreMultiMenu() const { return storeMultiMenu; }
  IPopupMenu* getSaveAsMenu() const { return saveAsMenu; }
  IPopupMenu* getImportMenu() const { return importMenu; }
  IPopupMenu* getHelpMenu() const { return helpMenu; }

private:
  // The body of AddMenuItemsIn, on emptied menus.
  void fillMenus();
  void onMainChoice(int index);
  void onRequestSoundChoice(int index);
  void onRequestMultiChoice(int index);
  void onStoreChoice(int index, bool multis);
  void onImportChoice(int index);
  void onHelpChoice(int index);

  // The mode the menus were last filled for: a click refills them when the mode changed since.
  bool filledForMultis = false;
  IPopupMenu* requestSoundMenu = nullptr;
  IPopupMenu* requestMultiMenu = nullptr;
  IPopupMenu* storeSoundMenu = nullptr;
  IPopupMenu* storeMultiMenu = nullptr;
  IPopupMenu* saveAsMenu = nullptr;
  IPopupMenu* importMenu = nullptr;
  IPopupMenu* helpMenu = nullptr;
};
