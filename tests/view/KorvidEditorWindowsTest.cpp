// The plug-in's editor in the test host, clicked as a musician does: the first-run notice, the MIDI filter
// panel and the about window open and close, seen in the window's pictures.
#include <gtest/gtest.h>

#include "HostEditorWindow.h"
#include "TempDataHome.h"
#include "VstHost.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
const std::string kPluginPath = std::string(KORVID_BINARY_DIR) + "/Korvid Editor/Korvid Editor.so";
// Named after the process: suites of one build run at once must not read or remove each other's picture.
const std::string kShot =
    std::string(KORVID_BINARY_DIR) + "/korvid-editor-windows-" + std::to_string(getpid()) + ".png";

// A point of the normal-size editor that the three dark windows cover and the multi page shows light.
constexpr int kProbeX = 1000;
constexpr int kProbeY = 300;

// Brightness (0..255) of the probe point in the window's picture; -1 when it cannot be taken.
int probeBrightness(HostEditorWindow& window)
{
  if (!window.SaveScreenshot(kShot))
  {
    return -1;
  }
  cairo_surface_t* png = cairo_image_surface_create_from_png(kShot.c_str());
  int brightness = -1;
  if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_width(png) > kProbeX &&
      cairo_image_surface_get_height(png) > kProbeY)
  {
    const unsigned char* row =
        cairo_image_surface_get_data(png) + kProbeY * cairo_image_surface_get_stride(png);
    const uint32_t pixel = reinterpret_cast<const uint32_t*>(row)[kProbeX];
    brightness = static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)) / 3;
  }
  cairo_surface_destroy(png);
  std::remove(kShot.c_str());
  return brightness;
}

// Pumps the editor until the probe point is dark (a window shown) or light, at most five seconds.
bool waitForWindow(HostEditorWindow& window, bool shown)
{
  constexpr int kDark = 90;
  constexpr int kLight = 150;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end)
  {
    window.Pump(0.05);
    const int brightness = probeBrightness(window);
    if (brightness >= 0 && (shown ? brightness < kDark : brightness > kLight))
    {
      return true;
    }
  }
  return false;
}

// A left click at a point of the editor window, through XTest.
void click(Display* display, HostEditorWindow& window, int x, int y)
{
  int rootX = 0;
  int rootY = 0;
  Window child = 0;
  XTranslateCoordinates(display, window.XWindow(), DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
  XTestFakeButtonEvent(display, 1, True, CurrentTime);
  XFlush(display);
  window.Pump(0.05);
  XTestFakeButtonEvent(display, 1, False, CurrentTime);
  XFlush(display);
  window.Pump(0.05);
}
} // namespace

TEST(KorvidEditorWindowsTest, TheNoticeThePanelAndTheAboutWindowCloseByTheirButtons)
{
  TempDataHome home;
  // A new install: the first-run notice is shown until it is confirmed.
  home.writeFile("Korvid Editor UI.txt", "white\nnormal\nno");
  VstHost host;
  ASSERT_TRUE(host.Load(kPluginPath)) << host.Error();
  host.Open(44100.0, 512);
  HostEditorWindow window(host);
  if (!window.Open())
  {
    GTEST_SKIP() << "no editor: " << window.Error();
  }
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);

  struct Step
  {
    const char* what;
    int x;
    int y;
    bool windowShown;
  };
  // Unscaled button positions, inside their images.
  const Step steps[] = {
      {"the first-run notice's OK", 750, 486, false}, {"MIDI FILTERS", 1309, 55, true},
      {"the panel's Close", 539, 515, false},         {"the about button", 136, 62, true},
      {"the about window's exit", 750, 490, false},
  };
  EXPECT_TRUE(waitForWindow(window, true)) << "the first-run notice";
  for (const Step& step : steps)
  {
    click(display, window, step.x, step.y);
    EXPECT_TRUE(waitForWindow(window, step.windowShown)) << step.what;
  }
  XCloseDisplay(display);
  window.Close();
  host.Close();
  EXPECT_EQ(home.readFile("Korvid Editor UI.txt"), "white\nnormal\nyes");
}
