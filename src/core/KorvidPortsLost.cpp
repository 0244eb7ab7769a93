// MIDI ports that opened, went away or stopped answering: said on the message line, shown as "OFF" when lost.
#include "Korvid.h"

#include "ControlAction.h"
#include "IControl.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <string>

namespace
{
constexpr const char* kTextUnanswered = "MIDI not answering: ports OFF";
constexpr int kOutBits = IMidiPorts::kOutLost | IMidiPorts::kOutGone;
constexpr int kInBits = IMidiPorts::kInLost | IMidiPorts::kInGone;
} // namespace

std::string Korvid::lossText(int lost)
{
  const bool out = (lost & kOutBits) != 0;
  const bool in = (lost & kInBits) != 0;
  if (!out && !in)
  {
    return "";
  }
  if (lost & IMidiPorts::kUnanswered)
  {
    return kTextUnanswered;
  }
  const bool gone = !(lost & (IMidiPorts::kOutLost | IMidiPorts::kInLost));
  return directionsText(out, in) + (gone ? " port gone" : " lost");
}

std::string Korvid::directionsText(bool out, bool in)
{
  return out && in ? "MIDI OUT+IN" : (out ? "MIDI OUT" : "MIDI IN");
}

void Korvid::takeLostPorts()
{
  const int lost = mMidiPorts.TakeLost();
  if (lost == 0)
  {
    return;
  }
  WDL_MutexLock lock(GetMutex());
  const bool out = (lost & kOutBits) != 0;
  const bool in = (lost & kInBits) != 0;
  if (out)
  {
    showPortOff(kDeviceOutSelection);
    outputAbsent();
  }
  if (in)
  {
    showPortOff(kDeviceInSelection);
  }
  log(std::string("MIDI PORTS: ") + lossText(lost));
  const bool jobRunning = ThreadRunning();
  std::lock_guard<std::mutex> display(mDisplayTextLock);
  // What is said now of a direction replaces what was said of it before.
  mStandingLoss = (mStandingLoss & ~((out ? kOutBits : 0) | (in ? kInBits : 0))) | lost;
  const bool recent =
      std::chrono::steady_clock::now() - mDeviceTextTime < std::chrono::milliseconds(kLossJoinsTextMs);
  if (mLineShowsDevice && (jobRunning || recent))
  {
    // The transfer's outcome, or the text of the one running, stays beside the loss.
    layOutLocked(behindLossLocked(mDeviceText), mDeviceDetail);
    return;
  }
  mLineShowsDevice = false;
  layOutLocked(standingLossLocked(), "");
}

void Korvid::portChosen(bool output)
{
  std::lock_guard<std::mutex> display(mDisplayTextLock);
  mStandingLoss &= ~(output ? kOutBits : kInBits);
}

void Korvid::showPortOff(int paramIdx)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  param->SetBounded(0.0);
  (paramIdx == kDeviceOutSelection ? mMidiOutPortIndex : mMidiInPortIndex) = 0;
  if (IControl* selector = paramIdx == kDeviceOutSelection ? mMidiOutSelector : mMidiInSelector)
  {
    selector->SetValueFromPlug(param->GetNormalized());
  }
}

void Korvid::outputAbsent()
{
  mOutputPresent = false;
  // The clock stops now and starts again with the next port.
  if (mMIDIMessageManager)
  {
    mMIDIMessageManager->sender->resetContinuousClock(true);
  }
  mContinuousClock = false;
}

void Korvid::outputOpened()
{
  mOutputPresent = true;
  for (int i = 0; i < NParams(); ++i)
  {
    IParam* param = GetParam(i);
    if (ControlAction* action = param ? param->GetAction() : nullptr)
    {
      action->lastValue = -1.0;
    }
  }
}

void Korvid::OnParamMenuOpening(int paramIdx)
{
  if (paramIdx == kDeviceOutSelection || paramIdx == kDeviceInSelection)
  {
    rereadPortSelector(paramIdx);
    // A port that went away since the last look is said now, before the menu shows.
    takeLostPorts();
  }
}

void Korvid::rereadPortSelector(int paramIdx)
{
  const bool output = paramIdx == kDeviceOutSelection;
  WDL_MutexLock lock(GetMutex());
  const std::vector<std::string> listed = output ? rereadExternalMIDIOutNames() : rereadExternalMIDIInNames();
  IParam* param = GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  param->ResetDisplayTexts();
  for (size_t k = 0; k < listed.size(); ++k)
  {
    param->SetDisplayText(static_cast<int>(k), listed[k].c_str());
  }
  // The entry follows the open port to its new place; without one it is "OFF".
  const int open = output ? (mMidiPorts.IsOutOpen() ? mMidiPorts.GetOutIndex() : 0)
                          : (mMidiPorts.IsInOpen() ? mMidiPorts.GetInIndex() : 0);
  const int entry = open < static_cast<int>(listed.size()) ? open : 0;
  param->SetBounded(entry);
  (output ? mMidiOutPortIndex : mMidiInPortIndex) = entry;
  if (IControl* selector = output ? mMidiOutSelector : mMidiInSelector)
  {
    selector->SetValueFromPlug(param->GetNormalized());
  }
}

std::string Korvid::portEntryName(int paramIdx, int entry)
{
  // The selector's display texts are the port list cut to IParam::kMaxDisplayLen, entry for entry.
  const std::vector<std::string> listed =
      paramIdx == kDeviceOutSelection ? getExternalMIDIOutNames() : getExternalMIDIInNames();
  if (entry >= 0 && static_cast<size_t>(entry) < listed.size())
  {
    return listed[static_cast<size_t>(entry)];
  }
  const IParam* param = GetParam(paramIdx);
  return param ? param->GetDisplayText(entry) : "";
}
