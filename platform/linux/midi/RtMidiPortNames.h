// The port names of one RtMidi client, read in one call, and an open by name.
#pragma once

#include <string>
#include <vector>

class RtMidi;

// midi's port names in the system's order, each read by an index below the count read in the same call;
// a port that went away in between (RtMidi then gives an empty name) is left out. Calls into the MIDI
// system: run it under a deadline, never beside another call on midi.
std::vector<std::string> rtMidiPortNames(RtMidi& midi);

// Opens midi's port listed as name under portName. RtMidi opens by position: the name there is read again
// once the port is open, and a port list that changed meanwhile closes it again. Throws std::runtime_error
// then and when name is not listed (or RtMidiError). As rtMidiPortNames for the calls.
void openRtMidiPortNamed(RtMidi& midi, const std::string& name, const std::string& portName);
