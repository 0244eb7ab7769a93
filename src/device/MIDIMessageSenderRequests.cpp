// The polls shared by the request jobs, the bank walks of jobs 8 and 10, and job 13, the device enquiry.
#include "MIDIMessageSender.h"

#include "EditorLock.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SysexProtocol.h"

#include <sstream>
#include <string>

namespace
{
// Progress of a bank walk: attempt / kReceivedDivisor percent; of job 5: part * kProcessedFactor.
constexpr double kReceivedDivisor = 1.28;
constexpr double kProcessedFactor = 5.88;
// Device-id byte of a request without F0.
constexpr size_t kRequestDeviceIdByte = SysexProtocol::kDeviceIdOffset - 1;
} // namespace

std::string MIDIMessageSender::receivedProgressText(int attempt)
{
  std::ostringstream text;
  text << kTextProgressPrefix << attempt / kReceivedDivisor << kTextReceivedSuffix;
  return text.str();
}

std::string MIDIMessageSender::receivedCountText(int received)
{
  return std::to_string(received) + " of " + std::to_string(SysexProtocol::kProgramCount) + " received";
}

std::string MIDIMessageSender::processedProgressText(int part)
{
  return kTextProgressPrefix + std::to_string(static_cast<int>(part * kProcessedFactor)) +
         kTextProcessedSuffix;
}

void MIDIMessageSender::sendRequest(std::vector<uint8_t>& request, bool checked)
{
  const int size = static_cast<int>(request.size());
  inputLostAtRequest = plug->midiInputLost();
  if (manager)
  {
    manager->requestedReply = SysexProtocol::replyTo(request);
  }
  if (checked)
  {
    plug->checksumCheckAndSend(request.data(), size);
  }
  else
  {
    plug->SendMidiSysex(request.data(), size);
  }
}

bool MIDIMessageSender::inputDropped() const
{
  return plug->midiInputLost() != inputLostAtRequest;
}

void MIDIMessageSender::timedOut(const char* timeoutText)
{
  plug->showStatusText(inputDropped() ? kTextInputDropped : timeoutText);
  failed = true;
}

MIDIMessageSender::Reply MIDIMessageSender::awaitPoll(int pauseMs, const char* timeoutText)
{
  if (!pause(pauseMs))
  {
    failed = true;
    return Reply::Stopped;
  }
  if (cancel.load())
  {
    failed = true;
    return Reply::Cancelled;
  }
  // An enquiry whose output was chosen away ends at once without a word: nothing it could say is of the
  // output chosen now.
  if (plug->outputChosenSinceBound())
  {
    failed = true;
    return Reply::PortsLost;
  }
  // A reply that came before the port went is still taken.
  if (!dumpArrived() && !plug->requestPortsOpen())
  {
    plug->showStatusText(timeoutText);
    failed = true;
    return Reply::PortsLost;
  }
  return Reply::Pending;
}

MIDIMessageSender::Reply MIDIMessageSender::awaitReply(std::vector<uint8_t> request, int pauseMs,
                                                       const ReplyWait& wait)
{
  if (request.size() <= kRequestDeviceIdByte)
  {
    failed = true;
    return Reply::TimedOut;
  }
  const std::vector<uint8_t> asked = request;
  bool askedAgain = false;
  for (int polls = 1;; ++polls)
  {
    if (const Reply ended = awaitPoll(pauseMs, wait.timeoutText); ended != Reply::Pending)
    {
      return ended;
    }
    if (polls == wait.scanPoll)
    {
      // A synthesizer set to another device id answers one of these.
      for (int id = 0; id < SysexProtocol::kDeviceIdCount && !dumpArrived(); ++id)
      {
        if (cancel.load())
        {
          failed = true;
          return Reply::Cancelled;
        }
        if (wait.scanRequest)
        {
          wait.scanRequest(request);
        }
        else
        {
          request[kRequestDeviceIdByte] = SysexProtocol::dataByte(id);
        }
        sendRequest(request, wait.checkedSend);
        if (wait.showScanIds)
        {
          plug->showStatusText((std::string(kTextCheckingDeviceId) + std::to_string(id + 1)).c_str());
        }
        if (const Reply ended = awaitPoll(pauseMs, wait.timeoutText); ended != Reply::Pending)
        {
          return ended;
        }
      }
    }
    if (polls == kTimeoutPoll)
    {
      timedOut(wait.timeoutText);
      return Reply::TimedOut;
    }
    if (dumpArrived())
    {
      return Reply::Arrived;
    }
    // The input lost a message since the request went out (its queue was full): the reply may have been
    // it, so the request is made once more, with the polls of a new one.
    if (!askedAgain && inputDropped())
    {
      askedAgain = true;
      polls = 0;
      request = asked;
      sendRequest(request, wait.checkedSend);
    }
  }
}

MIDIMessageSender::Reply MIDIMessageSender::awaitDump(std::vector<uint8_t> request, int stepMs,
                                                      const char* text)
{
  bool askedAgain = false;
  for (int step = 0; step < kWaitSteps; ++step)
  {
    if (dumpArrived())
    {
      return Reply::Arrived;
    }
    // As in awaitReply: the reply may have been among what the input lost.
    if (!askedAgain && inputDropped())
    {
      askedAgain = true;
      step = 0;
      sendRequest(request, true);
    }
    if (text)
    {
      plug->showStatusText(text);
    }
    if (!pause(stepMs))
    {
      failed = true;
      return Reply::Stopped;
    }
  }
  if (dumpArrived())
  {
    return Reply::Arrived;
  }
  timedOut(kTextTimedOut);
  return Reply::TimedOut;
}

void MIDIMessageSender::setSelectedLibrarianSlot(int slot)
{
  // The next store or request into the library acts on the slot shown selected.
  if (manager && manager->librarian)
  {
    manager->selectUpperSlot(slot);
  }
}

void MIDIMessageSender::requestBank(bool multis, int bank)
{
  // Cleared before the overlay shows its cancel button: a cancel pressed at once ends the walk.
  cancel = false;
  plug->DisplayProcessingIndicator(true);
  failed = false;
  setSelectedLibrarianSlot(0);
  const int pauseMs = plug->getTimerValue();
  int program = 0;
  // Attempts in a row that timed out: a synthesizer that went silent ends the walk rather than costing every
  // remaining program a full time-out.
  int silentAttempts = 0;
  bool gaveUp = false;
  bool anyArrived = false;

  for (int attempt = 0; attempt < SysexProtocol::kProgramCount && !cancel.load(); ++attempt)
  {
    plug->SetLibrarianRequestActive(true);
    const int deviceId = plug->mDeviceId.load();
    std::vector<uint8_t> request = multis ? SysexProtocol::storedMultiRequest(deviceId, program)
                                          : SysexProtocol::storedSoundRequest(deviceId, bank, program);
    sendRequest(request, false);
    plug->DisplayProcessingIndicator(true);
    const Reply reply = awaitReply(request, pauseMs, ReplyWait{});
    // A cancel ends the walk: the attempts after it would only send this request again.
    if (reply == Reply::Stopped || reply == Reply::Cancelled)
    {
      break;
    }
    // Nowhere to store the next record either: the walk ends.
    if (refused())
    {
      break;
    }
    anyArrived = anyArrived || reply == Reply::Arrived;
    silentAttempts = reply == Reply::TimedOut ? silentAttempts + 1 : 0;
    // Without its ports no attempt can be answered: the walk ends as a silent synthesizer's does.
    if (silentAttempts == kSilentAttemptsGivenUp || reply == Reply::PortsLost)
    {
      gaveUp = true;
      break;
    }
    // After the first failure the walk keeps its program and slot: the remaining attempts only poll.
    if (dumpArrived() && !failed.load())
    {
      plug->showStatusText(receivedProgressText(attempt).c_str());
      if (!pause(pauseMs))
      {
        break;
      }
      ++program;
      setSelectedLibrarianSlot(program);
    }
  }
  setSelectedLibrarianSlot(0);

  if (stopping.load())
  {
    plug->DisplayProcessingIndicator(false);
    return;
  }
  if (gaveUp && !cancel.load())
  {
    // What arrived before stays in the bank, as edits the user saves or discards; the time-out is the
    // last word.
    if (anyArrived)
    {
      plug->SetLibrarianStatusUnsaved(true);
    }
    plug->showStatusText(kTextTimedOut);
    plug->showStatusDetail(receivedCountText(program).c_str());
    plug->DisplayProcessingIndicator(false);
    return;
  }
  finishRequest(cancel.load(), true, multis ? kTextCancelled : kTextBankCancelled,
                multis ? kTextCompleted : kTextEditorCompleted);
}

void MIDIMessageSender::sendDeviceIdEnquiry()
{
  cancel = false;
  plug->DisplayProcessingIndicator(true);
  const int pauseMs = plug->getTimerValue();
  // Its poster bound it to the output chosen then (Korvid::sendSysExInitialization), before another could
  // be chosen; posted otherwise, it speaks for the output of now.
  if (!plug->deviceTextsBound())
  {
    plug->bindDeviceTextsToOutput(true);
  }
  // An output chosen while the enquiry runs (its own enquiry was dropped meanwhile) is asked anew; one
  // chosen away, or "OFF", silences what is left of the enquiry before.
  askDeviceId(pauseMs);
  while (plug->outputChosenSinceBound() && plug->requestPortsOpen() && !cancel.load() && !stopping.load())
  {
    plug->bindDeviceTextsToOutput(true);
    askDeviceId(pauseMs);
  }
  plug->bindDeviceTextsToOutput(false);
  plug->DisplayProcessingIndicator(false);
}

void MIDIMessageSender::askDeviceId(int pauseMs)
{
  // The reply, a global dump, goes to the editor's parsers.
  plug->SetLibrarianRequestActive(false);
  plug->showStatusText(kTextConnecting);
  failed = false;

  std::vector<uint8_t> request = SysexProtocol::globalRequest(plug->mDeviceId.load());
  sendRequest(request, true);
  ReplyWait wait;
  wait.scanPoll = kEditorScanPoll;
  wait.checkedSend = true;
  wait.showScanIds = true;
  wait.timeoutText = kTextNoResponse;
  if (awaitReply(request, pauseMs, wait) == Reply::Stopped)
  {
    return;
  }
  if (cancel.load())
  {
    plug->showStatusText(kTextCancelled);
  }
  else if (!failed.load())
  {
    plug->showStatusText(kTextReady);
    pause(pauseMs);
  }
}

bool MIDIMessageSender::refused()
{
  manager->flushEditorSide();
  return manager->storeRefused.load();
}

void MIDIMessageSender::finishRequest(bool cancelled, bool toLibrary, const char* cancelledText,
                                      const char* completedText)
{
  if (cancelled)
  {
    if (toLibrary)
    {
      // A reply still on its way, or taken and waiting for the editor lock, must not land in a slot of the
      // banks the rescan reads back: the cancelled job's stores end here.
      if (manager)
      {
        manager->patchRequest.withdraw();
        manager->performanceRequest.withdraw();
      }
      // The rescan deletes the banks that the editor draws, browses and copies from under the editor lock:
      // it runs under that lock too (taken before the plug mutex, which this thread does not hold).
      EditorLockGuard editor;
      plug->rescanFolders();
    }
    // Said after the rescan, which says its own outcome.
    plug->showStatusText(cancelledText);
  }
  else if (toLibrary && refused())
  {
    // The reply may have come before the job showed its progress text: the refusal's reason is what stays.
    plug->showStatusText(manager->storeRefusalText.load());
  }
  else if (!failed.load())
  {
    plug->showStatusText(completedText);
    if (toLibrary)
    {
      plug->SetLibrarianStatusUnsaved(true);
    }
  }
  plug->DisplayProcessingIndicator(false);
}
