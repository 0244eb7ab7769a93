// The plug-in's parameter handlers, as far as the editor core relies on them: MIDI ports, routing flags,
// list kinds, page part, bank selection names and the settings file.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "JobArguments.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "TabSwitchFunctions.h"

#include <fstream>

namespace
{
// Menu layers of the librarian panes, hidden before a list kind is shown (ids 70 to 73, 75 and 78).
constexpr size_t kPaneMenuRows[] = {0, 1, 2, 3, 5, 8};
constexpr size_t kUpperSoundMenuRow = 0;
constexpr size_t kLowerSoundMenuRow = 1;
constexpr size_t kUpperMultiMenuRow = 2;
constexpr size_t kLowerMultiMenuRow = 3;
constexpr size_t kCategoryMenuRow = 5;
constexpr size_t kSearchMenuRow = 8;

constexpr const char* kSettingsMissingText = "Korvid Editor UI.txt MISSING!";
constexpr const char* kContactSupportText = "Contact support";
constexpr const char* kSizeWords[] = {"small", "normal", "large"};
constexpr const char* kSizeAppliedText = "Size changes applied...";
constexpr const char* kReloadText = "Reload project!";
constexpr const char* kStyleWords[] = {"white", "black"};
constexpr int kStyleLine = 0;
constexpr int kSizeLine = 1;

// Display controls by their position in mDisplayControls.
constexpr size_t kDisplayName = 0;
constexpr size_t kDisplayValue = 1;

void showLayer(ControlLayer* layer, bool show)
{
  if (layer)
  {
    layer->Hide(!show);
  }
}

void setDisplay(IControl* control, const char* text)
{
  if (ITextControl* display = dynamic_cast<ITextControl*>(control))
  {
    display->SetTextFromPlug(text);
  }
}
} // namespace

void Korvid::OnParamChange(int paramIdx)
{
  WDL_MutexLock lock(GetMutex());
  IParam* param = GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  const double value = param->Value();
  if (paramIdx >= kMIDIFilterDAWCCPassThrough && paramIdx <= kMIDIFilterDAWSEPassThrough)
  {
    mHostInputBlocked[static_cast<size_t>(paramIdx - kMIDIFilterDAWCCPassThrough)] = value != 1.0;
    return;
  }
  if (paramIdx >= kMIDIFilterHWCCPassThrough && paramIdx <= kMIDIFilterHWSEPassThrough)
  {
    mHardwareInputBlocked[static_cast<size_t>(paramIdx - kMIDIFilterHWCCPassThrough)] = value != 1.0;
    return;
  }
  if (paramIdx == kPatchSelectionListUpper || paramIdx == kPatchSelectionListLower ||
      paramIdx == kCurrentOpenPerfBankL || paramIdx == kCurrentOpenPerfBankR ||
      (paramIdx >= kCurrentOpenPatchBankL && paramIdx < kCurrentOpenPatchBankR + kPartCount))
  {
    updateSelectionNames();
    return;
  }
  switch (paramIdx)
  {
  case kDeviceOutSelection:
    // The port index is the chosen entry; 0 ("OFF") closes the port.
    mMidiOutPortIndex = param->Int();
    setExternalMIDIOut(mMidiOutPortIndex, param->GetDisplayText(param->Int()));
    if (value >= 1.0)
    {
      mOutputPresent = true;
      sendSysExInitialization();
    }
    else
    {
      mOutputPresent = false;
      mContinuousClock = false;
    }
    break;
  case kDeviceInSelection:
    mMidiInPortIndex = param->Int();
    setExternalMIDIIn(mMidiInPortIndex, param->GetDisplayText(param->Int()));
    break;
  case kMIDIFilterDirectToHardware:
  case kMIDIFilterToDAWBuffer:
    mMidiOutMode = GetParam(kMIDIFilterToDAWBuffer)->Value() == 1.0;
    break;
  case kAdjustDAWOffset:
    mQueueFrames = 2 * param->Int() + GetBlockSize();
    break;
  case kGlobalLocalControl:
    mLocalControl = value == 1.0;
    break;
  case kGlobalSysExID:
    mDeviceId = param->Int();
    break;
  case kTempoInformation:
    mHostTempo = static_cast<int>(GetTempo());
    break;
  case kMasterKeyboard:
    mMasterKeyboard = value == 1.0;
    break;
  case kMIDIFilterTrackIncomingMIDI:
    mIndicatorsTrackIncoming = value == 1.0;
    break;
  case kSendMIDIClockInfo:
    mClockFlag = value == 1.0;
    // The timing hub starts the continuous clock again with the new setting.
    mContinuousClock = false;
    break;
  case kSendMIDIClockPointer:
    mClockPointerFlag = value == 1.0;
    break;
  case kKeepSelectedBank:
    mKeepSelectedBank = value >= 0.5;
    break;
  case kControlProgBank:
  case kControlLibrary:
    // An exclusive pair: switching one on switches the other off.
    if (value >= 0.5 && GetGUI())
    {
      const int other = paramIdx == kControlProgBank ? kControlLibrary : kControlProgBank;
      GetGUI()->SetParameterFromPlug(other, 0.0, false);
    }
    mProgramChangeControlsBank = GetParam(kControlProgBank)->Value() >= 0.5;
    break;
  case kMainTab:
    TabSwitchFunctions::mainTabSwitch(this, kMainTab, param->Int(), mCurrentPart);
    break;
  case kQuickTab:
    mCurrentPart = param->Int();
    TabSwitchFunctions::quickTabSwitch(this, mCurrentPart, mQuickTabFlag);
    updateSelectionNames();
    break;
  case kDatatype:
    showListKind(param->Int() == 1, false);
    break;
  case kRefreshFolders:
    refreshFolders();
    break;
  case kCancelDataRequest:
    // The cancel button of the processing overlay: the running request job polls this flag.
    if (value == 1.0 && mMIDIMessageManager)
    {
      mMIDIMessageManager->sender->cancel = true;
    }
    break;
  case kUserInterfaceSize:
    if (param->Int() >= 0 && param->Int() < 3)
    {
      writeSettingsLine(kSizeLine, kSizeWords[param->Int()]);
    }
    break;
  case kUserInterfaceStyle:
    if (param->Int() >= 0 && param->Int() < 2)
    {
      writeSettingsLine(kStyleLine, kStyleWords[param->Int()]);
    }
    break;
  default:
    break;
  }
}

void Korvid::OnParamChange2(int paramIdx)
{
  WDL_MutexLock lock(GetMutex());
  mDeviceUpdate = true;
  OnParamChange(paramIdx);
  mDeviceUpdate = false;
}

void Korvid::showListKind(bool multis, bool reload)
{
  for (size_t row : kPaneMenuRows)
  {
    showLayer(mMenuLayers[row], false);
  }
  mMultiMode = multis;
  if (mPatchLibrarian)
  {
    mPatchLibrarian->mMultiMode = multis;
  }
  if (multis)
  {
    patchTypeChanged(1, 2, reload);
    showLayer(mMenuLayers[kUpperMultiMenuRow], true);
    showLayer(mMenuLayers[kLowerMultiMenuRow], true);
    return;
  }
  showLayer(mMenuLayers[kUpperSoundMenuRow], true);
  if (mCategoryList)
  {
    patchTypeChanged(0, 1, reload);
    showLayer(mMenuLayers[kCategoryMenuRow], true);
  }
  else if (mSearchList)
  {
    patchTypeChanged(0, 4, reload);
    showLayer(mMenuLayers[kSearchMenuRow], true);
  }
  else
  {
    patchTypeChanged(0, 0, reload);
    showLayer(mMenuLayers[kLowerSoundMenuRow], true);
  }
}

void Korvid::refreshFolders()
{
  if (mMultiMode)
  {
    patchTypeChanged(1, 2, true);
  }
  else
  {
    patchTypeChanged(0, mCategoryList ? 1 : (mSearchList ? 4 : 0), true);
  }
}

void Korvid::updateSelectionNames()
{
  auto shown = [this](int listIdx, int selectionIdx)
  {
    IParam* list = GetParam(listIdx);
    IParam* selection = GetParam(selectionIdx);
    return std::string(list && selection ? list->GetDisplayText(selection->Int()) : "");
  };
  const int part = mCurrentPart;
  mUpperMultiPair.displayName = shown(kPatchSelectionListUpper, kCurrentOpenPerfBankL);
  mLowerMultiPair.displayName = shown(kPatchSelectionListLower, kCurrentOpenPerfBankR);
  mUpperSoundPair.displayName = shown(kPatchSelectionListUpper, kCurrentOpenPatchBankL + part);
  mLowerSoundPair.displayName = shown(kPatchSelectionListLower, kCurrentOpenPatchBankR + part);
}

bool Korvid::writeSettingsLine(int line, const std::string& word)
{
  const std::string& path = mDataFolder.getSettingsFilePath();
  // The file is only ever rewritten, never created: a missing one is reported instead.
  if (!std::ifstream(path))
  {
    setDisplay(mDisplayControls[kDisplayName], kSettingsMissingText);
    setDisplay(mDisplayControls[kDisplayValue], kContactSupportText);
    return false;
  }
  mDataFolder.setSettingsLine(line, word);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << mDataFolder.getSettingsLine(0) << '\n'
      << mDataFolder.getSettingsLine(1) << '\n'
      << mDataFolder.getSettingsLine(2);
  if (line == kSizeLine)
  {
    setDisplay(mDisplayControls[kDisplayName], kSizeAppliedText);
    setDisplay(mDisplayControls[kDisplayValue], kReloadText);
  }
  return static_cast<bool>(out);
}
