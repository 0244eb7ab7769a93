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
  IControl* control = createPartKnob("sysex knob", name, paramIdx, x, y, imageName, defaultValue, minValue,
                                     maxValue, 1.0, part, layer, group);
  if (control == nullptr)
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
  IControl* control = createPartFader("sysex fader", name, paramIdx, x, y, length, imageName, defaultValue,
                                      minValue, maxValue, part, layer, group, direction);
  if (control == nullptr)
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
  IControl* control =
      createPartSwitch("sysex button", name, paramIdx, x, y, imageName, defaultValue, part, layer, group);
  if (control == nullptr)
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
  const int grey = white ? kWhiteText : (uiStyle == kDarkStyle ? kDarkSkinText : kLightSkinText);
  // Without entries there is nothing to name, and the control is built all the same.
  IControl* control = createPartMenu("sysex drop-down", name, paramIdx, x, y, width, textSize, defaultValue,
                                     minValue, maxValue, displayFirst, displayLast, valueList, part, layer,
                                     group, IColor(255, grey, grey, grey), true);
  if (control == nullptr)
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionSysexValue, control);
  // The parameter counts its entries from 0 whatever minValue is; entry k sends minValue + k.
  prepareSysexControl(action, control, paramIdx, sysexIndex, changingByte,
                      clampedInt(static_cast<double>(maxValue) - minValue + 1), minValue, 0, part, 0);
}
