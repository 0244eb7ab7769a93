// Creation of one plug-in instance for the exported VST 2 entry points.
#include "IPlugVSTEntry.h"

#include "WdlMutex.h"

#include <algorithm>
#include <cstdio>
#include <exception>

WDL_Mutex& IPlugVSTEntryMutex()
{
  static WDL_Mutex sMutex;
  return sMutex;
}

AEffect* IPlugVSTEntry(audioMasterCallback hostCallback, IPlugVSTFactory factory)
{
  if (!factory)
  {
    return nullptr;
  }
  WDL_MutexLock lock(&IPlugVSTEntryMutex());
  IPlugVST* plug = nullptr;
  try
  {
    IPlugInstanceInfo info;
    info.mVSTHostCallback = hostCallback;
    plug = factory(info);
    if (!plug)
    {
      return nullptr;
    }
    plug->EnsureDefaultPreset();
    AEffect* effect = plug->GetAEffect();
    effect->numPrograms = std::max(effect->numPrograms, 1);
    return effect;
  }
  catch (const std::exception& e)
  {
    std::fprintf(stderr, "VSTPluginMain: the plug-in could not be created: %s\n", e.what());
  }
  catch (...)
  {
    std::fprintf(stderr, "VSTPluginMain: the plug-in could not be created\n");
  }
  delete plug;
  return nullptr;
}
