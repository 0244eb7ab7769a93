// The one-line text field of the X11 editor view: a small child window drawn with cairo.
#pragma once

#include "IGraphicsStructs.h"
#include "TextEntryFormatter.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

class IControl;
class IParam;
struct xkb_compose_table;
struct xkb_compose_state;

// A text field over a rectangle of the editor window, for one control (and its parameter, or none for free
// text). It opens with its whole text selected, so the first typed character replaces it. Every edit goes
// through the formatter when there is one; a refused edit leaves the text as it was. Dead keys and the
// Compose key make the letter the locale's compose table gives (dead circumflex then a: "â"), which the field
// takes or refuses like a letter typed on its own key; a dead key that composes nothing with the next key
// types its accent (the table's dead key pressed twice, else U+FFFD) before that key acts, and BackSpace
// takes a started sequence back. The view routes its keys to it and decides what commit and cancel do. GUI
// thread only.
class IGraphicsX11TextEntry
{
public:
  // What a key did.
  enum class KeyResult
  {
    kHandled, // edited, moved the cursor, or refused by the formatter for its length
    kRefused, // a character the formatter does not take (Refused() names it): the text stays
    kCommit,  // Return, Enter or Tab: editing ends and the text applies
    kCancel,  // Escape: editing ends without applying
    kIgnored, // not a key of the field
  };

  // area: window rectangle (right and bottom exclusive); style: font size, alignment and the text-entry
  // colours; formatter may be null (free text); compose: the table dead keys are composed by (null: none),
  // which must outlive the field.
  IGraphicsX11TextEntry(Display* display, Window view, const IRECT& area, const IText& style, const char* str,
                        IControl* control, IParam* param, std::unique_ptr<TextEntryFormatter> formatter,
                        xkb_compose_table* compose = nullptr);
  ~IGraphicsX11TextEntry();
  IGraphicsX11TextEntry(const IGraphicsX11TextEntry&) = delete;
  IGraphicsX11TextEntry& operator=(const IGraphicsX11TextEntry&) = delete;

  Window GetXWindow() const { return mWindow; }
  IControl* Control() const { return mControl; }
  IParam* Param() const { return mParam; }
  const std::string& Text() const { return mText; }
  const TextEntryFormatter* Formatter() const { return mFormatter.get(); }
  // The characters of the keys that returned kRefused since the field opened, each once in the order typed,
  // in UTF-8 and separated by ", " ("è, Ü"); empty when none was.
  const std::string& Refused() const { return mRefused; }
  // The character a key's keysym types, in UTF-8: empty for keys that type none (control characters,
  // function keys, dead keys), U+FFFD for a keysym of a code point that is no character cairo draws (a
  // surrogate, a noncharacter).
  static std::string TypedCharacter(unsigned long keysym);
  // The compose table of the user's locale (LC_ALL, LC_CTYPE, LANG; the C locale's when that one has none),
  // or null when there is none; the caller unrefs it.
  static xkb_compose_table* LoadComposeTable();

  KeyResult HandleKey(XKeyEvent* event);
  // Types chars at the cursor (replacing the selection); false when the formatter refuses the result.
  bool Insert(const std::string& chars);
  // Deletes the selection, else the character before (backward) or after the cursor.
  void Erase(bool backward);
  void Draw();

private:
  bool Apply(const std::string& text, size_t cursor);
  // A key after composing: edits, moves, commits or cancels, or types its character.
  KeyResult Act(KeySym keysym, unsigned int state);
  // Types text (a character, or what a sequence composed): refused and kept in Refused() when the formatter
  // does not take it, else inserted when it is one byte.
  KeyResult Type(const std::string& text);
  // What a key held in a sequence that composed nothing types: its own character, nothing for the Compose
  // key, a dead key's accent.
  std::string Uncomposed(KeySym keysym) const;

  Display* mDisplay;
  Window mWindow = 0;
  int mWidth;
  int mHeight;
  IText mStyle;
  IControl* mControl;
  IParam* mParam;
  std::unique_ptr<TextEntryFormatter> mFormatter;
  std::string mText;
  size_t mCursor;
  bool mAllSelected = true;
  std::vector<std::string> mRefusedCharacters;
  std::string mRefused;
  xkb_compose_table* mComposeTable;
  xkb_compose_state* mCompose = nullptr;
  std::vector<KeySym> mHeld; // the keys of the sequence being composed
};
