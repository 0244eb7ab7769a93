// Controller and program-change messages from the synthesizer and the host, into the editor's controls.
#include "MIDIMessageManager.h"
#include "StoredInt.h"

#include "AudioThread.h"
#include "ControlAction.h"
#include "ControllerTable.h"
#include "EditorLock.h"
#include "IControl.h"
#include "IGraphics.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <cstddef>

namespace
{
// Positions of the message classes in the plug-in's block arrays (CC, PC, Note, PP, PA, CA, SE).
constexpr int kClassCC = 0;
constexpr int kClassPC = 1;
constexpr int kClassNote = 2;
constexpr int kClassPP = 3;
constexpr int kClassPA = 4;
constexpr int kClassCA = 5;
constexpr int kPartCount = 16;
// Data bytes are 7 bits; a host event may carry more.
constexpr int kMaxDataByte = 127;

// Bank select: controller 0 (MSB) and controller 32 (LSB); the synthesizer sends 0 then one of the
// LSB values below around its own program changes.
constexpr int kBankSelectMsb = 0;
constexpr int kBankSelectLsb = 32;
constexpr int kBankMsbArmValue = 0;

// Controllers with fixed conversions: oscillator octaves (16 + 12 x octave), semitones (52 + semitone),
// the oscillator 1 and 2 shapes (0..7 shapes, 8 and up wavetables) and the ones that refresh the page.
constexpr int kOctaveControllers[] = {27, 35, 42};
constexpr int kSemitoneControllers[] = {28, 36, 43};
constexpr int kOscillator1ShapeController = 31;
constexpr int kOscillator2ShapeController = 39;
constexpr int kRefreshControllers[] = {46, 68, 79};
constexpr int kOctaveOffset = 16;
constexpr int kOctaveStep = 12;
constexpr double kOctaveDivisor = 8.0;
constexpr int kSemitoneOffset = 52;
constexpr double kSemitoneDivisor = 24.0;
constexpr int kFirstWavetableValue = 8;
constexpr int kWavetableOffset = 7;
constexpr double kWavetableShape = 7.0;

// The class of a channel message kind, or -1 for a kind that is neither filtered nor handled.
int messageClass(int kind)
{
  switch (kind)
  {
  case IMidiMsg::kNoteOff:
  case IMidiMsg::kNoteOn:
    return kClassNote;
  case IMidiMsg::kPolyAftertouch:
    return kClassPA;
  case IMidiMsg::kControlChange:
    return kClassCC;
  case IMidiMsg::kProgramChange:
    return kClassPC;
  case IMidiMsg::kChannelAftertouch:
    return kClassCA;
  case IMidiMsg::kPitchWheel:
    return kClassPP;
  default:
    return -1;
  }
}

bool isBankSelectLsbValue(int value)
{
  return value == 64 || value == 66 || value == 80 || value == 96;
}

template <size_t N> bool contains(const int (&list)[N], int value)
{
  for (int entry : list)
  {
    if (entry == value)
    {
      return true;
    }
  }
  return false;
}

// A plain value into a parameter and its controls (no change handler runs).
void setPlain(Korvid& plug, int paramIdx, double value)
{
  if (IGraphics* surface = plug.GetGUI())
  {
    surface->SetParameterFromPlug(paramIdx, value, false);
  }
  else if (IParam* param = plug.GetParam(paramIdx))
  {
    param->Set(value);
  }
}

// The control that shows the parameter of chart controller cc in the part numbered channel (1-based, as the
// controller registry numbers its parts), or null.
IControl* chartControl(Korvid& plug, int cc, int channel)
{
  const IParam* param = plug.GetParam(ControllerTable::paramOf(cc, channel - 1));
  const ControlAction* action = param ? param->GetAction() : nullptr;
  return action && !action->boundControls.empty() ? action->boundControls.front() : nullptr;
}
} // namespace

void MIDIMessageManager::ProcessMidiMsgFromDevice(IMidiMsg* msg)
{
  if (!msg)
  {
    return;
  }
  fromHost = false;
  const int kind = msg->StatusMsg();
  const int cls = messageClass(kind);
  if (cls >= 0 && plug->mHardwareInputBlocked[static_cast<size_t>(cls)].load())
  {
    return;
  }
  const int channel = msg->Channel();
  if (kind == IMidiMsg::kControlChange)
  {
    if (msg->mData1 == kBankSelectLsb && isBankSelectLsbValue(msg->mData2) && bankSelectArmed.load())
    {
      bankSelectArmed = false;
      return;
    }
    if (msg->mData1 == kBankSelectMsb && msg->mData2 == kBankMsbArmValue)
    {
      bankSelectArmed = true;
      return;
    }
    getLegacyCCparam(msg->mData1, channel + 1, msg->mData2, false, true);
  }
  const bool passOn = cls >= 0 && !plug->mLocalControl.load();
  if (kind == IMidiMsg::kProgramChange)
  {
    // Passed on first: what the program change starts (a library record for the part) must reach the
    // synthesizer after it, or the synthesizer's own program would replace the record.
    if (passOn)
    {
      plug->MIDIOutRoutingSwitch(msg);
    }
    const int part = plug->partOnChannel(channel);
    if (part >= 0 && static_cast<size_t>(part) < plug->mPartProgramTable.size())
    {
      plug->mPartProgramTable[static_cast<size_t>(part)] = msg->mData1;
    }
    MakeProgramChangeMessages(part >= 0 ? part : 0, msg);
  }
  if (plug->mIndicatorsTrackIncoming.load())
  {
    plug->lightIncomingIndicator(channel);
  }
  if (passOn && kind != IMidiMsg::kProgramChange)
  {
    plug->MIDIOutRoutingSwitch(msg);
  }
}

void MIDIMessageManager::ProcessMidiMsgFromDAW(IMidiMsg* msg, int part)
{
  if (!msg || !plug->mOutputPresent.load())
  {
    return;
  }
  fromHost = true;
  const int kind = msg->StatusMsg();
  const int cls = messageClass(kind);
  if (cls >= 0 && plug->mHostInputBlocked[static_cast<size_t>(cls)].load())
  {
    return;
  }
  const int channel = msg->Channel();
  if (kind == IMidiMsg::kControlChange)
  {
    // The host's bank select pair is not ours to follow: a controller 0 with a bank other than 0 still
    // reaches the registry below.
    if ((msg->mData1 == kBankSelectLsb && isBankSelectLsbValue(msg->mData2)) ||
        (msg->mData1 == kBankSelectMsb && msg->mData2 == kBankMsbArmValue))
    {
      return;
    }
    followHostMsg(msg, part);
  }
  else if (kind == IMidiMsg::kProgramChange)
  {
    // Passed on first, as from the synthesizer's side.
    plug->MIDIOutRoutingSwitch(msg);
    followHostMsg(msg, part);
  }
  if (plug->mIndicatorsTrackIncoming.load())
  {
    plug->lightIncomingIndicator(channel);
  }
  if (cls >= 0 && kind != IMidiMsg::kProgramChange)
  {
    plug->MIDIOutRoutingSwitch(msg);
  }
}

void MIDIMessageManager::followHostMsg(IMidiMsg* msg, int part)
{
  if (!msg)
  {
    return;
  }
  // Following edits parameters, controls and the library: never on the audio thread.
  if (AudioThread::IsCurrent())
  {
    plug->keepHostMsgForIdle(*msg, part);
  }
  else if (msg->StatusMsg() == IMidiMsg::kControlChange)
  {
    getLegacyCCparam(msg->mData1, msg->Channel() + 1, msg->mData2, false, false);
  }
  else if (msg->StatusMsg() == IMidiMsg::kProgramChange)
  {
    MakeProgramChangeMessages(part >= 0 && part < kPartCount ? part : 0, msg);
  }
}

void MIDIMessageManager::getLegacyCCparam(int cc, int channel, int value, bool refreshTab, bool fromDevice)
{
  if (cc < 0 || cc > kMaxDataByte || value < 0 || value > kMaxDataByte)
  {
    return;
  }
  IControl* control = plug->getCCControls(channel, cc, 0);
  // Else the chart's parameter: the page shows it with its sysex control, which edits keep sending through.
  const bool chart = control == nullptr;
  if (chart)
  {
    control = chartControl(*plug, cc, channel);
  }
  if (!control)
  {
    if (cc == kBankSelectMsb)
    {
      const int found = plug->partOnChannel(channel - 1);
      const int part = found >= 0 ? found : 0;
      if (static_cast<size_t>(part) < plug->mPartBankTable.size())
      {
        plug->mPartBankTable[static_cast<size_t>(part)] = value;
      }
      setPlain(*plug, kMultiPartBank + part, value);
      setPlain(*plug, kCurrentBank + part, value);
      setPlain(*plug, kRequestFromBank, value);
    }
    return;
  }
  sendSuppress = false;
  const int paramIdx = control->ParamIdx();
  const IParam* param = plug->GetParam(paramIdx);
  double divisor = param ? param->GetMax() - param->GetMin() : 0.0;
  int v = value;
  bool refresh = refreshTab;

  if (contains(kOctaveControllers, cc))
  {
    v = (v - kOctaveOffset) / kOctaveStep;
    divisor = kOctaveDivisor;
  }
  else if (contains(kSemitoneControllers, cc))
  {
    v -= kSemitoneOffset;
    divisor = kSemitoneDivisor;
  }
  else if (cc == kOscillator1ShapeController)
  {
    refresh = true;
    const int part = partOf(paramIdx, kOscillator1Sample);
    if (part >= 0 && storedInt(*plug, kOsc1UseSampleMemory + part) != 1)
    {
      if (v >= kFirstWavetableValue)
      {
        setPlain(*plug, kOscillator1Wavetable + part, v - kWavetableOffset);
        setPlain(*plug, kOscillator1Shape + part, kWavetableShape);
        plug->OnParamChange2(kOscillator1Wavetable + part);
      }
      else
      {
        setPlain(*plug, kOscillator1Shape + part, v);
        setPlain(*plug, kOscillator1Wavetable + part, 0.0);
        plug->OnParamChange2(kOscillator1Shape + part);
      }
    }
  }
  else if (cc == kOscillator2ShapeController)
  {
    refresh = true;
    const int part = partOf(paramIdx, kOscillator2Sample);
    if (part >= 0)
    {
      if (v >= kFirstWavetableValue)
      {
        setPlain(*plug, kOscillator2Wavetable + part, v - kWavetableOffset);
        setPlain(*plug, kOscillator2Shape + part, kWavetableShape);
        plug->OnParamChange2(kOscillator2Wavetable + part);
        refresh = false;
      }
      else
      {
        // The shape follows a value below 8, as for oscillator 1.
        setPlain(*plug, kOscillator2Shape + part, v);
        setPlain(*plug, kOscillator2Wavetable + part, 0.0);
        plug->OnParamChange2(kOscillator2Shape + part);
      }
    }
  }
  else if (contains(kRefreshControllers, cc))
  {
    refresh = true;
  }

  const int routingPart = partOf(paramIdx, kFilterRoutingParallel);
  if (fromDevice)
  {
    sendSuppress = true;
  }
  if (fromDevice && routingPart >= 0)
  {
    setPlain(*plug, kFilterRoutingSerial + routingPart, v == 0 ? 0.0 : 1.0);
    setPlain(*plug, kFilterRoutingParallel + routingPart, v == 0 ? 1.0 : 0.0);
    plug->OnParamChange(kFilterRoutingSerial + routingPart);
  }
  else if (divisor > 0.0)
  {
    // A chart value past the stored range (a shape, glide mode or filter type; any on value of a switch)
    // lands on its end, so the page control holds the parameter's own position.
    const double normalized = static_cast<double>(v) / divisor;
    control->SetValueFromHardware(chart && normalized > 1.0 ? 1.0 : normalized);
  }
  if (refresh)
  {
    plug->OnParamChange2(kQuickTab);
  }
  sendSuppress = false;
}

void MIDIMessageManager::MakeProgramChangeMessages(int part, IMidiMsg* msg)
{
  if (!msg || part < 0 || part >= kPartCount || storedInt(*plug, kPartLock + part) == 1)
  {
    return;
  }
  const int program = msg->mData1;
  // The program selects a slot of 128: a malformed host event must not select beyond them.
  if (program > kMaxDataByte)
  {
    return;
  }
  programChangeTimeStamp = static_cast<int32_t>(plug->mTickCount());
  LibrarianViewControl* view = plug->mLibrarianView;
  if (storedInt(*plug, kControlLibrary) == 1)
  {
    // The send itself readies the requests and flags for its record once it is admitted.
    selectUpperSlot(program);
    const int pane = view && view->activePane == LibrarianViewControl::kLowerPane
                         ? LibrarianViewControl::kLowerPane
                         : LibrarianViewControl::kUpperPane;
    plug->sendPatchToDeviceFromLibrarian(program, pane, part);
    return;
  }
  // Received program changes are followed unless reception is off (0): "Send+Recv" of the list counts as
  // well.
  if (storedInt(*plug, kGlobalRxProgramChange) < 1)
  {
    return;
  }
  plug->SetLibrarianRequestActive(false);
  plug->AllSoundsOff(part, false);
  setPlain(*plug, kMultiPartPatch + part, program);
  changeBankAndRequestSound(part);
  selectUpperSlot(program);
}
