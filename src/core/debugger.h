// The optional debug log: one time-stamped line per event, appended to the log file.
#pragma once

#include <string>
#include <vector>

// Holds no state: its operations are called without an instance. Any thread may call them; each
// line is one open-append-close, so lines of different threads interleave at line granularity.
class DebuggerOutput
{
public:
  // Logging is on only when the file at path already exists: then it is emptied and true is
  // returned. A missing file is not created (false).
  static bool openDebugFile(const std::string& path);

  // Appends "<local time %Y-%m-%d.%X>\t <text>\n" to the file at path; a file that cannot be
  // opened loses the line silently. Callers test the plug-in's log flag first.
  static void printDebugInfo(const std::string& path, const std::string& text);

  // The bytes of an outgoing sysex message as text, each as two lower-case hex digits and a blank.
  // They write nothing to the log. A null pointer or a length below 1 gives an empty text.
  static std::string logSysExOutMessageByte(const unsigned char* data, int length);
  static std::string logSysExOutMessageByteInt(const std::vector<int>& data);
};
