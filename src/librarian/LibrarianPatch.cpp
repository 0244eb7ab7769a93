// Library record copying and category parsing.
#include "LibrarianPatch.h"

const char* const LibrarianPatch::kCategoryTexts[kCategoryCount] = {
    "Init", "Arp ", "Atmo", "Bass", "Drum", "FX  ", "Keys", "Lead", "Mono", "Pad ", "Perc", "Poly", "Seq "};

const char* LibrarianPatch::categoryText(int code)
{
  if (code < 0 || code >= kCategoryCount)
    return nullptr;
  return kCategoryTexts[code];
}

void LibrarianPatch::clone(LibrarianPatch& target) const
{
  target.mName = mName;
  target.mMessages.insert(target.mMessages.end(), mMessages.begin(), mMessages.end());
}

void LibrarianPatch::parseCategory(int offset)
{
  if (mMessages.empty() || offset < 0)
    return;
  const std::vector<unsigned char>& dump = mMessages.front().mData;
  if (static_cast<size_t>(offset) >= dump.size())
    return;
  if (const char* text = categoryText(dump[offset]))
    mCategory += text;
}
