// SysExControlContainer: finds the control of an incoming sysex parameter change by its address bytes.
#pragma once

#include "ControlIDMaps.h"

class IControl;

// Keys, outermost first: the four key bytes of the control's first message (0 to 255) and the effect
// group (0 to 7). Filled on the start-up thread by the sysex control factories; read-only afterwards.
class SysExControlContainer
{
public:
  // Registers control under (keyBytes[0..3], group), each byte taken as 0 to 255; replaces a control
  // already there. keyBytes holds four bytes; a null keyBytes registers nothing.
  void addToControlMap(const unsigned char* keyBytes, unsigned char group, IControl* control);
  // The control registered under exactly these five keys, or null. Never inserts.
  IControl* findControl(int key1, int key2, int key3, int key4, int group) const;
  bool empty() const { return controls.empty(); }

private:
  FiveKeyRegistry controls;
};
