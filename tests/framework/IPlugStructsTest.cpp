// Byte chunk encodings, bounded reads and the state-chunk header.
#include "IPlugStructs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{
std::vector<unsigned char> bytesOf(const ByteChunk& chunk)
{
  return std::vector<unsigned char>(chunk.Bytes(), chunk.Bytes() + chunk.Size());
}
} // namespace

TEST(ByteChunkTest, EncodesTextIntDoubleAndBoolLittleEndian)
{
  ByteChunk chunk;
  EXPECT_EQ(chunk.AppendText("INIT"), 8);
  EXPECT_EQ(bytesOf(chunk), (std::vector<unsigned char>{0x04, 0, 0, 0, 0x49, 0x4E, 0x49, 0x54}));

  chunk.Clear();
  const double one = 1.0;
  EXPECT_EQ(chunk.AppendValue(&one), 8);
  EXPECT_EQ(bytesOf(chunk), (std::vector<unsigned char>{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));

  chunk.Clear();
  const int32_t value = 0x01020304;
  const bool yes = true;
  chunk.AppendValue(&value);
  EXPECT_EQ(chunk.AppendValue(&yes), 5);
  EXPECT_EQ(bytesOf(chunk), (std::vector<unsigned char>{0x04, 0x03, 0x02, 0x01, 0x01}));
}

TEST(ByteChunkTest, ReadsStopAtTheEndAndLeaveTheValueUntouched)
{
  ByteChunk chunk;
  const int32_t stored = 7;
  chunk.AppendValue(&stored);
  const unsigned char two[2] = {1, 2};
  chunk.AppendBytes(two, 2);

  int32_t value = 99;
  EXPECT_EQ(chunk.ReadValue(&value, 0), 4);
  EXPECT_EQ(value, 7);
  value = 99;
  // Two bytes before the end: an int does not fit.
  EXPECT_EQ(chunk.ReadValue(&value, 4), -1);
  EXPECT_EQ(value, 99);
  EXPECT_EQ(chunk.ReadValue(&value, -1), -1);
  EXPECT_EQ(chunk.ReadValue(&value, 1000), -1);
  EXPECT_EQ(value, 99);
}

TEST(ByteChunkTest, BoolReadTakesAnyNonZeroByteAsTrue)
{
  ByteChunk chunk;
  const unsigned char raw[2] = {0x7F, 0x00};
  chunk.AppendBytes(raw, 2);
  bool flag = false;
  EXPECT_EQ(chunk.ReadValue(&flag, 0), 1);
  EXPECT_TRUE(flag);
  EXPECT_EQ(chunk.ReadValue(&flag, 1), 2);
  EXPECT_FALSE(flag);
}

TEST(ByteChunkTest, ChainedReadsStopAtTheFirstFailure)
{
  ByteChunk chunk;
  const double a = 0.25;
  const int32_t b = 3;
  chunk.AppendValue(&a);
  chunk.AppendValue(&b);
  chunk.AppendText("abc");

  double ra = 0;
  int32_t rb = 0;
  WDL_String text;
  int pos = chunk.ReadValue(&ra, 0);
  pos = chunk.ReadValue(&rb, pos);
  pos = chunk.ReadText(&text, pos);
  EXPECT_EQ(pos, chunk.Size());
  EXPECT_EQ(ra, 0.25);
  EXPECT_EQ(rb, 3);
  EXPECT_STREQ(text.Get(), "abc");

  // One more read past the end fails, and every read after it passes the -1 on.
  double extra = 5.0;
  pos = chunk.ReadValue(&extra, pos);
  EXPECT_EQ(pos, -1);
  pos = chunk.ReadValue(&rb, pos);
  EXPECT_EQ(pos, -1);
  pos = chunk.ReadText(&text, pos);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(extra, 5.0);
}

TEST(ByteChunkTest, TextReadsAreBoundedByTheChunk)
{
  ByteChunk chunk;
  const int32_t zero = 0;
  chunk.AppendValue(&zero);
  WDL_String text("kept");
  EXPECT_EQ(chunk.ReadText(&text, 0), 4);
  EXPECT_STREQ(text.Get(), "kept");

  // A length that runs past the end, or a negative one, is a short chunk.
  ByteChunk longLength;
  const int32_t claimed = 100;
  longLength.AppendValue(&claimed);
  longLength.AppendBytes("ab", 2);
  EXPECT_EQ(longLength.ReadText(&text, 0), -1);
  EXPECT_STREQ(text.Get(), "kept");

  ByteChunk negative;
  const int32_t minus = -8;
  negative.AppendValue(&minus);
  EXPECT_EQ(negative.ReadText(&text, 0), -1);

  // The copy stops at a zero byte inside the stored characters.
  ByteChunk embedded;
  const int32_t four = 4;
  embedded.AppendValue(&four);
  embedded.AppendBytes("ab\0d", 4);
  EXPECT_EQ(embedded.ReadText(&text, 0), 8);
  EXPECT_STREQ(text.Get(), "ab");
}

TEST(ByteChunkTest, AppendChunkAndResize)
{
  ByteChunk a;
  ByteChunk b;
  a.AppendText("x");
  b.AppendText("yz");
  EXPECT_EQ(a.AppendChunk(&b), 5 + 6);
  EXPECT_EQ(a.AppendChunk(&a), 22);
  EXPECT_EQ(a.AppendChunk(nullptr), 22);

  ByteChunk grown;
  grown.AppendText("q");
  EXPECT_EQ(grown.Resize(12), 12);
  EXPECT_EQ(grown.Bytes()[11], 0);
  EXPECT_EQ(grown.Resize(-3), 0);
}

TEST(ChunkHeaderTest, HeaderIsTffpThenVersion)
{
  ByteChunk chunk;
  chunk.AppendText("old");
  InitChunkWithIPlugVer(&chunk);
  EXPECT_EQ(bytesOf(chunk), (std::vector<unsigned char>{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
  int pos = 0;
  EXPECT_EQ(GetIPlugVerFromChunk(&chunk, &pos), 0x10000);
  EXPECT_EQ(pos, 8);
}

TEST(ChunkHeaderTest, MissingOrCutHeader)
{
  ByteChunk body;
  body.AppendText("body");
  int pos = 0;
  EXPECT_EQ(GetIPlugVerFromChunk(&body, &pos), 0);
  EXPECT_EQ(pos, 0);

  ByteChunk magicOnly;
  const int32_t magic = kIPlugChunkMagic;
  magicOnly.AppendValue(&magic);
  pos = 0;
  EXPECT_EQ(GetIPlugVerFromChunk(&magicOnly, &pos), 0);
  EXPECT_EQ(pos, -1);

  ByteChunk tiny;
  tiny.AppendBytes("tf", 2);
  pos = 0;
  EXPECT_EQ(GetIPlugVerFromChunk(&tiny, &pos), 0);
  EXPECT_EQ(pos, 0);

  pos = -1;
  EXPECT_EQ(GetIPlugVerFromChunk(&body, &pos), 0);
  EXPECT_EQ(pos, -1);
}

TEST(CopyBoundedTest, CutsAndTerminates)
{
  char buffer[8];
  std::memset(buffer, 'x', sizeof(buffer));
  CopyBounded(buffer, "Korvid Editor", 8);
  EXPECT_STREQ(buffer, "Korvid ");
  CopyBounded(buffer, nullptr, 8);
  EXPECT_STREQ(buffer, "");
  IPreset preset;
  EXPECT_STREQ(preset.mName, "empty");
  const std::string longName(400, 'n');
  preset.SetName(longName.c_str());
  EXPECT_EQ(std::strlen(preset.mName), static_cast<size_t>(IPreset::kMaxNameLen));
}

TEST(FourCCTest, PacksBigEndianCharacters)
{
  EXPECT_EQ(MakeFourCC("kv2w"), 0x6B763277);
  EXPECT_EQ(MakeFourCC("Qvr4"), 0x51767234);
}
