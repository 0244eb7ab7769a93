// Category banks: the library's sounds gathered by category text in banks of up to 128.
#include "PatchLibrarian.h"

#include "InitDumpTemplates.h"

#include <algorithm>

LibrarianPatch PatchLibrarian::derivedRecord(const LibrarianPatch& source)
{
  LibrarianPatch record;
  if (source.mMessages.empty())
    return record;
  record.mMessages.push_back(source.mMessages.front());
  const std::vector<unsigned char>& dump = record.mMessages.front().mData;
  if (dump.size() >=
      static_cast<size_t>(InitDumpTemplates::kSoundNameOffset + InitDumpTemplates::kSoundNameLength))
    record.mName.assign(dump.begin() + InitDumpTemplates::kSoundNameOffset,
                        dump.begin() + InitDumpTemplates::kSoundNameOffset +
                            InitDumpTemplates::kSoundNameLength);
  record.parseCategory(LibrarianPatch::kSoundCategoryOffset);
  return record;
}

void PatchLibrarian::createNewCategoryPatchFiles()
{
  for (int code = 0; code < LibrarianPatch::kCategoryCount; ++code)
  {
    const std::string text = LibrarianPatch::kCategoryTexts[code];
    const int index = code + 1;
    std::vector<const LibrarianPatch*> collected;
    for (const PatchFile* bank : mSoundBanks)
      for (const LibrarianPatch& record : bank->mRecords)
        if (record.mCategory == text)
          collected.push_back(&record);

    const size_t banks = collected.size() / PatchFile::kBankSize + 1;
    for (size_t n = 1; n <= banks; ++n)
    {
      PatchFile* bank = new PatchFile();
      bank->mKind = PatchFile::kSounds;
      bank->mFileName = text + " " + std::to_string(n);
      bank->mFolderName = text;
      bank->mFolderIndex = index;
      for (size_t i = PatchFile::kBankSize * (n - 1);
           i < std::min(collected.size(), PatchFile::kBankSize * n); ++i)
        bank->mRecords.push_back(derivedRecord(*collected[i]));
      (bank->mRecords.empty() ? mUnlistedCategoryBanks : mCategoryBanks).push_back(bank);

      bool entered = false;
      for (FolderFiles* top : mCategoryTree)
        for (SubFolderFiles& child : top->mChildren)
          if (child.mName == text)
          {
            child.mBanks.push_back(bank);
            entered = true;
          }
      if (!entered)
      {
        SubFolderFiles child;
        child.mName = text;
        child.mBanks.push_back(bank);
        mCategoryTree.push_back(new FolderFiles(bank->mFileName, child));
      }
    }
  }
}
