// Converting microQ and Q sound dumps into Blofeld sound dumps.
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

using namespace librarian_test;

namespace
{
constexpr int kQSize = 393;

// A dump as the reader stores it before conversion: Blofeld header, the other synthesizer's data.
PatchSysexMessage stored(int size)
{
  PatchSysexMessage message;
  message.mData.assign(size, 0x00);
  const Bytes header{0xF0, 0x3E, 0x13, 0x00, 0x10, 0x00, 0x00};
  std::copy(header.begin(), header.end(), message.mData.begin());
  for (int i = 7; i < size - 1; ++i)
    message.mData[i] = static_cast<unsigned char>((i * 5) % 19);
  message.mData[size - 1] = 0xF7;
  return message;
}

unsigned char afterQ(int offset, unsigned char value, int neighbour = -1, unsigned char neighbourValue = 0)
{
  PatchSysexMessage message = stored(kQSize);
  message.mData[offset] = value;
  if (neighbour >= 0)
    message.mData[neighbour] = neighbourValue;
  EXPECT_TRUE(PatchLibrarian::alterPatchFromQFormat(&message));
  return message.mData[offset];
}

unsigned char afterMicroQ(int offset, unsigned char value)
{
  PatchSysexMessage message = stored(392);
  message.mData[offset] = value;
  EXPECT_TRUE(PatchLibrarian::alterPatchFromMicroQFormat(&message));
  return message.mData[offset];
}

// A Q sound dump as found in a file: one byte longer than the Blofeld's from offset 252 on.
Bytes qFileDump(const std::string& name, const std::string& category, unsigned char effect2Mode)
{
  Bytes d = stored(kQSize).mData;
  d[2] = kQ;
  d[3] = 0x22;
  d[5] = 0x03;
  std::copy(name.begin(), name.end(), d.begin() + 371);
  std::copy(category.begin(), category.end(), d.begin() + 387);
  d[151] = effect2Mode;
  std::fill(d.begin() + 371 + name.size(), d.begin() + 387, ' ');
  return d;
}

Bytes microQFileDump(const std::string& name, const std::string& category, int size = 392)
{
  Bytes d = stored(size).mData;
  d[2] = kMicroQ;
  std::copy(name.begin(), name.end(), d.begin() + 370);
  std::copy(category.begin(), category.end(), d.begin() + 386);
  std::fill(d.begin() + 370 + name.size(), d.begin() + 386, ' ');
  d[76] = 0x11;
  d[20] = 0x33;
  return d;
}

PatchFile read(const Bytes& bytes)
{
  PatchLibrarian librarian;
  ByteChunk chunk = chunkOf(bytes);
  PatchFile file;
  librarian.loadFromChunk(&chunk, chunk.Size(), &file, 0);
  return file;
}
} // namespace

TEST(PatchLibrarianConvertTest, QMapMovesTheBytesFrom253OnOneDownAndKeepsTheClosingF7)
{
  PatchSysexMessage message = stored(kQSize);
  const Bytes before = message.mData;
  ASSERT_TRUE(PatchLibrarian::alterPatchFromQFormat(&message));
  const Bytes& after = message.mData;
  ASSERT_EQ(after.size(), 392u);
  // Offsets without a renumbering rule take their successor's value unchanged.
  for (int i : {254, 255, 258, 266, 267, 268, 270, 291, 316, 340, 370, 385, 389, 390})
    EXPECT_EQ(after[i], before[i + 1]) << i;
  EXPECT_EQ(after[391], 0xF7);
  for (int i : {0, 1, 2, 7, 100, 251})
    EXPECT_EQ(after[i], before[i]) << i;
}

TEST(PatchLibrarianConvertTest, QMapRenumbersValues)
{
  EXPECT_EQ(afterQ(124, 0), 1);
  EXPECT_EQ(afterQ(124, 5), 0);
  EXPECT_EQ(afterQ(13, 9, 16, 33), 33) << "FM source 8 and above takes the pulse width";
  EXPECT_EQ(afterQ(29, 6), 0);
  EXPECT_EQ(afterQ(45, 3), 3);
  EXPECT_EQ(afterQ(15, 3), 4);
  EXPECT_EQ(afterQ(104, 20), 1);
  EXPECT_EQ(afterQ(84, 16), 16);
  EXPECT_EQ(afterQ(135, 4), 0);
  EXPECT_EQ(afterQ(135, 6), 5);
  EXPECT_EQ(afterQ(135, 2), 2);
  EXPECT_EQ(afterQ(135, 9), 0);
  EXPECT_EQ(afterQ(151, 4), 7);
  EXPECT_EQ(afterQ(151, 33), 10);
  EXPECT_EQ(afterQ(151, 32), 9);
  EXPECT_EQ(afterQ(151, 9), 0);
  EXPECT_EQ(afterQ(151, 12), 12);
  EXPECT_EQ(afterQ(253, 0, 254, 40), 0);
  EXPECT_EQ(afterQ(253, 0, 254, 50), 38);
  EXPECT_EQ(afterQ(292, 0, 293, 30), 30);
  EXPECT_EQ(afterQ(252, 0, 253, 20), 0);
  EXPECT_EQ(afterQ(252, 0, 253, 25), 24);
  EXPECT_EQ(afterQ(290, 0, 291, 19), 19);
  EXPECT_EQ(afterQ(314, 0, 315, 21), 20);
}

TEST(PatchLibrarianConvertTest, MicroQMapRenumbersAndClearsValues)
{
  EXPECT_EQ(afterMicroQ(17, 12), 15);
  EXPECT_EQ(afterMicroQ(130, 11), 16);
  EXPECT_EQ(afterMicroQ(289, 10), 11) << "10 becomes 11 and not then 16";
  EXPECT_EQ(afterMicroQ(57, 9), 9);
  for (int i : {19, 20, 21, 22, 23, 35, 36, 37, 38, 39, 55, 89, 109})
    EXPECT_EQ(afterMicroQ(i, 0x33), 0) << i;
  EXPECT_EQ(afterMicroQ(76, 0x11), 64);
  EXPECT_EQ(afterMicroQ(151, 7), 6);
  EXPECT_EQ(afterMicroQ(151, 8), 8);
  EXPECT_EQ(afterMicroQ(151, 9), 0);
  EXPECT_EQ(afterMicroQ(264, 24), 0);
  EXPECT_EQ(afterMicroQ(313, 24), 0);
  EXPECT_EQ(afterMicroQ(313, 23), 23);
  EXPECT_EQ(afterMicroQ(269, 31), 0);
  EXPECT_EQ(afterMicroQ(269, 30), 30);
  EXPECT_EQ(afterMicroQ(314, 54), 0);
  EXPECT_EQ(afterMicroQ(314, 53), 53);

  PatchSysexMessage longer = stored(400);
  ASSERT_TRUE(PatchLibrarian::alterPatchFromMicroQFormat(&longer));
  EXPECT_EQ(longer.mData.size(), 392u);
  EXPECT_EQ(longer.mData[391], 0xF7);
}

TEST(PatchLibrarianConvertTest, DumpsTooShortForTheMapsAreLeftAlone)
{
  PatchSysexMessage microQ = stored(391);
  const Bytes microQBefore = microQ.mData;
  EXPECT_FALSE(PatchLibrarian::alterPatchFromMicroQFormat(&microQ));
  EXPECT_EQ(microQ.mData, microQBefore);
  PatchSysexMessage q = stored(392);
  const Bytes qBefore = q.mData;
  EXPECT_FALSE(PatchLibrarian::alterPatchFromQFormat(&q));
  EXPECT_EQ(q.mData, qBefore);
  EXPECT_FALSE(PatchLibrarian::alterPatchFromQFormat(nullptr));

  Bytes file = microQFileDump("Cut microQ", "Pad ", 391);
  append(file, microQFileDump("Whole microQ", "Pad "));
  Bytes qCut = qFileDump("Cut Q", "Bass", 0);
  qCut.erase(qCut.begin() + 300);
  append(file, qCut);
  const PatchFile bank = read(file);
  ASSERT_EQ(bank.mRecords.size(), 128u);
  EXPECT_EQ(bank.mRecords[0].mName, "Whole microQ    ");
  EXPECT_EQ(bank.mRecords[1].mName, "Init          02");
  EXPECT_EQ(bank.mOriginCode, PatchFile::kOriginQ) << "set by the model byte even when the dump is dropped";
}

TEST(PatchLibrarianConvertTest, ReaderConvertsMicroQSoundsWithTheirCategoryText)
{
  Bytes file = microQFileDump("microQ Pad", "Pad ");
  append(file, microQFileDump("microQ Other", "Pads"));
  const PatchFile bank = read(file);
  ASSERT_EQ(bank.mRecords.size(), 128u);
  EXPECT_EQ(bank.mOriginCode, PatchFile::kOriginMicroQ);
  const Bytes& d = bank.mRecords[0].mMessages[0].mData;
  ASSERT_EQ(d.size(), 392u);
  EXPECT_EQ(Bytes(d.begin(), d.begin() + 7), (Bytes{0xF0, 0x3E, 0x13, 0x00, 0x10, 0x00, 0x00}));
  EXPECT_EQ(Bytes(d.begin() + 386, d.begin() + 390), (Bytes{9, 0, 0, 0}));
  EXPECT_EQ(d[76], 64);
  EXPECT_EQ(d[20], 0);
  EXPECT_EQ(d[391], 0xF7);
  EXPECT_EQ(bank.mRecords[0].mName, "microQ Pad      ");
  EXPECT_EQ(bank.mRecords[0].mCategory, "Pad ");
  EXPECT_EQ(bank.mRecords[1].mCategory, "Init") << "an unmatched text becomes code 0";
  EXPECT_EQ(bank.mRecords[1].mMessages[0].mData[6], 1);
}

TEST(PatchLibrarianConvertTest, ReaderConvertsQSoundsThroughBothMaps)
{
  Bytes file = qFileDump("Q Sound 1", "Lead", 4);
  append(file, qFileDump("Q Sound 2", "FX  ", 33));
  const PatchFile bank = read(file);
  ASSERT_EQ(bank.mRecords.size(), 128u);
  EXPECT_EQ(bank.mOriginCode, PatchFile::kOriginQ);
  const Bytes& first = bank.mRecords[0].mMessages[0].mData;
  ASSERT_EQ(first.size(), 392u);
  EXPECT_EQ(first[151], 6) << "4 becomes 7 in the Q map, then 6 in the microQ map";
  EXPECT_EQ(bank.mRecords[1].mMessages[0].mData[151], 0) << "33 becomes 10, then 0";
  EXPECT_EQ(first[391], 0xF7);
  EXPECT_EQ(first[76], 64);
  EXPECT_EQ(bank.mRecords[0].mName, "Q Sound 1       ");
  EXPECT_EQ(bank.mRecords[0].mCategory, "Lead");
  EXPECT_EQ(bank.mRecords[1].mCategory, "FX  ");
  EXPECT_EQ(Bytes(first.begin() + 386, first.begin() + 390), (Bytes{7, 0, 0, 0}));
}

TEST(PatchLibrarianConvertTest, ConvertedBytesStaySevenBitDataBytes)
{
  EXPECT_EQ(afterQ(31, 0x7F), 0x7F) << "a shape of 127 cannot grow into a status byte";
  PatchSysexMessage message = stored(kQSize);
  for (int i = 7; i < kQSize - 1; ++i)
    message.mData[i] = 0x7F;
  ASSERT_TRUE(PatchLibrarian::alterPatchFromQFormat(&message));
  ASSERT_TRUE(PatchLibrarian::alterPatchFromMicroQFormat(&message));
  for (int i = 1; i < 391; ++i)
    EXPECT_LT(message.mData[i], 0x80) << i;
}
