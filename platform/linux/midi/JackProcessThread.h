// The process thread of a JACK client whose server may go away while the client lives on.
#pragma once

#include <jack/jack.h>

namespace jackprocessthread
{
// The thread function (jack_set_process_thread) that runs Shared::process(frames, shared) for each cycle of
// shared->client and ends the thread, without ending its cycle, once shared->serverGone(): a gone server's
// client still gets woken (other programs' clients of that server, and a same-named client of the next one,
// whose wake-up files jackd leaves behind, signal it), and ending a cycle there signals the clients it feeds,
// whose wake-ups the server took with it, which libjack says on standard error each time. Process thread.
template <class Shared> void* run(void* arg)
{
  auto* shared = static_cast<Shared*>(arg);
  for (;;)
  {
    const jack_nframes_t frames = jack_cycle_wait(shared->client);
    if (shared->serverGone())
      return nullptr;
    jack_cycle_signal(shared->client, Shared::process(frames, shared));
  }
}
} // namespace jackprocessthread
