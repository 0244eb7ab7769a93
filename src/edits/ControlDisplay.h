// ControlDisplay: writes an edited parameter's name and value text into the editor's two-line display.
#pragma once

#include <string>

class Korvid;

// Holds no state; the plug-in keeps one instance. Runs on whichever thread reports an edit (editor, MIDI
// input, a device worker or the host), always with the plug-in's recursive mutex held by the caller; it takes
// no lock of its own. Everything it reads (parameters, value lists, sample names, flags) lives in the
// plug-in.
//
// Line 1 (the kControlDisplayName text control) gets the parameter's name, which for a per-part control
// already carries the "[n] " part prefix. Line 2 (kControlDisplayValue) gets the value in the synthesizer's
// own terms: a formula text or an entry of a named value list, followed by a blank and the value in
// brackets; plain numbers (and an LFO speed that is not clocked) are written alone. Status messages of other
// subsystems share the two lines; the last writer wins.
class ControlDisplay
{
public:
  // Shows the edit of paramIdx (0 to 8455) with value, the parameter's new value in its own units (used
  // truncated toward zero). Writes nothing for parameters without display, before the plug-in's construction
  // has ended, for the search parameters, for kControlLibrary while DAW program changes pass through, and,
  // while transportRunning is true, for an edit of a part other than the current one. plug may be null
  // (then nothing happens).
  static void controlDisplay(Korvid* plug, int paramIdx, double value, bool transportRunning);

  // value formatted with "%.0f" (the nearest whole number, no decimals); "" when formatting fails.
  static std::string getValueString(double value);

private:
  // The value text of line 2 for a displayed parameter: its family's text, a blank and "[v]", or the bare
  // number for the plain-number family and an unclocked LFO speed (ControlDisplayFamilies.cpp).
  static std::string valueLine(Korvid& plug, int paramIdx, double value);
};
