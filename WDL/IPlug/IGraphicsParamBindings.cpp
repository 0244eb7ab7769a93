// The surface's index from parameters to the controls that show them, and the pushes of many values at once
// through it.
#include "IGraphics.h"

#include "ControlLayer.h"
#include "EditorLock.h"
#include "IControl.h"
#include "IParam.h"
#include "IPlugBase.h"

#include <algorithm>
#include <functional>
#include <utility>

void IGraphics::RebuildParamBindings()
{
  const int count = mPlugin ? std::max(mPlugin->NParams(), 0) : 0;
  // Taken before the walk: a change during it leaves the index stale, never wrongly fresh.
  const unsigned long long generation = ControlLayer::BindingGeneration();
  std::vector<std::pair<int, ParamBinding>> found;
  auto visit = [&found, count](IControl* control)
  {
    const int paramIdx = control->ParamIdx();
    if (paramIdx >= 0 && paramIdx < count)
    {
      found.push_back({paramIdx, {control, -1}});
    }
    for (int i = 0; i < control->NAuxParams(); ++i)
    {
      const int auxIdx = control->GetAuxParam(i)->mParamIdx;
      // Only the first auxiliary entry of a parameter follows it, as in ControlLayer::PushToControls.
      if (auxIdx >= 0 && auxIdx < count && control->AuxParamIdx(auxIdx) == i)
      {
        found.push_back({auxIdx, {control, i}});
      }
    }
  };
  std::function<void(ControlLayer*)> visitLayer = [&](ControlLayer* layer)
  {
    for (IControl* control : layer->mControls)
    {
      visit(control);
    }
    for (ControlLayer* child : layer->mSubLayers)
    {
      visitLayer(child);
    }
  };
  for (IControl* control : mBaseControls)
  {
    visit(control);
  }
  for (ControlLayer* layer : mTopLayers)
  {
    visitLayer(layer);
  }
  // Grouped by parameter, each group in the order of the walk.
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  mBindingStart.assign(static_cast<size_t>(count) + 1, 0);
  mBindings.clear();
  mBindings.reserve(found.size());
  size_t next = 0;
  for (int p = 0; p < count; ++p)
  {
    mBindingStart[static_cast<size_t>(p)] = mBindings.size();
    while (next < found.size() && found[next].first == p)
    {
      mBindings.push_back(found[next++].second);
    }
  }
  mBindingStart[static_cast<size_t>(count)] = mBindings.size();
  mBindingGeneration = generation;
  mBindingsBuilt = true;
}

void IGraphics::SetParametersFromPlug(const std::vector<std::pair<int, double>>& plainValues)
{
  if (!mPlugin || plainValues.empty())
  {
    return;
  }
  std::vector<std::pair<int, double>> normalized;
  normalized.reserve(plainValues.size());
  {
    WDL_MutexLock plugLock(mPlugin->GetMutex());
    for (const auto& entry : plainValues)
    {
      if (IParam* param = mPlugin->GetParam(entry.first))
      {
        param->SetFromPlain(entry.second);
        normalized.emplace_back(entry.first, param->GetNormalized(entry.second));
      }
    }
  }
  EditorLock::Get().RunOrDefer(this,
                               [this, values = std::move(normalized)]()
                               {
                                 if (!mBindingsBuilt ||
                                     mBindingGeneration != ControlLayer::BindingGeneration())
                                 {
                                   RebuildParamBindings();
                                 }
                                 // In order, as one SetParameterFromPlug after the other would move them.
                                 for (const auto& entry : values)
                                 {
                                   const size_t p = static_cast<size_t>(entry.first);
                                   if (p + 1 >= mBindingStart.size())
                                   {
                                     continue;
                                   }
                                   for (size_t b = mBindingStart[p]; b < mBindingStart[p + 1]; ++b)
                                   {
                                     const ParamBinding& binding = mBindings[b];
                                     if (binding.aux < 0)
                                     {
                                       binding.control->SetValueFromPlug(entry.second);
                                     }
                                     else
                                     {
                                       binding.control->SetAuxParamValueFromPlug(binding.aux, entry.second);
                                     }
                                   }
                                 }
                               });
}
