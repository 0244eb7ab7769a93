// Waiting in tests for what another thread does: look again every millisecond until it holds.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace korvidtest
{
// The limit only ends a test that would hang otherwise: on a loaded machine under a sanitizer, what takes
// milliseconds may take seconds, and a passing test never waits it out.
constexpr std::chrono::milliseconds kWaitLimit{std::chrono::seconds(60)};

// True once done() holds; false when it still does not after limit.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kWaitLimit)
{
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done())
  {
    if (std::chrono::steady_clock::now() > end)
      return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
} // namespace korvidtest
