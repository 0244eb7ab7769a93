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
  const IRECT source = *slots->getSlotText(LibrarianViewControl::kLowerPane, 1)->GetRECT();
  const IRECT target = *slots->getSlotText(LibrarianViewControl::kUpperPane, 37)->GetRECT();
  input.moveTo(source.MW(), source.MH());
  pumpFor(*view, 50);
  input.button(1, true);
  pumpFor(*view, 50);
  // The hand moves a little over the slot first, then across to the upper pane.
  input.moveTo(source.MW() + 3, source.MH() + 1);
  pumpFor(*view, 50);
  input.moveTo(target.MW() - 20, target.MH() + 60);
  pumpFor(*view, 50);
  input.moveTo(target.MW(), target.MH());
  pumpFor(*view, 50);
  input.button(1, false);

  const PatchFile* upper = plug->mPatchLibrarian->mSoundBanks[0];
  EXPECT_TRUE(pumpUntil(*view, [&]() { return upper->mRecords[37].mName == "B1"; }));
  EXPECT_EQ(upper->mRecords[37].mMessages[0].mData, libraryRecord("B1").mMessages[0].mData);
  EXPECT_EQ(upper->mRecords[36].mName, "A36");
  EXPECT_EQ(plug->getStatusText(), "B1 copied to slot 038");
  EXPECT_FALSE(slots->dragging);

  // A quick hand: one motion event only, already over the upper pane. The slot pressed is copied.
  const IRECT quickSource = *slots->getSlotText(LibrarianViewControl::kLowerPane, 2)->GetRECT();
  const IRECT quickTarget = *slots->getSlotText(LibrarianViewControl::kUpperPane, 40)->GetRECT();
  input.moveTo(quickSource.MW(), quickSource.MH());
  pumpFor(*view, 50);
  input.button(1, true);
  input.moveTo(quickTarget.MW(), quickTarget.MH());
  input.button(1, false);
  EXPECT_TRUE(pumpUntil(*view, [&]() { return upper->mRecords[40].mName == "B2"; }));
  EXPECT_EQ(upper->mRecords[39].mName, "A39");
  EXPECT_EQ(upper->mRecords[41].mName, "A41");

  // Arrival, press, motion and release in one burst, as from xdotool: the view reads them all at once.
  const IRECT burstSource = *slots->getSlotText(LibrarianViewControl::kLowerPane, 0)->GetRECT();
  const IRECT burstTarget = *slots->getSlotText(LibrarianViewControl::kUpperPane, 44)->GetRECT();
  input.moveTo(burstSource.MW(), burstSource.MH());
  input.button(1, true);
  input.moveTo(burstTarget.MW(), burstTarget.MH());
  input.button(1, false);
  EXPECT_TRUE(pumpUntil(*view, [&]() { return upper->mRecords[44].mName == "B0"; }));
  EXPECT_EQ(plug->getStatusText(), "B0 copied to slot 045");
  view->CloseWindow();
}
} // namespace
