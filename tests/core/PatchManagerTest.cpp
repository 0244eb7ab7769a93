// Tests of PatchManager: the 35 name slots, the state snapshot and reading hostile name blocks.
#include "PatchManager.h"
#include "PatchManagerOwner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>

namespace
{
// Writes a recognisable state body of a chosen size and counts the redraw requests.
class FakeOwner : public PatchManagerOwner
{
public:
  explicit FakeOwner(int stateSize) : mStateSize(stateSize) {}

  void setLibrarianViewDirty() override { ++mDirtyCount; }

  bool SerializeState2(ByteChunk* chunk, bool withNames) override
  {
    ++mSerializeCount;
    mLastWithNames = withNames;
    for (int i = 0; i < mStateSize; ++i)
    {
      unsigned char byte = static_cast<unsigned char>(i * 7);
      chunk->AppendBytes(&byte, 1);
    }
    return true;
  }

  int mStateSize;
  std::atomic<int> mDirtyCount{0};
  int mSerializeCount = 0;
  bool mLastWithNames = true;
};

std::vector<unsigned char> bytesOf(const ByteChunk& chunk)
{
  return std::vector<unsigned char>(chunk.Bytes(), chunk.Bytes() + chunk.Size());
}

ByteChunk chunkOf(const std::vector<unsigned char>& bytes)
{
  ByteChunk chunk;
  chunk.AppendBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

std::string nameOf(PatchManager& manager, int slot)
{
  std::string name;
  manager.getName(&name, slot);
  return name;
}

std::string withNuls(const std::string& text, size_t width)
{
  std::string fixed = text;
  fixed.resize(width, '\0');
  return fixed;
}

void appendLittleEndian(std::vector<unsigned char>& bytes, uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A name block header with the given big-endian data length and data.
std::vector<unsigned char> blockHeader(uint32_t length, const std::vector<unsigned char>& data = {})
{
  std::vector<unsigned char> bytes = {0, 0, 0, 1, 0, 0, 0, 1};
  for (int i = 3; i >= 0; --i)
    bytes.push_back(static_cast<unsigned char>(length >> (8 * i)));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

// Every slot back at its "cannot be read" value: NUL-filled names and categories, empty port names.
void expectAllNamesUnread(const PatchManager& manager)
{
  for (int slot = 0; slot < Patch::kNameCount; ++slot)
  {
    size_t width = slot >= PatchManager::kFirstCategorySlot ? 4
                   : slot >= PatchManager::kMidiInPortSlot  ? 0
                                                            : 16;
    EXPECT_EQ(manager.mNames[static_cast<size_t>(slot)], std::string(width, '\0')) << slot;
  }
}
} // namespace

TEST(PatchManagerTest, AFreshManagerWritesEmptyDataAndThirtyFiveInitNames)
{
  PatchManager manager(nullptr);
  EXPECT_EQ(manager.mBankSelection, 0);
  EXPECT_EQ(manager.mPatchSelection, 0);
  ByteChunk chunk;
  manager.saveAllToChunk(&chunk);

  std::vector<unsigned char> expected = blockHeader(0);
  for (int slot = 0; slot < Patch::kNameCount; ++slot)
  {
    appendLittleEndian(expected, 4);
    expected.insert(expected.end(), {'I', 'N', 'I', 'T'});
  }
  EXPECT_EQ(bytesOf(chunk), expected);
}

TEST(PatchManagerTest, AllSlotsAreWrittenCutToTheirWidthAndReadBackFixed)
{
  FakeOwner owner(0);
  PatchManager writer(&owner);
  writer.setName(PatchManager::kMultiNameSlot, "Multi Name");
  writer.setName(1, "A Part Name Of 20 Ch");
  writer.setName(2, "Lead");
  for (int part = 2; part < PatchManager::kPartCount; ++part)
    writer.setName(PatchManager::kFirstPartNameSlot + part, "Part " + std::to_string(part));
  writer.setName(PatchManager::kMidiInPortSlot, std::string(40, 'i'));
  writer.setName(PatchManager::kMidiOutPortSlot, "Blofeld Out");
  for (int part = 0; part < PatchManager::kPartCount; ++part)
    writer.setName(PatchManager::kFirstCategorySlot + part, part == 0 ? "Bass" : "Pad");
  EXPECT_EQ(owner.mDirtyCount, 3 + 14 + 2 + 16);

  ByteChunk chunk;
  int prefix = 7;
  chunk.AppendValue(&prefix);
  writer.saveAllToChunk(&chunk);
  int after = 42;
  chunk.AppendValue(&after);

  PatchManager reader(nullptr);
  int pos = reader.loadAllFromChunk(&chunk, 4);
  ASSERT_EQ(pos, chunk.Size() - 4);
  int readAfter = 0;
  EXPECT_EQ(chunk.ReadValue(&readAfter, pos), chunk.Size());
  EXPECT_EQ(readAfter, 42);

  EXPECT_EQ(nameOf(reader, 0), withNuls("Multi Name", 16));
  EXPECT_EQ(nameOf(reader, 1), "A Part Name Of 2");
  EXPECT_EQ(nameOf(reader, 2), withNuls("Lead", 16));
  EXPECT_EQ(nameOf(reader, 16), withNuls("Part 15", 16));
  // A port name comes back whole; a reader that ends a text at its first NUL finds the cut 32 bytes.
  EXPECT_EQ(nameOf(reader, 17), std::string(40, 'i'));
  const std::string written = std::string(32, 'i') + '\0' + std::string(40, 'i');
  EXPECT_NE(std::search(chunk.Bytes(), chunk.Bytes() + chunk.Size(), written.begin(), written.end()),
            chunk.Bytes() + chunk.Size());
  EXPECT_EQ(nameOf(reader, 18), "Blofeld Out");
  // Categories are carried, yet getName gives "INIT" for them.
  EXPECT_EQ(reader.mNames[19], "Bass");
  EXPECT_EQ(reader.mNames[20], withNuls("Pad", 4));
  EXPECT_EQ(nameOf(reader, 19), "INIT");
  EXPECT_EQ(nameOf(reader, 34), "INIT");

  // Written again, the NUL-filled slots shrink back to their text: the same block as before.
  ByteChunk again;
  reader.saveAllToChunk(&again);
  std::vector<unsigned char> original = bytesOf(chunk);
  EXPECT_EQ(bytesOf(again), std::vector<unsigned char>(original.begin() + 4, original.end() - 4));
}

TEST(PatchManagerTest, PutStringToChunkStopsAtNulAndWidth)
{
  ByteChunk chunk;
  PatchManager::putStringToChunk(&chunk, std::string("Lead\0\0\0\0", 8), 16);
  PatchManager::putStringToChunk(&chunk, "Atmosphere", 4);
  PatchManager::putStringToChunk(&chunk, "", 16);
  PatchManager::putStringToChunk(&chunk, "ignored", -3);
  PatchManager::putStringToChunk(nullptr, "nothing", 4);
  std::vector<unsigned char> expected = {4,   0,   0,   0,   'L', 'e', 'a', 'd', 4, 0, 0, 0,
                                         'A', 't', 'm', 'o', 0,   0,   0,   0,   0, 0, 0, 0};
  EXPECT_EQ(bytesOf(chunk), expected);
}

TEST(PatchManagerTest, SetNameStoresSetNameForEmptyTextAndIgnoresOtherSlots)
{
  FakeOwner owner(0);
  PatchManager manager(&owner);
  manager.setName(PatchManager::kMidiOutPortSlot, "");
  EXPECT_EQ(nameOf(manager, PatchManager::kMidiOutPortSlot), "Set Name");
  EXPECT_EQ(owner.mDirtyCount, 1);

  manager.setName(-1, "x");
  manager.setName(Patch::kNameCount, "x");
  EXPECT_EQ(owner.mDirtyCount, 1);
  EXPECT_EQ(nameOf(manager, -1), "");
  EXPECT_EQ(nameOf(manager, Patch::kNameCount), "");

  ByteChunk chunk;
  manager.saveAllToChunk(&chunk);
  std::vector<unsigned char> bytes = bytesOf(chunk);
  // Slot 18 follows 18 names of "INIT" (8 bytes each) after the 12-byte header.
  size_t slot18 = 12 + 18 * 8;
  std::vector<unsigned char> expected = {8, 0, 0, 0, 'S', 'e', 't', ' ', 'N', 'a', 'm', 'e'};
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + slot18, bytes.begin() + slot18 + 12), expected);
}

TEST(PatchManagerTest, InitKeepsTheStateSnapshotUntilARecallReplacesIt)
{
  FakeOwner owner(63036);
  PatchManager manager(&owner);
  manager.init();
  EXPECT_EQ(owner.mSerializeCount, 1);
  EXPECT_FALSE(owner.mLastWithNames);
  ASSERT_EQ(manager.mData.Size(), 63036);

  ByteChunk saved;
  manager.saveAllToChunk(&saved);
  std::vector<unsigned char> bytes = bytesOf(saved);
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 8, bytes.begin() + 12),
            (std::vector<unsigned char>{0x00, 0x00, 0xF6, 0x3C}));
  EXPECT_EQ(bytes[12 + 1], 7);
  EXPECT_EQ(bytes[12 + 63035], static_cast<unsigned char>(63035 * 7));

  std::vector<unsigned char> recalled = blockHeader(5, {1, 2, 3, 4, 5});
  ByteChunk stored = chunkOf(recalled);
  for (int slot = 0; slot < Patch::kNameCount; ++slot)
    PatchManager::putStringToChunk(&stored, "N", 16);
  EXPECT_EQ(manager.loadAllFromChunk(&stored, 0), stored.Size());
  EXPECT_EQ(bytesOf(manager.mData), (std::vector<unsigned char>{1, 2, 3, 4, 5}));

  ByteChunk resaved;
  manager.saveAllToChunk(&resaved);
  EXPECT_EQ(bytesOf(resaved), bytesOf(stored));
}

TEST(PatchManagerTest, ZeroDataLengthReadsTheNamesRightAfterTheLengthWord)
{
  std::vector<unsigned char> bytes = blockHeader(0);
  for (int slot = 0; slot < Patch::kNameCount; ++slot)
  {
    appendLittleEndian(bytes, 2);
    bytes.push_back('A');
    bytes.push_back(static_cast<unsigned char>('a' + slot));
  }
  ByteChunk chunk = chunkOf(bytes);
  PatchManager manager(nullptr);
  manager.mData.AppendBytes("old", 3);
  EXPECT_EQ(manager.loadAllFromChunk(&chunk, 0), chunk.Size());
  EXPECT_EQ(manager.mData.Size(), 0);
  EXPECT_EQ(nameOf(manager, 0), withNuls("Aa", 16));
  EXPECT_EQ(nameOf(manager, 17), "Ar");
  EXPECT_EQ(manager.mNames[34], withNuls("A" + std::string(1, static_cast<char>('a' + 34)), 4));
}

TEST(PatchManagerTest, ABlockCutAnywhereReadsWhatFitsAndGivesMinusOne)
{
  FakeOwner owner(100);
  PatchManager writer(&owner);
  writer.init();
  for (int slot = 0; slot < Patch::kNameCount; ++slot)
    writer.setName(slot, "Name" + std::to_string(slot));
  ByteChunk full;
  writer.saveAllToChunk(&full);
  std::vector<unsigned char> bytes = bytesOf(full);

  for (size_t cut = 0; cut < bytes.size(); ++cut)
  {
    ByteChunk chunk = chunkOf(std::vector<unsigned char>(bytes.begin(), bytes.begin() + cut));
    PatchManager reader(nullptr);
    ASSERT_EQ(reader.loadAllFromChunk(&chunk, 0), -1) << cut;
    ASSERT_EQ(reader.mNames.size(), static_cast<size_t>(Patch::kNameCount));
    if (cut < 12 + 100)
    {
      EXPECT_EQ(reader.mData.Size(), 0) << cut;
      expectAllNamesUnread(reader);
    }
    else
    {
      EXPECT_EQ(reader.mData.Size(), 100) << cut;
    }
  }

  // Cut inside slot 3's text: slots 0 to 2 are read, slot 3 and all after are not.
  size_t slot3End = 12 + 100 + 3 * (4 + 5) + 4 + 5;
  ByteChunk chunk = chunkOf(std::vector<unsigned char>(bytes.begin(), bytes.begin() + slot3End - 1));
  PatchManager reader(nullptr);
  EXPECT_EQ(reader.loadAllFromChunk(&chunk, 0), -1);
  EXPECT_EQ(nameOf(reader, 2), withNuls("Name2", 16));
  EXPECT_EQ(nameOf(reader, 3), std::string(16, '\0'));
  EXPECT_EQ(nameOf(reader, 17), "");
}

TEST(PatchManagerTest, HostileLengthsAreRefusedWithoutReadingOutside)
{
  const uint32_t hostileDataLengths[] = {0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu, 1000u};
  for (uint32_t length : hostileDataLengths)
  {
    std::vector<unsigned char> bytes = blockHeader(length, {9, 9, 9, 9});
    ByteChunk chunk = chunkOf(bytes);
    PatchManager manager(nullptr);
    EXPECT_EQ(manager.loadAllFromChunk(&chunk, 0), -1) << length;
    EXPECT_EQ(manager.mData.Size(), 0) << length;
    expectAllNamesUnread(manager);
  }

  const uint32_t hostileNameLengths[] = {0xFFFFFFF0u, 0x80000000u, 0x7FFFFFFFu, 6u};
  for (uint32_t length : hostileNameLengths)
  {
    std::vector<unsigned char> bytes = blockHeader(0);
    appendLittleEndian(bytes, 3);
    bytes.insert(bytes.end(), {'O', 'n', 'e'});
    appendLittleEndian(bytes, length);
    bytes.insert(bytes.end(), {'T', 'w', 'o', '!', '!'});
    ByteChunk chunk = chunkOf(bytes);
    PatchManager manager(nullptr);
    EXPECT_EQ(manager.loadAllFromChunk(&chunk, 0), -1) << length;
    EXPECT_EQ(nameOf(manager, 0), withNuls("One", 16)) << length;
    EXPECT_EQ(nameOf(manager, 1), std::string(16, '\0')) << length;
  }

  // A port name is taken whole, also one longer than its 32-byte slot, with every slot after it.
  for (const auto& [portSlot, length] : {std::pair{17, 33u}, std::pair{18, 65536u}, std::pair{17, 32u}})
  {
    std::vector<unsigned char> bytes = blockHeader(0);
    for (int slot = 0; slot < Patch::kNameCount; ++slot)
    {
      appendLittleEndian(bytes, slot == portSlot ? length : 1u);
      bytes.insert(bytes.end(), slot == portSlot ? length : 1u, 'P');
    }
    ByteChunk chunk = chunkOf(bytes);
    PatchManager manager(nullptr);
    EXPECT_EQ(manager.loadAllFromChunk(&chunk, 0), chunk.Size()) << length;
    EXPECT_EQ(manager.mNames[static_cast<size_t>(portSlot)].size(), length);
    EXPECT_EQ(manager.mNames[34], withNuls("P", 4)) << length;
  }

  // A NUL inside a stored name ends it; the bytes after it are skipped, not read as the next name.
  std::vector<unsigned char> bytes = blockHeader(0);
  appendLittleEndian(bytes, 5);
  bytes.insert(bytes.end(), {'A', 'B', 0, 'C', 'D'});
  ByteChunk chunk = chunkOf(bytes);
  PatchManager manager(nullptr);
  EXPECT_EQ(manager.loadAllFromChunk(&chunk, 0), -1);
  EXPECT_EQ(nameOf(manager, 0), withNuls("AB", 16));
}

TEST(PatchManagerTest, NegativePositionOrNoChunkReadsNothing)
{
  FakeOwner owner(10);
  PatchManager manager(&owner);
  manager.init();
  ByteChunk chunk;
  manager.saveAllToChunk(&chunk);

  EXPECT_EQ(manager.loadAllFromChunk(&chunk, -1), -1);
  EXPECT_EQ(manager.mData.Size(), 0);
  expectAllNamesUnread(manager);
  EXPECT_EQ(manager.loadAllFromChunk(nullptr, 0), -1);
  EXPECT_EQ(manager.loadAllFromChunk(&chunk, chunk.Size()), -1);
  manager.saveAllToChunk(nullptr);
}

TEST(PatchManagerTest, NamesMayBeSetWhileTheHostSavesAndRecalls)
{
  FakeOwner owner(64);
  PatchManager manager(&owner);
  manager.init();
  std::atomic<bool> stop{false};
  std::thread device(
      [&]
      {
        for (int i = 0; !stop; ++i)
        {
          manager.setName(PatchManager::kFirstPartNameSlot + i % 16, "Sound " + std::to_string(i));
          manager.setName(PatchManager::kMultiNameSlot, std::string(static_cast<size_t>(i % 40), 'm'));
        }
      });
  while (owner.mDirtyCount < 10)
    std::this_thread::yield();
  int badReads = 0;
  for (int i = 0; i < 300; ++i)
  {
    ByteChunk chunk;
    manager.saveAllToChunk(&chunk);
    if (manager.loadAllFromChunk(&chunk, 0) != chunk.Size())
      ++badReads;
    // The first name, or the worker's latest or a recalled one (NUL-filled): never a mix of texts.
    std::string name;
    manager.getName(&name, PatchManager::kMultiNameSlot);
    name.erase(name.find_last_not_of('\0') + 1);
    if (name != "INIT" && name != "Set Name" && name.find_first_not_of('m') != std::string::npos)
      ++badReads;
  }
  stop = true;
  device.join();
  EXPECT_EQ(badReads, 0);
}
