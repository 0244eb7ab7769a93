// The librarian cases of the change handler: a part's bank selection, the bank step buttons, the list kind,
// the folder rescan and the discarding of unsaved bank edits.
#include "Korvid.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IControl.h"
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

namespace
{
constexpr const char* kSaveOrDiscardText = "Save bank or Discard changes!";

// Rows of Korvid::mMenuLayers.
constexpr size_t kUpperSoundMenu = 0;
constexpr size_t kLowerSoundMenu = 1;
constexpr size_t kUpperMultiMenu = 2;
constexpr size_t kLowerMultiMenu = 3;
constexpr size_t kCategoryMenu = 5;
constexpr size_t kSearchMenu = 8;

// patchTypeChanged's list kinds.
constexpr int kSoundList = 0;
constexpr int kCategoryList = 1;
constexpr int kMultiList = 2;
constexpr int kSearchList = 4;

void showLayer(ControlLayer* layer, bool show)
{
  if (layer)
  {
    layer->Hide(!show);
  }
}

void grayOut(IControl* control, bool gray)
{
  if (control)
  {
    control->GrayOut(gray);
  }
}

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

// The pair the browser menus tick for a bank: its file name and its folder.
Korvid::SelectionName pairOf(const PatchFile* bank)
{
  return {bank->mFileName, bank->mFolderName};
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

void Korvid::selectUpperBank(int bank)
{
  const int part = mCurrentPart;
  // A remembered bank number may lie beyond a list that a rescan shortened: it is held to the list.
  const std::vector<PatchFile*>* banks = mPatchLibrarian ? &mPatchLibrarian->mSoundBanks : nullptr;
  const int count = banks ? static_cast<int>(banks->size()) : 0;
  if (count > 0)
  {
    bank = std::clamp(bank, 0, count - 1);
  }
  IParam* list = GetParam(kPatchSelectionListUpper);
  storeBounded(list, bank);
  storeBounded(GetParam(kCurrentPatchBank + part), bank);
  if (mUpperListControl && list)
  {
    mUpperListControl->SetValueFromPlug(list->GetNormalized(bank));
  }
  // The upper pane lists multis in multi mode: a sound bank number does not name one of them.
  if (count == 0 || mMultiMode)
  {
    return;
  }
  mPatchLibrarian->mUpperBankIndex = bank;
  mUpperSoundPair = pairOf((*banks)[static_cast<size_t>(bank)]);
  if (mLeftPatchPopupMenu)
  {
    mLeftPatchPopupMenu->refreshFolderStructure(mPatchLibrarian, this, bank, mUpperSoundPair.displayName,
                                                mUpperSoundPair.title);
  }
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
  storeBounded(list, chosen);
  if (IControl* control = upper ? mUpperListControl : mLowerListControl; control && list)
  {
    control->SetValueFromPlug(list->GetNormalized(chosen));
  }
  const PatchFile* bank = (*banks)[static_cast<size_t>(chosen)];
  const int part = mCurrentPart;
  PatchLibrarian* librarian = mPatchLibrarian;
  if (upper)
  {
    librarian->mUpperBankIndex = chosen;
    if (mMultiMode)
    {
      storeBounded(GetParam(kCurrentOpenPerfBankL), chosen);
      mUpperMultiPair = pairOf(bank);
      if (mLeftPerfPopupMenu)
      {
        mLeftPerfPopupMenu->refreshFolderStructure(librarian, this, chosen, mUpperMultiPair.displayName,
                                                   mUpperMultiPair.title);
      }
    }
    else
    {
      storeBounded(GetParam(kCurrentOpenPatchBankL + part), chosen);
      mUpperSoundPair = pairOf(bank);
      if (mLeftPatchPopupMenu)
      {
        mLeftPatchPopupMenu->refreshFolderStructure(librarian, this, chosen, mUpperSoundPair.displayName,
                                                    mUpperSoundPair.title);
      }
    }
    updatePatchLibrarianView(0);
    updateBankAndProgramMenuNames(false);
    return;
  }
  librarian->mLowerBankIndex = chosen;
  if (mMultiMode)
  {
    storeBounded(GetParam(kCurrentOpenPerfBankR), chosen);
    mLowerMultiPair = pairOf(bank);
    if (mRightPerfPopupMenu)
    {
      mRightPerfPopupMenu->refreshFolderStructure(librarian, this, chosen, mLowerMultiPair.displayName,
                                                  mLowerMultiPair.title);
    }
  }
  else
  {
    storeBounded(GetParam(kCurrentOpenPatchBankR + part), chosen);
    mLowerSoundPair = pairOf(bank);
    const SelectionName& pair = mLowerSoundPair;
    if (mCategoryList && mRightCategoryPopupMenu)
    {
      mRightCategoryPopupMenu->refreshFolderStructure(librarian, this, chosen, pair.displayName, pair.title);
    }
    else if (!mCategoryList && mSearchList && mRightSearchPopupMenu)
    {
      mRightSearchPopupMenu->refreshFolderStructure(librarian, this, chosen, pair.displayName, pair.title);
    }
    else if (!mCategoryList && !mSearchList && mRightPatchPopupMenu)
    {
      mRightPatchPopupMenu->refreshFolderStructure(librarian, this, chosen, pair.displayName, pair.title);
    }
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
}

void Korvid::discardBankEdits(int intValue)
{
  if (intValue != 1)
  {
    return;
  }
  DisplayProcessingIndicator(true);
  showLayer(mDiscardChangesLayerRight, false);
  showLayer(mKeepBankOpenLayer, true);
  grayOut(mDatatypeControl, false);
  showLayer(mPatchRenameLayer, false);
  if (IParam* unsaved = GetParam(kBankEditUnsaved))
  {
    unsaved->Set(0.0);
  }
  showLayer(mMenuLayers[mMultiMode ? kUpperMultiMenu : kUpperSoundMenu], true);
  updateSelectionNames();
  OnParamChange(kRefreshFolders);
  DisplayProcessingIndicator(false);
}
