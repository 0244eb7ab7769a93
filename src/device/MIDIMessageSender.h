// The one job object of the device workers: the job table and the jobs that send and request sounds.
#pragma once

#include "JobArguments.h"
#include "SoundDumpLayout.h"

#include <Poco/Runnable.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class DeviceClock;
class LibrarianPatch;
class Korvid;
class MIDIMessageManager;
class PatchManager;

// Created and owned by the MIDIMessageManager, which fills its pointers. Its jobs run on the worker
// threads, each with the arguments copied for its own post; failed, cancel and stopping are the only
// fields a running job reads after its entry. Concern files: MIDIMessageSender.cpp (job table, pauses),
// MIDIMessageSenderPatch.cpp (sound dump of a part), MIDIMessageSenderREQSingles.cpp (part request),
// MIDIMessageSenderMulti.cpp (multi and global dumps, init records), MIDIMessageSenderRequests.cpp
// (reply polling, bank walks, device enquiry), MIDIMessageSenderREQMultis.cpp (multi requests),
// MIDIMessageSenderREQPatches.cpp (stored sound requests), MIDIMessageSenderMIDIClock.cpp (MIDI clock and
// transport messages).
class MIDIMessageSender : public Poco::Runnable
{
public:
  enum JobCode
  {
    kJobSendArrangement = 0,
    kJobSendGlobal = 1,
    kJobSendPart = 2,
    kJobSendLibraryPatch = 3,
    kJobStoreAllLibraryPatches = 4,
    kJobRequestArrangement = 5,
    kJobRequestPart = 6,
    kJobRequestSingleMulti = 7,
    kJobRequestAllMultis = 8,
    kJobRequestSinglePatch = 9,
    kJobRequestAllPatches = 10,
    kJobInitPerformance = 11,
    kJobInitClassicPatch = 12,
    kJobDeviceIdEnquiry = 13,
    kJobNothing = 14,
    kJobStartClock = 15,
    kJobContinuousClock = 16,
    kJobStopClock = 17,
  };

  // Request handshake: polls before the device-id scan, polls before the time-out.
  static constexpr int kScanPoll = 25;
  static constexpr int kTimeoutPoll = 30;
  // Polls before the device-id scan of jobs 5 and 13.
  static constexpr int kEditorScanPoll = 20;
  // Job 5: step of the wait for the multi's dump, in ms, and its most steps.
  static constexpr int kMultiWaitStepMs = 25;
  static constexpr int kWaitSteps = 100;
  // Pause after a sent sound dump, in ms.
  static constexpr int kAfterDumpPauseMs = 150;
  // Pauses of the multi and global jobs, in ms: after the global dump, after the multi dump, after each
  // requested part, after each pushed part, after the current part alone.
  static constexpr int kAfterGlobalPauseMs = 1000;
  static constexpr int kAfterMultiPauseMs = 2350;
  static constexpr int kPartRequestPauseMs = 250;
  static constexpr int kPushedPartPauseMs = 400;
  static constexpr int kCurrentPartPauseMs = 300;

  // Status texts the jobs write to the message line. The progress texts are the prefix, a number and
  // the suffix.
  static constexpr const char* kTextProcessing = "Data processing, please wait...";
  static constexpr const char* kTextMultiWait = "Processing, please wait...";
  static constexpr const char* kTextProgressPrefix = "Please wait! ";
  static constexpr const char* kTextProcessedSuffix = "% processed..";
  static constexpr const char* kTextReceivedSuffix = "% received..";
  static constexpr const char* kTextCheckingDeviceId = "Please wait, checking DeviceID ";
  static constexpr const char* kTextTimedOut = "CONNECTION TIMED OUT!";
  static constexpr const char* kTextCancelled = "Data request CANCELLED!";
  static constexpr const char* kTextBankCancelled = "Data request cancelled!";
  static constexpr const char* kTextCompleted = "Data request Completed!";
  static constexpr const char* kTextEditorCompleted = "Data request completed!";
  static constexpr const char* kTextConnecting = "Connecting to blofeld";
  static constexpr const char* kTextNoResponse = "No response from blofeld!";
  // A request whose reply did not come while the input dropped messages (its queue was full), also after it
  // was asked again.
  static constexpr const char* kTextInputDropped = "Data may be INCOMPLETE: MIDI IN dropped data!";
  static constexpr const char* kTextReady = "Plug-in is ready to go!";
  static constexpr const char* kTextMultiSent = "Multi sent to synth";
  static constexpr const char* kTextBusyNothingSent = "Another transfer is running - nothing sent";
  // Library transfers (jobs 3 and 4).
  static constexpr const char* kTextInvalidRecord = "Slot holds no valid dump: nothing sent!";
  static constexpr const char* kTextRecordNotLoaded = "Editor did not take the slot: nothing sent!";
  static constexpr const char* kTextSlotNotSent = "Slot not sent: MIDI OUT did not take it!";
  static constexpr const char* kTextWriteProgressPrefix = "Writing ";
  static constexpr const char* kTextWriteProgressSuffix = "%, please wait..";
  static constexpr const char* kTextWriteCompleted = "Data write completed!";
  static constexpr const char* kTextWriteCancelled = "Data write CANCELLED!";
  static constexpr const char* kTextWriteFailed = "Data write FAILED: MIDI OUT did not take a dump!";
  // The output was too busy to say whether it gave up on a dump it wrote.
  static constexpr const char* kTextWriteUnconfirmed = "Data write UNCONFIRMED: MIDI OUT busy!";
  // The output wrote every dump, but gave up on some that late cycles may have lost.
  static constexpr const char* kTextWriteLate = "Data write UNCONFIRMED: late MIDI OUT cycles!";
  // A job that found the bank change before it still unsent after kBankChangeWaitMs.
  static constexpr const char* kTextBankChangeTimedOut = "Program change TIMED OUT!";
  // Longest wait, in real milliseconds, for the bank changes queued before a job (17 targets of at most
  // 600 ms each fit in it).
  static constexpr int kBankChangeWaitMs = 15000;
  // Pause after a library record was fed into the editor, in ms.
  static constexpr int kAfterFeedPauseMs = 50;

  // Runs the job in `job` on the calling thread (the worker threads run perform with their own copy).
  void run() override;
  // The job table: calls the one operation of args.jobCode; 14 and codes outside 0..17 do nothing,
  // as do the jobs whose bodies live outside this object. A job of the sysex-job thread first waits for
  // the bank changes queued before its post (args.bankChangeTicket); one chained behind another is skipped
  // when that one failed. A sending job (0 to 4) clears the manager's send-running flag when it ends,
  // however it ends, and says what a name committed meanwhile left out (Korvid::endOfSend). One that sent
  // dumps to the synthesizer (0 to 3) then waits for the output to stand behind them and says a dump it
  // gave up on (sayArrival), also after the job's own line.
  void perform(const JobArguments& args);

  // Job 2: builds the dump of part (0..15) from its parameters and sends it to the part's edit buffer,
  // or (toLibrarian) feeds it into the armed library request of the selected librarian slot. The
  // third argument is not read. Clears the manager's send-running flag at its end, also when run
  // inside another job; a part outside 0..15 does nothing else. True when the dump went out or into the
  // librarian.
  bool sendPartToDevice(int part, bool toLibrarian, bool requestParts);
  // Job 0: builds the multi dump from the parameters (the global dump first when the plug-in's
  // push-global flag is set) and sends it to the multi edit buffer, or (toLibrarian) feeds it into the
  // armed library request of the selected slot; then requests the active parts' sounds (requestParts),
  // pushes every active part's sound (push-all-parts flag) or sends the current part's. Hides the
  // overlay and clears send-running at its end. Ends early when the manager is stopping. True when the
  // multi dump went out or into the librarian.
  bool sendArrangementToDevice(bool toLibrarian, bool requestParts);
  // Job 1: builds the global dump from the parameters, addressed to deviceId (0..127), sends it and
  // waits 1000 ms; hides the overlay and clears send-running.
  void sendGlobalToDevice(int deviceId);
  // Job 3: sends a library record (a copy) to part (0..15): the record's first dump, addressed for the
  // current device id and with a fresh checksum, is fed into the editor through the plug-in's sysex input as
  // the part's (or the multi's) edit buffer; once the editor took it and when storeToMemory, it is written
  // into memory slot `slot` of the part's bank (kMultiPartBank + part; multis: the multi memory) and the job
  // ends saying so (kTextWriteCompleted, singleWriteText). The part's program becomes slot, the bank change
  // goes out and the part's sound (or the multi) is sent from the editor ("Slot 006 sent to part 1" unless
  // stored; kTextSlotNotSent when the output did not take that dump). A record whose first dump is not a
  // whole sound dump (multi dump in multi mode) is refused with kTextInvalidRecord. Shows the overlay while
  // it runs. Sysex-job thread.
  void sendPatchToDeviceFromLibrarian(const LibrarianPatch& record, int part, int slot, bool storeToMemory);
  // Job 4: writes bank[startSlot..] into the synthesizer's memory: slot s as program s - startSlot of
  // bankByte (sounds) or of the multi memory (multi mode), one per sync-timer pause, with the progress text;
  // stops at the end of the bank (also a short one), at a record without a dump, at a dump the output did not
  // take and on cancel. Records that are no whole dump of the kind are skipped. Always ends with the overlay
  // hidden, the store flag cleared and the completed, failed or cancelled text followed by the number of
  // slots sent. Sysex-job thread.
  void storeAllPatchesToDeviceFromLibrarian(const std::vector<LibrarianPatch>& bank, int startSlot,
                                            int bankByte);
  // "Writing " + int(slot / 1.28) + "%, please wait..": progress of job 4 at slot (0..127).
  static std::string writeProgressText(int slot);
  // Job 4's detail line at its end: how many slots were written ("1 slot written", "128 slots written");
  // unconfirmed: sent, not known to be written ("3 slots sent, unconfirmed"); mayBeLost of them written in
  // cycles reported late ("128 slots written, 2 may not have arrived").
  static std::string writeCountText(int written, bool confirmed = true, int mayBeLost = 0);
  // Job 3's detail line after a store: "Slot 005 written to A005" (banks 0..7 as A..H), "... to multi 005";
  // unconfirmed: "Slot 005 sent to A005, unconfirmed"; mayBeLost: "Slot 005 written to A005, may not have
  // arrived".
  static std::string singleWriteText(int slot, bool multi, int bank, bool confirmed = true,
                                     bool mayBeLost = false);
  // A sending job's line once the output stood behind its dumps (count of them): what it said sent, then
  // ", may not have arrived" (", 2 of 5 dumps may not have arrived" when not all), or ", unconfirmed" when
  // the output was too busy to say (lost unknown).
  static std::string arrivalText(const std::string& sent, std::optional<uint64_t> lost, uint64_t dumps);
  // The first dump of record as it is sent: bytes 2..6 rewritten (model, device id, sound or multi dump,
  // bank, program) and the checksum renewed. Empty when the dump is no whole sound dump (multi false) or
  // multi dump (multi true).
  static std::vector<uint8_t> libraryDump(const LibrarianPatch& record, bool multi, int deviceId, int bank,
                                          int program);

  // Job 11: feeds the init multi into the armed library request of the selected slot.
  void initPerformance();
  // Job 12: feeds the init sound, bank kRequestFromBank and program the selected slot, into the armed
  // library request of the selected slot.
  void initClassicPatch();
  // Flag bytes 1 and 2 of part's (0..15) multi block, packed from its receive and status parameters.
  int decryptMultiSettings1Values(int part);
  int decryptMultiSettings2Values(int part);
  // The multi dump as job 0 builds it (checksum byte as the template holds it); the kMultiName text goes
  // to nameText when given. dump: MultiDumpLayout::kMultiLength bytes. Worker or test thread.
  void buildMultiDump(uint8_t* dump, std::string* nameText = nullptr);
  // The global dump as job 1 builds it for deviceId. dump: MultiDumpLayout::kGlobalLength bytes.
  void buildGlobalDump(int deviceId, uint8_t* dump);

  // Job 6: requests part's edit buffer and waits for the reply, into the editor (toEditor) or the
  // librarian.
  void sendPartRequestSysex(int part, bool toEditor);
  // Job 5: requests the 16 part edit buffers and then the multi edit buffer into the editor (toEditor),
  // or only the multi edit buffer into the selected librarian slot. Sysex-job thread.
  void sendActiveArrangementRequestSysex(bool toEditor);
  // Job 7: requests stored multi number selected-librarian-slot into that slot. Sysex-job thread.
  void sendSingleMultiRequestSysex();
  // Job 8: requests the stored multis 0..127 into librarian slots 0..127. Sysex-job thread.
  void sendAllMultiRequestSysex();
  // Job 9: requests the current part's edit buffer (editBuffer) or stored sound (bank 0..7, program =
  // selected librarian slot, at most 127) into the selected librarian slot. Sysex-job thread.
  void sendSinglePatchRequestSysex(bool editBuffer, int bank);
  // Job 10: requests the stored sounds 0..127 of bank (0..7) into librarian slots 0..127. Sysex-job thread.
  void sendAllPatchRequestSysex(int bank);
  // Job 13: the device enquiry: requests the global dump, scanning every device id when the synthesizer
  // stays silent; the reply is parsed into the editor (and its id adopted by the incoming side while
  // the plug-in's initialization-requested flag is set). It speaks only for the output chosen when it was
  // posted: another output chosen meanwhile (or "OFF") ends it at the next poll without a word, and one
  // whose ports are open is asked anew. Sysex-job thread.
  void sendDeviceIdEnquiry();
  // "Please wait! " + attempt / 1.28 (stream default format) + "% received..": bank walk progress.
  static std::string receivedProgressText(int attempt);
  // "N of 128 received": how many records a bank walk stored before it ended badly.
  static std::string receivedCountText(int received);
  // "Please wait! " + int(part * 5.88) + "% processed..": progress of job 5 per part (0..15).
  static std::string processedProgressText(int part);

  // The dump of part as job 2 builds it (bank 7F, program = part, checksum byte 7F): header, parameter
  // bytes, name and category. The name text goes to nameText and the category text to categoryText
  // when they are given. Worker or test thread.
  void buildPartDump(int part, uint8_t* dump, std::string* nameText = nullptr,
                     std::string* categoryText = nullptr);

  // Pauses ms on the time source; false when the manager is stopping.
  bool pause(int ms);
  // The real time pause(ms) takes.
  std::chrono::milliseconds realPause(int ms) const;
  // Once the output stands behind the dumps sent so far: how many of them it gave up on since it had
  // given up on lostBefore (IPlugBase::settleMidiDumps); unknown when either count is.
  std::optional<uint64_t> dumpsLostSince(std::optional<uint64_t> lostBefore);
  // The library form of jobs 0, 2, 11 and 12: arms the library request and feeds dump (size bytes) to the
  // plug-in's own sysex input, so that it lands in the selected upper slot; then marks the bank unsaved and
  // says what was stored: "<source> stored to slot 005" ("Part 1", "Multi"), or without a source "Slot 005
  // initialized". False, and the requests ended, when it was not stored.
  bool storeIntoLibrarian(uint8_t* data, int size, const std::string& source);

  // ---- MIDI clock and transport (MIDIMessageSenderMIDIClock.cpp) ----

  // Tempi the clock runs at, in beats per minute; anything else is no tempo.
  static constexpr int kMinClockTempo = 1;
  static constexpr int kMaxClockTempo = 999;
  // Attempts to find a tempo before the clock gives up, and the pause after each failed one, in ms.
  static constexpr int kTempoAttempts = 10;
  static constexpr int kTempoRetryMs = 1000;
  static constexpr const char* kTextNoTempo = "Unable to get DAW Tempo";

  // Job 15, while the plug-in's clock-pointer flag is on: Start (FA) when the host transport started at
  // the song's beginning (songPosition 0), otherwise the Song Position Pointer of songPosition (sixteenth
  // notes, at most 16383) and Continue (FB). Transport thread.
  void startMIDIClockOutput(int songPosition = 0);
  // Job 17: Stop (FC) while the clock-pointer flag is on. Transport thread.
  void stopMIDIClockOutput();
  // Job 16: while the plug-in's clock-out flag is on, sends Timing Clock (F8) 24 times per quarter note at
  // the tempo found when it starts (clockTempo, retried for about ten seconds; without one the clock is
  // switched off with "Unable to get DAW Tempo"), the first at once, the others on an absolute schedule,
  // sleeping between them. Ends when the clock is reset or switched off (within kClockLookMs), when the
  // output port is gone at a due tick, or when the manager stops. The argument is not read: the tempo
  // comes from the parameters. Clock thread.
  void sendContinuousMIDIClock(int tempo);
  // stop: ends a running clock job at its next look; otherwise arms the clock for the job posted next.
  // Either way a clock job already running ends, so that a clock switched off and on again restarts with
  // its new settings. Any thread; never blocks.
  void resetContinuousClock(bool stop);
  // The tempo the clock would take now: with kOverrideTempo at 1 the host tempo the plug-in stored,
  // otherwise the "tempoValues" entry at kMultiTempo; 0 when that is outside 1..999 BPM or the index lies
  // outside the list. Any thread.
  int clockTempo();
  // Nanoseconds from one Timing Clock to the next at tempo (1..999 BPM).
  static int64_t clockIntervalNs(int tempo);

  // The continuous clock may run (set before job 16 is posted, cleared to stop it).
  std::atomic<bool> clockRunning{false};

  // The arguments run() uses; posters go through the manager instead.
  JobArguments job;
  // Set by a request job on time-out or cancel; read at its end.
  std::atomic<bool> failed{false};
  // Set by the editor to end a running request; cleared by each request job at its start.
  std::atomic<bool> cancel{false};
  // Set by the manager's teardown: every pause returns at once and the jobs end.
  std::atomic<bool> stopping{false};
  // How long a job waits for the bank changes queued before it, in real milliseconds (tests shorten it).
  std::atomic<int> bankChangeWaitMs{kBankChangeWaitMs};

  PatchManager* patchManager = nullptr;
  Korvid* plug = nullptr;
  MIDIMessageManager* manager = nullptr;
  DeviceClock* clock = nullptr;

private:
  bool dumpArrived() const;
  // Waits for the bank changes queued before the job was posted (bounded; a time-out says so).
  void awaitBankChanges(uint64_t ticket);
  // A dump a job sends into an edit buffer (a sound, the multi, the global data): the output writes it again
  // where a late cycle may have lost it, keeping pauseMs (the job's pause after it, clock milliseconds)
  // before the next dump. Counted in jobDumps when taken.
  bool sendDump(uint8_t* dump, int size, int pauseMs);
  // Jobs 0 to 3 that send to the synthesizer.
  static bool sendsDumps(const JobArguments& args);
  // The end of such a job: the output's dumps given up on since lostBefore, said when any (arrivalText of
  // the job's sentLine, or of what it sent when it said nothing; job 3 only of its line).
  void sayArrival(const JobArguments& args, std::optional<uint64_t> lostBefore);
  // The dumps the running sending job sent, and the line it said them sent with (empty: none). Sysex-job
  // thread.
  std::atomic<uint64_t> jobDumps{0};
  std::string sentLine;
  // The rest of a part send made by Korvid::sendPatchToDevice: the multi when asked, then the flags.
  void finishPatchTransfer(const JobArguments& args);

  // How a request's polls go (awaitReply): the poll of the device-id scan, the send path
  // (checksumCheckAndSend or SendMidiSysex), whether the scan shows each id, the time-out text, and what the
  // scan sends instead of the request with the next device id (scanRequest rewrites the request; empty: the
  // ids).
  struct ReplyWait
  {
    int scanPoll = kScanPoll;
    bool checkedSend = false;
    bool showScanIds = false;
    const char* timeoutText = kTextTimedOut;
    std::function<void(std::vector<uint8_t>& request)> scanRequest;
  };
  // How a request's wait ended. PortsLost: a port the reply needs is gone (Korvid::requestPortsOpen), and
  // the wait ended at once as its time-out does, or another output was chosen since the job bound its texts
  // to its output (Korvid::outputChosenSinceBound), and it ended silently. Pending: not yet (awaitPoll).
  enum class Reply
  {
    Arrived,
    TimedOut,
    Cancelled,
    Stopped,
    PortsLost,
    Pending
  };
  // Sends request (without F0 and F7) by the wait's send path; its reply is the only dump taken until the
  // next request or the job's end (MIDIMessageManager::requestedReply).
  void sendRequest(std::vector<uint8_t>& request, bool checked);
  // The input's lost-message count when the last request went out (worker thread).
  uint64_t inputLostAtRequest = 0;
  // The input lost a message since the last request went out.
  bool inputDropped() const;
  // The end of a wait without its reply: timeoutText, or kTextInputDropped when the input lost a message
  // since the last request; failed set.
  void timedOut(const char* timeoutText);
  // The end of a request job: the cancelled text, the reason of a refused library store, or the completed
  // text (a library request also rescans the library after a cancel, or marks the bank unsaved after data
  // came in); then the processing indicator hidden.
  void finishRequest(bool cancelled, bool toLibrary, const char* cancelledText = kTextCancelled,
                     const char* completedText = kTextCompleted);
  // After a library transfer (writing) or a request job: a "please wait" text still in the message line gives
  // way to how the job ended (cancelled, timed out or completed), so no job leaves the user waiting for
  // nothing.
  void replaceWaitText(bool writing);
  // The polls after request was sent: waits for the dump-arrived flag, runs the device-id scan
  // (request resent with every id in its device-id byte) and times out after kTimeoutPoll polls (timedOut).
  // Every poll ends the wait on stop, on cancel and when a port is gone, so nothing is sent after them. A
  // message the input lost meanwhile has the request made once more. Sets failed unless the reply arrived.
  Reply awaitReply(std::vector<uint8_t> request, int pauseMs, const ReplyWait& wait);
  // One poll of awaitReply: the pause, then whether the wait ends (Stopped, Cancelled, PortsLost with
  // timeoutText shown; failed set) or goes on (Pending).
  Reply awaitPoll(int pauseMs, const char* timeoutText);
  // Waits in steps of stepMs, at most kWaitSteps, for the dump-arrived flag, showing text at each step
  // when given; a message the input lost meanwhile has request (sent checked) made once more, with the
  // steps of a new one. The last step ends it as timedOut does.
  Reply awaitDump(std::vector<uint8_t> request, int stepMs, const char* text);
  // Jobs 8 and 10: walks the 128 programs, storing each reply into the next librarian slot. multis:
  // stored multis, otherwise the sounds of bank. kSilentAttemptsGivenUp attempts in a row that time out, or
  // one whose ports went, end the walk on the time-out text over how many arrived; the records stored
  // before stay, the bank marked unsaved, and the slots after them keep what they held. A cancel ends it
  // with no request sent after it.
  void requestBank(bool multis, int bank);
  static constexpr int kSilentAttemptsGivenUp = 3;
  // Job 13's ask of the output chosen when it starts: the global request, its polls and scan, the outcome.
  void askDeviceId(int pauseMs);
  // The record the last library request completed found nowhere to be stored (once its store has run).
  bool refused();
  void setSelectedLibrarianSlot(int slot);

  // Longest sleep of the clock between two looks at its switches, in ms.
  static constexpr int kClockLookMs = 10;
  // True while the clock job started at generation should go on sending.
  bool clockGoesOn(uint64_t generation) const;
  // Sleeps until the monotonic time dueNs; false as soon as the clock should stop.
  bool sleepUntilTick(int64_t dueNs, uint64_t generation) const;
  // Pauses ms on the time source in short steps; false as soon as the clock should stop.
  bool clockPause(int ms, uint64_t generation);
  // The clock gave up for want of a tempo: switch shown off, message, clock-out flag cleared.
  void giveUpClock();
  // Sends a System Real-Time message (or the Song Position Pointer) unchanged to the output port at once,
  // past the host and the output queue.
  void sendClockBytes(std::vector<unsigned char> bytes);
  // Counts every reset: a clock job runs only while the count it started with is current.
  std::atomic<uint64_t> clockGeneration{0};
};
