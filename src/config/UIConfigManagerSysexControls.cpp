// UIConfigManager: the factories of controls bound to a sysex parameter change (knob, fader, button,
// drop-down).
#include "UIConfigManager.h"

#include "IControl.h"
#include "Korvid.h"

namespace
{
// Text grey of a drop-down: white, the dark skin's grey, or black on the light skin.
constexpr int kWhiteText = 255;
constexpr int kDarkSkinText = 200;
constexpr int kLightSkinText = 0;
constexpr int kDarkStyle = 1;
// A button sends one of two messages, for the values 0 and 1.
constexpr int kButtonMessages = 2;
} // namespace

void UIConfigManager::createSysExKnobControl(std::string name, int paramIdx, int x, int y,
                                             std::string imageName, double defaultValue, double minValue,
                                             double maxValue, double, int, int sysexIndex, int changingByte,
                                             int part, LinkInfo link, ControlLayer* layer, std::string group)
{
  IParam* param = factoryParam(paramIdx, "sysex knob");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  const std::string displayName = partPrefixedName(name, part);
  param->InitDouble(displayName.c_str(), defaultValue, minValue, maxValue, 1.0, "",
                    getParamGroup(part, group), -1, -1);
  IControl* control = new IKnobMultiControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionSysexValue, control);
  setControlLink(action, paramIdx, link, part);
  const int first = clampedInt(minValue);
  const int last = clampedInt(maxValue);
  prepareSysexControl(action, control, paramIdx, sysexIndex, changingByte,
                      clampedInt(static_cast<double>(last) - first + 1), first, first, part,
                      getEffectGroup(paramIdx));
}

void UIConfigManager::createSysExSliderControl(std::string name, int paramIdx, int x, int y, int length,
                                               std::string imageName, double defaultValue, double minValue,
                                               double maxValue, double, int msgZeroVal, int sysexIndex,
                                               int changingByte, int part, LinkInfo link, ControlLayer* layer,
                                               std::string group, EDirection direction, bool)
{
  IParam* param = factoryParam(paramIdx, "sysex fader");
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
  ControlAction* action = bindControlAction(paramIdx, kActionSysexValue, control);
  setControlLink(action, paramIdx, link, part);
  const int first = clampedInt(minValue);
  const int last = clampedInt(maxValue);
  // The value bytes start at msgZeroVal above the minimum: parameter value v sends v + msgZeroVal.
  prepareSysexControl(action, control, paramIdx, sysexIndex, changingByte,
                      clampedInt(static_cast<double>(last) - first + 1),
                      clampedInt(static_cast<double>(first) + msgZeroVal), first, part, 0);
}

void UIConfigManager::createSysExBoolControl(std::string name, int paramIdx, int x, int y,
                                             std::string imageName, double defaultValue, int, int sysexIndex,
                                             int changingByte, int part, LinkInfo link, ControlLayer* layer,
                                             std::string group)
{
  IParam* param = factoryParam(paramIdx, "sysex button");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  const std::string displayName = partPrefixedName(name, part);
  param->InitBool(displayName.c_str(), defaultValue != 0.0, "", getParamGroup(part, group), -1, -1);
  IControl* control = new ISwitchControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionSysexButton, control);
  setControlLink(action, paramIdx, link, part);
  prepareSysexControl(action, control, paramIdx, sysexIndex, changingByte, kButtonMessages, 0, 0, part, 0);
}

void UIConfigManager::createMultiSelectionSysExControl(std::string name, int paramIdx, int x, int y,
                                                       int width, int textSize, int defaultValue,
                                                       int minValue, int maxValue, int displayFirst,
                                                       int displayLast, std::vector<std::string> valueList,
                                                       int, int, int sysexIndex, int changingByte, int part,
                                                       ControlLayer* layer, std::string group, bool white)
{
  IParam* param = factoryParam(paramIdx, "sysex drop-down");
  if (param == nullptr)
    return;
  const std::string displayName = partPrefixedName(name, part);
  const int entries = clampedInt(static_cast<double>(maxValue) - minValue);
  param->InitEnum(displayName.c_str(), defaultValue, entries, "", getParamGroup(part, group), -1, -1);
  if (!setMenuTexts(param, paramIdx, entries, valueList, displayFirst, displayLast))
    return;

  const int grey = white ? kWhiteText : (uiStyle == kDarkStyle ? kDarkSkinText : kLightSkinText);
  IControl* control = makeMenuCaption(paramIdx, x, y, width, textSize, IColor(255, grey, grey, grey));
  if (!placeControl(control, layer))
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionSysexValue, control);
  // The parameter counts its entries from 0 whatever minValue is; entry k sends minValue + k.
  prepareSysexControl(action, control, paramIdx, sysexIndex, changingByte,
                      clampedInt(static_cast<double>(entries) + 1), minValue, 0, part, 0);
}
