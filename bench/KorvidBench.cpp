// Start-up of one plug-in instance with the project's real resources (an empty library and one of 100 banks),
// switching pages and parts on the built editor, the audio block, and the state saved and recalled.
#include "BenchDataFolder.h"
#include "BlofeldSimulator.h"
#include "EditorLock.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PluginFolderSurface.h"
#include "SharedDataPaths.h"
#include "MidiFakeSystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
namespace fs = std::filesystem;

void constructInstances(benchmark::State& state, int bankCount)
{
  // Skipped, not failed, in a clone without the shared data beside it.
  if (bankCount > 0 && !korvidtest::haveSharedBanks())
  {
    state.SkipWithError(korvidtest::sharedBanksMissingText().c_str());
    return;
  }
  BenchDataFolder data(bankCount);
  // The skin images are decoded once per process into the shared bitmap cache; measure the instances after
  // that first one, as every further instance in a host session is built.
  std::make_unique<Korvid>(IPlugInstanceInfo{}).reset();
  for (auto _ : state)
  {
    auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    benchmark::DoNotOptimize(plug.get());
    state.PauseTiming();
    plug.reset();
    state.ResumeTiming();
  }
  state.SetLabel("per instance");
}

void BM_KorvidConstructEmptyLibrary(benchmark::State& state)
{
  constructInstances(state, 0);
}
BENCHMARK(BM_KorvidConstructEmptyLibrary)->Unit(benchmark::kMillisecond);

void BM_KorvidConstruct100Banks(benchmark::State& state)
{
  constructInstances(state, 100);
}
BENCHMARK(BM_KorvidConstruct100Banks)->Unit(benchmark::kMillisecond);

// The user's click on a page tab or a part: the edit, the switch of layers and zones, and the redraw of the
// area it dirtied.
void switchAndDraw(benchmark::State& state, int paramIdx, int first, int count)
{
  BenchDataFolder data(0);
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  auto* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  if (!surface)
  {
    state.SkipWithError("no editor surface");
    return;
  }
  plug->SetParameterFromGUI(kMainTab, plug->GetParam(kMainTab)->GetNormalized(2.0));
  surface->Tick();
  int step = 0;
  for (auto _ : state)
  {
    IParam* param = plug->GetParam(paramIdx);
    plug->SetParameterFromGUI(paramIdx, param->GetNormalized(first + step % count));
    surface->Tick();
    ++step;
  }
  state.SetLabel("per switch, drawn");
}

void BM_PageSwitch(benchmark::State& state)
{
  switchAndDraw(state, kMainTab, 2, 4);
}
BENCHMARK(BM_PageSwitch)->Unit(benchmark::kMillisecond);

void BM_PartSwitch(benchmark::State& state)
{
  switchAndDraw(state, kQuickTab, 0, 16);
}
BENCHMARK(BM_PartSwitch)->Unit(benchmark::kMillisecond);

// Silent stereo buffers of one 512-frame block, processed through the host's double-precision callback.
struct StereoBlock
{
  static constexpr int kFrames = 512;
  std::vector<double> in = std::vector<double>(kFrames, 0.0);
  std::vector<double> outLeft = std::vector<double>(kFrames, 0.0);
  std::vector<double> outRight = std::vector<double>(kFrames, 0.0);

  void process(AEffect* effect)
  {
    double* inputs[2] = {in.data(), in.data()};
    double* outputs[2] = {outLeft.data(), outRight.data()};
    effect->processDoubleReplacing(effect, inputs, outputs, kFrames);
  }
};

// One audio block of 512 frames through the host's processing callback in MIDI-out mode, with the output
// queue empty or holding queuedCount controller messages spread over the block.
void processBlock(benchmark::State& state, int queuedCount)
{
  constexpr int kFrames = StereoBlock::kFrames;
  BenchDataFolder data(0);
  auto midi = MidiFakeSystem::create();
  midi->setOutputPorts({"Blofeld Out"});
  MidiFakeSystem::installAsDefault(midi);
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  IParam* out = plug->GetParam(kDeviceOutSelection);
  plug->SetParameterFromGUI(kDeviceOutSelection, out->GetNormalized(1.0));
  if (!plug->mOutputPresent)
  {
    state.SkipWithError("no output port");
    return;
  }
  plug->mMidiOutMode = true;
  plug->mQueueFrames = kFrames;
  StereoBlock block;
  AEffect* effect = plug->GetAEffect();
  // The first block settles the stop pending since the reset.
  block.process(effect);
  for (auto _ : state)
  {
    if (queuedCount > 0)
    {
      state.PauseTiming();
      midi->clearReceived();
      for (int i = 0; i < queuedCount; ++i)
      {
        IMidiMsg msg(i * (kFrames / queuedCount), 0xB0, 20, static_cast<uint8_t>(i));
        plug->mMidiOutQueue.Add(&msg);
      }
      state.ResumeTiming();
    }
    block.process(effect);
  }
  state.SetLabel("per 512-frame block");
}

void BM_ProcessBlockEmptyQueue(benchmark::State& state)
{
  processBlock(state, 0);
}
BENCHMARK(BM_ProcessBlockEmptyQueue)->Unit(benchmark::kMicrosecond);

void BM_ProcessBlock64Queued(benchmark::State& state)
{
  processBlock(state, 64);
}
BENCHMARK(BM_ProcessBlock64Queued)->Unit(benchmark::kMicrosecond);

// Audio blocks of 512 frames through the host's processing callback while the editor rescans a library of 300
// banks again and again, holding the plug mutex for each whole scan. Reports the longest block (one block
// lasts 11.6 ms at 44.1 kHz).
void BM_ProcessBlockDuringRescan(benchmark::State& state)
{
  constexpr int kBanks = 300;
  if (!korvidtest::haveSharedBanks())
  {
    state.SkipWithError(korvidtest::sharedBanksMissingText().c_str());
    return;
  }
  BenchDataFolder data(kBanks);
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  StereoBlock block;
  AEffect* effect = plug->GetAEffect();
  std::atomic<bool> scanning{true};
  std::atomic<int> scans{0};
  std::thread editor(
      [&]()
      {
        while (scanning.load())
        {
          EditorLockGuard editorLock;
          plug->rescanFolders();
          ++scans;
        }
      });
  double longest = 0.0;
  for (auto _ : state)
  {
    const auto start = std::chrono::steady_clock::now();
    block.process(effect);
    longest = std::max(
        longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  scanning = false;
  editor.join();
  state.counters["longest_block_ms"] = longest;
  state.counters["rescans"] = scans.load();
  state.SetLabel("per 512-frame block, 300 banks rescanned meanwhile");
}
BENCHMARK(BM_ProcessBlockDuringRescan)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

// The state the host stores: an editor with both ports chosen and its device link stopped, so that a recall
// reopens the ports by name and applies every stored value, without the multi resend to a synthesizer.
class StateBench
{
public:
  StateBench() : data(0), midi(MidiFakeSystem::create())
  {
    midi->setOutputPorts({"Blofeld:Blofeld MIDI 1 24:0"});
    midi->setInputPorts({"Blofeld:Blofeld MIDI 1 24:0"});
    MidiFakeSystem::installAsDefault(midi);
    plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    for (int paramIdx : {kDeviceOutSelection, kDeviceInSelection})
    {
      plug->SetParameterFromGUI(paramIdx, plug->GetParam(paramIdx)->GetNormalized(1.0));
    }
    plug->stopDeviceCommunication();
    effect = plug->GetAEffect();
  }

  // The chunk as the host gets it; empty when there is none.
  std::vector<unsigned char> save()
  {
    void* bytes = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &bytes, 0.0f);
    const auto* first = static_cast<const unsigned char*>(bytes);
    return size > 0 && first ? std::vector<unsigned char>(first, first + size) : std::vector<unsigned char>();
  }

  VstIntPtr recall(std::vector<unsigned char>& chunk)
  {
    return effect->dispatcher(effect, effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data(),
                              0.0f);
  }

  BenchDataFolder data;
  std::shared_ptr<MidiFakeSystem> midi;
  std::unique_ptr<Korvid> plug;
  AEffect* effect = nullptr;
};

void BM_StateSave(benchmark::State& state)
{
  StateBench bench;
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(bench.save());
  }
  state.SetLabel("per chunk saved");
}
BENCHMARK(BM_StateSave)->Unit(benchmark::kMicrosecond);

void BM_StateRecall(benchmark::State& state)
{
  StateBench bench;
  std::vector<unsigned char> chunk = bench.save();
  if (bench.recall(chunk) != 1 || !bench.plug->mOutputPresent)
  {
    state.SkipWithError("the state was not recalled with its output");
    return;
  }
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(bench.recall(chunk));
  }
  state.SetLabel("per chunk recalled, ports reopened, no resend");
}
BENCHMARK(BM_StateRecall)->Unit(benchmark::kMicrosecond);

// A recall with its output on the simulated synthesizer: the host's thread is held while the multi is resent
// (global data, multi, every active part, with the device's pauses). Reports how long the recall held the
// host and how long the device job itself ran (from its start to its end, looked at every millisecond).
BlofeldSimulator* gRecallSimulator = nullptr;

std::unique_ptr<IMidiPorts::Backend> recallSimulatorBackend()
{
  return gRecallSimulator->makeBackend();
}

void BM_StateRecallWithResend(benchmark::State& state)
{
  using Clock = std::chrono::steady_clock;
  constexpr int kActiveParts = 4;
  BenchDataFolder data(0);
  BlofeldSimulator simulator(0);
  gRecallSimulator = &simulator;
  IMidiPorts::SetBackendFactory(&recallSimulatorBackend);
  {
    auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    for (int paramIdx : {kDeviceOutSelection, kDeviceInSelection})
    {
      IParam* param = plug->GetParam(paramIdx);
      for (int i = 1; i < param->GetNDisplayTexts(); ++i)
      {
        if (std::string(param->GetDisplayText(i)) == BlofeldSimulator::kPortName)
          plug->SetParameterFromGUI(paramIdx, param->GetNormalized(i));
      }
    }
    for (int part = 0; part < Korvid::kPartCount; ++part)
      plug->GetParam(kMultiPartStatus + part)->Set(part < kActiveParts ? 1.0 : 0.0);
    AEffect* effect = plug->GetAEffect();
    void* bytes = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &bytes, 0.0f);
    std::vector<unsigned char> chunk(static_cast<const unsigned char*>(bytes),
                                     static_cast<const unsigned char*>(bytes) + size);
    MIDIMessageManager* manager = plug->mMIDIMessageManager;
    double holdMs = 0.0;
    double jobMs = 0.0;
    for (auto _ : state)
    {
      // The device-id probe of the chosen ports, or the last resend, ends first.
      while (plug->ThreadRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::atomic<bool> recalling{true};
      Clock::time_point jobStart{};
      Clock::time_point jobEnd{};
      std::thread watcher(
          [&]
          {
            bool seen = false;
            while (recalling.load() || (seen && manager->isRunning(MIDIMessageManager::Thread::SysexJob)))
            {
              const bool running = manager->isRunning(MIDIMessageManager::Thread::SysexJob);
              if (running && !seen)
                jobStart = Clock::now();
              if (!running && seen && jobEnd == Clock::time_point{})
                jobEnd = Clock::now();
              seen = seen || running;
              std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (seen && jobEnd == Clock::time_point{})
              jobEnd = Clock::now();
          });
      const Clock::time_point start = Clock::now();
      const VstIntPtr recalled = effect->dispatcher(effect, effSetChunk, 0,
                                                    static_cast<VstIntPtr>(chunk.size()), chunk.data(), 0.0f);
      const Clock::time_point end = Clock::now();
      recalling = false;
      watcher.join();
      if (recalled != 1 || !plug->mOutputPresent || jobStart == Clock::time_point{})
      {
        state.SkipWithError("the state was not recalled with its output and resend");
        break;
      }
      holdMs += std::chrono::duration<double, std::milli>(end - start).count();
      jobMs += std::chrono::duration<double, std::milli>(jobEnd - jobStart).count();
    }
    const double runs = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["host_hold_ms"] = holdMs / runs;
    state.counters["job_ms"] = jobMs / runs;
    state.counters["hold_beyond_job_ms"] = (holdMs - jobMs) / runs;
    state.SetLabel("4 active parts, simulated synthesizer");
  }
  IMidiPorts::SetBackendFactory(nullptr);
  gRecallSimulator = nullptr;
}
BENCHMARK(BM_StateRecallWithResend)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The project opened where its output is not present: the save writes the stored values that wait for it.
void BM_StateSaveWhileValuesWait(benchmark::State& state)
{
  StateBench bench;
  std::vector<unsigned char> chunk = bench.save();
  bench.midi->setOutputPorts({});
  if (bench.recall(chunk) != 1 || !bench.plug->hasPendingRecall())
  {
    state.SkipWithError("the stored values do not wait");
    return;
  }
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(bench.save());
  }
  state.SetLabel("per chunk saved");
}
BENCHMARK(BM_StateSaveWhileValuesWait)->Unit(benchmark::kMicrosecond);
} // namespace
