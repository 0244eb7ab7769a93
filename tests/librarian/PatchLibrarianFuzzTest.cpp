// Bounded random mutation of raw sysex and MIDI bank files through both readers.
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace librarian_test;

namespace
{
// A fixed count and seed: every run checks the same inputs.
constexpr int kInputsPerSeed = 3000;
constexpr unsigned int kRandomSeed = 20261207;

Bytes qDump()
{
  Bytes d = soundDump("Q sound", 0, kQ, 0, 393);
  const std::string category = "Pad ";
  std::copy(category.begin(), category.end(), d.begin() + 387);
  return d;
}

Bytes microQDump()
{
  Bytes d = soundDump("microQ sound", 0, kMicroQ);
  const std::string category = "Bass";
  std::copy(category.begin(), category.end(), d.begin() + 386);
  return d;
}

std::vector<Bytes> seedDumps()
{
  return {soundDump("Blofeld 1", 3), multiDump("Multi"), microQDump(), qDump(), soundDump("Blofeld 2", 32)};
}

Bytes rawSeed()
{
  Bytes bytes;
  for (const Bytes& d : seedDumps())
    append(bytes, d);
  return bytes;
}

Bytes midiSeed()
{
  Bytes track;
  for (const Bytes& d : seedDumps())
  {
    const unsigned int length = static_cast<unsigned int>(d.size() - 1);
    append(track, {0x83, 0x74, 0xF0, static_cast<unsigned char>(0x80 | (length >> 7)),
                   static_cast<unsigned char>(length & 0x7F)});
    track.insert(track.end(), d.begin() + 1, d.end());
  }
  append(track, {0x00, 0xFF, 0x2F, 0x00});
  Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  const size_t n = track.size();
  append(file, {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)});
  append(file, track);
  return file;
}

// One to four mutations: byte changes, inserted and removed runs, cuts, copied runs and
// inserted dump headers, end bytes and chunk marks.
Bytes mutate(const Bytes& seed, std::mt19937& random)
{
  static const std::vector<Bytes> tokens = {{0xF0, 0x3E, 0x13, 0x00, 0x10, 0x00, 0x00},
                                            {0xF0, 0x3E, 0x10, 0x00, 0x10, 0x01, 0x02},
                                            {0xF0, 0x3E, 0x0F, 0x7E, 0x10, 0x7F, 0x7F},
                                            {0xF0, 0x3E, 0x13, 0x00, 0x11, 0x00, 0x00},
                                            {0xF7},
                                            {0x3E},
                                            {0xFF, 0xFF, 0xFF, 0xFF},
                                            {'M', 'T', 'h', 'd', 0, 0, 0, 6}};
  Bytes d = seed;
  const int count = 1 + static_cast<int>(random() % 4);
  for (int m = 0; m < count; ++m)
  {
    const size_t size = d.size();
    const size_t at = size == 0 ? 0 : random() % size;
    switch (random() % 7)
    {
    case 0:
      if (size > 0)
        d[at] = static_cast<unsigned char>(random());
      break;
    case 1:
      if (size > 0)
        d[at] ^= static_cast<unsigned char>(1u << (random() % 8));
      break;
    case 2:
    {
      Bytes run(1 + random() % 64);
      for (unsigned char& b : run)
        b = static_cast<unsigned char>(random());
      d.insert(d.begin() + at, run.begin(), run.end());
      break;
    }
    case 3:
      d.erase(d.begin() + at, d.begin() + std::min(size, at + 1 + random() % 500));
      break;
    case 4:
      d.resize(at);
      break;
    case 5:
    {
      const size_t length = std::min<size_t>(size - at, random() % 800);
      const Bytes run(d.begin() + at, d.begin() + at + length);
      const size_t to = d.empty() ? 0 : random() % d.size();
      d.insert(d.begin() + to, run.begin(), run.end());
      break;
    }
    default:
    {
      const Bytes& token = tokens[random() % tokens.size()];
      d.insert(d.begin() + at, token.begin(), token.end());
      break;
    }
    }
  }
  return d;
}

// Every record holds one framed Blofeld dump of a kind the library can use.
void checkRecords(const PatchFile& file, size_t inputSize)
{
  ASSERT_LE(file.mRecords.size(), std::max<size_t>(128, inputSize / 7 + 1));
  for (const LibrarianPatch& record : file.mRecords)
  {
    ASSERT_EQ(record.mMessages.size(), 1u);
    const Bytes& d = record.mMessages[0].mData;
    ASSERT_GE(d.size(), 390u);
    ASSERT_EQ(Bytes(d.begin(), d.begin() + 4), (Bytes{0xF0, 0x3E, 0x13, 0x00}));
    ASSERT_TRUE(d[4] == 0x10 || d[4] == 0x11);
    ASSERT_EQ(d.back(), 0xF7);
    for (size_t i = 1; i + 1 < d.size(); ++i)
      ASSERT_LT(d[i], 0x80) << "data bytes stay 7-bit";
    ASSERT_EQ(record.mName.size(), 16u);
  }
}

Bytes withoutSlot(Bytes d)
{
  d[6] = 0;
  return d;
}

// What was read, written again and read back, gives the same dumps (slot numbers aside).
void checkRoundTrip(PatchLibrarian& librarian, const PatchFile& file, bool midiFile)
{
  ByteChunk written;
  PatchLibrarian::bankFileBytes(file, midiFile, false, &written);
  PatchFile again;
  librarian.loadFromChunk(&written, written.Size(), &again, 0);
  ASSERT_EQ(again.mRecords.size(), file.mRecords.size());
  for (size_t i = 0; i < file.mRecords.size(); ++i)
    ASSERT_EQ(withoutSlot(again.mRecords[i].mMessages[0].mData),
              withoutSlot(file.mRecords[i].mMessages[0].mData));
}

void fuzz(const Bytes& seed, unsigned int randomSeed)
{
  std::mt19937 random(randomSeed);
  PatchLibrarian librarian;
  for (int n = 0; n < kInputsPerSeed; ++n)
  {
    const Bytes input = mutate(seed, random);
    ByteChunk chunk = chunkOf(input);
    PatchFile file;
    librarian.loadFromChunk(&chunk, chunk.Size(), &file, 0);
    checkRecords(file, input.size());
    if (!file.mRecords.empty())
      checkRoundTrip(librarian, file, n % 2 == 1);

    // Single reader steps from any position, also outside the data, never read outside it.
    PatchFile steps;
    int pos = static_cast<int>(random() % (input.size() + 20)) - 10;
    for (int step = 0; step < 8 && pos >= 0; ++step)
    {
      const int result = n % 2 == 0 ? librarian.readSysexMessage(&chunk, pos, &steps, 0, step)
                                    : librarian.readMIDIMessage(&chunk, pos, &steps, 0, step);
      ASSERT_EQ(result, pos);
    }
    checkRecords(steps, input.size());
    if (testing::Test::HasFatalFailure())
    {
      ADD_FAILURE() << "input " << n << " of " << input.size() << " bytes";
      return;
    }
  }
}
} // namespace

TEST(PatchLibrarianFuzzTest, MutatedRawSysexFilesReadSafely)
{
  fuzz(rawSeed(), kRandomSeed);
}

TEST(PatchLibrarianFuzzTest, MutatedMidiFilesReadSafely)
{
  fuzz(midiSeed(), kRandomSeed + 1);
}

TEST(PatchLibrarianFuzzTest, SeedsThemselvesReadCompletely)
{
  for (const Bytes& seed : {rawSeed(), midiSeed()})
  {
    PatchLibrarian librarian;
    ByteChunk chunk = chunkOf(seed);
    PatchFile file;
    librarian.loadFromChunk(&chunk, chunk.Size(), &file, 0);
    ASSERT_EQ(file.mRecords.size(), 128u);
    EXPECT_EQ(file.mRecords[0].mName, "Blofeld 1       ");
    EXPECT_EQ(file.mRecords[1].mName, "Multi           ");
    EXPECT_EQ(file.mRecords[2].mCategory, "Bass");
    EXPECT_EQ(file.mRecords[3].mCategory, "Pad ");
    EXPECT_EQ(file.mRecords[4].mCategory, "");
    EXPECT_EQ(file.mOriginCode, PatchFile::kOriginQ);
  }
}
