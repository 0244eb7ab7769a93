// LeftPerfPopupMenu: the upper pane's multi-bank browser: the multi folder tree.
#pragma once

#include "BankFolderPopupMenu.h"

#include <string>

// An invisible click area over the pane's bank name; its menu lists the library's banks, a choice makes the
// chosen one the pane's bank. Built by the plug-in's constructor, owned by its layer. Editor thread (and the
// constructing thread); rebuilt inside the plug-in's change handler.
class LeftPerfPopupMenu : public BankFolderPopupMenu
{
public:
  // Builds the menu from the library, ticking the bank of the plug-in's stored pair. plug and editor are the
  // plug-in; librarian is not owned (may be null: an empty menu).
  LeftPerfPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the menu from librarian's current tree, ticks the bank named by (fileName, folderName), or the
  // one at running position index, and makes the named bank the pane's selection (see
  // BankFolderPopupMenu::rebuild). Returns true.
  bool refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index, std::string fileName,
                              std::string folderName);
};
