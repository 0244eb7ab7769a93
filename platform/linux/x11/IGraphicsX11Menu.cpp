// The popup menu windows: layout, drawing, the modal loop with pointer and keyboard grabs, the choice.
#include "IGraphicsX11Menu.h"

#include "DisplayText.h"
#include "IGraphicsX11View.h"
#include "IPopupMenu.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

namespace
{
constexpr const char* kFontFace = "Sans";
constexpr double kFontSize = 13.0;
constexpr int kRowHeight = 22;
constexpr int kSeparatorHeight = 9;
constexpr int kPadding = 4;      // above the first and below the last row
constexpr int kCheckColumn = 22; // left margin holding the check mark
constexpr int kTitleIndent = 14; // one indentation level for title items
constexpr int kArrowColumn = 20; // right margin holding the sub-menu arrow
constexpr int kMinWidth = 80;
constexpr int kSubMenuOverlap = 2;
constexpr int kPollMs = 10;
constexpr int kGrabAttempts = 50;
// A release this soon after opening belongs to the click that opened the menu, unless the user pressed
// inside the menu since.
constexpr auto kOpeningClick = std::chrono::milliseconds(300);
// A menu taller than the screen: the band holding each scroll arrow, how far the rows move per step while
// the pointer rests on an arrow, how often, and per wheel notch.
constexpr int kArrowBand = 18;
constexpr int kScrollStep = kRowHeight / 2;
constexpr auto kScrollInterval = std::chrono::milliseconds(30);
constexpr int kWheelRows = 3;
constexpr unsigned int kWheelUp = 4;
constexpr unsigned int kWheelDown = 5;

double textWidth(const std::string& text)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return extents.x_advance;
}

// Draws a row's label with a cairo context of its own: cairo keeps a context's first error for good, so a
// text it refused would leave every later row of a shared context empty. clipTop..clipBottom: the band the
// rows show in.
void drawLabel(cairo_surface_t* surface, const std::string& label, double x, double baseline, double clipTop,
               double clipBottom, const double (&rgb)[3])
{
  cairo_t* cr = cairo_create(surface);
  cairo_rectangle(cr, 0, clipTop, cairo_image_surface_get_width(surface), clipBottom - clipTop);
  cairo_clip(cr);
  cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]);
  cairo_move_to(cr, x, baseline);
  cairo_show_text(cr, label.c_str());
  cairo_destroy(cr);
}
} // namespace

IGraphicsX11Menu::IGraphicsX11Menu(IGraphicsX11View* view, IPopupMenu* menu, int rootX, int rootY)
    : mView(view), mDisplay(view->GetDisplay()), mRoot(menu), mRootX(rootX), mRootY(rootY)
{
}

IGraphicsX11Menu::~IGraphicsX11Menu()
{
  CloseLevelsFrom(0);
}

bool IGraphicsX11Menu::Choosable(const Row& row) const
{
  return !row.subMenu && !(row.flags & IPopupMenuItem::kSeparator) &&
         !(row.flags & IPopupMenuItem::kDisabled);
}

void IGraphicsX11Menu::OpenLevel(IPopupMenu* menu, int rootX, int rootY, int parentLeft)
{
  Level level;
  level.menu = menu;
  int top = kPadding;
  double widest = 0.0;
  for (int i = 0; i < menu->GetNItems(); ++i)
  {
    const IPopupMenuItem* item = menu->GetItem(i);
    Row row;
    row.top = top;
    row.subMenu = item->GetSubmenu();
    // A sub-menu entry shows its label only: its flags are not applied.
    row.flags = row.subMenu ? 0 : item->GetFlags();
    const bool separator = !row.subMenu && (row.flags & IPopupMenuItem::kSeparator);
    row.height = separator ? kSeparatorHeight : kRowHeight;
    if (!separator)
    {
      row.label = lineText(menu->GetDisplayText(i));
      const double indent = (row.flags & IPopupMenuItem::kTitle) ? kTitleIndent : 0;
      widest = std::max(widest, textWidth(row.label) + indent);
    }
    top += row.height;
    level.rows.push_back(row);
  }
  level.w = std::max(kMinWidth, kCheckColumn + static_cast<int>(widest + 0.5) + kArrowColumn);
  level.contentHeight = std::max(top + kPadding, 2 * kPadding + 1);

  const int screen = DefaultScreen(mDisplay);
  const int screenW = DisplayWidth(mDisplay, screen);
  const int screenH = DisplayHeight(mDisplay, screen);
  // Room for the arrows and at least one row between them, or the screen is too small to scroll in.
  level.scrolls = level.contentHeight > screenH && screenH >= 2 * kArrowBand + kRowHeight;
  level.h = level.scrolls ? screenH : level.contentHeight;
  level.x = rootX;
  if (level.x + level.w > screenW)
  {
    // A sub-menu that does not fit on the right opens to the left of its parent.
    level.x = parentLeft >= 0 ? parentLeft - level.w + kSubMenuOverlap : screenW - level.w;
  }
  level.x = std::max(0, level.x);
  level.y = std::max(0, std::min(rootY, screenH - level.h));

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.save_under = True;
  attributes.background_pixel = WhitePixel(mDisplay, screen);
  attributes.border_pixel = BlackPixel(mDisplay, screen);
  attributes.event_mask =
      ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  level.window = XCreateWindow(
      mDisplay, RootWindow(mDisplay, screen), level.x, level.y, static_cast<unsigned>(level.w),
      static_cast<unsigned>(level.h), 1, CopyFromParent, InputOutput, CopyFromParent,
      CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  XMapRaised(mDisplay, level.window);
  mLevels.push_back(level);
  DrawLevel(mLevels.back());
  XFlush(mDisplay);
}

void IGraphicsX11Menu::CloseLevelsFrom(size_t level)
{
  while (mLevels.size() > level)
  {
    XDestroyWindow(mDisplay, mLevels.back().window);
    mLevels.pop_back();
  }
  XFlush(mDisplay);
}

int IGraphicsX11Menu::RowsTop(const Level& level)
{
  return (level.scrolls ? kArrowBand : 0) - level.scroll;
}

int IGraphicsX11Menu::MaxScroll(const Level& level)
{
  return level.scrolls ? std::max(0, level.contentHeight - (level.h - 2 * kArrowBand)) : 0;
}

void IGraphicsX11Menu::DrawLevel(Level& level)
{
  XWindowAttributes info;
  if (!XGetWindowAttributes(mDisplay, level.window, &info))
  {
    return;
  }
  // Drawn in memory and copied to the window in one go: no glyph caches are left on the display.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, level.w, level.h);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.96, 0.96, 0.96);
  cairo_paint(cr);
  // The main context draws no text: the labels' contexts keep their errors to themselves.
  cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_set_line_width(cr, 1.0);

  const int rowsTop = RowsTop(level);
  cairo_save(cr);
  if (level.scrolls)
  {
    cairo_rectangle(cr, 0, kArrowBand, level.w, level.h - 2 * kArrowBand);
    cairo_clip(cr);
  }
  for (size_t i = 0; i < level.rows.size(); ++i)
  {
    Row row = level.rows[i];
    row.top += rowsTop;
    if (row.top + row.height <= 0 || row.top >= level.h)
    {
      continue;
    }
    if (!row.subMenu && (row.flags & IPopupMenuItem::kSeparator))
    {
      cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
      cairo_move_to(cr, kPadding, row.top + row.height / 2 + 0.5);
      cairo_line_to(cr, level.w - kPadding, row.top + row.height / 2 + 0.5);
      cairo_stroke(cr);
      continue;
    }
    const bool disabled = (row.flags & IPopupMenuItem::kDisabled) != 0;
    const bool hovered = static_cast<int>(i) == level.hover && !disabled;
    if (hovered)
    {
      cairo_set_source_rgb(cr, 0.22, 0.45, 0.85);
      cairo_rectangle(cr, 1, row.top, level.w - 2, row.height);
      cairo_fill(cr);
    }
    const double grey[3] = {0.62, 0.62, 0.62};
    const double white[3] = {1.0, 1.0, 1.0};
    const double black[3] = {0.1, 0.1, 0.1};
    const double(&rgb)[3] = disabled ? grey : (hovered ? white : black);
    cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]);
    const double middle = row.top + row.height * 0.5;
    if (row.flags & IPopupMenuItem::kChecked)
    {
      cairo_move_to(cr, 7, middle);
      cairo_line_to(cr, 10, middle + 4);
      cairo_line_to(cr, 16, middle - 5);
      cairo_stroke(cr);
    }
    const double indent = (row.flags & IPopupMenuItem::kTitle) ? kTitleIndent : 0;
    drawLabel(surface, row.label, kCheckColumn + indent, middle + (font.ascent - font.descent) * 0.5,
              level.scrolls ? kArrowBand : 0, level.scrolls ? level.h - kArrowBand : level.h, rgb);
    if (row.subMenu)
    {
      const double right = level.w - 8.0;
      cairo_move_to(cr, right - 5, middle - 5);
      cairo_line_to(cr, right, middle);
      cairo_line_to(cr, right - 5, middle + 5);
      cairo_close_path(cr);
      cairo_fill(cr);
    }
  }
  cairo_restore(cr);
  if (level.scrolls)
  {
    // An arrow pointing up at the top, down at the bottom; grey where the rows end.
    const double middle = level.w * 0.5;
    for (int end = 0; end < 2; ++end)
    {
      const bool up = end == 0;
      const bool more = up ? level.scroll > 0 : level.scroll < MaxScroll(level);
      const double centre = up ? kArrowBand * 0.5 : level.h - kArrowBand * 0.5;
      const double tip = up ? -4.0 : 4.0;
      if (more)
      {
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
      }
      else
      {
        cairo_set_source_rgb(cr, 0.72, 0.72, 0.72);
      }
      cairo_move_to(cr, middle - 6, centre - tip);
      cairo_line_to(cr, middle, centre + tip);
      cairo_line_to(cr, middle + 6, centre - tip);
      cairo_close_path(cr);
      cairo_fill(cr);
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_t* window = cairo_xlib_surface_create(mDisplay, level.window, info.visual, level.w, level.h);
  cr = cairo_create(window);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(window);
  cairo_surface_destroy(window);
  cairo_surface_destroy(surface);
}

int IGraphicsX11Menu::LevelAt(int rootX, int rootY, int* row, int* arrow) const
{
  *row = -1;
  if (arrow)
  {
    *arrow = 0;
  }
  for (int l = static_cast<int>(mLevels.size()) - 1; l >= 0; --l)
  {
    const Level& level = mLevels[static_cast<size_t>(l)];
    if (rootX < level.x || rootX >= level.x + level.w || rootY < level.y || rootY >= level.y + level.h)
    {
      continue;
    }
    const int windowY = rootY - level.y;
    if (level.scrolls && (windowY < kArrowBand || windowY >= level.h - kArrowBand))
    {
      if (arrow)
      {
        *arrow = windowY < kArrowBand ? -1 : 1;
      }
      return l;
    }
    const int y = windowY - RowsTop(level);
    for (size_t i = 0; i < level.rows.size(); ++i)
    {
      if (y >= level.rows[i].top && y < level.rows[i].top + level.rows[i].height)
      {
        *row = static_cast<int>(i);
      }
    }
    return l;
  }
  return -1;
}

void IGraphicsX11Menu::SetHover(size_t level, int row)
{
  Level& current = mLevels[level];
  IPopupMenu* subMenu = row >= 0 ? current.rows[static_cast<size_t>(row)].subMenu : nullptr;
  // Deeper levels stay only while they belong to the hovered entry.
  const bool keepNext = subMenu && mLevels.size() > level + 1 && mLevels[level + 1].menu == subMenu;
  CloseLevelsFrom(keepNext ? level + 2 : level + 1);
  if (current.hover != row)
  {
    mLevels[level].hover = row;
    DrawLevel(mLevels[level]);
  }
  if (subMenu && !keepNext)
  {
    const Level& parent = mLevels[level];
    const Row& entry = parent.rows[static_cast<size_t>(row)];
    OpenLevel(subMenu, parent.x + parent.w - kSubMenuOverlap,
              parent.y + RowsTop(parent) + entry.top - kPadding, parent.x);
  }
}

void IGraphicsX11Menu::OnMotion(int rootX, int rootY)
{
  int row = -1;
  int arrow = 0;
  const int level = LevelAt(rootX, rootY, &row, &arrow);
  if (arrow != 0 && (mArrowLevel != level || mArrowDirection != arrow))
  {
    // The first step waits a moment: passing over an arrow scrolls little.
    mLastScroll = std::chrono::steady_clock::now();
  }
  mArrowLevel = arrow != 0 ? level : -1;
  mArrowDirection = arrow;
  if (level >= 0)
  {
    SetHover(static_cast<size_t>(level), row);
  }
}

void IGraphicsX11Menu::ScrollBy(size_t level, int pixels)
{
  Level& current = mLevels[level];
  const int scroll = std::max(0, std::min(current.scroll + pixels, MaxScroll(current)));
  if (scroll == current.scroll)
  {
    return;
  }
  // A sub-menu stays beside the entry that opened it only while that entry does not move.
  CloseLevelsFrom(level + 1);
  mLevels[level].scroll = scroll;
  DrawLevel(mLevels[level]);
  XFlush(mDisplay);
}

void IGraphicsX11Menu::ScrollIntoView(size_t level, int row)
{
  const Level& current = mLevels[level];
  if (!current.scrolls || row < 0)
  {
    return;
  }
  const Row& entry = current.rows[static_cast<size_t>(row)];
  const int top = RowsTop(current) + entry.top;
  const int bottom = top + entry.height;
  if (top < kArrowBand)
  {
    ScrollBy(level, top - kArrowBand);
  }
  else if (bottom > current.h - kArrowBand)
  {
    ScrollBy(level, bottom - (current.h - kArrowBand));
  }
}

void IGraphicsX11Menu::ScrollWhileOnArrow()
{
  if (mArrowLevel < 0 || static_cast<size_t>(mArrowLevel) >= mLevels.size())
  {
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now - mLastScroll < kScrollInterval)
  {
    return;
  }
  mLastScroll = now;
  ScrollBy(static_cast<size_t>(mArrowLevel), mArrowDirection * kScrollStep);
}

void IGraphicsX11Menu::OnWheel(int rootX, int rootY, int direction)
{
  int row = -1;
  const int level = LevelAt(rootX, rootY, &row);
  if (level < 0)
  {
    return;
  }
  ScrollBy(static_cast<size_t>(level), direction * kWheelRows * kRowHeight);
  // The entry now under the pointer is the one highlighted.
  OnMotion(rootX, rootY);
}

void IGraphicsX11Menu::OnRelease(int rootX, int rootY)
{
  int row = -1;
  const int level = LevelAt(rootX, rootY, &row);
  if (level < 0 || row < 0)
  {
    return;
  }
  if (!mPressedInside && std::chrono::steady_clock::now() - mOpened < kOpeningClick)
  {
    return;
  }
  if (Choosable(mLevels[static_cast<size_t>(level)].rows[static_cast<size_t>(row)]))
  {
    Choose(static_cast<size_t>(level), row);
  }
}

void IGraphicsX11Menu::Choose(size_t level, int row)
{
  mChosenMenu = mLevels[level].menu;
  mChosenIndex = row;
  mDone = true;
}

void IGraphicsX11Menu::OnKey(XKeyEvent* event)
{
  const KeySym keysym = XLookupKeysym(event, 0);
  if (mLevels.empty())
  {
    mDone = true;
    return;
  }
  const size_t deepest = mLevels.size() - 1;
  Level& level = mLevels[deepest];
  const int count = static_cast<int>(level.rows.size());
  auto selectable = [&](int i)
  {
    const Row& row = level.rows[static_cast<size_t>(i)];
    return row.subMenu || Choosable(row);
  };
  switch (keysym)
  {
  case XK_Escape:
    mDone = true;
    break;
  case XK_Up:
  case XK_Down:
  {
    const int step = keysym == XK_Down ? 1 : -1;
    // With no entry highlighted, down starts at the first entry and up at the last.
    int i = level.hover >= 0 ? level.hover : (step > 0 ? -1 : count);
    for (int n = 0; n < count; ++n)
    {
      i = (i + step + count) % count;
      if (selectable(i))
      {
        level.hover = i;
        DrawLevel(level);
        ScrollIntoView(deepest, i);
        break;
      }
    }
    break;
  }
  case XK_Right:
  case XK_Return:
  case XK_KP_Enter:
    if (level.hover >= 0)
    {
      const Row& row = level.rows[static_cast<size_t>(level.hover)];
      if (row.subMenu)
      {
        SetHover(deepest, level.hover);
      }
      else if (keysym != XK_Right && Choosable(row))
      {
        Choose(deepest, level.hover);
      }
    }
    break;
  case XK_Left:
    if (deepest > 0)
    {
      CloseLevelsFrom(deepest);
    }
    break;
  default:
    break;
  }
}

void IGraphicsX11Menu::Grab()
{
  XSync(mDisplay, False);
  const Window window = mLevels.front().window;
  bool pointer = false;
  bool keyboard = false;
  for (int attempt = 0; attempt < kGrabAttempts && !(pointer && keyboard); ++attempt)
  {
    if (!pointer)
    {
      pointer = XGrabPointer(mDisplay, window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    }
    if (!keyboard)
    {
      keyboard =
          XGrabKeyboard(mDisplay, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    }
    if (!(pointer && keyboard))
    {
      usleep(kPollMs * 1000);
    }
  }
}

IPopupMenu* IGraphicsX11Menu::Run()
{
  if (!mRoot || mRoot->GetNItems() == 0)
  {
    return nullptr;
  }
  OpenLevel(mRoot, mRootX, mRootY, -1);
  Grab();
  mOpened = std::chrono::steady_clock::now();
  while (!mDone)
  {
    // The editor closed meanwhile (or the host destroyed its window): the menu ends without a choice.
    if (!mView->IsLinked() || !mView->GetXWindow())
    {
      break;
    }
    while (!mDone && XPending(mDisplay) > 0)
    {
      XEvent event;
      XNextEvent(mDisplay, &event);
      bool ours = false;
      for (Level& level : mLevels)
      {
        if (event.xany.window == level.window)
        {
          ours = true;
          if (event.type == Expose && event.xexpose.count == 0)
          {
            DrawLevel(level);
          }
        }
      }
      switch (event.type)
      {
      case ButtonPress:
        if (event.xbutton.button == kWheelUp || event.xbutton.button == kWheelDown)
        {
          OnWheel(event.xbutton.x_root, event.xbutton.y_root, event.xbutton.button == kWheelUp ? -1 : 1);
        }
        else if (event.xbutton.button == Button1 || event.xbutton.button == Button3)
        {
          int row = -1;
          if (LevelAt(event.xbutton.x_root, event.xbutton.y_root, &row) < 0)
          {
            // A click outside every menu window closes the menu.
            mDone = true;
          }
          else
          {
            mPressedInside = true;
          }
        }
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1 || event.xbutton.button == Button3)
        {
          OnRelease(event.xbutton.x_root, event.xbutton.y_root);
        }
        break;
      case MotionNotify:
        IGraphicsX11View::FoldQueuedMotions(mDisplay, &event, true);
        OnMotion(event.xmotion.x_root, event.xmotion.y_root);
        break;
      case KeyPress:
        OnKey(&event.xkey);
        break;
      default:
        if (!ours)
        {
          mView->HandleEvent(&event, true);
        }
        break;
      }
    }
    if (mDone)
    {
      break;
    }
    ScrollWhileOnArrow();
    mView->TickAndPaint();
    pollfd fd{ConnectionNumber(mDisplay), POLLIN, 0};
    poll(&fd, 1, kPollMs);
  }
  XUngrabPointer(mDisplay, CurrentTime);
  XUngrabKeyboard(mDisplay, CurrentTime);
  CloseLevelsFrom(0);
  if (!mChosenMenu || !mView->IsLinked())
  {
    return nullptr;
  }
  mChosenMenu->SetChosenItemIdx(mChosenIndex);
  return mChosenMenu;
}
