// The plug-in class: the surface factory, the debug log line, look-ups with reports and the data folder.
#include "Korvid.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "UIConfigManager.h"
#include "debugger.h"

namespace
{
constexpr const char* kMissingPrefix = "STARTUP: ";
constexpr const char* kMissingSuffix = " NOT FOUND!";

Korvid::SurfaceFactory& surfaceFactory()
{
  static Korvid::SurfaceFactory factory;
  return factory;
}
} // namespace

void Korvid::setSurfaceFactory(SurfaceFactory factory)
{
  surfaceFactory() = std::move(factory);
}

void Korvid::log(const std::string& text) const
{
  if (mDataFolder.isLogging())
  {
    DebuggerOutput::printDebugInfo(mDataFolder.getLogFilePath(), text);
  }
}

void Korvid::reportMissing(const std::string& what)
{
  mMissingElements.push_back(what);
  log(kMissingPrefix + what + kMissingSuffix);
  mLastReport = what + kMissingSuffix;
  showStatusText(mLastReport.c_str());
}

ControlLayer* Korvid::fetchLayer(const std::string& name)
{
  if (mUIConfigManager)
  {
    const auto found = mUIConfigManager->layerByName.find(name);
    if (found != mUIConfigManager->layerByName.end() && found->second)
    {
      return found->second;
    }
  }
  reportMissing("layer " + name);
  return nullptr;
}

ControlAction* Korvid::actionOf(int paramIdx, const char* name)
{
  IParam* param = GetParam(paramIdx);
  ControlAction* action = param ? param->GetAction() : nullptr;
  if (!action)
  {
    reportMissing(std::string("action ") + name);
  }
  return action;
}

IControl* Korvid::firstControl(int paramIdx, const char* name)
{
  IParam* param = GetParam(paramIdx);
  ControlAction* action = param ? param->GetAction() : nullptr;
  if (!action || action->boundControls.empty() || !action->boundControls.front())
  {
    reportMissing(std::string("control ") + name);
    return nullptr;
  }
  return action->boundControls.front();
}

void Korvid::setFromUserInput(IControl* control, double value)
{
  if (control)
  {
    control->SetValueFromUserInput(value);
  }
}

IGraphics* Korvid::makeSurface(int width, int height)
{
  SurfaceFactory& factory = surfaceFactory();
  if (!factory)
  {
    return nullptr;
  }
  try
  {
    return factory(this, width, height);
  }
  catch (const std::exception& error)
  {
    log(std::string("STARTUP: the editor surface could not be made: ") + error.what());
    return nullptr;
  }
}
