// ProgressIndicator: the busy overlay that covers the editor while a device transfer runs.
#pragma once

#include "IControl.h"

class ControlLayer;

// A bitmap drawn over the whole editor; it swallows mouse clicks so that nothing below is edited while it is
// shown. It appends itself to its layer (which then owns it) and makes that layer report dirty areas while
// hidden, so that hiding the overlay repaints what it covered. Shown and hidden from any thread (IControl).
class ProgressIndicator : public IBitmapControl
{
public:
  // layer: receives the control (may be null: then the caller owns it). (x, y): the bitmap's frame origin;
  // rect: the area drawn and hit, in surface pixels; paramIdx: -1 for none; bitmap: copied (may be empty).
  ProgressIndicator(ControlLayer* layer, IPlugBase* plugin, int x, int y, int w, int h, int paramIdx,
                    IBitmap* bitmap, IRECT rect);

  bool Draw(IGraphics* pGraphics) override;
  // Takes the click and does nothing.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
  void OnMouseWheel(int x, int y, IMouseMod* pMod, int d) override;
};
