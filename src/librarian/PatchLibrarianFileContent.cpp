// Reading the dumps of a raw sysex or MIDI bank file into library records.
#include "PatchLibrarian.h"

#include "InitDumpTemplates.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
// Smallest file that can hold records, and the header that marks a Standard MIDI File.
constexpr int kMinimumFileSize = 15;
constexpr unsigned char kMidiFileMark[] = {0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06};
constexpr int kMidiFileDataStart = 14;

// Dump header bytes after F0.
constexpr unsigned char kManufacturerId = 0x3E;
constexpr unsigned char kModelBlofeld = 0x13;
constexpr unsigned char kModelMicroQ = 0x10;
constexpr unsigned char kModelQ = 0x0F;
constexpr unsigned char kMaxDeviceId = 0x7E;
constexpr unsigned char kSoundDump = 0x10;
constexpr unsigned char kMultiDump = 0x11;
constexpr unsigned char kFirstStatusByte = 0x80;
constexpr unsigned char kSysexStart = 0xF0;
constexpr unsigned char kSysexEnd = 0xF7;
// Stored dump: F0 3E 13 00 command 00 slot, then the data bytes and F7.
constexpr int kStoredHeaderSize = 7;

// A sound is taken from 390 bytes on; a multi only whole.
constexpr size_t kMinimumSoundSize = 390;
constexpr size_t kMinimumMultiSize = InitDumpTemplates::kMultiDumpSize;
// The four-letter category text of converted sounds, and the byte after it.
constexpr int kCategoryTextOffset = 386;
constexpr int kCategoryTextLength = 4;

// Numbered init names: "Init", nine blanks, then a three-character number.
constexpr int kInitNumberOffset = 13;

// The first position from pos on (at most size) whose byte is a status byte (80 or above); eight bytes at a
// time, as dumps run hundreds of data bytes long.
int nextStatusByte(const unsigned char* bytes, int pos, int size)
{
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  while (pos + 8 <= size)
  {
    uint64_t word;
    std::memcpy(&word, bytes + pos, sizeof(word));
    if (word & kHighBits)
      break;
    pos += 8;
  }
  while (pos < size && bytes[pos] < kFirstStatusByte)
    ++pos;
  return pos;
}

std::string nameFrom(const std::vector<unsigned char>& dump, int offset, int length)
{
  if (dump.size() < static_cast<size_t>(offset + length))
    return std::string();
  return std::string(reinterpret_cast<const char*>(dump.data()) + offset, length);
}
} // namespace

bool PatchLibrarian::findByte(ByteChunk* chunk, int& pos, int value)
{
  const int size = chunk != nullptr ? chunk->Size() : 0;
  while (pos >= 0 && pos < size)
  {
    if (chunk->Bytes()[pos++] == value)
      return true;
  }
  pos = -1;
  return false;
}

void PatchLibrarian::loadFromChunk(ByteChunk* chunk, int size, PatchFile* file, int)
{
  if (chunk == nullptr || file == nullptr)
    return;
  size = std::min(size, chunk->Size());
  if (size < kMinimumFileSize)
    return;
  mReadSkips = ReadSkips();
  const bool midiFile = std::equal(std::begin(kMidiFileMark), std::end(kMidiFileMark), chunk->Bytes());
  int pos = midiFile ? kMidiFileDataStart : 0;

  // A bank file holds a bank: room for its records at once.
  if (file->mRecords.empty())
    file->mRecords.reserve(PatchFile::kBankSize);
  int slot = 0;
  int result = readDump(chunk->Bytes(), size, pos, file, kNoConversion, slot, midiFile);
  // The slot counts reader calls from the first record on, wrapping after 127.
  while (result > 0)
  {
    if (!file->mRecords.empty())
      ++slot;
    if (slot >= PatchFile::kBankSize)
      slot = 0;
    result = readDump(chunk->Bytes(), size, pos, file, kNoConversion, slot, midiFile);
  }

  if (mReadSkips.mRejectedHeaders + mReadSkips.mCutDumps + mReadSkips.mShortDumps > 0)
  {
    char line[200];
    std::snprintf(
        line, sizeof(line),
        "%d records read; skipped %d foreign or broken headers and %d incomplete dumps; %d dumps cut "
        "short",
        static_cast<int>(file->mRecords.size()), mReadSkips.mRejectedHeaders, mReadSkips.mShortDumps,
        mReadSkips.mCutDumps);
    log(line);
  }
  checkBankSizeAndAddData(file);
}

int PatchLibrarian::readSysexMessage(ByteChunk* chunk, int& pos, PatchFile* file, int conversion, int slot)
{
  if (chunk == nullptr)
    return pos = -1;
  return readDump(chunk->Bytes(), chunk->Size(), pos, file, conversion, slot, false);
}

int PatchLibrarian::readMIDIMessage(ByteChunk* chunk, int& pos, PatchFile* file, int conversion, int slot)
{
  if (chunk == nullptr)
    return pos = -1;
  return readDump(chunk->Bytes(), chunk->Size(), pos, file, conversion, slot, true);
}

int PatchLibrarian::readDump(const unsigned char* chunk, int size, int& pos, PatchFile* file, int conversion,
                             int slot, bool stayOnEnd)
{
  auto atEnd = [&]()
  {
    if (pos >= 0 && pos < size)
      return false;
    pos = -1;
    return true;
  };

  // Header: 3E, model, device id, command, bank, program; the byte before 3E is not looked at.
  while (!atEnd() && chunk[pos] != kManufacturerId)
    ++pos;
  if (atEnd())
    return -1;
  // A rejected header resumes the search right behind its 3E: the bytes taken for its fields
  // may begin a real header (a MIDI event length of 62 mod 128 puts a 3E before one).
  const int resume = ++pos;
  if (atEnd())
    return -1;
  const unsigned char model = chunk[pos++];
  if (model == kModelMicroQ)
  {
    if (file != nullptr)
      file->mOriginCode = PatchFile::kOriginMicroQ;
    conversion = kConvertFromMicroQ;
  }
  else if (model == kModelQ)
  {
    if (file != nullptr)
      file->mOriginCode = PatchFile::kOriginQ;
    conversion = kConvertFromQ;
  }
  else if (model != kModelBlofeld)
    return pos = resume;
  if (atEnd())
    return -1;
  if (chunk[pos++] > kMaxDeviceId)
  {
    ++mReadSkips.mRejectedHeaders;
    return pos = resume;
  }
  if (atEnd())
    return -1;
  const unsigned char command = chunk[pos++];
  if (command != kSoundDump && command != kMultiDump)
    return pos = resume;
  for (int field = 0; field < 2; ++field)
  {
    if (atEnd())
      return -1;
    if (chunk[pos++] >= kFirstStatusByte)
    {
      ++mReadSkips.mRejectedHeaders;
      return pos = resume;
    }
  }

  // Data bytes are 7-bit: F7 closes the dump; any other status byte (the F0 of a following dump,
  // a MIDI event) means it was cut there, and the search goes on from that byte.
  const int dataStart = pos;
  pos = nextStatusByte(chunk, pos, size);
  const unsigned char header[kStoredHeaderSize] = {
      kSysexStart, kManufacturerId, kModelBlofeld, 0x00, command, 0x00, static_cast<unsigned char>(slot)};
  const int dataLength = pos - dataStart;
  PatchSysexMessage message;
  message.mData.reserve(static_cast<size_t>(kStoredHeaderSize + dataLength + 1));
  message.mData.assign(header, header + kStoredHeaderSize);
  message.mData.insert(message.mData.end(), chunk + dataStart, chunk + dataStart + dataLength);
  message.mData.push_back(kSysexEnd);
  if (pos >= size)
  {
    ++mReadSkips.mCutDumps;
    pos = -1;
  }
  else if (chunk[pos] == kSysexEnd)
  {
    if (!stayOnEnd)
      ++pos;
  }
  else
    ++mReadSkips.mCutDumps;

  if (file == nullptr)
    return pos;
  LibrarianPatch record;
  if (command == kSoundDump)
  {
    if (conversion == kConvertFromMicroQ && !alterPatchFromMicroQFormat(&message))
    {
      ++mReadSkips.mShortDumps;
      return pos;
    }
    if (conversion == kConvertFromQ &&
        !(alterPatchFromQFormat(&message) && alterPatchFromMicroQFormat(&message)))
    {
      ++mReadSkips.mShortDumps;
      return pos;
    }
    if (conversion != kNoConversion)
      alterCategoryFormatToInt(&message);
    if (message.mData.size() < kMinimumSoundSize)
    {
      ++mReadSkips.mShortDumps;
      return pos;
    }
    record.mName =
        nameFrom(message.mData, InitDumpTemplates::kSoundNameOffset, InitDumpTemplates::kSoundNameLength);
    record.mMessages = SysexMessageList(std::move(message));
    record.parseCategory(LibrarianPatch::kSoundCategoryOffset);
    file->mKind = PatchFile::kSounds;
  }
  else
  {
    if (message.mData.size() < kMinimumMultiSize)
    {
      ++mReadSkips.mShortDumps;
      return pos;
    }
    record.mName =
        nameFrom(message.mData, InitDumpTemplates::kMultiNameOffset, InitDumpTemplates::kMultiNameLength);
    record.mMessages = SysexMessageList(std::move(message));
    file->mKind = PatchFile::kMultis;
  }
  file->mRecords.push_back(std::move(record));
  return pos;
}

void PatchLibrarian::alterCategoryFormatToInt(PatchSysexMessage* message)
{
  if (message == nullptr ||
      message->mData.size() < static_cast<size_t>(kCategoryTextOffset + kCategoryTextLength))
    return;
  unsigned char* text = message->mData.data() + kCategoryTextOffset;
  unsigned char code = 0;
  for (int i = 0; i < LibrarianPatch::kCategoryCount; ++i)
  {
    if (std::memcmp(text, LibrarianPatch::kCategoryTexts[i], kCategoryTextLength) == 0)
    {
      code = static_cast<unsigned char>(i);
      break;
    }
  }
  text[0] = code;
  std::fill(text + 1, text + kCategoryTextLength, 0x00);
}

void PatchLibrarian::checkBankSizeAndAddData(PatchFile* file)
{
  if (file == nullptr || file->mRecords.empty() || file->mRecords.size() >= PatchFile::kBankSize)
    return;
  if (file->mKind == PatchFile::kSounds)
  {
    while (file->mRecords.size() < PatchFile::kBankSize)
    {
      const int number = static_cast<int>(file->mRecords.size()) + 1;
      LibrarianPatch record;
      record.mMessages.emplace_back();
      std::vector<unsigned char>& dump = record.mMessages.back().mData;
      dump = InitDumpTemplates::initSound();
      // Room for any int, though the number never exceeds 128 (three characters).
      char digits[16];
      std::snprintf(digits, sizeof(digits), "%3.2d", number);
      std::memcpy(dump.data() + InitDumpTemplates::kSoundNameOffset + kInitNumberOffset, digits, 3);
      record.mName = nameFrom(dump, InitDumpTemplates::kSoundNameOffset, InitDumpTemplates::kSoundNameLength);
      record.parseCategory(LibrarianPatch::kSoundCategoryOffset);
      file->mRecords.push_back(std::move(record));
    }
  }
  else if (file->mKind == PatchFile::kMultis)
  {
    while (file->mRecords.size() < PatchFile::kBankSize)
    {
      LibrarianPatch record;
      record.mMessages.emplace_back();
      record.mMessages.back().mData = InitDumpTemplates::initMulti();
      record.mName = nameFrom(record.mMessages.back().mData, InitDumpTemplates::kMultiNameOffset,
                              InitDumpTemplates::kMultiNameLength);
      file->mRecords.push_back(std::move(record));
    }
  }
}
