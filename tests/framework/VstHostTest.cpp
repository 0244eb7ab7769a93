// The test host against the plug-in we build and against a VST 2 plug-in from Debian.
#include "BlockClock.h"
#include "HostReport.h"
#include "VstHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <pthread.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
const std::string kPluginPath = std::string(KORVID_BINARY_DIR) + "/Korvid Editor/Korvid Editor.so";
const std::string kHostPath = std::string(KORVID_BINARY_DIR) + "/tools/vsthost/vsthost";

// Runs the test host with arguments; returns its exit status and fills output with its standard output.
int runHost(const std::string& arguments, std::string* output)
{
  const std::string command = "\"" + kHostPath + "\" " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
  {
    return -1;
  }
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
  {
    output->append(buffer, n);
  }
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string tempPath(const char* name)
{
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/korvid-vsthost-" + std::to_string(getpid()) + "-" + name;
}
} // namespace

TEST(VstHostTest, ThePluginShowsItsRecordAndNames)
{
  VstHost host;
  ASSERT_TRUE(host.Load(kPluginPath)) << host.Error();
  const AEffect* e = host.Effect();
  EXPECT_EQ(e->numParams, 0);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->initialDelay, 128);
  EXPECT_EQ(e->flags & 0x100, 0x100);
  EXPECT_EQ(e->flags & 0x8, 0);
  EXPECT_EQ(e->version, 10203);
  EXPECT_EQ(FourCCText(e->uniqueID), "kv2w");

  host.Open(44100.0, 256);
  EXPECT_EQ(host.DispatchString(effGetEffectName, 0, kVstEffectNameLen), "Korvid Editor");
  EXPECT_EQ(host.DispatchString(effGetVendorString, 0, kVstVendorStrLen), "Quillmarsh");
  EXPECT_EQ(host.DispatchString(effGetProductString, 0, kVstProductStrLen), "");
  EXPECT_EQ(host.Dispatch(effGetVendorVersion), 0x010203);
  EXPECT_EQ(host.Dispatch(effGetPlugCategory), 2);
  EXPECT_GE(host.Counts().productString.load(), 1);

  std::ostringstream report;
  PrintPluginView(report, host);
  EXPECT_NE(report.str().find("input 0: \"Input 1\" active stereo"), std::string::npos) << report.str();
  EXPECT_EQ(report.str().find("<buffer overrun>"), std::string::npos);

  // The default pass copies the inputs' test tone through.
  EXPECT_GT(host.ProcessBlock(), 0.1f);
  EXPECT_GT(host.ProcessBlockDouble(), 0.1);
  EXPECT_GE(host.Counts().wantMidi.load(), 2);
  EXPECT_EQ(host.Counts().automate.load(), 0);
}

// A block's CPU time is read inside its wall window: never above its wall time, also for blocks of little or
// no work, where the clocks' own readings are most of what is timed.
TEST(VstHostTest, ABlocksCpuTimeIsNeverAboveItsWallTime)
{
  const auto origin = std::chrono::steady_clock::now();
  volatile double sink = 0.0;
  for (int block = 0; block < 10000; ++block)
  {
    const BlockCost cost = TimeBlock(
        [&]
        {
          for (int i = 0; i < block % 100; ++i)
            sink = sink + i;
        },
        origin);
    ASSERT_LE(cost.cpuSeconds, cost.wallSeconds) << "block " << block;
  }
}

TEST(VstHostTest, StateChunkRoundTripsWithTheHeader)
{
  VstHost host;
  ASSERT_TRUE(host.Load(kPluginPath)) << host.Error();
  host.Open(48000.0, 128);
  for (int index : {0, 1})
  {
    const std::vector<unsigned char> chunk = host.GetChunk(index);
    ASSERT_GE(chunk.size(), 8u);
    EXPECT_EQ(std::string(chunk.begin(), chunk.begin() + 4), "tffp");
    EXPECT_EQ(host.SetChunk(index, chunk), 1);
    EXPECT_EQ(host.GetChunk(index), chunk);
  }
  EXPECT_EQ(host.SetChunk(1, {'t', 'f', 'f', 'p'}), 0);
}

TEST(VstHostTest, CommandLineSavesAndLoadsState)
{
  const std::string statePath = tempPath("state.bin");
  std::string first;
  ASSERT_EQ(runHost("\"" + kPluginPath + "\" --seconds 0.2 --save-state \"" + statePath + "\"", &first), 0)
      << first;
  EXPECT_NE(first.find("numParams: 0\n"), std::string::npos) << first;
  EXPECT_NE(first.find("numPrograms: 1\n"), std::string::npos);
  EXPECT_NE(first.find("numInputs: 2\n"), std::string::npos);
  EXPECT_NE(first.find("numOutputs: 2\n"), std::string::npos);
  EXPECT_NE(first.find("initialDelay: 128\n"), std::string::npos);
  EXPECT_NE(first.find("synth"), std::string::npos);
  EXPECT_NE(first.find("effect name: Korvid Editor\n"), std::string::npos);
  for (const char* kind : {"\nprogram chunk: ", "\nbank chunk: "})
  {
    const size_t line = first.find(kind);
    ASSERT_NE(line, std::string::npos) << first;
    const std::string text = first.substr(line + 1, first.find('\n', line + 1) - line - 1);
    EXPECT_NE(text.find("bytes, header \"tffp\", accepted, round trip identical"), std::string::npos) << text;
  }

  std::ifstream saved(statePath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 4), "tffp");

  std::string second;
  EXPECT_EQ(runHost("\"" + kPluginPath + "\" --seconds 0 --load-state \"" + statePath + "\"", &second), 0)
      << second;
  EXPECT_NE(second.find("accepted"), std::string::npos) << second;
  std::remove(statePath.c_str());

  // The transport is stopped unless asked to play.
  for (const char* transport : {"", " --transport stop", " --transport play"})
  {
    std::string run;
    EXPECT_EQ(runHost("\"" + kPluginPath + "\" --seconds 0" + transport, &run), 0) << run;
    const bool playing = std::string(transport).find("play") != std::string::npos;
    EXPECT_NE(run.find(playing ? "transport playing" : "transport stopped"), std::string::npos) << run;
    EXPECT_NE(run.find("audio thread: none\n"), std::string::npos) << run;
  }

  // A track played in varied blocks: 69 blocks of 64 frames, each a chord change and the wheel, the pedal
  // moved 8 times.
  std::string track;
  EXPECT_EQ(
      runHost("\"" + kPluginPath + "\" --seconds 0.1 --block-size 64 --vary-block-size --play-notes", &track),
      0);
  EXPECT_NE(track.find("blocks of 64 to 64,"), std::string::npos) << track;
  EXPECT_NE(track.find("events sent: 629 (note-ons 276, note-offs 276, controllers 77)"), std::string::npos)
      << track;
  // Real-time where the system allows it (as it does a thread of this test), else the reason.
  sched_param priority{20};
  int refused = 0;
  std::thread([&] { refused = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority); }).join();
  EXPECT_NE(track.find(refused ? "audio thread: normal priority (real-time refused: "
                               : "audio thread: real-time priority 20 (SCHED_FIFO)\n"),
            std::string::npos)
      << track;

  std::string bad;
  EXPECT_EQ(runHost("\"" + kPluginPath + "\" --seconds", &bad), 2);
  EXPECT_EQ(runHost("\"" + kPluginPath + "\" --block-size 4096", &bad), 2);
  EXPECT_EQ(runHost("\"" + kPluginPath + "\" --transport maybe", &bad), 2);
  EXPECT_EQ(runHost("/nonexistent/plugin.so", &bad), 1);
}
