// The test host's editor window: Xlib for the window, cairo for the PNG.
#include "HostEditorWindow.h"

#include "VstHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <thread>

namespace
{
// Bits below the lowest set bit of mask, to shift a pixel's channel down to 0..255.
int channelOf(unsigned long pixel, unsigned long mask)
{
  if (!mask)
  {
    return 0;
  }
  int shift = 0;
  while (!((mask >> shift) & 1UL))
  {
    ++shift;
  }
  const unsigned long maxValue = mask >> shift;
  return static_cast<int>(((pixel & mask) >> shift) * 255UL / maxValue);
}
// Set by the error handler that guards the screenshot's XGetImage.
bool gImageFailed = false;

int onImageError(Display*, XErrorEvent*)
{
  gImageFailed = true;
  return 0;
}
} // namespace

HostEditorWindow::HostEditorWindow(VstHost& host) : mHost(host) {}

int HostEditorWindow::Run(VstHost& host, double seconds, const std::string& file, std::ostream& out,
                          std::ostream& err)
{
  HostEditorWindow window(host);
  if (!window.Open())
  {
    err << "vsthost: editor: " << window.Error() << "\n";
    return 1;
  }
  out << "editor: open, " << window.Width() << " x " << window.Height() << "\n";
  window.Pump(seconds);
  int status = 0;
  if (!file.empty())
  {
    if (window.SaveScreenshot(file))
    {
      out << "screenshot: " << file << "\n";
    }
    else
    {
      err << "vsthost: cannot save the screenshot to " << file << "\n";
      status = 1;
    }
  }
  window.Close();
  out << "editor: closed\n";
  return status;
}

HostEditorWindow::~HostEditorWindow()
{
  Close();
}

bool HostEditorWindow::Open()
{
  Close();
  ERect* rect = nullptr;
  if (!mHost.Dispatch(effEditGetRect, 0, 0, &rect) || !rect)
  {
    mError = "the plug-in has no editor";
    return false;
  }
  mWidth = std::max(1, rect->right - rect->left);
  mHeight = std::max(1, rect->bottom - rect->top);
  // A server busy accepting connections refuses some for a moment: a few more tries.
  for (int attempt = 0; attempt < 10 && !mDisplay; ++attempt)
  {
    mDisplay = XOpenDisplay(nullptr);
    if (!mDisplay)
    {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  if (!mDisplay)
  {
    mError = "cannot open the X display";
    return false;
  }
  const int screen = DefaultScreen(mDisplay);
  mWindow = XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), 0, 0, static_cast<unsigned>(mWidth),
                                static_cast<unsigned>(mHeight), 0, BlackPixel(mDisplay, screen),
                                BlackPixel(mDisplay, screen));
  XStoreName(mDisplay, mWindow, "vsthost editor");
  Atom deleteAtom = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
  mDeleteAtom = deleteAtom;
  XSetWMProtocols(mDisplay, mWindow, &deleteAtom, 1);
  XSelectInput(mDisplay, mWindow, StructureNotifyMask);
  XMapWindow(mDisplay, mWindow);
  // The editor is opened into a mapped window, as hosts do.
  for (;;)
  {
    XEvent event;
    XNextEvent(mDisplay, &event);
    if (event.type == MapNotify && event.xmap.window == mWindow)
    {
      break;
    }
  }
  void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(mWindow));
  if (!mHost.Dispatch(effEditOpen, 0, 0, parent))
  {
    mError = "the plug-in did not open its editor";
    XDestroyWindow(mDisplay, mWindow);
    XFlush(mDisplay);
    mWindow = 0;
    return false;
  }
  return true;
}

void HostEditorWindow::Pump(double seconds)
{
  if (!mWindow)
  {
    return;
  }
  const bool untilClosed = !std::isfinite(seconds);
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                             std::chrono::duration<double>(untilClosed ? 0.0 : seconds));
  do
  {
    while (XPending(mDisplay) > 0)
    {
      XEvent event;
      XNextEvent(mDisplay, &event);
      if (event.type == ClientMessage && static_cast<unsigned long>(event.xclient.data.l[0]) == mDeleteAtom)
      {
        return;
      }
    }
    mHost.Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleIntervalMs));
  } while (untilClosed || std::chrono::steady_clock::now() < end);
}

bool HostEditorWindow::SaveScreenshot(const std::string& file)
{
  if (!mWindow)
  {
    return false;
  }
  XSync(mDisplay, False);
  // XGetImage fails (BadMatch) when part of the window lies off the screen, for example on a screen
  // smaller than the editor: report that instead of letting Xlib's default handler end the process.
  gImageFailed = false;
  XErrorHandler previous = XSetErrorHandler(onImageError);
  XImage* image = XGetImage(mDisplay, mWindow, 0, 0, static_cast<unsigned>(mWidth),
                            static_cast<unsigned>(mHeight), AllPlanes, ZPixmap);
  XSync(mDisplay, False);
  XSetErrorHandler(previous);
  if (!image || gImageFailed)
  {
    if (image)
    {
      XDestroyImage(image);
    }
    return false;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, mWidth, mHeight);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < mHeight; ++y)
  {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
    for (int x = 0; x < mWidth; ++x)
    {
      const unsigned long pixel = XGetPixel(image, x, y);
      row[x] = (static_cast<uint32_t>(channelOf(pixel, image->red_mask)) << 16) |
               (static_cast<uint32_t>(channelOf(pixel, image->green_mask)) << 8) |
               static_cast<uint32_t>(channelOf(pixel, image->blue_mask));
    }
  }
  XDestroyImage(image);
  cairo_surface_mark_dirty(surface);
  const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return written;
}

void HostEditorWindow::Close()
{
  if (mWindow)
  {
    mHost.Dispatch(effEditClose);
    XDestroyWindow(mDisplay, mWindow);
    XSync(mDisplay, False);
    mWindow = 0;
  }
  if (mDisplay)
  {
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
  }
}

int HostEditorWindow::ChildWindowCount() const
{
  if (!mWindow)
  {
    return 0;
  }
  ::Window root = 0;
  ::Window parent = 0;
  ::Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(mDisplay, mWindow, &root, &parent, &children, &count))
  {
    return 0;
  }
  if (children)
  {
    XFree(children);
  }
  return static_cast<int>(count);
}
