// Tests of the CC and MSB/LSB control factories: parameters, action fields, registry keys inside and outside
// parts, drop-down texts, and the registries' last-wins rule.
#include "WalkerTestSupport.h"

#include "ParamIndex.h"

using namespace walkertest;

namespace
{
class CCControls : public WalkerFixture
{
protected:
  void beforeWalk() override { addStandardImages(); }
};

std::string ccKnob(const std::string& ref, int cc, int channel)
{
  return "<knobcontrol type=\"ccKnob\" name=\"Vol\" paramId=\"" + ref +
         "\" imageId=\"KNOB\" paramGroup=\"Amp\" position=\"10,20,0\" valueBounds=\"100,0,127,1\" "
         "ccNumber=\"" +
         std::to_string(cc) + "\" channel=\"" + std::to_string(channel) + "\"/>";
}

TEST_F(CCControls, KnobKeysInsideAndOutsideAPart)
{
  build("<multilayer name=\"p\" create=\"3\">" + ccKnob("kFilter1Cutoff", 7, 5) + "</multilayer>" +
        ccKnob("kMultiPartLevel", 7, 5));
  const int inPart = kFilter1Cutoff + 2;
  EXPECT_STREQ("[3] Vol", param(inPart)->GetName());
  EXPECT_STREQ("Part 3:Amp", param(inPart)->GetGroup());
  EXPECT_EQ(100.0, param(inPart)->GetDefault());
  ControlAction* inside = action(inPart);
  EXPECT_EQ(kActionCCValue, inside->type);
  EXPECT_EQ(7, inside->keyInt1);
  EXPECT_EQ(3, inside->channelKey);
  EXPECT_EQ(0, inside->keyFlag);
  EXPECT_EQ(layer("p2")->mControls[0], findCCControl(manager.ccControls, 3, 7, 0));
  EXPECT_EQ(layer("p0")->mControls[0], findCCControl(manager.ccControls, 1, 7, 0));

  EXPECT_STREQ("Vol", param(kMultiPartLevel)->GetName());
  ControlAction* outside = action(kMultiPartLevel);
  EXPECT_EQ(5, outside->channelKey);
  EXPECT_EQ(1, outside->keyFlag);
  EXPECT_EQ(4, outside->part);
  // Incoming controllers ask with flag 0 only, so the outside knob is found with flag 1 alone.
  EXPECT_EQ(lastControl(kMultiPartLevel), findCCControl(manager.ccControls, 5, 7, 1));
  EXPECT_EQ(nullptr, findCCControl(manager.ccControls, 5, 7, 0));
}

TEST_F(CCControls, SliderAndButtonUseFlagZeroOutsideAPart)
{
  build("<slidercontrol type=\"ccSliderVer\" name=\"S\" paramId=\"kFilter1Cutoff\" imageId=\"HANDLE\" "
        "position=\"1,2,0\" length=\"60\" valueBounds=\"0,0,127,0\" ccNumber=\"20\" channel=\"2\"/>"
        "<buttoncontrol type=\"ccButton\" name=\"B\" paramId=\"kMainTab\" imageId=\"SWITCH\" "
        "position=\"1,2,0\" "
        "valueBounds=\"1,10,90,0\" ccNumber=\"21\" channel=\"2\"/>");
  ControlAction* slider = action(kFilter1Cutoff);
  EXPECT_EQ(kActionCCValue, slider->type);
  EXPECT_EQ(0, slider->keyFlag);
  EXPECT_NE(nullptr, dynamic_cast<IFaderControl*>(lastControl(kFilter1Cutoff)));
  EXPECT_EQ(lastControl(kFilter1Cutoff), findCCControl(manager.ccControls, 2, 20, 0));

  ControlAction* button = action(kMainTab);
  EXPECT_EQ(kActionCCButton, button->type);
  EXPECT_EQ(0, button->keyFlag);
  EXPECT_EQ(10, button->offValue);
  EXPECT_EQ(90, button->onValue);
  EXPECT_EQ(IParam::kTypeBool, param(kMainTab)->Type());
  EXPECT_EQ(1.0, param(kMainTab)->GetDefault());
  EXPECT_EQ(lastControl(kMainTab), findCCControl(manager.ccControls, 2, 21, 0));
}

TEST_F(CCControls, DirectCallsTruncateStepAndSwitchValues)
{
  build("");
  manager.createCCKnobControl(74, 1, "Fine", kFilter1Cutoff, 0, 0, "KNOB", 0.0, 0.0, 10.0, 0.9, LinkInfo(),
                              -1, nullptr, "");
  EXPECT_EQ(0.0, param(kFilter1Cutoff)->GetStep());
  manager.createCCKnobControl(75, 1, "Coarse", kOscillator1Semitone, 0, 0, "KNOB", 0.0, 0.0, 10.0, 2.7,
                              LinkInfo(), -1, nullptr, "");
  EXPECT_EQ(2.0, param(kOscillator1Semitone)->GetStep());
  manager.createCCBoolControl(64, 1, "Hold", kMainTab, 0, 0, "SWITCH", 0.0, 0.0, 127.9, LinkInfo(), -1,
                              nullptr, "");
  EXPECT_EQ(0, action(kMainTab)->offValue);
  EXPECT_EQ(127, action(kMainTab)->onValue);
  EXPECT_EQ(0.0, param(kMainTab)->GetDefault());
}

TEST_F(CCControls, DropDownTextsAndMissingList)
{
  std::string list = "<list name=\"notes\">";
  for (int k = 0; k < 128; ++k)
    list += "<value>n" + std::to_string(k) + "</value>";
  list += "</list>";
  const std::string menu =
      "<menucontrol type=\"ccMenu\" name=\"M\" position=\"10,20,40\" valueBounds=\"0,0,128,0\" "
      "ccNumber=\"30\" ";
  build(menu + "paramId=\"kFilter1Cutoff\" channel=\"1\" valueList=\"notes\"/>" + menu +
            "paramId=\"kOscillator1Semitone\" channel=\"2\" valueDisplay=\"1:128\"/>" + menu +
            "paramId=\"kMainTab\" channel=\"3\"/>",
        list, 1);
  EXPECT_EQ(128, param(kFilter1Cutoff)->GetNDisplayTexts());
  EXPECT_STREQ("n127", param(kFilter1Cutoff)->GetDisplayText(127));
  ControlAction* listed = action(kFilter1Cutoff);
  EXPECT_EQ(kActionCCValue, listed->type);
  EXPECT_EQ(1, listed->keyFlag);
  IControl* caption = lastControl(kFilter1Cutoff);
  EXPECT_EQ(IColor(255, 200, 200, 200), caption->GetText()->mColor);
  EXPECT_EQ(IRECT(10, 20, 50, 33), *caption->GetRECT());
  EXPECT_EQ(caption, findCCControl(manager.ccControls, 1, 30, 1));

  EXPECT_STREQ("1", param(kOscillator1Semitone)->GetDisplayText(0));
  EXPECT_STREQ("128", param(kOscillator1Semitone)->GetDisplayText(127));

  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(nullptr, findCCControl(manager.ccControls, 3, 30, 1));
  EXPECT_EQ(1u, logLinesWith({"no value list of 128 texts and no display range"}).size());
}

TEST_F(CCControls, LightStyleDropDownIsBlack)
{
  build("<menucontrol type=\"ccMenu\" name=\"M\" paramId=\"kFilter1Cutoff\" position=\"1,2,40\" "
        "valueBounds=\"0,0,2,0\" valueDisplay=\"0:1\" ccNumber=\"30\"/>");
  EXPECT_EQ(IColor(255, 0, 0, 0), lastControl(kFilter1Cutoff)->GetText()->mColor);
}

TEST_F(CCControls, RegistryKeepsTheLastControlUnderAKey)
{
  build(ccKnob("kFilter1Cutoff", 9, 4) + ccKnob("kOscillator1Semitone", 9, 4));
  EXPECT_EQ(lastControl(kOscillator1Semitone), findCCControl(manager.ccControls, 4, 9, 1));
  EXPECT_EQ(1u, action(kFilter1Cutoff)->boundControls.size());
  EXPECT_EQ(1u, action(kOscillator1Semitone)->boundControls.size());
}

TEST_F(CCControls, KnobKeepsAnEarlierSysexRecordAndItsLink)
{
  build("<knobcontrol type=\"seKnob\" name=\"K\" paramId=\"kFilter1Cutoff\" imageId=\"KNOB\" "
        "position=\"1,2,0\" "
        "valueBounds=\"0,0,127,0\" sysexIndex=\"3\" changingByte=\"8\" "
        "biDirectLink=\"kOscillator1Semitone,kOscillator1Octave\"/>" +
        ccKnob("kFilter1Cutoff", 74, 1));
  ControlAction* bound = action(kFilter1Cutoff);
  EXPECT_EQ(kActionCCValue, bound->type);
  EXPECT_EQ(128u, bound->messages.size());
  EXPECT_EQ(kOscillator1Semitone, bound->link.linkedParam);
  EXPECT_EQ(74, bound->keyInt1);
}

TEST_F(CCControls, MsbLsbKeysFollowTheLayerName)
{
  build("<layer name=\"miniMixer\"/><layer name=\"additionalSettingsPart3\"/><layer name=\"osc\"/>");
  ControlLayer* mixer = layer("miniMixer");
  ControlLayer* settings = layer("additionalSettingsPart3");
  ControlLayer* other = layer("osc");

  manager.createMsbLsbKnobControl(1, 2, 3, 4, 9, "K", kFilter1Cutoff, 0, 0, "KNOB", 0, 0, 127, 0, LinkInfo(),
                                  4, mixer, "");
  ControlAction* knob = action(kFilter1Cutoff);
  EXPECT_EQ(kActionMsbLsbValue, knob->type);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}),
            (std::vector<int>{knob->keyInt1, knob->keyInt2, knob->keyInt3, knob->keyInt4}));
  EXPECT_EQ(9, knob->channelKey);
  EXPECT_EQ(1, knob->keyFlag);
  EXPECT_STREQ("[5] K", param(kFilter1Cutoff)->GetName());
  EXPECT_EQ(lastControl(kFilter1Cutoff), manager.nrpnControls.findControl(9, 2, 3, 4, 1));

  manager.createMsbLsbKnobControl(1, 2, 3, 5, 9, "K", kOscillator1Semitone, 0, 0, "KNOB", 0, 0, 127, 0,
                                  LinkInfo(), 4, other, "");
  EXPECT_EQ(5, action(kOscillator1Semitone)->channelKey);
  EXPECT_EQ(0, action(kOscillator1Semitone)->keyFlag);
  // Without a layer the element counts as any other layer.
  manager.createMsbLsbKnobControl(1, 2, 3, 6, 9, "K", kOscillator1Octave, 0, 0, "KNOB", 0, 0, 127, 0,
                                  LinkInfo(), -1, nullptr, "");
  EXPECT_EQ(0, action(kOscillator1Octave)->channelKey);
  EXPECT_EQ(lastControl(kOscillator1Octave), surface->GetControl(surface->NControls() - 1));

  // Buttons also keep the channel on the per-part settings pages; their flag is always 0.
  manager.createMsbLsbBoolControl(1, 2, 3, 7, 9, "B", kMainTab, 0, 0, "SWITCH", 1, 0.0, 127.5, LinkInfo(), 2,
                                  settings, "");
  EXPECT_EQ(9, action(kMainTab)->channelKey);
  EXPECT_EQ(0, action(kMainTab)->keyFlag);
  EXPECT_EQ(127, action(kMainTab)->onValue);
  manager.createMsbLsbSelectionCCControl(1, 2, 3, 8, 9, "M", kMultiPartLevel, 0, 0, 30, 13, 0, 0, 3, 1, 3, {},
                                         2, settings, "");
  EXPECT_EQ(3, action(kMultiPartLevel)->channelKey);
  EXPECT_EQ(0, action(kMultiPartLevel)->keyFlag);
  EXPECT_EQ(IColor(254, 255, 173, 0), lastControl(kMultiPartLevel)->GetText()->mColor);
  EXPECT_EQ(lastControl(kMultiPartLevel), manager.nrpnControls.findControl(3, 2, 3, 8, 0));
}
} // namespace
