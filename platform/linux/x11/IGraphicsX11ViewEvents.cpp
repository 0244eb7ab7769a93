// The X11 editor window's events: mouse, wheel and keys turned into the surface's calls.
#include "IGraphicsX11View.h"

#include "IGraphicsLinux.h"
#include "IGraphicsX11TextEntry.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace
{
// Two left presses this close in time (ms) and space (pixels) make a double click.
constexpr unsigned long kDoubleClickMs = 400;
constexpr int kDoubleClickDistance = 4;
// X reports wheel steps as buttons 4 (up) and 5 (down).
constexpr unsigned int kWheelUp = 4;
constexpr unsigned int kWheelDown = 5;

constexpr int kKeySpace = 0;
constexpr int kKeyUp = 1;
constexpr int kKeyDown = 2;
constexpr int kKeyLeft = 3;
constexpr int kKeyRight = 4;
constexpr int kKeyDigit0 = 5;
constexpr int kKeyLetterA = 15;
} // namespace

int IGraphicsX11View::KeyCodeFor(unsigned long keysym, const char* chars, int nChars)
{
  // Space and arrows by key, before the characters.
  switch (keysym)
  {
  case XK_space:
    return kKeySpace;
  case XK_Up:
    return kKeyUp;
  case XK_Down:
    return kKeyDown;
  case XK_Left:
    return kKeyLeft;
  case XK_Right:
    return kKeyRight;
  default:
    break;
  }
  if (!chars || nChars != 1)
  {
    return kKeyDrop;
  }
  const char c = chars[0];
  if (c >= '0' && c <= '9')
  {
    return kKeyDigit0 + (c - '0');
  }
  if (c >= 'a' && c <= 'z')
  {
    return kKeyLetterA + (c - 'a');
  }
  if (c >= 'A' && c <= 'Z')
  {
    return kKeyLetterA + (c - 'A');
  }
  return kKeyPassToHost;
}

IMouseMod IGraphicsX11View::MouseModFor(unsigned int state, bool rightStyle)
{
  const bool shift = (state & ShiftMask) != 0;
  const bool control = (state & ControlMask) != 0;
  const bool alt = (state & Mod1Mask) != 0;
  if (rightStyle)
  {
    return IMouseMod(false, true, shift, control, alt);
  }
  const bool command = (state & Mod4Mask) != 0;
  return IMouseMod(true, command, shift, control, alt);
}

void IGraphicsX11View::HandleEvent(XEvent* event, bool modal)
{
  if (mTextEntry && event->xany.window == mTextEntry->GetXWindow())
  {
    if (event->type == Expose && event->xexpose.count == 0)
    {
      mTextEntry->Draw();
    }
    else if (event->type == ButtonPress && !modal)
    {
      TakeFocus();
    }
    return;
  }
  if (!mWindow || event->xany.window != mWindow)
  {
    return;
  }
  switch (event->type)
  {
  case Expose:
    Invalidate(IRECT(event->xexpose.x, event->xexpose.y, event->xexpose.x + event->xexpose.width,
                     event->xexpose.y + event->xexpose.height));
    return;
  case DestroyNotify:
    // The host destroyed its window, and ours with it.
    if (mWindowSurface)
    {
      cairo_surface_destroy(mWindowSurface);
      mWindowSurface = nullptr;
    }
    mTextEntry.reset();
    mWindow = 0;
    return;
  default:
    break;
  }
  if (modal || !IsLinked())
  {
    return;
  }
  Enter();
  switch (event->type)
  {
  case ButtonPress:
    OnButtonPress(event->xbutton);
    break;
  case ButtonRelease:
    OnButtonRelease(event->xbutton);
    break;
  case MotionNotify:
    OnMotion(event);
    break;
  case KeyPress:
    OnKeyPress(&event->xkey);
    break;
  default:
    break;
  }
  Leave();
}

void IGraphicsX11View::TakeFocus()
{
  XWindowAttributes attributes;
  // Focus may only go to a viewable window; the host's window may not be mapped yet.
  if (mWindow && XGetWindowAttributes(mDisplay, mWindow, &attributes) && attributes.map_state == IsViewable)
  {
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
  }
}

void IGraphicsX11View::OnButtonPress(const XButtonEvent& e)
{
  mPrevX = e.x;
  mPrevY = e.y;
  TakeFocus();
  if (mTextEntry && e.button != kWheelUp && e.button != kWheelDown)
  {
    // A click outside the field ends editing, as when the field loses focus.
    CommitUserInput();
    if (!IsLinked())
    {
      return;
    }
  }
  if (e.button == Button1)
  {
    const bool again = mClickCount > 0 && e.time - mLastPressTime <= kDoubleClickMs &&
                       std::abs(e.x - mLastPressX) <= kDoubleClickDistance &&
                       std::abs(e.y - mLastPressY) <= kDoubleClickDistance;
    mClickCount = again ? mClickCount + 1 : 1;
    mLastPressTime = e.time;
    mLastPressX = e.x;
    mLastPressY = e.y;
    IMouseMod mod = MouseModFor(e.state, false);
    if (mClickCount >= 2)
    {
      mGraphics->OnMouseDblClick(e.x, e.y, &mod);
    }
    else
    {
      mGraphics->OnMouseDown(e.x, e.y, &mod);
    }
  }
  else if (e.button == Button3)
  {
    IMouseMod mod = MouseModFor(e.state, true);
    mGraphics->OnMouseDown(e.x, e.y, &mod);
  }
  else if (e.button == kWheelUp || e.button == kWheelDown)
  {
    EndUserInput();
    IMouseMod mod = MouseModFor(e.state, false);
    mGraphics->OnMouseWheel(e.x, e.y, &mod, e.button == kWheelUp ? 1 : -1);
  }
}

void IGraphicsX11View::OnButtonRelease(const XButtonEvent& e)
{
  mPrevX = e.x;
  mPrevY = e.y;
  if (e.button == Button1 || e.button == Button3)
  {
    IMouseMod mod = MouseModFor(e.state, e.button == Button3);
    mGraphics->OnMouseUp(e.x, e.y, &mod);
  }
}

void IGraphicsX11View::OnMotion(XEvent* event)
{
  FoldQueuedMotions(mDisplay, event, false);
  const XMotionEvent& e = event->xmotion;
  mPrevX = e.x;
  mPrevY = e.y;
  if (e.state & (Button1Mask | Button3Mask))
  {
    if (mTextEntry)
    {
      return;
    }
    IMouseMod mod = MouseModFor(e.state, (e.state & Button1Mask) == 0);
    mGraphics->OnMouseDrag(e.x, e.y, &mod);
    return;
  }
  IMouseMod mod = MouseModFor(e.state, false);
  mGraphics->OnMouseOver(e.x, e.y, &mod);
}

void IGraphicsX11View::FoldQueuedMotions(Display* display, XEvent* event, bool anyWindow)
{
  // Only motions queued right behind it: one taken from beyond a press or a release would report the
  // pointer where it went after that button event, before it.
  while (XEventsQueued(display, QueuedAfterReading) > 0)
  {
    XEvent next;
    XPeekEvent(display, &next);
    if (next.type != MotionNotify || (!anyWindow && next.xany.window != event->xany.window))
    {
      return;
    }
    XNextEvent(display, event);
  }
}

void IGraphicsX11View::OnKeyPress(XKeyEvent* e)
{
  if (mTextEntry)
  {
    switch (mTextEntry->HandleKey(e))
    {
    case IGraphicsX11TextEntry::KeyResult::kCommit:
      CommitUserInput();
      break;
    case IGraphicsX11TextEntry::KeyResult::kCancel:
      EndUserInput();
      break;
    case IGraphicsX11TextEntry::KeyResult::kRefused:
      mGraphics->TextEntryRefused(mTextEntry->Control(), mTextEntry->Refused().c_str(), false);
      break;
    default:
      break;
    }
    return;
  }
  // The characters with Shift (and Caps Lock) only, as the key gives them without other modifiers.
  XKeyEvent plain = *e;
  plain.state &= ShiftMask | LockMask;
  char chars[16] = {};
  KeySym keysym = NoSymbol;
  const int n = XLookupString(&plain, chars, sizeof chars - 1, &keysym, nullptr);
  const int code = KeyCodeFor(keysym, chars, n);
  if (code == kKeyDrop)
  {
    return;
  }
  if (code >= 0 && mGraphics->OnKeyDown(mPrevX, mPrevY, code))
  {
    return;
  }
  if (mParent != DefaultRootWindow(mDisplay))
  {
    // The host's window gets the keys the editor does not take.
    XKeyEvent forward = *e;
    forward.window = mParent;
    forward.subwindow = 0;
    XSendEvent(mDisplay, mParent, True, KeyPressMask, reinterpret_cast<XEvent*>(&forward));
    XFlush(mDisplay);
  }
}
