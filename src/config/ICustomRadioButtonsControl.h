// ICustomRadioButtonsControl: the editor's radio buttons, each drawn as its own slice of a two-frame strip.
#pragma once

#include <vector>

#include "IControl.h"

// n buttons laid edge to edge over a strip of two frames (frame 1 all released, frame 2 all pressed), each
// frame showing every button. A left press picks the button under the pointer; the right button, double
// clicks and hovering do nothing; it always draws at full strength, also when greyed out.
// Built on the start-up thread; mouse handlers and Draw run on the editor thread (the surface holds the
// editor lock). Owned by its layer or by the surface.
class ICustomRadioButtonsControl : public IRadioButtonsControl
{
public:
  // rect: one frame of the bitmap, placed where the buttons appear; direction: kHorizontal for buttons side
  // by side, kVertical for buttons one above the other. nButtons below 1 gives no buttons; one button always
  // stands for value 0.
  ICustomRadioButtonsControl(IPlugBase* plug, IRECT rect, int paramIdx, int nButtons, IBitmap* bitmap,
                             EDirection direction);

  // A left press selects; every press pushes the value to the plug-in.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
  void OnMouseOver(int x, int y, IMouseMod* pMod) override;
  // Redraws without telling the plug-in.
  void OnMouseOut() override;
  bool Draw(IGraphics* pGraphics) override;

  // Sets the value to the button under (x, y) (i / (n - 1); unchanged outside every button) and pushes it;
  // a right press does nothing.
  void OnMouseDownCustom(int x, int y, IMouseMod* pMod);

  // Size of one button's slice of the strip, pixels.
  int GetCellWidth() const { return mCellWidth; }
  int GetCellHeight() const { return mCellHeight; }
  // The button drawn pressed for the current value.
  int SelectedButton() const;

private:
  int mCellWidth = 0;
  int mCellHeight = 0;
  // Where each button's slice begins in the strip, along the buttons.
  std::vector<int> mSliceOffsets;
};
