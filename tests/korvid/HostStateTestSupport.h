// The editor's state kept by a real host across two processes: a private JACK server with the simulated
// synthesizer as a client, child processes with a data folder of their own, and the state edited between
// the two processes and checked after the second.
#pragma once

#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "StateBody.h"
#include "SysexProtocol.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace korvidtest
{
namespace fs = std::filesystem;

const std::string kPluginFolder = std::string(KORVID_BINARY_DIR) + "/Korvid Editor";
const std::string kPluginPath = kPluginFolder + "/Korvid Editor.so";
// A child that hangs is ended after this many seconds.
constexpr const char* kChildTimeLimit = "120";

// Runs argv (with extra environment entries) under a time limit; returns its exit status, -1 when it did not
// exit, and its standard output and error in *output.
inline int runChild(std::vector<std::string> argv, const std::map<std::string, std::string>& environment,
                    std::string* output)
{
  argv.insert(argv.begin(), {"timeout", "--kill-after=5", kChildTimeLimit});
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0)
    return -1;
  const pid_t pid = ::fork();
  if (pid == 0)
  {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::dup2(pipeEnds[1], STDERR_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    for (const auto& [name, value] : environment)
      ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (std::string& arg : argv)
      args.push_back(arg.data());
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  if (pid < 0)
  {
    ::close(pipeEnds[0]);
    return -1;
  }
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
    output->append(buffer, static_cast<size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline Bytes readBytes(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string readText(const fs::path& path)
{
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline bool writeBytes(const fs::path& path, const Bytes& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The simulated synthesizer on a private JACK server, the ports the plug-in sees of it, and a work folder
// whose data folder the child processes share.
class HostStateTest : public ::testing::Test
{
protected:
  static constexpr const char* kMultiName = "Host Multi";
  static constexpr double kShownPart = 7.0;

  void SetUp() override
  {
    if (fs::exists("/dev/snd/seq"))
      GTEST_SKIP() << "the plug-in would use the ALSA sequencer of this machine, not the test's JACK server";
    std::string error;
    MidiJackServer* server = MidiJackEnvironment::server(&error);
    ASSERT_TRUE(server) << "JACK server did not start: " << error;
    ASSERT_TRUE(client.open(server->name(), "korvid-blofeld", error)) << error;
    link = std::make_unique<BlofeldSimulatorJack>(simulator, client);
    ASSERT_FALSE(work.path.empty());
    environment = {{"XDG_DATA_HOME", (work.path / "data").string()}, {"HOME", (work.path / "home").string()}};
    // The plug-in logs where its log file exists: what it did is shown when the multi did not arrive.
    fs::create_directories(logFile().parent_path());
    std::ofstream(logFile()).flush();
    fs::create_directories(work.path / "home");
  }

  void TearDown() override
  {
    link.reset();
    client.close();
  }

  // The chunk with the synthesizer's ports chosen (the plug-in's output is the client's input), part 0 alone
  // active, every part's bank, program and level set, the part tab and the multi name.
  Bytes editedChunk(const Bytes& chunk)
  {
    if (chunk.size() <= kHeaderSize)
      return {};
    const Bytes body(chunk.begin() + static_cast<long>(kHeaderSize), chunk.end());
    Bytes edited(chunk.begin(), chunk.begin() + static_cast<long>(kHeaderSize));
    const Bytes rebuilt =
        rebuiltBody(body, kShownPart,
                    {{0, kMultiName}, {17, client.outPortName()}, {18, client.inPortName()}}, editedValues());
    if (rebuilt.empty())
      return {};
    edited.insert(edited.end(), rebuilt.begin(), rebuilt.end());
    return edited;
  }

  // The chunk with a MIDI-In port name of 65,536 characters, far longer than its 32-byte slot: a state the
  // plug-in must take without that port and without harm to the host.
  static Bytes chunkWithLongPortName(const Bytes& chunk)
  {
    if (chunk.size() <= kHeaderSize)
      return {};
    const Bytes body(chunk.begin() + static_cast<long>(kHeaderSize), chunk.end());
    const Bytes rebuilt =
        rebuiltBody(body, doubleAt(body, BodyLayout::kQuickTab), {{17, std::string(65536, 'P')}}, {});
    if (rebuilt.empty())
      return {};
    Bytes hostile(chunk.begin(), chunk.begin() + static_cast<long>(kHeaderSize));
    hostile.insert(hostile.end(), rebuilt.begin(), rebuilt.end());
    return hostile;
  }

  static std::map<size_t, double> editedValues()
  {
    std::map<size_t, double> values;
    for (int part = 0; part < 16; ++part)
    {
      values[static_cast<size_t>(kMultiPartStatus + part)] = part == 0 ? 1.0 : 0.0;
      values[static_cast<size_t>(kMultiPartBank + part)] = part % 8;
      values[static_cast<size_t>(kMultiPartPatch + part)] = 10 + part;
      values[static_cast<size_t>(kMultiPartLevel + part)] = 100 - part;
    }
    return values;
  }

  // The chunk the second process saved holds what the first was given, and the synthesizer received the
  // multi with its name when the second process opened the state; childOutput is that process's output.
  void expectStateCameBack(const Bytes& chunk, const std::string& childOutput)
  {
    ASSERT_GT(chunk.size(), kHeaderSize);
    const Bytes body(chunk.begin() + static_cast<long>(kHeaderSize), chunk.end());
    const BodyLayout layout(body);
    ASSERT_TRUE(layout.complete);
    EXPECT_EQ(doubleAt(body, BodyLayout::kQuickTab), kShownPart);
    EXPECT_EQ(layout.names[0], std::string(kMultiName));
    EXPECT_EQ(layout.names[18], client.inPortName());
    EXPECT_EQ(layout.names[17], client.outPortName());
    for (const auto& [index, value] : editedValues())
      EXPECT_EQ(layout.value(body, index), value) << "parameter " << index;

    simulator.drain();
    bool multiArrived = false;
    for (const Bytes& message : simulator.received())
    {
      if (message.size() > SysexProtocol::kTypeOffset &&
          message[SysexProtocol::kTypeOffset] == SysexProtocol::kMultiDump)
        multiArrived = true;
    }
    EXPECT_TRUE(multiArrived) << childOutput << "\nthe plug-in's log:\n" << readText(logFile());
    const Bytes multi = simulator.multiEditBuffer();
    ASSERT_GE(multi.size(), static_cast<size_t>(MultiDumpLayout::kNameOffset + MultiDumpLayout::kNameLength));
    EXPECT_EQ(std::string(multi.begin() + MultiDumpLayout::kNameOffset,
                          multi.begin() + MultiDumpLayout::kNameOffset + std::string(kMultiName).size()),
              kMultiName);
  }

  fs::path logFile() const
  {
    return work.path / "data" / "Quillmarsh" / "Korvid Editor" / "Korvid Editor LOG.txt";
  }

  MidiJackSynth client;
  BlofeldSimulator simulator{0};
  std::unique_ptr<BlofeldSimulatorJack> link;
  TempDir work{"korvid-host-state"};
  std::map<std::string, std::string> environment;
};
} // namespace korvidtest
