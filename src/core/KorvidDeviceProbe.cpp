// The device-id probe and the ports it needs: it runs once both an output and an input are chosen, and
// again when the user chooses an input port or the same output port once more.
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
