// Control action execution: an edit's controller or sysex message, or the multi or global dump it asks for;
// and the registry lookups of the incoming side.
#include "Korvid.h"

#include "ControlAction.h"
#include "IControl.h"
#include "IGraphics.h"
#include "JobArguments.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"
#include "ProgressIndicator.h"
#include "UIConfigManager.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{
constexpr const char* kTextSysex = "SysEx";
constexpr const char* kTextControllerPrefix = "CC|";
constexpr const char* kTextMulti = "MULTI";
constexpr const char* kTextGlobal = "GLOBAL";
constexpr const char* kTextStopForMulti = "STOP PLAYBACK TO SEND MULTI DATA";
constexpr const char* kTextStopForGlobal = "STOP PLAYBACK TO SEND GLOBAL DATA";

// Display controls by their position in mDisplayControls.
constexpr size_t kDisplayName = 0;
constexpr size_t kDisplayCC = 4;

constexpr int kPartsPerFamily = 16;
constexpr int kMaxDataByte = 127;
constexpr int kMaxChannel = 15;
// The shape controllers of oscillators 1 and 2, and the shape value of the first wavetable.
constexpr int kOscillator1WavetableCC = 31;
constexpr int kOscillator2WavetableCC = 39;
constexpr int kFirstWavetableShape = 7;
// Pause before the key state is read for a multi or global edit.
constexpr int kDumpEditPauseMs = 5;

// Controller values of the oscillator pitch families: octave v gives v * 12 + 16, semitone v gives v + 52.
constexpr int kOctaveStep = 12;
constexpr int kOctaveOffset = 16;
constexpr int kSemitoneOffset = 52;
// A part MIDI channel value below this one is the channel itself, otherwise the value minus it.
constexpr int kChannelValueOffset = 2;

// Positions in an unframed parameter message; a framed one (F0 first) holds them one further on.
constexpr int kDeviceIdByte = SysexTemplateLayout::kDeviceIdOffset;
constexpr int kValueByte = 7;

// The arpeggiator pattern steps: five per-part parameters per step, 80 indices apart.
constexpr int kArpStepCount = 16;
constexpr int kArpStepStride = 80;
enum ArpField
{
  kArpGlide = 0,
  kArpAccent = 1,
  kArpStep = 2,
  kArpTiming = 3,
  kArpStepLen = 4
};
constexpr int kArpFieldCount = 5;

// Packed value bytes: the upper field from bit 4 or 5, the lower fields below it.
constexpr int kNibbleShift = 4;
constexpr int kTriggerShift = 5;
constexpr int kGlideShift = 3;
constexpr int kAccentMax = 7;
constexpr int kGlideMax = 1;
constexpr int kTimingMax = 15;
constexpr int kEnvelopeModeMax = 31;
constexpr int kMonoPolyMax = 15;

// The multi set and the global set: their edits send the whole multi or global dump, whatever the control.
constexpr int kMultiPartFirst = kMultiPartStatus;
constexpr int kMultiPartLast = kMultiPartVeloHigh + kPartsPerFamily - 1;
constexpr int kMultiReceiveFirst = kReceiveMIDI;
constexpr int kMultiReceiveLast = kMultiTempo;
constexpr int kGlobalFirst = kGlobalVelocityCurve;
constexpr int kGlobalLast = kGlobalTranspose;

// The part of paramIdx inside the per-part family starting at base, or -1.
int partIn(int paramIdx, int base)
{
  const int part = paramIdx - base;
  return part >= 0 && part < kPartsPerFamily ? part : -1;
}

bool inMultiSet(int paramIdx)
{
  return (paramIdx >= kMultiPartFirst && paramIdx <= kMultiPartLast) ||
         (paramIdx >= kMultiReceiveFirst && paramIdx <= kMultiReceiveLast);
}

bool inGlobalSet(int paramIdx)
{
  return paramIdx >= kGlobalFirst && paramIdx <= kGlobalLast;
}

// The stored value of a parameter, truncated; 0 for an index outside the table.
int intValue(Korvid& plug, int paramIdx)
{
  const IParam* param = plug.GetParam(paramIdx);
  return param ? param->Int() : 0;
}

// A field bounded to what its bits of the packed byte can carry.
int field(int value, int maxValue)
{
  return std::clamp(value, 0, maxValue);
}

// Upper field shifted above lower, with the upper one bounded so that the byte stays a data byte.
int packed(int upper, int shift, int lower)
{
  return (field(upper, kMaxDataByte >> shift) << shift) + lower;
}

void setText(IControl* control, const char* text)
{
  if (ITextControl* display = dynamic_cast<ITextControl*>(control))
  {
    display->SetTextFromPlug(text);
  }
}

// Where an arpeggiator pattern parameter lies: its step's Glide index for part 0, its field and part.
struct ArpPosition
{
  int stepBase = -1;
  int field = -1;
  int part = -1;
};

ArpPosition arpPosition(int paramIdx)
{
  ArpPosition position;
  const int offset = paramIdx - kArpPattern01Glide;
  if (offset < 0 || offset >= kArpStepCount * kArpStepStride)
  {
    return position;
  }
  const int within = offset % kArpStepStride;
  position.stepBase = kArpPattern01Glide + (offset / kArpStepStride) * kArpStepStride;
  position.field = within / kPartsPerFamily;
  position.part = within % kPartsPerFamily;
  return position;
}

int arpValue(Korvid& plug, const ArpPosition& position, ArpField which)
{
  return intValue(plug, position.stepBase + which * kPartsPerFamily + position.part);
}

// Step, glide and accent of one pattern step in one byte: 0sssgaaa.
int arpStepByte(Korvid& plug, const ArpPosition& position)
{
  const int lower = (field(arpValue(plug, position, kArpGlide), kGlideMax) << kGlideShift) +
                    field(arpValue(plug, position, kArpAccent), kAccentMax);
  return packed(arpValue(plug, position, kArpStep), kNibbleShift, lower);
}

// Length and timing of one pattern step in one byte: 0llltttt.
int arpLengthByte(Korvid& plug, const ArpPosition& position)
{
  return packed(arpValue(plug, position, kArpStepLen), kNibbleShift,
                field(arpValue(plug, position, kArpTiming), kTimingMax));
}

// A trigger (upper) and mode (lower) pair of one envelope.
struct EnvelopePair
{
  int trigger;
  int mode;
};
constexpr EnvelopePair kEnvelopePairs[] = {{kFilterEnvTrigger, kFilterEnvMode},
                                           {kAmpEnvTrigger, kAmpEnvMode},
                                           {kEnv3Trigger, kEnvelope3Mode},
                                           {kEnv4Trigger, kEnvelope4Mode}};

// The value byte of a sysex value edit whose byte carries several parameters; -1 when the byte carries
// only the edited one.
int packedValueByte(Korvid& plug, int paramIdx)
{
  for (int base : {kOscillatorMonoPolyMode, kOscillatorUnisono})
  {
    const int part = partIn(paramIdx, base);
    if (part >= 0)
    {
      return packed(intValue(plug, kOscillatorUnisono + part), kNibbleShift,
                    field(intValue(plug, kOscillatorMonoPolyMode + part), kMonoPolyMax));
    }
  }
  for (const EnvelopePair& pair : kEnvelopePairs)
  {
    int part = partIn(paramIdx, pair.trigger);
    if (part < 0)
    {
      part = partIn(paramIdx, pair.mode);
    }
    if (part >= 0)
    {
      return packed(intValue(plug, pair.trigger + part), kTriggerShift,
                    field(intValue(plug, pair.mode + part), kEnvelopeModeMax));
    }
  }
  const ArpPosition position = arpPosition(paramIdx);
  if (position.field == kArpStep || position.field == kArpAccent)
  {
    return arpStepByte(plug, position);
  }
  if (position.field == kArpTiming || position.field == kArpStepLen)
  {
    return arpLengthByte(plug, position);
  }
  return -1;
}

// Writes a byte of a prepared message at an unframed position, when the message holds it.
void putByte(SysexMessageBytes& message, int position, int value)
{
  const size_t at = static_cast<size_t>(position + SysexTemplateLayout::frameShift(message));
  if (at < message.size())
  {
    message[at] = value;
  }
}

// A copy of a prepared message with the synthesizer's device id, when one is known (0 to 127); otherwise
// the template's own byte stays.
SysexMessageBytes withDeviceId(const SysexMessageBytes& prepared, int deviceId)
{
  SysexMessageBytes message = prepared;
  if (deviceId >= 0 && deviceId <= kMaxDataByte)
  {
    putByte(message, kDeviceIdByte, deviceId);
  }
  return message;
}

// Whether an edit goes back to the synthesizer: never for values from its own data; while an incoming
// controller is applied, only with local control off or when the controller came from the host.
bool echoAllowed(Korvid& plug)
{
  if (plug.mDeviceUpdate)
  {
    return false;
  }
  const MIDIMessageManager* manager = plug.mMIDIMessageManager;
  if (manager && manager->sendSuppress)
  {
    return !plug.mLocalControl || manager->fromHost;
  }
  return true;
}

void sendSysex(Korvid& plug, const SysexMessageBytes& message)
{
  if (echoAllowed(plug) && plug.mMIDIMessageManager)
  {
    plug.mMIDIMessageManager->sendSysexMessage(message);
  }
}

// The MIDI channel (0 to 15) of a part's controller messages; a part outside 0..15 takes part 0's.
int controllerChannel(Korvid& plug, int part)
{
  const int w = intValue(plug, kMultiPartMIDICh + (part >= 0 && part < kPartsPerFamily ? part : 0));
  return std::clamp(w < kChannelValueOffset ? w : w - kChannelValueOffset, 0, kMaxChannel);
}

// The controller value of a controller value edit by the edited parameter's family.
int controllerValue(int paramIdx, int v)
{
  for (int base : {kOscillator1Octave, kOscillator2Octave, kOscillator3Octave})
  {
    if (partIn(paramIdx, base) >= 0)
    {
      return v * kOctaveStep + kOctaveOffset;
    }
  }
  for (int base : {kOscillator1Semitone, kOscillator2Semitone, kOscillator3Semitone})
  {
    if (partIn(paramIdx, base) >= 0)
    {
      return v + kSemitoneOffset;
    }
  }
  return v;
}

void sendController(Korvid& plug, const ControlAction& action, int controllerValue)
{
  const std::string text = kTextControllerPrefix + std::to_string(action.keyInt1);
  setText(plug.mDisplayControls[kDisplayCC], text.c_str());
  if (!echoAllowed(plug) || action.keyInt1 < 0 || action.keyInt1 > kMaxDataByte)
  {
    return;
  }
  constexpr uint8_t kControlChangeStatus = 0xB0;
  IMidiMsg msg(0, static_cast<uint8_t>(kControlChangeStatus | controllerChannel(plug, action.part)),
               static_cast<uint8_t>(action.keyInt1),
               static_cast<uint8_t>(std::clamp(controllerValue, 0, kMaxDataByte)));
  plug.MIDIOutRoutingSwitch(&msg);
}

bool progressShown(Korvid& plug)
{
  return plug.mProgressIndicator ? !plug.mProgressIndicator->IsHidden() : plug.mProcessingOverlay.load();
}

// An edit of the multi (global) settings: the whole dump is sent by a worker job once Shift and the mouse
// button are released; until then the edit waits for the timing hub.
void sendDumpForEdit(Korvid& plug, bool multi)
{
  // Values from the synthesizer's data go no further than the controls.
  if (plug.mDeviceUpdate)
  {
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(kDumpEditPauseMs));
  IGraphics* surface = plug.GetGUI();
  if (surface && surface->ShiftOrLeftButtonHeld())
  {
    (multi ? plug.mDeferredMulti : plug.mDeferredGlobal) = true;
    return;
  }
  plug.sendEditedDump(multi, true);
}

void runSysexSwitch(Korvid& plug, const ControlAction& action, int paramIdx, int v)
{
  const SysexMessageBytes* prepared = action.messageForValue(v);
  if (!prepared)
  {
    return;
  }
  SysexMessageBytes message = withDeviceId(*prepared, plug.mDeviceId);
  const ArpPosition position = arpPosition(paramIdx);
  if (position.field == kArpGlide)
  {
    putByte(message, kValueByte, arpStepByte(plug, position));
  }
  if (plug.mDeviceUpdate)
  {
    return;
  }
  setText(plug.mDisplayControls[kDisplayCC], kTextSysex);
  sendSysex(plug, message);
}

void runSysexValue(Korvid& plug, const ControlAction& action, int paramIdx, int v)
{
  if (action.multiMessage)
  {
    const std::vector<SysexMessageBytes>* prepared = action.messagesForValue(v);
    if (!prepared)
    {
      return;
    }
    for (const SysexMessageBytes& each : *prepared)
    {
      const SysexMessageBytes message = withDeviceId(each, plug.mDeviceId);
      setText(plug.mDisplayControls[kDisplayCC], kTextSysex);
      if (!plug.mDeviceUpdate)
      {
        sendSysex(plug, message);
      }
    }
    return;
  }
  const SysexMessageBytes* prepared = action.messageForValue(v);
  if (!prepared)
  {
    return;
  }
  SysexMessageBytes message = withDeviceId(*prepared, plug.mDeviceId);
  const int valueByte = packedValueByte(plug, paramIdx);
  if (valueByte >= 0)
  {
    putByte(message, kValueByte, valueByte);
  }
  if (plug.mDeviceUpdate)
  {
    return;
  }
  setText(plug.mDisplayControls[kDisplayCC], kTextSysex);
  sendSysex(plug, message);
}
// The message of an edit by its control type; value is the edited value, v its integer part.
void sendMessageForEdit(Korvid& plug, const ControlAction& action, int paramIdx, double value, int v,
                        bool sameValueSent)
{
  switch (action.type)
  {
  case kActionCCValue:
    if (!sameValueSent)
    {
      sendController(plug, action, controllerValue(paramIdx, v));
    }
    break;
  case kActionCCButton:
    sendController(plug, action, value == 0.0 ? action.offValue : action.onValue);
    break;
  case kActionSysexButton:
    runSysexSwitch(plug, action, paramIdx, v);
    break;
  case kActionSysexValue:
    if (!sameValueSent)
    {
      runSysexValue(plug, action, paramIdx, v);
    }
    break;
  default:
    break;
  }
}
} // namespace

void Korvid::processControlAction(ControlAction* action, int paramIdx, double value)
{
  if (!action)
  {
    return;
  }
  if (!mOutputPresent)
  {
    const bool portOrId =
        paramIdx == kDeviceOutSelection || paramIdx == kDeviceInSelection || paramIdx == kGlobalSysExID;
    if (!portOrId && mConstructed)
    {
      sayNoOutput();
    }
    return;
  }
  const int v = truncatedValue(value);
  IParam* param = GetParam(paramIdx);
  // A drag within one step of the value the editor showed sends nothing more, once that value went out to
  // this output (the value last carried out; forgotten when an output opens). Every other edit goes out,
  // and a text whenever it is entered.
  const bool sameValueSent = paramIdx == mEditedParam && truncatedValue(mValueBeforeEdit) == v &&
                             action->lastValue == static_cast<double>(v) && param &&
                             param->Type() != IParam::kTypeText;
  action->lastValue = v;
  // A copy: moving a control may run code that changes the list.
  const std::vector<IControl*> controls = action->boundControls;
  for (IControl* control : controls)
  {
    if (!control || !param)
    {
      continue;
    }
    if (mLinkedUpdate)
    {
      param->SetBounded(value);
    }
    control->SetValueFromPlug(param->GetNormalized());
  }

  // The synthesizer takes these settings only within its multi and global dumps: no message of their own.
  const bool valueKind = action->type == kActionCCValue || action->type == kActionSysexValue;
  if (inMultiSet(paramIdx) || inGlobalSet(paramIdx))
  {
    if (!(valueKind && sameValueSent))
    {
      sendDumpForEdit(*this, inMultiSet(paramIdx));
    }
  }
  else
  {
    sendMessageForEdit(*this, *action, paramIdx, value, v, sameValueSent);
  }

  if (MIDIMessageManager* manager = mMIDIMessageManager)
  {
    manager->SetFX1ParameterChangesToDefaultParameters(paramIdx, v);
    manager->SetFX2ParameterChangesToDefaultParameters(paramIdx, v);
  }
}

void Korvid::setParameterNotingEdit(int idx, double normalizedValue)
{
  WDL_MutexLock lock(GetMutex());
  const IParam* param = GetParam(idx);
  const int outerParam = mEditedParam;
  const double outerValue = mValueBeforeEdit;
  mEditedParam = param ? idx : -1;
  mValueBeforeEdit = param ? param->Value() : 0.0;
  IPlugVST::SetParameterFromGUI(idx, normalizedValue);
  // Edits run inside edits (linked parameters): the outer one's note comes back.
  mEditedParam = outerParam;
  mValueBeforeEdit = outerValue;
}

void Korvid::sendEditedDump(bool multi, bool silenceFirst)
{
  if (multi)
  {
    mPushAllParts = true;
    mPushGlobal = false;
  }
  setText(mDisplayControls[kDisplayCC], multi ? kTextMulti : kTextGlobal);
  if (progressShown(*this))
  {
    return;
  }
  if (mTransportWasRunning && mStopPending && mOutputPresent)
  {
    showStatusText(multi ? kTextStopForMulti : kTextStopForGlobal);
    return;
  }
  if (silenceFirst)
  {
    AllSoundsOff(0, true);
  }
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    return;
  }
  JobArguments args;
  if (multi)
  {
    args.jobCode = MIDIMessageSender::kJobSendArrangement;
    args.toLibrarian = false;
    args.requestParts = false;
  }
  else
  {
    args.jobCode = MIDIMessageSender::kJobSendGlobal;
    args.deviceId = intValue(*this, kDeviceID_old);
  }
  // A busy worker drops the request: the edit stays in the parameters.
  manager->post(args, [manager] { manager->sendRunning = true; });
}

void Korvid::sendWavetableController(int oscillator, int part, int wavetable)
{
  const int cc = oscillator == 1 ? kOscillator1WavetableCC : kOscillator2WavetableCC;
  const std::string text = kTextControllerPrefix + std::to_string(cc);
  setText(mDisplayControls[kDisplayCC], text.c_str());
  if (!echoAllowed(*this))
  {
    return;
  }
  // Wavetables follow the basic shapes on the synthesizer's shape controller.
  constexpr uint8_t kControlChangeStatus = 0xB0;
  IMidiMsg msg(0, static_cast<uint8_t>(kControlChangeStatus | controllerChannel(*this, part)),
               static_cast<uint8_t>(cc),
               static_cast<uint8_t>(std::clamp(wavetable + kFirstWavetableShape, 0, kMaxDataByte)));
  sendMidiMsgAndLog(&msg);
}

int Korvid::truncatedValue(double value)
{
  if (!(value == value))
  {
    return 0;
  }
  return static_cast<int>(std::clamp(value, -1.0e9, 1.0e9));
}

IControl* Korvid::getSysexControl(int key1, int key2, int key3, int key4, int group)
{
  const UIConfigManager* config = mUIConfigManager.get();
  return config ? config->sysexControls.findControl(key1, key2, key3, key4, group) : nullptr;
}

IControl* Korvid::getCCControls(int channel, int ccNumber, int flag)
{
  const UIConfigManager* config = mUIConfigManager.get();
  return config ? findCCControl(config->ccControls, channel, ccNumber, flag) : nullptr;
}
