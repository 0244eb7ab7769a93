// The audio thread's wait budget: how long one processing pass may wait in all for other threads' holds.
#pragma once

#include <algorithm>
#include <chrono>

// The processing pass opens a budget on its thread for its time (AudioPassWaits::Scope). A wait on that
// thread (a send waiting for the port lock or the port's send worker) ends at the budget's end at the
// latest, so another thread's send stalled on a stopped MIDI system costs one block no more than the
// budget, and a pass whose budget is spent gives up at once. Without a scope a thread waits as long as its
// caller allows. Header only: the platform MIDI library uses it without linking the framework.
class AudioPassWaits
{
public:
  using Clock = std::chrono::steady_clock;

  // What one pass may wait in all: a sixth of a 512-frame block at 44.1 kHz. A send holds the port and its
  // worker for microseconds unless the MIDI system is stalled; the budget leaves room for a loaded machine
  // waking the worker late.
  static constexpr std::chrono::microseconds kBudget{2000};

  // Opens the budget on the calling thread for the scope's lifetime; an inner scope keeps the outer one's
  // end. Audio thread.
  class Scope
  {
  public:
    Scope() : mOuter(sEnd)
    {
      if (!mOuter)
      {
        mEnd = Clock::now() + kBudget;
        sEnd = &mEnd;
      }
    }
    ~Scope()
    {
      if (!mOuter)
      {
        sEnd = nullptr;
      }
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

  private:
    const Clock::time_point* mOuter;
    Clock::time_point mEnd{};
  };

  // The latest end of a wait that the caller would allow for timeout: now + timeout, or earlier when the
  // calling thread is in a pass whose budget ends sooner. Any thread.
  template <class Rep, class Period>
  static Clock::time_point Until(std::chrono::duration<Rep, Period> timeout)
  {
    const Clock::time_point own = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
    return sEnd ? std::min(own, *sEnd) : own;
  }

private:
  static inline thread_local const Clock::time_point* sEnd = nullptr;
};
