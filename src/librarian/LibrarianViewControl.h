// LibrarianViewControl: the librarian's two-pane slot view, two banks of 128 slot names.
#pragma once

#include "IControl.h"

#include <memory>
#include <vector>

class Korvid;
class PatchFile;
class PatchLibrarian;

// Built once by the UI description walker for the "patchBrowser" element, bound to kLibrarianArea, owned by
// its layer or the surface. The upper pane shows the bank being edited, the lower pane a source bank; each
// pane holds 128 slot texts in 8 columns of 16, numbered down each column. Editor thread (and the start-up
// thread that builds it).
class LibrarianViewControl : public IBitmapControl
{
public:
  static constexpr int kSlotCount = 128;
  static constexpr int kSlotsPerColumn = 16;

  // plug and librarian are not owned (librarian may be null: empty panes). The bitmap's frame sits at (x, y);
  // it is drawn into rect, the slot texts over it. scale is the editor size factor.
  LibrarianViewControl(Korvid* plug, int x, int y, int paramIdx, IBitmap* bitmap, IRECT rect,
                       PatchLibrarian* librarian, double scale);
  ~LibrarianViewControl() override;

  bool Draw(IGraphics* pGraphics) override;

  // Marks the view dirty and reloads the upper pane's slot texts from the bank open there (empty texts for
  // slots beyond the bank or without a bank).
  void patchSelectionUpperChanged();
  // The same for the lower pane.
  void patchSelectionLowerChanged();

  // The slot text controls of a pane (0 upper, 1 lower), slot 0 to 127; null outside.
  ITextControl* getSlotText(int pane, int slot) const;

  // The bank file a pane shows, or null: the upper pane (0) the sound or multi bank at the upper bank index
  // by patch type; the lower pane (1) the category bank while categoryView, else the search-result bank
  // while searchView, else the sound or multi bank, at the lower bank index. Null for another pane or patch
  // type, an index outside its list or an empty entry. librarian may be null.
  static PatchFile* bankOfPane(const PatchLibrarian* librarian, int pane, bool categoryView, bool searchView);

  // The panes.
  static constexpr int kUpperPane = 0;
  static constexpr int kLowerPane = 1;

  // The slot the arrow keys move from (-1 for none).
  int cursorSlot = 0;
  // Selected slot of each pane, -1 for none.
  int selectedUpper = 0;
  int selectedLower = -1;
  // The pane of the last hit slot: kUpperPane or kLowerPane.
  int activePane = kUpperPane;
  // Slots can be dragged; the page switch sets it when the librarian page is first shown.
  bool dragEnabled = false;

private:
  // The bank the pane shows now, with the plug-in's category and search flags.
  PatchFile* bankOfPane(int pane) const;
  void loadPane(int pane);

  PatchLibrarian* librarian;
  Korvid* plug;
  double scale;
  IRECT targetRect;
  std::vector<std::unique_ptr<ITextControl>> upperSlots;
  std::vector<std::unique_ptr<ITextControl>> lowerSlots;
};
