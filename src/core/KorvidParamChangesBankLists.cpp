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
    if ((param->Int() == 1) == mMultiMode.load() || !hasUnsavedBankEdits())
    {
      return false;
    }
    const BankEditsAnswer answer = settleUnsavedBankEdits();
    // The question gave the locks back: another thread may have switched the kind or the switch meanwhile.
    const bool switchWanted = (param->Int() == 1) != mMultiMode.load();
    if (answer == BankEditsAnswer::kDiscarded)
    {
      // The edits live in the banks in memory: the library is read again, for the other kind (shown next)
      // or for the kind still shown.
      if (!switchWanted)
      {
        refreshFolders();
      }
      else if (mPatchLibrarian)
      {
        mPatchLibrarian->initBankFilesOnDiscard(getPatchesFolderStr());
      }
    }
    if (answer != BankEditsAnswer::kKept && switchWanted)
    {
      return false;
    }
    // The switch shows the kind still shown.
    param->SetBounded(mMultiMode ? 1.0 : 0.0);
    if (IGraphics* surface = GetGUI())
    {
      surface->SetParameterFromPlug(kDatatype, param->Value(), false);
    }
    return true;
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
