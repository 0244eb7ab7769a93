// The plug-in's side of device communication: flags, displays, the processing overlay and the sysex input.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IGraphics.h"
#include "IControl.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "ProgressIndicator.h"
#include "StatusLines.h"

#include <algorithm>
#include <array>
#include <string>

namespace
{
constexpr const char* kTextReceivedToSlots = "Data received to slot(s)";
constexpr std::array<int, 8> kSyncTimerMs = {50, 75, 100, 150, 200, 300, 400, 500};
constexpr int kDefaultSyncTimerMs = 100;
// Position of system exclusive in the blocked message classes (CC, PC, Note, PP, PA, CA, SE).
constexpr size_t kSysexBlockClass = 6;
// Value of kMainTab while the librarian page is shown.
constexpr int kLibrarianPage = 1;
// Rows of the menu layers: "UPPERPOPUPMENU" (upper sound banks) and "LeftPerformancePopupMenu" (upper multi
// banks).
constexpr size_t kUpperSoundMenuRow = 0;
constexpr size_t kUpperMultiMenuRow = 2;

void setHidden(IControl* control, bool hidden)
{
  if (control)
  {
    control->Hide(hidden);
  }
}
} // namespace

Korvid::DeviceTeardown::~DeviceTeardown()
{
  plug->stopDeviceCommunication();
}

void Korvid::initDeviceCommunication(PatchManager* patchManager, PatchLibrarian* librarian)
{
  if (mMIDIMessageManager)
  {
    return;
  }
  mPatchManager = patchManager;
  mPatchLibrarian = librarian;
  mMIDIMessageManager = new MIDIMessageManager(this, patchManager, librarian, GetGUI());
}

void Korvid::stopDeviceCommunication()
{
  mMidiPorts.CloseAll();
  if (mMIDIMessageManager)
  {
    mMIDIMessageManager->shutdown();
    delete mMIDIMessageManager;
    mMIDIMessageManager = nullptr;
  }
}

int Korvid::getTimerValue()
{
  IParam* param = GetParam(kLibSyncTimer);
  const int value = param ? param->Int() : -1;
  if (value < 0 || value >= static_cast<int>(kSyncTimerMs.size()))
  {
    return kDefaultSyncTimerMs;
  }
  return kSyncTimerMs[static_cast<size_t>(value)];
}

void Korvid::DisplayProcessingIndicator(bool show)
{
  const IParam* mainTab = GetParam(kMainTab);
  const bool librarianPage = mainTab && mainTab->Int() == kLibrarianPage;
  if (show)
  {
    mProcessingOverlay = true;
  }
  else
  {
    mProcessingOverlay = false;
    mIgnoreIncoming = false;
    mWorkerBusy = false;
  }
  setHidden(mProgressIndicator, !show);
  if (mProgressLayer)
  {
    mProgressLayer->Hide(!show);
  }
  // The layer shows both cancel buttons with it: keep only the one of the page shown.
  for (IControl* button : mCancelButtons)
  {
    setHidden(button, true);
  }
  if (show)
  {
    setHidden(mCancelButtons[librarianPage ? 0 : 1], false);
    if (librarianPage)
    {
      for (ControlLayer* layer : {mCategoryLimitLayer, mSearchFieldLayer})
      {
        if (layer)
        {
          layer->Hide(true);
        }
      }
      if (mPatchSearchControl)
      {
        mPatchSearchControl->GrayOut(true);
      }
    }
    return;
  }
  if (mMIDIMessageManager)
  {
    mMIDIMessageManager->dumpExpected = false;
  }
  if (librarianPage && !mMultiMode.load())
  {
    const IParam* search = GetParam(kPatchSearch);
    ControlLayer* restored = search && search->Int() == 1 ? mSearchFieldLayer : mCategoryLimitLayer;
    if (restored)
    {
      restored->Hide(false);
    }
    if (mPatchSearchControl)
    {
      mPatchSearchControl->GrayOut(false);
    }
  }
  mOutputHold = false;
}

void Korvid::setLibrarianViewDirty()
{
  if (mLibrarianView)
  {
    mLibrarianView->Redraw();
  }
}

void Korvid::displayPatchName(std::string name)
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  mPatchNameText = name;
  if (mPatchNameDisplay)
  {
    mPatchNameDisplay->SetTextFromPlug(mPatchNameText.c_str());
  }
}

void Korvid::displayCategoryName(std::string name)
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  mCategoryNameText = name;
  if (mCategoryDisplay)
  {
    mCategoryDisplay->SetTextFromPlug(mCategoryNameText.c_str());
  }
}

bool Korvid::onDeviceJob()
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  return manager && manager->onSysexJobThread();
}

void Korvid::showStatusText(const char* text)
{
  const bool device = onDeviceJob();
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  if (deviceTextOutdated(device))
  {
    return;
  }
  mLineShowsDevice = device;
  if (!device)
  {
    layOutLocked(text ? text : "", "");
    return;
  }
  mDeviceText = text ? text : "";
  // A send's words keep below them what the name it sends left out.
  mDeviceDetail = mLeftOutOfSend;
  mDeviceTextTime = std::chrono::steady_clock::now();
  layOutLocked(behindLossLocked(mDeviceText), mDeviceDetail);
}

std::string Korvid::behindLossLocked(const std::string& text)
{
  const std::string loss = standingLossLocked();
  return loss.empty() ? text : loss + " - " + text;
}

std::string Korvid::standingLossLocked()
{
  mStandingLoss = standingLossOf(mStandingLoss, mMidiPorts.IsOutOpen() && !mMidiPorts.IsOutWaiting(),
                                 mMidiPorts.IsInOpen() && !mMidiPorts.IsInWaiting());
  return lossText(mStandingLoss);
}

void Korvid::layOutLocked(const std::string& text, const std::string& detail)
{
  const size_t chars = static_cast<size_t>(std::max(0, mStatusLineChars.load()));
  StatusLines lines = splitStatusText(text, chars);
  if (!detail.empty())
  {
    // Line 2 is the detail's: line 1 keeps the text's head, which the split cuts at a separator.
    lines.second = statusLinesOf("", detail, chars).second;
  }
  mStatusText = text;
  mStatusDetail = lines.second;
  if (mMessageLine)
  {
    mMessageLine->SetTextFromPlug(lines.first.c_str());
  }
  // A status message replaces the last edit's two lines: line 2 holds its rest, its detail or nothing.
  if (ITextControl* second = dynamic_cast<ITextControl*>(mDisplayControls[1]))
  {
    second->SetTextFromPlug(mStatusDetail.c_str());
  }
}

void Korvid::showStatusLines(const std::string& first, const std::string& second)
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  mLineShowsDevice = false;
  const StatusLines lines =
      statusLinesOf(first, second, static_cast<size_t>(std::max(0, mStatusLineChars.load())));
  mStatusText = lines.first;
  mStatusDetail = lines.second;
  if (mMessageLine)
  {
    mMessageLine->SetTextFromPlug(mStatusText.c_str());
  }
  if (ITextControl* secondLine = dynamic_cast<ITextControl*>(mDisplayControls[1]))
  {
    secondLine->SetTextFromPlug(mStatusDetail.c_str());
  }
}

void Korvid::measureStatusLine()
{
  IGraphics* surface = GetGUI();
  if (!surface || !mMessageLine)
  {
    return;
  }
  // The display's font is monospaced: the width of a run of digits gives the characters the line holds.
  constexpr int kSampleLength = 10;
  std::string sample(kSampleLength, '0');
  IText style = *mMessageLine->GetText();
  IRECT extent = *mMessageLine->GetRECT();
  if (!surface->MeasureIText(&style, &sample[0], &extent) || extent.W() <= 0)
  {
    return;
  }
  mStatusLineChars = mMessageLine->GetRECT()->W() * kSampleLength / extent.W();
}

void Korvid::showStatusDetail(const char* text)
{
  const bool device = onDeviceJob();
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  const std::string detail = text ? text : "";
  if (mLineShowsDevice && device)
  {
    mDeviceDetail = detail;
    layOutLocked(behindLossLocked(mDeviceText), detail);
    return;
  }
  mLineShowsDevice = false;
  mStatusDetail = detail;
  if (ITextControl* second = dynamic_cast<ITextControl*>(mDisplayControls[1]))
  {
    second->SetTextFromPlug(mStatusDetail.c_str());
  }
}

std::string Korvid::getStatusText()
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  return mStatusText;
}

std::string Korvid::getStatusDetail()
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  return mStatusDetail;
}

std::string Korvid::getPatchNameText()
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  return mPatchNameText;
}

std::string Korvid::getCategoryNameText()
{
  std::lock_guard<std::mutex> lock(mDisplayTextLock);
  return mCategoryNameText;
}

int Korvid::getSelectedLibrarianSlot()
{
  return mPatchLibrarian ? mPatchLibrarian->mSelectedUpperSlot : 0;
}

void Korvid::SetLibrarianRequestActive(bool active)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (manager)
  {
    if (active)
    {
      manager->dumpExpected = false;
      if (mMultiMode.load())
      {
        manager->patchRequest.end();
        manager->performanceRequest.arm(true);
      }
      else
      {
        manager->performanceRequest.end();
        manager->patchRequest.arm(true);
      }
    }
    else
    {
      manager->dumpExpected = true;
      manager->patchRequest.end();
      manager->performanceRequest.end();
    }
    manager->dataReceived = false;
    manager->storeRefused = false;
  }
  mDumpArrived = false;
}

void Korvid::SetLibrarianStatusUnsaved(bool unsaved)
{
  if (!unsaved)
  {
    return;
  }
  if (MIDIMessageManager* manager = mMIDIMessageManager)
  {
    manager->dumpExpected = false;
    manager->patchRequest.end();
    manager->performanceRequest.end();
  }
  if (IParam* param = GetParam(kBankEditUnsaved))
  {
    param->SetBounded(1.0);
  }
  if (IParam* param = GetParam(kDiscardBankData))
  {
    param->SetBounded(0.0);
  }
  // The bank can now be saved or discarded, not kept open as it was; the list kind and the upper bank
  // stay as they are until then.
  if (mDiscardChangesLayerRight)
  {
    mDiscardChangesLayerRight->Hide(false);
  }
  if (mKeepBankOpenLayer)
  {
    mKeepBankOpenLayer->Hide(true);
  }
  if (mDatatypeControl)
  {
    mDatatypeControl->GrayOut(true);
  }
  if (ControlLayer* upperMenu = mMenuLayers[mMultiMode.load() ? kUpperMultiMenuRow : kUpperSoundMenuRow])
  {
    upperMenu->Hide(true);
  }
  showStatusText(kTextReceivedToSlots);
}

void Korvid::ProcessSysEx(ISysEx* pSysEx, bool fromDevice)
{
  takeSysEx(pSysEx, fromDevice, false);
}

void Korvid::feedOwnSysEx(ISysEx* pSysEx)
{
  takeSysEx(pSysEx, true, true);
}

void Korvid::takeSysEx(ISysEx* pSysEx, bool fromDevice, bool ownDump)
{
  MIDIMessageManager* manager = mMIDIMessageManager;
  if (!pSysEx || !pSysEx->mData || pSysEx->mSize <= 0 || !manager)
  {
    return;
  }
  const auto& blocked = fromDevice ? mHardwareInputBlocked : mHostInputBlocked;
  if (mIgnoreIncoming.load() || mWorkerBusy.load() || blocked[kSysexBlockClass].load())
  {
    return;
  }
  noteIncomingSysex(pSysEx);
  manager->ProcessSysEx(pSysEx, fromDevice, ownDump);
  sysexApplied();
  if (manager->dataReceived.load())
  {
    mDumpArrived = true;
  }
}

bool Korvid::ThreadRunning()
{
  return mMIDIMessageManager && mMIDIMessageManager->isRunning(MIDIMessageManager::Thread::SysexJob);
}
