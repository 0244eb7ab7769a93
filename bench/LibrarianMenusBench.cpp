// Rebuilding a bank browser for a library of 2000 banks in 200 folders, and resolving a choice in it.
#include "LeftPatchPopupMenu.h"
#include "PatchLibrarian.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
constexpr int kTopFolders = 20;
constexpr int kSubFolders = 10;
constexpr int kBanksPerFolder = 10;

// Banks in "Patches/Top t/Sub s/Bank b.syx", placed in the sound tree as the scan places them.
void fillLibrary(PatchLibrarian& librarian)
{
  for (int t = 0; t < kTopFolders; ++t)
  {
    for (int s = 0; s < kSubFolders; ++s)
    {
      for (int b = 0; b < kBanksPerFolder; ++b)
      {
        auto* bank = new PatchFile();
        bank->mFileName = "Bank " + std::to_string(b) + ".syx";
        bank->mFolderName = "Sub " + std::to_string(s);
        bank->mFolderPath = {"Patches", "Top " + std::to_string(t), bank->mFolderName};
        librarian.mSoundBanks.push_back(bank);
        librarian.createSingleFolderFilesStructure(bank, "");
      }
    }
  }
}

void BM_BrowserRebuild2000Banks(benchmark::State& state)
{
  PatchLibrarian librarian;
  fillLibrary(librarian);
  LeftPatchPopupMenu menu(nullptr, &librarian, IRECT(0, 0, 10, 10), nullptr);
  const std::string last = "Bank " + std::to_string(kBanksPerFolder - 1) + ".syx";
  const std::string folder = "Sub " + std::to_string(kSubFolders - 1);
  for (auto _ : state)
  {
    menu.refreshFolderStructure(&librarian, nullptr, 0, last, folder);
    benchmark::DoNotOptimize(menu.registeredMenus().data());
  }
  state.counters["banks"] = static_cast<double>(librarian.mSoundBanks.size());
}
BENCHMARK(BM_BrowserRebuild2000Banks)->Unit(benchmark::kMicrosecond);

void BM_BrowserChoiceLookup2000Banks(benchmark::State& state)
{
  PatchLibrarian librarian;
  fillLibrary(librarian);
  LeftPatchPopupMenu menu(nullptr, &librarian, IRECT(0, 0, 10, 10), nullptr);
  // The third-level menu of the last folder: the sub-folder menu holding it is registered after it.
  IPopupMenu* lastMenu = menu.registeredMenus()[menu.registeredMenus().size() - 2];
  for (auto _ : state)
  {
    // The last bank item built: the worst case of the item-to-bank map and of moving the tick.
    PatchFile* bank = menu.bankOfItem(lastMenu, kBanksPerFolder - 1);
    menu.checkMenuItemAlone(&librarian, nullptr, static_cast<int>(librarian.mSoundBanks.size()) - 1);
    if (!bank)
    {
      state.SkipWithError("no bank at the last item");
      return;
    }
    benchmark::DoNotOptimize(bank);
  }
}
BENCHMARK(BM_BrowserChoiceLookup2000Banks)->Unit(benchmark::kMicrosecond);
} // namespace
