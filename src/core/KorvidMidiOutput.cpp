// The plug-in's output: immediate sends, routing through the output queue, all sounds off, system exclusive.
#include "Korvid.h"
#include "StoredInt.h"

#include "AudioThread.h"
#include "HeldMidiEvents.h"
#include "IGraphics.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

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

// Outgoing system exclusive whose maker and model bytes are 3E 0F names a part in byte 5: its indicator
// lights (0F, not the 13 of the synthesizer's own dumps).
constexpr int kSysexMakerOffset = 1;
constexpr int kSysexModelOffset = 2;
constexpr int kSysexPartOffset = 5;
constexpr unsigned char kPartIndicatorModel = 0x0F;

} // namespace

int Korvid::partMidiChannel(int part, bool globalForZero)
{
  const int value = storedInt(*this, kMultiPartMIDICh + part);
  int channel = value - kPartChannelFirst;
  if (value == kPartChannelGlobal && globalForZero)
  {
    channel = storedInt(*this, kGlobalMidiChannel) - 1;
  }
  return isChannel(channel) ? channel : -1;
}

void Korvid::lightOutgoingIndicator(int part)
{
  IGraphics* surface = GetGUI();
  if (!mIndicatorsTrackIncoming.load() && surface)
  {
    lightIndicator(*surface, part);
  }
}

void Korvid::sayNoOutput()
{
  if (AudioThread::IsCurrent())
  {
    mNoOutputToSay = true;
    return;
  }
  const bool device = onDeviceJob();
  // Behind the loss that took the output, if one did; not a transfer's outcome that a later loss joins.
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  if (deviceTextOutdated(device))
  {
    return;
  }
  mLineShowsDevice = false;
  // A send's words keep below them what the name it sends left out.
  layOutLocked(behindLossLocked(kTextNoOutput), device ? mLeftOutOfSend : "");
}

bool Korvid::requestPortsOpen()
{
  return mOutputPresent.load() && mMidiPorts.IsOutOpen() && mMidiPorts.IsInOpen();
}

void Korvid::sendMidiMsgAndLog(IMidiMsg* msg)
{
  if (!mOutputPresent.load())
  {
    sayNoOutput();
    return;
  }
  if (!msg)
  {
    return;
  }
  // System messages carry no channel: their low nibble names no part. The first part on the channel
  // decides, lit or not.
  if (msg->StatusMsg() != IMidiMsg::kNone)
  {
    for (int p = 0; p < kPartCount; ++p)
    {
      if (partMidiChannel(p, false) == msg->Channel())
      {
        lightOutgoingIndicator(p);
        break;
      }
    }
  }
  SendMidiMsg(msg);
}

bool Korvid::checksumCheckAndSend(unsigned char* bytes, int length)
{
  return sendChecked(bytes, length, std::nullopt);
}

bool Korvid::checksumCheckAndSendDump(unsigned char* bytes, int length, std::chrono::milliseconds pause)
{
  return sendChecked(bytes, length, pause);
}

bool Korvid::sendChecked(unsigned char* bytes, int length, std::optional<std::chrono::milliseconds> dumpPause)
{
  if (!mOutputPresent.load())
  {
    sayNoOutput();
    return false;
  }
  if (!bytes || length <= 0)
  {
    return false;
  }
  SysexProtocol::writeChecksum(bytes, length);
  if (length > kSysexPartOffset && bytes[kSysexMakerOffset] == SysexProtocol::kManufacturerId &&
      bytes[kSysexModelOffset] == kPartIndicatorModel)
  {
    lightOutgoingIndicator(bytes[kSysexPartOffset]);
  }
  const bool sent = dumpPause && bytes[0] == SysexProtocol::kSysexStart
                        ? sendMidiDump(std::vector<unsigned char>(bytes, bytes + length), *dumpPause)
                        : SendMidiSysex(bytes, length);
  ++(sent ? mDumpsTaken : mDumpsRefused);
  return sent;
}

void Korvid::MIDIOutRoutingSwitch(IMidiMsg* msg)
{
  // A note-off or pedal release passes a transfer's hold: the note it ends may have begun before the
  // transfer's all-sounds-off, or before a transfer that sends none (the device check), and would hang.
  if (!msg || (mProcessingOverlay.load() && mOutputHold.load() && !HeldMidiEvents::EndsNoteOrPedal(*msg)))
  {
    return;
  }
  if (!mMidiOutMode.load())
  {
    sendMidiMsgAndLog(msg);
    return;
  }
  // The queue may grow to kMidiQueueStep messages (or keep the larger capacity a host block size gave it);
  // a message that finds it that full is lost, and output stops until the timing hub releases it. The audio
  // thread never grows it (Reset allocated the room).
  const int limit = std::max(mMidiOutQueue.GetCapacity(), kMidiQueueStep);
  if (mMidiOutQueue.ToDo() < limit)
  {
    if (!AudioThread::IsCurrent())
    {
      mMidiOutQueue.Add(msg);
      return;
    }
    if (mMidiOutQueue.AddWithoutGrowing(msg))
    {
      return;
    }
  }
  mQueueOverflow = true;
  mProcessingOverlay = true;
  mOutputHold = true;
  mOverflowTime = static_cast<int>(mTickCount());
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
        send(partMidiChannel(p, true));
      }
    }
  }
  else if (part >= 0 && part < kPartCount)
  {
    send(partMidiChannel(part, true));
  }
  mOutputHold = true;
}
