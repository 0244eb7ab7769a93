// The bank open in each librarian pane: its one writer, which keeps every copy that shows it in step.
#include "Korvid.h"

#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

void Korvid::openPaneBank(int pane, int index, const std::vector<PatchFile*>& banks)
{
  PatchLibrarian* librarian = mPatchLibrarian;
  const bool upper = pane == LibrarianViewControl::kUpperPane;
  // A menu or list of another kind than the pane shows (a sound tree while multis are shown) names no bank
  // of this pane.
  if (!librarian || &banks != banksOfPane(upper))
  {
    return;
  }
  (upper ? librarian->mUpperBankIndex : librarian->mLowerBankIndex) = index;
  const int listIdx = upper ? kPatchSelectionListUpper : kPatchSelectionListLower;
  if (IParam* list = GetParam(listIdx))
  {
    list->SetBounded(static_cast<double>(index));
  }
  if (IGraphics* surface = GetGUI())
  {
    surface->SetParameterFromPlug(listIdx, static_cast<double>(index), false);
  }
  const bool multis = mMultiMode;
  const int first = multis ? (upper ? kCurrentOpenPerfBankL : kCurrentOpenPerfBankR)
                           : (upper ? kCurrentOpenPatchBankL : kCurrentOpenPatchBankR);
  for (int part = 0; part < (multis ? 1 : kPartCount); ++part)
  {
    if (IParam* open = GetParam(first + part))
    {
      open->SetBounded(static_cast<double>(index));
    }
    // The upper sound bank each part remembers, which the project keeps: the part shown opened it, or, while
    // KEEP BANK OPEN holds it open through part switches, every part has it open.
    IParam* remembered = GetParam(kCurrentPatchBank + part);
    if (upper && !multis && remembered && (mKeepSelectedBank || part == mCurrentPart))
    {
      remembered->SetBounded(static_cast<double>(index));
    }
  }
  if (index >= 0 && index < static_cast<int>(banks.size()) && banks[static_cast<size_t>(index)])
  {
    const PatchFile& bank = *banks[static_cast<size_t>(index)];
    panePair(upper) = {bank.mFileName, bank.mFolderName};
  }
}

Korvid::SelectionName& Korvid::panePair(bool upper)
{
  if (mMultiMode)
  {
    return upper ? mUpperMultiPair : mLowerMultiPair;
  }
  return upper ? mUpperSoundPair : (mCategoryList || mSearchList ? mLowerListPair : mLowerSoundPair);
}
