// ProgramNumberPopupMenu: the program selector, 128 programs in 13 sub-menus of ten.
#include "ProgramNumberPopupMenu.h"

#include "IPopupMenu.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <cstdio>

namespace
{
constexpr const char* kRangeTexts[] = {"01-10", "11-20", "21-30",  "31-40",   "41-50",   "51-60",  "61-70",
                                       "71-80", "81-90", "91-100", "101-110", "111-120", "121-128"};
constexpr int kSubMenuCount = static_cast<int>(sizeof(kRangeTexts) / sizeof(kRangeTexts[0]));
static_assert(kSubMenuCount * ProgramNumberPopupMenu::kProgramsPerSubMenu >=
                  ProgramNumberPopupMenu::kProgramCount,
              "the sub-menus hold every program");

// The upper pane's bank when the program selector lists library records, else null.
const PatchFile* libraryBank(PatchLibrarian* librarian, Korvid* editor)
{
  if (!librarian || !editor)
  {
    return nullptr;
  }
  IParam* library = editor->GetParam(kControlLibrary);
  IParam* upper = editor->GetParam(kPatchSelectionListUpper);
  if (!library || !upper || library->Value() != 1.0)
  {
    return nullptr;
  }
  const std::vector<PatchFile*>& banks = editor->mMultiMode ? librarian->mMultiBanks : librarian->mSoundBanks;
  const int index = upper->Int();
  return index >= 0 && index < static_cast<int>(banks.size()) ? banks[static_cast<size_t>(index)] : nullptr;
}
} // namespace

ProgramNumberPopupMenu::ProgramNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                               Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  refreshPatchNames(librarian, editor, 0);
}

bool ProgramNumberPopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int program)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  const PatchFile* bank = libraryBank(librarian, editor);
  for (int k = 0; k < kSubMenuCount; ++k)
  {
    IPopupMenu* subMenu = newSubMenu();
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
  return true;
}
