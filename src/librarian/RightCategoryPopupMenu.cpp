// RightCategoryPopupMenu: the lower pane's category browser: the category tree.
#include "RightCategoryPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightCategoryPopupMenu::RightCategoryPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                               Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mLowerSoundPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

void RightCategoryPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int,
                                                    std::string displayName, std::string title)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (librarian)
  {
    fillFromTree(librarian->mCategoryTree, displayName, title);
  }
}
