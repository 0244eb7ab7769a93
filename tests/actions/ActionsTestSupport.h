// Helpers of the action tests: a temporary folder, a recording plug-in, a probe control, PNG files.
#pragma once

#include "../support/TempDir.h"

#include "IControl.h"
#include "IPlugBase.h"

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace actionstest
{
// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir : public korvidtest::TempDir
{
public:
  TempDir() : korvidtest::TempDir("korvid-actions") {}
};

inline std::string readFile(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void touchFile(const std::filesystem::path& path)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
}

// A plug-in base with every host call answered; records the change handler and the host notifications.
class RecordingPlug : public IPlugBase
{
public:
  explicit RecordingPlug(int nParams = 16)
      : IPlugBase(nParams, "2-2", 0, "Actions Test", "Actions Test", "Test", 0x010000, 0x41637473, 0x54657374,
                  0, true, true, true, kAPIVST2)
  {
    initialize(0, nParams, "2-2", 0, "Actions Test", "Actions Test", "Test", 0x010000, 0x41637473, 0x54657374,
               0, true, true, true);
    addNonAutomateParamCount(nParams);
  }

  void OnParamChange(int idx) override { changes.push_back(idx); }
  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int idx, double) override { pushes.push_back(idx); }
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int* num, int* denom) override
  {
    *num = 4;
    *denom = 4;
  }
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiVST(IMidiMsg*) override { return false; }
  bool SendMidiMsg(IMidiMsg*) override { return false; }

  // Parameters whose change handler ran, and every value pushed to the host, in order.
  std::vector<int> changes;
  std::vector<int> pushes;
};

// A control that draws nothing; stands for any control a factory builds.
class ProbeControl : public IControl
{
public:
  explicit ProbeControl(int paramIdx = -1) : IControl(nullptr, IRECT(0, 0, 1, 1), paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
};

// Writes a PNG of width x height whose frames (frameCount of them, side by side or stacked) are filled
// with the colours in turn (0xRRGGBB, opaque).
inline bool writeFramesPng(const std::filesystem::path& path, int width, int height, int frameCount,
                           bool framesHorizontal, const std::vector<unsigned>& colours)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  for (int i = 0; i < frameCount; ++i)
  {
    const unsigned rgb = colours[static_cast<std::size_t>(i) % colours.size()];
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
    if (framesHorizontal)
      cairo_rectangle(cr, i * width / frameCount, 0, width / frameCount, height);
    else
      cairo_rectangle(cr, 0, i * height / frameCount, width, height / frameCount);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}
} // namespace actionstest
