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
  if (target.mMessages.empty())
    target.mMessages = mMessages;
  else
    target.mMessages.insert(target.mMessages.end(), mMessages.begin(), mMessages.end());
}

void LibrarianPatch::parseCategory(int offset)
{
  // Read through the const list: the dumps stay shared with the record's copies.
  const SysexMessageList& messages = mMessages;
  if (messages.empty() || offset < 0)
    return;
  const std::vector<unsigned char>& dump = messages.front().mData;
  if (static_cast<size_t>(offset) >= dump.size())
    return;
  if (const char* text = categoryText(dump[offset]))
    mCategory += text;
}
