// File import into the library folder through the bank edit menu and a fake file dialog, and the help pages
// and user manual opened through a fake opener.
#include "LibrarianGlueSupport.h"

#include "BankEditPopupMenu.h"
#include "IPopupMenu.h"

#include <filesystem>
#include <fstream>
#include <functional>

using namespace korvidtest;

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// A raw sysex bank of 128 init sounds that the library reads as one bank; letter starts every name.
Bytes sysexBank(char letter = 'I')
{
  Bytes bytes;
  for (int slot = 0; slot < 128; ++slot)
  {
    Bytes dump = InitDumpTemplates::initSound();
    dump[6] = static_cast<unsigned char>(slot);
    dump[InitDumpTemplates::kSoundNameOffset] = static_cast<unsigned char>(letter);
    bytes.insert(bytes.end(), dump.begin(), dump.end());
  }
  return bytes;
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The surface of these tests: the opener fails while opensFail is set.
class OpenerSurface : public PluginFolderSurface
{
public:
  using PluginFolderSurface::PluginFolderSurface;
  bool OpenURL(const char* url, const char* title, const char* confirm, const char* error) override
  {
    HeadlessSurface::OpenURL(url, title, confirm, error);
    return !opensFail;
  }
  static inline bool opensFail = false;
};

class ImportAndHelp : public LibraryEditorFixture
{
public:
  ImportAndHelp()
  {
    OpenerSurface::opensFail = false;
    const std::string folder = pluginFolder();
    Korvid::setSurfaceFactory([folder](IPlugBase* plug, int w, int h) -> IGraphics*
                              { return new OpenerSurface(plug, w, h, folder); });
  }

  std::string elsewhere(const std::string& name) const { return home.root() + "/elsewhere/" + name; }
  std::string inLibrary(const std::string& name) const { return patchesFolder() + "/" + name; }
  std::string libraryFolder() const { return patchesFolder(); }

  // The bank edit menu's item of that text in the menu, or -1.
  static int itemOf(IPopupMenu& menu, const char* text)
  {
    for (int i = 0; i < menu.GetNItems(); ++i)
    {
      if (std::string(menu.GetItemText(i)) == text)
        return i;
    }
    return -1;
  }

  // Chooses a sub-menu item of the bank edit menu.
  static void choose(Korvid& plug, const char* subMenu, int item)
  {
    BankEditPopupMenu* menu = plug.mBankEditPopupMenu;
    headless(plug)->QueueMenuPath({itemOf(menu->getMenu(), subMenu), item});
    menu->doPopupMenu(&plug);
  }
};

TEST_F(ImportAndHelp, ImportCopiesTheChosenFileIntoTheLibraryAndRescansOnlyAfterSuccess)
{
  const Bytes bank = sysexBank();
  const struct
  {
    const char* name;
    std::function<void(ImportAndHelp&)> setUp;
    int item;            // import sub-menu item
    std::string chosen;  // what the file dialog answers (relative to the data home root), "" cancels
    const char* written; // the file that is new in the library, "" for none
    const char* text;
    bool withoutDialogs = false; // the program that shows the dialogs is missing
  } cases[] = {
      {"a sysex bank", [&](ImportAndHelp& t) { writeBytes(t.elsewhere("My Bank.syx"), bank); },
       BankEditPopupMenu::kImportSysex, "/elsewhere/My Bank.syx", "My Bank.syx", "My Bank.syx imported"},
      {"a name taken in the library gets a free one",
       [&](ImportAndHelp& t)
       {
         writeBytes(t.elsewhere("My Bank.syx"), bank);
         writeBytes(t.inLibrary("My Bank.syx"), sysexBank('X'));
       },
       BankEditPopupMenu::kImportSysex, "/elsewhere/My Bank.syx", "My Bank (2).syx",
       "My Bank (2).syx imported"},
      {"cancelled", [](ImportAndHelp&) {}, BankEditPopupMenu::kImportSysex, "", "", "Nothing imported"},
      {"no dialog program", [&](ImportAndHelp& t) { writeBytes(t.elsewhere("My Bank.syx"), bank); },
       BankEditPopupMenu::kImportSysex, "/elsewhere/My Bank.syx", "",
       "The dialog needs zenity - nothing imported", true},
      {"the library's own file", [&](ImportAndHelp& t) { writeBytes(t.inLibrary("Own.syx"), bank); },
       BankEditPopupMenu::kImportSysex, "/Quillmarsh/Korvid Editor/Patches/Own.syx", "",
       "Own.syx is already in the library - nothing imported"},
      {"a file too small for a bank",
       [](ImportAndHelp& t) { writeBytes(t.elsewhere("tiny.syx"), Bytes(392, 0xF0)); },
       BankEditPopupMenu::kImportSysex, "/elsewhere/tiny.syx", "",
       "tiny.syx is too small for a bank - nothing imported"},
      {"sysex chosen as a MIDI file: the library reads it",
       [&](ImportAndHelp& t) { writeBytes(t.elsewhere("My Bank.syx"), bank); },
       BankEditPopupMenu::kImportMidi, "/elsewhere/My Bank.syx", "My Bank.syx", "My Bank.syx imported"},
      {"controller messages before the first dump",
       [&](ImportAndHelp& t)
       {
         Bytes wheel{0xB0, 0x01, 0x7F, 0xB0, 0x01, 0x00};
         wheel.insert(wheel.end(), bank.begin(), bank.end());
         writeBytes(t.elsewhere("Wheel.syx"), wheel);
       },
       BankEditPopupMenu::kImportSysex, "/elsewhere/Wheel.syx", "Wheel.syx", "Wheel.syx imported"},
      {"no dump", [](ImportAndHelp& t) { writeBytes(t.elsewhere("Junk.syx"), Bytes(40000, 0x01)); },
       BankEditPopupMenu::kImportSysex, "/elsewhere/Junk.syx", "",
       "Junk.syx holds no bank the library reads - nothing imported"},
      {"a file that is gone", [](ImportAndHelp&) {}, BankEditPopupMenu::kImportMidi, "/elsewhere/gone.mid",
       "", "Cannot read gone.mid - nothing imported"},
      {"no library folder",
       [&](ImportAndHelp& t)
       {
         writeBytes(t.elsewhere("My Bank.syx"), bank);
         fs::remove_all(t.libraryFolder());
       },
       BankEditPopupMenu::kImportSysex, "/elsewhere/My Bank.syx", "",
       "Library folder missing - nothing imported"},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    fs::remove_all(home.root() + "/elsewhere");
    fs::remove_all(patchesFolder());
    createLibrary();
    c.setUp(*this);
    std::vector<std::string> before;
    if (fs::is_directory(patchesFolder()))
      for (const auto& file : fs::directory_iterator(patchesFolder()))
        before.push_back(file.path().filename().string());

    auto plug = makeEditor(false);
    // A bank only this editor has: a rescan of the folder replaces it.
    plug->mPatchLibrarian->mSoundBanks.push_back(libraryBank("Marker", 128));
    const size_t banksBefore = plug->mPatchLibrarian->mSoundBanks.size();
    headless(*plug)->QueueFileChoice(c.chosen.empty() ? "" : home.root() + c.chosen);
    headless(*plug)->SetDialogsMissing(c.withoutDialogs ? "The dialog needs zenity" : "");
    choose(*plug, "Import...", c.item);

    ASSERT_EQ(headless(*plug)->FilePrompts().size(), c.withoutDialogs ? 0u : 1u);
    if (!c.withoutDialogs)
    {
      const auto& prompt = headless(*plug)->FilePrompts().back();
      EXPECT_EQ(prompt.action, kFileOpen);
      EXPECT_EQ(prompt.extensions, c.item == BankEditPopupMenu::kImportMidi ? "mid" : "syx kvd");
    }
    EXPECT_EQ(plug->getStatusText(), c.text);
    const bool imported = *c.written != '\0';
    if (imported)
    {
      EXPECT_EQ(readBytes(inLibrary(c.written)), readBytes(home.root() + c.chosen));
      // Rescanned: the library now holds what lies in the folder; a file that was there is untouched.
      EXPECT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), before.size() + 1);
      for (const std::string& name : before)
        EXPECT_EQ(readBytes(inLibrary(name)), sysexBank('X'));
    }
    else
    {
      EXPECT_EQ(plug->mPatchLibrarian->mSoundBanks.size(), banksBefore);
    }
    // Nothing else in the library changed, and no temporary file was left behind.
    if (fs::is_directory(patchesFolder()))
    {
      size_t files = 0;
      for (const auto& file : fs::directory_iterator(patchesFolder()))
      {
        ++files;
        EXPECT_NE(file.path().filename().string().front(), '.');
      }
      EXPECT_EQ(files, before.size() + (imported ? 1 : 0));
    }
  }
}

TEST_F(ImportAndHelp, TheImportDialogStartsWhereTheLastFileWasChosen)
{
  writeBytes(elsewhere("One.syx"), sysexBank());
  auto plug = makeEditor(false);
  headless(*plug)->QueueFileChoice(elsewhere("One.syx"));
  EXPECT_TRUE(plug->saveImportedFile(false));
  headless(*plug)->QueueFileChoice("");
  EXPECT_FALSE(plug->saveImportedFile(true));
  ASSERT_EQ(headless(*plug)->FilePrompts().size(), 2u);
  EXPECT_EQ(headless(*plug)->FilePrompts()[1].folder, home.root() + "/elsewhere/");
}

TEST_F(ImportAndHelp, TheHelpItemsOpenTheMakersPagesAndTheManual)
{
  const struct
  {
    const char* name;
    int item;
    bool manualThere;
    bool opensFail;
    std::string opened; // "" for nothing
    std::string text;
  } cases[] = {
      {"support tickets", BankEditPopupMenu::kOpenSupportTicket, false, false,
       "https://www.quillmarsh.com/my-tickets/", ""},
      {"updates", BankEditPopupMenu::kCheckForUpdates, false, false, "https://www.quillmarsh.com/downloads/",
       ""},
      {"setup guides", BankEditPopupMenu::kDawSetupGuides, false, false,
       "https://www.quillmarsh.com/kb/articles/", ""},
      {"a page that cannot be opened", BankEditPopupMenu::kDawSetupGuides, false, true,
       "https://www.quillmarsh.com/kb/articles/", "Cannot open https://www.quillmarsh.com/kb/articles/"},
      {"the manual", BankEditPopupMenu::kOpenUserManual, true, false, "Korvid User Manual.pdf", ""},
      {"no manual", BankEditPopupMenu::kOpenUserManual, false, false, "",
       "Korvid User Manual.pdf is not in the data folder"},
      {"the data folder", BankEditPopupMenu::kOpenDataFolder, false, false, "", ""},
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    fs::remove(home.folder() + "Korvid User Manual.pdf");
    if (c.manualThere)
      home.writeFile("Korvid User Manual.pdf", "%PDF");
    OpenerSurface::opensFail = c.opensFail;
    auto plug = makeEditor(false);
    choose(*plug, "Other Helpful things...", c.item);
    const std::vector<std::string>& opened = headless(*plug)->OpenedURLs();
    const std::string expected = c.item == BankEditPopupMenu::kOpenDataFolder ? home.folder()
                                 : c.manualThere                              ? home.folder() + c.opened
                                                                              : c.opened;
    if (expected.empty())
    {
      EXPECT_TRUE(opened.empty());
    }
    else
    {
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0], expected);
    }
    EXPECT_EQ(plug->getStatusText(), c.text);
  }
  // Topics outside the three open nothing.
  auto plug = makeEditor(false);
  EXPECT_FALSE(plug->OpenHelpTopics(3));
  EXPECT_FALSE(plug->OpenHelpTopics(-1));
  EXPECT_TRUE(headless(*plug)->OpenedURLs().empty());
}
} // namespace
