// Device transfers: bank and program changes, a part's sound sent and resent, library records and banks
// into the synthesizer.
#include "Korvid.h"
#include "StoredInt.h"

#include "ControlLayer.h"
#include "DeviceClock.h"
#include "IGraphics.h"
#include "LibrarianPatch.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchFile.h"
#include "PatchLibrarian.h"

#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr const char* kTextNoBank = "No bank open - nothing stored";
constexpr const char* kTextNothingToStore = "Slot is empty - nothing stored";
constexpr const char* kTextBusy = "Another transfer is running - nothing stored";
constexpr const char* kConfirmCaption = "Korvid Editor";
// Message box: OK and Cancel; OK answers 1.
constexpr int kBoxOkCancel = 1;
constexpr int kBoxOk = 1;

// Bank select: controller 0 the bank, controller 32 the synthesizer's fixed low value (64 for a part's
// sound, 96 for the multi), then the program change; pauses in ms after each.
constexpr int kBankSelectMsb = 0;
constexpr int kBankSelectLsb = 32;
constexpr int kSoundBankLsb = 64;
constexpr int kMultiBankLsb = 96;
constexpr int kAfterBankMsbMs = 25;
constexpr int kAfterBankLsbMs = 25;
constexpr int kAfterProgramMs = 50;
constexpr uint8_t kControlChangeStatus = 0xB0;
constexpr uint8_t kProgramChangeStatus = 0xC0;
constexpr int kMaxDataByte = 127;
constexpr int kMidiChannelCount = 16;
// Entry of the part tables that holds the multi's bank and program.
constexpr int kMultiTableEntry = 16;
// Section locks: 40 families of 16 per-part parameters from kSectionLockOsc1 on.
constexpr int kSectionLockFamilies = 40;
constexpr int kBankCount = 8;

uint8_t dataByte(int value)
{
  return static_cast<uint8_t>(value & kMaxDataByte);
}

// The records of bank from startSlot on that hold a dump, up to the first that does not.
int recordsToStore(const PatchFile& bank, int startSlot)
{
  int count = 0;
  for (size_t slot = static_cast<size_t>(startSlot);
       slot < bank.mRecords.size() && slot < static_cast<size_t>(PatchFile::kBankSize); ++slot)
  {
    if (bank.mRecords[slot].mMessages.empty())
    {
      break;
    }
    ++count;
  }
  return count;
}
} // namespace

int Korvid::getTempoValue()
{
  return mHostTempo.load();
}

bool Korvid::transferPause(int ms)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  return manager && manager->clock().sleep(ms, manager->sender->stopping);
}

bool Korvid::BankChangeMessage(int part)
{
  return changeBank(part, mMultiMode.load());
}

bool Korvid::choosePartProgram(int part)
{
  if (storedInt(*this, kControlLibrary) == 1 && !mMultiMode.load() && part >= 0 && part < kPartCount)
  {
    // Library control: the program number picks a record of the upper bank, as on the program selector;
    // the send makes the bank change itself, so none goes out here.
    return sendPatchToDeviceFromLibrarian(storedInt(*this, kMultiPartPatch + part),
                                          LibrarianViewControl::kUpperPane, part);
  }
  if (!changeBank(part, false))
  {
    return false;
  }
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (mProgramChangeControlsBank.load() && manager)
  {
    JobArguments request;
    request.jobCode = MIDIMessageSender::kJobRequestPart;
    request.part = part;
    request.toEditor = true;
    manager->post(request, [manager] { manager->dumpExpected = true; });
  }
  else
  {
    sendPatchToDevice(part, true, false, false, false);
  }
  return true;
}

bool Korvid::changeBank(int part, bool multi)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!multi && (part < 0 || part >= kPartCount))
  {
    return false;
  }
  const int target = multi ? kMultiTableEntry : part;
  const int bank = storedInt(*this, multi ? kMultiBank : kMultiPartBank + part);
  const int program = storedInt(*this, multi ? kMultiPatch : kMultiPartPatch + part);
  const auto entry = static_cast<size_t>(target);
  if (entry < mPartBankTable.size() && entry < mPartProgramTable.size())
  {
    mPartBankTable[entry] = bank;
    mPartProgramTable[entry] = program;
  }
  if (!multi)
  {
    for (int k = 0; k < kPartCount; ++k)
    {
      const auto other = static_cast<size_t>(k);
      if (k != part && storedInt(*this, kMultiPartStatus + k) == 1 && other < mPartBankTable.size() &&
          other < mPartProgramTable.size() && mPartBankTable[other] == bank &&
          mPartProgramTable[other] == program)
      {
        if (mBankPatchConflictWindowLayer)
        {
          mBankPatchConflictWindowLayer->Hide(false);
        }
        return false;
      }
    }
  }
  if (!mOutputPresent.load())
  {
    sayNoOutput();
    return false;
  }
  const int channel = multi ? storedInt(*this, kGlobalMidiChannel) - 1 : partMidiChannel(part, true);
  if (!manager || channel < 0 || channel >= kMidiChannelCount)
  {
    return false;
  }
  const int lsb = multi ? kMultiBankLsb : kSoundBankLsb;
  const uint64_t ticket =
      manager->bankChanges.enqueue(target, [this, part, multi, channel, bank, lsb, program]()
                                   { sendBankChange(part, multi, channel, bank, lsb, program); });
  if (ticket == 0)
  {
    return false;
  }
  // A device job goes on only once its program change is out (job 3 sends the part right after it).
  if (manager->onSysexJobThread() &&
      !manager->bankChanges.waitDone(ticket, manager->sender->bankChangeWaitMs.load()) &&
      !manager->sender->stopping.load())
  {
    showStatusText(MIDIMessageSender::kTextBankChangeTimedOut);
    log(std::string("DEVICE: ") + MIDIMessageSender::kTextBankChangeTimedOut);
  }
  return true;
}

void Korvid::sendBankChange(int part, bool multi, int channel, int bank, int bankLsb, int program)
{
  // The multi's program changes every part.
  AllSoundsOff(part, multi);
  mOutputHold = false;
  const auto status = [channel](uint8_t kind) { return static_cast<uint8_t>(kind | channel); };
  IMidiMsg bankMsb(0, status(kControlChangeStatus), kBankSelectMsb, dataByte(bank));
  sendMidiMsgAndLog(&bankMsb);
  transferPause(kAfterBankMsbMs);
  IMidiMsg bankLsbMsg(0, status(kControlChangeStatus), kBankSelectLsb, dataByte(bankLsb));
  sendMidiMsgAndLog(&bankLsbMsg);
  transferPause(kAfterBankLsbMs);
  IMidiMsg programMsg(0, status(kProgramChangeStatus), dataByte(program), 0);
  sendMidiMsgAndLog(&programMsg);
  if (MIDIMessageManager* manager = mMIDIMessageManager)
  {
    // The host's events that wait behind this change may go now.
    mProgramOutTicket = manager->bankChanges.current();
  }
  transferPause(kAfterProgramMs);
  mOutputHold = true;
  transferPause(getTimerValue());
}

void Korvid::sendPatchToDevice(int part, bool busy, bool multiEdited, bool sendGlobalWithMulti,
                               bool sendMultiAfter)
{
  AllSoundsOff(part, false);
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    return;
  }
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobSendPart;
  args.part = part;
  args.sendMultiAfter = sendMultiAfter;
  args.endsTransfer = true;
  manager->post(args,
                [this, manager, busy, multiEdited, sendGlobalWithMulti]()
                {
                  mIgnoreIncoming = true;
                  mPushGlobal = sendGlobalWithMulti;
                  mPushAllParts = multiEdited;
                  mWorkerBusy = busy;
                  manager->sendRunning = true;
                });
}

void Korvid::sendPartDataBackToHardware(int part)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager || part < 0 || part >= kPartCount)
  {
    return;
  }
  bool locked = false;
  for (int family = 0; family < kSectionLockFamilies && !locked; ++family)
  {
    locked = storedInt(*this, kSectionLockOsc1 + family * kPartCount + part) == 1;
  }
  if (!locked)
  {
    return;
  }
  AllSoundsOff(part, false);
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobSendPart;
  args.part = part;
  manager->postOrChain(args, [manager]() { manager->sendRunning = true; });
}

void Korvid::SendSingleProgramFromLibrarian(bool store, int part)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager)
  {
    return;
  }
  const int slot = getSelectedLibrarianSlot();
  const int pane = mLibrarianView && mLibrarianView->selectedUpper < 0 ? LibrarianViewControl::kLowerPane
                                                                       : LibrarianViewControl::kUpperPane;
  // The store takes the selected slot of the edited bank, as its number is the memory slot written.
  if (store && pane == LibrarianViewControl::kLowerPane)
  {
    showStatusText("Select a slot of the upper bank - nothing sent");
    return;
  }
  // The flag goes into the job's arguments when it is posted.
  manager->storeToMemory = store;
  sendPatchToDeviceFromLibrarian(slot, pane, part);
  // A send that was not posted must not leave the next one storing into the synthesizer's memory.
  manager->storeToMemory = false;
}

void Korvid::SendAllProgramsFromLibrarian(int bankByte)
{
  // The selected slot stays until the job ends: a bank store that is declined or refused leaves the next
  // single store with the slot shown selected.
  const int pane = mLibrarianView && mLibrarianView->selectedUpper < 0 ? LibrarianViewControl::kLowerPane
                                                                       : LibrarianViewControl::kUpperPane;
  storeBankIntoDevice(pane, 0, bankByte);
}

void Korvid::storeAllPatchesToDeviceFromLibrarian(int pane, int startSlot, int bankByte)
{
  storeBankIntoDevice(pane, startSlot, bankByte);
}

bool Korvid::confirmBankStore(const std::string& bankName, int count, int bankByte)
{
  IGraphics* surface = GetGUI();
  if (!surface)
  {
    return false;
  }
  const bool multis = mMultiMode.load();
  std::string where;
  if (multis)
  {
    where = "the multi memory";
  }
  else if (bankByte >= 0 && bankByte < kBankCount)
  {
    where = std::string("bank ") + static_cast<char>('A' + bankByte);
  }
  else
  {
    where = "bank " + std::to_string(bankByte);
  }
  const std::string text = "Store " + std::to_string(count) + (multis ? " multis" : " sounds") + " of \"" +
                           bankName + "\" into " + where +
                           " of the Blofeld? What is stored there now is overwritten.";
  if (surface->ShowMessageBox(text.c_str(), kConfirmCaption, kBoxOkCancel) == kBoxOk)
  {
    return true;
  }
  // Without the question on screen nothing is confirmed; the message line says why nothing goes out.
  if (!sayDialogFailed(" - nothing sent"))
  {
    showStatusText(MIDIMessageSender::kTextWriteCancelled);
  }
  return false;
}

void Korvid::storeBankIntoDevice(int pane, int startSlot, int bankByte)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!mOutputPresent.load())
  {
    sayNoOutput();
    return;
  }
  const PatchFile* bank = LibrarianViewControl::bankOfPane(
      mPatchLibrarian, pane == LibrarianViewControl::kUpperPane ? pane : LibrarianViewControl::kLowerPane,
      mCategoryList, mSearchList);
  if (!manager || !bank)
  {
    showStatusText(kTextNoBank);
    return;
  }
  if (ThreadRunning())
  {
    showStatusText(kTextBusy);
    return;
  }
  const int count = startSlot < 0 || startSlot >= PatchFile::kBankSize ? 0 : recordsToStore(*bank, startSlot);
  if (count == 0)
  {
    showStatusText(kTextNothingToStore);
    return;
  }
  // Copied before the question: the library may be rescanned while it is open or while the job runs.
  auto records = std::make_shared<const std::vector<LibrarianPatch>>(bank->mRecords);
  const std::string bankName = bank->mFileName;
  if (!confirmBankStore(bankName, count, bankByte))
  {
    return;
  }
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobStoreAllLibraryPatches;
  args.pane = pane;
  args.startSlot = startSlot;
  args.bankByte = bankByte;
  args.bankRecords = std::move(records);
  if (!manager->post(args, [manager]() { manager->sendRunning = true; }))
  {
    showStatusText(kTextBusy);
  }
}
