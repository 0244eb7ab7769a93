// A thread of the plug-in's own that does work the host's idle calls and the audio pass leave to it.
#pragma once

#include <Poco/Event.h>
#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include <atomic>
#include <functional>
#include <string>

// Runs work every periodMs, or (periodMs 0) each time it is woken, until stopped. The audio pass's
// follow-up: the pass only records what needs the heap, the log, the controls or a thread, and many hosts
// call effIdle rarely or never while the editor is closed, so the clock's start and the editor's following
// of host program changes must not wait for the idle calls. The idle calls' hand-on: what may wait (port
// work, the device worker, a resend) runs here instead. work must take what it needs itself.
class FollowUpThread : private Poco::Runnable
{
public:
  FollowUpThread(const std::string& name, long periodMs, std::function<void()> work);
  // Stops and joins the thread.
  ~FollowUpThread() override;
  FollowUpThread(const FollowUpThread&) = delete;
  FollowUpThread& operator=(const FollowUpThread&) = delete;

  // Starts the thread once; a thread that cannot be started leaves the work undone (false). Not after stop.
  bool start();
  // Has work run once more, soon: at once when idle, else after the call running now. Starts the thread
  // first; false when it could not be started, or was stopped. One caller at a time with start.
  bool wake();
  // Ends the thread and waits for a running call of work to return: make work return first when it may
  // wait long. Idempotent; not from work itself.
  void stop();
  // Between start and stop. The starter's and stopper's threads, or one ordered after them.
  bool started() const { return mStarted.load(); }

private:
  void run() override;

  const long mPeriodMs;
  std::function<void()> mWork;
  Poco::Thread mThread;
  Poco::Event mWake{Poco::Event::EVENT_AUTORESET};
  std::atomic<bool> mStopping{false};
  std::atomic<bool> mStarted{false};
};
