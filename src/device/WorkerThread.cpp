// One worker thread of the device jobs.
#include "WorkerThread.h"

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
  bool started = false;
  {
    std::lock_guard<std::mutex> lock(mLock);
    started = mStarted;
  }
  if (started)
  {
    mThread.join();
    std::lock_guard<std::mutex> lock(mLock);
    mStarted = false;
  }
}

void WorkerThread::run()
{
  JobArguments args;
  {
    std::lock_guard<std::mutex> lock(mLock);
    args = mArgs;
  }
  try
  {
    mBody(args);
  }
  catch (...)
  {
    // A job never takes its thread down; the status line already says what it could.
  }
  std::lock_guard<std::mutex> lock(mLock);
  mBusy = false;
}
