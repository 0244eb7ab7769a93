// The recursive mutex: owner and depth, exclusion of other threads.
#include "WdlMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

TEST(WdlMutexTest, RecursiveForTheOwnerExclusiveForOthers)
{
  WDL_Mutex mutex;
  mutex.Enter();
  mutex.Enter();
  EXPECT_EQ(mutex.DepthForThisThread(), 2);
  // TryEnter takes one more level for the owner and gives up at once for another thread.
  EXPECT_TRUE(mutex.TryEnter());
  EXPECT_EQ(mutex.DepthForThisThread(), 3);
  mutex.Leave();
  bool otherTook = true;
  std::thread([&] { otherTook = mutex.TryEnter(); }).join();
  EXPECT_FALSE(otherTook);
  std::atomic<bool> entered{false};
  std::thread other(
      [&]
      {
        mutex.Enter();
        entered = true;
        mutex.Leave();
      });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered);
  mutex.Leave();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered);
  mutex.Leave();
  other.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(mutex.DepthForThisThread(), 0);
  // A Leave by a thread that does not own it changes nothing.
  mutex.Leave();
  EXPECT_EQ(mutex.DepthForThisThread(), 0);
}

TEST(WdlMutexTest, SerialisesIncrementsFromManyThreads)
{
  WDL_Mutex mutex;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
  {
    threads.emplace_back(
        [&]
        {
          for (int i = 0; i < 1000; ++i)
          {
            WDL_MutexLock outer(&mutex);
            WDL_MutexLock inner(&mutex);
            ++counter;
          }
        });
  }
  for (auto& thread : threads)
  {
    thread.join();
  }
  EXPECT_EQ(counter, 4000);
}

TEST(WdlMutexTest, ReleaseGivesBackEveryLevelAndTakesThemAgain)
{
  WDL_Mutex mutex;
  WDL_MutexLock outer(&mutex);
  WDL_MutexLock inner(&mutex);
  {
    WDL_MutexRelease released(&mutex);
    EXPECT_EQ(mutex.DepthForThisThread(), 0);
    // Another thread gets the mutex while it is given back (a join, no sleep: it must not block).
    std::thread other(
        [&]
        {
          WDL_MutexLock lock(&mutex);
          EXPECT_EQ(mutex.DepthForThisThread(), 1);
        });
    other.join();
  }
  EXPECT_EQ(mutex.DepthForThisThread(), 2);
  // A thread that holds nothing gives back nothing; a null mutex is allowed.
  std::thread none(
      [&]
      {
        WDL_MutexRelease released(&mutex);
        WDL_MutexRelease nothing(nullptr);
      });
  none.join();
  EXPECT_EQ(mutex.DepthForThisThread(), 2);
}
