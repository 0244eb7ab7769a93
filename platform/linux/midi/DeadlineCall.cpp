// Deadline calls: a thread per call, given up on (never joined) when the system does not answer.
#include "DeadlineCall.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>

#include <dlfcn.h>

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
};

// Calls given up on that have not returned.
std::atomic<int> gUnanswered{0};

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

void run(std::function<void()> work, std::chrono::milliseconds deadline)
{
  if (stalled())
    throw IMidiPorts::Unanswered("the MIDI system has not answered an earlier call");
  auto state = std::make_shared<CallState>();
  std::thread worker(
      [state, work = std::move(work)]() mutable
      {
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
        std::lock_guard<std::mutex> guard(state->lock);
        state->done = true;
        if (state->abandoned)
          --gUnanswered;
        state->ended.notify_all();
      });
  std::unique_lock<std::mutex> guard(state->lock);
  if (!state->ended.wait_for(guard, deadline, [&] { return state->done; }))
  {
    state->abandoned = true;
    ++gUnanswered;
    guard.unlock();
    // The thread given up on runs this library's code when it returns.
    pinLibrary();
    worker.detach();
    throw IMidiPorts::Unanswered("the MIDI system did not answer within " + std::to_string(deadline.count()) +
                                 " ms");
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
