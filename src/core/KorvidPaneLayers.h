// What the change handler's librarian cases share: the rows of the librarian menu table, the list kinds of
// patchTypeChanged, and showing layers and greying controls that the UI description may not have given.
#pragma once

#include "ControlLayer.h"
#include "IControl.h"

#include <cstddef>

namespace korvid_panes
{
// Rows of Korvid::mMenuLayers.
constexpr size_t kUpperSoundMenu = 0;
constexpr size_t kLowerSoundMenu = 1;
constexpr size_t kUpperMultiMenu = 2;
constexpr size_t kLowerMultiMenu = 3;
constexpr size_t kCategoryMenu = 5;
constexpr size_t kSearchMenu = 8;

// Korvid::patchTypeChanged's list kinds.
constexpr int kSoundList = 0;
constexpr int kCategoryList = 1;
constexpr int kMultiList = 2;
constexpr int kSearchList = 4;

inline void showLayer(ControlLayer* layer, bool show)
{
  if (layer)
  {
    layer->Hide(!show);
  }
}

inline void grayOut(IControl* control, bool gray)
{
  if (control)
  {
    control->GrayOut(gray);
  }
}
} // namespace korvid_panes
