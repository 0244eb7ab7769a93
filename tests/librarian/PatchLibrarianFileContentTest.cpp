// Reading raw sysex and MIDI bank files into library records.
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

using namespace librarian_test;

namespace
{
const char* const kCategoryTexts[] = {"Init", "Arp ", "Atmo", "Bass", "Drum", "FX  ", "Keys",
                                      "Lead", "Mono", "Pad ", "Perc", "Poly", "Seq "};

PatchFile read(const Bytes& bytes, PatchLibrarian* librarian = nullptr)
{
  PatchLibrarian local;
  PatchLibrarian& lib = librarian != nullptr ? *librarian : local;
  ByteChunk chunk = chunkOf(bytes);
  PatchFile file;
  lib.loadFromChunk(&chunk, chunk.Size(), &file, 0);
  return file;
}

// The dumps a shared bank file holds, found without the librarian: raw files are back-to-back
// 392-byte dumps, MIDI files are walked event by event.
std::vector<Bytes> dumpsIn(const Bytes& file)
{
  if (file.size() > 4 && file[0] == 'M' && file[1] == 'T')
    return smfSysexEvents(file);
  std::vector<Bytes> dumps;
  for (size_t pos = 0; pos + kSoundSize <= file.size(); pos += kSoundSize)
    dumps.emplace_back(file.begin() + pos, file.begin() + pos + kSoundSize);
  return dumps;
}

Bytes midiFileOf(const std::vector<Bytes>& dumps)
{
  Bytes track;
  for (const Bytes& d : dumps)
  {
    append(track, {0x00, 0xF0});
    const unsigned int length = static_cast<unsigned int>(d.size() - 1);
    append(track,
           {static_cast<unsigned char>(0x80 | (length >> 7)), static_cast<unsigned char>(length & 0x7F)});
    track.insert(track.end(), d.begin() + 1, d.end());
  }
  append(track, {0x00, 0xFF, 0x2F, 0x00});
  Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  const size_t n = track.size();
  append(file, {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)});
  append(file, track);
  return file;
}
} // namespace

class SharedBankFileTest : public ::testing::TestWithParam<std::pair<const char*, size_t>>
{
};

TEST_P(SharedBankFileTest, EveryDumpBecomesARecordWithItsNameAndCategory)
{
  KORVID_REQUIRE_SHARED_BANKS();
  const Bytes bytes = readFile(sharedBank(GetParam().first));
  ASSERT_FALSE(bytes.empty()) << sharedBank(GetParam().first);
  const std::vector<Bytes> dumps = dumpsIn(bytes);
  ASSERT_EQ(dumps.size(), GetParam().second);

  const PatchFile file = read(bytes);
  ASSERT_EQ(file.mRecords.size(), dumps.size());
  EXPECT_EQ(file.mKind, PatchFile::kSounds);
  EXPECT_EQ(file.mOriginCode, PatchFile::kOriginBlofeld);
  int outsideCategories = 0;
  for (size_t i = 0; i < dumps.size(); ++i)
  {
    const Bytes& dump = dumps[i];
    const LibrarianPatch& record = file.mRecords[i];
    EXPECT_EQ(record.mName, std::string(dump.begin() + kNameOffset, dump.begin() + kNameOffset + 16)) << i;
    const unsigned char code = dump[kCategoryOffset];
    EXPECT_EQ(record.mCategory, code < 13 ? kCategoryTexts[code] : "") << i;
    outsideCategories += code >= 13 ? 1 : 0;
    ASSERT_EQ(record.mMessages.size(), 1u);
    const Bytes& stored = record.mMessages[0].mData;
    ASSERT_EQ(stored.size(), dump.size());
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 7),
              (Bytes{0xF0, 0x3E, 0x13, 0x00, 0x10, 0x00, static_cast<unsigned char>(i % 128)}));
    EXPECT_TRUE(std::equal(dump.begin() + 7, dump.end(), stored.begin() + 7)) << i;
  }
  if (std::string(GetParam().first) == "factory-2012.mid")
  {
    EXPECT_EQ(outsideCategories, 2) << "two factory sounds carry category byte 32";
  }
}

INSTANTIATE_TEST_SUITE_P(SharedBanks, SharedBankFileTest,
                         ::testing::Values(std::make_pair("factory-2008.syx", size_t(1024)),
                                           std::make_pair("init-bank.syx", size_t(128)),
                                           std::make_pair("factory-2012.mid", size_t(1024)),
                                           std::make_pair("easter-set.mid", size_t(128))));

TEST(PatchLibrarianFileContentTest, FilesTooShortOrWithoutDumpsGiveNoRecords)
{
  Bytes fourteen = soundDump("X", 0);
  fourteen.resize(14);
  EXPECT_TRUE(read(fourteen).mRecords.empty());
  EXPECT_TRUE(read(Bytes(5000, 0x3E)).mRecords.empty());
  Bytes noise;
  for (int i = 0; i < 20000; ++i)
    noise.push_back(static_cast<unsigned char>((i * 37 + 11) & 0xFF));
  EXPECT_TRUE(read(noise).mRecords.empty());

  PatchLibrarian librarian;
  ByteChunk chunk = chunkOf(soundDump("A", 0));
  PatchFile file;
  librarian.loadFromChunk(&chunk, 14, &file, 0);
  EXPECT_TRUE(file.mRecords.empty()) << "only size bytes are read";
  librarian.loadFromChunk(&chunk, 1 << 30, &file, 0);
  EXPECT_EQ(file.mRecords.size(), 128u) << "a size beyond the chunk is cut to the chunk";
  librarian.loadFromChunk(nullptr, 100, &file, 0);
  librarian.loadFromChunk(&chunk, chunk.Size(), nullptr, 0);
}

TEST(PatchLibrarianFileContentTest, AFullBankGetsSlotNumbersAndBlofeldHeaders)
{
  Bytes bank;
  for (int i = 0; i < 130; ++i)
    append(bank, soundDump("S" + std::to_string(i), 3, kBlofeld, 0x11, kSoundSize, 0x05, 0x40));
  const PatchFile file = read(bank);
  ASSERT_EQ(file.mRecords.size(), 130u) << "longer files are not cut here";
  for (size_t i = 0; i < file.mRecords.size(); ++i)
  {
    const Bytes& d = file.mRecords[i].mMessages[0].mData;
    EXPECT_EQ(d[6], i % 128);
    EXPECT_EQ(d[3], 0x00);
    EXPECT_EQ(d[5], 0x00);
    EXPECT_EQ(file.mRecords[i].mName,
              ("S" + std::to_string(i)).append(16 - ("S" + std::to_string(i)).size(), ' '));
    EXPECT_EQ(file.mRecords[i].mCategory, "Bass");
  }
}

TEST(PatchLibrarianFileContentTest, RejectedHeadersAndShortSoundsAreSkipped)
{
  Bytes bank;
  append(bank, soundDump("Kept 1", 1));
  append(bank, soundDump("Device 7F", 1, kBlofeld, 0x7F));
  append(bank, soundDump("Bank 80", 1, kBlofeld, 0x00, kSoundSize, 0x80));
  Bytes otherModel = soundDump("Other model", 1);
  otherModel[2] = 0x42;
  append(bank, otherModel);
  Bytes request = {0xF0, 0x3E, 0x13, 0x00, 0x00, 0x00, 0x00, 0xF7};
  append(bank, request);
  append(bank, soundDump("Too short", 1, kBlofeld, 0, 389));
  append(bank, soundDump("Kept 2", 2, kBlofeld, 0, 390));
  const PatchFile file = read(bank);
  ASSERT_EQ(file.mRecords.size(), 128u);
  EXPECT_EQ(file.mRecords[0].mName, "Kept 1          ");
  EXPECT_EQ(file.mRecords[1].mName, "Kept 2          ");
  EXPECT_EQ(file.mRecords[1].mMessages[0].mData.size(), 390u);
  EXPECT_EQ(file.mRecords[1].mCategory, "Atmo");
  // The slot counts reader calls after the first record, rejected headers included.
  EXPECT_GT(file.mRecords[1].mMessages[0].mData[6], 1);
  EXPECT_EQ(file.mRecords[2].mName, "Init          03");
}

TEST(PatchLibrarianFileContentTest, IncompleteBanksAreFilledWithNumberedInitRecords)
{
  Bytes sounds;
  for (int i = 0; i < 3; ++i)
    append(sounds, soundDump("Sound", 0));
  const PatchFile soundBank = read(sounds);
  ASSERT_EQ(soundBank.mRecords.size(), 128u);
  EXPECT_EQ(soundBank.mRecords[3].mName, "Init          04");
  EXPECT_EQ(soundBank.mRecords[99].mName, "Init         100");
  EXPECT_EQ(soundBank.mRecords[127].mName, "Init         128");
  EXPECT_EQ(soundBank.mRecords[3].mCategory, "Init");
  const Bytes& init = soundBank.mRecords[127].mMessages[0].mData;
  ASSERT_EQ(init.size(), 392u);
  EXPECT_EQ(Bytes(init.begin(), init.begin() + 7), (Bytes{0xF0, 0x3E, 0x13, 0x00, 0x10, 0x00, 0x00}));
  EXPECT_EQ(Bytes(init.begin() + 386, init.end()), (Bytes{0x00, 0x00, 0x00, 0x00, 0x7F, 0xF7}));
  EXPECT_EQ(Bytes(init.begin() + 7, init.begin() + 11), (Bytes{0x01, 0x40, 0x40, 0x40}));

  Bytes multis;
  for (int i = 0; i < 3; ++i)
    append(multis, multiDump("Multi " + std::to_string(i)));
  const PatchFile multiBank = read(multis);
  ASSERT_EQ(multiBank.mRecords.size(), 128u);
  EXPECT_EQ(multiBank.mKind, PatchFile::kMultis);
  EXPECT_EQ(multiBank.mRecords[2].mName, "Multi 2         ");
  EXPECT_EQ(multiBank.mRecords[3].mName, "Init Multi V1.15");
  const Bytes& initMulti = multiBank.mRecords[127].mMessages[0].mData;
  ASSERT_EQ(initMulti.size(), 425u);
  EXPECT_EQ(initMulti[4], 0x11);
  EXPECT_EQ(initMulti[39 + 24 * 5 + 1], 5) << "part block byte 1 holds the part";
  EXPECT_EQ(initMulti[39 + 24 * 5 + 7], 7) << "part block byte 7 holds 2 + part";
  EXPECT_EQ(initMulti[39 + 12], 0x07);
  EXPECT_EQ(initMulti[39 + 24 + 12], 0x03);
  EXPECT_EQ(initMulti[423], 0x7F);
  EXPECT_EQ(initMulti[424], 0xF7);
}

TEST(PatchLibrarianFileContentTest, RawAndMidiFormsOfOneBankGiveTheSameRecords)
{
  std::vector<Bytes> dumps;
  for (int i = 0; i < 128; ++i)
    dumps.push_back(soundDump("Same " + std::to_string(i), static_cast<unsigned char>(i % 14)));
  Bytes raw;
  for (const Bytes& d : dumps)
    append(raw, d);
  const PatchFile fromRaw = read(raw);
  const PatchFile fromMidi = read(midiFileOf(dumps));
  ASSERT_EQ(fromRaw.mRecords.size(), 128u);
  ASSERT_EQ(fromMidi.mRecords.size(), 128u);
  for (size_t i = 0; i < 128; ++i)
  {
    EXPECT_EQ(fromRaw.mRecords[i].mName, fromMidi.mRecords[i].mName);
    EXPECT_EQ(fromRaw.mRecords[i].mCategory, fromMidi.mRecords[i].mCategory);
    EXPECT_EQ(fromRaw.mRecords[i].mMessages[0].mData, fromMidi.mRecords[i].mMessages[0].mData);
  }

  Bytes almostMidi = raw;
  const Bytes mark{'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 0, 0, 0, 0, 0};
  almostMidi.insert(almostMidi.begin(), mark.begin(), mark.end());
  EXPECT_EQ(read(almostMidi).mRecords.size(), 128u) << "read as raw sysex from byte 0";
}

TEST(PatchLibrarianFileContentTest, ADumpCutShortDoesNotSwallowTheNextDump)
{
  Bytes bank;
  Bytes cut = soundDump("Cut", 1);
  cut.resize(200);
  append(bank, cut);
  append(bank, soundDump("Whole", 4));
  append(bank, {0x00, 0x12, 0x7F, 0x90, 0x40, 0x7F});
  Bytes cutLate = soundDump("Cut late", 1);
  cutLate.resize(390);
  append(bank, cutLate);
  append(bank, soundDump("Last", 5));
  Bytes tail = soundDump("Tail", 6);
  tail.resize(300);
  append(bank, tail);

  const PatchFile file = read(bank);
  ASSERT_EQ(file.mRecords.size(), 128u);
  EXPECT_EQ(file.mRecords[0].mName, "Whole           ");
  EXPECT_EQ(file.mRecords[0].mCategory, "Drum");
  EXPECT_EQ(file.mRecords[0].mMessages[0].mData.size(), 392u);
  EXPECT_EQ(file.mRecords[1].mName, "Cut late        ") << "390 bytes and more are taken";
  EXPECT_EQ(file.mRecords[1].mMessages[0].mData.size(), 391u);
  EXPECT_EQ(file.mRecords[1].mMessages[0].mData.back(), 0xF7);
  EXPECT_EQ(file.mRecords[2].mName, "Last            ");
  EXPECT_EQ(file.mRecords[3].mName, "Init          04");
}

TEST(PatchLibrarianFileContentTest, MultiDumpsAreTakenOnlyWhole)
{
  Bytes bank;
  append(bank, multiDump("Short multi", 424));
  append(bank, multiDump("Whole multi"));
  const PatchFile file = read(bank);
  ASSERT_EQ(file.mRecords.size(), 128u);
  EXPECT_EQ(file.mRecords[0].mName, "Whole multi     ");
  EXPECT_EQ(file.mRecords[1].mName, "Init Multi V1.15");
}

TEST(PatchLibrarianFileContentTest, MidiFileWhoseChunkLengthsLieIsReadByItsDumps)
{
  std::vector<Bytes> dumps;
  for (int i = 0; i < 4; ++i)
    dumps.push_back(soundDump("Lie " + std::to_string(i), 7));
  Bytes file = midiFileOf(dumps);
  file[18] = 0xFF;
  file[19] = 0xFF;
  file[20] = 0xFF;
  file[21] = 0xFF;
  EXPECT_EQ(read(file).mRecords[3].mName, "Lie 3           ");
  file.resize(file.size() / 2);
  const PatchFile half = read(file);
  EXPECT_EQ(half.mRecords[0].mName, "Lie 0           ");
  EXPECT_EQ(half.mRecords[1].mName, "Init          02") << "the dump cut in the middle is dropped";
}

TEST(PatchLibrarianFileContentTest, SkippedDumpsAreReportedInTheLog)
{
  TempFolder folder;
  const std::string log = folder.file("log.txt");
  writeFile(log, {});
  PatchLibrarian librarian;
  librarian.mLogPath = log;
  librarian.mLoggingOn = true;
  Bytes bank = soundDump("Good", 0);
  append(bank, soundDump("Bad", 0, kBlofeld, 0, 300));
  read(bank, &librarian);
  const Bytes text = readFile(log);
  const std::string line(text.begin(), text.end());
  EXPECT_NE(line.find("PATCH LIBRARIAN: 1 records read"), std::string::npos) << line;
  EXPECT_NE(line.find("1 incomplete dumps"), std::string::npos) << line;

  librarian.mLoggingOn = false;
  writeFile(log, {});
  read(bank, &librarian);
  EXPECT_TRUE(readFile(log).empty());
}

TEST(PatchLibrarianFileContentTest, ReaderStepsReturnPositionsAndEndWithMinusOne)
{
  PatchLibrarian librarian;
  Bytes bytes = {0x00, 0x00};
  append(bytes, soundDump("Step", 0));
  append(bytes, {0x01, 0x02});
  ByteChunk chunk = chunkOf(bytes);
  PatchFile file;
  int pos = 0;
  EXPECT_EQ(librarian.readSysexMessage(&chunk, pos, &file, 0, 9), 394);
  EXPECT_EQ(pos, 394);
  EXPECT_EQ(file.mRecords[0].mMessages[0].mData[6], 9);
  EXPECT_EQ(librarian.readSysexMessage(&chunk, pos, &file, 0, 10), -1);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(librarian.readSysexMessage(&chunk, pos, &file, 0, 10), -1);

  pos = 0;
  EXPECT_EQ(librarian.readMIDIMessage(&chunk, pos, &file, 0, 0), 393) << "left on the closing F7";

  pos = 0;
  EXPECT_TRUE(PatchLibrarian::findByte(&chunk, pos, 0x3E));
  EXPECT_EQ(pos, 4);
  EXPECT_FALSE(PatchLibrarian::findByte(&chunk, pos, 0xEE));
  EXPECT_EQ(pos, -1);
}

TEST(PatchLibrarianFileContentTest, AStray3EDirectlyBeforeAHeaderDoesNotHideIt)
{
  Bytes raw{0x00, 0x3E};
  append(raw, soundDump("Behind 3E", 0));
  EXPECT_EQ(read(raw).mRecords[0].mName, "Behind 3E       ");

  // A 447-byte sound in a MIDI file: its event length 446 is written 83 3E, right before the dump's 3E.
  Bytes odd = soundDump("Long", 0, kBlofeld, 0, 447);
  odd[446] = 0xF7;
  const std::vector<Bytes> dumps{odd, soundDump("Next", 0)};
  const PatchFile file = read(midiFileOf(dumps));
  EXPECT_EQ(file.mRecords[0].mName, "Long            ");
  EXPECT_EQ(file.mRecords[0].mMessages[0].mData.size(), 447u);
  EXPECT_EQ(file.mRecords[1].mName, "Next            ");
}
