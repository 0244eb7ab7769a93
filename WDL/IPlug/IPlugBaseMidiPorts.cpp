// IPlugBase: the external MIDI port operations, forwarded to the plug-in's IMidiPorts.
#include "IPlugBase.h"

#include <string>

// Installing the input callback and closing the input port both wait for a delivery in progress, and that
// delivery may itself wait for the plug mutex (the plug-in takes it when incoming data changes a
// parameter). So the input operations give every level of the plug mutex back for their time: a thread
// holding it would otherwise wait for a delivery that waits for it. Once they return the mutex is held as
// before, and closing the input still waits for the delivery to end.

// Calls into the MIDI system may take up to its deadline; the audio pass must not wait for them, so the
// output operations give the plug mutex back as well.

std::vector<std::string> IPlugBase::getExternalMIDIOutNames()
{
  WDL_MutexRelease unlocked(&mMutex);
  return mMidiPorts.GetOutNames();
}

std::vector<std::string> IPlugBase::getExternalMIDIInNames()
{
  WDL_MutexRelease unlocked(&mMutex);
  mMidiPorts.SetInputCallback(&IPlugBase::MIDICallback, this);
  return mMidiPorts.GetInNames();
}

std::vector<std::string> IPlugBase::rereadExternalMIDIOutNames()
{
  WDL_MutexRelease unlocked(&mMutex);
  return mMidiPorts.RereadOutNames();
}

bool IPlugBase::waitForAudioSends(std::chrono::milliseconds timeout)
{
  WDL_MutexRelease unlocked(&mMutex);
  return mMidiPorts.WaitForAudioSends(timeout);
}

bool IPlugBase::sendMidiDump(const std::vector<unsigned char>& bytes, std::chrono::milliseconds pause)
{
  return mMidiPorts.SendDump(bytes, pause);
}

std::optional<uint64_t> IPlugBase::settleMidiDumps(std::chrono::milliseconds timeout)
{
  WDL_MutexRelease unlocked(&mMutex);
  return mMidiPorts.SettleDumps(timeout);
}

std::vector<std::string> IPlugBase::rereadExternalMIDIInNames()
{
  WDL_MutexRelease unlocked(&mMutex);
  mMidiPorts.SetInputCallback(&IPlugBase::MIDICallback, this);
  return mMidiPorts.RereadInNames();
}

std::string IPlugBase::openExternalMIDIPort(bool output)
{
  WDL_MutexRelease unlocked(&mMutex);
  return output ? mMidiPorts.OpenOutName() : mMidiPorts.OpenInName();
}

int IPlugBase::setExternalMIDIOut(int& idx, const char* name, std::string* failure)
{
  // As for the input below: copied first, idx written once the mutex is held again.
  int chosen = idx;
  const std::string portName = name ? name : "";
  int opened = 0;
  {
    WDL_MutexRelease unlocked(&mMutex);
    opened = mMidiPorts.OpenOut(chosen, name ? portName.c_str() : nullptr, failure);
  }
  idx = chosen;
  return opened;
}

int IPlugBase::setExternalMIDIIn(int& idx, const char* name, std::string* failure)
{
  // idx and name may be the plug-in's own members, which other threads change while the mutex is free:
  // both are copied first and idx is written once the mutex is held again.
  int chosen = idx;
  const std::string portName = name ? name : "";
  int opened = 0;
  {
    WDL_MutexRelease unlocked(&mMutex);
    mMidiPorts.SetInputCallback(&IPlugBase::MIDICallback, this);
    opened = mMidiPorts.OpenIn(chosen, name ? portName.c_str() : nullptr, failure);
  }
  idx = chosen;
  return opened;
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
