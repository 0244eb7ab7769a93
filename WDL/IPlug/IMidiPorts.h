// The plug-in's external MIDI output and input ports: name lists, open by name, sends and the input callback.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "AudioSendQueue.h"
#include "IPlugMidi.h"

class IPlugBase;

// Owned by the plug-in base, one per plug-in instance. Each direction has its own lock around open,
// close and send, so the editor, worker and audio threads may send at once, and a lock of its own around
// every list, open and close call on its client, so a port watch and a menu never list at once. The
// system ports are reached through a Backend (RtMidi on Linux, an in-process fake in tests); without any
// client the lists hold only "OFF" and every open and send reports failure.
class IMidiPorts
{
public:
  // RtMidi's callback shape: delta time in seconds (unused), the message bytes, the user data.
  using InputCallback = void (*)(double deltaTime, std::vector<unsigned char>* message, void* userData);

  // Thrown by a client call that the MIDI system did not answer within the backend's deadline (a stalled or
  // slow JACK server). The direction waits for the system (IsOutWaiting): its port stays chosen, and once
  // the system answers again the plug-in is told (kOutAnswered) so that it opens the port again by name.
  class Unanswered : public std::runtime_error
  {
  public:
    using std::runtime_error::runtime_error;
  };

  // What happened to the ports without being asked for (TakeLost).
  enum LostBits
  {
    kOutLost = 1,
    kInLost = 2,
    // A call of the direction went unanswered (rather than a port going away): the direction waits.
    kOutUnanswered = 4,
    // A port chosen by name was not present any more when it was to be opened.
    kOutGone = 8,
    kInGone = 16,
    kInUnanswered = 32,
    // The system answers again after the direction waited: a port the open left undone can open now.
    kOutAnswered = 64,
    kInAnswered = 128,
    // A call went unanswered, or a client was refused, because the system's library is stuck
    // (Backend::stuck): neither direction opens again until the host restarts.
    kStuck = 256
  };

  // The system side of one output client. Errors are thrown as std::exception.
  class Output
  {
  public:
    virtual ~Output() = default;
    // The system's port names in its order, read in one call.
    virtual std::vector<std::string> portNames() = 0;
    // Opens the system port listed as name under this client's port name, connected to that port and no
    // other even when the list changes meanwhile; throws on failure, also when it is not present.
    virtual void openPort(const std::string& name, const std::string& portName) = 0;
    virtual void closePort() = 0;
    // Writes one message; false when refused (too long, no port, an earlier send still stalled) or not
    // taken by the system before a deadline (such a message may still leave later, in order). Never
    // blocks for longer than that deadline. Calls are serialised by IMidiPorts.
    virtual bool send(const unsigned char* data, size_t size) = 0;
    // As send, for a message that may safely arrive twice (a dump into a memory slot or an edit buffer): a
    // client that can lose what it wrote (JACK: a cycle the server reports late) writes it again, and keeps
    // pause between it and the next such message, written again or not. By default a send.
    virtual bool sendRepeatable(const unsigned char* data, size_t size, std::chrono::milliseconds)
    {
      return send(data, size);
    }
    // Waits at most timeout until no repeatable message written so far may still need writing again; the
    // number of them the client gave up on since it was made (lost again after the last repeat, or not
    // written again before the port closed).
    virtual uint64_t settleRepeatables(std::chrono::milliseconds) { return 0; }
    // What cycles the system reported late may have lost, counted since the client was made (JACK: a
    // cycle's notice concerns what the cycles just before it wrote).
    struct LateCycles
    {
      // Messages those cycles wrote, and the note-ons among them, which are never written again: a
      // late note would sound out of time.
      uint64_t messages = 0;
      uint64_t noteOns = 0;
      // Releases (note-off, pedal up, all notes or sounds off) written again, and those given up on as
      // repeatable messages are; dumps given up on (settleRepeatables).
      uint64_t releasesAgain = 0;
      uint64_t releasesGivenUp = 0;
      uint64_t dumpsGivenUp = 0;
    };
    // Any thread; never waits for the system.
    virtual LateCycles lateCycles() const { return {}; }
    // Queues one message to leave in order after the ones before it, without waiting for it to leave;
    // false when refused. Calls are serialised by IMidiPorts with send. By default a send.
    virtual bool post(const unsigned char* data, size_t size) { return send(data, size); }
    // True when send and post may run beside each other and beside open and close (the client orders
    // them itself): IMidiPorts then does not hold the direction lock while they wait.
    virtual bool concurrentSends() const { return false; }
    // Longest message the client takes in one send, in bytes.
    virtual size_t maxMessageSize() const = 0;
    // False once the system the client belongs to went away (a JACK server that quit): a new client is
    // needed to see the ports of a system started again.
    virtual bool alive() const { return true; }
  };

  // The system side of one input client. Sysex passes; time messages and active sensing are filtered.
  class Input
  {
  public:
    using Handler = std::function<void(double deltaTime, std::vector<unsigned char>* message)>;
    virtual ~Input() = default;
    // As Output::portNames and Output::openPort.
    virtual std::vector<std::string> portNames() = 0;
    virtual void openPort(const std::string& name, const std::string& portName) = 0;
    // Closes the port; on return the handler is not running and will not be called again until the
    // next open.
    virtual void closePort() = 0;
    // Called on the backend's input thread for every message. Set before openPort.
    virtual void setHandler(Handler handler) = 0;
    // Why the client dropped what it received: its queue was full, a sysex was longer than it puts together
    // (kMaxSysExBytes), a status byte cut a sysex short, bytes made no message (a status without its data
    // bytes, data bytes that follow no status: the end of a sysex whose start never came, the rest of one cut
    // short), a sysex was in progress during an xrun (kLostInXrun: a client not finished in time, or cycles
    // the input was left out of), or an xrun came at all (kXrun: what arrived then may be lost, and nobody
    // can tell what it was).
    enum class Loss
    {
      kQueueFull,
      kTooLong,
      kCutShort,
      kNotAMessage,
      kLostInXrun,
      kXrun
    };
    static constexpr size_t kLossKinds = 6;
    // Longest sysex a client takes (the JACK input: in one event or put together from several).
    static constexpr size_t kMaxSysExBytes = 64 * 1024;
    // "dropped <count> ...: <why>" (for kXrun: "messages may have been lost in <count> xruns"), as the client
    // says it on standard error and the debug log keeps it.
    static std::string LossText(uint64_t count, Loss cause)
    {
      const std::string n = std::to_string(count);
      switch (cause)
      {
      case Loss::kQueueFull:
        return "dropped " + n + " messages: the delivery queue was full";
      case Loss::kTooLong:
        return "dropped " + n + " sysex: longer than " + std::to_string(kMaxSysExBytes) + " bytes";
      case Loss::kCutShort:
        return "dropped " + n + " sysex: cut short by a status byte before its end";
      case Loss::kNotAMessage:
        return "dropped " + n +
               " byte runs: not a message (a status without its data, or data without a status)";
      case Loss::kLostInXrun:
        return "dropped " + n + " sysex: lost in an xrun";
      case Loss::kXrun:
        return "messages may have been lost in " + n + (count == 1 ? " xrun" : " xruns");
      }
      return "dropped " + n + " messages";
    }
    // count: what the client dropped for cause since the last call. Called on the input thread once the
    // messages that came before are handed on, once for each cause. By default never called.
    using LostHandler = std::function<void(uint64_t count, Loss cause)>;
    virtual void setLostHandler(LostHandler) {}
    // As Output::alive.
    virtual bool alive() const { return true; }
  };

  // Makes clients. A client that cannot be created gives null or throws std::exception.
  class Backend
  {
  public:
    virtual ~Backend() = default;
    virtual std::unique_ptr<Output> createOutput(const std::string& clientName) = 0;
    virtual std::unique_ptr<Input> createInput(const std::string& clientName,
                                               unsigned int queueSizeLimit) = 0;
    // False while a call the system did not answer in time has not returned: every call fails at once.
    virtual bool answering() const { return true; }
    // True once the system's library in this process can make no client any more (a call into it never
    // returns, or a new client would crash it): nothing more is asked of it until the host restarts.
    virtual bool stuck() const { return false; }
  };

  using BackendFactory = std::unique_ptr<Backend> (*)();

  // The computer's MIDI system (defined by the platform MIDI library; RtMidi on Linux).
  static std::unique_ptr<Backend> CreateSystemBackend();
  // Process-wide factory used by instances that were given no backend; null restores the system one.
  // Tests install a fake here before they create plug-ins. Call before any instance lists its ports.
  static void SetBackendFactory(BackendFactory factory);

  // plug: the owning plug-in (input reaches it through SetInputCallback, set by the base).
  explicit IMidiPorts(IPlugBase* plug);
  // Closes both directions (CloseAll).
  ~IMidiPorts();
  IMidiPorts(const IMidiPorts&) = delete;
  IMidiPorts& operator=(const IMidiPorts&) = delete;

  // Uses this backend instead of the process-wide one. Only before the first list request.
  void SetBackend(std::unique_ptr<Backend> backend);
  // Lines about missing clients and failed opens also go to this debug log file; empty (the default)
  // writes them to standard error only.
  void SetDebugLogPath(const std::string& path);
  // Where input goes; the plug-in base passes its static MIDICallback and itself. Null stops delivery.
  // Takes effect for the open port at once; waits for a running delivery to end, so it must not be
  // called from inside the callback.
  void SetInputCallback(InputCallback callback, void* userData);

  // "OFF", then the system's port names in the system's order, without the ports of this plug-in's own
  // clients (in any instance). Built on the first call (which creates the client) and cached until
  // Reread. Editor or host thread.
  std::vector<std::string> GetOutNames();
  std::vector<std::string> GetInNames();
  // Reads the system's list again into the cache (making the client first when there is none) and
  // returns it: later opens are found in it. The open port keeps its place under its new position; one
  // not listed any more is closed and reported (kOutLost / kInLost). A list that cannot be read keeps the
  // last list and the open port, and is logged; so does one read while a port was opened. The ports are
  // listed without the direction's lock, so sends go on meanwhile. Editor or host thread.
  std::vector<std::string> RereadOutNames();
  std::vector<std::string> RereadInNames();

  // Looks for the port called name in the system's current list, then closes the direction's port and
  // opens that one by its name. A list that cannot be read while name is the open port keeps it open.
  // idx: in: the position last chosen; out: the position of name in the cached list, 0 when name is
  // "OFF", not listed or not present any more. Returns the position opened, 0 for none. A client dropped
  // after an unanswered call is made again first. An open the system does not answer returns 0 and leaves
  // the direction waiting (IsOutWaiting). failure, when given, gets why a listed port did not open (no
  // client, or the system's reason); a port not present any more is reported by TakeLost instead.
  int OpenOut(int& idx, const char* name, std::string* failure = nullptr);
  int OpenIn(int& idx, const char* name, std::string* failure = nullptr);

  // Sends: true when the bytes were handed to the open output port. Any thread. On the audio thread
  // (AudioThread::Scope) a send never waits: it is queued for the output's drain thread, which sends it
  // in order between other threads' sends, and true means queued; a full queue drops it (logged by the
  // drain thread).
  // A short message: 2 bytes for program change and channel aftertouch, 3 otherwise.
  bool SendMsg(const IMidiMsg* msg);
  // Framed with F0 .. F7 unless data[0] is F0 (then sent as it is). size >= 1.
  bool SendSysex(const unsigned char* data, int size);
  // Sent unchanged.
  bool SendPatchSysex(const unsigned char* data, int size);
  bool SendBytes(const std::vector<unsigned char>& bytes);
  // A dump into a memory slot or an edit buffer, sent as it is: the output writes it again where it may have
  // lost it, keeping pause before the next dump (Output::sendRepeatable).
  bool SendDump(const std::vector<unsigned char>& bytes, std::chrono::milliseconds pause);
  // Waits at most timeout until no dump sent so far may still need writing again; how many dumps the
  // output client gave up on since it was made. Unknown (empty) when no output client is there or the
  // output stayed busy (port work, a stalled send) for the 2 s a sender waits for it.
  std::optional<uint64_t> SettleDumps(std::chrono::milliseconds timeout);

  // Waits at most timeout until the drain thread has handed on everything the audio thread queued before
  // the call and, while the output is open, sent again the releases the output refused; false when some is
  // still queued. Not on the audio thread.
  bool WaitForAudioSends(std::chrono::milliseconds timeout);
  // Messages the audio thread queued so far, and how many of them the drain thread has handed on. Any
  // thread.
  uint64_t AudioSendsQueued() const { return mAudioQueue.pushed(); }
  uint64_t AudioSendsHandled() const { return mAudioQueue.handledCount(); }

  // What the input client dropped so far, for any cause (Input::Loss): a reply awaited since a request went
  // out may be among it when this rose meanwhile. Any thread.
  uint64_t InputLost() const { return mInputLost.load(); }

  // Closes both ports and stops input delivery; when it returns, the input callback is not running and
  // will not run again. The plug-in calls it in teardown before its own members go. Idempotent; not
  // from inside the input callback.
  void CloseAll();

  // Snapshots, any thread: the position last asked for (above 0: a port may be open) and whether a
  // port is open now.
  int GetOutIndex() const { return mOutIndex.load(); }
  int GetInIndex() const { return mInIndex.load(); }
  bool IsOutOpen() const { return mOutOpen.load(); }
  bool IsInOpen() const { return mInOpen.load(); }
  // Whether a call of the direction went unanswered and the system has not answered since: the port
  // chosen stays chosen (open, or to be opened again once kOutAnswered is reported).
  bool IsOutWaiting() const { return mOutWaiting.load(); }
  bool IsInWaiting() const { return mInWaiting.load(); }
  // Backend::stuck: waiting for the system's answer is pointless. Any thread.
  bool IsStuck();
  // The whole name of the port open in a direction, empty when none. Waits for port work in progress.
  std::string OpenOutName();
  std::string OpenInName();

  // The directions closed since the last call because their port went away, whose port chosen by name was
  // gone, that the system stopped answering or that it answers again (LostBits), then cleared. An open
  // port is looked for in the system's list every kWatchPeriod by a thread of this object; while a
  // direction waits, that thread asks the backend every kAnswerLookPeriod whether the system answers.
  // Any thread.
  int TakeLost() { return mLost.exchange(0); }
  static constexpr std::chrono::milliseconds kWatchPeriod{1000};
  static constexpr std::chrono::milliseconds kAnswerLookPeriod{100};

  // True when name is a port of this plug-in's own clients, in any instance, as the system lists it
  // ("client:port ..."): the clients are named "Korvid Editor N", N counting the instances of the process.
  static bool IsOwnPort(const std::string& name);
  // The name this object gives its clients.
  const std::string& ClientName() const { return mClientName; }

  // Turns raw input into the framework's records: 1-3 bytes give an IMidiMsg (offset 0, missing data
  // bytes 0), 4 or more an ISysEx over a copy of the bytes, 0 nothing. The records live for the call.
  static void Dispatch(const std::vector<unsigned char>& bytes, const std::function<void(IMidiMsg*)>& onMsg,
                       const std::function<void(ISysEx*)>& onSysEx);

private:
  // One direction's lock: BasicLockable, plus a bounded wait for senders. A holder that calls into the
  // MIDI system (open, close, client changes; each may take up to a deadline) marks its hold as port work:
  // a sender then gives up at once instead of waiting, so the audio thread never waits for a deadline.
  class DirectionLock
  {
  public:
    void lock();
    void unlock();
    // The holder calls into the MIDI system until it unlocks. Holder only.
    void markPortWork();
    // Waits at most timeout while another thread sends or reads; false when the lock was not free in
    // time, and at once while it is held for port work.
    bool tryLockFor(std::chrono::milliseconds timeout);

  private:
    std::mutex mMutex;
    std::condition_variable mFree;
    bool mHeld = false;
    bool mPortWork = false;
  };

  // True on a thread while it delivers input (onInput): its sends are posted.
  static inline thread_local bool sInInputDelivery = false;

  Backend* backend();
  // To standard error and the debug log (SetDebugLogPath); logToFile: only the log.
  void log(const std::string& text);
  void logToFile(const std::string& text);
  // Sends under the direction lock; on the audio thread, queued for the drain thread instead.
  bool sendLocked(const unsigned char* data, size_t size);
  enum class Sent
  {
    kYes,
    kNo,
    // The direction lock was not free in time.
    kBusy
  };
  // Sends under the direction lock; posted: without waiting for it to leave (Output::post); repeatable:
  // Output::sendRepeatable with pause.
  Sent sendOut(const unsigned char* data, size_t size, bool posted, bool repeatable = false,
               std::chrono::milliseconds pause = std::chrono::milliseconds(0));
  // Audio thread: queues the message (framed with F0 .. F7 when framed) when the output is open.
  bool queueFromAudio(const unsigned char* data, size_t size, bool framed);
  // The drain thread: sends what the audio thread queued until stopped.
  void startDrain();
  void stopDrain();
  void drain();
  // The output client once the direction lock was free within wait (tried again while port work holds
  // it); null when it was not, or there is none.
  std::shared_ptr<Output> outputWithin(std::chrono::milliseconds wait);
  // Drain thread, at most every second and when it stops: logs what late cycles may have lost since said
  // (the counts last logged), when the output is free.
  void sayLateCycles(Output::LateCycles& said);
  // A note-off or pedal release of the audio thread that the output refused is kept, one per channel and
  // key or pedal, and sent again before the next message until the output takes it: a key that went out is
  // released. Drain thread.
  void keepRefusedRelease(const std::vector<unsigned char>& message);
  // Stops at the first the output does not take: the rest waits for the next try.
  void sendRefusedReleases();
  void closeOutLocked();
  void closeInLocked();
  void onInput(double deltaTime, std::vector<unsigned char>* message);
  void createOutLocked();
  void createInLocked();
  // The watch thread: looks for the open ports, and for the system's answer while a direction waits, until
  // stopped.
  void startWatch();
  void stopWatch();
  void watch();
  // Reports the waiting directions answered (kOutAnswered, kInAnswered) once the backend answers.
  void lookForAnswer();
  void checkOutPort();
  void checkInPort();
  // One direction's members, for the code both directions share.
  template <class Client> struct Direction
  {
    DirectionLock& lock;
    std::mutex& listLock;
    std::shared_ptr<Client>& client;
    std::vector<std::string>& names;
    std::atomic<int>& index;
    std::atomic<bool>& open;
    std::atomic<bool>& waiting;
    std::string& portName;
    // Counts the opens: a list read before one may miss the port it opened.
    unsigned& opens;
    int lostBit;
    // Recorded when a port chosen by name is not present any more.
    int goneBit;
    int unansweredBit;
    // The name the client gives its port.
    const char* clientPortName;
    void (IMidiPorts::*createLocked)();
    void (IMidiPorts::*closeLocked)();
    const char* name;
  };
  Direction<Output> outDirection();
  Direction<Input> inDirection();
  // OpenOut and OpenIn with the direction's lock held for port work.
  template <class Client>
  int openLocked(const Direction<Client>& d, int& idx, const char* name, std::string* failure);
  // Closes one direction's open port when the system no longer lists it, recording its lost bit.
  template <class Client> void checkPort(const Direction<Client>& d);
  template <class Client> std::vector<std::string> reread(const Direction<Client>& d);
  // With the direction's lock held for port work: the open port went away.
  template <class Client> void closeGoneLocked(const Direction<Client>& d);
  // With the direction's lock held for port work: a call went unanswered. The direction waits; the port
  // chosen stays chosen. dropClient: the call was on the client's port (or the client no longer answers
  // while the system does), whose state is not known: the client goes, and the port opens again with a new
  // one. Otherwise (a listing) the client and its open port stay.
  template <class Client>
  void unansweredLocked(const Direction<Client>& d, const Unanswered& e, bool dropClient);

  IPlugBase* mPlug;
  const std::string mClientName;
  std::unique_ptr<Backend> mBackend;
  bool mBackendTried = false;
  std::mutex mBackendLock;
  std::mutex mLogLock;
  std::string mLogPath;

  DirectionLock mOutLock;
  // Held around each list, open and close call on mOut, after mOutLock when both are held.
  std::mutex mOutListLock;
  // Shared with a listing that runs without the lock.
  std::shared_ptr<Output> mOut;
  std::vector<std::string> mOutNames;
  std::atomic<int> mOutIndex{0};
  std::atomic<bool> mOutOpen{false};
  std::atomic<bool> mOutWaiting{false};
  // The system's name of the open output port.
  std::string mOutPortName;
  unsigned mOutOpens = 0;

  DirectionLock mInLock;
  std::mutex mInListLock;
  std::shared_ptr<Input> mIn;
  std::vector<std::string> mInNames;
  std::atomic<int> mInIndex{0};
  std::atomic<bool> mInOpen{false};
  std::atomic<bool> mInWaiting{false};
  std::string mInPortName;
  unsigned mInOpens = 0;

  std::atomic<int> mLost{0};
  std::atomic<uint64_t> mInputLost{0};
  AudioSendQueue mAudioQueue;
  std::atomic<bool> mDrainStop{false};
  // The refused releases by channel, then key (pedal last); size 0: none. The drain thread's, but for the
  // count.
  struct Release
  {
    unsigned char bytes[3];
    unsigned char size;
  };
  static constexpr size_t kReleaseSlots = 16 * 129;
  std::array<Release, kReleaseSlots> mRefused{};
  std::atomic<int> mRefusedCount{0};
  std::mutex mDrainLock;
  std::thread mDrainer;

  std::mutex mWatchLock;
  std::condition_variable mWatchWake;
  bool mWatchStop = false;
  // A stuck library was said (kStuck): the watch does not say it again until the system answers.
  std::atomic<bool> mStuckSaid{false};
  std::thread mWatcher;

  // Held shared by a running delivery, exclusively while the callback changes or input closes.
  std::shared_mutex mCallbackLock;
  InputCallback mCallback = nullptr;
  void* mCallbackUserData = nullptr;
};
