// Start-up of the plug-in with the project's real resources: sizes, named layers, visibility, start values,
// the librarian menus, the log, and safe failure without or with damaged resources.
#include "KorvidTestSupport.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "ControllerTable.h"
#include "IControl.h"
#include "IGraphics.h"
#include "IPopupMenu.h"
#include "IPopupMenuControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "ProgressIndicator.h"
#include "UIConfigManager.h"

#include <fstream>
#include <set>
#include <sstream>

using namespace korvidtest;

namespace
{
class KorvidConstruction : public StartupFixture
{
protected:
  KorvidConstruction() { useResources(pluginFolder()); }

  static double value(Korvid& plug, int index) { return plug.GetParam(index)->Value(); }

  static ControlLayer* layerNamed(Korvid& plug, const std::string& name)
  {
    const auto& layers = plug.getUIConfigManager()->layerByName;
    const auto found = layers.find(name);
    return found == layers.end() ? nullptr : found->second;
  }

  static ControlLayer* topLayerNamed(Korvid& plug, const std::string& name)
  {
    IGraphics* surface = plug.getSurface();
    for (int i = 0; i < surface->NLayers(); ++i)
    {
      if (surface->GetLayer(i)->mName == name)
      {
        return surface->GetLayer(i);
      }
    }
    return nullptr;
  }
};

TEST_F(KorvidConstruction, BuildsTheWholeEditorWithEveryNamedLayer)
{
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  ASSERT_NE(plug->getUIConfigManager(), nullptr);
  EXPECT_TRUE(plug->getUIConfigManager()->resourcesOk());
  std::string missing;
  for (const std::string& what : plug->getMissingElements())
  {
    missing += what + "\n";
  }
  EXPECT_TRUE(plug->getMissingElements().empty()) << missing;
  EXPECT_TRUE(plug->mConstructed);
  EXPECT_EQ(plug->NHostParams(), 0);
  EXPECT_EQ(plug->NParams(), 8456);

  // Every reference the start-up keeps points at the layer of that name.
  EXPECT_EQ(plug->mRootLayer, layerNamed(*plug, "root"));
  for (ControlLayer* layer : plug->mOscillatorLayers)
  {
    EXPECT_EQ(layer, layerNamed(*plug, "oscillators"));
  }
  for (ControlLayer* layer : plug->mFiltersEnvelopesLayers)
  {
    EXPECT_EQ(layer, layerNamed(*plug, "filtersEnvelopes"));
  }
  EXPECT_EQ(plug->mBankAndProgramLayers[16], layerNamed(*plug, "bankAndProgramMulti"));
  EXPECT_EQ(plug->mMultiSettingsPartLayers[8], layerNamed(*plug, "multiSettingsPart09"));
  EXPECT_EQ(plug->mEffectTypeLayers[7], layerNamed(*plug, "DelayClocked"));
  EXPECT_EQ(plug->mSearchFieldLayer, layerNamed(*plug, "searchField"));
  EXPECT_NE(plug->mLibrarianView, nullptr);
  EXPECT_NE(plug->mRandomizeControl, nullptr);
  EXPECT_NE(plug->mMIDIMessageManager, nullptr);
  EXPECT_NE(plug->mMidiOutSelector, nullptr);
  for (IControl* control : plug->mMidiFilterControls)
  {
    EXPECT_NE(control, nullptr);
  }

  // A parameter that the synthesizer's controller chart moves keeps the type its page's menu or switch gives
  // it, so its menu opens as a menu.
  const std::pair<int, IParam::EParamType> shared[] = {{kFilter1Type, IParam::kTypeEnum},
                                                       {kArpMode + 15, IParam::kTypeEnum},
                                                       {kLFO1SyncOnOff + 3, IParam::kTypeBool},
                                                       {kFilter1Cutoff, IParam::kTypeDouble}};
  for (const auto& [index, type] : shared)
  {
    EXPECT_EQ(plug->GetParam(index)->Type(), type) << index;
  }
  // And none of the chart's parameters is left without the type its page control gives.
  for (const int first : ControllerTable::kParamOfController)
    for (int part = 0; first >= 0 && part < Korvid::kPartCount; ++part)
      EXPECT_NE(plug->GetParam(first + part)->Type(), IParam::kTypeNone) << first + part;
}

TEST_F(KorvidConstruction, StartsWithTheFirstPageAndTheDialogsHidden)
{
  writeSettings("white\nnormal\nyes");
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  EXPECT_TRUE(plug->mRootLayer->mVisible);
  // The first page is the multi page: the multi's bank/program layer and the multi settings, no small mixer.
  const size_t multi = static_cast<size_t>(Korvid::kPartCount);
  for (size_t i = 0; i < plug->mBankAndProgramLayers.size(); ++i)
  {
    EXPECT_EQ(plug->mBankAndProgramLayers[i]->mVisible, i == multi) << i;
  }
  EXPECT_TRUE(plug->mMultiModeSettingsPage1Layer->mVisible);
  EXPECT_FALSE(plug->mMiniMixerLayer->mVisible);
  std::vector<ControlLayer*> hidden(plug->mFilterTypeLayers.begin(), plug->mFilterTypeLayers.end());
  hidden.insert(hidden.end(), plug->mMultiSettingsPartLayers.begin(), plug->mMultiSettingsPartLayers.end());
  hidden.insert(hidden.end(), plug->mEffectTypeLayers.begin(), plug->mEffectTypeLayers.end());
  for (ControlLayer* layer :
       {plug->mSaveChangesLayer, plug->mDiscardChangesLayerRight, plug->mKeepBankOpenLayer,
        plug->mAboutWindowLayer, plug->mFirstRunNotificationLayer, plug->mBankPatchConflictWindowLayer,
        plug->mMidiFilterSettingsLayer, plug->mPatchRenameLayer, plug->mCategoryLimitLayer,
        plug->mSearchFieldLayer})
  {
    hidden.push_back(layer);
  }
  for (ControlLayer* layer : hidden)
  {
    ASSERT_NE(layer, nullptr);
    EXPECT_FALSE(layer->mVisible) << layer->mName;
  }
  // The first page: the page with id 0 of "root" is the only one shown, with the mini mixer.
  for (ControlLayer* page : plug->mRootLayer->mSubLayers)
  {
    if (page == plug->mMiniMixerLayer || page->mId != 0)
    {
      continue;
    }
    EXPECT_TRUE(page->mVisible) << page->mName;
  }
  EXPECT_EQ(plug->GetParam(kMainTab)->Value(), 0.0);
  EXPECT_TRUE(plug->mRandomizeControl->IsGrayed());
  EXPECT_FALSE(plug->mFirstRunShown);
}

TEST_F(KorvidConstruction, DrawsTheFirstPage)
{
  auto plug = construct();
  HeadlessSurface* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  ASSERT_NE(surface, nullptr);
  surface->OpenWindow(nullptr);
  ASSERT_TRUE(surface->Tick());
  const LICE_IBitmap* drawn = surface->GetDrawBitmap();
  ASSERT_NE(drawn, nullptr);
  std::set<LICE_pixel> colours;
  for (int y = 0; y < surface->Height(); y += 7)
  {
    for (int x = 0; x < surface->Width(); x += 7)
    {
      colours.insert(drawn->getPixel(x, y));
    }
  }
  // A background with knobs, texts and images, not one flat colour.
  EXPECT_GT(colours.size(), 100u);
  surface->CloseWindow();
}

TEST_F(KorvidConstruction, ShowsTheFirstRunNoticeWhenTheSettingsAskForIt)
{
  writeSettings("black\nlarge\nno");
  auto plug = construct();
  ASSERT_NE(plug->mFirstRunNotificationLayer, nullptr);
  EXPECT_TRUE(plug->mFirstRunNotificationLayer->mVisible);
  EXPECT_TRUE(plug->mFirstRunShown);
  EXPECT_EQ(plug->getSurface()->Width(), 1724);
  EXPECT_EQ(plug->getSurface()->Height(), 870);
  EXPECT_EQ(plug->GetParam(kUserInterfaceStyle)->Value(), 1.0);
  EXPECT_EQ(plug->GetParam(kUserInterfaceSize)->Value(), 2.0);
  // The black skin's overlay image covers the whole editor.
  ASSERT_NE(plug->mProgressIndicator, nullptr);
  EXPECT_NE(plug->mProgressIndicator->GetBitmap().pixels, nullptr);
  EXPECT_EQ(plug->mProgressIndicator->GetRECT()->R, 1724);
  EXPECT_TRUE(plug->getMissingElements().empty());
}

TEST_F(KorvidConstruction, SmallSizePlacesTheMenusAtScaledRectangles)
{
  writeSettings("white\nsmall\nyes");
  auto plug = construct();
  EXPECT_EQ(plug->getSurface()->Width(), 1275);
  EXPECT_EQ(plug->getSurface()->Height(), 643);
  const IRECT* upper = plug->mMenuLayers[0]->mControls.at(0)->GetRECT();
  EXPECT_EQ(*upper, IRECT(334, 159, 688, 175));
  EXPECT_EQ(*plug->mMenuLayers[1]->mControls.at(0)->GetRECT(), IRECT(334, 391, 688, 408));
  EXPECT_EQ(*plug->mMenuLayers[4]->mControls.at(0)->GetRECT(), IRECT(713, 158, 778, 174));
  EXPECT_EQ(*plug->mMenuLayers[6]->mControls.at(0)->GetRECT(), IRECT(1006, 51, 1044, 71));
  EXPECT_EQ(*plug->mMenuLayers[10]->mControls.at(0)->GetRECT(), IRECT(970, 51, 1003, 71));
  EXPECT_EQ(plug->GetParam(kUserInterfaceSize)->Value(), 0.0);
}

TEST_F(KorvidConstruction, AttachesTheElevenMenusAndThenTheProgressLayerLast)
{
  auto plug = construct();
  IGraphics* surface = plug->getSurface();
  ASSERT_NE(surface, nullptr);
  const char* names[] = {"UPPERPOPUPMENU",
                         "LOWERPOPUPMENU",
                         "LeftPerformancePopupMenu",
                         "RightPerformancePopupMenu",
                         "BANKEDITMENU",
                         "RightPatchPopupMenu",
                         "PROGRAMNUMBERMENU",
                         "BANKNUMBERMENUPROGRAMS",
                         "RightSearchPopupMenu",
                         "PERFBANKNAMEMENUPROGRAMS",
                         "PROGBANKNAMEMENUPROGRAMS"};
  const int n = surface->NLayers();
  ASSERT_GE(n, 12);
  EXPECT_EQ(surface->GetLayer(n - 1), plug->mProgressLayer);
  EXPECT_EQ(plug->mProgressLayer->mName, "PROGRESS");
  EXPECT_FALSE(plug->mProgressLayer->mVisible);
  EXPECT_TRUE(plug->mProgressIndicator->IsHidden());
  EXPECT_TRUE(plug->mProgressLayer->mIgnoreHidden);
  for (int row = 0; row < 11; ++row)
  {
    ControlLayer* layer = surface->GetLayer(n - 12 + row);
    EXPECT_EQ(layer, plug->mMenuLayers[static_cast<size_t>(row)]);
    EXPECT_EQ(layer->mName, names[row]);
    EXPECT_EQ(layer->mId, 70 + row);
    ASSERT_EQ(layer->mControls.size(), 1u);
    EXPECT_EQ(layer->mControls[0]->ParamIdx(), -1);
    EXPECT_EQ(layer->mVisible, row == 6 || row == 7) << names[row];
  }
  // Both cancel buttons sit in the progress layer and drive the cancel parameter.
  ASSERT_NE(plug->mCancelButtons[0], nullptr);
  ASSERT_NE(plug->mCancelButtons[1], nullptr);
  EXPECT_EQ(plug->mCancelButtons[0]->ParamIdx(), kCancelDataRequest);
  EXPECT_EQ(plug->mProgressLayer->mControls.size(), 3u);
  EXPECT_EQ(plug->mCancelButtons[1]->GetRECT()->L, 740);
  // The program menu lists 128 sounds in 13 ranges, program 1 ticked; the bank menu banks A to H.
  IPopupMenuControl* program = dynamic_cast<IPopupMenuControl*>(plug->mMenuLayers[6]->mControls[0]);
  ASSERT_NE(program, nullptr);
  ASSERT_EQ(program->getMenu().GetNItems(), 13);
  IPopupMenu* first = program->getMenu().GetItem(0)->GetSubmenu();
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->GetItemText(0), "Sound 001");
  EXPECT_TRUE(first->GetItem(0)->GetChecked());
  IPopupMenuControl* bank = dynamic_cast<IPopupMenuControl*>(plug->mMenuLayers[7]->mControls[0]);
  ASSERT_EQ(bank->getMenu().GetNItems(), 8);
  EXPECT_STREQ(bank->getMenu().GetItemText(7), "Bank H (RAM)");
}

TEST_F(KorvidConstruction, GivesThePartsAndFiltersTheirStartValues)
{
  auto plug = construct();
  for (int part = 0; part < 16; ++part)
  {
    EXPECT_EQ(value(*plug, kMultiPartStatus + part), part < 4 ? 1.0 : 0.0) << part;
    EXPECT_EQ(value(*plug, kMultiPartMIDICh + part), part + 2.0) << part;
  }
  EXPECT_EQ(value(*plug, kOverrideTempo), 1.0);
  EXPECT_EQ(value(*plug, kControlProgBank), 1.0);
  EXPECT_EQ(value(*plug, kLibSyncTimer), 2.0);
  EXPECT_EQ(value(*plug, kKeepSelectedBank), 1.0);
  EXPECT_EQ(value(*plug, kMIDIFilterDAWPCPassThrough), 0.0);
  EXPECT_EQ(value(*plug, kMIDIFilterHWNotePassThrough), 1.0);
  // The host may pass every class but program changes and sysex, the synthesizer's port all but program
  // changes.
  const bool hostBlocked[] = {false, true, false, false, false, false, true};
  const bool hardwareBlocked[] = {false, true, false, false, false, false, false};
  for (int i = 0; i < 7; ++i)
  {
    EXPECT_EQ(plug->mHostInputBlocked[static_cast<size_t>(i)].load(), hostBlocked[i]) << i;
    EXPECT_EQ(plug->mHardwareInputBlocked[static_cast<size_t>(i)].load(), hardwareBlocked[i]) << i;
  }
  EXPECT_TRUE(plug->mIndicatorsTrackIncoming);
  EXPECT_FALSE(plug->mMidiOutMode);
  EXPECT_FALSE(plug->mClockFlag);
  EXPECT_FALSE(plug->mClockPointerFlag);
  EXPECT_TRUE(plug->mKeepSelectedBank);
  EXPECT_TRUE(plug->mStopPending);
  EXPECT_EQ(plug->mCurrentPart, 0);
  EXPECT_EQ(plug->mRandomValues.size(), 393u);
  EXPECT_EQ(plug->mPartBankTable.size(), 17u);
  EXPECT_EQ(plug->mIndicatorTime.size(), 16u);
  EXPECT_EQ(plug->mTimeInfo.mTempo, 120.0);
  EXPECT_EQ(plug->mTimeInfo.mNumerator, 4);
  // The start-up pass stores every positive value as its whole part.
  for (int i = 0; i < plug->NParams(); ++i)
  {
    const double v = value(*plug, i);
    if (v >= 1.0)
    {
      EXPECT_EQ(v, static_cast<double>(static_cast<long long>(v))) << i;
    }
  }
  // The display starts with the plug-in's name and version.
  ITextControl* firstLine = dynamic_cast<ITextControl*>(plug->mDisplayControls[0]);
  ASSERT_NE(firstLine, nullptr);
  EXPECT_STREQ(firstLine->GetTextStr(), "Korvid Plug-in");
}

TEST_F(KorvidConstruction, LogsTheStartUpOnlyWhenTheLogFileExists)
{
  home.writeFile("Korvid Editor LOG.txt", "old text\n");
  {
    auto plug = construct();
  }
  const std::string log = home.readFile("Korvid Editor LOG.txt");
  EXPECT_EQ(log.find("old text"), std::string::npos);
  const char* steps[] = {"INITIALIZATION STARTED!",
                         "Data folder located at ",
                         "PATCH MANAGER INITIALIZED...",
                         "PATCH LIBRARIAN INITIALIZED...",
                         "PATCH LIBRARIAN COMPLETED FILE LOADING...",
                         "STARTING USER INTERFACE CONFIGURATION...",
                         "USER INTERFACE CONFIGURATION COMPLETED... BUILDING UI",
                         "Layers attached...",
                         "Control set 1 attached",
                         "Librarian menus attached",
                         "Control set 2 attached... Resetting",
                         "RESET: plug-in v1.2.3",
                         "Plug-in is ready to load!"};
  size_t at = 0;
  for (const char* step : steps)
  {
    const size_t found = log.find(step, at);
    ASSERT_NE(found, std::string::npos) << step;
    at = found;
  }

  TempDataHome quiet;
  auto plug = construct();
  EXPECT_FALSE(quiet.exists("Korvid Editor LOG.txt"));
}

TEST_F(KorvidConstruction, SavingABankAsksTheEditorsFileDialog)
{
  writeMadeBanks();
  auto plug = construct();
  HeadlessSurface* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  ASSERT_NE(surface, nullptr);
  ASSERT_FALSE(plug->mPatchLibrarian->mSoundBanks.empty());
  const std::string target = patchesFolder() + "/saved-copy.kvd";
  surface->QueueFileChoice(target);
  EXPECT_EQ(plug->mPatchLibrarian->savePatchAs("saved-copy", patchesFolder(), false),
            PatchLibrarian::SaveAs::kWritten);
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(plug->mPatchLibrarian->mCurrentFolderName, "Patches");
  // A cancelled dialog (empty answer) saves nothing.
  EXPECT_EQ(plug->mPatchLibrarian->savePatchAs("other", patchesFolder(), false),
            PatchLibrarian::SaveAs::kCancelled);
}

// A plug-in folder holding a copy of the built resources, to be damaged by a test.
class DamagedResources : public StartupFixture
{
protected:
  DamagedResources()
  {
    folder = home.root() + "/plugin";
    fs::create_directories(folder);
    fs::copy(pluginFolder() + "/resources", folder + "/resources", fs::copy_options::recursive);
    useResources(folder);
  }

  void overwrite(const std::string& name, const std::string& bytes)
  {
    std::ofstream out(folder + "/resources/" + name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  std::string folder;
};

TEST_F(DamagedResources, MissingResourcesAreReportedAndTheEditorStillStarts)
{
  useResources(home.root() + "/nowhere");
  forgetCachedImage(104, "resources/img/main-bg-frame.png", 1.0);
  home.writeFile("Korvid Editor LOG.txt", "");
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  EXPECT_FALSE(plug->getUIConfigManager()->resourcesOk());
  EXPECT_FALSE(plug->getMissingElements().empty());
  EXPECT_EQ(plug->mRootLayer, nullptr);
  EXPECT_EQ(plug->mLibrarianView, nullptr);
  EXPECT_FALSE(plug->getStatusText().empty());
  EXPECT_TRUE(plug->mConstructed);
  const std::string log = home.readFile("Korvid Editor LOG.txt");
  EXPECT_NE(log.find("STARTUP: layer root NOT FOUND!"), std::string::npos);
  EXPECT_NE(log.find("STARTUP: image resources/img/main-bg-frame.png NOT FOUND!"), std::string::npos);
  // The menus and the overlay exist all the same, above everything else.
  IGraphics* surface = plug->getSurface();
  EXPECT_EQ(surface->GetLayer(surface->NLayers() - 1), plug->mProgressLayer);
  EXPECT_NE(plug->mLeftPatchPopupMenu, nullptr);
}

TEST_F(DamagedResources, ADamagedDescriptionIsReportedNotFollowed)
{
  overwrite("uiconfig.tea", std::string(4000, '\x5a'));
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  EXPECT_FALSE(plug->getUIConfigManager()->resourcesOk());
  EXPECT_FALSE(plug->getMissingElements().empty());
  EXPECT_FALSE(plug->getStatusText().empty());
}

TEST_F(DamagedResources, ATruncatedDescriptionOrEmptyTemplatesStartSafely)
{
  const std::string whole = [&]
  {
    std::ifstream in(folder + "/resources/uiconfig.tea", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }();
  overwrite("uiconfig.tea", whole.substr(0, whole.size() / 3));
  overwrite("sysex.tea", "");
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  EXPECT_TRUE(plug->mConstructed);
  // Whatever was found is referenced; whatever was not is reported.
  EXPECT_FALSE(plug->getMissingElements().empty());
}

TEST_F(DamagedResources, AMissingImageIsReported)
{
  fs::remove(folder + "/resources/img/korvid-progress-overlay.png");
  forgetCachedImage(122, "resources/img/korvid-progress-overlay.png", 1.0);
  auto plug = construct();
  bool reported = false;
  for (const std::string& what : plug->getMissingElements())
  {
    reported = reported || what == "image resources/img/korvid-progress-overlay.png";
  }
  EXPECT_TRUE(reported);
  EXPECT_EQ(plug->mProgressIndicator->GetBitmap().pixels, nullptr);
}

TEST_F(StartupFixture, WithoutASurfaceTheFrameworkAndLibraryStillStart)
{
  Korvid::setSurfaceFactory(nullptr);
  auto plug = construct();
  EXPECT_EQ(plug->getSurface(), nullptr);
  EXPECT_NE(plug->mPatchManager, nullptr);
  EXPECT_NE(plug->mPatchLibrarian, nullptr);
  EXPECT_EQ(plug->mMIDIMessageManager, nullptr);
  EXPECT_TRUE(plug->mConstructed);
  EXPECT_EQ(plug->NParams(), 8456);
}

TEST_F(KorvidConstruction, StartsWhenTheMidiSystemCannotBeReached)
{
  midi->setClientsFail(true);
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  EXPECT_TRUE(plug->mConstructed);
  EXPECT_FALSE(plug->mOutputPresent);
  ASSERT_FALSE(plug->getExternalMIDIOutNames().empty());
  EXPECT_EQ(plug->getExternalMIDIOutNames().front(), "OFF");
}

// A surface whose image library finds no background while the UI description is read and fails on it
// when the start-up attaches it, after the named layers were fetched.
class FailingBackgroundSurface : public PluginFolderSurface
{
public:
  using PluginFolderSurface::PluginFolderSurface;

  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override
  {
    if (name && std::string(name) == "resources/img/main-bg-frame.png")
    {
      if (mBackgroundAsked++ > 0)
      {
        throw std::runtime_error("image library failed");
      }
      return nullptr;
    }
    return PluginFolderSurface::OSLoadBitmap(id, name);
  }

private:
  int mBackgroundAsked = 0;
};

TEST_F(StartupFixture, AFailureBeforeTheEditorIsAttachedLeavesNoReferenceIntoIt)
{
  forgetCachedImage(104, "resources/img/main-bg-frame.png", 1.0);
  const std::string folder = pluginFolder();
  Korvid::setSurfaceFactory([folder](IPlugBase* plug, int w, int h) -> IGraphics*
                            { return new FailingBackgroundSurface(plug, w, h, folder); });
  home.writeFile("Korvid Editor LOG.txt", "");
  std::unique_ptr<Korvid> plug;
  ASSERT_NO_THROW(plug = construct());
  EXPECT_EQ(plug->getSurface(), nullptr);
  EXPECT_TRUE(plug->mConstructed);
  EXPECT_EQ(plug->getStatusText(), "Editor start-up failed");
  // The failure came after the named layers were found.
  const std::string log = home.readFile("Korvid Editor LOG.txt");
  EXPECT_NE(log.find("USER INTERFACE CONFIGURATION COMPLETED"), std::string::npos);
  EXPECT_EQ(log.find("NOT FOUND"), std::string::npos) << log;
  EXPECT_NE(log.find("STARTUP: building the editor failed: image library failed"), std::string::npos);
  // The freed surface's layers and controls are no longer referenced.
  EXPECT_EQ(plug->mRootLayer, nullptr);
  EXPECT_EQ(plug->mOscillatorLayers[3], nullptr);
  for (ControlLayer* layer : plug->mBankAndProgramLayers)
  {
    EXPECT_EQ(layer, nullptr);
  }
  EXPECT_EQ(plug->mFirstRunNotificationLayer, nullptr);
  EXPECT_EQ(plug->mRandomizeControl, nullptr);
  EXPECT_EQ(plug->GetParam(kRandomize)->GetAction(), nullptr);
  // The per-part lists the routing indexes exist all the same.
  EXPECT_EQ(plug->mRandomValues.size(), 393u);
  EXPECT_EQ(plug->mIndicatorState.size(), 16u);
  EXPECT_EQ(plug->mPartProgramTable.size(), 17u);
  // A part switch finds no layer to switch and touches no freed memory.
  WDL_MutexLock lock(plug->GetMutex());
  plug->GetParam(kQuickTab)->Set(3.0);
  plug->OnParamChange(kQuickTab);
  EXPECT_EQ(plug->mCurrentPart, 3);
}

TEST_F(StartupFixture, AThrowingSurfaceFactoryLeavesThePlugInWithoutEditor)
{
  Korvid::setSurfaceFactory([](IPlugBase*, int, int) -> IGraphics*
                            { throw std::runtime_error("no display"); });
  std::unique_ptr<Korvid> plug;
  ASSERT_NO_THROW(plug = construct());
  EXPECT_EQ(plug->getSurface(), nullptr);
  EXPECT_TRUE(plug->mConstructed);
}
} // namespace
