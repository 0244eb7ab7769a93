// The audio thread's send queue: records of a two-byte length and the bytes, published by one push each.
#include "AudioSendQueue.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace
{
constexpr unsigned char kSysExStart = 0xF0;
constexpr unsigned char kSysExEnd = 0xF7;
constexpr long kNanosPerSecond = 1000000000L;
} // namespace

static_assert(AudioSendQueue::kMaxMessageBytes + 2 <= 0xFFFF, "a record's length takes two bytes");

AudioSendQueue::AudioSendQueue() : mBytes(kCapacityBytes)
{
  sem_init(&mWork, 0, 0);
  // The ring's memory is written once here, so that the audio thread's first pushes fault in no page.
  std::vector<unsigned char> fill(kCapacityBytes, 0);
  const size_t written = mBytes.push(fill.data(), fill.size());
  mBytes.pop(fill.data(), written);
}

AudioSendQueue::~AudioSendQueue()
{
  sem_destroy(&mWork);
}

bool AudioSendQueue::push(const unsigned char* data, size_t size, bool framed)
{
  const size_t length = size + (framed ? 2 : 0);
  if (!data || size == 0 || size > kMaxMessageBytes || length > kMaxMessageBytes ||
      mBytes.write_available() < kHeaderBytes + length)
  {
    mDropped.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  mRecord[0] = static_cast<unsigned char>(length & 0xFF);
  mRecord[1] = static_cast<unsigned char>(length >> 8);
  size_t at = kHeaderBytes;
  if (framed)
    mRecord[at++] = kSysExStart;
  std::memcpy(mRecord.data() + at, data, size);
  at += size;
  if (framed)
    mRecord[at++] = kSysExEnd;
  mBytes.push(mRecord.data(), at);
  mPushed.fetch_add(1, std::memory_order_release);
  sem_post(&mWork);
  return true;
}

bool AudioSendQueue::pop(std::vector<unsigned char>& message)
{
  unsigned char header[kHeaderBytes];
  // A record is published whole, so its header present means its bytes are too.
  if (mBytes.read_available() < kHeaderBytes || mBytes.pop(header, kHeaderBytes) != kHeaderBytes)
    return false;
  const size_t length = static_cast<size_t>(header[0]) | (static_cast<size_t>(header[1]) << 8);
  message.resize(length);
  return mBytes.pop(message.data(), length) == length;
}

bool AudioSendQueue::waitForWork(std::chrono::milliseconds timeout)
{
  timespec until{};
  clock_gettime(CLOCK_MONOTONIC, &until);
  const long long nanos = until.tv_nsec + static_cast<long long>(timeout.count()) * 1000000LL;
  until.tv_sec += static_cast<time_t>(nanos / kNanosPerSecond);
  until.tv_nsec = static_cast<long>(nanos % kNanosPerSecond);
  while (sem_clockwait(&mWork, CLOCK_MONOTONIC, &until) != 0)
  {
    if (errno != EINTR)
      return false;
  }
  return true;
}

void AudioSendQueue::wake()
{
  sem_post(&mWork);
}
