// The plug-in's parameter handlers, as far as the editor core relies on them: MIDI ports, routing flags,
// page part and bank selection names; the settings, page and librarian cases are dispatched to their files.
#include "Korvid.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "JobArguments.h"
#include "LibrarianViewControl.h"
#include "LinkManager.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "TabSwitchFunctions.h"

namespace
{
void showLayer(ControlLayer* layer, bool show)
{
  if (layer)
  {
    layer->Hide(!show);
  }
}

// A trigger button of a part and the per-part parameter it flips between 0 and 1; refresh: the flipped
// setting decides which zones of the page apply.
struct TriggerTarget
{
  int trigger;
  int target;
  bool refresh;
};

constexpr TriggerTarget kTriggerTargets[] = {
    {kTriggerOscillator1LimitWT, kOscillator1LimitWT, false},
    {kTriggerOscillator2LimitWT, kOscillator2LimitWT, false},
    {kTriggerOscillator1Samples, kOsc1UseSampleMemory, true},
    {kTriggerOscillator2Samples, kOsc2UseSampleMemory, true},
    {kTriggerFX1PhaserPolarity, kFX1PhaserPolarity, false},
    {kTriggerFX2PhaserPolarity, kFX2PhaserPolarity, false},
    {kTriggerFX1FlangerPolarity, kFX1FlangerPolarity, false},
    {kTriggerFX2FlangerPolarity, kFX2FlangerPolarity, false},
    {kTriggerFX2DelayPolarity, kFX2DelayPolarity, false},
    {kTriggerArpNoteOverlap, kArpSameNoteOverlap, false},
    {kTriggerArpPatternReset, kArpPatternReset, false},
    {kTriggerOscillator2SyncToOsc3, kOscillator2SyncToOsc3, false},
    {kTriggerOscillatorMonoPolyMode, kOscillatorMonoPolyMode, false},
    {kTriggerOscillatorGlideOnOffSwitch, kOscillatorGlideOnOffSwitch, false},
    {kTriggerFilterEnvTrigger, kFilterEnvTrigger, false},
    {kTriggerAmpEnvTrigger, kAmpEnvTrigger, false},
    {kTriggerEnv3Trigger, kEnv3Trigger, false},
    {kTriggerEnv4Trigger, kEnv4Trigger, false},
    {kTriggerLFO1Clock, kLFO1Clock, true},
    {kTriggerLFO2Clock, kLFO2Clock, true},
    {kTriggerLFO3Clock, kLFO3Clock, true},
    {kTriggerLFO1SyncOnOff, kLFO1SyncOnOff, false},
    {kTriggerLFO2SyncOnOff, kLFO2SyncOnOff, false},
    {kTriggerLFO3SyncOnOff, kLFO3SyncOnOff, false},
    {kFilterLinkTrigger, kFilterLinkSwitch, false},
};

// Per-part families whose value is stored back as an integer and then decides the page's zones.
constexpr int kZoneFamilies[] = {kOscillator3Shape, kOscillator2Shape, kOscillator1Shape,
                                 kFilter1Type,      kFilter2Type,      kFilterEnvMode,
                                 kAmpEnvMode,       kEnvelope3Mode,    kEnvelope4Mode};

constexpr int kOscillatorsPage = 2;
constexpr int kEffectsPage = 5;
// The shape value of the first wavetable.
constexpr double kWavetableShape = 7.0;
constexpr int kPartsWithEffect1 = 4;
// The nine effect 2 panels follow the first part's effect 2 type.
constexpr int kFirstPartEffect2Mode = kEffect2Mode;
} // namespace

void Korvid::OnParamChange(int paramIdx)
{
  WDL_MutexLock lock(GetMutex());
  IParam* param = GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  if (isWavetable(paramIdx))
  {
    changeWavetable(paramIdx);
    return;
  }
  double value = param->Value();
  int tailValue = truncatedValue(value);
  // The settings file, the first-run notice, a part's bank selection and the bank step buttons end with
  // their own case: no display, no device message.
  if (handleCasesBeforeDisplay(paramIdx, tailValue))
  {
    return;
  }
  // Values from the synthesizer's data (reaching here through a nested call) take no shape resets, flips
  // or refreshes.
  if (!mDeviceUpdate)
  {
    if (handleSoundTriggers(paramIdx))
    {
      return;
    }
    handleZoneFamilies(paramIdx);
    if (GetGUI())
    {
      mControlDisplay.controlDisplay(this, paramIdx, value, mTransportWasRunning);
    }
  }
  if (handleSoundCases(paramIdx))
  {
    return;
  }
  if (!handleEditorCases(paramIdx, param, value))
  {
    return;
  }
  // A case that asked a question gave the locks back meanwhile (the list kind's, about unsaved edits): the
  // edit goes on with the value that holds now.
  if (param->Value() != value)
  {
    value = param->Value();
    tailValue = truncatedValue(value);
  }
  if (!handleCasesAfterDisplay(paramIdx, truncatedValue(value)))
  {
    return;
  }
  runActionTail(paramIdx, value, false, tailValue);
}

void Korvid::OnParamChange2(int paramIdx)
{
  WDL_MutexLock lock(GetMutex());
  IParam* param = GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  mDeviceUpdate = true;
  if (isWavetable(paramIdx))
  {
    changeWavetable(paramIdx);
    mDeviceUpdate = false;
    return;
  }
  const double value = param->Value();
  mControlDisplay.controlDisplay(this, paramIdx, value, mTransportWasRunning);
  // A part's sound arrived: the only change from the synthesizer's data that switches layers.
  if (paramIdx == kQuickTab)
  {
    TabSwitchFunctions::quickTabSwitch(this, kQuickTab, truncatedValue(value), false);
  }
  runActionTail(paramIdx, value, true);
  if (mMIDIMessageManager)
  {
    mMIDIMessageManager->dumpExpected = false;
  }
  mDeviceUpdate = false;
}

void Korvid::runActionTail(int paramIdx, double value, bool fromDevice)
{
  runActionTail(paramIdx, value, fromDevice, truncatedValue(value));
}

void Korvid::runActionTail(int paramIdx, double value, bool fromDevice, int intValue)
{
  IParam* param = GetParam(paramIdx);
  ControlAction* action = param ? param->GetAction() : nullptr;
  if (!action)
  {
    return;
  }
  if (ControlLayer* layer = action->switchLayer)
  {
    layer->mSelectedId = intValue;
    for (ControlLayer* sub : layer->mSubLayers)
    {
      sub->Hide(sub->mId != intValue);
    }
  }
  // A partner moved by a link sends its own message; the synthesizer's echo of it goes no further.
  if (fromDevice && mLinkedUpdate)
  {
    return;
  }
  processControlAction(action, paramIdx, value);
  if (fromDevice)
  {
    mDeviceUpdate = false;
  }
  LinkManager::controlLinker(this, action, action->link, paramIdx, intValue, value);
}

bool Korvid::isWavetable(int paramIdx)
{
  return partOf(paramIdx, kOscillator1Wavetable) >= 0 || partOf(paramIdx, kOscillator2Wavetable) >= 0;
}

void Korvid::changeWavetable(int paramIdx)
{
  const bool first = partOf(paramIdx, kOscillator1Wavetable) >= 0;
  const int part = first ? partOf(paramIdx, kOscillator1Wavetable) : partOf(paramIdx, kOscillator2Wavetable);
  const int wavetable = truncatedValue(GetParam(paramIdx)->Value());
  // A wavetable makes the oscillator a wavetable oscillator, and the page shows the zones that apply to it.
  setStoredValue((first ? kOscillator1Shape : kOscillator2Shape) + part, kWavetableShape);
  TabSwitchFunctions::quickTabSwitch(this, kQuickTab, mCurrentPart, false);
  sendWavetableController(first ? 1 : 2, part, wavetable);
  mControlDisplay.controlDisplay(this, paramIdx, wavetable, mTransportWasRunning);
}

bool Korvid::handleEditorCases(int paramIdx, IParam* param, double value)
{
  if (startJobOfEdit(paramIdx, param->Int()))
  {
    return true;
  }
  if (handleBankListCases(paramIdx, param))
  {
    // A pane's bank list goes on to the tail; a list-kind switch or rescan that kept unsaved edits (the
    // value set back) ends here.
    return paramIdx == kPatchSelectionListUpper || paramIdx == kPatchSelectionListLower;
  }
  if (paramIdx >= kMIDIFilterDAWCCPassThrough && paramIdx <= kMIDIFilterDAWSEPassThrough)
  {
    mHostInputBlocked[static_cast<size_t>(paramIdx - kMIDIFilterDAWCCPassThrough)] = value != 1.0;
    return true;
  }
  if (paramIdx >= kMIDIFilterHWCCPassThrough && paramIdx <= kMIDIFilterHWSEPassThrough)
  {
    mHardwareInputBlocked[static_cast<size_t>(paramIdx - kMIDIFilterHWCCPassThrough)] = value != 1.0;
    return true;
  }
  if (paramIdx == kCurrentOpenPerfBankL || paramIdx == kCurrentOpenPerfBankR ||
      (paramIdx >= kCurrentOpenPatchBankL && paramIdx < kCurrentOpenPatchBankR + kPartCount))
  {
    updateSelectionNames();
    return true;
  }
  switch (paramIdx)
  {
  case kDeviceOutSelection:
  {
    // The port index is the chosen entry; 0 ("OFF") closes the port.
    portChosen(true);
    countOutputChoice();
    mMidiOutPortIndex = param->Int();
    const std::string chosen = portEntryName(kDeviceOutSelection, param->Int());
    // The output is there only when the port opened: sends say "Set MIDI I/O First!" otherwise.
    std::string failure;
    const bool opened = setExternalMIDIOut(mMidiOutPortIndex, chosen.c_str(), &failure) > 0;
    // A port the system did not answer for stays chosen, and opens once it answers (takeLostPorts).
    const bool waits = !opened && value >= 1.0 && mMidiPorts.IsOutWaiting();
    // The state keeps this choice, also through a loss of the port; a port that did not open is "OFF".
    mKeptPortNames[1] = opened || waits ? chosen : "";
    if (opened)
    {
      outputOpened();
      // A project opened without this output gets its stored values now that the port is open.
      completePendingRecall();
      sendSysExInitialization();
    }
    else
    {
      if (waits)
      {
        showKeptPort(kDeviceOutSelection);
      }
      else if (value >= 1.0)
      {
        showPortOff(kDeviceOutSelection);
        sayPortNotOpened(true, chosen, failure);
      }
      else
      {
        showStatusText("MIDI OUT set to OFF");
      }
      outputAbsent();
    }
    takeLostPorts();
    break;
  }
  case kDeviceInSelection:
  {
    portChosen(false);
    mMidiInPortIndex = param->Int();
    const std::string chosen = portEntryName(kDeviceInSelection, param->Int());
    std::string failure;
    const bool opened = setExternalMIDIIn(mMidiInPortIndex, chosen.c_str(), &failure) > 0;
    const bool waits = !opened && value >= 1.0 && mMidiPorts.IsInWaiting();
    mKeptPortNames[0] = opened || waits ? chosen : "";
    if (waits)
    {
      showKeptPort(kDeviceInSelection);
    }
    else if (!opened && value >= 1.0)
    {
      showPortOff(kDeviceInSelection);
      sayPortNotOpened(false, chosen, failure);
    }
    else if (!opened)
    {
      showStatusText("MIDI IN set to OFF");
    }
    takeLostPorts();
    if (opened)
    {
      // As for a chosen output: with both ports the probe runs and says whether the synthesizer answers.
      inputOpened();
    }
    break;
  }
  case kAdjustDAWOffset:
    mQueueFrames = 2 * param->Int() + GetBlockSize();
    break;
  case kGlobalLocalControl:
    mLocalControl = value == 1.0;
    break;
  case kGlobalSysExID:
    mDeviceId = param->Int();
    break;
  case kMasterKeyboard:
    mMasterKeyboard = value == 1.0;
    break;
  case kMIDIFilterTrackIncomingMIDI:
    mIndicatorsTrackIncoming = value == 1.0;
    break;
  case kSendMIDIClockPointer:
    mClockPointerFlag = value == 1.0;
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
    // The bank number selector or the bank-name selector, by the mode now on.
    updateBankAndProgramMenuNames(false);
    break;
  case kQuickTab:
    mCurrentPart = param->Int();
    TabSwitchFunctions::quickTabSwitch(this, kQuickTab, param->Int(), mQuickTabFlag);
    updateSelectionNames();
    updateBankAndProgramMenuNames(false);
    break;
  case kCancelDataRequest:
    // The cancel button of the processing overlay: the running request job polls this flag.
    if (value == 1.0 && mMIDIMessageManager)
    {
      mMIDIMessageManager->sender->cancel = true;
    }
    break;
  default:
    break;
  }
  return true;
}

void Korvid::handleZoneFamilies(int paramIdx)
{
  IParam* param = GetParam(paramIdx);
  for (int base : kZoneFamilies)
  {
    const int part = partOf(paramIdx, base);
    if (part < 0)
    {
      continue;
    }
    // A new oscillator shape starts on the first wavetable.
    if (base == kOscillator1Shape || base == kOscillator2Shape)
    {
      const int wavetable =
          (base == kOscillator1Shape ? kOscillator1Wavetable : kOscillator2Wavetable) + part;
      setStoredValue(wavetable, 0.0);
    }
    restoreAndRefresh(paramIdx);
    return;
  }
  if (partOf(paramIdx, kOsc1UseSampleMemory) >= 0 || partOf(paramIdx, kOsc2UseSampleMemory) >= 0)
  {
    // The switch sends only itself: the synthesizer reads the shape byte it holds as the new kind (sample
    // or shape), and the control now shown says which.
    SoundDumpLayout::keepShapeByte(
        paramIdx, [this](int idx) { return GetParam(idx)->Value(); },
        [this](int idx, double v) { setStoredValue(idx, v); });
    return;
  }
  if (partOf(paramIdx, kOscillator1Sample) >= 0 || partOf(paramIdx, kOscillator2Sample) >= 0)
  {
    TabSwitchFunctions::quickTabSwitch(this, kQuickTab, mCurrentPart, false);
    return;
  }
  for (const TriggerTarget& trigger : kTriggerTargets)
  {
    const int part = partOf(paramIdx, trigger.trigger);
    if (part < 0)
    {
      continue;
    }
    // The button's release (value 0) changes nothing.
    if (param->Int() == 1)
    {
      flip(trigger.target + part);
      if (trigger.refresh)
      {
        TabSwitchFunctions::quickTabSwitch(this, kQuickTab, mCurrentPart, false);
      }
    }
    return;
  }
  if (partOf(paramIdx, kMultiPartSettings) >= 0)
  {
    showLayer(mMultiSettingsPartLayers[static_cast<size_t>(partOf(paramIdx, kMultiPartSettings))],
              param->Int() >= 1);
    TabSwitchFunctions::mainTabSwitch(this, 0, 0, mCurrentPart);
    return;
  }
  if (partOf(paramIdx, kEffect1Mode) >= 0 || partOf(paramIdx, kEffect2Mode) >= 0)
  {
    showEffectPanel(paramIdx);
  }
}

void Korvid::setStoredValue(int paramIdx, double value)
{
  if (IParam* param = GetParam(paramIdx))
  {
    param->SetBounded(value);
    if (IGraphics* surface = GetGUI())
    {
      surface->SetParameterFromPlug(paramIdx, param->Value(), false);
    }
  }
}

void Korvid::restoreAndRefresh(int paramIdx)
{
  if (IParam* param = GetParam(paramIdx))
  {
    param->SetBounded(static_cast<double>(param->Int()));
  }
  TabSwitchFunctions::quickTabSwitch(this, kQuickTab, mCurrentPart, false);
}

void Korvid::flip(int target)
{
  IParam* param = GetParam(target);
  if (!param)
  {
    return;
  }
  const double flipped = param->Value() == 1.0 ? 0.0 : 1.0;
  param->SetBounded(flipped);
  OnParamChange(target);
  if (IGraphics* surface = GetGUI())
  {
    surface->SetParameterFromPlug(target, flipped, false);
  }
}

bool Korvid::soundPageShown() const
{
  const ControlLayer* root = mRootLayer;
  const int page = root ? root->mSelectedId.load() : -1;
  return page >= kOscillatorsPage && page <= kEffectsPage;
}

void Korvid::showEffectPanel(int paramIdx)
{
  if (!mRootLayer || mRootLayer->mSelectedId != kEffectsPage)
  {
    return;
  }
  if (partOf(paramIdx, kEffect1Mode) >= 0)
  {
    const int type = GetParam(paramIdx)->Int();
    const ControlLayer* page = mEffectsArpLayer;
    const int position = page ? page->mSelectedId.load() : -1;
    if (page && position >= 0 && static_cast<size_t>(position) < page->mSubLayers.size())
    {
      ControlLayer* part = page->mSubLayers[static_cast<size_t>(position)];
      part->showMultiLayers(type + 10);
      // As the page switch does: effect 1 of parts 5 to 16 does not sound in a multi.
      part->GrayOutCustomZone(position >= kPartsWithEffect1, type + 10);
      if (type == 0)
      {
        part->GrayOutCustomZone(true, 10);
      }
    }
    return;
  }
  for (ControlLayer* layer : mEffectTypeLayers)
  {
    showLayer(layer, false);
  }
  const int type = GetParam(kFirstPartEffect2Mode)->Int();
  if (type >= 0 && static_cast<size_t>(type) < mEffectTypeLayers.size())
  {
    ControlLayer* layer = mEffectTypeLayers[static_cast<size_t>(type)];
    showLayer(layer, true);
    if (layer && type == 0)
    {
      layer->GrayOut(true);
    }
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
  // The lists hold the banks of the kind shown: the pairs of the other kind keep naming their banks.
  if (mMultiMode)
  {
    mUpperMultiPair.displayName = shown(kPatchSelectionListUpper, kCurrentOpenPerfBankL);
    mLowerMultiPair.displayName = shown(kPatchSelectionListLower, kCurrentOpenPerfBankR);
    return;
  }
  const int part = mCurrentPart;
  mUpperSoundPair.displayName = shown(kPatchSelectionListUpper, kCurrentOpenPatchBankL + part);
  panePair(false).displayName = shown(kPatchSelectionListLower, kCurrentOpenPatchBankR + part);
}

void Korvid::sayPortNotOpened(bool output, const std::string& port, const std::string& failure)
{
  // A port gone meanwhile or a system that did not answer is said by takeLostPorts.
  if (!failure.empty())
  {
    showStatusText(("Cannot open " + directionsText(output, !output) + " " + port + " - " + failure).c_str());
  }
}

bool Korvid::refuseSoundStore()
{
  // A sound dump is taken only into a sound bank, and only into the upper pane's selected slot.
  const char* reason = mMultiMode ? "Switch to SOUNDS to store a sound"
                       : mLibrarianView && mLibrarianView->activePane == 1 ? "Select a slot of the upper bank"
                                                                           : nullptr;
  if (reason)
  {
    showStatusText((std::string(reason) + " - nothing stored").c_str());
  }
  return reason != nullptr;
}

bool Korvid::startJobOfEdit(int paramIdx, int intValue)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  const bool patchName = partOf(paramIdx, kPatchName) >= 0;
  const bool category = partOf(paramIdx, kCategoryName) >= 0;
  if (!manager || !(paramIdx == kMultiName || paramIdx == kPushArrangement || paramIdx == kRequestTempData ||
                    paramIdx == kOverwriteBank || patchName || category))
  {
    return false;
  }
  JobArguments args;
  // A name's send is the entry's that committed the name: the letters it left out go with that send alone
  // (OnTextEntryRefused).
  const int entry = paramIdx == kMultiName || patchName ? paramIdx : -1;
  mSendingEntry = -1;
  const auto sendRunning = [this, manager, entry]
  {
    manager->sendRunning = true;
    mSendingEntry = entry;
  };
  if (paramIdx == kMultiName || paramIdx == kPushArrangement)
  {
    if (paramIdx == kPushArrangement && intValue != 1)
    {
      return true;
    }
    // A pushed arrangement sends the global data and every active part with the multi; a new name the
    // multi alone.
    const bool push = paramIdx == kPushArrangement;
    mPushAllParts = push;
    mPushGlobal = push;
    manager->patchRequest.end();
    AllSoundsOff(0, true);
    args.jobCode = MIDIMessageSender::kJobSendArrangement;
    args.saySent = push;
    if (!manager->post(args, sendRunning) && push)
    {
      showStatusText(MIDIMessageSender::kTextBusyNothingSent);
    }
  }
  else if (paramIdx == kRequestTempData)
  {
    if (intValue == 1)
    {
      // Set also when the worker is busy and the request is dropped.
      manager->dumpExpected = true;
      args.jobCode = MIDIMessageSender::kJobRequestArrangement;
      args.toEditor = true;
      manager->post(args);
    }
  }
  else if (paramIdx == kOverwriteBank)
  {
    if (intValue == 1 && !refuseSoundStore())
    {
      mPushAllParts = false;
      args.jobCode = MIDIMessageSender::kJobSendPart;
      args.part = mCurrentPart;
      args.toLibrarian = true;
      manager->post(args, sendRunning);
    }
  }
  else
  {
    // A renamed or recategorised sound goes to its part's edit buffer.
    const int part = patchName ? partOf(paramIdx, kPatchName) : partOf(paramIdx, kCategoryName);
    AllSoundsOff(part, false);
    manager->patchRequest.end();
    args.jobCode = MIDIMessageSender::kJobSendPart;
    args.part = part;
    args.requestParts = true;
    manager->post(args, sendRunning);
  }
  return true;
}
