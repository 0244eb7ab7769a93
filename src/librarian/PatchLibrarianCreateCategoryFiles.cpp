// Category banks: the library's sounds gathered by category text in banks of up to 128.
#include "PatchLibrarian.h"

#include "InitDumpTemplates.h"

#include <algorithm>
#include <cstring>

LibrarianPatch PatchLibrarian::derivedRecord(const LibrarianPatch& source)
{
  LibrarianPatch record;
  if (source.mMessages.empty())
    return record;
  // The first dump only; a record of one dump shares it with its source instead of copying it.
  if (source.mMessages.size() == 1)
    record.mMessages = source.mMessages;
  else
    record.mMessages.push_back(source.mMessages.front());
  const std::vector<unsigned char>& dump = source.mMessages.front().mData;
  if (dump.size() >=
      static_cast<size_t>(InitDumpTemplates::kSoundNameOffset + InitDumpTemplates::kSoundNameLength))
    record.mName.assign(dump.begin() + InitDumpTemplates::kSoundNameOffset,
                        dump.begin() + InitDumpTemplates::kSoundNameOffset +
                            InitDumpTemplates::kSoundNameLength);
  record.parseCategory(LibrarianPatch::kSoundCategoryOffset);
  return record;
}

namespace
{
// The code whose text the category is exactly, or -1.
int categoryCodeOf(const std::string& category)
{
  constexpr size_t kTextLength = 4;
  if (category.size() != kTextLength)
    return -1;
  for (int code = 0; code < LibrarianPatch::kCategoryCount; ++code)
    if (std::memcmp(category.data(), LibrarianPatch::kCategoryTexts[code], kTextLength) == 0)
      return code;
  return -1;
}
} // namespace

void PatchLibrarian::createNewCategoryPatchFiles()
{
  // How many sounds each category holds: the banks are made first, in category order, then filled in one
  // pass in library order, the order in which the sounds and their dumps lie in memory.
  size_t counts[LibrarianPatch::kCategoryCount] = {};
  for (const PatchFile* bank : mSoundBanks)
    for (const LibrarianPatch& record : bank->mRecords)
    {
      const int code = categoryCodeOf(record.mCategory);
      if (code >= 0)
        ++counts[code];
    }

  std::vector<PatchFile*> banksOf[LibrarianPatch::kCategoryCount];
  for (int code = 0; code < LibrarianPatch::kCategoryCount; ++code)
  {
    const std::string text = LibrarianPatch::kCategoryTexts[code];
    const int index = code + 1;
    const size_t collected = counts[code];

    const size_t banks = collected / PatchFile::kBankSize + 1;
    for (size_t n = 1; n <= banks; ++n)
    {
      PatchFile* bank = new PatchFile();
      bank->mKind = PatchFile::kSounds;
      bank->mFileName = text + " " + std::to_string(n);
      bank->mFolderName = text;
      bank->mFolderIndex = index;
      const size_t first = PatchFile::kBankSize * (n - 1);
      const size_t last = std::min(collected, PatchFile::kBankSize * n);
      bank->mRecords.reserve(last - first);
      banksOf[code].push_back(bank);
      (last == first ? mUnlistedCategoryBanks : mCategoryBanks).push_back(bank);

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

  size_t filled[LibrarianPatch::kCategoryCount] = {};
  for (const PatchFile* bank : mSoundBanks)
    for (const LibrarianPatch& record : bank->mRecords)
    {
      const int code = categoryCodeOf(record.mCategory);
      if (code < 0)
        continue;
      banksOf[code][filled[code] / PatchFile::kBankSize]->mRecords.push_back(derivedRecord(record));
      ++filled[code];
    }
}
