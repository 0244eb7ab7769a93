// Device costs per sound dump: building one from a part's parameters and parsing one into them.
#include "DeviceBenchSupport.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "PatchManager.h"
#include "SharedDataPaths.h"
#include "SoundDumpLayout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using devicebench::DevicePlug;

namespace
{
// The first sound of the factory bank as part 0's edit buffer, or the template when the file is missing.
std::vector<unsigned char> factorySound()
{
  const SoundDumpLayout::Dump& templ = SoundDumpLayout::soundTemplate();
  std::vector<unsigned char> dump(templ.begin(), templ.end());
  const std::string path = korvidtest::sharedBankFile("factory-2008.syx");
  if (FILE* f = std::fopen(path.c_str(), "rb"))
  {
    if (std::fread(dump.data(), 1, dump.size(), f) != dump.size())
      dump.assign(templ.begin(), templ.end());
    std::fclose(f);
  }
  dump[5] = 0x7F;
  dump[6] = 0;
  return dump;
}
} // namespace

static void BM_DeviceBuildSoundDump(benchmark::State& state)
{
  DevicePlug device;
  SoundDumpLayout::Dump dump{};
  for (auto _ : state)
  {
    device.plug->mMIDIMessageManager->sender->buildPartDump(3, dump.data());
    benchmark::DoNotOptimize(dump.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DeviceBuildSoundDump)->Unit(benchmark::kMicrosecond);

static void BM_DeviceParseSoundDump(benchmark::State& state)
{
  DevicePlug device;
  std::vector<unsigned char> dump = factorySound();
  ISysEx sysex(0, dump.data(), static_cast<int>(dump.size()));
  for (auto _ : state)
  {
    device.plug->mMIDIMessageManager->sysexPatchParse(&sysex);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DeviceParseSoundDump)->Unit(benchmark::kMicrosecond);
