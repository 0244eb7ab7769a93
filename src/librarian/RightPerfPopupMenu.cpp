// RightPerfPopupMenu: the lower pane's multi-bank browser: the multi folder tree.
#include "RightPerfPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightPerfPopupMenu::RightPerfPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mLowerMultiPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

void RightPerfPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int,
                                                std::string displayName, std::string title)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (librarian)
  {
    fillFromTree(librarian->mMultiTree, displayName, title);
  }
}
