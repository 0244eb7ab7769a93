// Tests of the control action records: binding controls to parameters, links both ways across parts, and
// the lookup of a prepared message by value.
#include "ActionsTestSupport.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace actionstest;

namespace
{
// A plug-in with the editor's 8456 parameters and a manager that builds on it.
struct Actions : ::testing::Test
{
  Actions()
  {
    setenv("XDG_DATA_HOME", dir.path.c_str(), 1);
    plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    manager.setResourceDirectory(dir.path.string());
    manager.readUIConfig(nullptr, plug.get(), nullptr, 0, 1.0);
  }

  ControlAction* actionOf(int paramIdx)
  {
    IPlugBase* base = plug.get();
    return base->GetParam(paramIdx)->GetAction();
  }

  TempDir dir;
  std::unique_ptr<Korvid> plug;
  UIConfigManager manager;
  ProbeControl first;
  ProbeControl second;
};

void expectFresh(const ControlAction& action, ControlActionType type)
{
  EXPECT_EQ(-1.0, action.lastValue);
  EXPECT_EQ(-1, action.linkOffset);
  EXPECT_EQ(-1, action.part);
  EXPECT_EQ(type, action.type);
  EXPECT_EQ(-1, action.keyInt1);
  EXPECT_EQ(-1, action.keyInt2);
  EXPECT_EQ(-1, action.keyInt3);
  EXPECT_EQ(-1, action.keyInt4);
  EXPECT_EQ(-1, action.channelKey);
  EXPECT_EQ(-1, action.keyFlag);
  EXPECT_EQ(-1, action.offValue);
  EXPECT_EQ(-1, action.onValue);
  EXPECT_EQ(nullptr, action.switchLayer);
  EXPECT_FALSE(action.multiMessage);
  EXPECT_TRUE(action.messages.empty());
  EXPECT_TRUE(action.messagesPerValue.empty());
}
} // namespace

TEST(ControlActionRecord, FreshRecordHasNoFieldsSet)
{
  ControlAction action(kActionCCButton);
  expectFresh(action, kActionCCButton);
  EXPECT_TRUE(action.boundControls.empty());
  EXPECT_EQ(-1, action.link.linkedParam);
  EXPECT_EQ(-1, action.link.switchParam);
  EXPECT_EQ(-1, action.link.extra);
  EXPECT_EQ(nullptr, action.messageForValue(0));
}

TEST_F(Actions, TwoElementsBindingOneParameterShareOneRecord)
{
  ControlAction* knob = manager.bindControlAction(kFilter1Cutoff + 2, kActionSysexValue, &first);
  ASSERT_NE(nullptr, knob);
  expectFresh(*knob, kActionSysexValue);
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte("3E 13 00 20 00 00 10 00", 8, 128, &prepared, 0, 2));
  knob->takeMessages(prepared, 0);
  knob->keyInt1 = 74;

  ControlAction* cc = manager.bindControlAction(kFilter1Cutoff + 2, kActionCCValue, &second);
  EXPECT_EQ(knob, cc);
  EXPECT_EQ(kActionCCValue, cc->type);
  EXPECT_EQ((std::vector<IControl*>{&first, &second}), cc->boundControls);
  EXPECT_EQ(128u, cc->messages.size());
  EXPECT_EQ(74, cc->keyInt1);
  EXPECT_EQ(cc, actionOf(kFilter1Cutoff + 2));
  EXPECT_EQ(nullptr, actionOf(kFilter1Cutoff + 3));
}

TEST_F(Actions, BindingOutsideTheParametersBuildsNothing)
{
  EXPECT_EQ(nullptr, manager.bindControlAction(-1, kActionSysexValue, &first));
  EXPECT_EQ(nullptr, manager.bindControlAction(kParamIndexCount, kActionSysexValue, &first));
  UIConfigManager withoutPlug;
  EXPECT_EQ(nullptr, withoutPlug.bindControlAction(kFilter1Cutoff, kActionSysexValue, &first));
}

TEST_F(Actions, LinkWithAMissingIndexLinksNothing)
{
  ControlAction* action = manager.bindControlAction(kFilter1Cutoff, kActionSysexValue, &first);
  manager.setControlLink(action, kFilter1Cutoff, LinkInfo::forPart(kFilter2Cutoff, -1, -1, -1), -1);
  manager.setControlLink(action, kFilter1Cutoff, LinkInfo::forPart(-1, kFilterRouting, -1, -1), -1);
  EXPECT_EQ(-1, action->link.linkedParam);
  EXPECT_EQ(-1, action->link.switchParam);
  EXPECT_EQ(-1, action->link.extra);
  EXPECT_EQ(nullptr, actionOf(kFilter2Cutoff));
}

TEST_F(Actions, LinkTargetWithoutControlGetsAValueRecordLinkingBack)
{
  ControlAction* action = manager.bindControlAction(kFilter1Cutoff, kActionSysexValue, &first);
  manager.setControlLink(action, kFilter1Cutoff, LinkInfo::forPart(kFilter2Cutoff, kFilterRouting, 7, -1),
                         -1);
  EXPECT_EQ(kFilter2Cutoff, action->link.linkedParam);
  EXPECT_EQ(kFilterRouting, action->link.switchParam);
  EXPECT_EQ(7, action->link.extra);

  ControlAction* target = actionOf(kFilter2Cutoff);
  ASSERT_NE(nullptr, target);
  EXPECT_EQ(kActionSysexValue, target->type);
  EXPECT_EQ(kFilter1Cutoff, target->link.linkedParam);
  EXPECT_EQ(kFilterRouting, target->link.switchParam);
  EXPECT_EQ(-1, target->link.extra);
  // Without messages of its own it has nothing to send for any value.
  EXPECT_EQ(nullptr, target->messageForValue(0));

  // The target's own control keeps the record and appends itself; its own link replaces the reverse link.
  ControlAction* later = manager.bindControlAction(kFilter2Cutoff, kActionCCValue, &second);
  EXPECT_EQ(target, later);
  EXPECT_EQ(std::vector<IControl*>{&second}, later->boundControls);
  manager.setControlLink(later, kFilter2Cutoff, LinkInfo::forPart(kFilter1Resonance, kFilterRouting, -1, -1),
                         -1);
  EXPECT_EQ(kFilter1Resonance, later->link.linkedParam);
}

TEST_F(Actions, LinkToAnExistingRecordKeepsItsKind)
{
  ControlAction* button = manager.bindControlAction(kFilter2Cutoff, kActionCCButton, &second);
  button->onValue = 127;
  ControlAction* action = manager.bindControlAction(kFilter1Cutoff, kActionSysexValue, &first);
  manager.setControlLink(action, kFilter1Cutoff, LinkInfo::forPart(kFilter2Cutoff, kFilterRouting, -1, -1),
                         -1);
  EXPECT_EQ(kActionCCButton, button->type);
  EXPECT_EQ(127, button->onValue);
  EXPECT_EQ(kFilter1Cutoff, button->link.linkedParam);
}

TEST_F(Actions, LinkTargetOutsideTheParametersKeepsOnlyTheForwardLink)
{
  ControlAction* action = manager.bindControlAction(kFilter1Cutoff, kActionSysexValue, &first);
  LinkInfo link;
  link.linkedParam = kParamIndexCount;
  link.switchParam = kFilterRouting;
  manager.setControlLink(action, kFilter1Cutoff, link, -1);
  EXPECT_EQ(kParamIndexCount, action->link.linkedParam);
  EXPECT_EQ(kFilterRouting, action->link.switchParam);
}

// The walker builds an element once per part with the named indices moved into the part; every copy must
// link its own part's partner, both ways, with its own part's switch.
TEST_F(Actions, LinksConnectTheExactPartnersInEveryPartAndOutsideAny)
{
  for (int part = -1; part < 16; ++part)
  {
    SCOPED_TRACE(part);
    const int offset = part < 0 ? 0 : part;
    const int self = kFilter1Cutoff + offset;
    ControlAction* action = manager.bindControlAction(self, kActionSysexValue, &first);
    manager.setControlLink(action, self, LinkInfo::forPart(kFilter2Cutoff, kFilterRouting, -1, part), part);

    EXPECT_EQ(kFilter2Cutoff + offset, action->link.linkedParam);
    EXPECT_EQ(kFilterRouting + offset, action->link.switchParam);
    ControlAction* partner = actionOf(kFilter2Cutoff + offset);
    ASSERT_NE(nullptr, partner);
    EXPECT_EQ(self, partner->link.linkedParam);
    EXPECT_EQ(kFilterRouting + offset, partner->link.switchParam);
  }
  // Nothing landed beside the partners: the block of kFilter2Cutoff holds only the sixteen partners.
  EXPECT_EQ(nullptr, actionOf(kFilter2Cutoff - 1));
  EXPECT_EQ(nullptr, actionOf(kFilter2Cutoff + 16));
}

TEST(LinkInfoForPart, NamesNotFoundStayMissingInEveryPart)
{
  const LinkInfo inside = LinkInfo::forPart(-1, kFilterRouting, -1, 5);
  EXPECT_EQ(-1, inside.linkedParam);
  EXPECT_EQ(kFilterRouting + 5, inside.switchParam);
  const LinkInfo outside = LinkInfo::forPart(kFilter2Cutoff, -1, 3, -1);
  EXPECT_EQ(kFilter2Cutoff, outside.linkedParam);
  EXPECT_EQ(-1, outside.switchParam);
  EXPECT_EQ(3, outside.extra);
}

TEST(ControlActionMessages, ValueSelectsItsMessageFromTheRangeMinimum)
{
  // A knob running from 16 to 112: its messages carry 16 .. 112 and value v takes the one carrying v.
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(
      manager.calculateSysexWithChangingByte("3E 13 00 20 00 01 05 00", 8, 112 - 16 + 1, &prepared, 16, -1));
  ControlAction action(kActionSysexValue);
  action.takeMessages(prepared, 16);
  ASSERT_NE(nullptr, action.messageForValue(16));
  EXPECT_EQ(16, action.messageForValue(16)->at(7));
  EXPECT_EQ(64, action.messageForValue(64)->at(7));
  EXPECT_EQ(112, action.messageForValue(112)->at(7));
  EXPECT_EQ(nullptr, action.messageForValue(113));
  EXPECT_EQ(nullptr, action.messageForValue(15));
  EXPECT_EQ(nullptr, action.messageForValue(0));
  EXPECT_EQ(nullptr, action.messageForValue(-2147483647 - 1));
  EXPECT_EQ(nullptr, action.messagesForValue(16));
}

TEST(ControlActionMessages, MessagesPerValueFollowTheSameBase)
{
  ControlActionSysExMessage prepared;
  prepared.multiMessage = true;
  prepared.messagesPerValue = {{{1}, {2}}, {{3}}};
  ControlAction action(kActionSysexValue);
  action.takeMessages(prepared, 5);
  EXPECT_TRUE(action.multiMessage);
  ASSERT_NE(nullptr, action.messagesForValue(6));
  EXPECT_EQ(std::vector<SysexMessageBytes>{{3}}, *action.messagesForValue(6));
  EXPECT_EQ(nullptr, action.messagesForValue(7));
  EXPECT_EQ(nullptr, action.messagesForValue(4));
}
