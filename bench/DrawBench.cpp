// Drawing benchmarks: one full editor frame (background plus 200 knob frames) and loading and scaling images.
#include "HeadlessSurface.h"
#include "lice.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
const int kEditorW = 1500;
const int kEditorH = 757;
const int kKnob = 48;
const int kKnobFrames = 64;

// The headless surface with the drawing area open to the benchmarks.
class BenchGraphics : public HeadlessSurface
{
public:
  BenchGraphics(int w, int h, std::string resourceDir = "") : HeadlessSurface(nullptr, w, h, 0, resourceDir)
  {
    PrepDraw();
  }
  void SetDrawArea(const IRECT& r) { mDrawArea = r; }
};

LICE_IBitmap* makeBackground()
{
  LICE_IBitmap* bm = new LICE_MemBitmap(kEditorW, kEditorH);
  for (int y = 0; y < kEditorH; y += 8)
  {
    LICE_FillRect(bm, 0, y, kEditorW, 8, LICE_RGBA(20, 20, 30 + y % 64, 255), 1.0f, LICE_BLIT_MODE_COPY);
  }
  return bm;
}

LICE_IBitmap* makeKnobStrip()
{
  LICE_IBitmap* bm = new LICE_MemBitmap(kKnob, kKnob * kKnobFrames);
  for (int f = 0; f < kKnobFrames; ++f)
  {
    LICE_FillRect(bm, 4, f * kKnob + 4, kKnob - 8, kKnob - 8, LICE_RGBA(120, 120, 128, 255), 1.0f,
                  LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
    LICE_Line(bm, kKnob / 2, f * kKnob + kKnob / 2, f % kKnob, f * kKnob + 6, LICE_RGBA(255, 170, 0, 255),
              1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, true);
  }
  return bm;
}
} // namespace

// One redraw of the whole editor: the background copied plainly, then 200 knobs with alpha, each a frame.
static void BM_DrawEditorFrame(benchmark::State& state)
{
  BenchGraphics g(kEditorW, kEditorH);
  g.AddBitmapResource("background", makeBackground());
  g.AddBitmapResource("knob", makeKnobStrip());
  IBitmap bg = g.LoadIBitmap(3000, "background", 1.0);
  IBitmap knob = g.LoadIBitmap(3001, "knob", 1.0, kKnobFrames, false);

  g.SetDrawArea(IRECT(0, 0, kEditorW, kEditorH));
  IRECT whole(0, 0, kEditorW, kEditorH);
  const IChannelBlend clobber(kBlendClobber);
  std::vector<IRECT> places;
  for (int i = 0; i < 200; ++i)
  {
    const int x = 10 + (i % 25) * 58;
    const int y = 10 + (i / 25) * 90;
    places.emplace_back(x, y, x + kKnob, y + kKnob);
  }
  int frame = 0;
  for (auto _ : state)
  {
    g.DrawBitmap(&bg, &whole, 1, &clobber);
    for (IRECT& r : places)
    {
      g.DrawBitmap(&knob, &r, 1 + (frame++ % kKnobFrames), nullptr);
    }
    benchmark::DoNotOptimize(g.GetDrawBitmap());
  }
  state.SetItemsProcessed(state.iterations());
  g.ReleaseBitmap(&bg);
  g.ReleaseBitmap(&knob);
}
BENCHMARK(BM_DrawEditorFrame)->Unit(benchmark::kMillisecond);

// 100 PNG files of 200 x 120 loaded and scaled by 1.15 into the cache, then released for the next round.
static void BM_LoadAndScale100Images(benchmark::State& state)
{
  const std::string dir = "/tmp/korvid_drawbench_" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  std::vector<std::string> files;
  for (int i = 0; i < 100; ++i)
  {
    LICE_MemBitmap image(200, 120);
    LICE_FillRect(&image, 0, 0, 200, 120, LICE_RGBA(i, 255 - i, 80, 255), 1.0f, LICE_BLIT_MODE_COPY);
    LICE_Line(&image, 0, 0, 199, 119, LICE_RGBA(255, 255, 255, 255), 1.0f, LICE_BLIT_MODE_COPY, true);
    files.push_back(dir + "/" + std::to_string(i) + ".png");
    LICE_WritePNG(files.back().c_str(), &image);
  }
  BenchGraphics g(100, 100, dir);
  for (auto _ : state)
  {
    std::vector<IBitmap> loaded;
    for (int i = 0; i < 100; ++i)
    {
      loaded.push_back(g.LoadIBitmap(4000 + i, files[static_cast<size_t>(i)].c_str(), 1.15));
    }
    state.PauseTiming();
    for (IBitmap& bm : loaded)
    {
      g.ReleaseBitmap(&bm);
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 100);
  for (const std::string& f : files)
  {
    std::remove(f.c_str());
  }
  rmdir(dir.c_str());
}
BENCHMARK(BM_LoadAndScale100Images)->Unit(benchmark::kMillisecond);

namespace
{
enum class SkinSet
{
  Common,
  Light,
  Dark
};

struct SkinFile
{
  SkinSet set;
  const char* file;
};

constexpr SkinFile kSkinFiles[] = {
#define KORVID_SKIN_IMAGE(set, name, id, file, frames, horizontal) {SkinSet::set, file},
#include "SkinImages.def"
#undef KORVID_SKIN_IMAGE
};
} // namespace

// Decoding every image of the light skin from the built plug-in folder, as the editor does when it first
// opens: the cost that start-up no longer pays.
static void BM_DecodeSkinImages(benchmark::State& state)
{
  const std::string folder = std::string(KORVID_BINARY_DIR) + "/Korvid Editor/resources/img/";
  std::vector<std::string> files;
  for (const SkinFile& image : kSkinFiles)
  {
    if (image.set != SkinSet::Dark)
    {
      files.push_back(folder + image.file + ".png");
    }
  }
  for (auto _ : state)
  {
    for (const std::string& file : files)
    {
      LICE_IBitmap* bitmap = LICE_LoadPNGDeferred(file.c_str());
      if (!bitmap)
      {
        state.SkipWithError(("cannot read " + file).c_str());
        return;
      }
      benchmark::DoNotOptimize(bitmap->surface());
      delete bitmap;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(files.size()));
}
BENCHMARK(BM_DecodeSkinImages)->Unit(benchmark::kMillisecond);
