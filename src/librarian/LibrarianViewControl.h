// LibrarianViewControl: the librarian's two-pane slot view, two banks of 128 slot names.
#pragma once

#include "IControl.h"
#include "LibrarianPatch.h"

#include <memory>
#include <string>
#include <vector>

class Korvid;
class PatchFile;
class PatchLibrarian;

// Built once by the UI description walker for the "patchBrowser" element, bound to kLibrarianArea, owned by
// its layer or the surface. The upper pane shows the bank being edited, the lower pane a source bank (sound
// or multi bank, category or search-result bank); each pane holds 128 slot texts in 8 columns of 16,
// numbered down each column. A click selects a slot, a double click or an arrow key sends it to the current
// part, a right click opens the slot menu (upper pane) or the copy menu, and a lower slot is copied into the
// upper bank by drag and drop or by Copy and Paste. Events and drawing run on the editor thread under the
// editor lock; other threads write the selection fields through EditorLock::RunOrDefer.
class LibrarianViewControl : public IBitmapControl
{
public:
  static constexpr int kSlotCount = 128;
  static constexpr int kSlotsPerColumn = 16;
  // The panes.
  static constexpr int kUpperPane = 0;
  static constexpr int kLowerPane = 1;
  // Characters of a record name in a dump.
  static constexpr int kNameLength = 16;

  // plug and librarian are not owned (either may be null: empty panes, no actions). The bitmap's frame sits
  // at (x, y); it is drawn into rect, the slot texts over it. scale is the editor size factor.
  LibrarianViewControl(Korvid* plug, int x, int y, int paramIdx, IBitmap* bitmap, IRECT rect,
                       PatchLibrarian* librarian, double scale);
  ~LibrarianViewControl() override;

  // Left button: selects the slot under the pointer (none outside the slots) in its pane, greys the save
  // button for a lower slot, drops an open rename. Right button: selects likewise, then opens the slot menu
  // over an upper slot, the copy menu anywhere else.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  // Ends a drag (one begun by the press alone when the pointer left the pressed lower slot): over an upper
  // slot the dragged record is copied into it; elsewhere but the dragged slot the message line says why
  // nothing was copied.
  void OnMouseUp(int x, int y, IMouseMod* pMod) override;
  // Moves the drag rectangle; the first move after a press on a lower slot starts dragging that slot's
  // record.
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod) override;
  // Selects the slot under the pointer and sends it to the current part (with an output port).
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
  // Arrow keys (1 up, 2 down, 3 left, 4 right) move the selection of the active pane by a row or a column,
  // wrapping round the bank, and send the new slot to the current part; true then. Other keys: false.
  bool OnKeyDown(int x, int y, int key) override;
  // The bitmap, both panes' names with the selected slots in black on light grey, and the drag rectangle.
  bool Draw(IGraphics* pGraphics) override;

  // Marks the view dirty and reloads the upper pane's slot texts from the bank open there (empty texts for
  // slots beyond the bank or without a bank).
  void patchSelectionUpperChanged();
  // The same for the lower pane.
  void patchSelectionLowerChanged();

  // Opens the rename field for the selected upper slot, holding its name; a slot without a whole dump
  // offers no rename (the message line says so). The kPatchRename edit then renames the slot. The
  // coordinates are not used.
  void renameSlot(int x, int y);
  // Copies the record of the lower slot under (x, y) as it is now; nothing (said in the message line) for
  // no slot or an empty one, which also forgets an earlier copy.
  void CopySlotData(int x, int y);
  // Copies the record taken by the last Copy into the upper slot under (x, y).
  void PasteSlotData(int x, int y);

  // The one way a pane's selection changes: slot (-1 for none, else 0..127; other values change nothing)
  // becomes the highlight of pane (kUpperPane or kLowerPane) and the librarian's selected slot of that pane,
  // which a store, a send, a rename, an init and a library request act on. view and librarian may be null.
  // Editor thread under the editor lock (other threads through EditorLock::RunOrDefer).
  static void selectSlot(LibrarianViewControl* view, PatchLibrarian* librarian, int pane, int slot);
  // selectSlot on this view and its librarian.
  void select(int pane, int slot) { selectSlot(this, librarian, pane, slot); }

  // The slot text controls of a pane (0 upper, 1 lower), slot 0 to 127; null outside.
  ITextControl* getSlotText(int pane, int slot) const;
  // The slot of pane under (x, y), or -1.
  int slotAt(int pane, int x, int y) const;

  // The bank file a pane shows, or null: the upper pane (0) the sound or multi bank at the upper bank index
  // by patch type; the lower pane (1) the category bank while categoryView, else the search-result bank
  // while searchView, else the sound or multi bank, at the lower bank index. Null for another pane or patch
  // type, an index outside its list or an empty entry. librarian may be null.
  static PatchFile* bankOfPane(const PatchLibrarian* librarian, int pane, bool categoryView, bool searchView);
  // True when the record's first stored dump is a whole sound dump of the synthesizer (a whole multi dump
  // with multi): what a slot needs to be renamed or copied.
  static bool holdsWholeDump(const LibrarianPatch& record, bool multi);
  // The number of a slot as the user reads it: "006" for slot 5 (slots count from 1 like programs).
  static std::string slotNumberText(int slot);
  // A record name as a dump holds it: 16 characters, cut or padded with blanks, each character outside
  // printable ASCII a blank.
  static std::string dumpNameText(const std::string& name);

  // Slots can be dragged; the page switch sets it when the librarian page is first shown.
  bool dragEnabled = false;
  // The rectangle that follows the pointer while dragging (slotWidth x rowPitch).
  IRECT dragRect;
  // True from the start of a drag until the button is released.
  bool dragging = false;
  const int slotWidth;
  const int rowPitch;
  // The lower slot being dragged, or the one copied last (-1 for none).
  int sourceSlot = -1;
  // The lower slot under the last left button press, until a drag takes it (-1 for none).
  int pressedLower = -1;
  // Selected slot of each pane, -1 for none: the highlight. Written through selectSlot only, which keeps the
  // librarian's selected slots in step.
  int selectedUpper = 0;
  int selectedLower = -1;
  // The pane of the last hit slot: kUpperPane or kLowerPane.
  int activePane = kUpperPane;
  // The slot the arrow keys move from (-1 for none).
  int cursorSlot = 0;
  // The lower pane's bank index at the last Copy, -1 before the first.
  int copiedBank = -1;
  const int slotCount = kSlotCount;

private:
  // The slots hit at (x, y): at most one per pane, -1 for none.
  struct Hit
  {
    int upper = -1;
    int lower = -1;
  };
  Hit hitAt(int x, int y) const;
  // Takes the record of the pressed lower slot as the one dragged; nothing without a press there.
  void startDrag();
  // No slot selected in either pane.
  void resetSelections();
  // The selections of a hit as a click makes them: active pane and the save button's greying follow.
  void selectHit(const Hit& hit);
  // The bank the pane shows now, with the plug-in's category and search flags.
  PatchFile* bankOfPane(int pane) const;
  void loadPane(int pane);
  // A copy of record slot of the lower pane's bank (an empty record for none).
  LibrarianPatch lowerRecord(int slot) const;
  // Copies record (taken from lower slot source) into upper slot target and reports it; refuses, saying
  // why, while a transfer runs, without an upper bank, for an empty record or one of the other kind.
  bool transferRecord(const LibrarianPatch& record, int source, int target);
  // The current part, 0 without a plug-in.
  int currentPart() const;
  void say(const std::string& text) const;
  // Drops an armed rename; hideField also hides the rename field.
  void blockRename(bool hideField);

  PatchLibrarian* librarian;
  Korvid* plug;
  double scale;
  IRECT targetRect;
  std::vector<std::unique_ptr<ITextControl>> upperSlots;
  std::vector<std::unique_ptr<ITextControl>> lowerSlots;
  // The record the last Copy took (valid while copiedBank >= 0), and the one being dragged.
  LibrarianPatch copiedRecord;
  LibrarianPatch draggedRecord;
};
