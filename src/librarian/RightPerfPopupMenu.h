// RightPerfPopupMenu: the lower pane's multi-bank browser: the multi folder tree.
#pragma once

#include "IPopupMenuControl.h"

#include <string>

// An invisible click area over the pane's bank name; its menu lists the library's banks by folder. Built by
// the plug-in's constructor, owned by its layer. Editor thread (and the constructing thread).
class RightPerfPopupMenu : public IPopupMenuControl
{
public:
  // Builds the menu from the library, ticking the bank of the plug-in's selection pair. plug and editor are
  // the plug-in; librarian is not owned (may be null).
  RightPerfPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the menu from librarian's current tree and ticks the bank named by (displayName, title). The int
  // is not used.
  void refreshFolderStructure(PatchLibrarian* librarian, Korvid* editor, int, std::string displayName,
                              std::string title);
};
