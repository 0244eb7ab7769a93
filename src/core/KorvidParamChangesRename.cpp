// The rename of a librarian slot: the name entered in the slot view's rename field goes into the record of
// the upper pane's selected slot and into its stored dump.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "KorvidPaneLayers.h"
#include "LibrarianViewControl.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>

using namespace korvid_panes;

namespace
{
constexpr const char* kNoSlotText = "Select a slot to rename!";
constexpr const char* kNoDumpText = "Nothing to rename in this slot!";
constexpr size_t kNameLength = SoundDumpLayout::kNameLength;
static_assert(SoundDumpLayout::kNameLength == MultiDumpLayout::kNameLength, "one name length");
constexpr char kBlank = ' ';
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;

// The 16 name bytes of a dump for an entered text: the text up to its first NUL, each character outside
// printable ASCII (a multi-byte UTF-8 sequence counting as one) as a blank, cut or padded with blanks.
std::string dumpName(const std::string& text)
{
  std::string name;
  for (size_t i = 0; i < text.size() && text[i] != '\0' && name.size() < kNameLength; ++i)
  {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80)
    {
      continue;
    }
    name += c >= kFirstPrintable && c <= kLastPrintable ? static_cast<char>(c) : kBlank;
  }
  name.resize(kNameLength, kBlank);
  return name;
}

// A whole sound or multi dump of the synthesizer as the first stored message: framing, type and length.
bool holdsWholeDump(const LibrarianPatch& record, bool multi)
{
  if (record.mMessages.empty())
  {
    return false;
  }
  const std::vector<unsigned char>& bytes = record.mMessages.front().mData;
  const size_t length =
      static_cast<size_t>(multi ? MultiDumpLayout::kMultiLength : SoundDumpLayout::kDumpLength);
  return bytes.size() >= length && bytes[0] == SysexProtocol::kSysexStart &&
         bytes[SysexProtocol::kManufacturerOffset] == SysexProtocol::kManufacturerId &&
         bytes[SysexProtocol::kModelOffset] == SysexProtocol::kModelId &&
         bytes[SysexProtocol::kTypeOffset] == (multi ? SysexProtocol::kMultiDump : SysexProtocol::kSoundDump);
}

} // namespace

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
      if (!holdsWholeDump(record, multi))
      {
        showStatusText(kNoDumpText);
      }
      else
      {
        const IParam* entered = GetParam(kPatchRename);
        const std::string name = dumpName(entered ? entered->GetDisplayText(0) : "");
        std::vector<unsigned char>& dump = record.mMessages.front().mData;
        const size_t offset = multi ? MultiDumpLayout::kNameOffset : SoundDumpLayout::kNameOffset;
        std::copy(name.begin(), name.end(), dump.begin() + static_cast<std::ptrdiff_t>(offset));
        // A dump of the synthesizer's own length gets its checksum again; other lengths keep their bytes.
        if (dump.size() ==
                static_cast<size_t>(multi ? MultiDumpLayout::kMultiLength : SoundDumpLayout::kDumpLength) &&
            dump.back() == SysexProtocol::kSysexEnd)
        {
          SysexProtocol::writeChecksum(dump.data(), static_cast<int>(dump.size()));
        }
        record.mName = name;
        markUpperBankRenamed(multi);
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
