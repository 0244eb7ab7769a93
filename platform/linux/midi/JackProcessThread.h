// The process thread of a JACK client whose server may go away while the client lives on, and whose wake-up
// other programs' clients may signal.
#pragma once

#include <jack/jack.h>

namespace jackprocessthread
{
// The thread function (jack_set_process_thread) that runs Shared::process(frames, shared) once for each cycle
// of shared->client's server. A client's wake-up is a futex in a file named after the server and the client,
// which jackd leaves behind: a client left running on a gone server waits on its own file and signals the
// files of the clients it fed there, and same-named clients of the next server of that name share them
// (this process's clients never take such a name: jackclientname::fresh). Once shared->serverGone() the
// thread ends without ending its cycle: that would signal the clients it feeds, whose wake-ups the server
// took with it (libjack's error lines, a cycle for each wake-up). On a live server a wake-up in the cycle
// the thread last ran (its first frame, jack_last_frame_time, has not moved) is another client's or a late
// one and runs nothing: ending the cycle again signals the clients this one feeds, and a leftover client
// waiting on the file of one of them signalled back at once (the two ran cycles in turn, thousands a
// second). A wake-up for the cycle before that came after the server's step (a loaded asynchronous server)
// runs the new cycle before the clients feeding this one wrote it, and the server's own wake-up is let go:
// each wake-up let go is told to Shared::letGo(shared), which may take that cycle as lost. Process thread.
template <class Shared> void* run(void* arg)
{
  auto* shared = static_cast<Shared*>(arg);
  bool ran = false;
  jack_nframes_t ranFrom = 0;
  for (;;)
  {
    const jack_nframes_t frames = jack_cycle_wait(shared->client);
    if (shared->serverGone())
      return nullptr;
    const jack_nframes_t from = jack_last_frame_time(shared->client);
    if (ran && from == ranFrom)
    {
      Shared::letGo(shared);
      continue;
    }
    ran = true;
    ranFrom = from;
    jack_cycle_signal(shared->client, Shared::process(frames, shared));
  }
}
} // namespace jackprocessthread
