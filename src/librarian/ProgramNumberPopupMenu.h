// ProgramNumberPopupMenu: the program selector, 128 programs in 13 sub-menus of ten.
#pragma once

#include "IPopupMenuControl.h"

#include <string>
#include <vector>

class PatchFile;

// An invisible click area over the program number of the current part (or the multi). A choice sets the
// program, sends bank select and program change and then sends or requests the part (or the multi); in
// library-control mode it lists and sends the records of the upper library bank instead. Built by the
// plug-in's constructor, owned by its layer. Editor thread (and the constructing thread).
class ProgramNumberPopupMenu : public IPopupMenuControl
{
public:
  static constexpr int kProgramCount = 128;
  static constexpr int kProgramsPerSubMenu = 10;
  static constexpr int kSubMenuCount = 13;

  // Builds the menus for program 0.
  ProgramNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the 13 sub-menus ("01-10" ... "121-128") and ticks program (0 to 127) in its sub-menu. The items
  // read "Sound 001" ... "Sound 128", or, while kControlLibrary is on, the record names of the upper library
  // bank (the one kPatchSelectionListUpper selects). Returns true.
  bool refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int program);
  // Lists the names again and shows the menu. A chosen program p: in library-control mode the record listed
  // at p is found again by its name in the upper pane's bank, when that is still the bank listed (at p first:
  // the library may have been read again while the menu was up), becomes the selected upper slot and is sent
  // to the current part; nothing is sent when that bank or record does not exist, and the message line says
  // why; otherwise p becomes the program of the multi or the current part, bank select and program change go
  // out, and the part or multi is requested (program-request mode, worker idle) or sent. p is ticked, stored
  // into program and returned. Nothing chosen: nothing changes; 0.
  int doPopupMenu(Korvid* editor, int& program);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

  // The sub-menu k (0..12), or null.
  IPopupMenu* getSubMenu(int k) const;

  // The program being chosen; 0 at construction.
  int currentChoice = 0;

private:
  // The body of refreshPatchNames, on emptied menus.
  void fillMenus(int program);
  // kControlLibrary is on: the program area follows the library.
  bool libraryControl() const;
  // The upper library bank the items list in library-control mode, else null.
  const PatchFile* libraryBank() const;
  // Library-control mode, under the plug mutex: the position of the record called name in the upper pane's
  // bank while that is the bank listed (p when the record there has that name), or -1; p itself when the
  // items listed no record there (no bank, an empty name).
  int findAgain(int p, const std::string& name) const;
  // Library-control mode: finds the record listed at p as name again (p becomes its position), selects it
  // and sends it; false, saying why, when it does not exist. Takes the plug mutex.
  bool sendLibrarySlot(int& p, const std::string& name);

  IPopupMenu* subMenus[kSubMenuCount] = {};
  // The bank the library-control items list, by which a choice finds its record again; no file name: none.
  std::string mListedFile;
  std::vector<std::string> mListedFolder;
  // The program a rebuild ticks: the last one given or chosen. Under the plug mutex.
  int mTickedProgram = 0;
};
