// A record received by a library request, stored into the selected slot of the upper pane's bank.
#include "PatchLibrarian.h"
#include "SysexProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Store = PatchLibrarian::SlotStore;

// A record named name holding one dump of the given type.
LibrarianPatch record(const std::string& name, uint8_t type)
{
  LibrarianPatch r;
  r.mName = name;
  r.mCategory = "Bass";
  PatchSysexMessage dump;
  dump.mData = {SysexProtocol::kSysexStart, SysexProtocol::kManufacturerId, SysexProtocol::kModelId, 0, type,
                SysexProtocol::kSysexEnd};
  r.mMessages.push_back(dump);
  return r;
}

// A bank of count records named "Old <slot>".
PatchFile* bank(int count)
{
  auto* file = new PatchFile();
  for (int slot = 0; slot < count; ++slot)
  {
    LibrarianPatch r;
    r.mName = "Old " + std::to_string(slot);
    file->mRecords.push_back(r);
  }
  return file;
}

TEST(PatchLibrarianSelectedSlotTest, TheRecordReplacesTheSelectedSlotOfABankOf128)
{
  struct Case
  {
    int records;
    int patchType;
    uint8_t dumpType;
    int slot;
    Store expected;
  };
  const Case cases[] = {
      {100, PatchLibrarian::kPatchTypeSounds, SysexProtocol::kSoundDump, 110, Store::Stored},
      {130, PatchLibrarian::kPatchTypeSounds, SysexProtocol::kSoundDump, 0, Store::Stored},
      {128, PatchLibrarian::kPatchTypeMultis, SysexProtocol::kMultiDump, 127, Store::Stored},
      {128, PatchLibrarian::kPatchTypeSounds, SysexProtocol::kSoundDump, -1, Store::NoSlot},
      {128, PatchLibrarian::kPatchTypeSounds, SysexProtocol::kSoundDump, 128, Store::NoSlot},
      {128, PatchLibrarian::kPatchTypeSounds, SysexProtocol::kMultiDump, 3, Store::NoBank},
      {128, PatchLibrarian::kPatchTypeMultis, SysexProtocol::kSoundDump, 3, Store::NoBank},
      {128, 2, SysexProtocol::kSoundDump, 3, Store::NoBank},
  };
  for (const Case& c : cases)
  {
    PatchLibrarian librarian;
    librarian.mSoundBanks.push_back(bank(c.records));
    librarian.mMultiBanks.push_back(bank(c.records));
    librarian.mPatchType = c.patchType;
    librarian.mSelectedUpperSlot = c.slot;
    const LibrarianPatch incoming = record("New", c.dumpType);
    const std::string what = std::to_string(c.records) + " records, slot " + std::to_string(c.slot);
    ASSERT_EQ(librarian.setSysexDatatoSelectedSlot(&incoming), c.expected) << what;
    const PatchFile& target = c.patchType == PatchLibrarian::kPatchTypeMultis ? *librarian.mMultiBanks[0]
                                                                              : *librarian.mSoundBanks[0];
    if (c.expected != Store::Stored)
    {
      EXPECT_EQ(target.mRecords.size(), static_cast<size_t>(c.records)) << what;
      for (const LibrarianPatch& r : target.mRecords)
        EXPECT_NE(r.mName, "New") << what;
      continue;
    }
    ASSERT_EQ(target.mRecords.size(), 128u) << what;
    const LibrarianPatch& stored = target.mRecords[static_cast<size_t>(c.slot)];
    EXPECT_EQ(stored.mName, "New") << what;
    EXPECT_EQ(stored.mCategory, "Bass") << what;
    ASSERT_EQ(stored.mMessages.size(), 1u) << what;
    EXPECT_EQ(stored.mMessages[0].mData, incoming.mMessages[0].mData) << what;
    // The other slots keep their records; the ones added are blank.
    const size_t other = c.slot == 0 ? 1 : 0;
    EXPECT_EQ(target.mRecords[other].mName, "Old " + std::to_string(other)) << what;
    if (c.records < 128)
    {
      EXPECT_TRUE(target.mRecords[127].mName.empty() && target.mRecords[127].mMessages.empty()) << what;
    }
  }
}

TEST(PatchLibrarianSelectedSlotTest, WithoutABankAtTheUpperIndexNothingIsStored)
{
  PatchLibrarian librarian;
  const LibrarianPatch incoming = record("New", SysexProtocol::kSoundDump);
  EXPECT_EQ(librarian.setSysexDatatoSelectedSlot(&incoming), Store::NoBank);
  librarian.mSoundBanks.push_back(bank(128));
  librarian.mUpperBankIndex = 1;
  EXPECT_EQ(librarian.setSysexDatatoSelectedSlot(&incoming), Store::NoBank);
  librarian.mUpperBankIndex = 0;
  EXPECT_EQ(librarian.setSysexDatatoSelectedSlot(nullptr), Store::NoBank);
  EXPECT_EQ(librarian.setSysexDatatoSelectedSlot(&incoming), Store::Stored);
}
} // namespace
