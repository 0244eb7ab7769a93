// TabSwitchFunctions: the editor's page switch.
#include "TabSwitchFunctions.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "Korvid.h"

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
  if (ControlLayer* root = plugin->mRootLayer)
  {
    for (ControlLayer* page : root->mSubLayers)
    {
      if (page)
      {
        page->Hide(page->mId != tab);
      }
    }
  }
  if (ControlLayer* mixer = plugin->mMiniMixerLayer)
  {
    mixer->Hide(tab != 0);
  }
  showPartLayers(plugin, part);
  if (IGraphics* surface = plugin->GetGUI())
  {
    surface->SetParameterFromPlug(paramIdx, static_cast<double>(tab), false);
  }
  if (tab == 0)
  {
    if (plugin->mRandomizeControl)
    {
      plugin->mRandomizeControl->GrayOut(true);
    }
    if (plugin->mMultiModeSettingsPage1Layer)
    {
      plugin->mMultiModeSettingsPage1Layer->Hide(true);
    }
  }
}
