// Calls into a MIDI system that may stop answering (a stalled JACK server), each on a thread of its own.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

namespace deadlinecall
{
// How long a caller waits for one call into the MIDI system, in ms: the host is never held much longer.
constexpr std::chrono::milliseconds kDeadline{1500};
// The environment variable that replaces kDeadline (1 to 600000 ms), for a MIDI system that is known to
// answer slowly. A call given up on frees its caller only: the ports wait for the answer (IMidiPorts).
constexpr const char* kDeadlineVariable = "KORVID_MIDI_DEADLINE_MS";

// kDeadline, or what kDeadlineVariable held when first asked. Any thread.
std::chrono::milliseconds callDeadline();

// Runs work on a thread of its own and waits for it at most deadline; passes on what work threw. Throws
// IMidiPorts::Unanswered when the deadline passed first, and at once (work never runs) while an earlier
// call given up on has not returned: the system is stalled (stuck, when that call never returns). A call
// given up on runs to its end on its own, so work must own (by value or shared_ptr) everything it touches.
// Any thread.
void run(std::function<void()> work, std::chrono::milliseconds deadline = callDeadline());

// run for a call with a result.
template <class Result, class Work> Result ask(Work work)
{
  auto result = std::make_shared<Result>();
  run([result, work = std::move(work)]() mutable { *result = work(); });
  return std::move(*result);
}

// True while a call given up on has not returned. Any thread.
bool stalled();

// True while a call given up on waits for a lock whose holder thread has ended (endedlockholder): it never
// returns, and the system's library in this process can do nothing more until the host restarts. While
// stuck, run's Unanswered says so. Reads the kernel's view of the waiting thread; a stuck call is looked at
// once. Any thread.
bool stuck();

// Drops the last reference to object on a thread of its own (closing a client may hang in the system):
// waits for it as run does, or not at all while the system is stalled. Never throws.
template <class T> void release(std::shared_ptr<T> object);

// Keeps the library holding this code (the plug-in) loaded for the rest of the process, also once the host
// unloads it: for a thread or a kept client that may still run its code. Any thread.
void pinLibrary();

// The untyped form of release.
void releaseErased(std::shared_ptr<void> object);

template <class T> void release(std::shared_ptr<T> object)
{
  releaseErased(std::shared_ptr<void>(std::move(object)));
}
} // namespace deadlinecall
