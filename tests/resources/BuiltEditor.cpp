// Builds an editor from a plug-in folder's resources on a headless surface.
#include "BuiltEditor.h"

#include "HeadlessSurface.h"
#include "IParam.h"
#include "Korvid.h"
#include "MidiFakeSystem.h"

#include <cstdlib>
#include <fstream>

namespace resources_test
{

namespace
{
// Size of the surface at size factor 1, as the editor makes it.
constexpr int kSurfaceWidth = 1500;
constexpr int kSurfaceHeight = 757;
} // namespace

BuiltEditor::BuiltEditor(const std::string& pluginDirIn, int styleIn, double scaleIn)
    : style(styleIn), scale(scaleIn), pluginDir(pluginDirIn)
{
  std::string pattern = (std::filesystem::temp_directory_path() / "korvid-built-XXXXXX").string();
  if (mkdtemp(&pattern[0]) != nullptr)
    dataDir_ = pattern;
  setenv("XDG_DATA_HOME", dataDir_.c_str(), 1);
  midi_ = MidiFakeSystem::create();
  MidiFakeSystem::installAsDefault(midi_);
  plug_ = std::make_unique<Korvid>(IPlugInstanceInfo{});
  surface_ = std::make_unique<HeadlessSurface>(plug_.get(), static_cast<int>(kSurfaceWidth * scale),
                                               static_cast<int>(kSurfaceHeight * scale), 0,
                                               pluginDir + "/resources/img");
  const std::string logPath = (dataDir_ / "walk.log").string();
  manager_.setDebugOutput(true, logPath);
  // The manager's own file loader: "resources/uiconfig.tea" and "resources/sysex.tea" in the plug-in folder.
  manager_.setResourceDirectory(pluginDir);
  manager_.readUIConfig(surface_.get(), plug_.get(), nullptr, style, scale);

  std::ifstream in(logPath);
  std::string line;
  while (std::getline(in, line))
  {
    const std::size_t text = line.find("\t ");
    logLines_.push_back(text == std::string::npos ? line : line.substr(text + 2));
  }
}

BuiltEditor::~BuiltEditor()
{
  for (const auto& [name, info] : manager_.imageCache)
  {
    IBitmap bitmap = surface_->getImageById(info.resourceId, info.frameCount, info.framesHorizontal);
    surface_->ReleaseBitmap(&bitmap);
  }
  // Controls and layers go with the surface, before the parameters they point at.
  surface_.reset();
  plug_.reset();
  MidiFakeSystem::installAsDefault(nullptr);
  std::error_code error;
  if (!dataDir_.empty())
    std::filesystem::remove_all(dataDir_, error);
}

IParam* BuiltEditor::param(int index) const
{
  if (index < 0 || index >= paramCount())
    return nullptr;
  IPlugBase* base = plug_.get();
  return base->GetParam(index);
}

ControlAction* BuiltEditor::action(int index) const
{
  IParam* p = param(index);
  return p == nullptr ? nullptr : p->GetAction();
}

int BuiltEditor::paramCount() const
{
  IPlugBase* base = plug_.get();
  return base->NParams();
}

} // namespace resources_test
