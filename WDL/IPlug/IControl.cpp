// The control base: value roads, dirty marking with pushes to the plug-in, prompts and auxiliary parameters.
#include "IControl.h"

#include "ControlLayer.h"
#include "IGraphics.h"
#include "IParam.h"
#include "IPlugBase.h"

#include <algorithm>

namespace
{
constexpr double kWheelStep = 0.01;
constexpr double kWheelFineStep = 0.001;
constexpr int kPromptHalfWidth = 15;
constexpr int kPromptHalfHeight = 8;
} // namespace

IControl::IControl(IPlugBase* pPlug, IRECT rect, int paramIdx, IChannelBlend blend)
    : mPlug(pPlug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blend)
{
}

IControl::~IControl()
{
  EditorLock::Get().Forget(this);
}

bool IControl::CallerHoldsPlugMutex() const
{
  return mPlug && mPlug->GetMutex()->DepthForThisThread() > 0;
}

void IControl::OnMouseDown(int, int, IMouseMod* pMod)
{
  if (!mGrayed && pMod && pMod->R)
  {
    PromptUserInput();
  }
}

void IControl::OnMouseUp(int, int, IMouseMod*) {}

void IControl::OnMouseDrag(int, int, int, int, IMouseMod*) {}

void IControl::OnMouseDblClick(int, int, IMouseMod*)
{
  if (!mGrayed && mDefaultValue >= 0.0)
  {
    mValue = mDefaultValue;
    SetDirty(true);
  }
}

void IControl::OnMouseWheel(int, int, IMouseMod* pMod, int d)
{
  const bool fine = pMod && (pMod->C || pMod->S);
  mValue += d * (fine ? kWheelFineStep : kWheelStep);
  SetDirty(true);
}

bool IControl::OnKeyDown(int, int, int)
{
  return false;
}

void IControl::OnMouseOver(int, int, IMouseMod*) {}

void IControl::OnMouseOut() {}

void IControl::ApplyValueFromPlug(double value, bool fromHardware)
{
  if (mDefaultValue < 0.0)
  {
    mDefaultValue = value;
    mValue = value;
  }
  if (mValue != value)
  {
    mValue = value;
    if (fromHardware)
    {
      SetDirty2(true);
    }
    else
    {
      SetDirty(false);
    }
    mRedraw = true;
  }
}

void IControl::SetValueFromPlug(double value)
{
  // A batch of values from the surface holds the lock already: no second round through it.
  if (EditorLock::Get().HeldByThisThread())
  {
    ApplyValueFromPlug(value, false);
    return;
  }
  GuardedDisplay([this, value]() { ApplyValueFromPlug(value, false); });
}

void IControl::SetValueFromHardware(double value)
{
  Guarded([this, value]() { ApplyValueFromPlug(value, true); });
}

void IControl::SetValueFromUserInput(double value)
{
  Guarded(
      [this, value]()
      {
        if (mValue != value)
        {
          mValue = value;
          SetDirty(true);
          mRedraw = true;
        }
      });
}

void IControl::TextFromTextEntry(const char*) {}

void IControl::Hide(bool hide)
{
  GuardedDisplay(
      [this, hide]()
      {
        mHide = hide;
        mRedraw = true;
        SetDirty(false);
      });
}

void IControl::GrayOut(bool gray)
{
  GuardedDisplay(
      [this, gray]()
      {
        mGrayed = gray;
        mBlend.mWeight = gray ? 0.5f : 1.0f;
        SetDirty(false);
      });
}

bool IControl::IsHit(int x, int y)
{
  return mTargetRECT.Contains(x, y);
}

void IControl::SetDirty(bool pushParamToPlug)
{
  MarkDirtyGuarded(pushParamToPlug, false);
}

void IControl::SetDirty2(bool pushParamToPlug)
{
  MarkDirtyGuarded(pushParamToPlug, true);
}

void IControl::MarkDirtyGuarded(bool push, bool fromHardware)
{
  auto write = [this, push, fromHardware]() { MarkDirtyAndPush(push, fromHardware); };
  if (push && mPlug && mParamIdx >= 0)
  {
    Guarded(write);
  }
  else if (EditorLock::Get().HeldByThisThread())
  {
    // Marking only, by the lock's owner (a value from the plug-in): no second round through the lock.
    write();
  }
  else
  {
    GuardedDisplay(write);
  }
}

void IControl::MarkDirtyAndPush(bool push, bool fromHardware)
{
  if (mClampLo > mValue)
  {
    mValue = mClampLo;
  }
  else
  {
    mValue = std::min(mClampHi, mValue);
  }
  mDirty = true;
  EditorLock::Get().MarkDirty();

  if (!push || !mPlug || mParamIdx < 0)
  {
    return;
  }
  const int paramIdx = mParamIdx;
  const double value = mValue;
  const bool showsText = mValDisplayControl || mNameDisplayControl;
  bool haveParam = false;
  char display[IParam::kDisplayForHostLen] = "";
  std::string name;
  auto pushAndRead = [&]()
  {
    if (fromHardware)
    {
      mPlug->SetParameterFromGUI2(paramIdx, value);
    }
    else
    {
      mPlug->SetParameterFromGUI(paramIdx, value);
    }
    if (!showsText)
    {
      return;
    }
    // Parameters are written under the plug mutex; read them under it too.
    WDL_MutexLock plugLock(mPlug->GetMutex());
    IParam* param = mPlug->GetParam(paramIdx);
    if (param)
    {
      haveParam = true;
      param->GetDisplayForHost(param->Value(), false, display, true);
      name = param->GetNameForHost();
    }
  };
  if (CallerHoldsPlugMutex())
  {
    pushAndRead();
  }
  else
  {
    // The push takes the plug mutex and runs the change handlers, which may wait for other threads (ports,
    // workers) or come back to the surface; the editor lock is given back meanwhile, and the display texts
    // are read before it is taken again, so that no thread ever holds the editor lock while it waits for the
    // plug mutex here.
    EditorLockRelease release;
    pushAndRead();
  }

  if (!haveParam)
  {
    return;
  }
  if (mValDisplayControl && mValDisplayControl->mStr != display)
  {
    mValDisplayControl->SetDirty(false);
    mValDisplayControl->mStr = display;
  }
  if (mNameDisplayControl && mNameDisplayControl->mStr != name)
  {
    mNameDisplayControl->SetDirty(false);
    mNameDisplayControl->mStr = name;
  }
}

void IControl::SetClean()
{
  mDirty = mRedraw;
  mRedraw = false;
  if (mDirty)
  {
    // Still dirty after a pass (also one the window system asked for): the surface must look again.
    EditorLock::Get().MarkDirty();
  }
}

bool IControl::IsDirty()
{
  return mDirty;
}

void IControl::OnGUIIdle() {}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value)
{
  GuardedDisplay(
      [this, auxParamIdx, value]()
      {
        if (auxParamIdx < 0 || auxParamIdx >= NAuxParams())
        {
          return;
        }
        AuxParam& aux = mAuxParams[static_cast<size_t>(auxParamIdx)];
        if (aux.mValue != value)
        {
          aux.mValue = value;
          SetDirty(false);
          mRedraw = true;
        }
      });
}

void IControl::PromptUserInput()
{
  if (mParamIdx < 0 || mDisablePrompt || !mPlug)
  {
    return;
  }
  IGraphics* graphics = mPlug->GetGUI();
  IParam* param = mPlug->GetParam(mParamIdx);
  if (!graphics || !param)
  {
    return;
  }
  if (param->GetNDisplayTexts() > 0)
  {
    IRECT place = mRECT;
    graphics->PromptUserInput(this, param, &place);
  }
  else
  {
    const int cX = static_cast<int>(static_cast<float>(mRECT.L + mRECT.R) * 0.5f);
    const int cY = static_cast<int>(static_cast<float>(mRECT.T + mRECT.B) * 0.5f);
    IRECT place(cX - kPromptHalfWidth, cY - kPromptHalfHeight, cX + kPromptHalfWidth, cY + kPromptHalfHeight);
    graphics->PromptUserInput(this, param, &place);
  }
  Redraw();
}

int IControl::AuxParamIdx(int paramIdx) const
{
  for (size_t i = 0; i < mAuxParams.size(); ++i)
  {
    if (mAuxParams[i].mParamIdx == paramIdx)
    {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void IControl::SetParamIdx(int paramIdx)
{
  ControlLayer::NoteBindingChange();
  mParamIdx = paramIdx;
}

void IControl::AddAuxParam(int paramIdx)
{
  ControlLayer::NoteBindingChange();
  AuxParam aux;
  aux.mParamIdx = paramIdx;
  mAuxParams.push_back(aux);
}

const IControl::AuxParam* IControl::GetAuxParam(int i) const
{
  if (i < 0 || i >= NAuxParams())
  {
    return nullptr;
  }
  return &mAuxParams[static_cast<size_t>(i)];
}

void IControl::Redraw()
{
  GuardedDisplay(
      [this]()
      {
        mRedraw = true;
        EditorLock::Get().MarkDirty();
      });
}

IParam* IControl::GetParam() const
{
  if (!mPlug || mParamIdx < 0)
  {
    return nullptr;
  }
  return mPlug->GetParam(mParamIdx);
}

void IControl::Clamp(double lo, double hi)
{
  mClampLo = lo;
  mClampHi = hi;
}

void IControl::SetIgnoreHidden(bool ignore)
{
  GuardedDisplay(
      [this, ignore]()
      {
        mIgnoreHidden = ignore;
        EditorLock::Get().MarkDirty();
      });
}

void IControl::SetValDisplayControl(IControl* control)
{
  mValDisplayControl = dynamic_cast<ITextControl*>(control);
}

void IControl::SetNameDisplayControl(IControl* control)
{
  mNameDisplayControl = dynamic_cast<ITextControl*>(control);
}
