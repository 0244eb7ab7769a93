// The framework's reset slot: output hold released, sample rate and queue size taken over, display reset.
#include "Korvid.h"

#include "IControl.h"
#include "JobArguments.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <chrono>
#include <thread>

namespace
{
// Pause after asking for the device id, so that the answer can arrive before the next request.
constexpr int kInitializationPauseMs = 100;

constexpr const char* kFirstLineText = "Korvid Plug-in";
constexpr const char* kBuildDate = "10-Oct-2020";
constexpr const char* kCategoryText = "INIT";
constexpr const char* kPatchText = "-- INIT --";
constexpr const char* kControllerText = "---";
constexpr const char* kTextChooseInput = "Choose MIDI IN to connect to blofeld";

// Display controls by their position in mDisplayControls.
constexpr size_t kDisplayValue = 1;
constexpr size_t kDisplayCC = 4;
constexpr size_t kDisplayBuild = 5;

void setDisplay(IControl* control, const std::string& text)
{
  if (ITextControl* display = dynamic_cast<ITextControl*>(control))
  {
    display->SetTextFromPlug(text.c_str());
  }
}
} // namespace

void Korvid::Reset()
{
  WDL_MutexLock lock(GetMutex());
  mOutputHold = false;
  if (GetSampleRate() != mSampleRateCopy)
  {
    mSampleRateCopy = GetSampleRate();
  }
  // Before the host has told a block size the queue keeps its start capacity: a size of 0 would forbid it
  // to grow.
  if (GetBlockSize() > 0)
  {
    mMidiOutQueue.SetCapacityForBlock(GetBlockSize());
    // The audio thread never grows the queue: the room it may fill is allocated here.
    while (mMidiOutQueue.GetCapacity() < kMidiQueueStep && mMidiOutQueue.Grow())
    {
    }
    if (mQueueFrames == 0)
    {
      mQueueFrames = GetBlockSize();
    }
  }
  mStopPending = true;
  char version[32];
  GetEffectVersionStr(version);
  log(std::string("RESET: plug-in ") + version);
  if (!mIgnoreIncoming)
  {
    // The message line, category and patch displays keep copies of their texts: write through them.
    showStatusText(kFirstLineText);
    setDisplay(mDisplayControls[kDisplayValue],
               isLogging() ? std::string(version) + " - " + kBuildDate : std::string(version));
    setDisplay(mDisplayControls[kDisplayBuild], version);
    displayCategoryName(kCategoryText);
    displayPatchName(kPatchText);
    setDisplay(mDisplayControls[kDisplayCC], kControllerText);
  }
}

void Korvid::sendSysExInitialization()
{
  mInitializationRequested = true;
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!manager || !mOutputPresent || mIgnoreIncoming)
  {
    return;
  }
  // Without an input the synthesizer's replies cannot arrive: the probe waits until one is chosen.
  if (!mMidiPorts.IsInOpen())
  {
    mProbeWaitsForInput = true;
    showStatusText(kTextChooseInput);
    return;
  }
  mProbeWaitsForInput = false;
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobDeviceIdEnquiry;
  // Bound as it is admitted: an output chosen before the job starts already silences it.
  manager->post(args,
                [this, manager]()
                {
                  manager->dataReceived = false;
                  bindDeviceTextsToOutput(true);
                });
  // The audio pass goes on meanwhile.
  WDL_MutexRelease unlocked(GetMutex());
  std::this_thread::sleep_for(std::chrono::milliseconds(kInitializationPauseMs));
}
