// The Linux surface's window operations: opening and closing the X11 view, idle, drawing, menus, text entry.
#include "IGraphicsLinux.h"

#include "ChildProcess.h"
#include "EditorLock.h"
#include "IPlugBase.h"

// After the framework's headers: Xlib defines macros that clash with their names.
#include "IGraphicsX11View.h"

#include <cstdint>

IGraphicsLinux::IGraphicsLinux(IPlugBase* plug, int w, int h, int refreshFPS)
    : IGraphics(plug, w, h, refreshFPS)
{
}

IGraphicsLinux::~IGraphicsLinux()
{
  CloseWindow();
  if (mPointerQueryDisplay)
  {
    XCloseDisplay(mPointerQueryDisplay);
  }
}

void* IGraphicsLinux::OpenWindow(void* parentWindow)
{
  CloseWindow();
  mGuiThread = std::this_thread::get_id();
  // The host passes its X11 window id in the pointer argument.
  const Window parent = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parentWindow));
  mView = IGraphicsX11View::Create(this, parent);
  // The skin's images wait for this first opening: decoded now, after the window is there to take the
  // user's first clicks, and before its first picture, which then shows them all.
  DecodeBitmaps();
  return mView;
}

void IGraphicsLinux::CloseWindow()
{
  if (!mView)
  {
    return;
  }
  IGraphicsX11View* view = mView;
  mView = nullptr;
  view->Unlink();
  // A close that comes from inside one of the view's handlers (a control's action, a dialog) leaves the
  // view to end when that handler returns.
  view->Retire();
}

void IGraphicsLinux::OnEditIdle()
{
  ChildProcess::ReapFinished();
  if (mView)
  {
    mView->Idle();
  }
}

unsigned long IGraphicsLinux::GetXWindow() const
{
  return mView ? mView->GetXWindow() : 0;
}

bool IGraphicsLinux::DrawScreen(IRECT* r)
{
  if (!mView)
  {
    return false;
  }
  return mView->DrawScreen(r ? *r : IRECT(0, 0, Width(), Height()));
}

void IGraphicsLinux::ForceEndUserEdit()
{
  if (mView)
  {
    mView->EndUserInput();
  }
}

void IGraphicsLinux::Resize(int w, int h)
{
  if (w == Width() && h == Height())
  {
    return;
  }
  IGraphics::Resize(w, h);
  if (mView)
  {
    mView->SetSize(w, h);
  }
}

IPopupMenu* IGraphicsLinux::CreateIPopupMenu(IPopupMenu* menu, IRECT* area)
{
  ReleaseMouseCapture();
  if (!mView)
  {
    return nullptr;
  }
  std::unique_ptr<EditorLockRelease> release = ReleaseEditorLockWhileModal();
  return mView->CreateIPopupMenu(menu, area ? *area : IRECT());
}

void IGraphicsLinux::CreateTextEntry(IControl* control, IText* text, IRECT* area, const char* str,
                                     IParam* param)
{
  if (!mView || !control)
  {
    return;
  }
  mView->CreateTextEntry(control, text, area ? *area : IRECT(), str, param);
}

void IGraphicsLinux::HideMouseCursor()
{
  if (mView)
  {
    mView->HideCursor();
  }
}

void IGraphicsLinux::ShowMouseCursor()
{
  if (mView)
  {
    mView->ShowCursor();
  }
}

bool IGraphicsLinux::QueryPointerMask(unsigned int* mask)
{
  std::lock_guard<std::mutex> lock(mPointerQueryLock);
  if (!mPointerQueryTried)
  {
    mPointerQueryTried = true;
    mPointerQueryDisplay = XOpenDisplay(nullptr);
  }
  if (!mPointerQueryDisplay)
  {
    return false;
  }
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  return XQueryPointer(mPointerQueryDisplay, DefaultRootWindow(mPointerQueryDisplay), &root, &child, &rootX,
                       &rootY, &windowX, &windowY, mask) != 0;
}

bool IGraphicsLinux::ShiftOrLeftButtonHeld()
{
  unsigned int mask = 0;
  return QueryPointerMask(&mask) && (mask & (ShiftMask | Button1Mask)) != 0;
}

bool IGraphicsLinux::LeftButtonHeld()
{
  unsigned int mask = 0;
  return QueryPointerMask(&mask) && (mask & Button1Mask) != 0;
}

bool IGraphicsLinux::PromptForColor(IColor*, const char*)
{
  return false;
}

void IGraphicsLinux::PumpWhileWaiting()
{
  if (mView && std::this_thread::get_id() == mGuiThread)
  {
    mView->PumpModal();
  }
}

std::unique_ptr<EditorLockRelease> IGraphicsLinux::ReleaseEditorLockWhileModal()
{
  return std::make_unique<EditorLockRelease>(mPlugin ? mPlugin->GetMutex() : nullptr);
}
