// FileEditPopupMenu: the slot menu's items and what each choice does to the selected upper slot.
#include "FileEditPopupMenu.h"

#include "IGraphics.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <functional>

namespace
{
const IColor kTransparent(0, 0, 0, 0);

constexpr const char* kTextNoSlot = "Select a slot of the upper bank first";
constexpr const char* kTextBusy = "A transfer is running - try again later";

void untick(IPopupMenu& menu)
{
  menu.CheckItemAlone(-1);
}
} // namespace

FileEditPopupMenu::FileEditPopupMenu(IPlugBase* plug, PatchLibrarian* librarianIn, IRECT rect,
                                     Korvid* editorIn)
    : IControl(plug, rect, -1), editor(editorIn), librarian(librarianIn)
{
  AddMenuItemsIn();
}

void FileEditPopupMenu::AddMenuItemsIn()
{
  mainMenu.AddItem("Paste");
  mainMenu.AddSeparator();
  mainMenu.AddItem("Rename");
  mainMenu.AddSeparator();
  mainMenu.AddItem("Initialize Slot");
  mainMenu.AddItem("Get DATA from..", &getDataMenu);
  getDataMenu.AddItem("Plug-in (active patch)");
  getDataMenu.AddSeparator();
  getDataMenu.AddItem("Hardware Edit Buffer");
  getDataMenu.AddItem("Hardware by Prog No.");
}

bool FileEditPopupMenu::Draw(IGraphics* pGraphics)
{
  return pGraphics->FillIRect(&kTransparent, &mRECT);
}

void FileEditPopupMenu::OnMouseDown(int x, int y, IMouseMod*)
{
  doPopupMenu(editor, x, y);
  SetDirty(false);
}

void FileEditPopupMenu::doPopupMenu(Korvid* editorIn, int x, int y)
{
  editor = editorIn;
  IGraphics* surface = editor != nullptr ? editor->GetGUI() : nullptr;
  if (surface == nullptr)
    return;
  IRECT area = mRECT;
  IPopupMenu* chosen = surface->CreateIPopupMenu(&mainMenu, &area);
  const int index = chosen != nullptr ? chosen->GetChosenItemIdx() : -1;
  LibrarianViewControl* view = editor->mLibrarianView;
  if (chosen == &mainMenu && index == kPaste && view != nullptr)
    view->PasteSlotData(x, y);
  else if (chosen == &mainMenu && index == kRename && view != nullptr)
    view->renameSlot(x, y);
  else if (chosen == &mainMenu && index == kInitializeSlot)
    fillSlot(editor, Fill::kInitialize);
  else if (chosen == &getDataMenu && index == kFromPlugin)
    fillSlot(editor, Fill::kFromPlugin);
  else if (chosen == &getDataMenu && index == kFromEditBuffer)
    fillSlot(editor, Fill::kFromEditBuffer);
  else if (chosen == &getDataMenu && index == kFromProgramNumber)
    fillSlot(editor, Fill::kFromProgramNumber);
  untick(mainMenu);
  untick(getDataMenu);
}

void FileEditPopupMenu::fillSlot(Korvid* ed, Fill choice)
{
  MIDIMessageManager* manager = ed->mMIDIMessageManager;
  const int slot = librarian != nullptr ? librarian->mSelectedUpperSlot : -1;
  if (manager == nullptr || slot < 0 || slot >= LibrarianViewControl::kSlotCount)
  {
    ed->showStatusText(kTextNoSlot);
    return;
  }
  // A request armed while another job runs would take that job's data: refused instead.
  if (ed->ThreadRunning())
  {
    ed->showStatusText(kTextBusy);
    return;
  }
  // A request refused for want of a port says so, not that a transfer runs.
  if ((choice == Fill::kFromEditBuffer || choice == Fill::kFromProgramNumber) && manager->refusesRequest())
  {
    return;
  }
  const bool multi = ed->mMultiMode.load();
  const IParam* bankParam = ed->GetParam(kRequestFromBank);
  const int bank = bankParam != nullptr ? bankParam->Int() : 0;
  JobArguments args;
  std::function<void()> prepare;
  switch (choice)
  {
  case Fill::kInitialize:
    args.jobCode = multi ? MIDIMessageSender::kJobInitPerformance : MIDIMessageSender::kJobInitClassicPatch;
    prepare = [manager]() { manager->dumpExpected = true; };
    break;
  case Fill::kFromPlugin:
    args.jobCode = multi ? MIDIMessageSender::kJobSendArrangement : MIDIMessageSender::kJobSendPart;
    args.part = ed->mCurrentPart.load();
    args.toLibrarian = true;
    args.requestParts = false;
    prepare = [manager]() { manager->sendRunning = true; };
    break;
  case Fill::kFromEditBuffer:
    if (!multi)
    {
      if (!manager->sendSinglePatchRequestSysexFromLibrarian(true, bank))
      {
        ed->showStatusText(kTextBusy);
      }
      return;
    }
    args.jobCode = MIDIMessageSender::kJobRequestArrangement;
    args.toEditor = false;
    break;
  case Fill::kFromProgramNumber:
    if (!multi)
    {
      if (!manager->sendSinglePatchRequestSysexFromLibrarian(false, bank))
      {
        ed->showStatusText(kTextBusy);
      }
      return;
    }
    args.jobCode = MIDIMessageSender::kJobRequestSingleMulti;
    prepare = [manager]()
    {
      manager->performanceRequest.arm(true);
      manager->dataReceived = false;
    };
    break;
  }
  if (!manager->post(args, prepare))
    ed->showStatusText(kTextBusy);
}
