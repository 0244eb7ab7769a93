// Writing the selected bank back over its own file.
#include "PatchLibrarian.h"

#include "SafeFileWriter.h"

bool PatchLibrarian::saveEditedPatch(std::string path, std::string fileName)
{
  PatchFile* copy = selectedBankCopy();
  if (copy == nullptr)
  {
    log("no bank selected to save over " + path);
    return false;
  }
  copy->mFileName = fileName;
  const size_t dot = fileName.find_last_of('.');
  const bool midiFile = dot != std::string::npos && fileName.compare(dot + 1, std::string::npos, "mid") == 0;
  ByteChunk bytes;
  bankFileBytes(*copy, midiFile, mMultiMode, &bytes);
  delete copy;
  std::string error;
  if (!SafeFileWriter::write(path, bytes.Bytes(), bytes.Size(), true, &error))
  {
    log("cannot write bank file " + path + " (" + error + ")");
    return false;
  }
  return true;
}
