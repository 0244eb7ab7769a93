// Deadline calls: a thread per call, given up on (never joined) when the system does not answer.
#include "DeadlineCall.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

#include "EndedLockHolder.h"
#include "IMidiPorts.h"

namespace deadlinecall
{
namespace
{
struct CallState
{
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  bool abandoned = false;
  std::exception_ptr error;
  // The call's thread, for a look at what it waits for once given up on.
  std::atomic<pid_t> thread{0};
  std::atomic<bool> waitsForEver{false};
};

// Calls given up on that have not returned.
std::atomic<int> gUnanswered{0};
// The same calls, for stuck. Never destroyed: a call's thread may return after the host unloaded the
// plug-in (its library stays loaded) and while the process exits.
std::mutex gGivenUpLock;
auto* const gGivenUp = new std::vector<std::shared_ptr<CallState>>();

constexpr const char* kStuckText =
    "the MIDI system's library in this host is stuck (a call into it waits for a lock "
    "whose thread has ended): restart the host";

void forgetGivenUp(const std::shared_ptr<CallState>& state)
{
  std::lock_guard<std::mutex> lock(gGivenUpLock);
  gGivenUp->erase(std::remove(gGivenUp->begin(), gGivenUp->end(), state), gGivenUp->end());
}

} // namespace

void pinLibrary()
{
  static std::once_flag once;
  std::call_once(once,
                 []
                 {
                   Dl_info info{};
                   if (dladdr(reinterpret_cast<void*>(&pinLibrary), &info) && info.dli_fname)
                     dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
                 });
}

std::chrono::milliseconds callDeadline()
{
  constexpr long kLongest = 600000;
  static const std::chrono::milliseconds deadline = []
  {
    const char* text = std::getenv(kDeadlineVariable);
    if (!text || !*text)
      return kDeadline;
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (*end == '\0' && ms >= 1 && ms <= kLongest)
      return std::chrono::milliseconds(ms);
    std::cerr << "MIDI ports: " << kDeadlineVariable << "=\"" << text << "\" is not 1 to " << kLongest
              << " ms; the deadline stays " << kDeadline.count() << " ms" << std::endl;
    return kDeadline;
  }();
  return deadline;
}

bool stalled()
{
  return gUnanswered.load() > 0;
}

bool stuck()
{
  std::vector<std::shared_ptr<CallState>> givenUp;
  {
    std::lock_guard<std::mutex> lock(gGivenUpLock);
    givenUp = *gGivenUp;
  }
  for (const std::shared_ptr<CallState>& state : givenUp)
  {
    // Such a call never returns: looked at once (a call that returns after all is forgotten).
    if (state->waitsForEver.load())
      return true;
    const pid_t thread = state->thread.load();
    if (thread > 0 && endedlockholder::waitsForEver(thread))
    {
      state->waitsForEver = true;
      return true;
    }
  }
  return false;
}

void run(std::function<void()> work, std::chrono::milliseconds deadline)
{
  if (stalled())
    throw IMidiPorts::Unanswered(stuck() ? kStuckText : "the MIDI system has not answered an earlier call");
  auto state = std::make_shared<CallState>();
  std::thread worker(
      [state, work = std::move(work)]() mutable
      {
        state->thread = ::gettid();
        try
        {
          work();
        }
        catch (...)
        {
          state->error = std::current_exception();
        }
        // What work captured goes here, on this thread: closing a client may hang as well.
        work = nullptr;
        std::unique_lock<std::mutex> guard(state->lock);
        state->done = true;
        if (state->abandoned)
        {
          guard.unlock();
          // Forgotten before it counts as answered: stuck says nothing of a call that returned.
          forgetGivenUp(state);
          --gUnanswered;
          return;
        }
        state->ended.notify_all();
      });
  std::unique_lock<std::mutex> guard(state->lock);
  if (!state->ended.wait_for(guard, deadline, [&] { return state->done; }))
  {
    state->abandoned = true;
    ++gUnanswered;
    {
      std::lock_guard<std::mutex> lock(gGivenUpLock);
      gGivenUp->push_back(state);
    }
    guard.unlock();
    // The thread given up on runs this library's code when it returns.
    pinLibrary();
    worker.detach();
    throw IMidiPorts::Unanswered(stuck() ? kStuckText
                                         : "the MIDI system did not answer within " +
                                               std::to_string(deadline.count()) + " ms");
  }
  guard.unlock();
  worker.join();
  if (state->error)
    std::rethrow_exception(state->error);
}

void releaseErased(std::shared_ptr<void> object)
{
  if (!object)
    return;
  if (stalled())
  {
    pinLibrary();
    std::thread([object = std::move(object)]() mutable { object.reset(); }).detach();
    return;
  }
  try
  {
    run([object = std::move(object)]() mutable { object.reset(); });
  }
  catch (const std::exception& e)
  {
    std::cerr << "MIDI ports: closing a client: " << e.what() << std::endl;
  }
}
} // namespace deadlinecall
