// Benchmarks of the MIDI output queue (one audio block of traffic) and of a locked send.
#include <benchmark/benchmark.h>

#include "IMidiPorts.h"
#include "IPlugMidi.h"
#include "MidiFakeSystem.h"

namespace
{
constexpr int kBlock = 512;

// Adds a block's worth of messages in offset order, then drains them as the audio callback does.
void BM_QueueInOrderBlock(benchmark::State& state)
{
  IMidiQueue queue(0, 1024);
  queue.Grow();
  for (auto _ : state)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      IMidiMsg msg(i, 0xB0, 7, static_cast<uint8_t>(i & 0x7F));
      queue.Add(&msg);
    }
    IMidiMsg out;
    for (int frame = 0; frame < kBlock; ++frame)
    {
      while (queue.TakeFront(frame, &out))
        benchmark::DoNotOptimize(out);
    }
    queue.Advance(kBlock);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_QueueInOrderBlock);

// Worst case of adding: every message is earlier than all waiting ones and moves them all.
void BM_QueueReverseOrderBlock(benchmark::State& state)
{
  IMidiQueue queue(0, 1024);
  queue.Grow();
  for (auto _ : state)
  {
    for (int i = kBlock - 1; i >= 0; --i)
    {
      IMidiMsg msg(i, 0xB0, 7, 0);
      queue.Add(&msg);
    }
    IMidiMsg out;
    while (queue.TakeFront(kBlock, &out))
      benchmark::DoNotOptimize(out);
    queue.Advance(kBlock);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_QueueReverseOrderBlock);

// One short message through the port layer's lock to an in-process port.
void BM_PortsSendShortMessage(benchmark::State& state)
{
  auto system = MidiFakeSystem::create();
  system->setOutputPorts({"Synth"});
  IMidiPorts ports(nullptr);
  ports.SetBackend(system->makeBackend());
  ports.GetOutNames();
  int idx = 1;
  ports.OpenOut(idx, "Synth");
  IMidiMsg cc(0, 0xB0, 7, 100);
  int n = 0;
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(ports.SendMsg(&cc));
    // Keep the fake's record from growing without bound.
    if (++n == 100000)
    {
      state.PauseTiming();
      system->clearReceived();
      n = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_PortsSendShortMessage);
} // namespace
