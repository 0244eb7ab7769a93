// The thread the bank-select and program-change sequences go out on, one after another.
#pragma once

#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

// A bank change pauses between its messages (tens of milliseconds, then the sync timer). Its callers are the
// audio thread, the MIDI input thread and change handlers holding the plug mutex, none of which may sleep:
// they queue the sequence here and go on. Each queued sequence has a ticket (1, 2, ...); a device job
// posted after a queue call waits for that ticket before it sends, so a request or dump never overtakes
// the program change before it. Owned by the MIDIMessageManager; every member may be called from any
// thread. The thread starts with the first sequence; close and join end it.
class BankChangeThread : private Poco::Runnable
{
public:
  using Sequence = std::function<void()>;

  explicit BankChangeThread(const std::string& name);
  // Closes and joins.
  ~BankChangeThread() override;
  BankChangeThread(const BankChangeThread&) = delete;
  BankChangeThread& operator=(const BankChangeThread&) = delete;

  // Queues sequence under target (a part 0..15, or 16 for the multi). A sequence of the same target that
  // has not started yet is replaced, keeping its place and ticket: a burst of program changes ends in the
  // last one without a growing backlog. Returns the ticket, or 0 when closed (nothing will run).
  uint64_t enqueue(int target, Sequence sequence);
  // The ticket of the latest queued sequence (0 before the first).
  uint64_t issued();
  // Waits until every sequence up to ticket has run: true then (at once for ticket 0); false after
  // timeoutMs real milliseconds, or when closed first.
  bool waitDone(uint64_t ticket, int timeoutMs);
  // True once every sequence up to ticket has run, or when closed. Never waits beyond a copy.
  bool finished(uint64_t ticket);
  // The ticket of the sequence running now, or of the last one run (0 before the first).
  uint64_t current();
  // True on the thread that runs the sequences.
  bool isCurrent() const;

  // Drops what waits and refuses further sequences; the running one finishes.
  void close();
  // Waits for the thread to end. Not from a sequence.
  void join();

private:
  struct Entry
  {
    int target;
    uint64_t ticket;
    Sequence sequence;
  };

  void run() override;

  Poco::Thread mThread;
  std::mutex mLock;
  std::condition_variable mWake;
  std::condition_variable mDone;
  std::deque<Entry> mQueue;
  uint64_t mIssued = 0;
  uint64_t mFinished = 0;
  uint64_t mCurrent = 0;
  bool mClosed = false;
  bool mStarted = false;
};
