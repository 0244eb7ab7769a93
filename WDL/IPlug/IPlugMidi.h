// MIDI carriers of the framework: one short message, one sysex message and the sample-ordered output queue.
#pragma once

#include <cstdint>
#include <mutex>

// One short channel message with its sample offset. Plain value type; no lock, any thread.
struct IMidiMsg
{
  // Kind of message: the high nibble of the status byte.
  enum EStatusMsg
  {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14
  };

  // A MIDI controller number 0-127; any number in that range may be cast to this type.
  enum EControlChangeMsg
  {
    kModWheel = 1,
    kBreathController = 2,
    kFootController = 4,
    kPortamentoTime = 5,
    kChannelVolume = 7,
    kBalance = 8,
    kPan = 10,
    kExpressionController = 11,
    kSustainOnOff = 64,
    kAllSoundOff = 120,
    kResetAllControllers = 121,
    kAllNotesOff = 123
  };

  int mOffset;     // sample offset within the current audio block; 0 outside the audio callback
  uint8_t mStatus; // status byte: kind in the high nibble, channel 0-15 in the low nibble
  uint8_t mData1;  // first data byte
  uint8_t mData2;  // second data byte

  IMidiMsg(int offset = 0, uint8_t status = 0, uint8_t data1 = 0, uint8_t data2 = 0)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {
  }

  // Makers overwrite all four fields. Arguments are not checked: channel 0-15, numbers 0-127, values 0..1.
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel);
  // data2 = value * 127 truncated toward zero; offset 0.
  void MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel);
  // value is the program number divided by 127; data1 = value * 127 truncated, data2 = 0xFF; offset 0.
  void MakeProgramChangeMsg(double value, int channel);

  // Low nibble of the status byte.
  int Channel() const;
  // High nibble 8-14 for channel messages; kNone for system messages and data bytes.
  EStatusMsg StatusMsg() const;
  // data1, whatever the kind.
  EControlChangeMsg ControlChangeIdx() const;
  // Trace hook; does nothing.
  void LogMsg();
};

// One system-exclusive message. The bytes are not owned: they live as long as the call that hands the
// record on (input) or as the caller's buffer (output).
struct ISysEx
{
  int mOffset;          // sample offset; 0 for messages from the external input
  int mSize;            // number of bytes at mData
  const uint8_t* mData; // F0 .. F7 as received

  ISysEx(int offset = 0, const uint8_t* data = nullptr, int size = 0)
      : mOffset(offset), mSize(size), mData(data)
  {
  }
};

// Short messages waiting to be sent, kept in sample-offset order (equal offsets keep the order of adding).
// Filled by any thread with Add; drained by the audio thread with TakeFront and Advance. One internal lock
// guards the storage; memory is allocated outside it, so the audio thread only ever waits for a bounded
// copy, and TakeFront never waits at all (a contended take leaves the message for a later frame).
class IMidiQueue
{
public:
  // capacity: messages to allocate now; grow: growth step in messages, 0 forbids growth.
  explicit IMidiQueue(int capacity = 0, int grow = 1024);
  ~IMidiQueue();
  IMidiQueue(const IMidiQueue&) = delete;
  IMidiQueue& operator=(const IMidiQueue&) = delete;

  // Copies *msg in at its place by offset; compacts or grows a full queue; drops the message silently
  // when it can do neither. Any thread.
  void Add(const IMidiMsg* msg);
  // As Add, but a full queue is compacted only, never grown (no allocation): false when the message was
  // dropped. The audio thread's way in.
  bool AddWithoutGrowing(const IMidiMsg* msg);

  // Grows the capacity by one step, (capacity / grow + 1) * grow. False when grow is 0 or memory is
  // short (the old buffer stays). Any thread except the audio thread.
  bool Grow();

  // Audio thread: when the first waiting message is due (offset <= frame) it is copied to *msg,
  // removed, and true is returned.
  bool TakeFront(int frame, IMidiMsg* msg);

  // Audio thread, end of a block of nFrames: compacts the waiting messages to the start of the buffer
  // and subtracts nFrames from each offset.
  void Advance(int nFrames);

  // Host thread on a new block size: compacts, sets grow to nFrames rounded up to 512 messages and
  // the capacity to grow (or more, rounded the same way, when more messages wait).
  void SetCapacityForBlock(int nFrames);

  // Snapshots, any thread.
  int GetCapacity() const; // messages the buffer holds
  int GetGrow() const;     // growth step in messages
  int GetFront() const;    // buffer index of the first waiting message
  int GetBack() const;     // buffer index one past the last waiting message
  int ToDo() const;        // number of waiting messages
  bool Empty() const { return ToDo() == 0; }
  // The message at a buffer index (GetFront() <= index < GetBack()); a default message otherwise.
  IMidiMsg GetAt(int index) const;

private:
  // Add's body; mayGrow false never allocates. True when the message went in.
  bool Insert(const IMidiMsg* msg, bool mayGrow);
  // Moves the waiting messages to the start of the buffer. Lock held.
  void CompactLocked();
  // Replaces the buffer by one of newCapacity messages allocated outside the lock. False when memory is
  // short, the waiting messages do not fit, or the capacity is no longer expectedCapacity (-1: any).
  bool Reallocate(int newCapacity, int expectedCapacity);

  mutable std::mutex mLock;
  IMidiMsg* mBuf = nullptr;
  int mCapacity = 0;
  int mGrow = 0;
  int mFront = 0;
  int mBack = 0;
};
