// The editor's state body as a host stores it, read and rewritten by tests without the plug-in: the layout
// of its items and a body rebuilt with other names and values.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace korvidtest
{
using Bytes = std::vector<unsigned char>;

// The framework header in front of the body: magic and version.
constexpr size_t kHeaderSize = 8;
// Parameters stored at the end of the body, and the name slots of the name block.
constexpr size_t kStoredValueCount = 7878;
constexpr size_t kNameSlotCount = 35;

inline uint32_t littleEndianAt(const Bytes& b, size_t at)
{
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

inline uint32_t bigEndianAt(const Bytes& b, size_t at)
{
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | static_cast<uint32_t>(b[at + 3]);
}

inline double doubleAt(const Bytes& b, size_t at)
{
  double value = 0.0;
  std::memcpy(&value, b.data() + at, sizeof value);
  return value;
}

// Where the items of a body with names lie, as offsets from the start of the body; walked with the
// lengths the body gives, each checked against its size.
struct BodyLayout
{
  static constexpr size_t kQuickTab = 4;
  static constexpr size_t kNameBlock = 12;
  static constexpr size_t kDataLength = kNameBlock + 8;
  static constexpr size_t kData = kNameBlock + 12;

  uint32_t dataLength = 0;
  std::vector<size_t> nameLengths; // the 35 length words
  std::vector<std::string> names;
  size_t selections = 0; // the four normalized values
  size_t values = 0;     // the stored parameters
  bool complete = false;

  explicit BodyLayout(const Bytes& body)
  {
    if (body.size() < kData)
      return;
    dataLength = bigEndianAt(body, kDataLength);
    size_t at = kData + dataLength;
    for (size_t slot = 0; slot < kNameSlotCount; ++slot)
    {
      if (at + 4 > body.size())
        return;
      nameLengths.push_back(at);
      const uint32_t n = littleEndianAt(body, at);
      if (at + 4 + n > body.size())
        return;
      names.emplace_back(body.begin() + static_cast<long>(at + 4),
                         body.begin() + static_cast<long>(at + 4 + n));
      at += 4 + n;
    }
    selections = at;
    values = at + 4 * sizeof(double);
    complete = values + kStoredValueCount * sizeof(double) == body.size();
  }

  double value(const Bytes& body, size_t index) const { return doubleAt(body, values + 8 * index); }

  // Every position between two items: the body cut there misses at least one item.
  std::vector<size_t> boundaries() const
  {
    std::vector<size_t> cuts = {
        0, 4, kQuickTab + 8, kNameBlock + 4, kNameBlock + 8, kData, kData + dataLength};
    for (size_t i = 0; i < nameLengths.size(); ++i)
    {
      cuts.push_back(nameLengths[i] + 4);
      cuts.push_back(nameLengths[i] + 4 + names[i].size());
    }
    for (size_t at = selections + 8; at < values + kStoredValueCount * sizeof(double); at += 8)
      cuts.push_back(at);
    return cuts;
  }
};

// A complete body rebuilt with the part tab shown, some name slots and some stored values replaced (names
// are written as given: at most their slot's width is the caller's business).
inline Bytes rebuiltBody(const Bytes& body, double quickTab, const std::map<size_t, std::string>& names,
                         const std::map<size_t, double>& values)
{
  const BodyLayout layout(body);
  if (!layout.complete)
    return {};
  Bytes out(body.begin(), body.begin() + static_cast<long>(BodyLayout::kData + layout.dataLength));
  std::memcpy(out.data() + BodyLayout::kQuickTab, &quickTab, sizeof quickTab);
  for (size_t slot = 0; slot < kNameSlotCount; ++slot)
  {
    const auto given = names.find(slot);
    const std::string& name = given != names.end() ? given->second : layout.names[slot];
    const uint32_t n = static_cast<uint32_t>(name.size());
    for (int b = 0; b < 4; ++b)
      out.push_back(static_cast<unsigned char>(n >> (8 * b)));
    out.insert(out.end(), name.begin(), name.end());
  }
  const size_t valuesAt = out.size() + 4 * sizeof(double);
  out.insert(out.end(), body.begin() + static_cast<long>(layout.selections), body.end());
  for (const auto& [index, value] : values)
    std::memcpy(out.data() + valuesAt + 8 * index, &value, sizeof value);
  return out;
}
} // namespace korvidtest
