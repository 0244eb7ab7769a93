// Turning a microQ sound dump into a Blofeld sound dump: values renumbered or cleared in place.
#include "PatchLibrarian.h"

namespace
{
constexpr int kConvertedSize = 392;
constexpr int kLastByte = 391;
constexpr unsigned char kSysexEnd = 0xF7;

// Modulation sources renumbered 10 -> 11, 11 -> 16, 12 -> 15: oscillator PWM sources, pitch,
// filter and pan sources, amplifier source and the sources of modulation slots 1 to 8.
constexpr int kSourceOffsets[] = {17,  33,  49,  57,  96,  101, 116, 121, 130,
                                  268, 271, 274, 277, 280, 283, 286, 289};
// Bytes the Blofeld uses that the microQ leaves undefined: cleared.
constexpr int kClearedOffsets[] = {19, 20, 21, 22, 23, 35, 36, 37, 38, 39, 55, 89, 109};
constexpr int kNoiseColourOffset = 76;
constexpr unsigned char kNoiseColourCentre = 0x40;
constexpr int kEffect2ModeOffset = 151;
// Modifier sources and slot 9 to 16 sources: source 24 has no Blofeld counterpart.
constexpr int kModifierSourceOffsets[] = {252, 253, 256, 257, 260, 261, 264, 265,
                                          292, 295, 298, 301, 304, 307, 310, 313};
constexpr unsigned char kDroppedSource = 24;
// Destinations of slots 1 to 8 and 9 to 16 and the first destination without a counterpart.
constexpr int kFirstSlotDestination = 269;
constexpr int kLastSlotDestination = 290;
constexpr unsigned char kSlotDestinationLimit = 31;
constexpr int kFirstUpperSlotDestination = 293;
constexpr int kLastUpperSlotDestination = 314;
constexpr unsigned char kUpperSlotDestinationLimit = 54;
constexpr int kSlotStride = 3;

template <int N> bool isOneOf(int i, const int (&offsets)[N])
{
  for (int k = 0; k < N; ++k)
    if (offsets[k] == i)
      return true;
  return false;
}

bool inSlotRow(int i, int first, int last)
{
  return i >= first && i <= last && (i - first) % kSlotStride == 0;
}
} // namespace

bool PatchLibrarian::alterPatchFromMicroQFormat(PatchSysexMessage* message)
{
  if (message == nullptr || message->mData.size() < static_cast<size_t>(kMicroQDumpSize))
    return false;
  std::vector<unsigned char>& d = message->mData;
  for (int i = 0; i <= kLastByte; ++i)
  {
    const unsigned char v = d[i];
    if (isOneOf(i, kSourceOffsets))
    {
      if (v == 12)
        d[i] = 15;
      else if (v == 11)
        d[i] = 16;
      else if (v == 10)
        d[i] = 11;
    }
    else if (isOneOf(i, kClearedOffsets))
      d[i] = 0;
    else if (i == kNoiseColourOffset)
      d[i] = kNoiseColourCentre;
    else if (i == kEffect2ModeOffset)
    {
      if (v == 7)
        d[i] = 6;
      else if (v >= 9)
        d[i] = 0;
    }
    else if (isOneOf(i, kModifierSourceOffsets))
    {
      if (v == kDroppedSource)
        d[i] = 0;
    }
    else if (inSlotRow(i, kFirstSlotDestination, kLastSlotDestination))
    {
      if (v >= kSlotDestinationLimit)
        d[i] = 0;
    }
    else if (inSlotRow(i, kFirstUpperSlotDestination, kLastUpperSlotDestination))
    {
      if (v >= kUpperSlotDestinationLimit)
        d[i] = 0;
    }
  }
  d.resize(kConvertedSize);
  // A longer dump cut to 392 bytes still closes with F7.
  d[kLastByte] = kSysexEnd;
  return true;
}
