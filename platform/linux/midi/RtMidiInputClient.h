// One RtMidi input client whose callback can be stopped for certain before its owner goes.
#pragma once

#include <memory>

#include "IMidiPorts.h"

class RtMidiIn;

// Sysex passes; time messages and active sensing are filtered out. Delivery to the handler runs on RtMidi's
// input thread under a lock that closePort takes, so after closePort no delivery runs. ALSA only: the JACK
// input is JackMidiInputClient.
// Calls into the system are given up on after a deadline (IMidiPorts::Unanswered); the RtMidi client then
// lives on with the call until it returns.
class RtMidiInputClient : public IMidiPorts::Input
{
public:
  // in: the RtMidi client, owned from now on.
  explicit RtMidiInputClient(std::unique_ptr<RtMidiIn> in);
  // Closes the client on a deadline call.
  ~RtMidiInputClient() override;

  std::vector<std::string> portNames() override;
  void openPort(const std::string& name, const std::string& portName) override;
  void closePort() override;
  void setHandler(Handler handler) override;

private:
  struct Shared;
  static void callback(double deltaTime, std::vector<unsigned char>* message, void* userData);

  // The RtMidi client with the delivery state its callback reads: both outlive this object while a call
  // given up on still runs.
  std::shared_ptr<Shared> mShared;
};
