// The JACK input's framing of events into whole messages.
#include "MidiInputFraming.h"

#include <cstring>

namespace
{
constexpr unsigned char kSysExStart = 0xF0;
constexpr unsigned char kSysExEnd = 0xF7;
constexpr unsigned char kTimeCode = 0xF1;
constexpr unsigned char kClock = 0xF8;
constexpr unsigned char kActiveSensing = 0xFE;
constexpr unsigned char kStatusBit = 0x80;
constexpr unsigned char kFirstRealTime = 0xF8;
} // namespace

MidiInputFraming::MidiInputFraming() : mSysEx(IMidiPorts::Input::kMaxSysExBytes) {}

MidiInputFraming::Framed MidiInputFraming::take(const unsigned char* data, size_t size)
{
  Framed framed;
  const unsigned char status = data[0];
  if (status >= kFirstRealTime)
  {
    if (status != kClock && status != kActiveSensing)
      framed.message = data, framed.size = size;
    return framed;
  }
  const bool startsWithStatus = (status & kStatusBit) != 0;
  const bool ends = data[size - 1] == kSysExEnd;
  if (mInSysEx && startsWithStatus && status != kSysExEnd)
  {
    mInSysEx = false;
    framed.lost = mTooLong ? Loss::kTooLong : Loss::kCutShort;
  }
  if (mInSysEx)
  {
    append(data, size);
    if (!ends)
      return framed;
    mInSysEx = false;
    if (mTooLong)
      framed.lost = Loss::kTooLong;
    else
      framed.message = mSysEx.data(), framed.size = mLength;
    return framed;
  }
  if (!startsWithStatus || status == kSysExEnd)
  {
    framed.lost = Loss::kNotAMessage;
    return framed;
  }
  if (status == kSysExStart && !ends)
  {
    mInSysEx = true;
    mTooLong = false;
    mLength = 0;
    append(data, size);
    return framed;
  }
  if (status != kTimeCode)
    framed.message = data, framed.size = size;
  return framed;
}

void MidiInputFraming::append(const unsigned char* data, size_t size)
{
  mTooLong = mTooLong || size > mSysEx.size() - mLength;
  if (mTooLong)
    return;
  std::memcpy(mSysEx.data() + mLength, data, size);
  mLength += size;
}
