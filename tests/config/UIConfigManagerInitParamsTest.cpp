// Tests of the parameter index table and the name registry built from it.
#include "ConfigTestSupport.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
std::size_t countLines(const std::string& text, const std::string& line)
{
  std::size_t count = 0;
  for (std::size_t pos = text.find(line); pos != std::string::npos; pos = text.find(line, pos + 1))
    ++count;
  return count;
}

class InitParamsTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    log = (dir.path / "log.txt").string();
    configtest::writeFile(log, "");
    manager.setDebugOutput(true, log);
    manager.initParams();
  }

  configtest::TempDir dir;
  std::string log;
  UIConfigManager manager;
};
} // namespace

TEST_F(InitParamsTest, RegistryHoldsEveryNameOfTheTable)
{
  EXPECT_EQ(639u, manager.getParamNameCount());
  EXPECT_EQ(0, manager.getParamByName("kOscillator1Octave"));
  EXPECT_EQ(8455, manager.getParamByName("kDebugParts"));
  EXPECT_EQ(1648, manager.getParamByName("kNumAutomatedParams"));
  EXPECT_EQ(1648, manager.getParamByName("kPatchFileDialog"));
  EXPECT_EQ(6808, manager.getParamByName("kNumNonAutomatedParams"));
  EXPECT_EQ(3137, manager.getParamByName("kFX1FlangerDepht"));
  EXPECT_EQ(8429, manager.getParamByName("kControlDisplayName"));
  EXPECT_EQ(6751, manager.getParamByName("kMultiTempo"));
  for (const ParamTableEntry& entry : kParamTable)
    EXPECT_EQ(entry.index, manager.getParamByName(entry.name)) << entry.name;
  EXPECT_EQ(0u, countLines(configtest::readFile(log), "ALREADY EXISTS!"));
  EXPECT_EQ(1u,
            countLines(configtest::readFile(log), "\t CONFIG READER: Started to initialize parameters...\n"));
}

TEST_F(InitParamsTest, NamesAreCaseSensitive)
{
  EXPECT_EQ(-1, manager.getParamByName("koscillator1octave"));
  EXPECT_EQ(-1, manager.getParamByName("KOSCILLATOR1OCTAVE"));
  EXPECT_EQ(-1, manager.getParamByName("kOscillator1octave"));
  EXPECT_EQ(-1, manager.getParamByName("kOscillator1Octave "));
}

TEST_F(InitParamsTest, UnknownNameGivesMinusOneEveryTimeWithoutGrowingTheRegistry)
{
  EXPECT_EQ(-1, manager.getParamByName("kNoSuchParameter"));
  EXPECT_EQ(-1, manager.getParamByName("kNoSuchParameter"));
  EXPECT_EQ(-1, manager.getParamByName(""));
  EXPECT_EQ(639u, manager.getParamNameCount());
  const std::string text = configtest::readFile(log);
  EXPECT_EQ(2u, countLines(text, "\t CONFIG READER: parameter kNoSuchParameter NOT FOUND!\n"));
  EXPECT_EQ(1u, countLines(text, "\t CONFIG READER: parameter  NOT FOUND!\n"));
}

TEST_F(InitParamsTest, FirstRegistrationWins)
{
  manager.mapParamToString("kDebugParts", 12);
  manager.mapParamToString("kDebugParts", 13);
  EXPECT_EQ(8455, manager.getParamByName("kDebugParts"));
  EXPECT_EQ(639u, manager.getParamNameCount());
  EXPECT_EQ(
      2u, countLines(configtest::readFile(log), "\t CONFIG READER: parameter kDebugParts ALREADY EXISTS!\n"));

  manager.mapParamToString("kExtra", 7744);
  EXPECT_EQ(7744, manager.getParamByName("kExtra"));
  EXPECT_EQ(640u, manager.getParamNameCount());
}

TEST(InitParamsQuietTest, NothingIsWrittenWithDebugOutputOff)
{
  configtest::TempDir dir;
  const std::string log = (dir.path / "log.txt").string();
  configtest::writeFile(log, "");
  UIConfigManager manager;
  manager.setDebugOutput(false, log);
  manager.initParams();
  manager.mapParamToString("kMainTab", 1);
  EXPECT_EQ(-1, manager.getParamByName("kMissing"));
  EXPECT_EQ("", configtest::readFile(log));
}

TEST(ParamTableTest, PartBlocksEndAtTheDocumentedIndices)
{
  EXPECT_EQ(6772, kPatchName + 15);
  EXPECT_EQ(1647, kArpOctRange + 15);
  EXPECT_EQ(kNumAutomatedParams, 103 * 16);
  EXPECT_EQ(kPatchFileDialog, kNumAutomatedParams);
  EXPECT_EQ(8456, kParamIndexCount);
}

TEST(ParamTableTest, NamesAreUniqueAndOnlyTheDocumentedIndicesCarryNoName)
{
  std::set<std::string> names;
  std::vector<int> owners(kParamIndexCount, 0);
  for (const ParamTableEntry& entry : kParamTable)
  {
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    for (int i = entry.index; i < entry.index + entry.count; ++i)
      ++owners[static_cast<std::size_t>(i)];
  }
  std::vector<int> unnamed;
  for (int i = 0; i < kParamIndexCount; ++i)
  {
    EXPECT_LE(owners[static_cast<std::size_t>(i)], 1) << i;
    if (owners[static_cast<std::size_t>(i)] == 0)
      unnamed.push_back(i);
  }
  std::vector<int> expected;
  for (int i = 1665; i <= 1680; ++i)
    expected.push_back(i);
  expected.insert(expected.end(), {7744, 7958, 7959});
  EXPECT_EQ(expected, unnamed);
}
