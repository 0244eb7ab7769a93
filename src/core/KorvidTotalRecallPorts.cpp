// The MIDI ports of a recalled project, found again by their stored names.
#include "Korvid.h"

#include "MidiPortNameMatch.h"
#include "ParamIndex.h"
#include "PatchManager.h"

namespace
{
constexpr const char* kLogPrefix = "PROJECT RECALL: ";
} // namespace

int Korvid::reopenStoredPort(bool output, const std::string& stored)
{
  // The ports present now: one that came back since the selector's list was read is found too.
  rereadPortSelector(output ? kDeviceOutSelection : kDeviceInSelection);
  const std::vector<std::string> listed = output ? getExternalMIDIOutNames() : getExternalMIDIInNames();
  // A name longer than its slot was never written by the plug-in: it names only the port of that very name.
  const bool fits = stored.size() <= static_cast<size_t>(PatchManager::kPortNameWidth);
  MidiPortNameMatch match =
      MidiPortNameMatch::find(listed, stored, static_cast<size_t>(PatchManager::kPortNameWidth));
  if (!fits && match.kind != MidiPortNameMatch::Kind::Exact)
  {
    match = MidiPortNameMatch{};
  }
  const std::string direction = output ? "MIDI Out" : "MIDI In";
  std::string line =
      std::string(kLogPrefix) + direction + " device " + MidiPortNameMatch::describe(match.kind);
  if (match.kind != MidiPortNameMatch::Kind::None && match.kind != MidiPortNameMatch::Kind::Exact)
  {
    line += ": " + listed[static_cast<size_t>(match.index)];
  }
  log(line);

  // Above 0 asks the lookup to open a port; a name that is not listed closes the direction. The found
  // entry's own text already names the port in the selector, so no display text is given for it here.
  int& index = output ? mMidiOutPortIndex : mMidiInPortIndex;
  index = 1;
  const std::string name =
      match.kind == MidiPortNameMatch::Kind::None ? stored : listed[static_cast<size_t>(match.index)];
  const int opened =
      output ? setExternalMIDIOut(index, name.c_str()) : setExternalMIDIIn(index, name.c_str());
  index = opened;
  // The state keeps the port found, or the project's own one while it is not there.
  mKeptPortNames[output ? 1 : 0] = opened > 0 ? name : (fits ? stored : "");
  return opened;
}
