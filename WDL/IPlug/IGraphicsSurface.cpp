// The editor surface: base controls and layers, dirty collection, drawing passes, event routing and prompts.
#include "IGraphics.h"

#include "ControlLayer.h"
#include "EditorLock.h"
#include "IControl.h"
#include "IParam.h"
#include "IPlugBase.h"
#include "IPopupMenu.h"
#include "lice.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr int kDefaultRefreshRate = 25;

bool HoldsPlugMutex(IPlugBase* plug)
{
  return plug && plug->GetMutex()->DepthForThisThread() > 0;
}

// Runs a call into the plug-in (or a modal prompt) with the editor lock given back, so that the threads the
// call may wait for are never held up by the editor. A caller that holds the plug mutex keeps the editor
// lock: taking it back afterwards would mean waiting for it with the plug mutex held.
template <class Call> void CallOutsideEditorLock(IPlugBase* plug, Call call)
{
  if (HoldsPlugMutex(plug))
  {
    call();
    return;
  }
  EditorLockRelease release;
  call();
}
} // namespace

IGraphics::IGraphics(IPlugBase* plug, int w, int h, int refreshFPS)
    : mPlugin(plug), mRefreshRate(refreshFPS > 0 ? refreshFPS : kDefaultRefreshRate)
{
  mSurfaceWidth = w;
  mSurfaceHeight = h;
}

IGraphics::~IGraphics()
{
  // Teardown holds the editor lock unless the plug mutex is held (then no editor can be drawing: the window
  // is closed before the plug-in goes).
  const bool lock = !HoldsPlugMutex(mPlugin);
  if (lock)
  {
    EditorLock::Get().Lock();
  }
  EditorLock::Get().Forget(this);
  mCapturedControl = nullptr;
  for (auto it = mBaseControls.rbegin(); it != mBaseControls.rend(); ++it)
  {
    delete *it;
  }
  mBaseControls.clear();
  for (auto it = mTopLayers.rbegin(); it != mTopLayers.rend(); ++it)
  {
    delete *it;
  }
  mTopLayers.clear();
  delete mOffscreen;
  mOffscreen = nullptr;
  delete mScratchBitmap;
  mScratchBitmap = nullptr;
  if (lock)
  {
    EditorLock::Get().Unlock();
  }
}

void IGraphics::PrepDraw()
{
  delete mOffscreen;
  delete mScratchBitmap;
  mOffscreen = new LICE_SysBitmap(mSurfaceWidth, mSurfaceHeight);
  mScratchBitmap = new LICE_MemBitmap(0, 0, 4);
}

void IGraphics::Resize(int w, int h)
{
  {
    EditorLockGuard guard;
    mSurfaceWidth = w;
    mSurfaceHeight = h;
    ReleaseMouseCapture();
    PrepDraw();
  }
  if (mPlugin)
  {
    mPlugin->ResizeGraphics(w, h);
  }
}

int IGraphics::AttachControl(IControl* control)
{
  ControlLayer::NoteBindingChange();
  mBaseControls.push_back(control);
  return static_cast<int>(mBaseControls.size()) - 1;
}

int IGraphics::AttachLayer(ControlLayer* layer)
{
  ControlLayer::NoteBindingChange();
  mTopLayers.push_back(layer);
  return static_cast<int>(mTopLayers.size()) - 1;
}

void IGraphics::AttachBackground(int id, const char* name, double scale)
{
  IBitmap background = LoadIBitmap(id, name, scale, 1, false);
  IControl* control = new IBitmapControl(mPlugin, 0, 0, -1, &background, IChannelBlend(kBlendClobber, 1.0f));
  ControlLayer::NoteBindingChange();
  mBaseControls.insert(mBaseControls.begin(), control);
}

IControl* IGraphics::GetControl(int idx) const
{
  if (idx < 0 || idx >= NControls())
  {
    return nullptr;
  }
  return mBaseControls[static_cast<size_t>(idx)];
}

ControlLayer* IGraphics::GetLayer(int idx) const
{
  if (idx < 0 || idx >= NLayers())
  {
    return nullptr;
  }
  return mTopLayers[static_cast<size_t>(idx)];
}

char* IGraphics::LoadFile(int id, const char* name)
{
  return OSLoadFile(id, name);
}

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
  IParam* param = (!normalized && mPlugin) ? mPlugin->GetParam(paramIdx) : nullptr;
  if (!normalized && !param)
  {
    // A plain value needs its parameter to be normalised; an index outside the list stores nothing.
    return;
  }
  auto moveControls = [this, paramIdx](double normalizedValue)
  {
    ControlLayer::PushToControls(mBaseControls, paramIdx, normalizedValue);
    for (ControlLayer* layer : mTopLayers)
    {
      layer->SetParameterFromPlug(paramIdx, normalizedValue, true);
    }
  };
  if (param)
  {
    // Parameters are written under the plug mutex (recursive: the audio thread and the change handlers hold
    // it already).
    WDL_MutexLock plugLock(mPlugin->GetMutex());
    value = param->GetNormalized(value);
    param->SetNormalized(value);
  }
  // The controls only show the value: they follow at once when the editor lock is free or the caller's,
  // else at the editor's next tick, so that no caller (the audio thread above all) ever waits for the editor.
  const double normalizedValue = value;
  EditorLock::Get().RunOrDefer(this, [moveControls, normalizedValue]() { moveControls(normalizedValue); });
}

namespace
{
// Moves a control to the values of its parameter and its auxiliary parameters, as PushToControls does for
// one parameter; indices outside the list are left alone.
void pushControl(IControl* control, const std::vector<double>& normalized)
{
  const int count = static_cast<int>(normalized.size());
  const int paramIdx = control->ParamIdx();
  if (paramIdx >= 0 && paramIdx < count)
  {
    control->SetValueFromPlug(normalized[static_cast<size_t>(paramIdx)]);
  }
  for (int i = 0; i < control->NAuxParams(); ++i)
  {
    const int auxIdx = control->GetAuxParam(i)->mParamIdx;
    // Only the first auxiliary entry of a parameter follows it, as in PushToControls.
    if (auxIdx >= 0 && auxIdx < count && control->AuxParamIdx(auxIdx) == i)
    {
      control->SetAuxParamValueFromPlug(i, normalized[static_cast<size_t>(auxIdx)]);
    }
  }
}

void pushLayer(ControlLayer* layer, const std::vector<double>& normalized)
{
  for (IControl* control : layer->mControls)
  {
    pushControl(control, normalized);
  }
  for (ControlLayer* child : layer->mSubLayers)
  {
    pushLayer(child, normalized);
  }
}
} // namespace

void IGraphics::SetAllParametersFromPlug(bool settle)
{
  if (!mPlugin)
  {
    return;
  }
  std::vector<double> normalized(static_cast<size_t>(std::max(mPlugin->NParams(), 0)));
  {
    WDL_MutexLock plugLock(mPlugin->GetMutex());
    for (size_t i = 0; i < normalized.size(); ++i)
    {
      IParam* param = mPlugin->GetParam(static_cast<int>(i));
      if (!param)
      {
        continue;
      }
      normalized[i] = param->GetNormalized();
      if (settle)
      {
        param->SetNormalized(normalized[i]);
      }
    }
  }
  EditorLock::Get().RunOrDefer(this,
                               [this, values = std::move(normalized)]()
                               {
                                 for (IControl* control : mBaseControls)
                                 {
                                   pushControl(control, values);
                                 }
                                 for (ControlLayer* layer : mTopLayers)
                                 {
                                   pushLayer(layer, values);
                                 }
                               });
}

bool IGraphics::IsDirty(IRECT* r)
{
  EditorLockGuard guard;
  EditorLock::Get().RunDeferredIfAny();
  const unsigned long long generation = EditorLock::Get().DirtyGeneration();
  if (generation == mIdleGeneration)
  {
    return false;
  }
  // Control 0, the background, is never asked.
  bool dirty = ControlLayer::MergeDirtyControls(mBaseControls, 1, r);
  for (ControlLayer* layer : mTopLayers)
  {
    dirty = layer->isDirty(r) || dirty;
  }
  if (!dirty)
  {
    // Nothing changes what this walk found until some control is marked dirty again.
    mIdleGeneration = generation;
  }
  return dirty;
}

void IGraphics::Draw(IRECT* area)
{
  EditorLockGuard guard;
  if (mBaseControls.empty() && mTopLayers.empty())
  {
    return;
  }
  mDrawArea = area ? *area : IRECT();
  if (!mBaseControls.empty())
  {
    mBaseControls.front()->Draw(this);
  }
  ControlLayer::DrawControls(mBaseControls, 1, this, mDrawArea, true);
  for (ControlLayer* layer : mTopLayers)
  {
    layer->Draw(this, &mDrawArea);
  }
  DrawScreen(&mDrawArea);
}

IControl* IGraphics::HitTest(int x, int y)
{
  EditorLockGuard guard;
  for (auto it = mTopLayers.rbegin(); it != mTopLayers.rend(); ++it)
  {
    if (IControl* hit = (*it)->isHit(x, y))
    {
      return hit;
    }
  }
  for (auto it = mBaseControls.rbegin(); it != mBaseControls.rend(); ++it)
  {
    IControl* control = *it;
    if (!control->IsHidden() && !control->IsGrayed() && control->IsHit(x, y))
    {
      return control;
    }
  }
  return nullptr;
}

void IGraphics::ReleaseMouseCapture()
{
  auto release = [this]()
  {
    mCapturedControl = nullptr;
    mLastMouseX = -1;
    mLastMouseY = -1;
  };
  if (HoldsPlugMutex(mPlugin))
  {
    // Reached from inside the plug-in (a menu opened by a change handler): never wait for the editor there.
    EditorLock::Get().RunOrDefer(this, release);
    return;
  }
  EditorLockGuard guard;
  release();
}

void IGraphics::OnMouseDown(int x, int y, IMouseMod* pMod)
{
  EditorLockGuard guard;
  ReleaseMouseCapture();
  IControl* control = HitTest(x, y);
  if (!control)
  {
    return;
  }
  mCapturedControl = control;
  mLastMouseX = x;
  mLastMouseY = y;
  control->OnMouseDown(x, y, pMod);
  const int paramIdx = control->ParamIdx();
  if (paramIdx >= 0 && mPlugin)
  {
    const bool grayed = control->IsGrayed();
    CallOutsideEditorLock(mPlugin,
                          [this, paramIdx, grayed]()
                          {
                            if (grayed)
                            {
                              mPlugin->OnGrayedControlClicked(paramIdx);
                            }
                            mPlugin->BeginInformHostOfParamChange(paramIdx);
                          });
  }
}

void IGraphics::OnMouseUp(int x, int y, IMouseMod* pMod)
{
  EditorLockGuard guard;
  IControl* target = mCapturedControl ? mCapturedControl : HitTest(x, y);
  ReleaseMouseCapture();
  if (!target)
  {
    return;
  }
  target->OnMouseUp(x, y, pMod);
  const int paramIdx = target->ParamIdx();
  if (paramIdx >= 0 && mPlugin)
  {
    CallOutsideEditorLock(mPlugin, [this, paramIdx]() { mPlugin->EndInformHostOfParamChange(paramIdx); });
  }
}

void IGraphics::OnMouseDrag(int x, int y, IMouseMod* pMod)
{
  EditorLockGuard guard;
  if (!mCapturedControl)
  {
    return;
  }
  const int dX = x - mLastMouseX;
  const int dY = y - mLastMouseY;
  if (dX == 0 && dY == 0)
  {
    return;
  }
  mLastMouseX = x;
  mLastMouseY = y;
  mCapturedControl->OnMouseDrag(x, y, dX, dY, pMod);
}

bool IGraphics::OnMouseDblClick(int x, int y, IMouseMod* pMod)
{
  EditorLockGuard guard;
  ReleaseMouseCapture();
  IControl* control = HitTest(x, y);
  if (!control)
  {
    return false;
  }
  if (!control->DblAsSingleClick())
  {
    control->OnMouseDblClick(x, y, pMod);
    return false;
  }
  mCapturedControl = control;
  mLastMouseX = x;
  mLastMouseY = y;
  control->OnMouseDown(x, y, pMod);
  return true;
}

void IGraphics::OnMouseWheel(int x, int y, IMouseMod* pMod, int d)
{
  EditorLockGuard guard;
  IControl* target = mCapturedControl ? mCapturedControl : HitTest(x, y);
  if (target)
  {
    target->OnMouseWheel(x, y, pMod, d);
  }
}

bool IGraphics::OnMouseOver(int, int, IMouseMod*)
{
  return false;
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
  EditorLockGuard guard;
  if (mCapturedControl)
  {
    return mCapturedControl->OnKeyDown(x, y, key);
  }
  IControl* control = HitTest(x, y);
  return control ? control->OnKeyDown(x, y, key) : false;
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* area)
{
  if (!control || !param || !area)
  {
    return;
  }
  EditorLockGuard guard;
  if (mPlugin)
  {
    const int paramIdx = control->ParamIdx();
    CallOutsideEditorLock(mPlugin, [this, paramIdx]() { mPlugin->OnParamMenuOpening(paramIdx); });
  }
  // The parameter is read under the plug mutex, which guards its writers.
  bool asMenu = false;
  std::vector<std::string> texts;
  char current[IParam::kDisplayForHostLen] = "";
  {
    WDL_MutexLock plugLock(mPlugin ? mPlugin->GetMutex() : nullptr);
    const int type = param->Type();
    asMenu = (type == IParam::kTypeBool || type == IParam::kTypeEnum) && param->GetNDisplayTexts() > 0;
    if (asMenu)
    {
      param->GetDisplayForHost(current, true);
      for (int i = 0; i < param->GetNDisplayTexts(); ++i)
      {
        texts.push_back(param->GetDisplayText(i));
      }
    }
    else
    {
      param->GetDisplayForHost(current, type == IParam::kTypeText);
    }
  }

  if (!asMenu)
  {
    CreateTextEntry(control, control->GetText(), area, current, param);
    return;
  }
  IPopupMenu menu;
  for (const std::string& text : texts)
  {
    menu.AddItem(text.c_str(), -1, text == current ? IPopupMenuItem::kChecked : IPopupMenuItem::kNoFlags);
  }
  IPopupMenu* chosen = nullptr;
  CallOutsideEditorLock(mPlugin, [this, &chosen, &menu, area]() { chosen = CreateIPopupMenu(&menu, area); });
  if (!chosen || chosen->GetChosenItemIdx() < 0)
  {
    return;
  }
  double normalized = 0.0;
  bool rechosen = false;
  {
    WDL_MutexLock plugLock(mPlugin ? mPlugin->GetMutex() : nullptr);
    normalized = param->GetNormalized(chosen->GetChosenItemIdx());
    rechosen = param->Int() == chosen->GetChosenItemIdx();
  }
  control->SetValueFromUserInput(normalized);
  if (rechosen && mPlugin)
  {
    mPlugin->OnParamRechosen(control->ParamIdx());
  }
}

void IGraphics::TextEntryRefused(IControl* control, const char* typed, bool committed)
{
  if (control && mPlugin)
  {
    const int paramIdx = control->ParamIdx();
    CallOutsideEditorLock(mPlugin, [this, paramIdx, typed, committed]()
                          { mPlugin->OnTextEntryRefused(paramIdx, typed, committed); });
  }
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text)
{
  if (!control || !param)
  {
    return;
  }
  if (!text)
  {
    text = "";
  }
  EditorLockGuard guard;
  double value = 0.0;
  const int type = param->Type();
  if (type == IParam::kTypeBool || type == IParam::kTypeEnum)
  {
    int index = 0;
    WDL_MutexLock plugLock(mPlugin ? mPlugin->GetMutex() : nullptr);
    if (param->MapDisplayText(text, &index))
    {
      value = index;
    }
  }
  else if (type == IParam::kTypeText)
  {
    // The text is the value: it becomes display text 0, and the parameter stays at 0, the value whose text
    // the fields show. A text parameter's edit reaches the plug-in also when its value stays, so the one
    // push of 0 reports each commit once.
    {
      WDL_MutexLock plugLock(mPlugin ? mPlugin->GetMutex() : nullptr);
      param->SetDisplayText(0, text);
    }
    control->SetValueFromPlug(0.0);
    control->SetDirty(true);
    return;
  }
  else
  {
    value = std::atof(text);
  }
  double normalized = 0.0;
  {
    WDL_MutexLock plugLock(mPlugin ? mPlugin->GetMutex() : nullptr);
    normalized = param->GetNormalized(value);
  }
  control->SetValueFromUserInput(normalized);
}
