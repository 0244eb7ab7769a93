// A named, numbered group of controls and sub-layers, shown, hidden and greyed out as a whole.
#pragma once

#include "IGraphicsStructs.h"

#include <atomic>
#include <string>
#include <vector>

class IControl;
class IGraphics;

// Layers form trees below the surface's top-level layers; each layer owns its controls and sub-layers and
// deletes them (last first) with itself. Later entries of a list lie above earlier ones.
//
// Ids carry meaning: showMultiLayers, GrayOutCustomZone and GrayOutUserArp pick the sub-layers they touch by
// the band in which their ids lie (below 10, 10..19, ten-wide bands up to 190..199, 200..299, 300 and up).
//
// The members are public so that the builders append controls and sub-layers directly (construction only).
// Change visibility and the ignore-hidden flag through Hide and setIgnoreHiddenWhenUpdatingScreen, which also
// tell the surface's idle check that the dirty areas may have changed.
// The switching operations may be called from any thread: they run under the editor lock, or, when it is
// busy, at the editor's next tick (EditorLock::RunOrDefer). Dirty collection, drawing, hit testing and pushes
// run under the editor lock held by the surface.
class ControlLayer
{
public:
  // A hidden, empty layer with the given id and name.
  ControlLayer(int id, std::string name);
  ~ControlLayer();
  ControlLayer(const ControlLayer&) = delete;
  ControlLayer& operator=(const ControlLayer&) = delete;

  // Appends a control or a sub-layer, which the layer then owns. Construction only.
  void AddControl(IControl* control)
  {
    NoteBindingChange();
    mControls.push_back(control);
  }
  void AddSubLayer(ControlLayer* layer)
  {
    NoteBindingChange();
    mSubLayers.push_back(layer);
  }

  // Counts the changes, on any surface, to which controls exist and which parameters they are bound to
  // (controls and layers added, parameters bound): a surface rebuilds its index from parameters to controls
  // when the count moved on since it was built. Any thread.
  static unsigned long long BindingGeneration();
  static void NoteBindingChange();

  // Hides the layer and its whole tree, or shows it with only its selected sub-layer (id == mSelectedId),
  // which shows its own selected child in turn; other sub-layers keep their state.
  void Hide(bool hide);
  // Greys every control and sub-layer, or restores the controls and the selected sub-layer.
  void GrayOut(bool gray);
  // Selects zone and, for a zone in 10..252, greys or restores the sub-layers with that id.
  void GrayOutCustomZone(bool gray, int zone);
  // Selects zone and, for a zone in 200..252, greys the sub-layers whose ids lie in limit+1..252 and restores
  // every other. flag has no effect.
  void GrayOutUserArp(bool flag, int zone, int limit);
  // Selects sel and shows the sub-layer with id sel while hiding the others of the band sel selects (see
  // the class comment); ids outside the touched set keep their state.
  void showMultiLayers(int sel);
  // Marks every control of the tree dirty.
  void setControlsDirty();
  // Makes the tree report dirty areas while hidden (and the first control of each layer while hidden).
  void setIgnoreHiddenWhenUpdatingScreen(bool ignore);

  // Merges the areas of the tree's dirty controls into r; true when any was found. Editor lock held.
  bool isDirty(IRECT* r);
  // Draws the visible controls of the tree that meet area and marks every control of the tree clean. Nothing
  // below a hidden layer draws, whatever the sub-layers' own flags say. Editor lock held.
  void Draw(IGraphics* graphics, IRECT* area);
  // The topmost visible, not hidden control of the tree under (x, y), or null. Grey controls can be hit.
  IControl* isHit(int x, int y);
  // Pushes a normalised value to every control of the tree bound to paramIdx (main or auxiliary
  // parameter), hidden or not. normalized is only passed on. Editor lock held.
  void SetParameterFromPlug(int paramIdx, double value, bool normalized);

  int mId;
  bool mVisible = false;
  std::vector<IControl*> mControls;
  std::vector<ControlLayer*> mSubLayers;
  std::string mName;
  // Written by the page switch on the thread of the edit (plug mutex held), read by the editor's writes.
  std::atomic<int> mSelectedId{0};
  bool mIgnoreHidden = false;

  // ---- Walks over a list of controls, shared by the layers and the surface's base list ----

  // Pushes a normalised value to every control of the list bound to paramIdx (main or auxiliary parameter).
  static void PushToControls(const std::vector<IControl*>& controls, int paramIdx, double value);
  // Merges into r the rectangle of every dirty control from index first on that counts (not hidden, or hidden
  // with its ignore-hidden flag set); true when any was found.
  static bool MergeDirtyControls(const std::vector<IControl*>& controls, size_t first, IRECT* r);
  // Draws the controls from index first on that are not hidden and meet area (none when shown is false),
  // and marks clean those hidden or not shown and those whose part on the surface lies wholly within area.
  static void DrawControls(const std::vector<IControl*>& controls, size_t first, IGraphics* graphics,
                           const IRECT& area, bool shown);

private:
  // Draw with the visibility of the layer's ancestors.
  void DrawTree(IGraphics* graphics, IRECT* area, bool parentShown);
  // The sub-layers that showMultiLayers(sel) touches.
  static bool Touched(int sel, int id);
};
