// One parameter of the plug-in: normalising, rounding and display texts.
#include "IParam.h"

#include "IPlugStructs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

IParam::IParam()
{
  std::memset(mName, 0, sizeof(mName));
  std::memset(mLabel, 0, sizeof(mLabel));
  std::memset(mGroup, 0, sizeof(mGroup));
}

void IParam::InitCommon(EParamType type, const char* name, double defaultVal, const char* label,
                        const char* group, int a, int b)
{
  if (mType == kTypeNone)
  {
    mType = type;
  }
  CopyBounded(mName, name, sizeof(mName));
  CopyBounded(mLabel, label, sizeof(mLabel));
  CopyBounded(mGroup, group, sizeof(mGroup));
  mValue = defaultVal;
  mDefault = defaultVal;
  mAttributeA = a;
  mAttributeB = b;
  mDisplayPrecision = 0;
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, const char* group, int a, int b)
{
  InitCommon(kTypeBool, name, defaultVal ? 1.0 : 0.0, label, group, a, b);
  mMin = 0.0;
  mMax = 1.0;
  mStep = 1.0;
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label, const char* group,
                      int a, int b)
{
  InitCommon(kTypeEnum, name, defaultVal, label, group, a, b);
  mMin = 0.0;
  mMax = std::max(1, nEnums - 1);
  mStep = 1.0;
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label, const char* group, int a, int b)
{
  InitCommon(kTypeDouble, name, defaultVal, label, group, a, b);
  mMin = minVal;
  mMax = std::max(minVal + step, maxVal);
  mStep = step;
  // Decimals shown: one per factor of ten the step needs to become whole, at most five, else six.
  double scaled = step;
  int precision = 0;
  while (precision < 6 && scaled != std::floor(scaled))
  {
    ++precision;
    scaled *= 10.0;
  }
  mDisplayPrecision = precision;
}

void IParam::InitText()
{
  mType = kTypeText;
}

void IParam::SetDisplayText(int value, const char* text)
{
  const int count = GetNDisplayTexts();
  if (value < 0 || value > count)
  {
    return;
  }
  if (value == count)
  {
    mDisplayTexts.push_back(DisplayText());
    mMax = value;
  }
  DisplayText& entry = mDisplayTexts[static_cast<size_t>(value)];
  entry.mValue = value;
  CopyBounded(entry.mText, text, sizeof(entry.mText));
}

const char* IParam::GetDisplayText(int value) const
{
  for (const DisplayText& entry : mDisplayTexts)
  {
    if (entry.mValue == value)
    {
      return entry.mText;
    }
  }
  return "";
}

bool IParam::MapDisplayText(const char* text, int* value) const
{
  if (!text)
  {
    return false;
  }
  for (const DisplayText& entry : mDisplayTexts)
  {
    if (std::strcmp(entry.mText, text) == 0)
    {
      *value = entry.mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetDisplayForHost(double v, bool normalized, char* out, bool withDisplayText) const
{
  if (normalized)
  {
    v = mMin + (mMax - mMin) * v;
  }
  // Truncation toward zero; values beyond the int range would be undefined, so they are capped first.
  const double capped = std::max(-2147483648.0, std::min(2147483647.0, std::isnan(v) ? 0.0 : v));
  const int iv = static_cast<int>(capped);
  if (withDisplayText)
  {
    const char* text = GetDisplayText(iv);
    if (text[0])
    {
      CopyBounded(out, text, kDisplayForHostLen);
      return;
    }
  }
  if (mDisplayPrecision == 0)
  {
    std::snprintf(out, kDisplayForHostLen, "%d", iv);
  }
  else
  {
    std::snprintf(out, kDisplayForHostLen, "%.*f", mDisplayPrecision, v);
  }
}

const char* IParam::GetLabelForHost() const
{
  if (!mDisplayTexts.empty())
  {
    const double capped = std::max(-2147483648.0, std::min(2147483647.0, mValue));
    if (GetDisplayText(static_cast<int>(capped))[0])
    {
      return "";
    }
  }
  return mLabel;
}
