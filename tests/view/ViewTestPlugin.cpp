// A small plug-in with an X11 editor for the host tests: a background and three coloured panels.
#include "IControl.h"
#include "IGraphicsLinux.h"
#include "IPlugVST.h"
#include "IPlugVSTEntry.h"

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 200;

class ViewTestPlug : public IPlugVST
{
public:
  explicit ViewTestPlug(IPlugInstanceInfo info)
      : IPlugVST(info, 1, "2-2", 0, "View Test", "View Test", "Korvid Tests", 0x010000, MakeFourCC("vtst"),
                 MakeFourCC("Ktst"), 0, false, false, false, 0)
  {
    initialize(info, 0, 1, "2-2", 0, "View Test", "View Test", "Korvid Tests", 0x010000, MakeFourCC("vtst"),
               MakeFourCC("Ktst"), 0, false, false, false, 0);
    mView = new IGraphicsLinux(this, kWidth, kHeight);
    const IColor background(255, 40, 44, 52);
    const IColor red(255, 220, 30, 30);
    const IColor green(255, 30, 200, 60);
    const IColor blue(255, 40, 80, 230);
    mView->AttachControl(new IPanelControl(this, IRECT(0, 0, kWidth, kHeight), &background));
    mView->AttachControl(new IPanelControl(this, IRECT(20, 20, 120, 90), &red));
    mView->AttachControl(new IPanelControl(this, IRECT(140, 40, 300, 120), &green));
    mView->AttachControl(new IPanelControl(this, IRECT(60, 130, 260, 180), &blue));
    AttachGraphics(mView);
    // The idle opcode reaches the view here until the framework's dispatcher forwards it.
    mFrameworkDispatcher = GetAEffect()->dispatcher;
    GetAEffect()->dispatcher = &Dispatch;
  }

private:
  static VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt)
  {
    ViewTestPlug* plug =
        effect ? static_cast<ViewTestPlug*>(static_cast<IPlugVST*>(effect->object)) : nullptr;
    if (!plug)
    {
      return 0;
    }
    if (opcode == effEditIdle)
    {
      plug->mView->OnEditIdle();
    }
    return plug->mFrameworkDispatcher(effect, opcode, index, value, ptr, opt);
  }

  IGraphicsLinux* mView;
  AEffectDispatcherProc mFrameworkDispatcher = nullptr;
};

IPlugVST* createPlug(IPlugInstanceInfo info)
{
  return new ViewTestPlug(info);
}
} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback hostCallback)
{
  return IPlugVSTEntry(hostCallback, &createPlug);
}
