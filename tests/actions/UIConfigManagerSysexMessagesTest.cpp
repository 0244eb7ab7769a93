// Tests of the sysex message expansion of a control, its registry key and its effect group.
#include "ActionsTestSupport.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>

using namespace actionstest;

namespace
{
// The resources' form: "3E 13 dev 20 LL HH PP XX", value at position 8.
const char* const kUnframed = "3E 13 00 20 00 01 02 00";
constexpr int kUnframedValueByte = 8;
// The framed form of the worked example, value at position 9.
const char* const kFramed = "F0 3E 13 00 20 00 01 02 00 F7";
constexpr int kFramedValueByte = 9;

std::vector<int> column(const ControlActionSysExMessage& prepared, std::size_t index)
{
  std::vector<int> values;
  for (const SysexMessageBytes& message : prepared.messages)
    values.push_back(message.at(index));
  return values;
}

std::vector<int> range(int first, int last)
{
  std::vector<int> values;
  for (int v = first; v <= last; ++v)
    values.push_back(v);
  return values;
}
} // namespace

TEST(SysexTemplateText, HexTokensConvertToBytes)
{
  EXPECT_EQ((std::vector<int>{240, 62, 19, 0}), UIConfigManager::convertStringSysextoVector("F0 3E 13 00"));
  EXPECT_EQ(UIConfigManager::convertStringSysextoVector("F0 3E 13 00"),
            UIConfigManager::convertStringSysextoVector("  F0  3E 13   00 "));
  // Not hexadecimal from the start gives 0; reading stops at the first other character.
  EXPECT_EQ((std::vector<int>{0, 1, 0, 0x7f}), UIConfigManager::convertStringSysextoVector("LL 1G 0x20 7f"));
  EXPECT_EQ((std::vector<int>{2147483647}), UIConfigManager::convertStringSysextoVector("FFFFFFFFFFFF"));
  EXPECT_TRUE(UIConfigManager::convertStringSysextoVector("   ").empty());
}

TEST(SysexExpansion, UnframedKnobCarriesValueAndPartByte)
{
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 128, &prepared, 0, 3));
  ASSERT_EQ(128u, prepared.messages.size());
  EXPECT_EQ(range(0, 127), column(prepared, 7));
  EXPECT_EQ(std::vector<int>(128, 3), column(prepared, 4));
  EXPECT_EQ((SysexMessageBytes{0x3E, 0x13, 0x00, 0x20, 3, 0x01, 0x02, 0}), prepared.messages.front());
  EXPECT_FALSE(prepared.multiMessage);
  EXPECT_TRUE(prepared.messagesPerValue.empty());

  // Outside any part and in part 0 the template's part byte stays.
  ASSERT_TRUE(manager.calculateSysexWithChangingByte("3E 13 00 20 09 01 02 00", 8, 2, &prepared, 0, -1));
  EXPECT_EQ((std::vector<int>{9, 9}), column(prepared, 4));
  ASSERT_TRUE(manager.calculateSysexWithChangingByte("3E 13 00 20 09 01 02 00", 8, 2, &prepared, 0, 0));
  EXPECT_EQ((std::vector<int>{9, 9}), column(prepared, 4));
}

TEST(SysexExpansion, FramedTemplatePutsThePartIntoItsPartByte)
{
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kFramed, kFramedValueByte, 3, &prepared, 0, 0));
  ASSERT_EQ(3u, prepared.messages.size());
  SysexMessageBytes expected = UIConfigManager::convertStringSysextoVector(kFramed);
  for (int k = 0; k < 3; ++k)
  {
    expected[8] = k;
    EXPECT_EQ(expected, prepared.messages[static_cast<std::size_t>(k)]);
  }

  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kFramed, kFramedValueByte, 3, &prepared, 0, 5));
  // The part goes into LL, one byte on from the unframed position; the 20 (parameter change) stays.
  EXPECT_EQ(std::vector<int>(3, 0x20), column(prepared, 4));
  EXPECT_EQ(std::vector<int>(3, 5), column(prepared, 5));
  EXPECT_EQ((std::vector<int>{0, 1, 2}), column(prepared, 8));
  EXPECT_EQ(0xF7, prepared.messages.back().back());
}

TEST(SysexExpansion, ValueByteWrapsAt128)
{
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 5, &prepared, 126, -1));
  EXPECT_EQ((std::vector<int>{126, 127, 0, 1, 2}), column(prepared, 7));

  // A fader from 0 to 127 with its zero message at 64: 64 .. 127, then 0 .. 63.
  ASSERT_TRUE(
      manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 128, &prepared, 0 + 64, 2));
  std::vector<int> fader = range(64, 127);
  const std::vector<int> low = range(0, 63);
  fader.insert(fader.end(), low.begin(), low.end());
  EXPECT_EQ(fader, column(prepared, 7));

  // A drop-down of 0 .. 128 makes 129 messages; the last wraps to 0.
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 129, &prepared, 0, -1));
  ASSERT_EQ(129u, prepared.messages.size());
  EXPECT_EQ(127, prepared.messages[127][7]);
  EXPECT_EQ(0, prepared.messages[128][7]);
}

TEST(SysexExpansion, ButtonHasMessagesForOffAndOn)
{
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 2, &prepared, 0, 15));
  EXPECT_EQ((std::vector<int>{0, 1}), column(prepared, 7));
  EXPECT_EQ((std::vector<int>{15, 15}), column(prepared, 4));
}

TEST(SysexExpansion, StartMinusOneCountsFromTheTemplatesValue)
{
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte("3E 13 00 20 00 01 02 7E", kUnframedValueByte, 4,
                                                     &prepared, -1, 4));
  EXPECT_EQ((std::vector<int>{0x7E, 0x7F, 0, 1}), column(prepared, 7));
  // Every message goes to the part, the first one included.
  EXPECT_EQ(std::vector<int>(4, 4), column(prepared, 4));

  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 0, &prepared, -1, 4));
  EXPECT_TRUE(prepared.messages.empty());
}

TEST(SysexExpansion, PositionsOutsideTheTemplateAreNotWritten)
{
  UIConfigManager manager;
  ControlActionSysExMessage prepared;
  ASSERT_TRUE(manager.calculateSysexWithChangingByte("3E 13 00", 9, 2, &prepared, 5, 7));
  EXPECT_EQ((std::vector<SysexMessageBytes>(2, {0x3E, 0x13, 0x00})), prepared.messages);
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, 0, 1, &prepared, 5, -1));
  EXPECT_EQ(UIConfigManager::convertStringSysextoVector(kUnframed), prepared.messages.front());
  ASSERT_TRUE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, -3, &prepared, 0, -1));
  EXPECT_TRUE(prepared.messages.empty());
}

TEST(SysexExpansion, RangesOutsideTheValueByteAreRejectedWithALogLine)
{
  TempDir dir;
  const std::filesystem::path log = dir.path / "log.txt";
  touchFile(log);
  UIConfigManager manager;
  manager.setDebugOutput(true, log.string());
  ControlActionSysExMessage prepared;
  prepared.messages = {{1}};

  EXPECT_FALSE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 10, &prepared, 129, -1));
  EXPECT_TRUE(prepared.messages.empty());
  EXPECT_FALSE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 10, &prepared, 128, -1));
  EXPECT_FALSE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 10, &prepared, -64, -1));
  EXPECT_FALSE(manager.calculateSysexWithChangingByte("3E 13 00 20 00 01 02 90", kUnframedValueByte, 2,
                                                      &prepared, -1, -1));
  EXPECT_FALSE(manager.calculateSysexWithChangingByte(kUnframed, kUnframedValueByte, 2, &prepared, 0, 16));
  EXPECT_FALSE(manager.calculateSysexWithChangingByte(
      kUnframed, kUnframedValueByte, UIConfigManager::kMaxMessagesPerControl + 1, &prepared, 0, -1));
  EXPECT_FALSE(manager.calculateSysexWithChangingByte("", kUnframedValueByte, 2, &prepared, 0, -1));
  EXPECT_TRUE(prepared.messages.empty());

  const std::string text = readFile(log);
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: SysEx range rejected: first value 129"));
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: SysEx range rejected: first value -64"));
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: SysEx range rejected: first value 144"));
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: SysEx range rejected: part 16"));
}

TEST(SysexRegistryKey, KeyBytesFollowTheChangingByte)
{
  unsigned char key[SysexTemplateLayout::kKeyLength] = {};
  ControlActionSysExMessage prepared;
  prepared.messages = {{0x3E, 0x13, 0x00, 0x20, 0x05, 0x01, 0x02, 0x40}};
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 8, key));
  EXPECT_EQ((std::vector<int>{0x20, 0x05, 0x01, 0x02}), std::vector<int>(key, key + 4));
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 7, key));
  EXPECT_EQ((std::vector<int>{0x00, 0x20, 0x05, 0x01}), std::vector<int>(key, key + 4));

  // The framed form gives the same address bytes as the unframed one.
  prepared.messages = {{0xF0, 0x3E, 0x13, 0x00, 0x20, 0x05, 0x01, 0x02, 0x40, 0xF7}};
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 9, key));
  EXPECT_EQ((std::vector<int>{0x20, 0x05, 0x01, 0x02}), std::vector<int>(key, key + 4));
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 8, key));
  EXPECT_EQ((std::vector<int>{0x00, 0x20, 0x05, 0x01}), std::vector<int>(key, key + 4));

  // Each key byte keeps its low 8 bits.
  prepared.messages = {{0x3E, 0x13, 0x00, 0x1A0, 0xFF, 0x01, 0x102, 0x40}};
  ASSERT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 8, key));
  EXPECT_EQ((std::vector<int>{0xA0, 0xFF, 0x01, 0x02}), std::vector<int>(key, key + 4));
}

TEST(SysexRegistryKey, MissingOrShortFirstMessageGivesNoKey)
{
  unsigned char key[SysexTemplateLayout::kKeyLength] = {9, 9, 9, 9};
  ControlActionSysExMessage prepared;
  EXPECT_FALSE(UIConfigManager::getSysexRegistryKey(prepared, 8, key));
  prepared.messages = {{0x3E, 0x13, 0x00, 0x20, 0x05, 0x01}};
  EXPECT_FALSE(UIConfigManager::getSysexRegistryKey(prepared, 8, key));
  EXPECT_TRUE(UIConfigManager::getSysexRegistryKey(prepared, 7, key));
  prepared.messages = {{0xF0, 0x3E, 0x13, 0x00, 0x20, 0x05, 0x01}};
  EXPECT_FALSE(UIConfigManager::getSysexRegistryKey(prepared, 9, key));
}

TEST(EffectGroup, GroupsEndExactlyAtTheirBlockEdges)
{
  const struct
  {
    int paramIdx;
    int group;
  } cases[] = {
      {kFX1ChorusSpeed - 1, 0},
      {kFX1ChorusSpeed, 1},
      {kFX1ChorusDepth + 15, 1},
      {kFX1FlangerSpeed, 2},
      {kFX1FlangerPolarity + 15, 2},
      {kFX1PhaserSpeed, 3},
      {kFX1PhaserPolarity + 15, 3},
      {kFX1OverdriveDrive, 4},
      {kFX1OverdriveCurve + 15, 4},
      {kFX1TripleFXSampleHold, 5},
      {kFX1TripleFXDepth + 15, 5},
      {kFX2ChorusSpeed, 1},
      {kFX2ChorusDepth + 15, 1},
      {kFX2FlangerSpeed, 2},
      {kFX2FlangerPolarity + 15, 2},
      {kFX2PhaserSpeed, 3},
      {kFX2PhaserPolarity + 15, 3},
      {kFX2DelayLength, 6},
      {kFX2DelayLength + 15, 6},
      {kFX2DelayLengthClock, 0},
      {kFX2DelayLengthClock + 15, 0},
      {kFX2DelaySpread, 6},
      {kFX2DelayCutoff + 15, 6},
      {kFX2OverdriveDrive, 4},
      {kFX2OverdriveCurve + 15, 4},
      {kFX2TripleFXSampleHold, 5},
      {kFX2TripleFXDepth + 15, 5},
      {kFX2ReverbHighPass, 7},
      {kFX2ReverbDamping + 15, 7},
      {kFX2ReverbDamping + 16, 0},
      {-1, 0},
      {kParamIndexCount, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.group, UIConfigManager::getEffectGroup(c.paramIdx)) << c.paramIdx;
  EXPECT_EQ(3105, kFX1ChorusDepth);
  EXPECT_EQ(1, UIConfigManager::getEffectGroup(3105 + 15));
}
