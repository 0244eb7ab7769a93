// Start-up of one plug-in instance with the project's real resources (an empty library and one of 100 banks),
// and switching pages and parts on the built editor.
#include "BenchDataFolder.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "PluginFolderSurface.h"
#include "SharedDataPaths.h"
#include "MidiFakeSystem.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
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

// One audio block of 512 frames through the host's processing callback in MIDI-out mode, with the output
// queue empty or holding queuedCount controller messages spread over the block.
void processBlock(benchmark::State& state, int queuedCount)
{
  constexpr int kFrames = 512;
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
  std::vector<double> in(kFrames, 0.0);
  std::vector<double> outLeft(kFrames, 0.0);
  std::vector<double> outRight(kFrames, 0.0);
  double* inputs[2] = {in.data(), in.data()};
  double* outputs[2] = {outLeft.data(), outRight.data()};
  AEffect* effect = plug->GetAEffect();
  // The first block settles the stop pending since the reset.
  effect->processDoubleReplacing(effect, inputs, outputs, kFrames);
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
    effect->processDoubleReplacing(effect, inputs, outputs, kFrames);
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
} // namespace
