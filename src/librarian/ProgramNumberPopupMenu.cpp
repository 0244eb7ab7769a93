// ProgramNumberPopupMenu: the program selector's entries and what a choice sends.
#include "ProgramNumberPopupMenu.h"

#include "IGraphics.h"
#include "IPopupMenu.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageSender.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr const char* kRangeTexts[] = {"01-10", "11-20", "21-30",  "31-40",   "41-50",   "51-60",  "61-70",
                                       "71-80", "81-90", "91-100", "101-110", "111-120", "121-128"};
static_assert(sizeof(kRangeTexts) / sizeof(kRangeTexts[0]) == ProgramNumberPopupMenu::kSubMenuCount,
              "one range text per sub-menu");
static_assert(ProgramNumberPopupMenu::kSubMenuCount * ProgramNumberPopupMenu::kProgramsPerSubMenu >=
                  ProgramNumberPopupMenu::kProgramCount,
              "the sub-menus hold every program");

// The multi's number in the bank and program tables.
constexpr int kMultiEntry = 16;
} // namespace

ProgramNumberPopupMenu::ProgramNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                               Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  refreshPatchNames(librarian, editor, 0);
}

IPopupMenu* ProgramNumberPopupMenu::getSubMenu(int k) const
{
  return k >= 0 && k < kSubMenuCount ? subMenus[k] : nullptr;
}

bool ProgramNumberPopupMenu::libraryControl() const
{
  const IParam* library = mEditor ? mEditor->GetParam(kControlLibrary) : nullptr;
  return library && library->Value() == 1.0;
}

const PatchFile* ProgramNumberPopupMenu::libraryBank() const
{
  if (!mLibrarian || !libraryControl())
  {
    return nullptr;
  }
  // The upper pane's bank: the one whose records a choice sends.
  return LibrarianViewControl::bankOfPane(mLibrarian, LibrarianViewControl::kUpperPane, false, false);
}

bool ProgramNumberPopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int program)
{
  mLibrarian = librarian;
  mEditor = editor;
  mTickedProgram = program;
  // A rebuild that waits for the menu's hold ticks the program chosen meanwhile.
  rebuildMenu([this]() { fillMenus(mTickedProgram); });
  return true;
}

void ProgramNumberPopupMenu::fillMenus(int program)
{
  const PatchFile* bank = libraryBank();
  mListedFile = bank ? bank->mFileName : std::string();
  mListedFolder = bank ? bank->mFolderPath : std::vector<std::string>();
  for (int k = 0; k < kSubMenuCount; ++k)
  {
    IPopupMenu* subMenu = subMenus[k] = newSubMenu();
    for (int p = k * kProgramsPerSubMenu; p < (k + 1) * kProgramsPerSubMenu && p < kProgramCount; ++p)
    {
      if (bank)
      {
        const bool present = p < static_cast<int>(bank->mRecords.size());
        subMenu->AddItem(present ? bank->mRecords[static_cast<size_t>(p)].mName.c_str() : "");
      }
      else
      {
        char text[16];
        std::snprintf(text, sizeof text, "Sound %03d", p + 1);
        subMenu->AddItem(text);
      }
    }
    if (program >= 0 && program / kProgramsPerSubMenu == k)
    {
      subMenu->CheckItemAlone(program % kProgramsPerSubMenu);
    }
    getMenu().AddItem(kRangeTexts[k], subMenu);
  }
}

int ProgramNumberPopupMenu::findAgain(int p, const std::string& name) const
{
  const PatchFile* bank = libraryBank();
  if (!bank || mListedFile.empty() || name.empty())
  {
    // Nothing listed by name: the send refuses position p as it finds it.
    return p;
  }
  if (bank->mFileName != mListedFile || bank->mFolderPath != mListedFolder)
  {
    return -1;
  }
  const std::vector<LibrarianPatch>& records = bank->mRecords;
  const int listed = std::min(static_cast<int>(records.size()), kProgramCount);
  if (p >= 0 && p < listed && records[static_cast<size_t>(p)].mName == name)
  {
    return p;
  }
  const auto end = records.begin() + listed;
  const auto found = std::find_if(records.begin(), end,
                                  [&name](const LibrarianPatch& record) { return record.mName == name; });
  return found == end ? -1 : static_cast<int>(found - records.begin());
}

bool ProgramNumberPopupMenu::sendLibrarySlot(int& p, const std::string& name)
{
  // The menu gave the locks back while it was up: a request that ended meanwhile read the banks back from
  // disk. The record is found again, and copied for the send, under the plug mutex.
  WDL_MutexLock lock(mEditor->GetMutex());
  const int found = findAgain(p, name);
  if (found < 0)
  {
    const std::string shown = name.substr(0, name.find_last_not_of(' ') + 1);
    mEditor->showStatusText((shown + " is no longer in " + mListedFile + " - nothing sent").c_str());
    return false;
  }
  p = found;
  const PatchFile* bank = libraryBank();
  if (!bank || p < 0 || p >= static_cast<int>(bank->mRecords.size()) ||
      bank->mRecords[static_cast<size_t>(p)].mMessages.empty())
  {
    // The send finds the same bank (the upper pane's) without the record: it sends nothing and says why.
    mEditor->sendPatchToDeviceFromLibrarian(p, LibrarianViewControl::kUpperPane, mEditor->mCurrentPart);
    return false;
  }
  mEditor->selectLibrarianSlot(LibrarianViewControl::kUpperPane, p);
  mEditor->sendPatchToDeviceFromLibrarian(p, LibrarianViewControl::kUpperPane, mEditor->mCurrentPart);
  return true;
}

int ProgramNumberPopupMenu::doPopupMenu(Korvid* editor, int& program)
{
  mEditor = editor;
  if (editor)
  {
    // Listed as they are now: requests, renames, pastes and rescans change the upper bank's records.
    WDL_MutexLock lock(editor->GetMutex());
    refreshPatchNames(mLibrarian, editor, mTickedProgram);
  }
  MenuHold hold(*this);
  IPopupMenu* chosen = editor ? showMenu() : nullptr;
  if (!chosen)
  {
    return 0;
  }
  uncheckAll();
  int k = 0;
  while (k < kSubMenuCount && subMenus[k] != chosen)
  {
    ++k;
  }
  if (k == kSubMenuCount)
  {
    return 0;
  }
  const int item = chosen->GetChosenItemIdx();
  int p = k * kProgramsPerSubMenu + item;
  const bool multi = editor->mMultiMode;
  const int part = editor->mCurrentPart;
  const int programParam = multi ? kMultiPatch : kMultiPartPatch + part;
  if (libraryControl())
  {
    // Only a record of the listed bank can be sent; anything else leaves program and selection alone.
    const char* text = chosen->GetItemText(item);
    if (!sendLibrarySlot(p, text ? text : ""))
    {
      return 0;
    }
  }
  else
  {
    if (IGraphics* surface = editor->GetGUI())
    {
      surface->SetParameterFromPlug(programParam, static_cast<double>(p), false);
    }
    if (!multi)
    {
      editor->choosePartProgram(part);
    }
    else if (editor->BankChangeMessage(kMultiEntry))
    {
      if (editor->mProgramChangeControlsBank)
      {
        postRequest(editor, MIDIMessageSender::kJobRequestArrangement, part, true);
      }
      else
      {
        editor->sendPatchToDevice(part, false, false, false, true);
      }
    }
  }
  {
    WDL_MutexLock lock(editor->GetMutex());
    if (IParam* param = editor->GetParam(programParam))
    {
      param->SetBounded(static_cast<double>(p));
    }
    mTickedProgram = p;
  }
  // The record found again may stand at another place than the item chosen.
  subMenus[p / kProgramsPerSubMenu]->CheckItemAlone(p % kProgramsPerSubMenu);
  program = p;
  return p;
}

void ProgramNumberPopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  doPopupMenu(mEditor, currentChoice);
  redrawAfterPopup();
}
