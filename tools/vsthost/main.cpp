// The project's VST 2 test host: loads a plug-in, prints what it reports, runs audio, saves and loads state.
#include "HostEditorWindow.h"
#include "HostReport.h"
#include "VstHost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace
{
constexpr double kSampleRate = 44100.0;
constexpr int kDefaultBlockSize = 512;
constexpr double kDefaultSeconds = 1.0;
constexpr double kTempo = 120.0;
constexpr int kProgramChunk = 1;
constexpr int kBankChunk = 0;
constexpr VstInt32 kFlagsProgramChunks = 1 << 5;
// Wall time beyond a block's CPU time that the report calls time the thread was not running, in ms: less is
// the clocks' own granularity.
constexpr double kNotRunningMs = 0.05;

struct Options
{
  std::string pluginPath;
  double seconds = kDefaultSeconds;
  std::string saveState;
  std::string loadState;
  bool editor = false;
  // The program and bank chunks are given back to the plug-in and compared unless this is set: a recall
  // may talk to hardware for seconds.
  bool roundTrip = true;
  // Without --seconds the editor stays open until its window is closed.
  bool secondsGiven = false;
  std::string screenshot;
  // The host's transport, stopped unless --transport play.
  bool playing = false;
  int blockSize = kDefaultBlockSize;
  bool varyBlockSize = false;
  bool playNotes = false;
};

void printUsage()
{
  std::cerr
      << "usage: vsthost PLUGIN.so [--seconds N] [--save-state FILE] [--load-state FILE]"
         " [--no-round-trip] [--editor]\n"
         "               [--screenshot FILE] [--transport play|stop] [--block-size N] [--vary-block-size]\n"
         "               [--play-notes]\n";
}

bool parseOptions(int argc, char** argv, Options* options)
{
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seconds" && hasValue)
    {
      char* end = nullptr;
      options->seconds = std::strtod(argv[++i], &end);
      options->secondsGiven = true;
      if (!end || *end || options->seconds < 0.0)
      {
        std::cerr << "vsthost: --seconds needs a number of seconds, 0 or more\n";
        return false;
      }
    }
    else if (arg == "--save-state" && hasValue)
    {
      options->saveState = argv[++i];
    }
    else if (arg == "--load-state" && hasValue)
    {
      options->loadState = argv[++i];
    }
    else if (arg == "--no-round-trip")
    {
      options->roundTrip = false;
    }
    else if (arg == "--editor")
    {
      options->editor = true;
    }
    else if (arg == "--transport" && hasValue)
    {
      const std::string state = argv[++i];
      if (state != "play" && state != "stop")
      {
        std::cerr << "vsthost: --transport needs play or stop\n";
        return false;
      }
      options->playing = state == "play";
    }
    else if (arg == "--block-size" && hasValue)
    {
      char* end = nullptr;
      const long frames = std::strtol(argv[++i], &end, 10);
      if (!end || *end || frames < VstHost::kMinBlockSize || frames > VstHost::kMaxBlockSize)
      {
        std::cerr << "vsthost: --block-size needs a number of frames from " << VstHost::kMinBlockSize
                  << " to " << VstHost::kMaxBlockSize << "\n";
        return false;
      }
      options->blockSize = static_cast<int>(frames);
    }
    else if (arg == "--vary-block-size")
    {
      options->varyBlockSize = true;
    }
    else if (arg == "--play-notes")
    {
      options->playNotes = true;
    }
    else if (arg == "--screenshot" && hasValue)
    {
      options->screenshot = argv[++i];
    }
    else if (arg.rfind("--", 0) == 0 || !options->pluginPath.empty())
    {
      std::cerr << "vsthost: unknown or incomplete option " << arg << "\n";
      return false;
    }
    else
    {
      options->pluginPath = arg;
    }
  }
  return !options->pluginPath.empty();
}

bool readFile(const std::string& path, std::vector<unsigned char>* bytes)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
  {
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string headerText(const std::vector<unsigned char>& bytes)
{
  if (bytes.size() < 4)
  {
    return "none";
  }
  std::string text;
  for (size_t i = 0; i < 4; ++i)
  {
    const char c = static_cast<char>(bytes[i]);
    text += (c >= 32 && c < 127) ? c : '.';
  }
  return text;
}

// Saves a chunk, gives it back and saves it again, and tells whether the plug-in took it and the two
// are equal. Plug-ins of others may answer 0 or rewrite their state; only the report says so.
void roundTrip(VstHost& host, int index, const char* label)
{
  const std::vector<unsigned char> first = host.GetChunk(index);
  if (first.empty())
  {
    std::cout << label << " chunk: none\n";
    return;
  }
  const VstIntPtr accepted = host.SetChunk(index, first);
  const std::vector<unsigned char> second = host.GetChunk(index);
  std::cout << label << " chunk: " << first.size() << " bytes, header \"" << headerText(first) << "\", "
            << (accepted == 1 ? "accepted" : "not accepted") << ", round trip "
            << (first == second ? "identical" : "different") << "\n";
}
// One block's cost: wall time against the period, CPU time, faults and switches; wall time beyond the CPU
// time (more than kNotRunningMs) was time the thread did not run: waiting, preempted, or its virtual CPU not
// run by the machine. Then whose its CPU
// time was: the reference (the host's fixed work in every block) shows how much the machine alone added to a
// block's CPU time in this run, at most its longest less its shortest. A block whose CPU time is above the
// plug-in's mean by more than that holds work of the plug-in's that was long; otherwise the machine alone
// could have made it so.
void printBlock(const char* label, const VstHost& host, const VstHost::BlockCost& block, double periodMs)
{
  const double wallMs = block.wallSeconds * 1000.0;
  const double cpuMs = block.cpuSeconds * 1000.0;
  std::cout << label << ": " << wallMs << " ms of " << periodMs << " ms, " << block.startSeconds
            << " s into the run; CPU " << cpuMs << " ms, page faults " << block.minorFaults << " minor "
            << block.majorFaults << " major, switches " << block.preempted << " preempted " << block.waited
            << " waited";
  if (wallMs - cpuMs > kNotRunningMs)
  {
    // Not running without a switch: the machine did not run the thread's CPU (steal).
    std::cout << "; the thread was not running for " << wallMs - cpuMs << " ms"
              << (block.waited > 0      ? " (it waited inside the calls: on a lock, a sleep or I/O)"
                  : block.preempted > 0 ? " (preempted: the machine's)"
                                        : " (without a switch: the machine's, its CPU was stolen)");
  }
  const TimeSpread& reference = host.ReferenceCpu();
  const double machineMs = (reference.longest - reference.shortest) * 1000.0;
  const double meanMs = host.PluginCpu().Mean() * 1000.0;
  const double overMs = std::max(0.0, cpuMs - meanMs);
  std::cout << "\n  whose: CPU " << overMs << " ms over the plug-in's mean of " << meanMs
            << " ms; the machine alone added up to " << machineMs << " ms to the reference in the run ("
            << (block.referenceCpuSeconds - reference.shortest) * 1000.0 << " ms in this block): "
            << (overMs > machineMs
                    ? "the plug-in's work was long (longer than the machine stalled the reference)"
                    : "not shown to be the plug-in's")
            << "\n";
}

void printAudio(VstHost& host, const Options& options, double seconds, float peak)
{
  const int blockSize = options.blockSize;
  std::cout << "audio: " << seconds << " s at " << kSampleRate << " Hz, blocks of "
            << (options.varyBlockSize ? std::to_string(VstHost::kMinBlockSize) + " to " : std::string())
            << blockSize << ", transport " << (options.playing ? "playing" : "stopped") << ", peak " << peak
            << "\n";
  std::cout << "audio thread: " << (host.AudioPriority().empty() ? "none" : host.AudioPriority()) << "\n";
  const double periodMs = 1000.0 * blockSize / kSampleRate;
  const TimeSpread& reference = host.ReferenceCpu();
  if (reference.count > 0)
  {
    std::cout << "reference (the host's fixed work, timed as a block in every block): CPU "
              << reference.shortest * 1000.0 << " ms shortest, " << reference.Mean() * 1000.0 << " ms mean, "
              << reference.longest * 1000.0
              << " ms longest; the machine's steal in the run: " << host.StealSeconds() * 1000.0
              << " ms over its " << std::thread::hardware_concurrency() << " CPUs\n";
    printBlock("longest block", host, host.LongestBlock(), periodMs);
    printBlock("most CPU in a block", host, host.CostliestBlock(), periodMs);
  }
  std::cout << "page faults in blocks: " << host.BlockFaults() << " in " << host.BlocksWithFaults()
            << " blocks\n";
  if (host.BlockFaults() > 0)
  {
    printBlock("most page faults in a block", host, host.FaultiestBlock(), periodMs);
  }
  const VstHost::EventCounts& sent = host.EventsSent();
  std::cout << "events sent: " << sent.Total() << " (note-ons " << sent.noteOns << ", note-offs "
            << sent.noteOffs << ", controllers " << sent.controllers << ")\n";
  std::cout << "host calls: wantMidi " << host.Counts().wantMidi << ", getTime " << host.Counts().getTime
            << ", automate " << host.Counts().automate << ", events " << host.Counts().eventsFromPlugin
            << "\n";
}
} // namespace

int main(int argc, char** argv)
{
  Options options;
  if (!parseOptions(argc, argv, &options))
  {
    printUsage();
    return 2;
  }

  VstHost host;
  if (!host.Load(options.pluginPath))
  {
    std::cerr << "vsthost: " << host.Error() << "\n";
    return 1;
  }
  std::cout << "plugin: " << options.pluginPath << "\n";
  PrintEffectRecord(std::cout, *host.Effect());
  host.Open(kSampleRate, options.blockSize);
  host.SetPlaying(options.varyBlockSize, options.playNotes);
  PrintPluginView(std::cout, host);

  const bool chunks = (host.Effect()->flags & kFlagsProgramChunks) != 0;
  int status = 0;
  if (!options.loadState.empty())
  {
    std::vector<unsigned char> bytes;
    if (!readFile(options.loadState, &bytes))
    {
      std::cerr << "vsthost: cannot read " << options.loadState << "\n";
      return 1;
    }
    const VstIntPtr accepted = host.SetChunk(kBankChunk, bytes);
    std::cout << "state loaded: " << bytes.size() << " bytes from " << options.loadState << ", "
              << (accepted == 1 ? "accepted" : "refused") << "\n";
    status = accepted == 1 ? status : 1;
  }

  host.SetTransport(kTempo, options.playing);
  const bool withEditor = options.editor || !options.screenshot.empty();
  if (!withEditor)
  {
    const float peak = host.RunAudio(options.seconds);
    printAudio(host, options, options.seconds, peak);
  }
  else
  {
    // As in a host with a project open, the audio thread and the transport run for as long as the editor is
    // open: plug-ins send from their audio callback what their editor asks for. The editor stays for the
    // given time or, with --editor alone, until the user closes its window.
    const bool untilClosed = options.editor && !options.secondsGiven && options.screenshot.empty();
    const double editorSeconds = untilClosed ? std::numeric_limits<double>::infinity() : options.seconds;
    host.StartAudio(untilClosed ? kDefaultSeconds / 2 : options.seconds / 2);
    if (HostEditorWindow::Run(host, editorSeconds, options.screenshot, std::cout, std::cerr) != 0)
    {
      status = 1;
    }
    double seconds = 0.0;
    const float peak = host.StopAudio(&seconds);
    printAudio(host, options, seconds, peak);
  }

  if (chunks && options.roundTrip)
  {
    roundTrip(host, kProgramChunk, "program");
    roundTrip(host, kBankChunk, "bank");
  }
  else if (!chunks)
  {
    std::cout << "chunks: not supported by the plug-in\n";
  }

  if (!options.saveState.empty())
  {
    const std::vector<unsigned char> bytes = host.GetChunk(kBankChunk);
    if (bytes.empty() || !writeFile(options.saveState, bytes))
    {
      std::cerr << "vsthost: cannot save the state to " << options.saveState << "\n";
      return 1;
    }
    std::cout << "state saved: " << bytes.size() << " bytes to " << options.saveState << "\n";
  }

  host.Close();
  std::cout << "closed\n";
  return status;
}
