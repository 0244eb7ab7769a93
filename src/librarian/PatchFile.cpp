// Copying a bank file for the writers.
#include "PatchFile.h"

PatchFile* PatchFile::clone() const
{
  PatchFile* copy = new PatchFile();
  copy->mKind = mKind != kSounds ? kMultis : kSounds;
  if (copy->mKind == kMultis)
    copy->mOriginCode = (mOriginCode == kOriginMultiMicroQ || mOriginCode == kOriginMultiQ)
                            ? mOriginCode
                            : kOriginMultiBlofeld;
  else
    copy->mOriginCode =
        (mOriginCode == kOriginMicroQ || mOriginCode == kOriginQ) ? mOriginCode : kOriginBlofeld;
  copy->mRecords = mRecords;
  copy->mFileName = mFileName;
  return copy;
}
