// Tests of the plain control factories and the plain drop-downs: displays, name fields, radio buttons,
// switches, the multi-effect knob and menus, the MIDI port selectors and the value-list menus.
#include "WalkerTestSupport.h"

#include "ICustomRadioButtonsControl.h"
#include "ParamIndex.h"

using namespace walkertest;

namespace
{
class PlainControls : public WalkerFixture
{
protected:
  void beforeWalk() override
  {
    addStandardImages();
    addImage("STACKED", 91010, 200, 40, 2, false);
    addImage("SIDE", 91011, 200, 40, 2, true);
    if (!samples.empty())
      manager.setSampleNames(samples);
  }

  std::vector<std::string> samples;
};

std::string display(const std::string& ref, int white)
{
  return "<display paramId=\"" + ref + "\" bounds=\"10,20,100,17\" white=\"" + std::to_string(white) + "\"/>";
}

TEST_F(PlainControls, DisplayIsATextControlBoundThroughItsAction)
{
  build("<layer name=\"l\">" + display("kControlDisplayName", 0) + display("kControlDisplayName", 1) +
        "</layer>" + display("kControlDisplayBuild", 0) + display("kControlDisplayValue", 1));
  ControlAction* bound = action(kControlDisplayName);
  ASSERT_EQ(2u, bound->boundControls.size());
  IControl* text = bound->boundControls[0];
  EXPECT_NE(nullptr, dynamic_cast<ITextControl*>(text));
  EXPECT_EQ(nullptr, dynamic_cast<ICaptionControl*>(text));
  EXPECT_EQ(-1, text->ParamIdx());
  EXPECT_TRUE(text->PromptDisabled());
  EXPECT_EQ(kActionNoMidi, bound->type);
  EXPECT_EQ(IRECT(10, 20, 110, 37), *text->GetRECT());
  EXPECT_EQ(17, text->GetText()->mSize);
  // Light skin: white, or yellow with white set.
  EXPECT_EQ(IColor(255, 255, 255, 255), text->GetText()->mColor);
  EXPECT_EQ(IColor(255, 241, 243, 33), bound->boundControls[1]->GetText()->mColor);
  // The parameter itself is not initialised here.
  EXPECT_EQ(IParam::kTypeNone, param(kControlDisplayName)->Type());
  EXPECT_EQ(layer("l")->mControls[0], text);
}

TEST_F(PlainControls, DarkDisplaysAreBlackExceptTheBuildDisplay)
{
  build(display("kControlDisplayName", 1) + display("kControlDisplayBuild", 0), "", 1);
  EXPECT_EQ(IColor(255, 0, 0, 0), lastControl(kControlDisplayName)->GetText()->mColor);
  EXPECT_EQ(IColor(255, 241, 243, 33), lastControl(kControlDisplayBuild)->GetText()->mColor);
}

TEST_F(PlainControls, SwitchesStartAsTheyShould)
{
  build("<switch name=\"On\" paramId=\"kFilter1Cutoff\" imageId=\"SWITCH\" paramGroup=\"G\" position=\"3,4\" "
        "valueBounds=\"2,0,1\"/>"
        "<autooff name=\"Push\" paramId=\"kMainTab\" imageId=\"SWITCH\" position=\"5,6\"/>"
        "<multilayer name=\"p\" create=\"2\"><switch name=\"Lock\" paramId=\"kOscillator1Octave\" "
        "imageId=\"SWITCH\" "
        "position=\"1,1\" valueBounds=\"0,0,1\"/></multilayer>");
  EXPECT_EQ(IParam::kTypeBool, param(kFilter1Cutoff)->Type());
  EXPECT_EQ(1.0, param(kFilter1Cutoff)->GetDefault());
  EXPECT_STREQ("G", param(kFilter1Cutoff)->GetGroup());
  IControl* toggle = lastControl(kFilter1Cutoff);
  EXPECT_NE(nullptr, dynamic_cast<ISwitchControl*>(toggle));
  EXPECT_EQ(nullptr, dynamic_cast<IContactControl*>(toggle));
  EXPECT_EQ(IRECT(3, 4, 23, 14), *toggle->GetRECT());

  EXPECT_EQ(0.0, param(kMainTab)->GetDefault());
  EXPECT_NE(nullptr, dynamic_cast<IContactControl*>(lastControl(kMainTab)));
  EXPECT_EQ(kActionNoMidi, action(kMainTab)->type);
  // Plain factories add no part prefix to the name.
  EXPECT_STREQ("Lock", param(kOscillator1Octave + 1)->GetName());
  EXPECT_STREQ("Part 2", param(kOscillator1Octave + 1)->GetGroup());
}

TEST_F(PlainControls, AutoOffSwitchOfTheConstructor)
{
  build("<layer name=\"PROGRESS\"/>");
  IControl* cancel = manager.createAutoOffSwitchControl("Cancel Data Request", kCancelDataRequest, 835, 457,
                                                        "SWITCH", 0, layer("PROGRESS"), "Global");
  ASSERT_NE(nullptr, cancel);
  EXPECT_NE(nullptr, dynamic_cast<IContactControl*>(cancel));
  EXPECT_EQ(layer("PROGRESS")->mControls[0], cancel);
  EXPECT_STREQ("Part 1:Global", param(kCancelDataRequest)->GetGroup());
  EXPECT_EQ(cancel, lastControl(kCancelDataRequest));
  EXPECT_EQ(nullptr, manager.createAutoOffSwitchControl("X", -1, 0, 0, "SWITCH", 0, nullptr, ""));
}

TEST_F(PlainControls, RadioFollowsTheStripLayout)
{
  build("<radio name=\"Tabs\" paramId=\"kMainTab\" imageId=\"STACKED\" position=\"7,8\" buttons=\"4\" "
        "horizontal=\"0\"/><radio name=\"Side\" paramId=\"kFilter1Cutoff\" imageId=\"SIDE\" position=\"7,8\" "
        "buttons=\"4\" horizontal=\"1\"/>");
  auto* stacked = dynamic_cast<ICustomRadioButtonsControl*>(lastControl(kMainTab));
  ASSERT_NE(nullptr, stacked);
  EXPECT_EQ(IRECT(7, 8, 207, 28), *stacked->GetRECT());
  EXPECT_EQ(4, stacked->NButtons());
  // Side by side buttons: each a quarter of the width.
  EXPECT_EQ(stacked->GetButtonRECT(0)->T, stacked->GetButtonRECT(3)->T);
  EXPECT_EQ(IParam::kTypeEnum, param(kMainTab)->Type());
  EXPECT_EQ(3.0, param(kMainTab)->GetMax());

  auto* side = dynamic_cast<ICustomRadioButtonsControl*>(lastControl(kFilter1Cutoff));
  ASSERT_NE(nullptr, side);
  EXPECT_EQ(IRECT(7, 8, 107, 48), *side->GetRECT());
  EXPECT_EQ(side->GetButtonRECT(0)->L, side->GetButtonRECT(3)->L);
}

TEST_F(PlainControls, TextCaptionShowsDashesAndOpensNothing)
{
  build("<dropMenu type=\"textSelection\" name=\"Cat\" paramId=\"kMainTab\" bounds=\"1,2,60,13\"/>");
  IParam* caption = param(kMainTab);
  EXPECT_EQ(IParam::kTypeEnum, caption->Type());
  EXPECT_EQ(1, caption->GetNDisplayTexts());
  EXPECT_STREQ("----", caption->GetDisplayText(0));
  IControl* control = lastControl(kMainTab);
  EXPECT_NE(nullptr, dynamic_cast<ICaptionControl*>(control));
  EXPECT_TRUE(control->PromptDisabled());
  EXPECT_EQ(IColor(255, 200, 200, 200), control->GetText()->mColor);
}

TEST_F(PlainControls, ValueListMenuNeedsItsWholeList)
{
  const std::string lists =
      "<list name=\"sizes\"><value>small</value><value>normal</value><value>large</value>"
      "</list><list name=\"two\"><value>a</value><value>b</value></list>";
  build("<dropMenu type=\"dropSelection\" name=\"Size\" paramId=\"kUserInterfaceSize\" bounds=\"1,2,60,13\" "
        "valueBounds=\"1,0,3\" valueList=\"sizes\"/>"
        "<dropMenu type=\"dropSelection\" name=\"Bad\" paramId=\"kMainTab\" bounds=\"1,2,60,13\" "
        "valueBounds=\"0,0,3\" valueList=\"two\"/>",
        lists);
  EXPECT_STREQ("large", param(kUserInterfaceSize)->GetDisplayText(2));
  EXPECT_EQ(1.0, param(kUserInterfaceSize)->GetDefault());
  IControl* control = lastControl(kUserInterfaceSize);
  EXPECT_FALSE(control->PromptDisabled());
  EXPECT_EQ(IColor(255, 255, 173, 0), control->GetText()->mColor);

  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(IParam::kTypeEnum, param(kMainTab)->Type());
  EXPECT_EQ(2.0, param(kMainTab)->GetMax());
  EXPECT_EQ(1u,
            logLinesWith({"menu Bad", "value list holds 2 texts for 3 entries, no control built"}).size());
}

TEST_F(PlainControls, PortSelectorsListOffFirstOnTheSurface)
{
  build("<layer name=\"setup\"><dropMenu type=\"deviceSelection\" name=\"MIDI Setup\" "
        "paramId=\"kDeviceOutSelection\" "
        "paramGroup=\"Setup\" bounds=\"842,46,150,14\" inputDev=\"0,0\"/>"
        "<dropMenu type=\"deviceSelection\" name=\"MIDI Setup\" paramId=\"kDeviceInSelection\" "
        "bounds=\"842,70,150,14\" inputDev=\"1,0\"/></layer>");
  IParam* out = param(kDeviceOutSelection);
  EXPECT_STREQ("Device Selection", out->GetName());
  EXPECT_STREQ("", out->GetGroup());
  ASSERT_EQ(3, out->GetNDisplayTexts());
  EXPECT_STREQ("OFF", out->GetDisplayText(0));
  EXPECT_STREQ("Blofeld Out", out->GetDisplayText(1));
  EXPECT_STREQ("Thru", out->GetDisplayText(2));
  IParam* in = param(kDeviceInSelection);
  ASSERT_EQ(2, in->GetNDisplayTexts());
  EXPECT_STREQ("OFF", in->GetDisplayText(0));
  EXPECT_STREQ("Blofeld In", in->GetDisplayText(1));
  EXPECT_EQ(1.0, in->GetMax());
  // On the surface's own list, not in the layer.
  EXPECT_TRUE(layer("setup")->mControls.empty());
  ASSERT_EQ(2, surface->NControls());
  EXPECT_EQ(lastControl(kDeviceOutSelection), surface->GetControl(0));
  EXPECT_EQ(IColor(255, 0, 174, 255), surface->GetControl(0)->GetText()->mColor);
  EXPECT_FALSE(surface->GetControl(0)->PromptDisabled());
}

TEST_F(PlainControls, NameFieldsStartWithTheirInitialName)
{
  build("<multilayer name=\"p\" create=\"4\"><dropMenu type=\"nameSelection\" name=\"Name\" "
        "paramId=\"kPatchName\" "
        "bounds=\"92,278,130,13\" nameLen=\"16\"/></multilayer>"
        "<dropMenu type=\"nameSelection\" name=\"Rename\" paramId=\"kPatchRename\" bounds=\"1,2,100,13\" "
        "nameLen=\"12\"/>"
        "<dropMenu type=\"nameSelection\" name=\"Search\" paramId=\"kPatchSearchString\" "
        "bounds=\"1,2,100,13\"/>"
        "<dropMenu type=\"nameSelection\" name=\"Multi\" paramId=\"kMultiName\" bounds=\"1,2,100,13\"/>"
        "<dropMenu type=\"nameSelection\" name=\"Other\" paramId=\"kMainTab\" bounds=\"1,2,100,13\"/>");
  EXPECT_STREQ("-- INIT --", param(kPatchName + 3)->GetDisplayText(0));
  EXPECT_EQ(IParam::kTypeText, param(kPatchName + 3)->Type());
  EXPECT_EQ(IColor(255, 187, 187, 187), lastControl(kPatchName + 3)->GetText()->mColor);
  EXPECT_EQ(16, lastControl(kPatchName + 3)->GetTextEntryLength());
  EXPECT_STREQ("New Name", param(kPatchRename)->GetDisplayText(0));
  EXPECT_EQ(IColor(255, 225, 225, 225), lastControl(kPatchRename)->GetText()->mColor);
  EXPECT_EQ(12, lastControl(kPatchRename)->GetTextEntryLength());
  EXPECT_FALSE(lastControl(kPatchRename)->PromptDisabled());
  EXPECT_STREQ("search...", param(kPatchSearchString)->GetDisplayText(0));
  EXPECT_EQ(IColor(255, 225, 225, 225), lastControl(kPatchSearchString)->GetText()->mColor);
  EXPECT_STREQ("Init Multi", param(kMultiName)->GetDisplayText(0));
  EXPECT_STREQ("INIT", param(kMainTab)->GetDisplayText(0));
}

// A numbered menu; extra holds "visible" and the other attributes the case needs.
std::string numberedMenu(const std::string& ref, const std::string& bounds, std::string extra)
{
  if (extra.find("visible") == std::string::npos)
    extra += " visible=\"1,0\"";
  return "<multiFx type=\"Menu\" name=\"N\" paramId=\"" + ref + "\" position=\"10,20,30,13\" valueBounds=\"" +
         bounds + "\" " + extra + "/>";
}

TEST_F(PlainControls, NumberedMenusPadProgramsAndNameSamples)
{
  std::string twelve = "<list name=\"twelve\">";
  for (int k = 0; k < 12; ++k)
    twelve += "<value>t" + std::to_string(k) + "</value>";
  twelve += "</list>";
  build(numberedMenu("kMultiPatch", "0,0,128", "valueDisplay=\"1:128\"") +
            numberedMenu("kOscillator1Sample+1", "0,0,4", "valueDisplay=\"1:4\"") +
            numberedMenu("kFilter1Cutoff", "0,0,12", "valueDisplay=\"0:11\"") +
            numberedMenu("kMainTab", "0,0,12", "valueDisplay=\"0:11\" valueList=\"twelve\"") +
            numberedMenu("kOscillator1Semitone", "0,0,12", "") +
            numberedMenu("kMultiPartPatch+4", "0,0,3", "valueDisplay=\"9:11\" visible=\"0,0\""),
        twelve);
  IParam* program = param(kMultiPatch);
  EXPECT_STREQ("001", program->GetDisplayText(0));
  EXPECT_STREQ("009", program->GetDisplayText(8));
  EXPECT_STREQ("010", program->GetDisplayText(9));
  EXPECT_STREQ("099", program->GetDisplayText(98));
  EXPECT_STREQ("100", program->GetDisplayText(99));
  EXPECT_STREQ("128", program->GetDisplayText(127));
  EXPECT_STREQ("Sample A1", param(kOscillator1Sample + 1)->GetDisplayText(0));
  EXPECT_STREQ("Sample A4", param(kOscillator1Sample + 1)->GetDisplayText(3));
  EXPECT_STREQ("0", param(kFilter1Cutoff)->GetDisplayText(0));
  EXPECT_STREQ("11", param(kFilter1Cutoff)->GetDisplayText(11));
  EXPECT_STREQ("t5", param(kMainTab)->GetDisplayText(5));

  // Numbered menus have no control action; the control sits in the surface's list.
  EXPECT_EQ(nullptr, action(kMultiPatch));
  EXPECT_EQ(5, surface->NControls());
  EXPECT_EQ(IColor(255, 255, 173, 0), surface->GetControl(0)->GetText()->mColor);
  EXPECT_FALSE(surface->GetControl(0)->PromptDisabled());
  // No list and no display range: no control.
  EXPECT_EQ(IParam::kTypeEnum, param(kOscillator1Semitone)->Type());
  EXPECT_EQ(1u, logLinesWith({"no value list of 12 texts and no display range"}).size());
  // visible other than 1: a transparent text over a working click area.
  IControl* hidden = surface->GetControl(4);
  EXPECT_EQ(kMultiPartPatch + 4, hidden->ParamIdx());
  EXPECT_EQ(IColor(0, 255, 173, 0), hidden->GetText()->mColor);
  EXPECT_STREQ("009", param(kMultiPartPatch + 4)->GetDisplayText(0));
}

TEST_F(PlainControls, NumberedMenuWithoutEntriesNeedsAMatchingListOrARange)
{
  const std::string lists = "<list name=\"two\"><value>a</value><value>b</value></list>";
  build(numberedMenu("kFilter1Cutoff", "0,5,5", "valueList=\"two\"") +
            numberedMenu("kMainTab", "0,5,5", "valueList=\"two\" valueDisplay=\"1:2\"") +
            numberedMenu("kOscillator1Semitone", "0,5,5", ""),
        lists);
  // No entries: a list of two matches nothing, so without a display range there is no control.
  EXPECT_EQ(0, param(kFilter1Cutoff)->GetNDisplayTexts());
  EXPECT_EQ(1u,
            logLinesWith({"(parameter " + std::to_string(kFilter1Cutoff) + ")", "no control built"}).size());
  // With a range, or with the empty list that matches no entries, the control is built without texts.
  ASSERT_EQ(2, surface->NControls());
  EXPECT_EQ(kMainTab, surface->GetControl(0)->ParamIdx());
  EXPECT_EQ(0, param(kMainTab)->GetNDisplayTexts());
  EXPECT_EQ(kOscillator1Semitone, surface->GetControl(1)->ParamIdx());
}

TEST_F(PlainControls, SampleMenusUseTheSampleNames)
{
  samples = {"Kick", "Snare", "Hat"};
  build(numberedMenu("kOscillator2Sample+3", "0,0,4", "valueDisplay=\"1:4\"") +
        numberedMenu("kFilter1Cutoff", "0,0,2", "valueDisplay=\"1:2\" white=\"1\""));
  EXPECT_STREQ("Kick", param(kOscillator2Sample + 3)->GetDisplayText(0));
  EXPECT_STREQ("Hat", param(kOscillator2Sample + 3)->GetDisplayText(2));
  // Beyond the names the entry keeps its numbered text.
  EXPECT_STREQ("Sample A4", param(kOscillator2Sample + 3)->GetDisplayText(3));
  EXPECT_EQ(IColor(255, 255, 255, 255), surface->GetControl(1)->GetText()->mColor);
}

TEST_F(PlainControls, MultiFxKnobHasNoAction)
{
  build("<multiFx type=\"Knob\" name=\"Mix\" paramId=\"kFilter1Cutoff\" imageId=\"KNOB\" position=\"4,5\" "
        "valueBounds=\"0,-12,12,5\"/>");
  IParam* knob = param(kFilter1Cutoff);
  EXPECT_EQ(-12.0, knob->GetMin());
  EXPECT_EQ(12.0, knob->GetMax());
  EXPECT_EQ(0.0, knob->GetDefault());
  EXPECT_EQ(1.0, knob->GetStep());
  EXPECT_EQ(nullptr, action(kFilter1Cutoff));
  ASSERT_EQ(1, surface->NControls());
  EXPECT_NE(nullptr, dynamic_cast<IKnobMultiControl*>(surface->GetControl(0)));
  EXPECT_EQ(IRECT(4, 5, 34, 35), *surface->GetControl(0)->GetRECT());
}
} // namespace
