// The second half of start-up: control references, the eleven librarian menus, start values and the MIDI
// filter flags.
#include "Korvid.h"

#include "BankEditPopupMenu.h"
#include "BankNumberPopupMenu.h"
#include "ControlAction.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "LeftPatchPopupMenu.h"
#include "LeftPerfPopupMenu.h"
#include "ParamIndex.h"
#include "PerfBankNamePopupMenu.h"
#include "ProgBankNamePopupMenu.h"
#include "ProgramNumberPopupMenu.h"
#include "RightCategoryPopupMenu.h"
#include "RightPatchPopupMenu.h"
#include "RightPerfPopupMenu.h"
#include "RightSearchPopupMenu.h"
#include "StatusNoticeArea.h"
#include "UIConfigManager.h"

#include <cmath>

namespace
{
// One row of the menu table: layer id and name, unscaled rectangle, shown at start.
struct MenuRow
{
  int layerId;
  const char* layerName;
  IRECT rect;
  bool shown;
};

const IRECT kUpperPane(394, 188, 810, 207);
const IRECT kLowerPane(394, 461, 810, 480);
const IRECT kBankEditArea(839, 187, 916, 205);
const IRECT kProgramArea(1184, 60, 1229, 84);
const IRECT kBankNameArea(1142, 60, 1180, 84);

const MenuRow kMenuRows[Korvid::kMenuCount] = {
    {70, "UPPERPOPUPMENU", kUpperPane, false},
    {71, "LOWERPOPUPMENU", kLowerPane, false},
    {72, "LeftPerformancePopupMenu", kUpperPane, false},
    {73, "RightPerformancePopupMenu", kLowerPane, false},
    {74, "BANKEDITMENU", kBankEditArea, false},
    // Holds the category menu; the lower sound-bank menu lives in "LOWERPOPUPMENU".
    {75, "RightPatchPopupMenu", kLowerPane, false},
    {76, "PROGRAMNUMBERMENU", kProgramArea, true},
    {77, "BANKNUMBERMENUPROGRAMS", kBankNameArea, true},
    {78, "RightSearchPopupMenu", kLowerPane, false},
    {79, "PERFBANKNAMEMENUPROGRAMS", kBankNameArea, false},
    {80, "PROGBANKNAMEMENUPROGRAMS", kBankNameArea, false},
};

// One MIDI filter or clock start value: parameter, value, and which flag it sets (null: none).
struct FilterStart
{
  int paramIdx;
  const char* name;
  double value;
};

const FilterStart kFilterStarts[] = {
    {kMIDIFilterDAWCCPassThrough, "kMIDIFilterDAWCCPassThrough", 1.0},
    {kMIDIFilterDAWPCPassThrough, "kMIDIFilterDAWPCPassThrough", 0.0},
    {kMIDIFilterDAWNotePassThrough, "kMIDIFilterDAWNotePassThrough", 1.0},
    {kMIDIFilterDAWPPPassThrough, "kMIDIFilterDAWPPPassThrough", 1.0},
    {kMIDIFilterDAWPAPassThrough, "kMIDIFilterDAWPAPassThrough", 1.0},
    {kMIDIFilterDAWCAPassThrough, "kMIDIFilterDAWCAPassThrough", 1.0},
    {kMIDIFilterDAWSEPassThrough, "kMIDIFilterDAWSEPassThrough", 0.0},
    {kMIDIFilterHWCCPassThrough, "kMIDIFilterHWCCPassThrough", 1.0},
    {kMIDIFilterHWPCPassThrough, "kMIDIFilterHWPCPassThrough", 0.0},
    {kMIDIFilterHWNotePassThrough, "kMIDIFilterHWNotePassThrough", 1.0},
    {kMIDIFilterHWPPPassThrough, "kMIDIFilterHWPPPassThrough", 1.0},
    {kMIDIFilterHWPAPassThrough, "kMIDIFilterHWPAPassThrough", 1.0},
    {kMIDIFilterHWCAPassThrough, "kMIDIFilterHWCAPassThrough", 1.0},
    {kMIDIFilterHWSEPassThrough, "kMIDIFilterHWSEPassThrough", 1.0},
    {kMIDIFilterTrackIncomingMIDI, "kMIDIFilterTrackIncomingMIDI", 1.0},
    {kMIDIFilterDirectToHardware, "kMIDIFilterDirectToHardware", 1.0},
    {kMIDIFilterToDAWBuffer, "kMIDIFilterToDAWBuffer", 0.0},
    {kSendMIDIClockPointer, "kSendMIDIClockPointer", 0.0},
    {kSendMIDIClockInfo, "kSendMIDIClockInfo", 0.0},
};
static_assert(sizeof(kFilterStarts) / sizeof(kFilterStarts[0]) == 19, "one start value per filter control");

constexpr int kPartsActiveAtStart = 4;
constexpr double kStartSyncTimer = 2.0;

IRECT scaledRect(const IRECT& r, double factor)
{
  return IRECT(static_cast<int>(r.L * factor), static_cast<int>(r.T * factor), static_cast<int>(r.R * factor),
               static_cast<int>(r.B * factor));
}

// The plain value v on the plug road: stored into the parameter and shown by its controls.
void setFromPlug(IGraphics* surface, int paramIdx, double value)
{
  surface->SetParameterFromPlug(paramIdx, value, false);
}
} // namespace

void Korvid::storeControlSet1()
{
  mDatatypeControl = firstControl(kDatatype, "kDatatype");
  mPatchSearchControl = firstControl(kPatchSearch, "kPatchSearch");
  mProgramBankControl = firstControl(kControlProgBank, "kControlProgBank");
  mQuickTabAction = actionOf(kQuickTab, "kQuickTab");
  mMainTabAction = actionOf(kMainTab, "kMainTab");
  log("Control set 1 attached");
}

void Korvid::createLibrarianMenus(IGraphics* surface)
{
  for (int row = 0; row < kMenuCount; ++row)
  {
    const MenuRow& spec = kMenuRows[row];
    auto layer = std::make_unique<ControlLayer>(spec.layerId, spec.layerName);
    const IRECT rect = scaledRect(spec.rect, mSizeFactor);
    IControl* menu = nullptr;
    switch (row)
    {
    case 0:
      menu = mLeftPatchPopupMenu = new LeftPatchPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 1:
      menu = mRightPatchPopupMenu = new RightPatchPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 2:
      menu = mLeftPerfPopupMenu = new LeftPerfPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 3:
      menu = mRightPerfPopupMenu = new RightPerfPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 4:
      menu = mBankEditPopupMenu = new BankEditPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 5:
      menu = mRightCategoryPopupMenu = new RightCategoryPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 6:
      menu = mProgramNumberPopupMenu = new ProgramNumberPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 7:
      menu = mBankNumberPopupMenu = new BankNumberPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 8:
      menu = mRightSearchPopupMenu = new RightSearchPopupMenu(this, mPatchLibrarian, rect, this);
      break;
    case 9:
      menu = mPerfBankNamePopupMenu = new PerfBankNamePopupMenu(this, mPatchLibrarian, rect, this);
      break;
    default:
      menu = mProgBankNamePopupMenu = new ProgBankNamePopupMenu(this, mPatchLibrarian, rect, this);
      break;
    }
    layer->AddControl(menu);
    mMenuLayers[static_cast<size_t>(row)] = layer.get();
    surface->AttachLayer(layer.release());
    mMenuLayers[static_cast<size_t>(row)]->Hide(!spec.shown);
  }
  // Unsaved edits hide the upper pane's bank menu and show the discard layer: a click on the bank's name
  // there says what keeps the menu closed.
  if (mDiscardChangesLayerRight)
  {
    mDiscardChangesLayerRight->AddControl(
        new StatusNoticeArea(this, scaledRect(kUpperPane, mSizeFactor), kSaveOrDiscardText));
  }
}

void Korvid::storeControlSet2()
{
  log("Librarian menus attached");
  mMidiOutSelector = firstControl(kDeviceOutSelection, "kDeviceOutSelection");
  mMidiInSelector = firstControl(kDeviceInSelection, "kDeviceInSelection");
  mRenameControl = firstControl(kPatchRename, "kPatchRename");
  const std::pair<int, const char*> displays[] = {
      {kControlDisplayName, "kControlDisplayName"},
      {kControlDisplayValue, "kControlDisplayValue"},
      {kControlDisplayCategory, "kControlDisplayCategory"},
      {kControlDisplayPatch, "kControlDisplayPatch"},
      {kControlDisplayCC, "kControlDisplayCC"},
      {kControlDisplayBuild, "kControlDisplayBuild"},
      {kControlDisplayMIDIOutDelay, "kControlDisplayMIDIOutDelay"},
      {kControlLibrary, "kControlLibrary"}};
  static_assert(sizeof(displays) / sizeof(displays[0]) == std::tuple_size<decltype(mDisplayControls)>::value,
                "one reference per display control");
  for (size_t i = 0; i < mDisplayControls.size(); ++i)
  {
    mDisplayControls[i] = firstControl(displays[i].first, displays[i].second);
  }
  // The message line, patch name and category displays of the device side.
  mMessageLine = dynamic_cast<ITextControl*>(mDisplayControls[0]);
  measureStatusLine();
  mCategoryDisplay = dynamic_cast<ITextControl*>(mDisplayControls[2]);
  mPatchNameDisplay = dynamic_cast<ITextControl*>(mDisplayControls[3]);
  mKeepSelectedBankControl = firstControl(kKeepSelectedBank, "kKeepSelectedBank");
  if (IParam* keep = GetParam(kKeepSelectedBank))
  {
    setFromUserInput(mKeepSelectedBankControl, keep->GetNormalized(1.0));
  }
  mKeepSelectedBank = true;
  mTempoOverrideAction = actionOf(kOverrideTempo, "kOverrideTempo");
  mLibrarianView = mUIConfigManager ? mUIConfigManager->librarianView : nullptr;
  if (!mLibrarianView)
  {
    reportMissing("control patchBrowser");
  }
  for (int part = 0; part < kPartCount; ++part)
  {
    IControl* control = firstControl(kMultiPartMIDICh + part, "kMultiPartMIDICh");
    mPartChannelControls[static_cast<size_t>(part)] = control;
    if (IParam* channel = GetParam(kMultiPartMIDICh + part))
    {
      setFromUserInput(control, channel->GetNormalized(static_cast<double>(part + 2)));
    }
  }
}

void Korvid::setInitialValues(IGraphics* surface, std::unique_ptr<ControlLayer>& progressLayer)
{
  if (mUpperListControl)
  {
    mUpperListControl->SetValueFromPlug(0.0);
  }
  if (mLowerListControl)
  {
    mLowerListControl->SetValueFromPlug(0.0);
  }
  setFromPlug(surface, kOverrideTempo, 1.0);
  setFromPlug(surface, kDatatype, 0.0);
  setFromUserInput(mDatatypeControl, 0.0);
  if (IParam* progBank = GetParam(kControlProgBank))
  {
    progBank->SetBounded(1.0);
  }
  surface->SetParameterFromPlug(kControlProgBank, 1.0, true);
  setFromPlug(surface, kQuickTab, 0.0);
  mCurrentPart = GetParam(kQuickTab)->Int();
  setFromPlug(surface, kLibSyncTimer, kStartSyncTimer);
  for (int part = 0; part < kPartCount; ++part)
  {
    setFromPlug(surface, kMultiPartStatus + part, part < kPartsActiveAtStart ? 1.0 : 0.0);
  }
  setFromPlug(surface, kDeviceID_old, 0.0);
  mCurrentPart = GetParam(kQuickTab)->Int();
  // Attached last, so the overlay lies above every other layer.
  surface->AttachLayer(progressLayer.release());
}

void Korvid::showSettingsWords(IGraphics* surface)
{
  // A word the start-up reader does not know is drawn as the default: the selector shows the default.
  const IParam* style = GetParam(kUserInterfaceStyle);
  const IParam* size = GetParam(kUserInterfaceSize);
  setFromPlug(surface, kUserInterfaceStyle,
              mDataFolder.getStyleParameterValue().value_or(style->GetDefault()));
  setFromPlug(surface, kUserInterfaceSize, mDataFolder.getSizeParameterValue().value_or(size->GetDefault()));
}

void Korvid::setMidiFilterValues()
{
  for (size_t i = 0; i < mMidiFilterControls.size(); ++i)
  {
    const FilterStart& start = kFilterStarts[i];
    IControl* control = firstControl(start.paramIdx, start.name);
    mMidiFilterControls[i] = control;
    setFromUserInput(control, start.value);
    setMidiFilterFlag(start.paramIdx, start.value == 1.0);
  }
}

void Korvid::setMidiFilterFlag(int paramIdx, bool passes)
{
  // A block flag is set when its message class does not pass.
  if (paramIdx >= kMIDIFilterDAWCCPassThrough && paramIdx <= kMIDIFilterDAWSEPassThrough)
  {
    mHostInputBlocked[static_cast<size_t>(paramIdx - kMIDIFilterDAWCCPassThrough)] = !passes;
  }
  else if (paramIdx >= kMIDIFilterHWCCPassThrough && paramIdx <= kMIDIFilterHWSEPassThrough)
  {
    mHardwareInputBlocked[static_cast<size_t>(paramIdx - kMIDIFilterHWCCPassThrough)] = !passes;
  }
  else if (paramIdx == kMIDIFilterTrackIncomingMIDI)
  {
    mIndicatorsTrackIncoming = passes;
  }
  else if (paramIdx == kMIDIFilterToDAWBuffer)
  {
    mMidiOutMode = passes;
  }
  else if (paramIdx == kSendMIDIClockPointer)
  {
    mClockPointerFlag = passes;
  }
  else if (paramIdx == kSendMIDIClockInfo)
  {
    mClockFlag = passes;
  }
}

namespace
{
// A control bound to a parameter: as its main parameter (aux -1) or as its auxiliary parameter aux.
struct BoundControl
{
  IControl* control;
  int aux;
};

void indexControl(IControl* control, std::vector<std::vector<BoundControl>>& bound)
{
  const int count = static_cast<int>(bound.size());
  if (control->ParamIdx() >= 0 && control->ParamIdx() < count)
  {
    bound[static_cast<size_t>(control->ParamIdx())].push_back({control, -1});
  }
  for (int i = 0; i < control->NAuxParams(); ++i)
  {
    const int paramIdx = control->GetAuxParam(i)->mParamIdx;
    // The first auxiliary entry of a parameter is the one the surface moves.
    if (paramIdx >= 0 && paramIdx < count && control->AuxParamIdx(paramIdx) == i)
    {
      bound[static_cast<size_t>(paramIdx)].push_back({control, i});
    }
  }
}

void indexLayer(ControlLayer* layer, std::vector<std::vector<BoundControl>>& bound)
{
  for (IControl* control : layer->mControls)
  {
    indexControl(control, bound);
  }
  for (ControlLayer* child : layer->mSubLayers)
  {
    indexLayer(child, bound);
  }
}
} // namespace

void Korvid::settleParameterValues(IGraphics* surface)
{
  // What IGraphics::SetParameterFromPlug does for each parameter, with the controls of each parameter found
  // in one walk over the surface instead of one walk per parameter.
  std::vector<std::vector<BoundControl>> bound(static_cast<size_t>(NParams()));
  for (int i = 0; i < surface->NControls(); ++i)
  {
    indexControl(surface->GetControl(i), bound);
  }
  for (int i = 0; i < surface->NLayers(); ++i)
  {
    indexLayer(surface->GetLayer(i), bound);
  }
  for (int i = 0; i < NParams(); ++i)
  {
    IParam* param = GetParam(i);
    const double whole = std::trunc(param->Value());
    if (whole <= 0.0)
    {
      continue;
    }
    double normalized = 0.0;
    {
      WDL_MutexLock lock(GetMutex());
      normalized = param->GetNormalized(whole);
      param->SetNormalized(normalized);
    }
    for (const BoundControl& entry : bound[static_cast<size_t>(i)])
    {
      if (entry.aux < 0)
      {
        entry.control->SetValueFromPlug(normalized);
      }
      else
      {
        entry.control->SetAuxParamValueFromPlug(entry.aux, normalized);
      }
    }
  }
}
