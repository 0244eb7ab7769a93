// Tests of the debug log: switching it on, the line format, whole lines and the sysex hex texts.
#include "debugger.h"

#include "TempDataHome.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>

namespace
{
const std::string kLog = "Korvid Editor LOG.txt";

std::vector<std::string> linesOf(const std::string& text)
{
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    lines.push_back(line);
  return lines;
}

// "%Y-%m-%d.%X" in the C locale, a tab and a blank.
const std::regex kLinePrefix(R"(^\d{4}-\d{2}-\d{2}\.\d{2}:\d{2}:\d{2}\t )");
constexpr size_t kPrefixLength = 21;
} // namespace

TEST(DebuggerTest, OpenDebugFileNeedsAnExistingFileAndEmptiesIt)
{
  TempDataHome home;
  home.createFolder();
  std::string path = home.folder() + kLog;
  EXPECT_FALSE(DebuggerOutput::openDebugFile(path));
  EXPECT_FALSE(home.exists(kLog));

  home.writeFile(kLog, "previous session\n");
  EXPECT_TRUE(DebuggerOutput::openDebugFile(path));
  EXPECT_EQ(home.readFile(kLog), "");

  // A folder of that name can be opened for reading but not emptied: no logging.
  std::string folderPath = home.folder() + "folder LOG.txt";
  mkdir(folderPath.c_str(), 0755);
  EXPECT_FALSE(DebuggerOutput::openDebugFile(folderPath));
}

TEST(DebuggerTest, LinesCarryTheTimeATabABlankAndTheTextWithItsPrefix)
{
  TempDataHome home;
  home.writeFile(kLog, "");
  std::string path = home.folder() + kLog;
  DebuggerOutput::printDebugInfo(path, "CONFIG READER: started");
  DebuggerOutput::printDebugInfo(path, "PATCH LIBRARIAN: 3 banks");
  DebuggerOutput::printDebugInfo(path, "");

  std::string content = home.readFile(kLog);
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(content.back(), '\n');
  std::vector<std::string> lines = linesOf(content);
  ASSERT_EQ(lines.size(), 3u);
  const char* texts[] = {"CONFIG READER: started", "PATCH LIBRARIAN: 3 banks", ""};
  for (size_t i = 0; i < lines.size(); ++i)
  {
    EXPECT_TRUE(std::regex_search(lines[i], kLinePrefix)) << lines[i];
    ASSERT_EQ(lines[i].size(), kPrefixLength + std::string(texts[i]).size()) << lines[i];
    EXPECT_EQ(lines[i].substr(kPrefixLength), texts[i]);
  }
}

TEST(DebuggerTest, ALineHoldsExactlyTheTextItWasGiven)
{
  TempDataHome home;
  home.writeFile(kLog, "");
  std::string path = home.folder() + kLog;
  std::string withNul("before\0after", 12);
  std::string large(200000, 'L');
  DebuggerOutput::printDebugInfo(path, withNul);
  DebuggerOutput::printDebugInfo(path, large);

  std::string content = home.readFile(kLog);
  ASSERT_EQ(content.size(), 2 * (kPrefixLength + 1) + withNul.size() + large.size());
  EXPECT_EQ(content.substr(kPrefixLength, withNul.size() + 1), withNul + "\n");
  EXPECT_EQ(content.substr(2 * kPrefixLength + withNul.size() + 1, large.size()), large);
}

TEST(DebuggerTest, LinesOfSeveralThreadsStayWhole)
{
  TempDataHome home;
  home.writeFile(kLog, "");
  std::string path = home.folder() + kLog;
  constexpr int kThreads = 4;
  constexpr int kLinesEach = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back(
        [&path, t]
        {
          std::string text =
              "WORKER " + std::to_string(t) + ": " + std::string(5000, static_cast<char>('a' + t));
          for (int i = 0; i < kLinesEach; ++i)
            DebuggerOutput::printDebugInfo(path, text);
        });
  for (std::thread& thread : threads)
    thread.join();

  std::vector<std::string> lines = linesOf(home.readFile(kLog));
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
  for (const std::string& line : lines)
  {
    ASSERT_TRUE(std::regex_search(line, kLinePrefix));
    std::string text = line.substr(kPrefixLength);
    ASSERT_EQ(text.size(), 10u + 5000u);
    char fill = text.back();
    EXPECT_EQ(text, "WORKER " + std::to_string(fill - 'a') + ": " + std::string(5000, fill));
  }
}

TEST(DebuggerTest, AnUnopenableLogLosesTheLineSilently)
{
  TempDataHome home;
  std::string path = home.folder() + "missing folder/" + kLog;
  DebuggerOutput::printDebugInfo(path, "lost");
  EXPECT_FALSE(home.exists("missing folder"));
}

TEST(DebuggerTest, SysExBytesBecomeLowerCaseHexWithBlanks)
{
  const unsigned char message[] = {0xF0, 0x3E, 0x13, 0x00, 0x0A, 0xF7};
  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByte(message, 6), "f0 3e 13 00 0a f7 ");
  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByte(message, 2), "f0 3e ");
  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByte(message, 0), "");
  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByte(message, -3), "");
  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByte(nullptr, 4), "");

  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByteInt({0xF0, 0x7F, 0x1FF, -1}), "f0 7f ff ff ");
  EXPECT_EQ(DebuggerOutput::logSysExOutMessageByteInt({}), "");
}
