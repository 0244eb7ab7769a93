// The edit handler's cases that act on the sound, the program of a part, the output routing and the MIDI
// clock: the routing and control triggers, randomizing, program stepping, the routing pair and the clock
// switch.
#include "Korvid.h"

#include "IControl.h"
#include "IGraphics.h"
#include "JobArguments.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "ProgramNumberPopupMenu.h"
#include "TabSwitchFunctions.h"

namespace
{
constexpr const char* kTextRandomized = "Part Randomized";
constexpr const char* kTextMultiModeFirst = "Disable Multi Mode first";
constexpr const char* kTextProgramChangeDisabled = "Program Change Disabled.";

// Programs of a bank: stepping wraps within them.
constexpr int kProgramsPerBank = 128;

int wrappedProgram(int program)
{
  return ((program % kProgramsPerBank) + kProgramsPerBank) % kProgramsPerBank;
}
} // namespace

bool Korvid::handleSoundTriggers(int paramIdx)
{
  IParam* param = GetParam(paramIdx);
  const int pressed = param->Int();
  const int routingPart = partOf(paramIdx, kTriggerFilterRouting);
  if (routingPart >= 0)
  {
    if (pressed == 1)
    {
      flipFilterRouting(routingPart);
    }
    return false;
  }
  if (paramIdx != kTriggerProgControl && paramIdx != kTriggerGlobalLocalKBDControl &&
      paramIdx != kTriggerLibControl)
  {
    return false;
  }
  // A released button ends the edit without display or tail.
  if (pressed == 0)
  {
    return true;
  }
  if (paramIdx == kTriggerProgControl)
  {
    flip(kControlProgBank);
  }
  else if (paramIdx == kTriggerGlobalLocalKBDControl)
  {
    // The flag takes the new value before the switch's own edit runs.
    mLocalControl = GetParam(kGlobalLocalControl)->Value() != 1.0;
    flip(kGlobalLocalControl);
  }
  else
  {
    flip(kControlLibrary);
  }
  return false;
}

bool Korvid::handleSoundCases(int paramIdx)
{
  IParam* param = GetParam(paramIdx);
  const int value = param->Int();
  if (paramIdx == kRandomize)
  {
    // Only on a sound page: on the multi page the button stays down and nothing happens.
    if (value == 1 && GetParam(kMainTab)->Value() > 0.0)
    {
      randomizeCurrentPart();
      setStoredValue(kRandomize, 0.0);
    }
    return true;
  }
  // The multi mixer's bank and program selectors: the part's choice reaches the synthesizer.
  const int bankPart = partOf(paramIdx, kMultiPartBank);
  const int programPart = bankPart >= 0 ? bankPart : partOf(paramIdx, kMultiPartPatch);
  if (programPart >= 0 && !mDeviceUpdate)
  {
    choosePartProgram(programPart);
    if (programPart == mCurrentPart)
    {
      updateBankAndProgramMenuNames(false);
    }
    return false;
  }
  const int upPart = partOf(paramIdx, kPatchUp);
  const int downPart = partOf(paramIdx, kPatchDown);
  if (upPart >= 0 || downPart >= 0)
  {
    stepProgram(upPart >= 0 ? upPart : downPart, upPart >= 0 ? 1 : -1, value == 1);
    return true;
  }
  switch (paramIdx)
  {
  case kMIDIFilterDirectToHardware:
  case kMIDIFilterToDAWBuffer:
    // A radio pair: the one switched on switches the other off; switching one off changes nothing.
    if (value == 1)
    {
      const bool queued = paramIdx == kMIDIFilterToDAWBuffer;
      setStoredValue(queued ? kMIDIFilterDirectToHardware : kMIDIFilterToDAWBuffer, 0.0);
      mMidiOutMode = queued;
    }
    break;
  case kSendMIDIClockInfo:
    if (value == 1)
    {
      // The clock job takes the host tempo stored now.
      OnParamChange(kTempoInformation);
      mClockFlag = true;
    }
    else
    {
      mClockFlag = false;
    }
    // Whichever way it went, a running clock job ends and the next audio block starts the clock anew.
    if (mMIDIMessageManager)
    {
      mMIDIMessageManager->sender->resetContinuousClock(value != 1);
    }
    mContinuousClock = false;
    break;
  default:
    break;
  }
  return false;
}

void Korvid::randomizeCurrentPart()
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    return;
  }
  const int part = mCurrentPart;
  manager->randomGenerator();
  manager->randomizePatchSettings(part);
  TabSwitchFunctions::mainTabSwitch(this, kRandomize, GetParam(kMainTab)->Int(), part);
  AllSoundsOff(part, false);
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobSendPart;
  args.part = part;
  // With the worker busy the new values stay in the editor only, and the user is not told otherwise.
  if (manager->post(args, [manager] { manager->sendRunning = true; }))
  {
    showStatusText(kTextRandomized);
  }
}

void Korvid::flipFilterRouting(int part)
{
  const bool parallel = GetParam(kFilterRoutingParallel + part)->Value() != 0.0;
  const double routing = parallel ? 1.0 : 0.0;
  // The routing is the setting the synthesizer knows: its own edit sends it.
  setStoredValue(kFilterRouting + part, routing);
  OnParamChange(kFilterRouting + part);
  setStoredValue(kFilterRoutingParallel + part, parallel ? 0.0 : 1.0);
  const int serial = kFilterRoutingSerial + part;
  GetParam(serial)->SetBounded(routing);
  OnParamChange(serial);
  setStoredValue(serial, routing);
}

void Korvid::stepProgram(int part, int step, bool pressed)
{
  if (mMultiMode)
  {
    // Said, and the step still taken: it moves the multi's program.
    showStatusText(kTextMultiModeFirst);
  }
  int program = GetParam(mMultiMode ? kMultiPatch : kMultiPartPatch + part)->Int();
  LibrarianViewControl* view = mLibrarianView;
  if (pressed)
  {
    if (GetParam(kPartLock + part)->Value() == 1.0)
    {
      return;
    }
    MIDIMessageManager* manager = mMIDIMessageManager;
    if (manager)
    {
      manager->refreshRequested = false;
    }
    if (GetParam(kControlLibrary)->Value() == 1.0)
    {
      // Library control: the next slot of the pane in use goes to the part.
      const bool lower = view && view->activePane == LibrarianViewControl::kLowerPane;
      const int slot = wrappedProgram((view ? view->cursorSlot : program) + step);
      selectLibrarianSlot(lower ? LibrarianViewControl::kLowerPane : LibrarianViewControl::kUpperPane, slot);
      setStoredValue(kMultiPartPatch + part, slot);
      program = slot;
      sendPatchToDeviceFromLibrarian(
          slot, lower ? LibrarianViewControl::kLowerPane : LibrarianViewControl::kUpperPane, part);
    }
    else if (GetParam(kReceiveProgramChange + part)->Value() != 1.0)
    {
      showStatusText(kTextProgramChangeDisabled);
    }
    else
    {
      // From the part's own program, within its bank.
      program = wrappedProgram(program + step);
      setStoredValue(mMultiMode ? kMultiPatch : kMultiPartPatch + part, program);
      selectLibrarianSlot(LibrarianViewControl::kUpperPane, program);
      if (BankChangeMessage(part) && mProgramChangeControlsBank && manager)
      {
        SetLibrarianRequestActive(false);
        JobArguments request;
        request.jobCode = MIDIMessageSender::kJobRequestPart;
        request.part = part;
        request.toEditor = true;
        manager->post(request, [manager] { manager->dumpExpected = true; });
        // The sections locked in the editor go back over the new program's sound.
        sendPartDataBackToHardware(part);
      }
    }
  }
  if (view)
  {
    view->cursorSlot = program;
  }
  if (mProgramNumberPopupMenu)
  {
    mProgramNumberPopupMenu->refreshPatchNames(mPatchLibrarian, this, program);
  }
  OnParamChange(kMainTab);
}
