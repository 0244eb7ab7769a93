// The process-wide font cache.
#include "FontStorage.h"

#include "IGraphicsStructs.h"
#include "lice.h"

#include <cstring>

namespace
{
// The face name of a style, safe even when its array was filled without a terminator.
std::string faceOf(const IText* text)
{
  return std::string(text->mFont, strnlen(text->mFont, IText::kFontNameLen));
}
} // namespace

FontStorage& FontStorage::Instance()
{
  static FontStorage storage;
  return storage;
}

FontStorage::~FontStorage()
{
  for (Entry& e : mEntries)
  {
    delete e.font;
  }
}

LICE_IFont* FontStorage::Find(const IText* text)
{
  if (!text)
  {
    return nullptr;
  }
  WDL_MutexLock lock(&mMutex);
  for (const Entry& e : mEntries)
  {
    if (e.size == text->mSize && e.orientation == text->mOrientation && e.style == text->mStyle &&
        e.face == faceOf(text))
    {
      return e.font;
    }
  }
  return nullptr;
}

void FontStorage::Add(LICE_IFont* font, const IText* text)
{
  if (!font || !text)
  {
    return;
  }
  WDL_MutexLock lock(&mMutex);
  mEntries.push_back({text->mSize, text->mOrientation, text->mStyle, faceOf(text), font});
}

int FontStorage::Count()
{
  WDL_MutexLock lock(&mMutex);
  return static_cast<int>(mEntries.size());
}
