// The port names of one RtMidi client, read in one call, and an open by name.
#include "RtMidiPortNames.h"

#include <stdexcept>

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

void openRtMidiPortNamed(RtMidi& midi, const std::string& name, const std::string& portName)
{
  const unsigned int count = midi.getPortCount();
  for (unsigned int index = 0; index < count; ++index)
  {
    if (midi.getPortName(index) != name)
      continue;
    midi.openPort(index, portName);
    if (midi.getPortName(index) == name)
      return;
    midi.closePort();
    throw std::runtime_error("the port list changed while \"" + name + "\" was opened");
  }
  throw std::runtime_error("\"" + name + "\" is not listed");
}
