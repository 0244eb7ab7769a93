// Turning a Q sound dump into the microQ layout: renumbered values and the part from 252 on moved one byte
// down.
#include "PatchLibrarian.h"

namespace
{
constexpr int kConvertedSize = 392;
constexpr unsigned char kSysexEnd = 0xF7;
constexpr unsigned char kMaxDataByte = 0x7F;

// Oscillator FM sources (their pulse width three bytes on), shapes, filter types, routing, effects.
constexpr int kFmSourceOffsets[] = {13, 29, 45};
constexpr int kFmSourceToPulseWidth = 3;
constexpr int kShapeOffsets[] = {15, 31, 47};
constexpr int kFilterTypeOffsets[] = {84, 104};
constexpr int kFilterRoutingOffset = 124;
constexpr int kEffect1ModeOffset = 135;
constexpr int kEffect2ModeOffset = 151;
// From here to the checksum every byte takes its successor's value.
constexpr int kShiftStart = 252;
constexpr int kShiftEnd = 390;
constexpr int kLastByte = 391;

// Modifier source 1 and modulation destinations: renumbered by the first rule; modifier source 2
// and the sources of modulation slots 9 to 16 by the second.
bool usesFirstRule(int i)
{
  if (i == 252 || i == 256 || i == 260 || i == 264)
    return true;
  if (i >= 269 && i <= 290 && (i - 269) % 3 == 0)
    return true;
  return i >= 293 && i <= 314 && (i - 293) % 3 == 0;
}

bool usesSecondRule(int i)
{
  if (i == 253 || i == 257 || i == 261 || i == 265)
    return true;
  return i >= 292 && i <= 313 && (i - 292) % 3 == 0;
}

unsigned char firstRule(unsigned char u)
{
  if (u == 20)
    return 0;
  return u >= 21 ? static_cast<unsigned char>(u - 1) : u;
}

unsigned char secondRule(unsigned char u)
{
  if (u >= 31 && u <= 42)
    return 0;
  return u >= 43 ? static_cast<unsigned char>(u - 12) : u;
}

bool isOneOf(int i, const int* offsets, int count)
{
  for (int k = 0; k < count; ++k)
    if (offsets[k] == i)
      return true;
  return false;
}

template <int N> bool isOneOf(int i, const int (&offsets)[N])
{
  return isOneOf(i, offsets, N);
}
} // namespace

bool PatchLibrarian::alterPatchFromQFormat(PatchSysexMessage* message)
{
  if (message == nullptr || message->mData.size() < static_cast<size_t>(kQDumpSize))
    return false;
  std::vector<unsigned char>& d = message->mData;
  for (int i = 0; i <= kLastByte; ++i)
  {
    const unsigned char v = d[i];
    if (isOneOf(i, kFmSourceOffsets))
    {
      if (v >= 5 && v <= 7)
        d[i] = 0;
      else if (v >= 8)
        d[i] = d[i + kFmSourceToPulseWidth];
    }
    else if (isOneOf(i, kShapeOffsets))
      d[i] = v < kMaxDataByte ? static_cast<unsigned char>(v + 1) : kMaxDataByte; // stays a 7-bit data byte
    else if (isOneOf(i, kFilterTypeOffsets))
    {
      if (v >= 17)
        d[i] = 1;
    }
    else if (i == kFilterRoutingOffset)
      d[i] = v == 0 ? 1 : 0;
    else if (i == kEffect1ModeOffset)
    {
      if (v >= 5 && v <= 7)
        d[i] = static_cast<unsigned char>(v - 1);
      else if (v == 4 || v >= 8)
        d[i] = 0;
    }
    else if (i == kEffect2ModeOffset)
    {
      if (v == 4)
        d[i] = 7;
      else if (v >= 5 && v <= 7)
        d[i] = static_cast<unsigned char>(v - 1);
      else if (v == 32 || v == 33)
        d[i] = static_cast<unsigned char>(v - 23);
      else if (v == 9)
        d[i] = 0;
    }
    else if (i >= kShiftStart && i <= kShiftEnd)
    {
      const unsigned char u = d[i + 1];
      if (usesFirstRule(i))
        d[i] = firstRule(u);
      else if (usesSecondRule(i))
        d[i] = secondRule(u);
      else
        d[i] = u;
    }
  }
  d.resize(kConvertedSize);
  // The moved bytes end with the checksum at 390; the dump still closes with F7.
  d[kLastByte] = kSysexEnd;
  return true;
}
