// The MIDI clock: the jitter of its ticks where a synthesizer takes them (a JACK client on a private server
// with short cycles), and the processor time its thread takes per second of running.
#include "DeviceBenchSupport.h"
#include "MIDIMessageManager.h"
#include "MidiFakeSystem.h"
#include "MidiJackServer.h"
#include "MidiJackSynth.h"
#include "ParamIndex.h"
#include "RtMidiBackend.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <dirent.h>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

using devicebench::DevicePlug;

namespace
{
constexpr int kTempo = 120;
// 16 frames at 48 kHz: arrivals are seen to a third of a millisecond.
constexpr int kFramesPerPeriod = 16;
constexpr auto kJitterRun = std::chrono::seconds(10);
constexpr auto kCpuRun = std::chrono::seconds(1);

std::unique_ptr<IMidiPorts::Backend> jackOnly()
{
  return std::make_unique<RtMidiBackend>("/nonexistent/snd/seq");
}

// The plug-in's clock on its chosen output port at kTempo, started and stopped around a measurement.
void startClock(Korvid& plug)
{
  plug.mOutputPresent = true;
  plug.mClockFlag = true;
  plug.mHostTempo = kTempo;
  plug.GetParam(kOverrideTempo)->Set(1.0);
  plug.mMIDIMessageManager->sender->resetContinuousClock(false);
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobContinuousClock;
  plug.mMIDIMessageManager->post(args);
}

void stopClock(Korvid& plug)
{
  plug.mMIDIMessageManager->sender->resetContinuousClock(true);
  while (plug.mMIDIMessageManager->isRunning(MIDIMessageManager::Thread::Clock))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::set<std::string> threadIds()
{
  std::set<std::string> ids;
  if (DIR* dir = opendir("/proc/self/task"))
  {
    while (const dirent* entry = readdir(dir))
    {
      if (entry->d_name[0] != '.')
        ids.insert(entry->d_name);
    }
    closedir(dir);
  }
  return ids;
}

// Nanoseconds a thread of this process has run so far (the first field of its schedstat).
double runNs(const std::string& id)
{
  std::ifstream in("/proc/self/task/" + id + "/schedstat");
  double ns = 0.0;
  in >> ns;
  return ns;
}
} // namespace

// Standard deviation of the spacing of Timing Clock ticks over 10 s at 120 BPM (20.83 ms apart), measured
// at the receiving JACK client.
static void BM_DeviceClockJitterOverJack(benchmark::State& state)
{
  MidiJackServer server;
  server.setFramesPerPeriod(kFramesPerPeriod);
  std::string error;
  if (!server.start(error))
  {
    state.SkipWithError(("JACK server did not start: " + error).c_str());
    return;
  }
  MidiJackSynth client;
  if (!client.open(server.name(), "korvid-clock-bench", error))
  {
    state.SkipWithError(error.c_str());
    return;
  }
  IMidiPorts::SetBackendFactory(&jackOnly);
  std::vector<double> spacings;
  // Tick i belongs at phase + i * interval, the earliest phase marking the schedule: how late the first and
  // the last quarter of a run come at best (a tempo off or a schedule that drifts moves one end).
  const double expected = static_cast<double>(MIDIMessageSender::clockIntervalNs(kTempo)) / 1e9;
  double startLate = 0.0;
  double endLate = 0.0;
  {
    DevicePlug device;
    Korvid& plug = *device.plug;
    plug.getExternalMIDIOutNames();
    int out = 1;
    plug.setExternalMIDIOut(out, client.inPortName().c_str());
    for (auto _ : state)
    {
      client.clearReceived();
      startClock(plug);
      std::this_thread::sleep_for(kJitterRun);
      stopClock(plug);
      const std::vector<double> times = client.arrivalTimes();
      for (size_t i = 1; i < times.size(); ++i)
        spacings.push_back(times[i] - times[i - 1]);
      std::vector<double> phases;
      for (size_t i = 0; i < times.size(); ++i)
        phases.push_back(times[i] - static_cast<double>(i) * expected);
      const auto quarter = static_cast<long>(phases.size() / 4);
      if (quarter > 0)
      {
        const double earliest = *std::min_element(phases.begin(), phases.end());
        startLate =
            std::max(startLate, *std::min_element(phases.begin(), phases.begin() + quarter) - earliest);
        endLate = std::max(endLate, *std::min_element(phases.end() - quarter, phases.end()) - earliest);
      }
    }
  }
  IMidiPorts::SetBackendFactory(nullptr);
  client.close();
  if (spacings.empty())
  {
    state.SkipWithError("no tick arrived");
    return;
  }
  double mean = 0.0;
  for (double s : spacings)
    mean += s;
  mean /= static_cast<double>(spacings.size());
  double variance = 0.0;
  double worst = 0.0;
  for (double s : spacings)
  {
    variance += (s - mean) * (s - mean);
    worst = std::max(worst, std::abs(s - expected));
  }
  variance /= static_cast<double>(spacings.size());
  state.counters["ticks"] = static_cast<double>(spacings.size() + 1);
  state.counters["mean_spacing_us"] = mean * 1e6;
  state.counters["jitter_sd_us"] = std::sqrt(variance) * 1e6;
  state.counters["worst_us"] = worst * 1e6;
  state.counters["start_late_us"] = startLate * 1e6;
  state.counters["end_late_us"] = endLate * 1e6;
  state.counters["jack_cycle_us"] = kFramesPerPeriod / 48000.0 * 1e6;
}
BENCHMARK(BM_DeviceClockJitterOverJack)->Iterations(1)->Unit(benchmark::kSecond);

// Processor time the clock thread takes per second while it sends 120 BPM to a port (in-process MIDI system).
static void BM_DeviceClockThreadCpuPerSecond(benchmark::State& state)
{
  std::shared_ptr<MidiFakeSystem> midi = MidiFakeSystem::create();
  midi->setOutputPorts({"Clock Out"});
  MidiFakeSystem::installAsDefault(midi);
  double ranNs = 0.0;
  double ranFor = 0.0;
  {
    DevicePlug device;
    Korvid& plug = *device.plug;
    plug.getExternalMIDIOutNames();
    int out = 1;
    plug.setExternalMIDIOut(out, "Clock Out");
    const std::set<std::string> before = threadIds();
    startClock(plug);
    std::string clockThread;
    for (const std::string& id : threadIds())
    {
      if (!before.count(id))
        clockThread = id;
    }
    for (auto _ : state)
    {
      const auto start = std::chrono::steady_clock::now();
      const double first = runNs(clockThread);
      std::this_thread::sleep_for(kCpuRun);
      ranNs += runNs(clockThread) - first;
      ranFor += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    stopClock(plug);
    if (clockThread.empty())
      state.SkipWithError("the clock thread was not found");
  }
  MidiFakeSystem::installAsDefault(nullptr);
  state.counters["cpu_us_per_s"] = ranFor > 0.0 ? ranNs / 1e3 / ranFor : 0.0;
}
BENCHMARK(BM_DeviceClockThreadCpuPerSecond)->Iterations(1)->Unit(benchmark::kSecond);
