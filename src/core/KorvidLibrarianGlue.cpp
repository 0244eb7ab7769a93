// The plug-in's librarian glue: slot view reloads, the selector layers and one library record sent to a part.
#include "Korvid.h"

#include "BankNumberPopupMenu.h"
#include "ControlLayer.h"
#include "EditorLock.h"
#include "FileCopyPopupMenu.h"
#include "FileEditPopupMenu.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "ProgramNumberPopupMenu.h"

#include <memory>
#include <string>

namespace
{
// Rows of Korvid::mMenuLayers (the librarian menu table) of the three selector layers.
constexpr size_t kBankNumberMenu = 7;
constexpr size_t kPerfBankNameMenu = 9;
constexpr size_t kProgBankNameMenu = 10;

constexpr int kLastSlot = PatchFile::kBankSize - 1;

int intValue(Korvid& plug, int paramIdx)
{
  const IParam* param = plug.GetParam(paramIdx);
  return param ? param->Int() : 0;
}

void hide(ControlLayer* layer, bool hidden)
{
  if (layer)
  {
    layer->Hide(hidden);
  }
}
} // namespace

void Korvid::updatePatchLibrarianView(int which)
{
  LibrarianViewControl* view = mLibrarianView;
  if (!view || which < 0 || which > 2)
  {
    return;
  }
  view->Redraw();
  if (which != 1)
  {
    view->patchSelectionUpperChanged();
  }
  if (which != 0)
  {
    view->patchSelectionLowerChanged();
  }
}

void Korvid::updateBankAndProgramMenuNames(bool keepBankMenu)
{
  for (size_t row : {kBankNumberMenu, kPerfBankNameMenu, kProgBankNameMenu})
  {
    hide(mMenuLayers[row], true);
  }
  const bool multi = mMultiMode.load();
  const int part = mCurrentPart.load();
  const int bank = multi ? intValue(*this, kMultiBank) : intValue(*this, kMultiPartBank + part);
  int program = multi ? intValue(*this, kMultiPatch) : intValue(*this, kMultiPartPatch + part);
  const bool libraryControl = intValue(*this, kControlLibrary) == 1;
  if (libraryControl)
  {
    // The program selects a slot of the upper pane: never one outside the bank.
    program = program < 0 ? 0 : (program > kLastSlot ? kLastSlot : program);
    hide(mMenuLayers[multi ? kPerfBankNameMenu : kProgBankNameMenu], false);
    selectLibrarianSlot(LibrarianViewControl::kUpperPane, program);
  }
  if (mProgramNumberPopupMenu)
  {
    mProgramNumberPopupMenu->refreshPatchNames(mPatchLibrarian, this, program);
  }
  if (mBankNumberPopupMenu && !(libraryControl && keepBankMenu))
  {
    mBankNumberPopupMenu->refreshPatchNames(mPatchLibrarian, this, bank);
  }
  if (!libraryControl)
  {
    hide(mMenuLayers[kBankNumberMenu], false);
  }
}

void Korvid::selectLibrarianSlot(int pane, int slot)
{
  LibrarianViewControl* view = mLibrarianView;
  PatchLibrarian* librarian = mPatchLibrarian;
  const auto select = [view, librarian, pane, slot]()
  {
    LibrarianViewControl::selectSlot(view, librarian, pane, slot);
    if (view && slot >= 0 && slot < LibrarianViewControl::kSlotCount)
    {
      view->cursorSlot = slot;
    }
  };
  if (view)
  {
    EditorLock::Get().RunOrDefer(view, select);
  }
  else
  {
    select();
  }
}

bool Korvid::sendPatchToDeviceFromLibrarian(int slot, int pane, int part)
{
  if (part < 0 || part >= kPartCount)
  {
    showStatusText("No such part - nothing sent");
    return false;
  }
  const IParam* lock = GetParam(kPartLock + part);
  if (lock && lock->Value() == 1.0)
  {
    showStatusText(("Part " + std::to_string(part + 1) + " is locked - nothing sent").c_str());
    return false;
  }
  const bool slotExists = slot >= 0 && slot <= kLastSlot;
  const int shownPane = pane == LibrarianViewControl::kUpperPane ? pane : LibrarianViewControl::kLowerPane;
  std::shared_ptr<LibrarianPatch> record;
  bool bankOpen = false;
  {
    // Rescans and list switches delete and replace the banks under the plug mutex; a program change
    // reaches here on the MIDI input thread. The job gets its own copy for the same reason.
    WDL_MutexLock guard(GetMutex());
    const PatchFile* bank =
        LibrarianViewControl::bankOfPane(mPatchLibrarian, shownPane, mCategoryList, mSearchList);
    const auto index = static_cast<size_t>(slot);
    bankOpen = bank != nullptr;
    if (bank && slotExists && index < bank->mRecords.size() && !bank->mRecords[index].mMessages.empty())
    {
      record = std::make_shared<LibrarianPatch>(bank->mRecords[index]);
    }
  }
  if (!bankOpen)
  {
    showStatusText("No bank open - nothing sent");
    return false;
  }
  if (!slotExists)
  {
    showStatusText("No such slot - nothing sent");
    return false;
  }
  if (!record)
  {
    showStatusText(
        ("Slot " + LibrarianViewControl::slotNumberText(slot) + " is empty - nothing sent").c_str());
    return false;
  }
  if (LibrarianViewControl* view = mLibrarianView)
  {
    EditorLock::Get().RunOrDefer(view, [view, slot]() { view->cursorSlot = slot; });
  }
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!mOutputPresent.load() || !manager)
  {
    sayNoOutput();
    return false;
  }
  if (!manager->storeToMemory.load())
  {
    AllSoundsOff(part, false);
  }
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobSendLibraryPatch;
  args.record = std::move(record);
  args.part = part;
  args.slotIndex = slot;
  // Only an admitted send ends the library requests and expects its dump: set for a send that never
  // happens, dump-expected would drop every later edit from the synthesizer's knobs, and a running job
  // would lose its own request.
  if (!manager->post(args,
                     [this, manager]()
                     {
                       SetLibrarianRequestActive(false);
                       manager->sendRunning = true;
                     }))
  {
    showStatusText(MIDIMessageSender::kTextBusyNothingSent);
    return false;
  }
  return true;
}

void Korvid::showFileEditMenu(int x, int y)
{
  auto menu = std::make_shared<FileEditPopupMenu>(this, mPatchLibrarian, IRECT(x, y, x, y), this);
  mFileEditMenu = menu;
  menu->doPopupMenu(this, x, y);
}

void Korvid::showFileCopyMenu(int x, int y)
{
  auto menu = std::make_shared<FileCopyPopupMenu>(this, mPatchLibrarian, IRECT(x, y, x, y), this);
  mFileCopyMenu = menu;
  menu->doPopupMenu(this, x, y);
}
