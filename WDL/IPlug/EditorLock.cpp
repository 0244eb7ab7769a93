// The editor lock and its queue of writes deferred to the editor's tick.
#include "EditorLock.h"

#include <algorithm>

void EditorLock::Lock()
{
  if (HeldByThisThread())
  {
    ++mDepth;
    return;
  }
  mMutex.lock();
  mOwner.store(std::this_thread::get_id(), std::memory_order_release);
  mDepth = 1;
  RunDeferredIfAny();
}

bool EditorLock::TryLock()
{
  if (HeldByThisThread())
  {
    ++mDepth;
    return true;
  }
  if (!mMutex.try_lock())
  {
    return false;
  }
  mOwner.store(std::this_thread::get_id(), std::memory_order_release);
  mDepth = 1;
  return true;
}

void EditorLock::Unlock()
{
  if (!HeldByThisThread())
  {
    return;
  }
  if (--mDepth == 0)
  {
    mOwner.store(std::thread::id(), std::memory_order_release);
    mMutex.unlock();
  }
}

void EditorLock::Defer(const void* target, std::function<void()> write)
{
  std::lock_guard<std::mutex> guard(mQueueMutex);
  mQueue.push_back(Deferred{target, std::move(write)});
  mHasDeferred.store(true, std::memory_order_release);
}

void EditorLock::RunDeferred()
{
  if (!HeldByThisThread() || mDraining)
  {
    return;
  }
  mDraining = true;
  for (;;)
  {
    std::vector<Deferred> batch;
    {
      std::lock_guard<std::mutex> guard(mQueueMutex);
      batch.swap(mQueue);
      mHasDeferred.store(false, std::memory_order_release);
    }
    if (batch.empty())
    {
      break;
    }
    for (Deferred& d : batch)
    {
      d.write();
    }
  }
  mDraining = false;
}

void EditorLock::Forget(const void* target)
{
  if (!HasDeferred())
  {
    return;
  }
  std::lock_guard<std::mutex> guard(mQueueMutex);
  mQueue.erase(std::remove_if(mQueue.begin(), mQueue.end(),
                              [target](const Deferred& d) { return d.target == target; }),
               mQueue.end());
  mHasDeferred.store(!mQueue.empty(), std::memory_order_release);
}

EditorLockRelease::EditorLockRelease(WDL_Mutex* plugMutex) : mPlugMutex(plugMutex)
{
  mPlugLevels = mPlugMutex ? mPlugMutex->DepthForThisThread() : 0;
  for (int i = 0; i < mPlugLevels; ++i)
  {
    mPlugMutex->Leave();
  }
  EditorLock& lock = EditorLock::Get();
  while (lock.HeldByThisThread())
  {
    lock.Unlock();
    ++mLevels;
  }
}

EditorLockRelease::~EditorLockRelease()
{
  EditorLock& lock = EditorLock::Get();
  for (int i = 0; i < mLevels; ++i)
  {
    lock.Lock();
  }
  for (int i = 0; i < mPlugLevels; ++i)
  {
    mPlugMutex->Enter();
  }
}
