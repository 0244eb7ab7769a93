// Tests of the sysex control factories as the walker calls them: parameters, prepared messages, registry
// entries inside and outside parts, drop-down texts and colours, and the order rule of shared parameters.
#include "WalkerTestSupport.h"

#include "ParamIndex.h"

using namespace walkertest;

namespace
{
class SysexControls : public WalkerFixture
{
protected:
  void beforeWalk() override { addStandardImages(); }
};

// Index of the value byte (changingByte 8) and of the part byte in the templates of sysexList.
constexpr std::size_t kValueByte = 7;
constexpr std::size_t kPartByte = 4;

std::string knob(const std::string& ref, const std::string& bounds, int sysexIndex,
                 const std::string& extra = "")
{
  return "<knobcontrol type=\"seKnob\" name=\"Cutoff\" paramId=\"" + ref +
         "\" imageId=\"KNOB\" paramGroup=\"Filter\" position=\"10,20,0\" valueBounds=\"" + bounds +
         "\" sysexIndex=\"" + std::to_string(sysexIndex) + "\" changingByte=\"8\" " + extra + "/>";
}

TEST_F(SysexControls, KnobInsideAPartCarriesThePartEverywhere)
{
  build("<multilayer name=\"p\" create=\"4\">" + knob("kFilter1Cutoff", "64,0,127,0", 9) + "</multilayer>");
  const int index = kFilter1Cutoff + 3;
  IParam* cutoff = param(index);
  EXPECT_STREQ("[4] Cutoff", cutoff->GetName());
  EXPECT_STREQ("Part 4:Filter", cutoff->GetGroup());
  EXPECT_EQ(IParam::kTypeDouble, cutoff->Type());
  EXPECT_EQ(0.0, cutoff->GetMin());
  EXPECT_EQ(127.0, cutoff->GetMax());
  EXPECT_EQ(64.0, cutoff->GetDefault());
  EXPECT_EQ(1.0, cutoff->GetStep());

  ControlAction* bound = action(index);
  EXPECT_EQ(kActionSysexValue, bound->type);
  EXPECT_EQ(3, bound->part);
  ASSERT_EQ(128u, bound->messages.size());
  for (int value = 0; value < 128; ++value)
  {
    EXPECT_EQ(value, bound->messageForValue(value)->at(kValueByte));
    EXPECT_EQ(3, bound->messageForValue(value)->at(kPartByte));
  }
  IControl* control = layer("p3")->mControls[0];
  EXPECT_NE(nullptr, dynamic_cast<IKnobMultiControl*>(control));
  EXPECT_EQ(IRECT(10, 20, 40, 50), *control->GetRECT());
  // Key bytes 3 to 6 of the first message: 20, part, 00, parameter byte 9.
  EXPECT_EQ(control, manager.sysexControls.findControl(0x20, 3, 0x00, 9, 0));
  EXPECT_EQ(layer("p2")->mControls[0], manager.sysexControls.findControl(0x20, 2, 0x00, 9, 0));
  // Part 0 keeps the template's part byte, which is 0 too.
  EXPECT_EQ(layer("p0")->mControls[0], manager.sysexControls.findControl(0x20, 0, 0x00, 9, 0));
}

TEST_F(SysexControls, KnobOutsideAPartKeepsItsNameAndTemplate)
{
  build(knob("kFilter1Cutoff", "64,0,127,0", 9, "channel=\"3\""));
  EXPECT_STREQ("Cutoff", param(kFilter1Cutoff)->GetName());
  EXPECT_STREQ("Filter", param(kFilter1Cutoff)->GetGroup());
  ControlAction* bound = action(kFilter1Cutoff);
  EXPECT_EQ(2, bound->part);
  EXPECT_EQ(0, bound->messages[5][kPartByte]);
  EXPECT_EQ(lastControl(kFilter1Cutoff), manager.sysexControls.findControl(0x20, 0x00, 0x00, 9, 0));
}

TEST_F(SysexControls, KnobWithAMinimumMapsValuesToTheirMessages)
{
  build(knob("kOscillator1Semitone", "0,12,30,0", 2));
  ControlAction* bound = action(kOscillator1Semitone);
  ASSERT_EQ(19u, bound->messages.size());
  EXPECT_EQ(12, bound->messageForValue(12)->at(kValueByte));
  EXPECT_EQ(30, bound->messageForValue(30)->at(kValueByte));
  EXPECT_EQ(nullptr, bound->messageForValue(11));
}

TEST_F(SysexControls, FaderCountsFromMsgZeroValAndWraps)
{
  build("<slidercontrol type=\"seSliderHor\" name=\"Level\" paramId=\"kMultiPartLevel\" imageId=\"HANDLE\" "
        "position=\"5,6,0\" length=\"130\" valueBounds=\"100,0,127,0\" msgZeroVal=\"64\" sysexIndex=\"4\" "
        "changingByte=\"8\"/>"
        "<slidercontrol type=\"seSliderVer\" name=\"Level\" paramId=\"kMultiPartLevel+1\" imageId=\"HANDLE\" "
        "position=\"5,6,0\" length=\"50\" valueBounds=\"0,0,127,0\" sysexIndex=\"4\" changingByte=\"8\"/>");
  ControlAction* bound = action(kMultiPartLevel);
  ASSERT_EQ(128u, bound->messages.size());
  EXPECT_EQ(64, bound->messageForValue(0)->at(kValueByte));
  EXPECT_EQ(127, bound->messageForValue(63)->at(kValueByte));
  EXPECT_EQ(0, bound->messageForValue(64)->at(kValueByte));
  EXPECT_EQ(63, bound->messageForValue(127)->at(kValueByte));
  EXPECT_EQ(100.0, param(kMultiPartLevel)->GetDefault());
  auto* fader = dynamic_cast<IFaderControl*>(lastControl(kMultiPartLevel));
  ASSERT_NE(nullptr, fader);
  EXPECT_EQ(130, fader->GetLength());
  auto* vertical = dynamic_cast<IFaderControl*>(lastControl(kMultiPartLevel + 1));
  ASSERT_NE(nullptr, vertical);
  // A fader is registered with group 0.
  EXPECT_EQ(vertical, manager.sysexControls.findControl(0x20, 0x00, 0x00, 4, 0));
}

TEST_F(SysexControls, ButtonHasTwoMessages)
{
  build("<buttoncontrol type=\"seButton\" name=\"Play\" paramId=\"kMultiPartStatus\" imageId=\"SWITCH\" "
        "position=\"1,2,0\" valueBounds=\"1,0,1,0\" sysexIndex=\"6\" changingByte=\"8\"/>");
  manager.createSysExBoolControl("Half", kMultiPartStatus + 1, 0, 0, "SWITCH", 0.5, 9, 6, 8, -1, LinkInfo(),
                                 nullptr, "");
  for (int index : {static_cast<int>(kMultiPartStatus), kMultiPartStatus + 1})
  {
    EXPECT_EQ(IParam::kTypeBool, param(index)->Type());
    EXPECT_EQ(1.0, param(index)->GetDefault());
    ControlAction* bound = action(index);
    EXPECT_EQ(kActionSysexButton, bound->type);
    ASSERT_EQ(2u, bound->messages.size());
    EXPECT_EQ(0, bound->messages[0][kValueByte]);
    EXPECT_EQ(1, bound->messages[1][kValueByte]);
    EXPECT_NE(nullptr, dynamic_cast<ISwitchControl*>(lastControl(index)));
  }
}

TEST_F(SysexControls, DropDownTextsFromListOrNumbers)
{
  const std::string lists =
      "<list name=\"four\"><value>a</value><value>b</value><value>c</value><value>d</value>"
      "</list><list name=\"three\"><value>x</value><value>y</value><value>z</value></list>";
  const std::string menu = "<menucontrol type=\"seMenu\" name=\"Mode\" position=\"10,20,50\" "
                           "valueBounds=\"0,0,4,0\" sysexIndex=\"3\" changingByte=\"8\" ";
  build(menu + "paramId=\"kFilter1Cutoff\" valueList=\"four\"/>" + menu +
            "paramId=\"kOscillator1Semitone\" valueList=\"three\" valueDisplay=\"1:4\"/>" + menu +
            "paramId=\"kMainTab\" valueList=\"three\"/>",
        lists);
  IParam* listed = param(kFilter1Cutoff);
  EXPECT_EQ(IParam::kTypeEnum, listed->Type());
  EXPECT_EQ(4, listed->GetNDisplayTexts());
  EXPECT_STREQ("d", listed->GetDisplayText(3));
  ControlAction* bound = action(kFilter1Cutoff);
  ASSERT_EQ(5u, bound->messages.size());
  EXPECT_EQ(4, bound->messages[4][kValueByte]);
  auto* caption = dynamic_cast<ICaptionControl*>(lastControl(kFilter1Cutoff));
  ASSERT_NE(nullptr, caption);
  EXPECT_FALSE(caption->PromptDisabled());
  EXPECT_EQ(IRECT(10, 20, 60, 33), *caption->GetRECT());
  EXPECT_EQ(13, caption->GetText()->mSize);
  EXPECT_STREQ("NK57 Monospace", caption->GetText()->mFont);
  // Both menus share template 3: the registry keeps the one built later.
  EXPECT_EQ(lastControl(kOscillator1Semitone), manager.sysexControls.findControl(0x20, 0x00, 0x00, 3, 0));

  EXPECT_STREQ("1", param(kOscillator1Semitone)->GetDisplayText(0));
  EXPECT_STREQ("4", param(kOscillator1Semitone)->GetDisplayText(3));

  // No matching list and no display range: only the parameter.
  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(IParam::kTypeEnum, param(kMainTab)->Type());
  EXPECT_EQ(0, param(kMainTab)->GetNDisplayTexts());
  EXPECT_EQ(2u, logLinesWith({"value list holds 3 texts for 4 entries"}).size());
  EXPECT_EQ(1u, logLinesWith({"(parameter " + std::to_string(kMainTab) + ")", "no control built"}).size());
}

TEST_F(SysexControls, DropDownWithoutEntriesIsBuiltWithoutTexts)
{
  const std::string lists = "<list name=\"two\"><value>a</value><value>b</value></list>";
  build("<menucontrol type=\"seMenu\" name=\"One\" paramId=\"kFilter1Cutoff\" position=\"10,20,50\" "
        "valueBounds=\"0,9,9,0\" valueList=\"two\" sysexIndex=\"5\" changingByte=\"8\"/>",
        lists);
  // No entries: no texts, yet the control, its one message (value byte 9) and its registry entry are made.
  EXPECT_EQ(0, param(kFilter1Cutoff)->GetNDisplayTexts());
  ControlAction* bound = action(kFilter1Cutoff);
  ASSERT_NE(nullptr, bound);
  ASSERT_EQ(1u, bound->messages.size());
  EXPECT_EQ(9, bound->messages[0][kValueByte]);
  EXPECT_EQ(lastControl(kFilter1Cutoff), manager.sysexControls.findControl(0x20, 0x00, 0x00, 5, 0));
}

class SysexMenuColour : public SysexControls, public ::testing::WithParamInterface<std::tuple<int, int, int>>
{
};

TEST_P(SysexMenuColour, FollowsWhiteAndStyle)
{
  const auto [style, white, grey] = GetParam();
  build("<menucontrol type=\"seMenu\" name=\"M\" paramId=\"kFilter1Cutoff\" position=\"1,2,30\" "
        "valueBounds=\"0,0,2,0\" valueDisplay=\"0:1\" sysexIndex=\"1\" changingByte=\"8\" white=\"" +
            std::to_string(white) + "\"/>",
        "", style);
  EXPECT_EQ(IColor(255, grey, grey, grey), lastControl(kFilter1Cutoff)->GetText()->mColor);
}

INSTANTIATE_TEST_SUITE_P(Styles, SysexMenuColour,
                         ::testing::Values(std::make_tuple(0, 1, 255), std::make_tuple(1, 0, 200),
                                           std::make_tuple(0, 0, 0), std::make_tuple(1, 1, 255)));

TEST_F(SysexControls, EffectKnobsRegisterWithTheirEffectGroup)
{
  build(knob("kFX2PhaserSpeed", "0,0,127,0", 7) +
        "<slidercontrol type=\"seSliderVer\" name=\"S\" paramId=\"kFX2PhaserSpeed+1\" imageId=\"HANDLE\" "
        "position=\"1,2,0\" length=\"40\" valueBounds=\"0,0,127,0\" sysexIndex=\"8\" changingByte=\"8\"/>" +
        knob("kFX2DelayLengthClock", "0,0,127,0", 10) + knob("kFX2DelayLength", "0,0,127,0", 11));
  EXPECT_EQ(lastControl(kFX2PhaserSpeed), manager.sysexControls.findControl(0x20, 0, 0, 7, 3));
  EXPECT_EQ(nullptr, manager.sysexControls.findControl(0x20, 0, 0, 7, 0));
  EXPECT_EQ(lastControl(kFX2PhaserSpeed + 1), manager.sysexControls.findControl(0x20, 0, 0, 8, 0));
  EXPECT_EQ(lastControl(kFX2DelayLengthClock), manager.sysexControls.findControl(0x20, 0, 0, 10, 0));
  EXPECT_EQ(lastControl(kFX2DelayLength), manager.sysexControls.findControl(0x20, 0, 0, 11, 6));
}

TEST_F(SysexControls, SharedParameterKeepsOneActionAndTheLastRegistration)
{
  build(knob("kFilter1Cutoff", "0,0,127,0", 12) + knob("kFilter1Cutoff", "0,0,127,0", 12));
  ControlAction* bound = action(kFilter1Cutoff);
  ASSERT_EQ(2u, bound->boundControls.size());
  EXPECT_EQ(bound->boundControls[1], manager.sysexControls.findControl(0x20, 0, 0, 12, 0));
}

TEST_F(SysexControls, LastFactorySetsTheTypeAndKeepsTheRest)
{
  build(knob("kFilter1Cutoff", "0,0,127,0", 13) +
        "<knobcontrol type=\"ccKnob\" name=\"C\" paramId=\"kFilter1Cutoff\" imageId=\"KNOB\" "
        "position=\"1,2,0\" "
        "valueBounds=\"0,0,127,1\" ccNumber=\"74\" channel=\"2\"/>");
  ControlAction* bound = action(kFilter1Cutoff);
  EXPECT_EQ(kActionCCValue, bound->type);
  EXPECT_EQ(74, bound->keyInt1);
  EXPECT_EQ(128u, bound->messages.size());
  EXPECT_EQ(2u, bound->boundControls.size());

  // A plain control built last sets the type back to 0; messages and keys stay.
  manager.createBoolControl("Plain", kFilter1Cutoff, 0, 0, 0, "SWITCH", -1, nullptr, "");
  EXPECT_EQ(kActionNoMidi, bound->type);
  EXPECT_EQ(74, bound->keyInt1);
  EXPECT_EQ(128u, bound->messages.size());
  EXPECT_EQ(3u, bound->boundControls.size());
}

TEST_F(SysexControls, LinksJoinThePartnersOfTheSamePart)
{
  build(
      "<multilayer name=\"p\" create=\"3\">" +
      knob("kFilter1Cutoff", "0,0,127,0", 14, "biDirectLink=\"kOscillator1Semitone,kOscillator1Octave,5\"") +
      "</multilayer>" +
      knob("kMultiPartLevel", "0,0,127,0", 15, "biDirectLink=\"kMultiPartStatus,kMainTab\"") +
      knob("kFilter1Cutoff+5", "0,0,127,0", 16, "biDirectLink=\"kNoSuchParam,kMainTab\""));
  ControlAction* cutoff = action(kFilter1Cutoff + 2);
  EXPECT_EQ(kOscillator1Semitone + 2, cutoff->link.linkedParam);
  EXPECT_EQ(kOscillator1Octave + 2, cutoff->link.switchParam);
  EXPECT_EQ(5, cutoff->link.extra);
  ControlAction* partner = action(kOscillator1Semitone + 2);
  ASSERT_NE(nullptr, partner);
  EXPECT_EQ(kFilter1Cutoff + 2, partner->link.linkedParam);
  // An unknown name makes no link, and no partner one below the named parameter.
  EXPECT_EQ(-1, action(kFilter1Cutoff + 5)->link.linkedParam);
  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(1u, logLinesWith({"kNoSuchParam", "names an unknown parameter, no link made"}).size());
  // Outside any part the named indices are used as they are.
  EXPECT_EQ(kMultiPartStatus, action(kMultiPartLevel)->link.linkedParam);
  EXPECT_EQ(kMultiPartLevel, action(kMultiPartStatus)->link.linkedParam);
}

TEST_F(SysexControls, TemplateOutsideTheListBuildsAnUnregisteredControl)
{
  build(knob("kFilter1Cutoff", "0,0,127,0", 64));
  ControlAction* bound = action(kFilter1Cutoff);
  ASSERT_NE(nullptr, bound);
  EXPECT_TRUE(bound->messages.empty());
  EXPECT_EQ(1u, bound->boundControls.size());
  EXPECT_EQ(1u, logLinesWith({"sysexIndex 64 lies outside the 64 sysex templates"}).size());
}
} // namespace
