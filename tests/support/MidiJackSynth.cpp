// A libjack client playing the synthesizer in MIDI tests.
#include "MidiJackSynth.h"

#include <algorithm>
#include <string>
#include <thread>
#include <unistd.h>

#include <jack/midiport.h>

namespace
{
// Room for thousands of sound dumps while no test thread takes them.
constexpr size_t kArrivedRingBytes = 4 << 20;
// How often a waiting thread looks into the ring when no wake-up came.
constexpr std::chrono::milliseconds kTakePoll{2};

struct ArrivedHeader
{
  size_t size;
  double seconds;
};
} // namespace

MidiJackSynth::~MidiJackSynth()
{
  close();
}

bool MidiJackSynth::open(const std::string& serverName, const std::string& clientName, std::string& error)
{
  mArrivedRing = jack_ringbuffer_create(kArrivedRingBytes);
  if (!mArrivedRing)
  {
    error = "cannot make the ring of arrived messages";
    return false;
  }
  jack_status_t status{};
  const std::string unique = clientName + "-" + std::to_string(::getpid());
  mClient = jack_client_open(
      unique.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName | JackUseExactName),
      &status, serverName.c_str());
  if (!mClient)
  {
    error = "cannot open JACK client, status " + std::to_string(static_cast<int>(status));
    return false;
  }
  mIn = jack_port_register(mClient, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  mOut = jack_port_register(mClient, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (!mIn || !mOut || jack_set_process_callback(mClient, &MidiJackSynth::process, this) != 0 ||
      jack_activate(mClient) != 0)
  {
    error = "cannot set up the JACK ports";
    close();
    return false;
  }
  return true;
}

void MidiJackSynth::close()
{
  if (mClient)
  {
    jack_deactivate(mClient);
    jack_client_close(mClient);
  }
  mClient = nullptr;
  mIn = nullptr;
  mOut = nullptr;
  if (mArrivedRing)
    jack_ringbuffer_free(mArrivedRing);
  mArrivedRing = nullptr;
}

std::string MidiJackSynth::inPortName() const
{
  return mIn ? jack_port_name(mIn) : "";
}

std::string MidiJackSynth::outPortName() const
{
  return mOut ? jack_port_name(mOut) : "";
}

void MidiJackSynth::send(const std::vector<Bytes>& messages)
{
  std::lock_guard<std::mutex> lock(mLock);
  mToSend.insert(mToSend.end(), messages.begin(), messages.end());
}

bool MidiJackSynth::waitInputConnected(std::chrono::milliseconds timeout)
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!mIn || jack_port_connected(mIn) <= 0)
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::vector<MidiJackSynth::Bytes> MidiJackSynth::waitReceived(size_t count, std::chrono::milliseconds timeout)
{
  return waitArrived(0, count, timeout);
}

std::vector<MidiJackSynth::Bytes> MidiJackSynth::waitReceivedFrom(size_t first,
                                                                  std::chrono::milliseconds timeout)
{
  return waitArrived(first, first + 1, timeout);
}

std::vector<MidiJackSynth::Bytes> MidiJackSynth::waitArrived(size_t first, size_t count,
                                                             std::chrono::milliseconds timeout)
{
  const auto end = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> lock(mLock);
  for (;;)
  {
    takeArrivedLocked();
    const auto now = std::chrono::steady_clock::now();
    if (mReceived.size() >= count || now >= end)
      break;
    // The process thread's wake-up may come between the look and the wait: the wait is short.
    mArrived.wait_for(lock, std::min<std::chrono::steady_clock::duration>(kTakePoll, end - now));
  }
  if (first >= mReceived.size())
    return {};
  return std::vector<Bytes>(mReceived.begin() + static_cast<long>(first), mReceived.end());
}

void MidiJackSynth::takeArrivedLocked()
{
  if (!mArrivedRing)
    return;
  ArrivedHeader header{};
  while (jack_ringbuffer_peek(mArrivedRing, reinterpret_cast<char*>(&header), sizeof header) ==
             sizeof header &&
         jack_ringbuffer_read_space(mArrivedRing) >= sizeof header + header.size)
  {
    jack_ringbuffer_read_advance(mArrivedRing, sizeof header);
    Bytes bytes(header.size);
    jack_ringbuffer_read(mArrivedRing, reinterpret_cast<char*>(bytes.data()), header.size);
    mReceived.push_back(std::move(bytes));
    mArrivals.push_back(header.seconds);
  }
}

std::vector<double> MidiJackSynth::arrivalTimes()
{
  std::lock_guard<std::mutex> lock(mLock);
  takeArrivedLocked();
  return mArrivals;
}

void MidiJackSynth::clearReceived()
{
  std::lock_guard<std::mutex> lock(mLock);
  takeArrivedLocked();
  mReceived.clear();
  mArrivals.clear();
}

int MidiJackSynth::process(jack_nframes_t nFrames, void* arg)
{
  auto* self = static_cast<MidiJackSynth*>(arg);
  void* inBuffer = jack_port_get_buffer(self->mIn, nFrames);
  void* outBuffer = jack_port_get_buffer(self->mOut, nFrames);
  jack_midi_clear_buffer(outBuffer);
  const uint32_t events = jack_midi_get_event_count(inBuffer);
  // The cycle's wall-clock time: the frame counter of a server that falls behind runs slow.
  const double cycleSeconds = static_cast<double>(jack_get_time()) / 1e6;
  const double rate = jack_get_sample_rate(self->mClient);
  // Into the ring without a lock: a test thread holding one would make this cycle late.
  for (uint32_t i = 0; i < events; ++i)
  {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, inBuffer, i) != 0 || !event.buffer)
      continue;
    const ArrivedHeader header{event.size, cycleSeconds + event.time / rate};
    if (jack_ringbuffer_write_space(self->mArrivedRing) < sizeof header + event.size)
    {
      ++self->mDropped;
      continue;
    }
    jack_ringbuffer_write(self->mArrivedRing, reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(self->mArrivedRing, reinterpret_cast<const char*>(event.buffer), event.size);
  }
  if (events > 0)
    self->mArrived.notify_all();
  // The queue is played only while no test thread holds it; otherwise it waits for a later cycle.
  std::unique_lock<std::mutex> lock(self->mLock, std::try_to_lock);
  if (!lock.owns_lock())
    return 0;
  // What does not fit into this cycle's buffer waits for the next one, keeping the order; all of it waits
  // while nothing listens.
  while (!self->mToSend.empty() && jack_port_connected(self->mOut) > 0)
  {
    const Bytes& next = self->mToSend.front();
    if (next.size() > jack_midi_max_event_size(outBuffer) ||
        jack_midi_event_write(outBuffer, 0, next.data(), next.size()) != 0)
      break;
    self->mToSend.pop_front();
  }
  return 0;
}
