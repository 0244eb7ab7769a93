// Tests of the surface: attaching, dirty collection, drawing order, event routing with capture, prompts,
// pushes.
#include "SurfaceTestSupport.h"

using namespace surfacetest;

namespace
{
IMouseMod LeftButton()
{
  return IMouseMod(true, false);
}

IMouseMod RightButton()
{
  return IMouseMod(false, true);
}

// Draws what is dirty and clears every flag, so that a test starts from a clean surface.
void Settle(Editor& e)
{
  while (e.surface->Tick())
  {
  }
}
} // namespace

TEST(IGraphicsSurface, BackgroundAttachedLastBecomesIndexZeroAndShiftsTheOthers)
{
  Editor e;
  std::vector<IControl*> attached;
  for (int i = 0; i < 10; ++i)
  {
    auto* c = new ProbeControl(e.plug.get(), IRECT(i, 0, i + 1, 1));
    EXPECT_EQ(i, e.surface->AttachControl(c));
    attached.push_back(c);
  }
  e.surface->AddBitmapResource("bg.png", new LICE_MemBitmap(30, 20));
  e.surface->AttachBackground(9001, "bg.png", 1.0);

  ASSERT_EQ(11, e.surface->NControls());
  const IRECT* bg = e.surface->GetControl(0)->GetRECT();
  EXPECT_EQ(IRECT(0, 0, 30, 20), *bg);
  EXPECT_EQ(kBlendClobber, e.surface->GetControl(0)->GetBlend()->mMethod);
  for (int i = 0; i < 10; ++i)
  {
    EXPECT_EQ(attached[static_cast<size_t>(i)], e.surface->GetControl(i + 1));
  }
}

TEST(IGraphicsSurface, DirtyAreaIsTheUnionOfDirtyControlsAndTheBackgroundIsNeverAsked)
{
  Editor e;
  e.AddBackground();
  auto* a = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20));
  auto* b = new ProbeControl(e.plug.get(), IRECT(50, 5, 60, 30));
  e.surface->AttachControl(a);
  e.surface->AttachControl(b);
  Settle(e);

  // A dirty background alone produces no redraw.
  e.surface->GetControl(0)->SetDirty(false);
  IRECT r;
  EXPECT_FALSE(e.surface->IsDirty(&r));
  EXPECT_TRUE(r.Empty());

  a->SetDirty(false);
  b->SetDirty(false);
  EXPECT_TRUE(e.surface->IsDirty(&r));
  EXPECT_EQ(IRECT(10, 5, 60, 30), r);
}

TEST(IGraphicsSurface, HiddenControlIsNotDrawnNorHitButIsCleanedAndMayStillReportDirt)
{
  Editor e;
  e.AddBackground();
  auto* hidden = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20));
  e.surface->AttachControl(hidden);
  hidden->Hide(true);
  e.DrawAll(); // Hide asks for one more frame
  e.DrawAll();
  EXPECT_EQ(0, hidden->draws);
  EXPECT_FALSE(hidden->IsDirty());
  EXPECT_EQ(e.surface->GetControl(0), e.surface->HitTest(15, 15)); // the background below it

  hidden->SetDirty(false);
  IRECT r;
  EXPECT_FALSE(e.surface->IsDirty(&r));
  hidden->SetIgnoreHidden(true);
  EXPECT_TRUE(e.surface->IsDirty(&r));
  EXPECT_EQ(IRECT(10, 10, 20, 20), r);
}

TEST(IGraphicsSurface, IdleTickDrawsNothingUntilAControlChanges)
{
  Editor e;
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20), 3);
  e.surface->AttachControl(c);
  e.surface->SetParameterFromPlug(3, 0.1, true); // the first value only sets the default
  Settle(e);
  const int updates = e.surface->ScreenUpdates();
  const int draws = c->draws;
  EXPECT_FALSE(e.surface->Tick());
  EXPECT_EQ(updates, e.surface->ScreenUpdates());

  e.surface->SetParameterFromPlug(3, 0.25, true);
  EXPECT_TRUE(e.surface->Tick());
  EXPECT_EQ(IRECT(10, 10, 20, 20), e.surface->LastScreenArea());
  // The plug road asks for one more frame, so the control draws twice, then the surface is idle again.
  EXPECT_TRUE(e.surface->Tick());
  EXPECT_FALSE(e.surface->Tick());
  EXPECT_EQ(draws + 2, c->draws);
}

TEST(IGraphicsSurface, DrawingGoesBottomUpWithLayersAboveBaseControls)
{
  Editor e;
  IColor black(255, 0, 0, 0), red(255, 255, 0, 0), green(255, 0, 255, 0), blue(255, 0, 0, 255);
  e.AddBackground(black);
  auto* layer = new ControlLayer(1, "top");
  layer->AddControl(new IPanelControl(e.plug.get(), IRECT(20, 0, 60, 40), &green));
  e.surface->AttachLayer(layer);
  e.surface->AttachControl(new IPanelControl(e.plug.get(), IRECT(0, 0, 40, 40), &red));
  e.surface->AttachControl(new IPanelControl(e.plug.get(), IRECT(30, 0, 50, 20), &blue));
  layer->Hide(false);
  e.DrawAll();

  EXPECT_EQ(kRed, e.Pixel(5, 30));
  EXPECT_EQ(kGreen, e.Pixel(35, 10)); // the layer covers both base panels
  EXPECT_EQ(kGreen, e.Pixel(25, 30));
  EXPECT_EQ(kBlack, e.Pixel(100, 100));

  layer->Hide(true);
  e.DrawAll();
  EXPECT_EQ(kBlue, e.Pixel(35, 10)); // later base controls lie above earlier ones
  EXPECT_EQ(kBlack, e.Pixel(55, 30));
}

TEST(IGraphicsSurface, DrawingIsClippedToTheArea)
{
  Editor e;
  IColor black(255, 0, 0, 0), red(255, 255, 0, 0);
  e.AddBackground(black);
  auto* panel = new IPanelControl(e.plug.get(), IRECT(100, 100, 120, 120), &red);
  e.surface->AttachControl(panel);
  IRECT elsewhere(0, 0, 50, 50);
  e.surface->Draw(&elsewhere);
  // Inside the area the background is drawn; outside it nothing, not even the background's fill.
  EXPECT_EQ(kBlack, e.Pixel(10, 10));
  EXPECT_NE(kBlack, e.Pixel(110, 110));
  EXPECT_NE(kRed, e.Pixel(110, 110));
  // Not drawn, so still dirty: the next pass over its area puts it on screen and cleans it.
  EXPECT_TRUE(panel->IsDirty());
  EXPECT_EQ(1, e.surface->ScreenUpdates());
  EXPECT_EQ(elsewhere, e.surface->LastScreenArea());
  IRECT half(105, 90, 130, 130);
  e.surface->Draw(&half);
  EXPECT_EQ(kRed, e.Pixel(110, 110));
  EXPECT_TRUE(panel->IsDirty()); // drawn only in part
  IRECT around(90, 90, 130, 130);
  e.surface->Draw(&around);
  EXPECT_FALSE(panel->IsDirty());
}

TEST(IGraphicsSurface, MouseUpOutsideReachesTheCapturedControlAndEndsItsGesture)
{
  Editor e;
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20), 4);
  e.surface->AttachControl(c);
  IMouseMod mod = LeftButton();

  e.surface->OnMouseDown(12, 12, &mod);
  EXPECT_EQ(c, e.surface->GetCapturedControl());
  e.surface->OnMouseDrag(12, 12, &mod); // no movement since the mouse down
  e.surface->OnMouseDrag(150, 14, &mod);
  EXPECT_EQ(138, c->lastDX);
  EXPECT_EQ(2, c->lastDY);
  e.surface->OnMouseUp(150, 150, &mod);

  EXPECT_EQ("dgu", c->events);
  EXPECT_EQ((std::vector<int>{5, -5}), e.plug->gestures);
  EXPECT_EQ(nullptr, e.surface->GetCapturedControl());
  EXPECT_EQ(-1, e.surface->GetLastMouseX());
  e.surface->OnMouseDrag(160, 160, &mod); // no capture: nothing
  EXPECT_EQ("dgu", c->events);
}

TEST(IGraphicsSurface, LayerControlWinsOverBaseControlAndGreyedHitsDifferByOwner)
{
  Editor e;
  e.AddBackground();
  auto* base = new ProbeControl(e.plug.get(), IRECT(0, 0, 50, 50));
  auto* inLayer = new ProbeControl(e.plug.get(), IRECT(20, 20, 40, 40));
  e.surface->AttachControl(base);
  auto* layer = new ControlLayer(1, "panel");
  layer->AddControl(inLayer);
  e.surface->AttachLayer(layer);
  layer->Hide(false);

  EXPECT_EQ(inLayer, e.surface->HitTest(30, 30));
  EXPECT_EQ(base, e.surface->HitTest(10, 10));
  inLayer->GrayOut(true);
  EXPECT_EQ(inLayer, e.surface->HitTest(30, 30));
  base->GrayOut(true);
  // The background (index 0) lies below every control and is not greyed.
  EXPECT_EQ(e.surface->GetControl(0), e.surface->HitTest(10, 10));
}

TEST(IGraphicsSurface, DoubleClickIsDeliveredAsAMouseDownOnlyWhenTheControlAsks)
{
  Editor e;
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20), 2);
  e.surface->AttachControl(c);
  IMouseMod mod = LeftButton();
  EXPECT_FALSE(e.surface->OnMouseDblClick(15, 15, &mod));
  EXPECT_EQ("c", c->events);
  EXPECT_EQ(nullptr, e.surface->GetCapturedControl());

  c->SetDblAsSingleClick(true);
  EXPECT_TRUE(e.surface->OnMouseDblClick(15, 15, &mod));
  EXPECT_EQ("cd", c->events);
  EXPECT_EQ(c, e.surface->GetCapturedControl());
  EXPECT_TRUE(e.plug->gestures.empty());
}

TEST(IGraphicsSurface, KeysAndWheelGoToTheCaptureFirstThenToTheControlUnderThePointer)
{
  Editor e;
  e.AddBackground();
  auto* a = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10));
  auto* b = new ProbeControl(e.plug.get(), IRECT(50, 50, 60, 60));
  e.surface->AttachControl(a);
  e.surface->AttachControl(b);
  IMouseMod mod = LeftButton();

  EXPECT_TRUE(e.surface->OnKeyDown(55, 55, 'x'));
  EXPECT_EQ("k", b->events);
  b->takesKeys = false;
  EXPECT_FALSE(e.surface->OnKeyDown(55, 55, 'y'));
  e.surface->OnMouseDown(5, 5, &mod);
  EXPECT_TRUE(e.surface->OnKeyDown(55, 55, 'z'));
  EXPECT_EQ('z', a->lastKey);
  e.surface->OnMouseWheel(55, 55, &mod, 1);
  EXPECT_EQ("dkw", a->events);
  e.surface->ReleaseMouseCapture();
  e.surface->OnMouseWheel(55, 55, &mod, 1);
  EXPECT_EQ("kkw", b->events);
  // Nothing under the pointer but the background, which takes no key.
  EXPECT_FALSE(e.surface->OnKeyDown(150, 150, 'q'));
  EXPECT_FALSE(e.surface->OnMouseOver(55, 55, &mod));
}

TEST(IGraphicsSurface, PlainPushStoresTheParameterNormalisedPushOnlyMovesControls)
{
  Editor e;
  IParam* p = e.plug->GetParam(6);
  p->InitDouble("cutoff", 0.0, 0.0, 200.0, 1.0);
  auto* base = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 6);
  auto* follower = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 1);
  follower->AddAuxParam(9);
  follower->AddAuxParam(6);
  auto* hiddenLayerControl = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 6);
  e.AddBackground();
  e.surface->AttachControl(base);
  e.surface->AttachControl(follower);
  auto* layer = new ControlLayer(2, "hidden");
  auto* sub = new ControlLayer(3, "sub");
  sub->AddControl(hiddenLayerControl);
  layer->AddSubLayer(sub);
  e.surface->AttachLayer(layer);

  e.surface->SetParameterFromPlug(6, 150.0, false);
  EXPECT_DOUBLE_EQ(150.0, p->Value());
  EXPECT_DOUBLE_EQ(0.75, base->GetValue());
  EXPECT_DOUBLE_EQ(0.75, hiddenLayerControl->GetValue());
  EXPECT_DOUBLE_EQ(0.75, follower->GetAuxParam(1)->mValue);
  EXPECT_DOUBLE_EQ(0.0, follower->GetValue());

  e.surface->SetParameterFromPlug(6, 0.5, true);
  EXPECT_DOUBLE_EQ(150.0, p->Value());
  EXPECT_DOUBLE_EQ(0.5, base->GetValue());
  EXPECT_TRUE(e.plug->changes.empty());

  // A plain value beyond the range is bounded; an index outside the list stores nothing.
  e.surface->SetParameterFromPlug(6, 900.0, false);
  EXPECT_DOUBLE_EQ(200.0, p->Value());
  e.surface->SetParameterFromPlug(999, 1.0, false);
}

TEST(IGraphicsSurface, EnumPromptShowsTheTextsWithTheCurrentOneCheckedAndAppliesTheChoice)
{
  Editor e;
  IParam* p = e.plug->GetParam(5);
  p->InitEnum("shape", 1, 3);
  p->SetDisplayText(0, "Sine");
  p->SetDisplayText(1, "Saw");
  p->SetDisplayText(2, "Pulse");
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(10, 10, 30, 30), 5);
  c->DisablePrompt(false);
  e.surface->AttachControl(c);

  e.surface->QueueMenuChoice(2);
  IMouseMod right = RightButton();
  e.surface->OnMouseDown(15, 15, &right);
  ASSERT_EQ(1u, e.surface->Menus().size());
  const auto& menu = e.surface->Menus()[0];
  EXPECT_EQ((std::vector<std::string>{"Sine", "Saw", "Pulse"}), menu.items);
  EXPECT_EQ((std::vector<int>{0, IPopupMenuItem::kChecked, 0}), menu.flags);
  EXPECT_EQ(IRECT(10, 10, 30, 30), menu.area);
  EXPECT_DOUBLE_EQ(1.0, c->GetValue());
  EXPECT_DOUBLE_EQ(2.0, p->Value());
  EXPECT_EQ(std::vector<int>{5}, e.plug->changes);
  e.surface->OnMouseUp(15, 15, &right);

  // Closed without a choice: nothing changes.
  e.surface->QueueMenuChoice(-1);
  e.surface->OnMouseDown(15, 15, &right);
  EXPECT_DOUBLE_EQ(1.0, c->GetValue());
  EXPECT_EQ(std::vector<int>{5}, e.plug->changes);
}

TEST(IGraphicsSurface, TextPromptIsCentredPrefilledAndApplied)
{
  Editor e;
  IParam* p = e.plug->GetParam(7);
  p->InitDouble("time", 2.5, 0.0, 10.0, 0.5);
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(11, 20, 40, 31), 7);
  c->DisablePrompt(false);
  e.surface->AttachControl(c);

  e.surface->QueueTextEntry("7.5");
  c->PromptUserInput();
  ASSERT_EQ(1u, e.surface->TextEntries().size());
  EXPECT_EQ("2.5", e.surface->TextEntries()[0].prefill);
  EXPECT_EQ(IRECT(10, 17, 40, 33), e.surface->TextEntries()[0].area); // 30 x 16 around (25, 25)
  EXPECT_DOUBLE_EQ(0.75, c->GetValue());
  EXPECT_DOUBLE_EQ(7.5, p->Value());

  // Prompting is off by default.
  auto* quiet = new ProbeControl(e.plug.get(), IRECT(50, 50, 60, 60), 7);
  e.surface->AttachControl(quiet);
  quiet->PromptUserInput();
  EXPECT_EQ(1u, e.surface->TextEntries().size());
}

TEST(IGraphicsSurface, StringAfterPromptMapsEnumTextsStoresTextsAndParsesNumbers)
{
  Editor e;
  IParam* en = e.plug->GetParam(1);
  en->InitEnum("mode", 2, 3);
  en->SetDisplayText(0, "A");
  en->SetDisplayText(1, "B");
  en->SetDisplayText(2, "C");
  IParam* text = e.plug->GetParam(2);
  text->InitText();
  text->InitEnum("name", 0, 2);
  IParam* num = e.plug->GetParam(3);
  num->InitDouble("level", 0.0, -10.0, 10.0, 0.1);
  auto* c1 = new ProbeControl(e.plug.get(), IRECT(0, 0, 5, 5), 1);
  auto* c2 = new ProbeControl(e.plug.get(), IRECT(0, 0, 5, 5), 2);
  auto* c3 = new ProbeControl(e.plug.get(), IRECT(0, 0, 5, 5), 3);
  e.AddBackground();
  for (IControl* c : {static_cast<IControl*>(c1), static_cast<IControl*>(c2), static_cast<IControl*>(c3)})
  {
    e.surface->AttachControl(c);
  }
  c1->SetValueFromPlug(1.0);

  e.surface->SetFromStringAfterPrompt(c1, en, "B");
  EXPECT_DOUBLE_EQ(0.5, c1->GetValue());
  e.surface->SetFromStringAfterPrompt(c1, en, "no such text");
  EXPECT_DOUBLE_EQ(0.0, c1->GetValue());
  EXPECT_DOUBLE_EQ(0.0, en->Value());

  e.plug->changes.clear();
  // Each commit is one user edit; the value goes to 0, whose display text the fields show.
  text->Set(1.0);
  for (const char* typed : {"My Sound", "Other", ""})
  {
    e.surface->SetFromStringAfterPrompt(c2, text, typed);
    EXPECT_STREQ(typed, text->GetDisplayText(0));
    EXPECT_DOUBLE_EQ(0.0, text->Value());
  }
  EXPECT_DOUBLE_EQ(0.0, c2->GetValue());
  EXPECT_EQ((std::vector<int>{2, 2, 2}), e.plug->changes);

  e.surface->SetFromStringAfterPrompt(c3, num, "5");
  EXPECT_DOUBLE_EQ(0.75, c3->GetValue());
  e.surface->SetFromStringAfterPrompt(c3, nullptr, "1");
  EXPECT_DOUBLE_EQ(0.75, c3->GetValue());
}

TEST(IGraphicsSurface, FreeTextEntryWithoutParameterGoesToTheControl)
{
  Editor e;
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 5, 5));
  e.surface->AttachControl(c);
  e.surface->QueueTextEntry("hello");
  e.surface->CreateTextEntry(c, c->GetText(), const_cast<IRECT*>(c->GetRECT()), "", nullptr);
  EXPECT_EQ("hello", c->typed);
}

TEST(IGraphicsSurface, ResizeReleasesCaptureRemakesBitmapsAndTellsThePlugin)
{
  Editor e;
  e.AddBackground();
  auto* c = new ProbeControl(e.plug.get(), IRECT(0, 0, 50, 50));
  e.surface->AttachControl(c);
  IMouseMod mod = LeftButton();
  e.surface->OnMouseDown(5, 5, &mod);
  e.surface->Resize(300, 120);
  EXPECT_EQ(nullptr, e.surface->GetCapturedControl());
  EXPECT_EQ(300, e.surface->GetDrawBitmap()->getWidth());
  EXPECT_EQ(120, e.surface->GetDrawBitmap()->getHeight());
  EXPECT_EQ(300, e.plug->resizedW);
  EXPECT_EQ(120, e.plug->resizedH);
}

TEST(IGraphicsSurface, AttachingTheSurfacePushesEveryParameterAndDefaultsTheControls)
{
  auto plug = std::make_unique<RecordingPlug>(4);
  plug->GetParam(2)->InitDouble("x", 30.0, 0.0, 100.0, 1.0);
  auto* surface = new HeadlessSurface(plug.get(), 100, 100);
  auto* c = new ProbeControl(plug.get(), IRECT(0, 0, 10, 10), 2);
  surface->AttachControl(c);
  plug->AttachGraphics(surface);
  EXPECT_DOUBLE_EQ(0.3, c->GetValue());
  EXPECT_DOUBLE_EQ(0.3, c->GetDefaultValue());
  ASSERT_NE(nullptr, surface->GetDrawBitmap());
  EXPECT_EQ(100, surface->GetDrawBitmap()->getWidth());
}
