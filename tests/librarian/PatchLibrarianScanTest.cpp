// Scanning a generated library: order, extensions, size limits, splits, conversion, hostile entries, rescan.
#include "PatchLibrarian.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace librarian_test;
namespace fs = std::filesystem;

namespace
{
Bytes sounds(int count, const std::string& prefix, unsigned char model = kBlofeld)
{
  Bytes bytes;
  for (int i = 0; i < count; ++i)
  {
    Bytes d = soundDump(prefix + std::to_string(i), static_cast<unsigned char>(i % 13), model);
    if (model == kMicroQ)
    {
      const std::string category = "Lead";
      std::copy(category.begin(), category.end(), d.begin() + kCategoryOffset);
    }
    append(bytes, d);
  }
  return bytes;
}

Bytes padded(Bytes bytes, size_t size)
{
  bytes.resize(size, 0x00);
  return bytes;
}

std::vector<std::string> fileNames(const std::vector<PatchFile*>& banks)
{
  std::vector<std::string> names;
  for (const PatchFile* bank : banks)
    names.push_back(bank->mFileName);
  return names;
}

std::string logText(const std::string& path)
{
  const Bytes bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// A library under <temp>/Data/Patches with nested folders, every extension, odd entries.
class GeneratedLibrary
{
public:
  GeneratedLibrary()
  {
    data = temp.path + "/Data";
    root = data + "/Patches";
    fs::create_directories(root + "/A/X");
    fs::create_directories(root + "/A/Y");
    fs::create_directories(root + "/B/deep/er");
    fs::create_directories(root + "/Big");
    fs::create_directories(root + "/M");
    fs::create_directories(root + "/N");
    fs::create_directories(root + "/\xC3\x9Cnicode");
    fs::create_directories(data + "/Converted Banks");
    writeFile(root + "/A/a0.mid", midiOf(sounds(128, "A0 ")));
    writeFile(root + "/A/X/a1.syx", sounds(128, "AX "));
    writeFile(root + "/A/Y/a2.SYX", sounds(128, "AY "));
    Bytes multis;
    for (int i = 0; i < 3; ++i)
      append(multis, multiDump("BM " + std::to_string(i)));
    writeFile(root + "/B/b.kvd", padded(multis, 40000));
    writeFile(root + "/B/deep/er/d.syx", sounds(128, "Deep "));
    writeFile(root + "/Big/big.syx", sounds(300, "Big "));
    writeFile(data + "/Converted Banks/big.syx", {1, 2, 3});
    writeFile(root + "/M/mq.syx", sounds(128, "MQ ", kMicroQ));
    writeFile(root + "/N/plain.syx", sounds(128, "Plain "));
    writeFile(root + "/N/root.syx", sounds(128, "N Root "));
    writeFile(root + "/\xC3\x9Cnicode/\xC3\x9F.syx", sounds(128, "Uni "));
    writeFile(root + "/root.syx", sounds(128, "Root "));
    writeFile(root + "/zeta\xC0\xAF.syx", sounds(128, "Zeta ")); // not UTF-8: read by its bytes
    writeFile(root + "/exact.syx", padded(sounds(76, "Exact "), 30001));
    writeFile(root + "/small.syx", padded(sounds(76, "Small "), 30000));
    writeFile(root + "/notes.syx.bak", sounds(128, "Bak "));
    writeFile(root + "/noext", sounds(128, "NoExt "));
    writeFile(root + "/q.qxr", sounds(128, "Q "));
    writeFile(root + "/B/m.MQR", sounds(128, "MQR "));
    writeFile(root + "/junk.syx", Bytes(40000, 0x00));
    fs::create_symlink("/nonexistent/korvid/bank.syx", root + "/broken.syx");
    fs::create_symlink(root, root + "/A/loop");
    // A pipe would block a reader that opened it; a sparse file beyond the largest bank file
    // would take all memory.
    ::mkfifo((root + "/pipe.syx").c_str(), 0644);
    writeFile(root + "/huge.syx", {});
    fs::resize_file(root + "/huge.syx", PatchLibrarian::kMaximumBankFileSize + 1);
    writeFile(log(), {});
  }

  static Bytes midiOf(const Bytes& raw)
  {
    PatchLibrarian reader;
    ByteChunk chunk = chunkOf(raw);
    PatchFile bank;
    reader.loadFromChunk(&chunk, chunk.Size(), &bank, 0);
    ByteChunk midi;
    PatchLibrarian::bankFileBytes(bank, true, false, &midi);
    return bytesOf(midi);
  }

  std::string log() const { return temp.path + "/log.txt"; }

  TempFolder temp;
  std::string data;
  std::string root;
};
} // namespace

TEST(PatchLibrarianScanTest, MissingRootLogsOneLineAndChangesNothing)
{
  TempFolder temp;
  writeFile(temp.file("log.txt"), {});
  PatchLibrarian librarian;
  librarian.mLogPath = temp.file("log.txt");
  librarian.mLoggingOn = true;
  librarian.loadPatchesFromFilesystem(temp.file("Patches"));
  EXPECT_NE(logText(temp.file("log.txt")).find("\t PLUGIN IS NOT ABLE TO FIND PATCHES FOLDER...\n"),
            std::string::npos);
  EXPECT_TRUE(librarian.mSoundBanks.empty());
  EXPECT_TRUE(librarian.mCategoryBanks.empty());
  EXPECT_TRUE(librarian.mCategoryTree.empty());
}

TEST(PatchLibrarianScanTest, GeneratedLibraryIsReadInFolderOrderWithTheRootLast)
{
  GeneratedLibrary library;
  PatchLibrarian librarian;
  librarian.mLogPath = library.log();
  librarian.mLoggingOn = true;
  librarian.loadPatchesFromFilesystem(library.root);

  EXPECT_EQ(
      fileNames(librarian.mSoundBanks),
      (std::vector<std::string>{"a0.mid", "a1.syx", "a2.SYX", "d.syx", "big Singles 1.syx",
                                "big Singles 2.syx", "big Singles 3.syx", "mq.kvd", "plain.syx", "root.syx",
                                "\xC3\x9F.syx", "exact.syx", "root.syx", "zeta\xC0\xAF.syx"}));
  EXPECT_EQ(fileNames(librarian.mMultiBanks), (std::vector<std::string>{"b.kvd"}));
  for (const PatchFile* bank : librarian.mSoundBanks)
    EXPECT_EQ(bank->mRecords.size(), 128u) << bank->mFileName;
  EXPECT_EQ(librarian.mSoundBanks[0]->mRecords[5].mName, "A0 5            ");
  EXPECT_EQ(librarian.mSoundBanks[11]->mRecords[75].mName, "Exact 75        ");
  EXPECT_EQ(librarian.mSoundBanks[11]->mRecords[76].mName, "Init          77");
  EXPECT_EQ(librarian.mSoundBanks[13]->mRecords[127].mName, "Zeta 127        ");
  EXPECT_EQ(librarian.mFolderList.back(), library.root);
  EXPECT_EQ(librarian.mFolderList.front(), library.root + "/A");

  const PatchFile* a1 = librarian.mSoundBanks[1];
  EXPECT_EQ(a1->mFolderPath, (std::vector<std::string>{"Patches", "A", "X"}));
  EXPECT_EQ(a1->mFolderName, "X");
  EXPECT_EQ(librarian.mSoundBanks[12]->mFolderPath, (std::vector<std::string>{"Patches"}));
  EXPECT_EQ(librarian.mSoundBanks[12]->mFolderName, "Patches");
  EXPECT_EQ(librarian.mSoundBanks[9]->mFolderPath, (std::vector<std::string>{"Patches", "N"}));
  EXPECT_EQ(librarian.mSoundBanks[9]->mRecords[0].mName, "N Root 0        ") << "same name, other folder";

  const std::string log = logText(library.log());
  EXPECT_NE(log.find("PATCH LIBRARIAN: loading file " + library.root + "/q.qxr"), std::string::npos);
  EXPECT_NE(log.find("PATCH LIBRARIAN: loading file " + library.root + "/B/m.MQR"), std::string::npos);
  EXPECT_EQ(log.find("small.syx"), std::string::npos) << "too small: skipped without a line";
  EXPECT_EQ(log.find("notes.syx.bak"), std::string::npos);
  EXPECT_NE(log.find("broken.syx"), std::string::npos) << "the broken link is logged";
  EXPECT_NE(log.find("skipped file " + library.root + "/huge.syx (too large"), std::string::npos);
  EXPECT_EQ(log.find("pipe.syx"), std::string::npos) << "not a regular file: skipped without a line";
  EXPECT_NE(log.find("PATCH LIBRARIAN: moved file " + library.data +
                     "/Converted Banks/mq.syx due to mismatching data in package!"),
            std::string::npos);
  EXPECT_EQ(librarian.mCategoryTree.size(), 13u);
}

TEST(PatchLibrarianScanTest, SplitAndConvertedFilesLeaveTheirSourcesInConvertedBanksWithoutReplacingAny)
{
  GeneratedLibrary library;
  PatchLibrarian librarian;
  librarian.loadPatchesFromFilesystem(library.root);

  std::vector<std::string> big;
  for (const auto& entry : fs::directory_iterator(library.root + "/Big"))
    big.push_back(entry.path().filename().string());
  std::sort(big.begin(), big.end());
  EXPECT_EQ(big, (std::vector<std::string>{"big Singles 1.syx", "big Singles 2.syx", "big Singles 3.syx"}));
  EXPECT_EQ(readFile(library.data + "/Converted Banks/big.syx"), (Bytes{1, 2, 3}));
  EXPECT_EQ(readFile(library.data + "/Converted Banks/big (2).syx").size(), 300u * 392u);
  EXPECT_EQ(readFile(library.data + "/Converted Banks/mq.syx").size(), 128u * 392u);
  EXPECT_FALSE(fs::exists(library.root + "/M/mq.syx"));

  const PatchFile* converted = librarian.mSoundBanks[7];
  EXPECT_EQ(converted->mFileName, "mq.kvd");
  EXPECT_EQ(converted->mOriginCode, PatchFile::kOriginMicroQ);
  EXPECT_EQ(converted->mRecords[0].mCategory, "Lead");
  const Bytes written = readFile(library.root + "/M/mq.kvd");
  ASSERT_EQ(written.size(), 128u * 392u);
  EXPECT_TRUE(std::equal(converted->mRecords[3].mMessages[0].mData.begin(),
                         converted->mRecords[3].mMessages[0].mData.end(), written.begin() + 3 * 392));

  // An ordinary bank read after a split or a conversion stays as it is.
  EXPECT_TRUE(fs::exists(library.root + "/N/plain.syx"));
  EXPECT_FALSE(fs::exists(library.root + "/N/plain.kvd"));
  EXPECT_TRUE(fs::exists(library.root + "/root.syx"));
  EXPECT_FALSE(librarian.mSplitFlag);
  EXPECT_FALSE(librarian.mConversionFlag);
}

TEST(PatchLibrarianScanTest, TreesHoldTheBanksReadByTheirFolders)
{
  GeneratedLibrary library;
  PatchLibrarian librarian;
  librarian.loadPatchesFromFilesystem(library.root);
  const std::vector<FolderFiles*>& tree = librarian.mSoundTree;
  ASSERT_EQ(tree.size(), 8u) << "the banks a split or a conversion wrote have their nodes at once";
  EXPECT_EQ(tree[0]->mName, "");
  ASSERT_EQ(tree[0]->mChildren.size(), 1u);
  EXPECT_EQ(tree[0]->mChildren[0].mName, "A");
  EXPECT_EQ(fileNames(tree[0]->mChildren[0].mBanks), (std::vector<std::string>{"a0.mid"}));
  ASSERT_EQ(tree[0]->mChildren[0].mChildren.size(), 1u);
  EXPECT_EQ(tree[0]->mChildren[0].mChildren[0].mName, "X");
  EXPECT_EQ(tree[1]->mChildren[0].mName, "A");
  EXPECT_EQ(tree[1]->mChildren[0].mChildren[0].mName, "Y");
  EXPECT_TRUE(tree[2]->mChildren.empty() && tree[2]->mBanks.empty()) << "d.syx lies too deep for the menus";
  EXPECT_EQ(fileNames(tree[3]->mChildren[0].mBanks),
            (std::vector<std::string>{"big Singles 1.syx", "big Singles 2.syx", "big Singles 3.syx"}));
  EXPECT_EQ(fileNames(tree[4]->mChildren[0].mBanks), (std::vector<std::string>{"mq.kvd"}));
  EXPECT_EQ(tree[5]->mChildren[0].mName, "N");
  EXPECT_EQ(fileNames(tree[5]->mChildren[0].mBanks), (std::vector<std::string>{"plain.syx", "root.syx"}));
  EXPECT_EQ(tree[6]->mChildren[0].mName, "\xC3\x9Cnicode");
  EXPECT_EQ(tree[7]->mName, "Patches");
  EXPECT_EQ(fileNames(tree[7]->mBanks),
            (std::vector<std::string>{"exact.syx", "root.syx", "zeta\xC0\xAF.syx"}));
  ASSERT_EQ(librarian.mMultiTree.size(), 1u);
  EXPECT_EQ(librarian.mMultiTree[0]->mChildren[0].mName, "B");
}

TEST(PatchLibrarianScanTest, RescanStartsAfreshAndReadsTheFilesASplitWrote)
{
  GeneratedLibrary library;
  PatchLibrarian librarian;
  librarian.loadPatchesFromFilesystem(library.root);
  librarian.createNewSearchPatchFiles("Root");
  ASSERT_FALSE(librarian.mSearchBanks.empty());
  librarian.initBankFilesOnDiscard(library.root);
  EXPECT_TRUE(librarian.mSearchBanks.empty());
  EXPECT_TRUE(librarian.mSearchTree.empty());
  EXPECT_EQ(
      fileNames(librarian.mSoundBanks),
      (std::vector<std::string>{"a0.mid", "a1.syx", "a2.SYX", "d.syx", "big Singles 1.syx",
                                "big Singles 2.syx", "big Singles 3.syx", "mq.kvd", "plain.syx", "root.syx",
                                "\xC3\x9F.syx", "exact.syx", "root.syx", "zeta\xC0\xAF.syx"}));
  EXPECT_EQ(librarian.mSoundBanks[7]->mOriginCode, PatchFile::kOriginBlofeld) << "now an ordinary bank";
  EXPECT_EQ(librarian.mSoundBanks[6]->mRecords[43].mName, "Big 299         ");
  EXPECT_EQ(librarian.mSoundBanks[6]->mRecords[44].mName, "Init            ");
  EXPECT_EQ(librarian.mSoundTree.size(), 8u) << "Big and M have their nodes, as after the first scan";
  EXPECT_EQ(librarian.mCategoryTree.size(), 13u);
}

TEST(PatchLibrarianScanTest, UnreadableFoldersAndFilesAreSkipped)
{
  GeneratedLibrary library;
  const std::string failure = asOrdinaryUser(
      library.temp.path,
      [&]() -> std::string
      {
        fs::permissions(library.root + "/A", fs::perms::none);
        fs::permissions(library.root + "/N/plain.syx", fs::perms::none);
        PatchLibrarian librarian;
        librarian.mLogPath = library.log();
        librarian.mLoggingOn = true;
        librarian.loadPatchesFromFilesystem(library.root);
        fs::permissions(library.root + "/A", fs::perms::owner_all);
        fs::permissions(library.root + "/N/plain.syx", fs::perms::owner_read | fs::perms::owner_write);
        const std::vector<std::string> names = fileNames(librarian.mSoundBanks);
        if (names.empty() || names.front() != "d.syx")
          return "the banks below the unreadable folder were read or the scan stopped";
        if (std::find(names.begin(), names.end(), "plain.syx") != names.end())
          return "the unreadable file was read";
        if (names.back() != "zeta\xC0\xAF.syx" || librarian.mCategoryTree.size() != 13u)
          return "the scan did not go on to the end";
        const std::string log = logText(library.log());
        if (log.find("cannot list folder " + library.root + "/A") == std::string::npos)
          return "the unreadable folder was not logged";
        if (log.find("cannot read file " + library.root + "/N/plain.syx") == std::string::npos)
          return "the unreadable file was not logged";
        return "";
      });
  if (failure.rfind(kNoOrdinaryUser, 0) == 0)
    GTEST_SKIP() << failure;
  EXPECT_EQ(failure, "");
}

TEST(PatchLibrarianScanTest, ASplitThatCannotBeWrittenKeepsItsSource)
{
  TempFolder temp;
  const std::string root = temp.path + "/Patches";
  fs::create_directories(root + "/Locked");
  writeFile(root + "/Locked/big.syx", sounds(200, "Big "));
  const std::string failure =
      asOrdinaryUser(temp.path,
                     [&]() -> std::string
                     {
                       fs::permissions(root + "/Locked", fs::perms::owner_read | fs::perms::owner_exec);
                       PatchLibrarian librarian;
                       librarian.loadPatchesFromFilesystem(root);
                       fs::permissions(root + "/Locked", fs::perms::owner_all);
                       if (librarian.mSoundBanks.size() != 2u)
                         return "the banks are not in the library for this session";
                       if (!fs::exists(root + "/Locked/big.syx"))
                         return "the source was moved";
                       if (fs::exists(temp.path + "/Converted Banks/big.syx"))
                         return "the source reached Converted Banks";
                       return "";
                     });
  if (failure.rfind(kNoOrdinaryUser, 0) == 0)
    GTEST_SKIP() << failure;
  EXPECT_EQ(failure, "");
}

TEST(PatchLibrarianScanTest, ASourceThatCannotBeMovedLeavesNoWrittenBanksBehind)
{
  GeneratedLibrary library;
  // A file where the folder should be: nothing can be moved into it.
  fs::remove_all(library.data + "/Converted Banks");
  writeFile(library.data + "/Converted Banks", {7});
  for (int scan = 0; scan < 2; ++scan)
  {
    PatchLibrarian librarian;
    librarian.loadPatchesFromFilesystem(library.root);
    std::vector<std::string> big;
    for (const auto& entry : fs::directory_iterator(library.root + "/Big"))
      big.push_back(entry.path().filename().string());
    EXPECT_EQ(big, (std::vector<std::string>{"big.syx"})) << "scan " << scan;
    EXPECT_TRUE(fs::exists(library.root + "/M/mq.syx"));
    EXPECT_FALSE(fs::exists(library.root + "/M/mq.kvd")) << "scan " << scan;
    const std::vector<std::string> names = fileNames(librarian.mSoundBanks);
    EXPECT_EQ(std::count(names.begin(), names.end(), "big Singles 1.syx"), 1)
        << "in the library for the session";
    ASSERT_EQ(std::count(names.begin(), names.end(), "mq.syx"), 1) << "scan " << scan;
    const PatchFile* converted =
        *std::find_if(librarian.mSoundBanks.begin(), librarian.mSoundBanks.end(),
                      [](const PatchFile* bank) { return bank->mFileName == "mq.syx"; });
    EXPECT_EQ(converted->mRecords[0].mCategory, "Lead");
    bool inTree = false;
    for (const FolderFiles* top : librarian.mSoundTree)
      for (const SubFolderFiles& child : top->mChildren)
        inTree = inTree || (child.mName == "M" &&
                            child.mBanks == std::vector<PatchFile*>{const_cast<PatchFile*>(converted)});
    EXPECT_TRUE(inTree) << "the bank read from the source is offered like any other";
  }
  EXPECT_EQ(readFile(library.data + "/Converted Banks"), (Bytes{7}));
}
