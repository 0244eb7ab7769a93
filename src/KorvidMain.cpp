// The plug-in's exported VST 2 entry points: VSTPluginMain, and main for hosts that look that name up.
#include "IGraphicsLinux.h"
#include "IPlugVSTEntry.h"
#include "Korvid.h"

namespace
{
// Called under the entry point's mutex. The plug-in module draws its editor in an X11 window; the
// core library alone (tests, headless hosts) builds no window.
IPlugVST* createKorvid(IPlugInstanceInfo info)
{
  Korvid::setSurfaceFactory(
      [](IPlugBase* plug, int w, int h) -> IGraphics*
      {
        auto* view = new IGraphicsLinux(plug, w, h);
        view->SetBundleID(Korvid::kBundleID);
        return view;
      });
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
