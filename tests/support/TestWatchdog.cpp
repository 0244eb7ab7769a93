// A watchdog for the JACK tests: a test that hangs prints every thread's stack, then aborts, before CTest
// kills the executable without a word.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <sys/prctl.h>
#include <unistd.h>

namespace
{
// Longer than any test's own waits, shorter than the CTest timeout of a whole executable. The environment
// variable KORVID_TEST_WATCHDOG_SECONDS sets another limit.
constexpr int kDefaultLimitSeconds = 240;

// What the watchdog's thread reads: never destroyed, as the thread runs until the process ends.
struct WatchState
{
  std::chrono::seconds limit;
  std::mutex lock;
  std::condition_variable rearmed;
  std::chrono::steady_clock::time_point deadline;
  std::string what;
};

class Watchdog : public ::testing::EmptyTestEventListener
{
public:
  Watchdog() : mState(new WatchState())
  {
    const char* set = std::getenv("KORVID_TEST_WATCHDOG_SECONDS");
    const int seconds = set ? std::atoi(set) : 0;
    mState->limit = std::chrono::seconds(seconds > 0 ? seconds : kDefaultLimitSeconds);
    arm("the test environment's set-up");
    std::thread(&watch, mState).detach();
  }

  // Each test, and the stretch after it up to the end of the process, gets a limit of its own.
  void OnTestStart(const ::testing::TestInfo& test) override
  {
    arm(std::string(test.test_suite_name()) + "." + test.name());
  }
  void OnTestEnd(const ::testing::TestInfo& test) override
  {
    arm(std::string("what follows ") + test.test_suite_name() + "." + test.name());
  }

private:
  void arm(std::string what)
  {
    std::lock_guard<std::mutex> lock(mState->lock);
    mState->what = std::move(what);
    mState->deadline = std::chrono::steady_clock::now() + mState->limit;
    mState->rearmed.notify_all();
  }

  static void watch(WatchState* state)
  {
    std::unique_lock<std::mutex> lock(state->lock);
    while (std::chrono::steady_clock::now() < state->deadline)
      state->rearmed.wait_until(lock, state->deadline);
    std::fprintf(stderr, "\nWATCHDOG: %s ran for more than %lld s; the stacks of all threads:\n",
                 state->what.c_str(), static_cast<long long>(state->limit.count()));
    std::fflush(stderr);
    // The debugger is this process's child: Yama allows it to attach only when asked to.
    ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    const std::string pid = std::to_string(::getpid());
    const std::string command = "timeout 120 gdb -batch -nx -p " + pid +
                                " -ex 'thread apply all bt' 1>&2 || timeout 60 eu-stack -p " + pid + " 1>&2";
    if (std::system(command.c_str()) != 0)
      std::fprintf(stderr, "WATCHDOG: no stacks (gdb or eu-stack failed)\n");
    std::abort();
  }

  WatchState* const mState;
};

// Owned by GoogleTest's listener list from static initialisation on.
[[maybe_unused]] const bool gWatching = []
{
  ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog());
  return true;
}();
} // namespace
