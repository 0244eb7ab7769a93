// UIConfigManager: the plain control factories without a MIDI binding of their own (displays, name fields,
// radio buttons, switches, the multi-effect knob).
#include "UIConfigManager.h"

#include "ICustomRadioButtonsControl.h"
#include "IControl.h"
#include "Korvid.h"
#include "ParamIndex.h"

namespace
{
constexpr int kLightStyle = 0;
constexpr int kDarkStyle = 1;
constexpr int kPartCount = 16;
// A radio strip holds two frames: every button released, every button pressed.
constexpr int kRadioFrames = 2;
// More buttons than this are a fault of the description.
constexpr int kMaxRadioButtons = 1024;

const IColor kDisplayYellow(255, 241, 243, 33);
const IColor kDisplayBlack(255, 0, 0, 0);
const IColor kDisplayWhite(255, 255, 255, 255);
const IColor kNameEntryText(255, 225, 225, 225);
const IColor kNameText(255, 187, 187, 187);

// The text a name field starts with.
const char* initialName(int paramIdx)
{
  if (paramIdx == kPatchRename)
    return "New Name";
  if (paramIdx == kPatchSearchString)
    return "search...";
  if (paramIdx == kMultiName)
    return "Init Multi";
  if (paramIdx >= kPatchName && paramIdx < kPatchName + kPartCount)
    return "-- INIT --";
  return "INIT";
}
} // namespace

void UIConfigManager::createControlDisplay(std::string, int paramIdx, int x, int y, int width, int height,
                                           int, ControlLayer* layer, std::string, bool white)
{
  if (factoryParam(paramIdx, "display") == nullptr)
    return;
  IColor color = kDisplayWhite;
  if (uiStyle == kLightStyle && white)
    color = kDisplayYellow;
  else if (uiStyle == kDarkStyle)
    color = paramIdx == kControlDisplayBuild ? kDisplayYellow : kDisplayBlack;
  const IText text = controlText(scaled(height), color);
  const int left = scaled(x);
  const int top = scaled(y);
  const IRECT rect(left, top, clampedInt(static_cast<double>(left) + scaled(width)),
                   clampedInt(static_cast<double>(top) + scaled(height)));
  // The text control has no parameter of its own: the action's bound controls lead to it.
  IControl* control = new ITextControl(plug, rect, &text, "");
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createNameDisplay(std::string name, int paramIdx, int x, int y, int width, int height,
                                        int nameLen, int part, ControlLayer* layer, std::string group)
{
  IParam* param = factoryParam(paramIdx, "name field");
  if (param == nullptr)
    return;
  param->InitEnum(name.c_str(), 0, 1, "", getParamGroup(part, group), -1, -1);
  param->InitText();
  param->SetDisplayText(0, initialName(paramIdx));
  const bool entryField = paramIdx == kPatchRename || paramIdx == kPatchSearchString;
  IControl* control = makeMenuCaption(paramIdx, x, y, width, height, entryField ? kNameEntryText : kNameText);
  control->SetTextEntryLength(nameLen);
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createRadioControl(std::string name, int paramIdx, int x, int y, std::string imageName,
                                         int buttons, int part, ControlLayer* layer, std::string group, bool)
{
  IParam* param = factoryParam(paramIdx, "radio buttons");
  if (param == nullptr)
    return;
  if (buttons > kMaxRadioButtons)
  {
    logDebug("CONFIG READER: radio buttons " + name + ": " + std::to_string(buttons) +
             " buttons are too many, nothing built");
    return;
  }
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitEnum(name.c_str(), 0, buttons, "", getParamGroup(part, group), -1, -1);
  const int left = scaled(x);
  const int top = scaled(y);
  // The direction follows the strip: frames stacked put the buttons side by side, and the other way round.
  const int width = bitmap.framesHorizontal ? bitmap.width / kRadioFrames : bitmap.width;
  const int height = bitmap.framesHorizontal ? bitmap.height : bitmap.height / kRadioFrames;
  const EDirection direction = bitmap.framesHorizontal ? kVertical : kHorizontal;
  IControl* control = new ICustomRadioButtonsControl(plug, IRECT(left, top, left + width, top + height),
                                                     paramIdx, buttons, &bitmap, direction);
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createBoolControl(std::string name, int paramIdx, int defaultValue, int x, int y,
                                        std::string imageName, int part, ControlLayer* layer,
                                        std::string group)
{
  IParam* param = factoryParam(paramIdx, "switch");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitBool(name.c_str(), defaultValue != 0, "", getParamGroup(part, group), -1, -1);
  IControl* control = new ISwitchControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

void UIConfigManager::createSwitchControl(std::string name, int paramIdx, int defaultValue, int x, int y,
                                          std::string imageName, int part, ControlLayer* layer,
                                          std::string group)
{
  IParam* param = factoryParam(paramIdx, "momentary switch");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitBool(name.c_str(), defaultValue != 0, "", getParamGroup(part, group), -1, -1);
  IControl* control = new IContactControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return;
  bindControlAction(paramIdx, kActionNoMidi, control);
}

IControl* UIConfigManager::createAutoOffSwitchControl(std::string name, int paramIdx, int x, int y,
                                                      std::string imageName, int part, ControlLayer* layer,
                                                      std::string group)
{
  IParam* param = factoryParam(paramIdx, "auto-off switch");
  if (param == nullptr)
    return nullptr;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitBool(name.c_str(), false, "", getParamGroup(part, group), -1, -1);
  IControl* control = new IContactControl(plug, scaled(x), scaled(y), paramIdx, &bitmap);
  if (!placeControl(control, layer))
    return nullptr;
  bindControlAction(paramIdx, kActionNoMidi, control);
  return control;
}

void UIConfigManager::createNoValKnobControl(std::string name, int paramIdx, int x, int y,
                                             std::string imageName, double defaultValue, double minValue,
                                             double maxValue, double, int part, ControlLayer* layer,
                                             std::string group)
{
  IParam* param = factoryParam(paramIdx, "multi-effect knob");
  if (param == nullptr)
    return;
  IBitmap bitmap = getImageByName(graphics, imageName);
  param->InitDouble(name.c_str(), defaultValue, minValue, maxValue, 1.0, "", getParamGroup(part, group), -1,
                    -1);
  placeControl(new IKnobMultiControl(plug, scaled(x), scaled(y), paramIdx, &bitmap), layer);
}
