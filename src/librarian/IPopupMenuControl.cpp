// Base of the librarian's popup menus: owning the menus and showing them.
#include "IPopupMenuControl.h"

#include "IGraphics.h"
#include "IPlugBase.h"
#include "IPopupMenu.h"
#include "JobArguments.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"

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

IPopupMenu* IPopupMenuControl::showMenu()
{
  IPlugBase* plug = GetPlug();
  IGraphics* surface = plug ? plug->GetGUI() : nullptr;
  // An empty menu would open as a bare frame with nothing to choose.
  if (!surface || mMenu->GetNItems() == 0)
  {
    return nullptr;
  }
  IRECT area = mRECT;
  IPopupMenu* chosen = surface->CreateIPopupMenu(mMenu.get(), &area);
  return chosen && chosen->GetChosenItemIdx() >= 0 ? chosen : nullptr;
}

IPopupMenuControl::MenuHold::MenuHold(IPopupMenuControl& control) : mControl(control)
{
  IPlugBase* plug = mControl.GetPlug();
  WDL_MutexLock lock(plug ? plug->GetMutex() : nullptr);
  ++mControl.mHolds;
}

IPopupMenuControl::MenuHold::~MenuHold()
{
  IPlugBase* plug = mControl.GetPlug();
  WDL_MutexLock lock(plug ? plug->GetMutex() : nullptr);
  if (--mControl.mHolds > 0 || !mControl.mWaitingBuild)
  {
    return;
  }
  std::function<void()> build = std::move(mControl.mWaitingBuild);
  mControl.mWaitingBuild = nullptr;
  mControl.rebuildMenu(std::move(build));
}

void IPopupMenuControl::rebuildMenu(std::function<void()> build)
{
  if (menuHeld())
  {
    mWaitingBuild = std::move(build);
    return;
  }
  mMenu = std::make_unique<IPopupMenu>();
  mSubMenus.clear();
  build();
}

IPopupMenu* IPopupMenuControl::newSubMenu()
{
  mSubMenus.push_back(std::make_unique<IPopupMenu>());
  return mSubMenus.back().get();
}

void IPopupMenuControl::uncheckAll()
{
  mMenu->CheckItemAlone(-1);
  for (const auto& subMenu : mSubMenus)
  {
    subMenu->CheckItemAlone(-1);
  }
}

void IPopupMenuControl::redrawAfterPopup()
{
  Redraw();
  SetDirty(false);
}

bool IPopupMenuControl::postRequest(Korvid* editor, int jobCode, int part, bool toEditor)
{
  MIDIMessageManager* manager = editor ? editor->mMIDIMessageManager : nullptr;
  if (!manager)
  {
    return false;
  }
  JobArguments args;
  args.jobCode = jobCode;
  args.part = part;
  args.toEditor = toEditor;
  return manager->post(args,
                       [manager, toEditor]()
                       {
                         if (toEditor)
                         {
                           manager->dumpExpected = true;
                         }
                       });
}
