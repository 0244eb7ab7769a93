// Byte chunks, presets and the state-chunk header.
#include "IPlugStructs.h"

#include <algorithm>

void ByteChunk::Reserve(size_t size)
{
  if (size > mBytes.capacity())
  {
    const size_t steps = (size + kGrowth - 1) / kGrowth;
    mBytes.reserve(steps * kGrowth);
  }
}

int ByteChunk::AppendBytes(const void* data, int size)
{
  if (size > 0 && data)
  {
    Reserve(mBytes.size() + static_cast<size_t>(size));
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + size);
  }
  return Size();
}

int ByteChunk::ReadBytes(void* out, int size, int startPos) const
{
  if (size < 0 || startPos < 0 || startPos > Size() - size)
  {
    return -1;
  }
  if (size > 0)
  {
    std::memcpy(out, mBytes.data() + startPos, static_cast<size_t>(size));
  }
  return startPos + size;
}

int ByteChunk::AppendText(const char* text)
{
  const int32_t length = text ? static_cast<int32_t>(std::strlen(text)) : 0;
  AppendValue(&length);
  return AppendBytes(text, length);
}

int ByteChunk::ReadText(WDL_String* text, int startPos) const
{
  int32_t length = 0;
  const int pos = ReadValue(&length, startPos);
  if (pos < 0 || length < 0 || length > Size() - pos)
  {
    return -1;
  }
  if (length > 0)
  {
    text->Set(reinterpret_cast<const char*>(mBytes.data() + pos), length);
  }
  return pos + length;
}

int ByteChunk::AppendChunk(const ByteChunk* other)
{
  if (other && other != this)
  {
    return AppendBytes(other->Bytes(), other->Size());
  }
  if (other == this && Size() > 0)
  {
    const std::vector<unsigned char> copy(mBytes);
    return AppendBytes(copy.data(), static_cast<int>(copy.size()));
  }
  return Size();
}

int ByteChunk::Resize(int newSize)
{
  const size_t size = static_cast<size_t>(std::max(newSize, 0));
  Reserve(size);
  mBytes.resize(size, 0);
  return Size();
}

void ByteChunk::ReleaseStorage()
{
  std::vector<unsigned char>().swap(mBytes);
}

void InitChunkWithIPlugVer(ByteChunk* chunk)
{
  chunk->Clear();
  const int32_t magic = kIPlugChunkMagic;
  const int32_t version = kIPlugChunkVersion;
  chunk->AppendValue(&magic);
  chunk->AppendValue(&version);
}

int GetIPlugVerFromChunk(const ByteChunk* chunk, int* pos)
{
  int32_t magic = 0;
  const int afterMagic = chunk->ReadValue(&magic, *pos);
  if (afterMagic < 0 || magic != kIPlugChunkMagic)
  {
    return 0;
  }
  int32_t version = 0;
  const int afterVersion = chunk->ReadValue(&version, afterMagic);
  if (afterVersion < 0)
  {
    *pos = -1;
    return 0;
  }
  *pos = afterVersion;
  return version;
}

IPreset::IPreset()
{
  SetName("empty");
}

void IPreset::SetName(const char* name)
{
  CopyBounded(mName, name, kMaxNameLen + 1);
}

void CopyBounded(char* dst, const char* src, int size)
{
  if (!dst || size < 1)
  {
    return;
  }
  if (!src)
  {
    dst[0] = '\0';
    return;
  }
  const size_t n = CharacterCut(src, strnlen(src, static_cast<size_t>(size)), static_cast<size_t>(size - 1));
  std::memmove(dst, src, n);
  dst[n] = '\0';
}

size_t CharacterCut(const char* text, size_t length, size_t maxBytes)
{
  if (!text || length <= maxBytes)
  {
    return length;
  }
  // The lead byte of the last sequence kept, up to three continuation bytes before the cut.
  size_t start = maxBytes;
  while (start > 0 && maxBytes - start < 3 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
  {
    --start;
  }
  if (start == 0)
  {
    return maxBytes;
  }
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return maxBytes - (start - 1) < expected ? start - 1 : maxBytes;
}
