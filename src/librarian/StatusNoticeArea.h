// StatusNoticeArea: an invisible click area that says a fixed text on the message line.
#pragma once

#include "IControl.h"

class Korvid;

// Lies where a control is hidden for a reason the user should hear when clicking there (the upper pane's
// bank menu while the bank holds unsaved edits). Draws nothing. Built by the plug-in's constructor, owned by
// its layer; text is a static text. Editor thread.
class StatusNoticeArea : public IControl
{
public:
  StatusNoticeArea(Korvid* editor, IRECT rect, const char* text);

  bool Draw(IGraphics* pGraphics) override;
  // Shows the text on the message line.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;

private:
  Korvid* mEditor;
  const char* mText;
};
