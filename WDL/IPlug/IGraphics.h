// The editor's drawing surface: controls, layers, events, and the drawing operations controls call.
#pragma once

#include "IGraphicsStructs.h"

#include <map>
#include <utility>
#include <vector>

class IPlugBase;
class IControl;
class ControlLayer;
class IParam;
class IPopupMenu;
class WDL_String;

// One surface per plug-in instance, independent of the window system. A window layer (the platform view)
// derives from it and implements the pure virtual operations. Everything runs on the editor thread unless a
// declaration says otherwise.
class IGraphics
{
public:
  // ---- Platform operations: implemented by the window layer ----

  // Copies the draw bitmap's area to the window; false when there is no window to draw into.
  virtual bool DrawScreen(IRECT* r) = 0;
  // Measures text as DrawIText does with measure true (see below); a window layer may wrap it.
  virtual bool MeasureIText(IText* text, char* str, IRECT* r);
  // Ends an open text entry without applying it.
  virtual void ForceEndUserEdit() = 0;
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  // Name of the window system interface; empty here.
  virtual const char* GetGUIAPI() { return ""; }
  // Shows a modal message box. type: 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No.
  // Returns 1 for the default button, 7 for the alternate, 2 for the other, 0 otherwise.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // Why the last message box or file dialog could not be shown at all (a program it needs is missing), for
  // the message line; "" when it was shown. A static text.
  virtual const char* DialogFailure() const { return ""; }
  // Shows the menu modally at the rectangle; returns the menu (top level or sub-menu) whose chosen item
  // index is set, or null when nothing was chosen. The menu stays owned by the caller.
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) = 0;
  // Opens a one-line text field over the rectangle, prefilled with str; param may be null (free text).
  virtual void CreateTextEntry(IControl* control, IText* text, IRECT* area, const char* str,
                               IParam* param) = 0;
  virtual void HostPath(WDL_String* path) = 0;
  // The folder holding the plug-in, ending in "/".
  virtual void PluginPath(WDL_String* path) = 0;
  // The user's desktop folder, ending in "/".
  virtual void DesktopPath(WDL_String* path) = 0;
  // File dialog. On return fileName holds the chosen full path or is empty; dir the chosen folder with "/".
  // extensions: file types separated by single blanks ("mid", "kvd").
  virtual void PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                             const char* extensions) = 0;
  virtual bool PromptForColor(IColor* color, const char* prompt) = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                       const char* confirmMsg = nullptr, const char* errMsgOnFailure = nullptr) = 0;
  // Opens the editor window inside the host's parent window; returns the window layer's view handle.
  virtual void* OpenWindow(void* parentWindow) = 0;
  virtual void* OpenWindow(void* /*window*/, void* /*control*/, short /*x*/, short /*y*/) { return nullptr; }
  virtual void AttachSubWindow(void* /*hostWindow*/) {}
  virtual void RemoveSubWindow() {}
  // Closes the editor window; harmless when none is open.
  virtual void CloseWindow() = 0;
  // The host's regular editor-idle call (effEditIdle): a window view handles its pending events and its
  // redraw timer here. Editor thread, without the plug mutex.
  virtual void OnEditIdle() {}
  // The open view, or null.
  virtual void* GetWindow() = 0;
  // Reads a resource file of the plug-in; returns a new buffer owned by the caller (see LoadFile), or null.
  virtual char* OSLoadFile(int id, const char* name) = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  // True while Shift or the left mouse button is held down, wherever the pointer is (edits that send whole
  // dumps wait for the release). Any thread; false where the window system cannot tell.
  virtual bool ShiftOrLeftButtonHeld() { return false; }
  // True while the left mouse button is held down, wherever the pointer is (Shift is not looked at). Any
  // thread; false where the window system cannot tell.
  virtual bool LeftButtonHeld() { return false; }
  // Loads a bitmap resource (PNG); returns a new bitmap owned by the caller, or null when the resource is
  // missing. Its size is known at once; its pixels may be decoded only when first drawn.
  virtual LICE_IBitmap* OSLoadBitmap(int id, const char* name) = 0;

  // ---- Size and drawing bitmaps ----

  int Width() const { return mSurfaceWidth; }
  int Height() const { return mSurfaceHeight; }
  // The off-screen bitmap all drawing goes into (null until prepared); the window layer copies it out.
  LICE_IBitmap* GetDrawBitmap() const { return mOffscreen; }

  // ---- Bitmaps, fonts and drawing ----
  // Bitmaps live in a process-wide cache keyed by id and scale, fonts in a process-wide cache keyed by
  // size, orientation, style and face; both are shared by every instance and locked for each look-up.

  // The cached bitmap for (id, scale), or on first use the resource loaded with OSLoadBitmap, scaled by
  // scale with bilinear filtering and kept in the cache. A missing or unreadable image gives the empty
  // bitmap (nothing cached). The size is set here; decoding and scaling wait for the first drawing of the
  // pixels, so that a plug-in whose editor never opens decodes no image. The cache lock is not held while
  // loading. Any thread, one thread per surface at a time (construction, then the editor thread).
  IBitmap LoadIBitmap(int id, const char* name, double scale = 1.0, int nStates = 1,
                      bool framesAreHoriz = false);
  // The cached bitmap with that id at the scale this surface loaded it (or the first one cached when this
  // surface loaded none); the empty bitmap when the id is not cached. Loads nothing.
  IBitmap getImageById(int id, int nStates = 1, bool framesAreHoriz = false);
  // Removes the bitmap from the cache and deletes its pixels; does nothing for one not in the cache.
  void ReleaseBitmap(IBitmap* bitmap);
  // Decodes (and scales) now every bitmap this surface loaded that is still waiting for its first drawing.
  // The window layers call it before they show a window, so that the editor opens with every picture ready
  // and no page waits for its images later. Editor thread.
  void DecodeBitmaps();

  // Blits the part of the bitmap at (srcX, srcY) into dest, clipped to the current drawing area.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend = nullptr);
  // Blits frame number frame (from 1; 0 and 1 draw the first frame) into dest.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame = 1, const IChannelBlend* blend = nullptr);
  // As above, the frame's offset replacing srcX (frames side by side) or srcY (stacked) from frame 2 on.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame, int srcX, int srcY, const IChannelBlend* blend);
  // Draws the whole bitmap centred on (destCtrX, destCtrY), rotated clockwise by angle (radians) about its
  // centre moved down by yOffsetZeroDeg pixels; bilinear filtering; not clipped to the drawing area.
  bool DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle, int yOffsetZeroDeg = 0,
                         const IChannelBlend* blend = nullptr);
  // Draws base where the mask, rotated clockwise by angle (degrees), is opaque, then the top image rotated
  // likewise, at (x, y) (top-left), clipped to the drawing area.
  bool DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angle,
                       const IChannelBlend* blend = nullptr);
  // A one-pixel line; coordinates truncated toward zero.
  bool DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend = nullptr);
  // Draws str in r by the style's font, colour and alignments. With measure true nothing is drawn and r is
  // set to the text's extent placed by the horizontal alignment. Null or empty str: true, nothing done.
  // False when the font cannot be made. With clipSides nothing is drawn left or right of r.
  bool DrawIText(IText* text, char* str, IRECT* r, bool measure = false, bool clipSides = false);
  // The cached font for the style (made and cached on first use) also stored in text->mCached; null when no
  // system font could be made. Any thread.
  LICE_IFont* CacheFont(IText* text);

  // ---- Surface: controls, layers, dirty areas and events ----

  // Constructor, destructor and PrepDraw are defined with the surface (IGraphicsSurface.cpp).
  IGraphics(IPlugBase* plug, int w, int h, int refreshFPS = 0);
  virtual ~IGraphics();
  // Creates the draw bitmap (Width() x Height()) and an empty scratch bitmap, replacing any earlier ones.
  void PrepDraw();

  // The surface owns its base controls (index 0 is the background, drawn first and never asked whether it is
  // dirty) and its top-level layers; drawing goes bottom-up (base controls, then layers, each list in order),
  // hit testing top-down. Drawing, dirty collection and events hold the editor lock (EditorLock); values may
  // be pushed from any thread (SetParameterFromPlug).

  IPlugBase* GetPlug() const { return mPlugin; }
  // Redraw rate of the window layer's timer, frames per second (25 when constructed with 0 or less).
  int FPS() const { return mRefreshRate; }
  // New size in pixels: releases the capture, remakes both drawing bitmaps and tells the plug-in.
  virtual void Resize(int w, int h);

  // Appends a base control, which the surface then owns; returns its index. Construction only.
  int AttachControl(IControl* control);
  // Appends a top-level layer, which the surface then owns; returns its index. Construction only.
  int AttachLayer(ControlLayer* layer);
  // Loads the bitmap (id, name) at scale and inserts a plain-copy bitmap control of its size at index 0,
  // moving the other base controls up by one. Construction only.
  void AttachBackground(int id, const char* name, double scale = 1.0);
  int NControls() const { return static_cast<int>(mBaseControls.size()); }
  // The base control at idx, or null.
  IControl* GetControl(int idx) const;
  int NLayers() const { return static_cast<int>(mTopLayers.size()); }
  // The top-level layer at idx, or null.
  ControlLayer* GetLayer(int idx) const;

  // Reads a resource file through OSLoadFile; the buffer belongs to the caller (delete[]), its length is
  // GetLastLoadedFileSize(). Null when it cannot be read.
  char* LoadFile(int id, const char* name);
  int GetLastLoadedFileSize() const { return mLastLoadedFileSize; }

  // Moves every control bound to paramIdx (main or auxiliary parameter, in the base list and in every layer,
  // hidden or not) to value, without the change handlers. With normalized false, value is in the parameter's
  // own units and is first stored into the parameter (under the plug mutex). Any thread; the caller never
  // waits for the editor: while the editor lock is busy the controls follow at the editor's next tick.
  void SetParameterFromPlug(int paramIdx, double value, bool normalized);
  // SetParameterFromPlug for every parameter of the plug-in with its current value, in one walk over the
  // controls instead of one walk per parameter. With settle, each parameter's value is first stored back
  // through its normalised form (bounded to its range), as the plain-value form of SetParameterFromPlug does.
  // Any thread, as SetParameterFromPlug.
  void SetAllParametersFromPlug(bool settle);
  // SetParameterFromPlug with plain values for many parameters at once, in order (a later value for the same
  // parameter wins): every value is stored into its parameter under one hold of the plug mutex, then the
  // controls follow in one walk instead of one walk per parameter. Pairs are (parameter index, plain value);
  // indices outside the list are skipped. Any thread, as SetParameterFromPlug.
  void SetParametersFromPlug(const std::vector<std::pair<int, double>>& plainValues);

  // Merges the area of every dirty, shown control into r; true when any was found. Runs the writes other
  // threads left for the editor first; costs next to nothing while no control became dirty. Editor thread.
  bool IsDirty(IRECT* r);
  // One drawing pass over area: the background, then every shown control meeting area, bottom-up; every
  // control is marked clean; then DrawScreen. Editor thread.
  void Draw(IRECT* area);

  // Mouse and key events in surface pixels, routed to the control under the pointer (top-down) or to the
  // control that captured the mouse at the last mouse down. Editor thread.
  void OnMouseDown(int x, int y, IMouseMod* pMod);
  void OnMouseUp(int x, int y, IMouseMod* pMod);
  void OnMouseDrag(int x, int y, IMouseMod* pMod);
  // True when the double click was delivered as a mouse down (the control asks for that).
  bool OnMouseDblClick(int x, int y, IMouseMod* pMod);
  void OnMouseWheel(int x, int y, IMouseMod* pMod, int d);
  // Mouse-over handling is off: false, nothing changes.
  bool OnMouseOver(int x, int y, IMouseMod* pMod);
  // True when a control took the key.
  bool OnKeyDown(int x, int y, int key);
  // Forgets the captured control. Editor thread; also from inside the plug-in (plug mutex held), where it
  // never waits for the editor and may take effect at the editor's next tick.
  void ReleaseMouseCapture();
  IControl* GetCapturedControl() const { return mCapturedControl; }
  int GetLastMouseX() const { return mLastMouseX; }
  int GetLastMouseY() const { return mLastMouseY; }
  // The topmost control under (x, y) that takes the mouse, or null. Editor thread.
  IControl* HitTest(int x, int y);

  // Asks the user for a new value of param for control: a menu of its display texts (bool and enum) or a text
  // field prefilled with the current value. Editor thread.
  void PromptUserInput(IControl* control, IParam* param, IRECT* area);
  // Applies the text typed into the text field opened by PromptUserInput. Editor thread.
  void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text);
  // Characters (UTF-8, "è, Ü") typed into control's text field that the field does not take, all since it
  // opened: the plug-in hears of them (IPlugBase::OnTextEntryRefused) at each refusal and once more after
  // the field's text was committed (committed; "" when the field took every character). Editor thread.
  void TextEntryRefused(IControl* control, const char* typed, bool committed);

protected:
  IPlugBase* mPlugin;
  int mRefreshRate;
  std::vector<IControl*> mBaseControls;
  std::vector<ControlLayer*> mTopLayers;
  IControl* mCapturedControl = nullptr;
  int mLastMouseX = 0;
  int mLastMouseY = 0;
  int mLastLoadedFileSize = 0;
  // Dirty generation (EditorLock) at the last dirty walk that found nothing; equal means still idle.
  unsigned long long mIdleGeneration = 0;

public:
  // ---- End of surface section ----

protected:
  int mSurfaceWidth = 0;
  int mSurfaceHeight = 0;
  LICE_IBitmap* mOffscreen = nullptr;     // the draw bitmap, owned
  LICE_IBitmap* mScratchBitmap = nullptr; // scratch for rotated masks, owned
  IRECT mDrawArea;                        // area of the drawing pass in progress; bitmap blits clip to it

private:
  // Scale at which this surface loaded each bitmap id, so getImageById finds its own size.
  std::map<int, double> mLoadedScales;

  // Which controls show each parameter, as its main parameter (aux -1) or as auxiliary parameter aux, in the
  // order of a walk over the controls; the bindings of parameter p are mBindings[mBindingStart[p]] up to
  // mBindings[mBindingStart[p + 1]]. Built and read under the editor lock (IGraphicsParamBindings.cpp).
  struct ParamBinding
  {
    IControl* control;
    int aux;
  };
  void RebuildParamBindings();
  std::vector<size_t> mBindingStart;
  std::vector<ParamBinding> mBindings;
  // ControlLayer::BindingGeneration at the last build; the index is stale when they differ.
  unsigned long long mBindingGeneration = 0;
  bool mBindingsBuilt = false;
};
