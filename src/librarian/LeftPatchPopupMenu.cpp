// LeftPatchPopupMenu: the upper pane's sound-bank browser: the sound folder tree.
#include "LeftPatchPopupMenu.h"

#include "Korvid.h"
#include "PatchLibrarian.h"

LeftPatchPopupMenu::LeftPatchPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : BankFolderPopupMenu(plug, librarian, rect, editor,
                          {PatchLibrarian::kSoundTree, BuildRule::kFolders, Pane::kUpper, true})
{
  const Korvid::SelectionName pair = editor ? editor->mUpperSoundPair : Korvid::SelectionName();
  refreshFolderStructure(librarian, editor, 0, pair.displayName, pair.title);
}

bool LeftPatchPopupMenu::refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int index,
                                                std::string fileName, std::string folderName)
{
  mLibrarian = librarian;
  mEditor = editor;
  return rebuild(index, fileName, folderName);
}
