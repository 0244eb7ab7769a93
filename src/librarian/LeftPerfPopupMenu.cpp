// LeftPerfPopupMenu: the upper pane's multi-bank browser: the multi folder tree.
#include "LeftPerfPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

LeftPerfPopupMenu::LeftPerfPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mUpperMultiPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

void LeftPerfPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int,
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
