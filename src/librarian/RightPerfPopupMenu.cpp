// RightPerfPopupMenu: the lower pane's multi-bank browser: the multi folder tree.
#include "RightPerfPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightPerfPopupMenu::RightPerfPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kMultiTree, BuildRule::kFolders, Pane::kLower, true})
{
  const Korvid::SelectionName pair = editor ? editor->mLowerMultiPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

bool RightPerfPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index,
                                                std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}
