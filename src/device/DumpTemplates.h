// The constant multi and global dump images that outgoing multi and global dumps are built from.
#pragma once

#include <array>
#include <cstdint>

// Built once on first use; read-only afterwards, any thread. The sound template is
// SoundDumpLayout::soundTemplate; the init sound and init multi belong to the librarian.
class DumpTemplates
{
public:
  static constexpr int kMultiLength = 425;
  static constexpr int kGlobalLength = 80;
  // Multi dump: name at 7..22, 16 part blocks of 24 bytes from 39, checksum at 423.
  static constexpr int kMultiNameOffset = 7;
  static constexpr int kMultiFirstPartBlock = 39;
  static constexpr int kMultiPartBlockLength = 24;
  static constexpr int kMultiChecksumOffset = 423;
  // Global dump: checksum byte at 78 (sent as the template holds it).
  static constexpr int kGlobalChecksumOffset = 78;

  using Multi = std::array<uint8_t, kMultiLength>;
  using Global = std::array<uint8_t, kGlobalLength>;

  // F0 3E 13 00 11 7F 00 (multi edit buffer), a blank name, the multi settings and 16 part blocks,
  // checksum 1C, F7.
  static const Multi& multiTemplate();
  // F0 3E 13 00 14, the global settings, checksum 7F, F7.
  static const Global& globalTemplate();
};
