// The popup menu windows: layout, drawing, the modal loop with pointer and keyboard grabs, the choice.
#include "IGraphicsX11Menu.h"

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
      row.label = menu->GetDisplayText(i);
      const double indent = (row.flags & IPopupMenuItem::kTitle) ? kTitleIndent : 0;
      widest = std::max(widest, textWidth(row.label) + indent);
    }
    top += row.height;
    level.rows.push_back(row);
  }
  level.w = std::max(kMinWidth, kCheckColumn + static_cast<int>(widest + 0.5) + kArrowColumn);
  level.h = std::max(top + kPadding, 2 * kPadding + 1);

  const int screen = DefaultScreen(mDisplay);
  const int screenW = DisplayWidth(mDisplay, screen);
  const int screenH = DisplayHeight(mDisplay, screen);
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
  cairo_select_font_face(cr, kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_set_line_width(cr, 1.0);

  for (size_t i = 0; i < level.rows.size(); ++i)
  {
    const Row& row = level.rows[i];
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
    if (disabled)
    {
      cairo_set_source_rgb(cr, 0.62, 0.62, 0.62);
    }
    else if (hovered)
    {
      cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    }
    else
    {
      cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    }
    const double middle = row.top + row.height * 0.5;
    if (row.flags & IPopupMenuItem::kChecked)
    {
      cairo_move_to(cr, 7, middle);
      cairo_line_to(cr, 10, middle + 4);
      cairo_line_to(cr, 16, middle - 5);
      cairo_stroke(cr);
    }
    const double indent = (row.flags & IPopupMenuItem::kTitle) ? kTitleIndent : 0;
    cairo_move_to(cr, kCheckColumn + indent, middle + (font.ascent - font.descent) * 0.5);
    cairo_show_text(cr, row.label.c_str());
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

int IGraphicsX11Menu::LevelAt(int rootX, int rootY, int* row) const
{
  *row = -1;
  for (int l = static_cast<int>(mLevels.size()) - 1; l >= 0; --l)
  {
    const Level& level = mLevels[static_cast<size_t>(l)];
    if (rootX < level.x || rootX >= level.x + level.w || rootY < level.y || rootY >= level.y + level.h)
    {
      continue;
    }
    const int y = rootY - level.y;
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
    OpenLevel(subMenu, parent.x + parent.w - kSubMenuOverlap, parent.y + entry.top - kPadding, parent.x);
  }
}

void IGraphicsX11Menu::OnMotion(int rootX, int rootY)
{
  int row = -1;
  const int level = LevelAt(rootX, rootY, &row);
  if (level >= 0)
  {
    SetHover(static_cast<size_t>(level), row);
  }
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
    int i = level.hover;
    for (int n = 0; n < count; ++n)
    {
      i = (i + step + count) % count;
      if (i >= 0 && selectable(i))
      {
        level.hover = i;
        DrawLevel(level);
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
        if (event.xbutton.button == Button1 || event.xbutton.button == Button3)
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
        while (XCheckTypedEvent(mDisplay, MotionNotify, &event))
        {
        }
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
