// Cold start-up as a host meets the plug-in: each iteration is a fresh process that loads the built
// "Korvid Editor.so" with its real resources and creates the first instance through the entry point, with
// an empty library and with one of 1,000 bank files. The time is that of the entry point's call; the
// process's private memory after it is printed beside it. The warm case (further instances in one process)
// is KorvidBench's.
#include "ColdStart.h"
#include "MadeBanks.h"
#include "VstAbi.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kPluginPath = KORVID_BINARY_DIR "/Korvid Editor/Korvid Editor.so";
constexpr int kBankFiles = 1000;
constexpr int kBankFolders = 20;
constexpr int kSoundsPerBank = 128;
constexpr int kRepetitions = 5;

// Private memory of this process (clean and dirty pages no other process shares), in kilobytes; -1 when
// the kernel does not tell.
long privateKilobytes()
{
  std::ifstream in("/proc/self/smaps_rollup");
  std::string key;
  long total = -1;
  while (in >> key)
  {
    if (key == "Private_Clean:" || key == "Private_Dirty:")
    {
      long kb = 0;
      in >> kb;
      total = (total < 0 ? 0 : total) + kb;
    }
    in.ignore(1 << 10, '\n');
  }
  return total;
}

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
  return std::chrono::duration<double>(to - from).count();
}

// A host that answers only the version question.
VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

// What one child process measured.
struct ChildFigures
{
  double loadSeconds = 0.0;
  double constructSeconds = 0.0;
  long baselineKb = 0;
  long privateKb = 0;
};

// A data home (XDG_DATA_HOME) with the plug-in's data folder and a library of bankCount made bank files in
// kBankFolders folders, made once per benchmark run and removed at its end.
class DataHome
{
public:
  explicit DataHome(int bankCount)
  {
    char pattern[] = "/tmp/korvid-cold-start-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
    {
      return;
    }
    root = pattern;
    const fs::path patches = fs::path(root) / "Quillmarsh" / "Korvid Editor" / "Patches";
    fs::create_directories(patches);
    for (int file = 0; file < bankCount; ++file)
    {
      const fs::path folder = patches / ("Folder " + std::to_string(file % kBankFolders));
      fs::create_directories(folder);
      const std::vector<unsigned char> bank = korvidtest::madeBank(file * kSoundsPerBank, kSoundsPerBank);
      std::ofstream out(folder / ("Bank " + std::to_string(file) + ".syx"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(bank.data()), static_cast<std::streamsize>(bank.size()));
    }
  }
  ~DataHome()
  {
    if (!root.empty())
    {
      std::error_code ignored;
      fs::remove_all(root, ignored);
    }
  }
  DataHome(const DataHome&) = delete;
  DataHome& operator=(const DataHome&) = delete;

  std::string root;
};

// Runs this executable as a cold start-up child on the data home and reads its figures.
bool runChild(const std::string& dataHome, ChildFigures& figures)
{
  int fds[2];
  if (::pipe(fds) != 0)
  {
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  // What the MIDI libraries say about a machine without MIDI is no figure of the benchmark.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::string self = "/proc/self/exe";
  std::string flag = coldstart::kChildFlag;
  std::string home = dataHome;
  char* argv[] = {self.data(), flag.data(), home.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string output;
  char buffer[256];
  ssize_t n = 0;
  while (spawned == 0 && (n = ::read(fds[0], buffer, sizeof(buffer))) > 0)
  {
    output.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
  {
    return false;
  }
  return std::sscanf(output.c_str(), "%lf %lf %ld %ld", &figures.loadSeconds, &figures.constructSeconds,
                     &figures.baselineKb, &figures.privateKb) == 4;
}

void coldConstruct(benchmark::State& state, DataHome& home)
{
  if (home.root.empty() || !fs::exists(kPluginPath))
  {
    state.SkipWithError("no data home or no built plug-in");
    return;
  }
  ChildFigures figures;
  for (auto _ : state)
  {
    if (!runChild(home.root, figures))
    {
      state.SkipWithError("the cold start-up child failed");
      return;
    }
    state.SetIterationTime(figures.constructSeconds);
  }
  state.counters["load_ms"] = figures.loadSeconds * 1000.0;
  state.counters["private_MB"] = static_cast<double>(figures.privateKb) / 1024.0;
  state.counters["before_load_MB"] = static_cast<double>(figures.baselineKb) / 1024.0;
  state.SetLabel("first instance in a fresh process");
}

void BM_KorvidColdConstructEmptyLibrary(benchmark::State& state)
{
  static DataHome home(0);
  coldConstruct(state, home);
}
BENCHMARK(BM_KorvidColdConstructEmptyLibrary)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_KorvidColdConstruct1000Banks(benchmark::State& state)
{
  static DataHome home(kBankFiles);
  coldConstruct(state, home);
}
BENCHMARK(BM_KorvidColdConstruct1000Banks)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
} // namespace

int coldstart::runChild(int argc, char** argv)
{
  if (argc < 3)
  {
    return 2;
  }
  ::setenv("XDG_DATA_HOME", argv[2], 1);
  const long baselineKb = privateKilobytes();
  const Clock::time_point start = Clock::now();
  void* library = ::dlopen(kPluginPath, RTLD_NOW | RTLD_LOCAL);
  if (!library)
  {
    std::fprintf(stderr, "%s\n", ::dlerror());
    return 3;
  }
  using Entry = AEffect* (*)(audioMasterCallback);
  auto entry = reinterpret_cast<Entry>(::dlsym(library, "VSTPluginMain"));
  const Clock::time_point loaded = Clock::now();
  AEffect* effect = entry ? entry(hostCallback) : nullptr;
  const Clock::time_point constructed = Clock::now();
  if (!effect)
  {
    return 4;
  }
  const long privateKb = privateKilobytes();
  std::printf("%.9f %.9f %ld %ld\n", secondsBetween(start, loaded), secondsBetween(loaded, constructed),
              baselineKb, privateKb);
  std::fflush(stdout);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
