// Jobs 3 and 4: library records into a part's edit buffer and into the synthesizer's memory.
#include "MIDIMessageSender.h"
#include "StoredInt.h"

#include "Korvid.h"
#include "LibrarianPatch.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace
{
// The multi edit buffer as a fed library multi is addressed (the multi parser does not read it).
constexpr int kMultiFeedBank = 0x20;
// Bank byte of the multi memory.
constexpr int kMultiMemoryBank = 0x00;
// Job 4's progress: slots per percent.
constexpr double kSlotsPerPercent = 1.28;
// Sound banks A to H.
constexpr int kSoundBankCount = 8;
// How long a store waits at its end for the output to stand behind its dumps (a few late cycles' repeats).
constexpr std::chrono::milliseconds kDumpSettleWait{2000};
constexpr std::chrono::milliseconds kNoWait{0};

// Every byte between F0 and F7 is a data byte: a stray status byte would cut the message on its way.
bool dataBytesOnly(const std::vector<unsigned char>& data)
{
  for (size_t i = 1; i + 1 < data.size(); ++i)
  {
    if (data[i] > SysexProtocol::kDataMask)
    {
      return false;
    }
  }
  return true;
}
} // namespace

std::vector<uint8_t> MIDIMessageSender::libraryDump(const LibrarianPatch& record, bool multi, int deviceId,
                                                    int bank, int program)
{
  if (record.mMessages.empty())
  {
    return {};
  }
  const std::vector<unsigned char>& stored = record.mMessages.front().mData;
  const int size = static_cast<int>(stored.size());
  const bool whole = multi ? SysexProtocol::isMultiDump(stored.data(), size)
                           : SysexProtocol::isSoundDump(stored.data(), size);
  if (!whole || !dataBytesOnly(stored))
  {
    return {};
  }
  std::vector<uint8_t> dump(stored.begin(), stored.end());
  dump[SysexProtocol::kModelOffset] = SysexProtocol::kModelId;
  dump[SysexProtocol::kDeviceIdOffset] = SysexProtocol::dataByte(deviceId);
  dump[SysexProtocol::kTypeOffset] = multi ? SysexProtocol::kMultiDump : SysexProtocol::kSoundDump;
  dump[SysexProtocol::kBankOffset] = SysexProtocol::dataByte(bank);
  dump[SysexProtocol::kProgramOffset] = SysexProtocol::dataByte(program);
  SysexProtocol::writeChecksum(dump.data(), size);
  return dump;
}

void MIDIMessageSender::sendPatchToDeviceFromLibrarian(const LibrarianPatch& record, int part, int slot,
                                                       bool storeToMemory)
{
  plug->DisplayProcessingIndicator(true);
  plug->mDumpArrived = false;
  const bool multi = plug->mMultiMode.load();
  const int deviceId = plug->mDeviceId.load();
  const bool inRange =
      part >= 0 && part < SysexProtocol::kPartCount && slot >= 0 && slot < SysexProtocol::kProgramCount;
  // The editor takes the record as the part's (or the multi's) edit buffer, whatever it is stored as.
  std::vector<uint8_t> fed;
  if (inRange)
  {
    fed = multi ? libraryDump(record, true, deviceId, kMultiFeedBank, 0)
                : libraryDump(record, false, deviceId, SysexProtocol::kEditBufferBank, part);
  }
  bool loaded = false;
  bool storeFailed = false;
  bool unconfirmed = false;
  bool late = false;
  std::string written;
  if (fed.empty())
  {
    plug->showStatusText(kTextInvalidRecord);
  }
  else
  {
    // A library request left armed would take the record into a librarian slot instead.
    manager->patchRequest.end();
    manager->performanceRequest.end();
    manager->dumpExpected = true;
    manager->dataReceived = false;
    plug->mDumpArrived = false;
    ISysEx sysex(0, fed.data(), static_cast<int>(fed.size()));
    plug->feedOwnSysEx(&sysex);
    loaded = manager->dataReceived.load();
    pause(kAfterFeedPauseMs);
    if (!loaded)
    {
      // Sending the editor's values now would send its previous sound as if it were this record.
      plug->showStatusText(kTextRecordNotLoaded);
    }
    else if (storeToMemory)
    {
      const int bank = multi ? kMultiMemoryBank : storedInt(*plug, kMultiPartBank + part);
      const std::optional<uint64_t> lostBefore = plug->settleMidiDumps(kNoWait);
      const bool dumped = plug->sendMidiDump(libraryDump(record, multi, deviceId, bank, slot),
                                             realPause(plug->getTimerValue()));
      // The synthesizer writes its memory before the program change selects what it wrote.
      pause(plug->getTimerValue());
      // A dump given up on after late cycles went out, so it was written; whether it arrived is unknown.
      const std::optional<uint64_t> lost = dumped ? dumpsLostSince(lostBefore) : std::nullopt;
      unconfirmed = dumped && !lost;
      late = lost.value_or(0) > 0;
      if (dumped)
      {
        written = singleWriteText(slot, multi, bank, !unconfirmed, late);
      }
      else
      {
        storeFailed = true;
      }
    }
  }
  // Said sent only when the dump went out; a bank change not made has said why.
  bool changed = false;
  bool sent = false;
  if (loaded && multi)
  {
    manager->setParameterFromDump(kMultiPatch, slot);
    plug->mPushAllParts = false;
    plug->mPushGlobal = false;
    changed = plug->BankChangeMessage(part);
    sent = changed && sendArrangementToDevice(false, true);
  }
  else if (loaded)
  {
    manager->setParameterFromDump(kMultiPartPatch + part, slot);
    changed = plug->BankChangeMessage(part);
    sent = changed && sendPartToDevice(part, false, true);
  }
  if (storeFailed)
  {
    plug->showStatusText(kTextWriteFailed);
  }
  else if (!written.empty())
  {
    plug->showStatusText(unconfirmed ? kTextWriteUnconfirmed : (late ? kTextWriteLate : kTextWriteCompleted));
    plug->showStatusDetail(written.c_str());
  }
  else if (sent)
  {
    const std::string to = multi ? " sent as the multi" : " sent to part " + std::to_string(part + 1);
    sentLine = "Slot " + LibrarianViewControl::slotNumberText(slot) + to;
    plug->showStatusText(sentLine.c_str());
  }
  else if (changed)
  {
    plug->showStatusText(kTextSlotNotSent);
  }
  plug->DisplayProcessingIndicator(false);
  manager->storeToMemory = false;
}

std::string MIDIMessageSender::singleWriteText(int slot, bool multi, int bank, bool confirmed, bool mayBeLost)
{
  const std::string number = LibrarianViewControl::slotNumberText(slot);
  std::string where;
  if (multi)
  {
    where = "multi " + number;
  }
  else if (bank >= 0 && bank < kSoundBankCount)
  {
    where = static_cast<char>('A' + bank) + number;
  }
  else
  {
    where = "bank " + std::to_string(bank) + ", " + number;
  }
  return "Slot " + number + (confirmed ? " written to " + where : " sent to " + where + ", unconfirmed") +
         (mayBeLost ? ", may not have arrived" : "");
}

std::string MIDIMessageSender::writeProgressText(int slot)
{
  return kTextWriteProgressPrefix + std::to_string(static_cast<int>(slot / kSlotsPerPercent)) +
         kTextWriteProgressSuffix;
}

std::optional<uint64_t> MIDIMessageSender::dumpsLostSince(std::optional<uint64_t> lostBefore)
{
  const std::optional<uint64_t> lost = plug->settleMidiDumps(kDumpSettleWait);
  if (!lost || !lostBefore)
  {
    return std::nullopt;
  }
  return *lost >= *lostBefore ? *lost - *lostBefore : *lost;
}

std::string MIDIMessageSender::writeCountText(int written, bool confirmed, int mayBeLost)
{
  return std::to_string(written) + (written == 1 ? " slot" : " slots") +
         (confirmed ? " written" : " sent, unconfirmed") +
         (mayBeLost > 0 ? ", " + std::to_string(mayBeLost) + " may not have arrived" : "");
}

void MIDIMessageSender::storeAllPatchesToDeviceFromLibrarian(const std::vector<LibrarianPatch>& bank,
                                                             int startSlot, int bankByte)
{
  plug->DisplayProcessingIndicator(true);
  cancel = false;
  const bool multi = plug->mMultiMode.load();
  const int deviceId = plug->mDeviceId.load();
  const int pauseMs = plug->getTimerValue();
  int written = 0;
  bool sendFailed = false;
  const std::optional<uint64_t> lostBefore = plug->settleMidiDumps(kNoWait);
  const int end = std::min(static_cast<int>(bank.size()), SysexProtocol::kProgramCount);
  for (int slot = std::max(startSlot, 0); startSlot >= 0 && slot < end; ++slot)
  {
    const LibrarianPatch& record = bank[static_cast<size_t>(slot)];
    if (record.mMessages.empty())
    {
      break;
    }
    const int program = slot - startSlot;
    const std::vector<uint8_t> dump =
        libraryDump(record, multi, deviceId, multi ? kMultiMemoryBank : bankByte, program);
    // A record that is no whole dump of the kind is left out; the others keep their programs.
    if (!dump.empty())
    {
      // A dump the output did not take is no slot written, and the slots after it would leave a gap.
      if (!plug->sendMidiDump(dump, realPause(pauseMs)))
      {
        sendFailed = true;
        break;
      }
      ++written;
      if (!pause(pauseMs))
      {
        break;
      }
    }
    if (cancel.load())
    {
      break;
    }
    plug->showStatusText(writeProgressText(slot).c_str());
  }
  // A dump the output gave up on after late cycles went out: it counts as written, and the line says that it
  // may not have arrived. A count the output was too busy to give leaves the slots sent unconfirmed.
  const std::optional<uint64_t> lost = written > 0 ? dumpsLostSince(lostBefore) : std::optional<uint64_t>(0);
  const int late = static_cast<int>(std::min<uint64_t>(lost.value_or(0), static_cast<uint64_t>(written)));
  plug->DisplayProcessingIndicator(false);
  setSelectedLibrarianSlot(0);
  // The end text as the synthesizer's manual words it; how many slots were written on the detail line.
  const char* endText = kTextWriteCompleted;
  if (cancel.load())
    endText = kTextWriteCancelled;
  else if (sendFailed)
    endText = kTextWriteFailed;
  else if (!lost)
    endText = kTextWriteUnconfirmed;
  else if (late > 0)
    endText = kTextWriteLate;
  plug->showStatusText(endText);
  plug->showStatusDetail(writeCountText(written, lost.has_value(), late).c_str());
  manager->storeToMemory = false;
}
