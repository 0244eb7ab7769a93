// RightSearchPopupMenu: the lower pane's search-result browser: the result banks in one list.
#include "RightSearchPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightSearchPopupMenu::RightSearchPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                           Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kSearchTree, BuildRule::kSearchResults, Pane::kLower, false})
{
  const Korvid::SelectionName pair = editor ? editor->mLowerListPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

bool RightSearchPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index,
                                                  std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}
