// A JACK input port's events made whole MIDI messages, and what is not one dropped with its cause.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "IMidiPorts.h"

// The process thread's own: take never waits nor allocates. A sysex that arrives in pieces over several
// events is put together (up to IMidiPorts::Input::kMaxSysExBytes); real-time messages pass also between its
// pieces. Time code, clock and active sensing are filtered out. An event that begins with a data byte (or an
// end of sysex) and continues no sysex is not a message: the end of a sysex whose start never came (a port
// connected in the middle of one), the rest of one a status byte cut short, stray data bytes.
class MidiInputFraming
{
public:
  using Loss = IMidiPorts::Input::Loss;

  // What one event gives: what was dropped (a sysex the event cut short or ended, or the event itself), and a
  // whole message to hand on, which the event's own is after a cut.
  struct Framed
  {
    std::optional<Loss> lost;
    // Null when there is none; valid until the next take.
    const unsigned char* message = nullptr;
    size_t size = 0;
  };

  MidiInputFraming();
  // One event's size bytes (at least one).
  Framed take(const unsigned char* data, size_t size);

private:
  // Appends a piece of the sysex in progress; one that does not fit makes it too long.
  void append(const unsigned char* data, size_t size);

  std::vector<unsigned char> mSysEx;
  size_t mLength = 0;
  bool mInSysEx = false;
  bool mTooLong = false;
};
