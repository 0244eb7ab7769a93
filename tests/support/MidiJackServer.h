// A private JACK server for MIDI tests: jackd with the dummy driver under a name no running server has.
#pragma once

#include <chrono>
#include <csignal>
#include <set>
#include <string>

#include <sys/types.h>

// Starting it points JACK_DEFAULT_SERVER of this process at the server, so clients made afterwards
// (RtMidi's included) reach it and never the machine's default server. The server is stopped by stop(),
// by the destructor, and by the kernel when the test process dies.
class MidiJackServer
{
public:
  MidiJackServer() = default;
  ~MidiJackServer();
  MidiJackServer(const MidiJackServer&) = delete;
  MidiJackServer& operator=(const MidiJackServer&) = delete;

  // Frames per JACK cycle at 48 kHz (1024 unless set before start): the time resolution of what the
  // clients see arrive.
  void setFramesPerPeriod(int frames) { mFramesPerPeriod = frames; }
  // Whether the server waits for each client's cycle (true unless set before start).
  void setSynchronous(bool synchronous) { mSynchronous = synchronous; }
  // Starts the server and waits until a client can connect; false with the reason in error otherwise.
  // Started again after stop, it runs under the same name; true at once while it runs.
  bool start(std::string& error, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Stops the server (signal, then SIGKILL after a grace period) and waits for it. Idempotent.
  void stop(int signal = SIGTERM);
  // Freezes (SIGSTOP) or resumes (SIGCONT) the server: while frozen no JACK cycle runs, so nothing
  // drains the clients' buffers; pause returns once every thread of it has stopped. Idempotent; stop()
  // resumes first.
  void pause();
  void resume();
  const std::string& name() const { return mName; }
  // What the server printed since it last started (nothing once stopped).
  std::string log() const;
  // The names beginning with prefix of this server's clients whose wake-up files (jack_sem.*) this process
  // maps: libjack maps those of every client of the server it is on (a gone one's until a client opens).
  std::set<std::string> clientsMapped(const std::string& prefix) const;

private:
  // Starts jackd under mName and waits until it answers.
  bool launch(std::string& error, std::chrono::milliseconds timeout);
  bool answers() const;
  // Reserves mName for this process (also while its server is stopped, so that a restart finds it free of
  // other test processes); false when another process holds it.
  bool hold();
  // The sockets ("socket:[inode]") that a server named mName listens on, whoever runs it.
  std::set<std::string> sockets() const;
  // Whether the child forked here holds them, rather than another process's server of the name.
  bool servedByChild() const;

  pid_t mPid = -1;
  bool mPaused = false;
  int mHold = -1;
  int mFramesPerPeriod = 1024;
  bool mSynchronous = true;
  std::string mName;
  std::string mLogPath;
};
