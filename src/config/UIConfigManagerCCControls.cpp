// UIConfigManager: the factories of controls bound to a MIDI controller (knob, fader, button, drop-down).
#include "UIConfigManager.h"

#include "IControl.h"
#include "Korvid.h"

namespace
{
constexpr int kDarkStyle = 1;
const IColor kDarkSkinMenuText(255, 200, 200, 200);
const IColor kLightSkinMenuText(255, 0, 0, 0);

// Outermost key of the CC registry: the part's number inside a part, else the element's channel.
int channelKeyFor(int part, int channel)
{
  return part >= 0 ? part + 1 : channel;
}

// Last key of the CC registry for knobs and drop-downs: 1 outside any part, 0 inside.
int partKeyFlag(int part)
{
  return part == -1 ? 1 : 0;
}
} // namespace

void UIConfigManager::createCCKnobControl(int ccNumber, int channel, std::string name, int paramIdx, int x,
                                          int y, std::string imageName, double defaultValue, double minValue,
                                          double maxValue, double step, LinkInfo link, int part,
                                          ControlLayer* layer, std::string group)
{
  IParam* param = factoryParam(paramIdx, "CC knob");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  const std::string displayName = partPrefixedName(name, part);
  param->InitDouble(displayName.c_str(), defaultValue, minValue, maxValue,
                    static_cast<double>(clampedInt(step)), "", getParamGroup(part, group), -1, -1);
  IControl* control = new IKnobMultiControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionCCValue, control);
  setControlLink(action, paramIdx, link, part);
  action->keyFlag = partKeyFlag(part);
  action->keyInt1 = ccNumber;
  action->channelKey = channelKeyFor(part, channel);
  addToCCControls(ccControls, action->channelKey, ccNumber, action->keyFlag, control);
}

void UIConfigManager::createCCSliderControl(int ccNumber, int channel, std::string name, int paramIdx, int x,
                                            int y, int length, std::string imageName, double defaultValue,
                                            double minValue, double maxValue, LinkInfo link, int part,
                                            ControlLayer* layer, std::string group, EDirection direction,
                                            bool)
{
  IParam* param = factoryParam(paramIdx, "CC fader");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  const std::string displayName = partPrefixedName(name, part);
  param->InitDouble(displayName.c_str(), defaultValue, minValue, maxValue, 1.0, "",
                    getParamGroup(part, group), -1, -1);
  IControl* control =
      new IFaderControl(plug, scaled(x), scaled(y), scaled(length), paramIdx, &bitmap, direction, false);
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionCCValue, control);
  action->keyFlag = 0;
  setControlLink(action, paramIdx, link, part);
  action->keyInt1 = ccNumber;
  action->channelKey = channelKeyFor(part, channel);
  addToCCControls(ccControls, action->channelKey, ccNumber, action->keyFlag, control);
}

void UIConfigManager::createCCBoolControl(int ccNumber, int channel, std::string name, int paramIdx, int x,
                                          int y, std::string imageName, double defaultValue, double offValue,
                                          double onValue, LinkInfo, int part, ControlLayer* layer,
                                          std::string group)
{
  IParam* param = factoryParam(paramIdx, "CC button");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  const std::string displayName = partPrefixedName(name, part);
  param->InitBool(displayName.c_str(), defaultValue != 0.0, "", getParamGroup(part, group), -1, -1);
  IControl* control = new ISwitchControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionCCButton, control);
  action->offValue = clampedInt(offValue);
  action->onValue = clampedInt(onValue);
  action->keyFlag = 0;
  action->keyInt1 = ccNumber;
  action->channelKey = channelKeyFor(part, channel);
  addToCCControls(ccControls, action->channelKey, ccNumber, action->keyFlag, control);
}

void UIConfigManager::createMultiSelectionCCControl(int ccNumber, int channel, std::string name, int paramIdx,
                                                    int x, int y, int width, int height, int defaultValue,
                                                    int minValue, int maxValue, int displayFirst,
                                                    int displayLast, std::vector<std::string> valueList,
                                                    int part, ControlLayer* layer, std::string group)
{
  IParam* param = factoryParam(paramIdx, "CC drop-down");
  if (param == nullptr)
    return;
  const std::string displayName = partPrefixedName(name, part);
  const int entries = clampedInt(static_cast<double>(maxValue) - minValue);
  param->InitEnum(displayName.c_str(), defaultValue, entries, "", getParamGroup(part, group), -1, -1);
  if (!setMenuTexts(param, paramIdx, entries, valueList, displayFirst, displayLast))
    return;
  IControl* control = makeMenuCaption(paramIdx, x, y, width, height,
                                      uiStyle == kDarkStyle ? kDarkSkinMenuText : kLightSkinMenuText);
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionCCValue, control);
  action->keyFlag = partKeyFlag(part);
  action->keyInt1 = ccNumber;
  action->channelKey = channelKeyFor(part, channel);
  addToCCControls(ccControls, action->channelKey, ccNumber, action->keyFlag, control);
}
