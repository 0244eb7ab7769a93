// Runs a helper program (zenity, xdg-open) as a separate process from an argument list, never a shell.
#pragma once

#include <functional>
#include <string>
#include <vector>

// One run of a program found on PATH. Standard input is /dev/null, standard output is collected, the
// plug-in's other file descriptors are not inherited. Editor thread (any thread when no pump is given).
class ChildProcess
{
public:
  // How a run ended.
  enum class Outcome
  {
    kNotStarted, // the program is missing or could not be executed
    kExited,     // it ended; ExitCode() and Output() tell how
    kRunning,    // still running when the wait ended; it is reaped later (ReapFinished)
  };

  // argv[0] is the program name, looked up on PATH; the other entries are passed unchanged. Without
  // captureOutput the program writes to the plug-in's own standard output (for programs that start others,
  // which would inherit the pipe).
  explicit ChildProcess(std::vector<std::string> argv, bool captureOutput = true);

  // Starts the program and waits for it, calling pump about every 10 ms meanwhile (may be empty), for at
  // most timeoutMs milliseconds (< 0: no limit). A missing program writes a line to standard error.
  Outcome Run(const std::function<void()>& pump, int timeoutMs = -1);

  // Exit status (0..255) of an exited program; -1 when it was killed by a signal or unknown.
  int ExitCode() const { return mExitCode; }
  // What the program wrote to its standard output.
  const std::string& Output() const { return mOutput; }
  // The error of a run that did not start (errno value).
  int StartError() const { return mStartError; }

  // Collects programs left running by earlier runs that have ended since. Editor thread.
  static void ReapFinished();

private:
  std::vector<std::string> mArgv;
  bool mCaptureOutput;
  std::string mOutput;
  int mExitCode = -1;
  int mStartError = 0;
};
