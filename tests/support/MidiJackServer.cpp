// Starts and stops a private jackd for tests.
#include "MidiJackServer.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <jack/jack.h>

namespace
{
constexpr std::chrono::milliseconds kPoll{100};
constexpr std::chrono::seconds kStopGrace{10};
constexpr std::chrono::milliseconds kStopPoll{1};
constexpr int kNamePool = 16;

std::string readFile(const std::string& path)
{
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
} // namespace

MidiJackServer::~MidiJackServer()
{
  stop();
  if (mHold >= 0)
    ::close(mHold);
}

bool MidiJackServer::hold()
{
  // An abstract socket: bound by one process at a time, let go by the kernel when the process ends.
  const std::string name = "korvid-jack-hold:" + mName;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (mHold >= 0 || name.size() + 1 > sizeof address.sun_path)
    return mHold >= 0;
  std::copy(name.begin(), name.end(), address.sun_path + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0)
    mHold = fd;
  else if (fd >= 0)
    ::close(fd);
  return mHold >= 0;
}

bool MidiJackServer::answers() const
{
  jack_status_t status{};
  jack_client_t* probe = jack_client_open(("korvid-test-probe-" + std::to_string(::getpid())).c_str(),
                                          static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                          &status, mName.c_str());
  if (!probe)
    return false;
  jack_client_close(probe);
  return true;
}

std::set<std::string> MidiJackServer::sockets() const
{
  // JACK puts the server's name into the paths of the sockets it listens on.
  const std::string mark = "/jack_" + mName + "_";
  std::set<std::string> sockets;
  std::ifstream table("/proc/net/unix");
  for (std::string line; std::getline(table, line);)
  {
    std::istringstream fields(line);
    std::string slot, refs, protocol, flags, type, state, inode, path;
    if (fields >> slot >> refs >> protocol >> flags >> type >> state >> inode >> path && inode != "0" &&
        path.find(mark) != std::string::npos)
      sockets.insert("socket:[" + inode + "]");
  }
  return sockets;
}

bool MidiJackServer::servedByChild() const
{
  const std::set<std::string> serverSockets = sockets();
  std::error_code error;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(mPid) + "/fd", error))
  {
    if (serverSockets.count(std::filesystem::read_symlink(fd.path(), error).string()))
      return true;
  }
  return false;
}

bool MidiJackServer::start(std::string& error, std::chrono::milliseconds timeout)
{
  if (mPid > 0)
    return true;
  if (!mName.empty())
    return launch(error, timeout);
  // JACK's registry holds eight servers, and one killed outright keeps its entry until a server of the same
  // name starts: names from a small pool reclaim such entries. A name another process holds or serves is
  // passed over; the one taken stays this process's until it ends, so a restart finds it free.
  for (int slot = 0; slot < kNamePool; ++slot)
  {
    mName = "korvid-midi-" + std::to_string((::getpid() + slot) % kNamePool);
    error = "the names of the pool are held or already active";
    if (!hold())
      continue;
    // A server of the name that another process runs (or left frozen) is never asked.
    const bool free = sockets().empty();
    if (free && launch(error, timeout))
      return true;
    ::close(mHold);
    mHold = -1;
    if (free && error.find("already active") == std::string::npos)
      break;
  }
  mName.clear();
  return false;
}

bool MidiJackServer::launch(std::string& error, std::chrono::milliseconds timeout)
{
  mLogPath = "/tmp/" + mName + "-" + std::to_string(::getpid()) + ".log";
  ::setenv("JACK_DEFAULT_SERVER", mName.c_str(), 1);
  ::setenv("JACK_NO_START_SERVER", "1", 1);
  const char* jackd = std::getenv("KORVID_JACKD");
  const std::string program = (jackd && *jackd) ? jackd : "jackd";

  const pid_t parent = ::getpid();
  mPid = ::fork();
  if (mPid < 0)
  {
    error = "fork failed";
    return false;
  }
  if (mPid == 0)
  {
    // Killed outright with the test process, also while paused: a frozen orphan would hold its name for good.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
      ::_exit(127);
    const int log = ::open(mLogPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0)
    {
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
    }
    // No realtime scheduling (CI has no rights for it). Synchronous mode (unless set off) with a long client
    // timeout: the server waits for slow (sanitizer, loaded CI) clients instead of skipping their output.
    const std::string period = std::to_string(mFramesPerPeriod);
    ::execlp(program.c_str(), "jackd", "--no-realtime", mSynchronous ? "--sync" : "--no-realtime", "-n",
             mName.c_str(), "-t", "20000", "-d", "dummy", "-r", "48000", "-p", period.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline)
  {
    int status = 0;
    if (::waitpid(mPid, &status, WNOHANG) == mPid)
    {
      mPid = -1;
      error = "jackd exited at start: " + readFile(mLogPath);
      return false;
    }
    // Another process's server of this name answers too: this child then exits, and the name is passed over.
    if (answers() && servedByChild())
      return true;
    std::this_thread::sleep_for(kPoll);
  }
  error = "jackd did not answer in time: " + readFile(mLogPath);
  stop();
  return false;
}

void MidiJackServer::pause()
{
  if (mPid <= 0 || mPaused)
    return;
  ::kill(mPid, SIGSTOP);
  mPaused = true;
  // kill returns before the server has stopped: the stop begins only once the thread given the signal runs,
  // and on a loaded machine the other threads answer requests meanwhile. The parent is told when all have.
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline)
  {
    const pid_t changed = ::waitpid(mPid, &status, WNOHANG | WUNTRACED);
    if (changed == mPid && !WIFSTOPPED(status))
      mPid = -1;
    if (changed != 0)
      return;
    std::this_thread::sleep_for(kStopPoll);
  }
}

void MidiJackServer::resume()
{
  if (mPid > 0)
    ::kill(mPid, SIGCONT);
  mPaused = false;
}

std::set<std::string> MidiJackServer::clientsMapped(const std::string& prefix) const
{
  std::set<std::string> names;
  const std::string file = "/dev/shm/jack_sem." + std::to_string(::getuid()) + "_" + mName + "_";
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find(file + prefix) != line.npos && line.find(" (deleted)") == line.npos)
      names.insert(line.substr(line.find(file) + file.size()));
  return names;
}

std::string MidiJackServer::log() const
{
  return mPid > 0 ? readFile(mLogPath) : std::string();
}

void MidiJackServer::stop(int signal)
{
  if (mPid <= 0)
    return;
  resume();
  ::kill(mPid, signal);
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  int status = 0;
  while (::waitpid(mPid, &status, WNOHANG) == 0)
  {
    if (std::chrono::steady_clock::now() >= deadline)
    {
      ::kill(mPid, SIGKILL);
      ::waitpid(mPid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(kPoll);
  }
  mPid = -1;
  ::unlink(mLogPath.c_str());
}
