// BankNumberPopupMenu: the bank selector of the current part ("Bank A (RAM)" ... "Bank H (RAM)").
#include "BankNumberPopupMenu.h"

#include "IPopupMenu.h"
#include "Korvid.h"

#include <string>

namespace
{
constexpr const char* kMultiBankText = "Bank 0 (RAM)";
} // namespace

BankNumberPopupMenu::BankNumberPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                         Korvid* editor)
    : IPopupMenuControl(plug, librarian, rect, editor)
{
  refreshPatchNames(librarian, editor, 0);
}

bool BankNumberPopupMenu::refreshPatchNames(PatchLibrarian* librarian, Korvid* editor, int bank)
{
  mLibrarian = librarian;
  mEditor = editor;
  clearMenu();
  if (editor && editor->mMultiMode)
  {
    getMenu().AddItem(kMultiBankText);
    return false;
  }
  for (int b = 0; b < kBankCount; ++b)
  {
    const std::string text = std::string("Bank ") + static_cast<char>('A' + b) + " (RAM)";
    getMenu().AddItem(text.c_str());
  }
  // An index outside the items unticks them all.
  getMenu().CheckItemAlone(bank >= 0 && bank < kBankCount ? bank : -1);
  return true;
}
