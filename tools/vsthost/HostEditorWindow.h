// The test host's editor window: a top-level X11 window holding the plug-in's editor, idled every 20 ms.
#pragma once

#include <iosfwd>
#include <string>

class VstHost;
struct _XDisplay;

// Opens the plug-in's editor (effEditOpen with the X11 window id) in a top-level window of its own, pumps
// effEditIdle as a host's GUI thread does, saves a PNG of the window and closes the editor. Lives on the
// thread that drives the host.
class HostEditorWindow
{
public:
  // How often a host idles its editors, in milliseconds.
  static constexpr int kIdleIntervalMs = 20;

  // The test host's --editor and --screenshot options: opens the editor, pumps it for seconds, writes the
  // screenshot when file is not empty, closes it; reports each step on out, errors on err. 0, or 1 when a
  // step failed.
  static int Run(VstHost& host, double seconds, const std::string& file, std::ostream& out,
                 std::ostream& err);

  explicit HostEditorWindow(VstHost& host);
  // Closes the editor and the window.
  ~HostEditorWindow();
  HostEditorWindow(const HostEditorWindow&) = delete;
  HostEditorWindow& operator=(const HostEditorWindow&) = delete;

  // effEditGetRect, the window, effEditOpen. False with Error() set when there is no display, no editor
  // or the plug-in refuses to open it.
  bool Open();
  // Calls effEditIdle every 20 ms for seconds (at least once; an infinite time runs until the user closes
  // the window), handling the window's own events. Returns early when the user closes the window.
  void Pump(double seconds);
  // Writes the window's contents (the editor included) as a PNG file. False when closed or unwritable.
  bool SaveScreenshot(const std::string& file);
  // effEditClose, then the window goes. Harmless when closed.
  void Close();

  bool IsOpen() const { return mWindow != 0; }
  const std::string& Error() const { return mError; }
  // The top-level window (0 when closed) and the number of windows inside it, for leak checks.
  unsigned long XWindow() const { return mWindow; }
  int ChildWindowCount() const;
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

private:
  VstHost& mHost;
  _XDisplay* mDisplay = nullptr;
  unsigned long mWindow = 0;
  // The window manager's "close" message for our window.
  unsigned long mDeleteAtom = 0;
  int mWidth = 0;
  int mHeight = 0;
  std::string mError;
};
