// A JACK input's events read as a MIDI stream: whole messages handed on, the rest dropped with its cause.
#pragma once

#include <cstddef>
#include <vector>

#include "IMidiPorts.h"

// The process thread's own: take never waits nor allocates. JACK does not check what a program writes into an
// event, so each event's bytes are read as MIDI has them: an event may hold several messages (running status
// inside the event included), and a real-time byte anywhere, also inside a sysex, is a message of its own
// that leaves the rest in place. A sysex that arrives in pieces over several events is put together (up to
// IMidiPorts::Input::kMaxSysExBytes, F0 and F7 included; a longer one is dropped however it arrived). Any
// other message ends with its event: a status without all its data bytes, and data bytes that follow no
// status (the end of a sysex whose start never came, the rest of one a status byte cut short), are not a
// message. Time code, clock and active sensing are filtered out.
class MidiInputFraming
{
public:
  using Loss = IMidiPorts::Input::Loss;

  // Where take hands on what it finds, in the order of the event's bytes. Called on the process thread: it
  // must neither wait nor allocate.
  class Sink
  {
  public:
    // A whole message of size bytes at data, valid during the call.
    virtual void message(const unsigned char* data, size_t size) = 0;
    // One drop for cause: a sysex, or a run of bytes that makes no message (Loss::kNotAMessage).
    virtual void lost(Loss cause) = 0;

  protected:
    ~Sink() = default;
  };

  MidiInputFraming();
  // Reads one event's size bytes.
  void take(const unsigned char* data, size_t size, Sink& sink);
  // An xrun may have lost events of this input: a sysex in progress may miss pieces, and is dropped
  // (Loss::kLostInXrun). The data bytes that follow, up to an F7 or another status byte (real-time bytes
  // are still messages), are the rest of what the xrun lost and are skipped: the rest of the sysex dropped
  // without a drop of their own, the rest of one whose start the xrun took as its one drop (kLostInXrun).
  void loseCycles(Sink& sink);

private:
  // A status byte other than a real-time one or F7 outside a sysex: begins its message.
  void begin(unsigned char status, Sink& sink);
  // A data byte outside a sysex: adds to the message begun, or begins one with the running status.
  void add(unsigned char data, Sink& sink);
  // Hands on the message held once it has all its bytes.
  void completeIfWhole(Sink& sink);
  // Drops what the bytes since the last message make, once for each run of them.
  void dropNotAMessage(Sink& sink);
  void endSysEx(Sink& sink);
  // Drops the sysex in progress for cause, unless it is too long already.
  void dropSysEx(Loss cause, Sink& sink);
  // Appends a piece of the sysex in progress; one that does not fit makes it too long.
  void append(const unsigned char* data, size_t size);
  // Drops the sysex whose rest is being skipped, unless that was said.
  void dropSkipped(Sink& sink);

  std::vector<unsigned char> mSysEx;
  size_t mLength = 0;
  bool mInSysEx = false;
  bool mTooLong = false;
  // The event's message being read (status first), its length so far and when whole; the status that data
  // bytes after a whole channel message repeat (0: none).
  unsigned char mMessage[3] = {};
  size_t mHeld = 0;
  size_t mWhole = 0;
  unsigned char mRunning = 0;
  // The bytes since the last message were dropped already.
  bool mDropping = false;
  // Skipping the rest of what an xrun lost (loseCycles), and whether the sysex it belongs to was dropped.
  bool mSkipping = false;
  bool mSkippedSaid = false;
};
