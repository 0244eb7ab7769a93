// Joining a worker thread that may never have started.
#pragma once

#include <Poco/Thread.h>

#include <mutex>

// Joins thread when started (guarded by lock) says it runs, then clears started. The lock is not held while
// joining: the thread takes it on its way out.
inline void joinStarted(Poco::Thread& thread, std::mutex& lock, bool& started)
{
  {
    std::lock_guard<std::mutex> guard(lock);
    if (!started)
      return;
  }
  thread.join();
  std::lock_guard<std::mutex> guard(lock);
  started = false;
}
