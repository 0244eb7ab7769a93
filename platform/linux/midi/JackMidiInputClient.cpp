// The JACK input: the process callback puts the port's messages together and queues them for delivery.
#include "JackMidiInputClient.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/statistics.h>

#include "DeadlineCall.h"
#include "InputDelivery.h"
#include "JackClientName.h"
#include "JackProcessThread.h"
#include "JackServerWatch.h"
#include "MidiInputFraming.h"
#include "MidiInputQueue.h"

namespace
{
constexpr double kSecondsPerUsec = 1e-6;
// A cycle's events as the process callback copies them, each its length and its bytes: room for all that
// JACK 2's port buffer (32 KiB) holds.
constexpr size_t kCycleCopyBytes = 64 * 1024;
// JackMidiInputClient::loseNextCycle.
std::atomic<bool> gLoseNextCycle{false};
} // namespace

// State shared with the client's process and shutdown callbacks: it outlives the object when closing the
// client is left to a deadline call or the client is kept.
struct JackMidiInputClient::Shared : MidiInputFraming::Sink
{
  using Loss = IMidiPorts::Input::Loss;

  // Declared first: the watch goes after the client and the queue.
  std::shared_ptr<JackServerWatch> watch;
  InputDelivery delivery;
  std::unique_ptr<MidiInputQueue> queue;
  jack_client_t* client = nullptr;
  // Registered at the first open and kept until the client closes: the process callback reads it.
  std::atomic<jack_port_t*> port{nullptr};
  std::atomic<bool> gone{false};
  // Kept for good (JackServerWatch::abandon, keepUnactivated): its process thread idles, and ends once the
  // server is gone.
  std::atomic<bool> keptForGood{false};
  // The xrun notices of clients not finished in time (onXrun), and the driver's delay the last notice left:
  // the notice thread's.
  std::atomic<uint64_t> unfinished{0};
  float lastDelay = 0.0f;
  // The process thread's own: a sysex arriving in pieces, the time of the last event and the time since the
  // one before (which the event's first message carries), the last cycle's first frame and length, whether
  // it found cycles gone by and whether a wake-up was let go since, the copy of the cycle's events, and the
  // xruns: the notices taken, the xruns seen by the client itself and by the notices while the port has a
  // connection, and those said.
  MidiInputFraming framing;
  jack_time_t lastTime = 0;
  double eventDelta = 0.0;
  bool cycleSeen = false;
  jack_nframes_t lastCycleStart = 0;
  jack_nframes_t lastCycleFrames = 0;
  bool lastCycleLost = false;
  bool wakeLetGo = false;
  std::vector<unsigned char> cycleCopy = std::vector<unsigned char>(kCycleCopyBytes);
  uint64_t unfinishedTaken = 0;
  uint64_t xrunsSeen = 0;
  uint64_t xrunsNoticed = 0;
  uint64_t xrunsSaid = 0;

  // The client closes first: no callback runs once the rest goes.
  ~Shared()
  {
    if (client)
      jack_client_close(client);
  }

  bool serverGone() const { return gone.load() || (watch && watch->serverGone()); }

  // Queues the messages one event holds, and counts what it dropped. Process thread.
  void take(const unsigned char* data, size_t size)
  {
    const jack_time_t now = jack_get_time();
    eventDelta = lastTime == 0 ? 0.0 : static_cast<double>(now - lastTime) * kSecondsPerUsec;
    lastTime = now;
    framing.take(data, size, *this);
  }

  void message(const unsigned char* data, size_t size) override
  {
    queue->push(delivery.generation.load(), eventDelta, data, size);
    // The event's other messages came with it.
    eventDelta = 0.0;
  }

  void lost(Loss cause) override { queue->drop(cause); }

  // Whether cycles went by without this client since its last one (an xrun left it out, and what its port
  // held then is lost): the frame time does not go on from there. Counted only while the port has a
  // connection (connected). Process thread.
  bool cyclesLost(bool connected, bool events, jack_nframes_t start, jack_nframes_t frames)
  {
    if (gLoseNextCycle.load(std::memory_order_relaxed) && cycleSeen && connected && events &&
        gLoseNextCycle.exchange(false))
      lastCycleStart -= lastCycleFrames;
    // libjack counts a cycle's frames at its start or at its end: a new period length shows in one of them.
    const jack_nframes_t since = start - lastCycleStart;
    const bool lost = cycleSeen && since != lastCycleFrames && since != frames;
    cycleSeen = true;
    lastCycleStart = start;
    lastCycleFrames = frames;
    return lost && connected;
  }

  static int process(jack_nframes_t frames, void* arg)
  {
    auto* self = static_cast<Shared*>(arg);
    const bool wakeLetGo = std::exchange(self->wakeLetGo, false);
    // A kept client reads nothing. It never ends its thread here: that makes libjack deactivate the client
    // from inside the cycle, and a live server would hold every client's requests until its cycles time out.
    if (self->keptForGood.load())
      return 0;
    jack_port_t* port = self->port.load();
    void* buffer = port ? jack_port_get_buffer(port, frames) : nullptr;
    if (!buffer)
      return 0;
    const jack_nframes_t start = jack_last_frame_time(self->client);
    // Only what a connection brought can be lost.
    const bool connected = jack_port_connected(port) > 0;
    const bool missed = self->cyclesLost(connected, jack_midi_get_event_count(buffer) > 0, start, frames);
    // A wake-up let go since the last cycle may have been the server's own for the cycle that one ran at: it
    // ran before the sender wrote that cycle, whose events are then never read. It belongs to the xrun that
    // cycle saw, if any.
    const bool letGo = wakeLetGo && connected;
    const size_t copied = self->copyEvents(buffer);
    // A cycle begun while the events were copied lets the sender write its buffer anew meanwhile: what was
    // copied may mix two cycles' events, and the cycle before is gone.
    const bool mixed = jack_last_frame_time(self->client) != start && connected;
    const uint64_t notices = self->unfinished.load();
    const bool noticed = notices != self->unfinishedTaken && connected;
    if (noticed)
      self->xrunsNoticed += notices - self->unfinishedTaken;
    self->unfinishedTaken = notices;
    // A sysex in progress may miss pieces. The client's own sight and a notice may tell of one xrun.
    if (missed || mixed || noticed || letGo)
    {
      self->xrunsSeen += missed || mixed || (letGo && !self->lastCycleLost) ? 1 : 0;
      const uint64_t xruns = std::max(self->xrunsSeen, self->xrunsNoticed);
      if (xruns > self->xrunsSaid)
        self->queue->drop(Loss::kXrun, xruns - self->xrunsSaid);
      self->xrunsSaid = xruns;
      self->framing.loseCycles(*self);
    }
    if (!mixed)
      self->takeCopied(copied);
    // A cycle run after cycles went by may have read the sender's events of the cycle before (its wake-up
    // came after the server's step), and this cycle's then come with a wake-up let go, or with the next,
    // where no gap shows: a sysex begun here may miss its next piece.
    if (missed && !mixed)
      self->framing.loseCycles(*self);
    self->lastCycleLost = missed || mixed;
    return 0;
  }

  static void letGo(Shared* self) { self->wakeLetGo = true; }

  // A notice of a client not finished in time, this one or the one sending (whose cycle's events may then be
  // gone before this client reads them), leaves the driver's delay as it was; a cycle the driver began late
  // sets it and loses nothing that clients pass each other (a synchronous server's every xrun). Notice
  // thread.
  static int onXrun(void* arg)
  {
    auto* self = static_cast<Shared*>(arg);
    const float delay = jack_get_xrun_delayed_usecs(self->client);
    if (delay == self->lastDelay)
      ++self->unfinished;
    self->lastDelay = delay;
    return 0;
  }

  // Copies the port's events into cycleCopy; the bytes copied. An event it has no room for is dropped.
  size_t copyEvents(void* buffer)
  {
    size_t used = 0;
    const uint32_t count = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < count; ++i)
    {
      jack_midi_event_t event{};
      if (jack_midi_event_get(&event, buffer, i) != 0 || !event.buffer || event.size == 0)
        continue;
      const uint32_t size = static_cast<uint32_t>(event.size);
      if (event.size > UINT32_MAX || cycleCopy.size() - used < sizeof size + event.size)
      {
        lost(Loss::kQueueFull);
        continue;
      }
      std::memcpy(cycleCopy.data() + used, &size, sizeof size);
      std::memcpy(cycleCopy.data() + used + sizeof size, event.buffer, event.size);
      used += sizeof size + event.size;
    }
    return used;
  }

  // Takes the events copyEvents copied, bytes in all.
  void takeCopied(size_t bytes)
  {
    uint32_t size = 0;
    for (size_t at = 0; bytes - at >= sizeof size; at += sizeof size + size)
    {
      std::memcpy(&size, cycleCopy.data() + at, sizeof size);
      if (bytes - at - sizeof size < size)
        return;
      take(cycleCopy.data() + at + sizeof size, size);
    }
  }

  static void onShutdown(jack_status_t, const char*, void* arg) { static_cast<Shared*>(arg)->gone = true; }
};

JackMidiInputClient::JackMidiInputClient(const std::string& clientName,
                                         std::shared_ptr<JackServerWatch> watch)
    : mShared(std::make_shared<Shared>())
{
  mShared->watch = std::move(watch);
  JackServerWatch::checkRoom();
  Shared* shared = mShared.get();
  mShared->queue = std::make_unique<MidiInputQueue>(
      MidiInputQueue::kBytes,
      [shared](uint32_t tag, double deltaTime, std::vector<unsigned char>& message)
      { shared->delivery.deliver(tag, deltaTime, &message); },
      [shared](uint64_t count, IMidiPorts::Input::Loss cause) { shared->delivery.lose(count, cause); });
  jack_status_t status{};
  mShared->client = jack_client_open(jackclientname::fresh(clientName).c_str(), JackNoStartServer, &status);
  if (!mShared->client)
    throw std::runtime_error("the JACK server refused the input client (status " + std::to_string(status) +
                             ")");
  jack_set_process_thread(mShared->client, &jackprocessthread::run<Shared>, shared);
  jack_on_info_shutdown(mShared->client, &Shared::onShutdown, shared);
  mShared->lastDelay = jack_get_xrun_delayed_usecs(mShared->client);
  jack_set_xrun_callback(mShared->client, &Shared::onXrun, shared);
  if (!JackServerWatch::activate(mShared->client))
  {
    // Its process thread may still start: the client is kept, with the state its callbacks use, but
    // without a delivery thread (no port is registered: nothing is queued).
    mShared->queue->stop();
    mShared->keptForGood = true;
    jack_client_t* client = mShared->client;
    std::shared_ptr<JackServerWatch> watch = mShared->watch;
    JackServerWatch::keepUnactivated(std::move(mShared), client, std::move(watch));
    throw std::runtime_error("the JACK server did not activate the input client");
  }
}

JackMidiInputClient::~JackMidiInputClient()
{
  mShared->delivery.end(*this);
  // The process callback may still queue while a call given up on runs: its queue stays, without a reader.
  mShared->queue->stop();
  // A stuck library would never close it.
  if (serverGone() || deadlinecall::stuck())
  {
    mShared->keptForGood = true;
    JackServerWatch::abandon(std::move(mShared));
  }
  else
    deadlinecall::release(std::move(mShared));
}

bool JackMidiInputClient::serverGone() const
{
  return mShared->serverGone();
}

bool JackMidiInputClient::alive() const
{
  return !serverGone();
}

std::vector<std::string> JackMidiInputClient::portNames()
{
  return JackServerWatch::portsOf(mShared->watch, JackPortIsOutput);
}

void JackMidiInputClient::openPort(const std::string& name, const std::string& portName)
{
  if (serverGone())
    throw std::runtime_error("the JACK server went away");
  deadlinecall::run(
      [shared = mShared, name, portName]
      { JackServerWatch::connectPort(shared->client, shared->port, portName, JackPortIsInput, name); });
  mShared->delivery.setOpen(true);
}

void JackMidiInputClient::closePort()
{
  mShared->delivery.setOpen(false);
  if (mShared->port.load() && !serverGone())
    deadlinecall::run([shared = mShared] { jack_port_disconnect(shared->client, shared->port.load()); });
}

void JackMidiInputClient::setHandler(Handler handler)
{
  mShared->delivery.setHandler(std::move(handler));
}

void JackMidiInputClient::loseNextCycle()
{
  gLoseNextCycle = true;
}

void JackMidiInputClient::setLostHandler(LostHandler handler)
{
  mShared->delivery.setLostHandler(std::move(handler));
}
