// ProgBankNamePopupMenu: the sound bank-name selector of the program area: the sound folder tree.
#include "ProgBankNamePopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

ProgBankNamePopupMenu::ProgBankNamePopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                             Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kSoundTree, BuildRule::kFolders, Pane::kUpper, true})
{
  const Korvid::SelectionName pair = editor ? editor->mLowerSoundPair : Korvid::SelectionName();
  refreshPatchNames(librarian, editor, 0, pair.displayName, pair.title);
}

bool ProgBankNamePopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int index,
                                              std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}

void ProgBankNamePopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  chooseUpperBankAndSend(false);
}
