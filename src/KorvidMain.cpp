// The plug-in's exported VST 2 entry points: VSTPluginMain, and main for hosts that look that name up.
#include "IPlugVSTEntry.h"
#include "Korvid.h"

namespace
{
IPlugVST* createKorvid(IPlugInstanceInfo info)
{
  return new Korvid(info);
}
} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback hostCallback)
{
  return IPlugVSTEntry(hostCallback, &createKorvid);
}

// A C++ function may not be called main and return a pointer, so it is exported under that symbol name.
extern "C" __attribute__((visibility("default"))) AEffect*
korvidMainEntry(audioMasterCallback hostCallback) __asm__("main");

extern "C" AEffect* korvidMainEntry(audioMasterCallback hostCallback)
{
  return VSTPluginMain(hostCallback);
}
