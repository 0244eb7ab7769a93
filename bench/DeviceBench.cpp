// Device costs per sound dump: building one from a part's parameters and parsing one into them.
#include "DeviceBenchSupport.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "MadeBanks.h"
#include "MidiFakeSystem.h"
#include "PatchManager.h"
#include "PluginFolderSurface.h"
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

namespace
{
// Two made sounds that differ in most bytes, as part 0's edit buffer.
std::vector<unsigned char> editBufferSound(int n)
{
  std::vector<unsigned char> dump = korvidtest::madeSound(n);
  for (int b = SoundDumpLayout::kFirstParameterByte; b <= SoundDumpLayout::kLastParameterByte; ++b)
  {
    if (!SoundDumpLayout::isFixedByte(b))
      dump[static_cast<size_t>(b)] = static_cast<unsigned char>((b * 13 + n * 71) & 0x7F);
  }
  dump[5] = 0x7F;
  dump[6] = 0;
  return dump;
}
} // namespace

// A sound dump from the synthesizer into part 0 of the whole editor (real resources, every control), two
// different sounds in turn so that every parse changes most values and their controls.
static void BM_DeviceParseSoundDumpIntoEditor(benchmark::State& state)
{
  devicebench::useTemporaryDataHome();
  MidiFakeSystem::installAsDefault(MidiFakeSystem::create());
  Korvid::setSurfaceFactory(
      [](IPlugBase* plug, int w, int h) -> IGraphics*
      { return new PluginFolderSurface(plug, w, h, std::string(KORVID_BINARY_DIR) + "/Korvid Editor"); });
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  Korvid::setSurfaceFactory(nullptr);
  std::vector<unsigned char> sounds[2] = {editBufferSound(1), editBufferSound(2)};
  ISysEx sysex[2] = {ISysEx(0, sounds[0].data(), static_cast<int>(sounds[0].size())),
                     ISysEx(0, sounds[1].data(), static_cast<int>(sounds[1].size()))};
  int turn = 0;
  for (auto _ : state)
  {
    plug->mMIDIMessageManager->sysexPatchParse(&sysex[turn]);
    turn ^= 1;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  MidiFakeSystem::installAsDefault(nullptr);
}
BENCHMARK(BM_DeviceParseSoundDumpIntoEditor)->Unit(benchmark::kMicrosecond);
