// An editor surface without a window: draws into its off-screen bitmap and answers prompts from a script.
#pragma once

#include "IGraphics.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The window layer of the tests and tools. What the user would answer (menu choices, typed texts, message box
// buttons, file names) is queued beforehand; every prompt takes the next answer of its kind and is recorded.
// Resources are read from a folder given at construction or from images registered in memory. Editor thread
// only, like every window layer.
class HeadlessSurface : public IGraphics
{
public:
  // A popup menu shown by CreateIPopupMenu, as the user saw it.
  struct ShownMenu
  {
    std::vector<std::string> items; // labels with the numbering prefix
    std::vector<int> flags;
    IRECT area;
  };
  // A file dialog opened by PromptForFile.
  struct ShownFilePrompt
  {
    EFileAction action = kFileOpen;
    std::string folder;
    std::string extensions;
  };
  // A text field opened by CreateTextEntry.
  struct ShownTextEntry
  {
    IControl* control = nullptr;
    IParam* param = nullptr;
    std::string prefill;
    IRECT area;
  };

  // plug: owning plug-in (may be null); w, h: size in pixels; fps: redraw rate (0: default);
  // resourceDir: folder of resource files ("" for none).
  HeadlessSurface(IPlugBase* plug, int w, int h, int fps = 0, std::string resourceDir = "");
  ~HeadlessSurface() override;

  // ---- Script ----

  // The next menu picks item index (-1: the menu is closed without a choice). With a path, the items of
  // the path open sub-menus in turn and the last index is chosen in the innermost one.
  void QueueMenuChoice(int index);
  void QueueMenuPath(std::vector<int> path);
  // The next text field gets text and is confirmed.
  void QueueTextEntry(std::string text);
  // The next message box answers result (1 default button, 7 alternate, 2 other).
  void QueueMessageBoxResult(int result);
  // The next menu or message box runs action before it answers, with the editor lock and the plug mutex given
  // back: what another thread does while a prompt is up.
  void RunWhileNextPromptShown(std::function<void()> action) { mWhilePromptShown = std::move(action); }
  // The next file prompt answers path ("" for cancel).
  void QueueFileChoice(std::string path);
  // From now on message boxes and file prompts cannot come up, as without the program that shows them: they
  // answer 0 and "" without taking a queued answer or being recorded, and DialogFailure gives reason (a
  // static text; "" lets them come up again).
  void SetDialogsMissing(const char* reason) { mDialogsMissing = reason ? reason : ""; }
  // What ShiftOrLeftButtonHeld answers from now on (false at construction). Any thread.
  void SetShiftOrLeftButtonHeld(bool held) { mShiftOrLeftButtonHeld = held; }
  // Whether the left button is held from now on (false at construction); a held left button also makes
  // ShiftOrLeftButtonHeld true. Any thread.
  void SetLeftButtonHeld(bool held) { mLeftButtonHeld = held; }

  // ---- What was shown ----

  const std::vector<ShownMenu>& Menus() const { return mMenus; }
  const std::vector<ShownTextEntry>& TextEntries() const { return mTextEntries; }
  const std::vector<std::string>& MessageBoxes() const { return mMessageBoxes; }
  const std::vector<std::string>& OpenedURLs() const { return mOpenedURLs; }
  const std::vector<ShownFilePrompt>& FilePrompts() const { return mFilePrompts; }
  int ScreenUpdates() const { return mScreenUpdates; }
  const IRECT& LastScreenArea() const { return mLastScreenArea; }

  // Registers an image under a resource name; OSLoadBitmap returns a copy of it. Takes ownership.
  void AddBitmapResource(const std::string& name, LICE_IBitmap* bitmap);

  // One tick of the redraw timer: collects the dirty area and draws it. True when something was drawn.
  bool Tick();

  // ---- Window layer ----

  bool DrawScreen(IRECT* r) override;
  void ForceEndUserEdit() override {}
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  const char* DialogFailure() const override { return mDialogsMissing; }
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* area, const char* str, IParam* param) override;
  void HostPath(WDL_String* path) override;
  void PluginPath(WDL_String* path) override;
  void DesktopPath(WDL_String* path) override;
  void PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                     const char* extensions) override;
  bool PromptForColor(IColor*, const char*) override { return false; }
  bool OpenURL(const char* url, const char* msgWindowTitle, const char* confirmMsg,
               const char* errMsgOnFailure) override;
  void* OpenWindow(void* parentWindow) override;
  void CloseWindow() override { mWindowOpen = false; }
  void* GetWindow() override { return mWindowOpen ? this : nullptr; }
  // Reads the file of that name (its last path component) from the resource folder, at most 4,096,000 bytes.
  char* OSLoadFile(int id, const char* name) override;
  // A registered image, else the PNG of that name from the resource folder.
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  bool ShiftOrLeftButtonHeld() override { return mShiftOrLeftButtonHeld || mLeftButtonHeld; }
  bool LeftButtonHeld() override { return mLeftButtonHeld; }

  // Size of the buffer OSLoadFile returns.
  static constexpr int kLoadFileBufferSize = 4096000;

private:
  std::string ResourcePath(const char* name) const;
  IPopupMenu* ChooseFromScript(IPopupMenu* menu, IRECT* area);
  void RunWhilePromptShown();

  std::string mResourceDir;
  bool mWindowOpen = false;
  const char* mDialogsMissing = "";
  std::deque<std::vector<int>> mMenuAnswers;
  std::deque<std::string> mTextAnswers;
  std::deque<int> mMessageBoxAnswers;
  std::deque<std::string> mFileAnswers;
  std::function<void()> mWhilePromptShown;
  std::vector<ShownMenu> mMenus;
  std::vector<ShownTextEntry> mTextEntries;
  std::vector<std::string> mMessageBoxes;
  std::vector<std::string> mOpenedURLs;
  std::vector<ShownFilePrompt> mFilePrompts;
  std::map<std::string, std::unique_ptr<LICE_IBitmap>> mBitmapResources;
  int mScreenUpdates = 0;
  IRECT mLastScreenArea;
  std::atomic<bool> mShiftOrLeftButtonHeld{false};
  std::atomic<bool> mLeftButtonHeld{false};
};
