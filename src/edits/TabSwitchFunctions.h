// TabSwitchFunctions: the editor's page switch.
#pragma once

class Korvid;

// Holds no state; called on the editor thread or by the plug-in's constructor and state recall.
class TabSwitchFunctions
{
public:
  // Shows main page tab: the child of the "root" layer whose id is tab is shown and the other children
  // hidden; "miniMixer" is shown only on page 0; the bank-and-program layer of part (0 to 15; the multi's in
  // multi mode) is shown and the others hidden; the page parameter paramIdx takes the value tab. On page 0
  // the randomize control stays grayed and "multiModeSettingsPage1" is hidden. Missing layers are skipped.
  static void mainTabSwitch(Korvid* plugin, int paramIdx, int tab, int part);
  // Shows the layers of part (0 to 15): its bank-and-program layer (the multi's in multi mode) and, with
  // quickTab, its multi settings layer while the multi settings page is shown; hides the other parts'.
  static void quickTabSwitch(Korvid* plugin, int part, bool quickTab);
};
