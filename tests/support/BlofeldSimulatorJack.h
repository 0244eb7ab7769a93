// The simulated synthesizer as a JACK client: messages from the plug-in's port in, replies out.
#pragma once

#include <atomic>
#include <thread>

#include "BlofeldSimulator.h"
#include "MidiJackSynth.h"

// Binds a simulator to an open MidiJackSynth: a pump thread hands every message arriving at the
// client's input port to the simulator, whose replies are played out of the client's output port.
// Both must outlive this object; the destructor stops the pump.
class BlofeldSimulatorJack
{
public:
  BlofeldSimulatorJack(BlofeldSimulator& simulator, MidiJackSynth& client);
  ~BlofeldSimulatorJack();
  BlofeldSimulatorJack(const BlofeldSimulatorJack&) = delete;
  BlofeldSimulatorJack& operator=(const BlofeldSimulatorJack&) = delete;

private:
  void pump();

  BlofeldSimulator& mSimulator;
  MidiJackSynth& mClient;
  std::atomic<bool> mStop{false};
  std::thread mThread;
};
