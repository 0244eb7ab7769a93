// The constant multi and global dump images.
#include "DumpTemplates.h"

#include <algorithm>

namespace
{
constexpr uint8_t kMultiHeader[] = {0xF0, 0x3E, 0x13, 0x00, 0x11, 0x7F, 0x00};
// Bytes 23 to 38: volume, tempo and the multi settings.
constexpr uint8_t kMultiSettings[] = {0x00, 0x7F, 0x37, 0x01, 0x00, 0x02, 0x04, 0x0B,
                                      0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr int kMultiSettingsOffset = 23;
// One part block; its byte 7 is 02 + part.
constexpr uint8_t kPartBlock[DumpTemplates::kMultiPartBlockLength] = {
    0x00, 0x00, 0x64, 0x40, 0x00, 0x40, 0x40, 0x02, 0x00, 0x7F, 0x01, 0x7F,
    0x07, 0x3F, 0x01, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr int kPartBlockChannelByte = 7;
constexpr int kParts = 16;
constexpr int kNameLength = 16;
constexpr uint8_t kBlank = 0x20;
constexpr uint8_t kMultiChecksum = 0x1C;

constexpr uint8_t kGlobalHeader[] = {0xF0, 0x3E, 0x13, 0x00, 0x14, 0x06, 0x01};
// Bytes 7 to 38: byte 8 + 2n holds n, the others 00.
constexpr int kGlobalSlotsOffset = 8;
constexpr int kGlobalSlotCount = 16;
constexpr uint8_t kGlobalSettings[] = {0x11, 0x01, 0x10, 0x00, 0x05, 0x2D, 0x40, 0x40,
                                       0x00, 0x00, 0x03, 0x01, 0x02, 0x02, 0x00, 0x00,
                                       0x00, 0x02, 0x04, 0x0B, 0x0C, 0x40, 0x00, 0x01};
constexpr int kGlobalSettingsOffset = 39;
constexpr int kGlobalVolumeByte = 69;
constexpr uint8_t kFull = 0x7F;
} // namespace

const DumpTemplates::Multi& DumpTemplates::multiTemplate()
{
  static const Multi multi = []
  {
    Multi m{};
    std::copy(std::begin(kMultiHeader), std::end(kMultiHeader), m.begin());
    std::fill_n(m.begin() + kMultiNameOffset, kNameLength, kBlank);
    std::copy(std::begin(kMultiSettings), std::end(kMultiSettings), m.begin() + kMultiSettingsOffset);
    for (int part = 0; part < kParts; ++part)
    {
      const int block = kMultiFirstPartBlock + part * kMultiPartBlockLength;
      std::copy(std::begin(kPartBlock), std::end(kPartBlock), m.begin() + block);
      m[static_cast<size_t>(block + kPartBlockChannelByte)] =
          static_cast<uint8_t>(kPartBlock[kPartBlockChannelByte] + part);
    }
    m[kMultiChecksumOffset] = kMultiChecksum;
    m[kMultiLength - 1] = 0xF7;
    return m;
  }();
  return multi;
}

const DumpTemplates::Global& DumpTemplates::globalTemplate()
{
  static const Global global = []
  {
    Global g{};
    std::copy(std::begin(kGlobalHeader), std::end(kGlobalHeader), g.begin());
    for (int n = 0; n < kGlobalSlotCount; ++n)
    {
      g[static_cast<size_t>(kGlobalSlotsOffset + 2 * n)] = static_cast<uint8_t>(n);
    }
    std::copy(std::begin(kGlobalSettings), std::end(kGlobalSettings), g.begin() + kGlobalSettingsOffset);
    g[kGlobalVolumeByte] = kFull;
    g[kGlobalChecksumOffset] = kFull;
    g[kGlobalLength - 1] = 0xF7;
    return g;
  }();
  return global;
}
