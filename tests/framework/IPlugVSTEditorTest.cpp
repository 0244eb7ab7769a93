// The effect record and the editor opcodes once an editor surface is attached.
#include "FakeHost.h"
#include "HeadlessSurface.h"

#include <gtest/gtest.h>

namespace
{
constexpr VstInt32 kFlagsHasEditor = 1;

// Counts the editor notices the framework gives the plug-in.
class EditorPlug : public TestPlug
{
public:
  EditorPlug() : TestPlug(Setup()) {}
  void OnGUIOpen() override { ++opened; }
  void OnGUIClose() override { ++closed; }
  void OnWindowResize() override { ++resized; }
  int opened = 0;
  int closed = 0;
  int resized = 0;
};
} // namespace

TEST(IPlugVSTEditorTest, AttachingASurfaceAddsTheEditorFlagAndRectangle)
{
  FakeHost host;
  EditorPlug plug;
  EXPECT_EQ(plug.GetAEffect()->flags, 0x1130);
  plug.GetParam(3)->InitDouble("level", 0.5, 0.0, 1.0, 0.01);

  plug.AttachGraphics(new HeadlessSurface(&plug, 300, 200));
  EXPECT_EQ(plug.GetAEffect()->flags, 0x1131);
  EXPECT_EQ(plug.GetAEffect()->flags & kFlagsHasEditor, kFlagsHasEditor);
  const ERect& rect = plug.GetEditRect();
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.bottom, 200);
  EXPECT_EQ(rect.right, 300);
  EXPECT_NE(plug.GetGUI()->GetDrawBitmap(), nullptr);

  ERect* reported = nullptr;
  EXPECT_EQ(plug.Call(effEditGetRect, 0, 0, &reported), 1);
  EXPECT_EQ(reported, &plug.GetEditRect());
  EXPECT_EQ(plug.Call(effEditGetRect, 0, 0, nullptr), 0);

  EXPECT_EQ(plug.Call(effEditOpen, 0, 0, nullptr), 1);
  EXPECT_EQ(plug.opened, 1);
  EXPECT_EQ(plug.Call(effEditClose), 1);
  EXPECT_EQ(plug.closed, 1);

  plug.ResizeGraphics(640, 480);
  EXPECT_EQ(plug.resized, 1);
  // The level is unchanged by the push of every value to the surface.
  EXPECT_EQ(plug.GetParam(3)->Value(), 0.5);
}
