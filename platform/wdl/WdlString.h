// Growable text in place of WDL_String.
#pragma once

#include <string>

// A text that owns its characters. Not shared between threads.
class WDL_String
{
public:
  WDL_String() = default;
  explicit WDL_String(const char* text) { Set(text); }

  // The text, always terminated; never null.
  const char* Get() const { return mText.c_str(); }
  // Replaces the text; null empties it. With maxLen > 0 at most maxLen characters are taken.
  void Set(const char* text, int maxLen = 0);
  // Appends text (null appends nothing); with maxLen > 0 at most maxLen characters.
  void Append(const char* text, int maxLen = 0);
  int GetLength() const { return static_cast<int>(mText.size()); }

private:
  std::string mText;
};
