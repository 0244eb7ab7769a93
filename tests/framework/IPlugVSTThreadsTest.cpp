// The plug mutex under load: the audio thread and the interface thread call the plug-in at once; the audio
// thread never waits for it.
#include "FakeHost.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace
{
constexpr int kRounds = 300;
} // namespace

TEST(IPlugVSTThreadsTest, AudioAndInterfaceThreadsAreSerialised)
{
  FakeHost host;
  TestPlug::Setup setup;
  setup.hostParams = 4;
  TestPlug plug(setup);
  AEffect* e = plug.GetAEffect();

  // The interface thread does a fixed amount of work; neither thread waits for the other. Blocks that find
  // the mutex held pass through, and on a loaded machine all of them may: the audio thread, as a host's, goes
  // on with blocks until the interface's work is done, so that its last block runs the plug-in.
  std::atomic<bool> interfaceDone{false};
  std::thread audio(
      [&]
      {
        std::vector<float> in(256, 0.5f);
        std::vector<float> out0(256, 0.0f);
        std::vector<float> out1(256, 0.0f);
        float* ins[] = {in.data(), in.data()};
        float* outs[] = {out0.data(), out1.data()};
        bool last = false;
        for (int b = 0; !last; ++b)
        {
          last = b >= kRounds && interfaceDone.load();
          e->processReplacing(e, ins, outs, 256);
          EXPECT_EQ(out0[255], 0.5f);
          std::this_thread::yield();
        }
      });

  for (int i = 0; i < kRounds; ++i)
  {
    e->setParameter(e, i % 4, 0.25f);
    void* data = nullptr;
    const VstIntPtr size = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.0f);
    std::vector<unsigned char> copy(static_cast<unsigned char*>(data),
                                    static_cast<unsigned char*>(data) + size);
    EXPECT_EQ(e->dispatcher(e, effSetChunk, 1, size, copy.data(), 0.0f), 1);
    e->dispatcher(e, effSetBlockSize, 0, 64 + (i % 3) * 128, nullptr, 0.0f);
    std::this_thread::yield();
  }
  interfaceDone = true;
  audio.join();
  EXPECT_EQ(plug.lastFrames, 256);
}

TEST(IPlugVSTThreadsTest, TheAudioThreadPassesThroughWhileTheMutexIsHeldAndItsEventsArriveAtTheNextBlock)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  AEffect* e = plug.GetAEffect();
  VstMidiEvent note{1, sizeof(VstMidiEvent), 17, 0, 0, 0, {static_cast<char>(0x90), 60, 100, 0}, 0, 0, 0, 0};
  VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
  std::vector<float> in(256, 0.5f), out(256, 0.0f);
  float* ins[] = {in.data(), in.data()};
  float* outs[] = {out.data(), out.data()};
  auto audioBlock = [&]()
  {
    e->dispatcher(e, effProcessEvents, 0, 0, &events, 0.0f);
    e->processReplacing(e, ins, outs, 256);
  };
  // Neither the audio thread nor the host's idle call waits for it.
  const std::function<void()> callers[] = {audioBlock,
                                           [&] { e->dispatcher(e, effIdle, 0, 0, nullptr, 0.0f); }};
  for (const auto& caller : callers)
  {
    WDL_MutexLock editor(plug.GetMutex()); // a dialog or a rescan
    std::future<void> call = std::async(std::launch::async, caller);
    ASSERT_EQ(call.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }
  EXPECT_EQ(out[255], 0.5f);
  EXPECT_EQ(plug.lastFrames, 0);
  EXPECT_TRUE(plug.midi.empty());
  std::async(std::launch::async, audioBlock).get();
  EXPECT_EQ(plug.lastFrames, 256);
  // The held note first, at offset 0 (its block has passed), then this block's.
  ASSERT_EQ(plug.midi.size(), 2u);
  EXPECT_EQ(plug.midi[0].mOffset, 0);
  EXPECT_EQ(plug.midi[1].mOffset, 17);
}

TEST(IPlugVSTThreadsTest, AHeldBlockOverCapacityKeepsTheReleasesOfWhatSounds)
{
  using Event = std::array<int, 3>;
  // Held after 300 controllers (more than a held block keeps of any kind): which of the late events arrive.
  const struct
  {
    std::vector<Event> delivered, heldEarly, late;
    std::vector<bool> arrives;
    bool atStop = false; // delivered when processing stops rather than by the next block
  } rows[] = {
      {{{0x90, 60, 9}, {0x90, 61, 9}, {0x93, 62, 9}},
       {},
       {{0x80, 60, 0}, {0x90, 61, 0}, {0x83, 62, 0}},
       {1, 1, 1}},
      {{}, {{0x90, 64, 9}}, {{0x80, 64, 0}}, {1}},                   // a kept note-on
      {{}, {}, {{0x90, 65, 9}, {0x80, 65, 0}}, {0, 0}},              // a dropped note
      {{{0x90, 66, 9}}, {}, {{0x90, 66, 9}, {0x80, 66, 0}}, {0, 1}}, // a dropped retrigger
      {{{0x90, 67, 9}, {0xB0, 64, 127}},
       {},
       {{0xB0, 64, 0}, {0xB0, 123, 0}, {0xB0, 64, 0}, {0xB5, 123, 0}},
       {1, 1, 0, 0}},
      {{{0x90, 68, 9}, {0xB0, 64, 127}}, {}, {{0x80, 68, 0}, {0xB0, 64, 0}}, {1, 1}, true},
  };
  for (const auto& row : rows)
  {
    FakeHost host;
    TestPlug plug(TestPlug::Setup{});
    AEffect* e = plug.GetAEffect();
    auto send = [&](const std::vector<Event>& list)
    {
      std::vector<VstMidiEvent> midi(list.size());
      // The record: numEvents, reserved, then the pointers.
      std::vector<VstIntPtr> record(2 + list.size(), 0);
      VstEvents* events = reinterpret_cast<VstEvents*>(record.data());
      events->numEvents = static_cast<VstInt32>(list.size());
      for (size_t i = 0; i < list.size(); ++i)
      {
        midi[i].type = 1; // MIDI
        std::copy(list[i].begin(), list[i].end(), midi[i].midiData);
        VstEventPointers(events)[i] = reinterpret_cast<VstEvent*>(&midi[i]);
      }
      e->dispatcher(e, effProcessEvents, 0, 0, events, 0.0f);
    };
    send(row.delivered);
    const Event filler{0xB0, 1, 5};
    std::vector<Event> held = row.heldEarly;
    held.insert(held.end(), 300, filler);
    held.insert(held.end(), row.late.begin(), row.late.end());
    {
      WDL_MutexLock editor(plug.GetMutex());
      std::thread([&]() { send(held); }).join();
    }
    plug.midi.clear();
    if (row.atStop)
      plug.Call(effMainsChanged, 0, 0);
    else
      send({});
    std::vector<Event> arrived, expected;
    for (size_t i = row.heldEarly.size(); i < plug.midi.size(); ++i)
    {
      const IMidiMsg& m = plug.midi[i];
      if (Event{m.mStatus, m.mData1, m.mData2} != filler)
      {
        arrived.push_back({m.mStatus, m.mData1, m.mData2});
      }
    }
    for (size_t i = 0; i < row.late.size(); ++i)
    {
      if (row.arrives[i])
      {
        expected.push_back(row.late[i]);
      }
    }
    EXPECT_EQ(arrived, expected);
    const HeldMidiEvents::Dropped dropped = plug.TakeDroppedHostEvents();
    EXPECT_EQ(dropped.endings, 0);
    EXPECT_EQ(static_cast<size_t>(dropped.notes + dropped.others), held.size() - plug.midi.size());
  }
}
