// What the user sees, on the headless surface in all three sizes and both skins: an area drawn again (after a
// popup menu closed over it, say) leaves the librarian's slot names beside it as they were, and the first-run
// notice stays above the slot names drawn again beneath it.
#include "KorvidTestSupport.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "ICustomRadioButtonsControl.h"
#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "StatusLines.h"

#include <string>
#include <vector>

using namespace korvidtest;

namespace
{
struct Look
{
  const char* skin;
  const char* size;
};
const Look kLooks[] = {{"white", "small"}, {"white", "normal"}, {"white", "large"},
                       {"black", "small"}, {"black", "normal"}, {"black", "large"}};

class Drawing : public StartupFixture
{
protected:
  Drawing() { useResources(pluginFolder()); }

  // The editor on the librarian page with two banks of slot names, drawn once.
  std::unique_ptr<Korvid> librarianPage(const Look& look, bool firstRunNotice)
  {
    writeMadeBanks();
    writeSettings(std::string(look.skin) + "\n" + look.size + "\n" + (firstRunNotice ? "no" : "yes") + "\n");
    auto plug = construct();
    plug->SetParameterFromGUI(kMainTab, plug->GetParam(kMainTab)->GetNormalized(1.0));
    surface(*plug).Tick();
    return plug;
  }

  static HeadlessSurface& surface(Korvid& plug) { return *dynamic_cast<HeadlessSurface*>(plug.getSurface()); }

  static IRECT slot(Korvid& plug, int pane, int index)
  {
    ITextControl* text = plug.mLibrarianView->getSlotText(pane, index);
    return text ? *text->GetRECT() : IRECT();
  }

  // How many pixels of r change when only the area is drawn again.
  static int changedByRedraw(Korvid& plug, IRECT area, const IRECT& r)
  {
    const std::vector<LICE_pixel> before = pixels(plug, r);
    surface(plug).Draw(&area);
    const std::vector<LICE_pixel> after = pixels(plug, r);
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i)
      changed += before[i] != after[i] ? 1 : 0;
    return changed;
  }
};

TEST_F(Drawing, SlotNamesBesideARedrawnAreaAreNotDrawnOverThemselves)
{
  for (const Look& look : kLooks)
  {
    auto plug = librarianPage(look, false);
    ASSERT_NE(plug->mLibrarianView, nullptr) << look.skin << " " << look.size;
    // The first slot is drawn again, as when a menu closed over it; a slot of the last column is not.
    const IRECT first = slot(*plug, 0, 0);
    const IRECT far = slot(*plug, 0, 120);
    ASSERT_FALSE(first.Intersects(far));
    ASSERT_TRUE(first.Intersects(*plug->mLibrarianView->GetRECT()));
    EXPECT_EQ(changedByRedraw(*plug, first, far), 0) << look.skin << " " << look.size;
    EXPECT_EQ(changedByRedraw(*plug, first, first), 0) << look.skin << " " << look.size;
  }
}

TEST_F(Drawing, TheFirstRunNoticeStaysAboveSlotNamesDrawnAgainBeneathIt)
{
  for (const Look& look : kLooks)
  {
    auto plug = librarianPage(look, true);
    ASSERT_NE(plug->mFirstRunNotificationLayer, nullptr);
    ASSERT_TRUE(plug->mFirstRunNotificationLayer->mVisible) << look.skin << " " << look.size;
    const IRECT notice = *plug->mFirstRunNotificationLayer->mControls.front()->GetRECT();
    // A slot of the first column, left of the notice, is drawn again; slot names lie under the notice.
    const IRECT first = slot(*plug, 0, 0);
    ASSERT_FALSE(first.Intersects(notice));
    ASSERT_TRUE(slot(*plug, 0, 40).Intersects(notice));
    EXPECT_EQ(changedByRedraw(*plug, first, notice), 0) << look.skin << " " << look.size;
  }
}
TEST_F(Drawing, StatusTextsFitTheirLinesAndLeaveNothingOfALongerTextBehind)
{
  for (const Look& look : kLooks)
  {
    SCOPED_TRACE(std::string(look.skin) + " " + look.size);
    auto plug = librarianPage(look, false);
    auto* line1 = dynamic_cast<ITextControl*>(plug->mDisplayControls[0]);
    auto* line2 = dynamic_cast<ITextControl*>(plug->mDisplayControls[1]);
    ASSERT_TRUE(line1 && line2);
    const IRECT first = *line1->GetRECT();
    const IRECT patchName = *plug->mDisplayControls[3]->GetRECT();
    // Both lines and what lies right of line 1 up to the end of the patch name display.
    const IRECT band(first.L, first.T, patchName.R, line2->GetRECT()->B);
    const IRECT beside(first.R, first.T, patchName.L, first.B);
    const auto show = [&](const std::string& text)
    {
      plug->showStatusText(text.c_str());
      surface(*plug).Tick();
    };
    // A status message replaces the last edit's lines, its value on line 2 too.
    line2->SetTextFromPlug("on [1]");
    show("Data write completed!");
    EXPECT_STREQ(line2->GetTextStr(), "");
    const std::vector<LICE_pixel> alone = pixels(*plug, band);
    const std::vector<LICE_pixel> besideBefore = pixels(*plug, beside);

    // Too long for line 1: it goes on into line 2, and nothing is drawn beside line 1.
    show("Nothing to paste - Copy a slot of the lower bank first");
    EXPECT_STREQ(line1->GetTextStr(), "Nothing to paste");
    EXPECT_STREQ(line2->GetTextStr(), "Copy a slot of the lower bank first");
    EXPECT_EQ(pixels(*plug, beside), besideBefore);
    // One word too long for any line is cut at the line's edge, whoever writes it.
    show(std::string(200, 'W'));
    EXPECT_EQ(pixels(*plug, beside), besideBefore);
    line1->SetTextFromPlug(std::string(200, 'W').c_str());
    surface(*plug).Tick();
    // The whole editor drawn again (a page switch, a closed window) draws it beyond the line's area too.
    IRECT whole(0, band.T, surface(*plug).Width(), band.B);
    surface(*plug).Draw(&whole);
    EXPECT_EQ(pixels(*plug, beside), besideBefore);

    show("Data write completed!");
    EXPECT_STREQ(line2->GetTextStr(), "");
    EXPECT_EQ(pixels(*plug, band), alone);
  }
}

TEST(StatusLines, ALongTextGoesOnIntoTheSecondLineAtASeparatorOrABlank)
{
  const struct
  {
    const char* text;
    size_t chars;
    const char *first, *second;
    const char* nextText = nullptr; // a second outcome, shown on line 2 (statusLinesOf)
  } cases[] = {
      {"Data write completed!", 37, "Data write completed!", ""},
      {"Nothing to paste - Copy a slot of the lower bank first", 37, "Nothing to paste",
       "Copy a slot of the lower bank first"},
      {"MIDI output chosen, the stored values are applied now", 37, "MIDI output chosen,",
       "the stored values are applied now"},
      {"Cannot open /home/someone/a/rather/long/path/to/the/manual.pdf", 37, "Cannot open",
       "/home/someone/a/rather/long/path/t..."},
      {"Drop onto a slot of the upper bank - nothing copied", 20, "Drop onto a slot of",
       "the upper bank - ..."},
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"},
      {"Unmeasured lines keep the text whole", 0, "Unmeasured lines keep the text whole", ""},
      {"Bank saved: Pads.syx", 37, "Bank saved: Pads.syx", "Folders rescanned", "Folders rescanned"},
      {"Bank saved: a rather long name.syx", 20, "Bank saved: a rat...", "Folders rescanned",
       "Folders rescanned"},
  };
  for (const auto& c : cases)
  {
    const StatusLines lines =
        c.nextText ? statusLinesOf(c.text, c.nextText, c.chars) : splitStatusText(c.text, c.chars);
    EXPECT_EQ(lines.first, c.first) << c.text;
    EXPECT_EQ(lines.second, c.second) << c.text;
  }
}

TEST_F(Drawing, ThePart16ButtonReachesTheBottomOfItsStripAtEverySize)
{
  for (const Look& look : kLooks)
  {
    writeSettings(std::string(look.skin) + "\n" + look.size + "\nyes\n");
    auto plug = construct();
    ControlAction* action = plug->GetParam(kQuickTab)->GetAction();
    ASSERT_NE(action, nullptr);
    int strips = 0;
    for (IControl* control : action->boundControls)
    {
      auto* parts = dynamic_cast<ICustomRadioButtonsControl*>(control);
      if (!parts || parts->NButtons() != Korvid::kPartCount)
        continue;
      ++strips;
      const IRECT& strip = *parts->GetRECT();
      // Cells edge to edge from the strip's top to its bottom: no part of a button image is left out.
      EXPECT_EQ(parts->GetButtonRECT(0)->T, strip.T) << look.size;
      for (int i = 1; i < Korvid::kPartCount; ++i)
        EXPECT_EQ(parts->GetButtonRECT(i)->T, parts->GetButtonRECT(i - 1)->B) << look.size << " button " << i;
      EXPECT_EQ(parts->GetButtonRECT(Korvid::kPartCount - 1)->B, strip.B) << look.skin << " " << look.size;
    }
    EXPECT_GT(strips, 0) << look.size;
  }
}
} // namespace
