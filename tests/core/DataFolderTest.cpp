// Tests of the data folder: its paths, the log switch, the settings file and the sample names.
#include "DataFolder.h"

#include "TempDataHome.h"

#include <gtest/gtest.h>

namespace
{
const std::string kSettings = "Korvid Editor UI.txt";
const std::string kSamples = "Korvid Editor Samples.txt";
const std::string kLog = "Korvid Editor LOG.txt";

DataFolder loadedFolder()
{
  DataFolder folder;
  folder.load();
  return folder;
}

DataFolder withSettings(const TempDataHome& home, const std::string& bytes)
{
  home.writeFile(kSettings, bytes);
  return loadedFolder();
}

DataFolder withSamples(const TempDataHome& home, const std::string& bytes)
{
  home.writeFile(kSamples, bytes);
  return loadedFolder();
}

std::string numberedLines(int count)
{
  std::string text;
  for (int i = 0; i < count; ++i)
    text += "Sample " + std::to_string(i) + "\n";
  return text;
}
} // namespace

TEST(DataFolderTest, PathsFollowTheEnvironmentOfEachInstance)
{
  TempDataHome home;
  DataFolder first;
  EXPECT_EQ(first.getDataFolderStr(), home.root() + "/Quillmarsh/Korvid Editor/");
  EXPECT_EQ(first.getLogFilePath(), home.folder() + kLog);
  EXPECT_EQ(first.getSettingsFilePath(), home.folder() + kSettings);
  EXPECT_EQ(first.getPatchesFolderStr(), home.folder() + "Patches");
  EXPECT_EQ(first.getConvertedBanksFolderStr(), home.folder() + "Converted Banks/");
  EXPECT_EQ(first.getOpenDataDirectoryPath(false), home.folder());
  EXPECT_EQ(first.getOpenDataDirectoryPath(true), home.folder() + "Korvid User Manual.pdf");

  setenv("XDG_DATA_HOME", (home.root() + "/other//").c_str(), 1);
  EXPECT_EQ(DataFolder().getDataFolderStr(), home.root() + "/other/Quillmarsh/Korvid Editor/");
  EXPECT_EQ(first.getDataFolderStr(), home.folder());
}

TEST(DataFolderTest, RelativeOrMissingDataHomeFallsBackToHome)
{
  TempDataHome home;
  const char* oldHome = std::getenv("HOME");
  std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", "/home/someone", 1);

  setenv("XDG_DATA_HOME", "relative/data", 1);
  EXPECT_EQ(DataFolder::locate(), "/home/someone/.local/share/Quillmarsh/Korvid Editor/");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(DataFolder::locate(), "/home/someone/.local/share/Quillmarsh/Korvid Editor/");
  setenv("XDG_DATA_HOME", "", 1);
  EXPECT_EQ(DataFolder::locate(), "/home/someone/.local/share/Quillmarsh/Korvid Editor/");

  if (oldHome)
    setenv("HOME", savedHome.c_str(), 1);
  else
    unsetenv("HOME");
}

TEST(DataFolderTest, MissingFolderKeepsDefaultsAndCreatesNothing)
{
  TempDataHome home;
  DataFolder folder = loadedFolder();
  EXPECT_FALSE(folder.isLogging());
  EXPECT_EQ(folder.getUIStyle(), DataFolder::kStyleStandard);
  EXPECT_DOUBLE_EQ(folder.getSizeFactor(), 1.0);
  EXPECT_FALSE(folder.wantsFirstRunNotice());
  EXPECT_FALSE(folder.getStyleParameterValue());
  EXPECT_FALSE(folder.getSizeParameterValue());
  EXPECT_FALSE(folder.sampleNamesFound());
  for (int i = 0; i < DataFolder::kSettingsLineCount; ++i)
    EXPECT_EQ(folder.getSettingsLine(i), "");
  EXPECT_FALSE(home.exists(""));
}

TEST(DataFolderTest, BlackLargeAndFirstRun)
{
  TempDataHome home;
  DataFolder folder = withSettings(home, "black\nlarge\nno");
  EXPECT_EQ(folder.getUIStyle(), DataFolder::kStyleBlack);
  EXPECT_DOUBLE_EQ(folder.getSizeFactor(), 1.15);
  EXPECT_EQ(static_cast<int>(1500 * folder.getSizeFactor()), 1724);
  EXPECT_EQ(static_cast<int>(757 * folder.getSizeFactor()), 870);
  EXPECT_EQ(folder.getStyleParameterValue(), 1.0);
  EXPECT_EQ(folder.getSizeParameterValue(), 2.0);
  EXPECT_TRUE(folder.wantsFirstRunNotice());
}

TEST(DataFolderTest, CrLfLineEndsReadLikeLf)
{
  TempDataHome home;
  DataFolder folder = withSettings(home, "white\r\nsmall\r\nyes\r\n");
  EXPECT_EQ(folder.getUIStyle(), DataFolder::kStyleStandard);
  EXPECT_DOUBLE_EQ(folder.getSizeFactor(), 0.85);
  EXPECT_EQ(folder.getStyleParameterValue(), 0.0);
  EXPECT_EQ(folder.getSizeParameterValue(), 0.0);
  EXPECT_FALSE(folder.wantsFirstRunNotice());
  EXPECT_EQ(folder.getSettingsLine(0), "white");
  EXPECT_EQ(folder.getSettingsLine(2), "yes");
}

TEST(DataFolderTest, TrailingBlanksTabsAndCrAreRemovedLeadingBlanksStay)
{
  TempDataHome home;
  DataFolder trailing = withSettings(home, "black \t\r\nlarge  \t \r\r\nno\t");
  EXPECT_EQ(trailing.getSettingsLine(0), "black");
  EXPECT_EQ(trailing.getSettingsLine(1), "large");
  EXPECT_EQ(trailing.getSettingsLine(2), "no");
  EXPECT_EQ(trailing.getUIStyle(), DataFolder::kStyleBlack);
  EXPECT_DOUBLE_EQ(trailing.getSizeFactor(), 1.15);
  EXPECT_TRUE(trailing.wantsFirstRunNotice());

  DataFolder leading = withSettings(home, " black\n small\n no\n");
  EXPECT_EQ(leading.getSettingsLine(1), " small");
  EXPECT_EQ(leading.getUIStyle(), DataFolder::kStyleStandard);
  EXPECT_DOUBLE_EQ(leading.getSizeFactor(), 1.0);
  EXPECT_FALSE(leading.getSizeParameterValue());
  EXPECT_FALSE(leading.wantsFirstRunNotice());
}

TEST(DataFolderTest, WordsAreCaseSensitiveAndNormalStyleLeavesTheParameter)
{
  TempDataHome home;
  DataFolder capital = withSettings(home, "Black\nSmall\nNo");
  EXPECT_EQ(capital.getUIStyle(), DataFolder::kStyleStandard);
  EXPECT_DOUBLE_EQ(capital.getSizeFactor(), 1.0);
  EXPECT_FALSE(capital.getStyleParameterValue());
  EXPECT_FALSE(capital.getSizeParameterValue());
  EXPECT_FALSE(capital.wantsFirstRunNotice());

  DataFolder normal = withSettings(home, "normal\nnormal\n");
  EXPECT_EQ(normal.getUIStyle(), DataFolder::kStyleStandard);
  EXPECT_FALSE(normal.getStyleParameterValue());
  EXPECT_EQ(normal.getSizeParameterValue(), 1.0);
  EXPECT_DOUBLE_EQ(normal.getSizeFactor(), 1.0);
}

TEST(DataFolderTest, ShortOrEmptySettingsFileLeavesLaterLinesEmpty)
{
  TempDataHome home;
  DataFolder oneLine = withSettings(home, "black");
  EXPECT_EQ(oneLine.getSettingsLine(0), "black");
  EXPECT_EQ(oneLine.getSettingsLine(1), "");
  EXPECT_EQ(oneLine.getSettingsLine(2), "");
  EXPECT_EQ(oneLine.getUIStyle(), DataFolder::kStyleBlack);
  EXPECT_DOUBLE_EQ(oneLine.getSizeFactor(), 1.0);
  EXPECT_FALSE(oneLine.wantsFirstRunNotice());

  DataFolder twoLines = withSettings(home, "white\nsmall\n");
  EXPECT_EQ(twoLines.getSettingsLine(1), "small");
  EXPECT_EQ(twoLines.getSettingsLine(2), "");

  DataFolder empty = withSettings(home, "");
  for (int i = 0; i < DataFolder::kSettingsLineCount; ++i)
    EXPECT_EQ(empty.getSettingsLine(i), "");
  EXPECT_DOUBLE_EQ(empty.getSizeFactor(), 1.0);

  DataFolder blankLines = withSettings(home, " \t\r\n\r\n\n");
  EXPECT_EQ(blankLines.getSettingsLine(0), "");
  EXPECT_EQ(blankLines.getSettingsLine(1), "");
  EXPECT_EQ(blankLines.getSettingsLine(2), "");
}

TEST(DataFolderTest, OverlongSettingsLinesAreBoundedAndStillTrimmedWhole)
{
  TempDataHome home;
  DataFolder folder =
      withSettings(home, std::string(100000, 'x') + "\nsmall" + std::string(1000, ' ') + "\nno");
  EXPECT_EQ(folder.getSettingsLine(0).size(), DataFolder::kMaxSettingsLineLength);
  EXPECT_EQ(folder.getSettingsLine(1), "small");
  EXPECT_DOUBLE_EQ(folder.getSizeFactor(), 0.85);
  EXPECT_TRUE(folder.wantsFirstRunNotice());
}

TEST(DataFolderTest, SettingsLineAccessIsBounded)
{
  TempDataHome home;
  DataFolder folder = withSettings(home, "white\nnormal\nno");
  EXPECT_EQ(folder.getSettingsLine(-1), "");
  EXPECT_EQ(folder.getSettingsLine(3), "");
  folder.setSettingsLine(2, "yes");
  folder.setSettingsLine(3, "ignored");
  folder.setSettingsLine(-1, "ignored");
  EXPECT_EQ(folder.getSettingsLine(2), "yes");
  EXPECT_FALSE(folder.wantsFirstRunNotice());
}

TEST(DataFolderTest, SampleNamesStopAt128AndKeepTheirOrder)
{
  TempDataHome home;
  DataFolder many = withSamples(home, numberedLines(130));
  EXPECT_TRUE(many.sampleNamesFound());
  EXPECT_EQ(many.getSampleName(0), "Sample 0");
  EXPECT_EQ(many.getSampleName(127), "Sample 127");
  EXPECT_EQ(many.getSampleName(128), "");
  EXPECT_EQ(many.getSampleName(-1), "");

  DataFolder three = withSamples(home, "Bells\r\nPiano \t\nStrings");
  EXPECT_EQ(three.getSampleName(0), "Bells");
  EXPECT_EQ(three.getSampleName(1), "Piano");
  EXPECT_EQ(three.getSampleName(2), "Strings");
  for (int i = 3; i < DataFolder::kSampleNameCount; ++i)
    EXPECT_EQ(three.getSampleName(i), "") << i;
}

TEST(DataFolderTest, SampleNamesFoundTellsAnEmptyFileFromAMissingOne)
{
  TempDataHome home;
  DataFolder missing = loadedFolder();
  EXPECT_FALSE(missing.sampleNamesFound());

  DataFolder empty = withSamples(home, "");
  EXPECT_TRUE(empty.sampleNamesFound());
  for (int i = 0; i < DataFolder::kSampleNameCount; ++i)
    EXPECT_EQ(empty.getSampleName(i), "");

  // A folder in the file's place is no sample names file: the generated names stay in use.
  std::remove((home.folder() + kSamples).c_str());
  mkdir((home.folder() + kSamples).c_str(), 0755);
  EXPECT_FALSE(loadedFolder().sampleNamesFound());
}

TEST(DataFolderTest, SampleNamesAreBoundedToWhatADisplayTextHolds)
{
  TempDataHome home;
  // A name cut inside a two-byte character loses the whole character; blanks the cut leaves at the
  // end go too; the line after a very long one is still the next name.
  std::string nearlyFull = std::string(54, 'a') + "\xC3\xA9" + "tail";
  std::string blanksAtCut = std::string(50, 'b') + "       c";
  std::string huge(1 << 20, 'h');
  DataFolder folder = withSamples(home, nearlyFull + "\n" + blanksAtCut + "\n" + huge + "\nnext\n" +
                                            std::string(DataFolder::kMaxSampleNameLength, 'x') + "\n");
  EXPECT_EQ(folder.getSampleName(0), std::string(54, 'a'));
  EXPECT_EQ(folder.getSampleName(1), std::string(50, 'b'));
  EXPECT_EQ(folder.getSampleName(2), std::string(DataFolder::kMaxSampleNameLength, 'h'));
  EXPECT_EQ(folder.getSampleName(3), "next");
  EXPECT_EQ(folder.getSampleName(4), std::string(DataFolder::kMaxSampleNameLength, 'x'));
  for (int i = 0; i < DataFolder::kSampleNameCount; ++i)
    EXPECT_LE(folder.getSampleName(i).size(), DataFolder::kMaxSampleNameLength);
}

TEST(DataFolderTest, LogIsSwitchedOnOnlyByAnExistingFileWhichIsEmptied)
{
  TempDataHome home;
  home.createFolder();
  DataFolder without = loadedFolder();
  EXPECT_FALSE(without.isLogging());
  EXPECT_FALSE(home.exists(kLog));

  home.writeFile(kLog, "old line\n");
  DataFolder with = loadedFolder();
  EXPECT_TRUE(with.isLogging());
  EXPECT_EQ(home.readFile(kLog), "");

  DataFolder again = loadedFolder();
  EXPECT_TRUE(again.isLogging());
}
