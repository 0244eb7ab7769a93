// Start-up cost of building the editor from a UI description: reading, deciphering and walking about 1,250
// elements that expand to about 9,000 controls.
#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "TeaKey.h"
#include "UIConfigManager.h"
#include "tea.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kPartCopies = 16;
// Elements inside the part expansion (built 16 times) and outside it.
constexpr int kElementsPerPart = 520;
constexpr int kElementsOutside = 730;
constexpr int kTemplates = 600;

std::string encipher(std::string plain)
{
  unsigned int key[4];
  teaKeyWords(kTeaResourceKey, key);
  while (plain.size() % Tea::kBlockSize != 0)
    plain.push_back('\0');
  for (std::size_t pos = 0; pos < plain.size(); pos += Tea::kBlockSize)
    Tea::simpleencrypt(reinterpret_cast<unsigned char*>(&plain[pos]), key);
  return plain;
}

// The names of the per-part parameter blocks, in table order.
std::vector<std::string> partBlocks()
{
  std::vector<std::string> names;
  for (const ParamTableEntry& entry : kParamTable)
  {
    if (entry.count == kPartCopies)
      names.push_back(entry.name);
  }
  return names;
}

// One control element of a mix like the editor's pages: mostly sysex knobs, some menus, buttons, CC knobs,
// switches and numbered menus.
std::string element(int n, const std::string& ref)
{
  const std::string common = " paramId=\"" + ref + "\" paramGroup=\"G\" position=\"" +
                             std::to_string(n % 1500) + "," + std::to_string(n % 900);
  switch (n % 8)
  {
  case 0:
  case 1:
  case 2:
  case 3:
    return "<knobcontrol type=\"seKnob\" name=\"K\" imageId=\"IKNOBROTATERCONTROL_ID3\"" + common +
           ",0\" valueBounds=\"64,0,127,0\" sysexIndex=\"" + std::to_string(n % kTemplates) +
           "\" changingByte=\"8\"/>";
  case 4:
    return "<menucontrol type=\"seMenu\" name=\"M\"" + common +
           ",40\" valueBounds=\"0,0,8,0\" valueList=\"eight\" sysexIndex=\"" +
           std::to_string(n % kTemplates) + "\" changingByte=\"8\"/>";
  case 5:
    return "<buttoncontrol type=\"seButton\" name=\"B\" imageId=\"BTN_18x18_ID\"" + common +
           ",0\" valueBounds=\"0,0,1,0\" sysexIndex=\"" + std::to_string(n % kTemplates) +
           "\" changingByte=\"8\"/>";
  case 6:
    return "<knobcontrol type=\"ccKnob\" name=\"C\" imageId=\"IKNOBROTATERCONTROL_ID3\"" + common +
           ",0\" valueBounds=\"0,0,127,1\" ccNumber=\"" + std::to_string(n % 120) + "\" channel=\"1\"/>";
  default:
    return "<switch name=\"S\" imageId=\"BTN_18x18_ID\"" + common + "\" valueBounds=\"0,0,1\"/>";
  }
}

std::string description()
{
  const std::vector<std::string> blocks = partBlocks();
  std::string xml = "<uiconfig><valueLists><list name=\"eight\">";
  for (int k = 0; k < 8; ++k)
    xml += "<value>v" + std::to_string(k) + "</value>";
  xml += "</list></valueLists><layer name=\"main\">";
  for (int n = 0; n < kElementsOutside; ++n)
    xml += element(n, blocks[static_cast<std::size_t>(n) % blocks.size()] + "+" +
                          std::to_string(n % kPartCopies));
  xml += "<multilayer name=\"part\" create=\"16\">";
  for (int n = 0; n < kElementsPerPart; ++n)
    xml += element(n, blocks[static_cast<std::size_t>(n) % blocks.size()]);
  return xml + "</multilayer></layer></uiconfig>";
}

int countControls(const ControlLayer* layer)
{
  int count = static_cast<int>(layer->mControls.size());
  for (const ControlLayer* sub : layer->mSubLayers)
    count += countControls(sub);
  return count;
}

std::string templates()
{
  std::string xml = "<sysexlist>";
  for (int k = 0; k < kTemplates; ++k)
  {
    char bytes[48];
    std::snprintf(bytes, sizeof bytes, "3E 13 00 20 00 %02X %02X 00", k / 128, k % 128);
    xml += std::string("<sysex><values><value>") + bytes + "</value></values></sysex>";
  }
  return xml + "</sysexlist>";
}

// A fresh data folder for the plug-ins the benchmark builds, removed afterwards.
class TempDataHome
{
public:
  TempDataHome()
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvid-walker-bench-XXXXXX").string();
    if (mkdtemp(&pattern[0]) != nullptr)
    {
      path = pattern;
      setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
  }
  ~TempDataHome()
  {
    std::error_code error;
    if (!path.empty())
      std::filesystem::remove_all(path, error);
  }
  TempDataHome(const TempDataHome&) = delete;
  TempDataHome& operator=(const TempDataHome&) = delete;

private:
  std::string path;
};

void BM_WalkUIDescription(benchmark::State& state)
{
  const TempDataHome dataHome;
  const std::string ui = encipher(description());
  const std::string sysex = encipher(templates());
  const std::string images = std::string(KORVID_SOURCE_DIR) + "/resources/img";
  int built = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    auto surface = std::make_unique<HeadlessSurface>(plug.get(), 1600, 1000, 0, images);
    auto manager = std::make_unique<UIConfigManager>();
    manager->setResourceLoader(
        [&](int, const std::string& name, std::string& bytes)
        {
          bytes = name.find("sysex") != std::string::npos ? sysex : ui;
          return ResourceLoadResult::Loaded;
        });
    state.ResumeTiming();

    manager->readUIConfig(surface.get(), plug.get(), nullptr, 0, 1.0);

    state.PauseTiming();
    built = surface->NControls();
    for (int i = 0; i < surface->NLayers(); ++i)
      built += countControls(surface->GetLayer(i));
    surface.reset();
    manager.reset();
    plug.reset();
    state.ResumeTiming();
  }
  state.counters["elements"] = kElementsOutside + kElementsPerPart + 2;
  state.counters["controls"] = built;
}
BENCHMARK(BM_WalkUIDescription)->Unit(benchmark::kMillisecond);
} // namespace
