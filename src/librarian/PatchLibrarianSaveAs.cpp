// Saving the selected bank under a name the user picks.
#include "PatchLibrarian.h"

#include "SafeFileWriter.h"

#include <algorithm>
#include <memory>

void removeCharsFromString(std::string& text, const char* characters)
{
  if (characters == nullptr)
    return;
  for (const char* c = characters; *c != '\0'; ++c)
    text.erase(std::remove(text.begin(), text.end(), *c), text.end());
}

PatchFile* PatchLibrarian::selectedBank() const
{
  const std::vector<PatchFile*>* banks = nullptr;
  if (mPatchType == kPatchTypeSounds)
    banks = &mSoundBanks;
  else if (mPatchType == kPatchTypeMultis)
    banks = &mMultiBanks;
  if (banks == nullptr || mUpperBankIndex < 0 || mUpperBankIndex >= static_cast<int>(banks->size()))
    return nullptr;
  return (*banks)[mUpperBankIndex];
}

PatchFile* PatchLibrarian::selectedBankCopy() const
{
  const PatchFile* selected = selectedBank();
  if (selected == nullptr)
    return nullptr;
  PatchFile* copy = selected->clone();
  copy->mRecords.resize(PatchFile::kBankSize);
  return copy;
}

PatchLibrarian::SaveAs PatchLibrarian::savePatchAs(const char* defaultName, std::string directory,
                                                   bool midiFile, std::string* writtenPath)
{
  const PatchFile* asked = selectedBank();
  if (!mPromptForFile || !asked)
    return SaveAs::kNotWritten;
  const std::string askedName = asked->mFileName;
  const std::vector<std::string> askedFolder = asked->mFolderPath;
  const std::string chosen =
      mPromptForFile(defaultName != nullptr ? defaultName : "", directory, midiFile ? "mid" : "kvd");
  if (chosen.empty())
    return SaveAs::kCancelled;
  const size_t separator = chosen.find_last_of("/\\");
  const std::string folderPart = separator == std::string::npos ? std::string() : chosen.substr(0, separator);
  const std::string fileName = separator == std::string::npos ? chosen : chosen.substr(separator + 1);
  std::string folderName = folderPart.substr(folderPart.find_last_of("/\\") + 1);
  removeCharsFromString(folderName, "/\\");

  // Found again after the answer: the library may have been read again while the prompt was up.
  const PatchFile* selected = selectedBank();
  if (!selected || selected->mFileName != askedName || selected->mFolderPath != askedFolder)
  {
    log(askedName + " is no longer selected; not saved as " + chosen);
    return SaveAs::kGone;
  }
  const std::unique_ptr<PatchFile> copy(selectedBankCopy());
  ByteChunk bytes;
  bankFileBytes(*copy, midiFile, mMultiMode, &bytes);
  // The save dialog has asked before a file is replaced.
  std::string error;
  if (!SafeFileWriter::write(chosen, bytes.Bytes(), bytes.Size(), true, &error))
  {
    log("cannot write bank file " + chosen + " (" + error + ")");
    return SaveAs::kNotWritten;
  }
  mCurrentFolderName = folderPart.empty() ? "Patches" : folderName;
  (mMultiMode ? mCurrentMultiBankName : mCurrentSoundBankName) = fileName;
  if (writtenPath)
    *writtenPath = chosen;
  return SaveAs::kWritten;
}
