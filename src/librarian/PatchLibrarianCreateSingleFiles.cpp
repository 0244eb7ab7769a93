// Placing sound banks in the sound tree by the folders they lie in.
#include "PatchLibrarian.h"

void PatchLibrarian::createSingleFolderFilesStructure(PatchFile* file, std::string)
{
  placeInFolderTree(mSoundTree, file);
}

void PatchLibrarian::placeInFolderTree(std::vector<FolderFiles*>& tree, PatchFile* file)
{
  if (file == nullptr)
    return;
  const std::vector<std::string>& p = file->mFolderPath;
  const size_t n = p.size();
  FolderFiles* candidate = new FolderFiles();
  if (n == 1)
  {
    candidate->mName = p[0];
    candidate->mBanks.push_back(file);
  }
  else if (n == 2)
  {
    SubFolderFiles second;
    second.mName = p[1];
    second.mBanks.push_back(file);
    candidate->mChildren.push_back(second);
  }
  else if (n == 3)
  {
    SubFolderFiles2 third;
    third.mName = p[2];
    third.mBanks.push_back(file);
    SubFolderFiles second;
    second.mName = p[1];
    second.mChildren.push_back(third);
    candidate->mChildren.push_back(second);
  }
  if (tree.empty())
  {
    tree.push_back(candidate);
    return;
  }

  // Every matching place takes the file; a second-level folder that lacks the third-level one
  // does not count, so that the file gets a node of its own below.
  bool placed = false;
  const size_t count = tree.size();
  for (size_t t = 0; t < count; ++t)
  {
    FolderFiles* top = tree[t];
    if (n == 1)
    {
      if (top->mName == p[0])
      {
        top->mBanks.push_back(file);
        placed = true;
      }
    }
    else if (n == 2 || n == 3)
    {
      for (SubFolderFiles& second : top->mChildren)
      {
        if (second.mName != p[1])
          continue;
        if (n == 2)
        {
          second.mBanks.push_back(file);
          placed = true;
        }
        else if (second.mChildren.empty())
        {
          second.mChildren.push_back(candidate->mChildren.front().mChildren.front());
          placed = true;
        }
        else
        {
          for (SubFolderFiles2& third : second.mChildren)
          {
            if (third.mName == p[2])
            {
              third.mBanks.push_back(file);
              placed = true;
            }
          }
        }
      }
    }
  }
  if (placed)
    delete candidate;
  else
    tree.push_back(candidate);
}
