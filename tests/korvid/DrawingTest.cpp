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

  static std::vector<LICE_pixel> pixels(Korvid& plug, const IRECT& r)
  {
    std::vector<LICE_pixel> out;
    const LICE_IBitmap* bitmap = surface(plug).GetDrawBitmap();
    for (int y = r.T; y < r.B; ++y)
      for (int x = r.L; x < r.R; ++x)
        out.push_back(bitmap->getPixel(x, y));
    return out;
  }

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
