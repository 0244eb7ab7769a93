// The multi of a recalled project sent to the synthesizer, waited for without holding up the host.
#include "Korvid.h"

#include "DeviceClock.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <string>

namespace
{
constexpr const char* kLogPrefix = "PROJECT RECALL: ";
constexpr const char* kTextWorkerBusy = "Multi not sent: device busy";
constexpr const char* kTextResendLate = "Multi resend did not finish";

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
} // namespace

bool Korvid::resendMultiAfterRecall()
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    log(std::string(kLogPrefix) + "no device link, the multi is not sent");
    return false;
  }
  DeviceClock& clock = manager->clock();
  const std::atomic<bool>& stopping = manager->sender->stopping;
  const int budgetMs = resendDurationMs(*this) + kRecallWaitMarginMs;

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

  // The audio thread and the editor go on while this thread waits for the worker.
  WDL_MutexRelease unlocked(&mMutex);
  bool posted = manager->post(args, prepare);
  int64_t deadline = clock.nowMs() + budgetMs;
  while (!posted && clock.nowMs() < deadline && clock.pollPause(kRecallPollMs, stopping))
  {
    posted = manager->post(args, prepare);
  }
  bool finished = false;
  if (posted)
  {
    deadline = clock.nowMs() + budgetMs;
    while (manager->isRunning(MIDIMessageManager::Thread::SysexJob) && clock.nowMs() < deadline &&
           clock.pollPause(kRecallPollMs, stopping))
    {
    }
    finished = !manager->isRunning(MIDIMessageManager::Thread::SysexJob);
  }
  mPushGlobal = false;
  mIgnoreIncoming = false;
  mPushAllParts = false;

  if (!posted)
  {
    log(std::string(kLogPrefix) + "multi not sent, the device worker stayed busy");
    showStatusText(kTextWorkerBusy);
  }
  else if (!finished)
  {
    log(std::string(kLogPrefix) + "multi resend did not end within " + std::to_string(budgetMs) + " ms");
    showStatusText(kTextResendLate);
  }
  else
  {
    log(std::string(kLogPrefix) + "multi sent");
  }
  return finished;
}
