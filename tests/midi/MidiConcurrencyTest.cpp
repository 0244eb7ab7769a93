// Concurrent use of the MIDI port layer and the output queue; built and run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "AudioThread.h"
#include "IMidiPorts.h"
#include "IPlugMidi.h"
#include "MidiFakeSystem.h"
#include "MidiInputQueue.h"
#include "WaitUntil.h"

namespace
{
using Bytes = std::vector<unsigned char>;
constexpr int kThreads = 4;
constexpr int kPerThread = 400;
constexpr unsigned char kSysExStart = 0xF0;
constexpr unsigned char kSysExEnd = 0xF7;
constexpr size_t kDumpBytes = 392;

// A dump whose bytes name its sender and sequence number, so corruption and reordering show.
Bytes dump(int thread, int seq)
{
  Bytes d(kDumpBytes, static_cast<unsigned char>((thread * 31 + seq) & 0x7F));
  d.front() = kSysExStart;
  d[1] = static_cast<unsigned char>(thread);
  d[2] = static_cast<unsigned char>(seq >> 7);
  d[3] = static_cast<unsigned char>(seq & 0x7F);
  d.back() = kSysExEnd;
  return d;
}

std::unique_ptr<IMidiPorts> openPorts(const std::shared_ptr<MidiFakeSystem>& system)
{
  auto ports = std::make_unique<IMidiPorts>(nullptr);
  ports->SetBackend(system->makeBackend());
  ports->GetOutNames();
  int idx = 0;
  EXPECT_EQ(1, ports->OpenOut(idx = 1, "Synth"));
  return ports;
}
} // namespace

TEST(MidiConcurrencyTest, SendsFromManyThreadsArriveWholeAndInEachSendersOrder)
{
  auto system = MidiFakeSystem::create();
  system->setOutputPorts({"Synth"});
  auto ports = openPorts(system);

  std::atomic<int> failures{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t)
  {
    senders.emplace_back(
        [&, t]
        {
          for (int seq = 0; seq < kPerThread; ++seq)
          {
            const Bytes d = dump(t, seq);
            bool ok =
                (seq % 2) ? ports->SendSysex(d.data(), static_cast<int>(d.size())) : ports->SendBytes(d);
            IMidiMsg cc(0, static_cast<uint8_t>(0xB0 | t), 7, static_cast<uint8_t>(seq & 0x7F));
            ok = ports->SendMsg(&cc) && ok;
            if (!ok)
              ++failures;
          }
        });
  }
  for (auto& s : senders)
    s.join();
  EXPECT_EQ(0, failures.load());

  const auto got = system->received("Synth");
  ASSERT_EQ(static_cast<size_t>(kThreads * kPerThread * 2), got.size());
  std::map<int, int> nextDump;
  std::map<int, int> nextCc;
  for (const Bytes& m : got)
  {
    if (m.size() == 3)
    {
      const int t = m[0] & 0x0F;
      EXPECT_EQ(nextCc[t] & 0x7F, m[2]);
      ++nextCc[t];
      continue;
    }
    ASSERT_EQ(kDumpBytes, m.size());
    const int t = m[1];
    const int seq = (m[2] << 7) | m[3];
    EXPECT_EQ(nextDump[t], seq) << "sender " << t;
    EXPECT_EQ(dump(t, seq), m);
    nextDump[t] = seq + 1;
  }
}

TEST(MidiConcurrencyTest, SendsRacingWithReopeningListingAndUnpluggingNeverCorruptAMessage)
{
  auto system = MidiFakeSystem::create();
  system->setOutputPorts({"Synth", "Other"});
  auto ports = openPorts(system);
  // Every second list call fails, as a port going away while it is read makes RtMidi's do.
  system->setListsFail(true);

  std::atomic<bool> stop{false};
  std::atomic<bool> stopReopening{false};
  std::thread reopener(
      [&]
      {
        const char* names[] = {"Synth", "Other", "OFF"};
        for (int i = 0; !stopReopening; ++i)
        {
          int idx = 1;
          ports->OpenOut(idx, names[i % 3]);
          // The list read again, as a selector's menu does, beside the sends, the watch and another menu.
          if (i % 4 == 3)
            ports->RereadOutNames();
        }
      });
  std::thread lister(
      [&]
      {
        while (!stopReopening)
          ports->RereadOutNames();
      });
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t)
  {
    senders.emplace_back(
        [&, t]
        {
          for (int seq = 0; seq < kPerThread; ++seq)
          {
            const Bytes d = dump(t, seq);
            ports->SendBytes(d);
          }
        });
  }
  // The system loses and regains a port meanwhile: the port watch closes what went away beside the others.
  std::thread unplugger(
      [&]
      {
        for (int i = 0; !stop; ++i)
        {
          system->setOutputPorts(i % 2 ? std::vector<std::string>{"Other"}
                                       : std::vector<std::string>{"Synth", "Other"});
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      });
  for (auto& s : senders)
    s.join();
  stopReopening = true;
  reopener.join();
  lister.join();
  system->setListsFail(false);
  int off = 1;
  ports->OpenOut(off, "OFF");
  ports->TakeLost();
  // "Synth" open (again whenever it went away) until the watch has found it gone once.
  EXPECT_TRUE(korvidtest::waitUntil(
      [&]
      {
        int idx = 1;
        if (!ports->IsOutOpen())
        {
          ports->RereadOutNames();
          ports->OpenOut(idx, "Synth");
        }
        return (ports->TakeLost() & IMidiPorts::kOutLost) != 0;
      }));
  stop = true;
  unplugger.join();

  for (const char* name : {"Synth", "Other"})
  {
    for (const Bytes& m : system->received(name))
    {
      ASSERT_EQ(kDumpBytes, m.size());
      EXPECT_EQ(dump(m[1], (m[2] << 7) | m[3]), m);
    }
  }
}

TEST(MidiConcurrencyTest, NoInputIsDeliveredOnceCloseAllReturns)
{
  auto system = MidiFakeSystem::create();
  system->setInputPorts({"Synth out"});
  auto ports = std::make_unique<IMidiPorts>(nullptr);
  ports->SetBackend(system->makeBackend());

  struct Sink
  {
    std::atomic<bool> gone{false};
    std::atomic<int> afterGone{0};
    std::atomic<int> calls{0};
  } sink;
  ports->SetInputCallback(
      [](double, std::vector<unsigned char>*, void* user)
      {
        auto* s = static_cast<Sink*>(user);
        if (s->gone)
          ++s->afterGone;
        ++s->calls;
      },
      &sink);
  ports->GetInNames();
  int idx = 0;
  ASSERT_EQ(1, ports->OpenIn(idx = 1, "Synth out"));

  std::atomic<bool> stop{false};
  std::thread injector(
      [&]
      {
        while (!stop)
          system->inject("Synth out", {0x90, 0x3C, 0x64});
      });
  while (sink.calls.load() < 50)
    std::this_thread::yield();
  ports->CloseAll();
  sink.gone = true;
  for (int i = 0; i < 200; ++i)
    system->inject("Synth out", {0x80, 0x3C, 0x00});
  stop = true;
  injector.join();
  EXPECT_EQ(0, sink.afterGone.load());
}

TEST(MidiConcurrencyTest, QueueFilledByManyThreadsDrainedByTheAudioThreadLosesNothing)
{
  IMidiQueue queue(0, 1024);
  ASSERT_TRUE(queue.Grow());
  constexpr int kProducers = 3;
  constexpr int kEach = 3000;
  constexpr int kBlock = 64;

  std::atomic<int> producersDone{0};
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
  {
    producers.emplace_back(
        [&, p]
        {
          for (int i = 0; i < kEach; ++i)
          {
            // Offsets within the next block; the data bytes carry the producer and its count.
            IMidiMsg msg(i % kBlock, static_cast<uint8_t>(0x90 | p), static_cast<uint8_t>(i >> 7),
                         static_cast<uint8_t>(i & 0x7F));
            queue.Add(&msg);
          }
          ++producersDone;
        });
  }

  std::vector<std::vector<int>> seen(kProducers, std::vector<int>(kEach, 0));
  int taken = 0;
  int bad = 0;
  while (producersDone.load() < kProducers || !queue.Empty())
  {
    for (int frame = 0; frame < kBlock; ++frame)
    {
      IMidiMsg msg;
      while (queue.TakeFront(frame, &msg))
      {
        const int p = msg.mStatus & 0x0F;
        const int i = (msg.mData1 << 7) | msg.mData2;
        if (p >= kProducers || i >= kEach)
        {
          ++bad;
          continue;
        }
        ++seen[p][i];
        ++taken;
      }
    }
    queue.Advance(kBlock);
  }
  for (auto& t : producers)
    t.join();
  EXPECT_EQ(0, bad);
  EXPECT_EQ(kProducers * kEach, taken);
  for (int p = 0; p < kProducers; ++p)
  {
    for (int i = 0; i < kEach; ++i)
      ASSERT_EQ(1, seen[p][i]) << "producer " << p << " message " << i;
  }
}

TEST(MidiConcurrencyTest, TheAudioThreadNeverWaitsForAStalledSendAndNoSenderFailsBecauseOfAnother)
{
  auto system = MidiFakeSystem::create();
  system->setOutputPorts({"Synth"});
  auto ports = openPorts(system);
  system->holdSends(true);
  std::thread stalled([&] { EXPECT_TRUE(ports->SendBytes(dump(0, 0))); });
  while (system->sendsHeld() == 0)
    std::this_thread::yield();
  // Another thread's send waits behind the stalled one and is taken once it ends.
  std::thread waiting([&] { EXPECT_TRUE(ports->SendBytes(dump(1, 0))); });
  // The audio thread queues until its queue is full; a push that waited would never return while held.
  auto audio =
      std::async(std::launch::async,
                 [&]
                 {
                   AudioThread::Scope pass;
                   int queued = 0;
                   for (IMidiMsg cc(0, 0xB0, 0, 0); queued < 20000 && ports->SendMsg(&cc); ++queued)
                     cc = IMidiMsg(0, 0xB0, static_cast<uint8_t>((queued + 1) >> 7), (queued + 1) & 0x7F);
                   return queued;
                 });
  ASSERT_EQ(std::future_status::ready, audio.wait_for(std::chrono::seconds(20)));
  const int queued = audio.get();
  EXPECT_LT(queued, 20000) << "a full queue drops the newest message";
  system->holdSends(false);
  stalled.join();
  waiting.join();

  EXPECT_TRUE(korvidtest::waitUntil([&] { return system->received("Synth").size() >= queued + 2u; }));
  int next = 0;
  for (const Bytes& m : system->received("Synth"))
    EXPECT_TRUE(m.size() != 3 || next++ == ((m[1] << 7) | m[2]))
        << "the audio thread's messages leave in order";
  EXPECT_EQ(queued, next);
}

TEST(MidiInputQueueTest, ARecordIsTakenOnlyWithItsWholeBodyAndASenselessLengthIsNeverResized)
{
  using Take = MidiInputQueue::Take;
  const Bytes body = dump(1, 2);
  // The header's length, the body's bytes written after it, what the reader makes of them.
  for (const auto& [length, bodyBytes, expected] : {std::tuple{392u, size_t{0}, Take::kIncomplete},
                                                    {392u, size_t{200}, Take::kIncomplete},
                                                    {392u, size_t{392}, Take::kRecord},
                                                    {0xFFFFFFF0u, size_t{392}, Take::kCorrupt}})
  {
    jack_ringbuffer_t* ring = jack_ringbuffer_create(4096);
    const MidiInputQueue::Header written{7, length, 0.5};
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&written), sizeof written);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(body.data()), bodyBytes);
    const size_t before = jack_ringbuffer_read_space(ring);
    MidiInputQueue::Header header{};
    Bytes message;
    EXPECT_EQ(expected, MidiInputQueue::take(ring, before, header, message)) << bodyBytes;
    EXPECT_EQ(expected == Take::kRecord ? 0 : before, jack_ringbuffer_read_space(ring));
    EXPECT_EQ(expected == Take::kRecord ? body : Bytes{}, message);
    jack_ringbuffer_free(ring);
  }
}

TEST(MidiInputQueueTest, AFullRingSaysItsDropAtOnceAfterWhatCameBefore)
{
  // The reader is held in its first delivery while the writer fills the ring; both calls run on its thread.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::vector<Bytes> delivered;
  size_t deliveredAtLoss = 0;
  std::atomic<uint64_t> lost{0};
  std::atomic<bool> otherCause{false};
  MidiInputQueue queue(
      16 * 1024, [&](uint32_t, double, Bytes& m) { released.wait(), delivered.push_back(m); },
      [&](uint64_t count, MidiInputQueue::Loss cause)
      {
        deliveredAtLoss = delivered.size(), lost += count;
        otherCause = otherCause || cause != MidiInputQueue::Loss::kQueueFull;
      });
  int accepted = 0;
  while (queue.push(0, 0.0, dump(0, accepted).data(), kDumpBytes))
    ++accepted;
  release.set_value();
  ASSERT_TRUE(korvidtest::waitUntil([&] { return lost.load() > 0; })); // said with no later message
  EXPECT_EQ(1u, lost.load());
  EXPECT_FALSE(otherCause.load());
  ASSERT_EQ(static_cast<size_t>(accepted), deliveredAtLoss);
  for (int i = 0; i < accepted; ++i)
    EXPECT_EQ(dump(0, i), delivered[static_cast<size_t>(i)]) << i;
}
