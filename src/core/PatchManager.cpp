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

// A port name longer than its slot is written cut to the slot, then after a NUL whole: a reader that ends
// the text at its first NUL finds the cut name as always, readPortName the whole one.
void appendPortName(ByteChunk* chunk, const std::string& name)
{
  const std::string text = name.c_str();
  std::string stored = text.substr(0, PatchManager::kPortNameWidth);
  if (text.size() > stored.size() && text.size() <= static_cast<size_t>(PatchManager::kWholePortNameWidth))
  {
    stored.push_back('\0');
    stored += text;
  }
  appendInt32LittleEndian(chunk, static_cast<uint32_t>(stored.size()));
  chunk->AppendBytes(stored.data(), static_cast<int>(stored.size()));
}

// The port name at pos as appendPortName wrote it (a length and its bytes): the whole name when one
// follows the cut one after a NUL and begins with it, else the text up to the first NUL. Returns the
// position after it, or -1 (name empty) when the length cannot be read, is negative or runs past the end.
int readPortName(const ByteChunk& chunk, int pos, std::string* name)
{
  name->clear();
  int32_t length = 0;
  pos = chunk.ReadValue(&length, pos);
  if (pos < 0 || length < 0 || length > chunk.Size() - pos)
    return -1;
  const std::string bytes(reinterpret_cast<const char*>(chunk.Bytes()) + pos, static_cast<size_t>(length));
  *name = bytes.c_str();
  if (name->size() == static_cast<size_t>(PatchManager::kPortNameWidth) && name->size() < bytes.size())
  {
    const std::string whole = bytes.c_str() + name->size() + 1;
    if (whole.size() > name->size() &&
        whole.size() <= static_cast<size_t>(PatchManager::kWholePortNameWidth) &&
        whole.compare(0, name->size(), *name) == 0)
      *name = whole;
  }
  return pos + length;
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
    {
      if (isPortSlot(slot))
        appendPortName(&block, mNames[static_cast<size_t>(slot)]);
      else
        putStringToChunk(&block, mNames[static_cast<size_t>(slot)], slotWidth(slot));
    }
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
    // Both readers give -1 for a length that cannot be read, is negative or runs past the end, and
    // leave the text empty then; a later slot at -1 reads nothing.
    std::string& name = (*names)[static_cast<size_t>(slot)];
    if (chunk && isPortSlot(slot))
    {
      pos = readPortName(*chunk, pos, &name);
      continue;
    }
    WDL_String text;
    if (chunk)
      pos = chunk->ReadText(&text, pos);
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
