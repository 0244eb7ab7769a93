// The multi and global dump maps: bytes built from known values, flag bytes, bounds and the way back.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "DumpTemplates.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

using L = MultiDumpLayout;
using P = SysexProtocol;

namespace
{
// Parameters as a map; unset ones read as 1 (every receive toggle on, every part active).
struct Params
{
  std::map<int, double> values;
  L::ValueReader reader()
  {
    return [this](int idx)
    {
      auto it = values.find(idx);
      return it == values.end() ? 1.0 : it->second;
    };
  }
  L::ValueWriter writer()
  {
    return [this](int idx, double v) { values[idx] = v; };
  }
};

std::vector<uint8_t> buildMulti(Params& p, const std::string& name, std::vector<int> banks = {},
                                std::vector<int> programs = {})
{
  std::vector<uint8_t> dump(L::kMultiLength);
  L::buildMulti(p.reader(), banks, programs, name, dump.data());
  return dump;
}
} // namespace

TEST(MultiDumpLayoutTest, MultiBytesCarryHeaderSettingsNameAndPartFieldsWithTheirOffsets)
{
  Params p;
  p.values[kGlobalSysExID] = 0x15;
  p.values[kMultiMasterVolume] = 99;
  p.values[kMultiTempo] = 40;
  p.values[kMultiPartTranspose] = 0;
  p.values[kMultiPartVeloLow] = 0;
  p.values[kMultiPartVeloHigh] = 126;
  p.values[kMultiPartLevel + 4] = 77.9; // truncated
  p.values[kMultiPartPanning + 4] = 12;
  p.values[kMultiPartDetune + 4] = 70;
  p.values[kMultiPartMIDICh + 4] = 6;
  p.values[kMultiPartKeyLow + 4] = 36;
  p.values[kMultiPartTranspose + 4] = 5;
  p.values[kMultiPartKeyHigh + 10] = 96;
  std::vector<int> banks(17, 0);
  std::vector<int> programs(17, 0);
  banks[4] = 3;
  programs[4] = 44;
  const std::vector<uint8_t> d = buildMulti(p, "Twenty characters!!!", banks, programs);

  const uint8_t header[] = {0xF0, 0x3E, 0x13, 0x15, 0x11, 0x7F, 0x00};
  EXPECT_TRUE(std::equal(std::begin(header), std::end(header), d.begin()));
  EXPECT_EQ("Twenty character", std::string(d.begin() + 7, d.begin() + 23));
  EXPECT_EQ(0x00, d[23]);
  EXPECT_EQ(99, d[24]);
  EXPECT_EQ(40, d[25]);
  // Part 0: transpose 0 -> 16, velocities 0 and 126 -> 1 and 127.
  EXPECT_EQ(16, d[39 + 5]);
  EXPECT_EQ(1, d[39 + 10]);
  EXPECT_EQ(127, d[39 + 11]);
  // Part 4's block starts at 39 + 96.
  const int b4 = 39 + 4 * 24;
  EXPECT_EQ(3, d[b4 + 0]);
  EXPECT_EQ(44, d[b4 + 1]);
  EXPECT_EQ(77, d[b4 + 2]);
  EXPECT_EQ(12, d[b4 + 3]);
  EXPECT_EQ(0x00, d[b4 + 4]);
  EXPECT_EQ(21, d[b4 + 5]);
  EXPECT_EQ(70, d[b4 + 6]);
  EXPECT_EQ(6, d[b4 + 7]);
  EXPECT_EQ(36, d[b4 + 8]);
  EXPECT_EQ(0x01, d[b4 + 14]);
  EXPECT_EQ(0x3F, d[b4 + 15]);
  EXPECT_EQ(96, d[288]);
  // Checksum and end as the template holds them: the sender rewrites the checksum.
  EXPECT_EQ(0x1C, d[423]);
  EXPECT_EQ(0xF7, d[424]);
}

TEST(MultiDumpLayoutTest, ShortNamesArePaddedAndOutOfRangeValuesStayDataBytes)
{
  Params p;
  p.values[kMultiMasterVolume] = 300;
  p.values[kMultiTempo] = -5;
  p.values[kMultiPartVeloHigh + 2] = 127; // + 1 would be 80 hex, a status byte
  p.values[kMultiPartTranspose + 2] = 120;
  p.values[kGlobalSysExID] = 200;
  const std::vector<uint8_t> d = buildMulti(p, "Pad\xC3\xA9", {5}, {});
  EXPECT_EQ(std::string("Pad  ") + std::string(11, ' '), std::string(d.begin() + 7, d.begin() + 23));
  for (int i = 1; i < L::kMultiLength - 1; ++i)
  {
    ASSERT_LE(d[static_cast<size_t>(i)], 0x7F) << "byte " << i;
  }
  EXPECT_EQ(127, d[24]);
  EXPECT_EQ(0, d[25]);
  EXPECT_EQ(127, d[3]);
  EXPECT_EQ(127, d[L::partByte(2, L::kBlockVelocityHigh)]);
  EXPECT_EQ(127, d[L::partByte(2, L::kBlockTranspose)]);
  // Tables shorter than the parts give bank and program 0.
  EXPECT_EQ(5, d[L::partByte(0, L::kBlockBank)]);
  EXPECT_EQ(0, d[L::partByte(1, L::kBlockBank)]);
  EXPECT_EQ(0, d[L::partByte(15, L::kBlockProgram)]);
  // An empty name is 16 blanks.
  const std::vector<uint8_t> blank = buildMulti(p, "");
  EXPECT_EQ(std::string(16, ' '), std::string(blank.begin() + 7, blank.begin() + 23));
}

TEST(MultiDumpLayoutTest, FlagBytesPackEveryToggleThatIsNotOne)
{
  Params p;
  EXPECT_EQ(0x00, L::flagByte1(3, p.reader()));
  EXPECT_EQ(0x00, L::flagByte2(3, p.reader()));
  p.values[kMultiPartStatus + 3] = 0;
  p.values[kReceiveUSB + 3] = 0;
  EXPECT_EQ(0x42, L::flagByte1(3, p.reader()));
  EXPECT_EQ(0x00, L::flagByte1(2, p.reader()));
  p.values[kReceiveMIDI + 3] = 0;
  p.values[kReceiveLocal + 3] = 2; // not 1 sets the bit too
  EXPECT_EQ(0x47, L::flagByte1(3, p.reader()));
  p.values[kReceivePitchBend + 3] = 0;
  p.values[kReceiveProgramChange + 3] = 0;
  EXPECT_EQ(0x21, L::flagByte2(3, p.reader()));
  p.values[kReceiveModWheel + 3] = 0;
  p.values[kReceivePressure + 3] = 0;
  p.values[kReceiveSustain + 3] = 0;
  p.values[kReceiveEdits + 3] = 0;
  EXPECT_EQ(0x3F, L::flagByte2(3, p.reader()));
  const std::vector<uint8_t> d = buildMulti(p, "x");
  EXPECT_EQ(0x47, d[L::partByte(3, L::kBlockFlags1)]);
  EXPECT_EQ(0x3F, d[L::partByte(3, L::kBlockFlags2)]);
}

TEST(MultiDumpLayoutTest, FlagBytesUnpackAsTheSynthesizerSendsThem)
{
  Params p;
  L::unpackFlags2(31, 5, p.writer());
  for (int base : {kReceivePitchBend, kReceiveModWheel, kReceivePressure, kReceiveSustain, kReceiveEdits})
  {
    EXPECT_EQ(0, p.values[base + 5]) << base;
  }
  EXPECT_EQ(1, p.values[kReceiveProgramChange + 5]);

  L::unpackFlags2(46, 5, p.writer());
  EXPECT_EQ(1, p.values[kReceivePitchBend + 5]);
  EXPECT_EQ(0, p.values[kReceiveModWheel + 5]);
  EXPECT_EQ(0, p.values[kReceivePressure + 5]);
  EXPECT_EQ(0, p.values[kReceiveSustain + 5]);
  EXPECT_EQ(1, p.values[kReceiveEdits + 5]);
  EXPECT_EQ(0, p.values[kReceiveProgramChange + 5]);

  L::unpackFlags2(64, 5, p.writer());
  EXPECT_EQ(1, p.values[kReceivePitchBend + 5]);
  EXPECT_EQ(0, p.values[kReceiveEdits + 5]);
  EXPECT_EQ(0, p.values[kReceiveProgramChange + 5]);

  const int toggles1[] = {kReceiveMIDI, kReceiveUSB, kReceiveLocal, kMultiPartStatus};
  L::unpackFlags1(9, 1, p.writer());
  for (int base : toggles1)
  {
    EXPECT_EQ(1, p.values[base + 1]) << base;
  }
  L::unpackFlags1(72, 1, p.writer());
  EXPECT_EQ(0, p.values[kMultiPartStatus + 1]);
  EXPECT_EQ(1, p.values[kReceiveMIDI + 1]);
  EXPECT_EQ(1, p.values[kReceiveUSB + 1]);
  L::unpackFlags1(0x42, 1, p.writer());
  EXPECT_EQ(0, p.values[kMultiPartStatus + 1]);
  EXPECT_EQ(0, p.values[kReceiveUSB + 1]);
  EXPECT_EQ(1, p.values[kReceiveMIDI + 1]);
  EXPECT_EQ(1, p.values[kReceiveLocal + 1]);
}

TEST(MultiDumpLayoutTest, ParsedMultiGivesBackTheBuiltValuesAndFillsThePartTables)
{
  Params sent;
  for (int part = 0; part < 16; ++part)
  {
    sent.values[kMultiPartLevel + part] = 10 + part;
    sent.values[kMultiPartTranspose + part] = part;
    sent.values[kMultiPartVeloLow + part] = part;
    sent.values[kMultiPartVeloHigh + part] = 100 + part;
    sent.values[kMultiPartKeyHigh + part] = 60 + part;
    sent.values[kReceiveSustain + part] = part % 2;
    sent.values[kMultiPartStatus + part] = part % 3 == 0 ? 0 : 1;
  }
  sent.values[kMultiTempo] = 33;
  std::vector<int> banks(17), programs(17);
  for (int part = 0; part < 16; ++part)
  {
    banks[static_cast<size_t>(part)] = part % 8;
    programs[static_cast<size_t>(part)] = 100 + part;
  }
  const std::vector<uint8_t> d = buildMulti(sent, "Round trip", banks, programs);

  Params got;
  std::vector<int> gotBanks(17, -1), gotPrograms(17, -1);
  L::parseMulti(d.data(), static_cast<int>(d.size()) - 1, got.writer(), &gotBanks, &gotPrograms);
  EXPECT_TRUE(got.values.empty()); // too short
  L::parseMulti(d.data(), static_cast<int>(d.size()), got.writer(), &gotBanks, &gotPrograms);
  EXPECT_EQ(33, got.values[kMultiTempo]);
  for (int part = 0; part < 16; ++part)
  {
    for (int base : {kMultiPartLevel, kMultiPartTranspose, kMultiPartVeloLow, kMultiPartVeloHigh,
                     kMultiPartKeyHigh, kReceiveSustain, kMultiPartStatus})
    {
      EXPECT_EQ(sent.values[base + part], got.values[base + part]) << "part " << part << " param " << base;
    }
    EXPECT_EQ(part % 8, got.values[kMultiPartBank + part]);
    EXPECT_EQ(100 + part, got.values[kMultiPartPatch + part]);
    EXPECT_EQ(part % 8, gotBanks[static_cast<size_t>(part)]);
    EXPECT_EQ(100 + part, gotPrograms[static_cast<size_t>(part)]);
  }
  EXPECT_EQ(-1, gotBanks[16]);
  // Tables too short for the parts are left alone.
  std::vector<int> tiny(2, -1);
  L::parseMulti(d.data(), static_cast<int>(d.size()), got.writer(), &tiny, nullptr);
  EXPECT_EQ(1, tiny[1]);
}

TEST(MultiDumpLayoutTest, GlobalDumpCarriesTheSettingsAtTheirBytesAndTheFixedChecksum)
{
  Params p;
  p.values[kMultiPatch] = 17;
  p.values[kGlobalMidiChannel] = 3;
  p.values[kGlobalSysExID] = 9;
  p.values[kGlobalTuning] = 10;
  p.values[kGlobalTranspose] = 12;
  p.values[kGlobalControlSend] = 2;
  p.values[kGlobalReceive] = 0;
  p.values[kGlobalTxProgramChange] = 2;
  p.values[kGlobalClock] = 1;
  p.values[kGlobalVelocityCurve] = 8;
  p.values[kGlobalControlW] = 20;
  p.values[kGlobalControlX] = 21;
  p.values[kGlobalControlY] = 22;
  p.values[kGlobalControlZ] = 120;
  p.values[kGlobalLocalControl] = 0;
  std::vector<uint8_t> d(L::kGlobalLength);
  L::buildGlobal(p.reader(), 4, d.data());

  std::vector<uint8_t> expected(DumpTemplates::globalTemplate().begin(),
                                DumpTemplates::globalTemplate().end());
  expected[3] = 4;
  expected[39] = 17;
  expected[41] = 3;
  expected[42] = 9;
  expected[45] = 64;
  expected[46] = 64;
  expected[49] = 2;
  expected[50] = 0;
  expected[51] = 2;
  expected[53] = 1;
  expected[55] = 8;
  expected[56] = 20;
  expected[57] = 21;
  expected[58] = 22;
  expected[59] = 120;
  expected[60] = 0x7F;
  expected[62] = 0;
  EXPECT_EQ(expected, d);
  EXPECT_EQ(0x7F, d[78]);
  EXPECT_EQ(0xF7, d[79]);

  Params got;
  L::parseGlobal(d.data(), 81, got.writer());
  L::parseGlobal(d.data(), 78, got.writer());
  EXPECT_TRUE(got.values.empty());
  L::parseGlobal(d.data(), 80, got.writer());
  EXPECT_EQ(p.values, got.values);
  // The 79-byte form of the device's public format holds the same fields at the same bytes.
  Params short79;
  L::parseGlobal(d.data(), 79, short79.writer());
  EXPECT_EQ(p.values, short79.values);

  // A device id outside 0..127 still gives a data byte.
  L::buildGlobal(p.reader(), 300, d.data());
  EXPECT_EQ(0x7F, d[3]);
}

TEST(MultiDumpLayoutTest, FieldTablesStayInsideTheirDumpsAndNeverShareAByte)
{
  std::set<int> bytes{L::kNameOffset, L::kChecksumOffset};
  for (const L::Field& f : L::multiFields())
  {
    EXPECT_TRUE(bytes.insert(f.byte).second) << f.byte;
    EXPECT_LT(f.byte, L::kFirstPartBlock);
  }
  std::set<int> block{L::kBlockBank, L::kBlockProgram, L::kBlockFlags1, L::kBlockFlags2};
  for (const L::Field& f : L::partFields())
  {
    EXPECT_TRUE(block.insert(f.byte).second) << f.byte;
    EXPECT_LT(f.byte, L::kPartBlockLength);
  }
  EXPECT_LT(L::partByte(15, L::kPartBlockLength - 1), L::kChecksumOffset);
  std::set<int> global{P::kDeviceIdOffset, L::kGlobalFixedByte, DumpTemplates::kGlobalChecksumOffset};
  for (const L::Field& f : L::globalFields())
  {
    EXPECT_TRUE(global.insert(f.byte).second) << f.byte;
    EXPECT_GT(f.byte, P::kTypeOffset);
    EXPECT_LT(f.byte, DumpTemplates::kGlobalChecksumOffset);
  }
}
