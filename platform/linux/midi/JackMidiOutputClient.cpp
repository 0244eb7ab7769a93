// The JACK output: a byte queue of messages that the process callback writes into the port buffer.
#include "JackMidiOutputClient.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/statistics.h>

#include "DeadlineCall.h"
#include "HeldMidiEvents.h"
#include "JackClientName.h"
#include "JackProcessThread.h"
#include "JackServerWatch.h"

namespace
{
constexpr unsigned char kSysExStart = 0xF0;
// A record in the queue: a state byte, the length in four bytes (little end first), the pause a repeatable
// message keeps before the next one in two (milliseconds, low byte first), the message.
constexpr size_t kHeaderBytes = 7;
constexpr size_t kPauseByte = 5;
constexpr unsigned kLongestPauseMs = 0xFFFF;
// State bits. Withdrawn: its sender gave up on it before a cycle began it, and the process callback skips
// it. Repeatable: kept once written, to be written again after a late cycle.
constexpr unsigned char kQueued = 0;
constexpr unsigned char kWithdrawn = 1;
constexpr unsigned char kRepeatable = 2;
const std::chrono::milliseconds kDeadline{JackMidiOutputClient::kSendDeadlineMs};
// A close waits at most this long for cycles to write what was queued.
constexpr std::chrono::milliseconds kCloseWait{250};
constexpr jack_time_t kSuspectUsecs = jack_time_t{JackMidiOutputClient::kSuspectWindowMs} * 1000;
// A settling sender looks again this often: suspicion ends with time, not with a notice.
constexpr std::chrono::milliseconds kSettlePoll{5};
constexpr size_t kShortMessageBytes = 3;
// Releases kept, per channel: one per key, the pedal's, then one ending the whole channel.
constexpr size_t kPedalRelease = HeldMidiEvents::kKeys;
constexpr size_t kChannelRelease = kPedalRelease + 1;
constexpr size_t kReleasesPerChannel = kChannelRelease + 1;
constexpr size_t kReleaseSlots = HeldMidiEvents::kChannels * kReleasesPerChannel;
// The cycles that wrote lately, by time: a record holds the writing cycles of up to kRecordSpanUsecs, so the
// ring covers more than a suspect window at any period (one record a cycle at periods longer than the span).
constexpr jack_time_t kRecordSpanUsecs = 500;
constexpr size_t kCycleRecords = 512;
static_assert(kCycleRecords * kRecordSpanUsecs > kSuspectUsecs, "the records cover the suspect window");

// A repeatable message a cycle wrote, kept until no notice can concern it any more.
struct Kept
{
  jack_time_t writtenAt = 0;
  // The pause it keeps before the next dump.
  jack_time_t pauseUsecs = 0;
  size_t length = 0;
  int repeats = 0;
  // A late cycle's notice came: the next cycle writes it again.
  bool again = false;
  std::array<unsigned char, JackMidiOutputClient::kKeptMessageBytes> bytes{};
};

// A release a cycle wrote, kept until what it ends starts again: written again then, it would end that.
struct KeptRelease
{
  jack_time_t writtenAt = 0;
  std::array<unsigned char, kShortMessageBytes> bytes{};
  bool kept = false;
  bool again = false;
  int repeats = 0;
};

// What the cycles begun from first to last wrote, counted once by the first notice that concerns them.
struct CycleRecord
{
  jack_time_t first = 0;
  jack_time_t last = 0;
  uint64_t messages = 0;
  uint64_t noteOns = 0;
  // Repeatable messages among them, kept or not.
  uint64_t repeatables = 0;
};
} // namespace

// State shared with the client's process and shutdown callbacks: it outlives the object when closing the
// client is left to a deadline call or the client is abandoned.
struct JackMidiOutputClient::Shared
{
  // Declared first: the watch goes after the client.
  std::shared_ptr<JackServerWatch> watch;
  jack_client_t* client = nullptr;
  // Registered at the first open and kept until the client closes: the process callback reads it
  // without a lock.
  std::atomic<jack_port_t*> port{nullptr};
  std::atomic<bool> gone{false};
  // Kept for good (JackServerWatch::abandon, keepUnactivated): its process thread idles, and ends once the
  // server is gone.
  std::atomic<bool> keptForGood{false};
  // What a cycle's empty buffer takes as one event (0 before the first cycle): only a sysex goes in pieces.
  std::atomic<size_t> emptyRoom{0};

  // Held by senders for a copy and by the process callback (only when free) for its writing.
  std::mutex lock;
  // A cycle wrote or skipped messages, the port closed or the server went away.
  std::condition_variable changed;
  bool open = false;
  std::vector<unsigned char> queue = std::vector<unsigned char>(kQueueBytes);
  size_t head = 0;
  size_t used = 0;
  // Bytes of the front message already written (a long sysex leaves in pieces).
  size_t written = 0;
  uint64_t submitted = 0;
  uint64_t finished = 0;
  // Messages up to this one were forgotten when the port closed, not written.
  uint64_t discarded = 0;
  // The last message a cycle withdrew because it never fits.
  uint64_t refused = 0;
  // Repeatable messages written lately, oldest first, from keptFirst on (a ring of kKeptMessages).
  std::vector<Kept> kept = std::vector<Kept>(kKeptMessages);
  size_t keptFirst = 0;
  size_t keptCount = 0;
  // Releases written lately (kReleasesPerChannel per channel) and how many of them a notice marked.
  std::array<KeptRelease, kReleaseSlots> releases{};
  size_t releasesMarked = 0;
  // The cycles that wrote something, a ring from nextCycle on.
  std::array<CycleRecord, kCycleRecords> cycles{};
  size_t nextCycle = 0;
  // The end of the pause the last repeatable message written keeps: none is written before it, not even that
  // one again (a synthesizer still busy with it may drop its copy).
  jack_time_t pacedUntil = 0;
  // Repeatable messages and releases given up on (lost again after their last repeat, or still to be
  // written again when the port closed or the server went away), and what late cycles wrote.
  IMidiPorts::Output::LateCycles late;
  // The test's notices: each concerns the cycles since the one before.
  jack_time_t lastTestNotice = 0;
  // The driver's delay the last notice left (jack_get_xrun_delayed_usecs): the notice thread's.
  float lastDelay = 0.0f;
  // The process thread's own: the last cycle's first frame and length, once a cycle ran.
  bool cycleSeen = false;
  jack_nframes_t lastCycleStart = 0;
  jack_nframes_t lastCycleFrames = 0;
  // For tests: the next cycle that writes is taken as one begun after cycles that went by without this
  // client.
  std::atomic<bool> lateNextCycle{false};

  ~Shared()
  {
    if (client)
      jack_client_close(client);
  }

  bool serverGone() const { return gone.load() || (watch && watch->serverGone()); }
  bool stopped() const { return !open || serverGone(); }
  size_t at(size_t offset) const { return (head + offset) % kQueueBytes; }

  void copyIn(size_t pos, const unsigned char* data, size_t size)
  {
    const size_t first = std::min(size, kQueueBytes - pos);
    std::memcpy(queue.data() + pos, data, first);
    std::memcpy(queue.data(), data + first, size - first);
  }

  void copyOut(size_t pos, unsigned char* data, size_t size) const
  {
    const size_t first = std::min(size, kQueueBytes - pos);
    std::memcpy(data, queue.data() + pos, first);
    std::memcpy(data + first, queue.data(), size - first);
  }

  size_t frontLength() const
  {
    unsigned char bytes[4];
    copyOut(at(1), bytes, sizeof bytes);
    return bytes[0] | (size_t{bytes[1]} << 8) | (size_t{bytes[2]} << 16) | (size_t{bytes[3]} << 24);
  }

  void popFront(size_t length)
  {
    head = at(kHeaderBytes + length);
    used -= kHeaderBytes + length;
    written = 0;
    ++finished;
  }

  void clear()
  {
    head = used = written = 0;
    finished = discarded = submitted;
    forgetKept();
    for (KeptRelease& r : releases)
    {
      late.releasesGivenUp += r.again ? 1 : 0;
      r = KeptRelease{};
    }
    releasesMarked = 0;
  }

  Kept& keptAt(size_t i) { return kept[(keptFirst + i) % kKeptMessages]; }

  void dropFirstKept()
  {
    late.dumpsGivenUp += keptAt(0).again ? 1 : 0;
    keptFirst = (keptFirst + 1) % kKeptMessages;
    --keptCount;
  }

  // What no notice can concern any more leaves the front; a full ring drops its oldest (given up on
  // when it waits to be written again).
  void expireKept(jack_time_t now, bool makeRoom)
  {
    while (keptCount > 0 && ((!keptAt(0).again && keptAt(0).writtenAt + kSuspectUsecs < now) ||
                             (makeRoom && keptCount == kKeptMessages)))
      dropFirstKept();
  }

  void forgetKept()
  {
    while (keptCount > 0)
      dropFirstKept();
  }

  bool anyAgain() { return releasesMarked > 0 || anyDumpAgain(); }

  bool anyDumpAgain()
  {
    for (size_t i = 0; i < keptCount; ++i)
    {
      if (keptAt(i).again)
        return true;
    }
    return false;
  }

  // A repeatable message waits for those a notice marked and for the pause of the last one written.
  bool dumpHeld(jack_time_t now) { return anyDumpAgain() || now < pacedUntil; }

  void pace(jack_time_t pauseUsecs, jack_time_t now) { pacedUntil = now + pauseUsecs; }

  // Keeps the front message, written whole at now, and starts its pause. Lock held.
  void keep(size_t length, jack_time_t now)
  {
    unsigned char pause[2];
    copyOut(at(kPauseByte), pause, sizeof pause);
    const jack_time_t pauseUsecs = (pause[0] | (jack_time_t{pause[1]} << 8)) * jack_time_t{1000};
    pace(pauseUsecs, now);
    if (length > kKeptMessageBytes)
      return;
    expireKept(now, true);
    Kept& k = keptAt(keptCount++);
    copyOut(at(kHeaderBytes), k.bytes.data(), length);
    k.writtenAt = now;
    k.pauseUsecs = pauseUsecs;
    k.length = length;
    k.repeats = 0;
    k.again = false;
  }

  // Repeatable messages that the cycles of record wrote and that are still kept.
  uint64_t keptFrom(const CycleRecord& record)
  {
    uint64_t n = 0;
    for (size_t i = 0; i < keptCount; ++i)
    {
      const Kept& k = keptAt(i);
      n += k.writtenAt >= record.first && k.writtenAt <= record.last && k.length > 0 ? 1 : 0;
    }
    return n;
  }

  // The cycles from `from` on may have been lost: what they wrote is counted (a record that reaches into
  // them whole, so from moves back to its first cycle), and the kept messages and releases among it are
  // written again, each at most kMaxRepeats times; a repeatable message no longer kept (its copy gone with
  // its window or for room, or too long to keep) is given up on. Lock held.
  void noticeLate(jack_time_t from)
  {
    for (const CycleRecord& cycle : cycles)
      from = cycle.messages > 0 && cycle.last >= from ? std::min(from, cycle.first) : from;
    for (CycleRecord& cycle : cycles)
    {
      if (cycle.messages == 0 || cycle.last < from)
        continue;
      late.messages += cycle.messages;
      late.noteOns += cycle.noteOns;
      late.dumpsGivenUp += cycle.repeatables - std::min(cycle.repeatables, keptFrom(cycle));
      cycle = CycleRecord{};
    }
    for (size_t i = 0; i < keptCount; ++i)
    {
      Kept& k = keptAt(i);
      if (k.again || k.writtenAt < from || k.length == 0)
        continue;
      if (k.repeats < kMaxRepeats)
      {
        k.again = true;
        continue;
      }
      ++late.dumpsGivenUp;
      k.length = 0;
    }
    for (KeptRelease& r : releases)
    {
      if (!r.kept || r.again || r.writtenAt < from)
        continue;
      if (r.repeats < kMaxRepeats)
      {
        r.again = true;
        ++releasesMarked;
        continue;
      }
      ++late.releasesGivenUp;
      r.kept = false;
    }
  }

  void keepRelease(KeptRelease& r, const unsigned char* bytes, jack_time_t now)
  {
    releasesMarked -= r.again ? 1 : 0;
    r.writtenAt = now;
    std::memcpy(r.bytes.data(), bytes, kShortMessageBytes);
    r.kept = true;
    r.again = false;
    r.repeats = 0;
  }

  void forgetRelease(KeptRelease& r)
  {
    releasesMarked -= r.again ? 1 : 0;
    r.kept = r.again = false;
  }

  // Follows a short message a cycle wrote whole at now: a release is kept; a note-on or pedal press
  // forgets the release of what it starts again. A controller reset or a mode change, which also end
  // notes, is not kept: written again it would undo the controllers or the mode set since. Lock held.
  void followShort(const unsigned char* m, jack_time_t now, CycleRecord& cycle)
  {
    using Effect = HeldMidiEvents::Effect;
    KeptRelease* channel = &releases[(m[0] & 0x0F) * kReleasesPerChannel];
    switch (HeldMidiEvents::EffectOf(m[0], m[1], m[2]))
    {
    case Effect::kEndsKey:
      keepRelease(channel[m[1]], m, now);
      break;
    case Effect::kLiftsPedal:
      if (m[1] == IMidiMsg::kSustainOnOff)
        keepRelease(channel[kPedalRelease], m, now);
      break;
    case Effect::kEndsKeys:
      if (m[1] == IMidiMsg::kAllNotesOff || m[1] == IMidiMsg::kAllSoundOff)
        keepRelease(channel[kChannelRelease], m, now);
      break;
    case Effect::kStartsKey:
      forgetRelease(channel[m[1]]);
      forgetRelease(channel[kChannelRelease]);
      ++cycle.noteOns;
      break;
    case Effect::kPressesPedal:
      forgetRelease(channel[kPedalRelease]);
      break;
    case Effect::kNone:
      break;
    }
  }

  // Writes what a notice marked: the releases (by channel and key), then the kept messages in order, as
  // their pauses let; false when the buffer took not all it could.
  bool writeAgain(void* buffer, jack_time_t now, CycleRecord& cycle)
  {
    for (size_t i = 0; releasesMarked > 0 && i < kReleaseSlots; ++i)
    {
      KeptRelease& r = releases[i];
      if (!r.again)
        continue;
      jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, kShortMessageBytes);
      if (!event)
        return false;
      std::memcpy(event, r.bytes.data(), kShortMessageBytes);
      r.again = false;
      --releasesMarked;
      r.writtenAt = now;
      ++r.repeats;
      ++late.releasesAgain;
      ++cycle.messages;
    }
    for (size_t i = 0; i < keptCount; ++i)
    {
      Kept& k = keptAt(i);
      if (!k.again)
        continue;
      // In order, each after the pause of the one written before it.
      if (now < pacedUntil)
        return true;
      jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, k.length);
      if (!event)
        return false;
      std::memcpy(event, k.bytes.data(), k.length);
      pace(k.pauseUsecs, now);
      k.again = false;
      k.writtenAt = now;
      ++k.repeats;
      ++cycle.messages;
      ++cycle.repeatables;
    }
    return true;
  }

  // Writes into buffer, and records the cycle begun at now; one begun late (after cycles that went by
  // without this client) is taken as reported late at once, in a record of its own. Lock held.
  bool writeInto(void* buffer, jack_time_t now, bool begunLate)
  {
    CycleRecord cycle{now, now, 0, 0, 0};
    const bool any = writeQueued(buffer, now, cycle);
    if (cycle.messages == 0)
      return any;
    begunLate = begunLate || (lateNextCycle.load(std::memory_order_relaxed) && lateNextCycle.exchange(false));
    CycleRecord& latest = cycles[(nextCycle + kCycleRecords - 1) % kCycleRecords];
    if (!begunLate && latest.messages > 0 && now < latest.first + kRecordSpanUsecs)
    {
      latest.last = now;
      latest.messages += cycle.messages;
      latest.noteOns += cycle.noteOns;
      latest.repeatables += cycle.repeatables;
      return any;
    }
    cycles[nextCycle] = cycle;
    nextCycle = (nextCycle + 1) % kCycleRecords;
    if (begunLate)
      noticeLate(now);
    return any;
  }

  // Whether this cycle began after cycles that went by without this client: it was not finished in time,
  // and the client it feeds may read its port before it writes. Process thread.
  bool begunLate(jack_nframes_t start, jack_nframes_t frames)
  {
    // libjack counts a cycle's frames at its start or at its end: a new period length shows in one of them.
    const jack_nframes_t since = start - lastCycleStart;
    const bool late = cycleSeen && since != lastCycleFrames && since != frames;
    cycleSeen = true;
    lastCycleStart = start;
    lastCycleFrames = frames;
    return late;
  }

  // Writes the messages to write again, then the front messages, into buffer until it is full, counting
  // them into cycle; true when any left the queue. Lock held.
  bool writeQueued(void* buffer, jack_time_t now, CycleRecord& cycle)
  {
    const size_t emptyRoom = jack_midi_max_event_size(buffer);
    this->emptyRoom = emptyRoom;
    // Not inside a sysex leaving in pieces.
    if (written == 0 && !writeAgain(buffer, now, cycle))
      return false;
    bool any = false;
    while (used >= kHeaderBytes)
    {
      const size_t length = frontLength();
      if (queue[head] & kWithdrawn)
      {
        popFront(length);
        any = true;
        continue;
      }
      // Behind the dumps to write again, after the pause of the last one written.
      if ((queue[head] & kRepeatable) && written == 0 && dumpHeld(now))
        break;
      const size_t remaining = length - written;
      size_t piece = remaining;
      const size_t room = jack_midi_max_event_size(buffer);
      const bool sysex = queue[at(kHeaderBytes)] == kSysExStart;
      if (!sysex && length > emptyRoom)
      {
        // Queued before the first cycle told submit what fits: it never would, and must not block the rest.
        queue[head] |= kWithdrawn;
        refused = finished + 1;
        continue;
      }
      if (remaining > room)
      {
        // Only a sysex that no empty buffer takes whole is cut; anything else waits for the next cycle.
        if (remaining <= emptyRoom || !sysex || room == 0)
          break;
        piece = room;
      }
      jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, piece);
      if (!event)
        break;
      copyOut(at(kHeaderBytes + written), event, piece);
      written += piece;
      if (written < length)
        break;
      if (queue[head] & kRepeatable)
      {
        keep(length, now);
        ++cycle.repeatables;
      }
      if (length == kShortMessageBytes)
      {
        unsigned char shortMessage[kShortMessageBytes];
        copyOut(at(kHeaderBytes), shortMessage, kShortMessageBytes);
        followShort(shortMessage, now, cycle);
      }
      ++cycle.messages;
      popFront(length);
      any = true;
    }
    return any;
  }

  static int process(jack_nframes_t frames, void* arg)
  {
    auto* self = static_cast<Shared*>(arg);
    // A kept client's port writes nothing. It never ends its thread here: that makes libjack deactivate the
    // client from inside the cycle, and a live server would hold every client's requests until its cycles
    // time out.
    jack_port_t* port = self->port.load();
    if (!port)
      return 0;
    void* buffer = jack_port_get_buffer(port, frames);
    if (!buffer)
      return 0;
    jack_midi_clear_buffer(buffer);
    if (self->keptForGood.load())
      return 0;
    const bool late = self->begunLate(jack_last_frame_time(self->client), frames);
    // A sender holding the lock copies for microseconds: this cycle then writes nothing, the next does.
    std::unique_lock<std::mutex> guard(self->lock, std::try_to_lock);
    if (!guard.owns_lock() || !self->open)
      return 0;
    const bool any = self->writeInto(buffer, jack_get_time(), late);
    guard.unlock();
    if (any)
      self->changed.notify_all();
    return 0;
  }

  // A wake-up let go leaves the port's buffer as the cycle run at that first frame wrote it.
  static void letGo(Shared*) {}

  // Only the notice of a client not finished in time, which leaves the driver's delay as it was, may tell
  // of a lost cycle: a cycle the driver began late sets it and loses nothing that clients pass each other
  // (a synchronous server's every xrun).
  static int onXrun(void* arg)
  {
    auto* self = static_cast<Shared*>(arg);
    const float delay = jack_get_xrun_delayed_usecs(self->client);
    if (delay == self->lastDelay)
      self->noticeLateNow();
    self->lastDelay = delay;
    return 0;
  }

  void noticeLateNow()
  {
    std::lock_guard<std::mutex> guard(lock);
    const jack_time_t now = jack_get_time();
    noticeLate(now > kSuspectUsecs ? now - kSuspectUsecs : 0);
  }

  static void onShutdown(jack_status_t, const char*, void* arg)
  {
    auto* self = static_cast<Shared*>(arg);
    {
      std::lock_guard<std::mutex> guard(self->lock);
      self->gone = true;
    }
    self->changed.notify_all();
  }
};

JackMidiOutputClient::JackMidiOutputClient(const std::string& clientName,
                                           std::shared_ptr<JackServerWatch> watch)
    : mShared(std::make_shared<Shared>())
{
  mShared->watch = std::move(watch);
  JackServerWatch::checkRoom();
  jack_status_t status{};
  mShared->client = jack_client_open(jackclientname::fresh(clientName).c_str(), JackNoStartServer, &status);
  if (!mShared->client)
    throw std::runtime_error("the JACK server refused the output client (status " + std::to_string(status) +
                             ")");
  jack_set_process_thread(mShared->client, &jackprocessthread::run<Shared>, mShared.get());
  jack_on_info_shutdown(mShared->client, &Shared::onShutdown, mShared.get());
  mShared->lastDelay = jack_get_xrun_delayed_usecs(mShared->client);
  jack_set_xrun_callback(mShared->client, &Shared::onXrun, mShared.get());
  if (!JackServerWatch::activate(mShared->client))
  {
    // Its process thread may still start: the client is kept, with the state its callbacks use.
    mShared->keptForGood = true;
    jack_client_t* client = mShared->client;
    std::shared_ptr<JackServerWatch> watch = mShared->watch;
    JackServerWatch::keepUnactivated(std::move(mShared), client, std::move(watch));
    throw std::runtime_error("the JACK server did not activate the output client");
  }
}

JackMidiOutputClient::~JackMidiOutputClient()
{
  // A stuck library would never close it.
  if (mShared->serverGone() || deadlinecall::stuck())
  {
    mShared->keptForGood = true;
    JackServerWatch::abandon(std::move(mShared));
  }
  else
    deadlinecall::release(std::move(mShared));
}

bool JackMidiOutputClient::alive() const
{
  return !mShared->serverGone();
}

std::vector<std::string> JackMidiOutputClient::portNames()
{
  return JackServerWatch::portsOf(mShared->watch, JackPortIsInput);
}

void JackMidiOutputClient::openPort(const std::string& name, const std::string& portName)
{
  if (mShared->serverGone())
    throw std::runtime_error("the JACK server went away");
  deadlinecall::run(
      [shared = mShared, name, portName]
      {
        JackServerWatch::connectPort(shared->client, shared->port, portName, JackPortIsOutput, name);
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->open = true;
      });
}

void JackMidiOutputClient::closePort()
{
  {
    Shared& s = *mShared;
    std::unique_lock<std::mutex> guard(s.lock);
    // What was queued leaves first while cycles run: a reopen must not lose a posted note-off.
    s.changed.wait_for(guard, kCloseWait, [&] { return (s.used == 0 && !s.anyAgain()) || s.serverGone(); });
    s.open = false;
    s.clear();
  }
  mShared->changed.notify_all();
  if (!mShared->port.load() || mShared->serverGone())
    return;
  deadlinecall::run([shared = mShared] { jack_port_disconnect(shared->client, shared->port.load()); });
}

bool JackMidiOutputClient::send(const unsigned char* data, size_t size)
{
  return submit(data, size, true);
}

bool JackMidiOutputClient::sendRepeatable(const unsigned char* data, size_t size,
                                          std::chrono::milliseconds pause)
{
  return submit(data, size, true, true, pause);
}

bool JackMidiOutputClient::post(const unsigned char* data, size_t size)
{
  return submit(data, size, false);
}

void JackMidiOutputClient::takeNextCycleLate()
{
  mShared->lateNextCycle = true;
}

void JackMidiOutputClient::noticeLateCycle()
{
  Shared& s = *mShared;
  std::lock_guard<std::mutex> guard(s.lock);
  s.noticeLate(s.lastTestNotice);
  s.lastTestNotice = jack_get_time();
}

IMidiPorts::Output::LateCycles JackMidiOutputClient::lateCycles() const
{
  std::lock_guard<std::mutex> guard(mShared->lock);
  return mShared->late;
}

uint64_t JackMidiOutputClient::settleRepeatables(std::chrono::milliseconds timeout)
{
  Shared& s = *mShared;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> guard(s.lock);
  while (true)
  {
    if (s.stopped())
      s.forgetKept();
    s.expireKept(jack_get_time(), false);
    if (s.keptCount == 0 || std::chrono::steady_clock::now() >= deadline)
      return s.late.dumpsGivenUp;
    s.changed.wait_for(guard, kSettlePoll);
  }
}

bool JackMidiOutputClient::submit(const unsigned char* data, size_t size, bool untilWritten, bool repeatable,
                                  std::chrono::milliseconds pause)
{
  if (!data || size == 0 || size > kMaxMessageBytes)
    return false;
  Shared& s = *mShared;
  // Only a sysex may leave in pieces: anything else must fit one cycle's buffer.
  if (const size_t room = s.emptyRoom.load(); data[0] != kSysExStart && room > 0 && size > room)
    return false;
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  std::unique_lock<std::mutex> guard(s.lock);
  // A dump queued while dumps wait to be written again would wait behind them: it waits before it is queued,
  // within the same deadline, looking again as the pause ends.
  while (repeatable && !s.stopped() && s.dumpHeld(jack_get_time()))
  {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    s.changed.wait_for(guard, kSettlePoll);
  }
  // A full queue drains only while cycles run: it is waited for no longer than a send.
  if (!s.changed.wait_until(guard, deadline,
                            [&] { return s.stopped() || kQueueBytes - s.used >= kHeaderBytes + size; }) ||
      s.stopped())
    return false;
  const size_t pos = s.at(s.used);
  const auto pauseMs = static_cast<unsigned>(std::clamp<long long>(pause.count(), 0, kLongestPauseMs));
  const unsigned char header[kHeaderBytes] = {repeatable ? kRepeatable : kQueued,
                                              static_cast<unsigned char>(size & 0xFF),
                                              static_cast<unsigned char>((size >> 8) & 0xFF),
                                              static_cast<unsigned char>((size >> 16) & 0xFF),
                                              static_cast<unsigned char>(size >> 24),
                                              static_cast<unsigned char>(pauseMs & 0xFF),
                                              static_cast<unsigned char>(pauseMs >> 8)};
  s.copyIn(pos, header, kHeaderBytes);
  s.copyIn((pos + kHeaderBytes) % kQueueBytes, data, size);
  s.used += kHeaderBytes + size;
  const uint64_t ticket = ++s.submitted;
  if (!untilWritten)
    return true;
  if (s.changed.wait_until(guard, deadline, [&] { return s.finished >= ticket || s.stopped(); }) &&
      s.finished >= ticket)
    return ticket > s.discarded && ticket != s.refused;
  // Not begun: it never leaves, so what the caller counts as sent is what went out. Begun: the rest
  // follows, or the receiver would be left inside a sysex.
  const bool begun = s.finished + 1 == ticket && s.written > 0;
  if (s.finished < ticket && !begun)
    s.queue[pos] |= kWithdrawn;
  return false;
}
