// The text field: editing with the formatter's checks, and drawing with cairo-xlib.
#include "IGraphicsX11TextEntry.h"

#include "DisplayText.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace
{
// The field's font: a fixed-pitch face (the macOS view uses Monaco) at nine tenths of the style's size.
constexpr const char* kFontFace = "Monospace";
constexpr double kFontScale = 0.9;
constexpr double kPadding = 2.0;

constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

double channel(int value)
{
  return value / 255.0;
}

// The more telling of two keys' results when one key stands for several (a sequence that composed nothing):
// an end of editing, else a refusal, else an edit.
IGraphicsX11TextEntry::KeyResult telling(IGraphicsX11TextEntry::KeyResult a,
                                         IGraphicsX11TextEntry::KeyResult b)
{
  using R = IGraphicsX11TextEntry::KeyResult;
  for (R r : {R::kCommit, R::kCancel, R::kRefused, R::kHandled})
  {
    if (a == r || b == r)
    {
      return r;
    }
  }
  return R::kIgnored;
}

// The locale of character handling, as the C library reads it from the environment.
const char* characterLocale()
{
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
  {
    const char* value = std::getenv(name);
    if (value && *value)
    {
      return value;
    }
  }
  return "C";
}
} // namespace

xkb_compose_table* IGraphicsX11TextEntry::LoadComposeTable()
{
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES);
  if (!context)
  {
    return nullptr;
  }
  // A locale without a table of its own falls back to the C locale's: that is no error to print.
  xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
  xkb_compose_table* table =
      xkb_compose_table_new_from_locale(context, characterLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (!table)
  {
    table = xkb_compose_table_new_from_locale(context, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
  }
  xkb_context_unref(context); // the table keeps its own reference
  return table;
}

std::string IGraphicsX11TextEntry::TypedCharacter(unsigned long keysym)
{
  // Every keysym that names a character: Latin-1, the legacy tables (Cyrillic, Greek, Latin-2, the euro
  // sign, ...) and the Unicode keysyms.
  const uint32_t code = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
  if (code < 0x20 || (code >= 0x7F && code < 0xA0))
  {
    return std::string();
  }
  // A Unicode keysym of a surrogate names no character (UTF-8 cannot hold it), one of a noncharacter none
  // that cairo draws: both are named as U+FFFD, as the display shows them.
  if ((code >= 0xD800 && code <= 0xDFFF) || (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE)
  {
    return kReplacement;
  }
  char utf8[8] = {};
  return xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(keysym), utf8, sizeof utf8) > 0 ? std::string(utf8)
                                                                                      : std::string();
}

IGraphicsX11TextEntry::IGraphicsX11TextEntry(Display* display, Window view, const IRECT& area,
                                             const IText& style, const char* str, IControl* control,
                                             IParam* param, std::unique_ptr<TextEntryFormatter> formatter,
                                             xkb_compose_table* compose)
    : mDisplay(display), mWidth(std::max(1, area.W())), mHeight(std::max(1, area.H())), mStyle(style),
      mControl(control), mParam(param), mFormatter(std::move(formatter)), mText(str ? str : ""),
      mCursor(mText.size()), mComposeTable(compose)
{
  if (mComposeTable)
  {
    mCompose = xkb_compose_state_new(mComposeTable, XKB_COMPOSE_STATE_NO_FLAGS);
  }
  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;
  attributes.event_mask = ExposureMask | ButtonPressMask;
  mWindow = XCreateWindow(mDisplay, view, area.L, area.T, static_cast<unsigned>(mWidth),
                          static_cast<unsigned>(mHeight), 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixmap | CWEventMask, &attributes);
  XMapRaised(mDisplay, mWindow);
}

IGraphicsX11TextEntry::~IGraphicsX11TextEntry()
{
  xkb_compose_state_unref(mCompose);
  if (mWindow)
  {
    XDestroyWindow(mDisplay, mWindow);
    XFlush(mDisplay);
  }
}

bool IGraphicsX11TextEntry::Apply(const std::string& text, size_t cursor)
{
  if (mFormatter && !mFormatter->IsAcceptable(text))
  {
    return false;
  }
  mText = text;
  mCursor = std::min(cursor, mText.size());
  mAllSelected = false;
  return true;
}

bool IGraphicsX11TextEntry::Insert(const std::string& chars)
{
  if (mAllSelected)
  {
    return Apply(chars, chars.size());
  }
  std::string text = mText;
  text.insert(mCursor, chars);
  return Apply(text, mCursor + chars.size());
}

void IGraphicsX11TextEntry::Erase(bool backward)
{
  if (mAllSelected)
  {
    Apply(std::string(), 0);
    return;
  }
  std::string text = mText;
  if (backward && mCursor > 0)
  {
    text.erase(mCursor - 1, 1);
    Apply(text, mCursor - 1);
  }
  else if (!backward && mCursor < text.size())
  {
    text.erase(mCursor, 1);
    Apply(text, mCursor);
  }
}

IGraphicsX11TextEntry::KeyResult IGraphicsX11TextEntry::HandleKey(XKeyEvent* event)
{
  char chars[16] = {};
  KeySym keysym = NoSymbol;
  XLookupString(event, chars, sizeof chars - 1, &keysym, nullptr);
  // Modifiers leave a sequence as it is (the compose state ignores them); a shortcut is no letter.
  if (!mCompose || (event->state & ControlMask) ||
      xkb_compose_state_feed(mCompose, static_cast<xkb_keysym_t>(keysym)) == XKB_COMPOSE_FEED_IGNORED)
  {
    return Act(keysym, event->state);
  }
  switch (xkb_compose_state_get_status(mCompose))
  {
  case XKB_COMPOSE_COMPOSING:
    mHeld.push_back(keysym);
    return KeyResult::kHandled;
  case XKB_COMPOSE_COMPOSED:
  {
    char composed[64] = {};
    xkb_compose_state_get_utf8(mCompose, composed, sizeof composed);
    xkb_compose_state_reset(mCompose);
    mHeld.clear();
    return Type(composed);
  }
  case XKB_COMPOSE_CANCELLED:
  {
    xkb_compose_state_reset(mCompose);
    std::vector<KeySym> held;
    held.swap(mHeld);
    if (keysym == XK_BackSpace)
    {
      return KeyResult::kHandled;
    }
    KeyResult result = KeyResult::kIgnored;
    for (KeySym key : held)
    {
      result = telling(result, Type(Uncomposed(key)));
    }
    // The key that ended the sequence acts as itself, and may start another.
    return telling(result, HandleKey(event));
  }
  default:
    return Act(keysym, event->state);
  }
}

std::string IGraphicsX11TextEntry::Uncomposed(KeySym keysym) const
{
  const std::string own = TypedCharacter(keysym);
  if (!own.empty() || keysym == XK_Multi_key)
  {
    return own;
  }
  // A dead key's accent, as the table writes it for the dead key pressed twice ("^", "´", "¨").
  std::string accent = kReplacement;
  if (xkb_compose_state* twice = xkb_compose_state_new(mComposeTable, XKB_COMPOSE_STATE_NO_FLAGS))
  {
    xkb_compose_state_feed(twice, static_cast<xkb_keysym_t>(keysym));
    xkb_compose_state_feed(twice, static_cast<xkb_keysym_t>(keysym));
    char composed[64] = {};
    if (xkb_compose_state_get_status(twice) == XKB_COMPOSE_COMPOSED &&
        xkb_compose_state_get_utf8(twice, composed, sizeof composed) > 0)
    {
      accent = composed;
    }
    xkb_compose_state_unref(twice);
  }
  return accent;
}

IGraphicsX11TextEntry::KeyResult IGraphicsX11TextEntry::Act(KeySym keysym, unsigned int state)
{
  switch (keysym)
  {
  case XK_Return:
  case XK_KP_Enter:
  case XK_Tab:
    return KeyResult::kCommit;
  case XK_Escape:
    return KeyResult::kCancel;
  case XK_BackSpace:
    Erase(true);
    break;
  case XK_Delete:
  case XK_KP_Delete:
    Erase(false);
    break;
  case XK_Left:
    mCursor = mAllSelected ? 0 : (mCursor > 0 ? mCursor - 1 : 0);
    mAllSelected = false;
    break;
  case XK_Right:
    mCursor = mAllSelected ? mText.size() : std::min(mCursor + 1, mText.size());
    mAllSelected = false;
    break;
  case XK_Home:
    mCursor = 0;
    mAllSelected = false;
    break;
  case XK_End:
    mCursor = mText.size();
    mAllSelected = false;
    break;
  default:
    return (state & ControlMask) ? KeyResult::kIgnored : Type(TypedCharacter(keysym));
  }
  Draw();
  return KeyResult::kHandled;
}

IGraphicsX11TextEntry::KeyResult IGraphicsX11TextEntry::Type(const std::string& text)
{
  if (!text.empty() && mFormatter && !mFormatter->AllowsCharacters(text))
  {
    // Each character once, in the order typed: the plug-in names all that the text lost.
    if (std::find(mRefusedCharacters.begin(), mRefusedCharacters.end(), text) == mRefusedCharacters.end())
    {
      mRefusedCharacters.push_back(text);
      mRefused += (mRefused.empty() ? "" : ", ") + text;
    }
    return KeyResult::kRefused;
  }
  // One byte, one character: the field edits bytewise, and every formatter takes only ASCII.
  if (text.size() != 1)
  {
    return KeyResult::kIgnored;
  }
  Insert(text);
  Draw();
  return KeyResult::kHandled;
}

void IGraphicsX11TextEntry::Draw()
{
  XWindowAttributes attributes;
  if (!mWindow || !XGetWindowAttributes(mDisplay, mWindow, &attributes))
  {
    return;
  }
  // Drawn in memory and copied to the window in one go: no glyph caches are left on the display.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, mWidth, mHeight);
  cairo_t* cr = cairo_create(surface);
  const IColor& bg = mStyle.mTextEntryBGColor;
  const IColor& fg = mStyle.mTextEntryFGColor;
  cairo_set_source_rgb(cr, channel(bg.R), channel(bg.G), channel(bg.B));
  cairo_paint(cr);

  // The text has a context of its own, whose error, should cairo refuse the text, stays with it.
  cairo_t* text = cairo_create(surface);
  cairo_select_font_face(text, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(text, std::max(1, static_cast<int>(mStyle.mSize * kFontScale)));
  cairo_font_extents_t font;
  cairo_font_extents(text, &font);
  // Text from outside (the field's first text) may be what cairo refuses or hold control characters.
  const std::string shown = lineText(mText);
  cairo_text_extents_t whole;
  cairo_text_extents(text, shown.c_str(), &whole);
  double x = kPadding;
  if (mStyle.mAlign == IText::kAlignCenter)
  {
    x = (mWidth - whole.x_advance) * 0.5;
  }
  else if (mStyle.mAlign == IText::kAlignFar)
  {
    x = mWidth - kPadding - whole.x_advance;
  }
  const double baseline = (mHeight + font.ascent - font.descent) * 0.5;

  cairo_text_extents_t before;
  cairo_text_extents(text, lineText(mText.substr(0, mCursor)).c_str(), &before);
  if (mAllSelected && !mText.empty())
  {
    cairo_set_source_rgb(cr, 0.65, 0.78, 0.98);
    cairo_rectangle(cr, x, baseline - font.ascent, whole.x_advance, font.ascent + font.descent);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(text, channel(fg.R), channel(fg.G), channel(fg.B));
  cairo_move_to(text, x, baseline);
  cairo_show_text(text, shown.c_str());
  cairo_destroy(text);
  if (!mAllSelected)
  {
    const double caret = x + before.x_advance + 0.5;
    cairo_set_source_rgb(cr, channel(fg.R), channel(fg.G), channel(fg.B));
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, caret, baseline - font.ascent);
    cairo_line_to(cr, caret, baseline + font.descent);
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_t* window = cairo_xlib_surface_create(mDisplay, mWindow, attributes.visual, mWidth, mHeight);
  cr = cairo_create(window);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(window);
  cairo_surface_destroy(window);
  cairo_surface_destroy(surface);
  XFlush(mDisplay);
}
