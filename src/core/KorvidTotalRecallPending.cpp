// Stored values of a recalled project that found no MIDI output: kept for the project's next save, applied
// once the user chooses an output, given up when the user starts editing the editor's own values.
#include "Korvid.h"

#include "ParamIndex.h"
#include "TabSwitchFunctions.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
constexpr const char* kLogPrefix = "PROJECT RECALL: ";
constexpr const char* kTextWaiting = "Choose MIDI Out to load project";
constexpr const char* kTextDropped = "Project's stored values dropped";

// Stored parameters that only browse the librarian or set the editor's look (kept in the settings file):
// editing them is no work on the values the project holds.
bool onlyBrowsesOrLooks(int paramIdx)
{
  return (paramIdx >= kLibUpperPreviousBank && paramIdx <= kLibLowerNextBank) ||
         (paramIdx >= kCurrentPatchBank && paramIdx < kCurrentPatchBank + Korvid::kPartCount) ||
         paramIdx == kUserInterfaceSize || paramIdx == kUserInterfaceStyle || paramIdx == kKeepSelectedBank;
}
} // namespace

bool Korvid::hasPendingRecall()
{
  WDL_MutexLock lock(GetMutex());
  return mPendingStoredValues != nullptr;
}

void Korvid::keepPendingRecall(std::vector<double> values)
{
  mPendingStoredValues = std::make_shared<const std::vector<double>>(std::move(values));
  log(std::string(kLogPrefix) + "no MIDI output, the stored values wait for one");
  showStatusText(kTextWaiting);
}

void Korvid::SetParameterFromGUI(int idx, double normalizedValue)
{
  WDL_MutexLock lock(GetMutex());
  if (!mPendingStoredValues)
  {
    setParameterNotingEdit(idx, normalizedValue);
    return;
  }
  // A user edit may change stored values beside its own parameter (a trigger button flips its target, the
  // randomizer draws a whole sound): compare the stored block around it.
  std::vector<double> before(static_cast<size_t>(kStoredParamCount));
  for (int i = 0; i < kStoredParamCount; ++i)
  {
    before[static_cast<size_t>(i)] = GetParam(i)->Value();
  }
  setParameterNotingEdit(idx, normalizedValue);
  int changed = -1;
  for (int i = 0; i < kStoredParamCount && changed < 0; ++i)
  {
    const IParam* param = GetParam(i);
    const bool edited =
        param->Value() != before[static_cast<size_t>(i)] || (i == idx && param->Type() == IParam::kTypeText);
    if (edited && !onlyBrowsesOrLooks(i))
    {
      changed = i;
    }
  }
  if (changed < 0 || !mPendingStoredValues)
  {
    return;
  }
  // The user works on the values the editor shows: they, not the project's, are what a save must keep, and
  // an output chosen later must not overwrite them.
  mPendingStoredValues.reset();
  log(std::string(kLogPrefix) + "the stored values are given up: parameter " + std::to_string(changed) +
      " edited before a MIDI output was chosen");
  showStatusText(kTextDropped);
}

bool Korvid::completePendingRecall()
{
  const std::shared_ptr<const std::vector<double>> pending = mPendingStoredValues;
  if (!pending)
  {
    return false;
  }
  log(std::string(kLogPrefix) + "MIDI output chosen, the stored values are applied now");
  // As in the recall: a job still running reads the values about to be replaced. The plug mutex is free
  // during the wait, so a recall may have replaced the block meanwhile.
  const bool workerIdle = waitForIdleDeviceWorker();
  if (mPendingStoredValues != pending)
  {
    log(std::string(kLogPrefix) + "the stored values were replaced meanwhile, not applied");
    return false;
  }
  mPendingStoredValues.reset();
  // The message line no longer asks for an output; the resend says what went wrong, if anything.
  showStatusText("");
  applyStoredBlock(*pending, workerIdle);
  // The recall showed main tab 0 already; the page shown now is refreshed for the values and the part.
  TabSwitchFunctions::mainTabSwitch(this, kMainTab, truncatedValue(GetParam(kMainTab)->Value()),
                                    mCurrentPart.load());
  RedrawParamControls();
  return true;
}
