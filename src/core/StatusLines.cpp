// A status text laid out on the two lines of the control display.
#include "StatusLines.h"

#include <initializer_list>

namespace
{
constexpr const char* kEllipsis = "...";
constexpr size_t kEllipsisLength = 3;

bool startsCharacter(char c)
{
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// The byte position after the first `count` characters of text (its size when it has fewer).
size_t bytesOf(const std::string& text, size_t count)
{
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i)
  {
    if (startsCharacter(text[i]) && characters++ == count)
    {
      return i;
    }
  }
  return text.size();
}

// The text cut to maxChars characters, its end replaced by "..." when something was cut.
std::string fitted(const std::string& text, size_t maxChars)
{
  if (maxChars == 0 || bytesOf(text, maxChars) == text.size())
  {
    return text;
  }
  if (maxChars <= kEllipsisLength)
  {
    return text.substr(0, bytesOf(text, maxChars));
  }
  return text.substr(0, bytesOf(text, maxChars - kEllipsisLength)) + kEllipsis;
}
} // namespace

StatusLines splitStatusText(const std::string& text, size_t maxChars)
{
  const size_t fits = bytesOf(text, maxChars);
  if (maxChars == 0 || fits == text.size())
  {
    return {text, ""};
  }
  size_t headEnd = 0;
  size_t tailStart = 0;
  // The last separator whose head fits; a comma stays with the head.
  for (const char* separator : {" - ", ": ", ", "})
  {
    const std::string sep(separator);
    const size_t found = text.rfind(sep, fits);
    const size_t end = found + (sep == ", " ? 1 : 0);
    if (found != std::string::npos && found > 0 && end <= fits && end > headEnd)
    {
      headEnd = end;
      tailStart = found + sep.size();
    }
  }
  if (headEnd == 0)
  {
    const size_t blank = text.rfind(' ', fits);
    if (blank != std::string::npos && blank > 0)
    {
      headEnd = blank;
      tailStart = blank + 1;
    }
    else
    {
      headEnd = fits;
      tailStart = fits;
    }
  }
  return {text.substr(0, headEnd), fitted(text.substr(tailStart), maxChars)};
}

StatusLines statusLinesOf(const std::string& first, const std::string& second, size_t maxChars)
{
  return {fitted(first, maxChars), fitted(second, maxChars)};
}
