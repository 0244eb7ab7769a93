// ProgressIndicator: the busy overlay that covers the editor while a device transfer runs.
#include "ProgressIndicator.h"

#include "ControlLayer.h"
#include "IGraphics.h"

namespace
{
const IBitmap kNoBitmap;
} // namespace

ProgressIndicator::ProgressIndicator(ControlLayer* layer, IPlugBase* plugin, int x, int y, int, int,
                                     int paramIdx, IBitmap* bitmap, IRECT rect)
    : IBitmapControl(plugin, x, y, paramIdx, bitmap ? bitmap : &kNoBitmap)
{
  mRECT = rect;
  mTargetRECT = rect;
  if (layer)
  {
    layer->AddControl(this);
    layer->setIgnoreHiddenWhenUpdatingScreen(true);
  }
}

bool ProgressIndicator::Draw(IGraphics* pGraphics)
{
  if (!mBitmap.pixels)
  {
    return true;
  }
  return pGraphics->DrawBitmap(&mBitmap, &mRECT, 1, &mBlend);
}

void ProgressIndicator::OnMouseDown(int, int, IMouseMod*) {}

void ProgressIndicator::OnMouseDblClick(int, int, IMouseMod*) {}

void ProgressIndicator::OnMouseWheel(int, int, IMouseMod*, int) {}
