// Tick count and blocking sleep on the standard clocks.
#include "WdlTime.h"

#include <chrono>
#include <thread>

uint32_t GetTickCount()
{
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void Sleep(int ms)
{
  if (ms <= 0)
  {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
