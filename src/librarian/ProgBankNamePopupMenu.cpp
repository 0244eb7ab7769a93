// ProgBankNamePopupMenu: the sound bank-name selector: one entry per sound bank.
#include "ProgBankNamePopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

ProgBankNamePopupMenu::ProgBankNamePopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                             Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mUpperSoundPair : Korvid::SelectionName();
  refreshPatchNames(librarian, editor, 0, pair.displayName, pair.title);
}

void ProgBankNamePopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int,
                                              std::string displayName, std::string title)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (librarian)
  {
    fillFromBanks(librarian->mSoundBanks, displayName, title);
  }
}
