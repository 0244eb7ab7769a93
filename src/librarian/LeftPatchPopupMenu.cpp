// LeftPatchPopupMenu: the upper pane's sound-bank browser: the sound folder tree.
#include "LeftPatchPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

LeftPatchPopupMenu::LeftPatchPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  const Korvid::SelectionName pair = editor ? editor->mUpperSoundPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

void LeftPatchPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int,
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
