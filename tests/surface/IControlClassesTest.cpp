// Tests of the stock control classes: each one's geometry, mouse behaviour and drawing on the headless
// surface.
#include "SurfaceTestSupport.h"

#include <cmath>

using namespace surfacetest;

namespace
{
struct Classes : ::testing::Test
{
  Classes() { e.AddBackground(IColor(255, 0, 0, 0)); }
  template <class C> C* Attach(C* control)
  {
    e.surface->AttachControl(control);
    return control;
  }
  Editor e{16, 200, 200};
  std::vector<std::unique_ptr<LICE_IBitmap>> pixels;
  IMouseMod left{true};
};

// First and last column of rows y0..y1 - 1 that are not black, or -1.
void drawInk(const Editor& e, int y0, int y1, int* first, int* last)
{
  *first = -1;
  *last = -1;
  for (int x = 0; x < e.surface->Width(); ++x)
  {
    for (int y = y0; y < y1; ++y)
    {
      if (e.Pixel(x, y) != kBlack)
      {
        if (*first < 0)
        {
          *first = x;
        }
        *last = x;
        break;
      }
    }
  }
}
} // namespace

TEST_F(Classes, PanelFillsItsRectangleWithItsColour)
{
  IColor blue(255, 0, 0, 255);
  Attach(new IPanelControl(e.plug.get(), IRECT(10, 10, 20, 20), &blue));
  e.DrawAll();
  EXPECT_EQ(kBlue, e.Pixel(10, 10));
  EXPECT_EQ(kBlue, e.Pixel(19, 19));
  EXPECT_EQ(kBlack, e.Pixel(20, 20));
}

TEST_F(Classes, GreyedControlsDrawAtHalfWeight)
{
  IColor blue(255, 0, 0, 255);
  auto* panel = Attach(new IPanelControl(e.plug.get(), IRECT(10, 10, 20, 20), &blue));
  IBitmap strip = StripBitmap(8, 8, {kGreen}, &pixels);
  auto* bitmap = Attach(new IBitmapControl(e.plug.get(), 30, 10, -1, &strip));
  panel->GrayOut(true);
  bitmap->GrayOut(true);
  e.DrawAll();
  const LICE_pixel halfBlue = e.Pixel(15, 15);
  const LICE_pixel halfGreen = e.Pixel(33, 13);
  EXPECT_NEAR(128, LICE_GETB(halfBlue), 2);
  EXPECT_EQ(0, LICE_GETR(halfBlue));
  EXPECT_NEAR(128, LICE_GETG(halfGreen), 2);
  panel->GrayOut(false);
  bitmap->GrayOut(false);
  e.DrawAll();
  EXPECT_EQ(kBlue, e.Pixel(15, 15));
  EXPECT_EQ(kGreen, e.Pixel(33, 13));
}

TEST_F(Classes, BitmapControlDrawsTheFrameItsValueSelects)
{
  IBitmap strip = StripBitmap(8, 6, {kRed, kGreen, kBlue}, &pixels);
  auto* c = Attach(new IBitmapControl(e.plug.get(), 30, 40, -1, &strip));
  EXPECT_EQ(IRECT(30, 40, 38, 46), *c->GetRECT());
  c->SetValueFromPlug(0.0);
  e.DrawAll();
  EXPECT_EQ(kRed, e.Pixel(33, 43));
  c->SetValueFromPlug(0.76); // (int)(0.5 + 1.52) = 2: the third frame
  e.DrawAll();
  EXPECT_EQ(kBlue, e.Pixel(33, 43));
  EXPECT_EQ(kBlack, e.Pixel(33, 46));
}

TEST_F(Classes, FrameForValueRoundsAndLimitsToTheStrip)
{
  EXPECT_EQ(33, IBitmapControl::FrameForValue(0.5, 64));
  EXPECT_EQ(1, IBitmapControl::FrameForValue(0.9, 1));
  EXPECT_EQ(1, IBitmapControl::FrameForValue(-3.0, 4));
  EXPECT_EQ(4, IBitmapControl::FrameForValue(7.0, 4));
  // Values no conversion to int could hold stay defined.
  EXPECT_EQ(1, IBitmapControl::FrameForValue(std::nan(""), 4));
  EXPECT_EQ(4, IBitmapControl::FrameForValue(1.0e300, 4));
  EXPECT_EQ(1, IBitmapControl::FrameForValue(-1.0e300, 4));
}

TEST_F(Classes, SwitchStepsThroughItsFramesAndWraps)
{
  IBitmap three = StripBitmap(4, 4, {kRed, kGreen, kBlue}, &pixels);
  auto* sw = Attach(new ISwitchControl(e.plug.get(), 0, 0, 2, &three));
  e.plug->GetParam(2)->InitDouble("s", 0.0, 0.0, 1.0, 0.5);
  std::vector<double> seen;
  for (int i = 0; i < 3; ++i)
  {
    sw->OnMouseDown(1, 1, &left);
    seen.push_back(sw->GetValue());
  }
  EXPECT_EQ((std::vector<double>{0.5, 1.0, 0.0}), seen);
  EXPECT_EQ((std::vector<int>{2, 2, 2}), e.plug->changes);
  sw->OnMouseDblClick(1, 1, &left);
  EXPECT_DOUBLE_EQ(0.5, sw->GetValue());
  // The right button does not prompt on a switch.
  IMouseMod right(false, true);
  sw->DisablePrompt(false);
  sw->OnMouseDown(1, 1, &right);
  EXPECT_TRUE(e.surface->Menus().empty() && e.surface->TextEntries().empty());
  sw->GrayOut(true);
  sw->OnMouseDblClick(1, 1, &left);
  EXPECT_DOUBLE_EQ(1.0, sw->GetValue());
}

TEST_F(Classes, TwoAndOneFrameSwitchesWrapPastOne)
{
  IBitmap two = StripBitmap(4, 4, {kRed, kGreen}, &pixels);
  IBitmap one = StripBitmap(4, 4, {kRed}, &pixels);
  auto* sw2 = Attach(new ISwitchControl(e.plug.get(), 0, 0, -1, &two));
  auto* sw1 = Attach(new ISwitchControl(e.plug.get(), 10, 0, -1, &one));
  sw2->SetValueFromPlug(0.6);
  sw2->OnMouseDown(1, 1, &left);
  EXPECT_DOUBLE_EQ(0.0, sw2->GetValue());
  sw1->OnMouseDown(11, 1, &left);
  EXPECT_DOUBLE_EQ(1.0, sw1->GetValue());
  sw1->OnMouseDown(11, 1, &left);
  EXPECT_DOUBLE_EQ(0.0, sw1->GetValue());
}

TEST_F(Classes, ContactShowsPressedWhileHeldAndPushesOneThenZero)
{
  IBitmap two = StripBitmap(6, 6, {kRed, kGreen}, &pixels);
  auto* contact = Attach(new IContactControl(e.plug.get(), 50, 50, 9, &two));
  e.surface->OnMouseDown(52, 52, &left);
  EXPECT_DOUBLE_EQ(1.0, e.plug->GetParam(9)->Value());
  e.DrawAll();
  EXPECT_EQ(kGreen, e.Pixel(52, 52));
  e.surface->OnMouseUp(100, 100, &left);
  EXPECT_DOUBLE_EQ(0.0, contact->GetValue());
  EXPECT_DOUBLE_EQ(0.0, e.plug->GetParam(9)->Value());
  EXPECT_EQ((std::vector<int>{9, 9}), e.plug->changes);
  e.DrawAll();
  EXPECT_EQ(kRed, e.Pixel(52, 52));
}

TEST_F(Classes, OverlayDrawsAndTakesHitsInItsOwnRectangleOnlyWhileOn)
{
  IBitmap two = StripBitmap(10, 10, {kRed, kGreen}, &pixels);
  auto* overlay = Attach(new IBitmapOverlayControl(e.plug.get(), 100, 100, -1, &two, IRECT(0, 0, 20, 20)));
  overlay->SetValueFromPlug(0.4);
  e.DrawAll();
  EXPECT_EQ(kBlack, e.Pixel(105, 105));
  EXPECT_TRUE(overlay->IsHit(5, 5));
  EXPECT_FALSE(overlay->IsHit(105, 105));
  overlay->SetValueFromPlug(0.6);
  e.DrawAll();
  EXPECT_EQ(kGreen, e.Pixel(105, 105));
  EXPECT_FALSE(overlay->IsHit(5, 5));
  EXPECT_TRUE(overlay->IsHit(105, 105));
}

TEST_F(Classes, RadioButtonsPickTheButtonHitAndKeepTheValueBetweenButtons)
{
  IBitmap two = StripBitmap(10, 10, {kRed, kGreen}, &pixels);
  // Four buttons 10 high in 70 pixels: gaps of 10.
  auto* radio = Attach(new IRadioButtonsControl(e.plug.get(), IRECT(20, 20, 30, 90), 6, 4, &two));
  ASSERT_EQ(4, radio->NButtons());
  EXPECT_EQ(IRECT(20, 60, 30, 70), *radio->GetButtonRECT(2));
  radio->OnMouseDown(25, 65, &left);
  EXPECT_DOUBLE_EQ(2.0 / 3.0, radio->GetValue());
  EXPECT_EQ(std::vector<int>{6}, e.plug->changes);
  const double pushed = e.plug->GetParam(6)->Value();
  radio->OnMouseDown(25, 55, &left); // in the gap between the second and third button
  EXPECT_DOUBLE_EQ(2.0 / 3.0, radio->GetValue());
  EXPECT_DOUBLE_EQ(pushed, e.plug->GetParam(6)->Value());

  e.DrawAll();
  EXPECT_EQ(kGreen, e.Pixel(25, 65));
  EXPECT_EQ(kRed, e.Pixel(25, 25));
  EXPECT_EQ(kRed, e.Pixel(25, 85));
  EXPECT_EQ(kBlack, e.Pixel(25, 55));
}

TEST_F(Classes, RadioButtonsLayOutHorizontallyAndOneButtonNeedsNoDivision)
{
  IBitmap two = StripBitmap(10, 10, {kRed, kGreen}, &pixels);
  auto* row =
      Attach(new IRadioButtonsControl(e.plug.get(), IRECT(0, 100, 50, 110), -1, 3, &two, kHorizontal));
  EXPECT_EQ(IRECT(20, 100, 30, 110), *row->GetButtonRECT(1));
  EXPECT_EQ(IRECT(40, 100, 50, 110), *row->GetButtonRECT(2));

  auto* single = Attach(new IRadioButtonsControl(e.plug.get(), IRECT(100, 0, 140, 40), -1, 1, &two));
  ASSERT_EQ(1, single->NButtons());
  EXPECT_EQ(IRECT(100, 0, 110, 10), *single->GetButtonRECT(0));
  single->SetValueFromPlug(0.7);
  single->OnMouseDown(105, 5, &left);
  EXPECT_DOUBLE_EQ(0.0, single->GetValue());
  e.DrawAll();
  EXPECT_EQ(kGreen, e.Pixel(105, 5));

  // A first value from the plug-in is taken unclamped; far outside 0..1 it still lights the last button.
  auto* far =
      Attach(new IRadioButtonsControl(e.plug.get(), IRECT(0, 150, 50, 160), -1, 3, &two, kHorizontal));
  far->SetValueFromPlug(1.0e300);
  e.DrawAll();
  EXPECT_EQ(kRed, e.Pixel(5, 155));
  EXPECT_EQ(kGreen, e.Pixel(45, 155));

  auto* none = Attach(new IRadioButtonsControl(e.plug.get(), IRECT(150, 0, 160, 40), -1, 0, &two));
  EXPECT_EQ(0, none->NButtons());
  EXPECT_TRUE(none->Draw(e.surface));
}

TEST_F(Classes, VerticalFaderSnapsTheHandleCentreToThePointer)
{
  IBitmap handle = StripBitmap(10, 20, {kGreen}, &pixels);
  auto* fader = Attach(new IFaderControl(e.plug.get(), 40, 20, 100, 3, &handle));
  EXPECT_EQ(IRECT(40, 20, 50, 120), *fader->GetRECT());
  EXPECT_EQ(20, fader->GetHandleHeadroom());
  IMouseMod mod = left;
  fader->OnMouseDown(45, 30, &mod);
  EXPECT_DOUBLE_EQ(1.0, fader->GetValue());
  fader->OnMouseDown(45, 110, &mod);
  EXPECT_DOUBLE_EQ(0.0, fader->GetValue());
  fader->OnMouseDown(45, 70, &mod);
  EXPECT_DOUBLE_EQ(0.5, fader->GetValue());
  fader->OnMouseDrag(45, 50, 0, -20, &mod);
  EXPECT_DOUBLE_EQ(0.75, fader->GetValue());
  fader->OnMouseDrag(45, 0, 0, -50, &mod); // beyond the top: clamped
  EXPECT_DOUBLE_EQ(1.0, fader->GetValue());

  fader->SetValueFromPlug(0.5);
  EXPECT_EQ(IRECT(40, 60, 50, 80), fader->GetHandleRECT());
  e.DrawAll();
  EXPECT_EQ(kGreen, e.Pixel(45, 70));
  EXPECT_EQ(kBlack, e.Pixel(45, 30));
}

TEST_F(Classes, FaderWithOnlyHandleIsHitOnTheHandleAndHorizontalFadersRunRight)
{
  IBitmap handle = StripBitmap(10, 20, {kGreen}, &pixels);
  auto* fader = Attach(new IFaderControl(e.plug.get(), 0, 0, 100, -1, &handle, kVertical, true));
  fader->SetValueFromPlug(1.0);
  EXPECT_TRUE(fader->IsHit(5, 5));
  EXPECT_FALSE(fader->IsHit(5, 50));
  auto* whole = Attach(new IFaderControl(e.plug.get(), 20, 0, 100, -1, &handle));
  whole->SetValueFromPlug(1.0);
  EXPECT_TRUE(whole->IsHit(25, 50));

  auto* horizontal = Attach(new IFaderControl(e.plug.get(), 0, 150, 60, -1, &handle, kHorizontal));
  EXPECT_EQ(IRECT(0, 150, 60, 170), *horizontal->GetRECT());
  horizontal->OnMouseDown(30, 155, &left); // (30 - 0 - 5) / 50
  EXPECT_DOUBLE_EQ(0.5, horizontal->GetValue());

  // A first value far outside 0..1 (taken unclamped) moves the handle far, but stays defined.
  auto* wild = Attach(new IFaderControl(e.plug.get(), 150, 0, 100, -1, &handle));
  wild->SetValueFromPlug(-1.0e300);
  EXPECT_EQ(1000000, wild->GetHandleRECT().T);
  EXPECT_EQ(0, wild->GetHandleRECT(std::nan("")).T - wild->GetRECT()->T);
  e.DrawAll();

  // A handle as long as the travel leaves the value alone instead of dividing by zero.
  auto* stuck = Attach(new IFaderControl(e.plug.get(), 100, 0, 20, -1, &handle));
  stuck->SetValueFromPlug(0.25);
  stuck->OnMouseDown(105, 5, &left);
  EXPECT_DOUBLE_EQ(0.25, stuck->GetValue());
}

TEST_F(Classes, KnobGearingScalesTheDragAndModifiersMakeItTenTimesFiner)
{
  e.plug->GetParam(8)->InitDouble("k", 0.0, 0.0, 1.0, 0.001);
  IBitmap knobStrip = StripBitmap(40, 40, {kRed, kGreen, kBlue}, &pixels);
  auto* k = Attach(new IKnobMultiControl(e.plug.get(), 50, 100, 8, &knobStrip));
  EXPECT_EQ(IRECT(50, 100, 90, 140), *k->GetRECT());
  k->SetValueFromPlug(0.5);
  e.surface->OnMouseDown(60, 110, &left);
  e.surface->OnMouseDrag(60, 94, &left); // up by 16 pixels
  EXPECT_NEAR(0.6, k->GetValue(), 1e-12);
  IMouseMod shift(true, false, true);
  e.surface->OnMouseDrag(60, 78, &shift);
  EXPECT_NEAR(0.61, k->GetValue(), 1e-12);
  e.surface->OnMouseUp(60, 78, &left);
  EXPECT_NEAR(0.61, e.plug->GetParam(8)->GetNormalized(), 1e-12);

  k->SetValueFromPlug(0.5);
  e.DrawAll();
  EXPECT_EQ(kGreen, e.Pixel(70, 120)); // three frames at 0.5: the middle one
}

TEST_F(Classes, HorizontalKnobAndGreyedKnobAndDegenerateKnob)
{
  auto* knob = Attach(new IKnobMultiControl(e.plug.get(), 0, 0, -1, nullptr, kHorizontal, 2.0));
  EXPECT_TRUE(knob->GetRECT()->Empty() || knob->GetRECT()->W() == 0);
  knob->SetValueFromPlug(0.5);
  knob->OnMouseDrag(0, 0, 10, 0, &left); // no width: nothing to turn by
  EXPECT_DOUBLE_EQ(0.5, knob->GetValue());

  IBitmap strip = StripBitmap(50, 10, {kRed}, &pixels);
  auto* wide = Attach(new IKnobMultiControl(e.plug.get(), 0, 50, -1, &strip, kHorizontal, 2.0));
  wide->SetValueFromPlug(0.5);
  wide->OnMouseDrag(0, 0, 10, 0, &left); // 10 / 50 / 2
  EXPECT_NEAR(0.6, wide->GetValue(), 1e-12);
  wide->GrayOut(true);
  wide->OnMouseDrag(0, 0, 10, 0, &left);
  EXPECT_NEAR(0.6, wide->GetValue(), 1e-12);
}

TEST_F(Classes, TextControlDrawsItsTextAndIgnoresAnEqualText)
{
  IColor white(255, 255, 255, 255);
  IText style(14, &white);
  auto* text = Attach(new ITextControl(e.plug.get(), IRECT(0, 150, 200, 180), &style, "HELLO"));
  e.DrawAll();
  int first = -1, last = -1;
  drawInk(e, 150, 180, &first, &last);
  EXPECT_GE(first, 0);

  text->SetClean();
  text->SetTextFromPlug("HELLO");
  EXPECT_FALSE(text->IsDirty());
  text->SetTextFromPlug("");
  EXPECT_TRUE(text->IsDirty());
  e.DrawAll();
  drawInk(e, 150, 180, &first, &last);
  EXPECT_EQ(-1, first);
}

TEST_F(Classes, CaptionShowsTheValueWithItsLabelAndPromptsWhenAllowed)
{
  IParam* p = e.plug->GetParam(11);
  p->InitDouble("Freq", 440.0, 0.0, 20000.0, 1.0, "Hz");
  IText style;
  auto* caption = Attach(new ICaptionControl(e.plug.get(), IRECT(0, 0, 100, 20), 11, &style, true));
  auto* bare = Attach(new ICaptionControl(e.plug.get(), IRECT(0, 20, 100, 40), 11, &style, false));
  e.DrawAll();
  EXPECT_STREQ("440 Hz", caption->GetTextStr());
  EXPECT_STREQ("440", bare->GetTextStr());

  caption->OnMouseDown(5, 5, &left);
  EXPECT_TRUE(e.surface->TextEntries().empty()); // prompting is off by default
  caption->DisablePrompt(false);
  e.surface->QueueTextEntry("1000");
  caption->OnMouseDown(5, 5, &left);
  ASSERT_EQ(1u, e.surface->TextEntries().size());
  EXPECT_EQ("440", e.surface->TextEntries()[0].prefill);
  EXPECT_DOUBLE_EQ(1000.0, p->Value());
  e.DrawAll();
  EXPECT_STREQ("1000 Hz", caption->GetTextStr());
  caption->OnMouseDblClick(5, 5, &left);
  EXPECT_EQ(2u, e.surface->TextEntries().size());
}
