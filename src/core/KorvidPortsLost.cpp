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
constexpr const char* kTextOutLost = "MIDI OUT lost";
constexpr const char* kTextInLost = "MIDI IN lost";
constexpr const char* kTextUnanswered = "MIDI not answering: ports OFF";
constexpr const char* kTextOutGone = "MIDI OUT port gone";
constexpr const char* kTextInGone = "MIDI IN port gone";
} // namespace

void Korvid::takeLostPorts()
{
  const int lost = mMidiPorts.TakeLost();
  if (lost == 0)
  {
    return;
  }
  WDL_MutexLock lock(GetMutex());
  const bool out = (lost & (IMidiPorts::kOutLost | IMidiPorts::kOutGone)) != 0;
  const bool in = (lost & (IMidiPorts::kInLost | IMidiPorts::kInGone)) != 0;
  if (out)
  {
    showPortOff(kDeviceOutSelection);
    outputAbsent();
  }
  if (in)
  {
    showPortOff(kDeviceInSelection);
  }
  const char* text = kTextUnanswered;
  if (!(lost & IMidiPorts::kUnanswered))
  {
    if (lost & IMidiPorts::kOutLost)
      text = kTextOutLost;
    else if (lost & IMidiPorts::kInLost)
      text = kTextInLost;
    else
      text = (lost & IMidiPorts::kOutGone) ? kTextOutGone : kTextInGone;
  }
  log(std::string("MIDI PORTS: ") + text);
  showStatusText(text);
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
