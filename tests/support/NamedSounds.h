// Sound dumps told apart by their names, and bank files of them, for the tests that fill librarian slots.
#pragma once

#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <string>
#include <vector>

namespace korvidtest
{
// The sound template named name (at most 16 characters; the rest stay blank).
inline std::vector<unsigned char> namedSound(const std::string& name)
{
  const SoundDumpLayout::Dump& templ = SoundDumpLayout::soundTemplate();
  std::vector<unsigned char> dump(templ.begin(), templ.end());
  std::copy_n(name.begin(), std::min<size_t>(name.size(), SoundDumpLayout::kNameLength),
              dump.begin() + SoundDumpLayout::kNameOffset);
  return dump;
}

// A raw sysex bank file of 128 sounds named prefix + slot number, program byte = slot.
inline std::string namedSoundBank(const std::string& prefix)
{
  std::string file;
  for (int slot = 0; slot < SysexProtocol::kProgramCount; ++slot)
  {
    std::vector<unsigned char> dump = namedSound(prefix + std::to_string(slot));
    dump[SysexProtocol::kProgramOffset] = static_cast<unsigned char>(slot);
    file.append(dump.begin(), dump.end());
  }
  return file;
}
} // namespace korvidtest
