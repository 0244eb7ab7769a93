// RightSearchPopupMenu: the lower pane's search-result browser: the search tree.
#include "RightSearchPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightSearchPopupMenu::RightSearchPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                           Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mLowerSoundPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

void RightSearchPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int,
                                                  std::string displayName, std::string title)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (librarian)
  {
    fillFromTree(librarian->mSearchTree, displayName, title);
  }
}
