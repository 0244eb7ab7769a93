// The job code and arguments of one worker job, copied into its thread when the job is posted.
#pragma once

#include <memory>

class LibrarianPatch;

// A plain value. The poster fills the fields its job reads; the worker thread keeps its own copy, so a
// later post for another thread never changes a running job's arguments.
struct JobArguments
{
  int jobCode = 14;          // what the sender runs (MIDIMessageSender::JobCode)
  int slotIndex = 0;         // job 3
  int pane = 0;              // job 4: 0 upper, otherwise lower
  int startSlot = 0;         // job 4
  int part = 0;              // jobs 2, 3, 6: part 0..15
  int bankByte = 0;          // job 4
  int bank = 0;              // jobs 9, 10: bank 0..7
  bool toEditor = false;     // jobs 5, 6: the reply goes into the editor (else the librarian)
  int deviceId = 0;          // job 1
  bool editBuffer = false;   // job 9
  bool requestParts = false; // job 0 (carried, not read, by job 2)
  bool toLibrarian = false;  // jobs 0, 2: store into the selected librarian slot instead of sending
  int tempo = 0;             // job 16: beats per minute

  // Job 3: a copy of the library record to send, shared by the copies of these arguments; never a pointer
  // into a bank, which a rescan may free while the job runs.
  std::shared_ptr<LibrarianPatch> record;
};
