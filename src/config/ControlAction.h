// ControlAction: what an edit of one parameter sends to the synthesizer and which controls show it.
#pragma once

#include "ControlActionSysExMessage.h"
#include "LinkInfo.h"

#include <vector>

class ControlLayer;
class IControl;

// The kind of message an edit sends. The value 4 names no kind; the executor sends nothing for it.
enum ControlActionType : int
{
  kActionNoMidi = 0,      // only the bound controls are refreshed
  kActionCCValue = 1,     // controller change carrying the parameter's value
  kActionCCButton = 2,    // controller change carrying the off or on value
  kActionMsbLsbValue = 3, // NRPN address; nothing is sent
  kActionSysexButton = 5, // one of two prepared sysex messages
  kActionSysexValue = 6,  // one prepared sysex message per value
};

// One record per bound parameter, created while the UI description is walked (UIConfigManager owns it and
// releases it with itself; the IParam only points to it). After start-up the builders never touch it: the
// executor writes lastValue and the linked-parameter logic linkOffset, both under the plug-in's mutex; every
// other field is read-only from then on.
class ControlAction
{
public:
  // A fresh record of that type: every int -1, lastValue -1.0, empty lists, no switch layer.
  explicit ControlAction(ControlActionType type) : type(type) {}

  // Copies the prepared messages (flag, message list, lists per value). firstValue is the parameter value
  // that the first message belongs to (the minimum of the control's range), so that value v selects
  // message v - firstValue.
  void takeMessages(const ControlActionSysExMessage& prepared, int firstValue);
  // The same, taking the messages over (nothing is copied; prepared is left empty).
  void takeMessages(ControlActionSysExMessage&& prepared, int firstValue);

  // The prepared message for the integer parameter value, or null when the list holds none for it.
  const SysexMessageBytes* messageForValue(int value) const;
  // The messages sent for value while multiMessage is set, or null when there are none for it.
  const std::vector<SysexMessageBytes>* messagesForValue(int value) const;

  // The integer part of the value last carried out.
  double lastValue = -1.0;
  // Distance kept between the parameter and its linked partner.
  int linkOffset = -1;
  // Part (0 to 15) whose MIDI channel parameter gives the channel of a controller message.
  int part = -1;
  ControlActionType type;
  // CC number (CC kinds) or first NRPN key; then the three further NRPN keys.
  int keyInt1 = -1;
  int keyInt2 = -1;
  int keyInt3 = -1;
  int keyInt4 = -1;
  // Outermost and last key of the CC and NRPN registries.
  int channelKey = -1;
  int keyFlag = -1;
  // Every control bound to the parameter, in binding order; not owned.
  std::vector<IControl*> boundControls;
  LinkInfo link;
  // When set, the change handler selects the child layer whose id equals the value; not owned.
  ControlLayer* switchLayer = nullptr;
  bool multiMessage = false;
  // Entry k is the message for parameter value firstMessageValue + k.
  std::vector<SysexMessageBytes> messages;
  std::vector<std::vector<SysexMessageBytes>> messagesPerValue;
  // Controller values a CC button sends for 0 and for any other value.
  int offValue = -1;
  int onValue = -1;
  // The parameter value of messages[0] and messagesPerValue[0].
  int firstMessageValue = 0;
};
