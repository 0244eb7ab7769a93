// LibrarianViewControl: layout, loading and drawing of the slot view's two panes.
#include "LibrarianViewControl.h"

#include "IGraphics.h"
#include "Korvid.h"
#include "PatchLibrarian.h"

namespace
{
// Slot geometry at scale 1, pixels: row pitch, slot width, gap between columns, offset of the lower pane.
constexpr int kRowPitch = 14;
constexpr int kSlotWidth = 105;
constexpr int kScaledSlotWidth = 106;
constexpr int kColumnGap = 28;
constexpr int kLowerPaneOffset = 274;
constexpr int kSlotTextSize = 13;
const char* const kSlotFont = "NK57 Monospace";

const IColor kHighlight(255, 225, 225, 225);
constexpr int kTextWhite = 255;
constexpr int kTextBlack = 0;

int rowPitchFor(double scale)
{
  return static_cast<int>(kRowPitch * scale) + (scale < 1.0 ? 1 : 0);
}

int slotWidthFor(double scale)
{
  return static_cast<int>((scale == 1.0 ? kSlotWidth : kScaledSlotWidth) * scale);
}

void setTextShade(ITextControl& slot, int shade)
{
  IColor& color = slot.GetText()->mColor;
  color.R = color.G = color.B = shade;
}
} // namespace

LibrarianViewControl::LibrarianViewControl(Korvid* plugIn, int x, int y, int paramIdx, IBitmap* bitmap,
                                           IRECT rect, PatchLibrarian* librarianIn, double scaleIn)
    : IBitmapControl(plugIn, x, y, paramIdx, bitmap), slotWidth(static_cast<int>(kSlotWidth * scaleIn)),
      rowPitch(static_cast<int>(kRowPitch * scaleIn)), librarian(librarianIn), plug(plugIn), scale(scaleIn),
      targetRect(rect)
{
  SetTargetArea(rect);
  // Sizes are rounded so that the three editor sizes (0.85, 1.0, 1.15) fit their skins.
  const bool unscaled = scale == 1.0;
  const int pitch = rowPitchFor(scale);
  const int width = slotWidthFor(scale);
  const int step = width + static_cast<int>(kColumnGap * scale);
  const int upperTop = y + static_cast<int>(scale) + (unscaled ? 0 : 1);
  const int lowerTop =
      y + static_cast<int>(kLowerPaneOffset * scale) + (unscaled ? 0 : (scale > 1.0 ? 1 : 2));

  const IColor white(255, kTextWhite, kTextWhite, kTextWhite);
  const IText text(static_cast<int>(kSlotTextSize * scale), &white, kSlotFont, IText::kStyleNormal,
                   IText::kAlignNear, 0, IText::kQualityDefault);
  for (int pane = kUpperPane; pane <= kLowerPane; ++pane)
  {
    auto& slots = pane == kUpperPane ? upperSlots : lowerSlots;
    const int top = pane == kUpperPane ? upperTop : lowerTop;
    slots.reserve(kSlotCount);
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
      const int left = x + (slot / kSlotsPerColumn) * step;
      const int slotTop = top + (slot % kSlotsPerColumn) * pitch;
      slots.push_back(std::make_unique<ITextControl>(
          plugIn, IRECT(left, slotTop, left + width, slotTop + pitch), &text, ""));
    }
    loadPane(pane);
  }
}

LibrarianViewControl::~LibrarianViewControl() = default;

bool LibrarianViewControl::Draw(IGraphics* pGraphics)
{
  bool drawn = pGraphics->DrawBitmap(&mBitmap, &targetRect, 1, &mBlend);
  for (int pane = kUpperPane; pane <= kLowerPane; ++pane)
  {
    const auto& slots = pane == kUpperPane ? upperSlots : lowerSlots;
    const int selected = pane == kUpperPane ? selectedUpper : selectedLower;
    ITextControl* highlighted = getSlotText(pane, selected);
    if (highlighted)
    {
      IRECT area = *highlighted->GetRECT();
      drawn = pGraphics->FillIRect(&kHighlight, &area) && drawn;
    }
    for (const auto& slot : slots)
    {
      const bool black = slot.get() == highlighted;
      if (black)
        setTextShade(*slot, kTextBlack);
      drawn = slot->Draw(pGraphics) && drawn;
      if (black)
        setTextShade(*slot, kTextWhite);
    }
  }
  if (dragging)
  {
    IRECT area = dragRect;
    drawn = pGraphics->FillIRect(&kHighlight, &area) && drawn;
  }
  return drawn;
}

void LibrarianViewControl::patchSelectionUpperChanged()
{
  loadPane(kUpperPane);
}

void LibrarianViewControl::patchSelectionLowerChanged()
{
  loadPane(kLowerPane);
}

ITextControl* LibrarianViewControl::getSlotText(int pane, int slot) const
{
  if (slot < 0 || slot >= kSlotCount || (pane != kUpperPane && pane != kLowerPane))
    return nullptr;
  const auto& slots = pane == kUpperPane ? upperSlots : lowerSlots;
  return slots[static_cast<std::size_t>(slot)].get();
}

int LibrarianViewControl::slotAt(int pane, int x, int y) const
{
  int hit = -1;
  for (int slot = 0; slot < kSlotCount; ++slot)
  {
    const ITextControl* text = getSlotText(pane, slot);
    if (text != nullptr && text->GetRECT()->Contains(x, y))
      hit = slot;
  }
  return hit;
}

PatchFile* LibrarianViewControl::bankOfPane(const PatchLibrarian* library, int pane, bool categoryView,
                                            bool searchView)
{
  if (library == nullptr || (pane != kUpperPane && pane != kLowerPane))
    return nullptr;
  const std::vector<PatchFile*>* banks = nullptr;
  if (pane == kLowerPane && categoryView)
    banks = &library->mCategoryBanks;
  else if (pane == kLowerPane && searchView)
    banks = &library->mSearchBanks;
  else if (library->mPatchType == PatchLibrarian::kPatchTypeSounds)
    banks = &library->mSoundBanks;
  else if (library->mPatchType == PatchLibrarian::kPatchTypeMultis)
    banks = &library->mMultiBanks;
  if (banks == nullptr)
    return nullptr;
  const int index = pane == kUpperPane ? library->mUpperBankIndex : library->mLowerBankIndex;
  if (index < 0 || static_cast<std::size_t>(index) >= banks->size())
    return nullptr;
  return (*banks)[static_cast<std::size_t>(index)];
}

PatchFile* LibrarianViewControl::bankOfPane(int pane) const
{
  const bool categoryView = plug != nullptr && plug->mCategoryList;
  const bool searchView = plug != nullptr && plug->mSearchList;
  return bankOfPane(librarian, pane, categoryView, searchView);
}

std::string LibrarianViewControl::dumpNameText(const std::string& name)
{
  constexpr char kFirstPrintable = ' ';
  constexpr char kLastPrintable = '~';
  std::string text = name.substr(0, kNameLength);
  text.resize(kNameLength, ' ');
  for (char& c : text)
  {
    if (c < kFirstPrintable || c > kLastPrintable)
      c = ' ';
  }
  return text;
}

void LibrarianViewControl::loadPane(int pane)
{
  SetDirty(false);
  const PatchFile* bank = bankOfPane(pane);
  auto& slots = pane == kUpperPane ? upperSlots : lowerSlots;
  for (int slot = 0; slot < kSlotCount; ++slot)
  {
    const bool filled = bank != nullptr && static_cast<std::size_t>(slot) < bank->mRecords.size();
    slots[static_cast<std::size_t>(slot)]->SetTextFromPlug(
        filled ? bank->mRecords[static_cast<std::size_t>(slot)].mName.c_str() : "");
  }
}
