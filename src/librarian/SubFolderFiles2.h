// Third level of a library menu tree: a folder name and the banks in it.
#pragma once

#include <string>
#include <vector>

class PatchFile;

// Points to bank files, never owns them. Used on the UI and scan threads.
class SubFolderFiles2
{
public:
  std::string mName;
  std::vector<PatchFile*> mBanks;
};
