// One RtMidi input client whose callback can be stopped for certain before its owner goes.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "IMidiPorts.h"

class RtMidiIn;

// Sysex passes; time messages and active sensing are filtered out. Delivery to the handler runs under a
// lock that closePort takes, so after closePort no delivery runs: on ALSA on RtMidi's input thread, on JACK
// on a thread of this client (RtMidi calls back on the JACK process thread, which only queues the message:
// MidiInputQueue).
// Calls into the system are given up on after a deadline (IMidiPorts::Unanswered); the RtMidi client then
// lives on with the call until it returns.
class RtMidiInputClient : public IMidiPorts::Input
{
public:
  // in: the RtMidi client called clientName, owned from now on; watch: the server watch when it runs on
  // JACK (else null).
  RtMidiInputClient(std::unique_ptr<RtMidiIn> in, const std::string& clientName,
                    std::shared_ptr<class JackServerWatch> watch);
  // The client of a JACK server that went away is kept, never closed (JackServerWatch::abandon).
  ~RtMidiInputClient() override;

  // On JACK from the server watch; none once the server went away.
  std::vector<std::string> portNames() override;
  // On JACK the server is asked whether name is connected to this client. Throws once the JACK server
  // went away.
  void openPort(const std::string& name, const std::string& portName) override;
  // Only stops delivery once the JACK server went away: its client is never called again.
  void closePort() override;
  void setHandler(Handler handler) override;
  // On JACK, after the messages its full queue dropped.
  void setLostHandler(LostHandler handler) override;
  bool alive() const override;

private:
  struct Shared;
  bool serverGone() const;
  static void callback(double deltaTime, std::vector<unsigned char>* message, void* userData);

  // The RtMidi client with the delivery state its callback reads: both outlive this object while a call
  // given up on still runs.
  std::shared_ptr<Shared> mShared;
};
