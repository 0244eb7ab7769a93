// Whole-file writes through a temporary file: replacing, refusing to replace, and failing cleanly.
#include "SafeFileWriter.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace librarian_test;

TEST(SafeFileWriterTest, WritesNewFilesAndReplacesOnlyWhenAsked)
{
  TempFolder folder;
  const std::string path = folder.file("bank.kvd");
  const Bytes first{1, 2, 3, 4};
  const Bytes second{9, 8};
  ASSERT_TRUE(SafeFileWriter::write(path, first.data(), 4, false));
  EXPECT_EQ(readFile(path), first);

  std::string error;
  EXPECT_FALSE(SafeFileWriter::write(path, second.data(), 2, false, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(readFile(path), first);

  ASSERT_TRUE(SafeFileWriter::write(path, second.data(), 2, true));
  EXPECT_EQ(readFile(path), second);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"bank.kvd"})) << "no temporary file is left";
}

TEST(SafeFileWriterTest, AFailedWriteLeavesNothingBehind)
{
  TempFolder folder;
  const Bytes bytes{1};
  EXPECT_FALSE(SafeFileWriter::write(folder.file("no/such/folder.kvd"), bytes.data(), 1, true));
  EXPECT_FALSE(SafeFileWriter::write(folder.path + "/", bytes.data(), 1, true));
  EXPECT_FALSE(SafeFileWriter::write(folder.file("x.kvd"), nullptr, 5, true));
  EXPECT_TRUE(folder.names().empty());
  ASSERT_TRUE(SafeFileWriter::write(folder.file("empty.kvd"), nullptr, 0, true));
  EXPECT_TRUE(readFile(folder.file("empty.kvd")).empty());
}

TEST(SafeFileWriterTest, FreePathNumbersTakenNames)
{
  TempFolder folder;
  EXPECT_EQ(SafeFileWriter::freePath(folder.file("a.kvd")), folder.file("a.kvd"));
  writeFile(folder.file("a.kvd"), {1});
  writeFile(folder.file("a (2).kvd"), {1});
  EXPECT_EQ(SafeFileWriter::freePath(folder.file("a.kvd")), folder.file("a (3).kvd"));
  writeFile(folder.file("noext"), {1});
  EXPECT_EQ(SafeFileWriter::freePath(folder.file("noext")), folder.file("noext (2)"));
  writeFile(folder.file(".hidden"), {1});
  EXPECT_EQ(SafeFileWriter::freePath(folder.file(".hidden")), folder.file(".hidden (2)"));
  // A name of 254 bytes gives up the end of its stem to the number, between letters.
  const std::string stem = std::string(245, 'L') + "\u20ACLL";
  writeFile(folder.file(stem + ".kvd"), {1});
  EXPECT_EQ(SafeFileWriter::freePath(folder.file(stem + ".kvd")),
            folder.file(std::string(245, 'L') + " (2).kvd"));
}

TEST(SafeFileWriterTest, AWriteThatStopsHalfWayKeepsTheGoodFile)
{
  TempFolder folder;
  const std::string path = folder.file("bank.kvd");
  const Bytes good(300, 0x11);
  ASSERT_TRUE(SafeFileWriter::write(path, good.data(), static_cast<int>(good.size()), false));

  // A file size limit makes the disk "full" after 100 bytes, for the superuser as well.
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit limited = before;
  limited.rlim_cur = 100;
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const Bytes larger(5000, 0x22);
  std::string error;
  const bool replaced =
      SafeFileWriter::write(path, larger.data(), static_cast<int>(larger.size()), true, &error);
  const bool created =
      SafeFileWriter::write(folder.file("new.kvd"), larger.data(), static_cast<int>(larger.size()), false);
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(replaced);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(created);
  EXPECT_EQ(readFile(path), good) << "the old file is whole";
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"bank.kvd"})) << "no partial or temporary file is left";
}
