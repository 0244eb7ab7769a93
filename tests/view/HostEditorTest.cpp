// The editor in the test host: opened and closed repeatedly without leaks, and a screenshot of it.
// gtest comes before the X11 headers, whose macros clash with its names.
#include <gtest/gtest.h>

#include "HostEditorWindow.h"
#include "VstHost.h"

#include <X11/Xlib.h>
#include <cairo.h>
#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace
{

int openDescriptors()
{
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir && readdir(dir))
  {
    ++count;
  }
  if (dir)
  {
    closedir(dir);
  }
  return count;
}

int topLevelWindows(Display* display)
{
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
  if (children)
  {
    XFree(children);
  }
  return static_cast<int>(count);
}

// The colour of the PNG's pixel (x, y) as 0xRRGGBB.
uint32_t pngPixel(cairo_surface_t* png, int x, int y)
{
  const unsigned char* data = cairo_image_surface_get_data(png);
  const int stride = cairo_image_surface_get_stride(png);
  return reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xffffff;
}
} // namespace

TEST(HostEditorTest, OpeningAndClosingTenTimesLeavesNoWindowBehind)
{
  VstHost host;
  ASSERT_TRUE(host.Load(VIEW_TEST_PLUGIN)) << host.Error();
  host.Open(44100.0, 512);
  Display* observer = XOpenDisplay(nullptr);
  ASSERT_NE(observer, nullptr);
  const int windowsBefore = topLevelWindows(observer);
  HostEditorWindow window(host);
  // The first round opens the connections that stay (the host window's own display).
  ASSERT_TRUE(window.Open()) << window.Error();
  window.Pump(0.05);
  window.Close();
  const int descriptorsBefore = openDescriptors();
  for (int round = 0; round < 10; ++round)
  {
    ASSERT_TRUE(window.Open()) << window.Error();
    window.Pump(0.05);
    EXPECT_EQ(window.ChildWindowCount(), 1);
    host.Dispatch(effEditClose);
    EXPECT_EQ(window.ChildWindowCount(), 0);
    window.Close();
  }
  EXPECT_EQ(openDescriptors(), descriptorsBefore);
  EXPECT_EQ(topLevelWindows(observer), windowsBefore);
  XCloseDisplay(observer);
  host.Close();
}

TEST(HostEditorTest, TheScreenshotShowsTheEditor)
{
  VstHost host;
  ASSERT_TRUE(host.Load(VIEW_TEST_PLUGIN)) << host.Error();
  host.Open(44100.0, 512);
  // What the --editor option of the test host reports.
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(HostEditorWindow::Run(host, 0.05, "", out, err), 0);
  EXPECT_EQ(out.str(), "editor: open, 320 x 200\neditor: closed\n");
  EXPECT_EQ(err.str(), "");

  HostEditorWindow window(host);
  ASSERT_TRUE(window.Open()) << window.Error();
  EXPECT_EQ(window.Width(), 320);
  EXPECT_EQ(window.Height(), 200);
  window.Pump(0.3);
  const std::string file =
      std::string(KORVID_BINARY_DIR) + "/view-host-screenshot-" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(window.SaveScreenshot(file));
  window.Close();
  host.Close();

  cairo_surface_t* png = cairo_image_surface_create_from_png(file.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(png), 320);
  ASSERT_EQ(cairo_image_surface_get_height(png), 200);
  // The plug-in's background and its three panels, edges included.
  EXPECT_EQ(pngPixel(png, 5, 5), 0x282c34u);
  EXPECT_EQ(pngPixel(png, 20, 20), 0xdc1e1eu);
  EXPECT_EQ(pngPixel(png, 119, 89), 0xdc1e1eu);
  EXPECT_EQ(pngPixel(png, 120, 89), 0x282c34u);
  EXPECT_EQ(pngPixel(png, 200, 80), 0x1ec83cu);
  EXPECT_EQ(pngPixel(png, 100, 150), 0x2850e6u);
  cairo_surface_destroy(png);
  std::remove(file.c_str());
}
