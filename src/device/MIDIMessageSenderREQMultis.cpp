// Jobs 5, 7 and 8: the current multi with its parts, one stored multi and all stored multis requested.
#include "MIDIMessageSender.h"

#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

void MIDIMessageSender::sendActiveArrangementRequestSysex(bool toEditor)
{
  cancel = false;
  plug->DisplayProcessingIndicator(true);
  failed = false;
  if (toEditor)
  {
    plug->SetLibrarianRequestActive(false);
    manager->refreshRequested = true;
  }
  else
  {
    plug->SetLibrarianRequestActive(true);
  }
  const int pauseMs = plug->getTimerValue();
  manager->arrangementRequest = true;

  if (toEditor)
  {
    ReplyWait wait;
    wait.scanPoll = kEditorScanPoll;
    wait.checkedSend = true;
    wait.showScanIds = true;
    for (int part = 0; part < SysexProtocol::kPartCount; ++part)
    {
      plug->SetLibrarianRequestActive(false);
      std::vector<uint8_t> request = SysexProtocol::soundEditBufferRequest(plug->mDeviceId.load(), part);
      sendRequest(request, true);
      const Reply reply = awaitReply(request, pauseMs, wait);
      if (reply == Reply::Cancelled || reply == Reply::Stopped || reply == Reply::PortsLost)
      {
        break;
      }
      if (reply == Reply::Arrived && !failed.load())
      {
        plug->showStatusText(processedProgressText(part).c_str());
        // A cancel in the pause after the part's dump ends the walk before the next part's request.
        if (!pause(pauseMs) || cancel.load())
        {
          break;
        }
      }
      plug->DisplayProcessingIndicator(true);
    }
  }
  else
  {
    plug->SetLibrarianRequestActive(true);
    std::vector<uint8_t> request = SysexProtocol::multiEditBufferRequest(plug->mDeviceId.load());
    sendRequest(request, true);
    awaitDump(request, kMultiWaitStepMs, kTextMultiWait);
  }

  if (!pause(pauseMs / 2))
  {
    plug->DisplayProcessingIndicator(false);
    return;
  }
  if (toEditor && cancel.load())
  {
    plug->showStatusText(kTextCancelled);
  }
  else if (toEditor && !failed.load())
  {
    plug->SetLibrarianRequestActive(false);
    std::vector<uint8_t> request = SysexProtocol::multiEditBufferRequest(plug->mDeviceId.load());
    sendRequest(request, true);
    const Reply reply = awaitDump(request, kMultiWaitStepMs, kTextMultiWait);
    if (reply == Reply::Stopped)
    {
      plug->DisplayProcessingIndicator(false);
      return;
    }
    // A multi that never came keeps its time-out text rather than a report of success.
    if (cancel.load())
    {
      plug->showStatusText(kTextCancelled);
    }
    else if (reply == Reply::Arrived)
    {
      plug->showStatusText(kTextEditorCompleted);
    }
  }
  else if (!toEditor && !failed.load() && !refused())
  {
    plug->showStatusText(kTextCompleted);
    plug->SetLibrarianStatusUnsaved(true);
  }
  plug->DisplayProcessingIndicator(false);
}

void MIDIMessageSender::sendSingleMultiRequestSysex()
{
  cancel = false;
  plug->DisplayProcessingIndicator(true);
  plug->SetLibrarianRequestActive(true);
  failed = false;
  const int pauseMs = plug->getTimerValue();

  constexpr int kSlotByteMask = 0xFF;
  std::vector<uint8_t> request = SysexProtocol::storedMultiRequest(
      plug->mDeviceId.load(), plug->getSelectedLibrarianSlot() & kSlotByteMask);
  sendRequest(request, false);
  if (awaitReply(request, pauseMs, ReplyWait{}) == Reply::Stopped)
  {
    plug->DisplayProcessingIndicator(false);
    return;
  }

  finishRequest(cancel.load(), true);
}

void MIDIMessageSender::sendAllMultiRequestSysex()
{
  requestBank(true, 0);
}
