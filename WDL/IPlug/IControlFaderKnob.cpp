// Controls moved by dragging: the fader and the knobs.
#include "IControl.h"

#include "IGraphics.h"

#include <algorithm>
#include <cmath>

namespace
{
// Control or Shift makes a knob ten times finer.
constexpr double kFineGearingFactor = 10.0;
// Largest handle offset in pixels; keeps a value far outside 0..1 (or not a number) from overflowing.
constexpr double kMaxHandleOffset = 1.0e6;

int HandleOffset(double pixels)
{
  return std::isnan(pixels) ? 0 : static_cast<int>(std::clamp(pixels, -kMaxHandleOffset, kMaxHandleOffset));
}
} // namespace

IFaderControl::IFaderControl(IPlugBase* pPlug, int x, int y, int len, int paramIdx, const IBitmap* bitmap,
                             EDirection direction, bool onlyHandle)
    : IControl(pPlug, IRECT(), paramIdx), mLen(len), mHandleHeadroom(0),
      mBitmap(bitmap ? *bitmap : IBitmap()), mDirection(direction), mOnlyHandle(onlyHandle)
{
  if (mDirection == kVertical)
  {
    mHandleHeadroom = mBitmap.height;
    mRECT = IRECT(x, y, x + mBitmap.width, y + len);
  }
  else
  {
    mHandleHeadroom = mBitmap.width;
    mRECT = IRECT(x, y, x + len, y + mBitmap.height);
  }
  mTargetRECT = mRECT;
}

IRECT IFaderControl::GetHandleRECT(double value) const
{
  if (value < 0.0)
  {
    value = mValue;
  }
  IRECT r(mRECT.L, mRECT.T, mRECT.L + mBitmap.width, mRECT.T + mBitmap.height);
  const int travel = mLen - mHandleHeadroom;
  if (mDirection == kVertical)
  {
    const int offs = HandleOffset((1.0 - value) * travel);
    r.T += offs;
    r.B += offs;
  }
  else
  {
    const int offs = HandleOffset(value * travel);
    r.L += offs;
    r.R += offs;
  }
  return r;
}

void IFaderControl::SnapToMouse(int x, int y)
{
  const int travel = mLen - mHandleHeadroom;
  if (travel <= 0)
  {
    // A handle as long as the travel cannot move.
    return;
  }
  const int half = mHandleHeadroom / 2;
  if (mDirection == kVertical)
  {
    mValue = 1.0 - static_cast<double>(y - mRECT.T - half) / travel;
  }
  else
  {
    mValue = static_cast<double>(x - mRECT.L - half) / travel;
  }
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* pMod)
{
  if (mGrayed)
  {
    return;
  }
  if (pMod && pMod->R)
  {
    PromptUserInput();
    return;
  }
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int, int, IMouseMod*)
{
  if (!mGrayed)
  {
    SnapToMouse(x, y);
  }
}

bool IFaderControl::Draw(IGraphics* pGraphics)
{
  IRECT handle = GetHandleRECT();
  return pGraphics->DrawBitmap(&mBitmap, &handle, 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y)
{
  if (mOnlyHandle)
  {
    return GetHandleRECT().Contains(x, y);
  }
  return mTargetRECT.Contains(x, y);
}

IKnobControl::IKnobControl(IPlugBase* pPlug, IRECT rect, int paramIdx, EDirection direction, double gearing)
    : IControl(pPlug, rect, paramIdx), mDirection(direction), mGearing(gearing)
{
}

void IKnobControl::OnMouseDrag(int, int, int dX, int dY, IMouseMod* pMod)
{
  if (mGrayed)
  {
    return;
  }
  double gearing = mGearing;
  if (pMod && (pMod->C || pMod->S))
  {
    gearing *= kFineGearingFactor;
  }
  const int span = mDirection == kVertical ? mRECT.T - mRECT.B : mRECT.R - mRECT.L;
  if (span == 0 || gearing == 0.0)
  {
    // A knob without extent or gearing has no scale to turn by.
    return;
  }
  const int delta = mDirection == kVertical ? dY : dX;
  mValue += static_cast<double>(delta) / span / gearing;
  SetDirty(true);
}

IKnobMultiControl::IKnobMultiControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                                     EDirection direction, double gearing)
    : IKnobControl(pPlug, IRECT(), paramIdx, direction, gearing), mBitmap(bitmap ? *bitmap : IBitmap())
{
  const int frames = mBitmap.frameCount < 1 ? 1 : mBitmap.frameCount;
  mRECT = IRECT(x, y, x + mBitmap.width, y + mBitmap.height / frames);
  mTargetRECT = mRECT;
}

bool IKnobMultiControl::Draw(IGraphics* pGraphics)
{
  return pGraphics->DrawBitmap(&mBitmap, &mRECT, IBitmapControl::FrameForValue(mValue, mBitmap.frameCount),
                               &mBlend);
}
