// PerfBankNamePopupMenu: the multi bank-name selector of the program area: the multi folder tree.
#pragma once

#include "BankFolderPopupMenu.h"

#include <string>

// An invisible click area left of the program selector, shown in multi mode while the program area follows
// the library. Its menu lists the library's multi banks by folder; a choice makes the chosen bank the upper
// pane's bank, refreshes the program and bank selectors and sends the slot at the slot view's cursor to the
// synthesizer. Built by the plug-in's constructor, owned by its layer. Editor thread (and the constructing
// thread); rebuilt inside the plug-in's change handler.
class PerfBankNamePopupMenu : public BankFolderPopupMenu
{
public:
  // Builds the menu from the library, ticking the bank of the plug-in's lower multi pair.
  PerfBankNamePopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the menu, ticks the bank named by (fileName, folderName), or the one at running position index,
  // and makes the named bank the upper pane's selection, whichever pair is given. Returns true.
  bool refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int index, std::string fileName,
                         std::string folderName);

  // The click: a chosen bank becomes the upper pane's bank; then the selectors are refreshed and the slot at
  // the cursor is sent from the focused pane. Closing the menu without a choice changes and sends nothing.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
};
