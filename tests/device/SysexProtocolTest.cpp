// The wire format: requests, checksum rule on real dumps, and what counts as a synthesizer's message.
#include <gtest/gtest.h>

#include "DeviceTestSupport.h"
#include "DumpTemplates.h"
#include "SysexProtocol.h"

using DeviceTestSupport::Bytes;
using P = SysexProtocol;

TEST(SysexProtocolTest, RequestsCarryDeviceIdBankAndProgramAsSevenBitBytes)
{
  EXPECT_EQ((std::vector<uint8_t>{0x3E, 0x13, 0x00, 0x00, 0x7F, 0x05}), P::soundEditBufferRequest(0, 5));
  EXPECT_EQ((std::vector<uint8_t>{0x3E, 0x13, 0x7F, 0x04}), P::globalRequest(127));
  EXPECT_EQ((std::vector<uint8_t>{0x3E, 0x13, 0x11, 0x00, 0x02, 0x7F}), P::storedSoundRequest(17, 2, 127));
  EXPECT_EQ((std::vector<uint8_t>{0x3E, 0x13, 0x01, 0x01, 0x7F, 0x00}), P::multiEditBufferRequest(1));
  EXPECT_EQ((std::vector<uint8_t>{0x3E, 0x13, 0x00, 0x01, 0x00, 0x2A}), P::storedMultiRequest(0, 42));
  // Out-of-range arguments never put a status byte into a request.
  for (uint8_t b : P::storedSoundRequest(200, 300, -1))
    EXPECT_LT(b, 0x80);
}

TEST(SysexProtocolTest, EveryFactoryDumpCarriesTheSumOfItsDataBytes)
{
  KORVID_REQUIRE_SHARED_BANKS();
  const std::vector<Bytes> sounds = DeviceTestSupport::factorySounds();
  ASSERT_EQ(1024u, sounds.size());
  int matching = 0;
  for (const Bytes& d : sounds)
  {
    const int size = static_cast<int>(d.size());
    const uint8_t sum = P::checksum(d.data(), size, P::kChecksumFirstByte, size - 3);
    // The synthesizer accepts 7F in place of any checksum, so files may carry it.
    if (d[static_cast<size_t>(size - 2)] == sum || d[static_cast<size_t>(size - 2)] == 0x7F)
      ++matching;
    Bytes rewritten = d;
    rewritten[static_cast<size_t>(size - 2)] = 0;
    ASSERT_TRUE(P::writeChecksum(rewritten.data(), size));
    EXPECT_EQ(sum, rewritten[static_cast<size_t>(size - 2)]);
  }
  EXPECT_EQ(1024, matching);
}

TEST(SysexProtocolTest, ChecksumIsRewrittenOnlyForLongMessagesWithOrWithoutF0)
{
  Bytes framed(P::kSoundDumpLength, 0x01);
  framed[0] = P::kSysexStart;
  framed.back() = P::kSysexEnd;
  ASSERT_TRUE(P::writeChecksum(framed.data(), P::kSoundDumpLength));
  EXPECT_EQ((P::kSoundDumpLength - 3 - P::kChecksumFirstByte + 1) & 0x7F, framed[390]);

  // Without F0 the buffer holds no F7 either: the checksum is its last byte.
  Bytes body(framed.begin() + 1, framed.end() - 1);
  body.back() = 0;
  ASSERT_TRUE(P::writeChecksum(body.data(), static_cast<int>(body.size())));
  EXPECT_EQ(framed[390], body.back());

  Bytes global(P::kGlobalDumpLength, 0x05);
  global[0] = P::kSysexStart;
  global[78] = 0x7F;
  EXPECT_FALSE(P::writeChecksum(global.data(), P::kGlobalDumpLength));
  EXPECT_EQ(0x7F, global[78]);
  EXPECT_EQ(0, P::checksum(global.data(), P::kGlobalDumpLength, 70, 90));
}

TEST(SysexProtocolTest, OnlyCompleteMessagesOfTheSynthesizerAreDumps)
{
  const Bytes good = DeviceTestSupport::madeSound(0);
  const int size = static_cast<int>(good.size());
  EXPECT_TRUE(P::isSoundDump(good.data(), size));
  EXPECT_FALSE(P::isSoundDump(good.data(), size - 1));
  EXPECT_FALSE(P::isMultiDump(good.data(), size));
  EXPECT_FALSE(P::isSoundDump(nullptr, size));
  for (int offset : {0, P::kManufacturerOffset, P::kModelOffset, P::kTypeOffset, size - 1})
  {
    Bytes bad = good;
    bad[static_cast<size_t>(offset)] ^= 0x01;
    EXPECT_FALSE(P::isSoundDump(bad.data(), size)) << "byte " << offset;
  }
  Bytes otherDevice = good;
  otherDevice[P::kDeviceIdOffset] = 0x55;
  EXPECT_TRUE(P::isSoundDump(otherDevice.data(), size));
}

TEST(SysexProtocolTest, MultiAndGlobalTemplatesAreDumpsAndKeepTheirChecksumRules)
{
  DumpTemplates::Multi multi = DumpTemplates::multiTemplate();
  ASSERT_TRUE(P::isMultiDump(multi.data(), DumpTemplates::kMultiLength));
  EXPECT_EQ(0x1C, multi[DumpTemplates::kMultiChecksumOffset]);
  for (int part = 0; part < 16; ++part)
  {
    const size_t block = DumpTemplates::kMultiFirstPartBlock + static_cast<size_t>(part) * 24;
    EXPECT_EQ(0x64, multi[block + 2]);
    EXPECT_EQ(2 + part, multi[block + 7]);
    EXPECT_EQ(0x3F, multi[block + 15]);
  }
  ASSERT_TRUE(P::writeChecksum(multi.data(), DumpTemplates::kMultiLength));
  EXPECT_EQ(P::checksum(multi.data(), DumpTemplates::kMultiLength, 7, 422),
            multi[DumpTemplates::kMultiChecksumOffset]);

  DumpTemplates::Global global = DumpTemplates::globalTemplate();
  ASSERT_TRUE(P::isGlobalDump(global.data(), DumpTemplates::kGlobalLength));
  EXPECT_EQ(0x0F, global[38]);
  EXPECT_EQ(0x00, global[37]);
  EXPECT_EQ(0x11, global[39]);
  EXPECT_EQ(0x01, global[62]);
  EXPECT_EQ(0x7F, global[69]);
  EXPECT_FALSE(P::writeChecksum(global.data(), DumpTemplates::kGlobalLength));
  EXPECT_EQ(0x7F, global[DumpTemplates::kGlobalChecksumOffset]);
}
