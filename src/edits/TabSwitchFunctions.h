// TabSwitchFunctions: makes the editor show the open page and the edited part.
#pragma once

class Korvid;

// Holds no state. Both switches run on the thread of the edit that caused them with the plug-in's mutex held
// (or inside the plug-in's constructor); the layer operations they call never wait for the editor.
//
// Pages are the sub-layers of "root" (id and position = page number: 0 multi, 1 librarian, 2 oscillators,
// 3 filters and envelopes, 4 LFOs and modulation, 5 effects and arpeggiator). Each page layer of pages 2 to 5
// holds one sub-layer per part (ids and positions 0 to 15); inside it, zone sub-layers (ids 10 and up) are
// shown, hidden and greyed by the part's sound settings (oscillator shape and sample use, envelope modes,
// LFO clock, effect types). The filter pictures and the effect 2 panels are layers of their own above the
// pages.
class TabSwitchFunctions
{
public:
  // Shows page tab for part (0 to 15): hides every transient layer (librarian menus, filter pictures, effect
  // 2 panels, bank edit buttons, multi settings rows), greys the randomize button on pages 0 and 1, shows the
  // part's bank/program layer (the multi's in multi mode), its patch name and category, and on page 0 the
  // multi settings with the rows of the parts whose settings are open; on pages 1 to 5 shows the part's
  // sub-layer and refreshes the page's zones. The page selector (kMainTab) follows tab. paramIdx names the
  // edit that caused the switch and is not used.
  static void mainTabSwitch(Korvid* plug, int paramIdx, int tab, int part);
  // Switches the edited part on the open page: shows the bank/program layer of part; when a page from 1 up
  // is open, shows its sub-layer of part, makes the value of paramIdx (kQuickTab) the current part and
  // refreshes the page's zones for it, and shows the patch name and category. A false partSwitchSeen sets
  // the plug-in's part-switch-seen flag.
  static void quickTabSwitch(Korvid* plug, int paramIdx, int part, bool partSwitchSeen);

  // The category name of a sound's category value: "Init", "Arp", ... "Seq" for 0 to 12, "" otherwise.
  static const char* categoryName(int value);
};
