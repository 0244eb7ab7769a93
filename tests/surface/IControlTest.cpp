// Tests of the control base: the three value roads, clamping, default, wheel, grey state and display
// controls.
#include "SurfaceTestSupport.h"

using namespace surfacetest;

TEST(IControl, FirstPlugValueBecomesTheDefaultWithoutMarkingAndDoubleClickRestoresIt)
{
  Editor e;
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 3);
  e.surface->AttachControl(c);
  c->SetClean();
  c->SetValueFromPlug(0.7);
  EXPECT_DOUBLE_EQ(0.7, c->GetValue());
  EXPECT_DOUBLE_EQ(0.7, c->GetDefaultValue());
  EXPECT_FALSE(c->IsDirty());
  EXPECT_FALSE(c->RedrawRequested());

  c->SetValueFromPlug(0.2);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_TRUE(c->RedrawRequested());
  EXPECT_DOUBLE_EQ(0.7, c->GetDefaultValue());
  EXPECT_TRUE(e.plug->changes.empty());

  IMouseMod mod(true);
  c->OnMouseDblClick(5, 5, &mod);
  EXPECT_DOUBLE_EQ(0.7, c->GetValue());
  EXPECT_EQ(std::vector<int>{3}, e.plug->changes);
}

TEST(IControl, AnEqualValueChangesNothingOnAnyRoad)
{
  Editor e;
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 3);
  e.surface->AttachControl(c);
  c->SetValueFromPlug(0.4);
  c->SetClean();
  c->SetValueFromPlug(0.4);
  c->SetValueFromHardware(0.4);
  c->SetValueFromUserInput(0.4);
  EXPECT_FALSE(c->IsDirty());
  EXPECT_FALSE(c->RedrawRequested());
  EXPECT_TRUE(e.plug->changes.empty());
  EXPECT_TRUE(e.plug->changes2.empty());
}

TEST(IControl, HardwareRoadEndsInTheSecondHandlerAndUserRoadInTheFirst)
{
  Editor e;
  e.plug->GetParam(5)->InitDouble("level", 0.0, 0.0, 1.0, 0.01);
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 5);
  e.surface->AttachControl(c);
  c->SetValueFromPlug(0.0);
  c->SetValueFromHardware(0.3);
  EXPECT_EQ(std::vector<int>{5}, e.plug->changes2);
  EXPECT_TRUE(e.plug->changes.empty());
  EXPECT_DOUBLE_EQ(0.3, e.plug->GetParam(5)->GetNormalized());

  // Values are clamped to the bounds before they are pushed.
  c->SetValueFromUserInput(1.4);
  EXPECT_DOUBLE_EQ(1.0, c->GetValue());
  EXPECT_DOUBLE_EQ(1.0, e.plug->GetParam(5)->Value());
  EXPECT_EQ(std::vector<int>{5}, e.plug->changes);
  EXPECT_DOUBLE_EQ(0.0, c->GetDefaultValue());

  c->Clamp(0.2, 0.6);
  c->SetValueFromUserInput(0.1);
  EXPECT_DOUBLE_EQ(0.2, c->GetValue());
}

TEST(IControl, ControlWithoutParameterOrPluginNeverPushes)
{
  IControl* loose = new ProbeControl(nullptr, IRECT(0, 0, 5, 5), 2);
  loose->SetValueFromUserInput(0.5);
  loose->SetValueFromHardware(0.9);
  loose->PromptUserInput();
  EXPECT_DOUBLE_EQ(0.9, loose->GetValue());
  delete loose;

  Editor e;
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 5, 5));
  e.surface->AttachControl(c);
  c->SetValueFromUserInput(0.5);
  EXPECT_TRUE(e.plug->changes.empty());
}

TEST(IControl, WheelStepsFineWithShiftOrControl)
{
  Editor e;
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 5, 5));
  IMouseMod shift(false, false, true);
  IMouseMod control(false, false, false, true);
  IMouseMod plain;
  c->OnMouseWheel(0, 0, &shift, 3);
  EXPECT_NEAR(0.003, c->GetValue(), 1e-12);
  c->OnMouseWheel(0, 0, &control, 1);
  EXPECT_NEAR(0.004, c->GetValue(), 1e-12);
  c->OnMouseWheel(0, 0, &plain, 3);
  EXPECT_NEAR(0.034, c->GetValue(), 1e-12);
  c->OnMouseWheel(0, 0, &plain, -10);
  EXPECT_DOUBLE_EQ(0.0, c->GetValue());
  delete c;
}

TEST(IControl, GreyedControlIgnoresClicksButFollowsThePlugin)
{
  Editor e;
  e.plug->GetParam(1)->InitEnum("mode", 0, 2);
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 1);
  c->DisablePrompt(false);
  e.surface->AttachControl(c);
  c->SetValueFromPlug(0.5);
  c->GrayOut(true);
  EXPECT_FLOAT_EQ(0.5f, c->GetBlend()->mWeight);
  IMouseMod right(false, true);
  c->OnMouseDown(5, 5, &right);
  c->OnMouseDblClick(5, 5, &right);
  EXPECT_TRUE(e.surface->TextEntries().empty());
  EXPECT_TRUE(e.surface->Menus().empty());
  EXPECT_TRUE(e.plug->changes.empty());

  c->SetClean();
  c->SetValueFromPlug(0.9);
  EXPECT_TRUE(c->IsDirty());
  c->GrayOut(false);
  EXPECT_FLOAT_EQ(1.0f, c->GetBlend()->mWeight);
}

TEST(IControl, DisplayControlsFollowTheParameterAndAreMarkedOnlyWhenTheirTextChanges)
{
  Editor e;
  IParam* p = e.plug->GetParam(4);
  p->InitEnum("Cutoff", 0, 128);
  auto* value = new ITextControl(e.plug.get(), IRECT(0, 0, 50, 10), nullptr, "");
  auto* name = new ITextControl(e.plug.get(), IRECT(0, 10, 50, 20), nullptr, "");
  auto* knob = new ProbeControl(e.plug.get(), IRECT(0, 20, 10, 30), 4);
  knob->SetValDisplayControl(value);
  knob->SetNameDisplayControl(name);
  e.surface->AttachControl(value);
  e.surface->AttachControl(name);
  e.surface->AttachControl(knob);
  knob->SetValueFromPlug(0.0);

  knob->SetValueFromUserInput(64.0 / 127.0);
  EXPECT_STREQ("64", value->GetTextStr());
  EXPECT_STREQ("Cutoff", name->GetTextStr());

  value->SetClean();
  name->SetClean();
  knob->SetValueFromUserInput(64.2 / 127.0); // the parameter rounds to the same step
  EXPECT_STREQ("64", value->GetTextStr());
  EXPECT_FALSE(value->IsDirty());
  EXPECT_FALSE(name->IsDirty());

  knob->SetValueFromHardware(1.0);
  EXPECT_STREQ("127", value->GetTextStr());
  EXPECT_TRUE(value->IsDirty());

  // Only text controls can display.
  knob->SetValDisplayControl(knob);
  EXPECT_EQ(nullptr, knob->GetValDisplayControl());
}

TEST(IControl, HitRectangleExcludesRightAndBottomEdgesAndTheEmptyRectangleHoldsNothing)
{
  ProbeControl c(nullptr, IRECT(10, 20, 30, 40));
  EXPECT_TRUE(c.IsHit(10, 20));
  EXPECT_TRUE(c.IsHit(29, 39));
  EXPECT_FALSE(c.IsHit(30, 25));
  EXPECT_FALSE(c.IsHit(15, 40));
  c.SetTargetArea(IRECT(0, 0, 0, 0));
  EXPECT_FALSE(c.IsHit(0, 0));
}

TEST(IControl, RedrawKeepsTheControlDirtyForOneMoreFrame)
{
  ProbeControl c(nullptr, IRECT(0, 0, 5, 5));
  c.SetClean();
  EXPECT_FALSE(c.IsDirty());
  c.SetDirty(false);
  c.Redraw();
  c.SetClean();
  EXPECT_TRUE(c.IsDirty());
  c.SetClean();
  EXPECT_FALSE(c.IsDirty());
}

TEST(IControl, AuxiliaryParametersAreFoundByIndexAndMarkOnlyOnChange)
{
  ProbeControl c(nullptr, IRECT(0, 0, 5, 5), 1);
  c.AddAuxParam(10);
  c.AddAuxParam(11);
  c.AddAuxParam(10);
  EXPECT_EQ(0, c.AuxParamIdx(10));
  EXPECT_EQ(1, c.AuxParamIdx(11));
  EXPECT_EQ(-1, c.AuxParamIdx(1));
  c.SetClean();
  c.SetAuxParamValueFromPlug(1, 0.0); // any first value counts as a change
  EXPECT_TRUE(c.IsDirty());
  EXPECT_DOUBLE_EQ(0.0, c.GetAuxParam(1)->mValue);
  c.SetClean();
  c.SetClean();
  c.SetAuxParamValueFromPlug(1, 0.0);
  EXPECT_FALSE(c.IsDirty());
  c.SetAuxParamValueFromPlug(5, 0.3); // no such entry: ignored
  EXPECT_EQ(nullptr, c.GetAuxParam(5));
}
