// The JACK input's ring between its process thread and its delivery thread.
#include "MidiInputQueue.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace
{
// Copies size bytes to offset at of the two free parts of a ring.
void copyInto(const jack_ringbuffer_data_t* parts, size_t at, const void* data, size_t size)
{
  const auto* bytes = static_cast<const char*>(data);
  const size_t first = at < parts[0].len ? std::min(size, parts[0].len - at) : 0;
  if (first > 0)
    std::memcpy(parts[0].buf + at, bytes, first);
  if (size > first)
    std::memcpy(parts[1].buf + (at + first - parts[0].len), bytes + first, size - first);
}
} // namespace

MidiInputQueue::MidiInputQueue(size_t bytes, Deliver deliver, Lost lost)
    : mDeliver(std::move(deliver)), mLost(std::move(lost)), mRing(jack_ringbuffer_create(bytes))
{
  if (!mRing)
    throw std::runtime_error("no memory for the MIDI input's queue");
  sem_init(&mPending, 0, 0);
  mThread = std::thread(&MidiInputQueue::deliverQueued, this);
}

MidiInputQueue::~MidiInputQueue()
{
  stop();
  jack_ringbuffer_free(mRing);
  sem_destroy(&mPending);
}

void MidiInputQueue::stop()
{
  if (!mThread.joinable())
    return;
  mStop = true;
  sem_post(&mPending);
  mThread.join();
}

bool MidiInputQueue::push(uint32_t tag, double deltaTime, const unsigned char* data, size_t size)
{
  const Header header{tag, static_cast<uint32_t>(size), deltaTime};
  const size_t total = sizeof header + size;
  // Room as the reader's own count tells it, rather than libjack's pointers: what it reads happens before
  // the bytes are written again.
  const uint64_t used = mPublished.load(std::memory_order_relaxed) - mFreed.load(std::memory_order_acquire);
  if (size > UINT32_MAX || mRing->size - 1 - used < total)
  {
    drop(Loss::kQueueFull);
    return false;
  }
  // Header and body become readable together: the reader never finds a header without its body.
  jack_ringbuffer_data_t parts[2];
  jack_ringbuffer_get_write_vector(mRing, parts);
  copyInto(parts, 0, &header, sizeof header);
  copyInto(parts, sizeof header, data, size);
  jack_ringbuffer_write_advance(mRing, total);
  mPublished.fetch_add(total, std::memory_order_release);
  sem_post(&mPending);
  return true;
}

void MidiInputQueue::drop(Loss cause, uint64_t count)
{
  mDropMark.store(mPublished.load(std::memory_order_relaxed));
  mDropped[static_cast<size_t>(cause)] += count;
  mAnyDropped.store(true);
  sem_post(&mPending);
}

MidiInputQueue::Take MidiInputQueue::take(jack_ringbuffer_t* ring, size_t available, Header& header,
                                          std::vector<unsigned char>& message)
{
  available = std::min(available, jack_ringbuffer_read_space(ring));
  if (available < sizeof header)
    return Take::kIncomplete;
  jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&header), sizeof header);
  if (header.length > ring->size - 1 - sizeof header)
    return Take::kCorrupt;
  if (available - sizeof header < header.length)
    return Take::kIncomplete;
  jack_ringbuffer_read_advance(ring, sizeof header);
  message.resize(header.length);
  jack_ringbuffer_read(ring, reinterpret_cast<char*>(message.data()), header.length);
  return Take::kRecord;
}

void MidiInputQueue::deliverQueued()
{
  std::vector<unsigned char> message;
  while (sem_wait(&mPending) == 0 || errno == EINTR)
  {
    if (mStop.load())
      return;
    // What was published when woken, then the drops once what came before them is handed on.
    const uint64_t end = mPublished.load(std::memory_order_acquire);
    Header header{};
    while (mTaken < end)
    {
      const size_t available = static_cast<size_t>(end - mTaken);
      const Take taken = take(mRing, available, header, message);
      if (taken == Take::kIncomplete)
        break;
      if (taken == Take::kCorrupt)
      {
        // Only whole records are published: dropping all of them starts the next read on a header.
        std::cerr << "MIDI input: the delivery queue lost its framing: " << available << " bytes dropped"
                  << std::endl;
        jack_ringbuffer_read_advance(mRing, available);
        mTaken = end;
        mFreed.store(mTaken, std::memory_order_release);
        ++mDropped[static_cast<size_t>(Loss::kQueueFull)];
        mAnyDropped.store(true);
        break;
      }
      mTaken += sizeof header + header.length;
      mFreed.store(mTaken, std::memory_order_release);
      mDeliver(header.tag, header.deltaTime, message);
    }
    if (!mAnyDropped.load() || mTaken < mDropMark.load())
      continue;
    // Cleared before the counts are taken: a drop counted meanwhile sets it again.
    mAnyDropped.store(false);
    for (size_t cause = 0; cause < mDropped.size(); ++cause)
    {
      if (const uint64_t lost = mDropped[cause].exchange(0))
      {
        const auto loss = static_cast<Loss>(cause);
        std::cerr << "MIDI input: " << IMidiPorts::Input::LossText(lost, loss) << std::endl;
        if (mLost)
          mLost(lost, loss);
      }
    }
  }
}
