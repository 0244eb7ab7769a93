// The multi, part, port and category names and the state snapshot that the host project keeps.
#include "PatchManager.h"

#include "PatchManagerOwner.h"

#include <cstdint>
#include <cstring>

namespace
{
constexpr unsigned char kVersionWord[4] = {0x00, 0x00, 0x00, 0x01};

void appendInt32LittleEndian(ByteChunk* chunk, uint32_t value)
{
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value & 0xFF), static_cast<unsigned char>((value >> 8) & 0xFF),
      static_cast<unsigned char>((value >> 16) & 0xFF), static_cast<unsigned char>((value >> 24) & 0xFF)};
  chunk->AppendBytes(bytes, 4);
}

void appendInt32BigEndian(ByteChunk* chunk, uint32_t value)
{
  const unsigned char bytes[4] = {
      static_cast<unsigned char>((value >> 24) & 0xFF), static_cast<unsigned char>((value >> 16) & 0xFF),
      static_cast<unsigned char>((value >> 8) & 0xFF), static_cast<unsigned char>(value & 0xFF)};
  chunk->AppendBytes(bytes, 4);
}

bool isPortSlot(int slot)
{
  return slot == PatchManager::kMidiInPortSlot || slot == PatchManager::kMidiOutPortSlot;
}

uint32_t bigEndianAt(const unsigned char* bytes)
{
  return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
         (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}
} // namespace

PatchManager::PatchManager(PatchManagerOwner* owner) : mOwner(owner) {}

void PatchManager::init()
{
  ByteChunk snapshot;
  if (mOwner)
    mOwner->SerializeState2(&snapshot, false);
  std::lock_guard<std::mutex> guard(mLock);
  mData = std::move(snapshot);
}

int PatchManager::slotWidth(int slot)
{
  if (isPortSlot(slot))
    return kPortNameWidth;
  if (slot >= kFirstCategorySlot)
    return kCategoryWidth;
  return kNameWidth;
}

int PatchManager::fixedReadLength(int slot)
{
  if (isPortSlot(slot))
    return -1;
  return slotWidth(slot);
}

void PatchManager::putStringToChunk(ByteChunk* chunk, std::string text, int width)
{
  if (!chunk)
    return;
  size_t count = text.find('\0');
  if (count == std::string::npos)
    count = text.size();
  if (width < 0)
    width = 0;
  if (count > static_cast<size_t>(width))
    count = static_cast<size_t>(width);
  appendInt32LittleEndian(chunk, static_cast<uint32_t>(count));
  chunk->AppendBytes(text.data(), static_cast<int>(count));
}

void PatchManager::saveAllToChunk(ByteChunk* chunk)
{
  if (!chunk)
    return;
  ByteChunk block;
  {
    std::lock_guard<std::mutex> guard(mLock);
    block.AppendBytes(kVersionWord, sizeof kVersionWord);
    block.AppendBytes(kVersionWord, sizeof kVersionWord);
    appendInt32BigEndian(&block, static_cast<uint32_t>(mData.Size()));
    block.AppendChunk(&mData);
    for (int slot = 0; slot < kNameCount; ++slot)
      putStringToChunk(&block, mNames[static_cast<size_t>(slot)], slotWidth(slot));
  }
  chunk->AppendChunk(&block);
}

int PatchManager::loadAllFromChunk(ByteChunk* chunk, int pos)
{
  ByteChunk data;
  std::vector<std::string> names;
  pos = readNameBlock(chunk, pos, &data, &names);
  replaceAll(std::move(data), std::move(names));
  return pos;
}

int PatchManager::readNameBlock(const ByteChunk* chunk, int pos, ByteChunk* data,
                                std::vector<std::string>* names)
{
  data->Clear();
  if (!chunk || pos < 0 || chunk->Size() - pos < kDataOffset)
  {
    pos = -1;
  }
  else
  {
    // The version words are not tested. A length with the top bit set (negative as a signed
    // number) or past the chunk's end is refused; nothing is allocated beyond what the chunk holds.
    const uint32_t length = bigEndianAt(chunk->Bytes() + pos + kDataLengthOffset);
    pos += kDataOffset;
    if (length <= static_cast<uint32_t>(chunk->Size() - pos))
    {
      data->AppendBytes(chunk->Bytes() + pos, static_cast<int>(length));
      pos += static_cast<int>(length);
    }
    else
    {
      pos = -1;
    }
  }

  names->assign(kNameCount, std::string());
  for (int slot = 0; slot < kNameCount; ++slot)
  {
    // ReadText gives -1 for a length that cannot be read, is negative or runs past the end, and
    // leaves the text empty then; a later slot at -1 reads nothing.
    WDL_String text;
    if (chunk)
      pos = chunk->ReadText(&text, pos);
    std::string& name = (*names)[static_cast<size_t>(slot)];
    name = text.Get();
    const int fixed = fixedReadLength(slot);
    if (fixed >= 0)
      name.resize(static_cast<size_t>(fixed), '\0');
  }
  return pos;
}

void PatchManager::replaceAll(ByteChunk data, std::vector<std::string> names)
{
  names.resize(kNameCount);
  std::lock_guard<std::mutex> guard(mLock);
  mData = std::move(data);
  mNames = std::move(names);
}

void PatchManager::getName(std::string* out, int slot)
{
  if (!out)
    return;
  if (slot < 0 || slot >= kNameCount)
  {
    out->clear();
    return;
  }
  if (slot >= kFirstCategorySlot)
  {
    *out = kInitName;
    return;
  }
  std::lock_guard<std::mutex> guard(mLock);
  *out = mNames[static_cast<size_t>(slot)];
}

void PatchManager::setName(int slot, std::string text)
{
  if (slot < 0 || slot >= kNameCount)
    return;
  if (text.empty())
    text = kEmptyNameText;
  {
    std::lock_guard<std::mutex> guard(mLock);
    mNames[static_cast<size_t>(slot)] = std::move(text);
  }
  if (mOwner)
    mOwner->setLibrarianViewDirty();
}
