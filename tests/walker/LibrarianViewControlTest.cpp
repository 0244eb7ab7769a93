// Tests of the slot view as the walker places it: slot layout and the panes loaded from the librarian.
#include "WalkerTestSupport.h"

#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

using namespace walkertest;

namespace
{
// A bank of count records named prefix0, prefix1 ...
PatchFile* bank(const std::string& prefix, int count)
{
  auto* file = new PatchFile();
  for (int k = 0; k < count; ++k)
  {
    LibrarianPatch record;
    record.mName = prefix + std::to_string(k);
    file->mRecords.push_back(record);
  }
  return file;
}

class SlotView : public WalkerFixture
{
protected:
  SlotView()
  {
    librarian.mSoundBanks = {bank("A", 128), bank("B", 5)};
    librarian.mMultiBanks = {bank("M", 128)};
    librarian.mLowerBankIndex = 1;
  }

  std::unique_ptr<LibrarianViewControl> makeView(double scale)
  {
    IBitmap none;
    return std::make_unique<LibrarianViewControl>(plug.get(), 100, 200, kLibrarianArea, &none,
                                                  IRECT(100, 200, 1136, 698), &librarian, scale);
  }

  PatchLibrarian librarian;
};

std::string slotText(const LibrarianViewControl& view, int pane, int slot)
{
  return view.getSlotText(pane, slot)->GetTextStr();
}

TEST_F(SlotView, PanesShowTheOpenBanks)
{
  auto view = makeView(1.0);
  EXPECT_EQ(kLibrarianArea, view->ParamIdx());
  EXPECT_EQ(IRECT(100, 200, 1136, 698), *view->GetTargetRECT());
  EXPECT_EQ("A0", slotText(*view, 0, 0));
  EXPECT_EQ("A127", slotText(*view, 0, 127));
  EXPECT_EQ("B4", slotText(*view, 1, 4));
  // Slots beyond a short bank are empty.
  EXPECT_EQ("", slotText(*view, 1, 5));
  EXPECT_EQ(nullptr, view->getSlotText(2, 0));
  EXPECT_EQ(nullptr, view->getSlotText(0, 128));
  EXPECT_FALSE(view->dragEnabled);
  EXPECT_EQ(0, view->activePane);
  EXPECT_EQ(0, view->selectedUpper);
  EXPECT_EQ(-1, view->selectedLower);
}

TEST_F(SlotView, UpperPaneReloadsAfterABankChange)
{
  auto view = makeView(1.0);
  view->SetClean();
  librarian.mUpperBankIndex = 1;
  view->patchSelectionUpperChanged();
  EXPECT_TRUE(view->IsDirty());
  EXPECT_EQ("B0", slotText(*view, 0, 0));
  EXPECT_EQ("", slotText(*view, 0, 100));
  // A bank index outside the list and the multi list.
  librarian.mUpperBankIndex = 7;
  view->patchSelectionUpperChanged();
  EXPECT_EQ("", slotText(*view, 0, 0));
  librarian.mPatchType = PatchLibrarian::kPatchTypeMultis;
  librarian.mUpperBankIndex = 0;
  view->patchSelectionUpperChanged();
  EXPECT_EQ("M3", slotText(*view, 0, 3));
}

TEST_F(SlotView, SlotsRunDownEightColumnsOfSixteen)
{
  auto view = makeView(1.0);
  // Slot 17: column 1, row 1; columns 105 + 28 apart, rows 14 apart, upper pane 1 below the top.
  EXPECT_EQ(IRECT(233, 215, 338, 229), *view->getSlotText(0, 17)->GetRECT());
  EXPECT_EQ(IRECT(100 + 7 * 133, 201 + 15 * 14, 100 + 7 * 133 + 105, 201 + 16 * 14),
            *view->getSlotText(0, 127)->GetRECT());
  // The lower pane starts 274 below.
  EXPECT_EQ(474, view->getSlotText(1, 0)->GetRECT()->T);

  auto small = makeView(0.85);
  // Pitch 12, width 90, column step 113, upper top y + 1, lower top y + 234.
  EXPECT_EQ(IRECT(213, 213, 303, 225), *small->getSlotText(0, 17)->GetRECT());
  EXPECT_EQ(434, small->getSlotText(1, 0)->GetRECT()->T);
  auto large = makeView(1.15);
  EXPECT_EQ(IRECT(253, 218, 374, 234), *large->getSlotText(0, 17)->GetRECT());
  EXPECT_EQ(516, large->getSlotText(1, 0)->GetRECT()->T);
  EXPECT_EQ(14, large->getSlotText(1, 0)->GetText()->mSize);
}

TEST_F(SlotView, WithoutALibrarianThePanesAreEmpty)
{
  IBitmap none;
  LibrarianViewControl view(plug.get(), 0, 0, kLibrarianArea, &none, IRECT(0, 0, 10, 10), nullptr, 1.0);
  EXPECT_EQ("", slotText(view, 0, 0));
  view.patchSelectionUpperChanged();
  EXPECT_EQ("", slotText(view, 1, 127));
}
} // namespace
