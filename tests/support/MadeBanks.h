// Sound dumps and bank files made here, for tests that need sounds or a library but not the real banks.
#pragma once

#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace korvidtest
{
// Sound dump number n: the template sound with a name ("Made Sound n"), a category and filter settings of
// its own, bank and program from n, its checksum written.
inline std::vector<unsigned char> madeSound(int n)
{
  const SoundDumpLayout::Dump& sound = SoundDumpLayout::soundTemplate();
  std::vector<unsigned char> d(sound.begin(), sound.end());
  d[SysexProtocol::kBankOffset] = static_cast<unsigned char>((n >> 7) & SysexProtocol::kDataMask);
  d[SysexProtocol::kProgramOffset] = static_cast<unsigned char>(n & SysexProtocol::kDataMask);
  char name[SoundDumpLayout::kNameLength + 1];
  std::snprintf(name, sizeof(name), "Made Sound %-5d", n);
  std::copy(name, name + SoundDumpLayout::kNameLength, d.begin() + SoundDumpLayout::kNameOffset);
  d[SoundDumpLayout::kCategoryOffset] = static_cast<unsigned char>(n % SoundDumpLayout::kCategoryCount);
  // Cutoff and resonance of both filters: full-range bytes.
  for (int b : {85, 86, 105, 106})
    d[static_cast<size_t>(b)] = static_cast<unsigned char>((n * 37 + b * 11) & SysexProtocol::kDataMask);
  SysexProtocol::writeChecksum(d.data(), static_cast<int>(d.size()));
  return d;
}

inline std::vector<std::vector<unsigned char>> madeSounds(int count)
{
  std::vector<std::vector<unsigned char>> sounds;
  for (int n = 0; n < count; ++n)
    sounds.push_back(madeSound(n));
  return sounds;
}

// A raw sysex bank file of count made sounds, numbered from first.
inline std::vector<unsigned char> madeBank(int first, int count)
{
  std::vector<unsigned char> bank;
  for (int n = first; n < first + count; ++n)
  {
    const std::vector<unsigned char> sound = madeSound(n);
    bank.insert(bank.end(), sound.begin(), sound.end());
  }
  return bank;
}
} // namespace korvidtest
