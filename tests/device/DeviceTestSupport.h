// Shared helpers of the device tests: a plug-in with usable parameter ranges and the factory dumps.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Korvid.h"
#include "MadeBanks.h"
#include "PatchLibrarian.h"
#include "SharedData.h"
#include "SysexProtocol.h"

namespace DeviceTestSupport
{
using Bytes = std::vector<unsigned char>;

// A plug-in without host whose parameters all run 0..127 in steps of 1 (the UI description is not
// read here), so every dump byte survives the trip through a parameter.
inline std::unique_ptr<Korvid> makePlug()
{
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{});
  for (int i = 0; i < plug->NParams(); ++i)
    plug->GetParam(i)->InitEnum("", 0, 128);
  return plug;
}

// Every 392-byte sound dump of the factory bank file, in file order; tests reading it start with
// KORVID_REQUIRE_SHARED_BANKS().
inline std::vector<Bytes> factorySounds()
{
  std::vector<Bytes> sounds;
  const std::string path = korvidtest::sharedBankFile("factory-2008.syx");
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    return sounds;
  Bytes all;
  unsigned char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
    all.insert(all.end(), buffer, buffer + n);
  std::fclose(f);
  for (size_t start = 0; start < all.size(); ++start)
  {
    if (all[start] != SysexProtocol::kSysexStart)
      continue;
    size_t end = start + 1;
    while (end < all.size() && all[end] != SysexProtocol::kSysexEnd)
      ++end;
    if (end >= all.size())
      break;
    Bytes message(all.begin() + static_cast<long>(start), all.begin() + static_cast<long>(end) + 1);
    if (SysexProtocol::isSoundDump(message.data(), static_cast<int>(message.size())))
      sounds.push_back(message);
    start = end;
  }
  return sounds;
}

// Opens a sound bank of records blank records and a multi bank of 128 in the upper pane of librarian (owned
// by it), and selects slot.
inline void openUpperBanks(PatchLibrarian& librarian, int records = 128, int slot = 0)
{
  for (std::vector<PatchFile*>* list : {&librarian.mSoundBanks, &librarian.mMultiBanks})
  {
    auto* bank = new PatchFile();
    bank->mKind = list == &librarian.mSoundBanks ? PatchFile::kSounds : PatchFile::kMultis;
    bank->mRecords.resize(static_cast<size_t>(list == &librarian.mSoundBanks ? records : 128));
    list->push_back(bank);
  }
  librarian.mUpperBankIndex = 0;
  librarian.mSelectedUpperSlot = slot;
}

// Sounds made here, for tests that need sounds but not the factory's.
using korvidtest::madeSound;
using korvidtest::madeSounds;

// The dump as the synthesizer sends part's edit buffer: bank 7F, program = part.
inline Bytes asEditBuffer(Bytes dump, int part)
{
  dump[SysexProtocol::kBankOffset] = SysexProtocol::kEditBufferBank;
  dump[SysexProtocol::kProgramOffset] = static_cast<unsigned char>(part);
  return dump;
}
} // namespace DeviceTestSupport
