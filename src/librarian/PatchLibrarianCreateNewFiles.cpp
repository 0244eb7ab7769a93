// Building bank file bytes, filling banks up to 128 and writing the banks a split file is cut into.
#include "PatchLibrarian.h"

#include "InitDumpTemplates.h"
#include "SafeFileWriter.h"

#include <algorithm>

namespace
{
constexpr int kCommandOffset = 4;
constexpr unsigned char kSoundDump = 0x10;
constexpr unsigned char kMultiDump = 0x11;

// Head of a two-track Standard MIDI File: header chunk, a tempo track and the sysex track's
// chunk type; the sysex track's length follows.
constexpr unsigned char kMidiHead[] = {
    0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, // MThd, header length 6
    0x00, 0x01, 0x00, 0x02, 0x01, 0xE0,             // format 1, two tracks, 480 ticks per quarter
    0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x13, // MTrk, length 19
    0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, // time signature 4/4
    0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,       // tempo 500000 us per quarter
    0x00, 0xFF, 0x2F, 0x00,                         // end of track
    0x4D, 0x54, 0x72, 0x6B};                        // MTrk
constexpr int kTrackLengthBytes = 4;
constexpr unsigned char kFirstEventPrefix[] = {0x00, 0xF0};
constexpr unsigned char kEndOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};

unsigned char commandOf(const LibrarianPatch& record)
{
  if (record.mMessages.empty() ||
      record.mMessages.front().mData.size() <= static_cast<size_t>(kCommandOffset))
    return 0;
  return record.mMessages.front().mData[kCommandOffset];
}

std::string folderOf(const std::string& path)
{
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}
} // namespace

void PatchLibrarian::bankFileBytes(const PatchFile& bank, bool midiFile, bool multis, ByteChunk* out)
{
  if (out == nullptr)
    return;
  int trackStart = 0;
  if (midiFile)
  {
    const unsigned char noLength[kTrackLengthBytes] = {};
    out->AppendBytes(kMidiHead, static_cast<int>(sizeof(kMidiHead)));
    trackStart = out->AppendBytes(noLength, kTrackLengthBytes);
  }
  int event = 0;
  for (size_t r = 0; r < bank.mRecords.size(); ++r)
  {
    const SysexMessageList& messages = bank.mRecords[r].mMessages;
    for (size_t k = 0; k < messages.size(); ++k)
    {
      if (messages[k].mData.empty())
        continue;
      // The first event of the track has delta 0; save writes the prefix of every later one.
      if (midiFile && event == 0)
      {
        out->AppendBytes(kFirstEventPrefix, static_cast<int>(sizeof(kFirstEventPrefix)));
        PatchSysexMessage::appendVariableLength(out,
                                                static_cast<unsigned int>(messages[k].midiEventLength()));
      }
      messages[k].save(out, midiFile, event, static_cast<int>(k), multis);
      ++event;
    }
  }
  if (midiFile)
  {
    out->AppendBytes(kEndOfTrack, static_cast<int>(sizeof(kEndOfTrack)));
    const unsigned int length = static_cast<unsigned int>(out->Size() - trackStart);
    unsigned char* lengthBytes = out->Bytes() + trackStart - kTrackLengthBytes;
    for (int i = 0; i < kTrackLengthBytes; ++i)
      lengthBytes[i] = static_cast<unsigned char>((length >> (8 * (kTrackLengthBytes - 1 - i))) & 0xFF);
  }
}

void PatchLibrarian::fillUncompletedBankFiles(PatchFile* file)
{
  if (file == nullptr || file->mRecords.empty())
    return;
  const bool sounds = commandOf(file->mRecords.front()) == kSoundDump;
  const std::vector<unsigned char>& dump =
      sounds ? InitDumpTemplates::initSound() : InitDumpTemplates::initMulti();
  LibrarianPatch init;
  init.mMessages.emplace_back();
  init.mMessages.back().mData = dump;
  init.mName = sounds ? std::string(dump.begin() + InitDumpTemplates::kSoundNameOffset,
                                    dump.begin() + InitDumpTemplates::kSoundNameOffset +
                                        InitDumpTemplates::kSoundNameLength)
                      : std::string(dump.begin() + InitDumpTemplates::kMultiNameOffset,
                                    dump.begin() + InitDumpTemplates::kMultiNameOffset +
                                        InitDumpTemplates::kMultiNameLength);
  if (file->mRecords.size() < PatchFile::kBankSize)
    file->mRecords.resize(PatchFile::kBankSize, init);
}

bool PatchLibrarian::writeBank(const PatchFile& bank, const std::string& path, bool midiFile, bool multis)
{
  ByteChunk bytes;
  bankFileBytes(bank, midiFile, multis, &bytes);
  std::string error;
  if (SafeFileWriter::write(path, bytes.Bytes(), bytes.Size(), false, &error))
  {
    mWrittenPaths.push_back(path);
    return true;
  }
  log("cannot write bank file " + path + " (" + error + ")");
  ++mWriteFailures;
  return false;
}

void PatchLibrarian::createNewPatchFile(PatchFile* source, std::string folderName, std::string fileName,
                                        std::string extension, std::string sourcePath, int folderIndex,
                                        int bank, bool midiFile, bool multis)
{
  if (source == nullptr || bank < -1)
    return;
  const size_t dot = fileName.find_last_of('.');
  const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);

  const unsigned char wanted = multis ? kMultiDump : kSoundDump;
  std::vector<const LibrarianPatch*> collected;
  for (const LibrarianPatch& record : source->mRecords)
    if (commandOf(record) == wanted)
      collected.push_back(&record);
  const long long n = static_cast<long long>(collected.size());
  const long long first = static_cast<long long>(PatchFile::kBankSize) * (bank + 1LL);
  mBankCounter = static_cast<int>(n / PatchFile::kBankSize);
  if (!multis && n - first >= 1 && n - first <= PatchFile::kBankSize - 1)
    ++mBankCounter;
  if (n - first <= 0)
    return;

  PatchFile* newBank = new PatchFile();
  newBank->mKind = multis ? PatchFile::kMultis : PatchFile::kSounds;
  const long long count = std::min<long long>(n - first, PatchFile::kBankSize);
  for (long long i = first; i < first + count; ++i)
    newBank->mRecords.push_back(*collected[static_cast<size_t>(i)]);

  std::string name = stem;
  if (mSplitFlag)
    name += multis ? " Multis" : " Singles " + std::to_string(bank + 2);
  name += "." + extension;
  fillUncompletedBankFiles(newBank);

  // Banks of one source may share a name, and a file of that name may exist: keep it, take a free name.
  const std::string wantedPath = folderOf(sourcePath) + name;
  const std::string path = SafeFileWriter::freePath(wantedPath);
  if (path != wantedPath)
  {
    name = path.substr(path.find_last_of("/\\") + 1);
    log(wantedPath + " exists; bank written as " + name);
  }
  newBank->mFileName = name;
  newBank->mFolderName = folderName;
  newBank->mFolderPath = source->mFolderPath;
  newBank->mFolderIndex = folderIndex;
  (multis ? mMultiBanks : mSoundBanks).push_back(newBank);
  writeBank(*newBank, path, midiFile, multis);
}
