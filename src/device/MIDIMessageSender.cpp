// The job table of the worker threads and the pause every job waits with.
#include "MIDIMessageSender.h"

#include "DeviceClock.h"
#include "Korvid.h"
#include "LibrarianPatch.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace
{
// Ends a sending job however it ends: the manager's send-running flag is cleared and what a name committed
// meanwhile left out is said (Korvid::endOfSend).
class SendRunningGuard
{
public:
  SendRunningGuard(MIDIMessageManager* manager, Korvid* plug, bool active)
      : mManager(active ? manager : nullptr), mPlug(plug)
  {
  }
  ~SendRunningGuard()
  {
    if (mManager && mPlug)
    {
      mPlug->endOfSend(*mManager);
    }
    else if (mManager)
    {
      mManager->sendRunning = false;
    }
  }
  SendRunningGuard(const SendRunningGuard&) = delete;
  SendRunningGuard& operator=(const SendRunningGuard&) = delete;

private:
  MIDIMessageManager* mManager;
  Korvid* mPlug;
};
} // namespace

void MIDIMessageSender::run()
{
  perform(job);
}

void MIDIMessageSender::perform(const JobArguments& args)
{
  const bool sending = args.jobCode >= kJobSendArrangement && args.jobCode <= kJobStoreAllLibraryPatches;
  SendRunningGuard guard(manager, plug, sending);
  if (!plug)
  {
    return;
  }
  std::optional<uint64_t> lostBefore;
  if (sendsDumps(args))
  {
    jobDumps = 0;
    sentLine.clear();
    lostBefore = plug->settleMidiDumps(std::chrono::milliseconds(0));
  }
  if (MIDIMessageManager::threadFor(args.jobCode) == MIDIMessageManager::Thread::SysexJob)
  {
    // A job chained behind a request that failed would act on data that never came.
    if (args.followUp && failed.load())
    {
      return;
    }
    failed = false;
    awaitBankChanges(args.bankChangeTicket);
  }
  switch (args.jobCode)
  {
  case kJobSendArrangement:
    sendArrangementToDevice(args.toLibrarian, args.requestParts);
    // Without an output every dump said that the ports are to be set first.
    if (args.saySent && !stopping.load() && plug->mOutputPresent.load())
    {
      sentLine = kTextMultiSent;
      plug->showStatusText(kTextMultiSent);
    }
    break;
  case kJobSendGlobal:
    sendGlobalToDevice(args.deviceId);
    break;
  case kJobSendPart:
    sendPartToDevice(args.part, args.toLibrarian, args.requestParts);
    finishPatchTransfer(args);
    break;
  case kJobSendLibraryPatch:
    if (args.record)
    {
      sendPatchToDeviceFromLibrarian(*args.record, args.part, args.slotIndex, args.storeToMemory);
    }
    break;
  case kJobStoreAllLibraryPatches:
    storeAllPatchesToDeviceFromLibrarian(args.bankRecords ? *args.bankRecords : std::vector<LibrarianPatch>(),
                                         args.startSlot, args.bankByte);
    break;
  case kJobRequestArrangement:
    sendActiveArrangementRequestSysex(args.toEditor);
    break;
  case kJobRequestPart:
    sendPartRequestSysex(args.part, args.toEditor);
    break;
  case kJobRequestSingleMulti:
    sendSingleMultiRequestSysex();
    break;
  case kJobRequestAllMultis:
    sendAllMultiRequestSysex();
    break;
  case kJobRequestSinglePatch:
    sendSinglePatchRequestSysex(args.editBuffer, args.bank);
    break;
  case kJobRequestAllPatches:
    sendAllPatchRequestSysex(args.bank);
    break;
  case kJobInitPerformance:
    initPerformance();
    break;
  case kJobInitClassicPatch:
    initClassicPatch();
    break;
  case kJobDeviceIdEnquiry:
    sendDeviceIdEnquiry();
    break;
  case kJobStartClock:
    startMIDIClockOutput(args.songPosition);
    break;
  case kJobContinuousClock:
    sendContinuousMIDIClock(args.tempo);
    break;
  case kJobStopClock:
    stopMIDIClockOutput();
    break;
  default:
    // 14, unknown codes, and the jobs whose bodies are not part of this object yet.
    break;
  }
  if (sendsDumps(args))
  {
    sayArrival(args, lostBefore);
  }
  if (manager && MIDIMessageManager::threadFor(args.jobCode) == MIDIMessageManager::Thread::SysexJob)
  {
    // Dumps that come now are no reply to this job.
    manager->requestedReply = SysexProtocol::kAnyReply;
  }
  // The clock jobs run beside a sysex job and leave its texts alone; the edit sends (0 to 2) show none.
  if (args.jobCode >= kJobSendLibraryPatch && args.jobCode <= kJobDeviceIdEnquiry && !stopping.load())
  {
    replaceWaitText(args.jobCode <= kJobStoreAllLibraryPatches);
  }
}

void MIDIMessageSender::replaceWaitText(bool writing)
{
  // A job that ends on its own writes its last text (or the parser of its reply does, maybe later); a
  // cancelled one may end in the middle of a wait, with its text still asking to wait.
  if (!cancel.load())
  {
    return;
  }
  std::string text = plug->getStatusText();
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (text.find("please wait") != std::string::npos)
  {
    plug->showStatusText(writing ? kTextWriteCancelled : kTextCancelled);
  }
}

void MIDIMessageSender::awaitBankChanges(uint64_t ticket)
{
  if (ticket == 0 || !manager || manager->bankChanges.waitDone(ticket, bankChangeWaitMs.load()) ||
      stopping.load())
  {
    return;
  }
  plug->showStatusText(kTextBankChangeTimedOut);
  plug->log(std::string("DEVICE: ") + kTextBankChangeTimedOut);
}

void MIDIMessageSender::finishPatchTransfer(const JobArguments& args)
{
  if (args.sendMultiAfter && !stopping.load())
  {
    sendArrangementToDevice(false, false);
    pause(2 * plug->getTimerValue());
  }
  if (args.endsTransfer)
  {
    plug->mWorkerBusy = false;
    plug->mIgnoreIncoming = false;
  }
}

bool MIDIMessageSender::pause(int ms)
{
  DeviceClock& source = clock ? *clock : DeviceClock::system();
  return source.sleep(ms, stopping);
}

std::chrono::milliseconds MIDIMessageSender::realPause(int ms) const
{
  return (clock ? *clock : DeviceClock::system()).realDuration(ms);
}

bool MIDIMessageSender::storeIntoLibrarian(uint8_t* data, int size, const std::string& source)
{
  const std::string slot = LibrarianViewControl::slotNumberText(plug->getSelectedLibrarianSlot());
  plug->SetLibrarianRequestActive(true);
  ISysEx sysex(0, data, size);
  plug->feedOwnSysEx(&sysex);
  if (manager->dataReceived.load() && !refused())
  {
    plug->SetLibrarianStatusUnsaved(true);
    // Nothing came from the synthesizer: the line says what went into the slot.
    plug->showStatusText(
        (source.empty() ? "Slot " + slot + " initialized" : source + " stored to slot " + slot).c_str());
    return true;
  }
  // Not taken (a dump of the other kind, an input gate closed, or nowhere to store it): the request must not
  // swallow the next message.
  manager->patchRequest.end();
  manager->performanceRequest.end();
  return false;
}
