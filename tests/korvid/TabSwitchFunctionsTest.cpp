// The page and part switches on the editor built from the project's real resources: which pages, panels
// and zones are shown or greyed for the open page, the edited part and its sound settings.
#include "KorvidTestSupport.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "ProgressIndicator.h"
#include "TabSwitchFunctions.h"

#include <cmath>
#include <string>
#include <vector>

using namespace korvidtest;

namespace
{
enum Page
{
  kMulti = 0,
  kLibrarian = 1,
  kOscillators = 2,
  kFilters = 3,
  kModulation = 4,
  kEffects = 5
};

class TabSwitch : public StartupFixture
{
protected:
  TabSwitch()
  {
    useResources(pluginFolder());
    plug = construct();
  }

  // Sets a stored value without running its edit.
  void set(int paramIdx, double value) { plug->GetParam(paramIdx)->Set(value); }

  // An edit made in the editor: stored, then its handler.
  void edit(int paramIdx, double value)
  {
    IParam* param = plug->GetParam(paramIdx);
    plug->SetParameterFromGUI(paramIdx, param->GetNormalized(value));
  }

  ControlLayer* page(int id) const
  {
    for (ControlLayer* layer : plug->mRootLayer->mSubLayers)
    {
      if (layer->mId == id)
        return layer;
    }
    return nullptr;
  }

  ControlLayer* zone(int pageId, int part, int id) const
  {
    ControlLayer* partLayer = page(pageId)->mSubLayers.at(static_cast<size_t>(part));
    for (ControlLayer* layer : partLayer->mSubLayers)
    {
      if (layer->mId == id)
        return layer;
    }
    return nullptr;
  }

  bool shown(int pageId, int part, int id) const
  {
    ControlLayer* z = zone(pageId, part, id);
    return z && z->mVisible;
  }

  // A zone is greyed when its controls are.
  bool grayed(int pageId, int part, int id) const
  {
    ControlLayer* z = zone(pageId, part, id);
    return z && !z->mControls.empty() && z->mControls.back()->IsGrayed();
  }

  std::vector<std::string> shownFilterPictures() const
  {
    std::vector<std::string> names;
    for (ControlLayer* layer : plug->mFilterTypeLayers)
    {
      if (layer && layer->mVisible)
        names.push_back(layer->mName);
    }
    return names;
  }

  std::vector<std::string> shownEffect2Panels() const
  {
    std::vector<std::string> names;
    for (ControlLayer* layer : plug->mEffectTypeLayers)
    {
      if (layer && layer->mVisible)
        names.push_back(layer->mName);
    }
    return names;
  }

  std::unique_ptr<Korvid> plug;
};

TEST_F(TabSwitch, TheMultiPageShowsTheMultiSettingsAndTheOpenPartRows)
{
  ASSERT_TRUE(plug->getMissingElements().empty());
  set(kMultiPartSettings + 3, 1.0);
  set(kMultiPartSettings + 7, 0.99);
  set(kMultiPartSettings + 9, std::nan(""));
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kMulti, 4);
  EXPECT_FALSE(plug->mMiniMixerLayer->mVisible);
  EXPECT_TRUE(plug->mRandomizeControl->IsGrayed());
  EXPECT_TRUE(plug->mMultiModeSettingsPage1Layer->mVisible);
  EXPECT_TRUE(plug->mBankAndProgramLayers[Korvid::kPartCount]->mVisible);
  for (int i = 0; i < Korvid::kPartCount; ++i)
  {
    EXPECT_FALSE(plug->mBankAndProgramLayers[static_cast<size_t>(i)]->mVisible) << i;
    EXPECT_EQ(plug->mMultiSettingsPartLayers[static_cast<size_t>(i)]->mVisible, i == 3) << i;
  }
  for (ControlLayer* layer : plug->mRootLayer->mSubLayers)
  {
    EXPECT_EQ(layer->mVisible, layer->mId == kMulti) << layer->mName;
  }
}

TEST_F(TabSwitch, SoundPagesShowTheMixerAndTheEditedPartOnly)
{
  for (int tab = kLibrarian; tab <= kEffects; ++tab)
  {
    TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, tab, 6);
    EXPECT_TRUE(plug->mMiniMixerLayer->mVisible) << tab;
    // Randomizing works on a sound page, not in the librarian.
    EXPECT_EQ(plug->mRandomizeControl->IsGrayed(), tab == kLibrarian) << tab;
    EXPECT_TRUE(plug->mBankAndProgramLayers[6]->mVisible) << tab;
    EXPECT_FALSE(plug->mBankAndProgramLayers[Korvid::kPartCount]->mVisible) << tab;
    EXPECT_FALSE(plug->mMultiModeSettingsPage1Layer->mVisible) << tab;
    for (ControlLayer* layer : plug->mRootLayer->mSubLayers)
    {
      EXPECT_EQ(layer->mVisible, layer->mId == tab) << layer->mName;
    }
    if (tab >= kOscillators)
    {
      for (ControlLayer* part : page(tab)->mSubLayers)
      {
        EXPECT_EQ(part->mVisible, part->mId == 6) << tab << " " << part->mName;
      }
    }
  }
}

TEST_F(TabSwitch, ThePageSelectorFollowsEverySwitch)
{
  edit(kMainTab, kFilters);
  EXPECT_TRUE(page(kFilters)->mVisible);
  // The multi settings switch opens page 0, and the selector goes with it.
  TabSwitchFunctions::mainTabSwitch(plug.get(), 0, kMulti, 0);
  EXPECT_EQ(plug->GetParam(kMainTab)->Value(), 0.0);
}

TEST_F(TabSwitch, TheShownPatchNameAndCategoryAreThePartsOwn)
{
  plug->GetParam(kPatchName + 2)->SetDisplayText(0, "Warm Pad");
  set(kCategoryName + 2, 9.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kOscillators, 2);
  EXPECT_EQ(plug->getPatchNameText(), "Warm Pad");
  EXPECT_EQ(plug->getCategoryNameText(), "Pad");
  set(kQuickTab, 2.0);
  set(kCategoryName + 2, 13.0);
  TabSwitchFunctions::quickTabSwitch(plug.get(), kQuickTab, 2, false);
  EXPECT_EQ(plug->getCategoryNameText(), "");
  EXPECT_STREQ(TabSwitchFunctions::categoryName(0), "Init");
  EXPECT_STREQ(TabSwitchFunctions::categoryName(12), "Seq");
  EXPECT_STREQ(TabSwitchFunctions::categoryName(-1), "");
}

TEST_F(TabSwitch, APartSwitchOnTheMultiPageOnlyMovesTheBankSelector)
{
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kMulti, 0);
  plug->mCurrentPart = 0;
  set(kQuickTab, 5.0);
  TabSwitchFunctions::quickTabSwitch(plug.get(), kQuickTab, 5, true);
  EXPECT_TRUE(plug->mBankAndProgramLayers[5]->mVisible);
  EXPECT_FALSE(plug->mBankAndProgramLayers[Korvid::kPartCount]->mVisible);
  EXPECT_EQ(plug->mCurrentPart, 0);
  EXPECT_TRUE(page(kMulti)->mVisible);

  // In multi mode the multi's selector is the one shown, whatever the part.
  plug->mMultiMode = true;
  TabSwitchFunctions::quickTabSwitch(plug.get(), kQuickTab, 5, true);
  for (size_t i = 0; i < plug->mBankAndProgramLayers.size(); ++i)
  {
    EXPECT_EQ(plug->mBankAndProgramLayers[i]->mVisible, i == Korvid::kPartCount) << i;
  }
}

TEST_F(TabSwitch, APartSwitchOnASoundPageShowsThatPart)
{
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kModulation, 0);
  plug->mQuickTabFlag = false;
  edit(kQuickTab, 9.0);
  EXPECT_EQ(plug->mCurrentPart, 9);
  for (ControlLayer* part : page(kModulation)->mSubLayers)
  {
    EXPECT_EQ(part->mVisible, part->mId == 9) << part->mName;
  }
  EXPECT_TRUE(plug->mBankAndProgramLayers[9]->mVisible);
  // The switch from the synthesizer's data marks the part switch as seen.
  set(kQuickTab, 10.0);
  plug->OnParamChange2(kQuickTab);
  EXPECT_EQ(plug->mCurrentPart, 10);
  EXPECT_TRUE(plug->mQuickTabFlag);
}

TEST_F(TabSwitch, OscillatorZonesFollowShapeAndSampleUse)
{
  const int part = 3;
  set(kOscillator1Shape + part, 1.0); // pulse: width and brilliance
  set(kOscillator2Shape + part, 2.0); // saw: brilliance only
  set(kOscillator3Shape + part, 2.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kOscillators, part);
  for (int z : {10, 20, 30, 40, 50, 60, 70, 80, 90, 100})
  {
    EXPECT_TRUE(shown(kOscillators, part, z)) << z;
  }
  EXPECT_FALSE(shown(kOscillators, part, 91));
  EXPECT_FALSE(grayed(kOscillators, part, 10));
  EXPECT_TRUE(grayed(kOscillators, part, 20));
  EXPECT_FALSE(grayed(kOscillators, part, 30));
  EXPECT_TRUE(grayed(kOscillators, part, 40));
  EXPECT_TRUE(grayed(kOscillators, part, 50));
  EXPECT_FALSE(grayed(kOscillators, part, 60));
  EXPECT_TRUE(grayed(kOscillators, part, 70));
  EXPECT_FALSE(grayed(kOscillators, part, 80));

  // A wavetable opens every zone; sine greys them all.
  set(kOscillator1Shape + part, 6.0);
  set(kOscillator2Shape + part, 4.0);
  set(kOscillator3Shape + part, 3.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kOscillators, part);
  for (int z : {10, 20, 30})
  {
    EXPECT_FALSE(grayed(kOscillators, part, z)) << z;
  }
  for (int z : {40, 50, 60, 70, 80})
  {
    EXPECT_TRUE(grayed(kOscillators, part, z)) << z;
  }

  // With sample memory the shape's zones keep their state and the sample menu replaces the shape menu.
  set(kOsc2UseSampleMemory + part, 1.0);
  set(kOscillator2Shape + part, 6.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kOscillators, part);
  EXPECT_TRUE(shown(kOscillators, part, 101));
  EXPECT_FALSE(shown(kOscillators, part, 100));
  EXPECT_TRUE(grayed(kOscillators, part, 40));
  EXPECT_TRUE(shown(kOscillators, part, 90));

  // A sound of the part arriving on its open page refreshes it: oscillator 2 leaves the samples.
  constexpr size_t kOsc2SamplesByte = 38;
  std::vector<unsigned char> sound = madeSound(part);
  sound[kOsc2SamplesByte] = 0;
  set(kQuickTab, plug->mCurrentPart = part);
  plug->mMIDIMessageManager->dumpExpected = true;
  ISysEx sysex(0, sound.data(), static_cast<int>(sound.size()));
  plug->mMIDIMessageManager->ProcessSysEx(&sysex, true, true);
  EXPECT_TRUE(shown(kOscillators, part, 100) && !shown(kOscillators, part, 101));
}

TEST_F(TabSwitch, EditsOfShapesAndTriggersRefreshTheOpenPage)
{
  const int part = 2;
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kOscillators, part);
  plug->mCurrentPart = part;
  set(kQuickTab, part);
  set(kOscillator1Wavetable + part, 12.0);
  edit(kOscillator1Shape + part, 1.0);
  EXPECT_FALSE(grayed(kOscillators, part, 10));
  EXPECT_TRUE(grayed(kOscillators, part, 20));
  // A new shape starts on the first wavetable, stored and shown.
  EXPECT_EQ(plug->GetParam(kOscillator1Wavetable + part)->Value(), 0.0);

  // The sample trigger flips sample use on and shows the sample menu; the release changes nothing.
  edit(kTriggerOscillator1Samples + part, 1.0);
  EXPECT_EQ(plug->GetParam(kOsc1UseSampleMemory + part)->Value(), 1.0);
  EXPECT_EQ(plug->GetParam(kOscillator1Sample + part)->Value(), 1.0) << "the shape byte the synth holds";
  EXPECT_TRUE(shown(kOscillators, part, 91));
  EXPECT_FALSE(shown(kOscillators, part, 90));
  edit(kTriggerOscillator1Samples + part, 0.0);
  EXPECT_EQ(plug->GetParam(kOsc1UseSampleMemory + part)->Value(), 1.0);
  set(kOscillator1Sample + part, 42.0);
  edit(kTriggerOscillator1Samples + part, 1.0);
  EXPECT_EQ(plug->GetParam(kOsc1UseSampleMemory + part)->Value(), 0.0);
  EXPECT_TRUE(shown(kOscillators, part, 90));
  EXPECT_EQ(plug->GetParam(kOscillator1Wavetable + part)->Value(), 35.0) << "shape 7: sample 43's byte";

  // A shape from the synthesizer's data keeps the wavetable that came with it.
  set(kOscillator1Wavetable + part, 9.0);
  set(kOscillator1Shape + part, 2.0);
  plug->OnParamChange2(kOscillator1Shape + part);
  EXPECT_EQ(plug->GetParam(kOscillator1Wavetable + part)->Value(), 9.0);

  // A trigger without a page refresh still flips its target.
  edit(kTriggerOscillator2SyncToOsc3 + part, 1.0);
  EXPECT_EQ(plug->GetParam(kOscillator2SyncToOsc3 + part)->Value(), 1.0);
}

TEST_F(TabSwitch, FilterPicturesFollowTheFilterTypes)
{
  const int part = 4;
  set(kQuickTab, part);
  set(kFilter1Type + part, 11.0);
  set(kFilter2Type + part, 3.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kFilters, part);
  // Coming back to the page shows the pictures of the part's types.
  EXPECT_EQ(shownFilterPictures(), (std::vector<std::string>{"filter1LP", "filter2BP"}));
  set(kFilter2Type + part, 0.0);
  TabSwitchFunctions::quickTabSwitch(plug.get(), kQuickTab, part, false);
  EXPECT_EQ(shownFilterPictures(), (std::vector<std::string>{"filter1LP"}));
  const std::pair<int, const char*> table[] = {
      {1, "filter1LP"},        {2, "filter1LP"},       {3, "filter1BP"},    {4, "filter1BP"},
      {5, "filter1HP"},        {6, "filter1HP"},       {7, "filter1Notch"}, {8, "filter1Notch"},
      {9, "filter1CombMinus"}, {10, "filter1CombPlus"}};
  plug->mCurrentPart = part;
  for (const auto& row : table)
  {
    edit(kFilter1Type + part, row.first);
    EXPECT_EQ(shownFilterPictures(), (std::vector<std::string>{row.second})) << row.first;
  }
  // Another page hides them.
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kModulation, part);
  EXPECT_TRUE(shownFilterPictures().empty());
}

TEST_F(TabSwitch, EnvelopeZonesFollowTheModes)
{
  const int part = 1;
  set(kFilterEnvMode + part, 2.0);
  set(kAmpEnvMode + part, 0.0);
  set(kEnvelope3Mode + part, 4.0);
  set(kEnvelope4Mode + part, 1.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kFilters, part);
  for (int z = 10; z <= 44; ++z)
  {
    if (zone(kFilters, part, z))
    {
      EXPECT_EQ(shown(kFilters, part, z), z == 12 || z == 20 || z == 34 || z == 41) << z;
    }
  }
}

TEST_F(TabSwitch, ClockedLfosGreyTheirKeytrack)
{
  const int part = 7;
  set(kLFO1Clock + part, 1.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kModulation, part);
  EXPECT_TRUE(grayed(kModulation, part, 10));
  EXPECT_FALSE(grayed(kModulation, part, 20));
  plug->mCurrentPart = part;
  set(kQuickTab, part);
  edit(kTriggerLFO2Clock + part, 1.0);
  EXPECT_TRUE(grayed(kModulation, part, 20));
  edit(kTriggerLFO1Clock + part, 1.0);
  EXPECT_FALSE(grayed(kModulation, part, 10));
}

TEST_F(TabSwitch, EffectPanelsFollowTypesAndParts)
{
  set(kEffect1Mode + 0, 2.0);
  set(kEffect1Mode + 5, 3.0);
  set(kEffect2Mode + 0, 0.0);
  set(kEffect2Mode + 5, 8.0); // a later part's effect 2 is not what the panel shows
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kEffects, 0);
  EXPECT_TRUE(shown(kEffects, 0, 12));
  EXPECT_FALSE(grayed(kEffects, 0, 12));
  EXPECT_EQ(shownEffect2Panels(), (std::vector<std::string>{"Bypass"}));
  EXPECT_TRUE(plug->mEffectTypeLayers[0]->mControls.front()->IsGrayed());

  // Parts 5 to 16 have no effect 1 in a multi; effect 2 stays the first part's after a part switch.
  plug->mCurrentPart = 5;
  edit(kQuickTab, 5.0);
  EXPECT_TRUE(shown(kEffects, 5, 13));
  EXPECT_TRUE(grayed(kEffects, 5, 13));
  EXPECT_EQ(shownEffect2Panels(), (std::vector<std::string>{"Bypass"}));

  // Bypass greys the first zone on every part.
  set(kEffect1Mode + 1, 0.0);
  plug->mCurrentPart = 1;
  edit(kQuickTab, 1.0);
  EXPECT_TRUE(grayed(kEffects, 1, 10));

  // Editing the types on the page switches the panels.
  edit(kEffect2Mode + 0, 6.0);
  EXPECT_EQ(shownEffect2Panels(), (std::vector<std::string>{"Delay"}));
  edit(kEffect1Mode + 1, 4.0);
  EXPECT_TRUE(shown(kEffects, 1, 14));
  EXPECT_FALSE(shown(kEffects, 1, 10));
  EXPECT_FALSE(grayed(kEffects, 1, 14));
  // A new effect 1 type of part 6 stays greyed like the one before.
  plug->mCurrentPart = 5;
  edit(kQuickTab, 5.0);
  edit(kEffect1Mode + 5, 1.0);
  EXPECT_TRUE(shown(kEffects, 5, 11));
  EXPECT_TRUE(grayed(kEffects, 5, 11));
}

TEST_F(TabSwitch, TheLibrarianPageShowsTheMenusOfTheListKind)
{
  plug->mKeepSelectedBank = false;
  set(kMultiPartPatch + 2, 17.0);
  auto* firstLine = dynamic_cast<ITextControl*>(plug->mDisplayControls[0]);
  ASSERT_NE(firstLine, nullptr);
  plug->showStatusText("ready");
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarian, 2);
  // Following the part's program writes nothing into the control display.
  EXPECT_STREQ(firstLine->GetTextStr(), "ready");
  EXPECT_TRUE(plug->mLibrarianView->dragEnabled);
  EXPECT_EQ(plug->mLibrarianView->selectedUpper, 17);
  EXPECT_EQ(plug->mPatchLibrarian->mCurrentSlot, 17);
  EXPECT_TRUE(plug->mMenuLayers[4]->mVisible); // bank edit menu
  EXPECT_TRUE(plug->mKeepBankOpenLayer->mVisible);
  EXPECT_FALSE(plug->mDiscardChangesLayerRight->mVisible);
  EXPECT_TRUE(plug->mSaveChangesLayer->mVisible);
  EXPECT_TRUE(plug->mCategoryLimitLayer->mVisible);
  EXPECT_TRUE(plug->mMenuLayers[0]->mVisible); // upper sound banks
  EXPECT_TRUE(plug->mMenuLayers[1]->mVisible); // lower sound banks
  EXPECT_TRUE(plug->mProgressIndicator->IsHidden());

  set(kPatchSearch, 1.0); // SEARCH on, nothing found yet: its field, not the categories
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarian, 2);
  EXPECT_TRUE(plug->mSearchFieldLayer->mVisible && !plug->mCategoryLimitLayer->mVisible);
  // Unsaved bank edits offer discarding instead of keeping the bank open; search results their own menu.
  set(kBankEditUnsaved, 1.0);
  plug->mSearchList = true;
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarian, 2);
  EXPECT_TRUE(plug->mDiscardChangesLayerRight->mVisible);
  EXPECT_FALSE(plug->mKeepBankOpenLayer->mVisible);
  EXPECT_FALSE(plug->mCategoryLimitLayer->mVisible);
  EXPECT_TRUE(plug->mSearchFieldLayer->mVisible);
  EXPECT_TRUE(plug->mMenuLayers[8]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[1]->mVisible);

  // Multis: the two performance menus.
  plug->mMultiMode = true;
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarian, 2);
  EXPECT_TRUE(plug->mMenuLayers[2]->mVisible);
  EXPECT_TRUE(plug->mMenuLayers[3]->mVisible);
  EXPECT_FALSE(plug->mMenuLayers[0]->mVisible);

  // A part switch selects the part's program in the active pane.
  plug->mMultiMode = false;
  plug->mLibrarianView->activePane = 1;
  set(kMultiPartPatch + 4, 99.0);
  set(kQuickTab, 4.0);
  TabSwitchFunctions::quickTabSwitch(plug.get(), kQuickTab, 4, true);
  EXPECT_EQ(plug->mLibrarianView->selectedLower, 99);
  EXPECT_EQ(plug->mPatchLibrarian->mCurrentSlot, 99);
}

TEST_F(TabSwitch, TheSwitchesLeaveTheBusyOverlayOfARunningTransfer)
{
  plug->mProcessingOverlay = true;
  plug->mProgressIndicator->Hide(false);
  plug->mProgressLayer->Hide(false);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarian, 0);
  EXPECT_FALSE(plug->mProgressIndicator->IsHidden());
  set(kQuickTab, 1.0);
  TabSwitchFunctions::quickTabSwitch(plug.get(), kQuickTab, 1, true);
  EXPECT_FALSE(plug->mProgressIndicator->IsHidden());
  EXPECT_TRUE(plug->mProgressLayer->mVisible);
}

TEST_F(TabSwitch, KeepingTheSelectedBankLeavesTheLibrarianSelection)
{
  plug->mKeepSelectedBank = true;
  plug->mLibrarianView->selectedUpper = 5;
  set(kMultiPartPatch + 0, 40.0);
  TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, kLibrarian, 0);
  EXPECT_EQ(plug->mLibrarianView->selectedUpper, 5);
}
} // namespace
