// Parameter normalising, rounding, display texts and their bounds.
#include "IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

TEST(IParamTest, NormalisingRoundsByType)
{
  IParam fresh;
  fresh.SetNormalized(0.5);
  EXPECT_EQ(fresh.Value(), 1.0);

  IParam dbl;
  dbl.InitDouble("d", 0.0, 0.0, 10.0, 0.5);
  dbl.SetNormalized(0.33);
  EXPECT_DOUBLE_EQ(dbl.Value(), 3.3);
  char out[IParam::kDisplayForHostLen];
  dbl.GetDisplayForHost(out);
  EXPECT_STREQ(out, "3.3");

  IParam enumParam;
  enumParam.InitEnum("e", 0, 128);
  enumParam.SetNormalized(0.5);
  EXPECT_EQ(enumParam.Value(), 64.0);

  IParam unit;
  unit.InitDouble("u", 0.0, 0.0, 1.0, 0.01);
  unit.SetNormalized(1.2);
  EXPECT_EQ(unit.Value(), 1.0);
  unit.SetNormalized(-0.5);
  EXPECT_EQ(unit.Value(), -0.5);
}

TEST(IParamTest, GetNormalizedBoundsAndNeverGivesNaN)
{
  IParam p;
  p.InitDouble("p", 0.0, 0.0, 10.0, 1.0);
  EXPECT_EQ(p.GetNormalized(20.0), 1.0);
  EXPECT_EQ(p.GetNormalized(-3.0), 0.0);
  EXPECT_DOUBLE_EQ(p.GetNormalized(2.5), 0.25);

  // A table that grew to one entry sets max to 0, equal to min.
  IParam single;
  single.SetDisplayText(0, "only");
  EXPECT_EQ(single.GetMax(), 0.0);
  EXPECT_EQ(single.GetMin(), 0.0);
  const double n = single.GetNormalized();
  EXPECT_FALSE(std::isnan(n));
  EXPECT_EQ(n, 0.0);
}

TEST(IParamTest, EnumAndBoolRanges)
{
  IParam one;
  one.InitEnum("one", 0, 1);
  EXPECT_EQ(one.GetMax(), 1.0);
  IParam five;
  five.InitEnum("five", 0, 5);
  EXPECT_EQ(five.GetMax(), 4.0);

  IParam sw;
  sw.InitBool("switch", true, "dB");
  EXPECT_EQ(sw.Type(), IParam::kTypeBool);
  EXPECT_STREQ(sw.GetDisplayText(0), "off");
  EXPECT_STREQ(sw.GetDisplayText(1), "on");
  EXPECT_STREQ(sw.GetLabelForHost(), "");
  sw.Set(0.0);
  EXPECT_STREQ(sw.GetLabelForHost(), "");

  IParam texts;
  texts.InitEnum("t", 0, 10);
  for (int i = 0; i < 4; ++i)
  {
    texts.SetDisplayText(i, std::to_string(i).c_str());
  }
  EXPECT_EQ(texts.GetMax(), 3.0);
  texts.SetDisplayText(1, "again");
  EXPECT_EQ(texts.GetMax(), 3.0);
  EXPECT_STREQ(texts.GetDisplayText(1), "again");
}

TEST(IParamTest, DisplayTextWritesOutsideTheTableAreIgnored)
{
  IParam p;
  p.InitEnum("p", 0, 3);
  p.SetDisplayText(0, "zero");
  p.SetDisplayText(-1, "below");
  p.SetDisplayText(5, "gap");
  EXPECT_EQ(p.GetNDisplayTexts(), 1);
  EXPECT_EQ(p.GetMax(), 0.0);
  EXPECT_STREQ(p.GetDisplayText(-1), "");
  EXPECT_STREQ(p.GetDisplayText(5), "");

  const std::string longText(200, 'w');
  p.SetDisplayText(1, longText.c_str());
  EXPECT_EQ(std::strlen(p.GetDisplayText(1)), static_cast<size_t>(IParam::kMaxDisplayLen));
}

TEST(IParamTest, NamesAreCutToTheirFields)
{
  IParam p;
  const std::string longName(300, 'a');
  p.InitDouble(longName.c_str(), 0.0, 0.0, 1.0, 0.1, longName.c_str(), longName.c_str());
  EXPECT_EQ(std::strlen(p.GetNameForHost()), static_cast<size_t>(IParam::kMaxNameLen));
  EXPECT_EQ(std::strlen(p.GetLabel()), static_cast<size_t>(IParam::kMaxNameLen));
  EXPECT_EQ(std::strlen(p.GetGroup()), static_cast<size_t>(IParam::kMaxNameLen));
}

TEST(IParamTest, DisplayForHost)
{
  IParam p;
  p.InitEnum("p", 0, 4);
  p.SetDisplayText(0, "saw");
  p.SetDisplayText(1, "");
  char out[IParam::kDisplayForHostLen];
  p.GetDisplayForHost(0.0, false, out, true);
  EXPECT_STREQ(out, "saw");
  p.GetDisplayForHost(1.0, false, out, true);
  EXPECT_STREQ(out, "1");
  p.GetDisplayForHost(0.0, false, out, false);
  EXPECT_STREQ(out, "0");
  p.GetDisplayForHost(-2.7, false, out, true);
  EXPECT_STREQ(out, "-2");
  p.GetDisplayForHost(1e300, false, out, false);
  EXPECT_STREQ(out, "2147483647");
}

TEST(IParamTest, PrecisionFollowsTheStep)
{
  const double steps[] = {1.0, 0.5, 0.25, 0.01, 0.001, 0.00001, 0.3333};
  const int precisions[] = {0, 1, 2, 2, 3, 5, 6};
  for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i)
  {
    IParam p;
    p.InitDouble("p", 0.0, 0.0, 1.0, steps[i]);
    EXPECT_EQ(p.GetPrecision(), precisions[i]) << "step " << steps[i];
  }
}

TEST(IParamTest, TextTypeSticksAndMapDisplayText)
{
  IParam p;
  p.InitText();
  p.InitEnum("t", 0, 3);
  EXPECT_EQ(p.Type(), IParam::kTypeText);

  p.SetDisplayText(0, "A");
  p.SetDisplayText(1, "B");
  int value = 42;
  EXPECT_TRUE(p.MapDisplayText("B", &value));
  EXPECT_EQ(value, 1);
  value = 42;
  EXPECT_FALSE(p.MapDisplayText("b", &value));
  EXPECT_FALSE(p.MapDisplayText(nullptr, &value));
  EXPECT_EQ(value, 42);
}
