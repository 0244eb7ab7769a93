// The plug-in's one link to the synthesizer: the job sender, its three worker threads and the flags.
#pragma once

#include "BankChangeThread.h"
#include "LibraryRequest.h"
#include "MIDIMessageSender.h"
#include "SysexProtocol.h"
#include "WorkerThread.h"

#include <IPlugMidi.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class DeviceClock;
class IControl;
class IGraphics;
class Korvid;
class PatchLibrarian;
class PatchManager;

// Built once by the plug-in and kept for its life. The flags are read and written by the editor, the
// audio callback, the MIDI input thread and the jobs (atomics, no lock). Jobs are started only through
// post; a post to a busy thread is dropped. Destruction stops and joins every running job before the
// sender goes. Concern files: MIDIMessageManager.cpp (threads, posting), MIDIMessageManagerSysEx.cpp
// (incoming sysex, library requests), MIDIMessageManagerParameterChange.cpp (incoming parameter changes),
// MIDIMessageManagerSysExToUI.cpp (a received value into a control), MIDIMessageManagerPatch.cpp (sound
// dump parsing), MIDIMessageManagerMulti.cpp (multi and global dump parsing), MIDIMessageManagerEffects.cpp
// (outgoing parameter messages, effect parameter copies), MIDIMessageManagerRandomizer.cpp (randomizer).
class MIDIMessageManager
{
public:
  enum class Thread
  {
    SysexJob,  // jobs 0 to 13
    Transport, // jobs 15 and 17
    Clock      // job 16
  };

  // plug: the plug-in (not owned, outlives the manager); patchManager, librarian, graphics may be null.
  MIDIMessageManager(Korvid* plug, PatchManager* patchManager, PatchLibrarian* librarian,
                     IGraphics* graphics);
  // Stops and joins the jobs, then frees the sender.
  ~MIDIMessageManager();
  MIDIMessageManager(const MIDIMessageManager&) = delete;
  MIDIMessageManager& operator=(const MIDIMessageManager&) = delete;

  // The thread a job code runs on (codes 0..13 and unknown codes: the sysex-job thread).
  static Thread threadFor(int jobCode);
  // Posts args.jobCode on its thread: when that thread is idle, prepare (the poster's flags that are set
  // only for an idle thread) runs, the arguments are copied and the job starts; true then. A busy or
  // stopped thread drops the job (false); so is a request without both ports (refusesRequest). A job of the
  // sysex-job thread first waits for the bank changes queued before this call. Job 3 takes the
  // store-to-memory flag set at this call into its arguments. Any thread; prepare must not post.
  bool post(const JobArguments& args, const std::function<void()>& prepare = {});
  // As post for a job of the sysex-job thread, except that a busy thread runs it right after its current
  // job (one place, a later call replaces it); then it is skipped when that job failed (a request timed
  // out or was cancelled). Started or chained: true. Any thread; prepare must not post.
  bool postOrChain(const JobArguments& args, const std::function<void()>& prepare = {});
  // A request (jobs 5 to 10) needs both ports, its reply coming through the input: without them it is
  // refused as a send is (Korvid::sayNoOutput, "Set MIDI I/O First!") and true returned. post and
  // postOrChain refuse them so, after the post hook. Any thread.
  bool refusesRequest();
  // True while a job runs on that thread.
  bool isRunning(Thread thread);
  // Takes every later post instead of the worker threads (tests record the jobs the editor asks for), with
  // the arguments the thread would get: it answers whether the job was admitted and, when it admits it, runs
  // prepare itself. Empty: the threads.
  // Set before posting, on the thread that posts.
  using PostHook = std::function<bool(const JobArguments& args, const std::function<void()>& prepare)>;
  void setPostHook(PostHook hook) { postHook = std::move(hook); }

  // True on the sysex-job thread (inside a job of codes 0..13).
  bool onSysexJobThread() const { return sysexJobThread.isCurrent(); }

  // Posts job 9 (editBuffer, bank) and job 10 (bank) for the librarian. Only when the job is admitted, the
  // patch request is emptied and made active and data-received and store-refused cleared. False: dropped.
  bool sendSinglePatchRequestSysexFromLibrarian(bool editBuffer, int bank);
  bool sendAllPatchRequestSysexFromLibrarian(int bank);

  // Ends every job: pauses return at once, request jobs stop at their next poll, new posts are
  // dropped; returns when all three threads have finished. Idempotent; not from a job.
  void shutdown();

  // The time source of the jobs (not owned; the real clock by default). Before posting.
  void setClock(DeviceClock* clock);
  DeviceClock& clock() const { return *sender->clock; }

  // Every incoming sysex message (MIDI input thread, worker thread, editor thread). accept false (host
  // sysex) is ignored. While a library request is
  // active the message goes to it, and a whole dump of the requested kind is stored into the selected upper
  // librarian slot on the editor's side of the editor lock. Otherwise a message of 60 bytes or more is
  // taken only while a dump is expected and only when it is a message of the synthesizer (F0 3E 13 .. F7):
  // each parser takes its own kind, and the device id is adopted from a complete dump. A shorter message is
  // taken only while no dump is expected, as a parameter change. A set refresh-requested flag then
  // refreshes the shown part. A sound or multi dump whose checksum byte is neither right nor 7F is taken
  // nowhere, and said so when a request or the editor waited for it, unless ownDump (the plug-in's own).
  void ProcessSysEx(ISysEx* msg, bool accept, bool ownDump = false);
  // Sets part p's sound name, parameters (sections locked for p kept) and category from a sound dump,
  // p = byte 6. Ignores a message shorter than 390 bytes, without 3E 13 .. 10, or with p above 15.
  void sysexPatchParse(ISysEx* msg);
  // Sets the multi name (also patch-manager slot 0), volume, tempo and every part's settings, bank and
  // program (also into the plug-in's part tables) from a multi dump. Ignores a message shorter than 425
  // bytes or without 3E 13 .. 11.
  void sysexMultiParse(ISysEx* msg);
  // Sets the global settings and the plug-in's local-control flag from a global dump of 80 bytes, or of the
  // 79 the device's public format gives, with 3E 13 .. 14 .. F7; clears the dump-expected flag for every
  // message, taken or not.
  void sysexSettingsParse(ISysEx* msg);
  // Stores a plain value (bounded to the parameter's range) into a parameter through the editor surface
  // (updating its controls), or straight into the parameter without one. No change handler runs.
  void setParameterFromDump(int paramIdx, double value);
  // Unpack flag byte 1 (status and receive MIDI, USB, local) and flag byte 2 (the six receive toggles)
  // of part (0..15) into its parameters.
  void encryptMultiSettings1Values(int value, int part);
  void encryptMultiSettings2Values(int value, int part);

  // ---- Incoming parameter changes (MIDIMessageManagerParameterChange.cpp, ...SysExToUI.cpp) ----

  // Applies one received value, in the synthesizer's units, to control and its parameter through the
  // hardware road: bend ranges, multi transpose and velocities, global tuning and transpose and large effect
  // 2 types are taken back to the parameter's units, local control sets the plug-in's flag, an effect type
  // refreshes the page, and a part's bank or program (more than 1000 ms after a short program change) is
  // followed: in librarian mode the upper slot of that number is sent to the part, otherwise the bank and
  // program are sent and, in program/bank mode, the part's sound is requested. fromDevice: nothing is sent
  // back for the value itself. Clears the dump-expected flag. A null control does nothing. MIDI input thread
  // or the thread feeding the message, plug mutex not held.
  void processSysExToUI(IControl* control, int value, bool refreshTab, bool fromDevice);
  // The control registered for the address under group 0 gets value through processSysExToUI; when there
  // is none the unhandled flag is set.
  void getNormalControl(int type, int location, int high, int low, int value, bool fromDevice);
  // Runs write under the editor lock, where the slot view and the controls read what it changes: at once
  // when the lock is free or the caller's, otherwise queued for the lock's next holder (at the latest the
  // editor's next tick), after the writes queued before it. Never waits. Any thread.
  void runOnEditorSide(const std::function<void()>& write);
  // Returns once every write queued by runOnEditorSide has run. Worker threads only (they hold neither
  // the plug mutex nor a MIDI port's lock).
  void flushEditorSide();

  // ---- Outgoing parameter messages and effect parameter copies (MIDIMessageManagerEffects.cpp) ----

  // Sends one prepared parameter message (unframed ints, each narrowed to its low byte; framed with F0 and
  // F7 on the way out, no checksum) to the output port. Without a chosen output port (kDeviceOutSelection
  // 0) shows "Set MIDI I/O First!" in the message line and sends nothing; an empty message sends nothing.
  // Any thread.
  void sendSysexMessage(std::vector<int> message);
  // When paramIdx is one of the effect-type specific parameters of effect 1 (effect 2) of a part, value,
  // bounded to the target's range, is stored into each generic effect parameter of that part the specific
  // one stands for; no control, display or message is touched. Other indices change nothing. Called after
  // every control action, plug mutex held.
  void SetFX1ParameterChangesToDefaultParameters(int paramIdx, int value);
  void SetFX2ParameterChangesToDefaultParameters(int paramIdx, int value);

  // ---- Short messages in (MIDIMessageManagerShortInput.cpp) ----

  // A short channel message from the synthesizer's port, after the plug-in's gates. MIDI input thread.
  // Clears fromHost; drops a class blocked for the hardware input; consumes the synthesizer's bank select
  // pair (controller 0 value 0, then controller 32 of 64, 66, 80 or 96); applies controllers to their
  // controls and program changes to the part on the channel (part 0 when none); lights the part's activity
  // indicator (incoming mode) and passes the message on to the synthesizer unless local control is on.
  void ProcessMidiMsgFromDevice(IMidiMsg* msg);
  // A short channel message from the host for part (0..15), after the plug-in's gates. Host thread.
  // Nothing without an output port; sets fromHost; drops a class blocked for the host input and the bank
  // select pair; applies controllers and program changes as above (on the audio thread: kept for the next
  // idle call), lights the indicator and always passes the message on to the synthesizer.
  void ProcessMidiMsgFromDAW(IMidiMsg* msg, int part);
  // The editor follows a host controller (getLegacyCCparam) or program change (MakeProgramChangeMessages)
  // for part; on the audio thread it is kept for Korvid::followAudioPass instead. Plug mutex held.
  void followHostMsg(IMidiMsg* msg, int part);
  // Moves the control registered for controller cc on channel (1-based) to value (0..127) through the
  // hardware road, with the fixed rules of the oscillator octave, semitone and shape controllers and of the
  // filter routing; controller 0 without a control sets the bank of the part on the channel. A controller of
  // the synthesizer's chart (ControllerTable.h) without a registered control moves the page control of its
  // parameter in the part numbered by the channel, held to the parameter's range. refreshTab asks for a
  // quick-tab refresh afterwards; fromDevice: the value came from the synthesizer.
  void getLegacyCCparam(int cc, int channel, int value, bool refreshTab, bool fromDevice);
  // A program change (data byte 1 the program 0..127) for part (0..15): ignored for a locked part;
  // otherwise, in librarian program-change mode, the upper slot of that number is selected and sent to
  // the part; with kGlobalRxProgramChange on, the part's program is set, the bank and program are sent
  // (Korvid::BankChangeMessage) and, in program/bank mode, the part's sound is requested, followed by the
  // part's locked sections when it has any (Korvid::sendPartDataBackToHardware). Never waits.
  void MakeProgramChangeMessages(int part, IMidiMsg* msg);

  // ---- Randomizer (MIDIMessageManagerRandomizer.cpp) ----
  // All three run on the thread that edits kRandomize, plug mutex held.

  // Fills the plug-in's random pool (Korvid::kRandomValueCount entries) with bytes 0..255 from a generator
  // seeded anew from the calendar time and the count of randomizings.
  void randomGenerator();
  // Pool entry poolIndex reduced into paramIdx's range, as a plain value that always lies inside
  // minimum..maximum: the minimum plus the entry when that fits; otherwise a toggle (maximum 1) takes the
  // entry's parity and any other parameter the entry folded back by its maximum (by the size of its range
  // when the maximum would not bring it into the range). A parameter whose range is empty gives its
  // minimum; a missing parameter or pool entry gives 0.
  int randomizer(int paramIdx, int poolIndex);
  // Sets the sound parameters of part (0..15) from the pool, section by section; a section whose lock is
  // not 0 keeps its values. Sets values and controls only: nothing is sent.
  void randomizePatchSettings(int part);

  // Owned; lives from construction to destruction.
  std::unique_ptr<MIDIMessageSender> sender;
  // Where Korvid::BankChangeMessage queues its sends; the device jobs wait for it (see post).
  BankChangeThread bankChanges{"bank changes"};
  Korvid* plug;
  PatchManager* patchManager;
  IGraphics* graphics;
  PatchLibrarian* librarian;
  LibraryRequest performanceRequest;
  LibraryRequest patchRequest;

  // A whole dump is wanted by the editor.
  std::atomic<bool> dumpExpected{false};
  // The reply the running request job waits for (SysexProtocol::replyTo of its last request; kAnyReply
  // between jobs): the editor and a library request take no other dump of the synthesizer meanwhile, nor
  // its device id. Set by the sysex-job thread, read on the MIDI input thread.
  std::atomic<uint32_t> requestedReply{SysexProtocol::kAnyReply};
  std::atomic<bool> unhandled{false};
  std::atomic<bool> refreshRequested{false};
  std::atomic<bool> bankSelectArmed{false};
  std::atomic<bool> arrangementRequest{false};
  std::atomic<bool> fromHost{false};
  // While set, values that came from the synthesizer are not sent back. Also the CC-update flag: set while
  // an incoming controller or parameter change is applied to the controls; the control-action executor
  // then echoes an edit only with local control off or when it came from the host (fromHost).
  std::atomic<bool> sendSuppress{false};
  // A dump for the current request has been taken in.
  std::atomic<bool> dataReceived{false};
  // The last completed library request found no slot or bank to store into (its status text says so);
  // cleared when a request is armed. Read it after flushEditorSide.
  std::atomic<bool> storeRefused{false};
  // The status text of that refusal (set before storeRefused): a request job shows it again when it ends,
  // since a progress text of the job may have come after it.
  std::atomic<const char*> storeRefusalText{""};
  // A job that sends the editor's own data (0 to 4) runs. Set by the poster, cleared by the job's end.
  std::atomic<bool> sendRunning{false};
  std::atomic<bool> storeToMemory{false};
  // When the last short program change came in, on the editor's mTickCount.
  std::atomic<int32_t> programChangeTimeStamp{0};

  // Selects slot (0..127) in the upper pane of the slot view and the librarian, under the editor lock
  // (runOnEditorSide); other values change nothing. Any thread.
  void selectUpperSlot(int slot);

private:
  // Randomizings so far: part of each new seed.
  uint32_t randomizeCount = 0;
  // Declared after everything their jobs use, so they are destroyed (joined) first.
  WorkerThread sysexJobThread;
  WorkerThread transportThread;
  WorkerThread clockThread;

  WorkerThread& workerFor(Thread thread);
  PostHook postHook;
  // args with the ticket of the bank changes queued so far, for a job of the sysex-job thread.
  JobArguments afterQueuedBankChanges(const JobArguments& args);
  // Posts a patch request job; arms the patch request only when the job is admitted.
  bool postPatchRequest(const JobArguments& args);
  // A library request takes the message when it is a complete dump of its kind and, unless the plug-in fed
  // it (ownDump), the requested reply: true, with a copy of the completed record in completed and the
  // request's withdrawal count in withdrawals.
  bool takeIntoRequest(LibraryRequest& request, const uint8_t* data, int size, bool multi, bool ownDump,
                       LibrarianPatch& completed, unsigned long& withdrawals);
  // A message of the synthesizer that is not the requested reply (ownDump: the plug-in's own is always
  // taken); logged.
  bool unrequested(const uint8_t* data, int size, bool ownDump);
  // Stores a record completed by request into the selected upper slot and reloads the upper pane on the
  // editor's side (runOnEditorSide), unless the request was withdrawn since it took the record; a refusal
  // shows why and sets storeRefused.
  void storeLibraryRecord(LibraryRequest& request, unsigned long withdrawals, const LibrarianPatch& record);
  // Sets storeRefused with its reason and shows the reason.
  void refuseStore(const char* reason);
  // Dispatches a message below the dump threshold as a parameter change.
  void applyParameterChange(const uint8_t* data, int size);
  // The control of an effect parameter address: the one of the effect type's group, else group 0.
  IControl* effectControl(const SysexProtocol::ParameterChange& change);
  // The follow-up of a part whose bank (bank true) or program a received change set to value.
  void followPartProgram(int part, bool bank, int value);
  // Sends part's bank and program; when they go out in program/bank mode, requests the part's sound into
  // the editor (job 6, a dump expected; dropped when the worker is busy) and sends its locked sections back
  // after it.
  void changeBankAndRequestSound(int part);
};
