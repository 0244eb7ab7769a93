// The plug-in's short-message output: immediate sends, routing through the output queue, all sounds off.
#include "Korvid.h"

#include "IGraphics.h"
#include "ParamIndex.h"
#include "WdlTime.h"

#include <algorithm>

namespace
{
constexpr const char* kTextNoOutput = "Set MIDI I/O First!";
// Position of note messages in the blocked message classes (CC, PC, Note, PP, PA, CA, SE).
constexpr size_t kNoteBlockClass = 2;
// Values of kMultiPartMIDICh: 0 the global channel, 1 omni, 2..17 channels 0..15.
constexpr int kPartChannelGlobal = 0;
constexpr int kPartChannelFirst = 2;
constexpr int kMidiChannelCount = 16;
// Parts are silenced with controller 123 (all notes off in the MIDI standard) and value 0.
constexpr IMidiMsg::EControlChangeMsg kAllSoundsOffController = IMidiMsg::kAllNotesOff;

bool isChannel(int channel)
{
  return channel >= 0 && channel < kMidiChannelCount;
}

// The stored value of a parameter truncated to int; 0 when the index has no parameter.
int storedInt(IPlugBase& plug, int paramIdx)
{
  const IParam* param = plug.GetParam(paramIdx);
  return param ? static_cast<int>(param->Value()) : 0;
}

// The MIDI channel (0..15) part listens on, or -1 when it has no single channel (omni, an omni global
// channel, or a value outside the list). globalForZero replaces the value 0 by the global channel.
int partChannel(IPlugBase& plug, int part, bool globalForZero)
{
  const int value = storedInt(plug, kMultiPartMIDICh + part);
  int channel = value - kPartChannelFirst;
  if (value == kPartChannelGlobal && globalForZero)
  {
    channel = storedInt(plug, kGlobalMidiChannel) - 1;
  }
  return isChannel(channel) ? channel : -1;
}
} // namespace

void Korvid::sendMidiMsgAndLog(IMidiMsg* msg)
{
  if (!mOutputPresent.load())
  {
    showStatusText(kTextNoOutput);
    return;
  }
  if (!msg)
  {
    return;
  }
  IGraphics* surface = GetGUI();
  // System messages carry no channel: their low nibble names no part.
  if (!mIndicatorsTrackIncoming.load() && surface && msg->StatusMsg() != IMidiMsg::kNone)
  {
    const int parts =
        std::min<int>(kPartCount, static_cast<int>(std::min(mIndicatorState.size(), mIndicatorTime.size())));
    for (int p = 0; p < parts; ++p)
    {
      if (partChannel(*this, p, false) != msg->Channel())
      {
        continue;
      }
      if (mIndicatorState[static_cast<size_t>(p)] == 0)
      {
        surface->SetParameterFromPlug(kMIDILed + p, 1.0, false);
        mIndicatorState[static_cast<size_t>(p)] = 1;
        mIndicatorTime[static_cast<size_t>(p)] = static_cast<int>(GetTickCount());
      }
      break;
    }
  }
  SendMidiMsg(msg);
}

void Korvid::MIDIOutRoutingSwitch(IMidiMsg* msg)
{
  if (!msg || (mProcessingOverlay.load() && mOutputHold.load()))
  {
    return;
  }
  if (!mMidiOutMode.load())
  {
    sendMidiMsgAndLog(msg);
    return;
  }
  // The queue may grow to kMidiQueueStep messages (or keep the larger capacity a host block size gave it);
  // a message that finds it that full is lost, and output stops until the timing hub releases it.
  const int limit = std::max(mMidiOutQueue.GetCapacity(), kMidiQueueStep);
  if (mMidiOutQueue.ToDo() < limit)
  {
    mMidiOutQueue.Add(msg);
    return;
  }
  mQueueOverflow = true;
  mProcessingOverlay = true;
  mOutputHold = true;
  mOverflowTime = static_cast<int>(GetTickCount());
  mHostInputBlocked[kNoteBlockClass] = true;
}

void Korvid::AllSoundsOff(int part, bool allParts)
{
  if (!mOutputPresent.load())
  {
    return;
  }
  auto send = [this](int channel)
  {
    if (!isChannel(channel))
    {
      return;
    }
    IMidiMsg msg;
    msg.MakeControlChangeMsg(kAllSoundsOffController, 0.0, channel);
    MIDIOutRoutingSwitch(&msg);
  };
  if (allParts)
  {
    for (int p = 0; p < kPartCount; ++p)
    {
      if (storedInt(*this, kMultiPartStatus + p) != 0)
      {
        send(partChannel(*this, p, true));
      }
    }
  }
  else if (part >= 0 && part < kPartCount)
  {
    send(partChannel(*this, part, true));
  }
  mOutputHold = true;
}
