// The plug-in class: one object per plug-in instance, built on the framework's VST 2 host interface.
#pragma once

#include "IPlugVST.h"

// Created by the entry point on the host's thread; destroyed by the host's effClose.
class Korvid : public IPlugVST
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

  // Runs the framework's two stages: identity first, then the parameters, channels and names.
  explicit Korvid(IPlugInstanceInfo instanceInfo);
  ~Korvid() override;

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
  // Without an output port shows "Set MIDI I/O First!" and sends nothing; otherwise rewrites the
  // checksum of a message of 201 bytes or more and sends the bytes to the output port. Any thread.
  void checksumCheckAndSend(unsigned char* bytes, int length);
  // true shows the processing overlay; false hides it and clears the ignore-incoming and worker-busy
  // flags and the manager's dump-expected flag. Any thread.
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
  // unsaved and says "Data received to slot(s)"; false does nothing. Any thread.
  void SetLibrarianStatusUnsaved(bool unsaved);
  // The plug-in's sysex input: dropped while the ignore-incoming or worker-busy flag is set; otherwise
  // handed to the manager, and the dump-arrived flag set once its data-received flag is. MIDI input,
  // worker or editor thread.
  void ProcessSysEx(ISysEx* pSysEx, bool fromDevice) override;
  // Replaces the text of the message line. Any thread.
  void showStatusText(const char* text);
  // What the message line, the patch-name and the category displays show now. Any thread.
  std::string getStatusText();
  std::string getPatchNameText();
  std::string getCategoryNameText();
  // The librarian slot that receives a library record (0 without a librarian).
  int getSelectedLibrarianSlot();

  // Owned; null before initDeviceCommunication and after stopDeviceCommunication.
  class MIDIMessageManager* mMIDIMessageManager = nullptr;
  class PatchManager* mPatchManager = nullptr;
  class PatchLibrarian* mPatchLibrarian = nullptr;
  // The text controls the displays write to when the editor has them (not owned; may be null).
  class ITextControl* mMessageLine = nullptr;
  class ITextControl* mPatchNameDisplay = nullptr;
  class ITextControl* mCategoryDisplay = nullptr;

  // An output port is chosen (kDeviceOutSelection above 0).
  std::atomic<bool> mOutputPresent{false};
  // The plug-in itself is sending: incoming sysex is dropped.
  std::atomic<bool> mIgnoreIncoming{false};
  // A worker is busy for the editor: incoming sysex is dropped.
  std::atomic<bool> mWorkerBusy{false};
  std::atomic<bool> mPushGlobal{false};
  // A whole multi with its part sounds is being pushed: the part sender leaves overlay and names alone.
  std::atomic<bool> mPushAllParts{false};
  // Set after an incoming message once the manager's data-received flag is set; polled by the requests.
  std::atomic<bool> mDumpArrived{false};
  // The device-id enquiry was started; never cleared.
  std::atomic<bool> mInitializationRequested{false};
  // The librarian and editor work on multis.
  std::atomic<bool> mMultiMode{false};
  // The processing overlay is shown.
  std::atomic<bool> mProcessingOverlay{false};
  // Current device id (mirrors kGlobalSysExID) and the part the editor shows (kQuickTab), 0..15.
  std::atomic<int> mDeviceId{0};
  std::atomic<int> mCurrentPart{0};

private:
  // Destroyed first of all members: stops input and the jobs while everything they use still exists.
  struct DeviceTeardown
  {
    Korvid* plug;
    ~DeviceTeardown();
  };
  std::mutex mDisplayTextLock;
  std::string mStatusText;
  std::string mPatchNameText;
  std::string mCategoryNameText;
  DeviceTeardown mDeviceTeardown{this};
};
