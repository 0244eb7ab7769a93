// FileCopyPopupMenu: the one item "Copy" and its choice.
#include "FileCopyPopupMenu.h"

#include "IGraphics.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"

namespace
{
const IColor kTransparent(0, 0, 0, 0);
constexpr int kCopy = 0;
} // namespace

FileCopyPopupMenu::FileCopyPopupMenu(IPlugBase* plug, PatchLibrarian* librarianIn, IRECT rect,
                                     Korvid* editorIn)
    : IControl(plug, rect, -1), editor(editorIn), librarian(librarianIn)
{
  menu.AddItem("Copy");
}

bool FileCopyPopupMenu::Draw(IGraphics* pGraphics)
{
  return pGraphics->FillIRect(&kTransparent, &mRECT);
}

void FileCopyPopupMenu::OnMouseDown(int x, int y, IMouseMod*)
{
  doPopupMenu(editor, x, y);
  SetDirty(false);
}

void FileCopyPopupMenu::doPopupMenu(Korvid* editorIn, int x, int y)
{
  editor = editorIn;
  IGraphics* surface = editor != nullptr ? editor->GetGUI() : nullptr;
  if (surface == nullptr)
    return;
  IRECT area = mRECT;
  IPopupMenu* chosen = surface->CreateIPopupMenu(&menu, &area);
  if (chosen == &menu && chosen->GetChosenItemIdx() == kCopy && editor->mLibrarianView != nullptr)
    editor->mLibrarianView->CopySlotData(x, y);
  menu.CheckItemAlone(-1);
}
