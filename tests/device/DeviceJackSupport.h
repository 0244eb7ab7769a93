// Shared helpers of the device tests over JACK: the JACK-only port backend and the wait for the device
// worker.
#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "MidiJackSynth.h"
#include "WaitUntil.h"
#include "RtMidiBackend.h"

namespace DeviceJackSupport
{
// JACK even on a machine with an ALSA sequencer, so the simulator's client is what the plug-in sees.
inline std::unique_ptr<IMidiPorts::Backend> jackOnly()
{
  return std::make_unique<RtMidiBackend>("/nonexistent/snd/seq");
}

// Waits until the device worker is idle; false after timeout.
inline bool waitIdle(MIDIMessageManager* manager, std::chrono::seconds timeout)
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (manager->isRunning(MIDIMessageManager::Thread::SysexJob))
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
// Opens the plug-in's MIDI output on the synthesizer client's input and its MIDI input on the client's
// output (the port backend must be jackOnly), reading the lists again while a loaded server answers late;
// true when both opened and what the plug-in sends arrives.
inline bool connectTo(Korvid& plug, MidiJackSynth& client)
{
  const bool opened = korvidtest::waitUntil(
                          [&]
                          {
                            plug.rereadExternalMIDIOutNames();
                            plug.rereadExternalMIDIInNames();
                            int outIdx = 1;
                            int inIdx = 1;
                            return plug.setExternalMIDIOut(outIdx, client.inPortName().c_str()) > 0 &&
                                   plug.setExternalMIDIIn(inIdx, client.outPortName().c_str()) > 0;
                          }) &&
                      client.waitInputConnected(std::chrono::seconds(60));
  plug.mOutputPresent = opened;
  return opened;
}
} // namespace DeviceJackSupport
