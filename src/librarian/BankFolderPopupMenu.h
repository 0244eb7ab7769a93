// The bank browser family: menus of bank files grouped by folder, that tick and choose one pane's bank.
#pragma once

#include "IPopupMenuControl.h"

#include <string>
#include <vector>

class FolderFiles;
class PatchFile;

// Common ground of the six pane browsers and the two bank-name menus. A rebuild lays the library's bank files
// out by one of three rules, ticks the bank the plug-in's stored pair names and makes it the pane's
// selection; a choice is resolved through the item-to-bank map kept with the menu, so that banks of the same
// name in folders of the same name stay apart. Built by the plug-in's constructor, owned by its layer. Editor
// thread; rebuilds also run inside the plug-in's change handler (plug mutex held).
class BankFolderPopupMenu : public IPopupMenuControl
{
public:
  // How the menu is laid out: the two-level folder tree (sound and multi banks), the category tree (one
  // sub-menu per category), or the flat list of the search tree.
  enum class BuildRule
  {
    kFolders,
    kCategories,
    kSearchResults
  };
  // The pane whose selection a rebuild and a choice set.
  enum class Pane
  {
    kUpper,
    kLower
  };
  struct Binding
  {
    int tree; // PatchLibrarian::kSoundTree, kMultiTree, kCategoryTree or kSearchTree, with its bank list
    BuildRule rule;
    Pane pane;
    // A rebuild that found the named bank moves the tick to it (checkMenuItemAlone).
    bool retick;
  };

  BankFolderPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor,
                      const Binding& binding);
  ~BankFolderPopupMenu() override;

  // Rebuilds every menu from the library and ticks the first bank item, in build order, that the pair
  // (fileName, folderName) names or that stands at running position index. Then the bank of the list that the
  // pair names opens in the pane (Korvid::openPaneBank): the one at index when that one matches, else the one
  // the pane shows when that one matches, else the last match; with retick, the tick moves to it. A pair
  // naming no bank changes no selection, and neither does one that would take the upper pane away from
  // unsaved edits. While the menu is held (shown, or its choice carried out) the selection changes at once
  // and the items wait for the hold's end, then tick the bank the pane shows. Returns true.
  bool rebuild(int index, const std::string& fileName, const std::string& folderName);
  // Moves the tick to the item of the bank at index of the bank list (no tick for an index outside it).
  void checkMenuItemAlone(PatchLibrarian* librarian, Korvid* editor, int index);
  // Shows the menu. A bank chosen: it is found again in the bank list by its file name and folder path (the
  // library may have been read again while the menu was up; gone, the message line says so and nothing
  // changes); its item alone is ticked; index becomes its position (else the pane's bank), for the caller to
  // open; true. Nothing chosen, or a bank that would take the upper pane away
  // from unsaved edits (said in the message line): nothing changes; false.
  bool doPopupMenu(Korvid* editor, int& index);
  // The pane browsers' click: the chosen bank becomes the pane's bank and the pane reloads its 128 names.
  // Closing the menu without a choice changes nothing.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  // The menus whose items can be chosen by folder (top level and sub-menus, as the rules register them) and
  // the folder label of each, in the same order.
  const std::vector<IPopupMenu*>& registeredMenus() const { return mMenus; }
  const std::vector<std::string>& menuLabels() const { return mMenuLabels; }
  // The bank file that item index of menu stands for, or null (a folder entry, an unknown menu).
  PatchFile* bankOfItem(const IPopupMenu* menu, int index) const;
  // The bank index the last click worked on.
  int selectedIndex() const { return mSelectedIndex; }

  // True when bank is the one a stored pair names: its folder is folderName and its file name is fileName,
  // or fileName is the whole shortened display form (its first 47 bytes or fewer, "~", a number and the
  // extension) that the bank got in the binding's bank list.
  bool namesBank(const PatchFile* bank, const std::string& fileName, const std::string& folderName) const;

protected:
  // The bank list of the binding's tree, or null without a librarian.
  const std::vector<PatchFile*>* bankList() const;
  // The library's bank index of the pane.
  int paneBankIndex() const;
  // Opens bank index of the bank list in the pane (Korvid::openPaneBank), when the pane shows that list.
  void applyPaneSelection(int index);
  // Marks the slot view for redraw and reloads the pane's 128 names.
  void reloadPane();
  // True when index would take the upper pane away from a bank whose edits are not saved yet.
  bool leavesUnsavedBank(int index) const;
  // The bank-name menus' click. A chosen bank becomes the upper pane's bank (and, for multis, the value of
  // kMultiPatch); the upper pane reloads while the librarian page is shown; the program and bank selectors
  // are refreshed; the slot at the slot view's cursor is sent from the focused pane to the current part.
  // Closing the menu without a choice changes and sends nothing.
  void chooseUpperBankAndSend(bool multis);

  int mSelectedIndex = 0;

private:
  // A bank item as the last lay-out made it: the bank, its place in the bank list (-1: not in it), and its
  // file name and folder path, by which it is found again after a rescan.
  struct BankItem
  {
    IPopupMenu* menu;
    int index;
    PatchFile* bank;
    int position;
    std::string fileName;
    std::vector<std::string> folderPath;
  };
  // The state of one rebuild's tick test.
  struct TickTest
  {
    int index;
    const std::string& fileName;
    const std::string& folderName;
    int position;
    bool ticked;
  };

  const std::vector<FolderFiles*>* tree() const;
  // Empties the item lists and lays the banks out by the binding's rule, with the tick test of index and
  // the pair (fileName, folderName). Menus emptied by rebuildMenu.
  void layOut(int index, const std::string& fileName, const std::string& folderName);
  // The selection part of rebuild: opens the bank the pair names in the pane; its index, or -1 for none.
  int reselect(int index, const std::string& fileName, const std::string& folderName);
  // True when the pane shows the binding's bank list.
  bool paneShowsList() const;
  // The item at index of menu, or null.
  const BankItem* itemAt(const IPopupMenu* menu, int index) const;
  // The position in the bank list of the bank item stands for, found by its file name and folder path
  // (preferring its old place), or -1 when the list holds no such bank.
  int findAgain(const BankItem& item) const;
  void buildFolders(const std::vector<FolderFiles*>& nodes, TickTest& test);
  void buildCategories(const std::vector<FolderFiles*>& nodes, TickTest& test);
  void buildSearchResults(const std::vector<FolderFiles*>& nodes, TickTest& test);
  // Appends the banks to menu, applying the tick test with each bank's folder name (or rootLabel for the
  // banks of the library root), then advances the running position.
  void addBanks(IPopupMenu* menu, const std::vector<PatchFile*>& banks, TickTest& test,
                const char* rootLabel = nullptr);
  void registerMenu(IPopupMenu* menu, const std::string& label);
  // The bank at index of the bank list, or null.
  PatchFile* bankAt(int index) const;
  // The position of bank in the bank list, or -1.
  int positionOf(const PatchFile* bank) const;
  // namesBank with the folder name bankFolder in place of the bank's own.
  bool namesFile(const PatchFile& bank, const std::string& bankFolder, const std::string& fileName,
                 const std::string& folderName) const;
  // The display name the selection lists give bank: shortened, and numbered by its place in the bank list;
  // empty when the list does not hold it.
  std::string shownNameOf(const PatchFile& bank) const;

  Binding mBinding;
  std::vector<IPopupMenu*> mMenus;
  std::vector<std::string> mMenuLabels;
  std::vector<BankItem> mBankItems;
};
