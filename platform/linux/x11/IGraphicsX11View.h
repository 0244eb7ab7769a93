// The editor's X11 window: redraw tick, mouse and key events in surface pixels, text entry and popup menus.
#pragma once

#include "IGraphicsStructs.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <chrono>
#include <memory>

class IGraphicsLinux;
class IGraphicsX11TextEntry;
class IControl;
class IParam;
class IPopupMenu;
struct xkb_compose_table;

// One open editor window. It has its own display connection and lives on the host's GUI thread: every
// operation is called there (from effEditOpen, effEditIdle and effEditClose and what they lead to). The
// surface owns it through IGraphicsLinux; Retire() ends it, at once or, when called from inside one of the
// view's own handlers, as soon as the outermost handler returns.
class IGraphicsX11View
{
public:
  // What KeyCodeFor returns besides a surface key code.
  static constexpr int kKeyPassToHost = -1; // not a key of the surface: the host gets it
  static constexpr int kKeyDrop = -2;       // not exactly one character: dropped

  // Opens a connection to the display of $DISPLAY and a child window of parent sized to the surface
  // (parent 0: a top-level window on the root window). Null when there is no display.
  static IGraphicsX11View* Create(IGraphicsLinux* graphics, Window parent);

  IGraphicsX11View(const IGraphicsX11View&) = delete;
  IGraphicsX11View& operator=(const IGraphicsX11View&) = delete;

  // ---- Link to the surface and lifetime ----

  IGraphicsLinux* Graphics() const { return mGraphics; }
  bool IsLinked() const { return mGraphics != nullptr; }
  // Ends an open text entry, forgets the surface and destroys the window; handlers then do nothing.
  void Unlink();
  // Deletes the view now, or when the outermost of its running handlers returns.
  void Retire();

  Display* GetDisplay() const { return mDisplay; }
  // The editor window, 0 once destroyed (by Unlink or by the host destroying its parent).
  Window GetXWindow() const { return mWindow; }
  Window GetParentWindow() const { return mParent; }

  // ---- Driven by the host ----

  // effEditIdle: handles the pending X events, runs the redraw tick when it is due and paints.
  void Idle();
  // While a menu or a dialog keeps the GUI thread: exposures, window changes and the redraw tick;
  // input to the editor is dropped.
  void PumpModal();
  // The redraw tick when due (1 / frame rate of the surface), then painting of the invalid area.
  void TickAndPaint();
  // Handles one event of this view's display; modal drops input to the editor window.
  void HandleEvent(XEvent* event, bool modal);

  // ---- Drawing ----

  // One tick: asks the surface for its dirty area and invalidates it.
  void OnTimer();
  // Adds a window rectangle (right and bottom exclusive) to the area to paint.
  void Invalidate(const IRECT& r);
  // Draws the invalid area through the surface (which ends in DrawScreen).
  void PaintInvalid();
  // Copies area (window coordinates, as the surface's) of the surface's draw bitmap to the window after a
  // drawing pass over it; false without a window.
  bool DrawScreen(const IRECT& area);
  // Puts area of source (the draw bitmap) into the window as its pixels stand; false when the window takes
  // other pixels than the bitmap holds.
  bool PutArea(cairo_surface_t* source, const IRECT& area);
  // New window size after the surface was resized.
  void SetSize(int w, int h);

  // ---- Prompts ----

  // Shows the menu modally below area (surface pixels); the menu (or sub-menu) whose item was chosen, with
  // its chosen index set, or null.
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& area);
  // Opens the one-line text field over area; refused while one is open.
  void CreateTextEntry(IControl* control, IText* text, const IRECT& area, const char* str, IParam* param);
  // Closes the text field without applying its text.
  void EndUserInput();
  // Applies the field's text to the control or parameter, then closes the field.
  void CommitUserInput();
  bool TextEntryOpen() const { return mTextEntry != nullptr; }
  IGraphicsX11TextEntry* TextEntry() const { return mTextEntry.get(); }

  // ---- Cursor ----

  void HideCursor();
  void ShowCursor();

  // ---- Conversions (pure) ----

  // The window rectangle repainted for a dirty surface rectangle: one pixel larger to the right and
  // bottom, clipped to the window (w x h).
  static IRECT ToViewRect(const IRECT& r, int w, int h);
  // Surface key code for a key: space 0, arrows up, down, left, right 1..4, digits 5..14, letters (either
  // case) 15..40; kKeyDrop when chars is not one character; kKeyPassToHost for any other key.
  static int KeyCodeFor(unsigned long keysym, const char* chars, int nChars);
  // Mouse flags from the X modifier state. Left-style: L, and R as well with the Super (Command) key;
  // right-style: R only. Shift, Control and Alt (Mod1) in both.
  static IMouseMod MouseModFor(unsigned int state, bool rightStyle);

  // Replaces the MotionNotify event by the latest of the motions queued directly after it (of its window
  // only, unless anyWindow); a motion queued after any other event stays there.
  static void FoldQueuedMotions(Display* display, XEvent* event, bool anyWindow);

  int PrevX() const { return mPrevX; }
  int PrevY() const { return mPrevY; }

private:
  IGraphicsX11View(IGraphicsLinux* graphics, Display* display, Window parent);
  ~IGraphicsX11View();

  // Handler nesting: Retire during a handler waits for the outermost Leave.
  void Enter() { ++mBusy; }
  void Leave();

  bool MakeWindow();
  void DestroyWindow();
  void OnButtonPress(const XButtonEvent& e);
  void OnButtonRelease(const XButtonEvent& e);
  void OnMotion(XEvent* event);
  void OnKeyPress(XKeyEvent* e);
  void TakeFocus();

  IGraphicsLinux* mGraphics;
  Display* mDisplay;
  Window mParent;
  Window mWindow = 0;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  GC mGC = nullptr; // for the bitmap's pixels put straight into the window
  cairo_surface_t* mWindowSurface = nullptr;
  cairo_device_t* mCairoDevice = nullptr; // cairo's state for mDisplay, finished before the display closes
  Cursor mBlankCursor = 0;
  int mWidth = 0;
  int mHeight = 0;

  int mPrevX = 0;
  int mPrevY = 0;
  // Click counting for double clicks: last left press (server time in ms, position).
  unsigned long mLastPressTime = 0;
  int mLastPressX = 0;
  int mLastPressY = 0;
  int mClickCount = 0;

  IRECT mInvalid;
  std::chrono::steady_clock::time_point mLastTick;
  std::unique_ptr<IGraphicsX11TextEntry> mTextEntry;
  // The locale's compose table of the text fields, read when the first one opens (null when there is none).
  xkb_compose_table* mComposeTable = nullptr;
  bool mComposeTableRead = false;
  bool mCursorHidden = false;
  int mHiddenCursorX = 0;
  int mHiddenCursorY = 0;

  int mBusy = 0;
  bool mRetired = false;
};
