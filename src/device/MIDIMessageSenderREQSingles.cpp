// Job 6: the request of one part's sound.
#include "MIDIMessageSender.h"

#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

bool MIDIMessageSender::dumpArrived() const
{
  return plug->mDumpArrived.load();
}

void MIDIMessageSender::sendPartRequestSysex(int part, bool toEditor)
{
  cancel = false;
  plug->DisplayProcessingIndicator(true);
  failed = false;
  plug->SetLibrarianRequestActive(!toEditor);
  const int pauseMs = plug->getTimerValue();

  std::vector<uint8_t> request = SysexProtocol::soundEditBufferRequest(plug->mDeviceId.load(), part);
  // The wait text goes before the request: the reply's own text must come after it.
  plug->showStatusText(kTextProcessing);
  sendRequest(request, false);
  pause(pauseMs);
  awaitReply(request, pauseMs, ReplyWait{});
  pause(pauseMs);

  if (stopping.load())
  {
    plug->DisplayProcessingIndicator(false);
    return;
  }
  finishRequest(cancel.load(), !toEditor);
}
