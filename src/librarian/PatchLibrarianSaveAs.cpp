// Saving the selected bank under a name the user picks.
#include "PatchLibrarian.h"

#include "SafeFileWriter.h"

#include <algorithm>

void removeCharsFromString(std::string& text, const char* characters)
{
  if (characters == nullptr)
    return;
  for (const char* c = characters; *c != '\0'; ++c)
    text.erase(std::remove(text.begin(), text.end(), *c), text.end());
}

PatchFile* PatchLibrarian::selectedBankCopy() const
{
  const std::vector<PatchFile*>* banks = nullptr;
  if (mPatchType == kPatchTypeSounds)
    banks = &mSoundBanks;
  else if (mPatchType == kPatchTypeMultis)
    banks = &mMultiBanks;
  if (banks == nullptr || mUpperBankIndex < 0 || mUpperBankIndex >= static_cast<int>(banks->size()) ||
      (*banks)[mUpperBankIndex] == nullptr)
    return nullptr;
  PatchFile* copy = (*banks)[mUpperBankIndex]->clone();
  copy->mRecords.resize(PatchFile::kBankSize);
  return copy;
}

bool PatchLibrarian::savePatchAs(const char* defaultName, std::string directory, bool midiFile)
{
  if (!mPromptForFile)
    return false;
  const std::string chosen =
      mPromptForFile(defaultName != nullptr ? defaultName : "", directory, midiFile ? "mid" : "kvd");
  if (chosen.empty())
    return false;
  const size_t separator = chosen.find_last_of("/\\");
  const std::string folderPart = separator == std::string::npos ? std::string() : chosen.substr(0, separator);
  const std::string fileName = separator == std::string::npos ? chosen : chosen.substr(separator + 1);
  std::string folderName = folderPart.substr(folderPart.find_last_of("/\\") + 1);
  removeCharsFromString(folderName, "/\\");

  PatchFile* copy = selectedBankCopy();
  if (copy == nullptr)
  {
    log("no bank selected to save as " + chosen);
    return false;
  }
  ByteChunk bytes;
  bankFileBytes(*copy, midiFile, mMultiMode, &bytes);
  delete copy;
  // The save dialog has asked before a file is replaced.
  std::string error;
  if (!SafeFileWriter::write(chosen, bytes.Bytes(), bytes.Size(), true, &error))
  {
    log("cannot write bank file " + chosen + " (" + error + ")");
    return false;
  }
  mCurrentFolderName = folderPart.empty() ? "Patches" : folderName;
  (mMultiMode ? mCurrentMultiBankName : mCurrentSoundBankName) = fileName;
  return true;
}
