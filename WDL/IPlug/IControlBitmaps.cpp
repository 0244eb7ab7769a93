// Controls drawn from bitmaps and fills: panel, bitmap, switch, contact, overlay and radio buttons.
#include "IControl.h"

#include "IGraphics.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kSwitchWrapAbove = 1.001;
constexpr int kFrameOff = 1;
constexpr int kFrameOn = 2;

// Frames of a bitmap; a count below 1 counts as one frame.
int FrameCount(const IBitmap& bitmap)
{
  return std::max(1, bitmap.frameCount);
}

// The rectangle of one frame of the bitmap placed at (x, y).
IRECT FrameRect(int x, int y, const IBitmap* bitmap)
{
  if (!bitmap)
  {
    return IRECT(x, y, x, y);
  }
  return IRECT(x, y, x + bitmap->width, y + bitmap->height / FrameCount(*bitmap));
}
} // namespace

IPanelControl::IPanelControl(IPlugBase* pPlug, IRECT rect, const IColor* color)
    : IControl(pPlug, rect), mColor(color ? *color : COLOR_BLACK)
{
}

bool IPanelControl::Draw(IGraphics* pGraphics)
{
  return pGraphics->FillIRect(&mColor, &mRECT, &mBlend);
}

IBitmapControl::IBitmapControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                               IChannelBlend blend)
    : IControl(pPlug, FrameRect(x, y, bitmap), paramIdx, blend), mBitmap(bitmap ? *bitmap : IBitmap())
{
}

IBitmapControl::IBitmapControl(IPlugBase* pPlug, int x, int y, const IBitmap* bitmap, IChannelBlend blend)
    : IBitmapControl(pPlug, x, y, -1, bitmap, blend)
{
}

int IBitmapControl::FrameForValue(double value, int nFrames)
{
  if (nFrames <= 1)
  {
    return 1;
  }
  // Compared before the conversion, so that a value far outside 0..1 (or not a number) stays defined.
  const double k = std::trunc(0.5 + value * (nFrames - 1));
  if (!(k >= 0.0))
  {
    return 1;
  }
  if (k >= nFrames)
  {
    return nFrames;
  }
  return static_cast<int>(k) + 1;
}

bool IBitmapControl::Draw(IGraphics* pGraphics)
{
  return pGraphics->DrawBitmap(&mBitmap, &mRECT, FrameForValue(mValue, mBitmap.frameCount), &mBlend);
}

ISwitchControl::ISwitchControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap,
                               IChannelBlend blend)
    : IBitmapControl(pPlug, x, y, paramIdx, bitmap, blend)
{
}

void ISwitchControl::OnMouseDown(int, int, IMouseMod*)
{
  if (mGrayed)
  {
    return;
  }
  const int n = mBitmap.frameCount;
  mValue += n >= 2 ? 1.0 / (n - 1) : 1.0;
  if (mValue > kSwitchWrapAbove)
  {
    mValue = 0.0;
  }
  SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, IMouseMod* pMod)
{
  if (!mGrayed)
  {
    OnMouseDown(x, y, pMod);
  }
}

IContactControl::IContactControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* bitmap)
    : ISwitchControl(pPlug, x, y, paramIdx, bitmap)
{
}

void IContactControl::OnMouseUp(int, int, IMouseMod*)
{
  mValue = 0.0;
  SetDirty(true);
}

IBitmapOverlayControl::IBitmapOverlayControl(IPlugBase* pPlug, int x, int y, int paramIdx,
                                             const IBitmap* bitmap, IRECT targetArea)
    : ISwitchControl(pPlug, x, y, paramIdx, bitmap), mTargetArea(targetArea)
{
}

bool IBitmapOverlayControl::Draw(IGraphics* pGraphics)
{
  if (mValue < 0.5)
  {
    mTargetRECT = mTargetArea;
    return true;
  }
  mTargetRECT = mRECT;
  return IBitmapControl::Draw(pGraphics);
}

IRadioButtonsControl::IRadioButtonsControl(IPlugBase* pPlug, IRECT rect, int paramIdx, int nButtons,
                                           const IBitmap* bitmap, EDirection direction, bool reverse)
    : IControl(pPlug, rect, paramIdx), mBitmap(bitmap ? *bitmap : IBitmap())
{
  if (nButtons < 1)
  {
    return;
  }
  const int w = mBitmap.width;
  const int h = static_cast<int>(static_cast<double>(mBitmap.height) / FrameCount(mBitmap));
  // With one button there is no gap to spread (and nothing to divide by).
  const int gaps = nButtons - 1;
  int x = rect.L;
  int y = rect.T;
  int dX = 0;
  int dY = 0;
  if (gaps > 0 && direction == kVertical)
  {
    dY = static_cast<int>(static_cast<double>(rect.H() - nButtons * h) / gaps);
  }
  else if (gaps > 0)
  {
    dX = static_cast<int>(static_cast<double>(rect.W() - nButtons * w) / gaps);
  }
  for (int i = 0; i < nButtons; ++i)
  {
    mRECTs.push_back(IRECT(x, y, x + w, y + h));
    if (direction == kVertical)
    {
      y += h + dY;
    }
    else
    {
      x += w + dX;
    }
  }
  if (reverse)
  {
    // Laid from the far edge: the same places taken in the opposite order.
    std::reverse(mRECTs.begin(), mRECTs.end());
  }
}

const IRECT* IRadioButtonsControl::GetButtonRECT(int i) const
{
  if (i < 0 || i >= NButtons())
  {
    return nullptr;
  }
  return &mRECTs[static_cast<size_t>(i)];
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* pMod)
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
  const int n = NButtons();
  for (int i = 0; i < n; ++i)
  {
    if (mRECTs[static_cast<size_t>(i)].Contains(x, y))
    {
      // A single button stands for the first (and only) choice.
      mValue = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
      break;
    }
  }
  SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* pGraphics)
{
  const int n = NButtons();
  if (n < 1)
  {
    return true;
  }
  // The button the value selects, counted from 0 and limited to the buttons.
  const int active = IBitmapControl::FrameForValue(mValue, n) - 1;
  bool ok = true;
  for (int i = 0; i < n; ++i)
  {
    ok = pGraphics->DrawBitmap(&mBitmap, &mRECTs[static_cast<size_t>(i)], i == active ? kFrameOn : kFrameOff,
                               &mBlend) &&
         ok;
  }
  return ok;
}
