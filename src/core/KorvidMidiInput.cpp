// The plug-in's gates for short MIDI messages from the host and from the synthesizer's input port.
#include "Korvid.h"
#include "StoredInt.h"

#include "AudioThread.h"
#include "ControlLayer.h"
#include "HeldMidiEvents.h"
#include "IGraphics.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"

#include <algorithm>
#include <string>

namespace
{
// Values of kMultiPartMIDICh 2..17 are the MIDI channels 0..15.
constexpr int kPartChannelFirst = 2;
constexpr int kMidiChannelCount = 16;
// Incoming parameter changes that light a part's indicator: F0 3E 10 id .. part ..., model byte 10
// (not the 13 of the dumps).
constexpr int kSysexMakerOffset = 1;
constexpr int kSysexModelOffset = 2;
constexpr int kSysexPartOffset = 5;
constexpr uint8_t kWaldorfId = 0x3E;
constexpr uint8_t kParameterChangeModel = 0x10;
constexpr int kParameterChangeMinSize = 9;
constexpr int kParameterChangeMaxSize = 13;

} // namespace

void Korvid::OnIdle()
{
  idle(true);
}

void Korvid::idle(bool hostCall)
{
  followAudioPass(hostCall);
  const HeldMidiEvents::Dropped dropped = TakeDroppedHostEvents();
  if (dropped.notes + dropped.endings + dropped.others > 0)
  {
    log("HOST MIDI: blocks that waited for the editor dropped " + std::to_string(dropped.notes) + " notes, " +
        std::to_string(dropped.endings) + " note or pedal releases and " + std::to_string(dropped.others) +
        " other events");
  }
}

int Korvid::partOnChannel(int channel)
{
  if (channel < 0 || channel >= kMidiChannelCount)
  {
    return -1;
  }
  for (int p = 0; p < kPartCount; ++p)
  {
    const IParam* param = GetParam(kMultiPartMIDICh + p);
    // Compared as doubles: a value between two channels listens on none.
    if (param && param->Value() - kPartChannelFirst == static_cast<double>(channel))
    {
      return p;
    }
  }
  return -1;
}

void Korvid::lightIncomingIndicator(int channel)
{
  IGraphics* surface = GetGUI();
  const int part = partOnChannel(channel);
  if (surface && part >= 0)
  {
    lightIndicator(*surface, part);
  }
}

void Korvid::lightIndicator(IGraphics& surface, int part)
{
  const auto index = static_cast<size_t>(part);
  if (part < 0 || index >= mIndicatorState.size() || mIndicatorState[index].load() != 0)
  {
    return;
  }
  mIndicatorTime[index] = static_cast<int>(mTickCount());
  // Of two threads lighting it at once, one switches it on. The audio thread leaves the control to the
  // next idle call (followAudioPass).
  int off = 0;
  if (mIndicatorState[index].compare_exchange_strong(off, 1) && !AudioThread::IsCurrent())
  {
    surface.SetParameterFromPlug(kMIDILed + part, 1.0, false);
  }
}

void Korvid::noteIncomingSysex(const ISysEx* msg)
{
  if (!msg || !msg->mData || !mIndicatorsTrackIncoming.load() || !GetGUI())
  {
    return;
  }
  if (msg->mSize < kParameterChangeMinSize || msg->mSize > kParameterChangeMaxSize ||
      msg->mData[kSysexMakerOffset] != kWaldorfId || msg->mData[kSysexModelOffset] != kParameterChangeModel)
  {
    return;
  }
  const int part = msg->mData[kSysexPartOffset];
  if (part < kPartCount)
  {
    lightIndicator(*GetGUI(), part);
  }
}

void Korvid::sysexApplied()
{
  if (ControlLayer* mixer = mMiniMixerLayer)
  {
    mixer->setControlsDirty();
  }
}

void Korvid::ProcessMidiMsg(IMidiMsg* pMsg, bool fromDevice)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!pMsg || !manager)
  {
    return;
  }
  // The host's releases pass while a transfer runs: the note or pedal one ends may have gone out before it
  // began, and the synthesizer would hold it until played again. One that ends nothing is harmless.
  const bool hostRelease = !fromDevice && HeldMidiEvents::EndsNoteOrPedal(*pMsg);
  if (mQueueOverflow.load() || ((mProcessingOverlay.load() || mWorkerBusy.load()) && !hostRelease))
  {
    return;
  }
  if (fromDevice && mMasterKeyboard.load())
  {
    return;
  }
  if (pMsg->StatusMsg() == IMidiMsg::kNone)
  {
    return;
  }
  const int channel = pMsg->Channel();
  if (channel == storedInt(*this, kGlobalMidiChannel) - 1)
  {
    return;
  }
  if (fromDevice)
  {
    manager->ProcessMidiMsgFromDevice(pMsg);
    return;
  }
  manager->ProcessMidiMsgFromDAW(pMsg, std::max(partOnChannel(channel), 0));
}
