// Test support: an editor built from a plug-in folder's resources the way the plug-in builds it: the
// enciphered UI description and sysex template list deciphered by UIConfigManager's loader, the skin images
// of resources/img, the walk on a headless surface in one skin and size.
#pragma once

#include "ControlAction.h"
#include "UIConfigManager.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class HeadlessSurface;
class IParam;
class Korvid;
class MidiFakeSystem;

namespace resources_test
{

class BuiltEditor
{
public:
  // pluginDir holds resources/uiconfig.tea, resources/sysex.tea and resources/img/; style 0 light, 1 dark;
  // scale the size factor (0.85, 1.0, 1.15). Builds at once; the log of the walk is kept in logLines.
  BuiltEditor(const std::string& pluginDir, int style, double scale);
  // Releases the skin bitmaps from the process-wide cache, so that the next editor loads its own files.
  ~BuiltEditor();
  BuiltEditor(const BuiltEditor&) = delete;
  BuiltEditor& operator=(const BuiltEditor&) = delete;

  const int style;
  const double scale;
  const std::string pluginDir;

  // The parameter at index, null outside the table; its control action, null when nothing is bound.
  IParam* param(int index) const;
  ControlAction* action(int index) const;
  int paramCount() const;

  HeadlessSurface& surface() { return *surface_; }
  UIConfigManager& manager() { return manager_; }
  const UIConfigManager& manager() const { return manager_; }
  // Every line the walk logged, without its time stamp.
  const std::vector<std::string>& logLines() const { return logLines_; }

private:
  std::filesystem::path dataDir_;
  std::shared_ptr<MidiFakeSystem> midi_;
  std::unique_ptr<Korvid> plug_;
  std::unique_ptr<HeadlessSurface> surface_;
  UIConfigManager manager_;
  std::vector<std::string> logLines_;
};

} // namespace resources_test
