// One stored system-exclusive dump of the synthesizer and its saving as raw sysex or a MIDI-file event.
#pragma once

#include "IPlugStructs.h"

#include <vector>

// A plain value: the whole message from its F0 to its F7, as the code that filled it put it there.
// Copied by value; owned by the record that holds it. Not shared between threads.
class PatchSysexMessage
{
public:
  // Delta time of every event after the first in a written MIDI-file track: 500 ticks.
  static constexpr unsigned char kEventDelta[2] = {0x83, 0x74};
  static constexpr unsigned char kSysexStart = 0xF0;

  // Appends the message to out. Raw (midiFile false): every byte, F0 and F7 included. MIDI file:
  // the bytes after the leading F0; with index 0 nothing goes in front (the writer's track head
  // holds the first event's prefix), otherwise the prefix delta 500, F0 and the event length as a
  // variable-length quantity. The length is the real number of bytes that follow it, so the event
  // stays valid for a message of any length. messageIndex is not used; multi is kept for callers
  // that name the dump kind. An empty message appends nothing. Any thread; out is the caller's.
  void save(ByteChunk* out, bool midiFile, int index, int messageIndex, bool multi) const;

  // Number of bytes save puts after the event prefix in a MIDI file (the message without its F0).
  int midiEventLength() const;

  // Appends value as a MIDI variable-length quantity (7 bits per byte, most significant first).
  static void appendVariableLength(ByteChunk* out, unsigned int value);

  // The message bytes, F0 to F7.
  std::vector<unsigned char> mData;
};
