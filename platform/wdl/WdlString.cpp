// Growable text in place of WDL_String.
#include "WdlString.h"

#include <cstring>

namespace
{
size_t boundedLength(const char* text, int maxLen)
{
  if (maxLen <= 0)
  {
    return std::strlen(text);
  }
  return strnlen(text, static_cast<size_t>(maxLen));
}
} // namespace

void WDL_String::Set(const char* text, int maxLen)
{
  mText.clear();
  Append(text, maxLen);
}

void WDL_String::Append(const char* text, int maxLen)
{
  if (!text)
  {
    return;
  }
  mText.append(text, boundedLength(text, maxLen));
}
