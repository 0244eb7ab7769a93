// MIDI ports that opened, went away or stopped answering: said on the message line, shown as "OFF" when lost,
// kept chosen while the MIDI system does not answer and opened again once it does.
#include "Korvid.h"

#include "ControlAction.h"
#include "IControl.h"
#include "IPlugStructs.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <algorithm>
#include <string>
#include <tuple>

namespace
{
constexpr const char* kTextUnanswered = " not answering";
constexpr const char* kTextStuck = "MIDI library stuck: restart the host";
constexpr const char* kTextReopened = " reopened";
constexpr const char* kTextAnswering = " answering again";
constexpr const char* kLogPrefix = "MIDI PORTS: ";
// What turns a direction's selector "OFF", and all that is said of a direction.
constexpr int kOutOff = IMidiPorts::kOutLost | IMidiPorts::kOutGone;
constexpr int kInOff = IMidiPorts::kInLost | IMidiPorts::kInGone;
constexpr int kOutBits = kOutOff | IMidiPorts::kOutUnanswered;
constexpr int kInBits = kInOff | IMidiPorts::kInUnanswered;

std::string joined(const std::string& first, const std::string& second)
{
  return first.empty() || second.empty() ? first + second : first + ", " + second;
}
} // namespace

std::string Korvid::lossText(int lost)
{
  const bool out = (lost & kOutOff) != 0;
  const bool in = (lost & kInOff) != 0;
  // A direction lost is not also said to wait.
  const bool outWaits = !out && (lost & IMidiPorts::kOutUnanswered) != 0;
  const bool inWaits = !in && (lost & IMidiPorts::kInUnanswered) != 0;
  // A direction whose port is gone is said apart from one lost otherwise.
  const bool outGone = out && !(lost & IMidiPorts::kOutLost);
  const bool inGone = in && !(lost & IMidiPorts::kInLost);
  auto said = [](bool outSaid, bool inSaid, bool gone)
  { return outSaid || inSaid ? directionsText(outSaid, inSaid) + (gone ? " port gone" : " lost") : ""; };
  const std::string text = out && in && outGone != inGone
                               ? joined(said(true, false, outGone), said(false, true, inGone))
                               : said(out, in, outGone || inGone);
  // A stuck library is said instead of the waits: its calls are not answered, ever.
  if (lost & IMidiPorts::kStuck)
    return joined(text, kTextStuck);
  return joined(text, outWaits || inWaits ? directionsText(outWaits, inWaits) + kTextUnanswered : "");
}

std::string Korvid::directionsText(bool out, bool in)
{
  return out && in ? "MIDI OUT+IN" : (out ? "MIDI OUT" : "MIDI IN");
}

void Korvid::takeLostPorts()
{
  sayLostPorts(mMidiPorts.TakeLost());
}

void Korvid::noteLostPorts()
{
  int lost = mMidiPorts.TakeLost();
  if (const int answered = lost & (IMidiPorts::kOutAnswered | IMidiPorts::kInAnswered))
  {
    // A direction that answers is not said to wait meanwhile: its reopen says what it found.
    lost &= ~((answered & IMidiPorts::kOutAnswered ? IMidiPorts::kOutUnanswered : 0) |
              (answered & IMidiPorts::kInAnswered ? IMidiPorts::kInUnanswered : 0) | answered);
    mAnsweredToReopen.fetch_or(answered);
  }
  // Woken again by every idle call while they wait: a thread that could not be started is tried again.
  if (mAnsweredToReopen.load() != 0)
  {
    mPortReopener.wake();
  }
  sayLostPorts(lost);
}

void Korvid::reopenHandedOn()
{
  sayLostPorts(mAnsweredToReopen.exchange(0));
}

void Korvid::sayLostPorts(int lost)
{
  if (lost == 0)
  {
    return;
  }
  WDL_MutexLock lock(GetMutex());
  // A direction that opened since its call went unanswered (and does not wait again) has nothing to say.
  for (const auto& [waiting, unanswered, answered] :
       {std::tuple{mMidiPorts.IsOutWaiting(), IMidiPorts::kOutUnanswered, IMidiPorts::kOutAnswered},
        std::tuple{mMidiPorts.IsInWaiting(), IMidiPorts::kInUnanswered, IMidiPorts::kInAnswered}})
  {
    if (!waiting && !(lost & answered))
    {
      lost &= ~unanswered;
    }
  }
  if (lost & kOutOff)
  {
    showPortOff(kDeviceOutSelection);
    outputAbsent();
  }
  if (lost & kInOff)
  {
    showPortOff(kDeviceInSelection);
  }
  // The ports stay chosen while the system does not answer; an output whose port closed takes nothing.
  if ((lost & IMidiPorts::kOutUnanswered) && !mMidiPorts.IsOutOpen())
  {
    outputAbsent();
  }
  const std::string reopened = reopenAnsweredPorts(&lost);
  const std::string loss = lossText(lost);
  if (loss.empty() && reopened.empty())
  {
    return;
  }
  log(kLogPrefix + joined(reopened, loss));
  const bool jobRunning = ThreadRunning();
  std::lock_guard<std::mutex> display(mDisplayTextLock);
  // What is said now of a direction replaces what was said of it before.
  const bool out = (lost & (kOutBits | IMidiPorts::kOutAnswered)) != 0;
  const bool in = (lost & (kInBits | IMidiPorts::kInAnswered)) != 0;
  // A system that answers is not stuck.
  const bool answered = (lost & (IMidiPorts::kOutAnswered | IMidiPorts::kInAnswered)) != 0;
  mStandingLoss =
      (mStandingLoss & ~((out ? kOutBits : 0) | (in ? kInBits : 0) | (answered ? IMidiPorts::kStuck : 0))) |
      (lost & (kOutBits | kInBits | IMidiPorts::kStuck));
  const bool recent =
      std::chrono::steady_clock::now() - mDeviceTextTime < std::chrono::milliseconds(kLossJoinsTextMs);
  if (reopened.empty() && mLineShowsDevice && (jobRunning || recent))
  {
    // The transfer's outcome, or the text of the one running, stays beside the loss.
    layOutLocked(behindLossLocked(mDeviceText), mDeviceDetail);
    return;
  }
  mLineShowsDevice = false;
  layOutLocked(joined(reopened, standingLossLocked()), "");
}

std::string Korvid::reopenAnsweredPorts(int* lost)
{
  int reopened[2] = {0, 0};
  int answering[2] = {0, 0};
  for (const bool output : {false, true})
  {
    const int unanswered = output ? IMidiPorts::kOutUnanswered : IMidiPorts::kInUnanswered;
    if (!(*lost & (output ? IMidiPorts::kOutAnswered : IMidiPorts::kInAnswered)))
    {
      continue;
    }
    *lost &= ~unanswered;
    const std::string kept = mKeptPortNames[output ? 1 : 0];
    // Set to "OFF" meanwhile: nothing to open.
    if (kept.empty())
    {
      continue;
    }
    const int paramIdx = output ? kDeviceOutSelection : kDeviceInSelection;
    const bool wasOpen = output ? mMidiPorts.IsOutOpen() : mMidiPorts.IsInOpen();
    bool several = false;
    std::string substitute;
    // As a recall opens its ports: by the name, found again among the ports present now.
    const int opened = reopenStoredPort(output, kept, &several, &substitute);
    if (opened > 0)
    {
      showPortEntry(paramIdx, opened);
      (wasOpen ? answering : reopened)[output ? 1 : 0] = 1;
      if (output && !wasOpen)
      {
        outputOpened();
        // A project recalled while the system did not answer gets its stored values now.
        completePendingRecall();
      }
      else if (!output && !wasOpen && mProbeWaitsForInput && mOutputPresent)
      {
        // The probe that waited for this input runs now.
        sendSysExInitialization();
      }
    }
    else if (output ? mMidiPorts.IsOutWaiting() : mMidiPorts.IsInWaiting())
    {
      // Not answering again: said with the next look.
      showKeptPort(paramIdx);
    }
    else
    {
      showPortOff(paramIdx);
      if (output)
      {
        outputAbsent();
      }
      *lost |= output ? IMidiPorts::kOutGone : IMidiPorts::kInGone;
    }
  }
  const std::string reopenedText =
      reopened[1] || reopened[0] ? directionsText(reopened[1], reopened[0]) + kTextReopened : "";
  return joined(reopenedText, answering[1] || answering[0]
                                  ? directionsText(answering[1], answering[0]) + kTextAnswering
                                  : "");
}

void Korvid::portChosen(bool output)
{
  std::lock_guard<std::mutex> display(mDisplayTextLock);
  mStandingLoss &= ~(output ? kOutBits : kInBits);
}

int Korvid::standingLossOf(int standing, bool outOpen, bool inOpen)
{
  // A stuck library stands until both directions are open again.
  return standing &
         ~((outOpen ? kOutBits : 0) | (inOpen ? kInBits : 0) | (outOpen && inOpen ? IMidiPorts::kStuck : 0));
}

void Korvid::showPortOff(int paramIdx)
{
  showPortEntry(paramIdx, 0);
}

void Korvid::showPortEntry(int paramIdx, int entry)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
  {
    return;
  }
  param->SetBounded(entry);
  (paramIdx == kDeviceOutSelection ? mMidiOutPortIndex : mMidiInPortIndex) = entry;
  if (IControl* selector = paramIdx == kDeviceOutSelection ? mMidiOutSelector : mMidiInSelector)
  {
    selector->SetValueFromPlug(param->GetNormalized());
  }
}

void Korvid::showKeptPort(int paramIdx)
{
  const std::string& kept = mKeptPortNames[paramIdx == kDeviceOutSelection ? 1 : 0];
  IParam* param = GetParam(paramIdx);
  if (!param || kept.empty())
  {
    return;
  }
  // The entry of the kept name when the list has it, else one more after the list.
  const std::string shown =
      kept.substr(0, CharacterCut(kept.data(), kept.size(), static_cast<size_t>(IParam::kMaxDisplayLen)));
  int entry = std::max(1, param->GetNDisplayTexts());
  for (int k = 1; k < param->GetNDisplayTexts(); ++k)
  {
    if (shown == param->GetDisplayText(k))
    {
      entry = k;
      break;
    }
  }
  param->SetDisplayText(entry, shown.c_str());
  showPortEntry(paramIdx, entry);
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
  // The entry follows the open port to its new place; without one it is "OFF", or the kept port while the
  // system does not answer.
  const int open = output ? (mMidiPorts.IsOutOpen() ? mMidiPorts.GetOutIndex() : 0)
                          : (mMidiPorts.IsInOpen() ? mMidiPorts.GetInIndex() : 0);
  showPortEntry(paramIdx, open < static_cast<int>(listed.size()) ? open : 0);
  if (open == 0 && (output ? mMidiPorts.IsOutWaiting() : mMidiPorts.IsInWaiting()))
  {
    showKeptPort(paramIdx);
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
