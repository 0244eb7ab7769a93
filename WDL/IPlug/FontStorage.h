// The process-wide font cache: every cached font by size, orientation, style and face name.
#pragma once

#include "WdlMutex.h"

#include <string>
#include <vector>

class LICE_IFont;
struct IText;

// Owns its fonts until the end of the process. Every operation takes the cache's recursive lock for its
// own duration; any thread.
class FontStorage
{
public:
  // The one cache of the process.
  static FontStorage& Instance();

  FontStorage() = default;
  ~FontStorage();
  FontStorage(const FontStorage&) = delete;
  FontStorage& operator=(const FontStorage&) = delete;

  // The first font whose size, orientation, style and face name (case-sensitive) equal the style's; or null.
  LICE_IFont* Find(const IText* text);
  // Appends the font under the style's key; the cache owns the font from now on.
  void Add(LICE_IFont* font, const IText* text);
  int Count();

private:
  struct Entry
  {
    int size;
    int orientation;
    int style;
    std::string face;
    LICE_IFont* font;
  };
  WDL_Mutex mMutex;
  std::vector<Entry> mEntries;
};
