// Base of the librarian's popup menus: an invisible click area without parameter that opens one menu.
#pragma once

#include "IControl.h"

#include <memory>
#include <string>
#include <vector>

class FolderFiles;
class IPopupMenu;
class Korvid;
class PatchFile;
class PatchLibrarian;

// Built by the plug-in's constructor over a rectangle of the editor; owned by its layer. Draws a transparent
// fill. Its menu (and the sub-menus it owns) is rebuilt by the subclasses' refresh operations from the
// library. Editor thread (and the constructing thread).
class IPopupMenuControl : public IControl
{
public:
  // plug: the owning plug-in; librarian and editor are not owned (either may be null: an empty menu).
  IPopupMenuControl(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);
  ~IPopupMenuControl() override;

  bool Draw(IGraphics* pGraphics) override;
  // Shows the menu at the control's rectangle and hands the choice to onChoice.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  // The top-level menu as it was built last.
  IPopupMenu& getMenu() { return *mMenu; }
  // The bank file that item index of menu stands for, or null (a folder, another item, an unknown menu).
  PatchFile* bankOfItem(const IPopupMenu* menu, int index) const;

  // True when bank is the one a selection pair names: its folder equals title and its file name equals
  // displayName, or displayName is the file name's shortened form (the first 47 characters, "~" and more).
  static bool matchesSelection(const PatchFile* bank, const std::string& displayName,
                               const std::string& title);

protected:
  // A choice from the menu: the menu (top level or sub-menu) and the chosen item. Base: nothing.
  virtual void onChoice(IPopupMenu* menu, int index);

  // Empties the menu and its sub-menus.
  void clearMenu();
  // A new sub-menu owned by this control.
  IPopupMenu* newSubMenu();
  // Fills the menu from a folder tree: one sub-menu per folder, its sub-folders, then its banks by file name;
  // ticks the bank matching the pair.
  void fillFromTree(const std::vector<FolderFiles*>& tree, const std::string& displayName,
                    const std::string& title);
  // Fills the menu with one item per bank, by its list display name; ticks the bank matching the pair.
  void fillFromBanks(const std::vector<PatchFile*>& banks, const std::string& displayName,
                     const std::string& title);
  // Appends an item for bank to menu, ticked when it matches the pair.
  void addBankItem(IPopupMenu* menu, PatchFile* bank, const std::string& text, const std::string& displayName,
                   const std::string& title);

  PatchLibrarian* mLibrarian;
  Korvid* mEditor;

private:
  struct BankItem
  {
    const IPopupMenu* menu;
    int index;
    PatchFile* bank;
  };

  std::unique_ptr<IPopupMenu> mMenu;
  std::vector<std::unique_ptr<IPopupMenu>> mSubMenus;
  std::vector<BankItem> mBankItems;
};
