// Decides whether an edit of the one-line text field stands: allowed characters, length and value limits.
#pragma once

#include <string>

// The filter of a text field opened for a parameter. Pure logic, no window system; editor thread.
class TextEntryFormatter
{
public:
  // allowed: the characters that may be typed ("" allows none); maxLength: most characters, 0 = no limit;
  // maxValue: largest integer value of the text, 0 = no limit.
  TextEntryFormatter(std::string allowed, int maxLength, int maxValue = 0);

  // The characters a parameter of that type (IParam::EParamType) accepts: digits and signs for bool, int
  // and enum, also the point for double, a fixed set of letters, digits and punctuation for text, none for
  // any other type.
  static std::string AllowedCharactersFor(int paramType);

  // True when text may replace the field's contents.
  bool IsAcceptable(const std::string& text) const;
  // True when the field takes every character of chars, whatever the length and value limits say.
  bool AllowsCharacters(const std::string& chars) const;

  int MaxLength() const { return mMaxLength; }

private:
  std::string mAllowed;
  int mMaxLength;
  int mMaxValue;
};
