// The thread that does what the audio pass leaves behind, also while the host makes no idle calls.
#pragma once

#include <Poco/Event.h>
#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include <functional>

// The processing pass only records what needs the heap, the log, the controls or a thread; work does it.
// The host's idle calls run work too, but many hosts call effIdle rarely or never while the editor is
// closed, and the clock's start and the editor's following of host program changes must not wait for that.
// work must take what it needs itself (the plug-in's follow-up only tries the plug mutex).
class AudioPassFollower : private Poco::Runnable
{
public:
  static constexpr long kPeriodMs = 10;

  explicit AudioPassFollower(std::function<void()> work);
  // Stops and joins the thread.
  ~AudioPassFollower() override;
  AudioPassFollower(const AudioPassFollower&) = delete;
  AudioPassFollower& operator=(const AudioPassFollower&) = delete;

  // Starts the thread once; a thread that cannot be started leaves the work to the idle calls.
  void start();
  // Ends the thread and waits for a running call of work to return. Idempotent; not from work itself.
  void stop();

private:
  void run() override;

  std::function<void()> mWork;
  Poco::Thread mThread{"Korvid audio follow-up"};
  Poco::Event mStop{Poco::Event::EVENT_MANUALRESET};
  bool mStarted = false;
};
