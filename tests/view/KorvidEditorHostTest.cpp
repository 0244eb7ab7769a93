// The plug-in's own editor in the test host: opened and closed ten times, and shown in a screenshot.
#include <gtest/gtest.h>

#include "HostEditorWindow.h"
#include "VstHost.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace
{
const std::string kPluginPath = std::string(KORVID_BINARY_DIR) + "/Korvid Editor/Korvid Editor.so";
} // namespace

TEST(KorvidEditorHostTest, TheEditorOpensAndClosesTenTimesAndShowsItsSurface)
{
  VstHost host;
  ASSERT_TRUE(host.Load(kPluginPath)) << host.Error();
  host.Open(44100.0, 512);
  ERect* rect = nullptr;
  if (!host.Dispatch(effEditGetRect, 0, 0, &rect) || !rect)
  {
    GTEST_SKIP() << "the plug-in was built without its editor surface";
  }
  // The rectangle belongs to the plug-in: keep its size past the host's close.
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  HostEditorWindow window(host);
  for (int round = 0; round < 10; ++round)
  {
    ASSERT_TRUE(window.Open()) << window.Error();
    window.Pump(0.05);
    EXPECT_EQ(window.ChildWindowCount(), 1);
    window.Close();
  }
  ASSERT_TRUE(window.Open()) << window.Error();
  window.Pump(0.5);
  const std::string file =
      std::string(KORVID_BINARY_DIR) + "/korvid-editor-screenshot-" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(window.SaveScreenshot(file));
  window.Close();
  host.Close();

  cairo_surface_t* png = cairo_image_surface_create_from_png(file.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), width);
  EXPECT_EQ(cairo_image_surface_get_height(png), height);
  // The editor painted something: not one flat colour.
  const unsigned char* data = cairo_image_surface_get_data(png);
  const int stride = cairo_image_surface_get_stride(png);
  const uint32_t first = reinterpret_cast<const uint32_t*>(data)[0];
  bool varied = false;
  for (int y = 0; y < cairo_image_surface_get_height(png) && !varied; y += 7)
  {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    for (int x = 0; x < cairo_image_surface_get_width(png); x += 7)
    {
      varied = varied || row[x] != first;
    }
  }
  EXPECT_TRUE(varied);
  cairo_surface_destroy(png);
  std::remove(file.c_str());
}
