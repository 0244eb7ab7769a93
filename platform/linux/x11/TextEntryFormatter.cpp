// The text field's filter: character sets by parameter type, length and value limits.
#include "TextEntryFormatter.h"

#include "IParam.h"

#include <cstdlib>
#include <utility>

TextEntryFormatter::TextEntryFormatter(std::string allowed, int maxLength, int maxValue)
    : mAllowed(std::move(allowed)), mMaxLength(maxLength), mMaxValue(maxValue)
{
}

std::string TextEntryFormatter::AllowedCharactersFor(int paramType)
{
  switch (paramType)
  {
  case IParam::kTypeBool:
  case IParam::kTypeInt:
  case IParam::kTypeEnum:
    return "0123456789-+";
  case IParam::kTypeDouble:
    return "0123456789.-+";
  case IParam::kTypeText:
    return std::string("abcdefbgihjklmonpqrstuvwxyzABCDEFGHIJKOLMNOPQRSTUVWXYZ !") + '"' +
           "#$%&/'+-*()[],.0123456789-+";
  default:
    return std::string();
  }
}

bool TextEntryFormatter::AllowsCharacters(const std::string& chars) const
{
  return chars.find_first_not_of(mAllowed) == std::string::npos;
}

bool TextEntryFormatter::IsAcceptable(const std::string& text) const
{
  if (!AllowsCharacters(text))
  {
    return false;
  }
  if (mMaxLength != 0 && static_cast<int>(text.size()) > mMaxLength)
  {
    return false;
  }
  if (mMaxValue != 0 && std::atoi(text.c_str()) > mMaxValue)
  {
    return false;
  }
  return true;
}
