// The plug-in's start-up: framework stages, data folder, PatchManager, library scan, the editor surface with
// the UI description, the named layers, the progress overlay and the rest of the fixed start-up order.
#include "Korvid.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PatchManager.h"
#include "ProgressIndicator.h"
#include "TabSwitchFunctions.h"
#include "UIConfigManager.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace
{
constexpr int kUniqueId = MakeFourCC("kv2w");
constexpr int kMakerId = MakeFourCC("Qvr4");
constexpr bool kDoesMidi = true;
constexpr bool kDoesChunks = true;
constexpr bool kIsInstrument = true;
constexpr int kSideChannels = 0;

// Host time before the host has told any.
constexpr double kStartTempo = 120.0;
constexpr double kUnknownPosition = -1.0;
constexpr int kStartTimeSignature = 4;

// Images of the start-up.
constexpr int kBackgroundId = 104;
constexpr const char* kBackgroundImage = "resources/img/main-bg-frame.png";
constexpr int kOverlayId = 122;
constexpr const char* kOverlayImage = "resources/img/korvid-progress-overlay.png";
constexpr int kOverlayBlackId = 995;
constexpr const char* kOverlayBlackImage = "resources/img/korvid-progress-overlay-b.png";

// The progress layer and its two cancel buttons (unscaled positions).
constexpr int kProgressLayerId = 0;
constexpr const char* kProgressLayerName = "PROGRESS";
constexpr const char* kCancelName = "Cancel Data Request";
constexpr const char* kCancelImage = "BUTTON_LIB_CANCEL_ID";
constexpr const char* kCancelGroup = "Global";
constexpr int kCancelLibrarianX = 835;
constexpr int kCancelLibrarianY = 457;
constexpr int kCancelOtherX = 740;
constexpr int kCancelOtherY = 83;

constexpr const char* kFilterLayerNames[] = {
    "filter1LP", "filter1BP", "filter1HP", "filter1Notch", "filter1CombMinus", "filter1CombPlus",
    "filter2LP", "filter2BP", "filter2HP", "filter2Notch", "filter2CombMinus", "filter2CombPlus"};
constexpr const char* kEffectLayerNames[] = {"Bypass",   "Chorus", "Flanger",      "Phaser", "Overdrive",
                                             "TripleFX", "Delay",  "DelayClocked", "Reverb"};

void hideLayer(ControlLayer* layer, bool hide)
{
  if (layer)
  {
    layer->Hide(hide);
  }
}

// "name01" ... for part numbers from 1.
std::string twoDigitName(const char* prefix, int number)
{
  std::string digits = std::to_string(number);
  if (digits.size() < 2)
  {
    digits.insert(0, 1, '0');
  }
  return prefix + digits;
}
} // namespace

Korvid::Korvid(IPlugInstanceInfo instanceInfo)
    : IPlugVST(instanceInfo, kNumParams, kChannelIO, kNumPresets, kEffectName, kProductName, kMakerName,
               kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks, kIsInstrument, kSideChannels),
      mMidiOutQueue(kMidiQueueStep, kMidiQueueStep)
{
  setStartValues();
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  mSampleRateCopy = GetSampleRate();

  mDataFolder.load();
  mSizeFactor = mDataFolder.getSizeFactor();
  mUIStyle = mDataFolder.getUIStyle();
  if (isLogging())
  {
    mMidiPorts.SetDebugLogPath(getLogPath());
  }
  log("INITIALIZATION STARTED!");
  SetLatency(kLatency);
  log("Data folder located at " + mDataFolder.getDataFolderStr());

  initialize(instanceInfo, kHostParams, kNumParams, kChannelIO, kNumPresets, kEffectName, kProductName,
             kMakerName, kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks, kIsInstrument,
             kSideChannels);
  addNonAutomateParamCount(kNumParams);

  mOwnedPatchManager = std::make_unique<PatchManager>(this);
  mPatchManager = mOwnedPatchManager.get();
  log("PATCH MANAGER INITIALIZED...");
  createLibrary();

  const int width = static_cast<int>(kEditorWidth * mSizeFactor);
  const int height = static_cast<int>(kEditorHeight * mSizeFactor);
  if (IGraphics* surface = makeSurface(width, height))
  {
    buildEditor(surface);
  }
  else
  {
    log("STARTUP: no editor surface, the plug-in runs without its editor");
    fillPartLists();
    mPatchManager->init();
  }
  mConstructed = true;
  mAudioPassFollower.start();
}

void Korvid::setStartValues()
{
  // A failed first allocation leaves the queue empty; it grows on first use.
  mMidiOutQueue.Grow();
  mTimeInfo.mTempo = kStartTempo;
  mTimeInfo.mSamplePos = kUnknownPosition;
  mTimeInfo.mPPQPos = kUnknownPosition;
  mTimeInfo.mLastBar = kUnknownPosition;
  mTimeInfo.mCycleStart = kUnknownPosition;
  mTimeInfo.mCycleEnd = kUnknownPosition;
  mTimeInfo.mNumerator = kStartTimeSignature;
  mTimeInfo.mDenominator = kStartTimeSignature;
  mTimeInfo.mTransportIsRunning = false;
  mTimeInfo.mTransportLoopEnabled = false;
}

void Korvid::fillPartLists()
{
  mRandomValues.assign(kRandomValueCount, 0);
  mPartBankTable.fill(0);
  mPartProgramTable.fill(0);
  mIndicatorState.fill(0);
  mIndicatorTime.fill(0);
}

void Korvid::createLibrary()
{
  mOwnedLibrarian = std::make_unique<PatchLibrarian>();
  mPatchLibrarian = mOwnedLibrarian.get();
  mPatchLibrarian->mOwner = this;
  mPatchLibrarian->mLogPath = getLogPath();
  mPatchLibrarian->mLoggingOn = isLogging();
  // Saving a bank as a new file asks with the editor's save dialog; without an editor it is refused.
  mPatchLibrarian->mPromptForFile = [this](const std::string& name, const std::string& folder,
                                           const std::string& extension) -> std::string
  {
    IGraphics* surface = GetGUI();
    if (!surface)
    {
      return std::string();
    }
    WDL_String file(name.c_str());
    WDL_String directory(folder.c_str());
    surface->PromptForFile(&file, kFileSave, &directory, extension.c_str());
    return file.Get();
  };
  log("PATCH LIBRARIAN INITIALIZED...");
  mPatchLibrarian->mUpperBankIndex = 0;
  mPatchLibrarian->mLowerBankIndex = 0;
  try
  {
    mPatchLibrarian->loadPatchesFromFilesystem(getPatchesFolderStr());
  }
  catch (const std::exception& error)
  {
    // A library that cannot be read whole leaves what was read; the editor still starts.
    log(std::string("STARTUP: library scan stopped: ") + error.what());
    showStatusText("Patch library could not be read");
  }
  log("PATCH LIBRARIAN COMPLETED FILE LOADING...");
}

void Korvid::buildEditor(IGraphics* surface)
{
  std::unique_ptr<IGraphics> unattached(surface);
  std::unique_ptr<ControlLayer> progressLayer;
  try
  {
    readUIDescription(surface);
    fetchNamedLayers();
    fillPartLists();
    mRandomizeControl = firstControl(kRandomize, "kRandomize");
    if (mRandomizeControl)
    {
      mRandomizeControl->GrayOut(true);
    }
    fetchDialogLayers();
    if (!surface->LoadIBitmap(kBackgroundId, kBackgroundImage, mSizeFactor).pixels)
    {
      reportMissing(std::string("image ") + kBackgroundImage);
    }
    surface->AttachBackground(kBackgroundId, kBackgroundImage, mSizeFactor);
    AttachGraphics(unattached.release());

    createProgressOverlay(surface, progressLayer);
    initDeviceCommunication(mPatchManager, mPatchLibrarian);
    MakeDefaultPreset("-", 64);
    mPatchManager->init();
    storeControlSet1();
    buildSelectionLists();
    createLibrarianMenus(surface);
    storeControlSet2();
    log("Control set 2 attached... Resetting");
    Reset();
    setInitialValues(surface, progressLayer);
    showSettingsWords(surface);
    if (mDataFolder.wantsFirstRunNotice() && mFirstRunNotificationLayer)
    {
      mFirstRunNotificationLayer->Hide(false);
      mFirstRunShown = true;
    }
    setMidiFilterValues();
    settleParameterValues(surface);
    log("Plug-in is ready to load!");
    TabSwitchFunctions::mainTabSwitch(this, kMainTab, 0, 0);
    if (!mLastReport.empty())
    {
      // The reset of the display wrote over the report: show the last one again.
      showStatusText(mLastReport.c_str());
    }
  }
  catch (const std::exception& error)
  {
    log(std::string("STARTUP: building the editor failed: ") + error.what());
    if (unattached)
    {
      // The controls go with the unattached surface: no parameter may keep an action pointing at them.
      for (int i = 0; i < NParams(); ++i)
      {
        GetParam(i)->SetAction(nullptr);
      }
      unattached.reset();
      mUIConfigManager.reset();
      forgetEditorReferences();
    }
    else if (progressLayer)
    {
      // The overlay's buttons are bound to a parameter: the layer must live as long as the surface.
      surface->AttachLayer(progressLayer.release());
    }
    // What the steps not reached would have given, so that the plug-in runs on without its editor parts.
    if (mRandomValues.empty())
    {
      fillPartLists();
    }
    mPatchManager->init();
    showStatusText("Editor start-up failed");
  }
}

void Korvid::forgetEditorReferences()
{
  mRootLayer = nullptr;
  mOscillatorLayers.fill(nullptr);
  mFiltersEnvelopesLayers.fill(nullptr);
  mLfoModMatrixLayers.fill(nullptr);
  mEffectsArpLayer = nullptr;
  mMiniMixerLayer = nullptr;
  mPatchLibrarianLayer = nullptr;
  mMultiModeSettingsPage1Layer = nullptr;
  mFilterTypeLayers.fill(nullptr);
  mBankAndProgramLayers.fill(nullptr);
  mSaveChangesLayer = nullptr;
  mMultiSettingsPartLayers.fill(nullptr);
  mDiscardChangesLayerRight = nullptr;
  mKeepBankOpenLayer = nullptr;
  mAboutWindowLayer = nullptr;
  mFirstRunNotificationLayer = nullptr;
  mBankPatchConflictWindowLayer = nullptr;
  mMidiFilterSettingsLayer = nullptr;
  mEffectTypeLayers.fill(nullptr);
  mPatchRenameLayer = nullptr;
  mCategoryLimitLayer = nullptr;
  mSearchFieldLayer = nullptr;
  mProgressLayer = nullptr;
  mProgressIndicator = nullptr;
  mCancelButtons.fill(nullptr);
  mRandomizeControl = nullptr;
  mDatatypeControl = nullptr;
  mPatchSearchControl = nullptr;
  mProgramBankControl = nullptr;
  mQuickTabAction = nullptr;
  mMainTabAction = nullptr;
  mUpperListControl = nullptr;
  mLowerListControl = nullptr;
  mMidiOutSelector = nullptr;
  mMidiInSelector = nullptr;
  mRenameControl = nullptr;
  mDisplayControls.fill(nullptr);
  mKeepSelectedBankControl = nullptr;
  mTempoOverrideAction = nullptr;
  mLibrarianView = nullptr;
  mPartChannelControls.fill(nullptr);
  mMidiFilterControls.fill(nullptr);
  mMessageLine = nullptr;
  mPatchNameDisplay = nullptr;
  mCategoryDisplay = nullptr;
}

void Korvid::readUIDescription(IGraphics* surface)
{
  log("STARTING USER INTERFACE CONFIGURATION...");
  mUIConfigManager = std::make_unique<UIConfigManager>();
  mUIConfigManager->setDebugOutput(isLogging(), getLogPath());
  mUIConfigManager->setResourceLoader(
      [surface](int id, const std::string& name, std::string& bytes)
      {
        char* buffer = surface->LoadFile(id, name.c_str());
        if (!buffer)
        {
          return ResourceLoadResult::Missing;
        }
        const size_t length =
            std::min<size_t>(static_cast<size_t>(std::max(0, surface->GetLastLoadedFileSize())),
                             UIConfigManager::kMaxResourceBytes);
        bytes.assign(buffer, length);
        delete[] buffer;
        return ResourceLoadResult::Loaded;
      });
  if (mDataFolder.sampleNamesFound())
  {
    std::vector<std::string> names;
    names.reserve(DataFolder::kSampleNameCount);
    for (int i = 0; i < DataFolder::kSampleNameCount; ++i)
    {
      names.push_back(mDataFolder.getSampleName(i));
    }
    mUIConfigManager->setSampleNames(std::move(names));
  }
  mUIConfigManager->readUIConfig(surface, this, mPatchLibrarian, mUIStyle, mSizeFactor);
  for (const std::string& error : mUIConfigManager->getResourceErrors())
  {
    mMissingElements.push_back("resource " + error);
    log("STARTUP: " + error);
    mLastReport = error;
    showStatusText(error.c_str());
  }
  log("USER INTERFACE CONFIGURATION COMPLETED... BUILDING UI");
}

void Korvid::fetchNamedLayers()
{
  mRootLayer = fetchLayer("root");
  hideLayer(mRootLayer, false);
  mOscillatorLayers.fill(fetchLayer("oscillators"));
  mFiltersEnvelopesLayers.fill(fetchLayer("filtersEnvelopes"));
  mLfoModMatrixLayers.fill(fetchLayer("lfoModMatrix"));
  mEffectsArpLayer = fetchLayer("effectsArp");
  mMiniMixerLayer = fetchLayer("miniMixer");
  mPatchLibrarianLayer = fetchLayer("patchLibrarian");
  mMultiModeSettingsPage1Layer = fetchLayer("multiModeSettingsPage1");
  hideLayer(mMultiModeSettingsPage1Layer, false);
  for (size_t i = 0; i < mFilterTypeLayers.size(); ++i)
  {
    mFilterTypeLayers[i] = fetchLayer(kFilterLayerNames[i]);
    hideLayer(mFilterTypeLayers[i], true);
  }
  for (int part = 0; part < kPartCount; ++part)
  {
    mBankAndProgramLayers[static_cast<size_t>(part)] = fetchLayer(twoDigitName("bankAndProgram", part + 1));
  }
  mBankAndProgramLayers[kPartCount] = fetchLayer("bankAndProgramMulti");
  for (size_t i = 0; i < mBankAndProgramLayers.size(); ++i)
  {
    hideLayer(mBankAndProgramLayers[i], i != 0);
  }
  mSaveChangesLayer = fetchLayer("saveChangesLayer");
  hideLayer(mSaveChangesLayer, true);
  for (int part = 0; part < kPartCount; ++part)
  {
    ControlLayer* layer = fetchLayer(twoDigitName("multiSettingsPart", part + 1));
    mMultiSettingsPartLayers[static_cast<size_t>(part)] = layer;
    hideLayer(layer, true);
  }
  const std::pair<ControlLayer**, const char*> dialogs[] = {
      {&mDiscardChangesLayerRight, "discardChangesLayerRight"},
      {&mKeepBankOpenLayer, "keepBankOpenLayer"},
      {&mAboutWindowLayer, "aboutWindow"},
      {&mFirstRunNotificationLayer, "firstRunNotification"},
      {&mBankPatchConflictWindowLayer, "bankPatchConflictWindow"},
      {&mMidiFilterSettingsLayer, "midiFilterSettings"}};
  for (const auto& dialog : dialogs)
  {
    *dialog.first = fetchLayer(dialog.second);
    hideLayer(*dialog.first, true);
  }
  for (size_t i = 0; i < mEffectTypeLayers.size(); ++i)
  {
    mEffectTypeLayers[i] = fetchLayer(kEffectLayerNames[i]);
    hideLayer(mEffectTypeLayers[i], true);
  }
}

void Korvid::fetchDialogLayers()
{
  mPatchRenameLayer = fetchLayer("patchRename");
  hideLayer(mPatchRenameLayer, true);
  mCategoryLimitLayer = fetchLayer("categoryLimit");
  hideLayer(mCategoryLimitLayer, true);
  mSearchFieldLayer = fetchLayer("searchField");
  hideLayer(mSearchFieldLayer, true);
}

void Korvid::createProgressOverlay(IGraphics* surface, std::unique_ptr<ControlLayer>& progressLayer)
{
  log("Layers attached...");
  progressLayer = std::make_unique<ControlLayer>(kProgressLayerId, kProgressLayerName);
  mProgressLayer = progressLayer.get();
  const bool black = mUIStyle == DataFolder::kStyleBlack;
  const char* image = black ? kOverlayBlackImage : kOverlayImage;
  // At the size factor, as the skin's other images: the overlay covers the whole editor at every size.
  IBitmap bitmap = surface->LoadIBitmap(black ? kOverlayBlackId : kOverlayId, image, mSizeFactor, 1, false);
  if (!bitmap.pixels)
  {
    reportMissing(std::string("image ") + image);
  }
  const int width = static_cast<int>(kEditorWidth * mSizeFactor);
  const int height = static_cast<int>(kEditorHeight * mSizeFactor);
  mProgressIndicator = new ProgressIndicator(mProgressLayer, this, 0, 0, width, height, -1, &bitmap,
                                             IRECT(0, 0, width, height));
  mCancelButtons[0] = mUIConfigManager->createAutoOffSwitchControl(
      kCancelName, kCancelDataRequest, kCancelLibrarianX, kCancelLibrarianY, kCancelImage, 0, mProgressLayer,
      kCancelGroup);
  mCancelButtons[1] = mUIConfigManager->createAutoOffSwitchControl(kCancelName, kCancelDataRequest,
                                                                   kCancelOtherX, kCancelOtherY, kCancelImage,
                                                                   0, mProgressLayer, kCancelGroup);
  if (!mCancelButtons[0] || !mCancelButtons[1])
  {
    reportMissing("control kCancelDataRequest");
  }
  mProgressIndicator->Hide(true);
  mProgressLayer->Hide(true);
}
