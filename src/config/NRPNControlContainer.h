// NRPNControlContainer: finds the control of an incoming NRPN (MSB/LSB) address.
#pragma once

#include "ControlIDMaps.h"

class ControlAction;
class IControl;

// Keys, outermost first: channel key, second, third and fourth key int, key flag of the control's
// ControlAction. Filled on the start-up thread by the MSB/LSB factories; read-only afterwards.
class NRPNControlContainer
{
public:
  // Registers control under the keys of action; replaces a control already there. A null action
  // registers nothing.
  void addToControlMap(const ControlAction* action, IControl* control);
  // The control registered under exactly these five keys, or null. Never inserts.
  IControl* findControl(int channel, int key2, int key3, int key4, int flag) const;
  bool empty() const { return controls.empty(); }

private:
  FiveKeyRegistry controls;
};
