// The init sound and init multi dumps that fill incomplete library banks.
#pragma once

#include <vector>

// Constant dump images, built once on first use; any thread may read them.
class InitDumpTemplates
{
public:
  static constexpr int kSoundDumpSize = 392;
  static constexpr int kMultiDumpSize = 425;
  // Sound dump: name at 370..385, category at 386, checksum at 390.
  static constexpr int kSoundNameOffset = 370;
  static constexpr int kSoundNameLength = 16;
  static constexpr int kSoundCategoryOffset = 386;
  static constexpr int kSoundChecksumOffset = 390;
  // Multi dump: name at 7..22, checksum at 423.
  static constexpr int kMultiNameOffset = 7;
  static constexpr int kMultiNameLength = 16;
  static constexpr int kMultiChecksumOffset = 423;

  // The 392-byte init sound: F0 3E 13 00 10 00 00, a default sound, "Init" and 12 blanks,
  // category 0, checksum 7F, F7.
  static const std::vector<unsigned char>& initSound();
  // The 425-byte init multi "Init Multi V1.15" in bank 0, checksum 7F.
  static const std::vector<unsigned char>& initMulti();
};
