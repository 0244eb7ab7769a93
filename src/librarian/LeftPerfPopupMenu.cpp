// LeftPerfPopupMenu: the upper pane's multi-bank browser: the multi folder tree.
#include "LeftPerfPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

LeftPerfPopupMenu::LeftPerfPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kMultiTree, BuildRule::kFolders, Pane::kUpper, true})
{
  const Korvid::SelectionName pair = editor ? editor->mUpperMultiPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

bool LeftPerfPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index,
                                               std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}
