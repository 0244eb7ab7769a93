// TabSwitchFunctions: the page switch, the part switch and the refresh of a page's zones.
#include "TabSwitchFunctions.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "IParam.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "ProgressIndicator.h"

#include <array>
#include <cstddef>

namespace
{
constexpr int kMultiPage = 0;
constexpr int kLibrarianPage = 1;
constexpr int kOscillatorPage = 2;
constexpr int kFilterPage = 3;
constexpr int kModulationPage = 4;
constexpr int kEffectsPage = 5;

// Rows of Korvid::mMenuLayers (the librarian menu table).
constexpr size_t kUpperPopupMenu = 0;
constexpr size_t kLowerPopupMenu = 1;
constexpr size_t kLeftPerformanceMenu = 2;
constexpr size_t kRightPerformanceMenu = 3;
constexpr size_t kBankEditMenu = 4;
constexpr size_t kRightPatchMenu = 5;
constexpr size_t kRightSearchMenu = 8;
constexpr size_t kTransientMenus[] = {kUpperPopupMenu,       kLowerPopupMenu, kLeftPerformanceMenu,
                                      kRightPerformanceMenu, kRightPatchMenu, kRightSearchMenu,
                                      kBankEditMenu};

// Effect 2 follows the first part's type on every part.
constexpr int kFirstPartEffect2Mode = kEffect2Mode;
constexpr int kEffect2Bypass = 0;
// Effects 1 of parts 5 to 16 do not sound in a multi.
constexpr int kPartsWithEffect1 = 4;

constexpr const char* kCategoryNames[] = {"Init", "Arp",  "Atmo", "Bass", "Drum", "FX", "Keys",
                                          "Lead", "Mono", "Pad",  "Perc", "Poly", "Seq"};

enum class Variant
{
  Main,
  Quick
};

void hide(ControlLayer* layer, bool hidden)
{
  if (layer)
  {
    layer->Hide(hidden);
  }
}

template <size_t N> void hideAll(const std::array<ControlLayer*, N>& layers)
{
  for (ControlLayer* layer : layers)
  {
    hide(layer, true);
  }
}

bool isPart(int part)
{
  return part >= 0 && part < Korvid::kPartCount;
}

// The value of a per-part parameter family for part p; 0 outside the sixteen parts or the table.
double partValue(Korvid* plug, int base, int part)
{
  if (!isPart(part))
  {
    return 0.0;
  }
  const IParam* param = plug->GetParam(base + part);
  return param ? param->Value() : 0.0;
}

int partInt(Korvid* plug, int base, int part)
{
  return static_cast<int>(partValue(plug, base, part));
}

// The sub-layer of a layer at a position, or null.
ControlLayer* subLayerAt(ControlLayer* layer, int position)
{
  if (!layer || position < 0 || static_cast<size_t>(position) >= layer->mSubLayers.size())
  {
    return nullptr;
  }
  return layer->mSubLayers[static_cast<size_t>(position)];
}

void showBankAndProgram(Korvid* plug, int part)
{
  const size_t multi = static_cast<size_t>(Korvid::kPartCount);
  if (plug->mMultiMode)
  {
    hide(plug->mBankAndProgramLayers[multi], false);
  }
  else if (isPart(part))
  {
    hide(plug->mBankAndProgramLayers[static_cast<size_t>(part)], false);
  }
}

void showPatchName(Korvid* plug, int part)
{
  if (!isPart(part))
  {
    return;
  }
  if (IParam* name = plug->GetParam(kPatchName + part))
  {
    plug->displayPatchName(name->GetDisplayText(0));
  }
}

void showCategory(Korvid* plug, int part)
{
  if (isPart(part))
  {
    plug->displayCategoryName(TabSwitchFunctions::categoryName(partInt(plug, kCategoryName, part)));
  }
}

// Shows the part's sub-layer of a page and hides the page's other sub-layers.
void selectPart(ControlLayer* page, int part)
{
  page->mSelectedId = part;
  for (ControlLayer* layer : page->mSubLayers)
  {
    if (layer)
    {
      layer->Hide(layer->mId != part);
    }
  }
}

// Zone operations on the part sub-layer P of a page; nothing without one.
struct Zones
{
  ControlLayer* part;
  void show(int zone) const
  {
    if (part)
    {
      part->showMultiLayers(zone);
    }
  }
  void gray(int zone, bool gray) const
  {
    if (part)
    {
      part->GrayOutCustomZone(gray, zone);
    }
  }
};

void showBusy(Korvid* plug, bool show)
{
  if (plug->mProgressIndicator)
  {
    plug->mProgressIndicator->Hide(!show);
  }
  hide(plug->mProgressLayer, !show);
}

// The busy overlay belongs to a running transfer: the page switch leaves it alone meanwhile.
bool transferRunning(Korvid* plug)
{
  return plug->ThreadRunning() || plug->mProcessingOverlay;
}

// The upper pane follows the part's program unless the selected bank is kept open.
void followPartProgram(Korvid* plug, int part)
{
  if (plug->mKeepSelectedBank)
  {
    return;
  }
  const int slot = partInt(plug, kMultiPartPatch, part);
  plug->selectLibrarianSlot(LibrarianViewControl::kUpperPane, slot);
  if (LibrarianViewControl* view = plug->mLibrarianView)
  {
    view->patchSelectionUpperChanged();
  }
  if (plug->mPatchLibrarian)
  {
    plug->mPatchLibrarian->mCurrentSlot = slot;
  }
  if (isPart(part))
  {
    plug->OnParamChange(kCurrentPatchBank + part);
  }
}

void refreshLibrarianMain(Korvid* plug, int part)
{
  const bool busyFree = !transferRunning(plug);
  if (busyFree)
  {
    showBusy(plug, true);
  }
  if (plug->mRandomizeControl)
  {
    plug->mRandomizeControl->GrayOut(true);
  }
  if (LibrarianViewControl* view = plug->mLibrarianView)
  {
    EditorLock::Get().RunOrDefer(view, [view]() { view->dragEnabled = true; });
  }
  hide(plug->mMenuLayers[kBankEditMenu], false);
  hide(plug->mKeepBankOpenLayer, false);
  const IParam* unsaved = plug->GetParam(kBankEditUnsaved);
  if (unsaved && unsaved->Value() == 1.0)
  {
    hide(plug->mDiscardChangesLayerRight, false);
    hide(plug->mKeepBankOpenLayer, true);
  }
  hide(plug->mSaveChangesLayer, false);
  followPartProgram(plug, part);
  if (plug->mMultiMode)
  {
    hide(plug->mMenuLayers[kLeftPerformanceMenu], false);
    hide(plug->mMenuLayers[kRightPerformanceMenu], false);
  }
  else
  {
    // The search field while SEARCH is on, with or without results listed; the categories otherwise.
    const IParam* search = plug->GetParam(kPatchSearch);
    const bool searchOn = !plug->mCategoryList && search && search->Int() == 1;
    hide(plug->mCategoryLimitLayer, searchOn);
    hide(plug->mSearchFieldLayer, !searchOn);
    hide(plug->mMenuLayers[kUpperPopupMenu], false);
    if (plug->mCategoryList)
    {
      hide(plug->mMenuLayers[kRightPatchMenu], false);
    }
    else if (plug->mSearchList)
    {
      hide(plug->mMenuLayers[kRightSearchMenu], false);
    }
    else
    {
      hide(plug->mMenuLayers[kLowerPopupMenu], false);
    }
  }
  if (busyFree)
  {
    showBusy(plug, false);
  }
}

void refreshLibrarianQuick(Korvid* plug, int part)
{
  const bool busyFree = !transferRunning(plug);
  if (busyFree)
  {
    showBusy(plug, true);
  }
  followPartProgram(plug, part);
  if (busyFree)
  {
    showBusy(plug, false);
  }
  const int slot = partInt(plug, kMultiPartPatch, part);
  if (LibrarianViewControl* view = plug->mLibrarianView)
  {
    EditorLock::Get().RunOrDefer(view, [view, slot]() { view->select(view->activePane, slot); });
  }
}

// Zones of oscillator 1 (first 10) or 2 (first 40) by shape: pulse width, wavetable limit, brilliance.
void refreshOscillatorZones(const Zones& zones, int firstZone, int shape)
{
  bool pulse = false;
  bool limit = false;
  bool brilliance = false;
  if (shape == 1)
  {
    pulse = brilliance = true;
  }
  else if (shape == 2)
  {
    brilliance = true;
  }
  else if (shape >= 5)
  {
    pulse = limit = brilliance = true;
  }
  zones.gray(firstZone, !pulse);
  zones.gray(firstZone + 10, !limit);
  zones.gray(firstZone + 20, !brilliance);
}

void refreshOscillators(Korvid* plug, const Zones& zones, int part)
{
  const int sample1 = partInt(plug, kOsc1UseSampleMemory, part);
  zones.show(10);
  zones.show(20);
  zones.show(30);
  if (sample1 != 1)
  {
    refreshOscillatorZones(zones, 10, partInt(plug, kOscillator1Shape, part));
  }
  const int sample2 = partInt(plug, kOsc2UseSampleMemory, part);
  zones.show(40);
  zones.show(50);
  zones.show(60);
  if (sample2 != 1)
  {
    refreshOscillatorZones(zones, 40, partInt(plug, kOscillator2Shape, part));
  }
  const int shape3 = partInt(plug, kOscillator3Shape, part);
  zones.show(70);
  zones.gray(70, shape3 != 1);
  zones.show(80);
  zones.gray(80, shape3 != 1 && shape3 != 2);
  zones.show(90 + sample1);
  zones.show(100 + sample2);
}

// Position of the filter picture for a filter type in the six layers of one filter, or -1 for none.
int filterPicture(int type)
{
  if (type <= 0)
  {
    return -1;
  }
  if (type >= 11)
  {
    return 0;
  }
  if (type <= 8)
  {
    return (type - 1) / 2; // LP, BP, HP, notch: two types each (12 and 24 dB)
  }
  return type - 5; // 9 comb-, 10 comb+
}

void showFilterPictures(Korvid* plug, int part)
{
  const int types[] = {partInt(plug, kFilter1Type, part), partInt(plug, kFilter2Type, part)};
  for (size_t filter = 0; filter < 2; ++filter)
  {
    for (size_t t = 0; t < 6; ++t)
    {
      hide(plug->mFilterTypeLayers[filter * 6 + t], true);
    }
    const int shown = filterPicture(types[filter]);
    if (shown >= 0)
    {
      hide(plug->mFilterTypeLayers[filter * 6 + static_cast<size_t>(shown)], false);
    }
  }
}

void refreshFilters(Korvid* plug, const Zones& zones, int part)
{
  zones.show(10 + partInt(plug, kFilterEnvMode, part));
  zones.show(20 + partInt(plug, kAmpEnvMode, part));
  zones.show(30 + partInt(plug, kEnvelope3Mode, part));
  zones.show(40 + partInt(plug, kEnvelope4Mode, part));
  // Both variants: the main switch has hidden every picture, and the page must not come back without one.
  showFilterPictures(plug, part);
}

void refreshModulation(Korvid* plug, const Zones& zones, int part)
{
  const int clocks[] = {kLFO1Clock, kLFO2Clock, kLFO3Clock};
  for (int lfo = 1; lfo <= 3; ++lfo)
  {
    zones.show(10 * lfo);
    zones.gray(10 * lfo, partInt(plug, clocks[lfo - 1], part) == 1);
  }
}

void showEffect2(Korvid* plug)
{
  const IParam* mode = plug->GetParam(kFirstPartEffect2Mode);
  const int type = mode ? mode->Int() : -1;
  if (type < 0 || static_cast<size_t>(type) >= plug->mEffectTypeLayers.size())
  {
    return;
  }
  ControlLayer* layer = plug->mEffectTypeLayers[static_cast<size_t>(type)];
  hide(layer, false);
  if (layer && type == kEffect2Bypass)
  {
    layer->GrayOut(true);
  }
}

void refreshEffects(Korvid* plug, const Zones& zones, int part, Variant variant)
{
  const int type1 = partInt(plug, kEffect1Mode, part);
  zones.show(type1 + 10);
  zones.gray(type1 + 10, part >= kPartsWithEffect1);
  if (type1 == 0)
  {
    zones.gray(10, true);
  }
  if (variant == Variant::Main)
  {
    showEffect2(plug);
  }
}

void refreshPage(Korvid* plug, ControlLayer* page, int sel, int part, Variant variant)
{
  const Zones zones{page ? subLayerAt(page, page->mSelectedId) : nullptr};
  switch (sel)
  {
  case kLibrarianPage:
    if (variant == Variant::Main)
    {
      refreshLibrarianMain(plug, part);
    }
    else
    {
      refreshLibrarianQuick(plug, part);
    }
    break;
  case kOscillatorPage:
    refreshOscillators(plug, zones, part);
    break;
  case kFilterPage:
    refreshFilters(plug, zones, part);
    break;
  case kModulationPage:
    refreshModulation(plug, zones, part);
    break;
  case kEffectsPage:
    refreshEffects(plug, zones, part, variant);
    break;
  default:
    break;
  }
}

// Keeps the page selector on the page shown, also when the switch was not caused by the selector.
void followPageSelector(Korvid* plug, int tab)
{
  IParam* selector = plug->GetParam(kMainTab);
  if (!selector || selector->Value() == static_cast<double>(tab))
  {
    return;
  }
  selector->Set(static_cast<double>(tab));
  if (IGraphics* surface = plug->GetGUI())
  {
    surface->SetParameterFromPlug(kMainTab, static_cast<double>(tab), false);
  }
}
} // namespace

const char* TabSwitchFunctions::categoryName(int value)
{
  const int count = static_cast<int>(sizeof(kCategoryNames) / sizeof(kCategoryNames[0]));
  return value >= 0 && value < count ? kCategoryNames[value] : "";
}

void TabSwitchFunctions::mainTabSwitch(Korvid* plug, int, int tab, int part)
{
  if (!plug)
  {
    return;
  }
  ControlLayer* root = plug->mRootLayer;
  if (root)
  {
    root->mSelectedId = tab;
    for (ControlLayer* page : root->mSubLayers)
    {
      hide(page, !page || page->mId != tab);
    }
  }
  hide(plug->mMiniMixerLayer, tab == kMultiPage);
  for (size_t row : kTransientMenus)
  {
    hide(plug->mMenuLayers[row], true);
  }
  hideAll(plug->mFilterTypeLayers);
  if (plug->mRandomizeControl)
  {
    plug->mRandomizeControl->GrayOut(true);
  }
  hide(plug->mMultiModeSettingsPage1Layer, true);
  hideAll(plug->mMultiSettingsPartLayers);
  hideAll(plug->mEffectTypeLayers);
  hide(plug->mCategoryLimitLayer, true);
  hide(plug->mSearchFieldLayer, true);
  hide(plug->mDiscardChangesLayerRight, true);
  hide(plug->mKeepBankOpenLayer, true);
  hide(plug->mSaveChangesLayer, true);
  hideAll(plug->mBankAndProgramLayers);
  showBankAndProgram(plug, part);
  showPatchName(plug, part);
  // The category of the part's current value, as the part switch shows it.
  showCategory(plug, part);
  followPageSelector(plug, tab);

  if (tab == kMultiPage)
  {
    for (int i = 0; i < Korvid::kPartCount; ++i)
    {
      hide(plug->mBankAndProgramLayers[static_cast<size_t>(i)], true);
    }
    hide(plug->mBankAndProgramLayers[static_cast<size_t>(Korvid::kPartCount)], false);
    hide(plug->mMultiModeSettingsPage1Layer, false);
    for (int i = 0; i < Korvid::kPartCount; ++i)
    {
      // A value that is not a number compares false: the row stays hidden.
      hide(plug->mMultiSettingsPartLayers[static_cast<size_t>(i)],
           !(partValue(plug, kMultiPartSettings, i) >= 1.0));
    }
  }
  if (!root || tab < 1)
  {
    return;
  }
  if (plug->mRandomizeControl)
  {
    plug->mRandomizeControl->GrayOut(false);
  }
  ControlLayer* page = subLayerAt(root, tab);
  if (page)
  {
    selectPart(page, part);
  }
  refreshPage(plug, page, tab, part, Variant::Main);
}

void TabSwitchFunctions::quickTabSwitch(Korvid* plug, int paramIdx, int part, bool partSwitchSeen)
{
  if (!plug)
  {
    return;
  }
  const IParam* quickTab = plug->GetParam(paramIdx);
  const int shownPart = quickTab ? quickTab->Int() : part;
  hideAll(plug->mBankAndProgramLayers);
  showBankAndProgram(plug, part);
  ControlLayer* root = plug->mRootLayer;
  const int sel = root ? root->mSelectedId.load() : -1;
  ControlLayer* page = sel >= 1 ? subLayerAt(root, sel) : nullptr;
  if (!page)
  {
    return;
  }
  selectPart(page, part);
  plug->mCurrentPart = shownPart;
  refreshPage(plug, page, sel, shownPart, Variant::Quick);
  showPatchName(plug, part);
  showCategory(plug, shownPart);
  if (!partSwitchSeen)
  {
    plug->mQuickTabFlag = true;
  }
}
