// The MIDI ports of a recalled project, found again by their stored names.
#include "Korvid.h"

#include "MidiPortNameMatch.h"
#include "ParamIndex.h"
#include "PatchManager.h"

namespace
{
constexpr const char* kLogPrefix = "PROJECT RECALL: ";
} // namespace

int Korvid::reopenStoredPort(bool output, const std::string& stored, bool* several, std::string* substitute)
{
  // The ports present now: one that came back since the selector's list was read is found too.
  rereadPortSelector(output ? kDeviceOutSelection : kDeviceInSelection);
  const std::vector<std::string> listed = output ? getExternalMIDIOutNames() : getExternalMIDIInNames();
  // A name longer than its slot is whole (as the state keeps it beside the cut one) or was never written by
  // the plug-in: either way it is never taken for a beginning.
  const MidiPortNameMatch match =
      MidiPortNameMatch::find(listed, stored, static_cast<size_t>(PatchManager::kPortNameWidth));
  *several = match.kind == MidiPortNameMatch::Kind::Several;
  const std::string direction = output ? "MIDI Out" : "MIDI In";
  std::string line =
      std::string(kLogPrefix) + direction + " device " + MidiPortNameMatch::describe(match.kind);
  if (match.index > 0 && match.kind != MidiPortNameMatch::Kind::Exact)
  {
    line += ": " + listed[static_cast<size_t>(match.index)];
  }
  log(line);

  // Above 0 asks the lookup to open a port; a name that is not listed closes the direction. The found
  // entry's own text already names the port in the selector, so no display text is given for it here.
  int& index = output ? mMidiOutPortIndex : mMidiInPortIndex;
  index = 1;
  const std::string name = match.index > 0 ? listed[static_cast<size_t>(match.index)] : stored;
  // The port open already stays open: a reopen would fail the sends made meanwhile (a dump in flight).
  const bool openAlready = match.index > 0 && openExternalMIDIPort(output) == name;
  const int opened = openAlready ? match.index
                     : output    ? setExternalMIDIOut(index, name.c_str())
                                 : setExternalMIDIIn(index, name.c_str());
  index = opened;
  // The state keeps the port found, or the project's own one while it is not there (or not told apart).
  const bool keepable = stored.size() <= static_cast<size_t>(PatchManager::kWholePortNameWidth);
  mKeptPortNames[output ? 1 : 0] = opened > 0 ? name : (keepable ? stored : "");
  // Another device may be behind a port of the same name without numbers: the user is told which opened.
  *substitute = opened > 0 && match.kind != MidiPortNameMatch::Kind::Exact ? name : "";
  return opened;
}
