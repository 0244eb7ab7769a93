// Reading a 1024-sound bank file (raw sysex and MIDI file), scanning a 1000-file library and searching it.
#include "PatchLibrarian.h"
#include "SharedDataPaths.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace
{
ByteChunk loadShared(const char* name)
{
  std::ifstream in(korvidtest::sharedBankFile(name), std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ByteChunk chunk;
  chunk.AppendBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

void readBank(benchmark::State& state, const char* name)
{
  ByteChunk chunk = loadShared(name);
  if (chunk.Size() == 0)
  {
    // Skipped, not failed, in a clone without the shared data beside it.
    state.SkipWithError(korvidtest::sharedBanksMissingText().c_str());
    return;
  }
  PatchLibrarian librarian;
  size_t records = 0;
  for (auto _ : state)
  {
    PatchFile file;
    librarian.loadFromChunk(&chunk, chunk.Size(), &file, 0);
    records = file.mRecords.size();
    benchmark::DoNotOptimize(file.mRecords.data());
  }
  state.counters["records"] = static_cast<double>(records);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * chunk.Size());
}

void BM_ReadRawSoundBank1024(benchmark::State& state)
{
  readBank(state, "factory-2008.syx");
}
BENCHMARK(BM_ReadRawSoundBank1024)->Unit(benchmark::kMillisecond);

void BM_ReadMidiSoundBank1024(benchmark::State& state)
{
  readBank(state, "factory-2012.mid");
}
BENCHMARK(BM_ReadMidiSoundBank1024)->Unit(benchmark::kMillisecond);
} // namespace

namespace
{
// A library of 1000 raw bank files of 128 sounds (128,000 sounds) in 20 folders, made once.
class BenchLibrary
{
public:
  static constexpr int kFiles = 1000;
  static constexpr int kFolders = 20;

  BenchLibrary()
  {
    char pattern[] = "/tmp/korvid-librarian-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
      return;
    base = pattern;
    root = base + "/Patches";
    std::vector<char> bank;
    for (int file = 0; file < kFiles; ++file)
    {
      bank.clear();
      for (int slot = 0; slot < 128; ++slot)
      {
        std::vector<char> dump(392, 0x00);
        const unsigned char header[] = {0xF0, 0x3E, 0x13, 0x00, 0x10, 0x00, static_cast<unsigned char>(slot)};
        std::copy(std::begin(header), std::end(header), dump.begin());
        std::string name =
            (slot % 3 == 0 ? "Pad " : "Lead ") + std::to_string(file) + "-" + std::to_string(slot);
        name.resize(16, ' ');
        std::copy(name.begin(), name.end(), dump.begin() + 370);
        dump[386] = static_cast<char>(slot % 13);
        dump[391] = static_cast<char>(0xF7);
        bank.insert(bank.end(), dump.begin(), dump.end());
      }
      const std::string folder = root + "/Folder " + std::to_string(file % kFolders);
      ::mkdir(root.c_str(), 0755);
      ::mkdir(folder.c_str(), 0755);
      std::ofstream out(folder + "/Bank " + std::to_string(file) + ".syx", std::ios::binary);
      out.write(bank.data(), static_cast<std::streamsize>(bank.size()));
    }
  }
  ~BenchLibrary()
  {
    if (!base.empty())
      std::filesystem::remove_all(base);
  }

  std::string base;
  std::string root;
};

BenchLibrary& benchLibrary()
{
  static BenchLibrary library;
  return library;
}

void BM_ScanLibrary1000Banks(benchmark::State& state)
{
  const std::string root = benchLibrary().root;
  size_t banks = 0;
  for (auto _ : state)
  {
    PatchLibrarian librarian;
    librarian.loadPatchesFromFilesystem(root);
    banks = librarian.mSoundBanks.size();
  }
  state.counters["banks"] = static_cast<double>(banks);
}
BENCHMARK(BM_ScanLibrary1000Banks)->Unit(benchmark::kMillisecond);

void BM_SearchLibrary128000Sounds(benchmark::State& state)
{
  PatchLibrarian librarian;
  librarian.loadPatchesFromFilesystem(benchLibrary().root);
  size_t results = 0;
  for (auto _ : state)
  {
    librarian.createNewSearchPatchFiles("Pad 99");
    results = librarian.mSearchBanks.size();
  }
  state.counters["resultBanks"] = static_cast<double>(results);
}
BENCHMARK(BM_SearchLibrary128000Sounds)->Unit(benchmark::kMillisecond);
} // namespace
