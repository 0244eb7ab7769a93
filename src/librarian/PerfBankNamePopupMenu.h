// PerfBankNamePopupMenu: the multi bank-name selector: one entry per multi bank.
#pragma once

#include "IPopupMenuControl.h"

#include <string>

// An invisible click area over the bank name of the program selector; its menu lists the banks by their list
// display names. Built by the plug-in's constructor, owned by its layer. Editor thread (and the constructing
// thread).
class PerfBankNamePopupMenu : public IPopupMenuControl
{
public:
  // Builds the menu from the library, ticking the bank of the plug-in's selection pair.
  PerfBankNamePopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor);

  // Rebuilds the menu from librarian's bank list and ticks the entry whose display name equals displayName
  // and whose bank lies in the folder title (none when nothing matches). The int is not used.
  void refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int, std::string displayName,
                         std::string title);
};
