// A fixed table of ints that several threads read and write entry by entry.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <vector>

// Each entry is an atomic, so one thread may write an entry while others read it (the MIDI input thread,
// the device workers, the audio and the editor threads share the part tables and the activity
// indicators). Entries start at 0. Callers check an index against size() before they use it.
template <std::size_t N> class AtomicIntTable
{
public:
  AtomicIntTable() { fill(0); }
  AtomicIntTable(const AtomicIntTable&) = delete;
  AtomicIntTable& operator=(const AtomicIntTable&) = delete;

  static constexpr std::size_t size() { return N; }
  std::atomic<int>& operator[](std::size_t index) { return mEntries[index]; }
  int operator[](std::size_t index) const { return mEntries[index].load(); }

  void fill(int value)
  {
    for (std::atomic<int>& entry : mEntries)
    {
      entry.store(value);
    }
  }
  // A copy of every entry, each read on its own.
  std::vector<int> values() const
  {
    std::vector<int> copy;
    copy.reserve(N);
    for (const std::atomic<int>& entry : mEntries)
    {
      copy.push_back(entry.load());
    }
    return copy;
  }
  // Takes the first entries from values; entries beyond values keep theirs.
  void store(const std::vector<int>& values)
  {
    for (std::size_t i = 0; i < N && i < values.size(); ++i)
    {
      mEntries[i].store(values[i]);
    }
  }

private:
  std::array<std::atomic<int>, N> mEntries;
};
