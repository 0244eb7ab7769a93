// The optional debug log: one time-stamped line per event, appended to the log file.
#include "debugger.h"

#include <cstdio>
#include <ctime>

namespace
{
constexpr size_t kTimeTextSize = 80;

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
  FILE* file = std::fopen(path.c_str(), "ab");
  if (!file)
    return;

  char timeText[kTimeTextSize];
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // strftime returns the length it wrote; 0 means the text did not fit, and then none is written.
  size_t timeLength = std::strftime(timeText, sizeof timeText, "%Y-%m-%d.%X", &local);

  std::fwrite(timeText, 1, timeLength, file);
  std::fwrite("\t ", 1, 2, file);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fwrite("\n", 1, 1, file);
  std::fclose(file);
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
