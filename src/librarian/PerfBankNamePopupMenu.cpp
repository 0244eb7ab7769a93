// PerfBankNamePopupMenu: the multi bank-name selector: one entry per multi bank.
#include "PerfBankNamePopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

PerfBankNamePopupMenu::PerfBankNamePopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                             Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mUpperMultiPair : Korvid::SelectionName();
  refreshPatchNames(librarian, editor, 0, pair.displayName, pair.title);
}

void PerfBankNamePopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int,
                                              std::string displayName, std::string title)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (librarian)
  {
    fillFromBanks(librarian->mMultiBanks, displayName, title);
  }
}
