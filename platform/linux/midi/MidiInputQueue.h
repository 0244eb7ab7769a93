// What a JACK input's real-time process thread hands to a delivery thread: whole messages through a ring.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include <jack/ringbuffer.h>
#include <semaphore.h>

#include "IMidiPorts.h"

// The process thread never waits nor allocates: push copies a message into a lock-free ring allocated up
// front and posts a semaphore that wakes the delivery thread, a thread of this object, which hands the
// messages on in order. A message the ring has no room for is dropped and counted, as is what the process
// thread drops for a cause of its own, and the delivery thread is woken for it too: once it has handed on
// what came before, it says each cause's losses on standard error and to lost.
class MidiInputQueue
{
public:
  // Room for several banks of 128 sound dumps (408 bytes a record), so a reader held up by a lock for a
  // while loses nothing.
  static constexpr size_t kBytes = 256 * 1024;

  // A record's header; the message's bytes follow it.
  struct Header
  {
    // The caller's tag (an input client's port opening the message arrived in).
    uint32_t tag;
    uint32_t length;
    double deltaTime;
  };
  enum class Take
  {
    kRecord,
    // Not all of the next record is readable yet: nothing was taken.
    kIncomplete,
    // The next header's length cannot be a record's: the ring lost its framing.
    kCorrupt
  };

  using Deliver = std::function<void(uint32_t tag, double deltaTime, std::vector<unsigned char>& message)>;
  using Loss = IMidiPorts::Input::Loss;
  // count: what was lost for cause since the last call.
  using Lost = std::function<void(uint64_t count, Loss cause)>;

  // Allocates the ring of at least bytes and starts the delivery thread, which calls deliver for every
  // message and lost after drops. Throws std::runtime_error when the ring cannot be allocated.
  MidiInputQueue(size_t bytes, Deliver deliver, Lost lost);
  // stop().
  ~MidiInputQueue();
  MidiInputQueue(const MidiInputQueue&) = delete;
  MidiInputQueue& operator=(const MidiInputQueue&) = delete;

  // Ends the delivery thread: no deliver or lost call runs after it returns. push stays safe. Not from the
  // delivery thread.
  void stop();
  // The process thread (one writer): queues the message; false when it was dropped. Never waits.
  bool push(uint32_t tag, double deltaTime, const unsigned char* data, size_t size);
  // The process thread: counts count drops for cause (a push without room drops for Loss::kQueueFull).
  // Never waits.
  void drop(Loss cause, uint64_t count = 1);
  // The reader's step: takes the next record from ring when its header and its whole body are among the
  // first available bytes. Delivery thread, or a test's own ring.
  static Take take(jack_ringbuffer_t* ring, size_t available, Header& header,
                   std::vector<unsigned char>& message);

private:
  void deliverQueued();

  Deliver mDeliver;
  Lost mLost;
  jack_ringbuffer_t* mRing = nullptr;
  sem_t mPending{};
  // Bytes of whole records the writer published, and the bytes the reader took of them (mFreed: as the
  // writer sees it).
  std::atomic<uint64_t> mPublished{0};
  uint64_t mTaken = 0;
  std::atomic<uint64_t> mFreed{0};
  // By cause (Loss), and whether any is counted.
  std::array<std::atomic<uint64_t>, IMidiPorts::Input::kLossKinds> mDropped{};
  std::atomic<bool> mAnyDropped{false};
  // mPublished at the last drop.
  std::atomic<uint64_t> mDropMark{0};
  std::atomic<bool> mStop{false};
  std::thread mThread;
};
