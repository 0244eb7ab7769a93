// An invisible click area that says a fixed text on the message line.
#include "StatusNoticeArea.h"

#include "Korvid.h"

StatusNoticeArea::StatusNoticeArea(Korvid* editor, IRECT rect, const char* text)
    : IControl(editor, rect), mEditor(editor), mText(text)
{
}

bool StatusNoticeArea::Draw(IGraphics*)
{
  return true;
}

void StatusNoticeArea::OnMouseDown(int, int, IMouseMod*)
{
  if (mEditor)
  {
    mEditor->showStatusText(mText);
  }
}
