// One worker thread of the device jobs: admits a job only while idle and runs it with its own arguments.
#pragma once

#include "JobArguments.h"

#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

// Owned by the MIDIMessageManager. post may be called from any thread (editor, audio, MIDI input,
// another worker); the admission test, the poster's flags, the argument copy and the start happen
// under one lock, so two posters can never both start the thread or change a running job's arguments.
class WorkerThread : private Poco::Runnable
{
public:
  using Body = std::function<void(const JobArguments&)>;

  // body runs each admitted job on the thread; it should not throw (what it throws is swallowed).
  WorkerThread(const std::string& name, Body body);
  // Refuses further posts and waits for a running job to end.
  ~WorkerThread() override;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts one job when the thread is idle and open: calls prepare (the poster's flags; may be empty),
  // copies args and wakes the thread, which the first job starts and which then waits for the next until
  // the close. Returns false, doing nothing, when a job still runs, the thread is closed or could not be
  // started: the request is dropped.
  bool post(const JobArguments& args, const std::function<void()>& prepare = {});

  enum class Posted
  {
    Started, // the thread was idle: the job runs now
    Chained, // a job runs: this one runs right after it, on the same thread
    Dropped  // closed (or the thread could not be started)
  };
  // As post, except that a busy thread keeps args as the job to run right after the current one (one
  // place: a later chained job replaces an earlier one that has not started). A chained job runs with
  // followUp set; its prepare runs when it starts. Any thread.
  Posted postOrChain(const JobArguments& args, const std::function<void()>& prepare = {});

  // True from an admitted post until the job's body has returned. Any thread.
  bool isRunning();
  // True on this worker's own thread (inside one of its jobs).
  bool isCurrent() const { return Poco::Thread::current() == &mThread; }

  // Refuses every later post. Any thread.
  void close();
  // After close: waits until a running job has ended and the thread has finished. Not from the job itself.
  void join();

private:
  // Posts postOrChain tries before it gives up on a thread that is neither busy nor startable.
  static constexpr int kChainAttempts = 3;

  void run() override;

  Poco::Thread mThread;
  Body mBody;
  std::mutex mLock;
  // Wakes the thread for an admitted job or the close.
  std::condition_variable mWake;
  JobArguments mArgs;
  bool mBusy = false;
  bool mClosed = false;
  bool mStarted = false;
  // The job chained behind the running one.
  bool mChained = false;
  JobArguments mChainedArgs;
  std::function<void()> mChainedPrepare;
};
