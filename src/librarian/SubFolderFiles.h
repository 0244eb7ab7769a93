// Second level of a library menu tree: a folder with its sub-folders and banks.
#pragma once

#include "SubFolderFiles2.h"

#include <string>
#include <vector>

class PatchFile;

// Children are held by value; bank files are pointed to, never owned. A copy points to the same
// bank files. Used on the UI and scan threads.
class SubFolderFiles
{
public:
  std::string mName;
  std::vector<SubFolderFiles2> mChildren;
  std::vector<PatchFile*> mBanks;
};
