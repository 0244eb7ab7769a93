// Benchmarks of the editor surface: a full redraw of 9,000 controls in layers, and idle timer ticks.
#include "ControlLayer.h"
#include "EditorLock.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "IPlugBase.h"
#include "lice.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace
{
constexpr int kLayers = 90;
constexpr int kControlsPerLayer = 100;
constexpr int kCell = 16;
constexpr int kColumns = 100;
constexpr int kWidth = kColumns * kCell;
constexpr int kHeight = (kLayers * kControlsPerLayer / kColumns) * kCell;
constexpr int kParams = kLayers * kControlsPerLayer;
constexpr int kUniqueId = 0x53726662;
constexpr int kMakerId = 0x42656e63;

// A plug-in base whose host calls do nothing.
class BenchPlug : public IPlugBase
{
public:
  BenchPlug()
      : IPlugBase(kParams, "2-2", 0, "Bench", "Bench", "Bench", 0x010000, kUniqueId, kMakerId, 0, true, true,
                  true, kAPIVST2)
  {
    initialize(0, kParams, "2-2", 0, "Bench", "Bench", "Bench", 0x010000, kUniqueId, kMakerId, 0, true, true,
               true);
    addNonAutomateParamCount(kParams);
  }
  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int, double) override {}
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiVST(IMidiMsg*) override { return false; }
  bool SendMidiMsg(IMidiMsg*) override { return false; }
};

// 90 shown layers of 100 controls each (knob strips, switches and panels) on a 1600 x 1440 surface.
struct BigEditor
{
  BigEditor()
  {
    strip = std::make_unique<LICE_MemBitmap>(kCell, kCell * 32);
    LICE_FillRect(strip.get(), 0, 0, kCell, kCell * 32, LICE_RGBA(200, 120, 40, 255), 1.0f,
                  LICE_BLIT_MODE_COPY);
    IBitmap knobs(strip.get(), kCell, kCell * 32, 32);
    IBitmap switches(strip.get(), kCell, kCell * 2, 2);
    backgroundPixels = std::make_unique<LICE_MemBitmap>(kWidth, kHeight);
    LICE_FillRect(backgroundPixels.get(), 0, 0, kWidth, kHeight, LICE_RGBA(30, 30, 30, 255), 1.0f,
                  LICE_BLIT_MODE_COPY);
    IBitmap background(backgroundPixels.get(), kWidth, kHeight);
    surface = new HeadlessSurface(&plug, kWidth, kHeight);
    // A skin image as background, as the editor has: its blit is clipped to the area drawn.
    surface->AttachControl(new IBitmapControl(&plug, 0, 0, -1, &background, IChannelBlend(kBlendClobber)));
    for (int l = 0; l < kLayers; ++l)
    {
      auto* layer = new ControlLayer(l, "layer");
      for (int c = 0; c < kControlsPerLayer; ++c)
      {
        const int index = l * kControlsPerLayer + c;
        const int x = (index % kColumns) * kCell;
        const int y = (index / kColumns) * kCell;
        IControl* control = nullptr;
        if (c % 3 == 0)
        {
          control = new IKnobMultiControl(&plug, x, y, index, &knobs);
        }
        else if (c % 3 == 1)
        {
          control = new ISwitchControl(&plug, x, y, index, &switches);
        }
        else
        {
          IColor color(255, 40, 160, 200);
          control = new IPanelControl(&plug, IRECT(x, y, x + kCell, y + kCell), &color);
        }
        layer->AddControl(control);
      }
      layers.push_back(layer);
      surface->AttachLayer(layer);
    }
    plug.AttachGraphics(surface);
    for (ControlLayer* layer : layers)
    {
      layer->Hide(false);
    }
    while (surface->Tick())
    {
    }
  }

  BenchPlug plug;
  std::unique_ptr<LICE_IBitmap> strip;
  std::unique_ptr<LICE_IBitmap> backgroundPixels;
  HeadlessSurface* surface = nullptr; // owned by plug
  std::vector<ControlLayer*> layers;
};

BigEditor& Editor()
{
  static BigEditor editor;
  return editor;
}

// Every control dirty, then one timer tick: collect the area and draw the whole surface.
void BM_SurfaceFullRedraw9000(benchmark::State& state)
{
  BigEditor& e = Editor();
  for (auto _ : state)
  {
    state.PauseTiming();
    for (ControlLayer* layer : e.layers)
    {
      layer->setControlsDirty();
    }
    state.ResumeTiming();
    benchmark::DoNotOptimize(e.surface->Tick());
  }
  state.SetItemsProcessed(state.iterations() * kLayers * kControlsPerLayer);
}
BENCHMARK(BM_SurfaceFullRedraw9000)->Unit(benchmark::kMillisecond);

// A timer tick with nothing dirty: the idle check returns before walking the controls.
void BM_SurfaceIdleTick(benchmark::State& state)
{
  BigEditor& e = Editor();
  while (e.surface->Tick())
  {
  }
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(e.surface->Tick());
  }
}
BENCHMARK(BM_SurfaceIdleTick);

// The dirty walk over all 9,000 controls that the idle check saves (something was marked, nothing is dirty).
void BM_SurfaceDirtyWalkNothingDirty(benchmark::State& state)
{
  BigEditor& e = Editor();
  while (e.surface->Tick())
  {
  }
  for (auto _ : state)
  {
    EditorLock::Get().MarkDirty();
    IRECT r;
    benchmark::DoNotOptimize(e.surface->IsDirty(&r));
  }
}
BENCHMARK(BM_SurfaceDirtyWalkNothingDirty);

// One value from the synthesizer's data pushed to its control, then the tick that redraws it.
void BM_SurfacePushAndRedrawOneControl(benchmark::State& state)
{
  BigEditor& e = Editor();
  double value = 0.0;
  for (auto _ : state)
  {
    value = value > 0.5 ? 0.0 : 0.75;
    e.surface->SetParameterFromPlug(4500, value, true);
    benchmark::DoNotOptimize(e.surface->Tick());
  }
}
BENCHMARK(BM_SurfacePushAndRedrawOneControl);
} // namespace
