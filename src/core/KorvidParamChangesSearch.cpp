// The librarian's lower pane modes in the change handler: the search by name and the category banks.
#include "Korvid.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "KorvidPaneLayers.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "RightSearchPopupMenu.h"

#include <algorithm>

using namespace korvid_panes;

namespace
{
constexpr const char* kSearchPlaceholder = "search...";
constexpr const char* kTooShortText = "Enter 2 digits or more!";
constexpr const char* kNoResultsText = "No results - Try another keyword!";
constexpr const char* kLetterSizeText = "Letter size matters!";
constexpr size_t kShortestSearch = 2;

// Characters of a UTF-8 text: every byte but the continuation bytes starts one.
size_t characterCount(const std::string& text)
{
  size_t count = 0;
  for (unsigned char c : text)
  {
    if ((c & 0xC0) != 0x80)
    {
      ++count;
    }
  }
  return count;
}
} // namespace

void Korvid::setSearchFieldText(const char* text)
{
  IParam* param = GetParam(kPatchSearchString);
  if (!param)
  {
    return;
  }
  param->SetDisplayText(0, text);
  if (ControlAction* action = param->GetAction())
  {
    for (IControl* control : action->boundControls)
    {
      if (control)
      {
        control->Redraw();
      }
    }
  }
}

bool Korvid::changeSearchText()
{
  const IParam* param = GetParam(kPatchSearchString);
  const std::string text = param ? param->GetDisplayText(0) : "";
  if (text.empty())
  {
    // The next keyword is searched; the lower pane lists the sound banks again, as its menu does.
    mSearchList = false;
    setSearchFieldText(kSearchPlaceholder);
    leaveSearchResults();
    clearSearchMessage();
    return true;
  }
  // The field committed as it was shown: no keyword typed.
  if (text == kSearchPlaceholder && !mSearchList)
  {
    return true;
  }
  if (characterCount(text) < kShortestSearch)
  {
    setSearchFieldText(mSearchList ? mSearchedText.c_str() : kSearchPlaceholder);
    showStatusText(kTooShortText);
    return true;
  }
  // The pane lists this keyword's results already (a click beside the open field commits it unchanged); a new
  // keyword replaces them.
  if ((mSearchList && text == mSearchedText) || !mPatchLibrarian)
  {
    return true;
  }
  setSearchFieldText(text.c_str());
  mSearchList = true;
  mSearchedText = text;
  showLayer(mMenuLayers[kLowerSoundMenu], false);
  mPatchLibrarian->clearDataStructures(PatchLibrarian::kSearchTree);
  // A lower pair still naming a page of the earlier results would open the new ones on that page.
  const std::vector<PatchFile*>& results = mPatchLibrarian->mSearchBanks;
  const bool pairNamesEarlierResults = std::any_of(results.begin(), results.end(),
                                                   [this](const PatchFile* bank)
                                                   {
                                                     return bank &&
                                                            bank->mFileName == mLowerListPair.displayName &&
                                                            bank->mFolderName == mLowerListPair.title;
                                                   });
  // The names are searched for the text as it stands (no pattern), letter size included.
  mPatchLibrarian->createNewSearchPatchFiles(text);
  if (pairNamesEarlierResults && !results.empty() && results.front())
  {
    mLowerListPair.displayName = results.front()->mFileName;
    mLowerListPair.title = results.front()->mFolderName;
  }
  // The search menu pointed into the banks just replaced.
  if (mRightSearchPopupMenu)
  {
    mRightSearchPopupMenu->refreshFolderStructure(mPatchLibrarian, this, 0, mLowerListPair.displayName,
                                                  mLowerListPair.title);
  }
  if (!mPatchLibrarian->mSearchBanks.empty())
  {
    patchTypeChanged(0, kSearchList, false);
    showLayer(mMenuLayers[kSearchMenu], true);
    // The field sends nothing: the page of results shown stays named on the message line.
    sayShownBank(false);
    return false;
  }
  showMessage(kNoResultsText, kLetterSizeText);
  setSearchFieldText(kSearchPlaceholder);
  // Nothing found: the next keyword is searched again.
  mSearchList = false;
  leaveSearchResults();
  return false;
}

void Korvid::clearSearchMessage()
{
  // What the search said of an earlier keyword, or the page of its results it named, no longer holds.
  const std::string shown = getStatusText();
  const std::vector<PatchFile*>* results = mPatchLibrarian ? &mPatchLibrarian->mSearchBanks : nullptr;
  const bool namesResults =
      results && std::any_of(results->begin(), results->end(),
                             [&shown](const PatchFile* bank) { return bank && bank->mFileName == shown; });
  if (shown == kNoResultsText || namesResults)
  {
    showMessage("", "");
  }
}

void Korvid::leaveSearchResults()
{
  // Results of an earlier search that the pane still lists are gone: it lists the sound banks again. The
  // list the pane was given decides, not a menu layer whose hiding may still wait for the editor's lock.
  if (mLowerListKind == kSearchList)
  {
    patchTypeChanged(0, kSoundList, false);
  }
  showLayer(mMenuLayers[kSearchMenu], false);
  showLayer(mMenuLayers[kLowerSoundMenu], true);
}

void Korvid::switchSearchField(int intValue)
{
  if (intValue == 1)
  {
    showLayer(mCategoryLimitLayer, false);
    grayOut(mDatatypeControl, true);
    showLayer(mSearchFieldLayer, true);
    return;
  }
  mSearchList = false;
  setSearchFieldText(kSearchPlaceholder);
  showLayer(mCategoryLimitLayer, true);
  grayOut(mDatatypeControl, false);
  showLayer(mSearchFieldLayer, false);
  patchTypeChanged(0, kSoundList, false);
  showLayer(mMenuLayers[kLowerSoundMenu], true);
  showLayer(mMenuLayers[kSearchMenu], false);
  clearSearchMessage();
}

void Korvid::switchCategoryList(int intValue)
{
  for (size_t row : {kSearchMenu, kCategoryMenu, kLowerSoundMenu})
  {
    showLayer(mMenuLayers[row], false);
  }
  const bool categories = intValue >= 1;
  mCategoryList = categories;
  patchTypeChanged(0, categories ? kCategoryList : kSoundList, false);
  showLayer(mMenuLayers[categories ? kCategoryMenu : kLowerSoundMenu], true);
  grayOut(mPatchSearchControl, categories);
  grayOut(mDatatypeControl, categories);
}
