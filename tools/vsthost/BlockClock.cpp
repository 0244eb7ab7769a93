// The clocks and counters a block's cost is read from.
#include "BlockClock.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

void TimeSpread::Add(double seconds)
{
  shortest = count == 0 ? seconds : std::min(shortest, seconds);
  longest = std::max(longest, seconds);
  total += seconds;
  ++count;
}

double ThreadCpuSeconds()
{
  timespec cpu{};
  return clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) == 0
             ? static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9
             : 0.0;
}

BlockCost ThreadCounts()
{
  BlockCost counts;
  rusage usage{};
  if (getrusage(RUSAGE_THREAD, &usage) == 0)
  {
    counts.minorFaults = usage.ru_minflt;
    counts.majorFaults = usage.ru_majflt;
    counts.preempted = usage.ru_nivcsw;
    counts.waited = usage.ru_nvcsw;
  }
  return counts;
}

double MachineStealSeconds()
{
  // "cpu  user nice system idle iowait irq softirq steal ...", in clock ticks.
  std::ifstream stat("/proc/stat");
  std::string label;
  unsigned long long ticks[8] = {};
  if (!(stat >> label) || label != "cpu")
    return 0.0;
  for (unsigned long long& field : ticks)
  {
    if (!(stat >> field))
      return 0.0;
  }
  const long perSecond = sysconf(_SC_CLK_TCK);
  return perSecond > 0 ? static_cast<double>(ticks[7]) / static_cast<double>(perSecond) : 0.0;
}
