// One JACK input client written with libjack: its activation's result is known, however slowly it came.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "IMidiPorts.h"

class JackServerWatch;

// The process callback only copies each message into a queue (MidiInputQueue) whose thread hands it to the
// handler, under a lock that closePort takes: after closePort no delivery runs. Only whole messages pass
// (MidiInputFraming reads each event as a MIDI stream): several from one event, real-time bytes on their own,
// sysex also when it arrives in pieces over several events; time messages and active sensing are filtered
// out, and what is dropped is said with its cause (setLostHandler), as are xruns (a sysex in progress then is
// dropped, as is one begun in a cycle that followed cycles gone by or before a wake-up let go). Listing runs
// beside the rest; IMidiPorts serialises opening and closing. Calls into the server are given up on after a
// deadline (IMidiPorts::Unanswered); the client then lives on with the call.
class JackMidiInputClient : public IMidiPorts::Input
{
public:
  // Opens a JACK client named jackclientname::fresh(clientName) and activates it; throws std::runtime_error
  // when the server refuses. A client whose activation failed is kept (JackServerWatch::activate), never
  // closed. Talks to the server: call it under a deadline. watch: the process's server watch.
  JackMidiInputClient(const std::string& clientName, std::shared_ptr<JackServerWatch> watch);
  // Closes the client on a deadline call; the client of a server that went away, or of a stuck library
  // (deadlinecall::stuck), is kept, never closed (JackServerWatch::abandon): its cycles do nothing, and
  // its process thread ends at its first wake-up once the server is gone (jackprocessthread::run).
  ~JackMidiInputClient() override;

  // From the server watch; none once the server went away.
  std::vector<std::string> portNames() override;
  // Registers the input port (once) and connects the JACK output port called name to it. Throws
  // IMidiPorts::Unanswered or std::runtime_error (also once the server went away).
  void openPort(const std::string& name, const std::string& portName) override;
  // Disconnects the port; only stops delivery once the server went away.
  void closePort() override;
  void setHandler(Handler handler) override;
  // After what its queue or its framing dropped, once for each cause.
  void setLostHandler(LostHandler handler) override;
  bool alive() const override;
  // For tests: the next cycle that brings events to an input client whose port has a connection is taken as
  // one that follows a cycle gone by without it, as in an xrun (which the tests' synchronous server never
  // has). Any thread.
  static void loseNextCycle();

private:
  struct Shared;
  bool serverGone() const;

  // The client with the delivery state its callbacks read: outlives this object while a call given up on
  // still runs, or for good when the client is kept.
  std::shared_ptr<Shared> mShared;
};
