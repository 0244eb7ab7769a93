// Base of the librarian's popup menus: building from the library, ticking the selection, showing the menu.
#include "IPopupMenuControl.h"

#include "FolderFiles.h"
#include "IGraphics.h"
#include "IPopupMenu.h"
#include "Korvid.h"
#include "PatchFile.h"

namespace
{
const IColor kTransparent(0, 0, 0, 0);
} // namespace

IPopupMenuControl::IPopupMenuControl(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect, Korvid* editor)
    : IControl(plug, rect, -1), mLibrarian(librarian), mEditor(editor), mMenu(std::make_unique<IPopupMenu>())
{
}

IPopupMenuControl::~IPopupMenuControl() = default;

bool IPopupMenuControl::Draw(IGraphics* pGraphics)
{
  return pGraphics->FillIRect(&kTransparent, &mRECT);
}

void IPopupMenuControl::OnMouseDown(int, int, IMouseMod*)
{
  IPlugBase* plug = GetPlug();
  IGraphics* surface = plug ? plug->GetGUI() : nullptr;
  if (!surface || mMenu->GetNItems() == 0)
  {
    return;
  }
  IRECT area = mRECT;
  if (IPopupMenu* chosen = surface->CreateIPopupMenu(mMenu.get(), &area))
  {
    onChoice(chosen, chosen->GetChosenItemIdx());
  }
}

void IPopupMenuControl::onChoice(IPopupMenu*, int) {}

PatchFile* IPopupMenuControl::bankOfItem(const IPopupMenu* menu, int index) const
{
  for (const BankItem& item : mBankItems)
  {
    if (item.menu == menu && item.index == index)
    {
      return item.bank;
    }
  }
  return nullptr;
}

bool IPopupMenuControl::matchesSelection(const PatchFile* bank, const std::string& displayName,
                                         const std::string& title)
{
  if (!bank || displayName.empty() || bank->mFolderName != title)
  {
    return false;
  }
  if (bank->mFileName == displayName)
  {
    return true;
  }
  const size_t prefix = Korvid::kShortenedPrefixLength;
  return displayName.size() > prefix && displayName[prefix] == '~' && bank->mFileName.size() > prefix &&
         bank->mFileName.compare(0, prefix, displayName, 0, prefix) == 0;
}

void IPopupMenuControl::clearMenu()
{
  mBankItems.clear();
  mMenu = std::make_unique<IPopupMenu>();
  mSubMenus.clear();
}

IPopupMenu* IPopupMenuControl::newSubMenu()
{
  mSubMenus.push_back(std::make_unique<IPopupMenu>());
  return mSubMenus.back().get();
}

void IPopupMenuControl::addBankItem(IPopupMenu* menu, PatchFile* bank, const std::string& text,
                                    const std::string& displayName, const std::string& title)
{
  IPopupMenuItem* item = menu->AddItem(text.c_str());
  item->SetChecked(matchesSelection(bank, displayName, title));
  mBankItems.push_back({menu, menu->GetNItems() - 1, bank});
}

void IPopupMenuControl::fillFromTree(const std::vector<FolderFiles*>& tree, const std::string& displayName,
                                     const std::string& title)
{
  clearMenu();
  for (const FolderFiles* folder : tree)
  {
    if (!folder)
    {
      continue;
    }
    IPopupMenu* folderMenu = newSubMenu();
    for (const SubFolderFiles& child : folder->mChildren)
    {
      IPopupMenu* childMenu = newSubMenu();
      for (const SubFolderFiles2& grandChild : child.mChildren)
      {
        IPopupMenu* grandChildMenu = newSubMenu();
        for (PatchFile* bank : grandChild.mBanks)
        {
          if (bank)
          {
            addBankItem(grandChildMenu, bank, bank->mFileName, displayName, title);
          }
        }
        childMenu->AddItem(grandChild.mName.c_str(), grandChildMenu);
      }
      for (PatchFile* bank : child.mBanks)
      {
        if (bank)
        {
          addBankItem(childMenu, bank, bank->mFileName, displayName, title);
        }
      }
      folderMenu->AddItem(child.mName.c_str(), childMenu);
    }
    for (PatchFile* bank : folder->mBanks)
    {
      if (bank)
      {
        addBankItem(folderMenu, bank, bank->mFileName, displayName, title);
      }
    }
    mMenu->AddItem(folder->mName.c_str(), folderMenu);
  }
}

void IPopupMenuControl::fillFromBanks(const std::vector<PatchFile*>& banks, const std::string& displayName,
                                      const std::string& title)
{
  clearMenu();
  int counter = 0;
  std::string previousPrefix;
  for (PatchFile* bank : banks)
  {
    if (bank)
    {
      const std::string text = Korvid::shortenedBankName(bank->mFileName, counter, previousPrefix);
      IPopupMenuItem* item = mMenu->AddItem(text.c_str());
      // The bank-name selectors tick by the list's display text and the bank's folder.
      item->SetChecked(!displayName.empty() && text == displayName && bank->mFolderName == title);
      mBankItems.push_back({mMenu.get(), mMenu->GetNItems() - 1, bank});
    }
  }
}
