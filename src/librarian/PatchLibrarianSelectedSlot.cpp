// A record that a library dump request received, stored into the selected slot of the upper pane's bank.
#include "PatchLibrarian.h"

#include "SysexProtocol.h"

namespace
{
// The dump type a bank of that patch type holds, or -1 for an unknown patch type.
int dumpTypeOf(int patchType)
{
  switch (patchType)
  {
  case PatchLibrarian::kPatchTypeSounds:
    return SysexProtocol::kSoundDump;
  case PatchLibrarian::kPatchTypeMultis:
    return SysexProtocol::kMultiDump;
  default:
    return -1;
  }
}
} // namespace

PatchLibrarian::SlotStore PatchLibrarian::setSysexDatatoSelectedSlot(const LibrarianPatch* record)
{
  const int slot = mSelectedUpperSlot;
  if (slot < 0 || slot >= PatchFile::kBankSize)
  {
    return SlotStore::NoSlot;
  }
  const std::vector<PatchFile*>& banks = mPatchType == kPatchTypeMultis ? mMultiBanks : mSoundBanks;
  const int type = dumpTypeOf(mPatchType);
  if (!record || record->mMessages.empty() || type < 0 || mUpperBankIndex < 0 ||
      mUpperBankIndex >= static_cast<int>(banks.size()) || !banks[static_cast<size_t>(mUpperBankIndex)])
  {
    return SlotStore::NoBank;
  }
  const std::vector<unsigned char>& dump = record->mMessages.front().mData;
  if (dump.size() <= static_cast<size_t>(SysexProtocol::kTypeOffset) ||
      dump[SysexProtocol::kTypeOffset] != type)
  {
    return SlotStore::NoBank;
  }
  PatchFile& bank = *banks[static_cast<size_t>(mUpperBankIndex)];
  bank.mRecords.resize(PatchFile::kBankSize);
  bank.mRecords[static_cast<size_t>(slot)] = *record;
  return SlotStore::Stored;
}
