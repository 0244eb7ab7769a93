// The job code and arguments of one worker job, copied into its thread when the job is posted.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class LibrarianPatch;

// A plain value. The poster fills the fields its job reads; the worker thread keeps its own copy, so a
// later post for another thread never changes a running job's arguments. Library records travel as copies
// taken when the job is posted: a rescan of the library may free the banks while the job runs.
struct JobArguments
{
  int jobCode = 14; // what the sender runs (MIDIMessageSender::JobCode)
  // Job 3: a copy of the library record to send (MIDIMessageManager::postLibraryRecord makes it).
  std::shared_ptr<const LibrarianPatch> record;
  int slotIndex = 0;          // job 3: the library slot 0..127, also the program it is stored as
  bool storeToMemory = false; // job 3: into the synthesizer's memory slot as well (not only the edit buffer)
  int pane = 0;               // job 4: 0 upper, otherwise lower (the pane bankRecords was copied from)
  int startSlot = 0;          // job 4
  // Job 4: a copy of the records of the bank to store, in slot order (may hold fewer than 128).
  std::shared_ptr<const std::vector<LibrarianPatch>> bankRecords;
  int part = 0;                // jobs 2, 3, 6: part 0..15
  int bankByte = 0;            // job 4
  int bank = 0;                // jobs 9, 10: bank 0..7
  bool toEditor = false;       // jobs 5, 6: the reply goes into the editor (else the librarian)
  int deviceId = 0;            // job 1
  bool editBuffer = false;     // job 9
  bool requestParts = false;   // job 0 (carried, not read, by job 2)
  bool toLibrarian = false;    // jobs 0, 2: store into the selected librarian slot instead of sending
  bool sendMultiAfter = false; // job 2 of Korvid::sendPatchToDevice: the multi follows (job 0's body)
  bool endsTransfer =
      false;     // job 2 of Korvid::sendPatchToDevice: clears its busy and ignore flags at the end
  int tempo = 0; // job 16: beats per minute
  // Set by the manager's post: the bank changes queued before the post, which the job waits for.
  uint64_t bankChangeTicket = 0;
  // Set by the worker thread for a job chained behind another: skipped when that job failed.
  bool followUp = false;
};
