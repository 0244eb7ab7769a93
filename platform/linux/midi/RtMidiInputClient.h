// One RtMidi input client whose callback can be stopped for certain before its owner goes.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "IMidiPorts.h"

class RtMidiIn;

// Sysex passes; time messages and active sensing are filtered out. Delivery to the handler runs on
// RtMidi's input thread under a lock that closePort takes, so after closePort no delivery runs. Calls
// into the system are given up on after a deadline (IMidiPorts::Unanswered); the RtMidi client then
// lives on with the call until it returns.
class RtMidiInputClient : public IMidiPorts::Input
{
public:
  // in: the RtMidi client, owned from now on; watch: the server watch when it runs on JACK (else null).
  RtMidiInputClient(std::unique_ptr<RtMidiIn> in, std::shared_ptr<class JackServerWatch> watch);
  ~RtMidiInputClient() override;

  // No ports once the JACK server went away; the others throw then.
  unsigned int portCount() override;
  std::string portName(unsigned int index) override;
  void openPort(unsigned int index, const std::string& portName) override;
  void closePort() override;
  void setHandler(Handler handler) override;
  bool alive() const override;

private:
  struct Shared;
  // Throws once the JACK server went away.
  void checkServer() const;
  static void callback(double deltaTime, std::vector<unsigned char>* message, void* userData);

  // The RtMidi client with the delivery state its callback reads: both outlive this object while a call
  // given up on still runs.
  std::shared_ptr<Shared> mShared;
};
