// The device-id probe and the ports it needs: it runs once both an output and an input are chosen, and
// again when the user chooses an input port or the same output port once more; it speaks only for the
// output it was started for.
#include "Korvid.h"

#include "ParamIndex.h"

void Korvid::OnParamRechosen(int paramIdx)
{
  WDL_MutexLock lock(GetMutex());
  if (paramIdx == kDeviceOutSelection && mOutputPresent)
  {
    sendSysExInitialization();
  }
}

void Korvid::inputOpened()
{
  if (mOutputPresent)
  {
    sendSysExInitialization();
  }
  else
  {
    showStatusText("Choose MIDI OUT to connect to blofeld");
  }
}

void Korvid::bindDeviceTextsToOutput(bool bind)
{
  mDeviceTextsChoice = bind ? mOutputChoices.load() : kTextsUnbound;
}

bool Korvid::deviceTextsBound()
{
  return mDeviceTextsChoice.load() != kTextsUnbound;
}

bool Korvid::outputChosenSinceBound()
{
  return deviceTextOutdated(true);
}

void Korvid::countOutputChoice()
{
  // Between a device text's look at the count and its showing: the choice's own text comes after it.
  std::lock_guard<std::mutex> display(mDisplayTextLock);
  ++mOutputChoices;
}

bool Korvid::deviceTextOutdated(bool device) const
{
  const uint64_t bound = mDeviceTextsChoice.load();
  return device && bound != kTextsUnbound && bound != mOutputChoices.load();
}
