// RightPatchPopupMenu: the lower pane's sound-bank browser: the sound folder tree.
#include "RightPatchPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

RightPatchPopupMenu::RightPatchPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                         Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kSoundTree, BuildRule::kFolders, Pane::kLower, true})
{
  const Korvid::SelectionName pair = editor ? editor->mLowerSoundPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

bool RightPatchPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index,
                                                 std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}
