// A popup menu of the X11 editor view: cascading override-redirect windows drawn with cairo, run modally.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <vector>

class IGraphicsX11View;
class IPopupMenu;

// Shows an IPopupMenu and its sub-menus as small windows of the view's display, with the numbering prefix,
// separators, indented title items, check marks and disabled items. A menu taller than the screen fills
// its height and scrolls: while the pointer rests on the arrow at either end, by the wheel, and to keep the
// entry highlighted by the arrow keys in view. Run() returns when an item is chosen (mouse release or
// Return), when the user presses Escape or clicks outside, or when the editor closes meanwhile; the editor
// keeps redrawing while it runs. GUI thread only.
class IGraphicsX11Menu
{
public:
  // rootX, rootY: top left corner of the menu on the screen.
  IGraphicsX11Menu(IGraphicsX11View* view, IPopupMenu* menu, int rootX, int rootY);
  ~IGraphicsX11Menu();
  IGraphicsX11Menu(const IGraphicsX11Menu&) = delete;
  IGraphicsX11Menu& operator=(const IGraphicsX11Menu&) = delete;

  // Runs the menu; the menu (top level or sub-menu) whose item was chosen, with its chosen item index set,
  // or null when nothing was chosen.
  IPopupMenu* Run();

private:
  struct Row
  {
    int top = 0;
    int height = 0;
    std::string label; // with the numbering prefix, as one line shows it (lineText)
    int flags = 0;
    IPopupMenu* subMenu = nullptr;
  };
  // One open menu window: the top level or a cascaded sub-menu.
  struct Level
  {
    IPopupMenu* menu = nullptr;
    Window window = 0;
    int x = 0, y = 0, w = 0, h = 0; // on the screen
    std::vector<Row> rows;
    int hover = -1;
    int contentHeight = 0; // of all rows with the padding
    bool scrolls = false;  // taller than the screen: arrows at both ends
    int scroll = 0;        // pixels of rows hidden above, 0 to MaxScroll
  };
  // Window y of the top of the rows (the first row's top less the padding).
  static int RowsTop(const Level& level);
  static int MaxScroll(const Level& level);

  void OpenLevel(IPopupMenu* menu, int rootX, int rootY, int parentLeft);
  void CloseLevelsFrom(size_t level);
  void DrawLevel(Level& level);
  // The deepest level under the screen point, or -1; row receives the row index or -1, arrow -1 over the
  // upper scroll arrow, 1 over the lower one, else 0.
  int LevelAt(int rootX, int rootY, int* row, int* arrow = nullptr) const;
  // Scrolls a level by pixels (positive: towards its end) within its range, closing its sub-menus.
  void ScrollBy(size_t level, int pixels);
  // Scrolls a level so that its row lies wholly between the arrows.
  void ScrollIntoView(size_t level, int row);
  // One step of scrolling while the pointer rests on an arrow, when due.
  void ScrollWhileOnArrow();
  void OnWheel(int rootX, int rootY, int direction);
  bool Choosable(const Row& row) const;
  void SetHover(size_t level, int row);
  void OnKey(XKeyEvent* event);
  void OnMotion(int rootX, int rootY);
  void OnRelease(int rootX, int rootY);
  void Choose(size_t level, int row);
  void Grab();

  IGraphicsX11View* mView;
  Display* mDisplay;
  IPopupMenu* mRoot;
  int mRootX;
  int mRootY;
  std::vector<Level> mLevels;
  bool mDone = false;
  bool mPressedInside = false;
  IPopupMenu* mChosenMenu = nullptr;
  int mChosenIndex = -1;
  std::chrono::steady_clock::time_point mOpened;
  // The scroll arrow the pointer rests on (level -1 for none) and when it last scrolled.
  int mArrowLevel = -1;
  int mArrowDirection = 0;
  std::chrono::steady_clock::time_point mLastScroll;
};
