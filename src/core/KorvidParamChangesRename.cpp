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
// What every notice on left-out letters says, whichever field.
constexpr const char* kLeftOutMark = " can't be in a name";
constexpr const char* kLeftOutText = " - left out";
// The names searched cannot hold the letters either: the search goes on without them.
constexpr const char* kLeftOutOfSearchText = " - searched without it";

bool isLeftOutNotice(const std::string& line)
{
  return line.find(kLeftOutMark) != std::string::npos;
}
} // namespace

void Korvid::OnTextEntryRefused(int paramIdx, const char* typed, bool committed)
{
  // Number fields refuse letters as a matter of course; the names' fields are the text parameters.
  const IParam* param = GetParam(paramIdx);
  if (!param || param->Type() != IParam::kTypeText || !typed || (!*typed && !committed))
  {
    return;
  }
  const std::string notice = *typed
                                 ? typed + std::string(kLeftOutMark) +
                                       (paramIdx == kPatchSearchString ? kLeftOutOfSearchText : kLeftOutText)
                                 : std::string();
  if (committed)
  {
    // Only the send this entry's commit started carries its letters, checked under the lock the send's end
    // clears its entry under: the end says them, or the send has ended. An earlier entry's are no longer
    // said.
    std::lock_guard<std::mutex> lock(mDisplayTextLock);
    mLeftOutOfSend = mSendingEntry.exchange(-1) == paramIdx ? notice : std::string();
    if (notice.empty())
    {
      // The entry left nothing out: a notice the line still shows spoke of an earlier one.
      if (isLeftOutNotice(mStatusText))
      {
        mLineShowsDevice = false;
        layOutLocked("", "");
      }
      else if (isLeftOutNotice(mStatusDetail))
      {
        mDeviceDetail.clear();
        layOutLocked(mStatusText, "");
      }
      return;
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
    mSendingEntry = -1;
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
