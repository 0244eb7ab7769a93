// LibrarianViewControl: selection by mouse and arrow keys, audition, drag and drop, and the slot menus.
#include "LibrarianViewControl.h"

#include "ControlLayer.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

namespace
{
// Key codes of the drawing surface.
constexpr int kKeyUp = 1;
constexpr int kKeyDown = 2;
constexpr int kKeyLeft = 3;
constexpr int kKeyRight = 4;

constexpr int kLastSlot = LibrarianViewControl::kSlotCount - 1;
constexpr int kColumnStep = LibrarianViewControl::kSlotsPerColumn;
// From the first column to the last in the same row, and back.
constexpr int kWrapStep = LibrarianViewControl::kSlotCount - LibrarianViewControl::kSlotsPerColumn;

// The slot an arrow key moves to from cursor (which may be -1), wrapping round the bank: up and down along
// the column order, left and right by a column of 16 within the row.
int movedSlot(int cursor, int key)
{
  switch (key)
  {
  case kKeyUp:
    return cursor > 0 ? cursor - 1 : kLastSlot;
  case kKeyDown:
    return cursor < kLastSlot ? cursor + 1 : 0;
  case kKeyLeft:
    return cursor < kColumnStep ? cursor + kWrapStep : cursor - kColumnStep;
  default:
    return cursor + kColumnStep <= kLastSlot ? cursor + kColumnStep : cursor - kWrapStep;
  }
}
} // namespace

LibrarianViewControl::Hit LibrarianViewControl::hitAt(int x, int y) const
{
  return Hit{slotAt(kUpperPane, x, y), slotAt(kLowerPane, x, y)};
}

void LibrarianViewControl::selectSlot(LibrarianViewControl* view, PatchLibrarian* librarian, int pane,
                                      int slot)
{
  if (slot < -1 || slot >= kSlotCount || (pane != kUpperPane && pane != kLowerPane))
    return;
  const bool upper = pane == kUpperPane;
  if (librarian != nullptr)
    (upper ? librarian->mSelectedUpperSlot : librarian->mSelectedLowerSlot) = slot;
  if (view == nullptr)
    return;
  (upper ? view->selectedUpper : view->selectedLower) = slot;
  view->SetDirty(false);
}

void LibrarianViewControl::resetSelections()
{
  select(kUpperPane, -1);
  select(kLowerPane, -1);
}

void LibrarianViewControl::selectHit(const Hit& hit)
{
  ControlLayer* saveButton = plug != nullptr ? plug->mSaveChangesLayer : nullptr;
  if (hit.upper >= 0)
  {
    select(kUpperPane, hit.upper);
    activePane = kUpperPane;
    if (saveButton != nullptr)
      saveButton->GrayOut(false);
  }
  if (hit.lower >= 0)
  {
    select(kLowerPane, hit.lower);
    activePane = kLowerPane;
    // Saving writes the upper bank: not offered while a source slot is selected.
    if (saveButton != nullptr)
      saveButton->GrayOut(true);
  }
}

void LibrarianViewControl::blockRename(bool hideField)
{
  if (plug == nullptr)
    return;
  plug->mRenameBlocked = true;
  if (hideField && plug->mPatchRenameLayer != nullptr)
    plug->mPatchRenameLayer->Hide(true);
}

int LibrarianViewControl::currentPart() const
{
  return plug != nullptr ? plug->mCurrentPart.load() : 0;
}

void LibrarianViewControl::say(const std::string& text) const
{
  if (plug != nullptr)
    plug->showStatusText(text.c_str());
}

void LibrarianViewControl::OnMouseDown(int x, int y, IMouseMod* pMod)
{
  const bool right = pMod != nullptr && pMod->R;
  if (!right)
    blockRename(true);
  SetDirty(false);
  resetSelections();
  const Hit hit = hitAt(x, y);
  selectHit(hit);
  pressedLower = right ? -1 : hit.lower;
  if (!right)
  {
    // The arrow keys go on from the slot clicked, in either pane.
    cursorSlot = activePane == kLowerPane && hit.lower >= 0 ? selectedLower : selectedUpper;
    return;
  }
  if (plug == nullptr)
    return;
  if (hit.upper >= 0)
    plug->showFileEditMenu(x, y);
  else
    plug->showFileCopyMenu(x, y);
}

void LibrarianViewControl::OnMouseDblClick(int x, int y, IMouseMod*)
{
  blockRename(false);
  SetDirty(false);
  const IParam* output = plug != nullptr ? plug->GetParam(kDeviceOutSelection) : nullptr;
  if (output == nullptr || output->Int() == 0)
  {
    if (plug != nullptr)
      plug->sayNoOutput();
    return;
  }
  resetSelections();
  const Hit hit = hitAt(x, y);
  selectHit(hit);
  const int last = hit.lower >= 0 ? hit.lower : hit.upper;
  cursorSlot = last;
  select(activePane, last);
  if (selectedUpper >= 0 || selectedLower >= 0)
    plug->sendPatchToDeviceFromLibrarian(last, activePane, currentPart());
}

bool LibrarianViewControl::OnKeyDown(int, int, int key)
{
  blockRename(false);
  if (key != kKeyUp && key != kKeyDown && key != kKeyLeft && key != kKeyRight)
    return false;
  const int next = movedSlot(cursorSlot, key);
  cursorSlot = next;
  select(activePane, next);
  if (selectedUpper < 0 && selectedLower < 0)
    return false;
  if (plug != nullptr)
    plug->sendPatchToDeviceFromLibrarian(next, activePane, currentPart());
  return true;
}

void LibrarianViewControl::OnMouseDrag(int x, int y, int, int, IMouseMod*)
{
  SetDirty(false);
  if (!dragEnabled)
    return;
  const int halfWidth = slotWidth / 2;
  const int halfHeight = rowPitch / 2;
  dragRect = IRECT(x - halfWidth, y - halfHeight, x - halfWidth + slotWidth, y - halfHeight + rowPitch);
  if (!dragging)
    startDrag();
}

void LibrarianViewControl::startDrag()
{
  // A drag starts only from a lower slot, the one under the button press: however few and far apart the
  // motion events, the record dragged is the one the user took hold of.
  if (pressedLower < 0)
    return;
  resetSelections();
  select(kLowerPane, pressedLower);
  dragging = true;
  sourceSlot = pressedLower;
  draggedRecord = lowerRecord(pressedLower);
  pressedLower = -1;
}

void LibrarianViewControl::OnMouseUp(int x, int y, IMouseMod*)
{
  SetDirty(false);
  const Hit hit = hitAt(x, y);
  // A press and a release with no motion reported between them: a drag when the pointer left the slot.
  if (!dragging && dragEnabled && pressedLower >= 0 && hit.lower != pressedLower)
    startDrag();
  pressedLower = -1;
  if (!dragging)
    return;
  dragging = false;
  dragRect = IRECT();
  resetSelections();
  // As a click there: the save button follows the pane that is now selected.
  selectHit(hit);
  if (hit.upper < 0)
  {
    // Released on the slot it was taken from, it was a click that moved a little: no word.
    if (hit.lower != sourceSlot)
      say("Drop onto a slot of the upper bank - nothing copied");
    return;
  }
  transferRecord(draggedRecord, sourceSlot, hit.upper);
}
