// Tests of the headless surface: scripted menus with sub-menus, message boxes, files and resources.
#include "SurfaceTestSupport.h"

#include "IPopupMenu.h"
#include "WdlString.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace surfacetest;

namespace
{
// A temporary folder removed with its files at the end of the test.
struct TempDir
{
  TempDir()
  {
    char pattern[] = "/tmp/korvid-surface-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir()
  {
    for (const std::string& f : files)
    {
      std::remove(f.c_str());
    }
    rmdir(path.c_str());
  }
  std::string Add(const std::string& name)
  {
    files.push_back(path + "/" + name);
    return files.back();
  }
  std::string path;
  std::vector<std::string> files;
};
} // namespace

TEST(HeadlessSurface, MenuPathsOpenSubMenusAndRefuseItemsThatCannotBeChosen)
{
  HeadlessSurface surface(nullptr, 10, 10);
  IPopupMenu sub;
  sub.AddItem("deep a");
  sub.AddItem("deep b");
  IPopupMenu menu;
  menu.SetPrefix(2);
  menu.AddItem("first");
  menu.AddItem("more", &sub);
  menu.AddItem("off", -1, IPopupMenuItem::kDisabled);
  menu.AddSeparator();
  IRECT area(1, 2, 3, 4);

  surface.QueueMenuPath({1, 1});
  EXPECT_EQ(&sub, surface.CreateIPopupMenu(&menu, &area));
  EXPECT_EQ(1, sub.GetChosenItemIdx());
  ASSERT_EQ(1u, surface.Menus().size());
  EXPECT_EQ("01: first", surface.Menus()[0].items[0]);
  EXPECT_EQ(area, surface.Menus()[0].area);

  surface.QueueMenuChoice(2); // disabled
  surface.QueueMenuChoice(3); // separator
  surface.QueueMenuChoice(1); // opens a sub-menu
  surface.QueueMenuChoice(0);
  EXPECT_EQ(nullptr, surface.CreateIPopupMenu(&menu, &area));
  EXPECT_EQ(nullptr, surface.CreateIPopupMenu(&menu, &area));
  EXPECT_EQ(nullptr, surface.CreateIPopupMenu(&menu, &area));
  EXPECT_EQ(&menu, surface.CreateIPopupMenu(&menu, &area));
  EXPECT_EQ(0, menu.GetChosenItemIdx());
  // No answer left: closed without a choice.
  EXPECT_EQ(nullptr, surface.CreateIPopupMenu(&menu, &area));
}

TEST(HeadlessSurface, MessageBoxesAndFilePromptsAnswerFromTheScript)
{
  HeadlessSurface surface(nullptr, 10, 10);
  surface.QueueMessageBoxResult(7);
  EXPECT_EQ(7, surface.ShowMessageBox("Overwrite?", "Korvid", 4));
  EXPECT_EQ(0, surface.ShowMessageBox("again", "Korvid", 0));
  EXPECT_EQ((std::vector<std::string>{"Korvid: Overwrite?", "Korvid: again"}), surface.MessageBoxes());

  surface.QueueFileChoice("/home/user/banks/a.mid");
  WDL_String file, dir;
  surface.PromptForFile(&file, kFileSave, &dir, "mid");
  EXPECT_STREQ("/home/user/banks/a.mid", file.Get());
  EXPECT_STREQ("/home/user/banks/", dir.Get());
  surface.PromptForFile(&file, kFileOpen, &dir, "syx");
  EXPECT_STREQ("", file.Get());

  EXPECT_EQ(nullptr, surface.GetWindow());
  EXPECT_NE(nullptr, surface.OpenWindow(nullptr));
  EXPECT_TRUE(surface.WindowIsOpen());
  surface.CloseWindow();
  EXPECT_FALSE(surface.WindowIsOpen());
}

TEST(HeadlessSurface, ResourcesAreReadByTheirLastPathComponent)
{
  TempDir dir;
  {
    FILE* f = std::fopen(dir.Add("uiconfig.tea").c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fputs("abcdef", f);
    std::fclose(f);
  }
  LICE_MemBitmap image(3, 2);
  LICE_FillRect(&image, 0, 0, 3, 2, kGreen, 1.0f, LICE_BLIT_MODE_COPY);
  ASSERT_TRUE(LICE_WritePNG(dir.Add("knob.png").c_str(), &image));

  HeadlessSurface surface(nullptr, 10, 10, 0, dir.path);
  char* data = surface.LoadFile(100, "resources/uiconfig.tea");
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(6, surface.GetLastLoadedFileSize());
  EXPECT_EQ(std::string("abcdef"), std::string(data, 6));
  EXPECT_EQ('\0', data[HeadlessSurface::kLoadFileBufferSize - 1]);
  delete[] data;
  EXPECT_EQ(nullptr, surface.LoadFile(101, "resources/missing.tea"));
  EXPECT_EQ(nullptr, surface.LoadFile(101, ""));

  LICE_IBitmap* loaded = surface.OSLoadBitmap(1, "img/knob.png");
  ASSERT_NE(nullptr, loaded);
  EXPECT_EQ(3, loaded->getWidth());
  EXPECT_EQ(kGreen, loaded->getPixel(2, 1));
  delete loaded;
  EXPECT_EQ(25, surface.FPS());
}
