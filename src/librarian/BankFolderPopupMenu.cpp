// The bank browser family: the three layout rules, the tick test, the pane selection and the choice.
#include "BankFolderPopupMenu.h"

#include "FolderFiles.h"
#include "IGraphics.h"
#include "IPopupMenu.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"

#include <algorithm>

namespace
{
// The label of the top level, and the folder name the banks of the library root are ticked by.
constexpr const char* kRootLabel = "Patches";
// The value of kMainTab while the librarian page is shown.
constexpr double kLibrarianPage = 1.0;

// True when fileName may be the shortened display form of bankFile: then only the form the bank list gave
// the bank decides.
bool mayBeShortenedForm(const std::string& bankFile, const std::string& fileName)
{
  const size_t prefix = Korvid::shortenedPrefixLength(bankFile);
  return fileName.size() > prefix && fileName[prefix] == '~' &&
         bankFile.size() > Korvid::kMaxShownNameLength &&
         bankFile.compare(0, prefix, fileName, 0, prefix) == 0;
}
} // namespace

BankFolderPopupMenu::BankFolderPopupMenu(IPlugBase* plug, PatchLibrarian* librarian, IRECT rect,
                                         Korvid* editor, const Binding& binding)
    : IPopupMenuControl(plug, librarian, rect, editor), mBinding(binding)
{
}

BankFolderPopupMenu::~BankFolderPopupMenu() = default;

bool BankFolderPopupMenu::namesBank(const PatchFile* bank, const std::string& fileName,
                                    const std::string& folderName) const
{
  return bank && namesFile(*bank, bank->mFolderName, fileName, folderName);
}

bool BankFolderPopupMenu::namesFile(const PatchFile& bank, const std::string& bankFolder,
                                    const std::string& fileName, const std::string& folderName) const
{
  if (fileName.empty() || bankFolder != folderName)
  {
    return false;
  }
  if (bank.mFileName == fileName)
  {
    return true;
  }
  // The selection lists show long names shortened, numbered in list order among the names of the same
  // start: a pair taken from them names the one bank that got that whole form, not every longer name with
  // the same start.
  return mayBeShortenedForm(bank.mFileName, fileName) && shownNameOf(bank) == fileName;
}

std::string BankFolderPopupMenu::shownNameOf(const PatchFile& bank) const
{
  const std::vector<PatchFile*>* banks = bankList();
  if (!banks)
  {
    return std::string();
  }
  int counter = 0;
  std::string previousPrefix;
  for (const PatchFile* listed : *banks)
  {
    const std::string shown =
        Korvid::shortenedBankName(listed ? listed->mFileName : std::string(), counter, previousPrefix);
    if (listed == &bank)
    {
      return shown;
    }
  }
  return std::string();
}

const std::vector<FolderFiles*>* BankFolderPopupMenu::tree() const
{
  if (!mLibrarian)
  {
    return nullptr;
  }
  switch (mBinding.tree)
  {
  case PatchLibrarian::kSoundTree:
    return &mLibrarian->mSoundTree;
  case PatchLibrarian::kMultiTree:
    return &mLibrarian->mMultiTree;
  case PatchLibrarian::kCategoryTree:
    return &mLibrarian->mCategoryTree;
  case PatchLibrarian::kSearchTree:
    return &mLibrarian->mSearchTree;
  default:
    return nullptr;
  }
}

const std::vector<PatchFile*>* BankFolderPopupMenu::bankList() const
{
  if (!mLibrarian)
  {
    return nullptr;
  }
  switch (mBinding.tree)
  {
  case PatchLibrarian::kSoundTree:
    return &mLibrarian->mSoundBanks;
  case PatchLibrarian::kMultiTree:
    return &mLibrarian->mMultiBanks;
  case PatchLibrarian::kCategoryTree:
    return &mLibrarian->mCategoryBanks;
  case PatchLibrarian::kSearchTree:
    return &mLibrarian->mSearchBanks;
  default:
    return nullptr;
  }
}

PatchFile* BankFolderPopupMenu::bankAt(int index) const
{
  const std::vector<PatchFile*>* banks = bankList();
  return banks && index >= 0 && index < static_cast<int>(banks->size()) ? (*banks)[static_cast<size_t>(index)]
                                                                        : nullptr;
}

int BankFolderPopupMenu::positionOf(const PatchFile* bank) const
{
  const std::vector<PatchFile*>* banks = bankList();
  if (!banks || !bank)
  {
    return -1;
  }
  for (size_t i = 0; i < banks->size(); ++i)
  {
    if ((*banks)[i] == bank)
    {
      return static_cast<int>(i);
    }
  }
  return -1;
}

PatchFile* BankFolderPopupMenu::bankOfItem(const IPopupMenu* menu, int index) const
{
  const BankItem* item = itemAt(menu, index);
  return item ? item->bank : nullptr;
}

const BankFolderPopupMenu::BankItem* BankFolderPopupMenu::itemAt(const IPopupMenu* menu, int index) const
{
  for (const BankItem& item : mBankItems)
  {
    if (item.menu == menu && item.index == index)
    {
      return &item;
    }
  }
  return nullptr;
}

int BankFolderPopupMenu::findAgain(const BankItem& item) const
{
  const std::vector<PatchFile*>* banks = bankList();
  if (!banks)
  {
    return -1;
  }
  const auto same = [&item](const PatchFile* bank)
  { return bank && bank->mFileName == item.fileName && bank->mFolderPath == item.folderPath; };
  // Category and search banks have no folder path: the one at the item's place, if it is still there.
  if (same(bankAt(item.position)))
  {
    return item.position;
  }
  const auto found = std::find_if(banks->begin(), banks->end(), same);
  return found == banks->end() ? -1 : static_cast<int>(found - banks->begin());
}

int BankFolderPopupMenu::paneBankIndex() const
{
  if (!mLibrarian)
  {
    return 0;
  }
  return mBinding.pane == Pane::kUpper ? mLibrarian->mUpperBankIndex : mLibrarian->mLowerBankIndex;
}

void BankFolderPopupMenu::registerMenu(IPopupMenu* menu, const std::string& label)
{
  mMenus.push_back(menu);
  mMenuLabels.push_back(label);
}

void BankFolderPopupMenu::addBanks(IPopupMenu* menu, const std::vector<PatchFile*>& banks, TickTest& test,
                                   const char* rootLabel)
{
  int added = 0;
  for (PatchFile* bank : banks)
  {
    if (!bank)
    {
      continue;
    }
    menu->AddItem(bank->mFileName.c_str());
    const int item = menu->GetNItems() - 1;
    mBankItems.push_back({menu, item, bank, positionOf(bank), bank->mFileName, bank->mFolderPath});
    if (!test.ticked)
    {
      const std::string& folder = rootLabel ? std::string(rootLabel) : bank->mFolderName;
      if (namesFile(*bank, folder, test.fileName, test.folderName) || test.position + added == test.index)
      {
        menu->CheckItemAlone(item);
        test.ticked = true;
      }
    }
    ++added;
  }
  test.position += added;
}

void BankFolderPopupMenu::buildFolders(const std::vector<FolderFiles*>& nodes, TickTest& test)
{
  for (size_t t = 0; t < nodes.size(); ++t)
  {
    const FolderFiles* top = nodes[t];
    if (!top)
    {
      continue;
    }
    for (const SubFolderFiles& second : top->mChildren)
    {
      IPopupMenu* secondLevel = newSubMenu();
      for (const SubFolderFiles2& third : second.mChildren)
      {
        IPopupMenu* thirdLevel = newSubMenu();
        addBanks(thirdLevel, third.mBanks, test);
        secondLevel->AddItem(third.mName.c_str(), thirdLevel);
        registerMenu(thirdLevel, third.mName);
      }
      addBanks(secondLevel, second.mBanks, test);
      getMenu().AddItem(second.mName.c_str(), secondLevel);
      registerMenu(secondLevel, second.mName);
    }
    // A top-level folder with sub-folders lists only them; the library root's own banks sit in a node
    // without children and are listed at the top level.
    if (top->mChildren.empty())
    {
      addBanks(&getMenu(), top->mBanks, test, kRootLabel);
      if (t + 1 == nodes.size())
      {
        registerMenu(&getMenu(), kRootLabel);
      }
    }
  }
}

void BankFolderPopupMenu::buildCategories(const std::vector<FolderFiles*>& nodes, TickTest& test)
{
  for (const FolderFiles* top : nodes)
  {
    if (!top)
    {
      continue;
    }
    for (const SubFolderFiles& category : top->mChildren)
    {
      if (category.mBanks.empty())
      {
        continue;
      }
      IPopupMenu* categoryMenu = newSubMenu();
      addBanks(categoryMenu, category.mBanks, test);
      getMenu().AddItem(category.mName.c_str(), categoryMenu);
      registerMenu(categoryMenu, category.mName);
    }
  }
  // The top level holds only sub-menu entries.
  registerMenu(&getMenu(), "");
}

void BankFolderPopupMenu::buildSearchResults(const std::vector<FolderFiles*>& nodes, TickTest& test)
{
  for (size_t t = 0; t < nodes.size(); ++t)
  {
    if (!nodes[t])
    {
      continue;
    }
    addBanks(&getMenu(), nodes[t]->mBanks, test, kRootLabel);
    if (t + 1 == nodes.size())
    {
      registerMenu(&getMenu(), kRootLabel);
    }
  }
}

void BankFolderPopupMenu::layOut(int index, const std::string& fileName, const std::string& folderName)
{
  mMenus.clear();
  mMenuLabels.clear();
  mBankItems.clear();
  TickTest test{index, fileName, folderName, 0, false};
  const std::vector<FolderFiles*>* nodes = tree();
  if (!nodes)
  {
    return;
  }
  switch (mBinding.rule)
  {
  case BuildRule::kFolders:
    buildFolders(*nodes, test);
    break;
  case BuildRule::kCategories:
    buildCategories(*nodes, test);
    break;
  case BuildRule::kSearchResults:
    buildSearchResults(*nodes, test);
    break;
  }
}

bool BankFolderPopupMenu::paneShowsList() const
{
  return mEditor && mEditor->banksOfPane(mBinding.pane == Pane::kUpper) == bankList();
}

bool BankFolderPopupMenu::rebuild(int index, const std::string& fileName, const std::string& folderName)
{
  // While the menu is up, or its choice is being carried out, the pane follows the library at once and the
  // items wait for the menu to be done: then they tick the bank the pane shows by then.
  const bool deferred = menuHeld();
  rebuildMenu(
      [this, deferred, index, fileName, folderName]()
      {
        const int shownIndex = paneBankIndex();
        const PatchFile* shown = deferred && paneShowsList() ? bankAt(shownIndex) : nullptr;
        layOut(shown ? shownIndex : index, shown ? shown->mFileName : fileName,
               shown ? shown->mFolderName : folderName);
        if (shown && mBinding.retick)
        {
          checkMenuItemAlone(mLibrarian, mEditor, shownIndex);
        }
      });
  const int found = reselect(index, fileName, folderName);
  if (!deferred && found >= 0 && mBinding.retick)
  {
    checkMenuItemAlone(mLibrarian, mEditor, found);
  }
  return true;
}

int BankFolderPopupMenu::reselect(int index, const std::string& fileName, const std::string& folderName)
{
  const std::vector<PatchFile*>* banks = bankList();
  if (!banks || !mEditor)
  {
    return -1;
  }
  // Names are not unique across folders of the same name: the bank the caller or the pane already points at
  // wins over the other matches.
  int found = -1;
  if (namesBank(bankAt(index), fileName, folderName))
  {
    found = index;
  }
  else if (namesBank(bankAt(paneBankIndex()), fileName, folderName))
  {
    found = paneBankIndex();
  }
  else
  {
    for (size_t i = 0; i < banks->size(); ++i)
    {
      if (namesBank((*banks)[i], fileName, folderName))
      {
        found = static_cast<int>(i);
      }
    }
  }
  if (found >= 0 && leavesUnsavedBank(found))
  {
    found = paneBankIndex();
  }
  if (found >= 0)
  {
    applyPaneSelection(found);
  }
  return found;
}

void BankFolderPopupMenu::checkMenuItemAlone(PatchLibrarian*, Korvid*, int index)
{
  uncheckAll();
  const PatchFile* bank = bankAt(index);
  if (!bank)
  {
    return;
  }
  for (const BankItem& item : mBankItems)
  {
    if (item.bank == bank)
    {
      item.menu->CheckItemAlone(item.index);
      return;
    }
  }
}

bool BankFolderPopupMenu::doPopupMenu(Korvid* editor, int& index)
{
  MenuHold hold(*this);
  IPopupMenu* chosen = showMenu();
  const BankItem* item = chosen ? itemAt(chosen, chosen->GetChosenItemIdx()) : nullptr;
  if (!item || !mEditor)
  {
    return false;
  }
  // The menu gave the locks back while it was up: a rescan may have read the library again meanwhile. The
  // bank is found again by its names; the items (kept while the menu was up) point at banks no more.
  WDL_MutexLock lock(mEditor->GetMutex());
  index = paneBankIndex();
  int position = item->position;
  if (position >= 0)
  {
    position = findAgain(*item);
    if (position < 0)
    {
      mEditor->showStatusText((item->fileName + " is no longer in the library - nothing opened").c_str());
      return false;
    }
  }
  if (position >= 0 && leavesUnsavedBank(position))
  {
    mEditor->showStatusText(Korvid::kSaveOrDiscardText);
    return false;
  }
  uncheckAll();
  chosen->CheckItemAlone(chosen->GetChosenItemIdx());
  // A bank outside the list (an empty category bank) cannot be shown: the selection stays.
  if (position >= 0 && editor)
  {
    index = position;
  }
  return true;
}

bool BankFolderPopupMenu::leavesUnsavedBank(int index) const
{
  return mBinding.pane == Pane::kUpper && mEditor && mLibrarian && index != mLibrarian->mUpperBankIndex &&
         mEditor->hasUnsavedBankEdits();
}

void BankFolderPopupMenu::applyPaneSelection(int index)
{
  if (const std::vector<PatchFile*>* banks = bankList(); banks && mEditor)
  {
    mEditor->openPaneBank(mBinding.pane == Pane::kUpper ? LibrarianViewControl::kUpperPane
                                                        : LibrarianViewControl::kLowerPane,
                          index, *banks);
  }
}

void BankFolderPopupMenu::reloadPane()
{
  LibrarianViewControl* view = mEditor ? mEditor->mLibrarianView : nullptr;
  if (!view)
  {
    return;
  }
  view->Redraw();
  if (mBinding.pane == Pane::kUpper)
  {
    view->patchSelectionUpperChanged();
  }
  else
  {
    view->patchSelectionLowerChanged();
  }
}

void BankFolderPopupMenu::OnMouseDown(int, int, IMouseMod*)
{
  if (!mEditor || !mLibrarian)
  {
    return;
  }
  MenuHold hold(*this);
  if (doPopupMenu(mEditor, mSelectedIndex))
  {
    WDL_MutexLock lock(mEditor->GetMutex());
    applyPaneSelection(mSelectedIndex);
    reloadPane();
    mEditor->sayShownBank(mBinding.pane == Pane::kUpper);
  }
  redrawAfterPopup();
}

void BankFolderPopupMenu::chooseUpperBankAndSend(bool multis)
{
  if (!mEditor || !mLibrarian)
  {
    return;
  }
  MenuHold hold(*this);
  if (!doPopupMenu(mEditor, mSelectedIndex))
  {
    redrawAfterPopup();
    return;
  }
  {
    WDL_MutexLock lock(mEditor->GetMutex());
    applyPaneSelection(mSelectedIndex);
    IGraphics* surface = mEditor->GetGUI();
    if (multis && surface)
    {
      surface->SetParameterFromPlug(kMultiPatch, static_cast<double>(mSelectedIndex), false);
    }
    const IParam* mainTab = mEditor->GetParam(kMainTab);
    if (mainTab && mainTab->Value() == kLibrarianPage)
    {
      reloadPane();
    }
    mEditor->sayShownBank(true);
  }
  // A sound bank choice keeps the bank selector as it is; a multi one refreshes it too.
  mEditor->updateBankAndProgramMenuNames(!multis);
  LibrarianViewControl* view = mEditor->mLibrarianView;
  if (view && view->cursorSlot >= 0)
  {
    const int slot = view->cursorSlot;
    mEditor->selectLibrarianSlot(view->activePane, slot);
    mEditor->sendPatchToDeviceFromLibrarian(slot, view->activePane, mEditor->mCurrentPart);
  }
  redrawAfterPopup();
}
