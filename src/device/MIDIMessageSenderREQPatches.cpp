// Jobs 9 and 10: one sound and all sounds of a bank requested into the librarian.
#include "MIDIMessageSender.h"

#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

#include <algorithm>

void MIDIMessageSender::sendSinglePatchRequestSysex(bool editBuffer, int bank)
{
  cancel = false;
  plug->DisplayProcessingIndicator(true);
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
  ReplyWait wait;
  wait.scanRequest = [&](std::vector<uint8_t>& resent)
  {
    plug->SetLibrarianRequestActive(true);
    resent = build();
  };
  if (awaitReply(request, pauseMs, wait) == Reply::Stopped)
  {
    plug->DisplayProcessingIndicator(false);
    return;
  }
  finishRequest(cancel.load(), true);
}

void MIDIMessageSender::sendAllPatchRequestSysex(int bank)
{
  requestBank(false, bank);
}
