// A temporary XDG_DATA_HOME for tests that touch the data folder; removed with everything in it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <ftw.h>
#include <gtest/gtest.h>
#include <unistd.h>

// Points XDG_DATA_HOME at a fresh folder for the object's life and restores the former value after.
class TempDataHome
{
public:
  TempDataHome()
  {
    const char* old = std::getenv("XDG_DATA_HOME");
    mHadOld = old != nullptr;
    if (old)
      mOld = old;
    std::string pattern = std::string(testing::TempDir()) + "korvid-data-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
      throw std::runtime_error("mkdtemp failed");
    mRoot = buffer.data();
    setenv("XDG_DATA_HOME", mRoot.c_str(), 1);
  }

  ~TempDataHome()
  {
    nftw(mRoot.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    if (mHadOld)
      setenv("XDG_DATA_HOME", mOld.c_str(), 1);
    else
      unsetenv("XDG_DATA_HOME");
  }

  TempDataHome(const TempDataHome&) = delete;
  TempDataHome& operator=(const TempDataHome&) = delete;

  const std::string& root() const { return mRoot; }
  // The editor's data folder under this data home, with a trailing slash.
  std::string folder() const { return mRoot + "/Quillmarsh/Korvid Editor/"; }

  void createFolder() const
  {
    mkdir((mRoot + "/Quillmarsh").c_str(), 0755);
    mkdir(folder().c_str(), 0755);
  }

  // Writes bytes exactly (no line-end translation) to a file of the data folder, creating the folder.
  void writeFile(const std::string& name, const std::string& bytes) const
  {
    createFolder();
    std::ofstream out(folder() + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  bool exists(const std::string& name) const
  {
    struct stat info;
    return stat((folder() + name).c_str(), &info) == 0;
  }

  std::string readFile(const std::string& name) const
  {
    std::ifstream in(folder() + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  static int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

  std::string mRoot;
  std::string mOld;
  bool mHadOld = false;
};
