// Helpers of the walker tests: a plug-in with a headless surface, and a manager built from UI descriptions
// held in memory.
#pragma once

#include "ConfigTestSupport.h"
#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "Korvid.h"
#include "LiceBitmap.h"
#include "MidiFakeSystem.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace walkertest
{
// A sysex template list of plain parameter-change templates; template k carries k in its parameter byte.
inline std::string sysexList(int count)
{
  std::string xml = "<sysexlist>";
  for (int k = 0; k < count; ++k)
  {
    char bytes[64];
    std::snprintf(bytes, sizeof bytes, "3E 13 00 20 00 %02X %02X 00", k / 128, k % 128);
    xml += std::string("<sysex><values><value>") + bytes + "</value></values></sysex>";
  }
  return xml + "</sysexlist>";
}

// A plug-in with the editor's parameters, a headless surface and a manager that walks a description.
class WalkerFixture : public ::testing::Test
{
protected:
  WalkerFixture()
  {
    setenv("XDG_DATA_HOME", dir.path.c_str(), 1);
    midi->setOutputPorts({"Blofeld Out", "Thru"});
    midi->setInputPorts({"Blofeld In"});
    MidiFakeSystem::installAsDefault(midi);
    plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    surface = std::make_unique<HeadlessSurface>(plug.get(), 1600, 1000, 0, imageDir());
    logPath = (dir.path / "walker.log").string();
  }

  ~WalkerFixture() override
  {
    // Controls and layers go with the surface, before the parameters they point at.
    surface.reset();
    plug.reset();
    MidiFakeSystem::installAsDefault(nullptr);
  }

  static std::string imageDir() { return std::string(KORVID_SOURCE_DIR) + "/resources/img"; }

  // Walks <uiconfig> body </uiconfig> with the value lists and sysex templates given.
  void build(const std::string& body, const std::string& valueLists = "", int style = 0, double scale = 1.0,
             const std::string& sysex = sysexList(64))
  {
    const std::string ui = "<uiconfig><valueLists>" + valueLists + "</valueLists>" + body + "</uiconfig>";
    buildDocuments(ui, sysex, style, scale);
  }

  void buildDocuments(const std::string& ui, const std::string& sysex, int style, double scale)
  {
    manager.setDebugOutput(true, logPath);
    manager.setResourceLoader(
        [ui, sysex](int, const std::string& name, std::string& bytes)
        {
          bytes = configtest::encipher(name.find("sysex") != std::string::npos ? sysex : ui);
          return ResourceLoadResult::Loaded;
        });
    beforeWalk();
    manager.readUIConfig(surface.get(), plug.get(), nullptr, style, scale);
  }

  // Runs right before the walk (sample names, extra images).
  virtual void beforeWalk() {}

  // Registers a blank test image of width x height pixels under name, with its frames stacked or side by
  // side. Call before build (at scale 1).
  void addImage(const std::string& name, int resourceId, int width, int height, int frames, bool horizontal)
  {
    const std::string file = name + ".png";
    surface->AddBitmapResource(file, new LICE_MemBitmap(width, height));
    manager.preloadImage(surface.get(), resourceId, name.c_str(), file.c_str(), frames, horizontal);
  }

  // The test images most tests use: a knob of 4 frames (30 x 30 each), a switch of 2 frames (20 x 10 each),
  // a fader handle (10 x 6).
  void addStandardImages()
  {
    addImage("KNOB", 91001, 30, 120, 4, false);
    addImage("SWITCH", 91002, 20, 20, 2, false);
    addImage("HANDLE", 91003, 10, 6, 1, false);
  }

  // The control bound last to parameter index.
  IControl* lastControl(int index)
  {
    ControlAction* bound = action(index);
    return bound == nullptr || bound->boundControls.empty() ? nullptr : bound->boundControls.back();
  }

  IParam* param(int index)
  {
    IPlugBase* base = plug.get();
    return base->GetParam(index);
  }

  ControlAction* action(int index) { return param(index)->GetAction(); }

  ControlLayer* layer(const std::string& name)
  {
    auto found = manager.layerByName.find(name);
    return found == manager.layerByName.end() ? nullptr : found->second;
  }

  // Every log line written, without its time stamp.
  std::vector<std::string> logLines() const
  {
    std::vector<std::string> lines;
    std::ifstream in(logPath);
    std::string line;
    while (std::getline(in, line))
    {
      const std::size_t text = line.find("\t ");
      lines.push_back(text == std::string::npos ? line : line.substr(text + 2));
    }
    return lines;
  }

  // Log lines that contain every one of the words.
  std::vector<std::string> logLinesWith(const std::vector<std::string>& words) const
  {
    std::vector<std::string> found;
    for (const std::string& line : logLines())
    {
      bool all = true;
      for (const std::string& word : words)
        all = all && line.find(word) != std::string::npos;
      if (all)
        found.push_back(line);
    }
    return found;
  }

  // Counts the controls of a layer tree.
  static int countControls(const ControlLayer* tree)
  {
    int count = static_cast<int>(tree->mControls.size());
    for (const ControlLayer* sub : tree->mSubLayers)
      count += countControls(sub);
    return count;
  }

  // Every control of the surface: its own list and all layer trees.
  int totalControls() const
  {
    int count = surface->NControls();
    for (int i = 0; i < surface->NLayers(); ++i)
      count += countControls(surface->GetLayer(i));
    return count;
  }

  configtest::TempDir dir;
  std::shared_ptr<MidiFakeSystem> midi = MidiFakeSystem::create();
  std::unique_ptr<Korvid> plug;
  std::unique_ptr<HeadlessSurface> surface;
  UIConfigManager manager;
  std::string logPath;
};
} // namespace walkertest
