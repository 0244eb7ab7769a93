// Top-level menu tree node construction.
#include "FolderFiles.h"

FolderFiles::FolderFiles(const std::string& nodeName, const SubFolderFiles& first)
    : mName(nodeName), mChildren{first}
{
}
