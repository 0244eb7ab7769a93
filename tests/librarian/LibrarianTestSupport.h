// Builders for sound and multi dumps, bank files and temporary folders shared by the librarian tests.
#pragma once

#include "IPlugStructs.h"
#include "SharedData.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace librarian_test
{
using Bytes = std::vector<unsigned char>;

constexpr unsigned char kBlofeld = 0x13;
constexpr unsigned char kMicroQ = 0x10;
constexpr unsigned char kQ = 0x0F;
constexpr unsigned char kSound = 0x10;
constexpr unsigned char kMulti = 0x11;
constexpr int kSoundSize = 392;
constexpr int kMultiSize = 425;
constexpr int kNameOffset = 370;
constexpr int kCategoryOffset = 386;

// A sound dump of the given total length (F0..F7): data bytes follow a simple pattern, the name
// and category are put at 370 and 386 when the dump is long enough.
inline Bytes soundDump(const std::string& name, unsigned char category, unsigned char model = kBlofeld,
                       unsigned char device = 0x00, int length = kSoundSize, unsigned char bank = 0x00,
                       unsigned char program = 0x00)
{
  Bytes d(length, 0x00);
  d[0] = 0xF0;
  d[1] = 0x3E;
  d[2] = model;
  d[3] = device;
  d[4] = kSound;
  d[5] = bank;
  d[6] = program;
  for (int i = 7; i < length - 1; ++i)
    d[i] = static_cast<unsigned char>((i * 7) & 0x7F);
  std::string padded = name;
  padded.resize(16, ' ');
  for (int i = 0; i < 16 && kNameOffset + i < length - 1; ++i)
    d[kNameOffset + i] = static_cast<unsigned char>(padded[i]);
  if (kCategoryOffset < length - 1)
    d[kCategoryOffset] = category;
  d[length - 1] = 0xF7;
  return d;
}

inline Bytes multiDump(const std::string& name, int length = kMultiSize)
{
  Bytes d(length, 0x01);
  d[0] = 0xF0;
  d[1] = 0x3E;
  d[2] = kBlofeld;
  d[3] = 0x00;
  d[4] = kMulti;
  d[5] = 0x00;
  d[6] = 0x00;
  std::string padded = name;
  padded.resize(16, ' ');
  for (int i = 0; i < 16 && 7 + i < length - 1; ++i)
    d[7 + i] = static_cast<unsigned char>(padded[i]);
  d[length - 1] = 0xF7;
  return d;
}

inline void append(Bytes& out, const Bytes& more)
{
  out.insert(out.end(), more.begin(), more.end());
}

inline ByteChunk chunkOf(const Bytes& bytes)
{
  ByteChunk chunk;
  chunk.AppendBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

inline Bytes bytesOf(const ByteChunk& chunk)
{
  return Bytes(chunk.Bytes(), chunk.Bytes() + chunk.Size());
}

inline Bytes readFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A real bank of the shared test data; tests reading one start with KORVID_REQUIRE_SHARED_BANKS().
inline std::string sharedBank(const char* name)
{
  return korvidtest::sharedBankFile(name);
}

// Reads a variable-length quantity; false when the data ends inside it.
inline bool readVariableLength(const Bytes& d, size_t& i, size_t end, unsigned int& value)
{
  value = 0;
  for (int n = 0; n < 4 && i < end; ++n)
  {
    const unsigned char b = d[i++];
    value = (value << 7) | (b & 0x7F);
    if ((b & 0x80) == 0)
      return true;
  }
  return false;
}

// The sysex events of a Standard MIDI File, each as F0 followed by the event's bytes, found by
// walking the chunks and events. Empty when the file is not a well-formed SMF of sysex and meta
// events only (the walker stops at anything else).
inline std::vector<Bytes> smfSysexEvents(const Bytes& d, bool* wellFormed = nullptr)
{
  std::vector<Bytes> events;
  bool ok = d.size() >= 14 && std::string(d.begin(), d.begin() + 4) == "MThd";
  size_t pos = 14;
  while (ok && pos + 8 <= d.size())
  {
    const size_t length = (size_t(d[pos + 4]) << 24) | (size_t(d[pos + 5]) << 16) |
                          (size_t(d[pos + 6]) << 8) | size_t(d[pos + 7]);
    const size_t end = pos + 8 + length;
    if (std::string(d.begin() + pos, d.begin() + pos + 4) != "MTrk" || end > d.size())
    {
      ok = false;
      break;
    }
    size_t i = pos + 8;
    while (ok && i < end)
    {
      unsigned int delta = 0;
      ok = readVariableLength(d, i, end, delta) && i < end;
      if (!ok)
        break;
      const unsigned char status = d[i++];
      unsigned int size = 0;
      if (status == 0xF0)
      {
        ok = readVariableLength(d, i, end, size) && i + size <= end;
        if (ok)
        {
          Bytes event{0xF0};
          event.insert(event.end(), d.begin() + i, d.begin() + i + size);
          events.push_back(event);
          i += size;
        }
      }
      else if (status == 0xFF && i < end)
      {
        ++i;
        ok = readVariableLength(d, i, end, size) && i + size <= end;
        i += size;
      }
      else
        ok = false;
    }
    pos = end;
  }
  if (pos != d.size())
    ok = false;
  if (wellFormed != nullptr)
    *wellFormed = ok;
  return events;
}

// What asOrdinaryUser returns, followed by the reason, where the superuser cannot take an
// ordinary user's rights (a container without the capabilities, say): the test then skips.
constexpr const char* kNoOrdinaryUser = "no ordinary user here: ";

// Runs body with the rights of an ordinary user and returns what it returns (empty on success,
// else what went wrong). Run by an ordinary user, body runs here. Run by the superuser, whom
// permissions do not bind, folder and everything in it are handed to an unprivileged user id and
// body runs in a child process that has dropped to that id; body must not use test assertions.
inline std::string asOrdinaryUser(const std::string& folder, const std::function<std::string()>& body)
{
  if (::geteuid() != 0)
    return body();
  constexpr uid_t kUnprivileged = 65534;
  namespace fs = std::filesystem;
  if (::lchown(folder.c_str(), kUnprivileged, kUnprivileged) != 0)
    return std::string(kNoOrdinaryUser) + "cannot hand " + folder + " over";
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    if (::lchown(entry.path().c_str(), kUnprivileged, kUnprivileged) != 0)
      return "cannot hand " + entry.path().string() + " over";
  int channel[2];
  if (::pipe(channel) != 0)
    return "no pipe";
  const pid_t child = ::fork();
  if (child < 0)
    return "no child process";
  if (child == 0)
  {
    ::close(channel[0]);
    std::string result = std::string(kNoOrdinaryUser) + "cannot drop privileges";
    if (::setgroups(0, nullptr) == 0 && ::setgid(kUnprivileged) == 0 && ::setuid(kUnprivileged) == 0)
      result = body();
    ssize_t ignored = ::write(channel[1], result.data(), result.size());
    (void)ignored;
    ::close(channel[1]);
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string result;
  char buffer[256];
  ssize_t n = 0;
  while ((n = ::read(channel[0], buffer, sizeof(buffer))) > 0)
    result.append(buffer, static_cast<size_t>(n));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "the child process failed: " + result;
  return result;
}

// A temporary folder removed with its contents at the end of the test.
class TempFolder
{
public:
  TempFolder()
  {
    char pattern[] = "/tmp/korvid-librarian-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    path = made != nullptr ? made : "";
  }
  ~TempFolder()
  {
    std::error_code ignored;
    if (!path.empty())
      std::filesystem::remove_all(path, ignored);
  }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::vector<std::string> names() const
  {
    std::vector<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(path))
      result.push_back(entry.path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
  }
  std::string path;
};
} // namespace librarian_test
