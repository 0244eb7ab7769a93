// Byte chunks, presets, host time information and the state-chunk header helpers.
#pragma once

#include "VstAbi.h"
#include "WdlString.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

// A four-character code as the host sees it: "kv2w" gives 0x6B763277.
constexpr int MakeFourCC(const char (&code)[5])
{
  return static_cast<int>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                          (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                          (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                          static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

// What the entry point hands a new plug-in instance.
struct IPlugInstanceInfo
{
  audioMasterCallback mVSTHostCallback = nullptr;
};

// A growable byte buffer with typed appends and bounded reads. Values are stored as they lie in memory
// (little-endian on this target). Reads take a start position and return the position after what they
// read, or -1 when the chunk ends too early, so that readers chain one read into the next.
// Not shared between threads.
class ByteChunk
{
public:
  // Capacity grows in steps of this many bytes.
  static constexpr int kGrowth = 4096;

  ByteChunk() = default;

  // Appends the bytes of an int, double or bool (bool as one byte 0 or 1); returns the new size.
  template <class T> int AppendValue(const T* value)
  {
    static_assert(std::is_arithmetic<T>::value, "AppendValue takes plain numbers");
    if constexpr (std::is_same<T, bool>::value)
    {
      const unsigned char byte = *value ? 1 : 0;
      return AppendBytes(&byte, 1);
    }
    else
    {
      return AppendBytes(value, static_cast<int>(sizeof(T)));
    }
  }

  // Reads an int, double or bool at startPos; returns the next position, or -1 (value untouched) when
  // startPos is negative or the chunk holds too few bytes. Any non-zero byte reads as true.
  template <class T> int ReadValue(T* value, int startPos) const
  {
    static_assert(std::is_arithmetic<T>::value, "ReadValue takes plain numbers");
    constexpr int n = std::is_same<T, bool>::value ? 1 : static_cast<int>(sizeof(T));
    if (startPos < 0 || startPos > Size() - n)
    {
      return -1;
    }
    if constexpr (std::is_same<T, bool>::value)
    {
      *value = mBytes[static_cast<size_t>(startPos)] != 0;
    }
    else
    {
      std::memcpy(value, mBytes.data() + startPos, sizeof(T));
    }
    return startPos + n;
  }

  // Appends the text's length as a 32-bit int and its characters (no terminator); null counts as "".
  int AppendText(const char* text);
  // Reads a text written by AppendText into text (a copy stops early at a zero byte). A length of 0
  // leaves text unchanged. Returns the position after the characters, or -1 when the length cannot
  // be read, is negative or runs past the end.
  int ReadText(WDL_String* text, int startPos) const;
  // Appends every byte of other (no length in front); null appends nothing. Returns the new size.
  int AppendChunk(const ByteChunk* other);
  // Appends size raw bytes; returns the new size.
  int AppendBytes(const void* data, int size);
  // Copies size raw bytes at startPos into out; returns the next position or -1.
  int ReadBytes(void* out, int size, int startPos) const;

  // Sets the size to newSize bytes (at least 0); new bytes are zero. Returns the new size.
  int Resize(int newSize);
  void Clear() { mBytes.clear(); }
  int Size() const { return static_cast<int>(mBytes.size()); }
  // The bytes; may be null while the chunk is empty. Valid until the next change of size.
  unsigned char* Bytes() { return mBytes.data(); }
  const unsigned char* Bytes() const { return mBytes.data(); }

  // Frees the storage.
  void ReleaseStorage();

private:
  void Reserve(size_t size);

  std::vector<unsigned char> mBytes;
};

// The framework header in front of every state chunk: magic "tffp" then the framework version.
constexpr int kIPlugChunkMagic = 0x70666674;
constexpr int kIPlugChunkVersion = 0x00010000;

// Empties chunk and writes the header (8 bytes).
void InitChunkWithIPlugVer(ByteChunk* chunk);

// Reads the header at *pos. No magic there (or fewer than 4 bytes): 0, *pos unchanged. Magic but no
// complete version: 0, *pos := -1. Complete header: the version, *pos += 8.
int GetIPlugVerFromChunk(const ByteChunk* chunk, int* pos);

// One entry of the plug-in's preset list.
struct IPreset
{
  static constexpr int kMaxNameLen = 255;

  IPreset();
  // Replaces the name, cut to kMaxNameLen characters; null gives "".
  void SetName(const char* name);

  bool mInitialized = false;
  char mName[kMaxNameLen + 1];
  ByteChunk mChunk;
};

// The host's time and transport as GetTime fills it; fields the host does not make valid keep what
// the caller put there.
struct ITimeInfo
{
  double mTempo = 0.0;
  double mSamplePos = 0.0;
  double mPPQPos = 0.0;
  double mLastBar = 0.0;
  double mCycleStart = 0.0;
  double mCycleEnd = 0.0;
  int mNumerator = 0;
  int mDenominator = 0;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

// Copies src into a buffer of size bytes, cut to fit on a character boundary (CharacterCut) and always
// terminated; null src gives "".
void CopyBounded(char* dst, const char* src, int size);
// How many of text's length bytes a cut to at most maxBytes keeps: all when they fit, else maxBytes less
// the start of a UTF-8 sequence the cut would leave incomplete, so that a cut name shows no broken letter.
size_t CharacterCut(const char* text, size_t length, size_t maxBytes);
