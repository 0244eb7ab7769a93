// Window-system-free description of a popup menu: items with flags and sub-menus, numbering and the choice.
#pragma once

#include <string>
#include <vector>

class IPopupMenu;

// One entry of a popup menu. Built and read on the editor thread.
class IPopupMenuItem
{
public:
  enum Flags
  {
    kNoFlags = 0,
    kDisabled = 1 << 0,  // shown greyed, cannot be chosen
    kTitle = 1 << 1,     // shown indented as a heading
    kChecked = 1 << 2,   // shows a check mark
    kSeparator = 1 << 3, // a separator line
  };

  // text is copied (null gives an empty text); subMenu is not owned and may be null.
  IPopupMenuItem(const char* text, int flags = kNoFlags, IPopupMenu* subMenu = nullptr);

  const char* GetText() const { return mText.c_str(); }
  void SetText(const char* text) { mText = text ? text : ""; }
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  void SetSubmenu(IPopupMenu* subMenu) { mSubmenu = subMenu; }
  int GetFlags() const { return mFlags; }
  void SetFlags(int flags) { mFlags = flags; }

  bool GetEnabled() const { return !(mFlags & kDisabled); }
  bool GetChecked() const { return (mFlags & kChecked) != 0; }
  bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
  bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
  void SetEnabled(bool enabled) { SetFlag(kDisabled, !enabled); }
  void SetChecked(bool checked) { SetFlag(kChecked, checked); }
  void SetTitle(bool title) { SetFlag(kTitle, title); }

private:
  void SetFlag(int flag, bool on) { mFlags = on ? (mFlags | flag) : (mFlags & ~flag); }

  std::string mText;
  IPopupMenu* mSubmenu;
  int mFlags;
};

// An ordered list of items that the menu owns, a numbering prefix and the index of the chosen item.
// Sub-menus that items point to are not owned: the caller keeps them (menus here live as long as the
// plug-in). Built on the editor thread; the window layer sets the chosen index when the user picks an item.
class IPopupMenu
{
public:
  IPopupMenu() = default;
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Inserts an item the menu then owns. index -1 appends; 0..count inserts before that position (count
  // appends); beyond the count appends; any other negative index inserts at the front. Returns the item; a
  // null item is not inserted.
  IPopupMenuItem* AddItem(IPopupMenuItem* item, int index = -1);
  // Makes an item with the text and flags and inserts it by the same rule.
  IPopupMenuItem* AddItem(const char* text, int index = -1, int flags = IPopupMenuItem::kNoFlags);
  // Makes an item that opens subMenu (not owned) and appends it.
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* subMenu);
  // Makes an empty separator item and inserts it by the same rule.
  IPopupMenuItem* AddSeparator(int index = -1);

  int GetNItems() const { return static_cast<int>(mItems.size()); }
  // The item at i, or null when i is out of range.
  IPopupMenuItem* GetItem(int i) const;
  // The text of item i; an empty text for an empty item and for an index out of range.
  const char* GetItemText(int i) const
  {
    const IPopupMenuItem* item = GetItem(i);
    return item ? item->GetText() : "";
  }
  // Checks item i and unchecks every other; an index outside the list unchecks all.
  void CheckItemAlone(int i);

  // Numbering shown before each item: 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: "; other values are ignored.
  void SetPrefix(int prefix);
  int GetPrefix() const { return mPrefix; }
  // The label shown for item i: the numbering (position counted from 1) followed by the text.
  std::string GetDisplayText(int i) const;

  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  // Index of the item the user chose in this menu, or -1.
  int GetChosenItemIdx() const { return mChosenItemIdx; }

private:
  std::vector<IPopupMenuItem*> mItems;
  int mPrefix = 0;
  int mChosenItemIdx = -1;
};
