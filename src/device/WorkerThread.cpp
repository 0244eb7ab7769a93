// One worker thread of the device jobs.
#include "WorkerThread.h"

#include "JoinStarted.h"

#include <exception>

WorkerThread::WorkerThread(const std::string& name, Body body) : mThread(name), mBody(std::move(body)) {}

WorkerThread::~WorkerThread()
{
  close();
  join();
}

bool WorkerThread::post(const JobArguments& args, const std::function<void()>& prepare)
{
  std::lock_guard<std::mutex> lock(mLock);
  if (mBusy || mClosed)
  {
    return false;
  }
  // The thread starts with the first job and then waits for the next: a job posted right after one ended
  // never depends on how soon the old thread is scheduled to finish.
  if (!mStarted)
  {
    try
    {
      mThread.start(*this);
    }
    catch (...)
    {
      return false;
    }
    mStarted = true;
  }
  if (prepare)
  {
    prepare();
  }
  mArgs = args;
  mBusy = true;
  mWake.notify_all();
  return true;
}

WorkerThread::Posted WorkerThread::postOrChain(const JobArguments& args, const std::function<void()>& prepare)
{
  // A job that ends between the two looks leaves an idle thread: post again.
  for (int attempt = 0; attempt < kChainAttempts; ++attempt)
  {
    if (post(args, prepare))
    {
      return Posted::Started;
    }
    std::lock_guard<std::mutex> lock(mLock);
    if (mClosed)
    {
      return Posted::Dropped;
    }
    if (mBusy)
    {
      mChained = true;
      mChainedArgs = args;
      mChainedArgs.followUp = true;
      mChainedPrepare = prepare;
      return Posted::Chained;
    }
  }
  return Posted::Dropped;
}

bool WorkerThread::isRunning()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mBusy;
}

void WorkerThread::close()
{
  std::lock_guard<std::mutex> lock(mLock);
  mClosed = true;
  mWake.notify_all();
}

void WorkerThread::join()
{
  joinStarted(mThread, mLock, mStarted);
}

void WorkerThread::run()
{
  std::unique_lock<std::mutex> lock(mLock);
  while (true)
  {
    // A job admitted before the close still runs; an idle thread ends with the close.
    mWake.wait(lock, [this]() { return mBusy || mClosed; });
    if (!mBusy)
    {
      return;
    }
    JobArguments args = mArgs;
    std::function<void()> prepare;
    do
    {
      lock.unlock();
      if (prepare)
      {
        prepare();
      }
      try
      {
        mBody(args);
      }
      catch (...)
      {
        // A job never takes its thread down; the status line already says what it could.
      }
      lock.lock();
      const bool next = mChained && !mClosed;
      if (next)
      {
        args = mChainedArgs;
      }
      prepare = next ? std::move(mChainedPrepare) : nullptr;
      mChainedPrepare = nullptr;
      mChained = false;
      mBusy = next;
    } while (mBusy);
  }
}
