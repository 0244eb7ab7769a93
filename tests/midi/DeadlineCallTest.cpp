// Deadline calls given up on: one that waits for a lock whose holder thread ended is told from a slow one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "DeadlineCall.h"
#include "IMidiPorts.h"
#include "WaitUntil.h"

// As libjack leaves it: a thread cancelled inside its lock. The call waits for a lock whose holder waits for
// that one (a close inside the library holding its open lock); the other call waits for a live holder, which
// lets go. Last, as a stuck call never returns and the process's calls fail from then on.
TEST(DeadlineCallTest, ACallWaitingForALockWhoseHolderEndedIsStuckAndOneWaitingForALiveHolderIsNot)
{
  using namespace std::chrono_literals;
  // Static: the threads that wait for ever outlive the test.
  static std::mutex leftLocked;
  std::thread([] { leftLocked.lock(); }).join();
  for (const bool holderEnded : {false, true})
  {
    SCOPED_TRACE(holderEnded);
    static std::mutex held;
    std::atomic<bool> holding{false};
    std::thread holder(
        [&holding, holderEnded]
        {
          std::lock_guard<std::mutex> lock(held);
          holding = true;
          if (holderEnded)
            leftLocked.lock();
          else
            std::this_thread::sleep_for(500ms);
        });
    ASSERT_TRUE(korvidtest::waitUntil([&] { return holding.load(); }));
    try
    {
      deadlinecall::run([] { std::lock_guard<std::mutex> lock(held); }, 50ms);
      ADD_FAILURE() << "answered";
    }
    catch (const IMidiPorts::Unanswered& e)
    {
      EXPECT_EQ(holderEnded, std::string(e.what()).find("stuck") != std::string::npos) << e.what();
    }
    EXPECT_EQ(holderEnded, deadlinecall::stuck());
    holderEnded ? holder.detach() : holder.join();
    // The stuck call never returns; the slow one does once its holder lets go.
    EXPECT_TRUE(holderEnded ? deadlinecall::stalled()
                            : korvidtest::waitUntil([] { return !deadlinecall::stalled(); }));
  }
}
