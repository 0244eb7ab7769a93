// BankNumberPopupMenu: the bank selector of the current part ("Bank A (RAM)" ... "Bank H (RAM)").
#pragma once

#include "IPopupMenuControl.h"

// An invisible click area over the bank letter of the current part (or the multi). A choice sets the bank,
// sends bank select and program change, then sends the part's sound or, in program-request mode, requests
// it. Built by the plug-in's constructor, owned by its layer. Editor thread (and the constructing thread).
class BankNumberPopupMenu : public IPopupMenuControl
{
public:
  static constexpr int kBankCount = 8;

  // Builds the menu for bank 0.
  BankNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Multi mode: the one item "Bank 0 (RAM)", nothing ticked, false. Otherwise the eight banks with bank (0 to
  // 7) ticked (none for another number), true.
  bool refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int bank);
  // Shows the menu. A chosen bank b becomes the bank parameter's value (kMultiBank in multi mode, else
  // kMultiPartBank of the current part), bank select and program change go out and, for a part, its sound
  // is requested (program-request mode, when the worker is idle) or sent. b is ticked, stored into bank and
  // returned. Nothing chosen: nothing changes; 0.
  int doPopupMenu(Korvid* editor, int& bank);
  // Loads the bank parameter's value, runs doPopupMenu and writes the bank back to the parameter, with
  // every control bound to it, also when nothing was chosen.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  // The bank being chosen; 0 at construction.
  int currentChoice = 0;

private:
  // The body of refreshPatchNames, on emptied menus.
  void fillMenu(int bank);
  // kMultiBank in multi mode, else kMultiPartBank of the current part.
  int bankParam() const;
};
