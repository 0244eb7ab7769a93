// The rename of a librarian slot: the name entered in the slot view's rename field goes into the record of
// the upper pane's selected slot and into its stored dump. And the word on letters a name field leaves out.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "KorvidPaneLayers.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <string>

using namespace korvid_panes;

namespace
{
constexpr const char* kNoSlotText = "Select a slot to rename!";
constexpr const char* kNoDumpText = "Nothing to rename in this slot!";
constexpr const char* kLeftOutText = " can't be in a name - left out";
// The names searched cannot hold the letters either: the search goes on without them.
constexpr const char* kLeftOutOfSearchText = " can't be in a name - searched without it";
} // namespace

void Korvid::OnTextEntryRefused(int paramIdx, const char* typed, bool committed)
{
  // Number fields refuse letters as a matter of course; the names' fields are the text parameters.
  const IParam* param = GetParam(paramIdx);
  if (!param || param->Type() != IParam::kTypeText || !typed)
  {
    return;
  }
  const std::string notice =
      typed + std::string(paramIdx == kPatchSearchString ? kLeftOutOfSearchText : kLeftOutText);
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (committed && manager)
  {
    // Checked under the lock the send's end clears the flag under: the end says the letters, or the flag
    // is already clear.
    std::lock_guard<std::mutex> lock(mDisplayTextLock);
    if (manager->sendRunning.load())
    {
      mLeftOutOfSend = notice;
    }
  }
  if (committed && getStatusText() != notice)
  {
    // The commit said what it did (a slot renamed, a search too short): the letters go below it.
    showStatusDetail(notice.c_str());
  }
  else
  {
    showStatusText(notice.c_str());
  }
}

void Korvid::endOfSend(MIDIMessageManager& manager)
{
  std::string leftOut;
  {
    std::lock_guard<std::mutex> lock(mDisplayTextLock);
    leftOut.swap(mLeftOutOfSend);
    manager.sendRunning = false;
    if (leftOut == mStatusText || leftOut == mStatusDetail)
    {
      return;
    }
  }
  if (!leftOut.empty())
  {
    showStatusDetail(leftOut.c_str());
  }
}

void Korvid::renameSelectedSlot()
{
  if (mRenameBlocked)
  {
    return;
  }
  if (PatchFile* bank =
          LibrarianViewControl::bankOfPane(mPatchLibrarian, LibrarianViewControl::kUpperPane, false, false))
  {
    const bool multi = mPatchLibrarian->mPatchType == PatchLibrarian::kPatchTypeMultis;
    const int slot = mLibrarianView ? mLibrarianView->selectedUpper : -1;
    if (slot < 0 || slot >= PatchFile::kBankSize)
    {
      showStatusText(kNoSlotText);
    }
    else
    {
      bank->mRecords.resize(PatchFile::kBankSize);
      LibrarianPatch& record = bank->mRecords[static_cast<size_t>(slot)];
      if (!LibrarianViewControl::holdsWholeDump(record, multi))
      {
        showStatusText(kNoDumpText);
      }
      else
      {
        const IParam* entered = GetParam(kPatchRename);
        // 16 characters, each outside printable ASCII a blank, as the dump holds them.
        const std::string name =
            LibrarianViewControl::dumpNameText(entered ? entered->GetDisplayText(0) : "");
        std::vector<unsigned char>& dump = record.mMessages.front().mData;
        const size_t offset = multi ? MultiDumpLayout::kNameOffset : SoundDumpLayout::kNameOffset;
        std::copy(name.begin(), name.end(), dump.begin() + static_cast<std::ptrdiff_t>(offset));
        SysexProtocol::writeChecksum(dump.data(), static_cast<int>(dump.size()));
        record.mName = name;
        markUpperBankRenamed(multi);
        const size_t end = name.find_last_not_of(' ');
        showStatusText(("Slot " + LibrarianViewControl::slotNumberText(slot) + " renamed to " +
                        name.substr(0, end == std::string::npos ? 0 : end + 1))
                           .c_str());
      }
    }
  }
  showLayer(mPatchRenameLayer, false);
  mRenameBlocked = true;
}

void Korvid::markUpperBankRenamed(bool multi)
{
  // The bank now differs from its file: its pane keeps it until it is saved or the edits are discarded.
  showLayer(mMenuLayers[multi ? kUpperMultiMenu : kUpperSoundMenu], false);
  showLayer(mDiscardChangesLayerRight, true);
  showLayer(mKeepBankOpenLayer, false);
  grayOut(mDatatypeControl, true);
  if (IParam* unsaved = GetParam(kBankEditUnsaved))
  {
    unsaved->Set(1.0);
  }
  updatePatchLibrarianView(0);
}
