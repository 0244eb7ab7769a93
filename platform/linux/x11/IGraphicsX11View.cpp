// The X11 editor window: creation and teardown, the redraw tick and painting from the draw bitmap.
// IParam declares names that Xlib defines as macros: it comes before the X11 headers.
#include "IControl.h"
#include "IParam.h"

#include "IGraphicsLinux.h"
#include "IGraphicsX11View.h"
#include "IGraphicsX11Menu.h"
#include "IGraphicsX11TextEntry.h"
#include "LiceCairo.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <xkbcommon/xkbcommon-compose.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace
{
// Xlib's error handler is one per process. Ours ignores errors of our own connections (a window the host
// destroyed before closing the editor must not end the host) and hands every other error to the handler
// that was installed before.
std::mutex gErrorLock;
std::vector<Display*> gOurDisplays;
XErrorHandler gPreviousHandler = nullptr;

int onXError(Display* display, XErrorEvent* error)
{
  {
    std::lock_guard<std::mutex> lock(gErrorLock);
    if (std::find(gOurDisplays.begin(), gOurDisplays.end(), display) != gOurDisplays.end())
    {
      return 0;
    }
  }
  return gPreviousHandler ? gPreviousHandler(display, error) : 0;
}

void registerDisplay(Display* display)
{
  std::lock_guard<std::mutex> lock(gErrorLock);
  if (gOurDisplays.empty())
  {
    gPreviousHandler = XSetErrorHandler(onXError);
  }
  gOurDisplays.push_back(display);
}

void unregisterDisplay(Display* display)
{
  std::lock_guard<std::mutex> lock(gErrorLock);
  gOurDisplays.erase(std::remove(gOurDisplays.begin(), gOurDisplays.end(), display), gOurDisplays.end());
  if (gOurDisplays.empty())
  {
    // Put the earlier handler back unless someone installed another on top of ours meanwhile.
    XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != onXError)
    {
      XSetErrorHandler(current);
    }
  }
}
} // namespace

IGraphicsX11View* IGraphicsX11View::Create(IGraphicsLinux* graphics, Window parent)
{
  if (!graphics)
  {
    return nullptr;
  }
  // A server busy accepting connections refuses some for a moment: a few more tries.
  constexpr int kOpenAttempts = 10;
  constexpr useconds_t kOpenRetryUs = 10000;
  Display* display = XOpenDisplay(nullptr);
  for (int attempt = 1; !display && attempt < kOpenAttempts; ++attempt)
  {
    usleep(kOpenRetryUs);
    display = XOpenDisplay(nullptr);
  }
  if (!display)
  {
    std::fprintf(stderr, "Korvid Editor: cannot open the X display\n");
    return nullptr;
  }
  registerDisplay(display);
  IGraphicsX11View* view =
      new IGraphicsX11View(graphics, display, parent ? parent : DefaultRootWindow(display));
  if (!view->MakeWindow())
  {
    delete view;
    return nullptr;
  }
  return view;
}

IGraphicsX11View::IGraphicsX11View(IGraphicsLinux* graphics, Display* display, Window parent)
    : mGraphics(graphics), mDisplay(display), mParent(parent), mWidth(graphics->Width()),
      mHeight(graphics->Height()), mLastTick(std::chrono::steady_clock::now())
{
}

IGraphicsX11View::~IGraphicsX11View()
{
  mTextEntry.reset();
  xkb_compose_table_unref(mComposeTable);
  DestroyWindow();
  if (mBlankCursor)
  {
    XFreeCursor(mDisplay, mBlankCursor);
  }
  if (mCairoDevice)
  {
    // cairo keeps per-display state that only a finished device releases.
    cairo_device_finish(mCairoDevice);
    cairo_device_destroy(mCairoDevice);
  }
  // Errors of requests still on their way must find the display registered.
  XSync(mDisplay, True);
  unregisterDisplay(mDisplay);
  XCloseDisplay(mDisplay);
}

bool IGraphicsX11View::MakeWindow()
{
  XSetWindowAttributes attributes{};
  // No background: the window is always painted from the draw bitmap, so the server never clears it.
  attributes.background_pixmap = None;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          KeyPressMask | StructureNotifyMask | FocusChangeMask;
  mWindow = XCreateWindow(mDisplay, mParent, 0, 0, static_cast<unsigned>(std::max(1, mWidth)),
                          static_cast<unsigned>(std::max(1, mHeight)), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
  if (!mWindow)
  {
    return false;
  }
  XWindowAttributes info;
  if (!XGetWindowAttributes(mDisplay, mWindow, &info))
  {
    return false;
  }
  mVisual = info.visual;
  mDepth = info.depth;
  mGC = XCreateGC(mDisplay, mWindow, 0, nullptr);
  if (mParent == DefaultRootWindow(mDisplay))
  {
    XStoreName(mDisplay, mWindow, "Korvid Editor");
  }
  mWindowSurface =
      cairo_xlib_surface_create(mDisplay, mWindow, mVisual, std::max(1, mWidth), std::max(1, mHeight));
  mCairoDevice = cairo_device_reference(cairo_surface_get_device(mWindowSurface));
  XMapWindow(mDisplay, mWindow);
  XFlush(mDisplay);
  // The first tick paints everything.
  Invalidate(IRECT(0, 0, mWidth, mHeight));
  return true;
}

void IGraphicsX11View::DestroyWindow()
{
  if (mWindowSurface)
  {
    cairo_surface_finish(mWindowSurface);
    cairo_surface_destroy(mWindowSurface);
    mWindowSurface = nullptr;
  }
  if (mGC)
  {
    XFreeGC(mDisplay, mGC);
    mGC = nullptr;
  }
  if (mWindow)
  {
    XDestroyWindow(mDisplay, mWindow);
    mWindow = 0;
    XFlush(mDisplay);
  }
}

void IGraphicsX11View::Unlink()
{
  EndUserInput();
  if (mCursorHidden)
  {
    ShowCursor();
  }
  mGraphics = nullptr;
  DestroyWindow();
}

void IGraphicsX11View::Retire()
{
  if (mBusy > 0)
  {
    mRetired = true;
    return;
  }
  delete this;
}

void IGraphicsX11View::Leave()
{
  if (--mBusy == 0 && mRetired)
  {
    delete this;
  }
}

void IGraphicsX11View::Idle()
{
  Enter();
  while (IsLinked() && XPending(mDisplay) > 0)
  {
    XEvent event;
    XNextEvent(mDisplay, &event);
    HandleEvent(&event, false);
  }
  TickAndPaint();
  Leave();
}

void IGraphicsX11View::PumpModal()
{
  Enter();
  while (XPending(mDisplay) > 0)
  {
    XEvent event;
    XNextEvent(mDisplay, &event);
    HandleEvent(&event, true);
  }
  TickAndPaint();
  Leave();
}

void IGraphicsX11View::TickAndPaint()
{
  if (!IsLinked())
  {
    return;
  }
  Enter();
  const auto now = std::chrono::steady_clock::now();
  const int fps = std::max(1, mGraphics->FPS());
  // A host that idles every 20 ms calls in on a 40 ms tick with some jitter: three quarters of the
  // interval count as due.
  const auto interval = std::chrono::microseconds(750000 / fps);
  if (now - mLastTick >= interval)
  {
    mLastTick = now;
    OnTimer();
  }
  PaintInvalid();
  XFlush(mDisplay);
  Leave();
}

void IGraphicsX11View::OnTimer()
{
  if (!IsLinked())
  {
    return;
  }
  IRECT dirty;
  if (mGraphics->IsDirty(&dirty))
  {
    Invalidate(ToViewRect(dirty, mWidth, mHeight));
  }
}

void IGraphicsX11View::Invalidate(const IRECT& r)
{
  const IRECT clipped(std::max(0, r.L), std::max(0, r.T), std::min(mWidth, r.R), std::min(mHeight, r.B));
  if (clipped.R <= clipped.L || clipped.B <= clipped.T)
  {
    return;
  }
  mInvalid = mInvalid.Union(clipped);
}

void IGraphicsX11View::PaintInvalid()
{
  if (!IsLinked() || !mWindow || mInvalid.Empty())
  {
    return;
  }
  // A host may destroy its window (and ours) before closing the editor: a destruction already told is taken
  // before painting. One still on its way costs only errors, which this display ignores; a round trip to the
  // server here would hold the host's idle call for as long as a loaded X server takes to answer.
  XEvent destroyed;
  if (XCheckTypedWindowEvent(mDisplay, mWindow, DestroyNotify, &destroyed))
  {
    HandleEvent(&destroyed, true);
    return;
  }
  IRECT area = mInvalid;
  mInvalid.Clear();
  mGraphics->Draw(&area);
}

bool IGraphicsX11View::DrawScreen(const IRECT& area)
{
  if (!IsLinked() || !mWindowSurface)
  {
    return false;
  }
  cairo_surface_t* source = LICE_CairoSurface(mGraphics->GetDrawBitmap());
  if (!source)
  {
    return false;
  }
  cairo_surface_flush(source);
  // Only the area drawn goes to the window (an exposed area is drawn again): the whole editor is megabytes,
  // which a loaded X server reads slowly while the host's idle call waits to write them.
  if (!PutArea(source, area))
  {
    // A window that takes other pixels: cairo converts the whole bitmap (its partial uploads keep
    // allocations past the display's life).
    cairo_t* cr = cairo_create(mWindowSurface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(mWindowSurface);
    // cairo keeps a server-side copy of the source for the next paint; the draw bitmap changes before then,
    // and the copy would outlive this display.
    cairo_surface_mark_dirty(source);
  }
  XFlush(mDisplay);
  return true;
}

bool IGraphicsX11View::PutArea(cairo_surface_t* source, const IRECT& area)
{
  // The bitmap's pixels are 32-bit words 0x??RRGGBB, which a 24-bit true-colour window takes as they are.
  constexpr unsigned long kRed = 0xFF0000;
  constexpr unsigned long kGreen = 0x00FF00;
  constexpr unsigned long kBlue = 0x0000FF;
  constexpr int kBitsPerPixel = 32;
  const cairo_format_t format = cairo_image_surface_get_format(source);
  if (!mGC || mDepth != 24 || mVisual->red_mask != kRed || mVisual->green_mask != kGreen ||
      mVisual->blue_mask != kBlue || (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32))
  {
    return false;
  }
  const int width = cairo_image_surface_get_width(source);
  const int height = cairo_image_surface_get_height(source);
  const IRECT put(std::max(0, area.L), std::max(0, area.T), std::min(width, area.R),
                  std::min(height, area.B));
  if (put.R <= put.L || put.B <= put.T)
  {
    return true;
  }
  XImage* image = XCreateImage(mDisplay, mVisual, static_cast<unsigned>(mDepth), ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(source)),
                               static_cast<unsigned>(width), static_cast<unsigned>(height), kBitsPerPixel,
                               cairo_image_surface_get_stride(source));
  if (!image)
  {
    return false;
  }
  // The words in this machine's byte order; Xlib swaps them for a server of the other.
  image->byte_order = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? LSBFirst : MSBFirst;
  XPutImage(mDisplay, mWindow, mGC, image, put.L, put.T, put.L, put.T, static_cast<unsigned>(put.W()),
            static_cast<unsigned>(put.H()));
  // The pixels are the bitmap's.
  image->data = nullptr;
  XDestroyImage(image);
  return true;
}

void IGraphicsX11View::SetSize(int w, int h)
{
  mWidth = w;
  mHeight = h;
  if (mWindow)
  {
    XResizeWindow(mDisplay, mWindow, static_cast<unsigned>(std::max(1, w)),
                  static_cast<unsigned>(std::max(1, h)));
    cairo_xlib_surface_set_size(mWindowSurface, std::max(1, w), std::max(1, h));
    Invalidate(IRECT(0, 0, w, h));
    XFlush(mDisplay);
  }
}

IPopupMenu* IGraphicsX11View::CreateIPopupMenu(IPopupMenu* menu, const IRECT& area)
{
  if (!menu || !IsLinked() || !mWindow)
  {
    return nullptr;
  }
  Enter();
  const IRECT viewRect = ToViewRect(area, mWidth, mHeight);
  int rootX = 0;
  int rootY = 0;
  Window child = 0;
  // The menu opens at the lower left corner of the area, 4 pixels further down.
  constexpr int kBelowArea = 4;
  XTranslateCoordinates(mDisplay, mWindow, DefaultRootWindow(mDisplay), viewRect.L, viewRect.B + kBelowArea,
                        &rootX, &rootY, &child);
  IGraphicsX11Menu runner(this, menu, rootX, rootY);
  IPopupMenu* chosen = runner.Run();
  Leave();
  return chosen;
}

void IGraphicsX11View::CreateTextEntry(IControl* control, IText* text, const IRECT& area, const char* str,
                                       IParam* param)
{
  if (!control || !IsLinked() || !mWindow || mTextEntry)
  {
    return;
  }
  std::unique_ptr<TextEntryFormatter> formatter;
  if (param)
  {
    formatter.reset(new TextEntryFormatter(TextEntryFormatter::AllowedCharactersFor(param->Type()),
                                           control->GetTextEntryLength()));
  }
  if (!mComposeTableRead)
  {
    mComposeTableRead = true;
    mComposeTable = IGraphicsX11TextEntry::LoadComposeTable();
  }
  const IText style = text ? *text : IText();
  mTextEntry.reset(new IGraphicsX11TextEntry(mDisplay, mWindow, ToViewRect(area, mWidth, mHeight), style, str,
                                             control, param, std::move(formatter), mComposeTable));
  TakeFocus();
  mTextEntry->Draw();
}

void IGraphicsX11View::EndUserInput()
{
  if (!mTextEntry)
  {
    return;
  }
  mTextEntry.reset();
  if (mWindow)
  {
    XUndefineCursor(mDisplay, mWindow);
  }
}

void IGraphicsX11View::CommitUserInput()
{
  if (!mTextEntry || !IsLinked())
  {
    return;
  }
  Enter();
  const std::string text = mTextEntry->Text();
  const std::string refused = mTextEntry->Refused();
  IControl* control = mTextEntry->Control();
  IParam* param = mTextEntry->Param();
  if (param)
  {
    mGraphics->SetFromStringAfterPrompt(control, param, text.c_str());
  }
  else
  {
    control->TextFromTextEntry(text.c_str());
  }
  EndUserInput();
  Invalidate(IRECT(0, 0, mWidth, mHeight));
  Leave();
  // Said once the commit is done, also when nothing was left out: what the commit says must not hide what
  // the name lost, and a word on an earlier entry's letters is no longer true.
  mGraphics->TextEntryRefused(control, refused.c_str(), true);
}

void IGraphicsX11View::HideCursor()
{
  if (mCursorHidden || !mWindow)
  {
    return;
  }
  if (!mBlankCursor)
  {
    static const char kEmpty[8] = {};
    Pixmap blank = XCreateBitmapFromData(mDisplay, mWindow, kEmpty, 8, 8);
    XColor black{};
    mBlankCursor = XCreatePixmapCursor(mDisplay, blank, blank, &black, &black, 0, 0);
    XFreePixmap(mDisplay, blank);
  }
  Window root = 0;
  Window child = 0;
  int winX = 0;
  int winY = 0;
  unsigned int mask = 0;
  XQueryPointer(mDisplay, mWindow, &root, &child, &mHiddenCursorX, &mHiddenCursorY, &winX, &winY, &mask);
  XDefineCursor(mDisplay, mWindow, mBlankCursor);
  XFlush(mDisplay);
  mCursorHidden = true;
}

void IGraphicsX11View::ShowCursor()
{
  if (!mCursorHidden)
  {
    return;
  }
  if (mWindow)
  {
    XWarpPointer(mDisplay, None, DefaultRootWindow(mDisplay), 0, 0, 0, 0, mHiddenCursorX, mHiddenCursorY);
    XUndefineCursor(mDisplay, mWindow);
    XFlush(mDisplay);
  }
  mCursorHidden = false;
}

IRECT IGraphicsX11View::ToViewRect(const IRECT& r, int w, int h)
{
  return IRECT(std::max(0, r.L), std::max(0, r.T), std::min(w, r.R + 1), std::min(h, r.B + 1));
}
