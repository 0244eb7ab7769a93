// The plug-in class: one object per plug-in instance, built on the framework's VST 2 host interface.
#pragma once

#include "AtomicIntTable.h"
#include "FollowUpThread.h"
#include "ControlDisplay.h"
#include "DataFolder.h"
#include "IPlugVST.h"
#include "PatchManagerOwner.h"
#include "WdlTime.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class ControlAction;
class ControlLayer;
class IControl;
class IGraphics;
class LibrarianViewControl;
class PatchFile;
class PatchLibrarian;
class PatchManager;
class MIDIMessageManager;
struct StoredState;
class ProgressIndicator;
class UIConfigManager;
class LeftPatchPopupMenu;
class RightPatchPopupMenu;
class LeftPerfPopupMenu;
class RightPerfPopupMenu;
class BankEditPopupMenu;
class RightCategoryPopupMenu;
class ProgramNumberPopupMenu;
class BankNumberPopupMenu;
class RightSearchPopupMenu;
class PerfBankNamePopupMenu;
class ProgBankNamePopupMenu;
class FileEditPopupMenu;
class FileCopyPopupMenu;

// Created by the entry point on the host's thread; destroyed by the host's effClose. The constructor builds
// every long-lived object in one fixed order (KorvidConstruction.cpp, KorvidMenus.cpp,
// KorvidSelectionLists.cpp); the destructor stops MIDI input and the device jobs before anything is freed
// (KorvidTeardown.cpp). Flags shared with the audio thread, the MIDI input thread and the device jobs are
// atomics written without a lock.
class Korvid : public IPlugVST, public PatchManagerOwner
{
public:
  // Every parameter of the editor; none is shown to the host for automation.
  static constexpr int kNumParams = 8456;
  static constexpr int kHostParams = 0;
  static constexpr int kNumPresets = 0;
  static constexpr int kLatency = 128;
  static constexpr int kVersion = 0x010203;
  static constexpr const char* kChannelIO = "2-2";
  static constexpr const char* kEffectName = "Korvid Editor";
  static constexpr const char* kProductName = "";
  static constexpr const char* kMakerName = "Quillmarsh";
  static constexpr const char* kBundleID = "com.Quillmarsh.vst.Korvid Editor x64";

  // Unscaled editor size in pixels; the surface is this times the size factor, truncated.
  static constexpr int kEditorWidth = 1500;
  static constexpr int kEditorHeight = 757;
  // Parameters saved with the state: indices below this one.
  static constexpr int kStoredParamCount = 7878;
  static constexpr int kPartCount = 16;
  // Sizes of the per-part integer lists.
  static constexpr int kRandomValueCount = 393;
  static constexpr int kPartTableSize = 17;
  // Output queue: first capacity and growth step, in messages.
  static constexpr int kMidiQueueStep = 1024;
  // Display texts of the bank lists hold at most this many bytes; longer file names are shortened to at most
  // kShortenedPrefixLength bytes and a number.
  static constexpr size_t kMaxShownNameLength = 52;
  static constexpr size_t kShortenedPrefixLength = 47;

  // Makes the editor surface of an instance: the window layer the module links (the X11 view in the plug-in,
  // an off-screen surface in tests). w, h in pixels. Null or a throwing factory leaves the instance without
  // an editor.
  using SurfaceFactory = std::function<IGraphics*(IPlugBase* plug, int w, int h)>;
  // Sets the process-wide factory used by every later construction; an empty one restores the default:
  // no surface, so that the plug-in is built without its editor and device link (framework, data folder,
  // PatchManager and library only; what tests of single subsystems build their own editor around). Call
  // before creating instances, not while one is being created.
  static void setSurfaceFactory(SurfaceFactory factory);

  // Runs the whole start-up: framework stages, data folder, PatchManager, library scan, editor surface at
  // the size factor, UI description, named layers, device link, selection lists, librarian menus, start
  // values and the first page. Host thread, inside the entry point's lock. A missing resource, layer,
  // control or image is logged and shown in the message line; an error while building the editor is caught
  // and reported the same way, leaving the parts built so far.
  explicit Korvid(IPlugInstanceInfo instanceInfo);
  // Stops MIDI input and the device jobs, then frees the editor surface, the UI description's actions, the
  // library and the PatchManager. Host thread.
  ~Korvid() override;

  // ---- Framework operations replaced by the plug-in ----

  // Output hold released, sample rate copied, stop pending set, the control display reset (KorvidReset.cpp).
  void Reset() override;
  // The editor's clock, once per audio block (KorvidTimingHub.cpp): starts and stops the MIDI clock jobs with
  // the host transport, follows the host tempo into kMultiTempo (with kOverrideTempo on), sends the queued
  // short messages that fall into the block (MIDI-out mode; otherwise they are dropped), switches activity
  // indicators off 100 ms after they were lit, sends the multi and global dumps that waited for the keys,
  // and releases output 1000 ms after a queue overflow. Nothing happens without an output port. The outputs
  // carry the inputs. The first block after blocks that found the plug mutex held moves the queue on by
  // their frames too. Audio thread, inside the framework's processing pass; never sleeps and takes no lock
  // of its own: queued messages are taken with the queue's try-lock and compacted under its short internal
  // lock; worker jobs are posted only on transport edges, once for the continuous clock and for deferred
  // dumps.
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  // Appends the state body (KorvidTotalRecall.cpp; layout in StoredState.h): version word, kQuickTab, with
  // withNames the port names into name slots 17 and 18, the name block and the four selection values, then
  // the stored parameters (indices below kStoredParamCount; the values a recall keeps waiting for an output
  // while there are such, see hasPendingRecall). Without names it is the 63036-byte start-up snapshot.
  // Always true (false only for a null chunk). Host thread or constructor.
  bool SerializeState2(ByteChunk* chunk, bool withNames) override;
  // An edit of one parameter (plug mutex held, value stored): MIDI port selection, routing and filter flags,
  // the list kind (kDatatype), folder rescans, the shown part (kQuickTab), the bank selection names and the
  // settings file (KorvidParamChanges.cpp). Editor or host thread.
  void OnParamChange(int paramIdx) override;
  // The same for a value from the synthesizer's data, with mDeviceUpdate set throughout.
  void OnParamChange2(int paramIdx) override;
  // After an output port is chosen: marks the initialization requested and, with an output port and no
  // transfer running, starts the device id enquiry when the device worker is idle; then waits 100 ms.
  // Without an open input port it says so in the message line and leaves the enquiry to the input's choice.
  void sendSysExInitialization();

  // ---- An edit from the editor sends only a value that changes (KorvidControlActions.cpp) ----

  // The user's road into a parameter (SetParameterFromGUI) with the value before the edit noted: a knob
  // dragged within one step moves the value but not the controller or sysex value it sends.
  void setParameterNotingEdit(int idx, double normalizedValue);
  // The parameter edited from the editor now and its value before, under the plug mutex; -1 when none.
  int mEditedParam = -1;
  double mValueBeforeEdit = 0.0;

  // ---- The device-id probe needs an input (KorvidDeviceProbe.cpp) ----

  // The output port chosen again from its menu runs the device-id probe again. Editor thread.
  void OnParamRechosen(int paramIdx) override;
  // An input port was chosen and opened: with an output the device-id probe runs (its line says whether the
  // synthesizer answers), without one the message line asks for it. Editor thread, plug mutex held.
  void inputOpened();
  // Set when an output port was chosen without an input: the probe's replies could not arrive.
  std::atomic<bool> mProbeWaitsForInput{false};
  // The device job's texts from now on (bind) speak for the output chosen now, or again for any (!bind):
  // once the user or a recall chooses another output or "OFF" (countOutputChoice), a bound job's texts are
  // not shown, so the enquiry of one output never speaks over what was said of the next. The choices are
  // counted under mDisplayTextLock: a bound text is shown before the choice's own text or not at all.
  // Device job thread, or the poster of the enquiry as it is admitted (no lock taken).
  void bindDeviceTextsToOutput(bool bind);
  bool deviceTextsBound();
  // True once another output was chosen since bindDeviceTextsToOutput(true). Any thread.
  bool outputChosenSinceBound();
  // An output (or "OFF") was chosen. Plug mutex held.
  void countOutputChoice();

  // ---- Ports lost (KorvidPortsLost.cpp) ----

  // Directions whose port went away (also one chosen but gone when it was to be opened), whose MIDI
  // system stopped answering or answers again since the last look. A lost direction's selector shows "OFF"
  // and a lost output is absent (mOutputPresent) until a port is chosen again; a direction not answering
  // keeps its port chosen (an output whose port closed is absent meanwhile), and once the system answers
  // its kept port opens again by name (reopenAnsweredPorts). The message line says each. The loss stands
  // until its direction opens a port again: device texts are shown behind it (showStatusText), and a
  // device text still on the line that a running job showed, or one shown less than kLossJoinsTextMs ago,
  // stays beside it ("MIDI OUT lost - Data write FAILED" over "36 slots written"). Any thread but the audio
  // thread (it logs and writes controls); takes the plug mutex when something happened.
  void takeLostPorts();
  // An idle call's takeLostPorts: what was lost is said at once, the directions that answer again are left
  // to mPortReopener, so that no idle call makes port work or waits for the device worker.
  void noteLostPorts();
  // mPortReopener's work: takeLostPorts for the directions an idle call left to it.
  void reopenHandedOn();
  // takeLostPorts for what lost holds (IMidiPorts::LostBits).
  void sayLostPorts(int lost);
  static constexpr int kLossJoinsTextMs = 5000;
  static constexpr long kAudioFollowUpPeriodMs = 10;
  // For the directions the system answers again (kOutAnswered, kInAnswered, cleared from *lost with their
  // kOutUnanswered, kInUnanswered): the kept port opens by name as a recall opens it (reopenStoredPort); a
  // port not listed any more is added to *lost as gone and shows "OFF". Returns what is said of it ("MIDI
  // OUT+IN reopened", "MIDI IN answering again" for a port that stayed open); "" for nothing. Plug mutex.
  std::string reopenAnsweredPorts(int* lost);
  // What a standing loss of these directions (IMidiPorts::LostBits) is called: "MIDI OUT lost", "MIDI
  // OUT+IN lost", "MIDI IN port gone", "MIDI OUT lost, MIDI IN port gone", "MIDI OUT+IN not answering",
  // "MIDI OUT lost, MIDI IN not answering"; a stuck library (kStuck) instead of the waits: "MIDI library
  // stuck: restart the host", "MIDI OUT lost, MIDI library stuck: restart the host"; "" for none.
  static std::string lossText(int lost);
  // What of a standing loss stands on: a direction's loss ends once its port is open (and answered), a stuck
  // library once both are.
  static int standingLossOf(int standing, bool outOpen, bool inOpen);
  // The user chose a port of the direction (or "OFF"): its loss no longer stands.
  void portChosen(bool output);
  // "MIDI OUT+IN", "MIDI OUT" or "MIDI IN" (out or in is set).
  static std::string directionsText(bool out, bool in);
  // Sets a port selector's parameter (kDeviceOutSelection or kDeviceInSelection), index and control to "OFF".
  void showPortOff(int paramIdx);
  // A chosen port that did not open for failure (the port layer's reason; empty: nothing to say here) is
  // named on the message line with it. Under the plug mutex.
  void sayPortNotOpened(bool output, const std::string& port, const std::string& failure);
  // As showPortOff, to an entry of the selector's list.
  void showPortEntry(int paramIdx, int entry);
  // While the system does not answer: the selector shows the kept port (mKeptPortNames), at its entry or
  // at one after the list.
  void showKeptPort(int paramIdx);
  // No output: nothing is sent and the clock stops.
  void outputAbsent();
  // An output opened: edits are sent, and the synthesizer behind it holds none of the values last carried
  // out yet, so the next edit of every parameter goes out. Under the plug mutex.
  void outputOpened();
  // A port selector's menu lists the ports present now. Editor thread, without the plug mutex.
  void OnParamMenuOpening(int paramIdx) override;
  // The list kind switch greyed out by unsaved bank edits says that they are saved or discarded first; STORE
  // SOUND greyed by a lower slot's selection says why nothing was stored (refuseSoundStore).
  void OnGrayedControlClicked(int paramIdx) override;
  // Letters typed into a name or search field that the synthesizer's names cannot hold are left out by the
  // field: the message line names them all ("ü can't be in a name - left out", for a search keyword "...
  // - searched without it"), at each refusal and after the commit (on the second line when the commit's own
  // words stand on the first). A send the commit started says its words later, from its worker: the letters
  // stand on the second line below them, and once more when the send ends (endOfSend); no other send carries
  // them. A commit that left nothing out ("") takes an earlier entry's notice off the line.
  void OnTextEntryRefused(int paramIdx, const char* typed, bool committed) override;
  // A job that sends the editor's own data ends (on its worker): clears the manager's send-running flag and
  // the entry that started it, and says the letters that entry's name left out below what the send said,
  // unless the line shows them.
  void endOfSend(MIDIMessageManager& manager);
  // Reads the system's ports of a selector's direction again and gives the selector that list, its entry
  // staying on the open port. Takes the plug mutex (given back while the ports are listed).
  void rereadPortSelector(int paramIdx);
  // The whole name of the port at a selector's entry (kDeviceOutSelection or kDeviceInSelection): its
  // display text may be cut. Gives the plug mutex back while the list is read.
  std::string portEntryName(int paramIdx, int entry);
  // The port the state stores for a direction (0 input, 1 output): the one the user chose or the recall
  // found or was given, kept through a loss and while the system does not answer until another is chosen;
  // empty: the selector's entry.
  std::string mKeptPortNames[2];

  // ---- Plug-in state save and recall (KorvidTotalRecall.cpp, KorvidTotalRecallPorts.cpp,
  // KorvidTotalRecallResend.cpp) ----

  // The host's chunk body: SerializeState2(chunk, true). Host thread, plug mutex held.
  bool SerializeState(ByteChunk* chunk) override;
  // UnserializeState2(chunk, pos, true).
  int UnserializeState(ByteChunk* chunk, int pos) override;
  // Reads a whole body at pos first; a body that is cut short or damaged is refused (-1) with nothing
  // applied and nothing sent. Otherwise applies it in order: kQuickTab and the part shown; with names the
  // name slots, the MIDI ports reopened by their stored names (output present only when the output port
  // opened) and the bank and patch selection; with an output the stored parameters, device id, MIDI
  // filter flags, multi and part names, bank and program tables (once a running device job has ended) and
  // the multi resent to the synthesizer (waited for without the plug mutex, for at most the job's own
  // duration and a margin); queue frames; without an output the stored parameters wait instead
  // (hasPendingRecall); then main tab 0. Returns the position after the last item applied. Host thread.
  int UnserializeState2(ByteChunk* chunk, int pos, bool withNames);
  // Waits until the device worker is idle, for at most the multi resend's own duration and a margin; true
  // when it is (or there is no device link). A recall waits so before it replaces the values that a running
  // job reads. Gives the plug mutex back while it waits.
  bool waitForIdleDeviceWorker();
  // Sends the multi with the global data and every active part's sound after a recall, when workerIdle:
  // posted (once the worker is free again, should another job have taken it) and waited for; each wait
  // ends after the job's own duration and a margin. A multi not sent, not finished or whose dumps the
  // open output refused is said in the message line, and that text is returned ("" when it went out
  // whole). Gives the plug mutex back while it waits.
  std::string resendMultiAfterRecall(bool workerIdle);
  // After a recall's ports: while a direction with a kept port waits for a MIDI system that did not answer
  // in time, waits as long as the resend may (plug mutex given back), opening the ports at each answer
  // (takeLostPorts). A system still not answering leaves them to open once it answers.
  void waitForPortsToAnswer();

  // ---- Stored values a recall could not apply (KorvidTotalRecallPending.cpp) ----

  // A recall that finds no MIDI output keeps the stored parameter block instead of applying it (pending):
  // while it is pending a save writes it in place of the editor's values, so that a project opened without
  // the synthesizer keeps its settings. Choosing an output port applies it as the recall would have done
  // (completePendingRecall); a user edit of a value it holds gives it up; the next recall replaces it. Any
  // thread.
  bool hasPendingRecall();
  // The user's road into a parameter (IPlugBase::SetParameterFromGUI); an edit that changes a stored value
  // gives the pending block up, except the ones that only browse the librarian or change the editor's look.
  void SetParameterFromGUI(int idx, double normalizedValue) override;
  // After the user opened an output port: applies the pending block in the recall's order (device id,
  // filter flags, names and tables once a running device job has ended, the multi resent and waited for
  // without the plug mutex), refreshes the page shown and the controls, and drops it. False when nothing
  // was pending or another recall replaced it meanwhile. Plug mutex held.
  bool completePendingRecall();

  // ---- Data folder ----

  // The patch library root: data folder + "Patches", no trailing slash. Any thread.
  std::string getPatchesFolderStr() const { return mDataFolder.getPatchesFolderStr(); }
  // Opens the data folder (manual false) or the user manual in it with the surface's OpenURL; a missing
  // manual or a failure to open is said in the message line (KorvidImportAndHelp.cpp). Editor thread.
  void OpenDataDirectory(bool manual);
  const DataFolder& getDataFolder() const { return mDataFolder; }
  // The debug log is on for this instance, and its path.
  bool isLogging() const { return mDataFolder.isLogging(); }
  const std::string& getLogPath() const { return mDataFolder.getLogFilePath(); }
  // Writes one debug log line while logging is on. Any thread.
  void log(const std::string& text) const;

  // ---- Bank and program selection lists (KorvidSelectionLists.cpp) ----

  // Display name of a bank file of one list pass: names of up to 52 bytes whole, longer ones shortened to
  // their first 47 bytes (shortenedPrefixLength), "~", a counter and the lower-cased extension, cut to the
  // display-text limit; every cut on a character boundary. counter and previousPrefix carry the pass's
  // numbering and start at 0 and "".
  static std::string shortenedBankName(const std::string& fileName, int& counter,
                                       std::string& previousPrefix);
  // The bytes of a long file name its shortened display name keeps: up to 47, less a letter the cut would
  // break.
  static size_t shortenedPrefixLength(const std::string& fileName);
  // Rebuilds the selection lists for one kind of bank list (0 sounds, 1 categories, 2 multis, 4 search
  // results; multiFlag 1 with kind 2); reload rescans the library first. Editor or host thread, plug mutex
  // held.
  void patchTypeChanged(int multiFlag, int kind, bool reload);
  // Rebuilds the browser menus from the library and reloads both panes of the slot view.
  void refreshPopUpMenus();

  // ---- Librarian menus: the panes' bank lists and unsaved bank edits (KorvidParamChangesBankLists.cpp,
  // KorvidBankEdits.cpp) ----

  // Shown when something would move the upper pane away from a bank with unsaved edits.
  static constexpr const char* kSaveOrDiscardText = "Save bank or Discard changes!";
  static constexpr const char* kDiscardedText = "Bank changes discarded";
  static constexpr const char* kNoOutputText = "Set MIDI I/O First!";
  // What the user answered about unsaved bank edits.
  enum class BankEditsAnswer
  {
    kNothingUnsaved,
    kSaved,
    kDiscarded,
    kKept
  };
  // The change handler's cases of the panes' bank lists, called before its other cases (plug mutex held). An
  // edit of kPatchSelectionListUpper or kPatchSelectionListLower makes the index the pane's bank, copies that
  // bank's file and folder names into the pane's stored pair and rebuilds the pane's browser menu. A switch
  // of the list kind (kDatatype) or a rescan (kRefreshFolders) while the upper bank holds unsaved edits asks
  // first (settleUnsavedBankEdits); kept edits stop the edit (kDatatype moves back). The rescan button's
  // release does nothing. True when the edit needs nothing more.
  bool handleBankListCases(int paramIdx, IParam* param);
  // True while the upper pane's bank holds edits not written to its file (kBankEditUnsaved is 1). Any thread.
  bool hasUnsavedBankEdits();
  // With unsaved bank edits, asks the user (Yes saves the upper bank over its file, No discards the edits,
  // which the caller's rescan then drops, Cancel keeps them). Without an editor nothing can be asked and the
  // edits are kept. A save that fails keeps them too. Editor thread.
  BankEditsAnswer settleUnsavedBankEdits();
  // Rescans the library folders and rebuilds the lists of the kind shown, as the rescan button's press does;
  // refused while the upper bank holds unsaved edits. settled is the answer to the unsaved-edits question
  // asked first: after a save, the save's outcome stays on line 1 above the rescan's. Takes the plug mutex.
  // Editor or worker thread.
  void rescanFolders(BankEditsAnswer settled = BankEditsAnswer::kNothingUnsaved);
  // Writes the upper pane's bank over its own file; on success the edits count as saved. False when there is
  // no such bank, its place in the library is not known or the write failed (shown in the message line).
  bool saveUpperBank();
  // Asks for a file name (proposing the upper bank's name in its folder) and writes the upper bank there as a
  // Standard MIDI File or a raw sysex ".kvd" file. Written: the library is read again (the bank edited goes
  // back to what its file holds) and the upper pane opens the new file, when it is in the library. False
  // when cancelled ("Nothing saved"), when the bank is no longer open after the answer or when not written
  // (each said in the message line). Takes the plug mutex; editor thread.
  bool saveUpperBankAs(bool midiFile);
  // Opens the bank read from the file at path in the upper pane, with the menus following; false when the
  // upper pane's list holds no such bank. Plug mutex held.
  bool openUpperBankFile(const std::string& path);
  // The upper pane's bank file (the sound or multi list by the library's patch type), or null.
  PatchFile* upperBank();
  // The full path of a bank file read from the library, or "" when its place there is not known.
  std::string bankFilePath(const PatchFile& bank) const;
  // The upper bank counts as saved: kBankEditUnsaved 0; on the librarian page the discard button hidden and
  // the keep-bank switch, the list-kind switch and the upper browser usable again.
  void markBankEditsSettled();

  // ---- What the construction reports ----

  // Named layers, controls and images the UI description should have given but did not, in the order
  // found ("layer root", "control kRandomize", "image resources/img/..."). Empty on a complete start-up.
  const std::vector<std::string>& getMissingElements() const { return mMissingElements; }
  // The editor surface (owned by the framework once attached), or null without an editor.
  IGraphics* getSurface() { return GetGUI(); }
  UIConfigManager* getUIConfigManager() const { return mUIConfigManager.get(); }

  // A display name and the title (the bank's folder) of one selection of the librarian menus.
  struct SelectionName
  {
    std::string displayName;
    std::string title;
  };

  // ---- Plug-in state shared by the plug-in's modules (named by what each one guards) ----

  DataFolder mDataFolder;
  // Scale of the whole surface (0.85, 1.0, 1.15) and UI style (0 standard, 1 black); fixed for the instance.
  double mSizeFactor = 1.0;
  int mUIStyle = 0;
  // Short messages waiting for the audio callback (MIDI-out mode).
  IMidiQueue mMidiOutQueue;
  // Sample rate as the timing hub last saw it.
  double mSampleRateCopy = 44100.0;
  // Host time as read by the audio callback.
  ITimeInfo mTimeInfo;
  // Set as the very last step of construction; control actions and the device jobs act only afterwards.
  // (Also called editor-ready.)
  std::atomic<bool> mConstructed{false};
  // The debug log's switch is mDataFolder.isLogging(); the first-run notice was shown at start-up.
  bool mFirstRunShown = false;

  // Per-part lists: random bytes for the randomizer, bank and program last sent per part (entry 16 the
  // multi's), activity indicator lit and the tick it was lit at. The tables are written and read on the
  // MIDI input, worker, audio and editor threads: every entry is an atomic.
  std::vector<int> mRandomValues;
  AtomicIntTable<kPartTableSize> mPartBankTable;
  AtomicIntTable<kPartTableSize> mPartProgramTable;
  AtomicIntTable<kPartCount> mIndicatorState;
  AtomicIntTable<kPartCount> mIndicatorTime;
  // The millisecond tick count the indicators and the overflow hold are stamped and timed with: the
  // system's, or one a test steps by hand.
  uint32_t (*mTickCount)() = &GetTickCount;

  // MIDI routing (output path, input gates, timing hub). mOutputPresent, mIgnoreIncoming, mWorkerBusy
  // (busy), mProcessingOverlay (overlay), mMultiMode (multi-data), mPushGlobal (send-global-with-multi),
  // mPushAllParts (multi-edited), mDumpArrived (data-received), mInitializationRequested, mDeviceId and
  // mCurrentPart are declared with the device section below.
  // Short output is blocked while this latch and the overlay are both set.
  std::atomic<bool> mOutputHold{false};
  // The output queue was found full; the timing hub clears it 1000 ms after mOverflowTime.
  std::atomic<bool> mQueueOverflow{false};
  std::atomic<int> mOverflowTime{0};
  // On: short messages to the synthesizer wait in the output queue for the audio callback (also called
  // queue-mode; follows kMIDIFilterToDAWBuffer).
  std::atomic<bool> mMidiOutMode{false};
  // Frames a queued message waits: 2 x kAdjustDAWOffset + block size.
  std::atomic<int> mQueueFrames{0};
  // Message classes blocked per input side, in the order CC, PC, Note, PP, PA, CA, SE.
  static constexpr int kBlockClassCount = 7;
  std::array<std::atomic<bool>, kBlockClassCount> mHostInputBlocked{};
  std::array<std::atomic<bool>, kBlockClassCount> mHardwareInputBlocked{};
  // The activity indicators follow incoming MIDI instead of output (kMIDIFilterTrackIncomingMIDI).
  std::atomic<bool> mIndicatorsTrackIncoming{true};
  // Short messages from the synthesizer's port are not taken (kMasterKeyboard).
  std::atomic<bool> mMasterKeyboard{false};
  // kGlobalLocalControl is 1: controller edits echo back only when they came from the host.
  std::atomic<bool> mLocalControl{false};
  // Integer host tempo set through kTempoInformation; the tempo offset last synced and whether the multi
  // tempo holds it.
  std::atomic<int> mHostTempo{0};
  std::atomic<int> mHostTempoOffset{0};
  std::atomic<bool> mTempoSynced{false};
  // What the processing pass leaves for the host's idle call to log and show (followAudioPass): the host
  // tempo went out of sync, the multi tempo was synced to it, the MIDI-out delay in frames (0: nothing new),
  // a send found no output, a clock job to post (kNoClockJob: none) and the song position it starts at.
  static constexpr int kNoClockJob = -1;
  std::atomic<bool> mTempoOutOfSyncToLog{false};
  std::atomic<bool> mTempoSyncToShow{false};
  std::atomic<int> mOutDelayToShow{0};
  std::atomic<bool> mNoOutputToSay{false};
  std::atomic<int> mClockJobToPost{kNoClockJob};
  std::atomic<int> mClockJobSongPosition{0};
  // Host controllers and program changes the editor follows at the next idle call (the pass only forwards
  // them): kept and taken under the plug mutex, fixed room, the rest dropped and counted.
  // queued: the audio thread's sends up to and with the message forwarded, which go out before what the
  // editor's following sends.
  struct KeptHostMsg
  {
    IMidiMsg msg;
    int part;
    uint64_t queued;
  };
  static constexpr int kKeptHostMsgRoom = 256;
  std::array<KeptHostMsg, kKeptHostMsgRoom> mKeptHostMsgs{};
  int mKeptHostMsgCount = 0;
  int mKeptHostMsgDropped = 0;
  // The host's events wait behind a kept program change the editor may follow (HostEventsWait) until what
  // it sends is out: set by the audio thread, cleared by followAudioPass once the bank change's program
  // change (mProgramOutTicket reached mHostWaitTicket) went out and the library record's job ended, or after
  // kHostWaitLimitMs. The other three are followAudioPass's.
  std::atomic<bool> mHostEventsWait{false};
  uint64_t mHostWaitTicket = 0;
  bool mHostWaitJob = false;
  uint32_t mHostWaitSince = 0;
  // The bank-change ticket of the last program change sendBankChange sent.
  std::atomic<uint64_t> mProgramOutTicket{0};
  // MIDI clock: clock-info and clock-pointer (kSendMIDIClockInfo, kSendMIDIClockPointer), a transport start
  // became a clock start, the continuous clock job runs, the transport ran in the previous block (while it
  // runs, the control display shows only the current part's edits).
  std::atomic<bool> mClockFlag{true};
  std::atomic<bool> mClockPointerFlag{true};
  std::atomic<bool> mClockStart{false};
  std::atomic<bool> mContinuousClock{false};
  std::atomic<bool> mTransportWasRunning{false};
  // Set by Reset, cleared at the first block with the transport stopped: multi and global dumps wait.
  std::atomic<bool> mStopPending{false};
  // Set while OnParamChange2 runs (values from the synthesizer's data): nothing is sent back (also called
  // in-hardware-update).
  std::atomic<bool> mDeviceUpdate{false};
  // Set while a linked partner parameter is being moved.
  std::atomic<bool> mLinkedUpdate{false};
  // A multi or global dump waits for Shift and the mouse button to be released.
  std::atomic<bool> mDeferredMulti{false};
  std::atomic<bool> mDeferredGlobal{false};
  // Program changes select banks (kControlProgBank; also called program-change-control,
  // program/bank-control).
  std::atomic<bool> mProgramChangeControlsBank{true};
  // The selected bank stays open when parts change (kKeepSelectedBank).
  std::atomic<bool> mKeepSelectedBank{true};
  // Handed to the quick page switch of kQuickTab.
  std::atomic<bool> mQuickTabFlag{true};
  // Positions of the chosen MIDI ports in their lists (0: none).
  int mMidiOutPortIndex = 0;
  int mMidiInPortIndex = 0;

  // Owned objects. mPatchManager and mPatchLibrarian (device section) point at these.
  std::unique_ptr<PatchManager> mOwnedPatchManager;
  std::unique_ptr<PatchLibrarian> mOwnedLibrarian;
  std::unique_ptr<UIConfigManager> mUIConfigManager;

  // Named layers (owned by the surface). Several references to one page layer are read by the page switch
  // as the layers of that page's sections.
  ControlLayer* mRootLayer = nullptr;
  std::array<ControlLayer*, 4> mOscillatorLayers{};
  std::array<ControlLayer*, 5> mFiltersEnvelopesLayers{};
  std::array<ControlLayer*, 3> mLfoModMatrixLayers{};
  ControlLayer* mEffectsArpLayer = nullptr;
  ControlLayer* mMiniMixerLayer = nullptr;
  ControlLayer* mPatchLibrarianLayer = nullptr;
  ControlLayer* mMultiModeSettingsPage1Layer = nullptr;
  // "filter1LP" ... "filter1CombPlus", "filter2LP" ... "filter2CombPlus".
  std::array<ControlLayer*, 12> mFilterTypeLayers{};
  // "bankAndProgram01" ... "bankAndProgram16", then "bankAndProgramMulti".
  std::array<ControlLayer*, 17> mBankAndProgramLayers{};
  ControlLayer* mSaveChangesLayer = nullptr;
  std::array<ControlLayer*, kPartCount> mMultiSettingsPartLayers{};
  ControlLayer* mDiscardChangesLayerRight = nullptr;
  ControlLayer* mKeepBankOpenLayer = nullptr;
  ControlLayer* mAboutWindowLayer = nullptr;
  ControlLayer* mFirstRunNotificationLayer = nullptr;
  ControlLayer* mBankPatchConflictWindowLayer = nullptr;
  ControlLayer* mMidiFilterSettingsLayer = nullptr;
  // Effect type pages: "Bypass", "Chorus", "Flanger", "Phaser", "Overdrive", "TripleFX", "Delay",
  // "DelayClocked", "Reverb".
  std::array<ControlLayer*, 9> mEffectTypeLayers{};
  ControlLayer* mPatchRenameLayer = nullptr;
  ControlLayer* mCategoryLimitLayer = nullptr;
  ControlLayer* mSearchFieldLayer = nullptr;

  // The busy overlay's layer (owned here until attached last, then by the surface), the overlay and its
  // two "Cancel Data Request" buttons (librarian page, other pages).
  ControlLayer* mProgressLayer = nullptr;
  ProgressIndicator* mProgressIndicator = nullptr;
  std::array<IControl*, 2> mCancelButtons{};
  IControl* mRandomizeControl = nullptr;

  // First controls bound to the parameters named, and actions, that later edits write into.
  IControl* mDatatypeControl = nullptr;
  IControl* mPatchSearchControl = nullptr;
  IControl* mProgramBankControl = nullptr;
  ControlAction* mQuickTabAction = nullptr;
  ControlAction* mMainTabAction = nullptr;
  IControl* mUpperListControl = nullptr;
  IControl* mLowerListControl = nullptr;
  IControl* mMidiOutSelector = nullptr;
  IControl* mMidiInSelector = nullptr;
  IControl* mRenameControl = nullptr;
  // Bound to kControlDisplayName, Value, Category, Patch, CC, Build, MIDIOutDelay and kControlLibrary.
  std::array<IControl*, 8> mDisplayControls{};
  IControl* mKeepSelectedBankControl = nullptr;
  ControlAction* mTempoOverrideAction = nullptr;
  LibrarianViewControl* mLibrarianView = nullptr;
  std::array<IControl*, kPartCount> mPartChannelControls{};
  // The 19 MIDI filter and clock controls, in the order of their parameters' start values.
  std::array<IControl*, 19> mMidiFilterControls{};

  // Writes each edit's name and value into the control display.
  ControlDisplay mControlDisplay;

  // Selection name pairs the browser menus tick.
  SelectionName mUpperSoundPair;
  SelectionName mLowerSoundPair;
  SelectionName mUpperMultiPair;
  SelectionName mLowerMultiPair;
  // The category bank or page of search results the lower pane shows in those lists; the lower sound pair
  // keeps naming the sound bank the pane goes back to when they close.
  SelectionName mLowerListPair;
  // The lower pane lists category banks, or search results.
  bool mCategoryList = false;
  bool mSearchList = false;
  // The list kind patchTypeChanged filled the lower pane's list with last (sounds, categories, multis or
  // search results), and the keyword whose results the search view shows.
  int mLowerListKind = 0;
  std::string mSearchedText;

  // The eleven librarian menus (owned by the surface) and their layers, in menu-table order.
  static constexpr int kMenuCount = 11;
  std::array<ControlLayer*, kMenuCount> mMenuLayers{};
  LeftPatchPopupMenu* mLeftPatchPopupMenu = nullptr;
  RightPatchPopupMenu* mRightPatchPopupMenu = nullptr;
  LeftPerfPopupMenu* mLeftPerfPopupMenu = nullptr;
  RightPerfPopupMenu* mRightPerfPopupMenu = nullptr;
  BankEditPopupMenu* mBankEditPopupMenu = nullptr;
  RightCategoryPopupMenu* mRightCategoryPopupMenu = nullptr;
  ProgramNumberPopupMenu* mProgramNumberPopupMenu = nullptr;
  BankNumberPopupMenu* mBankNumberPopupMenu = nullptr;
  RightSearchPopupMenu* mRightSearchPopupMenu = nullptr;
  PerfBankNamePopupMenu* mPerfBankNamePopupMenu = nullptr;
  ProgBankNamePopupMenu* mProgBankNamePopupMenu = nullptr;

private:
  // Start-up stages (KorvidConstruction.cpp, KorvidMenus.cpp, KorvidSelectionLists.cpp).
  // The surface from the factory, or null without one (or when it throws).
  IGraphics* makeSurface(int width, int height);
  void setStartValues();
  void createLibrary();
  void fillPartLists();
  void buildEditor(IGraphics* surface);
  void readUIDescription(IGraphics* surface);
  void fetchNamedLayers();
  void fetchDialogLayers();
  void createProgressOverlay(IGraphics* surface, std::unique_ptr<ControlLayer>& progressLayer);
  void storeControlSet1();
  void buildSelectionLists();
  void createLibrarianMenus(IGraphics* surface);
  void storeControlSet2();
  void setInitialValues(IGraphics* surface, std::unique_ptr<ControlLayer>& progressLayer);
  // The skin and size selectors set from the settings lines, their only source (a recall leaves them alone).
  void showSettingsWords(IGraphics* surface);
  void setMidiFilterValues();
  void settleParameterValues(IGraphics* surface);
  // Sets the routing flag that follows one MIDI filter or clock parameter: passes is its value being
  // exactly 1.0. Other indices change nothing.
  void setMidiFilterFlag(int paramIdx, bool passes);
  // Recall steps (KorvidTotalRecall*.cpp).
  // Returns the lines that say which directions found several ports for their stored name and which opened
  // another port in place of the stored one ("Saved MIDI OUT absent, opened:" over its name), at most two;
  // none when each found its own.
  std::vector<std::string> recallPorts(const StoredState& state);
  // Opens the port whose name matches stored (MidiPortNameMatch) among the ports present now, logs how
  // it matched and returns its list index (0: none, the port is closed). A name longer than its slot is
  // never taken for a beginning. *several: stored named more than one port, so none was opened.
  // *substitute: the port opened in place of stored when it matched other than exactly, else "".
  int reopenStoredPort(bool output, const std::string& stored, bool* several, std::string* substitute);
  // Sets the stored parameters to values (kStoredParamCount of them) but the skin and size, then the device
  // id and the MIDI filter flags.
  void recallStoredValues(const std::vector<double>& values);
  void recallNamesAndTables();
  // The upper pane opens the bank the shown part remembers (kCurrentPatchBank) on its sound's slot.
  void recallUpperBank();
  // The recall's steps with an output present, after the wait for an idle device worker: values, names
  // and tables, the multi resent, queue frames and the log lines. Returns what the resend said.
  std::string applyStoredBlock(const std::vector<double>& values, bool workerIdle);
  // Keeps values as the pending block (hasPendingRecall) and says so.
  void keepPendingRecall(std::vector<double> values);
  // The stored values a recall kept without applying them; null when none. Plug mutex.
  std::shared_ptr<const std::vector<double>> mPendingStoredValues;
  // The display text of a port selector's current entry.
  std::string selectedPortText(int paramIdx);
  // Nulls every layer, control and action reference into the editor: after its surface was freed.
  void forgetEditorReferences();

  // The layer of that name, or null after reporting it missing.
  ControlLayer* fetchLayer(const std::string& name);
  // The first control bound to paramIdx, or null after reporting it missing.
  IControl* firstControl(int paramIdx, const char* name);
  // The control action of paramIdx, or null after reporting it missing.
  ControlAction* actionOf(int paramIdx, const char* name);
  // Logs "STARTUP: <what> NOT FOUND!", records it and shows it in the message line.
  void reportMissing(const std::string& what);
  // Pushes a value along the user road when the control exists.
  static void setFromUserInput(IControl* control, double value);
  // The edits that start a worker job (multi name, push arrangement, request the edit buffers, overwrite a
  // library slot, a part's sound name or category); true when paramIdx is one of them.
  bool startJobOfEdit(int paramIdx, int intValue);
  // STORE SOUND (kOverwriteBank) cannot store while multis are shown or a lower slot is selected: says so
  // on the message line ("... - nothing stored") and returns true. Editor or host thread.
  bool refuseSoundStore();
  // The cases of an edit in the editor: ports, routing and filter flags, lists, pages, settings file.
  // False when the edit ends there (a list-kind switch or rescan that kept unsaved bank edits).
  bool handleEditorCases(int paramIdx, IParam* param, double value);
  // The end of every handled edit: the action's switch layer, its device message and its linked partner.
  // fromDevice: the value came from the synthesizer's data (then a linked update goes no further).
  void runActionTail(int paramIdx, double value, bool fromDevice);
  // The same with the integer value the switch layer and the link take (the host tempo for
  // kTempoInformation).
  void runActionTail(int paramIdx, double value, bool fromDevice, int intValue);
  // Oscillator 1 and 2 wavetable choices: shape, zones, the shape controller and the display.
  static bool isWavetable(int paramIdx);
  void changeWavetable(int paramIdx);
  // The edits that decide which zones of a page apply (shapes, filter types, envelope modes, samples, the
  // trigger buttons, effect types) and the multi settings rows.
  void handleZoneFamilies(int paramIdx);
  // Stores a value (bounded to the parameter's range) and moves the parameter's controls.
  void setStoredValue(int paramIdx, double value);
  // Stores the value truncated to an integer back and refreshes the zones of the open page.
  void restoreAndRefresh(int paramIdx);
  // Flips target between 0 and 1, runs its edit and moves its controls.
  void flip(int target);
  // While the effects page is open: the effect 1 zone of the shown part, or the effect 2 panel of the
  // first part's type.
  void showEffectPanel(int paramIdx);
  // The display names of the selection pairs of the kind shown from the lists and the open-bank parameters.
  void updateSelectionNames();

  // ---- Settings, page and librarian cases of the change handler (KorvidParamChangesPages.cpp, ...Settings,
  // ...Librarian, ...Search, ...Rename); editor, host or worker thread with the plug mutex held ----

  // The cases that come before the display: the settings file and first-run notice, a part's bank selection
  // and the bank step buttons (true: the edit ends with the case), the kept bank and the host tempo (the
  // tempo becomes tailValue, the integer value the tail goes on with).
  bool handleCasesBeforeDisplay(int paramIdx, int& tailValue);
  // The cases after the display: search, category list, list kind, rescan, discard, rename, the windows and
  // the page tab. False when the edit ends with its case (a search without results).
  bool handleCasesAfterDisplay(int paramIdx, int intValue);
  // kUserInterfaceSize, kUserInterfaceStyle, kFirstRunExit: the settings line in memory, the whole settings
  // file rewritten and the outcome in the display. A missing file is never created.
  void changeSettingsFile(int paramIdx, int intValue);
  // Writes the three settings lines whole to path through a temporary file; a read-only file is left alone.
  // False with failure saying why (for the display).
  bool writeSettingsFile(const std::string& path, std::string& failure);
  void closeFirstRunNotice();
  // DisplayProcessingIndicator(true) and (false) at once (a repaint of the editor), unless a transfer runs.
  void flashProcessingIndicator();
  // True while a transfer owns the busy overlay and its flags: a job runs or the overlay shows.
  bool transferOwnsOverlay();
  // Shows or hides the busy overlay with its layer; false and nothing done while a transfer owns it.
  bool setBusyIndicatorShown(bool shown);
  // Shows and hides the busy overlay: repaints what a closed window covered.
  void repaintUnderBusyIndicator();
  // Line 1 and line 2 of the control display.
  void showMessage(const char* line1, const char* line2);
  // kCurrentPatchBank + p: the upper pane opens sound bank `bank` (held to the list) for the current part.
  void selectUpperBank(int bank);
  // kLibUpper/LowerPrevious/NextBank pressed: the pane's next or previous bank, wrapping around its list.
  void stepBank(int paramIdx);
  // kDatatype: sounds (0) or multis (1) in both panes, the menus, the main menu wording and the page.
  void changeListKind(int intValue);
  // kRefreshFolders pressed: rescans the library and rebuilds the lists of the kind shown; refused while the
  // upper bank holds unsaved edits.
  void refreshFolders();
  // kDiscardBankData pressed: drops the unsaved edits by reading the library again.
  void discardBankEdits(int intValue);
  // kPatchSearchString: searches the sound names for the field's text; false (no tail) after a search and
  // for a keyword refused while results are shown.
  bool changeSearchText();
  void setSearchFieldText(const char* text);
  // The lower pane leaves the search results for the sound banks, with the sound banks' menu.
  void leaveSearchResults();
  // Empties both display lines while they hold what the search said of an earlier keyword.
  void clearSearchMessage();
  // kPatchSearch: shows the search field (1) or goes back to the sound banks in the lower pane.
  void switchSearchField(int intValue);
  // kCategorySelection: the lower pane lists category banks (1) or sound banks.
  void switchCategoryList(int intValue);
  // kPatchRename: the entered name into the selected upper slot's record and dump, once per opened field.
  void renameSelectedSlot();
  void markUpperBankRenamed(bool multi);
  // One selection list of start-up: InitEnum with the sound banks, their display texts and its pair.
  void fillStartupList(int paramIdx, const char* name, SelectionName& pair);
  // shortenedBankName, logging the renaming of a shortened name.
  std::string bankDisplayName(const std::string& fileName, int& counter, std::string& previousPrefix) const;

  // ---- Sound, program, routing and clock cases of the edit handler (KorvidParamChangesSound.cpp) ----
  // Before the display: the filter routing trigger of a part and the triggers of program control, local
  // control and library control. True when the edit ends here (a released single trigger).
  bool handleSoundTriggers(int paramIdx);
  // After the display: randomizing, program stepping, the output routing pair and the clock switch. True
  // when the edit ends without the action's tail.
  bool handleSoundCases(int paramIdx);
  // kRandomize pressed on a sound page: new random values for the current part, sent as its sound.
  void randomizeCurrentPart();
  // kPatchUp (step 1) or kPatchDown (step -1) of part: pressed steps the part's program (or, under library
  // control, its library slot) within the bank and sends it; both press and release refresh the program
  // display and the page.
  void stepProgram(int part, int step, bool pressed);
  // Toggles part's filters between parallel and serial routing.
  void flipFilterRouting(int part);

  std::vector<std::string> mMissingElements;
  // The last start-up problem shown in the message line.
  std::string mLastReport;

  // Device communication
  // What the device jobs and the incoming sysex path use of the plug-in (defined in KorvidDevice.cpp).
  // The flags are written and polled by the editor, the audio callback, the MIDI input thread and the
  // jobs without a lock.
public:
  // Builds the MIDIMessageManager with its sender and worker threads; once, on the constructing thread.
  // patchManager and librarian are not owned and must outlive the manager (either may be null).
  void initDeviceCommunication(class PatchManager* patchManager, class PatchLibrarian* librarian);
  // Stops MIDI input, then stops and joins the device jobs and frees the manager. Idempotent; teardown
  // runs it before any other member of the plug-in goes. Not from a job or the MIDI input thread.
  void stopDeviceCommunication();

  // The sync-timer pause in ms from kLibSyncTimer: 0..6 give 50, 75, 100, 150, 200, 300, 400; 7 gives
  // 500; anything else 100. Any thread.
  int getTimerValue();
  // ---- MIDI output path (KorvidMidiOutput.cpp) ----

  // Sends one short message to the MIDI output port at once and lights the activity indicator of the part on
  // its channel (unless the indicators track incoming MIDI); without an output port shows "Set MIDI I/O
  // First!" and sends nothing. Any thread.
  void sendMidiMsgAndLog(IMidiMsg* msg);
  // "Set MIDI I/O First!" on the message line, behind a standing loss ("MIDI OUT lost - Set MIDI I/O
  // First!"); from the audio thread at the next idle call.
  void sayNoOutput();
  // True while a request can be answered: the output is present and the ports of both directions are open
  // (a lost port is closed at once, before the loss is said). Any thread.
  bool requestPortsOpen();
  // The routing of one short message to the synthesizer: dropped while output is blocked, sent at once, or
  // queued for the audio callback in MIDI-out mode (dropped with the overflow flags set when the queue is
  // full). Any thread.
  void MIDIOutRoutingSwitch(IMidiMsg* msg);
  // Controller 123 (all sounds off) on one part's channel, or on the channel of every active part. Any
  // thread.
  void AllSoundsOff(int part, bool allParts);
  // The MIDI channel (0..15) part (0..15) listens on (kMultiPartMIDICh - 2), or -1 when it has no single
  // channel (omni, an omni global channel, a value outside the list). globalForZero: the value 0 stands
  // for the global channel (kGlobalMidiChannel - 1). Any thread.
  int partMidiChannel(int part, bool globalForZero);
  // Lights the activity indicator of part for output: nothing while the indicators follow incoming MIDI,
  // without an editor surface, or when it is lit already. Any thread.
  void lightOutgoingIndicator(int part);

  // ---- MIDI input gates (KorvidMidiInput.cpp) ----

  // Framework slot for one short message: fromDevice true from the synthesizer's input port (MIDI input
  // thread), false from the host's events (host thread, plug mutex held). Dropped while the processing
  // overlay shows, the output queue overflowed or the worker is busy for the editor; from the port while
  // the master keyboard is on; when it is not a channel message; on the synthesizer's global channel.
  // Otherwise handed to the manager: the port's to ProcessMidiMsgFromDevice, the host's to
  // ProcessMidiMsgFromDAW with the part listening on its channel (part 0 when none does).
  void ProcessMidiMsg(IMidiMsg* pMsg, bool fromDevice) override;
  // Logs how many host events blocks that found the plug mutex held could not keep (KorvidMidiInput.cpp),
  // then followAudioPass. The host's interface thread (effIdle, effEditIdle): idle(true).
  void OnIdle() override;
  // OnIdle's work; hostCall false on mAudioPassFollower.
  void idle(bool hostCall);
  // The idle half of the timing hub (KorvidTimingHub.cpp): says lost ports, logs and shows what the passes
  // left (tempo, MIDI-out delay, no output), shows the activity indicators' states, posts the clock job,
  // sends the deferred dumps and lets the editor follow the kept host messages (on the host's call only
  // while mAudioPassFollower does not run: a followed controller may send). Only when the plug mutex is free.
  // Waits for nothing: the reopen of ports that answer again is handed on (noteLostPorts). OnIdle's threads.
  void followAudioPass(bool hostCall);
  // The audio thread holds the host's events while mHostEventsWait is set.
  bool HostEventsWait() override { return mHostEventsWait.load(); }
  // Processing stops: in MIDI-out mode, what the output queue holds goes out now.
  void OnProcessingStops() override;
  // Keeps a host controller or program change for the editor to follow at idle. Audio thread, plug mutex
  // held.
  void keepHostMsgForIdle(const IMidiMsg& msg, int part);
  // The first part (0..15) whose kMultiPartMIDICh value minus 2 equals channel (0..15), or -1. Any thread.
  int partOnChannel(int channel);
  // Lights the activity indicator of the first part listening on channel when it is not lit yet; nothing
  // without an editor surface. Any thread.
  void lightIncomingIndicator(int channel);
  // The sysex side's steps around the manager (ProcessSysEx calls them once a message passed its gates).
  // Before: in incoming mode, a parameter change of the synthesizer (3E 10 .. part, 9 to 13 bytes) lights
  // the indicator of its part. After: marks the mini mixer's controls for redraw. Any thread.
  void noteIncomingSysex(const ISysEx* msg);
  void sysexApplied();
  // Lights the activity indicator of part (0..15) on surface unless it is lit: its time is stamped before it
  // counts as lit, so the timing hub never times it from an earlier lighting. Any thread; the audio thread
  // leaves the control to followAudioPass.
  void lightIndicator(IGraphics& surface, int part);
  // ProcessSysEx and feedOwnSysEx: the gates, then the manager (ownDump: no checksum test).
  void takeSysEx(ISysEx* pSysEx, bool fromDevice, bool ownDump);

  // ---- Control actions (KorvidControlActions.cpp) ----

  // Brings every control bound to action to value (the parameter's plain value) and sends what the
  // synthesizer must receive: a controller message, sysex parameter messages, or a multi or global dump by a
  // worker job. Plug mutex held (the change handlers and the linker). action may be null (nothing happens).
  void processControlAction(ControlAction* action, int paramIdx, double value);
  // The multi (multi true) or global dump that an edit asked for, once Shift and the mouse button are up:
  // a multi sets mPushAllParts and clears mPushGlobal; "MULTI" or "GLOBAL" goes to the controller line.
  // Unless the progress indicator shows, the dump job is posted (after all sounds off when silenceFirst; a
  // busy worker drops it), or, while the host transport runs with a stop pending, "STOP PLAYBACK TO SEND
  // MULTI DATA" ("... GLOBAL DATA") is shown instead. Editor thread (plug mutex held) or audio thread.
  void sendEditedDump(bool multi, bool silenceFirst);
  // A wavetable choice of oscillator 1 or 2 of part: "CC|31" or "CC|39" on the control display's
  // controller line, and the shape controller with the wavetable's shape value, by the echo rule.
  void sendWavetableController(int oscillator, int part, int wavetable);
  // A parameter value truncated toward zero; 0 for NaN, held to +-1e9.
  static int truncatedValue(double value);
  // The control registered under the four sysex address keys and the group, or null.
  IControl* getSysexControl(int key1, int key2, int key3, int key4, int group);
  // The control registered under channel, controller number and flag, or null.
  IControl* getCCControls(int channel, int ccNumber, int flag);

  // Without an output port shows "Set MIDI I/O First!" and sends nothing; otherwise rewrites the
  // checksum of a message of 201 bytes or more and sends the bytes to the output port (framed with F0 and
  // F7 when they do not start with F0). A framed message with 3E 0F at bytes 1 and 2 lights the indicator
  // of the part in byte 5 (unless the indicators follow incoming MIDI). Not logged. Any thread.
  // True when the output took the bytes; counted in mDumpsTaken or, refused by the open output (a send
  // that timed out, a stalled MIDI system), in mDumpsRefused.
  bool checksumCheckAndSend(unsigned char* bytes, int length);
  // As checksumCheckAndSend, for a dump that may arrive twice (a sound, multi or global dump into an edit
  // buffer; bytes start with F0): the output writes it again where a late cycle may have lost it, keeping
  // pause (real time) between it and the next dump (IPlugBase::sendMidiDump).
  bool checksumCheckAndSendDump(unsigned char* bytes, int length, std::chrono::milliseconds pause);
  std::atomic<uint64_t> mDumpsTaken{0};
  std::atomic<uint64_t> mDumpsRefused{0};
  // true shows the processing overlay (busy indicator, its layer and the page's cancel button; on the
  // librarian page the category-limit and search-field layers hidden and the search control greyed);
  // false hides it, clears the ignore-incoming, worker-busy and output-hold flags and the manager's
  // dump-expected flag and restores the librarian page's search or category-limit layer. Any thread.
  void DisplayProcessingIndicator(bool show);
  // Marks the librarian's slot view for redraw. Any thread.
  void setLibrarianViewDirty();
  // The texts of the patch-name and category displays. Any thread.
  void displayPatchName(std::string name);
  void displayCategoryName(std::string name);
  // true: the next dump goes into the selected librarian slot (the multi request in multi mode, else the
  // sound request, armed empty); false: into the editor (dump-expected set, both requests ended). Both
  // clear the dump-arrived and data-received flags. Any thread.
  void SetLibrarianRequestActive(bool active);
  // true: data came in for librarian slots: ends the requests, clears dump-expected, marks the bank
  // unsaved (kBankEditUnsaved 1, kDiscardBankData 0), shows the discard layer and hides the keep-bank
  // layer, greys the list kind (kDatatype), hides the upper browser menu of the kind shown and says "Data
  // received to slot(s)"; false does nothing. Any thread.
  void SetLibrarianStatusUnsaved(bool unsaved);
  // The plug-in's sysex input: dropped while the ignore-incoming or worker-busy flag is set or the sysex
  // filter of that input blocks it; otherwise handed to the manager, and the dump-arrived flag set once
  // its data-received flag is. MIDI input, worker or editor thread.
  void ProcessSysEx(ISysEx* pSysEx, bool fromDevice) override;
  // A dump the plug-in built or took from its library, fed in as ProcessSysEx from the synthesizer's port
  // does, but taken whatever its checksum byte (templates carry fixed ones). Worker thread.
  void feedOwnSysEx(ISysEx* pSysEx);
  // Replaces the text of the message line (line 1 of the control display) and empties line 2, as a status
  // message replaces the last edit's two lines. A text wider than line 1 goes on into line 2
  // (splitStatusText). A device job's text (shown on its thread) comes after a standing port loss ("MIDI
  // OUT lost - ..."). Any thread.
  void showStatusText(const char* text);
  // Shows two outcomes, one per line of the control display, each cut to its line (statusLinesOf). Any
  // thread.
  void showStatusLines(const std::string& first, const std::string& second);
  // Names the bank the pane shows on the message line (a page of search results is "Search Results n").
  // Plug mutex held.
  void sayShownBank(bool upper);
  // Replaces the text of line 2 of the control display, the detail line of status messages. The detail of
  // a device text keeps line 1 to that text, behind a standing loss, cut at a separator to fit. Any thread.
  void showStatusDetail(const char* text);
  // How many characters line 1 holds, from its font and width. Construction.
  void measureStatusLine();
  // What the message line, the patch-name and the category displays show now, and the last detail line of
  // a status message (showStatusDetail). Any thread.
  std::string getStatusText();
  std::string getStatusDetail();
  std::string getPatchNameText();
  std::string getCategoryNameText();
  // True while the device manager's sysex worker thread runs a job. Any thread.
  bool ThreadRunning();
  // True while one of the four sound pages (oscillators to effects) is open. Any thread.
  bool soundPageShown() const;
  // The librarian slot that receives a library record (0 without a librarian).
  int getSelectedLibrarianSlot();
  // Selects slot (-1 for none, else 0..127) in pane (LibrarianViewControl::kUpperPane or kLowerPane) of the
  // librarian and the slot view together; a slot also becomes the one the arrow keys go on from. Runs under
  // the editor lock, at once when that needs no waiting, else queued. Any thread.
  void selectLibrarianSlot(int pane, int slot);
  // The one writer of which bank each pane holds: bank index of banks opens in pane
  // (LibrarianViewControl::kUpperPane or kLowerPane) when banks is the list the pane shows, else nothing
  // changes. Sets the library's bank index of the pane, the pane's list parameter with its controls, the
  // open-bank parameters of the kind shown (for sounds those of every part: the pane holds one bank), the
  // upper sound bank the parts remember (kCurrentPatchBank: the current part's, or every part's while KEEP
  // BANK OPEN is on) and the pane's stored pair, by whose names every list rebuild finds the bank again. Plug
  // mutex held.
  void openPaneBank(int pane, int index, const std::vector<PatchFile*>& banks);
  // The bank list the upper or lower pane shows now (by multi mode, category and search view), or null.
  const std::vector<PatchFile*>* banksOfPane(bool upper) const;
  // The pair that names the bank of the upper or lower pane in the list it shows now (banksOfPane).
  SelectionName& panePair(bool upper);

  // Owned; null before initDeviceCommunication and after stopDeviceCommunication.
  class MIDIMessageManager* mMIDIMessageManager = nullptr;
  class PatchManager* mPatchManager = nullptr;
  class PatchLibrarian* mPatchLibrarian = nullptr;
  // The text controls the displays write to when the editor has them (not owned; may be null).
  class ITextControl* mMessageLine = nullptr;
  class ITextControl* mPatchNameDisplay = nullptr;
  class ITextControl* mCategoryDisplay = nullptr;

  // An output port is chosen (kDeviceOutSelection above 0; also called output-port-chosen): without it
  // nothing is sent to the synthesizer.
  std::atomic<bool> mOutputPresent{false};
  // The plug-in itself is sending: incoming sysex is dropped.
  std::atomic<bool> mIgnoreIncoming{false};
  // A worker is busy for the editor: incoming sysex is dropped.
  std::atomic<bool> mWorkerBusy{false};
  // The multi sender sends the global data first (send-global-with-multi).
  std::atomic<bool> mPushGlobal{false};
  // A whole multi with its part sounds is being pushed: the part sender leaves overlay and names alone.
  std::atomic<bool> mPushAllParts{false};
  // Set after an incoming message once the manager's data-received flag is set; polled by the requests.
  std::atomic<bool> mDumpArrived{false};
  // The device-id enquiry was started; never cleared.
  std::atomic<bool> mInitializationRequested{false};
  // The librarian and editor work on multis: kDatatype is 1 (multi-data; also called multi mode).
  std::atomic<bool> mMultiMode{false};
  // The processing overlay is shown.
  std::atomic<bool> mProcessingOverlay{false};
  // Current device id (mirrors kGlobalSysExID) and the part the editor shows (kQuickTab), 0..15.
  std::atomic<int> mDeviceId{0};
  std::atomic<int> mCurrentPart{0};

  // ---- Librarian glue: the slot view, the selectors and library sends (KorvidLibrarianGlue.cpp) ----

  // Marks the slot view for redraw and reloads its upper pane (0), lower pane (1) or both (2); other values
  // do nothing. Any thread.
  void updatePatchLibrarianView(int which);
  // Hides the bank number and bank-name selector layers, then shows the one for the mode: outside
  // library-control (kControlLibrary off) the bank number selector, refreshed with the bank and program of
  // the multi (multi mode) or of the current part; in library-control mode the multi or sound bank-name
  // selector, the program number becoming the slot view's selected upper slot and cursor and the librarian's
  // selected upper slot, the program selector refreshed with it and, unless keepBankMenu, the bank selector
  // with the bank. Editor or host thread.
  void updateBankAndProgramMenuNames(bool keepBankMenu);
  // Sends library record slot (0..127) of pane (0 upper, else lower; the bank the slot view shows there) to
  // part (0..15) on the sysex-job worker (job 3, with a copy of the record). The slot view's cursor moves to
  // the slot once it holds a dump; all sounds off goes to the part first unless records are being stored
  // into the synthesizer's memory. Nothing is sent, and the message line says why, for a locked part, no
  // bank, a slot outside the bank or without a dump, no output port or a busy worker. Posted (true): the
  // library requests are ended and a dump expected (SetLibrarianRequestActive(false)). Any thread.
  bool sendPatchToDeviceFromLibrarian(int slot, int pane, int part);
  // The slot menu (an upper slot) and the copy menu (anything else) of a right click in the slot view: a new
  // menu at (x, y), kept as the newest of its kind, shown at once and carried out. Editor thread.
  void showFileEditMenu(int x, int y);
  void showFileCopyMenu(int x, int y);
  // Cleared while the slot view's rename field is open for a slot; set by the view's clicks and keys and
  // after a rename (also called rename-closed): the kPatchRename edit renames only while it is clear.
  std::atomic<bool> mRenameBlocked{true};
  // Asks for a bank file with the open dialog ("mid" files with midiFile, else "syx" and "kvd") and copies
  // it into the library folder (importBankFile). False when cancelled ("Nothing imported" on the message
  // line) or refused; a dialog that could not come up says why there. Editor thread.
  bool saveImportedFile(bool midiFile);
  // After a dialog that returned no answer: when it could not come up at all, says why on the message line,
  // followed by consequence (" - nothing sent"), and returns true. Editor thread.
  bool sayDialogFailed(const char* consequence);
  // Copies the bank file at source into the library folder under its own name, or "<name> (n)" when that
  // is taken: read whole first, written to a temporary file and renamed. Refuses, saying why in the message
  // line, an unreadable, too small or too large file, one the library would not list
  // (PatchLibrarian::listsBankFile), the library's own file and a missing library folder. The caller rescans
  // the library after success.
  bool importBankFile(const std::string& source);
  // Opens one of the maker's help pages in the browser: 0 support tickets, 1 downloads, 2 knowledge base;
  // other topics nothing. A failure to open is said in the message line. Editor thread.
  bool OpenHelpTopics(int topic);
  // Where the import dialog starts: the folder of the last file chosen.
  std::string mFileDialogFolder;
  // The newest slot and copy menus (shared with the call that shows them, which may outlive a newer one).
  std::shared_ptr<FileEditPopupMenu> mFileEditMenu;
  std::shared_ptr<FileCopyPopupMenu> mFileCopyMenu;

  // ---- Device transfers: bank changes, part sends, library records into the synthesizer
  //      (KorvidTransfers.cpp) ----

  // The host tempo in whole BPM as kTempoInformation last took it (GetTempo truncated); 0 until then. Any
  // thread.
  int getTempoValue();
  // Bank select and program change for part (0..15), or for the multi while the multi mode is on (part
  // not read). Part: bank and program from kMultiPartBank/kMultiPartPatch + part, the part's channel,
  // controller 32 value 64; multi: kMultiBank/kMultiPatch, the global channel, value 96. The bank and
  // program go into the part tables first (entry 16: the multi). Refused (false) when another active part
  // holds the same bank and program in the tables (the "bankPatchConflictWindow" layer shows), without an
  // output port ("Set MIDI I/O First!"), or when the target has no single MIDI channel. Otherwise true:
  // all sounds off, then controller 0, 25 ms, controller 32, 25 ms, the program change, 50 ms and a
  // sync-timer pause go out on the bank-change thread, never on the caller's: the audio thread, the MIDI
  // input thread and handlers holding the plug mutex call it. Device jobs posted after the call start only
  // once these messages are out; called from a device job it returns once they are out (bounded; a
  // time-out says so). Any thread.
  bool BankChangeMessage(int part);
  // A bank or program chosen for part (0..15), also while the multi mode is on: its bank change as above
  // (refused: false, nothing more), then, with program requests on (kControlProgBank), the part's sound
  // requested into the editor (job 6), otherwise the editor's sound of the part sent to it
  // (sendPatchToDevice). In library control (kControlLibrary) with sounds listed, the record of the upper
  // bank at the part's program goes to it instead (sendPatchToDeviceFromLibrarian, whose job makes the bank
  // change); false when that is refused. Any thread.
  bool choosePartProgram(int part);
  // Sends part's sound (0..15) from the editor's values to its edit buffer with job 2, then, with
  // sendMultiAfter, the multi (job 0's body) and two sync-timer pauses. Always sends all sounds off to the
  // part first. When the device worker admits the job, the ignore-incoming flag, busy (worker-busy),
  // multiEdited (push-all-parts) and sendGlobalWithMulti (push-global) are set; the job clears the busy and
  // ignore flags at its end. A busy worker drops it and no flag changes. Never waits: any thread.
  void sendPatchToDevice(int part, bool busy, bool multiEdited, bool sendGlobalWithMulti,
                         bool sendMultiAfter);
  // After a program change of part (0..15): when any of its 40 section locks is on, sends all sounds off
  // to it and its sound from the editor's values (job 2). A running job (the request of the new program's
  // sound) is not interrupted: the send follows it, and is skipped when that job failed. Any thread.
  void sendPartDataBackToHardware(int part);
  // Sends the library record of the selected upper slot (or, with no upper slot selected, the lower
  // pane's) to part (0..15) with job 3; store: also into the synthesizer's memory slot of that number in
  // the part's bank (kMultiPartBank + part; multis: the multi memory), and only from the upper pane (the
  // message line asks for a slot of it otherwise). Editor thread.
  void SendSingleProgramFromLibrarian(bool store, int part);
  // Stores the whole bank of the upper pane (the lower one with no upper slot selected) into memory bank
  // bankByte (0..7 = A..H; multis: the multi memory) of the synthesizer with job 4, after the user
  // confirmed it in a message box (it overwrites up to 128 sounds). The librarian's selected upper slot
  // becomes 0. Editor thread.
  void SendAllProgramsFromLibrarian(int bankByte);
  // The same from slot startSlot (0..127) of pane (0 upper, otherwise lower) on: slot s goes to program
  // s - startSlot. Needs an output port and an idle device worker; asks for confirmation first. Editor
  // thread.
  void storeAllPatchesToDeviceFromLibrarian(int pane, int startSlot, int bankByte);

private:
  // BankChangeMessage for the multi (multi) or for part.
  bool changeBank(int part, bool multi);
  // checksumCheckAndSend, as a dump with its pause when dumpPause is given.
  bool sendChecked(unsigned char* bytes, int length, std::optional<std::chrono::milliseconds> dumpPause);
  // Destroyed first of all members: stops input and the jobs while everything they use still exists.
  struct DeviceTeardown
  {
    Korvid* plug;
    ~DeviceTeardown();
  };
  // One bank change's messages and pauses (the bank-change thread).
  void sendBankChange(int part, bool multi, int channel, int bank, int bankLsb, int program);
  // Pauses ms on the device jobs' clock; false when the jobs are being stopped.
  bool transferPause(int ms);
  // Asks whether count records of the bank named bankName may overwrite the synthesizer's memory (bankByte,
  // or the multi memory); false without an editor, when the user declines or when the question could not
  // be shown (the message line says why).
  bool confirmBankStore(const std::string& bankName, int count, int bankByte);
  // Posts job 4 with a copy of the bank of pane (the one the slot view shows there) from startSlot on,
  // after the checks and the confirmation.
  void storeBankIntoDevice(int pane, int startSlot, int bankByte);
  std::mutex mDisplayTextLock;
  std::string mStatusText;
  std::string mStatusDetail;
  // What a name whose commit started the running send left out: line 2 of the send's texts, said again at its
  // end. Under mDisplayTextLock.
  std::string mLeftOutOfSend;
  // The name parameter whose commit started the running send, -1 for none: set as the send is admitted,
  // cleared by its end and by the entry's own word on what it left out (OnTextEntryRefused), both under
  // mDisplayTextLock.
  std::atomic<int> mSendingEntry{-1};
  // The last device text without a loss in front, its detail and when it was shown; mLineShowsDevice while
  // the line still shows it. mStandingLoss: the lost directions (IMidiPorts::LostBits) whose port has not
  // opened since. Under mDisplayTextLock.
  std::string mDeviceText;
  std::string mDeviceDetail;
  std::chrono::steady_clock::time_point mDeviceTextTime;
  bool mLineShowsDevice = false;
  int mStandingLoss = 0;
  // Outputs chosen so far (counted under mDisplayTextLock), and the count the device job's texts are bound
  // to (kTextsUnbound: none).
  static constexpr uint64_t kTextsUnbound = UINT64_MAX;
  std::atomic<uint64_t> mOutputChoices{0};
  std::atomic<uint64_t> mDeviceTextsChoice{kTextsUnbound};
  // A text shown now by the device job (device) is one of an enquiry whose output was chosen away. Asked
  // under mDisplayTextLock where the text is then shown.
  bool deviceTextOutdated(bool device) const;
  // With mDisplayTextLock held: text, and detail on line 2 unless empty, on the message lines.
  void layOutLocked(const std::string& text, const std::string& detail);
  // With mDisplayTextLock held: the standing loss (lossText), after ending that of a direction whose port
  // is open again; text behind it.
  std::string standingLossLocked();
  std::string behindLossLocked(const std::string& text);
  // True on the device worker's job thread.
  bool onDeviceJob();
  // Characters of the control display's font that line 1 holds (0: not measured, no splitting).
  std::atomic<int> mStatusLineChars{0};
  std::string mPatchNameText;
  std::string mCategoryNameText;
  DeviceTeardown mDeviceTeardown{this};
  // Set by every processing pass: the follow-up thread has work only while the host's audio runs.
  std::atomic<bool> mAudioPassRan{false};
  // What the processing pass leaves behind, every few milliseconds after a pass (OnIdle's work); declared
  // last, so it stops before anything it uses goes.
  FollowUpThread mAudioPassFollower{"Korvid audio follow-up", kAudioFollowUpPeriodMs,
                                    [this]
                                    {
                                      if (mAudioPassRan.exchange(false))
                                      {
                                        idle(false);
                                      }
                                    }};
  // Directions the MIDI system answers again (IMidiPorts::kOutAnswered, kInAnswered) that an idle call
  // took and left to mPortReopener.
  std::atomic<int> mAnsweredToReopen{0};
  // Opens the ports of the directions that answer again and applies a pending recall (reopenHandedOn):
  // port work and device waits that no idle call makes. Stopped in teardown before the device manager goes.
  FollowUpThread mPortReopener{"Korvid port reopen", 0, [this] { reopenHandedOn(); }};
};
