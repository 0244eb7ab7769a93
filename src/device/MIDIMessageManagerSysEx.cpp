// Incoming sysex: library requests first, then whole dumps of the synthesizer for the editor, then
// parameter changes.
#include "MIDIMessageManager.h"

#include "EditorLock.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SysexProtocol.h"

#include <string>

namespace
{
constexpr const char* kTextNoSlot = "No slot selected, data not stored!";
constexpr const char* kTextNoBank = "No bank of this kind open, data not stored!";
constexpr const char* kTextBadChecksum = "Dump with a wrong checksum ignored!";
} // namespace

bool MIDIMessageManager::unrequested(const uint8_t* data, int size, bool ownDump)
{
  if (ownDump || SysexProtocol::isReply(requestedReply.load(), data, size))
  {
    return false;
  }
  plug->log("DEVICE: a dump other than the one requested is not taken");
  return true;
}

bool MIDIMessageManager::takeIntoRequest(LibraryRequest& request, const uint8_t* data, int size, bool multi,
                                         bool ownDump, LibrarianPatch& completed, unsigned long& withdrawals)
{
  const bool fits = multi ? SysexProtocol::isMultiDump(data, size) : SysexProtocol::isSoundDump(data, size);
  if (!fits || unrequested(data, size, ownDump))
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
    request.record.mName.assign(reinterpret_cast<const char*>(data) + MultiDumpLayout::kNameOffset,
                                MultiDumpLayout::kNameLength);
  }
  else
  {
    request.record.mName.assign(reinterpret_cast<const char*>(data) + SoundDumpLayout::kNameOffset,
                                SoundDumpLayout::kNameLength);
    request.record.parseCategory(SoundDumpLayout::kCategoryOffset);
  }
  request.status = 1;
  request.active = false;
  completed = request.record;
  withdrawals = request.withdrawals;
  return true;
}

void MIDIMessageManager::storeLibraryRecord(LibraryRequest& request, unsigned long withdrawals,
                                            const LibrarianPatch& record)
{
  if (!librarian)
  {
    refuseStore(kTextNoBank);
    return;
  }
  auto store = [this, &request, withdrawals, record]()
  {
    // Deferred past a cancel: the banks may have been read back from disk since.
    if (request.withdrawnSince(withdrawals))
    {
      return;
    }
    const PatchLibrarian::SlotStore result = librarian->setSysexDatatoSelectedSlot(&record);
    if (result != PatchLibrarian::SlotStore::Stored)
    {
      refuseStore(result == PatchLibrarian::SlotStore::NoSlot ? kTextNoSlot : kTextNoBank);
      return;
    }
    plug->updatePatchLibrarianView(LibrarianViewControl::kUpperPane);
    plug->setLibrarianViewDirty();
  };
  // The slot view draws from the banks under the editor lock.
  runOnEditorSide(store);
}

void MIDIMessageManager::refuseStore(const char* reason)
{
  storeRefusalText = reason;
  storeRefused = true;
  plug->showStatusText(reason);
}

void MIDIMessageManager::runOnEditorSide(const std::function<void()>& write)
{
  // Never waits: the MIDI input thread holds the port's lock, which a port change under the plug mutex
  // waits for, and the editor takes the plug mutex while it holds its own lock.
  EditorLock::Get().RunOrDefer(this, write);
}

void MIDIMessageManager::flushEditorSide()
{
  EditorLockGuard guard;
}

void MIDIMessageManager::ProcessSysEx(ISysEx* msg, bool accept, bool ownDump)
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
  // Damaged on its way: neither the editor nor a librarian slot takes it, and a request waits on as for a
  // reply that was lost.
  if (!ownDump && (SysexProtocol::isSoundDump(data, size) || SysexProtocol::isMultiDump(data, size)) &&
      !SysexProtocol::dumpChecksumAccepted(data, size))
  {
    if (request || dumpExpected.load())
    {
      plug->showStatusText(kTextBadChecksum);
      plug->log(std::string("DEVICE: ") + kTextBadChecksum);
    }
    return;
  }
  if (request)
  {
    LibrarianPatch completed;
    unsigned long withdrawals = 0;
    if (takeIntoRequest(*request, data, size, request == &performanceRequest, ownDump, completed,
                        withdrawals))
    {
      storeLibraryRecord(*request, withdrawals, completed);
      dataReceived = true;
    }
    return;
  }

  // A sound of the part whose page is shown: the page's zones follow its shapes, types and modes.
  bool shownSound = false;
  if (size >= SysexProtocol::kDumpThreshold)
  {
    if (dumpExpected.load() && SysexProtocol::isFramed(data, size))
    {
      const bool whole = SysexProtocol::isSoundDump(data, size) || SysexProtocol::isMultiDump(data, size) ||
                         SysexProtocol::isGlobalDump(data, size);
      // A request waiting for its reply takes no other message, and what it refuses changes nothing: a
      // sound of the synthesizer sent meanwhile would show in a part as its own, a stray of another device
      // would send every later request there, and any message would end the wait for the reply.
      if (unrequested(data, size, ownDump))
      {
        return;
      }
      // Any framed dump names the synthesizer's id, also one that no parser takes.
      const int deviceId = data[SysexProtocol::kDeviceIdOffset];
      if (deviceId <= SysexProtocol::kDataMask && plug->mInitializationRequested.load() &&
          deviceId != plug->mDeviceId.load())
      {
        if (IParam* param = plug->GetParam(kGlobalSysExID))
        {
          param->SetBounded(deviceId);
        }
        plug->mDeviceId = deviceId;
      }
      // Each parser takes only its own kind; a sound or multi dump only whole. The global parser ends the
      // expected dump for every message of the synthesizer, its own or not.
      if (whole)
      {
        shownSound = SysexProtocol::isSoundDump(data, size) && plug->soundPageShown() &&
                     data[SysexProtocol::kProgramOffset] == plug->mCurrentPart.load();
        sysexPatchParse(msg);
        sysexMultiParse(msg);
      }
      sysexSettingsParse(msg);
      if (arrangementRequest.load())
      {
        refreshRequested = false;
      }
    }
  }
  else if (!dumpExpected.load())
  {
    applyParameterChange(data, size);
  }
  if (refreshRequested.load() || shownSound)
  {
    plug->OnParamChange2(kQuickTab);
  }
}
