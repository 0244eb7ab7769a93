// Helpers of the X11 view tests: a recording control, synthetic input through XTest, pumping the view.
#pragma once

#include "IControl.h"
#include "IGraphicsLinux.h"
#include "IGraphicsX11View.h"
#include "WaitUntil.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The tests drive the display from a second thread (synthetic input) while the view runs its menu loop.
inline const bool kXlibThreadsReady = XInitThreads() != 0;

// A filled rectangle that records every event the surface hands it.
class RecordingControl : public IControl
{
public:
  struct Event
  {
    std::string kind; // "down", "up", "drag", "dbl", "wheel", "key"
    int x, y, dX, dY, d;
    IMouseMod mod;
  };

  RecordingControl(IRECT rect, IColor color, bool takeKeys = false)
      : IControl(nullptr, rect), mColor(color), mTakeKeys(takeKeys)
  {
  }
  bool Draw(IGraphics* graphics) override
  {
    ++draws;
    return graphics->FillIRect(&mColor, &mRECT);
  }
  void OnMouseDown(int x, int y, IMouseMod* mod) override
  {
    events.push_back({"down", x, y, 0, 0, 0, *mod});
    if (onDown)
    {
      onDown();
    }
  }
  void OnMouseUp(int x, int y, IMouseMod* mod) override { events.push_back({"up", x, y, 0, 0, 0, *mod}); }
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override
  {
    events.push_back({"drag", x, y, dX, dY, 0, *mod});
  }
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override
  {
    events.push_back({"dbl", x, y, 0, 0, 0, *mod});
  }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override
  {
    events.push_back({"wheel", x, y, 0, 0, d, *mod});
  }
  bool OnKeyDown(int x, int y, int key) override
  {
    events.push_back({"key", x, y, 0, 0, key, IMouseMod()});
    return mTakeKeys;
  }
  void TextFromTextEntry(const char* text) override { freeText = text ? text : ""; }
  void MarkDirty() { SetDirty(false); }

  std::vector<Event> events;
  int draws = 0;
  std::string freeText;
  std::function<void()> onDown;

private:
  IColor mColor;
  bool mTakeKeys;
};

// Synthetic input on a display connection of its own (the view has another one).
class InputDriver
{
public:
  InputDriver()
  {
    // Xvfb refuses a connection now and then right after others closed: a few more tries.
    for (int attempt = 0; attempt < 20 && !mDisplay; ++attempt)
    {
      mDisplay = XOpenDisplay(nullptr);
      if (!mDisplay)
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }
  ~InputDriver()
  {
    if (mDisplay)
    {
      XCloseDisplay(mDisplay);
    }
  }
  InputDriver(const InputDriver&) = delete;
  InputDriver& operator=(const InputDriver&) = delete;

  Display* display() const { return mDisplay; }
  void moveTo(int rootX, int rootY)
  {
    XTestFakeMotionEvent(mDisplay, -1, rootX, rootY, CurrentTime);
    XFlush(mDisplay);
  }
  void button(unsigned int button, bool press)
  {
    XTestFakeButtonEvent(mDisplay, button, press ? True : False, CurrentTime);
    XFlush(mDisplay);
  }
  void click(unsigned int which = 1)
  {
    button(which, true);
    button(which, false);
  }
  // A keysym the keymap lacks (a dead key) is bound to the last key code, which Xvfb's keymap leaves free.
  void key(KeySym keysym, bool shift = false)
  {
    const KeyCode shiftCode = XKeysymToKeycode(mDisplay, XK_Shift_L);
    KeyCode code = XKeysymToKeycode(mDisplay, keysym);
    if (code == 0)
    {
      int first = 0, last = 0;
      XDisplayKeycodes(mDisplay, &first, &last);
      KeySym both[] = {keysym, keysym};
      XChangeKeyboardMapping(mDisplay, last, 2, both, 1);
      XSync(mDisplay, False);
      code = static_cast<KeyCode>(last);
    }
    if (shift)
    {
      XTestFakeKeyEvent(mDisplay, shiftCode, True, CurrentTime);
    }
    XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
    XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
    if (shift)
    {
      XTestFakeKeyEvent(mDisplay, shiftCode, False, CurrentTime);
    }
    XFlush(mDisplay);
  }
  // Override-redirect windows on the screen, bottom to top (the open menu levels).
  std::vector<XWindowAttributes> menuWindows()
  {
    std::vector<XWindowAttributes> found;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XSync(mDisplay, False);
    if (!XQueryTree(mDisplay, DefaultRootWindow(mDisplay), &root, &parent, &children, &count))
    {
      return found;
    }
    for (unsigned int i = 0; i < count; ++i)
    {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(mDisplay, children[i], &attributes) && attributes.override_redirect &&
          attributes.map_state == IsViewable)
      {
        found.push_back(attributes);
      }
    }
    if (children)
    {
      XFree(children);
    }
    return found;
  }
  // The screen's colour (0xRRGGBB) at a point; 0 when it cannot be read.
  unsigned long pixelAt(int rootX, int rootY)
  {
    XImage* image = XGetImage(mDisplay, DefaultRootWindow(mDisplay), rootX, rootY, 1, 1, AllPlanes, ZPixmap);
    if (!image)
    {
      return 0;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
  }
  // Waits until n menu windows are shown; false after about two seconds.
  bool waitForMenus(size_t n)
  {
    for (int i = 0; i < 200; ++i)
    {
      if (menuWindows().size() == n)
      {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

private:
  Display* mDisplay = nullptr;
};

// Idles the view (as effEditIdle does) until done() holds, within the tests' wait limit.
inline bool pumpUntil(IGraphicsLinux& graphics, const std::function<bool()>& done)
{
  // Bounded, not timed: a loaded machine may take seconds to deliver the X events.
  return korvidtest::waitUntil([&] { return graphics.OnEditIdle(), done(); });
}

inline void pumpFor(IGraphicsLinux& graphics, int ms)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end)
  {
    graphics.OnEditIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}
