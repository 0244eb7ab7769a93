// The time source of the device jobs: real, scaled or virtual milliseconds.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

// Every pause of a job goes through one of these, so tests can run the same counts of polls and
// pauses in scaled time (each millisecond takes scale real milliseconds) or in virtual time (a pause
// moves the clock on at once). Any thread.
class DeviceClock
{
public:
  enum class Mode
  {
    Real,
    Scaled,
    Virtual
  };

  // scale: real milliseconds per clock millisecond (Scaled only; at least 0.001).
  explicit DeviceClock(Mode mode = Mode::Real, double scale = 1.0);

  // The process-wide real clock the jobs use unless given another.
  static DeviceClock& system();

  // Clock milliseconds since construction.
  int64_t nowMs() const;

  // Pauses ms clock milliseconds; returns early (false) once abort is true. Virtual: moves the clock on
  // by ms and yields briefly so other threads run.
  bool sleep(int ms, const std::atomic<bool>& abort);
  // Waits until the clock reads at least targetMs; false when abort became true first. Virtual: waits
  // for other threads' pauses to move the clock on.
  bool waitUntil(int64_t targetMs, const std::atomic<bool>& abort);

  // A pause between two looks at something other threads' jobs change: ms clock milliseconds (Real,
  // Scaled); in virtual time a brief real yield that leaves the clock alone, so that only the jobs' own
  // pauses move it. False when abort is true.
  bool pollPause(int ms, const std::atomic<bool>& abort);

  // The real time a pause of ms clock milliseconds takes (none in virtual time).
  std::chrono::milliseconds realDuration(int ms) const;

  Mode mode() const { return mMode; }

private:
  // Longest real wait between two looks at the abort flag.
  static constexpr std::chrono::microseconds kSlice{2000};
  // Real time a virtual pause or wait yields to other threads.
  static constexpr std::chrono::microseconds kVirtualYield{100};

  Mode mMode;
  double mScale;
  std::chrono::steady_clock::time_point mStart;
  std::atomic<int64_t> mVirtualNow{0};
};
