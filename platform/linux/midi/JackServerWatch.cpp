// The JACK server watch: a client without ports whose shutdown notice marks the server gone.
#include "JackServerWatch.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
constexpr int kOpenAttempts = 3;
constexpr std::chrono::milliseconds kOpenPause{50};

std::mutex gWatchLock;
std::weak_ptr<JackServerWatch> gWatch;

// JACK's client sockets are named after the client, so the name carries the process id, and a failed open
// is tried again: clients of the same name opening at once in other processes make it fail now and then.
// No server to connect to is final at once: waiting for one would only slow down every start-up on a
// machine without JACK.
jack_client_t* openClient()
{
  const std::string name = "korvid-midi-watch-" + std::to_string(::getpid());
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt)
  {
    if (attempt > 0)
      std::this_thread::sleep_for(kOpenPause);
    jack_status_t status{};
    if (jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status))
      return client;
    if (status & JackServerFailed)
      return nullptr;
  }
  return nullptr;
}
} // namespace

std::shared_ptr<JackServerWatch> JackServerWatch::connect()
{
  std::lock_guard<std::mutex> lock(gWatchLock);
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
  // After this no notice arrives.
  jack_client_close(mClient);
}

void JackServerWatch::onShutdown(jack_status_t, const char*, void* arg)
{
  static_cast<JackServerWatch*>(arg)->mGone = true;
}
