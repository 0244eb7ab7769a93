// A value received from the synthesizer into one control: value offsets, refreshes, and the part whose bank
// or program it set.
#include "MIDIMessageManager.h"
#include "StoredInt.h"

#include "IControl.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <cstdint>

namespace
{
constexpr int kPartCount = 16;
// The synthesizer's bend range byte is 40 for -24 semitones.
constexpr int kBendRangeOffset = 40;
// Effect 2 types sent from 32 on stand 22 lower in the editor's list.
constexpr int kFirstShiftedEffect2Type = 32;
constexpr int kEffect2TypeShift = 22;
// A short program change holds off the bank and program of received changes for this long (ms).
constexpr uint32_t kProgramChangeHoldMs = 1000;

bool inFamily(int paramIdx, int base)
{
  return partOf(paramIdx, base) >= 0;
}

// The received value v in the units of the parameter it is applied to.
int receivedValue(int paramIdx, int v)
{
  if (inFamily(paramIdx, kOscillator1BendRange) || inFamily(paramIdx, kOscillator2BendRange) ||
      inFamily(paramIdx, kOscillator3BendRange))
  {
    return v - kBendRangeOffset;
  }
  if (inFamily(paramIdx, kMultiPartTranspose))
  {
    return v - MultiDumpLayout::kTransposeOffset;
  }
  if (inFamily(paramIdx, kMultiPartVeloLow) || inFamily(paramIdx, kMultiPartVeloHigh))
  {
    return v - MultiDumpLayout::kVelocityOffset;
  }
  if (inFamily(paramIdx, kEffect2Mode) && v >= kFirstShiftedEffect2Type)
  {
    return v - kEffect2TypeShift;
  }
  // Global changes carry tuning and transpose as the global dump does.
  if (paramIdx == kGlobalTuning)
  {
    return v - MultiDumpLayout::kTuningOffset;
  }
  if (paramIdx == kGlobalTranspose)
  {
    return v - MultiDumpLayout::kGlobalTransposeOffset;
  }
  return v;
}

// v as the normalised value of a parameter ranging min..max, held to 0..1.
double normalizedValue(int v, double min, double max)
{
  if (max <= min)
  {
    return 0.0;
  }
  const double normalized = (v - min) / (max - min);
  return normalized < 0.0 ? 0.0 : (normalized > 1.0 ? 1.0 : normalized);
}

int tableEntry(const AtomicIntTable<Korvid::kPartTableSize>& table, int part)
{
  return part >= 0 && static_cast<size_t>(part) < table.size() ? table[static_cast<size_t>(part)] : 0;
}
} // namespace

void MIDIMessageManager::processSysExToUI(IControl* control, int value, bool refreshTab, bool fromDevice)
{
  if (!control)
  {
    return;
  }
  sendSuppress = false;
  dumpExpected = false;
  const int paramIdx = control->ParamIdx();
  const IParam* param = plug->GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  const int v = receivedValue(paramIdx, value);
  const double normalized = normalizedValue(v, param->GetMin(), param->GetMax());
  bool refresh = refreshTab;
  int followedPart = -1;
  bool bankFollowed = false;

  if (paramIdx == kGlobalLocalControl)
  {
    plug->mLocalControl = v != 0;
  }
  else
  {
    const int bankPart = partOf(paramIdx, kMultiPartBank);
    const int part = bankPart >= 0 ? bankPart : partOf(paramIdx, kMultiPartPatch);
    const uint32_t sinceProgramChange =
        plug->mTickCount() - static_cast<uint32_t>(programChangeTimeStamp.load());
    // Right after a short program change the synthesizer reports the bank and program it already follows.
    if (part >= 0 && sinceProgramChange > kProgramChangeHoldMs)
    {
      setParameterFromDump(paramIdx, v);
      AtomicIntTable<Korvid::kPartTableSize>& table =
          bankPart >= 0 ? plug->mPartBankTable : plug->mPartProgramTable;
      if (static_cast<size_t>(part) < table.size())
      {
        table[static_cast<size_t>(part)] = v;
      }
      followedPart = part;
      bankFollowed = bankPart >= 0;
    }
    if (inFamily(paramIdx, kEffect1Mode))
    {
      refresh = true;
    }
    else if (inFamily(paramIdx, kEffect2Mode))
    {
      sendSuppress = true;
      control->SetValueFromHardware(normalized);
      sendSuppress = false;
      // The effect 2 panel follows the type.
      plug->OnParamChange(kMainTab);
    }
  }

  if (fromDevice)
  {
    sendSuppress = true;
  }
  control->SetValueFromHardware(normalized);
  if (refresh)
  {
    plug->OnParamChange2(kQuickTab);
  }
  sendSuppress = false;
  if (followedPart >= 0)
  {
    followPartProgram(followedPart, bankFollowed, v);
  }
}

void MIDIMessageManager::followPartProgram(int part, bool bank, int value)
{
  if (storedInt(*plug, kPartLock + part) == 1)
  {
    return;
  }
  const int program = bank ? tableEntry(plug->mPartProgramTable, part) : value;
  if (storedInt(*plug, kControlLibrary) == 1)
  {
    // Librarian program-change mode: the upper pane's slot of that number goes to the part.
    plug->mCurrentPart = part;
    selectUpperSlot(program);
    plug->sendPatchToDeviceFromLibrarian(program, LibrarianViewControl::kUpperPane, part);
    refreshRequested = true;
    return;
  }
  if (storedInt(*plug, kGlobalRxProgramChange) < 1)
  {
    return;
  }
  // The bank change paces its own messages on its thread: the MIDI input thread does not wait here.
  plug->AllSoundsOff(part, false);
  changeBankAndRequestSound(part);
  selectUpperSlot(program);
  dumpExpected = true;
  refreshRequested = true;
}

void MIDIMessageManager::changeBankAndRequestSound(int part)
{
  if (plug->BankChangeMessage(part) && plug->mProgramChangeControlsBank.load())
  {
    JobArguments args;
    args.jobCode = MIDIMessageSender::kJobRequestPart;
    args.part = part;
    args.toEditor = true;
    // The new program's sound comes back with the locked sections kept: those go back to the part.
    if (post(args, [this]() { dumpExpected = true; }))
    {
      plug->sendPartDataBackToHardware(part);
    }
  }
}

void MIDIMessageManager::selectUpperSlot(int slot)
{
  if (slot < 0 || slot >= LibrarianViewControl::kSlotCount)
  {
    return;
  }
  runOnEditorSide(
      [this, slot]()
      {
        LibrarianViewControl* view = plug->mLibrarianView;
        LibrarianViewControl::selectSlot(view, librarian, LibrarianViewControl::kUpperPane, slot);
        if (view)
        {
          view->cursorSlot = slot;
        }
      });
}
