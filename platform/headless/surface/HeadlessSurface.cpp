// The headless surface: scripted prompts, resources from a folder or memory, screen updates counted.
#include "HeadlessSurface.h"

#include "EditorLock.h"
#include "IControl.h"
#include "IPlugBase.h"
#include "IPopupMenu.h"
#include "WdlString.h"
#include "lice.h"

#include <cstdio>
#include <utility>

HeadlessSurface::HeadlessSurface(IPlugBase* plug, int w, int h, int fps, std::string resourceDir)
    : IGraphics(plug, w, h, fps), mResourceDir(std::move(resourceDir))
{
}

HeadlessSurface::~HeadlessSurface() = default;

void HeadlessSurface::QueueMenuChoice(int index)
{
  mMenuAnswers.push_back(std::vector<int>{index});
}

void HeadlessSurface::QueueMenuPath(std::vector<int> path)
{
  mMenuAnswers.push_back(std::move(path));
}

void HeadlessSurface::QueueTextEntry(std::string text)
{
  mTextAnswers.push_back(std::move(text));
}

void HeadlessSurface::QueueMessageBoxResult(int result)
{
  mMessageBoxAnswers.push_back(result);
}

void HeadlessSurface::QueueFileChoice(std::string path)
{
  mFileAnswers.push_back(std::move(path));
}

void HeadlessSurface::AddBitmapResource(const std::string& name, LICE_IBitmap* bitmap)
{
  mBitmapResources[name].reset(bitmap);
}

bool HeadlessSurface::Tick()
{
  IRECT r;
  if (!IsDirty(&r))
  {
    return false;
  }
  Draw(&r);
  return true;
}

bool HeadlessSurface::DrawScreen(IRECT* r)
{
  ++mScreenUpdates;
  mLastScreenArea = r ? *r : IRECT();
  return true;
}

int HeadlessSurface::ShowMessageBox(const char* text, const char* caption, int)
{
  if (*mDialogsMissing)
  {
    return 0;
  }
  mMessageBoxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
  RunWhilePromptShown();
  if (mMessageBoxAnswers.empty())
  {
    return 0;
  }
  const int result = mMessageBoxAnswers.front();
  mMessageBoxAnswers.pop_front();
  return result;
}

IPopupMenu* HeadlessSurface::CreateIPopupMenu(IPopupMenu* menu, IRECT* area)
{
  IPopupMenu* chosen = ChooseFromScript(menu, area);
  RunWhilePromptShown();
  return chosen;
}

void HeadlessSurface::RunWhilePromptShown()
{
  if (!mWhilePromptShown)
  {
    return;
  }
  // As a window's prompts do, the locks are given back while it is up.
  const std::function<void()> action = std::move(mWhilePromptShown);
  mWhilePromptShown = nullptr;
  EditorLockRelease release(GetPlug() ? GetPlug()->GetMutex() : nullptr);
  action();
}

IPopupMenu* HeadlessSurface::ChooseFromScript(IPopupMenu* menu, IRECT* area)
{
  if (!menu)
  {
    return nullptr;
  }
  ShownMenu shown;
  shown.area = area ? *area : IRECT();
  for (int i = 0; i < menu->GetNItems(); ++i)
  {
    shown.items.push_back(menu->GetDisplayText(i));
    shown.flags.push_back(menu->GetItem(i)->GetFlags());
  }
  mMenus.push_back(shown);
  // A native menu releases the mouse capture before it opens.
  ReleaseMouseCapture();

  if (mMenuAnswers.empty())
  {
    return nullptr;
  }
  std::vector<int> path = mMenuAnswers.front();
  mMenuAnswers.pop_front();
  IPopupMenu* current = menu;
  for (size_t step = 0; step < path.size(); ++step)
  {
    IPopupMenuItem* item = current->GetItem(path[step]);
    if (!item)
    {
      return nullptr;
    }
    if (step + 1 < path.size())
    {
      current = item->GetSubmenu();
      if (!current)
      {
        return nullptr;
      }
      continue;
    }
    if (item->GetSubmenu() || item->GetIsSeparator() || !item->GetEnabled())
    {
      // Such items cannot be chosen.
      return nullptr;
    }
    current->SetChosenItemIdx(path[step]);
    return current;
  }
  return nullptr;
}

void HeadlessSurface::CreateTextEntry(IControl* control, IText*, IRECT* area, const char* str, IParam* param)
{
  if (!control)
  {
    return;
  }
  ShownTextEntry shown;
  shown.control = control;
  shown.param = param;
  shown.prefill = str ? str : "";
  shown.area = area ? *area : IRECT();
  mTextEntries.push_back(shown);
  if (mTextAnswers.empty())
  {
    return;
  }
  std::string text = mTextAnswers.front();
  mTextAnswers.pop_front();
  // What the view does when the field closes.
  if (param)
  {
    SetFromStringAfterPrompt(control, param, text.c_str());
  }
  else
  {
    control->TextFromTextEntry(text.c_str());
  }
}

void HeadlessSurface::HostPath(WDL_String* path)
{
  if (path)
  {
    path->Set(mResourceDir.c_str());
  }
}

void HeadlessSurface::PluginPath(WDL_String* path)
{
  if (path)
  {
    path->Set((mResourceDir.empty() ? std::string() : mResourceDir + "/").c_str());
  }
}

void HeadlessSurface::DesktopPath(WDL_String* path)
{
  if (path)
  {
    path->Set((mResourceDir.empty() ? std::string() : mResourceDir + "/").c_str());
  }
}

void HeadlessSurface::PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                                    const char* extensions)
{
  if (*mDialogsMissing)
  {
    if (fileName)
    {
      fileName->Set("");
    }
    return;
  }
  mFilePrompts.push_back({action, dir ? dir->Get() : "", extensions ? extensions : ""});
  std::string answer;
  if (!mFileAnswers.empty())
  {
    answer = mFileAnswers.front();
    mFileAnswers.pop_front();
  }
  if (fileName)
  {
    fileName->Set(answer.c_str());
  }
  if (dir)
  {
    const size_t slash = answer.find_last_of('/');
    dir->Set(slash == std::string::npos ? "" : answer.substr(0, slash + 1).c_str());
  }
}

bool HeadlessSurface::OpenURL(const char* url, const char*, const char*, const char*)
{
  mOpenedURLs.push_back(url ? url : "");
  return true;
}

void* HeadlessSurface::OpenWindow(void*)
{
  // As a window layer does: every image ready before the window shows.
  DecodeBitmaps();
  mWindowOpen = true;
  return this;
}

std::string HeadlessSurface::ResourcePath(const char* name) const
{
  if (!name || !*name || mResourceDir.empty())
  {
    return std::string();
  }
  std::string file = name;
  const size_t slash = file.find_last_of('/');
  if (slash != std::string::npos)
  {
    file = file.substr(slash + 1);
  }
  return mResourceDir + "/" + file;
}

char* HeadlessSurface::OSLoadFile(int, const char* name)
{
  const std::string path = ResourcePath(name);
  if (path.empty())
  {
    return nullptr;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file)
  {
    return nullptr;
  }
  char* buffer = new char[kLoadFileBufferSize]();
  mLastLoadedFileSize = static_cast<int>(std::fread(buffer, 1, kLoadFileBufferSize, file));
  std::fclose(file);
  return buffer;
}

LICE_IBitmap* HeadlessSurface::OSLoadBitmap(int, const char* name)
{
  if (name)
  {
    auto it = mBitmapResources.find(name);
    if (it != mBitmapResources.end())
    {
      LICE_IBitmap* copy = new LICE_MemBitmap();
      LICE_Copy(copy, it->second.get());
      return copy;
    }
  }
  const std::string path = ResourcePath(name);
  return path.empty() ? nullptr : LICE_LoadPNGDeferred(path.c_str());
}
