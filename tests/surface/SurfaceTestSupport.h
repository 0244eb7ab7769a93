// Helpers of the surface tests: a recording plug-in, a headless surface attached to it, striped test bitmaps.
#pragma once

#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "IParam.h"
#include "IPlugBase.h"
#include "IPopupMenu.h"
#include "lice.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace surfacetest
{
constexpr int kUniqueId = 0x53726674;
constexpr int kMakerId = 0x54657374;

// A plug-in base with every host call answered and every change handler and host gesture recorded.
class RecordingPlug : public IPlugBase
{
public:
  explicit RecordingPlug(int nParams = 16)
      : IPlugBase(nParams, "2-2", 0, "Surface Test", "Surface Test", "Test", 0x010000, kUniqueId, kMakerId, 0,
                  true, true, true, kAPIVST2)
  {
    initialize(0, nParams, "2-2", 0, "Surface Test", "Surface Test", "Test", 0x010000, kUniqueId, kMakerId, 0,
               true, true, true);
    addNonAutomateParamCount(nParams);
  }

  void OnParamChange(int idx) override
  {
    std::lock_guard<std::mutex> guard(recordMutex);
    changes.push_back(idx);
  }
  void OnParamChange2(int idx) override
  {
    std::lock_guard<std::mutex> guard(recordMutex);
    changes2.push_back(idx);
  }
  void BeginInformHostOfParamChange(int idx) override { gestures.push_back(idx + 1); }
  void InformHostOfParamChange(int, double) override {}
  void EndInformHostOfParamChange(int idx) override { gestures.push_back(-(idx + 1)); }
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int* num, int* denom) override
  {
    *num = 4;
    *denom = 4;
  }
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int w, int h) override
  {
    resizedW = w;
    resizedH = h;
  }
  bool SendMidiVST(IMidiMsg*) override { return false; }
  bool SendMidiMsg(IMidiMsg*) override { return false; }

  std::mutex recordMutex;
  std::vector<int> changes;
  std::vector<int> changes2;
  // +(idx + 1) for a gesture begun, -(idx + 1) for one ended.
  std::vector<int> gestures;
  int resizedW = 0;
  int resizedH = 0;
};

// A plug-in with a headless surface attached (prepared and owned by the plug-in).
struct Editor
{
  explicit Editor(int nParams = 16, int w = 200, int h = 200)
  {
    plug = std::make_unique<RecordingPlug>(nParams);
    surface = new HeadlessSurface(plug.get(), w, h);
    plug->AttachGraphics(surface);
  }
  // Base control 0 is the background; tests attach theirs after it.
  void AddBackground(IColor color = IColor(255, 0, 0, 0))
  {
    surface->AttachControl(
        new IPanelControl(plug.get(), IRECT(0, 0, surface->Width(), surface->Height()), &color));
  }
  LICE_pixel Pixel(int x, int y) const { return surface->GetDrawBitmap()->getPixel(x, y); }
  // Draws the whole surface.
  void DrawAll()
  {
    IRECT all(0, 0, surface->Width(), surface->Height());
    surface->Draw(&all);
  }

  std::unique_ptr<RecordingPlug> plug;
  HeadlessSurface* surface = nullptr;
};

// A bitmap of n frames, each w x h, stacked vertically; frame i (from 1) is filled with colors[i - 1].
// The record owns nothing: the caller keeps the returned pixels in pixelsOut.
inline IBitmap StripBitmap(int w, int h, const std::vector<LICE_pixel>& colors,
                           std::vector<std::unique_ptr<LICE_IBitmap>>* pixelsOut)
{
  const int n = static_cast<int>(colors.size());
  auto* pixels = new LICE_MemBitmap(w, h * n);
  for (int i = 0; i < n; ++i)
  {
    LICE_FillRect(pixels, 0, i * h, w, h, colors[static_cast<size_t>(i)], 1.0f, LICE_BLIT_MODE_COPY);
  }
  pixelsOut->emplace_back(pixels);
  return IBitmap(pixels, w, h * n, n, false);
}

constexpr LICE_pixel kRed = LICE_RGBA(255, 0, 0, 255);
constexpr LICE_pixel kGreen = LICE_RGBA(0, 255, 0, 255);
constexpr LICE_pixel kBlue = LICE_RGBA(0, 0, 255, 255);
constexpr LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);
constexpr LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 255);

// A control that records what reaches it and draws nothing.
class ProbeControl : public IControl
{
public:
  ProbeControl(IPlugBase* plug, IRECT r, int paramIdx = -1) : IControl(plug, r, paramIdx) {}
  bool Draw(IGraphics*) override
  {
    ++draws;
    return true;
  }
  void OnMouseDown(int x, int y, IMouseMod* mod) override
  {
    events.push_back('d');
    IControl::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(int, int, IMouseMod*) override { events.push_back('u'); }
  void OnMouseDrag(int, int, int dX, int dY, IMouseMod*) override
  {
    events.push_back('g');
    lastDX = dX;
    lastDY = dY;
  }
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override
  {
    events.push_back('c');
    IControl::OnMouseDblClick(x, y, mod);
  }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override
  {
    events.push_back('w');
    IControl::OnMouseWheel(x, y, mod, d);
  }
  bool OnKeyDown(int, int, int key) override
  {
    events.push_back('k');
    lastKey = key;
    return takesKeys;
  }
  void TextFromTextEntry(const char* txt) override { typed = txt; }

  int draws = 0;
  std::string events;
  int lastDX = 0;
  int lastDY = 0;
  int lastKey = 0;
  bool takesKeys = true;
  std::string typed;
};
} // namespace surfacetest
