// Blofeld-shaped sound dumps with contents that tell them apart, for MIDI transport tests.
#pragma once

#include <cstddef>
#include <vector>

// Sound dump layout: F0 3E 13 <device> 10 <bank> <program> <380 sound bytes> <checksum> F7.
constexpr size_t kMidiTestSoundDumpBytes = 392;

// Dump number n (bank and program carry n; the sound bytes depend on n), checksum included.
inline std::vector<unsigned char> midiTestSoundDump(int n)
{
  constexpr size_t kDeviceOffset = 3;
  constexpr size_t kCommandOffset = 4;
  constexpr size_t kBankOffset = 5;
  constexpr size_t kProgramOffset = 6;
  constexpr size_t kDataOffset = 7;
  constexpr size_t kChecksumOffset = kMidiTestSoundDumpBytes - 2;
  constexpr unsigned char kSoundDumpCommand = 0x10;

  std::vector<unsigned char> d(kMidiTestSoundDumpBytes, 0);
  d[0] = 0xF0;
  d[1] = 0x3E;
  d[2] = 0x13;
  d[kDeviceOffset] = 0x00;
  d[kCommandOffset] = kSoundDumpCommand;
  d[kBankOffset] = static_cast<unsigned char>((n >> 7) & 0x7F);
  d[kProgramOffset] = static_cast<unsigned char>(n & 0x7F);
  unsigned sum = 0;
  for (size_t i = kDataOffset; i < kChecksumOffset; ++i)
  {
    d[i] = static_cast<unsigned char>((static_cast<size_t>(n) * 7 + i * 13) & 0x7F);
    sum += d[i];
  }
  d[kChecksumOffset] = static_cast<unsigned char>(sum & 0x7F);
  d.back() = 0xF7;
  return d;
}

// One single dump (number 1000) followed by a burst of count dumps numbered 0 .. count - 1.
inline std::vector<std::vector<unsigned char>> midiTestDumpBurst(int count)
{
  std::vector<std::vector<unsigned char>> all{midiTestSoundDump(1000)};
  for (int n = 0; n < count; ++n)
    all.push_back(midiTestSoundDump(n));
  return all;
}
