// Benchmarks of the MIDI output queue (one audio block of traffic), of a locked send and of a host block
// beside a stalled send.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "BenchDataFolder.h"
#include "IMidiPorts.h"
#include "IPlugMidi.h"
#include "Korvid.h"
#include "MidiFakeSystem.h"
#include "ParamIndex.h"
#include "VstAbi.h"

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

// One 64-frame host block, its effProcessEvents with 8 notes and its processing pass, while another thread's
// dump is stalled on the port: the plug-in only queues the notes. longest_us: the slowest block (a 64-frame
// period at 48 kHz is 1333 us); forwarded: the notes that reached the port once it was free again.
void BM_AudioPassForwardingBesideAStalledSend(benchmark::State& state)
{
  constexpr int kEventsPerPass = 8;
  constexpr int kFrames = 64;
  BenchDataFolder data(0);
  auto midi = MidiFakeSystem::create();
  midi->setOutputPorts({"Synth"});
  MidiFakeSystem::installAsDefault(midi);
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  plug->SetParameterFromGUI(kDeviceOutSelection, plug->GetParam(kDeviceOutSelection)->GetNormalized(1.0));
  if (!plug->mOutputPresent)
  {
    state.SkipWithError("no output port");
    return;
  }
  AEffect* effect = plug->GetAEffect();
  effect->dispatcher(effect, effSetBlockSize, 0, kFrames, nullptr, 0.0f);
  std::array<VstMidiEvent, kEventsPerPass> notes{};
  std::vector<unsigned char> list(sizeof(VstEvents) + kEventsPerPass * sizeof(VstEvent*));
  VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
  events->numEvents = kEventsPerPass;
  for (int i = 0; i < kEventsPerPass; ++i)
  {
    VstMidiEvent& note = notes[static_cast<size_t>(i)];
    note.type = 1; // a short MIDI message
    note.byteSize = sizeof(note);
    note.deltaFrames = i;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = static_cast<char>(60 + i);
    note.midiData[2] = 100;
    VstEventPointers(events)[i] = reinterpret_cast<VstEvent*>(&note);
  }
  std::vector<double> in(kFrames), out(kFrames);
  double* inputs[2] = {in.data(), in.data()};
  double* outputs[2] = {out.data(), out.data()};
  midi->clearReceived();
  midi->holdSends(true);
  std::thread stalled(
      [&] { plug->sendMidiDump(std::vector<unsigned char>(392, 0x01), std::chrono::milliseconds(0)); });
  while (midi->sendsHeld() == 0)
    std::this_thread::yield();
  std::chrono::steady_clock::duration longest{};
  for (auto _ : state)
  {
    const auto start = std::chrono::steady_clock::now();
    effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
    effect->processDoubleReplacing(effect, inputs, outputs, kFrames);
    longest = std::max(longest, std::chrono::steady_clock::now() - start);
  }
  state.counters["longest_us"] = std::chrono::duration<double, std::micro>(longest).count();
  midi->holdSends(false);
  stalled.join();
  plug->waitForAudioSends(std::chrono::seconds(10));
  const std::vector<MidiFakeSystem::Bytes> sent = midi->received("Synth");
  state.counters["forwarded"] = static_cast<double>(
      std::count_if(sent.begin(), sent.end(), [](const auto& m) { return m.size() == 3 && m[0] == 0x90; }));
}
// Fewer passes than the audio thread's queue holds: every event is queued, none dropped.
BENCHMARK(BM_AudioPassForwardingBesideAStalledSend)->Iterations(1000);
} // namespace
