// The real editor, built from the project's resources, with its MIDI ports on a simulated synthesizer.
#pragma once

#include "KorvidTestSupport.h"

#include "BlofeldSimulator.h"

#include <memory>
#include <string>

namespace korvidtest
{
// The simulator answers device id 0; the editor's output port is chosen and its device-id probe over when
// a test starts. One such fixture at a time (the backend factory takes no argument).
class SimulatedEditorFixture : public StartupFixture
{
protected:
  SimulatedEditorFixture()
  {
    useResources(pluginFolder());
    simulator = std::make_unique<BlofeldSimulator>(0);
    current() = simulator.get();
    IMidiPorts::SetBackendFactory(&simulatorBackend);
    plug = construct();
    IParam* out = plug->GetParam(kDeviceOutSelection);
    for (int i = 0; i < out->GetNDisplayTexts(); ++i)
    {
      if (std::string(out->GetDisplayText(i)) == BlofeldSimulator::kPortName)
        chooseOutputPort(*plug, i);
    }
  }

  ~SimulatedEditorFixture() override
  {
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
    current() = nullptr;
  }

  // An edit as the user makes it: value in the parameter's own units.
  void edit(int paramIdx, double value)
  {
    IParam* param = plug->GetParam(paramIdx);
    plug->SetParameterFromGUI(paramIdx, param->GetNormalized(value));
  }

  std::unique_ptr<BlofeldSimulator> simulator;
  std::unique_ptr<Korvid> plug;

private:
  static BlofeldSimulator*& current()
  {
    static BlofeldSimulator* simulatorInUse = nullptr;
    return simulatorInUse;
  }
  static std::unique_ptr<IMidiPorts::Backend> simulatorBackend() { return current()->makeBackend(); }
};
} // namespace korvidtest
