// MIDI ports that went away or whose system stopped answering: said on the message line, shown as "OFF".
#include "Korvid.h"

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
} // namespace

void Korvid::takeLostPorts()
{
  const int lost = mMidiPorts.TakeLost();
  if (lost == 0)
  {
    return;
  }
  WDL_MutexLock lock(GetMutex());
  const bool out = (lost & IMidiPorts::kOutLost) != 0;
  const bool in = (lost & IMidiPorts::kInLost) != 0;
  if (out)
  {
    showPortOff(kDeviceOutSelection);
    outputAbsent();
  }
  if (in)
  {
    showPortOff(kDeviceInSelection);
  }
  const char* text = (lost & IMidiPorts::kUnanswered) ? kTextUnanswered : (out ? kTextOutLost : kTextInLost);
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
