// Costs of the sysex messages of the controls: preparing them at start-up and finding a control again
// for each incoming parameter change.
#include "UIConfigManager.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
// The sysex controls of the shipped UI description: 853, most of them 128 values.
constexpr int kSysexControls = 853;
constexpr int kValuesPerControl = 128;

// Preparing every sysex control's messages and registry key, as the walk does at start-up.
void BM_PrepareAllSysexControls(benchmark::State& state)
{
  UIConfigManager manager;
  for (auto _ : state)
  {
    std::size_t total = 0;
    for (int control = 0; control < kSysexControls; ++control)
    {
      ControlActionSysExMessage prepared;
      manager.calculateSysexWithChangingByte("3E 13 00 20 00 01 02 00", 8, kValuesPerControl, &prepared, 0,
                                             control % 16);
      unsigned char key[SysexTemplateLayout::kKeyLength];
      UIConfigManager::getSysexRegistryKey(prepared, 8, key);
      total += prepared.messages.size();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_PrepareAllSysexControls)->Unit(benchmark::kMillisecond);

// One lookup of an incoming parameter change in a registry holding every sysex control.
void BM_FindSysexControl(benchmark::State& state)
{
  SysExControlContainer registry;
  for (int control = 0; control < kSysexControls; ++control)
  {
    const unsigned char key[4] = {0x20, static_cast<unsigned char>(control % 16),
                                  static_cast<unsigned char>(control / 128),
                                  static_cast<unsigned char>(control % 128)};
    registry.addToControlMap(key, 0, nullptr);
  }
  int control = 0;
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(registry.findControl(0x20, control % 16, control / 128, control % 128, 0));
    control = (control + 1) % kSysexControls;
  }
}
BENCHMARK(BM_FindSysexControl);
} // namespace
