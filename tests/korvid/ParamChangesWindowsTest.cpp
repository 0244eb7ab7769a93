// The windows of the editor (MIDI filter panel, about window), the page tab and the busy overlay that covers
// the editor at every size.
#include "ParamCasesSupport.h"

#include "ControlLayer.h"
#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "ProgressIndicator.h"
#include "lice.h"

#include <cstring>
#include <memory>

using namespace korvidtest;

namespace
{
class ParamChangesWindows : public ParamCasesFixture
{
protected:
  // Draws whatever is dirty; the area of the last drawing.
  static IRECT drawnArea(Korvid& plug)
  {
    HeadlessSurface* surface = dynamic_cast<HeadlessSurface*>(plug.getSurface());
    EXPECT_NE(surface, nullptr);
    if (!surface)
    {
      return IRECT();
    }
    surface->OpenWindow(nullptr);
    while (surface->Tick())
    {
    }
    return surface->LastScreenArea();
  }
};

TEST_F(ParamChangesWindows, TheMidiFilterPanelAndTheAboutWindowOpenAndClose)
{
  auto plug = construct();
  ControlLayer* filters = plug->mMidiFilterSettingsLayer;
  ControlLayer* about = plug->mAboutWindowLayer;
  ASSERT_NE(filters, nullptr);
  ASSERT_NE(about, nullptr);
  const IRECT whole(0, 0, plug->getSurface()->Width(), plug->getSurface()->Height());
  drawnArea(*plug);

  struct Step
  {
    int paramIdx;
    double value;
    bool filtersShown;
    bool aboutShown;
    // Closing a window repaints the whole editor, as the busy overlay is shown and hidden at once.
    bool repaintsAll;
  };
  const Step steps[] = {
      {kViewMIDIFilterSettings, 1, true, false, false}, {kViewMIDIFilterSettings, 0, false, false, true},
      {kDisplayAboutWindow, 1, false, true, false},     {kDisplayAboutWindow, 0, false, true, false},
      {kExitAboutWindow, 1, false, false, true},        {kExitAboutWindow, 0, false, false, false},
  };
  for (const Step& step : steps)
  {
    SCOPED_TRACE(std::to_string(step.paramIdx) + " = " + std::to_string(step.value));
    edit(*plug, step.paramIdx, step.value);
    EXPECT_EQ(filters->mVisible, step.filtersShown);
    EXPECT_EQ(about->mVisible, step.aboutShown);
    EXPECT_FALSE(plug->mProgressLayer->mVisible);
    EXPECT_TRUE(plug->mProgressIndicator->IsHidden());
    if (step.repaintsAll)
    {
      EXPECT_EQ(drawnArea(*plug), whole);
    }
    else
    {
      drawnArea(*plug);
    }
  }
  // The panel's own close button is the same parameter: its checkboxes are usable while it is open.
  edit(*plug, kViewMIDIFilterSettings, 1);
  edit(*plug, kMIDIFilterHWNotePassThrough, 0);
  EXPECT_TRUE(plug->mHardwareInputBlocked[2]);
  edit(*plug, kViewMIDIFilterSettings, 0);
  EXPECT_FALSE(filters->mVisible);
}

TEST_F(ParamChangesWindows, TheWindowsOpenAndCloseByTheirButtonsWithoutAnOutputPort)
{
  auto plug = construct();
  IGraphics* surface = plug->getSurface();
  auto click = [surface](int x, int y)
  {
    IMouseMod left(true, false);
    surface->OnMouseDown(x, y, &left);
    surface->OnMouseUp(x, y, &left);
  };
  struct Click
  {
    const char* what;
    int x;
    int y;
    bool filtersShown;
    bool aboutShown;
  };
  // Unscaled positions of the buttons, inside their images.
  const Click clicks[] = {
      {"MIDI FILTERS switch", 1309, 55, true, false}, {"the panel's Close", 539, 515, false, false},
      {"MIDI FILTERS switch", 1309, 55, true, false}, {"MIDI FILTERS switch", 1309, 55, false, false},
      {"the about button", 136, 62, false, true},     {"the about window's exit", 750, 490, false, false},
      {"the about button", 136, 62, false, true},     {"the about window's exit", 750, 490, false, false},
  };
  for (const Click& c : clicks)
  {
    SCOPED_TRACE(c.what);
    click(c.x, c.y);
    EXPECT_EQ(plug->mMidiFilterSettingsLayer->mVisible, c.filtersShown);
    EXPECT_EQ(plug->mAboutWindowLayer->mVisible, c.aboutShown);
  }
  // The busy overlay takes every click meant for what it covers.
  plug->DisplayProcessingIndicator(true);
  const double tab = plug->GetParam(kMainTab)->Value();
  click(1309, 55);
  click(136, 62);
  click(400, 16);
  IMouseMod left(true, false);
  surface->OnMouseDblClick(1309, 55, &left);
  EXPECT_FALSE(plug->mMidiFilterSettingsLayer->mVisible);
  EXPECT_FALSE(plug->mAboutWindowLayer->mVisible);
  EXPECT_EQ(plug->GetParam(kViewMIDIFilterSettings)->Value(), 0.0);
  EXPECT_EQ(plug->GetParam(kMainTab)->Value(), tab);
}

TEST_F(ParamChangesWindows, ClosingAWindowLeavesTheOverlayOfARunningTransfer)
{
  auto plug = construct();
  plug->DisplayProcessingIndicator(true);
  edit(*plug, kDisplayAboutWindow, 1);
  edit(*plug, kExitAboutWindow, 1);
  edit(*plug, kViewMIDIFilterSettings, 1);
  edit(*plug, kViewMIDIFilterSettings, 0);
  EXPECT_FALSE(plug->mAboutWindowLayer->mVisible);
  EXPECT_TRUE(plug->mProgressLayer->mVisible);
  EXPECT_FALSE(plug->mProgressIndicator->IsHidden());
  EXPECT_TRUE(plug->mProcessingOverlay);
}

TEST_F(ParamChangesWindows, TheMultiKindShowsItsBankAndProgramSelectorsAtOnce)
{
  auto plug = construct();
  // A sound page: the multi page always shows the multi's selectors.
  edit(*plug, kMainTab, 2);
  const size_t multi = Korvid::kPartCount;
  ASSERT_NE(plug->mBankAndProgramLayers[multi], nullptr);
  EXPECT_FALSE(plug->mBankAndProgramLayers[multi]->mVisible);
  edit(*plug, kDatatype, 1);
  EXPECT_TRUE(plug->mBankAndProgramLayers[multi]->mVisible);
  EXPECT_FALSE(plug->mBankAndProgramLayers[0]->mVisible);
  EXPECT_FALSE(plug->mProgressLayer->mVisible);
  edit(*plug, kDatatype, 0);
  EXPECT_FALSE(plug->mBankAndProgramLayers[multi]->mVisible);
  EXPECT_TRUE(plug->mBankAndProgramLayers[0]->mVisible);
}

TEST_F(ParamChangesWindows, TheControlModesShowTheirBankSelectors)
{
  auto plug = construct();
  ControlLayer* bankNumbers = plug->mMenuLayers[7];
  ControlLayer* bankNames = plug->mMenuLayers[10];
  edit(*plug, kControlLibrary, 1);
  EXPECT_EQ(plug->GetParam(kControlProgBank)->Value(), 0.0);
  EXPECT_FALSE(bankNumbers->mVisible);
  EXPECT_TRUE(bankNames->mVisible);
  // A part switch in library-control mode selects the part's program in the upper pane.
  plug->GetParam(kMultiPartPatch + 3)->Set(42);
  edit(*plug, kQuickTab, 3);
  EXPECT_EQ(plug->mLibrarianView->selectedUpper, 42);
  edit(*plug, kControlProgBank, 1);
  EXPECT_EQ(plug->GetParam(kControlLibrary)->Value(), 0.0);
  EXPECT_TRUE(bankNumbers->mVisible);
  EXPECT_FALSE(bankNames->mVisible);
}

TEST_F(ParamChangesWindows, TheKeptBankFollowsTheSwitchsIntegerValue)
{
  auto plug = construct();
  // The switch's integer value decides: a value between 0 and 1 is not yet on.
  const std::pair<double, bool> cases[] = {
      {0.0, false}, {1.0, true}, {0.75, false}, {1.0, true}, {0.0, false}};
  for (const auto& [value, kept] : cases)
  {
    plug->GetParam(kKeepSelectedBank)->Set(value);
    plug->OnParamChange(kKeepSelectedBank);
    EXPECT_EQ(plug->mKeepSelectedBank, kept) << value;
  }
}

// The overlay image replaced by one whose border differs from its inside: where the drawn overlay ends
// shows whether it was scaled to the editor.
class OverlaySurface : public PluginFolderSurface
{
public:
  static constexpr LICE_pixel kBorder = LICE_RGBA(0, 0, 255, 255);
  static constexpr LICE_pixel kInside = LICE_RGBA(255, 0, 0, 255);
  static constexpr int kBorderWidth = 40;

  using PluginFolderSurface::PluginFolderSurface;

  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override
  {
    if (!name || std::strstr(name, "korvid-progress-overlay") == nullptr)
    {
      return PluginFolderSurface::OSLoadBitmap(id, name);
    }
    auto* image = new LICE_MemBitmap(Korvid::kEditorWidth, Korvid::kEditorHeight);
    LICE_FillRect(image, 0, 0, Korvid::kEditorWidth, Korvid::kEditorHeight, kBorder, 1.0f,
                  LICE_BLIT_MODE_COPY);
    LICE_FillRect(image, kBorderWidth, kBorderWidth, Korvid::kEditorWidth - 2 * kBorderWidth,
                  Korvid::kEditorHeight - 2 * kBorderWidth, kInside, 1.0f, LICE_BLIT_MODE_COPY);
    return image;
  }
};

TEST_F(ParamChangesWindows, TheBusyOverlayCoversTheEditorAtEverySize)
{
  struct Size
  {
    const char* settings;
    double scale;
    int width;
    int height;
    int overlayId;
  };
  const Size sizes[] = {{"white\nsmall\nyes", 0.85, 1275, 643, 122},
                        {"white\nnormal\nyes", 1.0, 1500, 757, 122},
                        {"black\nlarge\nyes", 1.15, 1724, 870, 995}};
  const std::string folder = pluginFolder();
  Korvid::setSurfaceFactory([folder](IPlugBase* plug, int w, int h) -> IGraphics*
                            { return new OverlaySurface(plug, w, h, folder); });
  for (const Size& size : sizes)
  {
    SCOPED_TRACE(size.settings);
    const char* image = size.overlayId == 122 ? "resources/img/korvid-progress-overlay.png"
                                              : "resources/img/korvid-progress-overlay-b.png";
    forgetCachedImage(size.overlayId, image, size.scale);
    writeSettings(size.settings);
    auto plug = construct();
    ASSERT_EQ(plug->getSurface()->Width(), size.width);
    ASSERT_EQ(plug->getSurface()->Height(), size.height);
    EXPECT_EQ(*plug->mProgressIndicator->GetRECT(), IRECT(0, 0, size.width, size.height));

    plug->DisplayProcessingIndicator(true);
    drawnArea(*plug);
    const LICE_IBitmap* drawn = plug->getSurface()->GetDrawBitmap();
    const int border = static_cast<int>(OverlaySurface::kBorderWidth * size.scale);
    const int w = size.width;
    const int h = size.height;
    // The border lies along all four edges of the editor, the inside fills the middle: scaled, not cut.
    struct Probe
    {
      int x;
      int y;
      LICE_pixel expected;
    };
    const Probe probes[] = {
        {0, 0, OverlaySurface::kBorder},
        {w - 1, h - 1, OverlaySurface::kBorder},
        {w - 1, 0, OverlaySurface::kBorder},
        {0, h - 1, OverlaySurface::kBorder},
        {w - border / 2, h / 2, OverlaySurface::kBorder},
        {w / 2, h - border / 2, OverlaySurface::kBorder},
        {w / 2, h / 2, OverlaySurface::kInside},
        {w - 2 * border, h - 2 * border, OverlaySurface::kInside},
        {2 * border, 2 * border, OverlaySurface::kInside},
    };
    for (const Probe& probe : probes)
    {
      EXPECT_EQ(drawn->getPixel(probe.x, probe.y) & 0xFFFFFF, probe.expected & 0xFFFFFF)
          << "at " << probe.x << ", " << probe.y;
    }
    plug->DisplayProcessingIndicator(false);
    // Hidden again, the whole editor is drawn anew without it.
    EXPECT_EQ(drawnArea(*plug), IRECT(0, 0, w, h));
    EXPECT_NE(drawn->getPixel(w / 2, h / 2) & 0xFFFFFF, OverlaySurface::kInside & 0xFFFFFF);
    plug.reset();
    forgetCachedImage(size.overlayId, image, size.scale);
  }
}
} // namespace
