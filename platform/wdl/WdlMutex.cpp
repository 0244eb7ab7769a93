// Recursive mutex in place of WDL_Mutex.
#include "WdlMutex.h"

void WDL_Mutex::Enter()
{
  const std::thread::id self = std::this_thread::get_id();
  if (mOwner.load(std::memory_order_acquire) == self)
  {
    ++mDepth;
    return;
  }
  mMutex.lock();
  mOwner.store(self, std::memory_order_release);
  mDepth = 1;
}

bool WDL_Mutex::TryEnter()
{
  const std::thread::id self = std::this_thread::get_id();
  if (mOwner.load(std::memory_order_acquire) == self)
  {
    ++mDepth;
    return true;
  }
  if (!mMutex.try_lock())
  {
    return false;
  }
  mOwner.store(self, std::memory_order_release);
  mDepth = 1;
  return true;
}

void WDL_Mutex::Leave()
{
  if (mOwner.load(std::memory_order_acquire) != std::this_thread::get_id())
  {
    return;
  }
  if (--mDepth > 0)
  {
    return;
  }
  mDepth = 0;
  mOwner.store(std::thread::id(), std::memory_order_release);
  mMutex.unlock();
}

int WDL_Mutex::DepthForThisThread() const
{
  return mOwner.load(std::memory_order_acquire) == std::this_thread::get_id() ? mDepth : 0;
}

WDL_MutexRelease::WDL_MutexRelease(WDL_Mutex* mutex) : mMutex(mutex)
{
  if (!mMutex)
  {
    return;
  }
  mLevels = mMutex->DepthForThisThread();
  for (int level = 0; level < mLevels; ++level)
  {
    mMutex->Leave();
  }
}

WDL_MutexRelease::~WDL_MutexRelease()
{
  for (int level = 0; level < mLevels; ++level)
  {
    mMutex->Enter();
  }
}
