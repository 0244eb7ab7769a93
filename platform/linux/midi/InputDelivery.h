// What an input client hands its messages to, under the lock that closing its port takes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "IMidiPorts.h"

// Shared by an input client and the thread that delivers its messages: after setOpen(false) returns no
// delivery runs, and messages tagged with an earlier opening are dropped.
struct InputDelivery
{
  std::mutex lock;
  bool open = false;
  // Counts the port's closings: a message is tagged with it when it arrives.
  std::atomic<uint32_t> generation{0};
  IMidiPorts::Input::Handler handler;
  IMidiPorts::Input::LostHandler lostHandler;

  // Hands message on while the port it arrived in (tag) is open. The input thread.
  void deliver(uint32_t tag, double deltaTime, std::vector<unsigned char>* message);
  // Passes on what was lost for cause. The input thread.
  void lose(uint64_t count, IMidiPorts::Input::Loss cause);
  // Marks the port open or closed. Any thread but the input thread.
  void setOpen(bool opened);
  void setHandler(IMidiPorts::Input::Handler h);
  void setLostHandler(IMidiPorts::Input::LostHandler h);
  // For the client's destructor: closes client's port (a failure is said on standard error) and forgets the
  // handlers.
  void end(IMidiPorts::Input& client);
};
