// The port names of one RtMidi client, read in one call.
#pragma once

#include <string>
#include <vector>

class RtMidi;

// midi's port names in the system's order, each read by an index below the count read in the same call;
// a port that went away in between (RtMidi then gives an empty name) is left out. Calls into the MIDI
// system: run it under a deadline, never beside another call on midi.
std::vector<std::string> rtMidiPortNames(RtMidi& midi);
