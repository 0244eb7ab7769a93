// UIConfigManager: the factories of controls bound to an NRPN (MSB/LSB) address (knob, button, drop-down).
#include "UIConfigManager.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "Korvid.h"

#include <cstring>
#include <iterator>

namespace
{
// Layers whose controls keep the element's channel as their registry channel: the mixers and the multi
// settings page list all parts at once.
const char* const kChannelLayers[] = {"miniMixer", "multiModeMixer", "miniMixer2", "multiModeMixer2",
                                      "multiModeSettingsPage1"};
// For buttons also the per-part settings pages.
const char* const kButtonChannelLayers[] = {"additionalSettingsPart1", "additionalSettingsPart2",
                                            "additionalSettingsPart3", "additionalSettingsPart4",
                                            "additionalSettingsPart5", "additionalSettingsPart6",
                                            "additionalSettingsPart7", "additionalSettingsPart8"};
const IColor kMsbLsbMenuText(254, 255, 173, 0);

bool layerNamed(const ControlLayer* layer, const char* const* names, std::size_t count)
{
  if (layer == nullptr)
    return false;
  for (std::size_t i = 0; i < count; ++i)
  {
    if (layer->mName == names[i])
      return true;
  }
  return false;
}

bool keepsChannel(const ControlLayer* layer)
{
  return layerNamed(layer, kChannelLayers, std::size(kChannelLayers));
}

void setKeys(ControlAction* action, int key1, int key2, int key3, int key4)
{
  action->keyInt1 = key1;
  action->keyInt2 = key2;
  action->keyInt3 = key3;
  action->keyInt4 = key4;
}
} // namespace

void UIConfigManager::createMsbLsbKnobControl(int key1, int key2, int key3, int key4, int channel,
                                              std::string name, int paramIdx, int x, int y,
                                              std::string imageName, double defaultValue, double minValue,
                                              double maxValue, double, LinkInfo link, int part,
                                              ControlLayer* layer, std::string group)
{
  IControl* control = createPartKnob("MSB/LSB knob", name, paramIdx, x, y, imageName, defaultValue, minValue,
                                     maxValue, 1.0, part, layer, group);
  if (control == nullptr)
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionMsbLsbValue, control);
  setControlLink(action, paramIdx, link, part);
  setKeys(action, key1, key2, key3, key4);
  const bool channelLayer = keepsChannel(layer);
  action->channelKey = channelLayer ? channel : part + 1;
  action->keyFlag = channelLayer ? 1 : 0;
  nrpnControls.addToControlMap(action, control);
}

void UIConfigManager::createMsbLsbBoolControl(int key1, int key2, int key3, int key4, int channel,
                                              std::string name, int paramIdx, int x, int y,
                                              std::string imageName, double defaultValue, double offValue,
                                              double onValue, LinkInfo link, int part, ControlLayer* layer,
                                              std::string group)
{
  IControl* control =
      createPartSwitch("MSB/LSB button", name, paramIdx, x, y, imageName, defaultValue, part, layer, group);
  if (control == nullptr)
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionMsbLsbValue, control);
  action->offValue = clampedInt(offValue);
  action->onValue = clampedInt(onValue);
  setControlLink(action, paramIdx, link, part);
  setKeys(action, key1, key2, key3, key4);
  const bool channelLayer =
      keepsChannel(layer) || layerNamed(layer, kButtonChannelLayers, std::size(kButtonChannelLayers));
  action->channelKey = channelLayer ? channel : part + 1;
  action->keyFlag = 0;
  nrpnControls.addToControlMap(action, control);
}

void UIConfigManager::createMsbLsbSelectionCCControl(int key1, int key2, int key3, int key4, int channel,
                                                     std::string name, int paramIdx, int x, int y, int width,
                                                     int height, int defaultValue, int minValue, int maxValue,
                                                     int displayFirst, int displayLast,
                                                     std::vector<std::string> valueList, int part,
                                                     ControlLayer* layer, std::string group)
{
  IControl* control = createPartMenu("MSB/LSB drop-down", name, paramIdx, x, y, width, height, defaultValue,
                                     minValue, maxValue, displayFirst, displayLast, valueList, part, layer,
                                     group, kMsbLsbMenuText, false);
  if (control == nullptr)
    return;
  ControlAction* action = bindControlAction(paramIdx, kActionMsbLsbValue, control);
  setKeys(action, key1, key2, key3, key4);
  const bool channelLayer = keepsChannel(layer);
  action->channelKey = channelLayer ? channel : part + 1;
  action->keyFlag = channelLayer ? 1 : 0;
  nrpnControls.addToControlMap(action, control);
}
