// The settings file cases: colour scheme, size and the first-run answer, rewritten whole or not at all.
#include "ParamCasesSupport.h"

#include "ControlAction.h"
#include "ControlLayer.h"
#include "HeadlessSurface.h"

#include <filesystem>
#include <sys/stat.h>

using namespace korvidtest;

namespace
{
constexpr const char* kSettings = "Korvid Editor UI.txt";

class ParamChangesSettings : public ParamCasesFixture
{
protected:
  // The names in the data folder: a rewrite leaves no temporary file behind.
  std::vector<std::string> dataFolderNames() const
  {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home.folder()))
    {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(ParamChangesSettings, EachWriterRewritesAllThreeLinesAndSaysWhatItDid)
{
  struct Case
  {
    const char* before;
    int paramIdx;
    double value;
    const char* after;
    const char* line1;
    const char* line2;
  };
  const Case cases[] = {
      {"black\nnormal\nno", kUserInterfaceSize, 2, "black\nlarge\nno", "Size changes applied...",
       "Reload project!"},
      {"white\nlarge\nyes", kUserInterfaceSize, 0, "white\nsmall\nyes", "Size changes applied...",
       "Reload project!"},
      // A size outside the three keeps the lines and still says it was applied.
      {"white\nnormal\nyes", kUserInterfaceSize, 3, "white\nnormal\nyes", "Size changes applied...",
       "Reload project!"},
      {"white\nlarge\nyes", kUserInterfaceStyle, 1, "black\nlarge\nyes", "Color Scheme applied...",
       "Reload project!"},
      // Line ends and trailing blanks of the read file are not written back; unknown words are kept.
      {"black \r\nhuge\t\nyes\r\n", kUserInterfaceStyle, 0, "white\nhuge\nyes", "Color Scheme applied...",
       "Reload project!"},
      // Lines the file did not have are written empty.
      {"black", kUserInterfaceSize, 1, "black\nnormal\n", "Size changes applied...", "Reload project!"},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.before);
    writeSettings(c.before);
    auto plug = construct();
    set(*plug, c.paramIdx, c.value);
    EXPECT_EQ(home.readFile(kSettings), c.after);
    EXPECT_EQ(line(*plug, 0), c.line1);
    EXPECT_EQ(line(*plug, 1), c.line2);
    // The selector shows what the file draws at the next start.
    EXPECT_EQ(plug->GetParam(c.paramIdx)->Value(), construct()->GetParam(c.paramIdx)->Value());
    EXPECT_EQ(dataFolderNames(), std::vector<std::string>{kSettings});
  }
}

TEST_F(ParamChangesSettings, AMissingOrReadOnlyFileIsReportedAndLeftAsItWas)
{
  // Missing: never created.
  {
    home.createFolder();
    auto plug = construct();
    set(*plug, kUserInterfaceStyle, 1);
    EXPECT_FALSE(home.exists(kSettings));
    EXPECT_EQ(line(*plug, 0), "Korvid Editor UI.txt MISSING!");
    EXPECT_EQ(line(*plug, 1), "Contact support");
    EXPECT_EQ(plug->GetParam(kUserInterfaceStyle)->Value(), 0.0);
  }
  // Read-only: not replaced, and no "applied".
  writeSettings("white\nnormal\nyes");
  const std::string path = home.folder() + kSettings;
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  auto plug = construct();
  set(*plug, kUserInterfaceSize, 2);
  EXPECT_EQ(home.readFile(kSettings), "white\nnormal\nyes");
  EXPECT_EQ(line(*plug, 0), "Korvid Editor UI.txt NOT WRITTEN!");
  EXPECT_EQ(line(*plug, 1), "The file is read-only");
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0444u);
  // Writable again: the next writer saves what the last one set, too.
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  set(*plug, kUserInterfaceStyle, 1);
  EXPECT_EQ(home.readFile(kSettings), "black\nlarge\nyes");
  EXPECT_EQ(line(*plug, 0), "Color Scheme applied...");
}

TEST_F(ParamChangesSettings, TheOutcomeIsOnScreenOneTickAfterTheSchemeIsChosenFromItsMenu)
{
  for (const auto& [mode, text] :
       {std::pair{0644, "Color Scheme applied..."}, std::pair{0444, "Korvid Editor UI.txt NOT WRITTEN!"}})
  {
    SCOPED_TRACE(text);
    writeSettings("white\nnormal\nyes");
    ASSERT_EQ(chmod((home.folder() + kSettings).c_str(), static_cast<mode_t>(mode)), 0);
    auto plug = construct();
    auto* surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
    ASSERT_NE(surface, nullptr);
    surface->Tick();
    // "Black" chosen from the skin selector's menu; the window system then asks for the area the menu
    // covered before the editor's next tick.
    const IRECT at = *plug->GetParam(kUserInterfaceStyle)->GetAction()->boundControls.at(0)->GetRECT();
    IMouseMod left(true);
    surface->QueueMenuChoice(1);
    surface->OnMouseDown(at.MW(), at.MH(), &left);
    surface->OnMouseUp(at.MW(), at.MH(), &left);
    ASSERT_EQ(surface->Menus().size(), 1u);
    IRECT menuArea = surface->Menus().back().area;
    surface->Draw(&menuArea);
    surface->Tick();
    EXPECT_EQ(line(*plug, 0), text);

    // The message line as shown equals the line drawn anew.
    const IRECT r = *plug->mDisplayControls[0]->GetRECT();
    const std::vector<LICE_pixel> afterTick = pixels(*plug, r);
    IRECT whole(0, 0, surface->Width(), surface->Height());
    surface->Draw(&whole);
    EXPECT_EQ(afterTick, pixels(*plug, r));
  }
}

TEST_F(ParamChangesSettings, TheFirstRunAnswerIsWrittenOnceAndTheNoticeCloses)
{
  writeSettings("black\nsmall\nno");
  auto plug = construct();
  ASSERT_TRUE(plug->mFirstRunShown);
  ASSERT_TRUE(plug->mFirstRunNotificationLayer->mVisible);
  press(*plug, kFirstRunExit);
  EXPECT_EQ(home.readFile(kSettings), "black\nsmall\nyes");
  EXPECT_FALSE(plug->mFirstRunNotificationLayer->mVisible);
  EXPECT_FALSE(plug->mFirstRunShown);
  EXPECT_EQ(line(*plug, 0), "Set MIDI In and MIDI Out");
  EXPECT_FALSE(plug->mProgressLayer->mVisible);

  // From now on the button closes the bank conflict window and leaves the file alone.
  writeSettings("black\nsmall\nno");
  plug->mBankPatchConflictWindowLayer->Hide(false);
  press(*plug, kFirstRunExit);
  EXPECT_FALSE(plug->mBankPatchConflictWindowLayer->mVisible);
  EXPECT_EQ(home.readFile(kSettings), "black\nsmall\nno");
  plug.reset();

  // The next start reads the answer.
  writeSettings("black\nsmall\nyes");
  auto next = construct();
  EXPECT_FALSE(next->mFirstRunShown);
  EXPECT_FALSE(next->mFirstRunNotificationLayer->mVisible);
}

TEST_F(ParamChangesSettings, TheNoticeClosesEvenWhenItsAnswerCannotBeKept)
{
  writeSettings("white\nnormal\nno");
  auto plug = construct();
  ASSERT_TRUE(plug->mFirstRunShown);
  std::filesystem::remove(home.folder() + kSettings);
  press(*plug, kFirstRunExit);
  EXPECT_FALSE(plug->mFirstRunNotificationLayer->mVisible);
  EXPECT_EQ(line(*plug, 0), "Korvid Editor UI.txt MISSING!");
  EXPECT_FALSE(home.exists(kSettings));
}
} // namespace
