// The job code and arguments of one worker job, copied into its thread when the job is posted.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class LibrarianPatch;

// A plain value. The poster fills the fields its job reads; the worker thread keeps its own copy, so a
// later post for another thread never changes a running job's arguments. Library records travel as copies
// taken when the job is posted, never as pointers into a bank, which a rescan may free while the job runs.
struct JobArguments
{
  int jobCode = 14;          // what the sender runs (MIDIMessageSender::JobCode)
  int slotIndex = 0;         // job 3: the library slot 0..127, also the program it is stored as
  int pane = 0;              // job 4: 0 upper, otherwise lower (the pane bankRecords was copied from)
  int startSlot = 0;         // job 4
  int part = 0;              // jobs 2, 3, 6: part 0..15
  int bankByte = 0;          // job 4
  int bank = 0;              // jobs 9, 10: bank 0..7
  bool toEditor = false;     // jobs 5, 6: the reply goes into the editor (else the librarian)
  int deviceId = 0;          // job 1
  bool editBuffer = false;   // job 9
  bool requestParts = false; // job 0 (carried, not read, by job 2)
  bool toLibrarian = false;  // jobs 0, 2: store into the selected librarian slot instead of sending
  bool saySent = false;      // job 0: the user's send of the whole multi, said on the message line at its end
  int tempo = 0;             // job 16: beats per minute
  int songPosition = 0;      // job 15: where the host transport started, in sixteenth notes

  // Job 3: a copy of the library record to send, shared by the copies of these arguments.
  std::shared_ptr<LibrarianPatch> record;
  // Job 3: also into the synthesizer's memory slot (not only the part's edit buffer). The manager's post
  // takes it from the store-to-memory flag when that is set.
  bool storeToMemory = false;
  // Job 4: a copy of the records of the bank to store, in slot order (may hold fewer than 128).
  std::shared_ptr<const std::vector<LibrarianPatch>> bankRecords;
  // Job 2 of Korvid::sendPatchToDevice: the multi follows (job 0's body), and the job clears the busy and
  // ignore-incoming flags at its end.
  bool sendMultiAfter = false;
  bool endsTransfer = false;
  // Set by the manager's post: the bank changes queued before the post, which the job waits for.
  uint64_t bankChangeTicket = 0;
  // Set by the worker thread for a job chained behind another: skipped when that job failed.
  bool followUp = false;
};
