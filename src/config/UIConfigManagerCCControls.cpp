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
  IControl* control = createPartKnob("CC knob", name, paramIdx, x, y, imageName, defaultValue, minValue,
                                     maxValue, static_cast<double>(clampedInt(step)), part, layer, group);
  if (control == nullptr)
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
  IControl* control = createPartFader("CC fader", name, paramIdx, x, y, length, imageName, defaultValue,
                                      minValue, maxValue, part, layer, group, direction);
  if (control == nullptr)
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
  IControl* control =
      createPartSwitch("CC button", name, paramIdx, x, y, imageName, defaultValue, part, layer, group);
  if (control == nullptr)
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
  IControl* control =
      createPartMenu("CC drop-down", name, paramIdx, x, y, width, height, defaultValue, minValue, maxValue,
                     displayFirst, displayLast, valueList, part, layer, group,
                     uiStyle == kDarkStyle ? kDarkSkinMenuText : kLightSkinMenuText, false);
  if (control == nullptr)
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionCCValue, control);
  action->keyFlag = partKeyFlag(part);
  action->keyInt1 = ccNumber;
  action->channelKey = channelKeyFor(part, channel);
  addToCCControls(ccControls, action->channelKey, ccNumber, action->keyFlag, control);
}
