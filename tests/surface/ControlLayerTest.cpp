// Tests of control layers: hiding and showing trees, greying, the id bands, dirty areas, drawing and hits.
#include "SurfaceTestSupport.h"

#include <map>

using namespace surfacetest;

namespace
{
// A parent layer with one sub-layer per id, each holding one probe control; the parent is attached to a
// surface and shown.
struct Tree
{
  explicit Tree(const std::vector<int>& ids)
  {
    e.AddBackground();
    parent = new ControlLayer(0, "parent");
    for (int id : ids)
    {
      auto* layer = new ControlLayer(id, "layer" + std::to_string(id));
      layer->AddControl(new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10)));
      parent->AddSubLayer(layer);
      byId[id] = layer;
    }
    e.surface->AttachLayer(parent);
    parent->Hide(false);
  }
  // Visibility of every sub-layer, by id.
  std::map<int, bool> Visible() const
  {
    std::map<int, bool> v;
    for (const auto& entry : byId)
    {
      v[entry.first] = entry.second->mVisible;
    }
    return v;
  }
  std::map<int, bool> Greyed() const
  {
    std::map<int, bool> g;
    for (const auto& entry : byId)
    {
      g[entry.first] = entry.second->mControls.front()->IsGrayed();
    }
    return g;
  }
  void ShowAll()
  {
    for (auto& entry : byId)
    {
      entry.second->Hide(false);
    }
  }

  Editor e;
  ControlLayer* parent = nullptr;
  std::map<int, ControlLayer*> byId;
};
} // namespace

TEST(ControlLayer, NewLayerIsHiddenReportsNothingDrawsNothingAndIsNeverHit)
{
  Editor e;
  e.AddBackground();
  auto* layer = new ControlLayer(4, "fresh");
  auto* c = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20));
  layer->AddControl(c);
  e.surface->AttachLayer(layer);
  EXPECT_FALSE(layer->mVisible);
  EXPECT_EQ(0, layer->mSelectedId);
  IRECT r;
  EXPECT_FALSE(layer->isDirty(&r));
  EXPECT_EQ(nullptr, layer->isHit(15, 15));
  e.DrawAll();
  EXPECT_EQ(0, c->draws);
  EXPECT_FALSE(c->IsDirty()); // cleaned all the same
}

TEST(ControlLayer, ShowingRestoresOnlyTheSelectedChild)
{
  Tree t({1, 2, 3});
  auto* own = new ProbeControl(t.e.plug.get(), IRECT(0, 0, 5, 5));
  t.parent->AddControl(own);
  t.byId[2]->Hide(false);
  // No child has the selected id 0: the parent's controls show, the children keep their state.
  t.parent->Hide(false);
  EXPECT_FALSE(own->IsHidden());
  EXPECT_EQ((std::map<int, bool>{{1, false}, {2, true}, {3, false}}), t.Visible());

  t.ShowAll();
  t.parent->mSelectedId = 3;
  t.parent->Hide(true);
  EXPECT_EQ((std::map<int, bool>{{1, false}, {2, false}, {3, false}}), t.Visible());
  EXPECT_TRUE(t.byId[1]->mControls.front()->IsHidden());
  t.parent->Hide(false);
  EXPECT_EQ((std::map<int, bool>{{1, false}, {2, false}, {3, true}}), t.Visible());
}

TEST(ControlLayer, BandSelectionOfFifteenTouchesLowIdsTheFirstBandAndSeventyUp)
{
  Tree t({5, 15, 25, 80, 350});
  t.ShowAll();
  t.byId[15]->Hide(true);
  t.parent->showMultiLayers(15);
  EXPECT_EQ(15, t.parent->mSelectedId);
  EXPECT_EQ((std::map<int, bool>{{5, false}, {15, true}, {25, true}, {80, false}, {350, true}}), t.Visible());
}

TEST(ControlLayer, BandSelectionsOfTheNinthValueChangeOnlyTheSelection)
{
  Tree t({5, 100, 108, 109, 190, 199, 250});
  t.ShowAll();
  const auto before = t.Visible();
  t.parent->showMultiLayers(109);
  EXPECT_EQ(109, t.parent->mSelectedId);
  EXPECT_EQ(before, t.Visible());
  t.parent->showMultiLayers(199);
  EXPECT_EQ(199, t.parent->mSelectedId);
  EXPECT_EQ(before, t.Visible());

  // 108 selects in its decade and touches the whole decade, 109 included.
  t.parent->showMultiLayers(108);
  EXPECT_EQ((std::map<int, bool>{
                {5, false}, {100, false}, {108, true}, {109, false}, {190, true}, {199, true}, {250, false}}),
            t.Visible());
}

TEST(ControlLayer, BandSelectionInTheTwoHundredsShowsLowIdsAndTheZoneAndHidesNothing)
{
  Tree t({3, 20, 150, 210, 299, 300});
  t.ShowAll();
  t.byId[3]->Hide(true);
  t.byId[210]->Hide(true);
  t.byId[299]->Hide(true);
  t.parent->showMultiLayers(250);
  EXPECT_EQ((std::map<int, bool>{{3, true}, {20, true}, {150, true}, {210, true}, {299, true}, {300, true}}),
            t.Visible());

  // Other bands: a decade with the low ids and the zone; 190..199; 300 and up.
  t.parent->showMultiLayers(25);
  EXPECT_EQ(
      (std::map<int, bool>{{3, false}, {20, false}, {150, true}, {210, false}, {299, false}, {300, true}}),
      t.Visible());
  t.ShowAll();
  t.parent->showMultiLayers(300);
  EXPECT_EQ((std::map<int, bool>{{3, false}, {20, true}, {150, true}, {210, true}, {299, true}, {300, true}}),
            t.Visible());
}

TEST(ControlLayer, CustomZoneGreysOnlyItsIdInsideTenToTwoFiftyTwo)
{
  Tree t({9, 30, 31, 253});
  t.parent->GrayOutCustomZone(true, 9);
  EXPECT_EQ(9, t.parent->mSelectedId);
  t.parent->GrayOutCustomZone(true, 253);
  EXPECT_EQ(253, t.parent->mSelectedId);
  EXPECT_EQ((std::map<int, bool>{{9, false}, {30, false}, {31, false}, {253, false}}), t.Greyed());
  t.parent->GrayOutCustomZone(true, 30);
  EXPECT_EQ((std::map<int, bool>{{9, false}, {30, true}, {31, false}, {253, false}}), t.Greyed());
  t.parent->GrayOutCustomZone(false, 30);
  EXPECT_EQ(false, t.Greyed()[30]);
}

TEST(ControlLayer, UserArpGreysTheIdsAboveTheLimitUpToTwoFiftyTwo)
{
  Tree t({200, 205, 206, 230, 252, 253});
  for (auto& entry : t.byId)
  {
    entry.second->GrayOut(true);
  }
  t.parent->GrayOutUserArp(false, 210, 205);
  EXPECT_EQ(210, t.parent->mSelectedId);
  EXPECT_EQ(
      (std::map<int, bool>{{200, false}, {205, false}, {206, true}, {230, true}, {252, true}, {253, false}}),
      t.Greyed());

  const auto before = t.Greyed();
  t.parent->GrayOutUserArp(true, 199, 0);
  EXPECT_EQ(199, t.parent->mSelectedId);
  EXPECT_EQ(before, t.Greyed());
}

TEST(ControlLayer, GreyingPassesDownAndRestoresOnlyTheSelectedChild)
{
  Tree t({1, 2});
  t.parent->mSelectedId = 2;
  t.parent->GrayOut(true);
  EXPECT_EQ((std::map<int, bool>{{1, true}, {2, true}}), t.Greyed());
  EXPECT_FLOAT_EQ(0.5f, t.byId[1]->mControls.front()->GetBlend()->mWeight);
  t.parent->GrayOut(false);
  EXPECT_EQ((std::map<int, bool>{{1, true}, {2, false}}), t.Greyed());
  EXPECT_TRUE(t.parent->mVisible);
}

TEST(ControlLayer, IgnoreHiddenReportsTheFirstControlOfAHiddenLayerButDrawsNothing)
{
  Editor e;
  e.AddBackground();
  auto* overlay = new ControlLayer(7, "overlay");
  auto* first = new ProbeControl(e.plug.get(), IRECT(10, 10, 20, 20));
  auto* second = new ProbeControl(e.plug.get(), IRECT(50, 50, 60, 60));
  overlay->AddControl(first);
  overlay->AddControl(second);
  e.surface->AttachLayer(overlay);
  overlay->setIgnoreHiddenWhenUpdatingScreen(true);
  overlay->Hide(true);
  EXPECT_TRUE(first->GetIgnoreHidden());
  EXPECT_FALSE(second->GetIgnoreHidden());

  IRECT r;
  EXPECT_TRUE(e.surface->IsDirty(&r));
  EXPECT_EQ(IRECT(10, 10, 20, 20), r);
  e.DrawAll();
  e.DrawAll();
  EXPECT_EQ(0, first->draws);
  EXPECT_EQ(0, second->draws);
}

TEST(ControlLayer, NothingBelowAHiddenLayerDrawsOrIsHitEvenWhenSubLayersSayVisible)
{
  Editor e;
  IColor black(255, 0, 0, 0), red(255, 255, 0, 0);
  e.AddBackground(black);
  auto* parent = new ControlLayer(1, "page");
  auto* child = new ControlLayer(11, "tab");
  auto* panel = new IPanelControl(e.plug.get(), IRECT(10, 10, 30, 30), &red);
  child->AddControl(panel);
  parent->AddSubLayer(child);
  e.surface->AttachLayer(parent);
  // A band selection shows the child while its parent stays hidden.
  parent->showMultiLayers(11);
  ASSERT_TRUE(child->mVisible);
  ASSERT_FALSE(parent->mVisible);

  e.DrawAll();
  EXPECT_EQ(kBlack, e.Pixel(20, 20));
  EXPECT_EQ(nullptr, parent->isHit(20, 20));
  IRECT r;
  EXPECT_FALSE(parent->isDirty(&r));

  parent->Hide(false);
  parent->mSelectedId = 11;
  parent->Hide(false);
  e.DrawAll();
  EXPECT_EQ(kRed, e.Pixel(20, 20));
  EXPECT_EQ(panel, parent->isHit(20, 20));
}

TEST(ControlLayer, HitTestingAsksLaterSubLayersFirstAndFindsGreyedControls)
{
  Editor e;
  auto* parent = new ControlLayer(1, "p");
  auto* own = new ProbeControl(e.plug.get(), IRECT(0, 0, 40, 40));
  auto* lower = new ControlLayer(2, "lower");
  auto* upper = new ControlLayer(3, "upper");
  auto* inLower = new ProbeControl(e.plug.get(), IRECT(0, 0, 30, 30));
  auto* inUpper = new ProbeControl(e.plug.get(), IRECT(0, 0, 20, 20));
  parent->AddControl(own);
  lower->AddControl(inLower);
  upper->AddControl(inUpper);
  parent->AddSubLayer(lower);
  parent->AddSubLayer(upper);
  e.surface->AttachLayer(parent);
  parent->Hide(false);
  lower->Hide(false);
  upper->Hide(false);

  EXPECT_EQ(inUpper, parent->isHit(5, 5));
  EXPECT_EQ(inLower, parent->isHit(25, 25));
  EXPECT_EQ(own, parent->isHit(35, 35));
  inUpper->GrayOut(true);
  EXPECT_EQ(inUpper, parent->isHit(5, 5));
  inUpper->Hide(true);
  EXPECT_EQ(inLower, parent->isHit(5, 5));
  EXPECT_EQ(nullptr, parent->isHit(40, 40)); // right and bottom edges are outside
}

TEST(ControlLayer, SetControlsDirtyMarksTheWholeTreeAndDirtyAreasMergeAcrossLayers)
{
  Editor e;
  e.AddBackground();
  auto* parent = new ControlLayer(1, "p");
  auto* child = new ControlLayer(2, "c");
  auto* a = new ProbeControl(e.plug.get(), IRECT(5, 5, 10, 10));
  auto* b = new ProbeControl(e.plug.get(), IRECT(100, 90, 120, 95));
  parent->AddControl(a);
  child->AddControl(b);
  parent->AddSubLayer(child);
  e.surface->AttachLayer(parent);
  parent->mSelectedId = 2;
  parent->Hide(false);
  while (e.surface->Tick())
  {
  }
  EXPECT_FALSE(a->IsDirty());
  parent->setControlsDirty();
  EXPECT_TRUE(a->IsDirty());
  EXPECT_TRUE(b->IsDirty());
  IRECT r;
  EXPECT_TRUE(e.surface->IsDirty(&r));
  EXPECT_EQ(IRECT(5, 5, 120, 95), r);
}
