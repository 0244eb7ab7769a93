// Tests of the pushes of many plain values at once: every bound control follows as one push after the other
// would move it, also after controls were added or bound later, and nothing waits for a busy editor.
#include "SurfaceTestSupport.h"

#include "EditorLock.h"

#include <future>
#include <thread>

using namespace surfacetest;

namespace
{
struct Bound
{
  Bound()
  {
    for (int idx : {4, 6, 7})
      e.plug->GetParam(idx)->InitDouble("p", 0.0, 0.0, 200.0, 1.0);
    base = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 6);
    follower = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 1);
    follower->AddAuxParam(9);
    follower->AddAuxParam(6);
    follower->AddAuxParam(6);
    hidden = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 6);
    other = new ProbeControl(e.plug.get(), IRECT(0, 0, 10, 10), 7);
    e.AddBackground();
    e.surface->AttachControl(base);
    e.surface->AttachControl(follower);
    auto* layer = new ControlLayer(2, "hidden");
    sub = new ControlLayer(3, "sub");
    sub->AddControl(hidden);
    layer->AddSubLayer(sub);
    e.surface->AttachLayer(layer);
    layer->AddControl(other);
  }

  Editor e;
  ProbeControl* base;
  ProbeControl* follower;
  ProbeControl* hidden;
  ProbeControl* other;
  ControlLayer* sub;
};
} // namespace

TEST(ParamBindings, ManyValuesMoveEveryBoundControlAsSinglePushesWould)
{
  Bound b;
  // A parameter given twice takes its later value; an index outside the list is skipped.
  b.e.surface->SetParametersFromPlug({{6, 20.0}, {7, 50.0}, {999, 1.0}, {6, 150.0}, {-1, 3.0}});
  EXPECT_DOUBLE_EQ(150.0, b.e.plug->GetParam(6)->Value());
  EXPECT_DOUBLE_EQ(50.0, b.e.plug->GetParam(7)->Value());
  EXPECT_DOUBLE_EQ(0.75, b.base->GetValue());
  EXPECT_DOUBLE_EQ(0.75, b.hidden->GetValue());
  EXPECT_DOUBLE_EQ(0.25, b.other->GetValue());
  // Only the first auxiliary entry of a parameter follows it, as with one push.
  EXPECT_DOUBLE_EQ(0.75, b.follower->GetAuxParam(1)->mValue);
  EXPECT_DOUBLE_EQ(-1.0, b.follower->GetAuxParam(2)->mValue) << "never given a value";
  EXPECT_DOUBLE_EQ(0.0, b.follower->GetValue());
  // Beyond the range: bounded, as one push bounds it.
  b.e.surface->SetParametersFromPlug({{6, 900.0}});
  EXPECT_DOUBLE_EQ(200.0, b.e.plug->GetParam(6)->Value());
  EXPECT_DOUBLE_EQ(1.0, b.base->GetValue());
  EXPECT_TRUE(b.e.plug->changes.empty()) << "no change handler runs";
}

TEST(ParamBindings, ControlsAddedOrBoundAfterAPushFollowTheNextOne)
{
  Bound b;
  b.e.surface->SetParametersFromPlug({{6, 20.0}});
  auto* late = new ProbeControl(b.e.plug.get(), IRECT(0, 0, 10, 10), 6);
  b.sub->AddControl(late);
  auto* rebound = new ProbeControl(b.e.plug.get(), IRECT(0, 0, 10, 10), 1);
  b.e.surface->AttachControl(rebound);
  b.e.surface->SetParametersFromPlug({{6, 40.0}});
  rebound->SetParamIdx(4);
  b.other->AddAuxParam(4);
  b.e.surface->SetParametersFromPlug({{4, 100.0}, {6, 60.0}});
  EXPECT_DOUBLE_EQ(0.3, late->GetValue());
  EXPECT_DOUBLE_EQ(0.5, rebound->GetValue());
  EXPECT_DOUBLE_EQ(0.5, b.other->GetAuxParam(0)->mValue);
  EXPECT_DOUBLE_EQ(0.3, b.base->GetValue());
}

TEST(ParamBindings, ABusyEditorGetsTheValuesAtItsNextTick)
{
  Bound b;
  std::thread editor;
  {
    // Another thread holds the editor lock: the parameters change now, the controls at the next tick.
    std::promise<void> locked;
    std::promise<void> release;
    editor = std::thread(
        [&]
        {
          EditorLock::Get().Lock();
          locked.set_value();
          release.get_future().wait();
          EditorLock::Get().Unlock();
        });
    locked.get_future().wait();
    b.e.surface->SetParametersFromPlug({{6, 100.0}});
    EXPECT_DOUBLE_EQ(100.0, b.e.plug->GetParam(6)->Value());
    EXPECT_DOUBLE_EQ(0.0, b.base->GetValue());
    release.set_value();
    editor.join();
  }
  b.e.surface->Tick();
  EXPECT_DOUBLE_EQ(0.5, b.base->GetValue());
}
