// A pending library dump request: the record a requested sound or multi dump is collected into.
#pragma once

#include "LibrarianPatch.h"

#include <mutex>

// Owned by the MIDIMessageManager (one for sounds, one for multis). Armed and ended by the plug-in
// on the editor or worker thread, filled on the MIDI input thread: every member is used under mLock.
struct LibraryRequest
{
  // 1 after construction.
  int status = 1;
  // While true, an accepted dump of the request's kind goes into record.
  bool active = false;
  // Raised by withdraw: a record taken before it is stored nowhere.
  unsigned long withdrawals = 0;
  LibrarianPatch record;
  std::mutex mLock;

  // Empties the record (dumps, name and category) and sets active.
  void arm(bool makeActive)
  {
    std::lock_guard<std::mutex> lock(mLock);
    record.mMessages.clear();
    record.mName.clear();
    record.mCategory.clear();
    active = makeActive;
  }
  void end()
  {
    std::lock_guard<std::mutex> lock(mLock);
    active = false;
  }
  // Ends the request and voids the records it took that still wait to be stored: a reply that comes after
  // a job was cancelled goes into no slot.
  void withdraw()
  {
    std::lock_guard<std::mutex> lock(mLock);
    active = false;
    ++withdrawals;
  }
  bool withdrawnSince(unsigned long seen)
  {
    std::lock_guard<std::mutex> lock(mLock);
    return withdrawals != seen;
  }
  bool isActive()
  {
    std::lock_guard<std::mutex> lock(mLock);
    return active;
  }
};
