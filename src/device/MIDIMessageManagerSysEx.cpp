// Incoming sysex: library requests first, then whole dumps of the synthesizer for the editor.
#include "MIDIMessageManager.h"

#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

#include <string>

bool MIDIMessageManager::takeIntoRequest(LibraryRequest& request, const uint8_t* data, int size, bool multi)
{
  const bool fits = multi ? SysexProtocol::isMultiDump(data, size) : SysexProtocol::isSoundDump(data, size);
  if (!fits)
  {
    return false;
  }
  std::lock_guard<std::mutex> lock(request.mLock);
  if (!request.active)
  {
    return false;
  }
  PatchSysexMessage message;
  message.mData.assign(data, data + size);
  request.record.mMessages.push_back(std::move(message));
  if (multi)
  {
    request.record.mName.assign(reinterpret_cast<const char*>(data) + SysexProtocol::kChecksumFirstByte,
                                SoundDumpLayout::kNameLength);
  }
  else
  {
    request.record.mName.assign(reinterpret_cast<const char*>(data) + SoundDumpLayout::kNameOffset,
                                SoundDumpLayout::kNameLength);
    request.record.parseCategory(SoundDumpLayout::kCategoryOffset);
  }
  request.active = false;
  return true;
}

void MIDIMessageManager::ProcessSysEx(ISysEx* msg, bool accept)
{
  if (!accept || !msg || !msg->mData || msg->mSize <= 0)
  {
    return;
  }
  const uint8_t* data = msg->mData;
  const int size = msg->mSize;

  LibraryRequest* request = performanceRequest.isActive() ? &performanceRequest
                            : patchRequest.isActive()     ? &patchRequest
                                                          : nullptr;
  if (request)
  {
    if (takeIntoRequest(*request, data, size, request == &performanceRequest))
    {
      plug->setLibrarianViewDirty();
      dataReceived = true;
    }
    return;
  }

  if (size >= SysexProtocol::kDumpThreshold && dumpExpected.load())
  {
    const bool known = SysexProtocol::isSoundDump(data, size) || SysexProtocol::isMultiDump(data, size) ||
                       SysexProtocol::isGlobalDump(data, size);
    if (known)
    {
      const int deviceId = data[SysexProtocol::kDeviceIdOffset];
      if (plug->mInitializationRequested.load() && deviceId != plug->mDeviceId.load())
      {
        if (IParam* param = plug->GetParam(kGlobalSysExID))
        {
          param->SetBounded(deviceId);
        }
        plug->mDeviceId = deviceId;
      }
      // Each parser takes only its own kind; the global parser also ends the expected dump.
      sysexPatchParse(msg);
      sysexMultiParse(msg);
      sysexSettingsParse(msg);
      if (arrangementRequest.load())
      {
        refreshRequested = false;
      }
    }
  }
  if (refreshRequested.load())
  {
    plug->OnParamChange2(kQuickTab);
  }
}
