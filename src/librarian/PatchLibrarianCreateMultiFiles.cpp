// Placing multi banks in the multi tree by the folders they lie in.
#include "PatchLibrarian.h"

void PatchLibrarian::createMultiFolderFilesStructure(PatchFile* file, std::string)
{
  placeInFolderTree(mMultiTree, file);
}
