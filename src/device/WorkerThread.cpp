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
  // The previous job has returned, but its thread may still be on its way out.
  if (mStarted && !mThread.tryJoin(kFinishWaitMs))
  {
    return false;
  }
  mStarted = false;
  if (prepare)
  {
    prepare();
  }
  mArgs = args;
  mBusy = true;
  try
  {
    mThread.start(*this);
  }
  catch (...)
  {
    mBusy = false;
    return false;
  }
  mStarted = true;
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
}

void WorkerThread::join()
{
  joinStarted(mThread, mLock, mStarted);
}

void WorkerThread::run()
{
  JobArguments args;
  {
    std::lock_guard<std::mutex> lock(mLock);
    args = mArgs;
  }
  while (true)
  {
    try
    {
      mBody(args);
    }
    catch (...)
    {
      // A job never takes its thread down; the status line already says what it could.
    }
    std::function<void()> prepare;
    {
      std::lock_guard<std::mutex> lock(mLock);
      if (!mChained || mClosed)
      {
        mChained = false;
        mChainedPrepare = nullptr;
        mBusy = false;
        return;
      }
      args = mChainedArgs;
      prepare = std::move(mChainedPrepare);
      mChainedPrepare = nullptr;
      mChained = false;
    }
    if (prepare)
    {
      prepare();
    }
  }
}
