// Placing banks in the sound and multi folder trees by their folder paths.
#include "PatchLibrarian.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
class FolderTrees : public ::testing::Test
{
protected:
  PatchFile* bank(std::vector<std::string> folders)
  {
    banks.push_back(std::make_unique<PatchFile>());
    banks.back()->mFolderPath = std::move(folders);
    return banks.back().get();
  }

  PatchLibrarian librarian;
  std::vector<std::unique_ptr<PatchFile>> banks;
};
} // namespace

TEST_F(FolderTrees, FirstBankOfAnEmptyTreeBecomesItsFirstNodeWhateverItsDepth)
{
  PatchFile* deep = bank({"Patches", "A", "X", "Deep"});
  librarian.createSingleFolderFilesStructure(deep, "");
  ASSERT_EQ(librarian.mSoundTree.size(), 1u);
  EXPECT_TRUE(librarian.mSoundTree[0]->mChildren.empty());
  EXPECT_TRUE(librarian.mSoundTree[0]->mBanks.empty());
  librarian.createSingleFolderFilesStructure(bank({"Patches", "A", "X", "Deep"}), "");
  EXPECT_EQ(librarian.mSoundTree.size(), 2u) << "every deeper bank adds an empty node";
}

TEST_F(FolderTrees, BanksOfOneFolderShareANodeAndOtherFoldersGetTheirOwn)
{
  PatchFile* a1 = bank({"Patches", "A"});
  PatchFile* a2 = bank({"Patches", "A"});
  PatchFile* b = bank({"Patches", "B"});
  for (PatchFile* file : {a1, a2, b})
    librarian.createSingleFolderFilesStructure(file, "");
  ASSERT_EQ(librarian.mSoundTree.size(), 2u);
  EXPECT_EQ(librarian.mSoundTree[0]->mName, "");
  EXPECT_EQ(librarian.mSoundTree[0]->mChildren[0].mName, "A");
  EXPECT_EQ(librarian.mSoundTree[0]->mChildren[0].mBanks, (std::vector<PatchFile*>{a1, a2}));
  EXPECT_EQ(librarian.mSoundTree[1]->mChildren[0].mName, "B");
  EXPECT_EQ(librarian.mSoundTree[1]->mChildren.size(), 1u);
}

TEST_F(FolderTrees, SecondLevelFoldersBelowOneFirstLevelFolder)
{
  PatchFile* a = bank({"Patches", "A"});
  PatchFile* x1 = bank({"Patches", "A", "X"});
  PatchFile* x2 = bank({"Patches", "A", "X"});
  PatchFile* y = bank({"Patches", "A", "Y"});
  for (PatchFile* file : {a, x1, x2, y})
    librarian.createSingleFolderFilesStructure(file, "");
  ASSERT_EQ(librarian.mSoundTree.size(), 2u);
  const SubFolderFiles& first = librarian.mSoundTree[0]->mChildren[0];
  EXPECT_EQ(first.mBanks, (std::vector<PatchFile*>{a}));
  ASSERT_EQ(first.mChildren.size(), 1u);
  EXPECT_EQ(first.mChildren[0].mName, "X");
  EXPECT_EQ(first.mChildren[0].mBanks, (std::vector<PatchFile*>{x1, x2}));
  const FolderFiles* second = librarian.mSoundTree[1];
  EXPECT_EQ(second->mName, "");
  ASSERT_EQ(second->mChildren.size(), 1u);
  EXPECT_EQ(second->mChildren[0].mName, "A") << "the name A stands under two top nodes";
  EXPECT_TRUE(second->mChildren[0].mBanks.empty());
  ASSERT_EQ(second->mChildren[0].mChildren.size(), 1u);
  EXPECT_EQ(second->mChildren[0].mChildren[0].mBanks, (std::vector<PatchFile*>{y}));

  PatchFile* y2 = bank({"Patches", "A", "Y"});
  librarian.createSingleFolderFilesStructure(y2, "");
  EXPECT_EQ(librarian.mSoundTree.size(), 2u);
  EXPECT_EQ(second->mChildren[0].mChildren[0].mBanks, (std::vector<PatchFile*>{y, y2}));
}

TEST_F(FolderTrees, RootBanksGatherInOneNodeNamedAfterTheRoot)
{
  PatchFile* a = bank({"Patches", "A"});
  PatchFile* r1 = bank({"Patches"});
  PatchFile* r2 = bank({"Patches"});
  for (PatchFile* file : {a, r1, r2})
    librarian.createSingleFolderFilesStructure(file, "");
  ASSERT_EQ(librarian.mSoundTree.size(), 2u);
  EXPECT_EQ(librarian.mSoundTree[1]->mName, "Patches");
  EXPECT_EQ(librarian.mSoundTree[1]->mBanks, (std::vector<PatchFile*>{r1, r2}));
  EXPECT_TRUE(librarian.mSoundTree[1]->mChildren.empty());
}

TEST_F(FolderTrees, SoundAndMultiTreesAreIndependent)
{
  PatchFile* sound = bank({"Patches", "A"});
  PatchFile* multi = bank({"Patches", "A"});
  librarian.createSingleFolderFilesStructure(sound, "");
  librarian.createMultiFolderFilesStructure(multi, "");
  ASSERT_EQ(librarian.mSoundTree.size(), 1u);
  ASSERT_EQ(librarian.mMultiTree.size(), 1u);
  EXPECT_EQ(librarian.mSoundTree[0]->mChildren[0].mBanks, (std::vector<PatchFile*>{sound}));
  EXPECT_EQ(librarian.mMultiTree[0]->mChildren[0].mBanks, (std::vector<PatchFile*>{multi}));
}
