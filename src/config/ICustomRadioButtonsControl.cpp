// ICustomRadioButtonsControl: layout of the button cells, picking and drawing.
#include "ICustomRadioButtonsControl.h"

#include "IGraphics.h"

namespace
{
constexpr int kFrameReleased = 1;
constexpr int kFramePressed = 2;
constexpr int kFramesPerStrip = 2;

bool rightPress(const IMouseMod* pMod)
{
  return pMod != nullptr && pMod->R;
}
} // namespace

ICustomRadioButtonsControl::ICustomRadioButtonsControl(IPlugBase* plug, IRECT rect, int paramIdx,
                                                       int nButtons, IBitmap* bitmap, EDirection direction)
    : IRadioButtonsControl(plug, rect, paramIdx, nButtons, bitmap, direction, false)
{
  DisablePrompt(true);
  mRECTs.clear();
  if (nButtons < 1)
    return;

  const int w = mBitmap.width;
  const int h = mBitmap.height;
  if (mBitmap.framesHorizontal)
  {
    mCellWidth = w / kFramesPerStrip;
    mCellHeight = h / nButtons;
  }
  else
  {
    mCellWidth = w / nButtons;
    mCellHeight = h / kFramesPerStrip;
  }
  const int frames = mBitmap.frameCount > 0 ? mBitmap.frameCount : 1;
  const int frameHeight = static_cast<int>(static_cast<double>(h) / frames);
  // A scaled strip need not divide evenly (16 buttons of 38 pixels are 699 at 1.15): along the strip's
  // buttons cell i begins at i / n of the strip, so the cells follow the buttons of the image and the last
  // one ends where the image does.
  const bool alongStrip = (direction == kHorizontal) != mBitmap.framesHorizontal;
  const int cell = direction == kHorizontal ? mCellWidth : mCellHeight;
  const int length = alongStrip ? (direction == kHorizontal ? w : h) : cell * nButtons;
  auto edge = [&](int i) { return static_cast<int>(static_cast<long long>(i) * length / nButtons); };
  for (int i = 0; i < nButtons; ++i)
  {
    mSliceOffsets.push_back(alongStrip ? edge(i) : i * cell);
    if (direction == kHorizontal)
      mRECTs.push_back(IRECT(rect.L + edge(i), rect.T, rect.L + edge(i + 1), rect.T + frameHeight));
    else
      mRECTs.push_back(IRECT(rect.L, rect.T + edge(i), rect.L + mCellWidth, rect.T + edge(i + 1)));
  }
}

void ICustomRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* pMod)
{
  if (!rightPress(pMod))
    OnMouseDownCustom(x, y, pMod);
  SetDirty(true);
}

void ICustomRadioButtonsControl::OnMouseDownCustom(int x, int y, IMouseMod* pMod)
{
  if (rightPress(pMod))
    return;
  const int n = NButtons();
  for (int i = 0; i < n; ++i)
  {
    if (mRECTs[static_cast<std::size_t>(i)].Contains(x, y))
    {
      mValue = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
      break;
    }
  }
  SetDirty(true);
}

void ICustomRadioButtonsControl::OnMouseDblClick(int, int, IMouseMod*) {}

void ICustomRadioButtonsControl::OnMouseOver(int, int, IMouseMod*) {}

void ICustomRadioButtonsControl::OnMouseOut()
{
  SetDirty(false);
}

int ICustomRadioButtonsControl::SelectedButton() const
{
  const int n = NButtons();
  if (n < 1)
    return 0;
  // Compared before the conversion, so that a value far outside 0..1 (or not a number) stays defined.
  const double position = mValue * (n - 1) + 0.5;
  if (!(position >= 1.0))
    return 0;
  if (position >= n - 1)
    return n - 1;
  return static_cast<int>(position);
}

bool ICustomRadioButtonsControl::Draw(IGraphics* pGraphics)
{
  // Greying lowers the weight; these buttons never look greyed.
  mBlend.mWeight = 1.0f;
  const int n = NButtons();
  if (n < 1 || pGraphics == nullptr)
    return true;
  const int selected = SelectedButton();
  for (int i = 0; i < n; ++i)
  {
    const int slice = mSliceOffsets[static_cast<std::size_t>(i)];
    const int srcX = mBitmap.framesHorizontal ? 0 : slice;
    const int srcY = mBitmap.framesHorizontal ? slice : 0;
    pGraphics->DrawBitmap(&mBitmap, &mRECTs[static_cast<std::size_t>(i)],
                          i == selected ? kFramePressed : kFrameReleased, srcX, srcY, &mBlend);
  }
  return true;
}
