// The librarian's lifetime, menu tree clearing and logging.
#include "PatchLibrarian.h"

#include "debugger.h"

namespace
{
void deleteBanks(std::vector<PatchFile*>& banks)
{
  for (PatchFile* bank : banks)
    delete bank;
  banks.clear();
}
} // namespace

PatchLibrarian::~PatchLibrarian()
{
  for (int tree = kSoundTree; tree <= kSearchTree; ++tree)
    clearDataStructures(tree);
  deleteAllBanks();
}

void PatchLibrarian::deleteAllBanks()
{
  deleteBanks(mSoundBanks);
  deleteBanks(mMultiBanks);
  deleteBanks(mSearchBanks);
  deleteBanks(mCategoryBanks);
  deleteBanks(mUnlistedCategoryBanks);
}

void PatchLibrarian::clearDataStructures(int tree)
{
  std::vector<FolderFiles*>* nodes = nullptr;
  switch (tree)
  {
  case kSoundTree:
    nodes = &mSoundTree;
    break;
  case kMultiTree:
    nodes = &mMultiTree;
    break;
  case kCategoryTree:
    nodes = &mCategoryTree;
    break;
  case kSearchTree:
    nodes = &mSearchTree;
    break;
  default:
    return;
  }
  for (FolderFiles* node : *nodes)
    delete node;
  nodes->clear();
}

void PatchLibrarian::log(const std::string& text)
{
  if (!mLoggingOn)
    return;
  mLogText.str("");
  mLogText.clear();
  mLogText << "PATCH LIBRARIAN: " << text;
  DebuggerOutput::printDebugInfo(mLogPath, mLogText.str());
}

void PatchLibrarian::logLine(const std::string& text)
{
  if (!mLoggingOn)
    return;
  mLogText.str("");
  mLogText.clear();
  mLogText << text;
  DebuggerOutput::printDebugInfo(mLogPath, mLogText.str());
}
