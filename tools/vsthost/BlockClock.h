// What a block cost the audio thread: wall and CPU time over one window, page faults and context switches.
#pragma once

#include <chrono>

// One block's cost: wall and thread CPU time in seconds, page faults and context switches (preempted:
// involuntary; waited: the thread blocked, on a lock, a sleep or a fault's I/O), when it started, and the
// CPU time of the host's fixed work in the same block (VstHost's reference). Wall time beyond the CPU time is
// time the thread was not running. On a virtual machine the CPU time also holds the machine's stalls: a
// stalled virtual CPU stops the thread's work but not its CPU clock.
struct BlockCost
{
  double wallSeconds = 0.0;
  double cpuSeconds = 0.0;
  long minorFaults = 0;
  long majorFaults = 0;
  long preempted = 0;
  long waited = 0;
  double startSeconds = 0.0;
  double referenceCpuSeconds = 0.0;
};

// The shortest, longest and mean of a series of times, in seconds.
struct TimeSpread
{
  double shortest = 0.0;
  double longest = 0.0;
  double total = 0.0;
  long count = 0;

  void Add(double seconds);
  double Mean() const { return count > 0 ? total / static_cast<double>(count) : 0.0; }
};

// The calling thread's CPU time so far, in seconds.
double ThreadCpuSeconds();
// The calling thread's page faults and context switches so far (the counts of a BlockCost).
BlockCost ThreadCounts();
// CPU time the hypervisor gave other guests instead of this machine, summed over its CPUs, in seconds since
// boot (/proc/stat's steal); 0 where the system does not say.
double MachineStealSeconds();

// Runs work on the calling thread and times it. The CPU window lies inside the wall window, so CPU time is
// never above wall time; the counts, read outside both, cost neither clock any time. startSeconds: from
// origin.
template <class Work> BlockCost TimeBlock(Work&& work, std::chrono::steady_clock::time_point origin)
{
  const BlockCost before = ThreadCounts();
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ThreadCpuSeconds();
  work();
  const double cpu = ThreadCpuSeconds() - cpuStart;
  const auto end = std::chrono::steady_clock::now();
  const BlockCost after = ThreadCounts();
  BlockCost cost;
  cost.wallSeconds = std::chrono::duration<double>(end - start).count();
  cost.cpuSeconds = cpu;
  cost.minorFaults = after.minorFaults - before.minorFaults;
  cost.majorFaults = after.majorFaults - before.majorFaults;
  cost.preempted = after.preempted - before.preempted;
  cost.waited = after.waited - before.waited;
  cost.startSeconds = std::chrono::duration<double>(start - origin).count();
  return cost;
}
