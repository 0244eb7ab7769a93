// The librarian cases of the change handler: a part's bank selection, the bank step buttons, the list kind,
// the folder rescan and the discarding of unsaved bank edits.
#include "Korvid.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "KorvidPaneLayers.h"
#include "LeftPatchPopupMenu.h"
#include "LeftPerfPopupMenu.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "RightCategoryPopupMenu.h"
#include "RightPatchPopupMenu.h"
#include "RightPerfPopupMenu.h"
#include "RightSearchPopupMenu.h"

#include <algorithm>

using namespace korvid_panes;

namespace
{
constexpr const char* kSaveOrDiscardText = "Save bank or Discard changes!";
constexpr const char* kRescannedText = "Folders rescanned";

// Stores a value directly, bounded to the parameter's range; no control moves.
void storeBounded(IParam* param, int value)
{
  if (param)
  {
    param->SetBounded(value);
  }
}

// kBankEditUnsaved is 1: the upper bank holds edits not saved to its file.
bool unsavedBankEdits(Korvid& plug)
{
  const IParam* unsaved = plug.GetParam(kBankEditUnsaved);
  return unsaved && unsaved->Value() == 1.0;
}

// Rebuilds a pane's browser menu (any of the six kinds) ticking the bank of pair.
template <class Menu>
void refreshMenu(Menu* menu, PatchLibrarian* librarian, Korvid* plug, int bank,
                 const Korvid::SelectionName& pair)
{
  if (menu)
  {
    menu->refreshFolderStructure(librarian, plug, bank, pair.displayName, pair.title);
  }
}
} // namespace

const std::vector<PatchFile*>* Korvid::banksOfPane(bool upper) const
{
  // As the slot view picks the bank it shows.
  const PatchLibrarian* librarian = mPatchLibrarian;
  if (!librarian)
  {
    return nullptr;
  }
  if (!upper && mCategoryList)
  {
    return &librarian->mCategoryBanks;
  }
  if (!upper && mSearchList)
  {
    return &librarian->mSearchBanks;
  }
  if (librarian->mPatchType == PatchLibrarian::kPatchTypeSounds)
  {
    return &librarian->mSoundBanks;
  }
  return librarian->mPatchType == PatchLibrarian::kPatchTypeMultis ? &librarian->mMultiBanks : nullptr;
}

void Korvid::sayShownBank(bool upper)
{
  const std::vector<PatchFile*>* banks = banksOfPane(upper);
  if (!banks)
  {
    return;
  }
  const int index = upper ? mPatchLibrarian->mUpperBankIndex : mPatchLibrarian->mLowerBankIndex;
  if (index >= 0 && index < static_cast<int>(banks->size()) && (*banks)[static_cast<size_t>(index)])
  {
    showStatusText((*banks)[static_cast<size_t>(index)]->mFileName.c_str());
  }
}

void Korvid::selectUpperBank(int bank)
{
  // The bank being edited stays open until it is saved or its edits are discarded.
  if (unsavedBankEdits(*this))
  {
    log("PATCH LIBRARIAN: the upper bank holds unsaved edits and stays open");
    return;
  }
  const int part = mCurrentPart;
  // A remembered bank number may lie beyond a list that a rescan shortened: it is held to the list.
  const std::vector<PatchFile*>* banks = mPatchLibrarian ? &mPatchLibrarian->mSoundBanks : nullptr;
  const int count = banks ? static_cast<int>(banks->size()) : 0;
  if (count > 0)
  {
    bank = std::clamp(bank, 0, count - 1);
  }
  storeBounded(GetParam(kCurrentPatchBank + part), bank);
  // The upper pane lists multis in multi mode: a sound bank number does not name one of them.
  if (count == 0 || mMultiMode)
  {
    return;
  }
  openPaneBank(LibrarianViewControl::kUpperPane, bank, *banks);
  refreshMenu(mLeftPatchPopupMenu, mPatchLibrarian, this, bank, mUpperSoundPair);
  updatePatchLibrarianView(0);
}

void Korvid::stepBank(int paramIdx)
{
  const bool upper = paramIdx == kLibUpperPreviousBank || paramIdx == kLibUpperNextBank;
  const bool next = paramIdx == kLibUpperNextBank || paramIdx == kLibLowerNextBank;
  // The upper pane holds the bank being edited.
  if (upper && unsavedBankEdits(*this))
  {
    showStatusText(kSaveOrDiscardText);
    return;
  }
  const std::vector<PatchFile*>* banks = banksOfPane(upper);
  if (!banks || banks->empty())
  {
    return;
  }
  const int count = static_cast<int>(banks->size());
  IParam* list = GetParam(upper ? kPatchSelectionListUpper : kPatchSelectionListLower);
  const int current = list ? list->Int() : 0;
  int chosen = 0;
  if (next)
  {
    chosen = current < 0 || current + 1 >= count ? 0 : current + 1;
  }
  else
  {
    chosen = current < 1 ? count - 1 : std::min(current - 1, count - 1);
  }
  openPaneBank(upper ? LibrarianViewControl::kUpperPane : LibrarianViewControl::kLowerPane, chosen, *banks);
  PatchLibrarian* librarian = mPatchLibrarian;
  const SelectionName& pair = panePair(upper);
  if (upper)
  {
    if (mMultiMode)
    {
      refreshMenu(mLeftPerfPopupMenu, librarian, this, chosen, pair);
    }
    else
    {
      refreshMenu(mLeftPatchPopupMenu, librarian, this, chosen, pair);
    }
    updatePatchLibrarianView(0);
    updateBankAndProgramMenuNames(false);
    return;
  }
  if (mMultiMode)
  {
    refreshMenu(mRightPerfPopupMenu, librarian, this, chosen, pair);
  }
  else if (mCategoryList)
  {
    refreshMenu(mRightCategoryPopupMenu, librarian, this, chosen, pair);
  }
  else if (mSearchList)
  {
    refreshMenu(mRightSearchPopupMenu, librarian, this, chosen, pair);
    sayShownBank(false);
  }
  else
  {
    refreshMenu(mRightPatchPopupMenu, librarian, this, chosen, pair);
  }
  updatePatchLibrarianView(1);
}

void Korvid::changeListKind(int intValue)
{
  for (size_t row :
       {kUpperMultiMenu, kLowerMultiMenu, kUpperSoundMenu, kLowerSoundMenu, kCategoryMenu, kSearchMenu})
  {
    showLayer(mMenuLayers[row], false);
  }
  showLayer(mCategoryLimitLayer, false);
  grayOut(mPatchSearchControl, true);
  const bool multis = intValue == 1;
  mMultiMode = multis;
  if (mPatchLibrarian)
  {
    mPatchLibrarian->mMultiMode = multis;
  }
  if (multis)
  {
    patchTypeChanged(1, kMultiList, false);
    showLayer(mMenuLayers[kUpperMultiMenu], true);
    showLayer(mMenuLayers[kLowerMultiMenu], true);
  }
  else
  {
    showLayer(mMenuLayers[kUpperSoundMenu], true);
    if (mCategoryList)
    {
      patchTypeChanged(0, kCategoryList, false);
      showLayer(mMenuLayers[kCategoryMenu], true);
    }
    else
    {
      grayOut(mPatchSearchControl, false);
      patchTypeChanged(0, mSearchList ? kSearchList : kSoundList, false);
      showLayer(mMenuLayers[mSearchList ? kSearchMenu : kLowerSoundMenu], true);
    }
    showLayer(mCategoryLimitLayer, true);
  }
  const bool busyShown = setBusyIndicatorShown(true);
  // The main menu's wording, the bank and program selectors and the page follow the new kind at once.
  if (mBankEditPopupMenu)
  {
    mBankEditPopupMenu->AddMenuItemsIn(this);
  }
  updateBankAndProgramMenuNames(true);
  OnParamChange(kMainTab);
  if (busyShown)
  {
    setBusyIndicatorShown(false);
  }
}

void Korvid::refreshFolders()
{
  // A rescan reads every bank again from disk: unsaved edits would be lost.
  if (unsavedBankEdits(*this))
  {
    showStatusText(kSaveOrDiscardText);
    log("PATCH LIBRARIAN: folder refresh refused, the bank holds unsaved edits");
    return;
  }
  if (mMultiMode)
  {
    patchTypeChanged(1, kMultiList, true);
  }
  else
  {
    patchTypeChanged(0, mCategoryList ? kCategoryList : (mSearchList ? kSearchList : kSoundList), true);
  }
  showStatusText(kRescannedText);
}

void Korvid::rescanFolders(BankEditsAnswer settled)
{
  WDL_MutexLock lock(GetMutex());
  const std::string saved = getStatusText();
  refreshFolders();
  if (settled == BankEditsAnswer::kSaved && !hasUnsavedBankEdits())
  {
    showStatusLines(saved, kRescannedText);
  }
}

void Korvid::discardBankEdits(int intValue)
{
  if (intValue != 1)
  {
    return;
  }
  // A running transfer owns the overlay and the worker-busy and ignore-incoming flags: hiding it would
  // clear them while the job still runs.
  const bool overlayShown = !transferOwnsOverlay();
  if (overlayShown)
  {
    DisplayProcessingIndicator(true);
  }
  showLayer(mDiscardChangesLayerRight, false);
  showLayer(mKeepBankOpenLayer, true);
  grayOut(mDatatypeControl, false);
  showLayer(mPatchRenameLayer, false);
  if (IParam* unsaved = GetParam(kBankEditUnsaved))
  {
    unsaved->Set(0.0);
  }
  showLayer(mMenuLayers[mMultiMode ? kUpperMultiMenu : kUpperSoundMenu], true);
  // The panes' pairs name their banks: the library read again opens them again.
  refreshFolders();
  showStatusText(kDiscardedText);
  if (overlayShown)
  {
    DisplayProcessingIndicator(false);
  }
}
