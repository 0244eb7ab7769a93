// The librarian's slot view on the built editor with two real banks: a click on a slot and a record dragged
// from the lower pane onto the upper pane, each with the redraw it causes.
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "MidiFakeSystem.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "PluginFolderSurface.h"
#include "SharedDataPaths.h"
#include "TabSwitchFunctions.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

// An editor on the librarian page over a data folder holding the shared factory and init banks (the factory
// bank splits into banks of 128); the lower pane shows the second bank. Null without the shared banks.
class SlotViewEditor
{
public:
  SlotViewEditor()
  {
    root = fs::temp_directory_path() / ("korvid-bench-slots-" + std::to_string(::getpid()));
    const fs::path patches = root / "Quillmarsh" / "Korvid Editor" / "Patches";
    fs::create_directories(patches);
    for (const char* name : {"factory-2008.syx", "init-bank.syx"})
    {
      const fs::path source = korvidtest::sharedBankFile(name);
      std::error_code error;
      fs::copy_file(source, patches / name, fs::copy_options::overwrite_existing, error);
      fs::permissions(patches / name, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                      error);
    }
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    MidiFakeSystem::installAsDefault(MidiFakeSystem::create());
    Korvid::setSurfaceFactory(
        [](IPlugBase* plug, int w, int h) -> IGraphics*
        { return new PluginFolderSurface(plug, w, h, std::string(KORVID_BINARY_DIR) + "/Korvid Editor"); });
    plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
    surface = dynamic_cast<HeadlessSurface*>(plug->getSurface());
    if (!surface || !plug->mLibrarianView || plug->mPatchLibrarian->mSoundBanks.size() < 2)
    {
      return;
    }
    plug->GetParam(kMainTab)->Set(1.0);
    TabSwitchFunctions::mainTabSwitch(plug.get(), kMainTab, 1, 0);
    plug->mPatchLibrarian->mLowerBankIndex = 1;
    plug->updatePatchLibrarianView(2);
    surface->OpenWindow(nullptr);
    surface->Tick();
    view = plug->mLibrarianView;
  }

  ~SlotViewEditor()
  {
    plug.reset();
    Korvid::setSurfaceFactory(nullptr);
    MidiFakeSystem::installAsDefault(nullptr);
    unsetenv("XDG_DATA_HOME");
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  IRECT slot(int pane, int index) const { return *view->getSlotText(pane, index)->GetRECT(); }

  std::unique_ptr<Korvid> plug;
  HeadlessSurface* surface = nullptr;
  LibrarianViewControl* view = nullptr;

private:
  fs::path root;
};

// Runs gesture(editor, step, left button) once per iteration, then the redraw it caused.
template <class Gesture> void measure(benchmark::State& state, const char* label, Gesture gesture)
{
  // Skipped, not failed, in a clone without the shared data beside it.
  if (!korvidtest::haveSharedBanks())
  {
    state.SkipWithError(korvidtest::sharedBanksMissingText().c_str());
    return;
  }
  SlotViewEditor editor;
  if (!editor.view)
  {
    state.SkipWithError("no editor or fewer than two banks (shared banks missing?)");
    return;
  }
  IMouseMod left(true, false);
  int step = 0;
  for (auto _ : state)
  {
    gesture(editor, step, left);
    editor.surface->Tick();
    ++step;
  }
  state.SetLabel(label);
}

void BM_SlotViewClick(benchmark::State& state)
{
  measure(state, "per click, drawn",
          [](SlotViewEditor& editor, int step, IMouseMod& left)
          {
            const IRECT r = editor.slot(step % 2, (step * 37) % 128);
            editor.surface->OnMouseDown(r.MW(), r.MH(), &left);
            editor.surface->OnMouseUp(r.MW(), r.MH(), &left);
          });
}
BENCHMARK(BM_SlotViewClick)->Unit(benchmark::kMicrosecond);

void BM_SlotViewDragAndDrop(benchmark::State& state)
{
  measure(state, "per record copied, drawn",
          [](SlotViewEditor& editor, int step, IMouseMod& left)
          {
            const IRECT from = editor.slot(LibrarianViewControl::kLowerPane, step % 128);
            const IRECT to = editor.slot(LibrarianViewControl::kUpperPane, (step * 5) % 128);
            editor.surface->OnMouseDown(from.MW(), from.MH(), &left);
            editor.surface->OnMouseDrag(from.MW() + 2, from.MH() + 1, &left);
            editor.surface->OnMouseDrag(to.MW(), to.MH(), &left);
            editor.surface->OnMouseUp(to.MW(), to.MH(), &left);
          });
}
BENCHMARK(BM_SlotViewDragAndDrop)->Unit(benchmark::kMicrosecond);
} // namespace
