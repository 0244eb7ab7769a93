// A temporary folder for tests: a fresh folder under the system's temporary folder, removed with everything
// in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace korvidtest
{
class TempDir
{
public:
  // prefix names the folder ("korvid-config" gives /tmp/korvid-config-XXXXXX); path stays empty when the
  // folder cannot be made.
  explicit TempDir(const std::string& prefix = "korvid-test")
  {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(&pattern[0]) != nullptr)
      path = pattern;
  }
  ~TempDir()
  {
    std::error_code error;
    if (!path.empty())
      std::filesystem::remove_all(path, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::filesystem::path path;
};
} // namespace korvidtest
