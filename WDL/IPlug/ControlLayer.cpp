// Control layers: showing, hiding and greying trees of controls, band selections, dirty areas, drawing and
// hits.
#include "ControlLayer.h"

#include "EditorLock.h"
#include "IControl.h"
#include "IGraphics.h"

#include <utility>

namespace
{
// Bands of layer ids used by the selection operations.
constexpr int kLowIdsEnd = 10;       // ids below this are touched by every band selection
constexpr int kFirstBandEnd = 20;    // 10..19
constexpr int kWideSelectFrom = 70;  // a selection in 10..19 also touches 70..299
constexpr int kDecadeBandsEnd = 100; // 20..99 select on all ten values
constexpr int kNineBandsEnd = 190;   // 100..189 select on x0..x8 only
constexpr int kBand190End = 200;     // 190..198 select
constexpr int kShownZoneEnd = 300;   // 200..299
constexpr int kCustomZoneLo = 10;
constexpr int kArpZoneLo = 200;
constexpr int kZoneHi = 252; // upper end of the custom and user-arpeggiator zones

bool InShownZone(int id)
{
  return id >= kArpZoneLo && id < kShownZoneEnd;
}

// The part of rect on the surface (bounds) lies within area: a pass over area put all of it on screen.
bool DrawnWhole(const IRECT& rect, const IRECT& area, const IRECT& bounds)
{
  const IRECT onSurface = rect.Intersect(bounds);
  return onSurface.Empty() ||
         (onSurface.L >= area.L && onSurface.T >= area.T && onSurface.R <= area.R && onSurface.B <= area.B);
}
} // namespace

namespace
{
std::atomic<unsigned long long> gBindingGeneration{0};
} // namespace

unsigned long long ControlLayer::BindingGeneration()
{
  return gBindingGeneration.load(std::memory_order_acquire);
}

void ControlLayer::NoteBindingChange()
{
  gBindingGeneration.fetch_add(1, std::memory_order_acq_rel);
}

ControlLayer::ControlLayer(int id, std::string name) : mId(id), mName(std::move(name)) {}

ControlLayer::~ControlLayer()
{
  EditorLock::Get().Forget(this);
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it)
  {
    delete *it;
  }
  for (auto it = mSubLayers.rbegin(); it != mSubLayers.rend(); ++it)
  {
    delete *it;
  }
}

void ControlLayer::Hide(bool hide)
{
  EditorLock::Get().RunOrDefer(this,
                               [this, hide]()
                               {
                                 mVisible = !hide;
                                 setControlsDirty();
                                 for (IControl* control : mControls)
                                 {
                                   control->Hide(hide);
                                 }
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   if (hide || layer->mId == mSelectedId)
                                   {
                                     layer->Hide(hide);
                                   }
                                 }
                               });
}

void ControlLayer::GrayOut(bool gray)
{
  EditorLock::Get().RunOrDefer(this,
                               [this, gray]()
                               {
                                 for (IControl* control : mControls)
                                 {
                                   control->GrayOut(gray);
                                 }
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   if (gray || layer->mId == mSelectedId)
                                   {
                                     layer->GrayOut(gray);
                                   }
                                 }
                               });
}

void ControlLayer::GrayOutCustomZone(bool gray, int zone)
{
  EditorLock::Get().RunOrDefer(this,
                               [this, gray, zone]()
                               {
                                 mSelectedId = zone;
                                 if (zone < kCustomZoneLo || zone > kZoneHi)
                                 {
                                   return;
                                 }
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   if (layer->mId == zone)
                                   {
                                     layer->GrayOut(gray);
                                   }
                                 }
                               });
}

void ControlLayer::GrayOutUserArp(bool, int zone, int limit)
{
  EditorLock::Get().RunOrDefer(this,
                               [this, zone, limit]()
                               {
                                 mSelectedId = zone;
                                 if (zone < kArpZoneLo || zone > kZoneHi)
                                 {
                                   return;
                                 }
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   layer->GrayOut(layer->mId > limit && layer->mId <= kZoneHi);
                                 }
                               });
}

bool ControlLayer::Touched(int sel, int id)
{
  const bool low = id < kLowIdsEnd;
  if (sel >= kLowIdsEnd && sel < kFirstBandEnd)
  {
    return id < kFirstBandEnd || (id >= kWideSelectFrom && id < kShownZoneEnd);
  }
  if (sel >= kFirstBandEnd && sel < kDecadeBandsEnd)
  {
    const int band = sel - sel % 10;
    return low || (id >= band && id < band + 10) || InShownZone(id);
  }
  if (sel >= kDecadeBandsEnd && sel < kNineBandsEnd && sel % 10 != 9)
  {
    const int band = sel - sel % 10;
    return low || (id >= band && id < band + 10) || InShownZone(id);
  }
  if (sel >= kNineBandsEnd && sel < kBand190End - 1)
  {
    return low || (id >= kNineBandsEnd && id < kBand190End);
  }
  if (sel >= kArpZoneLo && sel < kShownZoneEnd - 1)
  {
    return low || InShownZone(id);
  }
  if (sel >= kShownZoneEnd)
  {
    return low || id >= kShownZoneEnd;
  }
  return false;
}

void ControlLayer::showMultiLayers(int sel)
{
  EditorLock::Get().RunOrDefer(this,
                               [this, sel]()
                               {
                                 mSelectedId = sel;
                                 // A selection in 200..298 shows the low ids and the whole 200..299 zone and
                                 // hides nothing.
                                 const bool showAll = sel >= kArpZoneLo && sel < kShownZoneEnd - 1;
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   if (Touched(sel, layer->mId))
                                   {
                                     layer->Hide(showAll ? false : layer->mId != sel);
                                   }
                                 }
                               });
}

void ControlLayer::setControlsDirty()
{
  EditorLock::Get().RunOrDefer(this,
                               [this]()
                               {
                                 for (IControl* control : mControls)
                                 {
                                   control->SetDirty(false);
                                 }
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   layer->setControlsDirty();
                                 }
                               });
}

void ControlLayer::setIgnoreHiddenWhenUpdatingScreen(bool ignore)
{
  EditorLock::Get().RunOrDefer(this,
                               [this, ignore]()
                               {
                                 mIgnoreHidden = ignore;
                                 for (ControlLayer* layer : mSubLayers)
                                 {
                                   layer->setIgnoreHiddenWhenUpdatingScreen(ignore);
                                 }
                                 if (!mControls.empty())
                                 {
                                   mControls.front()->SetIgnoreHidden(ignore);
                                 }
                                 EditorLock::Get().MarkDirty();
                               });
}

bool ControlLayer::isDirty(IRECT* r)
{
  if (!mVisible && !mIgnoreHidden)
  {
    return false;
  }
  bool dirty = MergeDirtyControls(mControls, 0, r);
  for (ControlLayer* layer : mSubLayers)
  {
    dirty = layer->isDirty(r) || dirty;
  }
  return dirty;
}

void ControlLayer::Draw(IGraphics* graphics, IRECT* area)
{
  DrawTree(graphics, area, true);
}

void ControlLayer::DrawTree(IGraphics* graphics, IRECT* area, bool parentShown)
{
  // A sub-layer of a hidden layer draws nothing, even when its own flag says visible.
  const bool shown = parentShown && mVisible;
  DrawControls(mControls, 0, graphics, *area, shown);
  for (ControlLayer* layer : mSubLayers)
  {
    layer->DrawTree(graphics, area, shown);
  }
}

IControl* ControlLayer::isHit(int x, int y)
{
  if (!mVisible)
  {
    return nullptr;
  }
  for (auto it = mSubLayers.rbegin(); it != mSubLayers.rend(); ++it)
  {
    if (IControl* hit = (*it)->isHit(x, y))
    {
      return hit;
    }
  }
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it)
  {
    if (!(*it)->IsHidden() && (*it)->IsHit(x, y))
    {
      return *it;
    }
  }
  return nullptr;
}

void ControlLayer::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
  PushToControls(mControls, paramIdx, value);
  for (ControlLayer* layer : mSubLayers)
  {
    layer->SetParameterFromPlug(paramIdx, value, normalized);
  }
}

void ControlLayer::PushToControls(const std::vector<IControl*>& controls, int paramIdx, double value)
{
  for (IControl* control : controls)
  {
    if (control->ParamIdx() == paramIdx)
    {
      control->SetValueFromPlug(value);
    }
    const int aux = control->AuxParamIdx(paramIdx);
    if (aux >= 0)
    {
      control->SetAuxParamValueFromPlug(aux, value);
    }
  }
}

bool ControlLayer::MergeDirtyControls(const std::vector<IControl*>& controls, size_t first, IRECT* r)
{
  bool dirty = false;
  for (size_t i = first; i < controls.size(); ++i)
  {
    IControl* control = controls[i];
    if ((control->IsHidden() && !control->GetIgnoreHidden()) || !control->IsDirty())
    {
      continue;
    }
    *r = r->Union(*control->GetRECT());
    dirty = true;
  }
  return dirty;
}

void ControlLayer::DrawControls(const std::vector<IControl*>& controls, size_t first, IGraphics* graphics,
                                const IRECT& area, bool shown)
{
  const IRECT bounds = graphics ? IRECT(0, 0, graphics->Width(), graphics->Height()) : IRECT();
  for (size_t i = first; i < controls.size(); ++i)
  {
    IControl* control = controls[i];
    const bool visible = shown && !control->IsHidden();
    if (visible && area.Intersects(*control->GetRECT()))
    {
      control->Draw(graphics);
    }
    // A visible control that the area does not wholly hold stays dirty: what changed outside the area (after
    // the window system or an earlier tick chose it) is drawn by the next pass instead of being lost.
    if (!visible || DrawnWhole(*control->GetRECT(), area, bounds))
    {
      control->SetClean();
    }
  }
}
