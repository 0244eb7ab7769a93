// The test host as a DAW: its audio thread runs while the editor is open, so a multi edit made in the
// editor (sent from the audio callback once the mouse button is up) reaches a simulated synthesizer.
// The host runs as its own process, driven through the X server as a user would.
#include <gtest/gtest.h>

#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "MidiJackServer.h"
#include "MidiJackSynth.h"
#include "MultiDumpLayout.h"
#include "TempDir.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace
{
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kPluginPath = std::string(KORVID_BINARY_DIR) + "/Korvid Editor/Korvid Editor.so";
const std::string kHostPath = std::string(KORVID_BINARY_DIR) + "/tools/vsthost/vsthost";

// Where the controls lie in the editor at the "Normal" size.
struct Point
{
  int x;
  int y;
};
constexpr Point kMidiOutField{917, 53};
constexpr Point kMidiInField{917, 77};
constexpr Point kPart1Pan{443, 285};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
  const auto end = Clock::now() + timeout;
  while (!condition())
  {
    if (Clock::now() > end)
      return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The test host as a child process with its output in a file; killed if the test ends early.
class HostProcess
{
public:
  bool start(const std::vector<std::string>& arguments, const std::string& outputFile)
  {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kHostPath.c_str()));
    for (const std::string& a : arguments)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool started = posix_spawn(&mPid, kHostPath.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started;
  }

  // Its exit status, or -1 when it has not ended within the timeout.
  int wait(std::chrono::milliseconds timeout)
  {
    int status = 0;
    const bool ended = waitFor([&] { return waitpid(mPid, &status, WNOHANG) == mPid; }, timeout);
    if (!ended)
      return -1;
    mPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // How a host still running when the test ends is asked to close, as its user would.
  void closeWith(std::function<void()> askToClose) { mAskToClose = std::move(askToClose); }

  // A host still running is asked to close first: one killed outright leaves its JACK client behind in the
  // server's graph, and the synchronous server then stalls every other client's closing.
  ~HostProcess()
  {
    if (mPid <= 0)
      return;
    if (mAskToClose)
    {
      mAskToClose();
      if (wait(30s) != -1 || mPid <= 0)
        return;
    }
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }

private:
  pid_t mPid = -1;
  std::function<void()> mAskToClose;
};

// A user at the X server: finds windows, clicks, drags, presses keys.
class User
{
public:
  // Windows of other clients may go between listing and asking about them: such errors are ignored.
  User() : mDisplay(XOpenDisplay(nullptr))
  {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~User()
  {
    if (mDisplay)
      XCloseDisplay(mDisplay);
  }
  bool connected() const { return mDisplay != nullptr; }

  // The top-level window with the name, or 0.
  Window findWindow(const char* name)
  {
    Window found = 0;
    forEachTopLevel(
        [&](Window w, const XWindowAttributes&)
        {
          char* title = nullptr;
          if (XFetchName(mDisplay, w, &title) && title)
          {
            if (std::string(title) == name)
              found = w;
            XFree(title);
          }
        });
    return found;
  }

  // Popup menus are the mapped override-redirect windows.
  int openMenus()
  {
    int count = 0;
    forEachTopLevel([&](Window, const XWindowAttributes& a)
                    { count += a.override_redirect && a.map_state == IsViewable ? 1 : 0; });
    return count;
  }

  void moveTo(Window window, Point p)
  {
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(mDisplay, window, DefaultRootWindow(mDisplay), p.x, p.y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), rootX, rootY, CurrentTime);
    XFlush(mDisplay);
  }
  void button(bool down)
  {
    XTestFakeButtonEvent(mDisplay, 1, down ? True : False, CurrentTime);
    XFlush(mDisplay);
  }
  void key(KeySym symbol)
  {
    const KeyCode code = XKeysymToKeycode(mDisplay, symbol);
    XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
    XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
    XFlush(mDisplay);
  }

  // True once a child window of window (the plug-in's view, made while the host opens its editor) is
  // mapped: clicks before that land on the bare host window and are lost.
  bool hasViewableChild(Window window)
  {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(mDisplay, window, &root, &parent, &children, &count))
      return false;
    bool viewable = false;
    for (unsigned int i = 0; i < count; ++i)
    {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(mDisplay, children[i], &attributes) && attributes.map_state == IsViewable)
        viewable = true;
    }
    if (children)
      XFree(children);
    return viewable;
  }

  // Opens the port menu of a field and chooses entry (0 is "OFF") with the keys. Empty when done, otherwise
  // what went wrong.
  std::string chooseEntry(Window window, Point field, int entry)
  {
    // While a transfer's overlay covers the editor a click opens nothing: click again until the menu opens.
    bool opened = false;
    for (auto end = Clock::now() + 60s; !opened && Clock::now() < end;)
    {
      moveTo(window, field);
      button(true);
      button(false);
      opened = waitFor([&] { return openMenus() > 0; }, 2s);
    }
    if (!opened)
      return "the menu did not open";
    for (int step = 0; step <= entry; ++step)
      key(XK_Down);
    key(XK_Return);
    if (!waitFor([&] { return openMenus() == 0; }, 20s))
      return "the menu did not close";
    return "";
  }

  // Drags from p upwards by steps of a few pixels, as a hand turns a knob, and lets go.
  void dragUp(Window window, Point p)
  {
    moveTo(window, p);
    button(true);
    for (int step = 1; step <= 8; ++step)
    {
      std::this_thread::sleep_for(15ms);
      moveTo(window, {p.x, p.y - 4 * step});
    }
    std::this_thread::sleep_for(15ms);
    button(false);
  }

  // The window manager's "close" for the window: the host ends as when the user closes it.
  void close(Window window)
  {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(mDisplay, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(mDisplay, "WM_DELETE_WINDOW", False));
    XSendEvent(mDisplay, window, False, NoEventMask, &event);
    XFlush(mDisplay);
  }

private:
  template <class Visit> void forEachTopLevel(Visit visit)
  {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(mDisplay, DefaultRootWindow(mDisplay), &root, &parent, &children, &count))
      return;
    for (unsigned int i = 0; i < count; ++i)
    {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(mDisplay, children[i], &attributes))
        visit(children[i], attributes);
    }
    if (children)
      XFree(children);
  }

  Display* mDisplay;
};

int part1Pan(BlofeldSimulator& simulator)
{
  const BlofeldSimulator::Bytes multi = simulator.multiEditBuffer();
  const size_t at = MultiDumpLayout::kFirstPartBlock + MultiDumpLayout::kBlockPan;
  return at < multi.size() ? multi[at] : -1;
}
} // namespace

TEST(HostAudioTest, AMultiEditInTheOpenEditorReachesTheSynthesizer)
{
  if (std::filesystem::exists("/dev/snd/seq"))
    GTEST_SKIP() << "an ALSA sequencer is here: the plug-in would list its ports, not the JACK server's";
  User user;
  ASSERT_TRUE(user.connected()) << "no X display";
  std::string error;
  MidiJackServer server;
  ASSERT_TRUE(server.start(error)) << "JACK server did not start: " << error;
  MidiJackSynth client;
  ASSERT_TRUE(client.open(server.name(), "korvid-host-sim", error)) << error;
  BlofeldSimulator simulator(0);
  BlofeldSimulatorJack link(simulator, client);

  // A data folder with the first-run question answered, so no notice covers the editor.
  korvidtest::TempDir data("korvid-host-audio");
  const std::filesystem::path folder = data.path / "Quillmarsh" / "Korvid Editor";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Korvid Editor UI.txt") << "white\nnormal\nyes\n";
  setenv("XDG_DATA_HOME", data.path.c_str(), 1);

  const std::string output = (data.path / "host.txt").string();
  Window window = 0;
  HostProcess host;
  // The editor stays until its window is closed; the transport is stopped, as by default.
  ASSERT_TRUE(host.start({kPluginPath, "--editor"}, output));
  ASSERT_TRUE(waitFor([&] { return (window = user.findWindow("vsthost editor")) != 0; }, 60s));
  host.closeWith([&] { user.close(window); });
  // The host names and maps its window before the plug-in opens its view in it.
  ASSERT_TRUE(waitFor([&] { return user.hasViewableChild(window); }, 60s)) << "the editor did not open";

  // The input first, then the output, whose choice starts the device-id probe the simulator answers.
  ASSERT_EQ(user.chooseEntry(window, kMidiInField, 1), "") << "MIDI IN";
  ASSERT_EQ(user.chooseEntry(window, kMidiOutField, 1), "") << "MIDI OUT";

  // Edits made while the probe's overlay covers the editor go nowhere: turn the knob until one lands. The
  // editor starts with the panning in the centre; turned up, it lies right of it.
  constexpr int kCentre = 64;
  bool arrived = false;
  for (auto end = Clock::now() + 60s; !arrived && Clock::now() < end;)
  {
    user.dragUp(window, kPart1Pan);
    arrived = waitFor([&] { return part1Pan(simulator) > kCentre; }, 2s);
  }
  EXPECT_TRUE(arrived) << "no multi dump with part 1's new panning arrived: " << part1Pan(simulator);

  // The output off again, so that the host's state round trip after the editor sends nothing, then the window
  // closed as the user closes it.
  EXPECT_EQ(user.chooseEntry(window, kMidiOutField, 0), "") << "MIDI OUT off";
  user.close(window);
  EXPECT_EQ(host.wait(60s), 0);
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("transport stopped"), std::string::npos) << text.str();
  unsetenv("XDG_DATA_HOME");
}
