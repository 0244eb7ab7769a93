// Saving the upper pane's bank and settling unsaved bank edits before they could be dropped.
#include "Korvid.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

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
  if (!mPatchLibrarian)
  {
    return nullptr;
  }
  const std::vector<PatchFile*>& banks = mPatchLibrarian->mPatchType == PatchLibrarian::kPatchTypeMultis
                                             ? mPatchLibrarian->mMultiBanks
                                             : mPatchLibrarian->mSoundBanks;
  const int index = mPatchLibrarian->mUpperBankIndex;
  return index >= 0 && index < static_cast<int>(banks.size()) ? banks[static_cast<size_t>(index)] : nullptr;
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
  const PatchFile* bank = upperBank();
  if (!bank)
  {
    return false;
  }
  const std::string path = bankFilePath(*bank);
  const std::string folder = path.empty() ? getPatchesFolderStr() : path.substr(0, path.find_last_of('/'));
  const std::string proposed = withExtension(bank->mFileName, midiFile ? "mid" : "kvd");
  if (!mPatchLibrarian->savePatchAs(proposed.c_str(), folder, midiFile))
  {
    return false;
  }
  markBankEditsSettled();
  showStatusText((kSavedText + (mPatchLibrarian->mMultiMode ? mPatchLibrarian->mCurrentMultiBankName
                                                            : mPatchLibrarian->mCurrentSoundBankName))
                     .c_str());
  return true;
}

void Korvid::OnGrayedControlClicked(int paramIdx)
{
  if (paramIdx == kDatatype && hasUnsavedBankEdits())
  {
    showStatusText(kSaveOrDiscardText);
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
