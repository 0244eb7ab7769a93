// The MIDI clock over real ports: Timing Clock ticks measured where the synthesizer would take them, a JACK
// client on a private server with short cycles.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "MidiJackServer.h"
#include "MidiJackSynth.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "RtMidiBackend.h"
#include "TempDataHome.h"

#include <jack/jack.h>

using namespace std::chrono_literals;

namespace
{
// 64 frames at 48 kHz: arrivals are seen to 1.3 ms.
constexpr int kFramesPerPeriod = 64;
constexpr double kSampleRate = 48000.0;

MidiJackServer* gServer = nullptr;
std::string gServerError;

class ClockJackEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    mServer.setFramesPerPeriod(kFramesPerPeriod);
    if (mServer.start(gServerError))
      gServer = &mServer;
  }
  void TearDown() override
  {
    gServer = nullptr;
    mServer.stop();
  }

private:
  MidiJackServer mServer;
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new ClockJackEnvironment());

std::unique_ptr<IMidiPorts::Backend> jackOnly()
{
  return std::make_unique<RtMidiBackend>("/nonexistent/snd/seq");
}

bool waitClockIdle(MIDIMessageManager* manager, std::chrono::milliseconds timeout)
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (manager->isRunning(MIDIMessageManager::Thread::Clock))
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class ClockOverJack : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(gServer) << "JACK server did not start: " << gServerError;
    std::string error;
    ASSERT_TRUE(client.open(gServer->name(), "korvid-clock-sink", error)) << error;
    IMidiPorts::SetBackendFactory(&jackOnly);
    plug = DeviceTestSupport::makePlug();
    plug->initDeviceCommunication(&patchManager, nullptr);
    manager = plug->mMIDIMessageManager;
    plug->getExternalMIDIOutNames();
    int out = 1;
    ASSERT_GT(plug->setExternalMIDIOut(out, client.inPortName().c_str()), 0);
    ASSERT_TRUE(client.waitInputConnected(60s));
    plug->mOutputPresent = true;
    plug->mClockFlag = true;
    plug->GetParam(kOverrideTempo)->Set(1.0);
  }

  void TearDown() override
  {
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
    client.close();
  }

  // Runs the clock at tempo until count ticks arrived; their arrival times in seconds of the monotonic clock,
  // and in posted the time the job was posted.
  std::vector<double> ticksAt(int tempo, size_t count, double& posted)
  {
    plug->mHostTempo = tempo;
    client.clearReceived();
    manager->sender->resetContinuousClock(false);
    JobArguments args;
    args.jobCode = MIDIMessageSender::kJobContinuousClock;
    posted = static_cast<double>(jack_get_time()) / 1e6;
    EXPECT_TRUE(manager->post(args));
    const auto expected = std::chrono::nanoseconds(MIDIMessageSender::clockIntervalNs(tempo)) * count;
    const std::vector<MidiJackSynth::Bytes> arrived =
        client.waitReceived(count, std::chrono::duration_cast<std::chrono::milliseconds>(expected * 3) + 30s);
    manager->sender->resetContinuousClock(true);
    EXPECT_TRUE(waitClockIdle(manager, 30s));
    for (const MidiJackSynth::Bytes& message : arrived)
      EXPECT_EQ(message, MidiJackSynth::Bytes{0xF8});
    std::vector<double> times = client.arrivalTimes();
    times.resize(std::min(times.size(), count));
    return times;
  }

  TempDataHome dataHome;
  PatchManager patchManager{nullptr};
  MidiJackSynth client;
  std::unique_ptr<Korvid> plug;
  MIDIMessageManager* manager = nullptr;
};

TEST_F(ClockOverJack, TicksArriveTwentyFourPerQuarterNoteAtTheTempo)
{
  // About 1.5 s of ticks per tempo.
  struct Case
  {
    int tempo;
    size_t ticks;
  };
  for (const Case& c : {Case{60, 37}, Case{120, 73}, Case{300, 181}})
  {
    double posted = 0.0;
    const std::vector<double> times = ticksAt(c.tempo, c.ticks, posted);
    ASSERT_EQ(times.size(), c.ticks) << c.tempo << " BPM";
    // Tick i is due at the job's start + i * interval. A busy machine only holds ticks up (how close they
    // come to their places is the benchmark's figure), never sends one early: on any machine every tick
    // arrives in order and no sooner than its place counted from the post, to one JACK cycle.
    const double interval = 60.0 / (c.tempo * 24.0);
    const double cycle = kFramesPerPeriod / kSampleRate;
    for (size_t i = 0; i < times.size(); ++i)
    {
      EXPECT_GE(times[i] - static_cast<double>(i) * interval, posted - cycle)
          << c.tempo << " BPM: tick " << i << " early, the run starts early or runs fast";
      if (i > 0)
      {
        EXPECT_GE(times[i], times[i - 1]) << c.tempo << " BPM: tick " << i << " out of order";
      }
    }
  }
}
} // namespace
