// The editor lock: guards control state and display texts against writes from the MIDI, worker and audio
// threads.
#pragma once

#include "WdlMutex.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// One process-wide recursive lock shared by every editor surface, its layers and its controls.
//
// Lock order: the editor lock before the plug mutex. The editor thread holds this lock while it draws and
// dispatches events, and may take the plug mutex meanwhile; so a thread that holds the plug mutex, the audio
// thread above all, never waits for this lock: its writes go through RunOrDefer, done at once when the lock
// is free or already its own, otherwise queued for the next thread that takes the lock (at the latest the
// editor's next tick). Threads that hold no plug mutex (editor, MIDI input, workers) may wait (Lock). Pushes
// into the plug-in give the lock back meanwhile (EditorLockRelease), so change handlers never hold it up.
//
// The lock also keeps the dirty generation: a counter raised whenever a control becomes dirty, which lets the
// surface skip the dirty walk of an idle editor.
class EditorLock
{
public:
  // The lock of this process. Any thread. Inline: every control write asks for it.
  static EditorLock& Get()
  {
    static EditorLock lock;
    return lock;
  }

  EditorLock() = default;
  EditorLock(const EditorLock&) = delete;
  EditorLock& operator=(const EditorLock&) = delete;

  // Blocks until the calling thread owns the lock (again, if it owns it already). The outermost Lock of a
  // thread first runs the queued writes. Never call it while holding the plug mutex.
  void Lock();
  // Takes the lock only when that needs no waiting; true when taken (then Unlock it).
  bool TryLock();
  // Gives back one level taken by Lock or TryLock. Owning thread only.
  void Unlock();
  // True when the calling thread owns the lock. Any thread.
  bool HeldByThisThread() const
  {
    return mOwner.load(std::memory_order_acquire) == std::this_thread::get_id();
  }

  // Runs write under the lock when that needs no waiting (also when the caller holds it already), after the
  // writes that wait in the queue; otherwise queues it for whichever thread takes the lock next (at the
  // latest the editor's next tick). So one thread's writes keep their order, and the queue holds no more than
  // what piled up while the lock was busy. target is the object the write changes (a control, a layer or the
  // surface), so that its destructor can Forget the write. Any thread.
  template <class Write> void RunOrDefer(const void* target, Write&& write)
  {
    // Already this thread's (a write inside a write, or a batch): one more level, without asking again.
    if (HeldByThisThread())
    {
      ++mDepth;
      RunDeferredIfAny();
      write();
      --mDepth;
      return;
    }
    if (TryLock())
    {
      RunDeferredIfAny();
      write();
      Unlock();
      return;
    }
    Defer(target, std::function<void()>(std::forward<Write>(write)));
  }

  // Runs the queued writes now; the caller owns the lock. Editor thread (its tick) or a lock holder.
  void RunDeferredIfAny()
  {
    if (HasDeferred())
    {
      RunDeferred();
    }
  }
  // Drops every queued write aimed at target. Called by the destructors of controls and layers.
  void Forget(const void* target);
  // True when writes wait in the queue. Any thread.
  bool HasDeferred() const { return mHasDeferred.load(std::memory_order_acquire); }

  // Raised whenever a control becomes dirty or the reporting of dirty areas may have changed. Called by the
  // lock's owner (control writes run under it), so the rise needs no read-modify-write: a batch of hundreds
  // of controls raises it without a locked instruction each. Readers compare it with a value they saw (under
  // the lock), so any rise tells them to look.
  void MarkDirty()
  {
    mDirtyGeneration.store(mDirtyGeneration.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  }
  uint64_t DirtyGeneration() const { return mDirtyGeneration.load(std::memory_order_acquire); }

private:
  struct Deferred
  {
    const void* target;
    std::function<void()> write;
  };

  void Defer(const void* target, std::function<void()> write);
  // The body of RunDeferredIfAny once writes wait.
  void RunDeferred();

  std::mutex mMutex;
  std::atomic<std::thread::id> mOwner{std::thread::id()};
  int mDepth = 0;         // guarded by mMutex
  bool mDraining = false; // guarded by mMutex

  mutable std::mutex mQueueMutex; // held only to move entries in or out of mQueue
  std::vector<Deferred> mQueue;
  std::atomic<bool> mHasDeferred{false};

  std::atomic<uint64_t> mDirtyGeneration{1};
};

// Holds the editor lock (blocking) for its lifetime. Editor thread, MIDI input and worker threads only.
class EditorLockGuard
{
public:
  EditorLockGuard() { EditorLock::Get().Lock(); }
  ~EditorLockGuard() { EditorLock::Get().Unlock(); }
  EditorLockGuard(const EditorLockGuard&) = delete;
  EditorLockGuard& operator=(const EditorLockGuard&) = delete;
};

// Gives back every level of the editor lock that the calling thread holds for its lifetime, then takes them
// again: used around modal prompts, so that the other threads' writes are not held up while the user chooses.
// Given a plug mutex, gives back that one's levels too, first, and takes it again last (the lock order): a
// prompt raised by a change handler holds up neither the audio pass nor the MIDI input meanwhile.
class EditorLockRelease
{
public:
  explicit EditorLockRelease(WDL_Mutex* plugMutex = nullptr);
  ~EditorLockRelease();
  EditorLockRelease(const EditorLockRelease&) = delete;
  EditorLockRelease& operator=(const EditorLockRelease&) = delete;

private:
  int mLevels = 0;
  WDL_Mutex* mPlugMutex = nullptr;
  int mPlugLevels = 0;
};
