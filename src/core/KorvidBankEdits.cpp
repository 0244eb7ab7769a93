// Saving the upper pane's bank and settling unsaved bank edits before they could be dropped.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <filesystem>

namespace
{
// Message box type and answers of the surface.
constexpr int kYesNoCancel = 3;
constexpr int kAnswerYes = 1;
constexpr int kAnswerNo = 7;

constexpr const char* kUnsavedCaption = "Unsaved bank changes";
constexpr const char* kNotSavedText = "Bank could not be saved!";
constexpr const char* kSavedText = "Bank saved: ";
constexpr int kLibrarianPage = 1;
// Rows of mMenuLayers: the upper browsers of sounds and multis.
constexpr size_t kUpperSoundMenuRow = 0;
constexpr size_t kUpperMultiMenuRow = 2;

std::string withExtension(const std::string& fileName, const char* extension)
{
  const size_t dot = fileName.find_last_of('.');
  return (dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot)) + "." + extension;
}
} // namespace

bool Korvid::hasUnsavedBankEdits()
{
  const IParam* unsaved = GetParam(kBankEditUnsaved);
  return unsaved && unsaved->Value() == 1.0;
}

PatchFile* Korvid::upperBank()
{
  return mPatchLibrarian ? mPatchLibrarian->selectedBank() : nullptr;
}

std::string Korvid::bankFilePath(const PatchFile& bank) const
{
  // The folder path starts with the library root's own name; banks made in memory have none.
  if (bank.mFolderPath.empty() || bank.mFileName.empty())
  {
    return std::string();
  }
  std::string path = getPatchesFolderStr();
  for (size_t i = 1; i < bank.mFolderPath.size(); ++i)
  {
    path += "/" + bank.mFolderPath[i];
  }
  return path + "/" + bank.mFileName;
}

void Korvid::markBankEditsSettled()
{
  if (IParam* unsaved = GetParam(kBankEditUnsaved))
  {
    unsaved->SetBounded(0.0);
  }
  const IParam* mainTab = GetParam(kMainTab);
  if (!mainTab || mainTab->Int() != kLibrarianPage)
  {
    return;
  }
  if (mDiscardChangesLayerRight)
  {
    mDiscardChangesLayerRight->Hide(true);
  }
  if (mKeepBankOpenLayer)
  {
    mKeepBankOpenLayer->Hide(false);
  }
  if (mDatatypeControl)
  {
    mDatatypeControl->GrayOut(false);
  }
  if (ControlLayer* upperMenu = mMenuLayers[mMultiMode ? kUpperMultiMenuRow : kUpperSoundMenuRow])
  {
    upperMenu->Hide(false);
  }
}

bool Korvid::saveUpperBank()
{
  const PatchFile* bank = upperBank();
  const std::string path = bank ? bankFilePath(*bank) : std::string();
  if (path.empty() || !mPatchLibrarian->saveEditedPatch(path, bank->mFileName))
  {
    showStatusText(kNotSavedText);
    return false;
  }
  markBankEditsSettled();
  showStatusText((kSavedText + bank->mFileName).c_str());
  return true;
}

bool Korvid::saveUpperBankAs(bool midiFile)
{
  WDL_MutexLock lock(GetMutex());
  const PatchFile* bank = upperBank();
  if (!bank)
  {
    return false;
  }
  const std::string askedName = bank->mFileName;
  const std::string path = bankFilePath(*bank);
  const std::string folder = path.empty() ? getPatchesFolderStr() : path.substr(0, path.find_last_of('/'));
  const std::string proposed = withExtension(askedName, midiFile ? "mid" : "kvd");
  std::string written;
  switch (mPatchLibrarian->savePatchAs(proposed.c_str(), folder, midiFile, &written))
  {
  case PatchLibrarian::SaveAs::kWritten:
    break;
  case PatchLibrarian::SaveAs::kGone:
    showStatusText((askedName + " is no longer open - nothing saved").c_str());
    return false;
  case PatchLibrarian::SaveAs::kNotWritten:
    showStatusText(kNotSavedText);
    return false;
  case PatchLibrarian::SaveAs::kCancelled:
    if (!sayDialogFailed(" - nothing saved"))
    {
      showStatusText("Nothing saved");
    }
    return false;
  }
  // The edits are in the new file: the bank they were made in goes back to what its own file holds (the
  // library is read again, listing the new file), and the upper pane opens the new file.
  markBankEditsSettled();
  refreshFolders();
  const std::string name = written.substr(written.find_last_of('/') + 1);
  showStatusText((kSavedText + name + (openUpperBankFile(written) ? "" : " (outside the library)")).c_str());
  return true;
}

bool Korvid::openUpperBankFile(const std::string& path)
{
  namespace fs = std::filesystem;
  const std::vector<PatchFile*>* banks = banksOfPane(true);
  const std::string name = path.substr(path.find_last_of('/') + 1);
  for (size_t i = 0; banks && i < banks->size(); ++i)
  {
    const PatchFile* bank = (*banks)[i];
    std::error_code error;
    if (bank && bank->mFileName == name && fs::equivalent(bankFilePath(*bank), path, error))
    {
      openPaneBank(LibrarianViewControl::kUpperPane, static_cast<int>(i), *banks);
      // The menus tick it and the panes show it.
      refreshPopUpMenus();
      return true;
    }
  }
  return false;
}

void Korvid::OnGrayedControlClicked(int paramIdx)
{
  if (paramIdx == kDatatype && hasUnsavedBankEdits())
  {
    showStatusText(kSaveOrDiscardText);
  }
  else if (paramIdx == kOverwriteBank)
  {
    refuseSoundStore();
  }
}

Korvid::BankEditsAnswer Korvid::settleUnsavedBankEdits()
{
  if (!hasUnsavedBankEdits())
  {
    return BankEditsAnswer::kNothingUnsaved;
  }
  IGraphics* surface = GetGUI();
  if (!surface)
  {
    return BankEditsAnswer::kKept;
  }
  const PatchFile* bank = upperBank();
  const std::string text = "The bank \"" + (bank ? bank->mFileName : std::string()) +
                           "\" has unsaved changes.\nSave them now? (No discards them.)";
  switch (surface->ShowMessageBox(text.c_str(), kUnsavedCaption, kYesNoCancel))
  {
  case kAnswerYes:
    return saveUpperBank() ? BankEditsAnswer::kSaved : BankEditsAnswer::kKept;
  case kAnswerNo:
    markBankEditsSettled();
    return BankEditsAnswer::kDiscarded;
  default:
    // Without the question on screen the edits stay as they are; the message line says why, or what is
    // left to do after a cancelled question.
    if (!sayDialogFailed(" - edits kept"))
    {
      showStatusText(kSaveOrDiscardText);
    }
    return BankEditsAnswer::kKept;
  }
}
