// The part switch from the synthesizer's data (MIDI input thread) while the user clicks through the pages
// and the editor draws: run under ThreadSanitizer, and the editor ends showing one page and one part.
#include "KorvidTestSupport.h"

#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "IGraphics.h"
#include "ParamIndex.h"

#include <atomic>
#include <thread>

using namespace korvidtest;

namespace
{
constexpr int kRounds = 60;
// The page selector: six buttons of 148 x 28 pixels from (160, 8).
constexpr int kTabLeft = 160;
constexpr int kTabWidth = 148;
constexpr int kTabY = 22;
constexpr int kLastPage = 3;
constexpr int kLastPart = 7;

class TabSwitchThreads : public StartupFixture
{
protected:
  TabSwitchThreads() { useResources(pluginFolder()); }
};

TEST_F(TabSwitchThreads, DumpsSwitchingPartsMeetPageClicksWhileTheEditorDraws)
{
  auto plug = construct();
  auto* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
  ASSERT_NE(surface, nullptr);
  ASSERT_NE(plug->mRootLayer, nullptr);

  std::thread midi(
      [&]()
      {
        for (int round = 0; round < kRounds; ++round)
        {
          const int part = round == kRounds - 1 ? kLastPart : round % Korvid::kPartCount;
          {
            WDL_MutexLock lock(plug->GetMutex());
            plug->GetParam(kQuickTab)->Set(part);
          }
          plug->OnParamChange2(kQuickTab);
        }
      });
  std::thread editor(
      [&]()
      {
        IMouseMod left(true);
        for (int round = 0; round < kRounds; ++round)
        {
          const int page = round == kRounds - 1 ? kLastPage : 2 + round % 4;
          const int x = kTabLeft + page * kTabWidth + kTabWidth / 2;
          surface->OnMouseDown(x, kTabY, &left);
          surface->OnMouseUp(x, kTabY, &left);
          surface->Tick();
        }
      });
  midi.join();
  editor.join();
  // The last part switch runs on the page the last click opened.
  plug->OnParamChange2(kQuickTab);
  while (surface->Tick())
  {
  }

  EXPECT_EQ(plug->GetParam(kMainTab)->Int(), kLastPage);
  EXPECT_EQ(plug->mCurrentPart.load(), kLastPart);
  for (ControlLayer* page : plug->mRootLayer->mSubLayers)
  {
    EXPECT_EQ(page->mVisible, page->mId == kLastPage) << page->mName;
  }
  ControlLayer* open = plug->mRootLayer->mSubLayers.at(kLastPage);
  for (ControlLayer* part : open->mSubLayers)
  {
    EXPECT_EQ(part->mVisible, part->mId == kLastPart) << part->mName;
  }
}
} // namespace
