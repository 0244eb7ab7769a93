// The text field's filter: characters by parameter type, the length limit and the value limit.
#include "IParam.h"
#include "TextEntryFormatter.h"

#include <gtest/gtest.h>

TEST(TextEntryFormatterTest, CharactersFollowTheParameterType)
{
  const TextEntryFormatter integer(TextEntryFormatter::AllowedCharactersFor(IParam::kTypeInt), 0);
  EXPECT_TRUE(integer.IsAcceptable("-12+"));
  EXPECT_FALSE(integer.IsAcceptable("1.5"));
  const TextEntryFormatter boolean(TextEntryFormatter::AllowedCharactersFor(IParam::kTypeBool), 0);
  EXPECT_TRUE(boolean.IsAcceptable("1"));
  const TextEntryFormatter number(TextEntryFormatter::AllowedCharactersFor(IParam::kTypeDouble), 0);
  EXPECT_TRUE(number.IsAcceptable("-1.25"));
  EXPECT_FALSE(number.IsAcceptable("1e3"));
  const TextEntryFormatter text(TextEntryFormatter::AllowedCharactersFor(IParam::kTypeText), 0);
  EXPECT_TRUE(text.IsAcceptable("Pad \"Warm\" #2 (old), 50%/[x]*!'&$"));
  EXPECT_FALSE(text.IsAcceptable("a~b"));
  EXPECT_FALSE(text.IsAcceptable("ä"));
  const TextEntryFormatter none(TextEntryFormatter::AllowedCharactersFor(IParam::kTypeNone), 0);
  EXPECT_FALSE(none.IsAcceptable("1"));
  EXPECT_TRUE(none.IsAcceptable(""));
}

TEST(TextEntryFormatterTest, LengthAndValueLimits)
{
  const TextEntryFormatter limited("0123456789", 3);
  EXPECT_TRUE(limited.IsAcceptable("123"));
  EXPECT_FALSE(limited.IsAcceptable("1234"));
  const TextEntryFormatter unlimited("0123456789", 0);
  EXPECT_TRUE(unlimited.IsAcceptable(std::string(200, '7')));
  const TextEntryFormatter capped("0123456789", 0, 127);
  EXPECT_TRUE(capped.IsAcceptable("127"));
  EXPECT_FALSE(capped.IsAcceptable("128"));
}
