// Tests of the three incoming-message registries: insertion that replaces, lookup that matches exactly.
#include "ActionsTestSupport.h"
#include "NRPNControlContainer.h"
#include "SysExControlContainer.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>

using namespace actionstest;

TEST(SysexRegistry, LookupMatchesAllFiveKeysExactly)
{
  SysExControlContainer registry;
  ProbeControl knob;
  const unsigned char key[4] = {0x20, 0x03, 0x01, 0x10};
  registry.addToControlMap(key, 0, &knob);

  EXPECT_EQ(&knob, registry.findControl(0x20, 0x03, 0x01, 0x10, 0));
  EXPECT_EQ(nullptr, registry.findControl(0x20, 0x03, 0x01, 0x10, 1));
  EXPECT_EQ(nullptr, registry.findControl(0x20, 0x03, 0x01, 0x11, 0));
  EXPECT_EQ(nullptr, registry.findControl(0x20, 0x04, 0x01, 0x10, 0));
  EXPECT_EQ(nullptr, registry.findControl(0x21, 0x03, 0x01, 0x10, 0));
  // A lookup never inserts: the miss above left nothing behind.
  EXPECT_EQ(nullptr, registry.findControl(0x21, 0x03, 0x01, 0x10, 0));
  registry.addToControlMap(nullptr, 0, &knob);
}

TEST(SysexRegistry, SecondControlUnderTheSameKeyReplacesTheFirst)
{
  SysExControlContainer registry;
  ProbeControl first;
  ProbeControl second;
  ProbeControl effect;
  const unsigned char key[4] = {0x20, 0x00, 0x02, 0x19};
  registry.addToControlMap(key, 0, &first);
  registry.addToControlMap(key, 3, &effect);
  registry.addToControlMap(key, 0, &second);
  EXPECT_EQ(&second, registry.findControl(0x20, 0x00, 0x02, 0x19, 0));
  // An effect knob of group 3 is found only with its group.
  EXPECT_EQ(&effect, registry.findControl(0x20, 0x00, 0x02, 0x19, 3));
  EXPECT_EQ(nullptr, registry.findControl(0x20, 0x00, 0x02, 0x19, 2));
}

TEST(SysexRegistry, HighKeyBytesAreStoredAsUnsignedValues)
{
  SysExControlContainer registry;
  ProbeControl control;
  const unsigned char key[4] = {0x80, 0xFF, 0x90, 0xF7};
  registry.addToControlMap(key, 7, &control);
  EXPECT_EQ(&control, registry.findControl(128, 255, 144, 247, 7));
  EXPECT_EQ(nullptr, registry.findControl(-128, -1, -112, -9, 7));
}

// What a sysex factory does with its first message, then what the incoming parser asks with the address
// bytes of a received parameter change (F0 3E 13 dev 20 LL HH PP XX F7).
TEST(SysexRegistry, ControlsFromBothTemplateFormsAreFoundByTheReceivedAddress)
{
  UIConfigManager manager;
  ProbeControl unframedKnob;
  ProbeControl framedKnob;
  ControlActionSysExMessage prepared;
  unsigned char key[4] = {};

  ASSERT_TRUE(manager.calculateSysexWithChangingByte("3E 13 00 20 00 01 0A 00", 8, 128, &prepared, 0, 6));
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 8, key));
  manager.sysexControls.addToControlMap(key, 0, &unframedKnob);

  ASSERT_TRUE(
      manager.calculateSysexWithChangingByte("F0 3E 13 00 20 00 01 0B 00 F7", 9, 128, &prepared, 0, 6));
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 9, key));
  manager.sysexControls.addToControlMap(key, 0, &framedKnob);

  EXPECT_EQ(&unframedKnob, manager.sysexControls.findControl(0x20, 6, 0x01, 0x0A, 0));
  EXPECT_EQ(&framedKnob, manager.sysexControls.findControl(0x20, 6, 0x01, 0x0B, 0));
}

TEST(NrpnRegistry, KeysComeFromTheControlsAction)
{
  NRPNControlContainer registry;
  EXPECT_EQ(nullptr, registry.findControl(1, 0, 0, 0, 0));

  ProbeControl first;
  ProbeControl second;
  ControlAction action(kActionMsbLsbValue);
  action.keyInt1 = 99; // the first key int is not an NRPN key
  action.keyInt2 = 2;
  action.keyInt3 = 3;
  action.keyInt4 = 4;
  action.channelKey = 5;
  action.keyFlag = 1;
  registry.addToControlMap(&action, &first);
  EXPECT_EQ(&first, registry.findControl(5, 2, 3, 4, 1));
  EXPECT_EQ(nullptr, registry.findControl(5, 2, 3, 4, 0));
  EXPECT_EQ(nullptr, registry.findControl(99, 2, 3, 4, 1));

  registry.addToControlMap(&action, &second);
  EXPECT_EQ(&second, registry.findControl(5, 2, 3, 4, 1));
  registry.addToControlMap(nullptr, &first);
  EXPECT_EQ(&second, registry.findControl(5, 2, 3, 4, 1));
}

TEST(CCRegistry, KnobOutsideAPartIsNotFoundWithFlagZero)
{
  CCControlRegistry registry;
  ProbeControl partKnob;
  ProbeControl globalKnob;
  ProbeControl replacement;
  addToCCControls(registry, 3, 74, 0, &partKnob);
  addToCCControls(registry, 5, 74, 1, &globalKnob);

  EXPECT_EQ(&partKnob, findCCControl(registry, 3, 74, 0));
  EXPECT_EQ(nullptr, findCCControl(registry, 5, 74, 0));
  EXPECT_EQ(&globalKnob, findCCControl(registry, 5, 74, 1));
  EXPECT_EQ(nullptr, findCCControl(registry, 4, 74, 0));
  EXPECT_EQ(nullptr, findCCControl(registry, 3, 75, 0));

  addToCCControls(registry, 3, 74, 0, &replacement);
  EXPECT_EQ(&replacement, findCCControl(registry, 3, 74, 0));
  EXPECT_EQ(2u, registry.size());
}
