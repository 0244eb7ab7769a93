// A thread of the plug-in's own that does work the host's idle calls and the audio pass leave to it.
#include "FollowUpThread.h"

#include <exception>

FollowUpThread::FollowUpThread(const std::string& name, long periodMs, std::function<void()> work)
    : mPeriodMs(periodMs), mWork(std::move(work)), mThread(name)
{
}

FollowUpThread::~FollowUpThread()
{
  stop();
}

bool FollowUpThread::start()
{
  if (mStarted || mStopping)
  {
    return mStarted;
  }
  try
  {
    mThread.start(*this);
    mStarted = true;
  }
  catch (const std::exception&)
  {
    // The caller says or does without it.
  }
  return mStarted;
}

bool FollowUpThread::wake()
{
  if (!start())
  {
    return false;
  }
  mWake.set();
  return true;
}

void FollowUpThread::stop()
{
  mStopping = true;
  mWake.set();
  if (mStarted)
  {
    mThread.join();
    mStarted = false;
  }
}

void FollowUpThread::run()
{
  while (!mStopping)
  {
    if (mPeriodMs > 0)
    {
      mWake.tryWait(mPeriodMs);
    }
    else
    {
      mWake.wait();
    }
    if (mStopping)
    {
      return;
    }
    try
    {
      mWork();
    }
    catch (const std::exception&)
    {
      // One failed call must not end the thread: the next one tries again.
    }
  }
}
