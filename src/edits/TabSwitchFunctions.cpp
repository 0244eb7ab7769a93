// TabSwitchFunctions: the editor's page switch.
#include "TabSwitchFunctions.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "IParam.h"
#include "Korvid.h"
#include "ParamIndex.h"

namespace
{
void showPartLayers(Korvid* plugin, int part)
{
  const size_t shownPart = plugin->mMultiMode ? static_cast<size_t>(Korvid::kPartCount)
                                              : static_cast<size_t>(part >= 0 ? part : 0);
  for (size_t i = 0; i < plugin->mBankAndProgramLayers.size(); ++i)
  {
    if (ControlLayer* layer = plugin->mBankAndProgramLayers[i])
    {
      layer->Hide(i != shownPart);
    }
  }
}
} // namespace

void TabSwitchFunctions::quickTabSwitch(Korvid* plugin, int part, bool quickTab)
{
  if (!plugin)
  {
    return;
  }
  showPartLayers(plugin, part);
  const bool settingsShown =
      plugin->mMultiModeSettingsPage1Layer && plugin->mMultiModeSettingsPage1Layer->mVisible;
  for (size_t i = 0; i < plugin->mMultiSettingsPartLayers.size(); ++i)
  {
    if (ControlLayer* layer = plugin->mMultiSettingsPartLayers[i])
    {
      layer->Hide(!(quickTab && settingsShown && static_cast<int>(i) == part));
    }
  }
}

void TabSwitchFunctions::mainTabSwitch(Korvid* plugin, int paramIdx, int tab, int part)
{
  if (!plugin)
  {
    return;
  }
  ControlLayer* root = plugin->mRootLayer;
  if (root)
  {
    root->mSelectedId = tab;
    for (ControlLayer* page : root->mSubLayers)
    {
      if (page)
      {
        page->Hide(page->mId != tab);
      }
    }
  }
  // The small part mixer stands beside pages 1 to 5; page 0 has the full multi mixer.
  if (ControlLayer* mixer = plugin->mMiniMixerLayer)
  {
    mixer->Hide(tab == 0);
  }
  if (plugin->mRandomizeControl)
  {
    plugin->mRandomizeControl->GrayOut(true);
  }
  if (plugin->mMultiModeSettingsPage1Layer)
  {
    plugin->mMultiModeSettingsPage1Layer->Hide(true);
  }
  for (ControlLayer* row : plugin->mMultiSettingsPartLayers)
  {
    if (row)
    {
      row->Hide(true);
    }
  }
  showPartLayers(plugin, part);
  // Only the page edit itself moves the page selector; other callers pass the edit that caused the switch.
  if (IGraphics* surface = plugin->GetGUI(); surface && paramIdx == kMainTab)
  {
    surface->SetParameterFromPlug(paramIdx, static_cast<double>(tab), false);
  }
  if (tab == 0)
  {
    // Page 0 is the multi page: the multi's bank/program layer, its settings and the rows of the parts whose
    // settings are open.
    for (size_t i = 0; i < plugin->mBankAndProgramLayers.size(); ++i)
    {
      if (ControlLayer* layer = plugin->mBankAndProgramLayers[i])
      {
        layer->Hide(i != static_cast<size_t>(Korvid::kPartCount));
      }
    }
    if (plugin->mMultiModeSettingsPage1Layer)
    {
      plugin->mMultiModeSettingsPage1Layer->Hide(false);
    }
    for (size_t i = 0; i < plugin->mMultiSettingsPartLayers.size(); ++i)
    {
      IParam* open = plugin->GetParam(kMultiPartSettings + static_cast<int>(i));
      if (ControlLayer* row = plugin->mMultiSettingsPartLayers[i])
      {
        row->Hide(!(open && open->Value() >= 1.0));
      }
    }
    return;
  }
  if (plugin->mRandomizeControl)
  {
    plugin->mRandomizeControl->GrayOut(false);
  }
  // A sound page shows the sub-layer of the current part.
  if (root && tab >= 0 && static_cast<size_t>(tab) < root->mSubLayers.size())
  {
    if (ControlLayer* page = root->mSubLayers[static_cast<size_t>(tab)])
    {
      page->mSelectedId = part;
      for (ControlLayer* partLayer : page->mSubLayers)
      {
        if (partLayer)
        {
          partLayer->Hide(partLayer->mId != part);
        }
      }
    }
  }
}
