// The process-wide bitmap cache: every loaded bitmap by id and scale, shared by all plug-in instances.
#pragma once

#include "WdlMutex.h"

#include <vector>

class LICE_IBitmap;

// Owns its bitmaps until Remove or the end of the process. Every operation takes the cache's recursive
// lock for its own duration; any thread.
class BitmapStorage
{
public:
  // The one cache of the process.
  static BitmapStorage& Instance();

  BitmapStorage() = default;
  ~BitmapStorage();
  BitmapStorage(const BitmapStorage&) = delete;
  BitmapStorage& operator=(const BitmapStorage&) = delete;

  // Appends an entry; the cache owns the bitmap from now on.
  void Add(LICE_IBitmap* bitmap, int id, double scale);
  // Removes the first entry holding the bitmap and deletes it; does nothing for a bitmap not in the cache.
  void Remove(LICE_IBitmap* bitmap);
  // The first entry with the id and the scale, in order of adding; null when none.
  LICE_IBitmap* Find(int id, double scale);
  // The first entry with the id at any scale; null when none.
  LICE_IBitmap* FindAnyScale(int id);
  int Count();

private:
  struct Entry
  {
    int id;
    double scale;
    LICE_IBitmap* bitmap;
  };
  WDL_Mutex mMutex;
  std::vector<Entry> mEntries;
};
