// The messages the audio thread sends to one output, queued without a lock for the output's drain thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <semaphore.h>

#include <boost/lockfree/spsc_queue.hpp>

// One producer (the audio thread) and one consumer (the drain thread). Everything is allocated at
// construction: a push never allocates, locks or waits. A message that does not fit is dropped, the
// newest first, and counted for the consumer to report.
class AudioSendQueue
{
public:
  // Bytes the queue holds in all, and the longest message it takes.
  static constexpr size_t kCapacityBytes = 64 * 1024;
  static constexpr size_t kMaxMessageBytes = 4096;

  AudioSendQueue();
  ~AudioSendQueue();
  AudioSendQueue(const AudioSendQueue&) = delete;
  AudioSendQueue& operator=(const AudioSendQueue&) = delete;

  // Queues size bytes of data, framed with F0 .. F7 when framed; false (counted as dropped) when the
  // queue has no room or the message is longer than kMaxMessageBytes. Audio thread only.
  bool push(const unsigned char* data, size_t size, bool framed = false);

  // Takes the oldest message into message; false when the queue is empty. Drain thread only.
  bool pop(std::vector<unsigned char>& message);
  // Waits at most timeout for a push or a wake; true when woken. Drain thread only.
  bool waitForWork(std::chrono::milliseconds timeout);
  // Ends the drain thread's current wait. Any thread.
  void wake();
  // Messages dropped since the last call. Any thread.
  uint64_t takeDropped() { return mDropped.exchange(0); }
  // Messages queued so far, and how many of them the consumer said it handled (handled()). Any thread.
  uint64_t pushed() const { return mPushed.load(); }
  uint64_t handledCount() const { return mHandled.load(); }
  // The consumer is done with one popped message. Drain thread only.
  void handled() { mHandled.fetch_add(1); }

private:
  static constexpr size_t kHeaderBytes = 2;

  boost::lockfree::spsc_queue<unsigned char> mBytes;
  // The producer's record in the making: the queue publishes one record with a single push.
  std::array<unsigned char, kHeaderBytes + kMaxMessageBytes + 2> mRecord{};
  std::atomic<uint64_t> mDropped{0};
  std::atomic<uint64_t> mPushed{0};
  std::atomic<uint64_t> mHandled{0};
  sem_t mWork;
};
