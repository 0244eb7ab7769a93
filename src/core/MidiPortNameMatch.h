// Finding a MIDI port stored in a project among the ports listed now.
#pragma once

#include <string>
#include <vector>

// Port names on Linux carry numbers that change between sessions: ALSA adds the client and port number
// ("Blofeld:Blofeld MIDI 1 24:0"), JACK a suffix to a client whose name is taken ("synth-01:out"), the
// ALSA-to-JACK bridge the ALSA client number ("a2j:Blofeld [24] (capture): Blofeld MIDI 1"). The stored
// name is also cut to the width of its slot. A plain value; any thread.
struct MidiPortNameMatch
{
  enum class Kind
  {
    None,           // no port matched: index 0 ("OFF")
    Exact,          // the stored name as it stands
    WithoutNumbers, // the names without those numbers are equal
    Beginning,      // a stored name that fills its slot is the beginning of the port's name
    Several         // the first step that found a port found more than one: none is taken (index 0)
  };

  int index = 0;
  Kind kind = Kind::None;

  // The first entry of listed (entry 0, "OFF", never matches) equal to stored; else the one whose name
  // without numbers equals stored's; else, when stored is storedWidth bytes long (it may have been cut),
  // the one whose name, with or without numbers, begins with stored's. Several found by one of the last
  // two steps are Several: a guess could pick another device. An empty stored name matches nothing.
  static MidiPortNameMatch find(const std::vector<std::string>& listed, const std::string& stored,
                                size_t storedWidth);
  // name without ALSA client:port numbers, bracketed ALSA client numbers and a numbered suffix of the
  // JACK client name, and without trailing blanks.
  static std::string withoutNumbers(const std::string& name);
  // "matched exactly", "matched without client and port numbers", "matched by the beginning of its name",
  // "matches several ports, none is opened", "not found".
  static const char* describe(Kind kind);
};
