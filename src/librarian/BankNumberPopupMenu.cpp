// BankNumberPopupMenu: the bank selector's entries and what a choice sends.
#include "BankNumberPopupMenu.h"

#include "IGraphics.h"
#include "IPopupMenu.h"
#include "Korvid.h"
#include "ParamIndex.h"

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
  rebuildMenu([this, bank]() { fillMenu(bank); });
  return !(editor && editor->mMultiMode);
}

void BankNumberPopupMenu::fillMenu(int bank)
{
  if (mEditor && mEditor->mMultiMode)
  {
    getMenu().AddItem(kMultiBankText);
    return;
  }
  for (int b = 0; b < kBankCount; ++b)
  {
    const std::string text = std::string("Bank ") + static_cast<char>('A' + b) + " (RAM)";
    getMenu().AddItem(text.c_str());
  }
  // An index outside the items unticks them all.
  getMenu().CheckItemAlone(bank >= 0 && bank < kBankCount ? bank : -1);
}

int BankNumberPopupMenu::bankParam() const
{
  return mEditor->mMultiMode ? kMultiBank : kMultiPartBank + mEditor->mCurrentPart;
}

int BankNumberPopupMenu::doPopupMenu(Korvid* editor, int& bank)
{
  mEditor = editor;
  MenuHold hold(*this);
  IPopupMenu* chosen = editor ? showMenu() : nullptr;
  if (!chosen)
  {
    return 0;
  }
  uncheckAll();
  if (chosen != &getMenu())
  {
    return 0;
  }
  const int b = chosen->GetChosenItemIdx();
  const int paramIdx = bankParam();
  const bool multi = editor->mMultiMode;
  const int part = editor->mCurrentPart;
  if (IGraphics* surface = editor->GetGUI())
  {
    surface->SetParameterFromPlug(paramIdx, static_cast<double>(b), false);
  }
  // The multi's bank change sends nothing after it.
  if (multi)
  {
    editor->BankChangeMessage(part);
  }
  else
  {
    editor->choosePartProgram(part);
  }
  if (IParam* param = editor->GetParam(paramIdx))
  {
    param->SetBounded(static_cast<double>(b));
  }
  getMenu().CheckItemAlone(b);
  bank = b;
  return b;
}

void BankNumberPopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  if (!mEditor)
  {
    return;
  }
  const IParam* param = mEditor->GetParam(bankParam());
  currentChoice = param ? param->Int() : 0;
  doPopupMenu(mEditor, currentChoice);
  // Written back also after a dismissed menu, so that the controls show the bank the parameter holds.
  if (IGraphics* surface = mEditor->GetGUI())
  {
    surface->SetParameterFromPlug(bankParam(), static_cast<double>(currentChoice), false);
  }
  redrawAfterPopup();
}
