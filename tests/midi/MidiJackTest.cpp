// The port layer on real JACK ports: sound dumps and short messages both ways, opened by port name.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <dlfcn.h>

#include "AudioThread.h"
#include "DeadlineCall.h"
#include "IMidiPorts.h"
#include "JackMidiInputClient.h"
#include "JackMidiOutputClient.h"
#include "JackServerWatch.h"
#include "MidiJackEnvironment.h"
#include "MidiJackSynth.h"
#include "MidiTestSoundDump.h"
#include "RtMidiBackend.h"
#include "WaitUntil.h"

namespace
{
using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

// Generous: a loaded 2-core machine under a sanitizer may be slow; passing tests never wait this long.
constexpr std::chrono::milliseconds kArrivalTimeout = 60s;
constexpr int kBurst = 128;

// A call a loaded server answered after its deadline is made again once it answers, as the plug-in does.
template <class Call> auto onceAnswered(Call call)
{
  for (int tries = 1;; ++tries)
  {
    try
    {
      return call();
    }
    catch (const IMidiPorts::Unanswered&)
    {
      if (tries == 5 || !korvidtest::waitUntil([] { return !deadlinecall::stalled(); }))
        throw;
    }
  }
}

// What the plug-in side received, in order, as the framework's records.
struct Inbox
{
  std::mutex lock;
  std::condition_variable arrived;
  std::vector<Bytes> sysex;
  std::vector<IMidiMsg> msgs;

  static void callback(double, std::vector<unsigned char>* message, void* userData)
  {
    auto* self = static_cast<Inbox*>(userData);
    std::lock_guard<std::mutex> guard(self->lock);
    IMidiPorts::Dispatch(
        *message, [self](IMidiMsg* m) { self->msgs.push_back(*m); },
        [self](ISysEx* s) { self->sysex.emplace_back(s->mData, s->mData + s->mSize); });
    self->arrived.notify_all();
  }

  bool wait(size_t sysexCount, size_t msgCount)
  {
    std::unique_lock<std::mutex> guard(lock);
    return arrived.wait_for(guard, kArrivalTimeout,
                            [&] { return sysex.size() >= sysexCount && msgs.size() >= msgCount; });
  }
};

class MidiJackTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string serverError;
    server = MidiJackEnvironment::server(&serverError);
    ASSERT_TRUE(server) << "JACK server did not start: " << serverError;
    std::string error;
    ASSERT_TRUE(synth.open(server->name(), "korvid-synth", error)) << error;
    ports = std::make_unique<IMidiPorts>(nullptr);
    // No ALSA sequencer path: JACK is chosen even on a machine that has one.
    ports->SetBackend(std::make_unique<RtMidiBackend>("/nonexistent/snd/seq"));
    ports->SetInputCallback(&Inbox::callback, &inbox);
  }

  void TearDown() override
  {
    if (ports)
      ports->CloseAll();
    ports.reset();
    synth.close();
  }

  static int positionOf(const std::vector<std::string>& names, const std::string& name)
  {
    for (size_t i = 0; i < names.size(); ++i)
    {
      if (names[i] == name)
        return static_cast<int>(i);
    }
    return -1;
  }

  MidiJackServer* server = nullptr;
  MidiJackSynth synth;
  std::unique_ptr<IMidiPorts> ports;
  Inbox inbox;
};
} // namespace

TEST_F(MidiJackTest, ListsShowTheSynthPortsAndOpenThemByName)
{
  // Read again while a loaded server answers the first reading after its deadline.
  std::vector<std::string> outs;
  std::vector<std::string> ins;
  EXPECT_TRUE(korvidtest::waitUntil(
      [&]
      {
        outs = ports->RereadOutNames();
        ins = ports->RereadInNames();
        return positionOf(outs, synth.inPortName()) > 0 && positionOf(ins, synth.outPortName()) > 0;
      }));
  ASSERT_FALSE(outs.empty());
  EXPECT_EQ("OFF", outs[0]);
  EXPECT_EQ("OFF", ins[0]);
  const int outPos = positionOf(outs, synth.inPortName());
  const int inPos = positionOf(ins, synth.outPortName());
  ASSERT_GT(outPos, 0) << "synth input not listed";
  ASSERT_GT(inPos, 0) << "synth output not listed";

  int idx = 0;
  EXPECT_EQ(outPos, ports->OpenOut(idx = 1, synth.inPortName().c_str()));
  EXPECT_EQ(outPos, idx);
  EXPECT_EQ(inPos, ports->OpenIn(idx = 1, synth.outPortName().c_str()));
  EXPECT_EQ(0, ports->OpenOut(idx = 1, "korvid-nobody:in"));
  EXPECT_EQ(0, idx);
}

TEST_F(MidiJackTest, SoundDumpAndBurstReachTheSynthByteIdenticalAndInOrder)
{
  ports->GetOutNames();
  int idx = 1;
  ASSERT_GT(ports->OpenOut(idx, synth.inPortName().c_str()), 0);
  ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));

  const std::vector<Bytes> sent = midiTestDumpBurst(kBurst);
  for (const Bytes& d : sent)
    ASSERT_TRUE(ports->SendSysex(d.data(), static_cast<int>(d.size())));
  IMidiMsg note;
  note.MakeNoteOnMsg(60, 100, 0, 0);
  AudioThread::Scope pass; // posted by the drain thread, still queued when the port is opened again
  ASSERT_TRUE(ports->SendMsg(&note) && ports->WaitForAudioSends(kArrivalTimeout) &&
              ports->OpenOut(idx = 1, synth.inPortName().c_str()) > 0);

  const auto got = synth.waitReceived(sent.size() + 1, kArrivalTimeout);
  ASSERT_EQ(sent.size() + 1, got.size());
  for (size_t i = 0; i < sent.size(); ++i)
    ASSERT_EQ(sent[i], got[i]) << "message " << i;
  EXPECT_EQ((Bytes{0x90, 60, 100}), got.back());
}

TEST_F(MidiJackTest, SoundDumpAndBurstFromTheSynthReachThePluginByteIdenticalAndInOrder)
{
  ports->GetInNames();
  int idx = 1;
  ASSERT_GT(ports->OpenIn(idx, synth.outPortName().c_str()), 0);

  std::vector<Bytes> sent = midiTestDumpBurst(kBurst);
  synth.send(sent);
  // A sysex in pieces (active sensing between them is filtered out) arrives whole.
  const Bytes& last = sent.back();
  synth.send({Bytes(last.begin(), last.begin() + 100), {0xFE}, Bytes(last.begin() + 100, last.end())});
  sent.push_back(last);
  synth.send({{0xC0, 0x05}});
  ASSERT_TRUE(inbox.wait(sent.size(), 1));

  std::lock_guard<std::mutex> guard(inbox.lock);
  ASSERT_EQ(sent.size(), inbox.sysex.size());
  for (size_t i = 0; i < sent.size(); ++i)
    ASSERT_EQ(sent[i], inbox.sysex[i]) << "message " << i;
  ASSERT_EQ(1u, inbox.msgs.size());
  EXPECT_EQ(0xC0, inbox.msgs[0].mStatus);
  EXPECT_EQ(5, inbox.msgs[0].mData1);
  EXPECT_EQ(0, inbox.msgs[0].mData2);
}

// The plug-in's own JACK input hands on only whole messages, each row's events after the last row's; what is
// dropped is said once, with its cause. An empty event stands for cycles an xrun left the input out of, just
// before the next cycle that brings events, once the event before it is heard; a lone clock (filtered out)
// only waits for that. An event ending in a real-time byte is heard when that byte is.
TEST_F(MidiJackTest, OnlyWholeMessagesArriveAndEveryDropSaysItsCause)
{
  using Loss = IMidiPorts::Input::Loss;
  const auto sysex = [](size_t size)
  {
    Bytes bytes(size, 0x11);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
  };
  const auto pieces = [](const Bytes& bytes, size_t size = 4096)
  {
    std::vector<Bytes> cut;
    for (size_t at = 0; at < bytes.size(); at += size)
      cut.emplace_back(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + size));
    return cut;
  };
  const auto with = [](Bytes bytes, const Bytes& more)
  {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
  };
  const Bytes longest = sysex(IMidiPorts::Input::kMaxSysExBytes);
  const Bytes note{0x90, 0x3C, 0x40};
  const Bytes whole{0xF0, 0x7E, 0x01, 0x02, 0xF7};
  const Bytes volume{0xB0, 0x07, 0x40};
  const Bytes start{0xFA};
  // A sound dump with a clock and a start among its bytes; over the cap in events as long as a JACK 2
  // cycle's buffer takes (32 KiB: one event of 64 KiB does not fit), the last with a controller behind it.
  Bytes clocked = midiTestSoundDump(3);
  clocked.insert(clocked.begin() + 200, 0xF8);
  clocked.insert(clocked.begin() + 100, 0xFA);
  std::vector<Bytes> overCap = pieces(sysex(longest.size() + 1), 32000);
  overCap.back() = with(overCap.back(), volume);
  const std::vector<Bytes> overCapCut = pieces(sysex(4 * 32000), 32000);
  // The events, the messages handed on, what was dropped.
  const std::tuple<const char*, std::vector<Bytes>, std::vector<Bytes>, std::map<Loss, uint64_t>> rows[] = {
      {"longest sysex in pieces", pieces(longest), {longest}, {}},
      {"one byte longer", pieces(sysex(longest.size() + 1)), {}, {{Loss::kTooLong, 1}}},
      {"end without its start", {{0x01, 0x02, 0x03, 0xF7}, {0xF7}}, {}, {{Loss::kNotAMessage, 2}}},
      {"cut by a note-on, then its rest",
       {{0xF0, 0x00, 0x20}, note, {0x20, 0x21, 0x22}, {0x23, 0xF7}},
       {note},
       {{Loss::kCutShort, 1}, {Loss::kNotAMessage, 2}}},
      {"stray data bytes after a sysex", {whole, {0x22, 0x33}}, {whole}, {{Loss::kNotAMessage, 1}}},
      {"real-time bytes inside a sysex", {clocked}, {start, midiTestSoundDump(3)}, {}},
      {"several messages in one event",
       {{0xA3, 0x23, 0x22, 0x80, 0x00, 0x41}, {0xFF, 0xFF}, {0x90, 0x3C, 0x7F, 0x3E, 0x7F}},
       {{0xA3, 0x23, 0x22}, {0x80, 0x00, 0x41}, {0xFF}, {0xFF}, {0x90, 0x3C, 0x7F}, {0x90, 0x3E, 0x7F}},
       {}},
      {"a sysex and a message in one event",
       {with(whole, volume), with(whole, note), {0xF0, 0x01}, with({0x02, 0xF7}, volume)},
       {whole, volume, whole, note, {0xF0, 0x01, 0x02, 0xF7}, volume},
       {}},
      {"a lone status", {{0x90}, {0xC0, 0xB0, 0x07, 0x40, 0x22}}, {volume}, {{Loss::kNotAMessage, 3}}},
      {"a sysex over the cap in the longest events", overCap, {volume}, {{Loss::kTooLong, 1}}},
      {"a sysex across an xrun, its rest in pieces up to its end",
       {{0xF0, 0x00, 0x20}, start, {}, {0x21, 0x22}, {0x23, 0xFA, 0x24}, with({0x25, 0xF7}, volume)},
       {start, start, volume},
       {{Loss::kLostInXrun, 1}, {Loss::kXrun, 1}}},
      {"a sysex over the cap across an xrun, its rest up to a status",
       {overCapCut[0], overCapCut[1], overCapCut[2], start, {}, {0x11, 0x11}, note},
       {start, note},
       {{Loss::kTooLong, 1}, {Loss::kXrun, 1}}},
      {"a sysex begun in the cycle after an xrun, which may have read the cycle before",
       {note, {}, {0xF0, 0x01, 0x02, 0xFA}, {0xF8}, {0x03, 0x04}, with({0x05, 0xF7}, volume)},
       {note, start, volume},
       {{Loss::kLostInXrun, 1}, {Loss::kXrun, 1}}},
      {"the rest of a sysex whose start an xrun took",
       {note, {}, {0x03, 0x04}, with({0x05, 0xF7}, volume)},
       {note, volume},
       {{Loss::kLostInXrun, 1}, {Loss::kXrun, 1}}},
  };
  std::mutex lock;
  std::vector<Bytes> heard;
  std::map<Loss, uint64_t> lost;
  std::unique_ptr<IMidiPorts::Input> in =
      onceAnswered([] { return RtMidiBackend("/nonexistent/snd/seq").createInput("korvid-framing", 100); });
  in->setHandler(
      [&](double, Bytes* message)
      {
        std::lock_guard<std::mutex> guard(lock);
        heard.push_back(*message);
      });
  in->setLostHandler(
      [&](uint64_t count, Loss cause)
      {
        std::lock_guard<std::mutex> guard(lock);
        lost[cause] += count;
      });
  onceAnswered([&] { return in->openPort(synth.outPortName(), "in"), true; });
  unsigned char row = 0;
  for (const auto& [name, events, messages, drops] : rows)
  {
    SCOPED_TRACE(name);
    // A marker after the row: what the row dropped is said at the marker's delivery at the latest.
    const Bytes marker{0xC0, row++};
    const auto heardLast = [&](const Bytes& message)
    {
      std::lock_guard<std::mutex> guard(lock);
      return !heard.empty() &&
             (heard.back() == message || (message.back() >= 0xF8 && heard.back() == Bytes{message.back()}));
    };
    for (auto event = events.begin(); event != events.end(); ++event)
    {
      if (!event->empty() && *event != Bytes{0xF8})
        synth.send({*event});
      else if (event != events.begin())
      {
        ASSERT_TRUE(korvidtest::waitUntil([&] { return heardLast(event[-1]); }, kArrivalTimeout));
        if (event->empty())
          JackMidiInputClient::loseNextCycle();
      }
    }
    synth.send({marker});
    const auto done = [&, &drops = drops]
    {
      std::lock_guard<std::mutex> guard(lock);
      return !heard.empty() && heard.back() == marker && lost == drops;
    };
    EXPECT_TRUE(korvidtest::waitUntil(done, kArrivalTimeout));
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(messages, std::vector<Bytes>(heard.begin(), heard.end() - 1));
    EXPECT_EQ(drops, lost);
    heard.clear();
    lost.clear();
  }
  in->closePort();
}

// A server stopped while a second instance's port layer makes its input client and reads the list: a client
// made under the deadline is used and lists at once; over the deadline the input waits, and its list is read
// again once the server answers. Either way the synthesizer's output is listed, opened by name, and heard.
TEST_F(MidiJackTest, AnInputMadeWhileTheServerIsStoppedListsAndOpensByNameOnceItAnswers)
{
  ports->GetOutNames();
  for (const std::chrono::milliseconds stopped : {1100ms, 2500ms})
  {
    SCOPED_TRACE(stopped.count());
    IMidiPorts second(nullptr);
    second.SetBackend(std::make_unique<RtMidiBackend>("/nonexistent/snd/seq"));
    Inbox heard;
    second.SetInputCallback(&Inbox::callback, &heard);
    server->pause();
    std::thread resume(
        [&]
        {
          std::this_thread::sleep_for(stopped);
          server->resume();
        });
    std::vector<std::string> names = second.GetInNames();
    resume.join();
    // Unanswered, the input waits; the plug-in reads the list again once told the server answers.
    const bool waited = second.TakeLost() & IMidiPorts::kInUnanswered;
    ASSERT_TRUE(!waited || korvidtest::waitUntil(
                               [&] {
                                 return (second.TakeLost() & IMidiPorts::kInAnswered) &&
                                        (names = second.RereadInNames()).size() > 1;
                               }));
    int idx = 1;
    ASSERT_GT(positionOf(names, synth.outPortName()), 0) << names.size();
    ASSERT_GT(second.OpenIn(idx, synth.outPortName().c_str()), 0);
    synth.send({{0xC0, 0x07}});
    ASSERT_TRUE(heard.wait(0, 1));
  }
}

TEST_F(MidiJackTest, MessageLongerThanTheJackOutputTakesIsRefusedAndOneLongerThanACycleTakesLeavesInPieces)
{
  ports->GetOutNames();
  int idx = 1;
  ASSERT_GT(ports->OpenOut(idx, synth.inPortName().c_str()), 0);
  ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));

  Bytes huge(70000, 0x01);
  huge.front() = 0xF0;
  huge.back() = 0xF7;
  const auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(ports->SendBytes(huge));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 30s) << "a refused send must not hang";
  // Only a sysex may leave in pieces: anything longer than a cycle takes is refused, and blocks nothing.
  EXPECT_FALSE(ports->SendBytes(Bytes(40000, 0x02)));

  // A sysex longer than a cycle's buffer takes (JACK 2: 32 KiB) leaves in pieces, in order, before the next
  // message.
  Bytes long_(40000, 0x02);
  long_.front() = 0xF0;
  long_.back() = 0xF7;
  ASSERT_TRUE(ports->SendBytes(long_));
  const Bytes d = midiTestSoundDump(7);
  ASSERT_TRUE(ports->SendBytes(d));
  std::vector<Bytes> got;
  ASSERT_TRUE(korvidtest::waitUntil(
      [&]
      {
        got = synth.waitReceived(0, 0ms);
        return got.size() >= 2 && got.back() == d;
      }));
  Bytes joined;
  for (size_t i = 0; i + 1 < got.size(); ++i)
    joined.insert(joined.end(), got[i].begin(), got[i].end());
  EXPECT_EQ(long_, joined);
  EXPECT_EQ(d, got.back());
}

TEST_F(MidiJackTest, AFrozenServerFailsSendsInTimeAndEverySendReportedWrittenArrives)
{
  ports->GetOutNames();
  int idx = 1;
  ASSERT_GT(ports->OpenOut(idx, synth.inPortName().c_str()), 0);
  ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));

  // Resumes the server however the test ends, so the teardown can close the clients.
  struct Resume
  {
    MidiJackServer* server;
    ~Resume() { server->resume(); }
  } resume{server};

  // A store: dumps one after another, stopping at the first the output did not take. The server freezes
  // for 3 s after 20 of them: a dump that no cycle wrote before its send gave up never leaves.
  std::atomic<int> returned{0};
  std::atomic<bool> frozen{false};
  std::thread freezer(
      [&]
      {
        while (returned.load() < 20)
          std::this_thread::sleep_for(1ms);
        server->pause();
        frozen = true;
        std::this_thread::sleep_for(3s);
        server->resume();
      });
  // The audio thread sends while the store's send is stalled: it is queued and never waits for that send.
  std::atomic<bool> inStalledSend{false};
  bool audioReturnedDuringStall = false;
  std::thread audio(
      [&]
      {
        while (!inStalledSend.load())
          std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(300ms);
        AudioThread::Scope pass;
        IMidiMsg note(0, 0x90, 60, 100);
        EXPECT_TRUE(ports->SendMsg(&note));
        audioReturnedDuringStall = inStalledSend.load();
      });
  int written = 0;
  for (int n = 0; n < kBurst; ++n)
  {
    inStalledSend = frozen.load();
    const bool ok = ports->SendBytes(midiTestSoundDump(n));
    ++returned;
    if (!ok)
      break;
    ++written;
  }
  inStalledSend = true;
  freezer.join();
  audio.join();
  EXPECT_TRUE(audioReturnedDuringStall) << "the audio thread waited for the stalled send";
  EXPECT_LT(written, kBurst) << "a send to the frozen server reported written";

  // The dumps reported written arrive, the audio thread's note and the next dump, nothing else.
  const Bytes after = midiTestSoundDump(900);
  ASSERT_TRUE(ports->SendBytes(after));
  const auto got = synth.waitReceived(static_cast<size_t>(written) + 2, kArrivalTimeout);
  ASSERT_EQ(static_cast<size_t>(written) + 2, got.size());
  EXPECT_EQ(1, std::count(got.begin(), got.end(), Bytes{0x90, 60, 100}));
  EXPECT_EQ(after, got.back());
}

TEST_F(MidiJackTest, WhatACycleReportedLateWroteIsWrittenAgainIfADumpOrAReleaseUntilGivenUpAndCounted)
{
  const auto client = onceAnswered(
      []
      { return std::make_unique<JackMidiOutputClient>("korvid-late-cycles", JackServerWatch::connect()); });
  JackMidiOutputClient& out = *client;
  onceAnswered([&] { out.openPort(synth.inPortName(), "out"); });
  ASSERT_TRUE(synth.waitInputConnected(kArrivalTimeout));
  const Bytes dump = midiTestSoundDump(1);
  const Bytes dump2 = midiTestSoundDump(2);
  const Bytes dump3 = midiTestSoundDump(3);
  const auto isDump = [](const Bytes& m) { return m.size() > 3; };
  // A message a cycle, more cycles than a notice found records of.
  std::vector<Bytes> cycles;
  for (unsigned char n = 0; n < 100; ++n)
    cycles.insert(cycles.end(), {{0xB1, 20, n}, {0xB1, 21, n}, {0xB1, 22, n}});
  auto copies = [&](const Bytes& m)
  {
    const auto got = synth.waitReceived(0, 0ms);
    return std::count(got.begin(), got.end(), m);
  };
  // The server's notice of a late cycle, each time a write of the repeated messages arrived: they are written
  // again (a note-on never; a release whose key or pedal the next message starts again, only before it), at
  // most kMaxRepeats times, and then given up on. The first repeat may come from the cycle itself, begun late
  // (no notice needed), and a dump whose copy is gone when the notice comes is given up on at once.
  // Everything else arrives once.
  struct Row
  {
    const char* what;
    std::vector<Bytes> sent;
    std::vector<Bytes> repeated;
    std::vector<Bytes> startedAgain;
    uint64_t noteOns;
    // The row's dump is written in a cycle begun late; no longer kept when the notice comes.
    bool begunLate = false;
    bool copyGone = false;
    // Each dump's pause before the next one.
    std::chrono::milliseconds pause{0};
  };
  const Row rows[] = {
      {"a dump", {{0x90, 60, 100}, dump}, {dump}, {}, 1},
      {"a dump in a cycle begun late, each copy after its pause", {dump}, {dump}, {}, 0, true, false, 100ms},
      {"a dump whose copy is gone when the notice comes", {dump}, {}, {}, 0, false, true},
      {"releases",
       {{0x91, 61, 100}, {0x81, 61, 0}, {0x92, 62, 0}, {0xB3, 64, 0}, {0xB4, 123, 0}, {0xB5, 120, 0}},
       {{0x81, 61, 0}, {0x92, 62, 0}, {0xB3, 64, 0}, {0xB4, 123, 0}, {0xB5, 120, 0}},
       {},
       1},
      {"dumps keeping their pause", {dump, dump2, dump3}, {dump, dump2, dump3}, {}, 0, false, false, 100ms},
      {"more writing cycles than the window held at the shortest periods", cycles, {}, {}, 0},
      {"releases started again since",
       {{0x85, 65, 0}, {0x95, 65, 9}, {0xB6, 64, 0}, {0xB6, 64, 127}, {0xB7, 123, 0}, {0x97, 1, 9}},
       {},
       {{0x85, 65, 0}, {0xB6, 64, 0}, {0xB7, 123, 0}},
       2},
  };
  const long all = JackMidiOutputClient::kMaxRepeats + 1;
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.what);
    const IMidiPorts::Output::LateCycles before = out.lateCycles();
    if (row.begunLate)
      out.takeNextCycleLate();
    for (const Bytes& m : row.sent)
      ASSERT_TRUE(isDump(m) ? out.sendRepeatable(m.data(), m.size(), row.pause)
                            : out.send(m.data(), m.size()));
    // Written again without a notice; or its copy expires (the settle waits for that).
    ASSERT_TRUE(!row.begunLate || korvidtest::waitUntil([&] { return copies(dump) == 2; }));
    if (row.copyGone)
      out.settleRepeatables(kArrivalTimeout);
    const auto fewest = [&]
    {
      long n = all;
      for (const Bytes& m : row.repeated)
        n = std::min(n, static_cast<long>(copies(m)));
      return n;
    };
    for (long arrived = fewest(); arrived < all; arrived = fewest())
    {
      out.noticeLateCycle();
      ASSERT_TRUE(korvidtest::waitUntil([&] { return fewest() > arrived; })) << arrived;
    }
    out.noticeLateCycle();
    // Once a later message arrived, nothing is written again.
    const Bytes marker{0xB0, 7, 100};
    ASSERT_TRUE(out.send(marker.data(), marker.size()));
    ASSERT_TRUE(korvidtest::waitUntil([&] { return copies(marker) == 1; }));
    const uint64_t dumps = std::count_if(row.sent.begin(), row.sent.end(), isDump);
    EXPECT_EQ(dumps, out.settleRepeatables(kArrivalTimeout) - before.dumpsGivenUp);
    const auto got = synth.waitReceived(0, 0ms);
    // Two dumps, written again or not, a dump and its own copy too, arrive at least about their pause apart
    // (to a cycle on a loaded machine).
    const std::vector<double> at = synth.arrivalTimes();
    for (size_t i = 0, last = got.size(); row.pause.count() > 0 && i < got.size() && i < at.size(); ++i)
    {
      if (!isDump(got[i]))
        continue;
      EXPECT_TRUE(last == got.size() || at[i] - at[last] >= row.pause.count() / 2000.0) << i;
      last = i;
    }
    const auto in = [](const std::vector<Bytes>& list, const Bytes& m)
    { return std::find(list.begin(), list.end(), m) != list.end(); };
    for (size_t i = 0; i < row.sent.size(); ++i)
    {
      const Bytes& m = row.sent[i];
      if (in(row.startedAgain, m))
        EXPECT_LE(got.rend() - std::find(got.rbegin(), got.rend(), m),
                  std::find(got.begin(), got.end(), row.sent[i + 1]) - got.begin())
            << i;
      else
        EXPECT_EQ(in(row.repeated, m) ? all : 1, copies(m)) << i;
    }
    // Each release written again arrived again: the repeated ones kMaxRepeats times (checked above), and one
    // that a late cycle of the server's own wrote again before its key or pedal started again.
    uint64_t writtenAgain = 0;
    for (const Bytes& m : row.sent)
      writtenAgain += isDump(m) ? 0 : copies(m) - 1;
    synth.clearReceived();
    const IMidiPorts::Output::LateCycles late = out.lateCycles();
    EXPECT_GE(late.messages - before.messages, row.sent.size());
    EXPECT_EQ(row.noteOns, late.noteOns - before.noteOns);
    EXPECT_EQ(writtenAgain, late.releasesAgain - before.releasesAgain);
    EXPECT_EQ(row.repeated.size() - std::count_if(row.repeated.begin(), row.repeated.end(), isDump),
              late.releasesGivenUp - before.releasesGivenUp);
  }
}

// A kept client's code stays loaded when the library that made it is unloaded (as a host unloads the
// plug-in): the server's end, which tells every client, then finds its callbacks. A server started again
// gets no client while one whose process thread may run is kept. It leaves the process's JACK library stuck
// for good: CTest runs it in a process of its own.
TEST_F(MidiJackTest, AClientWhoseActivationFailedIsReportedAndStaysOpenWithItsCode)
{
  jack_client_t* probe = jack_client_open("korvid-activation-probe", JackNoStartServer, nullptr);
  ASSERT_TRUE(probe);
  const auto unloaded = [](const char* name, int output)
  {
    void* library = dlopen(KORVID_KEPT_CLIENT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    auto* make =
        library
            ? reinterpret_cast<void (*)(const char*, int, char*, size_t)>(dlsym(library, "korvidKeptClient"))
            : nullptr;
    char said[256] = "not loaded";
    if (make)
      make(name, output, said, sizeof said);
    if (library)
      dlclose(library);
    throw std::runtime_error(said);
  };
  const std::pair<const char*, std::function<void()>> rows[] = {
      {"korvid-unactivated-out",
       []
       {
         JackServerWatch::failActivations(1);
         JackMidiOutputClient("korvid-unactivated-out", JackServerWatch::connect());
       }},
      {"korvid-unactivated-in",
       []
       {
         JackServerWatch::failActivations(1);
         RtMidiBackend("/nonexistent/snd/seq").createInput("korvid-unactivated-in", 100);
       }},
      // Its process thread runs, as a late one does: once its server went away no client is made.
      {"korvid-unactivated-thread",
       []
       {
         JackServerWatch::failActivations(1, true);
         JackMidiOutputClient("korvid-unactivated-thread", JackServerWatch::connect());
       }},
      {"korvid-unloaded-out", [&] { unloaded("korvid-unloaded-out", 1); }},
      {"korvid-unloaded-in", [&] { unloaded("korvid-unloaded-in", 0); }},
  };
  for (const auto& [name, create] : rows)
  {
    try
    {
      create();
      ADD_FAILURE() << name << " was made";
    }
    catch (const std::runtime_error& e)
    {
      EXPECT_NE(std::string::npos, std::string(e.what()).find("activate")) << e.what();
    }
    // Never closed: its thread may still start.
    const std::set<std::string> made = server->clientsMapped(name + std::string(" #"));
    char* uuid = made.size() == 1 ? jack_get_uuid_for_client_name(probe, made.begin()->c_str()) : nullptr;
    EXPECT_TRUE(uuid) << name;
    jack_free(uuid);
  }
  jack_client_close(probe);
  void* library = dlopen(KORVID_KEPT_CLIENT_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_TRUE(library) << "unloaded with a kept client";
  if (library)
    dlclose(library);
  synth.close();
  std::string error;
  server->stop();
  ASSERT_TRUE(server->start(error)) << error;
  // Opening one now would make libjack free the kept clients, that thread's too: the library is said stuck.
  IMidiPorts ports(nullptr);
  ports.SetBackend(std::make_unique<RtMidiBackend>("/nonexistent/snd/seq"));
  EXPECT_EQ(std::vector<std::string>{"OFF"}, ports.GetOutNames());
  EXPECT_NE(0, ports.TakeLost() & IMidiPorts::kStuck);
}
