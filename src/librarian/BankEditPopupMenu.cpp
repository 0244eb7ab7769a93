// BankEditPopupMenu: the librarian's main menu: its entries by mode and what each choice does.
#include "BankEditPopupMenu.h"

#include "ControlLayer.h"
#include "IPopupMenu.h"
#include "JobArguments.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"

#include <string>

namespace
{
std::string withBankLetter(const char* text, int bank)
{
  return std::string(text) + static_cast<char>('A' + bank);
}
} // namespace

BankEditPopupMenu::BankEditPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  AddMenuItemsIn(editor);
}

void BankEditPopupMenu::AddMenuItemsIn(Korvid* editor)
{
  mEditor = editor;
  rebuildMenu([this]() { fillMenus(); });
}

void BankEditPopupMenu::fillMenus()
{
  const bool multis = mEditor && mEditor->mMultiMode;
  filledForMultis = multis;
  requestSoundMenu = newSubMenu();
  requestMultiMenu = newSubMenu();
  storeSoundMenu = newSubMenu();
  storeMultiMenu = newSubMenu();
  saveAsMenu = newSubMenu();
  importMenu = newSubMenu();
  helpMenu = newSubMenu();

  IPopupMenu& main = getMenu();
  if (multis)
  {
    requestMultiMenu->AddItem("from Temp Buffer to Plug-in GUI");
    requestMultiMenu->AddItem("from Temp Buffer to Librarian");
    requestMultiMenu->AddItem("from selected Program Slot");
    requestMultiMenu->AddItem("All Multis from Selected Bank");
    storeMultiMenu->AddItem("To Currently Selected Slot & Bank");
    storeMultiMenu->AddItem("All Multis from Current Bank");
    main.AddItem("Request Multi Data", requestMultiMenu);
    main.AddSeparator();
    main.AddItem("Store Multi Data", storeMultiMenu);
  }
  else
  {
    requestSoundMenu->AddItem("from Active Slot to Plug-in GUI");
    requestSoundMenu->AddItem("from Active Slot to Librarian");
    requestSoundMenu->AddItem("from Selected Program Slot");
    requestSoundMenu->AddSeparator();
    storeSoundMenu->AddItem("To Currently Selected Slot & Bank");
    storeSoundMenu->AddSeparator();
    for (int bank = 0; bank < kBankCount; ++bank)
    {
      requestSoundMenu->AddItem(withBankLetter("All Patches from Bank ", bank).c_str());
      storeSoundMenu->AddItem(withBankLetter("All Current Patches to Bank ", bank).c_str());
    }
    main.AddItem("Request Patch Data", requestSoundMenu);
    main.AddSeparator();
    main.AddItem("Store Patch Data", storeSoundMenu);
  }
  main.AddSeparator();
  main.AddItem("Sync Current Data from HW");
  main.AddItem("Push Current Multi to HW");
  main.AddSeparator();
  main.AddItem("Save (Overwrite current bank)");
  saveAsMenu->AddItem("Standard MIDI (*.mid)");
  saveAsMenu->AddItem("Korvid Format (*.kvd)");
  main.AddItem("Save As...", saveAsMenu);
  main.AddSeparator();
  importMenu->AddItem("Standard MIDI (*.mid)");
  importMenu->AddItem("SysEx (*.syx / *.kvd)");
  main.AddItem("Import...", importMenu);
  main.AddItem("Refresh Folders");
  helpMenu->AddItem("Open Data Folder");
  helpMenu->AddItem("Open User Manual");
  helpMenu->AddItem("Open Support Ticket");
  helpMenu->AddItem("Check for Updates");
  helpMenu->AddItem("DAW Setup Guides");
  main.AddItem("Other Helpful things...", helpMenu);
  main.AddSeparator();
  main.AddItem("About this Plug-in...");
}

void BankEditPopupMenu::doPopupMenu(Korvid* editor)
{
  mEditor = editor;
  MenuHold hold(*this);
  IPopupMenu* chosen = mEditor ? showMenu() : nullptr;
  if (chosen)
  {
    const int index = chosen->GetChosenItemIdx();
    if (chosen == &getMenu())
    {
      onMainChoice(index);
    }
    else if (chosen == requestSoundMenu)
    {
      onRequestSoundChoice(index);
    }
    else if (chosen == requestMultiMenu)
    {
      onRequestMultiChoice(index);
    }
    else if (chosen == storeSoundMenu || chosen == storeMultiMenu)
    {
      onStoreChoice(index, chosen == storeMultiMenu);
    }
    else if (chosen == saveAsMenu)
    {
      mEditor->saveUpperBankAs(index == kStandardMidi);
    }
    else if (chosen == importMenu)
    {
      onImportChoice(index);
    }
    else if (chosen == helpMenu)
    {
      onHelpChoice(index);
    }
  }
  uncheckAll();
}

void BankEditPopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  if (mEditor && mEditor->mMultiMode != filledForMultis)
  {
    AddMenuItemsIn(mEditor);
  }
  doPopupMenu(mEditor);
  redrawAfterPopup();
}

void BankEditPopupMenu::onMainChoice(int index)
{
  switch (index)
  {
  case kItemSync:
    postRequest(mEditor, MIDIMessageSender::kJobRequestArrangement, mEditor->mCurrentPart, true);
    break;
  case kItemPush:
    if (MIDIMessageManager* manager = mEditor->mMIDIMessageManager; manager && mEditor->mOutputPresent)
    {
      JobArguments args;
      args.jobCode = MIDIMessageSender::kJobSendArrangement;
      args.saySent = true;
      Korvid* editor = mEditor;
      // The flags hold incoming data back while the multi goes out; set for a dropped post they would keep
      // the editor deaf.
      const bool posted = manager->post(args,
                                        [editor, manager]()
                                        {
                                          editor->mIgnoreIncoming = true;
                                          editor->mPushGlobal = true;
                                          editor->mPushAllParts = true;
                                          editor->mWorkerBusy = true;
                                          manager->sendRunning = true;
                                        });
      if (!posted)
      {
        mEditor->showStatusText(MIDIMessageSender::kTextBusyNothingSent);
      }
    }
    else
    {
      mEditor->showStatusText(Korvid::kNoOutputText);
    }
    break;
  case kItemSave:
    mEditor->saveUpperBank();
    break;
  case kItemRefresh:
    if (const Korvid::BankEditsAnswer answer = mEditor->settleUnsavedBankEdits();
        answer != Korvid::BankEditsAnswer::kKept)
    {
      mEditor->rescanFolders(answer);
    }
    break;
  case kItemAbout:
    if (mEditor->mAboutWindowLayer)
    {
      mEditor->mAboutWindowLayer->Hide(false);
    }
    break;
  default:
    break;
  }
}

void BankEditPopupMenu::onRequestSoundChoice(int index)
{
  MIDIMessageManager* manager = mEditor->mMIDIMessageManager;
  if (mEditor->mMultiMode || !manager)
  {
    return;
  }
  if (index == kRequestSlotToEditor || index == kRequestSlotToLibrarian)
  {
    postRequest(mEditor, MIDIMessageSender::kJobRequestPart, mEditor->mCurrentPart,
                index == kRequestSlotToEditor);
  }
  else if (index == kRequestSelectedProgram)
  {
    const IParam* bank = mEditor->GetParam(kRequestFromBank);
    manager->sendSinglePatchRequestSysexFromLibrarian(false, bank ? bank->Int() : 0);
  }
  else if (index >= kRequestBankA && index < kRequestBankA + kBankCount)
  {
    manager->sendAllPatchRequestSysexFromLibrarian(index - kRequestBankA);
  }
}

void BankEditPopupMenu::onRequestMultiChoice(int index)
{
  MIDIMessageManager* manager = mEditor->mMIDIMessageManager;
  if (!manager)
  {
    return;
  }
  if (index == kRequestMultiToEditor || index == kRequestMultiToLibrarian)
  {
    postRequest(mEditor, MIDIMessageSender::kJobRequestArrangement, mEditor->mCurrentPart,
                index == kRequestMultiToEditor);
  }
  else if (index == kRequestSelectedMulti || index == kRequestAllMultis)
  {
    JobArguments args;
    args.jobCode = index == kRequestSelectedMulti ? MIDIMessageSender::kJobRequestSingleMulti
                                                  : MIDIMessageSender::kJobRequestAllMultis;
    // The job arms the library request itself; a dropped post leaves the received flag as it was.
    manager->post(args, [manager]() { manager->dataReceived = false; });
  }
}

void BankEditPopupMenu::onStoreChoice(int index, bool multis)
{
  if (multis != mEditor->mMultiMode.load())
  {
    return;
  }
  if (index == kStoreSelectedSlot)
  {
    mEditor->SendSingleProgramFromLibrarian(true, mEditor->mCurrentPart);
  }
  else if (multis && index == kStoreAllMultis)
  {
    // Multis have one memory bank.
    mEditor->SendAllProgramsFromLibrarian(0);
  }
  else if (!multis && index >= kStoreBankA && index < kStoreBankA + kBankCount)
  {
    // Asks before it overwrites the synthesizer's bank.
    mEditor->SendAllProgramsFromLibrarian(index - kStoreBankA);
  }
}

void BankEditPopupMenu::onImportChoice(int index)
{
  if (index != kImportMidi && index != kImportSysex)
  {
    return;
  }
  // Unsaved edits are settled before anything is copied: the rescan that lists the new file would drop
  // them. Kept edits import nothing. The message line keeps saying what was imported, or why not.
  const Korvid::BankEditsAnswer answer = mEditor->settleUnsavedBankEdits();
  if (answer == Korvid::BankEditsAnswer::kKept)
  {
    mEditor->showStatusDetail("Nothing imported");
    return;
  }
  const std::string settled = mEditor->getStatusText();
  const bool imported = mEditor->saveImportedFile(index == kImportMidi);
  // Discarded edits are dropped by the rescan also when nothing came in.
  if (!imported && answer != Korvid::BankEditsAnswer::kDiscarded)
  {
    if (answer == Korvid::BankEditsAnswer::kSaved)
    {
      mEditor->showStatusLines(settled, mEditor->getStatusText());
    }
    return;
  }
  const std::string said = mEditor->getStatusText();
  mEditor->rescanFolders(answer);
  // What became of the edits stays above what became of the file.
  if (answer == Korvid::BankEditsAnswer::kNothingUnsaved)
  {
    mEditor->showStatusText(said.c_str());
  }
  else
  {
    mEditor->showStatusLines(answer == Korvid::BankEditsAnswer::kSaved ? settled : Korvid::kDiscardedText,
                             said);
  }
}

void BankEditPopupMenu::onHelpChoice(int index)
{
  if (index == kOpenDataFolder || index == kOpenUserManual)
  {
    mEditor->OpenDataDirectory(index == kOpenUserManual);
  }
  else if (index >= kOpenSupportTicket && index <= kDawSetupGuides)
  {
    mEditor->OpenHelpTopics(index - kOpenSupportTicket);
  }
}
