// UIConfigManager: the plain drop-down factories (text caption, value-list menu, MIDI port selector, numbered
// menu).
#include "UIConfigManager.h"

#include "IControl.h"
#include "IGraphics.h"
#include "Korvid.h"
#include "ParamIndex.h"

namespace
{
constexpr int kDarkStyle = 1;
constexpr int kPartCount = 16;
// The port lists begin with "OFF"; inputDev 1 picks the input ports.
constexpr int kInputPorts = 1;
// Only a numbered menu with visible 1 shows its text; any other leaves an invisible click area.
constexpr int kVisibleMenu = 1;

const char* const kEmptyCaptionText = "----";
const char* const kDeviceSelectionName = "Device Selection";
const char* const kSampleTextPrefix = "Sample A";

const IColor kCaptionText(255, 200, 200, 200);
const IColor kValueListMenuText(255, 255, 173, 0);
const IColor kPortSelectorText(255, 0, 174, 255);
const IColor kNumberedWhiteText(255, 255, 255, 255);
const IColor kNumberedDarkSkinText(255, 200, 200, 200);
const IColor kNumberedText(255, 255, 173, 0);
const IColor kInvisibleText(0, 255, 173, 0);

bool isSampleParam(int paramIdx)
{
  return (paramIdx >= kOscillator1Sample && paramIdx < kOscillator1Sample + kPartCount) ||
         (paramIdx >= kOscillator2Sample && paramIdx < kOscillator2Sample + kPartCount);
}

bool isProgramParam(int paramIdx)
{
  return paramIdx == kMultiPatch || (paramIdx >= kMultiPartPatch && paramIdx < kMultiPartPatch + kPartCount);
}

// A program number shown with three digits: "001" ... "128".
std::string threeDigits(long long number)
{
  const std::string digits = std::to_string(number);
  if (number < 10)
    return "00" + digits;
  if (number < 100)
    return "0" + digits;
  return digits;
}
} // namespace

void UIConfigManager::createDropDownMenu(std::string name, int paramIdx, int x, int y, int width, int height,
                                         int part, ControlLayer* layer, std::string group)
{
  IParam* param = factoryParam(paramIdx, "text caption");
  if (param == nullptr)
    return;
  param->InitEnum(name.c_str(), 0, 1, "", getParamGroup(part, group), -1, -1);
  param->SetDisplayText(0, kEmptyCaptionText);
  IControl* control = makeMenuCaption(paramIdx, x, y, width, height, kCaptionText);
  // Only shows what the editor writes into it: a click opens nothing, and an empty list shows no name.
  control->DisablePrompt(true);
  if (auto* caption = dynamic_cast<ICaptionControl*>(control))
  {
    caption->ShowDisplayTextsOnly(true);
  }
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createDropDownMenu2(std::string name, int paramIdx, int x, int y, int width, int height,
                                          int defaultValue, int minValue, int maxValue,
                                          std::vector<std::string> valueList, int part, ControlLayer* layer,
                                          std::string group)
{
  IParam* param = factoryParam(paramIdx, "value-list menu");
  if (param == nullptr)
    return;
  const int entries = clampedInt(static_cast<double>(maxValue) - minValue);
  param->InitEnum(name.c_str(), defaultValue, entries, "", getParamGroup(part, group), -1, -1);
  if (static_cast<long long>(valueList.size()) != entries)
  {
    logDebug("CONFIG READER: menu " + name + " (parameter " + std::to_string(paramIdx) +
             "): value list holds " + std::to_string(valueList.size()) + " texts for " +
             std::to_string(entries) + " entries, no control built");
    return;
  }
  for (int k = 0; k < entries; ++k)
    param->SetDisplayText(k, valueList[static_cast<std::size_t>(k)].c_str());
  IControl* control = makeMenuCaption(paramIdx, x, y, width, height, kValueListMenuText);
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createMIDIDeviceSelectionControl(std::string, int paramIdx, int x, int y, int width,
                                                       int height, int inputDev, int, ControlLayer*,
                                                       std::string)
{
  IParam* param = factoryParam(paramIdx, "MIDI port selector");
  if (param == nullptr)
    return;
  IPlugBase* base = plug;
  const std::vector<std::string>& ports =
      inputDev == kInputPorts ? base->getExternalMIDIInNames() : base->getExternalMIDIOutNames();
  param->InitEnum(kDeviceSelectionName, 0, static_cast<int>(ports.size()), "", "", -1, -1);
  for (std::size_t i = 0; i < ports.size(); ++i)
    param->SetDisplayText(static_cast<int>(i), ports[i].c_str());
  IControl* control = makeMenuCaption(paramIdx, x, y, width, height, kPortSelectorText);
  // On the surface's own list whatever the layer: switching pages never hides it.
  if (!placeControl(control, nullptr))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createNoValDropDown(std::string name, int paramIdx, int x, int y, int width, int height,
                                          int defaultValue, int minValue, int maxValue, int displayFirst,
                                          int displayLast, int visible, std::vector<std::string> valueList,
                                          int part, ControlLayer* layer, std::string group, bool white)
{
  IParam* param = factoryParam(paramIdx, "numbered menu");
  if (param == nullptr)
    return;
  const int entries = clampedInt(static_cast<double>(maxValue) - minValue);
  param->InitEnum(name.c_str(), defaultValue, entries, "", getParamGroup(part, group), -1, -1);

  const bool samples = isSampleParam(paramIdx) && sampleNamesGiven;
  const auto numberText = [this, samples, paramIdx](int entry, long long number) -> std::string
  {
    if (samples && static_cast<std::size_t>(entry) < sampleNames.size())
      return sampleNames[static_cast<std::size_t>(entry)];
    if (isSampleParam(paramIdx))
      return kSampleTextPrefix + std::to_string(number);
    if (isProgramParam(paramIdx))
      return threeDigits(number);
    return std::to_string(number);
  };
  if (!setMenuTexts(param, paramIdx, entries, valueList, displayFirst, displayLast, numberText))
    return;

  IColor color = kInvisibleText;
  if (visible == kVisibleMenu)
    color = white ? kNumberedWhiteText : (uiStyle == kDarkStyle ? kNumberedDarkSkinText : kNumberedText);
  placeControl(makeMenuCaption(paramIdx, x, y, width, height, color), layer);
}
