// ProgramNumberPopupMenu: the program selector, 128 programs in 13 sub-menus of ten.
#pragma once

#include "IPopupMenuControl.h"

// An invisible click area over the program number of the current part (or the multi). Built by the plug-in's
// constructor, owned by its layer. Editor thread (and the constructing thread).
class ProgramNumberPopupMenu : public IPopupMenuControl
{
public:
  static constexpr int kProgramCount = 128;
  static constexpr int kProgramsPerSubMenu = 10;

  // Builds the menus for program 0.
  ProgramNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the 13 sub-menus ("01-10" ... "121-128") and ticks program (0 to 127) in its sub-menu. The items
  // read "Sound 001" ... "Sound 128", or, while kControlLibrary is on, the record names of the upper pane's
  // bank. Returns true.
  bool refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int program);

  // The bank the program selector chooses in; 0 at construction.
  int currentChoice = 0;
};
