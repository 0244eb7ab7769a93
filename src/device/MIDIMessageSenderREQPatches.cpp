// Jobs 9 and 10: one sound and all sounds of a bank requested into the librarian.
#include "MIDIMessageSender.h"

#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

#include <algorithm>

void MIDIMessageSender::sendSinglePatchRequestSysex(bool editBuffer, int bank)
{
  plug->DisplayProcessingIndicator(true);
  cancel = false;
  plug->SetLibrarianRequestActive(true);
  failed = false;
  const int pauseMs = plug->getTimerValue();

  const int program = std::clamp(plug->getSelectedLibrarianSlot(), 0, SysexProtocol::kProgramCount - 1);
  const int deviceId = plug->mDeviceId.load();
  auto build = [&]()
  {
    return editBuffer
               ? SysexProtocol::soundEditBufferRequest(plug->mDeviceId.load(), plug->mCurrentPart.load())
               : SysexProtocol::storedSoundRequest(deviceId, bank, program);
  };
  std::vector<uint8_t> request = build();
  // The wait text goes before the request: the reply's own text (stored, or why not) must come after it.
  plug->showStatusText(kTextProcessing);
  sendRequest(request, false);

  // This job's scan resends the same request instead of varying the device id.
  bool cancelled = false;
  for (int polls = 0;;)
  {
    if (!pause(pauseMs))
    {
      plug->DisplayProcessingIndicator(false);
      return;
    }
    if (cancel.load())
    {
      failed = true;
      cancelled = true;
      break;
    }
    ++polls;
    if (polls == kScanPoll)
    {
      for (int resend = 0; resend < SysexProtocol::kDeviceIdCount && !cancelled; ++resend)
      {
        if (cancel.load())
        {
          failed = true;
          cancelled = true;
        }
        else if (dumpArrived())
        {
          break;
        }
        else
        {
          plug->SetLibrarianRequestActive(true);
          request = build();
          sendRequest(request, false);
          if (!pause(pauseMs))
          {
            plug->DisplayProcessingIndicator(false);
            return;
          }
        }
      }
      if (cancelled)
      {
        break;
      }
    }
    if (polls == kTimeoutPoll)
    {
      plug->showStatusText(kTextTimedOut);
      failed = true;
      cancelled = cancel.load();
      break;
    }
    if (dumpArrived())
    {
      break;
    }
  }

  finishRequest(cancelled, true);
}

void MIDIMessageSender::sendAllPatchRequestSysex(int bank)
{
  requestBank(false, bank);
}
