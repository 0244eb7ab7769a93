// Dialogs through fake zenity and xdg-open programs first on PATH; resources beside the loaded file.
// gtest comes before the X11 headers, whose macros clash with its names.
#include <gtest/gtest.h>

#include "IGraphicsLinux.h"
#include "LiceBitmap.h"
#include "LicePng.h"
#include "ViewTestSupport.h"
#include "WdlString.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// A program that logs its arguments one per line, prints $FAKE_OUT, waits until the file $FAKE_WAIT_FOR
// exists and exits with $FAKE_EXIT.
constexpr const char* kFakeProgram =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$@\" > \"$FAKE_LOG\"\n"
    "[ -n \"$FAKE_OUT\" ] && printf '%s\\n' \"$FAKE_OUT\"\n"
    "[ -n \"$FAKE_WAIT_FOR\" ] && while [ ! -e \"$FAKE_WAIT_FOR\" ]; do sleep 0.01; done\n"
    "exit ${FAKE_EXIT:-0}\n";

class DialogsTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char pattern[] = "/tmp/korvid-view-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    for (const char* name : {"zenity", "xdg-open"})
    {
      const std::string path = folder + "/" + name;
      std::ofstream(path) << kFakeProgram;
      chmod(path.c_str(), 0755);
    }
    oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
    setenv("FAKE_LOG", (folder + "/args").c_str(), 1);
    unsetenv("FAKE_OUT");
    unsetenv("FAKE_EXIT");
    unsetenv("FAKE_WAIT_FOR");
    graphics.reset(new IGraphicsLinux(nullptr, 200, 100));
    graphics->PrepDraw();
    graphics->AttachControl(new RecordingControl(IRECT(0, 0, 200, 100), IColor(255, 10, 10, 10)));
    control = new RecordingControl(IRECT(20, 20, 80, 60), IColor(255, 200, 10, 10));
    graphics->AttachControl(control);
  }

  void TearDown() override
  {
    graphics.reset();
    setenv("PATH", oldPath.c_str(), 1);
    std::system(("rm -rf '" + folder + "'").c_str());
  }

  // The arguments the fake program got, one per line.
  std::vector<std::string> Args() const
  {
    std::ifstream in(folder + "/args");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
    {
      lines.push_back(line);
    }
    return lines;
  }

  bool HasArg(const std::string& arg) const
  {
    for (const std::string& line : Args())
    {
      if (line == arg)
      {
        return true;
      }
    }
    return false;
  }

  std::string folder;
  std::string oldPath;
  std::unique_ptr<IGraphicsLinux> graphics;
  RecordingControl* control = nullptr;
};

TEST_F(DialogsTest, MessageBoxButtonsGiveTheSurfaceResults)
{
  EXPECT_EQ(graphics->ShowMessageBox("<b>Save</b> & quit?", "Korvid", 3), 1);
  EXPECT_TRUE(HasArg("--no-markup"));
  EXPECT_TRUE(HasArg("--text=<b>Save</b> & quit?"));
  EXPECT_TRUE(HasArg("--title=Korvid"));
  EXPECT_TRUE(HasArg("--ok-label=Yes"));
  graphics->ShowMessageBox("Store Zeta\xC0\xAF\xEF\xBF\xBF?", "Korvid", 1); // zenity takes UTF-8 only
  EXPECT_TRUE(HasArg("--text=Store Zeta\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD?"));
  // zenity ends with 1 for Escape, a closed window and its cancel button alike: only a printed label (an
  // extra button) answers No or Yes.
  setenv("FAKE_EXIT", "1", 1);
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 4), 0);
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 1), 7);
  EXPECT_TRUE(HasArg("--cancel-label=Cancel"));
  setenv("FAKE_OUT", "No", 1);
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 3), 7);
  EXPECT_TRUE(HasArg("--extra-button=No"));
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 4), 7);
  setenv("FAKE_OUT", "Yes", 1);
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 4), 1);
  unsetenv("FAKE_OUT");
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 3), 2);
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 0), 0);
  unsetenv("FAKE_EXIT");
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 0), 1);
  EXPECT_TRUE(HasArg("--info"));
}

TEST_F(DialogsTest, MissingProgramsReportFailure)
{
  EXPECT_STREQ(graphics->DialogFailure(), "");
  setenv("PATH", "/nonexistent", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(graphics->ShowMessageBox("q", "c", 4), 0);
  EXPECT_STREQ(graphics->DialogFailure(), "The dialog needs zenity");
  EXPECT_FALSE(graphics->OpenURL("https://example.org"));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("zenity"), std::string::npos);
  EXPECT_NE(errors.find("xdg-open"), std::string::npos);

  // The file dialog too; one that came up (and was cancelled) clears the failure.
  ASSERT_NE(graphics->OpenWindow(nullptr), nullptr);
  WDL_String fileName("bank.kvd");
  WDL_String dir("/data/");
  testing::internal::CaptureStderr();
  graphics->PromptForFile(&fileName, kFileOpen, &dir, "kvd");
  testing::internal::GetCapturedStderr();
  EXPECT_STREQ(fileName.Get(), "");
  EXPECT_STREQ(graphics->DialogFailure(), "The dialog needs zenity");
  setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
  setenv("FAKE_EXIT", "1", 1);
  graphics->PromptForFile(&fileName, kFileOpen, &dir, "kvd");
  EXPECT_STREQ(graphics->DialogFailure(), "");
}

TEST_F(DialogsTest, OpenURLReportsSuccessOnlyWhenItStarted)
{
  EXPECT_TRUE(graphics->OpenURL("https://example.org/support"));
  EXPECT_EQ(Args(), std::vector<std::string>{"https://example.org/support"});
  EXPECT_TRUE(graphics->OpenURL("/home/user/Korvid User Manual.pdf"));
  EXPECT_EQ(Args(), std::vector<std::string>{"/home/user/Korvid User Manual.pdf"});
  EXPECT_TRUE(graphics->OpenURL("--help"));
  EXPECT_EQ(Args(), std::vector<std::string>{"./--help"});
  setenv("FAKE_EXIT", "3", 1);
  EXPECT_FALSE(graphics->OpenURL("https://example.org"));
  EXPECT_FALSE(graphics->OpenURL(""));
  EXPECT_FALSE(graphics->OpenURL(nullptr));
}

TEST_F(DialogsTest, FilePromptNeedsTheWindowAndStartsOnTheDesktop)
{
  WDL_String fileName("old.mid");
  WDL_String dir;
  graphics->PromptForFile(&fileName, kFileOpen, &dir, "mid kvd");
  EXPECT_STREQ(fileName.Get(), "");
  EXPECT_TRUE(Args().empty());

  ASSERT_NE(graphics->OpenWindow(nullptr), nullptr);
  fileName.Set("bank.kvd");
  setenv("FAKE_EXIT", "1", 1);
  graphics->PromptForFile(&fileName, kFileSave, &dir, "kvd");
  EXPECT_STREQ(fileName.Get(), "");
  EXPECT_STREQ(dir.Get(), "~/Desktop");
  EXPECT_TRUE(HasArg("--save"));
  EXPECT_TRUE(HasArg(std::string("--filename=") + std::getenv("HOME") + "/Desktop/bank.kvd"));
  EXPECT_TRUE(HasArg("--file-filter=*.kvd"));

  unsetenv("FAKE_EXIT");
  setenv("FAKE_OUT", "/data/banks/Pads.mid", 1);
  dir.Set("/data/");
  graphics->PromptForFile(&fileName, kFileOpen, &dir, "mid kvd");
  EXPECT_STREQ(fileName.Get(), "/data/banks/Pads.mid");
  EXPECT_STREQ(dir.Get(), "/data/banks/");
  EXPECT_FALSE(HasArg("--save"));
  EXPECT_TRUE(HasArg("--file-filter=*.mid *.kvd"));
  EXPECT_TRUE(HasArg("--filename=/data/"));
  // GTK's save panel selects the proposed name up to its extension: one typed over it stays once, as typed.
  setenv("FAKE_OUT", "/data/banks/My Bank.KVD.kvd", 1);
  graphics->PromptForFile(&fileName, kFileSave, &dir, "kvd");
  EXPECT_STREQ(fileName.Get(), "/data/banks/My Bank.KVD");
}

TEST_F(DialogsTest, TheEditorKeepsDrawingDuringADialogAndSurvivesItsWindowGoing)
{
  InputDriver driver;
  Display* display = driver.display();
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  ASSERT_NE(graphics->OpenWindow(reinterpret_cast<void*>(parent)), nullptr);
  ASSERT_TRUE(pumpUntil(*graphics, [&]() { return control->draws > 0; }));
  pumpFor(*graphics, 50);

  // The dialog stays up until the host has destroyed the editor's parent window.
  const std::string destroyed = folder + "/destroyed";
  setenv("FAKE_WAIT_FOR", destroyed.c_str(), 1);
  std::thread host(
      [&]()
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        XDestroyWindow(display, parent);
        XSync(display, False);
        std::ofstream{destroyed};
      });
  control->MarkDirty();
  const int drawsBefore = control->draws;
  EXPECT_EQ(graphics->ShowMessageBox("Busy", "Korvid", 0), 1);
  host.join();
  EXPECT_GT(control->draws, drawsBefore);
  // The window's end may still be on its way when the dialog ends.
  EXPECT_TRUE(pumpUntil(*graphics, [&]() { return graphics->GetXWindow() == 0u; }));
  graphics->CloseWindow();
  EXPECT_FALSE(graphics->WindowIsOpen());
}

// The real zenity with the editor's flags, answered with keys: its confirmation (OK/Cancel), the
// unsaved-edits question (Yes/Cancel and No, an extra button left of Cancel), Import's and Save As' panels.
TEST_F(DialogsTest, TheRealZenityTakesTheFlagsAndItsAnswersAreDecoded)
{
  setenv("PATH", oldPath.c_str(), 1);
  if (std::system("(command -v zenity && command -v xdotool && xdotool getmouselocation) >/dev/null 2>&1"))
    GTEST_SKIP() << "the real dialogs need zenity, xdotool and an X server";
  // GTK keeps its recent files and folders in the test's folder and its settings in memory.
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  std::ofstream(folder + "/a.mid") << "x";
  std::ofstream(folder + "/b.kvd") << "x";
  ASSERT_NE(graphics->OpenWindow(nullptr), nullptr);
  const std::string rows[][3] = {{"1", "Return", "1"},           {"1", "Escape", "7"},
                                 {"3", "Return", "1"},           {"3", "Escape", "2"},
                                 {"3", "Left Left Return", "7"}, {"open", "Return", "b.kvd"},
                                 {"open", "Escape", ""},         {"save", "Return", "new.kvd"}};
  for (const auto& [type, keys, expected] : rows)
  {
    // Keys go to the dialog until it is gone (a panel reading its folder ignores them), then it is killed.
    const std::string shown = " --onlyvisible --class zenity";
    const std::string script =
        "timeout 30 xdotool search --sync" + shown + " >/dev/null && for i in $(seq 20); do " +
        "xdotool search" + shown + " windowfocus --sync; xdotool key " + keys +
        "; for j in $(seq 50); do xdotool search" + shown +
        " >/dev/null || exit 0; sleep 0.1; done; done; xdotool search --class zenity windowkill; "
        "exit 1";
    int answered = -1;
    std::thread answer([&]() { answered = std::system(("sh -c '" + script + "' >/dev/null 2>&1").c_str()); });
    WDL_String fileName(type == "save" ? "new.kvd" : "");
    WDL_String dir(folder.c_str());
    const bool file = type == "open" || type == "save", open = type == "open";
    const std::string got =
        file ? (graphics->PromptForFile(&fileName, open ? kFileOpen : kFileSave, &dir,
                                        open ? "syx kvd" : "kvd"),
                fileName.Get())
             : std::to_string(graphics->ShowMessageBox("<b>Store</b> & replace?", "Korvid", std::stoi(type)));
    answer.join();
    EXPECT_EQ(got, !file || expected.empty() ? expected : folder + "/" + expected) << type << " " << keys;
    EXPECT_EQ(answered, 0) << type << " " << keys;
  }
  for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "GSETTINGS_BACKEND"})
    unsetenv(name);
}

TEST(ResourcesTest, ResourcesAreFoundBesideTheLoadedFile)
{
  EXPECT_EQ(IGraphicsLinux::ResourcePath(""), "");
  EXPECT_EQ(IGraphicsLinux::ResourcePath(nullptr), "");
  EXPECT_EQ(IGraphicsLinux::ResourcePath("/etc/passwd"), "");
  EXPECT_EQ(IGraphicsLinux::ResourcePath("resources/../../secret"), "");

  IGraphicsLinux graphics(nullptr, 10, 10);
  WDL_String folder;
  graphics.PluginPath(&folder);
  ASSERT_GT(folder.GetLength(), 1);
  EXPECT_EQ(folder.Get()[folder.GetLength() - 1], '/');
  const std::string resources = std::string(folder.Get()) + "resources";
  mkdir(resources.c_str(), 0755);
  const std::string data = resources + "/view-test.tea";
  std::ofstream(data) << "abc";
  EXPECT_EQ(IGraphicsLinux::ResourcePath("resources/view-test.tea"), data);
  char* bytes = graphics.OSLoadFile(100, "resources/view-test.tea");
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(graphics.GetLastLoadedFileSize(), 3);
  EXPECT_EQ(std::string(bytes, 3), "abc");
  EXPECT_EQ(bytes[3], 0);
  delete[] bytes;
  EXPECT_EQ(graphics.OSLoadFile(100, "resources/missing.tea"), nullptr);

  LICE_MemBitmap image(3, 2);
  const std::string png = resources + "/view-test.PNG";
  ASSERT_TRUE(LICE_WritePNG(png.c_str(), &image));
  LICE_IBitmap* loaded = graphics.OSLoadBitmap(1, "resources/view-test.PNG");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->getWidth(), 3);
  delete loaded;
  EXPECT_EQ(graphics.OSLoadBitmap(1, "resources/view-test.jpg"), nullptr);
  std::remove(data.c_str());
  std::remove(png.c_str());
  rmdir(resources.c_str());
}
} // namespace
