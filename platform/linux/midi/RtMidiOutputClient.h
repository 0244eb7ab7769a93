// One RtMidi output client whose sends run on a worker thread, so a stalled port cannot hang a caller.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "IMidiPorts.h"

class RtMidiOut;

// Used for ALSA outputs (JACK outputs are JackMidiOutputClient). A send into a port that does not drain may
// block inside RtMidi. Here every message is handed to a worker thread and the caller waits at most
// kSendDeadlineMs for it; a message longer than maxMessageSize() is refused. While a send is stalled,
// later sends fail at once. Listing, opening and closing are given up on after a deadline
// (IMidiPorts::Unanswered); the client takes nothing more after that. Sends, opening and closing are
// serialised by IMidiPorts; listing runs beside sends. Any thread may make the calls.
class RtMidiOutputClient : public IMidiPorts::Output
{
public:
  // Longest message taken: RtMidi's JACK ring buffer holds 16384 bytes with a 4-byte length header.
  static constexpr size_t kMaxMessageBytes = 16000;
  static constexpr int kSendDeadlineMs = 2000;

  // out: the RtMidi client, owned from now on; watch: the server watch when it runs on JACK (else null).
  RtMidiOutputClient(std::unique_ptr<RtMidiOut> out, std::shared_ptr<class JackServerWatch> watch);
  // Stops the worker. A worker stalled inside RtMidi is left to finish on its own with the client; the
  // client of a JACK server that went away is kept, never closed (JackServerWatch::abandon).
  ~RtMidiOutputClient() override;

  // On JACK from the server watch, so a stalled send holds up no listing; none once the server went away.
  std::vector<std::string> portNames() override;
  // Throws RtMidiError, IMidiPorts::Unanswered, or std::runtime_error while a send is stalled or once the
  // JACK server went away.
  void openPort(const std::string& name, const std::string& portName) override;
  void closePort() override;
  bool send(const unsigned char* data, size_t size) override;
  size_t maxMessageSize() const override { return kMaxMessageBytes; }
  bool alive() const override { return !serverGone(); }

private:
  struct Shared;
  // The worker's loop: takes one message at a time until stopped.
  static void runWorker(std::shared_ptr<Shared> shared);
  // Waits up to the deadline for the worker to be idle, not at all once a send or call was given up on;
  // whether it is idle.
  bool waitIdle(std::unique_lock<std::mutex>& lock);
  // Runs call on the RtMidi client with the worker kept idle and a deadline.
  void portCall(const std::function<void(RtMidiOut&)>& call);
  void finishPortCall(bool answered);
  // Runs call on the RtMidi client beside the worker, with a deadline.
  template <class Result, class Call> Result listCall(Call call);
  bool serverGone() const;

  std::shared_ptr<Shared> mShared;
  std::thread mWorker;
};
