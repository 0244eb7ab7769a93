// The multi of a recalled project sent to the synthesizer, and the MIDI system that did not answer its ports,
// waited for without holding up the host.
#include "Korvid.h"

#include "DeviceClock.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <functional>
#include <string>

namespace
{
constexpr const char* kLogPrefix = "PROJECT RECALL: ";
constexpr const char* kTextWorkerBusy = "Multi not sent: device busy";
constexpr const char* kTextResendLate = "Multi resend did not finish";
// The open output refused the resend's dumps (each send timed out or failed): all of them, or some; short
// enough for the message line.
constexpr const char* kTextNothingSent = "Multi not sent: no MIDI went out!";
constexpr const char* kTextResendRefused = "Multi resend FAILED: dumps not sent!";
// Pause between two looks at the device worker, and what each wait allows beyond the job's own pauses
// (the sends themselves), in clock milliseconds.
constexpr int kPollMs = 25;
constexpr int kWaitMarginMs = 5000;

// What job 0 pauses for with the global data and every active part: the bound of each wait is this and
// the margin, in clock milliseconds.
int resendDurationMs(IPlugBase& plug)
{
  int active = 0;
  for (int part = 0; part < Korvid::kPartCount; ++part)
  {
    const IParam* status = plug.GetParam(kMultiPartStatus + part);
    active += status && status->Value() == 1.0 ? 1 : 0;
  }
  return MIDIMessageSender::kAfterGlobalPauseMs + MIDIMessageSender::kAfterMultiPauseMs +
         active * (MIDIMessageSender::kAfterDumpPauseMs + MIDIMessageSender::kPushedPartPauseMs);
}

// Polls done until it answers true or the deadline (clock ms) passes, giving the plug mutex back meanwhile,
// so that the audio thread and the editor go on; done's last answer.
bool pollUntil(Korvid& plug, MIDIMessageManager& manager, int64_t deadlineMs,
               const std::function<bool()>& done)
{
  WDL_MutexRelease unlocked(plug.GetMutex());
  DeviceClock& clock = manager.clock();
  bool result = done();
  while (!result && clock.nowMs() < deadlineMs && clock.pollPause(kPollMs, manager.sender->stopping))
  {
    result = done();
  }
  return result;
}
} // namespace

void Korvid::waitForPortsToAnswer()
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  // Read under the plug mutex: the wait gives it back.
  const bool out = !mKeptPortNames[1].empty();
  const bool in = !mKeptPortNames[0].empty();
  // A stuck library never answers: its ports wait for a restart of the host, not here.
  const auto waiting = [this, out, in] {
    return ((out && mMidiPorts.IsOutWaiting()) || (in && mMidiPorts.IsInWaiting())) && !mMidiPorts.IsStuck();
  };
  if (!manager || !waiting())
  {
    return;
  }
  log(std::string(kLogPrefix) + "the MIDI system did not answer in time, its ports wait for it");
  const int64_t deadline = manager->clock().nowMs() + resendDurationMs(*this) + kWaitMarginMs;
  // Each answer opens the ports (takeLostPorts); a call that goes unanswered again is waited for again.
  while (waiting() && pollUntil(*this, *manager, deadline, [&waiting] { return !waiting(); }))
  {
    takeLostPorts();
  }
}

bool Korvid::waitForIdleDeviceWorker()
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    return true;
  }
  const int64_t deadline = manager->clock().nowMs() + resendDurationMs(*this) + kWaitMarginMs;
  return pollUntil(*this, *manager, deadline,
                   [manager] { return !manager->isRunning(MIDIMessageManager::Thread::SysexJob); });
}

std::string Korvid::resendMultiAfterRecall(bool workerIdle)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    log(std::string(kLogPrefix) + "no device link, the multi is not sent");
    return "";
  }
  const int budgetMs = resendDurationMs(*this) + kWaitMarginMs;

  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobSendArrangement;
  args.toLibrarian = false;
  args.requestParts = false;
  // Set only when the job is admitted, so that a job still running is not steered by them: the global
  // data goes first, every active part follows without its name slots being written over, and incoming
  // sysex is dropped until the job ends.
  const auto prepare = [this, manager]
  {
    mIgnoreIncoming = true;
    mPushGlobal = true;
    mPushAllParts = true;
    mWorkerBusy = true;
    manager->sendRunning = true;
  };
  const uint64_t takenBefore = mDumpsTaken.load();
  const uint64_t refusedBefore = mDumpsRefused.load();
  // Another poster may have taken the worker since it was found idle: the multi waits for it again.
  const bool posted =
      workerIdle && pollUntil(*this, *manager, manager->clock().nowMs() + budgetMs,
                              [manager, &args, &prepare] { return manager->post(args, prepare); });
  const bool finished =
      posted && pollUntil(*this, *manager, manager->clock().nowMs() + budgetMs,
                          [manager] { return !manager->isRunning(MIDIMessageManager::Thread::SysexJob); });
  mPushGlobal = false;
  mIgnoreIncoming = false;
  mPushAllParts = false;

  const uint64_t taken = mDumpsTaken.load() - takenBefore;
  const uint64_t refused = mDumpsRefused.load() - refusedBefore;

  const char* said = nullptr;
  if (!posted)
  {
    log(std::string(kLogPrefix) + "multi not sent, the device worker stayed busy");
    said = kTextWorkerBusy;
  }
  if (posted && !finished)
  {
    log(std::string(kLogPrefix) + "multi resend did not end within " + std::to_string(budgetMs) + " ms");
    said = kTextResendLate;
  }
  // The job does not send a refused dump again (a JACK send that timed out is withdrawn): the synthesizer
  // lacks it.
  if (refused > 0)
  {
    log(std::string(kLogPrefix) + "the MIDI output refused " + std::to_string(refused) + " of " +
        std::to_string(refused + taken) + " dumps of the multi resend" +
        (taken == 0 ? ": the synthesizer got nothing" : ""));
    said = taken == 0 ? kTextNothingSent : kTextResendRefused;
  }
  if (!said)
  {
    log(std::string(kLogPrefix) + "multi sent");
    return "";
  }
  showStatusText(said);
  return said;
}
