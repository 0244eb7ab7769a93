// One JACK output client written with libjack: a message counts as sent once a JACK cycle wrote it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
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
// A late cycle may have lost what it wrote: one this client began after cycles that went by without it
// (its first frame does not follow on from its last cycle: the client it feeds may read the port first), and
// the cycles within kSuspectWindow before the server's notice of a client not finished in time (one that
// leaves the driver's delay as it was: a cycle the driver began late loses nothing that clients pass each
// other). A repeatable message (sendRepeatable) such a cycle wrote is written again, first thing in a later
// cycle, at most kMaxRepeats times; one that cannot be (no longer kept, or late once more, or whose copy
// left the table for room) is counted as given up (settleRepeatables). Repeatable messages keep their send's
// pause before the next one, written again or not: a receiver still busy with one may drop the next. So is a
// release (note-off, pedal up, all notes or sounds off) unless a later note-on (pedal press) started what it
// ends again; nothing else is written again, a note-on above all (it would sound late). What late cycles
// wrote is counted (lateCycles). No allocation on the process thread: fixed tables.
class JackMidiOutputClient : public IMidiPorts::Output
{
public:
  // Longest message taken: more than one cycle's buffer holds (32 KiB on JACK 2), less than the queue.
  static constexpr size_t kMaxMessageBytes = 48 * 1024;
  static constexpr size_t kQueueBytes = 64 * 1024;
  static constexpr int kSendDeadlineMs = 2000;
  // The server's notice follows the start of a lost cycle by a period and its way through the server's and
  // this client's notice threads, which a loaded machine holds up to a hundred milliseconds and more. A
  // driver's late cycles, which lose nothing, are not taken: only xruns that may lose something repeat dumps.
  static constexpr int kSuspectWindowMs = 250;
  static constexpr int kMaxRepeats = 5;
  // Repeatable messages kept for writing again: how many, and the longest kept (a multi dump is 425 bytes).
  static constexpr size_t kKeptMessages = 32;
  static constexpr size_t kKeptMessageBytes = 1024;

  // Opens a JACK client named jackclientname::fresh(clientName) and activates it; throws std::runtime_error
  // when the server refuses. A client whose activation failed is kept (JackServerWatch::activate), never
  // closed. Talks to the server: call it under a deadline. watch: the process's server watch.
  JackMidiOutputClient(const std::string& clientName, std::shared_ptr<JackServerWatch> watch);
  // Closes the client on a deadline call; the client of a server that went away, or of a stuck library
  // (deadlinecall::stuck), is kept, never closed (JackServerWatch::abandon): its cycles do nothing, and
  // its process thread ends at its first wake-up once the server is gone (jackprocessthread::run).
  ~JackMidiOutputClient() override;

  std::vector<std::string> portNames() override;
  // Registers the output port (once) and connects it to the JACK input port called name. Throws
  // IMidiPorts::Unanswered or std::runtime_error.
  void openPort(const std::string& name, const std::string& portName) override;
  // Disconnects the port once cycles wrote what was queued (waiting at most 250 ms) and forgets the rest.
  void closePort() override;
  // True once a cycle wrote the message.
  bool send(const unsigned char* data, size_t size) override;
  // As send; the message is written again after a late cycle. It waits first, within the same deadline,
  // for the repeatable messages to write again and for the pause of the last one written.
  bool sendRepeatable(const unsigned char* data, size_t size, std::chrono::milliseconds pause) override;
  uint64_t settleRepeatables(std::chrono::milliseconds timeout) override;
  LateCycles lateCycles() const override;
  // True once the message is queued.
  bool post(const unsigned char* data, size_t size) override;
  size_t maxMessageSize() const override { return kMaxMessageBytes; }
  bool concurrentSends() const override { return true; }
  bool alive() const override;
  // For tests: what the server's late-cycle notice does, for the cycles since the last call rather than
  // within kSuspectWindowMs (a test's own call may come later than that on a loaded machine).
  void noticeLateCycle();
  // For tests: the next cycle that writes is taken as one begun after cycles that went by without this
  // client.
  void takeNextCycleLate();

private:
  struct Shared;
  bool submit(const unsigned char* data, size_t size, bool untilWritten, bool repeatable = false,
              std::chrono::milliseconds pause = std::chrono::milliseconds(0));

  std::shared_ptr<Shared> mShared;
};
