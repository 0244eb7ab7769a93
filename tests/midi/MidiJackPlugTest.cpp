// The plug-in base on real JACK ports: it sends to and receives from a second client chosen by port name.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <jack/jack.h>
#include <linux/futex.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "IMidiPorts.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "MidiTestPlug.h"
#include "MidiTestSoundDump.h"
#include "RtMidiBackend.h"
#include "WaitUntil.h"

namespace
{
using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kArrivalTimeout = 60s;
constexpr int kBurst = 128;

// JACK even on a machine with an ALSA sequencer, so the second JACK client is what the plug-in sees.
std::unique_ptr<IMidiPorts::Backend> jackOnly()
{
  return std::make_unique<RtMidiBackend>("/nonexistent/snd/seq");
}

// Wakes the threads of this process that sleep on the wake-up (a futex at the start of a file jackd leaves in
// /dev/shm) of a plug-in's client of the JACK server called server, as another program's client of that
// server, or a same-named client of the next one, does; adds their tasks to woken.
void wakeClientThreadsOf(const std::string& server, std::set<std::string>* woken)
{
  std::set<uintptr_t> wakeUps;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find("/dev/shm/jack_sem.") != line.npos &&
        line.find("_" + server + "_Korvid Editor ") != line.npos)
      wakeUps.insert(std::stoul(line, nullptr, 16));
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
  {
    long number = 0;
    uintptr_t word = 0;
    if (!(std::ifstream(task.path() / "syscall") >> number >> std::hex >> word) || number != SYS_futex ||
        wakeUps.count(word) == 0)
      continue;
    __sync_bool_compare_and_swap(reinterpret_cast<int*>(word), 0, 1);
    syscall(SYS_futex, word, FUTEX_WAKE, 1, nullptr, nullptr, 0);
    woken->insert(task.path());
  }
}

class MidiJackPlugTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string serverError;
    MidiJackServer* server = MidiJackEnvironment::server(&serverError);
    ASSERT_TRUE(server) << "JACK server did not start: " << serverError;
    std::string error;
    ASSERT_TRUE(synth.open(server->name(), "korvid-blofeld", error)) << error;
    IMidiPorts::SetBackendFactory(&jackOnly);
    plug = std::make_unique<MidiTestPlug>();
  }
  void TearDown() override
  {
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
    synth.close();
  }

  // Lists and opens the synthesizer client's two ports by name, again while a loaded server answers late.
  void openSynthPorts()
  {
    ASSERT_TRUE(korvidtest::waitUntil(
        [&]
        {
          plug->rereadExternalMIDIOutNames();
          plug->rereadExternalMIDIInNames();
          int outIdx = 1, inIdx = 1;
          return plug->setExternalMIDIOut(outIdx, synth.inPortName().c_str()) > 0 &&
                 plug->setExternalMIDIIn(inIdx, synth.outPortName().c_str()) > 0;
        }));
  }

  MidiJackSynth synth;
  std::unique_ptr<MidiTestPlug> plug;
};
} // namespace

TEST_F(MidiJackPlugTest, PlugInTalksToTheSynthClientChosenByPortName)
{
  const std::vector<std::string>& outs = plug->getExternalMIDIOutNames();
  const std::vector<std::string>& ins = plug->getExternalMIDIInNames();
  ASSERT_EQ("OFF", outs.at(0));
  ASSERT_EQ("OFF", ins.at(0));

  int outIdx = 0;
  int inIdx = 0;
  ASSERT_GT(plug->setExternalMIDIOut(outIdx = 1, synth.inPortName().c_str()), 0);
  ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));
  EXPECT_EQ(synth.inPortName(), outs.at(static_cast<size_t>(outIdx)));
  ASSERT_GT(plug->setExternalMIDIIn(inIdx = 1, synth.outPortName().c_str()), 0);
  EXPECT_EQ(synth.outPortName(), ins.at(static_cast<size_t>(inIdx)));

  // Plug-in to synth: an unframed body goes out framed, then a short message.
  Bytes dump = midiTestSoundDump(42);
  Bytes body(dump.begin() + 1, dump.end() - 1);
  ASSERT_TRUE(plug->SendMidiSysex(body.data(), static_cast<int>(body.size())));
  IMidiMsg note;
  note.MakeNoteOnMsg(64, 90, 0, 1);
  ASSERT_TRUE(plug->SendMidiMsg(&note));
  const auto atSynth = synth.waitReceived(2, kArrivalTimeout);
  ASSERT_EQ(2u, atSynth.size());
  EXPECT_EQ(dump, atSynth[0]);
  EXPECT_EQ((Bytes{0x91, 64, 90}), atSynth[1]);

  // Synth to plug-in: a dump and a burst, then a short message; all flagged as from the device.
  const std::vector<Bytes> sent = midiTestDumpBurst(kBurst);
  synth.send(sent);
  synth.send({{0xB0, 7, 100}});
  ASSERT_TRUE(plug->waitFor(sent.size(), 1, kArrivalTimeout));
  std::lock_guard<std::mutex> lock(plug->mLock);
  ASSERT_EQ(sent.size(), plug->sysex_.size());
  for (size_t i = 0; i < sent.size(); ++i)
    ASSERT_EQ(sent[i], plug->sysex_[i]) << "dump " << i;
  ASSERT_EQ(1u, plug->msgs.size());
  EXPECT_EQ(0xB0, plug->msgs[0].mStatus);
  EXPECT_EQ(100, plug->msgs[0].mData2);
  for (bool fromDevice : plug->fromDeviceFlags)
    EXPECT_TRUE(fromDevice);
}

// The server stopped (SIGSTOP) while the ports are reopened (as a recall does) and a second instance is made:
// both are given up on, the ports wait, the plug-in is told. The limit tells a bounded wait from a hang.
TEST_F(MidiJackPlugTest, AStoppedServerIsGivenUpOnAndThePortsWaitForItsAnswer)
{
  MidiJackServer* server = MidiJackEnvironment::server(nullptr);
  ASSERT_NO_FATAL_FAILURE(openSynthPorts());
  int outIdx = 1, inIdx = 1;
  server->pause();
  const auto start = std::chrono::steady_clock::now();
  std::thread reopening([&]
                        { EXPECT_EQ(0, plug->setExternalMIDIOut(outIdx = 1, synth.inPortName().c_str())); });
  // A send meanwhile (as from the audio thread) gives up at once rather than wait for the reopening.
  std::this_thread::sleep_for(200ms);
  IMidiMsg note(0, 0x90, 60, 100);
  const auto sending = std::chrono::steady_clock::now();
  EXPECT_FALSE(plug->SendMidiMsg(&note));
  EXPECT_LT(std::chrono::steady_clock::now() - sending, 500ms);
  reopening.join();
  // The input chosen again stays open: only its look at the list goes unanswered.
  EXPECT_EQ(1, plug->setExternalMIDIIn(inIdx = 1, synth.outPortName().c_str()));
  EXPECT_EQ(IMidiPorts::kOutUnanswered | IMidiPorts::kInUnanswered, plug->takeLost());
  EXPECT_FALSE(plug->SendMidiMsg(&note));
  auto second = std::make_unique<MidiTestPlug>();
  EXPECT_EQ(std::vector<std::string>{"OFF"}, second->getExternalMIDIOutNames());
  EXPECT_EQ(std::vector<std::string>{"OFF"}, second->getExternalMIDIInNames());
  EXPECT_NE(0, second->takeLost() & IMidiPorts::kOutUnanswered);
  second.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);

  // Once the server runs again both directions are said to be answered, and the port chosen opens again.
  server->resume();
  constexpr int kAnswered = IMidiPorts::kOutAnswered | IMidiPorts::kInAnswered;
  int said = 0;
  ASSERT_TRUE(korvidtest::waitUntil([&] { return ((said |= plug->takeLost()) & kAnswered) == kAnswered; }));
  EXPECT_EQ(0, said & (IMidiPorts::kOutLost | IMidiPorts::kInLost));
  ASSERT_TRUE(korvidtest::waitUntil(
      [&] { return plug->setExternalMIDIOut(outIdx = 1, synth.inPortName().c_str()) > 0; }));
  ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));
  ASSERT_TRUE(plug->SendMidiMsg(&note));
  EXPECT_EQ(1u, synth.waitReceived(1, kArrivalTimeout).size());
}

// The synthesizer's client, then the whole server (stopped, then killed, three times), goes away with the
// ports open: both directions reported. Started again under the same name, the server gets real ports from
// both directions, and the clients of the old one are never called again (the host survives its end). Last,
// the simulator's program is left on the gone server, which its wake-ups keep signalling, and starts again.
// No client of the plug-in takes a name one had on a gone server: jackd leaves its wake-up file.
TEST_F(MidiJackPlugTest, PortsOfAClientOrServerThatGoesAwayAreReportedLost)
{
  MidiJackServer* server = MidiJackEnvironment::server(nullptr);
  const std::vector<int> goneBy = {0, SIGTERM, SIGKILL, SIGTERM, SIGKILL, SIGTERM, SIGKILL, SIGTERM};
  std::string left; // the client of the simulator left running, in the last round
  FILE* simulator = nullptr;
  std::set<std::string> had; // the names of the plug-in's clients on the servers so far
  const auto expectNewNames = [&]
  {
    for (const char* prefix : {"Korvid Editor ", "korvid-midi-watch-"})
      for (const std::string& name : server->clientsMapped(prefix))
        EXPECT_TRUE(had.insert(name).second) << name << " was a client's name on a gone server";
  };
  for (size_t round = 0; round < goneBy.size(); ++round)
  {
    const bool wholeServer = goneBy[round] != 0, leftover = round + 1 == goneBy.size();
    SCOPED_TRACE(wholeServer ? "the server goes away, round " + std::to_string(round)
                             : "the client goes away");
    if (wholeServer)
    {
      std::string error;
      ASSERT_TRUE(server->start(error)) << error;
      ASSERT_TRUE(synth.open(server->name(), "korvid-blofeld", error)) << error;
      synth.clearReceived();
      if (!plug)
        plug = std::make_unique<MidiTestPlug>();
      // The menus read the lists again (the input's first when the simulator is left: it takes the name).
      if (leftover)
        plug->rereadExternalMIDIInNames();
      plug->rereadExternalMIDIOutNames();
      plug->rereadExternalMIDIInNames();
      ASSERT_NO_FATAL_FAILURE(openSynthPorts());
      IMidiMsg note(0, 0x90, 60, static_cast<uint8_t>(round));
      ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));
      ASSERT_TRUE(plug->SendMidiMsg(&note));
      EXPECT_EQ(1u, synth.waitReceived(1, kArrivalTimeout).size());
      synth.send({{0xB0, 7, static_cast<uint8_t>(round)}});
      EXPECT_TRUE(plug->waitFor(0, round, kArrivalTimeout));
      expectNewNames();
      if (leftover)
      {
        simulator = ::popen(
            ("exec '" KORVID_BLOFELD_SIM "' --server " + server->name() + " --name korvid-left >/dev/null")
                .c_str(),
            "w");
        ASSERT_TRUE(korvidtest::waitUntil(
            [&]
            {
              for (const std::string& port : plug->rereadExternalMIDIInNames())
                left = port.rfind("korvid-left-", 0) == 0 ? port.substr(0, port.find(':')) : left;
              int inIdx = 1;
              return !left.empty() && plug->setExternalMIDIIn(inIdx, (left + ":out").c_str()) > 0;
            }));
      }
    }
    else
    {
      ASSERT_NO_FATAL_FAILURE(openSynthPorts());
    }
    // A send stalled on the frozen server ends when the server goes, and nothing spins afterwards.
    std::thread stalled;
    if (wholeServer)
    {
      server->pause();
      // A cycle the server began before it stopped may still end.
      std::this_thread::sleep_for(200ms);
      stalled = std::thread(
          [&]
          {
            // The server resumed to be stopped may write it in a last cycle: either way the send returns.
            IMidiMsg note(0, 0x90, 61, 100);
            plug->SendMidiMsg(&note);
          });
      std::this_thread::sleep_for(300ms);
    }
    wholeServer ? server->stop(goneBy[round]) : synth.close();
    // Once the server is gone: on a loaded machine a server ended by SIGTERM may take seconds to go.
    const auto gone = std::chrono::steady_clock::now();
    if (wholeServer)
    {
      stalled.join();
      EXPECT_LT(std::chrono::steady_clock::now() - gone, 1500ms)
          << "the stalled send waited for its deadline";
      const std::clock_t cpuBefore = std::clock();
      std::this_thread::sleep_for(1s);
      EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 2) << "a thread spins after the server went away";
    }
    // A loaded machine's server may answer the watch after its deadline: the ports wait, then go.
    constexpr int kBoth = IMidiPorts::kOutLost | IMidiPorts::kInLost;
    int lost = 0;
    ASSERT_TRUE(korvidtest::waitUntil([&] { return ((lost |= plug->takeLost()) & kBoth) == kBoth; }));
    // Woken as other programs' clients of the gone server wake them, the plug-in's clients end their threads
    // instead of running cycles for ever.
    std::set<std::string> woken;
    const auto ended = [&]
    {
      wakeClientThreadsOf(server->name(), &woken);
      return std::none_of(woken.begin(), woken.end(),
                          [](const std::string& t) { return std::filesystem::exists(t); });
    };
    EXPECT_TRUE(!wholeServer || korvidtest::waitUntil(ended));
    if (leftover)
    {
      // The simulator's second start, fed by the output, has no process thread (the server is asynchronous).
      synth.close();
      std::string error;
      server->setSynchronous(false);
      ASSERT_TRUE(server->start(error)) << error;
      jack_client_t* second =
          jack_client_open(left.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                           nullptr, server->name().c_str());
      ASSERT_TRUE(second);
      jack_port_register(second, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
      EXPECT_EQ(0, jack_activate(second));
      int outIdx = 1;
      ASSERT_TRUE(korvidtest::waitUntil(
          [&]
          {
            plug->rereadExternalMIDIOutNames();
            return plug->setExternalMIDIOut(outIdx = 1, (left + ":in").c_str()) > 0;
          }));
      expectNewNames();
      const auto sleeps = []
      {
        rusage all{}, own{};
        ::getrusage(RUSAGE_SELF, &all);
        ::getrusage(RUSAGE_THREAD, &own);
        return all.ru_nvcsw - own.ru_nvcsw;
      };
      const long before = sleeps();
      const jack_nframes_t from = jack_last_frame_time(second), period = jack_get_buffer_size(second);
      EXPECT_TRUE(korvidtest::waitUntil([&] { return jack_last_frame_time(second) - from >= 50 * period; }));
      const long cycles = static_cast<long>((jack_last_frame_time(second) - from) / period) + 1;
      EXPECT_LE(sleeps() - before, 20 * cycles) << "in " << cycles << " cycles";
      jack_client_close(second);
      ::kill(std::stoi(left.substr(left.rfind('-') + 1)), SIGKILL);
      ::pclose(simulator);
      plug.reset();
      server->stop();
      server->setSynchronous(true);
    }
    if (!wholeServer)
    {
      // Started again under another client name: listed once the list is read again, and it works.
      std::string error;
      ASSERT_TRUE(synth.open(server->name(), "korvid-blofeld-again", error)) << error;
      synth.clearReceived();
      int outIdx = 1;
      ASSERT_TRUE(korvidtest::waitUntil(
          [&]
          {
            plug->rereadExternalMIDIOutNames();
            return plug->setExternalMIDIOut(outIdx = 1, synth.inPortName().c_str()) > 0;
          }));
      IMidiMsg note(0, 0x90, 60, 100);
      ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));
      ASSERT_TRUE(plug->SendMidiMsg(&note));
      EXPECT_EQ(1u, synth.waitReceived(1, kArrivalTimeout).size());
      synth.close();
      plug.reset();
    }
    synth.close();
  }
  plug.reset();
  std::string error;
  ASSERT_TRUE(server->start(error)) << error; // for the tests that follow
}
