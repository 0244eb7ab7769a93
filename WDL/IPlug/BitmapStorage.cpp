// The process-wide bitmap cache.
#include "BitmapStorage.h"

#include "lice.h"

#include <cmath>

namespace
{
// Scales are the same few literals; a tolerance keeps 1.15 * something from missing itself.
bool sameScale(double a, double b)
{
  return std::fabs(a - b) < 1e-9;
}
} // namespace

BitmapStorage& BitmapStorage::Instance()
{
  static BitmapStorage storage;
  return storage;
}

BitmapStorage::~BitmapStorage()
{
  for (Entry& e : mEntries)
  {
    delete e.bitmap;
  }
}

void BitmapStorage::Add(LICE_IBitmap* bitmap, int id, double scale)
{
  WDL_MutexLock lock(&mMutex);
  mEntries.push_back({id, scale, bitmap});
}

void BitmapStorage::Remove(LICE_IBitmap* bitmap)
{
  if (!bitmap)
  {
    return;
  }
  LICE_IBitmap* found = nullptr;
  {
    WDL_MutexLock lock(&mMutex);
    for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
    {
      if (it->bitmap == bitmap)
      {
        found = it->bitmap;
        mEntries.erase(it);
        break;
      }
    }
  }
  delete found;
}

LICE_IBitmap* BitmapStorage::Find(int id, double scale)
{
  WDL_MutexLock lock(&mMutex);
  for (const Entry& e : mEntries)
  {
    if (e.id == id && sameScale(e.scale, scale))
    {
      return e.bitmap;
    }
  }
  return nullptr;
}

LICE_IBitmap* BitmapStorage::FindAnyScale(int id)
{
  WDL_MutexLock lock(&mMutex);
  for (const Entry& e : mEntries)
  {
    if (e.id == id)
    {
      return e.bitmap;
    }
  }
  return nullptr;
}

int BitmapStorage::Count()
{
  WDL_MutexLock lock(&mMutex);
  return static_cast<int>(mEntries.size());
}
