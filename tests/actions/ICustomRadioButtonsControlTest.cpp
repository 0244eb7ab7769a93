// Tests of the custom radio buttons: cell layout for both strip layouts, picking, and drawing per slice.
#include "ActionsTestSupport.h"
#include "HeadlessSurface.h"
#include "ICustomRadioButtonsControl.h"
#include "IParam.h"
#include "lice.h"

#include <gtest/gtest.h>

#include <memory>

using namespace actionstest;

namespace
{
constexpr int kParam = 3;
constexpr LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 255);

LICE_pixel released(int i)
{
  return LICE_RGBA(40 * (i + 1), 0, 0, 255);
}
LICE_pixel pressed(int i)
{
  return LICE_RGBA(0, 40 * (i + 1), 0, 255);
}

struct RadioButtons : ::testing::Test
{
  RadioButtons()
  {
    plug.GetParam(kParam)->InitEnum("Radio", 0, 4);
    surface = new HeadlessSurface(&plug, 300, 200);
    plug.AttachGraphics(surface);
    IColor black(255, 0, 0, 0);
    surface->AttachControl(new IPanelControl(&plug, IRECT(0, 0, 300, 200), &black));
  }

  // A strip of two frames stacked (released above pressed), n cells side by side, each cellW x cellH.
  IBitmap stackedStrip(int n, int cellW, int cellH)
  {
    auto* pixels = new LICE_MemBitmap(n * cellW, 2 * cellH);
    for (int i = 0; i < n; ++i)
    {
      LICE_FillRect(pixels, i * cellW, 0, cellW, cellH, released(i), 1.0f, LICE_BLIT_MODE_COPY);
      LICE_FillRect(pixels, i * cellW, cellH, cellW, cellH, pressed(i), 1.0f, LICE_BLIT_MODE_COPY);
    }
    bitmaps.emplace_back(pixels);
    return IBitmap(pixels, n * cellW, 2 * cellH, 2, false);
  }

  // A strip of two frames side by side (released left, pressed right), n cells one above the other.
  IBitmap sideBySideStrip(int n, int cellW, int cellH)
  {
    auto* pixels = new LICE_MemBitmap(2 * cellW, n * cellH);
    for (int i = 0; i < n; ++i)
    {
      LICE_FillRect(pixels, 0, i * cellH, cellW, cellH, released(i), 1.0f, LICE_BLIT_MODE_COPY);
      LICE_FillRect(pixels, cellW, i * cellH, cellW, cellH, pressed(i), 1.0f, LICE_BLIT_MODE_COPY);
    }
    bitmaps.emplace_back(pixels);
    return IBitmap(pixels, 2 * cellW, n * cellH, 2, true);
  }

  ICustomRadioButtonsControl* attach(ICustomRadioButtonsControl* control)
  {
    surface->AttachControl(control);
    return control;
  }

  void drawAll()
  {
    IRECT all(0, 0, surface->Width(), surface->Height());
    surface->Draw(&all);
  }
  LICE_pixel pixel(int x, int y) const { return surface->GetDrawBitmap()->getPixel(x, y); }

  RecordingPlug plug;
  HeadlessSurface* surface = nullptr;
  std::vector<std::unique_ptr<LICE_IBitmap>> bitmaps;
  IMouseMod left{true};
  IMouseMod right{false, true};
};
} // namespace

TEST_F(RadioButtons, StackedFramesGiveCellsSideBySide)
{
  IBitmap strip = stackedStrip(4, 50, 10);
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(10, 30, 210, 40), kParam, 4, &strip, kHorizontal));
  EXPECT_TRUE(radio->PromptDisabled());
  EXPECT_EQ(50, radio->GetCellWidth());
  EXPECT_EQ(10, radio->GetCellHeight());
  ASSERT_EQ(4, radio->NButtons());
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(IRECT(10 + 50 * i, 30, 60 + 50 * i, 40), *radio->GetButtonRECT(i));

  radio->OnMouseDown(10 + 120, 35, &left);
  EXPECT_DOUBLE_EQ(2.0 / 3.0, radio->GetValue());
  EXPECT_EQ(2, plug.GetParam(kParam)->Int());
  // Two pushes, one change.
  EXPECT_EQ((std::vector<int>{kParam, kParam}), plug.pushes);
  EXPECT_EQ(std::vector<int>{kParam}, plug.changes);

  radio->OnMouseDown(10 + 199, 39, &left);
  EXPECT_DOUBLE_EQ(1.0, radio->GetValue());
  EXPECT_EQ(3, plug.GetParam(kParam)->Int());

  drawAll();
  EXPECT_EQ(released(0), pixel(35, 35));
  EXPECT_EQ(released(2), pixel(135, 35));
  EXPECT_EQ(pressed(3), pixel(185, 35));
  EXPECT_EQ(kBlack, pixel(215, 35));
}

TEST_F(RadioButtons, SideBySideFramesGiveCellsOneAboveTheOther)
{
  IBitmap strip = sideBySideStrip(3, 20, 20);
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(100, 100, 120, 160), kParam, 3, &strip, kVertical));
  EXPECT_EQ(20, radio->GetCellWidth());
  EXPECT_EQ(20, radio->GetCellHeight());
  ASSERT_EQ(3, radio->NButtons());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(IRECT(100, 100 + 20 * i, 120, 120 + 20 * i), *radio->GetButtonRECT(i));

  radio->OnMouseDown(110, 145, &left);
  EXPECT_DOUBLE_EQ(1.0, radio->GetValue());
  radio->OnMouseDown(119, 100, &left);
  EXPECT_DOUBLE_EQ(0.0, radio->GetValue());
  radio->OnMouseDown(105, 125, &left);
  EXPECT_DOUBLE_EQ(0.5, radio->GetValue());

  // The pressed button comes from the right half of the strip, the others from the left.
  drawAll();
  EXPECT_EQ(released(0), pixel(110, 110));
  EXPECT_EQ(pressed(1), pixel(110, 130));
  EXPECT_EQ(released(2), pixel(110, 150));
}

TEST_F(RadioButtons, AScaledStripThatDoesNotDivideEvenlyKeepsItsLastButtonWhole)
{
  // Sixteen buttons of 38 pixels drawn at 1.15 make a strip of 699: the buttons of the image begin at
  // i * 699 / 16; each cell must show its own button, the last one down to the strip's last row.
  constexpr int kButtons = 16;
  constexpr int kLength = 699;
  auto colour = [](int i) { return LICE_RGBA(10 + 15 * i, 255 - 15 * i, i % 2 ? 200 : 50, 255); };
  auto* pixels = new LICE_MemBitmap(2 * 20, kLength);
  for (int i = 0; i < kButtons; ++i)
  {
    const int top = i * kLength / kButtons;
    const int bottom = (i + 1) * kLength / kButtons;
    LICE_FillRect(pixels, 0, top, 20, bottom - top, colour(i), 1.0f, LICE_BLIT_MODE_COPY);
    LICE_FillRect(pixels, 20, top, 20, bottom - top, colour(i), 1.0f, LICE_BLIT_MODE_COPY);
  }
  bitmaps.emplace_back(pixels);
  IBitmap strip(pixels, 40, kLength, 2, true);
  surface->Resize(300, 800);
  auto* radio = attach(new ICustomRadioButtonsControl(&plug, IRECT(50, 20, 70, 20 + kLength), kParam,
                                                      kButtons, &strip, kVertical));
  ASSERT_EQ(kButtons, radio->NButtons());
  EXPECT_EQ(20 + kLength, radio->GetButtonRECT(kButtons - 1)->B);
  drawAll();
  for (int i = 0; i < kButtons; ++i)
  {
    const IRECT& cell = *radio->GetButtonRECT(i);
    EXPECT_EQ(cell.T, 20 + i * kLength / kButtons) << i;
    EXPECT_EQ(colour(i), pixel(60, cell.T)) << "first row of button " << i;
    EXPECT_EQ(colour(i), pixel(60, cell.B - 1)) << "last row of button " << i;
  }
}

TEST_F(RadioButtons, PressesOutsideTheButtonsOrWithTheRightButtonKeepTheValue)
{
  IBitmap strip = stackedStrip(4, 50, 10);
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(10, 30, 210, 40), kParam, 4, &strip, kHorizontal));
  radio->SetValueFromPlug(1.0 / 3.0);

  radio->OnMouseDown(210, 35, &left);
  EXPECT_DOUBLE_EQ(1.0 / 3.0, radio->GetValue());
  EXPECT_FALSE(plug.pushes.empty()); // still pushed

  radio->OnMouseDown(185, 35, &right);
  radio->OnMouseDownCustom(185, 35, &right);
  EXPECT_DOUBLE_EQ(1.0 / 3.0, radio->GetValue());
  EXPECT_TRUE(surface->TextEntries().empty());
  EXPECT_TRUE(surface->Menus().empty());
}

TEST_F(RadioButtons, DoubleClickAndHoverChangeNothing)
{
  IBitmap strip = stackedStrip(4, 50, 10);
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(10, 30, 210, 40), kParam, 4, &strip, kHorizontal));
  radio->SetValueFromPlug(0.0); // the first value becomes the default
  radio->OnMouseDown(185, 35, &left);
  const std::size_t pushes = plug.pushes.size();

  radio->OnMouseDblClick(185, 35, &left);
  radio->OnMouseOver(35, 35, &left);
  EXPECT_DOUBLE_EQ(1.0, radio->GetValue());
  EXPECT_EQ(pushes, plug.pushes.size());
  radio->OnMouseOut();
  EXPECT_EQ(pushes, plug.pushes.size());
  EXPECT_TRUE(radio->IsDirty());
}

TEST_F(RadioButtons, ValueSelectsTheNearestButton)
{
  IBitmap strip = stackedStrip(4, 50, 10);
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(10, 30, 210, 40), kParam, 4, &strip, kHorizontal));
  const struct
  {
    double value;
    int button;
  } cases[] = {{0.5, 2}, {0.49, 1}, {1.7, 3}, {-0.4, 0}, {1e300, 3}, {-1e300, 0}};
  for (const auto& c : cases)
  {
    radio->SetValueFromPlug(c.value);
    EXPECT_EQ(c.button, radio->SelectedButton()) << c.value;
  }
  radio->SetValueFromPlug(0.5);
  drawAll();
  EXPECT_EQ(pressed(2), pixel(135, 35));
  EXPECT_EQ(released(1), pixel(85, 35));
}

TEST_F(RadioButtons, GreyedOutDrawsLikeActive)
{
  IBitmap strip = stackedStrip(4, 50, 10);
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(10, 30, 210, 40), kParam, 4, &strip, kHorizontal));
  radio->SetValueFromPlug(1.0 / 3.0);
  drawAll();
  std::vector<LICE_pixel> active;
  for (int x = 10; x < 210; x += 5)
    active.push_back(pixel(x, 35));

  radio->GrayOut(true);
  EXPECT_TRUE(radio->IsGrayed());
  drawAll();
  std::vector<LICE_pixel> greyed;
  for (int x = 10; x < 210; x += 5)
    greyed.push_back(pixel(x, 35));
  EXPECT_EQ(active, greyed);
  EXPECT_FLOAT_EQ(1.0f, radio->GetBlend()->mWeight);
}

TEST_F(RadioButtons, FewerThanTwoButtonsStayDefined)
{
  IBitmap strip = stackedStrip(1, 30, 10);
  auto* single =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(0, 0, 30, 10), kParam, 1, &strip, kHorizontal));
  ASSERT_EQ(1, single->NButtons());
  single->SetValueFromPlug(0.7);
  single->OnMouseDown(5, 5, &left);
  EXPECT_DOUBLE_EQ(0.0, single->GetValue());

  auto* none =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(0, 50, 30, 60), -1, 0, &strip, kHorizontal));
  EXPECT_EQ(0, none->NButtons());
  EXPECT_EQ(0, none->GetCellWidth());
  none->OnMouseDown(5, 55, &left);
  EXPECT_TRUE(none->Draw(surface));
  EXPECT_EQ(0, none->SelectedButton());
}

TEST_F(RadioButtons, MissingImageGivesButtonsThatDrawAndTakeNothing)
{
  IBitmap empty;
  auto* radio =
      attach(new ICustomRadioButtonsControl(&plug, IRECT(10, 10, 10, 10), kParam, 4, &empty, kHorizontal));
  ASSERT_EQ(4, radio->NButtons());
  EXPECT_EQ(0, radio->GetButtonRECT(3)->W());
  radio->SetValueFromPlug(1.0 / 3.0);
  radio->OnMouseDown(10, 10, &left);
  EXPECT_DOUBLE_EQ(1.0 / 3.0, radio->GetValue());
  drawAll();
  EXPECT_EQ(kBlack, pixel(10, 10));
}
