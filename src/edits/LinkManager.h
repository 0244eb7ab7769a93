// LinkManager: moves the partner of a linked parameter along with an edit.
#pragma once

#include "LinkInfo.h"

class ControlAction;
class Korvid;

// Holds no state; the plug-in may keep one instance. Runs at the end of a parameter edit, inside the change
// handlers, with the plug-in's recursive mutex held by the caller: on the editor thread for editor edits, on
// the MIDI input thread for values from the synthesizer. It takes no lock of its own.
//
// Two kinds of link exist. The filter link: the filter 1 and filter 2 settings of a part (cutoff, resonance,
// envelope amount, keytrack, drive, envelope velocity, panning, mod, FM and pan amounts) are partners while
// the part's kFilterLinkSwitch is on; the two filter types and the routing are not. General links: the link
// of a parameter's ControlAction (linked parameter and switch parameter), acting while the switch parameter
// is not 0. An edit moves at most one partner; the partner's own link is not followed, so two partners never
// move each other back and forth.
class LinkManager
{
public:
  // The parameter values the partner can be handed; the executor then bounds it to the partner's range.
  static constexpr int kLinkedValueMin = 0;
  static constexpr int kLinkedValueMax = 127;

  // Follows the link of the edited parameter paramIdx (0 to 8455). action: its ControlAction (the linker
  // writes its link offset), link: that action's link, intValue: the new value truncated to an int; value
  // (the same as a double) is not used.
  //
  // With the filter link of the part off, a filter setting only records in action->linkOffset how far its
  // partner lies from the new value (partner minus edited). With a link that acts, the partner is set to
  // intValue moved by |linkOffset| towards the side where the partner lies (intValue itself when the partner
  // equals it; a general link keeps its offset -1, so distance 1), bounded to kLinkedValueMin to
  // kLinkedValueMax, through Korvid::processControlAction, which stores and sends it; then the partner's
  // bound controls show its stored value. The plug-in's mLinkedUpdate is set only while the partner's action
  // runs, and the device manager's send-suppress flag is cleared for that time and restored afterwards (also
  // when the action throws). A missing link, a switch at 0, an index outside the parameters and a partner
  // without a ControlAction do nothing. plug or action null: nothing happens.
  static void controlLinker(Korvid* plug, ControlAction* action, LinkInfo link, int paramIdx, int intValue,
                            double value);

  // The filter partner of paramIdx, or -1 when the parameter takes no part in the filter link.
  static int filterPartner(int paramIdx);
  // The kFilterLinkSwitch parameter of a filter parameter's part, or -1 when filterPartner is -1.
  static int filterLinkSwitch(int paramIdx);
};
