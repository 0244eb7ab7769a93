// One parameter of the plug-in: a typed value with a range, a step, texts and a display-text table.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

class ControlAction;

// Values are in the parameter's own units; normalised positions run 0..1 over min..max.
// No lock of its own: values are written under the plug mutex of the plug-in base; initialisation
// runs during construction.
class IParam
{
public:
  enum EParamType
  {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeInt = 2,
    kTypeEnum = 3,
    kTypeDouble = 4,
    kTypeText = 5,
  };

  // Name, label and group hold at most this many characters; display texts at most kMaxDisplayLen.
  static constexpr int kMaxNameLen = 54;
  static constexpr int kMaxDisplayLen = 55;
  // Doubles below this magnitude hold every whole number exactly.
  static constexpr double kExactWholeLimit = 4503599627370496.0; // 2^52

  IParam();

  // The Init operations set the type only while it is still kTypeNone, copy name, label and group (cut to
  // kMaxNameLen), set value and default to defaultVal and store the attributes a and b.
  // Bool: range 0..1, step 1, display texts "off" and "on".
  void InitBool(const char* name, bool defaultVal, const char* label = "", const char* group = "", int a = -1,
                int b = -1);
  // Enumeration of nEnums items: range 0..max(1, nEnums - 1), step 1.
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "", const char* group = "",
                int a = -1, int b = -1);
  // Continuous value: range minVal..max(minVal + step, maxVal); display precision from the step.
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", const char* group = "", int a = -1, int b = -1);
  // Marks the parameter as text (always; later Init calls keep the type).
  void InitText();

  // Sets the value from a normalised position: scaled, rounded to the step (not for doubles) and capped
  // at max. There is no lower clamp. (Inline: a dump sets hundreds at a time.)
  void SetNormalized(double normalizedValue)
  {
    double value = mMin + (mMax - mMin) * normalizedValue;
    if (mType != kTypeDouble && mStep != 0.0)
    {
      value = std::floor(value / mStep + 0.5) * mStep;
    }
    mValue = std::min(value, mMax);
  }
  // The current value, or v, bounded to the range and normalised; 0 when max equals min.
  double GetNormalized() const { return GetNormalized(mValue); }
  double GetNormalized(double v) const
  {
    const double range = mMax - mMin;
    return range == 0.0 ? 0.0 : (Bounded(v) - mMin) / range;
  }

  // Stores the plain value v exactly as SetNormalized(GetNormalized(v)) does (bounded, rounded to the step,
  // capped), with a shortcut for the common case that gives the same value: a whole number in the range of
  // a parameter whose step is 1 (the rounding leaves it as it is).
  void SetFromPlain(double v)
  {
    const double b = Bounded(v);
    if (mType != kTypeDouble && mStep == 1.0 && mMax != mMin && std::fabs(b) < kExactWholeLimit &&
        b == static_cast<double>(static_cast<long long>(b)))
    {
      mValue = b;
      return;
    }
    SetNormalized(GetNormalized(v));
  }

  // Stores v as it is, and bounded to the range.
  void Set(double v) { mValue = v; }
  void SetBounded(double v) { mValue = Bounded(v); }
  double Bounded(double v) const { return v < mMin ? mMin : (v > mMax ? mMax : v); }

  // The display text for value: value below the count replaces its text; value equal to the count
  // appends an entry and sets max to value. A negative value or one past the count is ignored.
  void SetDisplayText(int value, const char* text);
  // Empties the display-text table; the range stays.
  void ResetDisplayTexts() { mDisplayTexts.clear(); }
  int GetNDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  // The text of value; "" when there is none.
  const char* GetDisplayText(int value) const;
  // The value of the first entry whose text equals text exactly; false (value untouched) for none.
  bool MapDisplayText(const char* text, int* value) const;

  // Writes the display of v (normalised when normalized) into out, which holds at least
  // kDisplayForHostLen bytes: the display text when withDisplayText and one exists, else the number.
  static constexpr int kDisplayForHostLen = 64;
  void GetDisplayForHost(double v, bool normalized, char* out, bool withDisplayText = true) const;
  void GetDisplayForHost(char* out, bool withDisplayText = true) const
  {
    GetDisplayForHost(mValue, false, out, withDisplayText);
  }
  const char* GetNameForHost() const { return mName; }
  // The label, or "" when the current value has a non-empty display text.
  const char* GetLabelForHost() const;

  EParamType Type() const { return mType; }
  double Value() const { return mValue; }
  int Int() const { return static_cast<int>(mValue); }
  bool Bool() const { return mValue >= 0.5; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetDefault() const { return mDefault; }
  int GetPrecision() const { return mDisplayPrecision; }
  int GetAttributeA() const { return mAttributeA; }
  int GetAttributeB() const { return mAttributeB; }
  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  const char* GetGroup() const { return mGroup; }

  // The control action of this parameter (not owned); null until a factory sets it.
  ControlAction* GetAction() const { return mAction; }
  void SetAction(ControlAction* action) { mAction = action; }

private:
  struct DisplayText
  {
    int mValue;
    char mText[kMaxDisplayLen + 1];
  };

  void InitCommon(EParamType type, const char* name, double defaultVal, const char* label, const char* group,
                  int a, int b);

  EParamType mType = kTypeNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int mAttributeA = 0;
  int mAttributeB = 0;
  int mDisplayPrecision = 0;
  char mName[kMaxNameLen + 1];
  char mLabel[kMaxNameLen + 1];
  char mGroup[kMaxNameLen + 1];
  std::vector<DisplayText> mDisplayTexts;
  ControlAction* mAction = nullptr;
};
