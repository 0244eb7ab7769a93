// Top level of a library menu tree: a folder with its sub-folders and banks.
#pragma once

#include "SubFolderFiles.h"

#include <string>
#include <vector>

class PatchFile;

// A heap node owned by its tree in the librarian; bank files are pointed to, never owned.
// Used on the UI and scan threads.
class FolderFiles
{
public:
  FolderFiles() = default;
  // A node named name with one copy of first as its only child and no banks of its own.
  FolderFiles(const std::string& name, const SubFolderFiles& first);

  std::string mName;
  std::vector<SubFolderFiles> mChildren;
  std::vector<PatchFile*> mBanks;
};
