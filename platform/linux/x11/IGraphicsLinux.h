// The editor surface on Linux: an X11 window inside the host's, dialogs through zenity, resources beside the
// .so.
#pragma once

#include "IGraphics.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class EditorLockRelease;
class IGraphicsX11View;

// The window-system side of IGraphics for Linux hosts. The host hands effEditOpen its X11 window id;
// the editor window becomes a child of it, on a display connection of its own. effEditIdle (OnEditIdle)
// handles the window's events and runs the redraw tick; effEditClose closes it. Message boxes and file
// panels run zenity, web pages and files open with xdg-open, each as a separate process. Everything here
// runs on the host's GUI thread unless a declaration says otherwise.
class IGraphicsLinux : public IGraphics
{
public:
  using IGraphics::OpenWindow;

  // plug: the owning plug-in; w, h: surface size in pixels; refreshFPS: redraw rate (<= 0: 25 per second).
  IGraphicsLinux(IPlugBase* plug, int w, int h, int refreshFPS = 0);
  ~IGraphicsLinux() override;

  // The plug-in's bundle identifier, kept for the plug-in's start-up; resources are found beside the
  // loaded plug-in file whatever it is.
  void SetBundleID(const char* id) { mBundleID = id ? id : ""; }
  const char* GetBundleID() const { return mBundleID.c_str(); }

  // effEditIdle: the window's pending events, the redraw tick when due, painting. Nothing while closed.
  void OnEditIdle() override;
  // The editor's X11 window id, 0 while closed.
  unsigned long GetXWindow() const;
  // The open view, or null (tests and the test host).
  IGraphicsX11View* GetView() const { return mView; }

  // ---- IGraphics window layer ----

  bool DrawScreen(IRECT* r) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  bool WindowIsOpen() override { return mView != nullptr; }
  const char* GetGUIAPI() override { return "X11 gui"; }
  // zenity message box; 1 for the default button (OK, Yes), 7 for the alternate (Cancel of OK/Cancel, No),
  // 2 for the other (Cancel of Yes/No/Cancel), 0 when closed otherwise or when zenity cannot run. Only an
  // explicit No is 7: Escape or a closed window cancels (7 for OK/Cancel, 2 for Yes/No/Cancel, 0 for
  // Yes/No). Any thread; only the GUI thread keeps the editor redrawing meanwhile.
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  // kNeedsZenity after a message box or file dialog that zenity was not there to show.
  const char* DialogFailure() const override { return mDialogFailure.load(); }
  static constexpr const char* kNeedsZenity = "The dialog needs zenity";
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* area, const char* str, IParam* param) override;
  // The loaded plug-in file itself.
  void HostPath(WDL_String* path) override;
  // The folder holding the loaded plug-in file, with "/".
  void PluginPath(WDL_String* path) override;
  // $HOME/Desktop/.
  void DesktopPath(WDL_String* path) override;
  // zenity's file panel. A name typed into the save panel with one of the extensions keeps it once ("My
  // Bank.kvd", not "My Bank.kvd.kvd"), and a file of that name is replaced only when a question says so.
  void PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                     const char* extensions) override;
  // There is no colour dialog: false.
  bool PromptForColor(IColor* color, const char* prompt) override;
  // Opens a web address (a text containing "http") or a file or folder with xdg-open. True only when
  // xdg-open started and did not report a failure.
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  // parentWindow: the host's X11 window id (null: a top-level window of its own). Returns the view, or null
  // when there is no display.
  void* OpenWindow(void* parentWindow) override;
  void CloseWindow() override;
  void* GetWindow() override { return mView; }
  // Reads "resources/..." beside the plug-in file: a new buffer of 4,096,000 bytes (zero-filled) owned by
  // the caller, its length in GetLastLoadedFileSize(); null when missing or unreadable.
  char* OSLoadFile(int id, const char* name) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  // A PNG resource (extension "png" in any case) beside the plug-in file; null for other names.
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  // The pointer's button and modifier state from the X server (Shift or button 1), on a display connection
  // of its own so that any thread may ask; false without a display.
  bool ShiftOrLeftButtonHeld() override;
  // Button 1 alone, asked the same way.
  bool LeftButtonHeld() override;

  // Most bytes OSLoadFile reads of a file; the buffer it returns holds what it read.
  static constexpr int kLoadFileBufferSize = 4096000;

  // The argument list of the zenity call for a message box (exposed for tests). Any thread.
  static std::vector<std::string> MessageBoxArgs(const char* text, const char* caption, int type);
  // The full path of a resource name beside the plug-in file; "" for an empty name, an absolute name or
  // one that climbs out of the folder with "..". Any thread.
  static std::string ResourcePath(const char* name);

private:
  // Keeps the editor drawing while a dialog runs on the GUI thread.
  void PumpWhileWaiting();
  // Gives the plug mutex and the editor lock back for the time of a menu or dialog, so that neither the audio
  // pass nor the MIDI and worker threads' writes to controls are held up while the user chooses. The change
  // handler that raised it finds the plug-in's state as the other threads left it.
  std::unique_ptr<EditorLockRelease> ReleaseEditorLockWhileModal();

  IGraphicsX11View* mView = nullptr;
  std::atomic<const char*> mDialogFailure{""};
  std::string mBundleID;
  std::thread::id mGuiThread;
  // The pointer's button and modifier mask from the X server; false without a display or an answer.
  bool QueryPointerMask(unsigned int* mask);

  // The connection of ShiftOrLeftButtonHeld and LeftButtonHeld, opened on first use and closed with the
  // surface; the lock keeps it to one thread at a time.
  std::mutex mPointerQueryLock;
  struct _XDisplay* mPointerQueryDisplay = nullptr;
  bool mPointerQueryTried = false;
};
