// The X11 editor view: one drawing pass of an editor-sized surface presented in its window (needs $DISPLAY).
#include "IControl.h"
#include "IGraphicsLinux.h"

#include "IGraphicsX11View.h"

#include <benchmark/benchmark.h>

namespace
{
// The editor at its standard size.
constexpr int kEditorWidth = 1500;
constexpr int kEditorHeight = 757;

void BM_ViewDrawPassPresented(benchmark::State& state)
{
  IGraphicsLinux graphics(nullptr, kEditorWidth, kEditorHeight);
  graphics.PrepDraw();
  const IColor background(255, 40, 40, 48);
  const IColor knob(255, 200, 120, 20);
  graphics.AttachControl(new IPanelControl(nullptr, IRECT(0, 0, kEditorWidth, kEditorHeight), &background));
  graphics.AttachControl(new IPanelControl(nullptr, IRECT(100, 100, 160, 160), &knob));
  if (!graphics.OpenWindow(nullptr))
  {
    state.SkipWithError("no X display");
    return;
  }
  Display* display = graphics.GetView()->GetDisplay();
  IRECT area(100, 100, 161, 161);
  for (auto _ : state)
  {
    // One knob's area redrawn, the whole bitmap presented, and the server done with it.
    graphics.Draw(&area);
    XSync(display, False);
  }
  graphics.CloseWindow();
}
BENCHMARK(BM_ViewDrawPassPresented)->Unit(benchmark::kMillisecond);
} // namespace
