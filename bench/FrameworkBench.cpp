// Framework costs per call: creating and destroying a plug-in instance, saving and restoring its state.
#include "Korvid.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
constexpr VstInt32 kProgramChunk = 1;

IPlugInstanceInfo noHost()
{
  return IPlugInstanceInfo{};
}
} // namespace

static void BM_FrameworkCreateDestroy(benchmark::State& state)
{
  for (auto _ : state)
  {
    Korvid* plug = new Korvid(noHost());
    AEffect* effect = plug->GetAEffect();
    benchmark::DoNotOptimize(effect);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
}
BENCHMARK(BM_FrameworkCreateDestroy)->Unit(benchmark::kMicrosecond);

static void BM_FrameworkStateSaveRestore(benchmark::State& state)
{
  Korvid* plug = new Korvid(noHost());
  AEffect* effect = plug->GetAEffect();
  std::vector<unsigned char> copy;
  for (auto _ : state)
  {
    void* data = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, kProgramChunk, 0, &data, 0.0f);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    copy.assign(bytes, bytes + size);
    benchmark::DoNotOptimize(effect->dispatcher(effect, effSetChunk, kProgramChunk, size, copy.data(), 0.0f));
  }
  state.counters["chunk_bytes"] = static_cast<double>(copy.size());
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}
BENCHMARK(BM_FrameworkStateSaveRestore)->Unit(benchmark::kMicrosecond);
