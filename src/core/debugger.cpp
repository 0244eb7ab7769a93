// The optional debug log: one time-stamped line per event, appended to the log file.
#include "debugger.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace
{
constexpr size_t kTimeTextSize = 80;
constexpr const char* kTimeFormat = "%Y-%m-%d.%X";

void appendHexByte(std::string& out, unsigned value)
{
  static const char kDigits[] = "0123456789abcdef";
  out += kDigits[(value >> 4) & 0x0F];
  out += kDigits[value & 0x0F];
  out += ' ';
}
} // namespace

bool DebuggerOutput::openDebugFile(const std::string& path)
{
  FILE* probe = std::fopen(path.c_str(), "rb");
  if (!probe)
    return false;
  std::fclose(probe);

  FILE* truncated = std::fopen(path.c_str(), "wb");
  if (!truncated)
    return false;
  std::fclose(truncated);
  return true;
}

void DebuggerOutput::printDebugInfo(const std::string& path, const std::string& text)
{
  char timeText[kTimeTextSize];
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // strftime returns the length it wrote; 0 means the text did not fit and the buffer holds nothing
  // usable, so then no time is written rather than whatever the buffer held.
  size_t timeLength = std::strftime(timeText, sizeof timeText, kTimeFormat, &local);

  std::string line;
  line.reserve(timeLength + 3 + text.size());
  line.append(timeText, timeLength);
  line += "\t ";
  line += text;
  line += '\n';

  // One append-mode write per line keeps lines of different threads whole.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0)
    return;
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0)
  {
    ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      break;
    data += written;
    left -= static_cast<size_t>(written);
  }
  ::close(fd);
}

std::string DebuggerOutput::logSysExOutMessageByte(const unsigned char* data, int length)
{
  std::string text;
  if (!data || length < 1)
    return text;
  text.reserve(static_cast<size_t>(length) * 3);
  for (int i = 0; i < length; ++i)
    appendHexByte(text, data[i]);
  return text;
}

std::string DebuggerOutput::logSysExOutMessageByteInt(const std::vector<int>& data)
{
  std::string text;
  text.reserve(data.size() * 3);
  for (int value : data)
    appendHexByte(text, static_cast<unsigned>(value) & 0xFF);
  return text;
}
