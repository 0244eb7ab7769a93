// Makers and readers of IMidiMsg and the sample-ordered IMidiQueue.
#include "IPlugMidi.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
constexpr uint8_t kStatusTopBit = 0x80;
constexpr uint8_t kSystemStatus = 0xF0;
constexpr uint8_t kNoteOnStatus = 0x90;
constexpr uint8_t kControlChangeStatus = 0xB0;
constexpr uint8_t kProgramChangeStatus = 0xC0;
constexpr uint8_t kProgramChangeFiller = 0xFF;
constexpr int kChannelMask = 0x0F;
constexpr double kDataRange = 127.0;
// The block-size step of the queue: 512 messages of 8 bytes are 4096 bytes of buffer.
constexpr int kBlockGrowStep = 512;

int roundUpToStep(int n)
{
  if (n <= 0)
    return kBlockGrowStep;
  return ((n + kBlockGrowStep - 1) / kBlockGrowStep) * kBlockGrowStep;
}
} // namespace

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel)
{
  mOffset = offset;
  mStatus = static_cast<uint8_t>(kNoteOnStatus | channel);
  mData1 = static_cast<uint8_t>(noteNumber);
  mData2 = static_cast<uint8_t>(velocity);
}

void IMidiMsg::MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel)
{
  mOffset = 0;
  mStatus = static_cast<uint8_t>(kControlChangeStatus | channel);
  mData1 = static_cast<uint8_t>(idx);
  mData2 = static_cast<uint8_t>(static_cast<int>(value * kDataRange));
}

void IMidiMsg::MakeProgramChangeMsg(double value, int channel)
{
  mOffset = 0;
  mStatus = static_cast<uint8_t>(kProgramChangeStatus | channel);
  mData1 = static_cast<uint8_t>(static_cast<int>(value * kDataRange));
  mData2 = kProgramChangeFiller;
}

int IMidiMsg::Channel() const
{
  return mStatus & kChannelMask;
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const
{
  if ((mStatus & kStatusTopBit) == 0 || mStatus >= kSystemStatus)
    return kNone;
  return static_cast<EStatusMsg>(mStatus >> 4);
}

IMidiMsg::EControlChangeMsg IMidiMsg::ControlChangeIdx() const
{
  return static_cast<EControlChangeMsg>(mData1);
}

void IMidiMsg::LogMsg() {}

IMidiQueue::IMidiQueue(int capacity, int grow) : mGrow(std::max(0, grow))
{
  if (capacity > 0)
    Reallocate(capacity, -1);
}

IMidiQueue::~IMidiQueue()
{
  delete[] mBuf;
}

bool IMidiQueue::Reallocate(int newCapacity, int expectedCapacity)
{
  // Allocate with the lock released so the audio thread never waits for the allocator; the copy is
  // done under the lock, after checking that the waiting messages still fit.
  IMidiMsg* fresh = new (std::nothrow) IMidiMsg[static_cast<size_t>(newCapacity)];
  if (!fresh)
    return false;
  IMidiMsg* old = nullptr;
  {
    std::lock_guard<std::mutex> lock(mLock);
    const int waiting = mBack - mFront;
    if (waiting > newCapacity || (expectedCapacity >= 0 && mCapacity != expectedCapacity))
    {
      old = fresh;
    }
    else
    {
      if (waiting > 0)
        std::copy(mBuf + mFront, mBuf + mBack, fresh);
      old = mBuf;
      mBuf = fresh;
      mCapacity = newCapacity;
      mFront = 0;
      mBack = waiting;
    }
  }
  const bool replaced = old != fresh;
  delete[] old;
  return replaced;
}

bool IMidiQueue::Grow()
{
  int capacity;
  int grow;
  {
    std::lock_guard<std::mutex> lock(mLock);
    capacity = mCapacity;
    grow = mGrow;
  }
  if (grow <= 0)
    return false;
  const int newCapacity = (capacity / grow + 1) * grow;
  // A concurrent grow that won the race leaves a capacity at least as large: that counts as grown.
  return Reallocate(newCapacity, capacity) || GetCapacity() > capacity;
}

void IMidiQueue::CompactLocked()
{
  if (mFront > 0)
  {
    std::copy(mBuf + mFront, mBuf + mBack, mBuf);
    mBack -= mFront;
    mFront = 0;
  }
}

void IMidiQueue::Add(const IMidiMsg* msg)
{
  Insert(msg, true);
}

bool IMidiQueue::AddWithoutGrowing(const IMidiMsg* msg)
{
  return Insert(msg, false);
}

bool IMidiQueue::Insert(const IMidiMsg* msg, bool mayGrow)
{
  if (!msg)
    return false;
  for (;;)
  {
    std::unique_lock<std::mutex> lock(mLock);
    if (mBack >= mCapacity)
    {
      if (mFront > 0)
        CompactLocked();
      else
      {
        const int grow = mGrow;
        lock.unlock();
        if (!mayGrow || grow <= 0 || !Grow())
          return false;
        continue;
      }
    }
    if (mBack > mFront && msg->mOffset < mBuf[mBack - 1].mOffset)
    {
      int at = mFront;
      for (int i = mBack - 2; i >= mFront; --i)
      {
        if (mBuf[i].mOffset <= msg->mOffset)
        {
          at = i + 1;
          break;
        }
      }
      std::copy_backward(mBuf + at, mBuf + mBack, mBuf + mBack + 1);
      mBuf[at] = *msg;
    }
    else
    {
      mBuf[mBack] = *msg;
    }
    ++mBack;
    return true;
  }
}

bool IMidiQueue::TakeFront(int frame, IMidiMsg* msg)
{
  std::unique_lock<std::mutex> lock(mLock, std::try_to_lock);
  if (!lock.owns_lock() || mFront >= mBack || mBuf[mFront].mOffset > frame)
    return false;
  if (msg)
    *msg = mBuf[mFront];
  ++mFront;
  return true;
}

void IMidiQueue::Advance(int nFrames)
{
  std::lock_guard<std::mutex> lock(mLock);
  CompactLocked();
  for (int i = 0; i < mBack; ++i)
    mBuf[i].mOffset -= nFrames;
}

void IMidiQueue::SetCapacityForBlock(int nFrames)
{
  const int grow = roundUpToStep(nFrames);
  for (int attempt = 0; attempt < 2; ++attempt)
  {
    int waiting;
    int capacity;
    {
      std::lock_guard<std::mutex> lock(mLock);
      CompactLocked();
      mGrow = grow;
      waiting = mBack - mFront;
      capacity = mCapacity;
    }
    const int wanted = std::max(grow, waiting > grow ? roundUpToStep(waiting) : grow);
    if (wanted == capacity)
      return;
    // Messages added meanwhile may no longer fit: then look again once.
    if (Reallocate(wanted, -1))
      return;
    if (ToDo() <= wanted)
      return;
  }
}

int IMidiQueue::GetCapacity() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mCapacity;
}

int IMidiQueue::GetGrow() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mGrow;
}

int IMidiQueue::GetFront() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mFront;
}

int IMidiQueue::GetBack() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mBack;
}

int IMidiQueue::ToDo() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mBack - mFront;
}

IMidiMsg IMidiQueue::GetAt(int index) const
{
  std::lock_guard<std::mutex> lock(mLock);
  if (index < mFront || index >= mBack)
    return IMidiMsg();
  return mBuf[index];
}
