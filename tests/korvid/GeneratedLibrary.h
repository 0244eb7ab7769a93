// A small generated library for the librarian menu tests: sound banks in the root, a first- and a
// second-level folder, two banks of the same name in two folders of the same name, and a multi bank.
#pragma once

#include "EditorLock.h"
#include "IPopupMenu.h"
#include "JobArguments.h"
#include "KorvidTestSupport.h"
#include "LibrarianTestSupport.h"
#include "LibrarianViewControl.h"
#include "PatchLibrarian.h"

#include <string>
#include <vector>

namespace korvidtest
{
// One bank file of the generated library: its path below "Patches", the tag its 128 record names start with,
// and its category code.
struct GeneratedBank
{
  const char* path;
  const char* tag;
  int category;
  bool multis;
};

// Sound list order (scan order) is the order below; the menus lay them out as
//   "Leads" > ("Old" > "Leads A.syx"), "Leads A.syx"
//   "X" > "Factory" > "Bank.syx"
//   "Y" > "Factory" > "Bank.syx"
//   "Root Bank.syx"
const GeneratedBank kGeneratedBanks[] = {
    {"Leads/Leads A.syx", "LEAD", 1, false},   {"Leads/Old/Leads A.syx", "OLDL", 2, false},
    {"X/Factory/Bank.syx", "XFAC", 1, false},  {"Y/Factory/Bank.syx", "YFAC", 3, false},
    {"Root Bank.syx", "ROOT", 2, false},       {"Multis/More Multis.syx", "MORE", 0, true},
    {"Multis/Multi Set.syx", "MULT", 0, true},
};
// Positions in the sound list.
constexpr int kLeadsA = 0;
constexpr int kOldLeadsA = 1;
constexpr int kXFactoryBank = 2;
constexpr int kYFactoryBank = 3;
constexpr int kRootBank = 4;
// Positions in the multi list.
constexpr int kMoreMultis = 0;
constexpr int kMultiSet = 1;

// The name of record slot of a bank with that tag.
inline std::string recordName(const char* tag, int slot)
{
  return std::string(tag) + " " + std::to_string(slot + 1);
}

// A record name without the blanks that pad it to 16 characters.
inline std::string trimmed(std::string name)
{
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

// The item texts of a menu: a separator as "-", record names without the blanks that pad them.
inline std::vector<std::string> itemTexts(const IPopupMenu& menu)
{
  std::vector<std::string> texts;
  for (int i = 0; i < menu.GetNItems(); ++i)
  {
    texts.push_back(menu.GetItem(i)->GetIsSeparator() ? "-" : trimmed(menu.GetItemText(i)));
  }
  return texts;
}

// A bank request ending on the worker: it reads the library again under the editor lock and the plug mutex.
inline void rescanOnWorker(Korvid* plug)
{
  EditorLockGuard lock;
  plug->rescanFolders();
}

// A fixture whose data folder holds the generated library and whose jobs are recorded instead of run.
class GeneratedLibraryFixture : public StartupFixture
{
protected:
  GeneratedLibraryFixture()
  {
    useResources(pluginFolder());
    createLibrary();
    for (const GeneratedBank& bank : kGeneratedBanks)
    {
      librarian_test::Bytes bytes;
      for (int slot = 0; slot < PatchFile::kBankSize; ++slot)
      {
        librarian_test::append(
            bytes, bank.multis ? librarian_test::multiDump(recordName(bank.tag, slot))
                               : librarian_test::soundDump(recordName(bank.tag, slot),
                                                           static_cast<unsigned char>(bank.category)));
      }
      const fs::path file = fs::path(patchesFolder()) / bank.path;
      fs::create_directories(file.parent_path());
      librarian_test::writeFile(file.string(), bytes);
    }
  }

  // Builds the editor and records every job it posts; admitted says whether the worker counts as idle.
  std::unique_ptr<Korvid> constructRecording()
  {
    auto plug = construct();
    if (plug->mMIDIMessageManager)
    {
      plug->mMIDIMessageManager->setPostHook(
          [this](const JobArguments& args, const std::function<void()>& prepare)
          {
            posted.push_back(args);
            if (admitted && prepare)
            {
              prepare();
            }
            return admitted;
          });
    }
    return plug;
  }

  static HeadlessSurface* headless(Korvid& plug) { return dynamic_cast<HeadlessSurface*>(plug.getSurface()); }

  // The text of slot of a pane (0 upper, 1 lower) of the slot view, without padding.
  static std::string slotText(Korvid& plug, int pane, int slot)
  {
    ITextControl* text = plug.mLibrarianView ? plug.mLibrarianView->getSlotText(pane, slot) : nullptr;
    return trimmed(shownText(text));
  }

  // Marks the upper bank as holding unsaved edits, as a library request does.
  static void markUnsaved(Korvid& plug) { plug.GetParam(kBankEditUnsaved)->Set(1.0); }

  std::vector<JobArguments> posted;
  bool admitted = true;
};
} // namespace korvidtest
