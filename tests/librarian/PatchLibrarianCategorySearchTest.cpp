// Category banks and search banks made from the library's sounds.
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace librarian_test;

namespace
{
PatchFile* bankOf(const std::vector<Bytes>& dumps)
{
  Bytes bytes;
  for (const Bytes& d : dumps)
    append(bytes, d);
  PatchLibrarian reader;
  ByteChunk chunk = chunkOf(bytes);
  PatchFile* bank = new PatchFile();
  reader.loadFromChunk(&chunk, chunk.Size(), bank, 0);
  return bank;
}

std::vector<Bytes> named(int count, const std::string& name, unsigned char category)
{
  return std::vector<Bytes>(count, soundDump(name, category));
}

size_t recordsIn(const std::vector<PatchFile*>& banks, const std::string& folderName)
{
  size_t count = 0;
  for (const PatchFile* bank : banks)
    if (bank->mFolderName == folderName)
      count += bank->mRecords.size();
  return count;
}
} // namespace

TEST(PatchLibrarianCategoryTest, EmptyLibraryGivesOneEmptyBankPerCategoryInTheTreeOnly)
{
  PatchLibrarian librarian;
  librarian.createNewCategoryPatchFiles();
  EXPECT_TRUE(librarian.mCategoryBanks.empty());
  ASSERT_EQ(librarian.mCategoryTree.size(), 13u);
  EXPECT_EQ(librarian.mCategoryTree[0]->mName, "Init 1");
  EXPECT_EQ(librarian.mCategoryTree[1]->mName, "Arp  1");
  EXPECT_EQ(librarian.mCategoryTree[5]->mChildren[0].mName, "FX  ");
  ASSERT_EQ(librarian.mCategoryTree[12]->mChildren[0].mBanks.size(), 1u);
  const PatchFile* seq = librarian.mCategoryTree[12]->mChildren[0].mBanks[0];
  EXPECT_EQ(seq->mFileName, "Seq  1");
  EXPECT_EQ(seq->mFolderIndex, 13);
  EXPECT_TRUE(seq->mRecords.empty());
}

TEST(PatchLibrarianCategoryTest, FullBanksOfOneCategorySpillIntoFurtherBanks)
{
  PatchLibrarian librarian;
  std::vector<Bytes> dumps = named(130, "Bass sound", 3);
  const std::vector<Bytes> pads = named(128, "Pad sound", 9);
  dumps.insert(dumps.end(), pads.begin(), pads.end());
  librarian.mSoundBanks.push_back(bankOf(dumps));
  librarian.createNewCategoryPatchFiles();

  std::map<std::string, std::vector<size_t>> listed;
  for (const PatchFile* bank : librarian.mCategoryBanks)
    listed[bank->mFileName].push_back(bank->mRecords.size());
  EXPECT_EQ(listed["Bass 1"], (std::vector<size_t>{128}));
  EXPECT_EQ(listed["Bass 2"], (std::vector<size_t>{2}));
  EXPECT_EQ(listed["Pad  1"], (std::vector<size_t>{128}));
  EXPECT_EQ(listed.count("Pad  2"), 0u) << "the empty second Pad bank is in the tree only";
  const SubFolderFiles& pad = librarian.mCategoryTree[9]->mChildren[0];
  ASSERT_EQ(pad.mBanks.size(), 2u);
  EXPECT_EQ(pad.mBanks[1]->mFileName, "Pad  2");
  EXPECT_TRUE(pad.mBanks[1]->mRecords.empty());
  EXPECT_EQ(librarian.mCategoryTree[3]->mName, "Bass 1");
  EXPECT_EQ(librarian.mCategoryTree[3]->mChildren[0].mBanks.size(), 2u);
}

TEST(PatchLibrarianCategoryTest, CategoriesOfTheRealBanksAreCountedOnce)
{
  KORVID_REQUIRE_SHARED_BANKS();
  PatchLibrarian librarian;
  std::map<std::string, size_t> expected;
  size_t uncategorised = 0;
  const char* const texts[] = {"Init", "Arp ", "Atmo", "Bass", "Drum", "FX  ", "Keys",
                               "Lead", "Mono", "Pad ", "Perc", "Poly", "Seq "};
  for (const char* name : {"factory-2008.syx", "init-bank.syx", "factory-2012.mid", "easter-set.mid"})
  {
    const Bytes bytes = readFile(sharedBank(name));
    ASSERT_FALSE(bytes.empty()) << name;
    ByteChunk chunk = chunkOf(bytes);
    PatchFile* bank = new PatchFile();
    librarian.loadFromChunk(&chunk, chunk.Size(), bank, 0);
    librarian.mSoundBanks.push_back(bank);
    for (const LibrarianPatch& record : bank->mRecords)
    {
      const unsigned char code = record.mMessages[0].mData[kCategoryOffset];
      if (code < 13)
        ++expected[texts[code]];
      else
        ++uncategorised;
    }
  }
  EXPECT_EQ(uncategorised, 2u);
  librarian.createNewCategoryPatchFiles();
  size_t total = 0;
  for (const char* text : texts)
  {
    EXPECT_EQ(recordsIn(librarian.mCategoryBanks, text), expected[text]) << text;
    total += expected[text];
  }
  EXPECT_EQ(total, 1024u + 128u + 1024u + 128u - 2u);
  for (const PatchFile* bank : librarian.mCategoryBanks)
    for (const LibrarianPatch& record : bank->mRecords)
      ASSERT_EQ(record.mCategory, bank->mFolderName);
}

TEST(PatchLibrarianSearchTest, SearchIsACaseSensitiveSubstringMatch)
{
  PatchLibrarian librarian;
  std::vector<Bytes> dumps = named(2, "Pad Strings", 9);
  dumps.push_back(soundDump("Brass", 3));
  librarian.mSoundBanks.push_back(bankOf(dumps));

  librarian.createNewSearchPatchFiles("pad");
  EXPECT_TRUE(librarian.mSearchBanks.empty());
  EXPECT_TRUE(librarian.mSearchTree.empty());

  librarian.createNewSearchPatchFiles("ad S");
  ASSERT_EQ(librarian.mSearchBanks.size(), 1u);
  const PatchFile* results = librarian.mSearchBanks[0];
  EXPECT_EQ(results->mFileName, "Search Results 1");
  EXPECT_EQ(results->mFolderName, "Patches");
  EXPECT_EQ(results->mFolderIndex, 0);
  ASSERT_EQ(results->mRecords.size(), 2u);
  EXPECT_EQ(results->mRecords[0].mName, "Pad Strings     ");
  EXPECT_EQ(results->mRecords[0].mCategory, "Pad ");
  ASSERT_EQ(librarian.mSearchTree.size(), 1u);
  EXPECT_EQ(librarian.mSearchTree[0]->mName, "Patches");
  EXPECT_EQ(librarian.mSearchTree[0]->mBanks, librarian.mSearchBanks);

  librarian.createNewSearchPatchFiles("");
  EXPECT_EQ(librarian.mSearchBanks[0]->mRecords.size(), 128u) << "an empty text matches every record";
}

TEST(PatchLibrarianSearchTest, ExactlyFullResultsEndWithAnEmptyBankAndCopiesTakeTheFirstDumpOnly)
{
  PatchLibrarian librarian;
  PatchFile* bank = bankOf(named(128, "Hit", 4));
  bank->mRecords[0].mMessages.push_back(bank->mRecords[0].mMessages[0]);
  librarian.mSoundBanks.push_back(bank);
  librarian.createNewSearchPatchFiles("Hit");
  ASSERT_EQ(librarian.mSearchBanks.size(), 2u);
  EXPECT_EQ(librarian.mSearchBanks[0]->mRecords.size(), 128u);
  EXPECT_TRUE(librarian.mSearchBanks[1]->mRecords.empty());
  EXPECT_EQ(librarian.mSearchBanks[1]->mFolderIndex, 1);
  EXPECT_EQ(librarian.mSearchTree[0]->mBanks.size(), 2u);
  EXPECT_EQ(librarian.mSearchBanks[0]->mRecords[0].mMessages.size(), 1u);

  bank->mRecords[1].mName = "Changed";
  EXPECT_EQ(librarian.mSearchBanks[0]->mRecords[1].mName, "Hit             ") << "results are copies";

  librarian.createNewCategoryPatchFiles();
  EXPECT_EQ(librarian.mCategoryBanks[0]->mRecords[0].mMessages.size(), 1u);
}
