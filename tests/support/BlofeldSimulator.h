// A simulated synthesizer for device tests: answers requests from its memory, takes dumps and changes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "IMidiPorts.h"

class DeviceClock;

// Holds 8 banks of 128 sounds, 16 sound edit buffers, 128 multis, the multi edit buffer and the global
// data. It answers only messages carrying its own device id (or the broadcast id 7F). Part p listens on
// MIDI channel p: a bank select (controller 0) followed by a program change on that channel loads the
// stored sound into the part's edit buffer; a controller of the synthesizer's chart on that channel changes
// the byte of its parameter. Messages are handled in order on the simulator's own thread;
// replies go to the reply sink (or to the plug-in's input when reached through makeBackend). Test threads
// call the public members.
class BlofeldSimulator
{
public:
  using Bytes = std::vector<unsigned char>;
  using Sink = std::function<void(const Bytes&)>;

  // How the simulator misbehaves when it should answer.
  enum class Fault
  {
    None,
    Silent,    // never answers
    Late,      // answers after the delay (clock milliseconds)
    Truncated, // sends the reply without its last half
    Corrupted, // sends the reply with a wrong model byte and checksum
    Lost, // the plug-in's input loses the next replies (times) and says so (a full queue); later ones arrive
    // sends, from device kStrayDeviceId before each reply, its stored multi of the program before the one
    // named (the last for the edit buffer), or else its stored sound of bank A and the program named
    Stray
  };
  static constexpr int kStrayDeviceId = 5;

  static constexpr int kBroadcastId = 0x7F;
  static constexpr int kBanks = 8;
  static constexpr int kPrograms = 128;
  static constexpr int kParts = 16;
  // Port names the backend of makeBackend lists (one output and one input).
  static constexpr const char* kPortName = "Blofeld";

  // deviceId: the id it answers to. clock: the time source of late answers (not owned; the real clock
  // when null).
  explicit BlofeldSimulator(int deviceId = 0, DeviceClock* clock = nullptr);
  ~BlofeldSimulator();
  BlofeldSimulator(const BlofeldSimulator&) = delete;
  BlofeldSimulator& operator=(const BlofeldSimulator&) = delete;

  void setDeviceId(int id);
  // The fault starts after goodReplies more replies sent as they should be.
  void setFault(Fault fault, int delayMs = 0, int goodReplies = 0, int times = 1);
  // The backend's output takes count more messages and then refuses every send (a port that stopped taking
  // data); a negative count takes them all again.
  void refuseSendsAfter(int count) { mSendsTaken = count; }
  // Once it took its next message, the backend's output says it gave up on count more dumps after late
  // cycles (what it wrote went out all the same); whenSettled: once a sender waits for it to stand behind
  // its dumps instead.
  void giveUpDumps(uint64_t count, bool whenSettled = false)
  {
    (whenSettled ? mGivingUpSettled : mGivingUp) = count;
  }
  // The backend lists no port any more (the synthesizer was unplugged).
  void unplug() { mUnplugged = true; }
  // Where replies go when not reached through makeBackend.
  void setSink(Sink sink);

  // An IMidiPorts backend whose output port "Blofeld" delivers to this simulator and whose input port
  // "Blofeld" receives its replies. The simulator must outlive the plug-in that uses the backend.
  std::unique_ptr<IMidiPorts::Backend> makeBackend();

  // Queues one message from the plug-in; handled on the simulator's thread.
  void receive(const Bytes& message);
  // Sends bytes to the plug-in as if played on the synthesizer (a program change, a controller).
  void play(const Bytes& message);
  // Waits until every queued message has been handled (replies included, late ones too).
  void drain();

  // Memory: sounds are whole 392-byte dumps as the simulator would send them (bank and program bytes
  // are rewritten on sending).
  void setSound(int bank, int program, const Bytes& dump);
  Bytes sound(int bank, int program);
  void setEditBuffer(int part, const Bytes& dump);
  Bytes editBuffer(int part);
  Bytes multiEditBuffer();
  // Stored multi 0..127.
  Bytes multi(int program);
  Bytes global();

  // The synthesizer's global "Ctrl Send": SysEx (the start) reports a knob as a parameter change; Ctrl as
  // the controller of its chart on the part's channel, and a knob without one not at all.
  enum class ControllerSend
  {
    SysEx,
    Ctrl
  };
  void setControllerSend(ControllerSend mode);

  // A sound parameter turned on the synthesizer: byte index (0..382) of part's (0..15) edit buffer becomes
  // value (0..127). Returns what it sends for it: the parameter change F0 3E 13 id 20 part high low value F7,
  // or in Ctrl mode the controller (B0 + part, number, value), or nothing.
  Bytes turnKnob(int part, int index, int value);
  // A global setting changed on the synthesizer: global data index (0..71) becomes value. Returns the
  // parameter change it sends, F0 3E 13 id 24 00 high low value F7. The global dump it answers with is 80
  // bytes long.
  Bytes turnGlobalKnob(int index, int value);

  // Every message received so far, and how many replies were sent.
  std::vector<Bytes> received();
  // How many messages have reached it, those still queued included.
  size_t arrived();
  int repliesSent() const { return mReplies.load(); }

private:
  class Backend;
  class Output;
  class Input;

  void loop();
  void handle(const Bytes& message);
  void handleShort(const Bytes& message);
  void reply(Bytes dump);
  void deliver(const Bytes& bytes);
  static Bytes framedDump(uint8_t type, int deviceId, int bank, int program, const Bytes& body,
                          size_t length);

  DeviceClock* mClock;
  std::mutex mLock;
  std::condition_variable mWake;
  std::condition_variable mIdle;
  std::deque<Bytes> mQueue;
  bool mBusy = false;
  std::atomic<bool> mStop{false};
  int mDeviceId;
  Fault mFault = Fault::None;
  int mDelayMs = 0;
  // The reply count from which on the fault applies.
  int mFaultFrom = 0;
  int mLostLeft = 0;
  Sink mSink;
  // The input handler of the backend's input client, when open.
  std::function<void(double, std::vector<unsigned char>*)> mInputHandler;
  IMidiPorts::Input::LostHandler mLostHandler;
  std::mutex mInputLock;

  std::map<int, Bytes> mSounds; // bank * 128 + program
  std::vector<Bytes> mEditBuffers;
  std::vector<Bytes> mMultis;
  Bytes mMultiEditBuffer;
  Bytes mGlobal;
  std::vector<Bytes> mReceived;
  ControllerSend mControllerSend = ControllerSend::SysEx;
  // Bank last selected per channel (controller 0).
  std::vector<int> mSelectedBank = std::vector<int>(kParts, 0);
  std::atomic<int> mReplies{0};
  std::atomic<int> mSendsTaken{-1};
  std::atomic<uint64_t> mGivingUp{0};
  std::atomic<uint64_t> mGivingUpSettled{0};
  std::atomic<uint64_t> mGivenUp{0};
  std::atomic<bool> mUnplugged{false};
  std::thread mThread;
};
