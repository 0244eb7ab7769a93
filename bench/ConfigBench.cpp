// Start-up costs of the UI configuration: deciphering a resource and filling the name registry.
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
// Deciphering a resource of the given size (bytes); the cipher text's content does not matter.
void BM_DecryptResource(benchmark::State& state)
{
  const std::string cipher(static_cast<std::size_t>(state.range(0)), '\x5a');
  for (auto _ : state)
  {
    std::string text;
    UIConfigManager::decrypt(cipher.data(), static_cast<int>(cipher.size()), text);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DecryptResource)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(static_cast<int>(UIConfigManager::kMaxResourceBytes));

// Registering all names, then resolving each once, as the walk does at start-up.
void BM_InitParamsAndResolveAll(benchmark::State& state)
{
  for (auto _ : state)
  {
    UIConfigManager manager;
    manager.initParams();
    int sum = 0;
    for (const ParamTableEntry& entry : kParamTable)
      sum += manager.getParamByName(entry.name);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_InitParamsAndResolveAll);
} // namespace
