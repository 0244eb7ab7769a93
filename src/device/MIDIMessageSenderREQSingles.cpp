// Job 6: the request of one part's sound and the polling handshake of the requests.
#include "MIDIMessageSender.h"

#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

bool MIDIMessageSender::dumpArrived() const
{
  return plug->mDumpArrived.load();
}

void MIDIMessageSender::handshake(std::vector<uint8_t> request, int pauseMs)
{
  const int size = static_cast<int>(request.size());
  for (int polls = 0;;)
  {
    if (!pause(pauseMs) || cancel.load())
    {
      failed = true;
      return;
    }
    ++polls;
    if (polls == kScanPoll)
    {
      // A synthesizer set to another device id answers one of these.
      for (int id = 0; id < SysexProtocol::kDeviceIdCount; ++id)
      {
        if (cancel.load())
        {
          failed = true;
          break;
        }
        if (dumpArrived())
        {
          break;
        }
        request[SysexProtocol::kDeviceIdOffset - 1] = SysexProtocol::dataByte(id);
        plug->SendMidiSysex(request.data(), size);
        if (!pause(pauseMs))
        {
          failed = true;
          return;
        }
      }
    }
    if (polls == kTimeoutPoll)
    {
      plug->showStatusText(kTextTimedOut);
      failed = true;
      return;
    }
    if (dumpArrived())
    {
      return;
    }
  }
}

void MIDIMessageSender::sendPartRequestSysex(int part, bool toEditor)
{
  plug->DisplayProcessingIndicator(true);
  failed = false;
  cancel = false;
  plug->SetLibrarianRequestActive(!toEditor);
  const int pauseMs = plug->getTimerValue();

  std::vector<uint8_t> request = SysexProtocol::soundEditBufferRequest(plug->mDeviceId.load(), part);
  // The wait text goes before the request: the reply's own text must come after it.
  plug->showStatusText(kTextProcessing);
  plug->SendMidiSysex(request.data(), static_cast<int>(request.size()));
  pause(pauseMs);
  handshake(request, pauseMs);
  pause(pauseMs);

  if (stopping.load())
  {
    plug->DisplayProcessingIndicator(false);
    return;
  }
  finishRequest(cancel.load(), !toEditor);
}
