// The editor's data folder: its paths, the debug log switch, the settings file and the sample names.
#include "DataFolder.h"

#include "IParam.h"
#include "IPlugStructs.h"
#include "debugger.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static_assert(DataFolder::kMaxSampleNameLength == static_cast<size_t>(IParam::kMaxDisplayLen),
              "a sample name must fit the display text of a menu entry");

namespace
{
constexpr const char* kVendorFolder = "Quillmarsh";
constexpr const char* kDefaultDataHome = "/.local/share";

const std::string kEmpty;

bool isTrailingSpace(int c)
{
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads one line (up to and including the next LF, which is consumed) from file, opened without
// line-end translation. line receives the text with trailing blanks, tabs, CR and LF removed, cut to
// at most maxLength bytes; the rest of a longer line is read and dropped, so memory stays bounded.
// Returns false when no line could be read (end of file before any byte, or a read error).
bool readTrimmedLine(std::FILE* file, std::string& line, size_t maxLength)
{
  line.clear();
  size_t total = 0;
  size_t trimmedLength = 0;
  int c;
  while ((c = std::getc(file)) != EOF)
  {
    ++total;
    if (c == '\n')
      break;
    if (line.size() < maxLength)
      line += static_cast<char>(c);
    if (!isTrailingSpace(c))
      trimmedLength = total;
  }
  if (std::ferror(file) || (c == EOF && total == 0))
  {
    line.clear();
    return false;
  }
  if (trimmedLength < line.size())
    line.resize(trimmedLength);
  return true;
}

void trimTrailing(std::string& text)
{
  while (!text.empty() && isTrailingSpace(static_cast<unsigned char>(text.back())))
    text.pop_back();
}

// Opens path for reading without line-end translation; a folder of that name counts as missing.
std::FILE* openRegularFile(const std::string& path)
{
  std::FILE* file = std::fopen(path.c_str(), "rb");
  struct stat info;
  if (file && (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)))
  {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

std::string homeFolder()
{
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/')
    return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return std::string();
}

std::string withoutTrailingSlashes(std::string path)
{
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}
} // namespace

DataFolder::DataFolder()
    : mFolder(locate()), mLogFilePath(mFolder + kDisplayName + kLogSuffix),
      mSettingsFilePath(mFolder + kDisplayName + kSettingsSuffix),
      mSamplesFilePath(mFolder + kDisplayName + kSamplesSuffix)
{
}

std::string DataFolder::locate()
{
  std::string dataHome;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/')
    dataHome = xdg;
  else
  {
    // Without any home folder the path lies under the root, where it is normally missing, so the
    // defaults hold rather than files relative to the host's working folder.
    dataHome = homeFolder() + kDefaultDataHome;
  }
  dataHome = withoutTrailingSlashes(dataHome);
  if (dataHome == "/")
    dataHome.clear();
  return dataHome + "/" + kVendorFolder + "/" + kDisplayName + "/";
}

void DataFolder::load()
{
  switchLog();
  readSettings();
  readSampleNames();
}

void DataFolder::switchLog()
{
  mLogging = DebuggerOutput::openDebugFile(mLogFilePath);
}

void DataFolder::readSettings()
{
  for (std::string& line : mSettingsLines)
    line.clear();
  std::FILE* file = openRegularFile(mSettingsFilePath);
  if (file)
  {
    for (std::string& line : mSettingsLines)
    {
      if (!readTrimmedLine(file, line, kMaxSettingsLineLength))
        break;
    }
    std::fclose(file);
  }

  const std::string& size = mSettingsLines[1];
  if (size == "small")
    mSizeFactor = 0.85;
  else if (size == "large")
    mSizeFactor = 1.15;
  else
    mSizeFactor = 1.0;

  mUIStyle = mSettingsLines[0] == "black" ? kStyleBlack : kStyleStandard;
}

void DataFolder::readSampleNames()
{
  for (std::string& name : mSampleNames)
    name.clear();
  std::FILE* file = openRegularFile(mSamplesFilePath);
  mSampleNamesFound = file != nullptr;
  if (!file)
    return;
  for (std::string& name : mSampleNames)
  {
    // One byte more than a name holds tells a cut line from one that fits.
    if (!readTrimmedLine(file, name, kMaxSampleNameLength + 1))
      break;
    if (name.size() > kMaxSampleNameLength)
    {
      name.resize(CharacterCut(name.data(), name.size(), kMaxSampleNameLength));
      trimTrailing(name);
    }
  }
  std::fclose(file);
}

std::string DataFolder::getPatchesFolderStr() const
{
  return mFolder + kPatchesFolderName;
}

std::string DataFolder::getConvertedBanksFolderStr() const
{
  return mFolder + kConvertedBanksFolderName + "/";
}

std::string DataFolder::getOpenDataDirectoryPath(bool manual) const
{
  return manual ? mFolder + kUserManualName : mFolder;
}

const std::string& DataFolder::getSettingsLine(int line) const
{
  if (line < 0 || line >= kSettingsLineCount)
    return kEmpty;
  return mSettingsLines[static_cast<size_t>(line)];
}

void DataFolder::setSettingsLine(int line, const std::string& text)
{
  if (line < 0 || line >= kSettingsLineCount)
    return;
  mSettingsLines[static_cast<size_t>(line)] = text;
}

std::optional<double> DataFolder::getStyleParameterValue() const
{
  const std::string& style = mSettingsLines[0];
  if (style == "white")
    return 0.0;
  if (style == "black")
    return 1.0;
  return std::nullopt;
}

std::optional<double> DataFolder::getSizeParameterValue() const
{
  const std::string& size = mSettingsLines[1];
  if (size == "small")
    return 0.0;
  if (size == "normal")
    return 1.0;
  if (size == "large")
    return 2.0;
  return std::nullopt;
}

bool DataFolder::wantsFirstRunNotice() const
{
  return mSettingsLines[2] == "no";
}

const std::string& DataFolder::getSampleName(int index) const
{
  if (index < 0 || index >= kSampleNameCount)
    return kEmpty;
  return mSampleNames[static_cast<size_t>(index)];
}
