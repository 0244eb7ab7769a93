// UIConfigManager: the steps every control factory shares (parameter lookup, geometry, placement, sysex
// messages and drop-down texts).
#include "UIConfigManager.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "Korvid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace
{
const char* const kControlFont = "NK57 Monospace";
// Drop-downs with more entries than this are a fault of the description (no menu is that long).
constexpr long long kMaxMenuEntries = 1024;
} // namespace

IParam* UIConfigManager::factoryParam(int paramIdx, const char* factory)
{
  IPlugBase* base = plug;
  IParam* param = base != nullptr ? base->GetParam(paramIdx) : nullptr;
  if (param == nullptr)
    logDebug(std::string("CONFIG READER: ") + factory + ": index " + std::to_string(paramIdx) +
             " names no parameter, nothing built");
  return param;
}

int UIConfigManager::clampedInt(double value)
{
  if (std::isnan(value))
    return 0;
  if (value >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (value <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(value);
}

int UIConfigManager::scaled(int value) const
{
  return std::clamp(clampedInt(value * uiScale), -kMaxCoordinate, kMaxCoordinate);
}

std::string UIConfigManager::partPrefixedName(const std::string& name, int part)
{
  if (part < 0)
    return name;
  return "[" + std::to_string(part + 1) + "] " + name;
}

bool UIConfigManager::placeControl(IControl* control, ControlLayer* layer)
{
  if (layer != nullptr)
  {
    layer->AddControl(control);
    return true;
  }
  if (graphics != nullptr)
  {
    graphics->AttachControl(control);
    return true;
  }
  logDebug("CONFIG READER: no drawing surface for a control of parameter " +
           std::to_string(control->ParamIdx()));
  delete control;
  return false;
}

IControl* UIConfigManager::createPartKnob(const char* factory, const std::string& name, int paramIdx, int x,
                                          int y, const std::string& imageName, double defaultValue,
                                          double minValue, double maxValue, double step, int part,
                                          ControlLayer* layer, const std::string& group)
{
  IParam* param = factoryParam(paramIdx, factory);
  if (param == nullptr)
    return nullptr;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitDouble(partPrefixedName(name, part).c_str(), defaultValue, minValue, maxValue, step, "",
                    getParamGroup(part, group), -1, -1);
  IControl* control = new IKnobMultiControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  return placeControl(control, layer) ? control : nullptr;
}

IControl* UIConfigManager::createPartFader(const char* factory, const std::string& name, int paramIdx, int x,
                                           int y, int length, const std::string& imageName,
                                           double defaultValue, double minValue, double maxValue, int part,
                                           ControlLayer* layer, const std::string& group,
                                           EDirection direction)
{
  IParam* param = factoryParam(paramIdx, factory);
  if (param == nullptr)
    return nullptr;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitDouble(partPrefixedName(name, part).c_str(), defaultValue, minValue, maxValue, 1.0, "",
                    getParamGroup(part, group), -1, -1);
  IControl* control =
      new IFaderControl(plug, scaled(x), scaled(y), scaled(length), paramIdx, &bitmap, direction, false);
  return placeControl(control, layer) ? control : nullptr;
}

IControl* UIConfigManager::createPartSwitch(const char* factory, const std::string& name, int paramIdx, int x,
                                            int y, const std::string& imageName, double defaultValue,
                                            int part, ControlLayer* layer, const std::string& group)
{
  IParam* param = factoryParam(paramIdx, factory);
  if (param == nullptr)
    return nullptr;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitBool(partPrefixedName(name, part).c_str(), defaultValue != 0.0, "", getParamGroup(part, group),
                  -1, -1);
  IControl* control = new ISwitchControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  return placeControl(control, layer) ? control : nullptr;
}

IControl* UIConfigManager::createPartMenu(const char* factory, const std::string& name, int paramIdx, int x,
                                          int y, int width, int height, int defaultValue, int minValue,
                                          int maxValue, int displayFirst, int displayLast,
                                          const std::vector<std::string>& valueList, int part,
                                          ControlLayer* layer, const std::string& group, const IColor& color,
                                          bool emptyMenuBuilt)
{
  IParam* param = factoryParam(paramIdx, factory);
  if (param == nullptr)
    return nullptr;
  const int entries = clampedInt(static_cast<double>(maxValue) - minValue);
  param->InitEnum(partPrefixedName(name, part).c_str(), defaultValue, entries, "", getParamGroup(part, group),
                  -1, -1);
  const bool textsOptional = emptyMenuBuilt && entries <= 0;
  if (!textsOptional && !setMenuTexts(param, paramIdx, entries, valueList, displayFirst, displayLast))
    return nullptr;
  IControl* control = makeMenuCaption(paramIdx, x, y, width, height, color);
  return placeControl(control, layer) ? control : nullptr;
}

IText UIConfigManager::controlText(int size, const IColor& color)
{
  return IText(size, &color, kControlFont);
}

void UIConfigManager::prepareSysexControl(ControlAction* action, IControl* control, int paramIdx,
                                          int sysexIndex, int changingByte, int count, int start,
                                          int firstValue, int part, int group)
{
  if (action == nullptr)
    return;
  ControlActionSysExMessage prepared;
  const SysExContainer* record = getSysexRecord(sysexIndex);
  if (record == nullptr)
  {
    logDebug("CONFIG READER: parameter " + std::to_string(paramIdx) + ": sysexIndex " +
             std::to_string(sysexIndex) + " lies outside the " + std::to_string(sysexList.size()) +
             " sysex templates, no messages");
    action->takeMessages(prepared, firstValue);
    return;
  }
  calculateSysexWithChangingByte(record->getTemplate(), changingByte, count, &prepared, start, part);
  unsigned char keyBytes[SysexTemplateLayout::kKeyLength] = {};
  const bool keyed = getSysexRegistryKey(prepared, changingByte, keyBytes);
  const bool anyMessage = !prepared.messages.empty();
  // Taken over, not copied: a control's messages are built once.
  action->takeMessages(std::move(prepared), firstValue);
  if (!keyed)
  {
    if (anyMessage)
      logDebug("CONFIG READER: parameter " + std::to_string(paramIdx) + ": sysex template " +
               std::to_string(sysexIndex) + " is too short for its registry key, not registered");
    return;
  }
  sysexControls.addToControlMap(keyBytes, static_cast<unsigned char>(group), control);
}

bool UIConfigManager::setMenuTexts(IParam* param, int paramIdx, int entries,
                                   const std::vector<std::string>& valueList, int displayFirst,
                                   int displayLast, const MenuNumberText& numberText)
{
  const std::string what = "CONFIG READER: menu " + std::string(param->GetNameForHost()) + " (parameter " +
                           std::to_string(paramIdx) + ")";
  if (entries > kMaxMenuEntries)
  {
    logDebug(what + ": " + std::to_string(entries) + " entries are too many, no control built");
    return false;
  }
  if (static_cast<long long>(valueList.size()) == entries)
  {
    for (int k = 0; k < entries; ++k)
      param->SetDisplayText(k, valueList[static_cast<std::size_t>(k)].c_str());
    return true;
  }
  if (!valueList.empty())
    logDebug(what + ": value list holds " + std::to_string(valueList.size()) + " texts for " +
             std::to_string(entries) + " entries");
  if (displayFirst == displayLast)
  {
    logDebug(what + ": no value list of " + std::to_string(entries) +
             " texts and no display range, no control built");
    return false;
  }
  for (int k = 0; k < entries; ++k)
  {
    const long long number = static_cast<long long>(displayFirst) + k;
    param->SetDisplayText(k, (numberText ? numberText(k, number) : std::to_string(number)).c_str());
  }
  return true;
}

IControl* UIConfigManager::makeMenuCaption(int paramIdx, int x, int y, int width, int height,
                                           const IColor& color)
{
  const int left = scaled(x);
  const int top = scaled(y);
  const IText text = controlText(scaled(height), color);
  const IRECT rect(left, top, clampedInt(static_cast<double>(left) + scaled(width)),
                   clampedInt(static_cast<double>(top) + scaled(height)));
  auto* caption = new ICaptionControl(plug, rect, paramIdx, &text, true);
  // A click opens the list of display texts.
  caption->DisablePrompt(false);
  return caption;
}
