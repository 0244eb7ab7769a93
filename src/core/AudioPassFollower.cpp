// The thread that does what the audio pass leaves behind.
#include "AudioPassFollower.h"

#include <exception>

AudioPassFollower::AudioPassFollower(std::function<void()> work) : mWork(std::move(work)) {}

AudioPassFollower::~AudioPassFollower()
{
  stop();
}

void AudioPassFollower::start()
{
  if (mStarted)
  {
    return;
  }
  try
  {
    mThread.start(*this);
    mStarted = true;
  }
  catch (const std::exception&)
  {
    // The idle calls still do the work.
  }
}

void AudioPassFollower::stop()
{
  mStop.set();
  if (mStarted)
  {
    mThread.join();
    mStarted = false;
  }
}

void AudioPassFollower::run()
{
  while (!mStop.tryWait(kPeriodMs))
  {
    try
    {
      mWork();
    }
    catch (const std::exception&)
    {
      // One failed follow-up must not end the thread: the next period tries again.
    }
  }
}
