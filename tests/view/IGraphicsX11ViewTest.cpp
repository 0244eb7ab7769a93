// The X11 view under Xvfb: input reaches the right control, keys, menus, the text field, painting, closing.
// gtest comes before the X11 headers, whose macros clash with its names.
#include <gtest/gtest.h>

#include "IParam.h"

#include "IGraphicsX11TextEntry.h"
#include "IPopupMenu.h"
#include "LiceBitmap.h"
#include "ViewTestSupport.h"

#include <X11/Xutil.h>

#include <atomic>
#include <memory>
#include <tuple>

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 200;

// An editor window opened as a top-level window (no window manager runs: it sits at the screen origin)
// with a background, a red control at (50, 40)-(90, 80) and a green one at (150, 40)-(250, 120) that
// takes keys.
class ViewTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    graphics.reset(new IGraphicsLinux(nullptr, kWidth, kHeight));
    graphics->PrepDraw();
    background = new RecordingControl(IRECT(0, 0, kWidth, kHeight), IColor(255, 30, 30, 40));
    red = new RecordingControl(IRECT(50, 40, 90, 80), IColor(255, 220, 20, 20));
    green = new RecordingControl(IRECT(150, 40, 250, 120), IColor(255, 20, 200, 40), true);
    graphics->AttachControl(background);
    graphics->AttachControl(red);
    graphics->AttachControl(green);
  }

  void Open(Window parent = 0)
  {
    ASSERT_NE(input.display(), nullptr);
    ASSERT_NE(graphics->OpenWindow(reinterpret_cast<void*>(parent)), nullptr);
    ASSERT_TRUE(pumpUntil(*graphics, [&]() { return background->draws > 0; }));
    // The window is mapped and painted; let the server settle.
    pumpFor(*graphics, 60);
  }

  // Moves the pointer to surface (x, y) (the window is at the screen origin) and lets the view see it.
  void MoveTo(int x, int y)
  {
    input.moveTo(x, y);
    pumpFor(*graphics, 30);
  }

  static unsigned long PixelAt(Display* display, Window window, int x, int y)
  {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel & 0xffffff;
  }

  InputDriver input;
  std::unique_ptr<IGraphicsLinux> graphics;
  RecordingControl* background = nullptr;
  RecordingControl* red = nullptr;
  RecordingControl* green = nullptr;
};

TEST_F(ViewTest, ClickDoubleClickDragAndWheelReachTheControlUnderThePointer)
{
  Open();
  MoveTo(60, 50);
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return red->events.size() >= 2; }));
  EXPECT_EQ(red->events[0].kind, "down");
  EXPECT_EQ(red->events[0].x, 60);
  EXPECT_EQ(red->events[0].y, 50);
  EXPECT_TRUE(red->events[0].mod.L);
  EXPECT_FALSE(red->events[0].mod.R);
  EXPECT_EQ(red->events[1].kind, "up");
  EXPECT_TRUE(green->events.empty());

  // Double click on the green control: a mouse down for the first click, a double click for the second.
  pumpFor(*graphics, 500);
  MoveTo(200, 100);
  input.click();
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return green->events.size() >= 4; }));
  EXPECT_EQ(green->events[0].kind, "down");
  EXPECT_EQ(green->events[1].kind, "up");
  EXPECT_EQ(green->events[2].kind, "dbl");
  EXPECT_EQ(green->events[3].kind, "up");
  green->events.clear();

  // A drag that starts on the red control stays with it outside its rectangle.
  pumpFor(*graphics, 500);
  MoveTo(70, 60);
  input.button(1, true);
  pumpFor(*graphics, 30);
  MoveTo(75, 64);
  MoveTo(120, 70);
  input.button(1, false);
  ASSERT_TRUE(
      pumpUntil(*graphics, [&]() { return !red->events.empty() && red->events.back().kind == "up"; }));
  int dX = 0;
  int dY = 0;
  int drags = 0;
  for (const RecordingControl::Event& e : red->events)
  {
    if (e.kind == "drag")
    {
      ++drags;
      dX += e.dX;
      dY += e.dY;
    }
  }
  EXPECT_GE(drags, 1);
  EXPECT_EQ(dX, 50);
  EXPECT_EQ(dY, 10);
  EXPECT_TRUE(green->events.empty());

  // The wheel: a step up is +1, a step down -1; a right click has only the right flag.
  MoveTo(200, 60);
  input.click(4);
  input.click(5);
  input.click(3);
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return green->events.size() >= 4; }));
  EXPECT_EQ(green->events[0].kind, "wheel");
  EXPECT_EQ(green->events[0].d, 1);
  EXPECT_EQ(green->events[1].kind, "wheel");
  EXPECT_EQ(green->events[1].d, -1);
  EXPECT_EQ(green->events[2].kind, "down");
  EXPECT_FALSE(green->events[2].mod.L);
  EXPECT_TRUE(green->events[2].mod.R);
}

TEST_F(ViewTest, HitsMatchWhatIsDrawnWithoutPointerOffsets)
{
  Open();
  Display* display = input.display();
  const Window window = graphics->GetXWindow();
  const unsigned long redPixel = PixelAt(display, window, 50, 40);
  EXPECT_EQ(redPixel, 0xdc1414UL);
  EXPECT_NE(PixelAt(display, window, 49, 40), redPixel);
  EXPECT_NE(PixelAt(display, window, 50, 39), redPixel);

  // The first drawn pixel of the control is hit, the pixel left of it is not.
  MoveTo(50, 40);
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return red->events.size() >= 2; }));
  EXPECT_EQ(red->events[0].x, 50);
  EXPECT_EQ(red->events[0].y, 40);
  pumpFor(*graphics, 500);
  MoveTo(49, 40);
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return background->events.size() >= 2; }));
  EXPECT_EQ(red->events.size(), 2u);
  EXPECT_EQ(background->events[0].x, 49);
}

TEST_F(ViewTest, KeysReachTheControlUnderThePointerWithTheirCodes)
{
  Open();
  MoveTo(200, 80);
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return green->events.size() >= 2; }));
  green->events.clear();

  input.key(XK_a);
  input.key(XK_a, true);
  input.key(XK_5);
  input.key(XK_5, true); // the percent sign is not a key of the editor
  input.key(XK_Up);
  input.key(XK_space);
  input.key(XK_z);
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return green->events.size() >= 6; }));
  pumpFor(*graphics, 50);
  std::vector<int> codes;
  for (const RecordingControl::Event& e : green->events)
  {
    EXPECT_EQ(e.kind, "key");
    EXPECT_EQ(e.x, 200);
    EXPECT_EQ(e.y, 80);
    codes.push_back(e.d);
  }
  EXPECT_EQ(codes, (std::vector<int>{15, 15, 10, 1, 0, 40}));
}

TEST_F(ViewTest, KeysTheEditorDoesNotTakeGoToTheHostWindow)
{
  Display* display = input.display();
  const Window parent =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
  XSelectInput(display, parent, KeyPressMask);
  XMapWindow(display, parent);
  XSync(display, False);
  Open(parent);
  MoveTo(10, 10);
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return background->events.size() >= 2; }));
  input.key(XK_q);       // the background does not take keys
  input.key(XK_5, true); // the percent sign is no key of the editor
  input.key(XK_F1);      // not one character: dropped
  input.key(XK_q);       // after the dropped key: what came between is seen
  std::vector<KeySym> forwarded;
  ASSERT_TRUE(pumpUntil(*graphics,
                        [&]
                        {
                          for (XEvent event; XPending(display) > 0;)
                            if (XNextEvent(display, &event),
                                event.type == KeyPress && event.xkey.window == parent)
                              forwarded.push_back(XLookupKeysym(&event.xkey, 0));
                          return forwarded.size() >= 3;
                        }));
  EXPECT_EQ(forwarded, (std::vector<KeySym>{XK_q, XK_5, XK_q}));
  EXPECT_EQ(background->events.back().kind, "key");
  graphics->CloseWindow();
  XDestroyWindow(display, parent);
}

TEST_F(ViewTest, ResizeChangesTheWindow)
{
  Open();
  graphics->Resize(kWidth, kHeight);
  graphics->Resize(400, 250);
  // The view's connection sent the resize without a round trip: the server may take it after another
  // client's look.
  XWindowAttributes attributes{};
  EXPECT_TRUE(pumpUntil(*graphics,
                        [&]()
                        {
                          return XGetWindowAttributes(input.display(), graphics->GetXWindow(), &attributes) &&
                                 attributes.width == 400;
                        }));
  EXPECT_EQ(attributes.width, 400);
  EXPECT_EQ(attributes.height, 250);
  EXPECT_EQ(graphics->GetDrawBitmap()->getWidth(), 400);
  pumpFor(*graphics, 60);
  // The new bitmap is painted whole: the background where it reaches, the cleared bitmap beyond it.
  EXPECT_EQ(PixelAt(input.display(), graphics->GetXWindow(), 10, 10), 0x1e1e28UL);
  EXPECT_EQ(PixelAt(input.display(), graphics->GetXWindow(), 399, 249), 0UL);
}

TEST(ViewKeyCodesTest, KeysMapToTheSurfaceCodes)
{
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_space, " ", 1), 0);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_Up, "", 0), 1);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_Down, "", 0), 2);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_Left, "", 0), 3);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_Right, "", 0), 4);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_0, "0", 1), 5);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_9, "9", 1), 14);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_a, "a", 1), 15);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_A, "A", 1), 15);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_z, "z", 1), 40);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_percent, "%", 1), IGraphicsX11View::kKeyPassToHost);
  EXPECT_EQ(IGraphicsX11View::KeyCodeFor(XK_F1, "", 0), IGraphicsX11View::kKeyDrop);
  // What the text field takes from a key: its character, none, or U+FFFD for a keysym of no character.
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(XK_Cyrillic_ya), "\xD1\x8F");
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(XK_Greek_OMEGA), "\xCE\xA9");
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(XK_lstroke), "\xC5\x82");
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(XK_EuroSign), "\xE2\x82\xAC");
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(0x100D83D), "\xEF\xBF\xBD") << "a surrogate";
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(0x100FFFF), "\xEF\xBF\xBD") << "a noncharacter";
  EXPECT_EQ(IGraphicsX11TextEntry::TypedCharacter(XK_BackSpace), "");

  const IMouseMod command = IGraphicsX11View::MouseModFor(Mod4Mask | ShiftMask, false);
  EXPECT_TRUE(command.L && command.R && command.S && !command.C && !command.A);
  const IMouseMod right = IGraphicsX11View::MouseModFor(ControlMask | Mod1Mask | Mod4Mask, true);
  EXPECT_TRUE(!right.L && right.R && !right.S && right.C && right.A);

  // Repaint areas are one pixel larger to the right and bottom, inside the window.
  EXPECT_EQ(IGraphicsX11View::ToViewRect(IRECT(10, 20, 30, 40), 400, 400), IRECT(10, 20, 31, 41));
  EXPECT_EQ(IGraphicsX11View::ToViewRect(IRECT(300, 390, 400, 400), 400, 400), IRECT(300, 390, 400, 400));
}

// A menu "One", "More" (sub-menu "a", "b" with a noncharacter, "c"), a separator, "Off" (disabled).
class MenuTest : public ViewTest
{
protected:
  void SetUp() override
  {
    ViewTest::SetUp();
    sub.AddItem("a");
    sub.AddItem("b\xEF\xBF\xBF");
    sub.AddItem("c");
    menu.SetPrefix(2);
    menu.AddItem("One");
    menu.AddItem("More", &sub);
    menu.AddSeparator();
    menu.AddItem("Off", -1, IPopupMenuItem::kDisabled);
  }

  // Screen point in the middle of row i of a menu window (rows of 22 pixels below 4 pixels of padding).
  static int RowY(const XWindowAttributes& w, int row) { return w.y + 4 + 22 * row + 11; }

  IPopupMenu menu;
  IPopupMenu sub;
};

TEST_F(MenuTest, AChoiceInASubMenuReturnsTheSubMenuWithItsIndex)
{
  Open();
  std::atomic<bool> drove{false};
  std::thread user(
      [&]()
      {
        InputDriver driver;
        if (!driver.waitForMenus(1))
        {
          return;
        }
        const XWindowAttributes top = driver.menuWindows()[0];
        // Below the area's lower left corner.
        EXPECT_EQ(top.x, 50);
        EXPECT_EQ(top.y, 81 + 4);
        driver.moveTo(top.x + 20, RowY(top, 1));
        if (!driver.waitForMenus(2))
        {
          return;
        }
        const XWindowAttributes subWindow = driver.menuWindows()[1];
        // The row after the one cairo refuses is drawn: dark ink of "c" on the light menu.
        bool inked = false;
        for (int y = RowY(subWindow, 2) - 4; y < RowY(subWindow, 2) + 4 && !inked; ++y)
          for (int x = subWindow.x + 22; x < subWindow.x + 32 && !inked; ++x)
            inked = ((driver.pixelAt(x, y) >> 8) & 0xFF) < 0x80;
        EXPECT_TRUE(inked);
        driver.moveTo(subWindow.x + 20, RowY(subWindow, 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        driver.click();
        drove = true;
      });
  IRECT area(50, 40, 90, 80);
  red->MarkDirty();
  const int drawsBefore = red->draws;
  IPopupMenu* chosen = graphics->CreateIPopupMenu(&menu, &area);
  user.join();
  ASSERT_TRUE(drove);
  EXPECT_EQ(chosen, &sub);
  EXPECT_EQ(sub.GetChosenItemIdx(), 2);
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  // The editor kept redrawing while the menu was open.
  EXPECT_GT(red->draws, drawsBefore);
  EXPECT_TRUE(input.menuWindows().empty());
}

TEST_F(MenuTest, EscapeAndDisabledItemsChooseNothing)
{
  Open();
  std::thread user(
      [&]()
      {
        InputDriver driver;
        if (!driver.waitForMenus(1))
        {
          return;
        }
        const XWindowAttributes top = driver.menuWindows()[0];
        driver.moveTo(top.x + 20, top.y + 4 + 22 * 2 + 9 + 11);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        driver.click();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        driver.key(XK_Escape);
      });
  IRECT area(50, 40, 90, 80);
  EXPECT_EQ(graphics->CreateIPopupMenu(&menu, &area), nullptr);
  user.join();
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  EXPECT_EQ(sub.GetChosenItemIdx(), -1);
  EXPECT_TRUE(input.menuWindows().empty());
}

TEST_F(MenuTest, AMenuTallerThanTheScreenScrollsToItsLastEntry)
{
  Open();
  IPopupMenu tall;
  constexpr int kEntries = 70;
  for (int i = 0; i < kEntries; ++i)
    tall.AddItem(("Bank " + std::to_string(i + 1)).c_str());
  const struct
  {
    const char* name;
    int wheelNotches;
    bool restOnLowerArrow;
    int downKeys;
  } cases[] = {
      {"the wheel", 40, false, 0}, {"the lower arrow", 0, true, 0}, {"the down key", 0, false, kEntries}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    std::thread user(
        [&]()
        {
          InputDriver d;
          if (!d.waitForMenus(1))
            return;
          const XWindowAttributes w = d.menuWindows()[0];
          EXPECT_EQ(w.y, 0);
          EXPECT_EQ(w.height, HeightOfScreen(w.screen));
          if (c.downKeys == 0)
            d.moveTo(w.x + 20, c.restOnLowerArrow ? w.y + w.height - 9 : w.y + w.height / 2);
          for (int i = 0; i < c.wheelNotches; ++i)
            d.click(5);
          for (int i = 0; i < c.downKeys; ++i)
            d.key(XK_Down);
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          // Resting on the arrow scrolls a step per pass of the menu's loop, so a loaded machine scrolls
          // slower: at the end the lower arrow turns grey (looked at inside it, just above its centre).
          const auto greyArrow = [&]
          { return ((d.pixelAt(w.x + w.width / 2, w.y + w.height - 11) >> 8) & 0xFF) > 150; };
          for (int look = 0; c.restOnLowerArrow && look < 400 && !greyArrow(); ++look)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          EXPECT_TRUE(!c.restOnLowerArrow || greyArrow());
          // The last entry, scrolled up onto the lower arrow's band.
          d.moveTo(w.x + 20, w.y + w.height - 18 - 4 - 11);
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
          d.click();
        });
    IRECT area(50, 40, 90, 80);
    IPopupMenu* chosen = graphics->CreateIPopupMenu(&tall, &area);
    user.join();
    EXPECT_EQ(chosen, &tall);
    EXPECT_EQ(tall.GetChosenItemIdx(), kEntries - 1);
  }
}

TEST_F(ViewTest, TextFieldFiltersByParameterTypeAndStopsAtTheLengthLimit)
{
  Open();
  IParam level;
  level.InitDouble("level", 0.5, 0.0, 10.0, 0.01);
  red->SetTextEntryLength(3);
  IRECT area(40, 50, 100, 66);
  MoveTo(60, 58);
  graphics->CreateTextEntry(red, red->GetText(), &area, "0.5", &level);
  ASSERT_TRUE(graphics->GetView()->TextEntryOpen());
  // Opening a second field while one is open is refused.
  graphics->CreateTextEntry(green, green->GetText(), &area, "x", nullptr);
  EXPECT_EQ(graphics->GetView()->TextEntry()->Control(), red);

  input.key(XK_1); // replaces the selected "0.5"
  input.key(XK_x); // a letter is refused for a number
  input.key(XK_period);
  input.key(XK_2);
  input.key(XK_5); // beyond the three characters
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return graphics->GetView()->TextEntry()->Text() == "1.2"; }));
  pumpFor(*graphics, 50);
  EXPECT_EQ(graphics->GetView()->TextEntry()->Text(), "1.2");
  EXPECT_EQ(graphics->GetView()->TextEntry()->Refused(), "x"); // named to the plug-in; the length is not

  input.key(XK_Return);
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return !graphics->GetView()->TextEntryOpen(); }));
  // The control takes the typed value (normalised) as a user edit.
  EXPECT_DOUBLE_EQ(red->GetValue(), 0.12);

  // Names typed in a row: each field names every character it left out, once each, in the order typed; a
  // dead key makes its letter ("â"), or types its accent before a key it does not combine with.
  IParam name;
  name.InitEnum("name", 0, 1);
  name.InitText();
  for (const auto& [keys, leftOut, text] :
       std::vector<std::tuple<std::vector<KeySym>, std::string, std::string>>{
           {{XK_a, XK_at, XK_asciitilde, XK_at, XK_b}, "@, ~", "ab"},
           {{XK_semicolon, XK_c}, ";", "c"},
           {{XK_dead_circumflex, XK_a, XK_b}, "\xC3\xA2", "b"},
           {{XK_dead_circumflex, XK_space, XK_dead_circumflex, XK_q}, "^", "q"}})
  {
    graphics->CreateTextEntry(red, red->GetText(), &area, "", &name);
    for (KeySym keysym : keys)
      input.key(keysym, keysym == XK_at || keysym == XK_asciitilde);
    ASSERT_TRUE(
        pumpUntil(*graphics, [&]() { return graphics->GetView()->TextEntry()->Refused() == leftOut; }));
    input.key(XK_Return);
    ASSERT_TRUE(pumpUntil(*graphics, [&]() { return !graphics->GetView()->TextEntryOpen(); }));
    EXPECT_EQ(std::string(name.GetDisplayText(0)), text);
  }

  // Free text (no parameter) takes any character and goes to the control; Escape closes without it.
  graphics->CreateTextEntry(green, green->GetText(), &area, "", nullptr);
  input.key(XK_asciitilde, true);
  input.key(XK_B, true);
  input.key(XK_Return);
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return !graphics->GetView()->TextEntryOpen(); }));
  EXPECT_EQ(green->freeText, "~B");
  graphics->CreateTextEntry(green, green->GetText(), &area, "", nullptr);
  input.key(XK_c);
  input.key(XK_Escape);
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return !graphics->GetView()->TextEntryOpen(); }));
  EXPECT_EQ(green->freeText, "~B");
}

TEST_F(ViewTest, TheWindowShowsTheDrawBitmap)
{
  Open();
  // Both controls repaint; the area between them shows the background in both images too.
  red->MarkDirty();
  green->MarkDirty();
  pumpFor(*graphics, 100);
  Display* display = input.display();
  XSync(display, False);
  XImage* image = XGetImage(display, graphics->GetXWindow(), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  const LICE_IBitmap* offscreen = graphics->GetDrawBitmap();
  int differing = 0;
  for (int y = 0; y < kHeight; ++y)
  {
    for (int x = 0; x < kWidth; ++x)
    {
      const LICE_pixel expected = offscreen->getPixel(x, y);
      const unsigned long actual = XGetPixel(image, x, y);
      const unsigned long rgb = (static_cast<unsigned long>(LICE_GETR(expected)) << 16) |
                                (static_cast<unsigned long>(LICE_GETG(expected)) << 8) |
                                static_cast<unsigned long>(LICE_GETB(expected));
      differing += (actual & 0xffffff) != rgb ? 1 : 0;
    }
  }
  XDestroyImage(image);
  EXPECT_EQ(differing, 0);
}

TEST_F(ViewTest, ClosingFromInsideAHandlerOrWithAFieldOpenIsSafe)
{
  Open();
  IRECT area(40, 50, 100, 66);
  graphics->CreateTextEntry(green, green->GetText(), &area, "abc", nullptr);
  graphics->CloseWindow();
  EXPECT_FALSE(graphics->WindowIsOpen());
  EXPECT_EQ(green->freeText, "");

  Open();
  // The plug-in closes the editor from a control's mouse handler.
  red->onDown = [&]() { graphics->CloseWindow(); };
  MoveTo(60, 50);
  input.click();
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return !graphics->WindowIsOpen(); }));
  pumpFor(*graphics, 50);
  EXPECT_EQ(red->events.size(), 1u);
}

TEST_F(MenuTest, AHostThatDestroysItsWindowDuringAMenuEndsTheMenu)
{
  Display* display = input.display();
  const Window parent =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  Open(parent);
  std::thread host(
      [&]()
      {
        InputDriver driver;
        if (driver.waitForMenus(1))
        {
          XDestroyWindow(display, parent);
          XSync(display, False);
        }
      });
  IRECT area(50, 40, 90, 80);
  EXPECT_EQ(graphics->CreateIPopupMenu(&menu, &area), nullptr);
  host.join();
  EXPECT_EQ(graphics->GetXWindow(), 0u);
  graphics->CloseWindow();
  EXPECT_FALSE(graphics->WindowIsOpen());
}
} // namespace
