// The synthesizer's side of a MIDI test over JACK: one client with a MIDI input and a MIDI output port.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <jack/jack.h>
#include <jack/ringbuffer.h>

// Records everything arriving at its input port and plays queued messages out of its output port,
// as many per JACK cycle as the port buffer takes. Test threads call the public members; the JACK
// process thread calls process, which never waits for them: a server that finds a client's cycle
// unfinished drops what its input port held.
class MidiJackSynth
{
public:
  using Bytes = std::vector<unsigned char>;

  ~MidiJackSynth();

  // Connects to the named server as clientName-<process id> with ports "in" and "out" (JACK client
  // sockets are named after the client: the id keeps tests of other processes apart); false with a reason.
  bool open(const std::string& serverName, const std::string& clientName, std::string& error);
  void close();
  // Full JACK names of the two ports ("client:in", "client:out").
  std::string inPortName() const;
  std::string outPortName() const;

  // Queues messages to be played out in order. They wait while the output port has no connection in the
  // graph the server runs: a connection just made is only live from a later cycle on, and what is played
  // before would be lost.
  void send(const std::vector<Bytes>& messages);
  // Waits until the input port has a connection in the graph the server runs, so that what a client sends
  // to it from now on arrives; false after timeout.
  bool waitInputConnected(std::chrono::milliseconds timeout);
  // Waits until count messages have arrived or the deadline passes; returns what arrived.
  std::vector<Bytes> waitReceived(size_t count, std::chrono::milliseconds timeout);
  // Waits until message number first (from 0) has arrived or the deadline passes; returns the messages
  // from that one on.
  std::vector<Bytes> waitReceivedFrom(size_t first, std::chrono::milliseconds timeout);
  // When each message that arrived was taken from the input port, in seconds of the monotonic clock (to
  // one JACK cycle), in the order of waitReceived.
  std::vector<double> arrivalTimes();
  // Messages the input port held that found no room on their way to the test threads (none unless those
  // stop taking them).
  size_t messagesDropped() const { return mDropped.load(); }
  // Forgets what arrived so far (not while a BlofeldSimulatorJack pumps this client).
  void clearReceived();

private:
  static int process(jack_nframes_t nFrames, void* arg);
  // Moves what the process thread put into the ring to mReceived and mArrivals. mLock held.
  void takeArrivedLocked();
  // Waits until count messages have arrived or the deadline passes; the messages from index first on.
  std::vector<Bytes> waitArrived(size_t first, size_t count, std::chrono::milliseconds timeout);

  jack_client_t* mClient = nullptr;
  jack_port_t* mIn = nullptr;
  jack_port_t* mOut = nullptr;
  // Arrived messages on their way from the process thread: a header (size, arrival time) and the bytes.
  jack_ringbuffer_t* mArrivedRing = nullptr;
  std::atomic<size_t> mDropped{0};
  std::mutex mLock;
  std::condition_variable mArrived;
  std::deque<Bytes> mToSend;
  std::vector<Bytes> mReceived;
  std::vector<double> mArrivals;
};
