// LibrarianViewControl: records copied into the upper bank (drop, Copy and Paste) and the rename field.
#include "LibrarianViewControl.h"

#include "ControlLayer.h"
#include "IParam.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SysexProtocol.h"

namespace
{
std::string slotName(int slot)
{
  return "slot " + LibrarianViewControl::slotNumberText(slot);
}

// The name as shown in a message: without the blanks that pad it in the dump.
std::string trimmedName(const std::string& name)
{
  const size_t end = name.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// Makes the bank exactly 128 records long: empty records appended, records beyond 128 dropped.
void fillToBankSize(PatchFile& bank)
{
  bank.mRecords.resize(PatchFile::kBankSize);
}
} // namespace

std::string LibrarianViewControl::slotNumberText(int slot)
{
  constexpr size_t kDigits = 3;
  std::string number = std::to_string(slot + 1);
  if (number.size() < kDigits)
    number.insert(0, kDigits - number.size(), '0');
  return number;
}

bool LibrarianViewControl::holdsWholeDump(const LibrarianPatch& record, bool multi)
{
  if (record.mMessages.empty())
    return false;
  const std::vector<unsigned char>& bytes = record.mMessages.front().mData;
  const int size = static_cast<int>(bytes.size());
  return multi ? SysexProtocol::isMultiDump(bytes.data(), size)
               : SysexProtocol::isSoundDump(bytes.data(), size);
}

LibrarianPatch LibrarianViewControl::lowerRecord(int slot) const
{
  const PatchFile* bank = bankOfPane(kLowerPane);
  if (bank == nullptr || slot < 0 || static_cast<std::size_t>(slot) >= bank->mRecords.size())
    return LibrarianPatch();
  return bank->mRecords[static_cast<std::size_t>(slot)];
}

bool LibrarianViewControl::transferRecord(const LibrarianPatch& record, int source, int target)
{
  if (plug == nullptr || librarian == nullptr || target < 0 || target >= kSlotCount)
    return false;
  // A running request job stores into the upper bank itself: one writer at a time.
  if (plug->ThreadRunning())
  {
    say("A transfer is running - nothing copied");
    return false;
  }
  PatchFile* bank = bankOfPane(kUpperPane);
  if (bank == nullptr)
  {
    say("No bank open in the upper pane - nothing copied");
    return false;
  }
  if (record.mMessages.empty())
  {
    say("Source " + slotName(source) + " is empty - nothing copied");
    return false;
  }
  const bool multis = librarian->mPatchType == PatchLibrarian::kPatchTypeMultis;
  if (!holdsWholeDump(record, multis))
  {
    say(multis ? "Not a whole multi - nothing copied" : "Not a whole sound - nothing copied");
    return false;
  }
  {
    // A program change in library control mode copies records out on the MIDI input thread under it.
    WDL_MutexLock lock(plug->GetMutex());
    fillToBankSize(*bank);
    bank->mRecords[static_cast<std::size_t>(target)] = record;
  }
  select(kUpperPane, target);
  activePane = kUpperPane;
  loadPane(kUpperPane);
  plug->SetLibrarianStatusUnsaved(true);
  say(trimmedName(record.mName) + " copied to " + slotName(target));
  return true;
}

void LibrarianViewControl::CopySlotData(int x, int y)
{
  const int hit = slotAt(kLowerPane, x, y);
  select(kLowerPane, hit);
  if (hit >= 0)
    activePane = kLowerPane;
  sourceSlot = hit;
  const LibrarianPatch record = lowerRecord(hit);
  if (hit < 0 || record.mMessages.empty())
  {
    // Nothing to paste afterwards: an earlier copy is not pasted by mistake.
    copiedBank = -1;
    copiedRecord = LibrarianPatch();
    say(hit < 0 ? "No slot to copy here" : "Source " + slotName(hit) + " is empty - nothing copied");
    return;
  }
  copiedBank = librarian != nullptr ? librarian->mLowerBankIndex : -1;
  copiedRecord = record;
  say(trimmedName(record.mName) + " copied");
}

void LibrarianViewControl::PasteSlotData(int x, int y)
{
  SetDirty(false);
  select(kUpperPane, slotAt(kUpperPane, x, y));
  if (selectedUpper >= 0)
    activePane = kUpperPane;
  if (copiedBank < 0)
  {
    say("Nothing to paste - Copy a slot of the lower bank first");
    return;
  }
  if (selectedUpper < 0)
  {
    say("Paste onto a slot of the upper bank - nothing copied");
    return;
  }
  transferRecord(copiedRecord, sourceSlot, selectedUpper);
}

void LibrarianViewControl::renameSlot(int, int)
{
  if (plug == nullptr)
    return;
  plug->mRenameBlocked = false;
  PatchFile* bank = selectedUpper >= 0 ? bankOfPane(kUpperPane) : nullptr;
  if (bank == nullptr)
  {
    plug->mRenameBlocked = true;
    say("Select a slot of the upper bank to rename it");
    return;
  }
  activePane = kUpperPane;
  fillToBankSize(*bank);
  const LibrarianPatch& record = bank->mRecords[static_cast<std::size_t>(selectedUpper)];
  const bool multis = librarian->mPatchType == PatchLibrarian::kPatchTypeMultis;
  if (!holdsWholeDump(record, multis))
  {
    // The name lives in the dump: a slot without a whole one has none to change.
    plug->mRenameBlocked = true;
    say("Empty " + slotName(selectedUpper) + " - nothing to rename");
    return;
  }
  if (IParam* name = plug->GetParam(kPatchRename))
  {
    WDL_MutexLock lock(plug->GetMutex());
    name->SetDisplayText(0, trimmedName(dumpNameText(record.mName)).c_str());
  }
  if (plug->mRenameControl != nullptr)
    plug->mRenameControl->SetDirty(false);
  if (plug->mPatchRenameLayer != nullptr)
    plug->mPatchRenameLayer->Hide(false);
}
