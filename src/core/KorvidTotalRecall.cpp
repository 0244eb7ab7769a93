// The plug-in's state for the host project: the state body written, read whole, then applied in order.
#include "Korvid.h"

#include "IControl.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "StoredState.h"
#include "TabSwitchFunctions.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
constexpr const char* kLogPrefix = "PROJECT RECALL: ";
constexpr const char* kTextUnreadable = "Stored state unreadable";
constexpr const char* kTextSeveralPorts = ": several ports match, choose one";
// The program entry of a part's log line follows a no-break space (U+00A0).
constexpr const char* kBeforeProgram = " |\xC2\xA0Program ";
constexpr int kMultiEntry = Korvid::kPartCount;

// The MIDI filter and clock parameters whose value of exactly 1.0 lets their message class pass or
// switches their flag on.
constexpr int kFilterFlagParams[] = {
    kMIDIFilterDAWCCPassThrough,  kMIDIFilterDAWPCPassThrough, kMIDIFilterDAWNotePassThrough,
    kMIDIFilterDAWPPPassThrough,  kMIDIFilterDAWPAPassThrough, kMIDIFilterDAWCAPassThrough,
    kMIDIFilterDAWSEPassThrough,  kMIDIFilterHWCCPassThrough,  kMIDIFilterHWPCPassThrough,
    kMIDIFilterHWNotePassThrough, kMIDIFilterHWPPPassThrough,  kMIDIFilterHWPAPassThrough,
    kMIDIFilterHWCAPassThrough,   kMIDIFilterHWSEPassThrough,  kMIDIFilterTrackIncomingMIDI,
    kMIDIFilterToDAWBuffer,       kSendMIDIClockPointer,       kSendMIDIClockInfo};

// A slot's text as a C string: the 16- and 4-character slots carry trailing NULs.
std::string shownText(const std::string& slot)
{
  return slot.c_str();
}

double valueOf(IPlugBase& plug, int paramIdx)
{
  IParam* param = plug.GetParam(paramIdx);
  return param ? param->Value() : 0.0;
}

int wholeValueOf(IPlugBase& plug, int paramIdx)
{
  return Korvid::truncatedValue(valueOf(plug, paramIdx));
}

void setBounded(IPlugBase& plug, int paramIdx, double value)
{
  if (IParam* param = plug.GetParam(paramIdx))
  {
    param->SetBounded(value);
  }
}
} // namespace

bool Korvid::SerializeState(ByteChunk* chunk)
{
  return SerializeState2(chunk, true);
}

int Korvid::UnserializeState(ByteChunk* chunk, int pos)
{
  return UnserializeState2(chunk, pos, true);
}

std::string Korvid::selectedPortText(int paramIdx)
{
  const IParam* param = GetParam(paramIdx);
  return param ? param->GetDisplayText(param->Int()) : "";
}

bool Korvid::SerializeState2(ByteChunk* chunk, bool withNames)
{
  if (!chunk)
  {
    return false;
  }
  WDL_MutexLock lock(&mMutex);
  chunk->AppendBytes(StoredState::kVersionWord, sizeof StoredState::kVersionWord);
  const double quickTab = valueOf(*this, kQuickTab);
  chunk->AppendValue(&quickTab);
  SerializeParams(chunk);
  if (withNames)
  {
    PatchManager unnamed(nullptr);
    PatchManager* names = mPatchManager ? mPatchManager : &unnamed;
    for (const auto& [slot, paramIdx, kept] :
         {std::tuple{PatchManager::kMidiInPortSlot, kDeviceInSelection, &mKeptPortNames[0]},
          std::tuple{PatchManager::kMidiOutPortSlot, kDeviceOutSelection, &mKeptPortNames[1]}})
    {
      // A port lost or not found keeps its name, so that the project finds it again when it is opened
      // with the synthesizer.
      names->setName(slot, kept->empty() ? selectedPortText(paramIdx) : *kept);
    }
    names->saveAllToChunk(chunk);
    for (int paramIdx : {kDeviceInSelection, kDeviceOutSelection, kBankSelection, kPatchSelection})
    {
      const IParam* param = GetParam(paramIdx);
      const double normalized = param ? param->GetNormalized() : 0.0;
      chunk->AppendValue(&normalized);
    }
  }
  if (const std::shared_ptr<const std::vector<double>> pending = mPendingStoredValues)
  {
    // The project's values, not the editor's defaults it shows until an output is chosen.
    for (const double value : *pending)
    {
      chunk->AppendValue(&value);
    }
  }
  else
  {
    SerializeNonAutomatedParams(chunk, kStoredParamCount);
  }
  return true;
}

int Korvid::UnserializeState2(ByteChunk* chunk, int pos, bool withNames)
{
  WDL_MutexLock lock(&mMutex);
  // Read whole before anything is applied: a body cut short or damaged changes nothing and sends nothing.
  StoredState state;
  if (!chunk || !state.read(*chunk, pos, withNames, NHostParams(), kStoredParamCount))
  {
    log(std::string(kLogPrefix) + "stored state incomplete or damaged, nothing restored");
    showStatusText(kTextUnreadable);
    return -1;
  }

  setBounded(*this, kQuickTab, state.quickTab);
  mCurrentPart = wholeValueOf(*this, kQuickTab);
  for (int i = 0; i < NHostParams(); ++i)
  {
    GetParam(i)->SetBounded(state.hostValues[static_cast<size_t>(i)]);
  }
  std::vector<std::string> portsSaid;
  if (withNames)
  {
    portsSaid = recallPorts(state);
  }

  int result = state.afterSelections;
  // This recall's values replace whatever an earlier one left pending.
  mPendingStoredValues.reset();
  waitForPortsToAnswer();
  std::string resendSaid;
  if (mOutputPresent.load())
  {
    // A job still running reads the values about to be replaced: they are applied once it has ended.
    const bool workerIdle = waitForIdleDeviceWorker();
    resendSaid = applyStoredBlock(state.storedValues, workerIdle);
    result = state.end;
  }
  else
  {
    keepPendingRecall(std::move(state.storedValues));
  }
  TabSwitchFunctions::mainTabSwitch(this, kMainTab, 0, 0);
  if (portsSaid.size() == 1)
  {
    // Above what the recall said last ("Choose MIDI Out to load project").
    showStatusLines(portsSaid.front(), getStatusText());
  }
  else if (portsSaid.size() > 1)
  {
    // A multi the synthesizer did not get stays above the ports the recall opened.
    if (resendSaid.empty())
    {
      showStatusLines(portsSaid[0], portsSaid[1]);
    }
    else
    {
      showStatusLines(resendSaid, portsSaid[0] + " " + portsSaid[1]);
    }
  }
  // A port system that stopped answering while the ports were reopened is said last.
  takeLostPorts();
  return result;
}

std::string Korvid::applyStoredBlock(const std::vector<double>& values, bool workerIdle)
{
  recallStoredValues(values);
  recallNamesAndTables();
  recallUpperBank();
  const std::string resendSaid = resendMultiAfterRecall(workerIdle);
  mQueueFrames = 2 * wholeValueOf(*this, kAdjustDAWOffset) + GetBlockSize();
  log(std::string(kLogPrefix) + "MIDI In device after nonautomated params " +
      selectedPortText(kDeviceInSelection));
  log(std::string(kLogPrefix) + "MIDI Out device after nonautomated params " +
      selectedPortText(kDeviceOutSelection));
  return resendSaid;
}

std::vector<std::string> Korvid::recallPorts(const StoredState& state)
{
  bool severalIn = false;
  bool severalOut = false;
  std::string substituteIn;
  std::string substituteOut;
  if (mPatchManager)
  {
    mPatchManager->replaceAll(state.nameData, state.names);
  }
  const std::string storedIn = state.names[PatchManager::kMidiInPortSlot];
  log(std::string(kLogPrefix) + "MIDI In device stored " + storedIn);
  const int in = reopenStoredPort(false, storedIn, &severalIn, &substituteIn);
  showPortEntry(kDeviceInSelection, in);
  // A port the system did not answer for stays chosen: it opens once the system answers.
  if (in == 0 && mMidiPorts.IsInWaiting())
  {
    showKeptPort(kDeviceInSelection);
  }

  const std::string storedOut = state.names[PatchManager::kMidiOutPortSlot];
  log(std::string(kLogPrefix) + "MIDI Out device stored " + storedOut);
  countOutputChoice();
  const int out = reopenStoredPort(true, storedOut, &severalOut, &substituteOut);
  showPortEntry(kDeviceOutSelection, out);
  if (out == 0 && mMidiPorts.IsOutWaiting())
  {
    showKeptPort(kDeviceOutSelection);
  }
  // The output is there only when the stored port opened: a port chosen before the recall is closed now.
  if (out > 0)
  {
    outputOpened();
  }
  else
  {
    outputAbsent();
  }
  log(std::string(kLogPrefix) + "MIDI In device after checking devices " +
      selectedPortText(kDeviceInSelection));
  log(std::string(kLogPrefix) + "MIDI Out device after checking devices " +
      selectedPortText(kDeviceOutSelection));

  // Normalized values from outside 0..1 would land outside the parameters' ranges.
  const auto unit = [](double value) { return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value); };
  IParam* bank = GetParam(kBankSelection);
  IParam* patch = GetParam(kPatchSelection);
  bank->SetNormalized(unit(state.bankSelection));
  patch->SetNormalized(unit(state.patchSelection));
  if (mPatchManager)
  {
    mPatchManager->mBankSelection = truncatedValue(bank->Value());
    mPatchManager->mPatchSelection = truncatedValue(patch->Value());
  }
  std::vector<std::string> said;
  if (severalOut || severalIn)
  {
    said.push_back(directionsText(severalOut, severalIn) + kTextSeveralPorts);
  }
  if (substituteOut.empty() && substituteIn.empty())
  {
    return said;
  }
  const std::string names =
      substituteIn.empty() || substituteIn == substituteOut
          ? substituteOut
          : (substituteOut.empty() ? substituteIn : substituteOut + " / " + substituteIn);
  const std::string directions = directionsText(!substituteOut.empty(), !substituteIn.empty());
  if (said.empty())
  {
    return {"Saved " + directions + " absent, opened:", names};
  }
  said.push_back(directions + " opened " + names);
  return said;
}

void Korvid::recallStoredValues(const std::vector<double>& values)
{
  const int first = NHostParams();
  const int count = std::min(kStoredParamCount, static_cast<int>(values.size()));
  for (int i = 0; i < count; ++i)
  {
    // The skin and size are the settings file's, drawn from it at start-up: the project's are not shown.
    if (first + i != kUserInterfaceSize && first + i != kUserInterfaceStyle)
    {
      GetParam(first + i)->SetBounded(values[static_cast<size_t>(i)]);
    }
  }
  mDeviceId = wholeValueOf(*this, kGlobalSysExID);
  log(std::string(kLogPrefix) + "hardware DeviceID " + std::to_string(mDeviceId.load()));
  setBounded(*this, kDeviceID_old, mDeviceId.load());
  // kSendMIDIClockInfo and kSendMIDIClockPointer are not stored: their flags follow the values they had.
  for (int paramIdx : kFilterFlagParams)
  {
    setMidiFilterFlag(paramIdx, valueOf(*this, paramIdx) == 1.0);
  }
  // The KEEP BANK OPEN box shows the stored value: the librarian follows it.
  mKeepSelectedBank = wholeValueOf(*this, kKeepSelectedBank) != 0;
}

void Korvid::recallUpperBank()
{
  // The project names the upper sound bank each part had open and the sound each part plays: the upper pane
  // opens the shown part's and selects its sound, as a part switch does, whether or not KEEP BANK OPEN is on.
  // A bank with unsaved edits stays open; the upper pane lists no sound banks while multis are shown.
  if (mMultiMode || hasUnsavedBankEdits())
  {
    return;
  }
  const int part = mCurrentPart;
  const int program = wholeValueOf(*this, kMultiPartPatch + part);
  // Opening a bank makes it the one the parts remember: the project's numbers stay as stored, also one that
  // lies beyond today's list (the pane opens the last bank then).
  std::array<double, kPartCount> stored{};
  for (int i = 0; i < kPartCount; ++i)
  {
    stored[static_cast<size_t>(i)] = valueOf(*this, kCurrentPatchBank + i);
  }
  selectUpperBank(truncatedValue(stored[static_cast<size_t>(part)]));
  for (int i = 0; i < kPartCount; ++i)
  {
    setBounded(*this, kCurrentPatchBank + i, stored[static_cast<size_t>(i)]);
  }
  selectLibrarianSlot(LibrarianViewControl::kUpperPane, program);
  if (mPatchLibrarian)
  {
    mPatchLibrarian->mCurrentSlot = program;
  }
}

void Korvid::recallNamesAndTables()
{
  std::string multiName;
  if (mPatchManager)
  {
    mPatchManager->getName(&multiName, PatchManager::kMultiNameSlot);
  }
  GetParam(kMultiName)->SetDisplayText(0, multiName.c_str());
  log(std::string(kLogPrefix) + "Multi name " + shownText(multiName));
  for (int part = 0; part < kPartCount; ++part)
  {
    std::string name;
    std::string category;
    if (mPatchManager)
    {
      mPatchManager->getName(&name, PatchManager::kFirstPartNameSlot + part);
      mPatchManager->getName(&category, PatchManager::kFirstCategorySlot + part);
    }
    GetParam(kPatchName + part)->SetDisplayText(0, name.c_str());
    GetParam(kCategoryName + part)->SetDisplayText(0, category.c_str());
    const size_t entry = static_cast<size_t>(part);
    mPartProgramTable[entry] = wholeValueOf(*this, kMultiPartPatch + part);
    mPartBankTable[entry] = wholeValueOf(*this, kMultiPartBank + part);
    log(std::string(kLogPrefix) + "Part " + std::to_string(part) + " name " + shownText(name) +
        " | Category name " + shownText(category) + " | Bank " +
        std::to_string(mPartBankTable[entry].load()) + kBeforeProgram +
        std::to_string(mPartProgramTable[entry].load()));
  }
  mPartProgramTable[kMultiEntry] = wholeValueOf(*this, kMultiPatch);
  mPartBankTable[kMultiEntry] = wholeValueOf(*this, kMultiBank);
}
