// The editor's data folder: its paths, the debug log switch, the settings file and the sample names.
#pragma once

#include <array>
#include <optional>
#include <string>

// One per plug-in instance, built and read by the plug-in's constructor. The folder is
// "$XDG_DATA_HOME/Quillmarsh/Korvid Editor/" (XDG_DATA_HOME defaulting to "$HOME/.local/share"); the
// environment is read when the object is built. The plug-in never creates the folder or its files.
// Reading (load) runs on the constructing thread only; afterwards the const accessors may be called
// from any thread.
class DataFolder
{
public:
  static constexpr const char* kDisplayName = "Korvid Editor";
  static constexpr const char* kLogSuffix = " LOG.txt";
  static constexpr const char* kSettingsSuffix = " UI.txt";
  static constexpr const char* kSamplesSuffix = " Samples.txt";
  static constexpr const char* kPatchesFolderName = "Patches";
  static constexpr const char* kConvertedBanksFolderName = "Converted Banks";
  static constexpr const char* kUserManualName = "Korvid User Manual.pdf";

  static constexpr int kSettingsLineCount = 3;
  static constexpr int kSampleNameCount = 128;
  // A sample name becomes a parameter display text, which holds at most 55 bytes.
  static constexpr size_t kMaxSampleNameLength = 55;
  // Settings lines hold short words; longer lines are cut (and then match no word).
  static constexpr size_t kMaxSettingsLineLength = 255;

  // UI style values: 0 standard colours, 1 black.
  static constexpr int kStyleStandard = 0;
  static constexpr int kStyleBlack = 1;

  // Forms the folder and file paths from the environment; reads no file.
  DataFolder();

  // The data folder path from the current environment, with a trailing slash. A relative or empty
  // XDG_DATA_HOME is ignored; without HOME the password database gives the home folder.
  static std::string locate();

  // Start-up reading, in this order: switches the log (an existing log file is emptied and turns
  // logging on), reads the settings file and the sample names file. Missing files leave defaults.
  // Reports nothing. Constructing thread only; call once.
  void load();

  // The data folder path, with a trailing slash.
  const std::string& getDataFolderStr() const { return mFolder; }
  // The patch library root: data folder + "Patches", without a trailing slash.
  std::string getPatchesFolderStr() const;
  // The folder for moved sources of converted banks, with a trailing slash.
  std::string getConvertedBanksFolderStr() const;
  // What OpenDataDirectory opens: the data folder, or the user manual in it when manual is true.
  std::string getOpenDataDirectoryPath(bool manual) const;

  const std::string& getLogFilePath() const { return mLogFilePath; }
  // True when the log file existed at load; callers write log lines only then.
  bool isLogging() const { return mLogging; }

  const std::string& getSettingsFilePath() const { return mSettingsFilePath; }
  // Settings line 0 (style word), 1 (size word) or 2 (first-run word), trimmed; "" outside 0..2.
  const std::string& getSettingsLine(int line) const;
  // Replaces one settings line in memory (the settings writer keeps them current); ignores other lines.
  void setSettingsLine(int line, const std::string& text);

  // 0 standard or 1 black, from settings line 1 ("black" gives 1).
  int getUIStyle() const { return mUIStyle; }
  // 0.85, 1.0 or 1.15, from settings line 2 ("small", "normal", "large").
  double getSizeFactor() const { return mSizeFactor; }

  // The plain value for kUserInterfaceStyle: 0 for "white", 1 for "black"; none for other words.
  std::optional<double> getStyleParameterValue() const;
  // The plain value for kUserInterfaceSize: 0, 1 or 2 for "small", "normal", "large"; none otherwise.
  std::optional<double> getSizeParameterValue() const;
  // True when settings line 3 is "no": the first-run notice is to be shown.
  bool wantsFirstRunNotice() const;

  // Sample name index (0 to 127), at most 55 bytes; "" for an index outside the list or a name not read.
  const std::string& getSampleName(int index) const;
  // True when the sample names file could be opened, even if it is empty.
  bool sampleNamesFound() const { return mSampleNamesFound; }

private:
  void switchLog();
  void readSettings();
  void readSampleNames();

  std::string mFolder;
  std::string mLogFilePath;
  std::string mSettingsFilePath;
  std::string mSamplesFilePath;
  bool mLogging = false;
  std::array<std::string, kSettingsLineCount> mSettingsLines;
  int mUIStyle = kStyleStandard;
  double mSizeFactor = 1.0;
  std::array<std::string, kSampleNameCount> mSampleNames;
  bool mSampleNamesFound = false;
};
