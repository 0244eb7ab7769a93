// RightPatchPopupMenu: the lower pane's sound-bank browser: the sound folder tree.
#include "RightPatchPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightPatchPopupMenu::RightPatchPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                         Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mLowerSoundPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

void RightPatchPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int,
                                                 std::string displayName, std::string title)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (librarian)
  {
    fillFromTree(librarian->mSoundTree, displayName, title);
  }
}
