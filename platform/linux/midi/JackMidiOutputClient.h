// One JACK output client written with libjack: a message counts as sent once a JACK cycle wrote it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "IMidiPorts.h"

class JackServerWatch;

// Sends go into a queue that the client's process callback writes into its port buffer, cycle by cycle:
// what a cycle's buffer cannot take waits for the next one, in order. A sysex longer than an empty
// buffer takes leaves in pieces over several cycles; a message longer than kMaxMessageBytes is refused.
// send waits at most kSendDeadline for its message to be written and withdraws it when it was not begun;
// a full queue waits at most as long for room. Every wait ends at once when the server goes away, and
// when the port closes. Sends run beside each other and beside opening and closing, which IMidiPorts
// serialises; listing runs beside them all. Any thread.
class JackMidiOutputClient : public IMidiPorts::Output
{
public:
  // Longest message taken: more than one cycle's buffer holds (32 KiB on JACK 2), less than the queue.
  static constexpr size_t kMaxMessageBytes = 48 * 1024;
  static constexpr size_t kQueueBytes = 64 * 1024;
  static constexpr int kSendDeadlineMs = 2000;

  // Opens the JACK client clientName and activates it; throws std::runtime_error when the server refuses.
  // Talks to the server: call it under a deadline. watch: the process's server watch.
  JackMidiOutputClient(const std::string& clientName, std::shared_ptr<JackServerWatch> watch);
  // Closes the client on a deadline call; the client of a server that went away is kept, never closed
  // (JackServerWatch::abandon).
  ~JackMidiOutputClient() override;

  std::vector<std::string> portNames() override;
  // Registers the output port (once) and connects it to the JACK input port called name. Throws
  // IMidiPorts::Unanswered or std::runtime_error.
  void openPort(const std::string& name, const std::string& portName) override;
  // Disconnects the port once cycles wrote what was queued (waiting at most 250 ms) and forgets the rest.
  void closePort() override;
  // True once a cycle wrote the message.
  bool send(const unsigned char* data, size_t size) override;
  // True once the message is queued.
  bool post(const unsigned char* data, size_t size) override;
  size_t maxMessageSize() const override { return kMaxMessageBytes; }
  bool concurrentSends() const override { return true; }
  bool alive() const override;

private:
  struct Shared;
  bool submit(const unsigned char* data, size_t size, bool untilWritten);

  std::shared_ptr<Shared> mShared;
};
