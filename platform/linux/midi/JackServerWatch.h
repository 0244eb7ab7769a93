// One JACK client per process that is told when the JACK server goes away.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <jack/jack.h>

// The RtMidi clients on JACK list the ports from the server's shared graph, which still shows them once the
// server has died; this client's shutdown notice tells them apart. Shared by every JACK client of the
// plug-in in this process and closed with the last of them.
class JackServerWatch
{
public:
  // The process's watch client, opened when none is open or the server of the last one went away; null
  // when no server answers (never starts one). Talks to the server: call it under a deadline.
  // Throws std::runtime_error where checkRoom does: opening a client then would make libjack free the kept
  // ones.
  static std::shared_ptr<JackServerWatch> connect();

  ~JackServerWatch();
  JackServerWatch(const JackServerWatch&) = delete;
  JackServerWatch& operator=(const JackServerWatch&) = delete;

  // True once the server told its clients it is shutting down, or died. Any thread.
  bool serverGone() const { return mGone.load(); }

  // Full names of the server's MIDI ports with flags (JackPortIsInput: the ports an output sends to), in
  // the server's order, from one reading of its graph; none once the server went away. Throws
  // std::runtime_error when a watch being opened holds the graph for longer than a second. Any thread.
  std::vector<std::string> midiPorts(unsigned long flags) const;

  // watch->midiPorts(flags) under a deadline; none without a watch. Throws IMidiPorts::Unanswered. Any
  // thread.
  static std::vector<std::string> portsOf(std::shared_ptr<JackServerWatch> watch, unsigned long flags);
  // Calls look until it answers true or kConnectionWait has passed; its last answer. libjack shows a new
  // connection from the cycle after the connect on, and a look waits for that cycle when it is due; a loaded
  // server's cycles come late, so an open looks for a time rather than a number of cycles.
  static bool untilConnectionShows(const std::function<bool()>& look);
  static constexpr std::chrono::milliseconds kConnectionWait{500};

  // Keeps object (a client of a server that went away, with what it uses) for the rest of the process
  // without closing it: once such a server is gone, the next client opened in the process makes libjack
  // free the old clients itself, and closing one after that would crash. The plug-in's code stays loaded
  // from then on (deadlinecall::pinLibrary): the kept client's callbacks are in it. Any thread.
  static void abandon(std::shared_ptr<void> object);

  // jack_activate(client) == 0. libjack gives a client's new process thread about a second to start and then
  // reports the activation failed, though the thread may still start: closing that client frees what the
  // thread runs on. A client whose activation failed is kept (keepUnactivated), never closed. Any thread.
  static bool activate(jack_client_t* client);
  // abandon for client, whose activation failed, counted: once kMostUnactivated are kept, checkRoom refuses
  // new clients, so a session on a system that keeps failing activations collects no more. libjack never
  // stops such a client's process thread when it started late, and the first client opened in the process
  // after the client's server (watch) went away makes libjack free the client and its wake-up object under
  // that thread, which then runs on freed memory once a client of the same name on a server of the same
  // name wakes it (the host crashes, or the thread spins and stops libjack for good): from then on checkRoom
  // refuses too (stuck). Any thread.
  static void keepUnactivated(std::shared_ptr<void> object, jack_client_t* client,
                              std::shared_ptr<JackServerWatch> watch);
  static constexpr int kMostUnactivated = 8;
  // Throws std::runtime_error once kMostUnactivated clients whose activation failed are kept, or while stuck.
  // Any thread.
  static void checkRoom();
  // True once the server of a kept client whose process thread may run went away: libjack cannot open a
  // client in this process any more without freeing that client under its thread. Any thread.
  static bool stuck();
  // Registers port on client once (as portName with flags) and connects it with the port called other: from
  // it when flags holds JackPortIsOutput, else to it; returns once the connection shows. Throws
  // std::runtime_error when the server refuses either. Talks to the server: call it under a deadline.
  static void connectPort(jack_client_t* client, std::atomic<jack_port_t*>& port, const std::string& portName,
                          unsigned long flags, const std::string& other);
  // For tests: the next count activations fail; activate calls no jack_activate, or with threadStarted
  // calls it and still reports a failure (the client's process thread runs, as one that started late does).
  static void failActivations(int count, bool threadStarted = false);

private:
  explicit JackServerWatch(jack_client_t* client);
  static void onShutdown(jack_status_t code, const char* reason, void* arg);

  jack_client_t* mClient;
  std::atomic<bool> mGone{false};
};
