// The change handler's cases of the panes' bank lists: a pane's bank chosen by index, and the guards that
// keep unsaved bank edits from being dropped by a list-kind switch or a rescan.
#include "Korvid.h"

#include "BankFolderPopupMenu.h"
#include "IGraphics.h"
#include "LeftPatchPopupMenu.h"
#include "LeftPerfPopupMenu.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "RightCategoryPopupMenu.h"
#include "RightPatchPopupMenu.h"
#include "RightPerfPopupMenu.h"
#include "RightSearchPopupMenu.h"

namespace
{
// The rescan button's press; its release carries 0.
constexpr double kPressed = 1.0;
} // namespace

bool Korvid::handleBankListCases(int paramIdx, IParam* param)
{
  if (paramIdx == kPatchSelectionListUpper || paramIdx == kPatchSelectionListLower)
  {
    if (!mPatchLibrarian)
    {
      return true;
    }
    const bool lower = paramIdx == kPatchSelectionListLower;
    const int index = param->Int();
    if (!lower && index != mPatchLibrarian->mUpperBankIndex && hasUnsavedBankEdits())
    {
      // The upper pane keeps the bank whose edits are not saved yet (a list switch of the lower pane resets
      // both lists).
      param->SetBounded(static_cast<double>(mPatchLibrarian->mUpperBankIndex));
      if (IGraphics* surface = GetGUI())
      {
        surface->SetParameterFromPlug(paramIdx, param->Value(), false);
      }
      showStatusText(kSaveOrDiscardText);
      return true;
    }
    BankFolderPopupMenu* menu = mMultiMode ? static_cast<BankFolderPopupMenu*>(mLeftPerfPopupMenu)
                                           : static_cast<BankFolderPopupMenu*>(mLeftPatchPopupMenu);
    if (lower)
    {
      menu = mMultiMode      ? static_cast<BankFolderPopupMenu*>(mRightPerfPopupMenu)
             : mCategoryList ? static_cast<BankFolderPopupMenu*>(mRightCategoryPopupMenu)
             : mSearchList   ? static_cast<BankFolderPopupMenu*>(mRightSearchPopupMenu)
                             : static_cast<BankFolderPopupMenu*>(mRightPatchPopupMenu);
    }
    const int pane = lower ? LibrarianViewControl::kLowerPane : LibrarianViewControl::kUpperPane;
    if (const std::vector<PatchFile*>* banks = banksOfPane(!lower))
    {
      openPaneBank(pane, index, *banks);
    }
    const SelectionName& pair = panePair(!lower);
    if (menu)
    {
      menu->rebuild(index, pair.displayName, pair.title);
    }
    return true;
  }

  if (paramIdx == kDatatype)
  {
    const bool toMultis = param->Int() == 1;
    if (toMultis == mMultiMode.load() || !hasUnsavedBankEdits())
    {
      return false;
    }
    switch (settleUnsavedBankEdits())
    {
    case BankEditsAnswer::kKept:
      // The switch goes back to the kind still shown.
      param->SetBounded(mMultiMode ? 1.0 : 0.0);
      if (IGraphics* surface = GetGUI())
      {
        surface->SetParameterFromPlug(kDatatype, param->Value(), false);
      }
      return true;
    case BankEditsAnswer::kDiscarded:
      // The edits live in the banks in memory: read the library again before the other kind is shown.
      if (mPatchLibrarian)
      {
        mPatchLibrarian->initBankFilesOnDiscard(getPatchesFolderStr());
      }
      return false;
    default:
      return false;
    }
  }

  if (paramIdx == kRefreshFolders)
  {
    // One click, one rescan: the button's release does nothing.
    if (param->Value() != kPressed)
    {
      return true;
    }
    if (!hasUnsavedBankEdits())
    {
      return false;
    }
    const BankEditsAnswer answer = settleUnsavedBankEdits();
    // The editor drops input while the question is up, the button's release with it: the button is let go
    // here, or the next click would find it pressed and not press it.
    param->SetBounded(0.0);
    if (IGraphics* surface = GetGUI())
    {
      surface->SetParameterFromPlug(kRefreshFolders, 0.0, false);
    }
    if (answer != BankEditsAnswer::kKept)
    {
      rescanFolders(answer);
    }
    return true;
  }
  return false;
}
