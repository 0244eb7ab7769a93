// The library scan: walking the patches folder, reading each bank file, splitting and converting files.
#include "PatchLibrarian.h"

#include "SafeFileWriter.h"

#include <Poco/DirectoryIterator.h>
#include <Poco/Exception.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char* const kAcceptedExtensions[] = {"mid", "syx", "kvd", "qxr", "mqr"};
constexpr const char* kMidiExtension = "mid";
constexpr const char* kConvertedExtension = "kvd";
// Folders nested deeper than this below the root are not walked.
constexpr int kMaxFolderDepth = 64;

std::string lowerCase(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool accepted(const std::string& extension)
{
  return std::find(std::begin(kAcceptedExtensions), std::end(kAcceptedExtensions), extension) !=
         std::end(kAcceptedExtensions);
}

// microQ and Q dumps are converted only inside the files read: their own bank files are passed over.
bool read(const std::string& extension)
{
  return accepted(extension) && extension != "qxr" && extension != "mqr";
}

// How often the last component can be cut off the path before nothing is left.
int componentCount(std::string path)
{
  int count = 0;
  while (!path.empty())
  {
    const size_t separator = path.find_last_of("/\\");
    path.erase(separator == std::string::npos ? 0 : separator);
    ++count;
  }
  return count;
}

std::string folderOf(const std::string& path)
{
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// The whole file, or false when it cannot be opened or is larger than maxSize.
bool readWholeFile(const std::string& path, ByteChunk* chunk, long long maxSize)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  in.seekg(0, std::ios::end);
  const long long size = static_cast<long long>(in.tellg());
  if (size < 0 || size > maxSize)
    return false;
  in.seekg(0, std::ios::beg);
  chunk->Resize(static_cast<int>(size));
  in.read(reinterpret_cast<char*>(chunk->Bytes()), size);
  // A file that shrank while being read keeps what was there.
  chunk->Resize(static_cast<int>(in.gcount()));
  return true;
}

std::pair<long long, long long> identity(const std::string& path)
{
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
    return {-1, -1};
  return {static_cast<long long>(info.st_dev), static_cast<long long>(info.st_ino)};
}
} // namespace

bool PatchLibrarian::readWholeFile(const std::string& path, ByteChunk* chunk, long long maxSize)
{
  return ::readWholeFile(path, chunk, maxSize);
}

bool PatchLibrarian::listsBankFile(const std::string& fileName, ByteChunk* bytes)
{
  if (bytes == nullptr || !read(lowerCase(Poco::Path(fileName).getExtension())))
    return false;
  PatchLibrarian reader;
  PatchFile bank;
  reader.loadFromChunk(bytes, bytes->Size(), &bank, 0);
  return !bank.mRecords.empty();
}

void PatchLibrarian::loadPatchesFromFilesystem(std::string root)
{
  while (root.size() > 1 && root.back() == '/')
    root.pop_back();
  bool exists = false;
  try
  {
    Poco::File folder(root);
    exists = folder.exists() && folder.isDirectory();
  }
  catch (const Poco::Exception&)
  {
    exists = false;
  }
  if (!exists)
  {
    logLine("PLUGIN IS NOT ABLE TO FIND PATCHES FOLDER...");
    return;
  }
  mConvertedBanksFolder = folderOf(root) + kConvertedBanksFolderName + "/";

  mFolderList.clear();
  buildFolderStructure(root, &mFolderList);
  std::sort(mFolderList.begin(), mFolderList.end());
  mFolderList.push_back(root);
  const int rootDepth = componentCount(root);

  for (const std::string& folder : mFolderList)
  {
    std::vector<std::string> names;
    try
    {
      Poco::File(folder).list(names);
    }
    catch (const Poco::Exception& e)
    {
      log("cannot list folder " + folder + " (" + e.displayText() + ")");
      continue;
    }
    std::vector<std::string> paths;
    for (const std::string& name : names)
      paths.push_back(folder + "/" + name);
    std::sort(paths.begin(), paths.end());

    for (const std::string& path : paths)
    {
      try
      {
        const Poco::Path parsed(path);
        const std::string extension = lowerCase(parsed.getExtension());
        if (!accepted(extension))
          continue;
        Poco::File file(path);
        if (!file.isFile())
          continue;
        const long long size = static_cast<long long>(file.getSize());
        if (size < kMinimumBankFileSize)
          continue;
        if (size > kMaximumBankFileSize)
        {
          log("skipped file " + path + " (too large for a bank file)");
          continue;
        }
        const int depth = static_cast<int>(parsed.depth()) - rootDepth;
        const size_t soundsBefore = mSoundBanks.size();
        const size_t multisBefore = mMultiBanks.size();
        parseFolderFiles(file, parsed, depth, 0, 1, extension);
        // Every bank the file gave goes into the menus' trees: the banks a split or a conversion wrote too.
        for (size_t i = soundsBefore; i < mSoundBanks.size(); ++i)
          createSingleFolderFilesStructure(mSoundBanks[i], "");
        for (size_t i = multisBefore; i < mMultiBanks.size(); ++i)
          createMultiFolderFilesStructure(mMultiBanks[i], "");
      }
      catch (const Poco::Exception& e)
      {
        log("skipped " + path + " (" + e.displayText() + ")");
      }
      catch (const std::exception& e)
      {
        // Out of memory for one large file, say: the other files are still read.
        log("skipped " + path + " (" + e.what() + ")");
      }
    }
  }
  mReadBuffer.ReleaseStorage();
  createNewCategoryPatchFiles();
}

void PatchLibrarian::buildFolderStructure(const std::string& folder, std::vector<std::string>* list)
{
  if (list == nullptr)
    return;
  std::vector<std::pair<long long, long long>> visited{identity(folder)};
  walkFolders(folder, list, visited, 0);
}

void PatchLibrarian::walkFolders(const std::string& folder, std::vector<std::string>* list,
                                 std::vector<std::pair<long long, long long>>& visited, int depth)
{
  if (depth >= kMaxFolderDepth)
  {
    log("folders below " + folder + " nest too deep; not read");
    return;
  }
  try
  {
    const Poco::DirectoryIterator end;
    for (Poco::DirectoryIterator it(folder); it != end; ++it)
    {
      const std::string path = it->path();
      try
      {
        // Broken links and vanished entries are left to the file pass, which logs bank files.
        if (!it->exists() || !it->isDirectory())
          continue;
        // Links may lead back to a folder already walked; each folder is walked once.
        const std::pair<long long, long long> id = identity(path);
        if (std::find(visited.begin(), visited.end(), id) != visited.end())
        {
          log("skipped folder " + path + " (already read through another path)");
          continue;
        }
        visited.push_back(id);
        walkFolders(path, list, visited, depth + 1);
        list->push_back(path);
      }
      catch (const Poco::Exception& e)
      {
        log("skipped " + path + " (" + e.displayText() + ")");
      }
    }
  }
  catch (const Poco::Exception& e)
  {
    log("cannot list folder " + folder + " (" + e.displayText() + ")");
  }
}

PatchFile* PatchLibrarian::parseFolderFiles(Poco::File file, Poco::Path path, int depth, int folderIndex, int,
                                            std::string extension)
{
  mSplitFlag = false;
  mConversionFlag = false;
  const std::string fullPath = file.path();
  log("loading file " + fullPath);
  if (!read(extension))
    return nullptr;
  const bool isMidi = extension == kMidiExtension;

  // Owned here until a list takes it; an exception while reading releases it.
  std::unique_ptr<PatchFile> bank(new PatchFile());
  bank->mFileName = path.getFileName();
  const int folders = path.depth();
  if (folders > 0)
    bank->mFolderName = path.directory(folders - 1);
  for (int i = std::max(0, folders - depth - 1); i < folders; ++i)
    bank->mFolderPath.push_back(path.directory(i));
  bank->mFolderIndex = folderIndex;

  ByteChunk& chunk = mReadBuffer;
  if (!readWholeFile(fullPath, &chunk, kMaximumBankFileSize))
  {
    log("cannot read file " + fullPath);
    return nullptr;
  }
  loadFromChunk(&chunk, chunk.Size(), bank.get(), isMidi ? 1 : 0);
  const size_t n = bank->mRecords.size();

  if (n > PatchFile::kBankSize)
  {
    mBankCounter = static_cast<int>(n / PatchFile::kBankSize);
    mSplitFlag = true;
    mConversionFlag = true;
    const int failuresBefore = mWriteFailures;
    mWrittenPaths.clear();
    for (int number = -1; number < mBankCounter; ++number)
      createNewPatchFile(bank.get(), bank->mFolderName, bank->mFileName, extension, fullPath, folderIndex,
                         number, isMidi, false);
    for (int number = -1; number < mBankCounter; ++number)
      createNewPatchFile(bank.get(), bank->mFolderName, bank->mFileName, extension, fullPath, folderIndex,
                         number, isMidi, true);
    mSplitFlag = false;
    mConversionFlag = false;
    // The source stays where it is unless every bank cut from it is on disk. A source that stays
    // is split again by the next scan, so the banks written now are taken back: they would
    // otherwise be doubled on every scan.
    if (mWriteFailures != failuresBefore)
      log("kept " + fullPath + " in place: not every bank split from it could be written");
    if (mWriteFailures != failuresBefore || !moveToConvertedBanks(fullPath))
      removeWrittenFiles();
    return nullptr;
  }
  if (n == 0)
  {
    // A bank without records would show in the menus but in no list.
    log("no dumps found in " + fullPath);
    return nullptr;
  }
  fillUncompletedBankFiles(bank.get());
  bank->mRecords.resize(PatchFile::kBankSize);
  std::vector<PatchFile*>& list = bank->mKind == PatchFile::kMultis ? mMultiBanks : mSoundBanks;
  list.push_back(bank.get());
  PatchFile* listed = bank.release();

  // Sounds converted from microQ or Q form are written as a Blofeld bank; the source moves away.
  const bool converted =
      listed->mKind == PatchFile::kSounds &&
      (listed->mOriginCode == PatchFile::kOriginMicroQ || listed->mOriginCode == PatchFile::kOriginQ);
  if (converted)
  {
    mConversionFlag = true;
    mWrittenPaths.clear();
    const bool written = writeConvertedBank(listed, fullPath);
    mConversionFlag = false;
    if (written && moveToConvertedBanks(fullPath))
      return nullptr;
    // The source stays and is converted again by the next scan: the bank is read as it is now.
    removeWrittenFiles();
    listed->mFileName = path.getFileName();
  }
  return listed;
}

bool PatchLibrarian::writeConvertedBank(PatchFile* bank, const std::string& sourcePath)
{
  const std::string fileName = Poco::Path(sourcePath).getFileName();
  const size_t dot = fileName.find_last_of('.');
  const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  const std::string path = SafeFileWriter::freePath(folderOf(sourcePath) + stem + "." + kConvertedExtension);
  if (!writeBank(*bank, path, false, false))
    return false;
  bank->mFileName = path.substr(path.find_last_of("/\\") + 1);
  return true;
}

void PatchLibrarian::removeWrittenFiles()
{
  for (const std::string& written : mWrittenPaths)
  {
    if (::unlink(written.c_str()) == 0)
      log("removed " + written + " again: its source could not be moved");
  }
  mWrittenPaths.clear();
}

bool PatchLibrarian::moveToConvertedBanks(const std::string& path)
{
  constexpr int kAttempts = 5;
  try
  {
    Poco::File(mConvertedBanksFolder).createDirectories();
    const std::string name = Poco::Path(path).getFileName();
    for (int attempt = 0; attempt < kAttempts; ++attempt)
    {
      const std::string target = SafeFileWriter::freePath(mConvertedBanksFolder + name);
      try
      {
        Poco::File(path).moveTo(target, Poco::File::OPT_FAIL_ON_OVERWRITE);
        log("moved file " + target + " due to mismatching data in package!");
        return true;
      }
      catch (const Poco::FileExistsException&)
      {
        // Taken between the look and the move: look again.
      }
    }
    log("cannot move " + path + " into " + mConvertedBanksFolder + " (no free name)");
  }
  catch (const Poco::Exception& e)
  {
    log("cannot move " + path + " into " + mConvertedBanksFolder + " (" + e.displayText() + ")");
  }
  return false;
}

void PatchLibrarian::initBankFilesOnDiscard(std::string root)
{
  for (int tree = kSoundTree; tree <= kSearchTree; ++tree)
    clearDataStructures(tree);
  // Nothing points to the old banks any more once the trees are gone.
  deleteAllBanks();
  loadPatchesFromFilesystem(root);
}
