// A knob turned on the synthesizer: one incoming parameter change from the plug-in's sysex input to the
// control's new value.
#include "BenchDataFolder.h"
#include "ControlAction.h"
#include "IControl.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
// address: the sound index's high and low byte; paramIdx: the parameter it moves.
void receiveChanges(benchmark::State& state, int high, int low, int paramIdx)
{
  BenchDataFolder data(0);
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  // Effect 1 of the first part is a chorus.
  plug->GetParam(kEffect1Mode)->Set(1.0);
  IParam* param = plug->GetParam(paramIdx);
  ControlAction* action = param ? param->GetAction() : nullptr;
  if (!action || action->boundControls.empty())
  {
    state.SkipWithError("no control for the parameter");
    return;
  }
  IControl* control = action->boundControls.front();
  std::vector<uint8_t> message =
      SysexProtocol::parameterChange(0, {SysexProtocol::kSoundParameterChange, 0, high, low, 0});
  constexpr size_t kValueByte = 8;
  int value = 0;
  for (auto _ : state)
  {
    // A new value each time, as a turning knob sends.
    value = (value + 1) & SysexProtocol::kDataMask;
    message[kValueByte] = static_cast<uint8_t>(value);
    ISysEx sysex(0, message.data(), static_cast<int>(message.size()));
    plug->ProcessSysEx(&sysex, true);
    benchmark::DoNotOptimize(control->GetValue());
  }
  // Every control of the parameter shows the value: the page's control is the one the message moved.
  for (const IControl* shown : action->boundControls)
  {
    if (param->Value() != value || shown->GetValue() != param->GetNormalized())
    {
      state.SkipWithError("the control did not follow the synthesizer");
      return;
    }
  }
  state.SetLabel("per message");
}

void BM_IncomingParameterChange(benchmark::State& state)
{
  receiveChanges(state, 0, 78, kFilter1Cutoff);
}
BENCHMARK(BM_IncomingParameterChange)->Unit(benchmark::kMicrosecond);

// An effect knob: the control of the effect type's group.
void BM_IncomingEffectParameterChange(benchmark::State& state)
{
  receiveChanges(state, 1, 2, kFX1ChorusSpeed);
}
BENCHMARK(BM_IncomingEffectParameterChange)->Unit(benchmark::kMicrosecond);
} // namespace
