// The port names of one RtMidi client, read in one call.
#include "RtMidiPortNames.h"

#include <rtmidi/RtMidi.h>

std::vector<std::string> rtMidiPortNames(RtMidi& midi)
{
  std::vector<std::string> names;
  const unsigned int count = midi.getPortCount();
  names.reserve(count);
  for (unsigned int index = 0; index < count; ++index)
  {
    std::string name = midi.getPortName(index);
    if (!name.empty())
      names.push_back(std::move(name));
  }
  return names;
}
