// Tests of the TEA block cipher: known answer, inverse routines, byte order of key and block.
#include "ConfigTestSupport.h"
#include "TeaKey.h"
#include "tea.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <sstream>
#include <vector>

namespace
{
using Block = std::array<unsigned char, 8>;

Block bigEndianBlock(unsigned int y, unsigned int z)
{
  return {static_cast<unsigned char>(y >> 24), static_cast<unsigned char>(y >> 16),
          static_cast<unsigned char>(y >> 8),  static_cast<unsigned char>(y),
          static_cast<unsigned char>(z >> 24), static_cast<unsigned char>(z >> 16),
          static_cast<unsigned char>(z >> 8),  static_cast<unsigned char>(z)};
}

const unsigned int kSampleKey[4] = {0x01234567u, 0x89abcdefu, 0xfedcba98u, 0x76543210u};
} // namespace

TEST(TeaTest, ZeroKeyAndZeroBlockGiveTheKnownAnswer)
{
  const unsigned int zeroKey[4] = {0, 0, 0, 0};
  unsigned int words[2] = {0, 0};
  Tea::encryptTea(words, zeroKey);
  EXPECT_EQ(0x41ea3a0au, words[0]);
  EXPECT_EQ(0x94baa940u, words[1]);

  Block block{};
  Tea::simpleencrypt(block.data(), zeroKey);
  EXPECT_EQ(bigEndianBlock(0x41ea3a0au, 0x94baa940u), block);
  Tea::simpledecrypt(block.data(), zeroKey);
  EXPECT_EQ(Block{}, block);
}

TEST(TeaTest, EncipherThenDecipherGivesTheBlockBack)
{
  const Block plain = {'<', 'a', '/', '>', 0, 0xff, 0x80, 0x7f};
  Block block = plain;
  Tea::simpleencrypt(block.data(), configtest::projectKey());
  EXPECT_NE(plain, block);
  Tea::simpledecrypt(block.data(), configtest::projectKey());
  EXPECT_EQ(plain, block);

  unsigned int words[2] = {0xdeadbeefu, 0x00c0ffeeu};
  Tea::encryptTea(words, kSampleKey);
  Tea::decryptTea(words, kSampleKey);
  EXPECT_EQ(0xdeadbeefu, words[0]);
  EXPECT_EQ(0x00c0ffeeu, words[1]);
}

TEST(TeaTest, BlockHalvesAreBigEndian)
{
  // The byte routine must equal the word routine on words read most significant byte first.
  unsigned int words[2] = {0x3c3f786du, 0x6c207665u};
  Tea::encryptTea(words, kSampleKey);
  Block block = bigEndianBlock(0x3c3f786du, 0x6c207665u);
  Tea::simpleencrypt(block.data(), kSampleKey);
  EXPECT_EQ(bigEndianBlock(words[0], words[1]), block);

  // The same bytes taken little-endian give other cipher bytes.
  Block swapped = bigEndianBlock(0x6d783f3cu, 0x6576206cu);
  Tea::simpleencrypt(swapped.data(), kSampleKey);
  EXPECT_NE(block, swapped);
}

TEST(TeaTest, KeyBytesAreReadLittleEndian)
{
  const unsigned char bytes[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                   0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};
  unsigned int key[4];
  teaKeyWords(bytes, key);
  EXPECT_EQ(0x03020100u, key[0]);
  EXPECT_EQ(0x07060504u, key[1]);
  EXPECT_EQ(0x0b0a0908u, key[2]);
  EXPECT_EQ(0x0f0e0d0cu, key[3]);

  const unsigned int bigEndianKey[4] = {0x00010203u, 0x04050607u, 0x08090a0bu, 0x0c0d0e0fu};
  Block a{};
  Block b{};
  Tea::simpleencrypt(a.data(), key);
  Tea::simpleencrypt(b.data(), bigEndianKey);
  EXPECT_NE(a, b);
}

TEST(TeaTest, WholeBufferRoutinesKeepThePlainLength)
{
  for (std::size_t length : {0u, 1u, 8u, 13u, 64u})
  {
    std::vector<unsigned char> data(length);
    for (std::size_t i = 0; i < length; ++i)
      data[i] = static_cast<unsigned char>(i * 37 + 1);
    const std::vector<unsigned char> plain = data;
    Tea::encryptBlock(data, kSampleKey);
    EXPECT_EQ(0u, data.size() % 8) << length;
    EXPECT_EQ((length + 7) / 8 * 8 + 8, data.size()) << length;
    ASSERT_TRUE(Tea::decryptBlock(data, kSampleKey)) << length;
    EXPECT_EQ(plain, data) << length;
  }
}

TEST(TeaTest, WholeBufferDecipheringRejectsBadInput)
{
  std::vector<unsigned char> empty;
  EXPECT_FALSE(Tea::decryptBlock(empty, kSampleKey));

  std::vector<unsigned char> ragged(13, 0x55);
  EXPECT_FALSE(Tea::decryptBlock(ragged, kSampleKey));
  EXPECT_EQ(13u, ragged.size());

  // A trailer whose length exceeds the data must not be trusted.
  std::vector<unsigned char> data(16, 0);
  const unsigned int tooLong = 1000;
  std::memcpy(data.data() + 12, &tooLong, sizeof(tooLong));
  for (std::size_t pos = 0; pos < data.size(); pos += 8)
  {
    unsigned int v[2];
    std::memcpy(v, data.data() + pos, sizeof(v));
    Tea::encryptTea(v, kSampleKey);
    std::memcpy(data.data() + pos, v, sizeof(v));
  }
  const std::vector<unsigned char> cipher = data;
  EXPECT_FALSE(Tea::decryptBlock(data, kSampleKey));
  EXPECT_EQ(cipher, data);
}

TEST(TeaTest, PrintBufferWritesHexSixteenPerLine)
{
  std::vector<unsigned char> data(18);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<unsigned char>(i == 0 ? 0xf0 : i);
  std::ostringstream out;
  Tea::printBuffer(out, data.data(), static_cast<int>(data.size()));
  EXPECT_EQ("f0 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\n10 11\n", out.str());

  std::ostringstream none;
  Tea::printBuffer(none, nullptr, 4);
  Tea::printBuffer(none, data.data(), 0);
  EXPECT_EQ("", none.str());
}
