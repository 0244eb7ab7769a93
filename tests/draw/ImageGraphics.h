// A headless surface for the drawing tests: images come from a table the test fills, never from files.
#pragma once

#include "IGraphics.h"
#include "lice.h"

#include <functional>
#include <map>
#include <string>

// OSLoadBitmap builds the image registered under the name (a fresh copy each time) and counts the loads;
// every window operation is inert.
class ImageGraphics : public IGraphics
{
public:
  using Maker = std::function<LICE_IBitmap*()>;

  ImageGraphics(int w = 200, int h = 100) : IGraphics(nullptr, w, h, 0) { PrepDraw(); }

  void AddImage(const std::string& name, Maker maker) { mMakers[name] = std::move(maker); }
  int LoadCount() const { return mLoads; }
  void SetDrawArea(const IRECT& r) { mDrawArea = r; }
  LICE_IBitmap* Canvas() const { return mOffscreen; }

  bool DrawScreen(IRECT*) override { return true; }
  void ForceEndUserEdit() override {}
  int ShowMessageBox(const char*, const char*, int) override { return 0; }
  IPopupMenu* CreateIPopupMenu(IPopupMenu*, IRECT*) override { return nullptr; }
  void CreateTextEntry(IControl*, IText*, IRECT*, const char*, IParam*) override {}
  void HostPath(WDL_String*) override {}
  void PluginPath(WDL_String*) override {}
  void DesktopPath(WDL_String*) override {}
  void PromptForFile(WDL_String*, EFileAction, WDL_String*, const char*) override {}
  bool PromptForColor(IColor*, const char*) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  using IGraphics::OpenWindow;
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  char* OSLoadFile(int, const char*) override { return nullptr; }
  LICE_IBitmap* OSLoadBitmap(int, const char* name) override
  {
    ++mLoads;
    const auto it = mMakers.find(name ? name : "");
    return it == mMakers.end() ? nullptr : it->second();
  }

private:
  std::map<std::string, Maker> mMakers;
  int mLoads = 0;
};
