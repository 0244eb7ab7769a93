// Whole-file writes through a temporary file and a rename.
#include "SafeFileWriter.h"

#include "IPlugStructs.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr mode_t kNewFileMode = 0644;
constexpr int kMaxAlternativeNames = 10000;

// The longest file name the folder's file system takes, in bytes.
size_t nameLimit(const std::string& folder)
{
  const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : static_cast<size_t>(NAME_MAX);
}

// head + tail as a file name of folder, head cut between letters so that the name fits its file system.
std::string fittedName(const std::string& folder, const std::string& head, const std::string& tail)
{
  const size_t limit = nameLimit(folder);
  const size_t room = limit > tail.size() ? limit - tail.size() : 0;
  return folder + head.substr(0, CharacterCut(head.data(), head.size(), room)) + tail;
}

bool exists(const std::string& path)
{
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

void setError(std::string* error, const std::string& text)
{
  if (error != nullptr)
    *error = text + ": " + std::strerror(errno);
}

// Moves temp to path without replacing an existing file.
bool renameNoReplace(const std::string& temp, const std::string& path)
{
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS)
    return false;
  // File systems without the flag: a hard link fails on an existing name as well.
  if (::link(temp.c_str(), path.c_str()) != 0)
    return false;
  ::unlink(temp.c_str());
  return true;
}
} // namespace

bool SafeFileWriter::write(const std::string& path, const unsigned char* bytes, int size, bool replace,
                           std::string* error)
{
  if (path.empty() || path.back() == '/' || size < 0 || (bytes == nullptr && size > 0))
  {
    errno = EINVAL;
    setError(error, "no file name");
    return false;
  }
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  // Beside the file, on its file system; named after it as far as a name of that file system holds.
  std::string temp = fittedName(folder, "." + base, ".XXXXXX");
  std::vector<char> templ(temp.begin(), temp.end());
  templ.push_back('\0');
  const int fd = ::mkstemp(templ.data());
  if (fd < 0)
  {
    setError(error, "cannot create a temporary file in the folder");
    return false;
  }
  temp.assign(templ.data());

  mode_t mode = kNewFileMode;
  struct stat info;
  if (replace && ::stat(path.c_str(), &info) == 0)
    mode = info.st_mode & 07777;

  bool ok = ::fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < static_cast<size_t>(size))
  {
    const ssize_t n = ::write(fd, bytes + done, static_cast<size_t>(size) - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (ok)
    ok = ::fsync(fd) == 0;
  if (!ok)
    setError(error, "cannot write the file");
  if (::close(fd) != 0 && ok)
  {
    setError(error, "cannot write the file");
    ok = false;
  }
  if (ok)
  {
    ok = replace ? ::rename(temp.c_str(), path.c_str()) == 0 : renameNoReplace(temp, path);
    if (!ok)
      setError(error, replace ? "cannot replace the file" : "the file exists or cannot be created");
  }
  if (!ok)
    ::unlink(temp.c_str());
  return ok;
}

std::string SafeFileWriter::freePath(const std::string& path)
{
  if (!exists(path))
    return path;
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = path.substr(0, nameStart);
  const std::string stem = path.substr(nameStart, hasExtension ? dot - nameStart : std::string::npos);
  const std::string extension = hasExtension ? path.substr(dot) : std::string();
  for (int n = 2; n < kMaxAlternativeNames; ++n)
  {
    // A name as long as the file system takes gives up the end of its stem to the number.
    const std::string candidate = fittedName(folder, stem, " (" + std::to_string(n) + ")" + extension);
    if (!exists(candidate))
      return candidate;
  }
  return path;
}
