// BankNumberPopupMenu: the bank selector of the current part ("Bank A (RAM)" ... "Bank H (RAM)").
#pragma once

#include "IPopupMenuControl.h"

// An invisible click area over the bank letter of the current part (or the multi). Built by the plug-in's
// constructor, owned by its layer. Editor thread (and the constructing thread).
class BankNumberPopupMenu : public IPopupMenuControl
{
public:
  static constexpr int kBankCount = 8;

  // Builds the menu for bank 0.
  BankNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Multi mode: the one item "Bank 0 (RAM)", nothing ticked, false. Otherwise the eight banks with bank (0 to
  // 7) ticked (none for another number), true.
  bool refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int bank);

  // The bank being chosen; 0 at construction.
  int currentChoice = 0;
};
