// Benchmarks of the MIDI output queue (one audio block of traffic) and of a locked send.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "AudioThread.h"
#include "IMidiPorts.h"
#include "IPlugMidi.h"
#include "MidiFakeSystem.h"

namespace
{
constexpr int kBlock = 512;

// A port layer whose output is open on the in-process port "Synth".
struct FakeOutput
{
  std::shared_ptr<MidiFakeSystem> system = MidiFakeSystem::create();
  IMidiPorts ports{nullptr};

  FakeOutput()
  {
    system->setOutputPorts({"Synth"});
    ports.SetBackend(system->makeBackend());
    ports.GetOutNames();
    int idx = 1;
    ports.OpenOut(idx, "Synth");
  }
};

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
  FakeOutput out;
  const std::shared_ptr<MidiFakeSystem>& system = out.system;
  IMidiPorts& ports = out.ports;
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

// One 64-frame pass forwarding a host's events (8 notes) while another thread's send is stalled on the
// port: the pass only queues them. longest_us: the slowest pass (a 64-frame period at 48 kHz is 1333 us).
void BM_AudioPassForwardingBesideAStalledSend(benchmark::State& state)
{
  constexpr int kEventsPerPass = 8;
  FakeOutput out;
  const std::shared_ptr<MidiFakeSystem>& system = out.system;
  IMidiPorts& ports = out.ports;
  system->holdSends(true);
  const std::vector<unsigned char> dump(392, 0x01);
  std::thread stalled([&] { ports.SendBytes(dump); });
  while (system->sendsHeld() == 0)
    std::this_thread::yield();
  std::chrono::steady_clock::duration longest{};
  for (auto _ : state)
  {
    const auto start = std::chrono::steady_clock::now();
    AudioThread::Scope pass;
    for (int i = 0; i < kEventsPerPass; ++i)
    {
      IMidiMsg note(i, 0x90, static_cast<uint8_t>(60 + i), 100);
      benchmark::DoNotOptimize(ports.SendMsg(&note));
    }
    longest = std::max(longest, std::chrono::steady_clock::now() - start);
  }
  state.counters["longest_us"] = std::chrono::duration<double, std::micro>(longest).count();
  system->holdSends(false);
  stalled.join();
}
// Fewer passes than the audio thread's queue holds: every event is queued, none dropped.
BENCHMARK(BM_AudioPassForwardingBesideAStalledSend)->Iterations(1000);
} // namespace
