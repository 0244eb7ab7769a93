// The JACK server watch: a client without ports whose shutdown notice marks the server gone.
#include "JackServerWatch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

#include <jack/midiport.h>

#include "DeadlineCall.h"
#include "JackClientName.h"

namespace
{
constexpr int kOpenAttempts = 3;
constexpr std::chrono::milliseconds kOpenPause{50};
// A listing waits this long for a watch being opened: less than the deadline of the call it runs in, so a
// slow open makes one list fail (the last one is kept) instead of the listing client being given up on.
constexpr std::chrono::milliseconds kListWait{1000};
// Pause between two looks at a connection when a look came back at once.
constexpr std::chrono::milliseconds kConnectionLookPause{2};

// Held while a watch is opened or reads the graph: opening a client after the server went away frees the
// old clients, the watch's among them.
std::timed_mutex gWatchLock;
std::weak_ptr<JackServerWatch> gWatch;

std::atomic<int> gActivationsToFail{0};
std::atomic<bool> gFailAfterStarting{false};
// Clients kept because their activation failed.
std::atomic<int> gUnactivated{0};

// Takes one of the activations a test asked to fail.
bool activationFailed()
{
  int left = gActivationsToFail.load();
  while (left > 0 && !gActivationsToFail.compare_exchange_weak(left, left - 1))
  {
  }
  return left > 0;
}

// Never destroyed, not even at exit: what it holds is never freed. gKeptThreads: the server watches of the
// kept clients whose process thread may run.
std::mutex gAbandonedLock;
auto* const gAbandoned = new std::vector<std::shared_ptr<void>>();
auto* const gKeptThreads = new std::vector<std::shared_ptr<JackServerWatch>>();

// JACK's client sockets are named after the client, so the name carries the process id, and a failed open
// is tried again: clients of the same name opening at once in other processes make it fail now and then.
// Each open takes a name no client of this process had (a gone server's wake-up file is left, see
// jackclientname::fresh). No server to connect to is final at once: waiting for one would only slow down
// every start-up on a machine without JACK.
jack_client_t* openClient()
{
  const std::string base = "korvid-midi-watch-" + std::to_string(::getpid());
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt)
  {
    if (attempt > 0)
      std::this_thread::sleep_for(kOpenPause);
    jack_status_t status{};
    if (jack_client_t* client =
            jack_client_open(jackclientname::fresh(base).c_str(), JackNoStartServer, &status))
      return client;
    if (status & JackServerFailed)
      return nullptr;
  }
  return nullptr;
}
} // namespace

std::shared_ptr<JackServerWatch> JackServerWatch::connect()
{
  checkRoom();
  std::lock_guard<std::timed_mutex> lock(gWatchLock);
  std::shared_ptr<JackServerWatch> watch = gWatch.lock();
  if (watch && !watch->serverGone())
    return watch;
  jack_client_t* client = openClient();
  if (!client)
    return nullptr;
  watch.reset(new JackServerWatch(client));
  // Told on the client's own notice thread; the client stays out of the server's graph (not activated).
  jack_on_info_shutdown(client, &JackServerWatch::onShutdown, watch.get());
  gWatch = watch;
  return watch;
}

JackServerWatch::JackServerWatch(jack_client_t* client) : mClient(client) {}

JackServerWatch::~JackServerWatch()
{
  // After this no notice arrives. The client of a server that went away may be freed by libjack already;
  // else libjack frees it once the next client opens, and its code and callbacks must still be there.
  if (!serverGone())
    jack_client_close(mClient);
  else
    deadlinecall::pinLibrary();
}

std::vector<std::string> JackServerWatch::midiPorts(unsigned long flags) const
{
  std::vector<std::string> names;
  std::unique_lock<std::timed_mutex> lock(gWatchLock, kListWait);
  if (!lock)
    throw std::runtime_error("the JACK server watch is busy opening a client");
  if (serverGone())
    return names;
  const char** ports = jack_get_ports(mClient, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
  if (!ports)
    return names;
  for (size_t k = 0; ports[k]; ++k)
    names.emplace_back(ports[k]);
  jack_free(static_cast<void*>(ports));
  return names;
}

std::vector<std::string> JackServerWatch::portsOf(std::shared_ptr<JackServerWatch> watch, unsigned long flags)
{
  if (!watch)
    return {};
  return deadlinecall::ask<std::vector<std::string>>([watch, flags] { return watch->midiPorts(flags); });
}

bool JackServerWatch::untilConnectionShows(const std::function<bool()>& look)
{
  const auto end = std::chrono::steady_clock::now() + kConnectionWait;
  while (!look())
  {
    if (std::chrono::steady_clock::now() >= end)
      return false;
    std::this_thread::sleep_for(kConnectionLookPause);
  }
  return true;
}

void JackServerWatch::abandon(std::shared_ptr<void> object)
{
  // libjack may still call the kept client's callbacks, and run its thread, after the host unloads the
  // plug-in.
  deadlinecall::pinLibrary();
  std::lock_guard<std::mutex> lock(gAbandonedLock);
  gAbandoned->push_back(std::move(object));
}

bool JackServerWatch::activate(jack_client_t* client)
{
  if (!activationFailed())
    return jack_activate(client) == 0;
  if (gFailAfterStarting.load())
    jack_activate(client);
  return false;
}

void JackServerWatch::keepUnactivated(std::shared_ptr<void> object, jack_client_t* client,
                                      std::shared_ptr<JackServerWatch> watch)
{
  ++gUnactivated;
  // libjack keeps the process thread it made, however late it started; none when it could make none.
  if (jack_client_thread_id(client) != 0 && watch)
  {
    std::lock_guard<std::mutex> lock(gAbandonedLock);
    gKeptThreads->push_back(std::move(watch));
  }
  abandon(std::move(object));
}

bool JackServerWatch::stuck()
{
  std::lock_guard<std::mutex> lock(gAbandonedLock);
  return std::any_of(gKeptThreads->begin(), gKeptThreads->end(),
                     [](const std::shared_ptr<JackServerWatch>& watch) { return watch->serverGone(); });
}

void JackServerWatch::checkRoom()
{
  if (stuck())
    throw std::runtime_error(
        "the JACK library in this host is stuck with a client it could not start, left on "
        "a server that went away: restart the host");
  if (gUnactivated.load() >= kMostUnactivated)
    throw std::runtime_error(std::to_string(kMostUnactivated) +
                             " JACK clients whose activation failed are kept: no more are made");
}

void JackServerWatch::connectPort(jack_client_t* client, std::atomic<jack_port_t*>& port,
                                  const std::string& portName, unsigned long flags, const std::string& other)
{
  jack_port_t* own = port.load();
  if (!own)
  {
    own = jack_port_register(client, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
    if (!own)
      throw std::runtime_error("the JACK server did not register the port");
    port = own;
  }
  // By full name: the server joins these two ports or none, whatever came or went since the list.
  const bool out = (flags & JackPortIsOutput) != 0;
  const std::string name = jack_port_name(own);
  const int result = out ? jack_connect(client, name.c_str(), other.c_str())
                         : jack_connect(client, other.c_str(), name.c_str());
  if ((result != 0 && result != EEXIST) ||
      !untilConnectionShows([&] { return jack_port_connected_to(own, other.c_str()) != 0; }))
    throw std::runtime_error("the JACK server did not connect to \"" + other + "\"");
}

void JackServerWatch::failActivations(int count, bool threadStarted)
{
  gFailAfterStarting = threadStarted;
  gActivationsToFail = count;
}

void JackServerWatch::onShutdown(jack_status_t, const char*, void* arg)
{
  static_cast<JackServerWatch*>(arg)->mGone = true;
}
