// RightCategoryPopupMenu: the lower pane's category browser: one sub-menu per category.
#include "RightCategoryPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightCategoryPopupMenu::RightCategoryPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                               Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kCategoryTree, BuildRule::kCategories, Pane::kLower, false})
{
  const Korvid::SelectionName pair = editor ? editor->mLowerListPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

bool RightCategoryPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index,
                                                    std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}
