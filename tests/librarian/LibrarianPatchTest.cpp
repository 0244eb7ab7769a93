// Library records, bank file copies and menu tree nodes.
#include "FolderFiles.h"
#include "LibrarianPatch.h"
#include "PatchFile.h"
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

using namespace librarian_test;

namespace
{
LibrarianPatch recordWithCategory(unsigned char code)
{
  LibrarianPatch record;
  record.mMessages.emplace_back();
  record.mMessages.back().mData = soundDump("Name", code);
  return record;
}
} // namespace

TEST(LibrarianPatchTest, ParseCategoryAppendsTheFourCharacterTextOfCodesZeroToTwelve)
{
  const char* expected[] = {"Init", "Arp ", "Atmo", "Bass", "Drum", "FX  ", "Keys",
                            "Lead", "Mono", "Pad ", "Perc", "Poly", "Seq "};
  for (int code = 0; code < 13; ++code)
  {
    LibrarianPatch record = recordWithCategory(static_cast<unsigned char>(code));
    record.parseCategory(386);
    EXPECT_EQ(record.mCategory, expected[code]) << code;
  }
  for (unsigned char code : {13, 32, 127, 200})
  {
    LibrarianPatch record = recordWithCategory(code);
    record.parseCategory(386);
    EXPECT_EQ(record.mCategory, "") << int(code);
  }
  LibrarianPatch record = recordWithCategory(9);
  record.mCategory = "Bass";
  record.parseCategory(386);
  EXPECT_EQ(record.mCategory, "BassPad ");
}

TEST(LibrarianPatchTest, ParseCategoryIgnoresRecordsWithoutALongEnoughDump)
{
  LibrarianPatch empty;
  empty.parseCategory(386);
  EXPECT_EQ(empty.mCategory, "");
  LibrarianPatch shortDump;
  shortDump.mMessages.emplace_back();
  shortDump.mMessages.back().mData = Bytes(386, 0x05);
  shortDump.parseCategory(386);
  EXPECT_EQ(shortDump.mCategory, "");
  shortDump.parseCategory(-1);
  EXPECT_EQ(shortDump.mCategory, "");
}

TEST(LibrarianPatchTest, CloneCopiesTheNameAndAppendsTheDumpsKeepingTheTargetsCategory)
{
  LibrarianPatch source = recordWithCategory(3);
  source.mName = "Source";
  source.mCategory = "Bass";
  LibrarianPatch target = recordWithCategory(1);
  target.mName = "Target";
  target.mCategory = "Arp ";
  source.clone(target);
  EXPECT_EQ(target.mName, "Source");
  EXPECT_EQ(target.mCategory, "Arp ");
  ASSERT_EQ(target.mMessages.size(), 2u);
  EXPECT_EQ(target.mMessages[1].mData, source.mMessages[0].mData);
  source.mMessages[0].mData[10] = 0x55;
  EXPECT_NE(target.mMessages[1].mData[10], 0x55) << "the copy is deep";
}

TEST(PatchFileTest, CloneKeepsRecordsAndFileNameAndNormalisesTheOrigin)
{
  PatchFile multis;
  multis.mKind = PatchFile::kMultis;
  multis.mOriginCode = 1;
  multis.mFileName = "Bank.kvd";
  multis.mFolderName = "Folder";
  multis.mFolderPath = {"Patches", "Folder"};
  multis.mFolderIndex = 4;
  multis.mRecords.push_back(recordWithCategory(2));
  PatchFile* copy = multis.clone();
  EXPECT_EQ(copy->mKind, PatchFile::kMultis);
  EXPECT_EQ(copy->mOriginCode, 3);
  EXPECT_EQ(copy->mFileName, "Bank.kvd");
  EXPECT_EQ(copy->mFolderName, "");
  EXPECT_TRUE(copy->mFolderPath.empty());
  EXPECT_EQ(copy->mFolderIndex, 0);
  ASSERT_EQ(copy->mRecords.size(), 1u);
  EXPECT_EQ(copy->mRecords[0].mMessages[0].mData, multis.mRecords[0].mMessages[0].mData);
  delete copy;

  PatchFile sounds;
  sounds.mOriginCode = 4;
  copy = sounds.clone();
  EXPECT_EQ(copy->mKind, PatchFile::kSounds);
  EXPECT_EQ(copy->mOriginCode, 0);
  delete copy;
  sounds.mOriginCode = 2;
  multis.mOriginCode = 5;
  multis.mKind = 7;
  PatchFile* q = sounds.clone();
  PatchFile* other = multis.clone();
  EXPECT_EQ(q->mOriginCode, 2);
  EXPECT_EQ(other->mKind, PatchFile::kMultis);
  EXPECT_EQ(other->mOriginCode, 5);
  delete q;
  delete other;
}

TEST(FolderTreeTest, ClearDataStructuresDeletesOneTreeAndKeepsTheBanks)
{
  PatchLibrarian librarian;
  PatchFile* bank = new PatchFile();
  bank->mFileName = "Kept.kvd";
  librarian.mSoundBanks.push_back(bank);
  SubFolderFiles child;
  child.mName = "Child";
  child.mBanks.push_back(bank);
  librarian.mSoundTree.push_back(new FolderFiles("Sounds", child));
  librarian.mMultiTree.push_back(new FolderFiles("Multis", child));
  librarian.mCategoryTree.push_back(new FolderFiles("Category", child));
  librarian.mSearchTree.push_back(new FolderFiles("Search", child));

  librarian.clearDataStructures(4);
  librarian.clearDataStructures(-1);
  EXPECT_EQ(librarian.mSoundTree.size() + librarian.mMultiTree.size() + librarian.mCategoryTree.size() +
                librarian.mSearchTree.size(),
            4u);
  librarian.clearDataStructures(PatchLibrarian::kSoundTree);
  EXPECT_TRUE(librarian.mSoundTree.empty());
  EXPECT_EQ(librarian.mMultiTree.size(), 1u);
  librarian.clearDataStructures(PatchLibrarian::kCategoryTree);
  EXPECT_TRUE(librarian.mCategoryTree.empty());
  EXPECT_EQ(librarian.mSearchTree.size(), 1u);
  EXPECT_EQ(librarian.mSoundBanks[0]->mFileName, "Kept.kvd");
}

TEST(RemoveCharsFromStringTest, RemovesEveryGivenCharacterKeepingTheOrder)
{
  std::string text = "a/b\\c/";
  removeCharsFromString(text, "/\\");
  EXPECT_EQ(text, "abc");
  std::string untouched = "abc";
  removeCharsFromString(untouched, "");
  removeCharsFromString(untouched, nullptr);
  EXPECT_EQ(untouched, "abc");
}
