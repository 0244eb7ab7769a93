// The jobs' time source: pauses between looks at other threads move virtual time only through the jobs.
#include "DeviceClock.h"

#include <gtest/gtest.h>

#include <atomic>

TEST(DeviceClockTest, PollPausesLeaveVirtualTimeToTheJobsAndEndOnAbort)
{
  std::atomic<bool> abort{false};
  DeviceClock virtualClock(DeviceClock::Mode::Virtual);
  EXPECT_TRUE(virtualClock.pollPause(25, abort));
  EXPECT_EQ(virtualClock.nowMs(), 0);
  EXPECT_TRUE(virtualClock.sleep(25, abort));
  EXPECT_EQ(virtualClock.nowMs(), 25);

  // Scaled time passes with the poll's own pause: 25 clock ms are 0.25 real ms here.
  DeviceClock scaled(DeviceClock::Mode::Scaled, 0.01);
  EXPECT_TRUE(scaled.pollPause(25, abort));
  EXPECT_GE(scaled.nowMs(), 25);

  abort = true;
  EXPECT_FALSE(virtualClock.pollPause(25, abort));
  EXPECT_FALSE(scaled.pollPause(25, abort));
}
