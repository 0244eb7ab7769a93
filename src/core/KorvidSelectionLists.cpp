// The bank selection lists: display names of bank files, the start-up lists and their rebuild by list kind.
#include "Korvid.h"

#include "ControlAction.h"
#include "IControl.h"
#include "IPlugStructs.h"
#include "LeftPatchPopupMenu.h"
#include "LeftPerfPopupMenu.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PerfBankNamePopupMenu.h"
#include "ProgBankNamePopupMenu.h"
#include "RightCategoryPopupMenu.h"
#include "RightPatchPopupMenu.h"
#include "RightPerfPopupMenu.h"
#include "RightSearchPopupMenu.h"

namespace
{
// List kinds of patchTypeChanged.
constexpr int kKindSounds = 0;
constexpr int kKindCategories = 1;
constexpr int kKindMultis = 2;
constexpr int kKindSearch = 4;
// The highest bank number a part remembers for the upper pane.
constexpr double kRememberedBankLimit = 9999.0;

void clearList(IParam* param)
{
  if (param)
  {
    param->ResetDisplayTexts();
    param->SetBounded(0.0);
  }
}

void setText(IParam* param, int value, const std::string& text)
{
  if (param)
  {
    param->SetDisplayText(value, text.c_str());
  }
}
} // namespace

std::string Korvid::shortenedBankName(const std::string& fileName, int& counter, std::string& previousPrefix)
{
  if (fileName.size() <= kMaxShownNameLength)
  {
    return fileName;
  }
  const std::string prefix = fileName.substr(0, shortenedPrefixLength(fileName));
  counter = prefix == previousPrefix ? counter + 1 : 1;
  previousPrefix = prefix;
  const size_t dot = fileName.rfind('.');
  std::string extension = dot == std::string::npos ? fileName : fileName.substr(dot + 1);
  for (char& c : extension)
  {
    if (c >= 'A' && c <= 'Z')
    {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  std::string shown = prefix + "~" + std::to_string(counter) + "." + extension;
  // A long extension or a counter of four digits would pass the display-text limit: keep the numbered
  // start, cut the extension.
  shown.resize(CharacterCut(shown.data(), shown.size(), static_cast<size_t>(IParam::kMaxDisplayLen)));
  return shown;
}

size_t Korvid::shortenedPrefixLength(const std::string& fileName)
{
  return CharacterCut(fileName.data(), fileName.size(), kShortenedPrefixLength);
}

std::string Korvid::bankDisplayName(const std::string& fileName, int& counter,
                                    std::string& previousPrefix) const
{
  const std::string shown = shortenedBankName(fileName, counter, previousPrefix);
  if (shown != fileName)
  {
    log("PATCH LIBRARIAN: Filename " + fileName + " RENAMED TO " + shown +
        " Because the filename was too long to fit in plug-in display!");
  }
  return shown;
}

void Korvid::fillStartupList(int paramIdx, const char* name, SelectionName& pair)
{
  IParam* param = GetParam(paramIdx);
  const std::vector<PatchFile*>& banks = mPatchLibrarian->mSoundBanks;
  // Texts the UI description may have given would outlive a shorter list.
  param->ResetDisplayTexts();
  param->InitEnum(name, 0, static_cast<int>(banks.size()), "", "", -1, -1);
  int counter = 0;
  std::string previousPrefix;
  for (size_t i = 0; i < banks.size(); ++i)
  {
    const std::string shown = bankDisplayName(banks[i]->mFileName, counter, previousPrefix);
    param->SetDisplayText(static_cast<int>(i), shown.c_str());
  }
  pair.displayName = param->GetDisplayText(0);
  const int selected = param->Int();
  if (selected >= 0 && selected < static_cast<int>(banks.size()))
  {
    pair.title = banks[static_cast<size_t>(selected)]->mFolderName;
  }
}

void Korvid::buildSelectionLists()
{
  fillStartupList(kPatchSelectionListUpper, "Bank Selection List 1", mUpperSoundPair);
  mUpperListControl = firstControl(kPatchSelectionListUpper, "kPatchSelectionListUpper");
  fillStartupList(kPatchSelectionListLower, "Bank Selection List 2", mLowerSoundPair);
  mLowerListControl = firstControl(kPatchSelectionListLower, "kPatchSelectionListLower");
  // The upper bank remembered per part: a bank number, whatever the size of today's list (it is held to the
  // list where it is used), saved with the state in a range that does not change with the library.
  for (int part = 0; part < kPartCount; ++part)
  {
    const std::string name = "Current Patch Bank " + std::to_string(part + 1);
    GetParam(kCurrentPatchBank + part)->InitDouble(name.c_str(), 0.0, 0.0, kRememberedBankLimit, 1.0);
  }
}

void Korvid::patchTypeChanged(int multiFlag, int kind, bool reload)
{
  if (!mPatchLibrarian)
  {
    return;
  }
  if (reload)
  {
    mPatchLibrarian->initBankFilesOnDiscard(getPatchesFolderStr());
    // Search results are made from the banks read, not read themselves: the search runs again.
    if (kind == kKindSearch)
    {
      mPatchLibrarian->createNewSearchPatchFiles(mSearchedText);
    }
  }
  mPatchLibrarian->mPatchType = multiFlag;
  // The selections start again at the first slot, highlight and all; category and search lists leave the
  // upper pane's bank, and so its selection, as they are.
  if (kind != kKindCategories && kind != kKindSearch)
  {
    selectLibrarianSlot(LibrarianViewControl::kUpperPane, 0);
  }
  selectLibrarianSlot(LibrarianViewControl::kLowerPane, 0);
  if (mLibrarianView)
  {
    mLibrarianView->patchSelectionUpperChanged();
    mLibrarianView->patchSelectionLowerChanged();
  }
  const std::vector<PatchFile*>* banks = nullptr;
  switch (kind)
  {
  case kKindSounds:
    banks = &mPatchLibrarian->mSoundBanks;
    break;
  case kKindCategories:
    banks = &mPatchLibrarian->mCategoryBanks;
    break;
  case kKindMultis:
    banks = &mPatchLibrarian->mMultiBanks;
    break;
  case kKindSearch:
    banks = &mPatchLibrarian->mSearchBanks;
    break;
  default:
    return;
  }
  const bool upperList = kind == kKindSounds || kind == kKindMultis;
  if (upperList)
  {
    clearList(GetParam(kPatchSelectionListUpper));
  }
  clearList(GetParam(kPatchSelectionListLower));
  for (int part = 0; part < kPartCount; ++part)
  {
    if (kind == kKindSounds)
    {
      clearList(GetParam(kCurrentOpenPatchBankL + part));
      clearList(GetParam(kCurrentOpenPatchBankR + part));
    }
    else if (kind == kKindCategories || kind == kKindSearch)
    {
      clearList(GetParam(kCurrentOpenPatchBankR + part));
    }
  }
  clearList(GetParam(kCurrentOpenPerfBankL));
  clearList(GetParam(kCurrentOpenPerfBankR));
  // Category and search banks fill the lower pane only: the upper pane and its control keep their bank.
  if (upperList && mUpperListControl)
  {
    mUpperListControl->SetValueFromUserInput(0.0);
  }
  // Back from categories or search results, the lower pane opens the sound bank it showed before: the
  // control's reset would have its pair name the first one.
  const SelectionName lowerSounds = mLowerSoundPair;
  if (mLowerListControl)
  {
    mLowerListControl->SetValueFromUserInput(0.0);
  }
  if (kind == kKindSounds && (mLowerListKind == kKindCategories || mLowerListKind == kKindSearch))
  {
    mLowerSoundPair = lowerSounds;
  }
  // The panes open the first bank of their new lists, as their labels now say, whether or not the controls'
  // edits ran (a control already at 0 reports nothing); the menus then go back to the banks of the pairs.
  // An upper bank with unsaved edits stays open.
  if (upperList && !hasUnsavedBankEdits())
  {
    mPatchLibrarian->mUpperBankIndex = 0;
  }
  mPatchLibrarian->mLowerBankIndex = 0;
  mLowerListKind = kind;

  int counter = 0;
  std::string previousPrefix;
  for (size_t i = 0; i < banks->size(); ++i)
  {
    const int value = static_cast<int>(i);
    const std::string shown = bankDisplayName((*banks)[i]->mFileName, counter, previousPrefix);
    if (upperList)
    {
      setText(GetParam(kPatchSelectionListUpper), value, shown);
    }
    setText(GetParam(kPatchSelectionListLower), value, shown);
    if (kind == kKindMultis)
    {
      setText(GetParam(kCurrentOpenPerfBankL), value, shown);
      setText(GetParam(kCurrentOpenPerfBankR), value, shown);
    }
    for (int part = 0; part < kPartCount; ++part)
    {
      if (kind == kKindSounds)
      {
        setText(GetParam(kCurrentOpenPatchBankL + part), value, shown);
      }
      if (kind != kKindMultis)
      {
        setText(GetParam(kCurrentOpenPatchBankR + part), value, shown);
      }
    }
  }
  refreshPopUpMenus();
}

void Korvid::refreshPopUpMenus()
{
  PatchLibrarian* librarian = mPatchLibrarian;
  // A bank-name menu's rebuild opens the bank it is given in the upper pane: it is given the upper pane's
  // own, whichever pane holds the selection.
  if (mMultiMode)
  {
    if (mLeftPerfPopupMenu)
    {
      mLeftPerfPopupMenu->refreshFolderStructure(librarian, this, 0, mUpperMultiPair.displayName,
                                                 mUpperMultiPair.title);
    }
    if (mRightPerfPopupMenu)
    {
      mRightPerfPopupMenu->refreshFolderStructure(librarian, this, 0, mLowerMultiPair.displayName,
                                                  mLowerMultiPair.title);
    }
    if (mPerfBankNamePopupMenu)
    {
      mPerfBankNamePopupMenu->refreshPatchNames(librarian, this, 0, mUpperMultiPair.displayName,
                                                mUpperMultiPair.title);
    }
  }
  else
  {
    if (mLeftPatchPopupMenu)
    {
      mLeftPatchPopupMenu->refreshFolderStructure(librarian, this, 0, mUpperSoundPair.displayName,
                                                  mUpperSoundPair.title);
    }
    if (mCategoryList)
    {
      if (mRightCategoryPopupMenu)
      {
        mRightCategoryPopupMenu->refreshFolderStructure(librarian, this, 0, mLowerListPair.displayName,
                                                        mLowerListPair.title);
      }
    }
    else if (mSearchList)
    {
      if (mRightSearchPopupMenu)
      {
        mRightSearchPopupMenu->refreshFolderStructure(librarian, this, 0, mLowerListPair.displayName,
                                                      mLowerListPair.title);
      }
    }
    else if (mRightPatchPopupMenu)
    {
      mRightPatchPopupMenu->refreshFolderStructure(librarian, this, 0, mLowerSoundPair.displayName,
                                                   mLowerSoundPair.title);
    }
    if (mProgBankNamePopupMenu)
    {
      mProgBankNamePopupMenu->refreshPatchNames(librarian, this, 0, mUpperSoundPair.displayName,
                                                mUpperSoundPair.title);
    }
  }
  if (mLibrarianView)
  {
    mLibrarianView->Redraw();
    mLibrarianView->patchSelectionUpperChanged();
    mLibrarianView->patchSelectionLowerChanged();
  }
}
