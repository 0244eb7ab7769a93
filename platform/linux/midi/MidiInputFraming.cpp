// The JACK input's reading of events as a MIDI stream.
#include "MidiInputFraming.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr unsigned char kStatusBit = 0x80;
constexpr unsigned char kKindMask = 0xF0;
constexpr unsigned char kProgramChange = 0xC0;
constexpr unsigned char kChannelPressure = 0xD0;
constexpr unsigned char kSysExStart = 0xF0;
constexpr unsigned char kTimeCode = 0xF1;
constexpr unsigned char kSongPosition = 0xF2;
constexpr unsigned char kSongSelect = 0xF3;
constexpr unsigned char kSysExEnd = 0xF7;
constexpr unsigned char kFirstRealTime = 0xF8;
constexpr unsigned char kClock = 0xF8;
constexpr unsigned char kActiveSensing = 0xFE;

bool isStatus(unsigned char byte)
{
  return (byte & kStatusBit) != 0;
}

// Bytes of the message a status byte (not F0, F7 or real-time) begins, the status included.
size_t lengthOf(unsigned char status)
{
  if (status >= kSysExStart)
    return status == kSongPosition ? 3 : (status == kTimeCode || status == kSongSelect) ? 2 : 1;
  const unsigned char kind = status & kKindMask;
  return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
}
} // namespace

MidiInputFraming::MidiInputFraming() : mSysEx(IMidiPorts::Input::kMaxSysExBytes) {}

void MidiInputFraming::take(const unsigned char* data, size_t size, Sink& sink)
{
  // Only a sysex goes on into the next event.
  mHeld = 0;
  mRunning = 0;
  mDropping = false;
  size_t at = 0;
  while (at < size)
  {
    const unsigned char byte = data[at];
    if (byte >= kFirstRealTime)
    {
      if (byte != kClock && byte != kActiveSensing)
        sink.message(data + at, 1);
      ++at;
    }
    else if ((mInSysEx || mSkipping) && !isStatus(byte))
    {
      // The data bytes up to the next status byte in one piece.
      const size_t run = static_cast<size_t>(std::find_if(data + at, data + size, isStatus) - (data + at));
      if (mInSysEx)
        append(data + at, run);
      else
        dropSkipped(sink);
      at += run;
    }
    else if (mSkipping && byte == kSysExEnd)
    {
      dropSkipped(sink);
      mSkipping = false;
      ++at;
    }
    else if (mInSysEx && byte == kSysExEnd)
    {
      endSysEx(sink);
      ++at;
    }
    else if (mInSysEx)
    {
      dropSysEx(Loss::kCutShort, sink);
      begin(byte, sink);
      ++at;
    }
    else
    {
      if (!isStatus(byte))
        add(byte, sink);
      else if (byte == kSysExEnd)
        dropNotAMessage(sink);
      else
        begin(byte, sink);
      ++at;
    }
  }
  if (mHeld > 0)
    dropNotAMessage(sink);
}

void MidiInputFraming::loseCycles(Sink& sink)
{
  // What the lost cycles began (the sysex dropped, or one whose start they held) may go on in later events:
  // its rest is part of that loss, not messages of its own. The rest being skipped is the same loss.
  if (mInSysEx)
  {
    dropSysEx(Loss::kLostInXrun, sink);
    mSkippedSaid = true;
  }
  else if (!mSkipping)
    mSkippedSaid = false;
  mSkipping = true;
}

void MidiInputFraming::dropSkipped(Sink& sink)
{
  // The rest of a sysex whose start the lost cycles held: it was lost there.
  if (!mSkippedSaid)
    sink.lost(Loss::kLostInXrun);
  mSkippedSaid = true;
}

void MidiInputFraming::begin(unsigned char status, Sink& sink)
{
  if (mHeld > 0)
    dropNotAMessage(sink);
  mDropping = false;
  mSkipping = false;
  if (status == kSysExStart)
  {
    mRunning = 0;
    mInSysEx = true;
    mTooLong = false;
    mLength = 0;
    append(&status, 1);
    return;
  }
  // System common messages cancel running status.
  mRunning = status < kSysExStart ? status : 0;
  mMessage[0] = status;
  mHeld = 1;
  mWhole = lengthOf(status);
  completeIfWhole(sink);
}

void MidiInputFraming::add(unsigned char data, Sink& sink)
{
  if (mHeld == 0 && mRunning != 0)
  {
    mMessage[0] = mRunning;
    mHeld = 1;
    mWhole = lengthOf(mRunning);
    mDropping = false;
  }
  // A message held is never whole (completeIfWhole hands it on at once), so it has room for the byte.
  if (mHeld == 0 || mHeld >= mWhole || mHeld >= sizeof mMessage)
  {
    dropNotAMessage(sink);
    return;
  }
  mMessage[mHeld++] = data;
  completeIfWhole(sink);
}

void MidiInputFraming::completeIfWhole(Sink& sink)
{
  if (mHeld < mWhole)
    return;
  if (mMessage[0] != kTimeCode)
    sink.message(mMessage, mHeld);
  mHeld = 0;
  mDropping = false;
}

void MidiInputFraming::dropNotAMessage(Sink& sink)
{
  mHeld = 0;
  if (!mDropping)
    sink.lost(Loss::kNotAMessage);
  mDropping = true;
}

void MidiInputFraming::endSysEx(Sink& sink)
{
  append(&kSysExEnd, 1);
  mInSysEx = false;
  mDropping = false;
  if (mTooLong)
    sink.lost(Loss::kTooLong);
  else
    sink.message(mSysEx.data(), mLength);
}

void MidiInputFraming::dropSysEx(Loss cause, Sink& sink)
{
  mInSysEx = false;
  sink.lost(mTooLong ? Loss::kTooLong : cause);
}

void MidiInputFraming::append(const unsigned char* data, size_t size)
{
  mTooLong = mTooLong || size > mSysEx.size() - mLength;
  if (mTooLong)
    return;
  std::memcpy(mSysEx.data() + mLength, data, size);
  mLength += size;
}
