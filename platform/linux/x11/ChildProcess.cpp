// Helper programs run with posix_spawnp and waited for while the editor keeps pumping its window.
#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace
{
constexpr int kPumpIntervalMs = 10;
constexpr size_t kReadChunk = 4096;
// Output beyond this is dropped: the helpers print one path or one button label.
constexpr size_t kMaxOutput = 1 << 20;

std::mutex& leftRunningLock()
{
  static std::mutex lock;
  return lock;
}

std::vector<pid_t>& leftRunning()
{
  static std::vector<pid_t> pids;
  return pids;
}

// Decodes a waitpid status into an exit code, -1 for a signal.
int exitCodeOf(int status)
{
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, bool captureOutput)
    : mArgv(std::move(argv)), mCaptureOutput(captureOutput)
{
}

ChildProcess::Outcome ChildProcess::Run(const std::function<void()>& pump, int timeoutMs)
{
  mOutput.clear();
  mExitCode = -1;
  mStartError = 0;
  if (mArgv.empty() || mArgv[0].empty())
  {
    mStartError = EINVAL;
    return Outcome::kNotStarted;
  }

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
  {
    mStartError = errno;
    std::fprintf(stderr, "Korvid Editor: cannot run %s: %s\n", mArgv[0].c_str(), std::strerror(mStartError));
    return Outcome::kNotStarted;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (mCaptureOutput)
  {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // The host's descriptors (sockets, audio devices) stay out of the helper.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
  std::vector<char*> argv;
  for (std::string& arg : mArgv)
  {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int spawnError = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  // Never blocks on a pipe that a program started by the helper keeps open.
  fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
  if (spawnError != 0)
  {
    close(pipeFds[0]);
    mStartError = spawnError;
    std::fprintf(stderr, "Korvid Editor: cannot run %s: %s\n", mArgv[0].c_str(), std::strerror(spawnError));
    return Outcome::kNotStarted;
  }

  const auto start = std::chrono::steady_clock::now();
  bool pipeOpen = true;
  for (;;)
  {
    if (pipeOpen)
    {
      pollfd fd{pipeFds[0], POLLIN, 0};
      if (poll(&fd, 1, kPumpIntervalMs) > 0)
      {
        char buffer[kReadChunk];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0)
        {
          if (mOutput.size() < kMaxOutput)
          {
            mOutput.append(buffer, static_cast<size_t>(n));
          }
        }
        else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        {
          pipeOpen = false;
        }
      }
    }
    else
    {
      usleep(kPumpIntervalMs * 1000);
    }

    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid)
    {
      mExitCode = exitCodeOf(status);
      break;
    }
    if (done < 0 && errno == ECHILD)
    {
      // The host ignores SIGCHLD, so the status is gone; the end of the output marks the end of the run.
      if (!pipeOpen)
      {
        mExitCode = !mCaptureOutput ? -1 : (mOutput.empty() ? 1 : 0);
        break;
      }
    }
    if (pump)
    {
      pump();
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    if (timeoutMs >= 0 && elapsed >= timeoutMs)
    {
      close(pipeFds[0]);
      std::lock_guard<std::mutex> lock(leftRunningLock());
      leftRunning().push_back(pid);
      return Outcome::kRunning;
    }
  }
  // Whatever is still buffered in the pipe.
  for (;;)
  {
    char buffer[kReadChunk];
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0 || mOutput.size() >= kMaxOutput)
    {
      break;
    }
    mOutput.append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  return Outcome::kExited;
}

void ChildProcess::ReapFinished()
{
  std::lock_guard<std::mutex> lock(leftRunningLock());
  std::vector<pid_t>& pids = leftRunning();
  for (size_t i = 0; i < pids.size();)
  {
    int status = 0;
    const pid_t done = waitpid(pids[i], &status, WNOHANG);
    if (done == pids[i] || (done < 0 && errno == ECHILD))
    {
      pids.erase(pids.begin() + static_cast<std::ptrdiff_t>(i));
    }
    else
    {
      ++i;
    }
  }
}
