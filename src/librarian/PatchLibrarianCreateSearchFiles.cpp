// Search banks: the library's sounds whose name holds a text, in banks of up to 128.
#include "PatchLibrarian.h"

#include <algorithm>

void PatchLibrarian::createNewSearchPatchFiles(std::string text)
{
  // The search tree points to the banks replaced here.
  clearDataStructures(kSearchTree);
  for (PatchFile* bank : mSearchBanks)
    delete bank;
  mSearchBanks.clear();

  std::vector<const LibrarianPatch*> matches;
  for (const PatchFile* bank : mSoundBanks)
  {
    if (bank->mKind != PatchFile::kSounds || bank->mRecords.empty())
      continue;
    for (const LibrarianPatch& record : bank->mRecords)
      if (record.mName.find(text) != std::string::npos)
        matches.push_back(&record);
  }
  if (matches.empty())
    return;

  const std::string folderName = "Patches";
  const size_t banks = matches.size() / PatchFile::kBankSize + 1;
  for (size_t n = 1; n <= banks; ++n)
  {
    PatchFile* bank = new PatchFile();
    bank->mKind = PatchFile::kSounds;
    bank->mFileName = "Search Results " + std::to_string(n);
    bank->mFolderName = folderName;
    bank->mFolderIndex = static_cast<int>(n - 1);
    for (size_t i = PatchFile::kBankSize * (n - 1); i < std::min(matches.size(), PatchFile::kBankSize * n);
         ++i)
      bank->mRecords.push_back(derivedRecord(*matches[i]));
    mSearchBanks.push_back(bank);
    if (!mSearchTree.empty() && mSearchTree.front()->mName == folderName)
      mSearchTree.front()->mBanks.push_back(bank);
    else
    {
      FolderFiles* node = new FolderFiles();
      node->mName = folderName;
      node->mBanks.push_back(bank);
      mSearchTree.push_back(node);
    }
  }
}
