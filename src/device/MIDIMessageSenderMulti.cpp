// Jobs 0, 1, 11 and 12: the multi and global dumps sent to the synthesizer, and the init records.
#include "MIDIMessageSender.h"

#include "InitDumpTemplates.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SysexProtocol.h"

#include <array>
#include <vector>

namespace
{
using MultiDump = std::array<uint8_t, MultiDumpLayout::kMultiLength>;
using GlobalDump = std::array<uint8_t, MultiDumpLayout::kGlobalLength>;

MultiDumpLayout::ValueReader readerOf(Korvid* plug)
{
  return [plug](int paramIdx)
  {
    IParam* param = plug->GetParam(paramIdx);
    return param ? param->Value() : 0.0;
  };
}

bool partActive(Korvid* plug, int part)
{
  IParam* status = plug->GetParam(kMultiPartStatus + part);
  return status && status->Value() == 1.0;
}
} // namespace

int MIDIMessageSender::decryptMultiSettings1Values(int part)
{
  return MultiDumpLayout::flagByte1(part, readerOf(plug));
}

int MIDIMessageSender::decryptMultiSettings2Values(int part)
{
  return MultiDumpLayout::flagByte2(part, readerOf(plug));
}

void MIDIMessageSender::buildMultiDump(uint8_t* dump, std::string* nameText)
{
  // The values are read as one set, not while an edit writes them.
  WDL_MutexLock lock(plug->GetMutex());
  IParam* nameParam = plug->GetParam(kMultiName);
  const char* text = nameParam ? nameParam->GetDisplayText(0) : nullptr;
  const std::string name = text ? text : "";
  MultiDumpLayout::buildMulti(readerOf(plug), plug->mPartBankTable.values(), plug->mPartProgramTable.values(),
                              name, dump);
  if (nameText)
  {
    *nameText = name;
  }
}

void MIDIMessageSender::buildGlobalDump(int deviceId, uint8_t* dump)
{
  WDL_MutexLock lock(plug->GetMutex());
  MultiDumpLayout::buildGlobal(readerOf(plug), deviceId, dump);
}

void MIDIMessageSender::sendGlobalToDevice(int deviceId)
{
  plug->DisplayProcessingIndicator(true);
  GlobalDump dump{};
  buildGlobalDump(deviceId, dump.data());
  // Shorter than the checksum-rewrite length: goes out with the template's checksum byte.
  sendDump(dump.data(), static_cast<int>(dump.size()), kAfterGlobalPauseMs);
  pause(kAfterGlobalPauseMs);
  plug->DisplayProcessingIndicator(false);
  manager->sendRunning = false;
}

bool MIDIMessageSender::sendArrangementToDevice(bool toLibrarian, bool requestParts)
{
  plug->DisplayProcessingIndicator(true);
  if (plug->mPushGlobal.load())
  {
    sendGlobalToDevice(plug->mDeviceId.load());
    if (stopping.load())
    {
      return false;
    }
  }

  MultiDump dump{};
  std::string name;
  buildMultiDump(dump.data(), &name);
  bool sent = true;
  if (toLibrarian)
  {
    storeIntoLibrarian(dump.data(), static_cast<int>(dump.size()), "Multi");
  }
  else
  {
    plug->mWorkerBusy = true;
    sent = sendDump(dump.data(), static_cast<int>(dump.size()), kAfterMultiPauseMs);
  }
  if (patchManager)
  {
    patchManager->setName(PatchManager::kMultiNameSlot, name);
  }
  plug->setLibrarianViewDirty();

  const bool waited = pause(kAfterMultiPauseMs);
  plug->mWorkerBusy = false;
  if (waited && requestParts)
  {
    for (int part = 0; part < SysexProtocol::kPartCount; ++part)
    {
      if (!partActive(plug, part))
      {
        continue;
      }
      sendPartRequestSysex(part, true);
      // A cancelled request ends the whole sequence rather than starting the next part's, as does a cancel in
      // the pause before it (the next request clears the flag) and a port gone.
      if (stopping.load() || cancel.load() || !pause(kPartRequestPauseMs) || cancel.load() ||
          !plug->requestPortsOpen())
      {
        break;
      }
    }
  }
  else if (waited && plug->mPushAllParts.load())
  {
    plug->mWorkerBusy = true;
    for (int part = 0; part < SysexProtocol::kPartCount; ++part)
    {
      if (!partActive(plug, part))
      {
        continue;
      }
      manager->sendRunning = true;
      sendPartToDevice(part, toLibrarian, false);
      plug->DisplayProcessingIndicator(true);
      if (!pause(kPushedPartPauseMs))
      {
        break;
      }
    }
  }
  else if (waited)
  {
    sendPartToDevice(plug->mCurrentPart.load(), toLibrarian, false);
    plug->DisplayProcessingIndicator(true);
    pause(kCurrentPartPauseMs);
  }
  plug->DisplayProcessingIndicator(false);
  manager->sendRunning = false;
  return sent;
}

void MIDIMessageSender::initPerformance()
{
  plug->DisplayProcessingIndicator(true);
  std::vector<unsigned char> dump = InitDumpTemplates::initMulti();
  storeIntoLibrarian(dump.data(), static_cast<int>(dump.size()), "");
  plug->DisplayProcessingIndicator(false);
}

void MIDIMessageSender::initClassicPatch()
{
  plug->DisplayProcessingIndicator(true);
  std::vector<unsigned char> dump = InitDumpTemplates::initSound();
  if (dump.size() > static_cast<size_t>(SysexProtocol::kProgramOffset))
  {
    IParam* bank = plug->GetParam(kRequestFromBank);
    dump[SysexProtocol::kBankOffset] = MultiDumpLayout::toByte(bank ? bank->Value() : 0.0, 0);
    dump[SysexProtocol::kProgramOffset] = SysexProtocol::dataByte(plug->getSelectedLibrarianSlot());
  }
  storeIntoLibrarian(dump.data(), static_cast<int>(dump.size()), "");
  plug->DisplayProcessingIndicator(false);
}
