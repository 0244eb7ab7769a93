// Recursive mutex in place of WDL_Mutex: one system mutex plus the owning thread and a depth count.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

// A thread that owns the mutex may take it again; it is free once every Enter has its Leave.
// Any thread may call Enter and Leave; Leave must come from the owning thread.
class WDL_Mutex
{
public:
  WDL_Mutex() = default;
  WDL_Mutex(const WDL_Mutex&) = delete;
  WDL_Mutex& operator=(const WDL_Mutex&) = delete;

  // Blocks until the calling thread owns the mutex, then raises the depth by one.
  void Enter();
  // Takes the mutex (one more level) only when that needs no waiting; true when taken, then Leave it.
  bool TryEnter();
  // Lowers the depth by one; at depth 0 the mutex is released. A call by a thread that does not
  // own the mutex is ignored.
  void Leave();

  // The calling thread's depth: 0 when it does not own the mutex.
  int DepthForThisThread() const;

private:
  std::mutex mMutex;
  std::atomic<std::thread::id> mOwner{std::thread::id()};
  int mDepth = 0;
};

// Holds a WDL_Mutex for the lifetime of the guard; a null mutex is allowed and does nothing.
class WDL_MutexLock
{
public:
  explicit WDL_MutexLock(WDL_Mutex* mutex) : mMutex(mutex)
  {
    if (mMutex)
    {
      mMutex->Enter();
    }
  }
  ~WDL_MutexLock()
  {
    if (mMutex)
    {
      mMutex->Leave();
    }
  }
  WDL_MutexLock(const WDL_MutexLock&) = delete;
  WDL_MutexLock& operator=(const WDL_MutexLock&) = delete;

private:
  WDL_Mutex* mMutex;
};

// Gives back every level of the mutex that the calling thread holds for its lifetime, then takes them
// again: for a thread that waits on others which need the mutex meanwhile. Nothing when the thread holds
// none; a null mutex is allowed.
class WDL_MutexRelease
{
public:
  explicit WDL_MutexRelease(WDL_Mutex* mutex);
  ~WDL_MutexRelease();
  WDL_MutexRelease(const WDL_MutexRelease&) = delete;
  WDL_MutexRelease& operator=(const WDL_MutexRelease&) = delete;

private:
  WDL_Mutex* mMutex;
  int mLevels = 0;
};
