// The settings, page and librarian cases of the change handler: their dispatch, the windows, the page tab,
// the kept bank, the host tempo and the busy overlay's repaint.
#include "Korvid.h"

#include "BankEditPopupMenu.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "KorvidPaneLayers.h"
#include "ParamIndex.h"
#include "ProgressIndicator.h"
#include "TabSwitchFunctions.h"

using namespace korvid_panes;

namespace
{
constexpr int kLibrarianPage = 1;
} // namespace

bool Korvid::handleCasesBeforeDisplay(int paramIdx, int& tailValue)
{
  const int intValue = tailValue;
  if (paramIdx == kUserInterfaceSize || paramIdx == kUserInterfaceStyle || paramIdx == kFirstRunExit)
  {
    changeSettingsFile(paramIdx, intValue);
    return true;
  }
  if (paramIdx >= kCurrentPatchBank && paramIdx < kCurrentPatchBank + kPartCount && !mKeepSelectedBank)
  {
    selectUpperBank(intValue);
    return true;
  }
  if (paramIdx >= kLibUpperPreviousBank && paramIdx <= kLibLowerNextBank)
  {
    // The button's release takes the common way.
    if (intValue != 1)
    {
      return false;
    }
    stepBank(paramIdx);
    return true;
  }
  if (paramIdx == kKeepSelectedBank)
  {
    mKeepSelectedBank = intValue != 0;
  }
  else if (paramIdx == kTempoInformation)
  {
    // The display shows the parameter's own value; the tail goes on with the host's tempo.
    tailValue = truncatedValue(GetTempo());
    mHostTempo = tailValue;
  }
  return false;
}

bool Korvid::handleCasesAfterDisplay(int paramIdx, int intValue)
{
  switch (paramIdx)
  {
  case kPatchSearchString:
    return changeSearchText();
  case kPatchSearch:
    switchSearchField(intValue);
    break;
  case kCategorySelection:
    switchCategoryList(intValue);
    break;
  case kDatatype:
    changeListKind(intValue);
    break;
  // These send nothing: their outcome stays on the message line, not the output port's reminder.
  case kRefreshFolders:
    refreshFolders();
    return false;
  case kDiscardBankData:
    discardBankEdits(intValue);
    return false;
  case kPatchRename:
    renameSelectedSlot();
    return false;
  case kViewMIDIFilterSettings:
    // The top bar's switch and the panel's close switch both show the value: the one not clicked must
    // follow, or the next click on it would not change the value (without an output port the tail moves
    // no controls).
    if (IGraphics* surface = GetGUI())
    {
      surface->SetParameterFromPlug(kViewMIDIFilterSettings, intValue, false);
    }
    showLayer(mMidiFilterSettingsLayer, intValue == 1);
    if (intValue != 1)
    {
      repaintUnderBusyIndicator();
    }
    break;
  case kDisplayAboutWindow:
    if (intValue != 0)
    {
      showLayer(mAboutWindowLayer, true);
    }
    break;
  case kExitAboutWindow:
    if (intValue != 0)
    {
      showLayer(mAboutWindowLayer, false);
      repaintUnderBusyIndicator();
    }
    break;
  case kMainTab:
    // The librarian's main menu takes the wording of the list kind shown.
    if (intValue == kLibrarianPage && mBankEditPopupMenu)
    {
      mBankEditPopupMenu->AddMenuItemsIn(this);
    }
    TabSwitchFunctions::mainTabSwitch(this, kMainTab, intValue, mCurrentPart);
    break;
  default:
    break;
  }
  return true;
}

bool Korvid::transferOwnsOverlay()
{
  return ThreadRunning() || mProcessingOverlay;
}

bool Korvid::setBusyIndicatorShown(bool shown)
{
  if (transferOwnsOverlay())
  {
    return false;
  }
  if (mProgressIndicator)
  {
    mProgressIndicator->Hide(!shown);
  }
  showLayer(mProgressLayer, shown);
  return true;
}

void Korvid::repaintUnderBusyIndicator()
{
  // The overlay covers the whole editor and its layer reports its area while hidden: showing and hiding it
  // repaints what a closed window covered.
  if (setBusyIndicatorShown(true))
  {
    setBusyIndicatorShown(false);
  }
}
