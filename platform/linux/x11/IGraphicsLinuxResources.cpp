// The Linux surface's resources and paths: files beside the loaded plug-in, found with dladdr.
#include "IGraphicsLinux.h"

#include "LicePng.h"
#include "WdlString.h"

#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{
// Any address inside this library: dladdr names the file it was loaded from.
void anchor() {}

std::string loadedFile()
{
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&anchor), &info) || !info.dli_fname || !*info.dli_fname)
  {
    return std::string();
  }
  return info.dli_fname;
}

std::string loadedFolder()
{
  const std::string file = loadedFile();
  const size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}
} // namespace

std::string IGraphicsLinux::ResourcePath(const char* name)
{
  if (!name || !*name || name[0] == '/')
  {
    return std::string();
  }
  const std::string relative = name;
  // No component may be "..": resources stay inside the plug-in's folder.
  size_t start = 0;
  while (start <= relative.size())
  {
    const size_t end = relative.find('/', start);
    const std::string component =
        relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (component == "..")
    {
      return std::string();
    }
    if (end == std::string::npos)
    {
      break;
    }
    start = end + 1;
  }
  const std::string folder = loadedFolder();
  return folder.empty() ? std::string() : folder + "/" + relative;
}

void IGraphicsLinux::HostPath(WDL_String* path)
{
  const std::string file = loadedFile();
  if (path && !file.empty())
  {
    path->Set(file.c_str());
  }
}

void IGraphicsLinux::PluginPath(WDL_String* path)
{
  const std::string file = loadedFile();
  if (path && !file.empty())
  {
    path->Set((loadedFolder() + "/").c_str());
  }
}

void IGraphicsLinux::DesktopPath(WDL_String* path)
{
  const char* home = std::getenv("HOME");
  if (path)
  {
    path->Set((std::string(home ? home : "") + "/Desktop/").c_str());
  }
}

char* IGraphicsLinux::OSLoadFile(int, const char* name)
{
  const std::string path = ResourcePath(name);
  if (path.empty() || access(path.c_str(), F_OK) != 0)
  {
    return nullptr;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file)
  {
    std::fputs("failed to open file", stdout);
    return nullptr;
  }
  // A buffer of the file's size (at most kLoadFileBufferSize), not of the most it could be: start-up reads
  // two resources, and pages it never uses cost it time.
  long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  size = size < 0 ? kLoadFileBufferSize : std::min<long>(size, kLoadFileBufferSize);
  std::rewind(file);
  char* buffer = new char[static_cast<size_t>(size) + 1];
  const size_t read = std::fread(buffer, 1, static_cast<size_t>(size), file);
  // Text resources are read as C strings: a terminator follows what was read.
  buffer[read] = 0;
  mLastLoadedFileSize = static_cast<int>(read);
  std::fclose(file);
  return buffer;
}

LICE_IBitmap* IGraphicsLinux::OSLoadBitmap(int, const char* name)
{
  const std::string path = ResourcePath(name);
  const size_t dot = path.find_last_of('.');
  if (path.empty() || dot == std::string::npos || strcasecmp(path.c_str() + dot + 1, "png") != 0)
  {
    return nullptr;
  }
  return LICE_LoadPNGDeferred(path.c_str());
}
