// Writing banks as raw sysex and MIDI files: bytes, sizes, splits, save-as and overwrite.
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

using namespace librarian_test;

namespace
{
PatchFile* readBank(PatchLibrarian& librarian, const Bytes& bytes)
{
  ByteChunk chunk = chunkOf(bytes);
  PatchFile* file = new PatchFile();
  librarian.loadFromChunk(&chunk, chunk.Size(), file, 0);
  return file;
}

Bytes bankBytes(const PatchFile& bank, bool midiFile, bool multis)
{
  ByteChunk out;
  PatchLibrarian::bankFileBytes(bank, midiFile, multis, &out);
  return bytesOf(out);
}

void expectSameRecords(const PatchFile& a, const PatchFile& b)
{
  ASSERT_EQ(a.mRecords.size(), b.mRecords.size());
  for (size_t i = 0; i < a.mRecords.size(); ++i)
  {
    EXPECT_EQ(a.mRecords[i].mName, b.mRecords[i].mName) << i;
    EXPECT_EQ(a.mRecords[i].mCategory, b.mRecords[i].mCategory) << i;
    ASSERT_EQ(a.mRecords[i].mMessages.size(), 1u);
    EXPECT_EQ(a.mRecords[i].mMessages[0].mData, b.mRecords[i].mMessages[0].mData) << i;
  }
}

Bytes soundsFile(int count, const std::string& prefix = "Sound ")
{
  Bytes bytes;
  for (int i = 0; i < count; ++i)
    append(bytes, soundDump(prefix + std::to_string(i), static_cast<unsigned char>(i % 13)));
  return bytes;
}
} // namespace

TEST(PatchLibrarianWriteTest, SharedBankWrittenRawAndAsMidiReadsBackByteForByte)
{
  KORVID_REQUIRE_SHARED_BANKS();
  PatchLibrarian librarian;
  PatchFile* bank = readBank(librarian, readFile(sharedBank("easter-set.mid")));
  ASSERT_EQ(bank->mRecords.size(), 128u);

  const Bytes raw = bankBytes(*bank, false, false);
  ASSERT_EQ(raw.size(), 50176u);
  for (size_t i = 0; i < 128; ++i)
    EXPECT_TRUE(std::equal(bank->mRecords[i].mMessages[0].mData.begin(),
                           bank->mRecords[i].mMessages[0].mData.end(), raw.begin() + i * 392));
  const Bytes midi = bankBytes(*bank, true, false);
  ASSERT_EQ(midi.size(), 50740u);
  const Bytes head{0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x02, 0x01, 0xE0,
                   0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x13, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02,
                   0x18, 0x08, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00, 0x4D,
                   0x54, 0x72, 0x6B, 0x00, 0x00, 0xC6, 0x03, 0x00, 0xF0, 0x83, 0x07};
  EXPECT_EQ(Bytes(midi.begin(), midi.begin() + 53), head);
  EXPECT_EQ(Bytes(midi.end() - 4, midi.end()), (Bytes{0x00, 0xFF, 0x2F, 0x00}));
  bool wellFormed = false;
  const std::vector<Bytes> events = smfSysexEvents(midi, &wellFormed);
  EXPECT_TRUE(wellFormed);
  ASSERT_EQ(events.size(), 128u);
  EXPECT_EQ(events[5], bank->mRecords[5].mMessages[0].mData);

  std::unique_ptr<PatchFile> fromRaw(readBank(librarian, raw));
  std::unique_ptr<PatchFile> fromMidi(readBank(librarian, midi));
  expectSameRecords(*bank, *fromRaw);
  expectSameRecords(*bank, *fromMidi);
  EXPECT_EQ(bankBytes(*fromRaw, false, false), raw);
  EXPECT_EQ(bankBytes(*fromMidi, true, false), midi);
  delete bank;
}

TEST(PatchLibrarianWriteTest, MultiBanksAndOddLengthsGiveValidFiles)
{
  PatchLibrarian librarian;
  Bytes multis;
  for (int i = 0; i < 2; ++i)
    append(multis, multiDump("M" + std::to_string(i)));
  std::unique_ptr<PatchFile> bank(readBank(librarian, multis));
  EXPECT_EQ(bankBytes(*bank, false, true).size(), 54400u);
  const Bytes midi = bankBytes(*bank, true, true);
  EXPECT_EQ(midi.size(), 53u + 424u + 127u * 429u + 4u);
  EXPECT_EQ(Bytes(midi.begin() + 45, midi.begin() + 53),
            (Bytes{0x00, 0x00, 0xD6, 0x83, 0x00, 0xF0, 0x83, 0x28}));

  // A 390-byte sound and an empty slot: the events and the track length follow the real bytes.
  PatchFile odd;
  odd.mRecords.resize(3);
  odd.mRecords[1].mMessages.emplace_back();
  odd.mRecords[1].mMessages.back().mData = soundDump("Odd", 0, kBlofeld, 0, 390);
  odd.mRecords[2].mMessages.emplace_back();
  odd.mRecords[2].mMessages.back().mData = soundDump("Full", 0);
  bool wellFormed = false;
  const std::vector<Bytes> events = smfSysexEvents(bankBytes(odd, true, false), &wellFormed);
  EXPECT_TRUE(wellFormed);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].size(), 390u);
  EXPECT_EQ(events[1].size(), 392u);
}

TEST(PatchLibrarianWriteTest, FillUncompletedBankFilesUsesPlainInitRecords)
{
  PatchFile sounds;
  sounds.mRecords.resize(1);
  sounds.mRecords[0].mMessages.emplace_back();
  sounds.mRecords[0].mMessages.back().mData = soundDump("One", 2);
  PatchLibrarian::fillUncompletedBankFiles(&sounds);
  ASSERT_EQ(sounds.mRecords.size(), 128u);
  EXPECT_EQ(sounds.mRecords[127].mName, "Init            ");
  EXPECT_EQ(sounds.mRecords[127].mCategory, "");
  EXPECT_EQ(sounds.mRecords[127].mMessages[0].mData.size(), 392u);

  PatchFile multis;
  multis.mRecords.resize(1);
  multis.mRecords[0].mMessages.emplace_back();
  multis.mRecords[0].mMessages.back().mData = multiDump("One");
  PatchLibrarian::fillUncompletedBankFiles(&multis);
  ASSERT_EQ(multis.mRecords.size(), 128u);
  EXPECT_EQ(multis.mRecords[1].mName, "Init Multi V1.15");

  PatchFile empty;
  PatchLibrarian::fillUncompletedBankFiles(&empty);
  EXPECT_TRUE(empty.mRecords.empty());
}

TEST(PatchLibrarianWriteTest, SplitOfTwoHundredSoundsWritesTwoNumberedBanks)
{
  TempFolder folder;
  PatchLibrarian librarian;
  librarian.mSplitFlag = true;
  std::unique_ptr<PatchFile> source(readBank(librarian, soundsFile(200)));
  ASSERT_EQ(source->mRecords.size(), 200u);
  const std::string sourcePath = folder.file("Big.Set.syx");
  // The counter tells the scan whether another bank follows: 1, then 2 once the last, partial bank is
  // in reach, then 1 again when no records are left.
  const int counters[] = {1, 2, 1};
  for (int bank = -1; bank <= 1; ++bank)
  {
    librarian.createNewPatchFile(source.get(), "Folder", "Big.Set.syx", "kvd", sourcePath, 3, bank, false,
                                 false);
    EXPECT_EQ(librarian.mBankCounter, counters[bank + 1]);
  }
  ASSERT_EQ(librarian.mSoundBanks.size(), 2u);
  EXPECT_EQ(librarian.mSoundBanks[0]->mFileName, "Big.Set Singles 1.kvd");
  EXPECT_EQ(librarian.mSoundBanks[1]->mFileName, "Big.Set Singles 2.kvd");
  EXPECT_EQ(librarian.mSoundBanks[1]->mFolderName, "Folder");
  EXPECT_EQ(librarian.mSoundBanks[1]->mFolderIndex, 3);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"Big.Set Singles 1.kvd", "Big.Set Singles 2.kvd"}));

  std::unique_ptr<PatchFile> second(readBank(librarian, readFile(folder.file("Big.Set Singles 2.kvd"))));
  ASSERT_EQ(second->mRecords.size(), 128u);
  EXPECT_EQ(second->mRecords[0].mName, "Sound 128       ");
  EXPECT_EQ(second->mRecords[71].mName, "Sound 199       ");
  EXPECT_EQ(second->mRecords[72].mName, "Init            ");
  EXPECT_EQ(readFile(folder.file("Big.Set Singles 1.kvd")).size(), 50176u);
}

TEST(PatchLibrarianWriteTest, SplitNeverOverwritesAnExistingFile)
{
  TempFolder folder;
  PatchLibrarian librarian;
  librarian.mSplitFlag = true;
  writeFile(folder.file("Mixed Multis.mid"), {1, 2, 3});
  Bytes mixed = soundsFile(3);
  for (int i = 0; i < 130; ++i)
    append(mixed, multiDump("Multi " + std::to_string(i)));
  std::unique_ptr<PatchFile> source(readBank(librarian, mixed));
  for (int bank = -1; bank <= 0; ++bank)
    librarian.createNewPatchFile(source.get(), "Patches", "Mixed.mid", "mid", folder.file("Mixed.mid"), 0,
                                 bank, true, true);
  ASSERT_EQ(librarian.mMultiBanks.size(), 2u);
  EXPECT_EQ(readFile(folder.file("Mixed Multis.mid")), (Bytes{1, 2, 3}));
  EXPECT_EQ(librarian.mMultiBanks[0]->mFileName, "Mixed Multis (2).mid");
  EXPECT_EQ(librarian.mMultiBanks[1]->mFileName, "Mixed Multis (3).mid");
  std::unique_ptr<PatchFile> second(readBank(librarian, readFile(folder.file("Mixed Multis (3).mid"))));
  EXPECT_EQ(second->mRecords[1].mName, "Multi 129       ");
  EXPECT_EQ(second->mKind, PatchFile::kMultis);
}

TEST(PatchLibrarianWriteTest, SaveAsWritesTheSelectedBankWhereTheUserChose)
{
  TempFolder folder;
  PatchLibrarian librarian;
  librarian.mSoundBanks.push_back(readBank(librarian, soundsFile(128, "A")));
  librarian.mSoundBanks.push_back(readBank(librarian, soundsFile(128, "B")));
  librarian.mUpperBankIndex = 1;
  std::string proposed, directory, extension;
  std::string answer = folder.file("Chosen.mid");
  librarian.mPromptForFile = [&](const std::string& name, const std::string& dir, const std::string& ext)
  {
    proposed = name;
    directory = dir;
    extension = ext;
    return answer;
  };
  ASSERT_EQ(librarian.savePatchAs("Default", folder.path, true), PatchLibrarian::SaveAs::kWritten);
  EXPECT_EQ(proposed, "Default");
  EXPECT_EQ(directory, folder.path);
  EXPECT_EQ(extension, "mid");
  EXPECT_EQ(librarian.mCurrentSoundBankName, "Chosen.mid");
  EXPECT_EQ(librarian.mCurrentFolderName, folder.path.substr(folder.path.rfind('/') + 1));
  const Bytes written = readFile(answer);
  EXPECT_EQ(written, bankBytes(*librarian.mSoundBanks[1], true, false));
  EXPECT_EQ(written.size(), 50740u);

  librarian.mMultiMode = true;
  answer = folder.file("Raw.kvd");
  ASSERT_EQ(librarian.savePatchAs("Default", folder.path, false), PatchLibrarian::SaveAs::kWritten);
  EXPECT_EQ(extension, "kvd");
  EXPECT_EQ(librarian.mCurrentMultiBankName, "Raw.kvd");
  EXPECT_EQ(readFile(answer).size(), 50176u);

  answer.clear();
  EXPECT_EQ(librarian.savePatchAs("Default", folder.path, false), PatchLibrarian::SaveAs::kCancelled);
  librarian.mUpperBankIndex = 5;
  answer = folder.file("Nothing.kvd");
  EXPECT_EQ(librarian.savePatchAs("Default", folder.path, false), PatchLibrarian::SaveAs::kNotWritten)
      << "no such bank";
  librarian.mPromptForFile = nullptr;
  EXPECT_EQ(librarian.savePatchAs("Default", folder.path, false), PatchLibrarian::SaveAs::kNotWritten);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"Chosen.mid", "Raw.kvd"}));
}

TEST(PatchLibrarianWriteTest, SaveEditedPatchReplacesTheFileWholeInItsForm)
{
  TempFolder folder;
  PatchLibrarian librarian;
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  Bytes multis;
  for (int i = 0; i < 5; ++i)
    append(multis, multiDump("Edited " + std::to_string(i)));
  librarian.mMultiBanks.push_back(readBank(librarian, multis));
  librarian.mMultiBanks[0]->mRecords.resize(100);

  const std::string path = folder.file("Bank.mid");
  writeFile(path, Bytes(10, 0x55));
  ASSERT_TRUE(librarian.saveEditedPatch(path, "Bank.mid"));
  bool wellFormed = false;
  const std::vector<Bytes> events = smfSysexEvents(readFile(path), &wellFormed);
  EXPECT_TRUE(wellFormed);
  EXPECT_EQ(events.size(), 100u) << "the 28 empty slots added write nothing";
  EXPECT_EQ(librarian.mMultiBanks[0]->mRecords.size(), 100u) << "the bank itself is not changed";

  const std::string capitals = folder.file("Bank.MID");
  ASSERT_TRUE(librarian.saveEditedPatch(capitals, "Bank.MID"));
  EXPECT_EQ(readFile(capitals).size(), 100u * 425u) << "only a lower-case mid extension means MIDI";
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"Bank.MID", "Bank.mid"}));

  librarian.mPatchType = 2;
  EXPECT_FALSE(librarian.saveEditedPatch(path, "Bank.mid"));
  EXPECT_FALSE(librarian.saveEditedPatch(folder.file("missing/Bank.kvd"), "Bank.kvd"));
}
