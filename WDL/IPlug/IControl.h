// Editor controls: the control base with its three value roads, and the stock control classes.
#pragma once

#include "IGraphicsStructs.h"

#include <atomic>
#include <string>
#include <vector>

class IPlugBase;
class IGraphics;
class IParam;
class ITextControl;

// Base of every editor element. A control has a drawing rectangle and a hit rectangle, is bound to at most
// one parameter (mParamIdx, -1 for none) and holds that parameter's value normalised to 0..1.
//
// Values arrive by three roads: from the plug-in (SetValueFromPlug: the screen only follows), from the
// synthesizer's data (SetValueFromHardware: ends in IPlugBase::SetParameterFromGUI2 and OnParamChange2) and
// from the user (SetValueFromUserInput and the mouse handlers: end in IPlugBase::SetParameterFromGUI and
// OnParamChange).
//
// Threads: drawing, events and prompts run on the editor thread under the editor lock (EditorLock). The value
// and visibility writers below may be called from any thread. Writes that only change what is shown (road 1,
// Hide, GrayOut, texts, SetDirty(false), ...) never wait: they run under the editor lock when it is free or
// already the caller's, else at the editor's next tick, so no lock of the caller can close a circle with the
// editor. Writes that push to the plug-in (roads 2 and 3, SetDirty(true)) take the editor lock, waiting for
// it unless the caller holds the plug mutex. Plain accessors read without a lock and are meant for the editor
// thread. A control is owned by the surface or by one layer.
class IControl
{
public:
  // An extra parameter the control follows (a value normalised to 0..1 and its parameter index).
  struct AuxParam
  {
    double mValue = -1.0; // -1 until the first value arrives, so that any first value counts as a change
    int mParamIdx = -1;
  };

  // pPlug: the owning plug-in (not owned, may be null in tests); rect: drawing and hit rectangle; paramIdx:
  // bound parameter or -1; blend: used for every drawing of the control.
  IControl(IPlugBase* pPlug, IRECT rect, int paramIdx = -1, IChannelBlend blend = IChannelBlend());
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ---- Events (editor thread, editor lock held by the surface) ----

  // Base: when not grayed and the right button is down, PromptUserInput().
  virtual void OnMouseDown(int x, int y, IMouseMod* pMod);
  virtual void OnMouseUp(int x, int y, IMouseMod* pMod);
  virtual void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod);
  // Base: when not grayed and a default is known, restores it and pushes it to the plug-in.
  virtual void OnMouseDblClick(int x, int y, IMouseMod* pMod);
  // Base: the value grows by d * 0.001 with Control or Shift, else by d * 0.01, and is pushed.
  virtual void OnMouseWheel(int x, int y, IMouseMod* pMod, int d);
  // True when the key was taken; base: false.
  virtual bool OnKeyDown(int x, int y, int key);
  virtual void OnMouseOver(int x, int y, IMouseMod* pMod);
  virtual void OnMouseOut();

  // Draws the control into the surface's draw bitmap; the result of the drawing call, true when nothing is
  // drawn. Editor thread, editor lock held.
  virtual bool Draw(IGraphics* pGraphics) = 0;

  // ---- Value roads (any thread, see the class comment) ----

  // Road 1: the screen follows the plug-in. The first value ever given also becomes the default.
  virtual void SetValueFromPlug(double value);
  // Road 2: as road 1, then the value is handed on to the plug-in's second change handler. MIDI input or
  // worker thread; the push runs on the calling thread unless that thread holds the plug mutex while the
  // editor is busy.
  virtual void SetValueFromHardware(double value);
  // Free text typed into a text entry opened without a parameter; base: nothing. Editor thread.
  virtual void TextFromTextEntry(const char* txt);
  // Hides or shows the control and marks it dirty.
  virtual void Hide(bool hide);
  // Greys the control out (drawn at half weight, no mouse) or restores it, and marks it dirty.
  virtual void GrayOut(bool gray);
  // True when the hit rectangle holds the point (left and top edges in, right and bottom out).
  virtual bool IsHit(int x, int y);
  // Clamps the value to mClampLo..mClampHi and marks the control dirty; with push, hands the value to
  // IPlugBase::SetParameterFromGUI and refreshes the value and name display controls.
  virtual void SetDirty(bool pushParamToPlug = true);
  // As SetDirty, but the push goes to IPlugBase::SetParameterFromGUI2.
  virtual void SetDirty2(bool pushParamToPlug = true);
  // After a drawing pass: dirty again only when a redraw was requested for one more frame.
  virtual void SetClean();
  virtual bool IsDirty();
  virtual void OnGUIIdle();
  // Stores the value of auxiliary parameter auxParamIdx (from AuxParamIdx) and marks the control dirty when
  // it changed.
  virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

  // Road 3: a value chosen by the user (prompt results, the program's own edits); pushed when it changed.
  void SetValueFromUserInput(double value);
  // Opens the value editor of the bound parameter (a menu of its display texts or a text field). Editor
  // thread.
  void PromptUserInput();
  // Index of the first auxiliary parameter bound to paramIdx, or -1.
  int AuxParamIdx(int paramIdx) const;
  // Adds an auxiliary parameter. Construction only.
  void AddAuxParam(int paramIdx);
  int NAuxParams() const { return static_cast<int>(mAuxParams.size()); }
  // The auxiliary parameter at i, or null.
  const AuxParam* GetAuxParam(int i) const;
  // Asks for one more frame of drawing after the next one (a changed appearance).
  void Redraw();

  // ---- Accessors (editor thread, or construction) ----

  IPlugBase* GetPlug() const { return mPlug; }
  const IRECT* GetRECT() const { return &mRECT; }
  const IRECT* GetTargetRECT() const { return &mTargetRECT; }
  void SetTargetArea(IRECT r) { mTargetRECT = r; }
  int ParamIdx() const { return mParamIdx; }
  void SetParamIdx(int paramIdx);
  // The bound parameter, or null without a plug-in or parameter.
  IParam* GetParam() const;
  double GetValue() const { return mValue; }
  double GetDefaultValue() const { return mDefaultValue; }
  void SetDefaultValue(double value) { mDefaultValue = value; }
  double GetClampLo() const { return mClampLo; }
  double GetClampHi() const { return mClampHi; }
  void Clamp(double lo, double hi);
  const IChannelBlend* GetBlend() const { return &mBlend; }
  IText* GetText() { return &mText; }
  void SetText(const IText& text) { mText = text; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  bool IsHidden() const { return mHide.load(); }
  bool IsGrayed() const { return mGrayed; }
  bool GetIgnoreHidden() const { return mIgnoreHidden; }
  // When set, the surface and the layers collect this control's dirty area while it is hidden.
  void SetIgnoreHidden(bool ignore);
  bool RedrawRequested() const { return mRedraw; }
  bool PromptDisabled() const { return mDisablePrompt; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool DblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool single) { mDblAsSingleClick = single; }
  // Text controls that show the bound parameter's value and name (not owned; anything but an ITextControl is
  // ignored).
  void SetValDisplayControl(IControl* control);
  void SetNameDisplayControl(IControl* control);
  ITextControl* GetValDisplayControl() const { return mValDisplayControl; }
  ITextControl* GetNameDisplayControl() const { return mNameDisplayControl; }

protected:
  // Runs a write of control state under the editor lock (see the class comment).
  template <class Write> void Guarded(Write&& write);
  // Runs a write that only changes what the control shows, without ever waiting (see the class comment).
  template <class Write> void GuardedDisplay(Write&& write);
  // True when the calling thread holds the owning plug-in's mutex.
  bool CallerHoldsPlugMutex() const;
  // The shared body of SetDirty and SetDirty2, under the lock each needs.
  void MarkDirtyGuarded(bool push, bool fromHardware);
  void MarkDirtyAndPush(bool push, bool fromHardware);
  // Roads 1 and 2 without the lock.
  void ApplyValueFromPlug(double value, bool fromHardware);

  // Written under the editor lock; read also by the plug-in's threads (is the busy indicator up?).
  std::atomic<bool> mHide{false};
  int mTextEntryLength = 16;
  bool mIgnoreHidden = false;
  IText mText;
  IPlugBase* mPlug;
  IRECT mRECT;
  IRECT mTargetRECT;
  int mParamIdx;
  std::vector<AuxParam> mAuxParams;
  double mValue = 0.0;
  double mDefaultValue = -1.0;
  double mClampLo = 0.0;
  double mClampHi = 1.0;
  bool mGrayed = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  IChannelBlend mBlend;
  ITextControl* mValDisplayControl = nullptr;
  ITextControl* mNameDisplayControl = nullptr;

private:
  // Set only through SetDirty, SetClean and Redraw, which also keep the surface's idle check exact.
  bool mDirty = true;
  bool mRedraw = false;
};

// A rectangle filled with one colour.
class IPanelControl : public IControl
{
public:
  IPanelControl(IPlugBase* pPlug, IRECT rect, const IColor* color);
  bool Draw(IGraphics* pGraphics) override;
  const IColor& GetColor() const { return mColor; }

protected:
  IColor mColor;
};

// One frame of a multi-frame bitmap, chosen by the value, drawn into the rectangle (x, y, x + W, y + H / N).
class IBitmapControl : public IControl
{
public:
  IBitmapControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                 IChannelBlend blend = IChannelBlend());
  // A bitmap control without a parameter.
  IBitmapControl(IPlugBase* pPlug, int x, int y, const IBitmap* bitmap,
                 IChannelBlend blend = IChannelBlend());
  bool Draw(IGraphics* pGraphics) override;
  const IBitmap& GetBitmap() const { return mBitmap; }

  // The frame (1..N) that value selects in a bitmap of nFrames frames.
  static int FrameForValue(double value, int nFrames);

protected:
  IBitmap mBitmap;
};

// A switch that steps through its bitmap's frames on every click and wraps to the first.
class ISwitchControl : public IBitmapControl
{
public:
  ISwitchControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                 IChannelBlend blend = IChannelBlend());
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  // A double click steps once more.
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
};

// A momentary contact: steps like a switch when pressed, returns to 0 when released.
class IContactControl : public ISwitchControl
{
public:
  IContactControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap);
  void OnMouseUp(int x, int y, IMouseMod* pMod) override;
};

// A switch drawn only while on (value >= 0.5); while off it draws nothing and is hit in its target area.
class IBitmapOverlayControl : public ISwitchControl
{
public:
  IBitmapOverlayControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                        IRECT targetArea);
  bool Draw(IGraphics* pGraphics) override;

protected:
  IRECT mTargetArea;
};

// n buttons of a two-frame bitmap (1 off, 2 on) laid out evenly in the rectangle; one of them is on.
class IRadioButtonsControl : public IControl
{
public:
  IRadioButtonsControl(IPlugBase* pPlug, IRECT rect, int paramIdx, int nButtons, const IBitmap* bitmap,
                       EDirection direction = kVertical, bool reverse = false);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics* pGraphics) override;
  int NButtons() const { return static_cast<int>(mRECTs.size()); }
  const IRECT* GetButtonRECT(int i) const;

protected:
  std::vector<IRECT> mRECTs;
  IBitmap mBitmap;
};

// A fader: a handle bitmap moved along a travel of len pixels; the handle's centre follows the pointer.
class IFaderControl : public IControl
{
public:
  IFaderControl(IPlugBase* pPlug, int x, int y, int len, int paramIdx, const IBitmap* bitmap,
                EDirection direction = kVertical, bool onlyHandle = false);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod) override;
  bool Draw(IGraphics* pGraphics) override;
  bool IsHit(int x, int y) override;
  // The handle's rectangle for value (the current value when value < 0).
  IRECT GetHandleRECT(double value = -1.0) const;
  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }

protected:
  // Sets the value whose handle centre lies under the pointer and pushes it.
  void SnapToMouse(int x, int y);

  int mLen;
  int mHandleHeadroom;
  IBitmap mBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};

// A knob turned by dragging; mGearing divides the drag distance (larger is finer). Draws nothing itself.
class IKnobControl : public IControl
{
public:
  IKnobControl(IPlugBase* pPlug, IRECT rect, int paramIdx, EDirection direction = kVertical,
               double gearing = 4.0);
  // Vertical: moving up raises the value; a drag over gearing times the height covers the range, ten times as
  // far with Control or Shift.
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod) override;

protected:
  EDirection mDirection;
  double mGearing;
};

// A knob drawn as one frame of a strip of N frames chosen by the value.
class IKnobMultiControl : public IKnobControl
{
public:
  IKnobMultiControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                    EDirection direction = kVertical, double gearing = 4.0);
  bool Draw(IGraphics* pGraphics) override;

protected:
  IBitmap mBitmap;
};

// A text display without a parameter.
class ITextControl : public IControl
{
public:
  // text: copied style; str: the initial text (null or empty for none).
  ITextControl(IPlugBase* pPlug, IRECT rect, const IText* text, const char* str = "");
  // Draws the text, cut at the control's left and right edges.
  bool Draw(IGraphics* pGraphics) override;
  // Replaces the shown text and marks the control dirty when it differs. Any thread (see IControl).
  void SetTextFromPlug(const char* str);
  // The shown text. Editor thread (or under the editor lock).
  const char* GetTextStr() const { return mStr.c_str(); }

protected:
  friend class IControl;
  std::string mStr;
};

// A text display showing its parameter's value (and, when asked, its unit label), rebuilt on every draw.
// Clicks open the value editor when prompting is enabled (DisablePrompt(false)).
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(IPlugBase* pPlug, IRECT rect, int paramIdx, const IText* text, bool showParamLabel = true);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics* pGraphics) override;
  // A value without a display text is shown empty instead of as its number (a list of names that may hold
  // none).
  void ShowDisplayTextsOnly(bool textsOnly) { mTextsOnly = textsOnly; }

protected:
  bool mShowParamLabel;
  bool mTextsOnly = false;
};

#include "EditorLock.h"

template <class Write> void IControl::Guarded(Write&& write)
{
  // A thread that holds the plug mutex must not wait for the editor lock (the editor takes the two the other
  // way round); its write is left to the editor's tick when the lock is busy.
  if (CallerHoldsPlugMutex())
  {
    EditorLock::Get().RunOrDefer(this, std::forward<Write>(write));
    return;
  }
  EditorLockGuard guard;
  write();
}

template <class Write> void IControl::GuardedDisplay(Write&& write)
{
  EditorLock::Get().RunOrDefer(this, std::forward<Write>(write));
}
