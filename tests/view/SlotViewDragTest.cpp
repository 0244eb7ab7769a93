// The real editor in an X11 window under Xvfb: a slot dragged with the pointer from the lower pane into the
// upper pane copies its record there, slowly, in one motion or in one burst of events.
// gtest comes before the X11 headers, whose macros clash with its names.
#include <gtest/gtest.h>

#include "LibrarianGlueSupport.h"

#include "PluginFolderSurface.h"
#include "TabSwitchFunctions.h"
#include "ViewTestSupport.h"

using namespace korvidtest;

namespace
{
// The Linux view reading its resources from the built plug-in folder instead of beside the test program.
using PluginFolderView = PluginFolderResources<IGraphicsLinux>;

class SlotViewDrag : public LibraryEditorFixture
{
protected:
  SlotViewDrag()
  {
    const std::string folder = pluginFolder();
    Korvid::setSurfaceFactory([folder](IPlugBase* plug, int w, int h) -> IGraphics*
                              { return new PluginFolderView(folder, plug, w, h); });
  }
};

TEST_F(SlotViewDrag, ALowerSlotDraggedOntoAnUpperSlotIsCopiedThere)
{
  InputDriver input;
  ASSERT_NE(input.display(), nullptr);
  auto plug = makeEditor(false);
  auto* view = dynamic_cast<IGraphicsLinux*>(plug->getSurface());
  ASSERT_NE(view, nullptr);
  plug->GetParam(kMainTab)->Set(1.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, 1, 0);
  // A top-level window: without a window manager it sits at the screen's origin.
  ASSERT_NE(view->OpenWindow(nullptr), nullptr);
  pumpFor(*view, 300);

  LibrarianViewControl* slots = plug->mLibrarianView;
  const PatchFile* upper = plug->mPatchLibrarian->mSoundBanks[0];
  const auto centre = [&](int pane, int slot)
  {
    const IRECT r = *slots->getSlotText(pane, slot)->GetRECT();
    return std::make_pair(r.MW(), r.MH());
  };
  const struct
  {
    const char* name;
    int source; // lower slot
    int target; // upper slot
    // Pumping the editor between the steps (ms); 0 queues the next step with the previous ones.
    int settle;
    bool wander; // moves a little over the source and past the target first
  } cases[] = {
      {"slowly, a little over the slot first", 1, 37, 50, true},
      {"one motion event only, already over the upper pane", 2, 40, 50, false},
      {"arrival, press, motion and release in one burst", 0, 44, 0, false},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    const auto from = centre(LibrarianViewControl::kLowerPane, c.source);
    const auto to = centre(LibrarianViewControl::kUpperPane, c.target);
    const auto step = [&]() { pumpFor(*view, c.settle); };
    input.moveTo(from.first, from.second);
    step();
    input.button(1, true);
    step();
    if (c.wander)
    {
      input.moveTo(from.first + 3, from.second + 1);
      step();
      input.moveTo(to.first - 20, to.second + 60);
      step();
    }
    input.moveTo(to.first, to.second);
    if (c.wander)
      step();
    input.button(1, false);

    const std::string name = "B" + std::to_string(c.source);
    const size_t target = static_cast<size_t>(c.target);
    EXPECT_TRUE(pumpUntil(*view, [&]() { return upper->mRecords[target].mName == name; }));
    EXPECT_EQ(upper->mRecords[target].mMessages[0].mData, libraryRecord(name).mMessages[0].mData);
    EXPECT_EQ(upper->mRecords[target - 1].mName, "A" + std::to_string(c.target - 1));
    EXPECT_EQ(upper->mRecords[target + 1].mName, "A" + std::to_string(c.target + 1));
    EXPECT_EQ(plug->getStatusText(), name + " copied to slot 0" + std::to_string(c.target + 1));
    EXPECT_FALSE(slots->dragging);
    pumpFor(*view, 500);
  }
  view->CloseWindow();
}
} // namespace
