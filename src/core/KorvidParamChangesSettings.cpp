// The settings file cases of the change handler: colour scheme, size and the first-run answer.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "ParamIndex.h"
#include "SafeFileWriter.h"

#include <climits>
#include <cstdlib>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr const char* kSettingsMissingText = "Korvid Editor UI.txt MISSING!";
constexpr const char* kContactSupportText = "Contact support";
constexpr const char* kSettingsNotWrittenText = "Korvid Editor UI.txt NOT WRITTEN!";
constexpr const char* kReadOnlyText = "The file is read-only";
constexpr const char* kCheckFolderText = "Check the data folder";
constexpr const char* kSizeAppliedText = "Size changes applied...";
constexpr const char* kStyleAppliedText = "Color Scheme applied...";
constexpr const char* kReloadText = "Reload project!";
constexpr const char* kSetMidiText = "Set MIDI In and MIDI Out";

constexpr const char* kSizeWords[] = {"small", "normal", "large"};
constexpr const char* kStyleWords[] = {"white", "black"};
constexpr const char* kFirstRunConfirmed = "yes";
constexpr int kStyleLine = 0;
constexpr int kSizeLine = 1;
constexpr int kFirstRunLine = 2;

// The file a path names, through symbolic links, so that a rewrite replaces the file and keeps the link.
std::string resolvedPath(const std::string& path)
{
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The file exists as something that can be read (the writers never create it).
bool settingsFileExists(const std::string& path)
{
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

// A file without any write permission is left alone, also for a user the system would let write it.
bool isReadOnly(const std::string& path)
{
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
  {
    return false;
  }
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}
} // namespace

void Korvid::changeSettingsFile(int paramIdx, int intValue)
{
  if (paramIdx == kFirstRunExit)
  {
    // The same button closes the bank conflict window once the first-run notice is gone.
    if (!mFirstRunShown)
    {
      if (mBankPatchConflictWindowLayer)
      {
        mBankPatchConflictWindowLayer->Hide(true);
      }
      flashProcessingIndicator();
      return;
    }
    if (intValue == 0)
    {
      return;
    }
  }
  const std::string path = resolvedPath(mDataFolder.getSettingsFilePath());
  if (!settingsFileExists(path))
  {
    showMessage(kSettingsMissingText, kContactSupportText);
    if (IGraphics* surface = GetGUI(); surface && paramIdx != kFirstRunExit)
    {
      // The choice is not kept: the selector goes back to the lines.
      showSettingsWords(surface);
    }
    log("SETTINGS: " + path + " is missing, nothing written");
    if (paramIdx == kFirstRunExit)
    {
      // The notice must not stay in the way because its answer cannot be kept.
      closeFirstRunNotice();
    }
    return;
  }

  const char* applied = nullptr;
  if (paramIdx == kUserInterfaceSize)
  {
    if (intValue >= 0 && intValue < static_cast<int>(std::size(kSizeWords)))
    {
      mDataFolder.setSettingsLine(kSizeLine, kSizeWords[intValue]);
    }
    applied = kSizeAppliedText;
  }
  else if (paramIdx == kUserInterfaceStyle)
  {
    if (intValue >= 0 && intValue < static_cast<int>(std::size(kStyleWords)))
    {
      mDataFolder.setSettingsLine(kStyleLine, kStyleWords[intValue]);
    }
    applied = kStyleAppliedText;
  }
  else if (intValue == 1)
  {
    mDataFolder.setSettingsLine(kFirstRunLine, kFirstRunConfirmed);
  }

  if (IGraphics* surface = GetGUI(); surface && applied)
  {
    showSettingsWords(surface);
  }
  std::string failure;
  if (writeSettingsFile(path, failure))
  {
    if (applied)
    {
      showMessage(applied, kReloadText);
    }
    else
    {
      showStatusText(kSetMidiText);
    }
  }
  else
  {
    showMessage(kSettingsNotWrittenText, failure.c_str());
  }
  if (paramIdx == kFirstRunExit)
  {
    closeFirstRunNotice();
  }
}

bool Korvid::writeSettingsFile(const std::string& path, std::string& failure)
{
  if (isReadOnly(path))
  {
    failure = kReadOnlyText;
    log("SETTINGS: " + path + " is read-only, nothing written");
    return false;
  }
  const std::string text = mDataFolder.getSettingsLine(kStyleLine) + "\n" +
                           mDataFolder.getSettingsLine(kSizeLine) + "\n" +
                           mDataFolder.getSettingsLine(kFirstRunLine);
  std::string error;
  // Written whole beside the file and renamed over it: a failure leaves the former file as it was.
  if (!SafeFileWriter::write(path, reinterpret_cast<const unsigned char*>(text.data()),
                             static_cast<int>(text.size()), true, &error))
  {
    failure = kCheckFolderText;
    log("SETTINGS: " + path + " not written: " + error);
    return false;
  }
  return true;
}

void Korvid::closeFirstRunNotice()
{
  if (mFirstRunNotificationLayer)
  {
    mFirstRunNotificationLayer->Hide(true);
  }
  mFirstRunShown = false;
  flashProcessingIndicator();
}

void Korvid::flashProcessingIndicator()
{
  // Showing and hiding the overlay repaints the whole editor; a running transfer keeps its overlay and flags.
  if (transferOwnsOverlay())
  {
    return;
  }
  DisplayProcessingIndicator(true);
  DisplayProcessingIndicator(false);
}

void Korvid::showMessage(const char* line1, const char* line2)
{
  showStatusText(line1);
  showStatusDetail(line2);
}
