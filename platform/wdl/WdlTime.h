// Tick count and blocking sleep in place of SWELL's GetTickCount and Sleep.
#pragma once

#include <cstdint>

// Milliseconds of a monotonic clock, wrapping at 2^32 like the Win32 call. Any thread.
uint32_t GetTickCount();

// Blocks the calling thread for ms milliseconds (0 yields). Any thread.
void Sleep(int ms);
