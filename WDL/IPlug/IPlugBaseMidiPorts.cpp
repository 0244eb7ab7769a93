// IPlugBase: the external MIDI port operations, forwarded to the plug-in's IMidiPorts.
#include "IPlugBase.h"

const std::vector<std::string>& IPlugBase::getExternalMIDIOutNames()
{
  return mMidiPorts.GetOutNames();
}

const std::vector<std::string>& IPlugBase::getExternalMIDIInNames()
{
  mMidiPorts.SetInputCallback(&IPlugBase::MIDICallback, this);
  return mMidiPorts.GetInNames();
}

int IPlugBase::setExternalMIDIOut(int& idx, const char* name)
{
  return mMidiPorts.OpenOut(idx, name);
}

int IPlugBase::setExternalMIDIIn(int& idx, const char* name)
{
  mMidiPorts.SetInputCallback(&IPlugBase::MIDICallback, this);
  return mMidiPorts.OpenIn(idx, name);
}

void IPlugBase::MIDICallback(double deltaTime, std::vector<unsigned char>* message, void* userData)
{
  if (userData)
    static_cast<IPlugBase*>(userData)->processMIDIInput(deltaTime, message, userData);
}

void IPlugBase::processMIDIInput(double, std::vector<unsigned char>* message, void* userData)
{
  if (!userData || !message)
    return;
  auto* plug = static_cast<IPlugBase*>(userData);
  IMidiPorts::Dispatch(
      *message, [plug](IMidiMsg* msg) { plug->ProcessMidiMsg(msg, true); },
      [plug](ISysEx* sysex) { plug->ProcessSysEx(sysex, true); });
}
