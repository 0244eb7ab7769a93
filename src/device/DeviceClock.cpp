// The time source of the device jobs.
#include "DeviceClock.h"

#include <algorithm>
#include <thread>

namespace
{
constexpr double kMinimumScale = 0.001;
}

DeviceClock::DeviceClock(Mode mode, double scale)
    : mMode(mode), mScale(mode == Mode::Scaled ? std::max(scale, kMinimumScale) : 1.0),
      mStart(std::chrono::steady_clock::now())
{
}

DeviceClock& DeviceClock::system()
{
  static DeviceClock clock;
  return clock;
}

int64_t DeviceClock::nowMs() const
{
  if (mMode == Mode::Virtual)
  {
    return mVirtualNow.load();
  }
  const double realMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mStart).count();
  return static_cast<int64_t>(realMs / mScale);
}

std::chrono::milliseconds DeviceClock::realDuration(int ms) const
{
  const double real = mMode == Mode::Virtual ? 0.0 : std::max(ms, 0) * mScale;
  return std::chrono::milliseconds(static_cast<int64_t>(real));
}

bool DeviceClock::sleep(int ms, const std::atomic<bool>& abort)
{
  if (mMode == Mode::Virtual)
  {
    if (abort.load())
    {
      return false;
    }
    mVirtualNow.fetch_add(std::max(ms, 0));
    std::this_thread::sleep_for(kVirtualYield);
    return !abort.load();
  }
  return waitUntil(nowMs() + std::max(ms, 0), abort);
}

bool DeviceClock::waitUntil(int64_t targetMs, const std::atomic<bool>& abort)
{
  while (!abort.load())
  {
    const int64_t now = nowMs();
    if (now >= targetMs)
    {
      return true;
    }
    if (mMode == Mode::Virtual)
    {
      std::this_thread::sleep_for(kVirtualYield);
      continue;
    }
    const auto left = std::chrono::microseconds(static_cast<int64_t>((targetMs - now) * mScale * 1000.0));
    std::this_thread::sleep_for(std::min(std::max(left, std::chrono::microseconds(1)),
                                         std::chrono::duration_cast<std::chrono::microseconds>(kSlice)));
  }
  return false;
}

bool DeviceClock::pollPause(int ms, const std::atomic<bool>& abort)
{
  if (mMode == Mode::Virtual)
  {
    std::this_thread::sleep_for(kVirtualYield);
    return !abort.load();
  }
  return sleep(ms, abort);
}
