// Deadline calls given up on: one that waits for a lock whose holder thread ended is told from a slow one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "DeadlineCall.h"
#include "IMidiPorts.h"
#include "WaitUntil.h"

// As libjack leaves it: a thread cancelled inside its lock. The call waits for a lock whose holder waits for
// that one (a close inside the library holding its open lock); the others wait for a live holder of a mutex
// or of stdio's (a library writing to a standard error that blocks). Each lets go once looked at, the ended
// one's lock given back by hand (glibc lets any thread unlock it): a stuck call that returns is forgotten.
TEST(DeadlineCallTest, ACallWaitingForALockWhoseHolderEndedIsStuckAndOneWaitingForALiveHolderIsNot)
{
  using namespace std::chrono_literals;
  // Static: a thread a failing row leaves waiting outlives the test.
  static std::mutex leftLocked;
  static std::mutex held;
  std::thread([] { leftLocked.lock(); }).join();
  for (const auto& [stdio, holderEnded] :
       {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}})
  {
    SCOPED_TRACE(std::to_string(stdio) + std::to_string(holderEnded));
    std::atomic<bool> holding{false}, looked{false};
    std::thread holder(
        [&, stdio = stdio, holderEnded = holderEnded]
        {
          stdio ? flockfile(stderr) : held.lock();
          holding = true;
          if (holderEnded)
            leftLocked.lock(), leftLocked.unlock();
          korvidtest::waitUntil([&] { return looked.load(); });
          stdio ? funlockfile(stderr) : held.unlock();
        });
    ASSERT_TRUE(korvidtest::waitUntil([&] { return holding.load(); }));
    try
    {
      deadlinecall::run([stdio = stdio] { stdio ? void(fflush(stderr)) : (held.lock(), held.unlock()); },
                        50ms);
      ADD_FAILURE() << "answered";
    }
    catch (const IMidiPorts::Unanswered& e)
    {
      // A loaded machine may put the call and its holder to sleep after its deadline: the ended holder is
      // looked for until it shows.
      EXPECT_TRUE(holderEnded || std::string(e.what()).find("stuck") == std::string::npos) << e.what();
    }
    EXPECT_EQ(holderEnded, holderEnded ? korvidtest::waitUntil(deadlinecall::stuck) : deadlinecall::stuck());
    if (holderEnded)
      leftLocked.unlock();
    looked = true;
    holder.join();
    EXPECT_TRUE(korvidtest::waitUntil([] { return !deadlinecall::stalled() && !deadlinecall::stuck(); }));
  }
}
