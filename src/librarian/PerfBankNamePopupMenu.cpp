// PerfBankNamePopupMenu: the multi bank-name selector of the program area: the multi folder tree.
#include "PerfBankNamePopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

PerfBankNamePopupMenu::PerfBankNamePopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                             Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kMultiTree, BuildRule::kFolders, Pane::kUpper, true})
{
  const Korvid::SelectionName pair = editor ? editor->mLowerMultiPair : Korvid::SelectionName();
  refreshPatchNames(librarian, editor, 0, pair.displayName, pair.title);
}

bool PerfBankNamePopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int index,
                                              std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}

void PerfBankNamePopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  chooseUpperBankAndSend(true);
}
