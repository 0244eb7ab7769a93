// The 425-byte multi dump and the 80-byte global dump: which parameter each byte carries, both ways.
#pragma once

#include "SoundDumpLayout.h"

#include <cstdint>
#include <string>
#include <vector>

// The byte maps shared by the multi and global builders and parsers. Stateless; any thread. Per-part
// parameters are bases; the part (0..15) is added here. Built bytes are the truncated parameter value
// plus the field's offset, held to 0..127; parsed values are the byte minus the offset.
class MultiDumpLayout
{
public:
  using ValueReader = SoundDumpLayout::ValueReader;
  using ValueWriter = SoundDumpLayout::ValueWriter;

  // Multi dump: name 7..22, volume 24, tempo 25, 16 part blocks of 24 bytes from 39, checksum 423.
  static constexpr int kMultiLength = 425;
  static constexpr int kNameOffset = 7;
  static constexpr int kNameLength = 16;
  static constexpr int kVolumeOffset = 24;
  static constexpr int kTempoOffset = 25;
  static constexpr int kFirstPartBlock = 39;
  static constexpr int kPartBlockLength = 24;
  static constexpr int kPartCount = 16;
  static constexpr int kChecksumOffset = 423;
  // Bytes of a part block.
  static constexpr int kBlockBank = 0;
  static constexpr int kBlockProgram = 1;
  static constexpr int kBlockLevel = 2;
  static constexpr int kBlockPan = 3;
  static constexpr int kBlockTranspose = 5;
  static constexpr int kBlockDetune = 6;
  static constexpr int kBlockChannel = 7;
  static constexpr int kBlockKeyLow = 8;
  static constexpr int kBlockKeyHigh = 9;
  static constexpr int kBlockVelocityLow = 10;
  static constexpr int kBlockVelocityHigh = 11;
  static constexpr int kBlockFlags1 = 12;
  static constexpr int kBlockFlags2 = 13;
  // Stored value + offset = byte.
  static constexpr int kTransposeOffset = 16;
  static constexpr int kVelocityOffset = 1;

  // Global dump: the header's device id at 3, settings 39..62, checksum 78 (never rewritten).
  static constexpr int kGlobalLength = 80;
  // The length the device's public format gives: one byte fewer after the last field.
  static constexpr int kShortGlobalLength = 79;
  static constexpr int kGlobalFixedByte = 60;
  static constexpr uint8_t kGlobalFixedValue = 0x7F;
  static constexpr int kGlobalLocalControlOffset = 62;
  static constexpr int kTuningOffset = 54;
  static constexpr int kGlobalTransposeOffset = 52;

  // One byte carried by a parameter: byte position (a block byte for part fields), parameter index or
  // per-part base, offset added on building.
  struct Field
  {
    int byte;
    int param;
    int offset;
  };

  // Byte of block byte blockByte of part.
  static constexpr int partByte(int part, int blockByte)
  {
    return kFirstPartBlock + part * kPartBlockLength + blockByte;
  }

  // Flag bytes of a part block: a bit is set when its parameter, as an int, is not 1 (byte 1: bits 0, 1,
  // 2, 6 = receive MIDI, USB, local, part status; byte 2: bits 0..5 = pitch bend, mod wheel, pressure,
  // sustain, edits, program change).
  static uint8_t flagByte1(int part, const ValueReader& value);
  static uint8_t flagByte2(int part, const ValueReader& value);
  // The reverse: every parameter of the flag byte is set to 1, then 0 for its set bits. Flag byte 1:
  // values 8..63 leave all at 1, 72 and more mute only the part. Flag byte 2: 64 and more clear only
  // edits and program change.
  static void unpackFlags1(int flags, int part, const ValueWriter& write);
  static void unpackFlags2(int flags, int part, const ValueWriter& write);

  // Fills a copy of the multi template into dump (kMultiLength bytes): device id, volume, tempo, the
  // name (16 blanks overwritten by at most 16 characters of name; characters above 7F become blanks)
  // and every part block. Bank and program come from the tables (entry part; 0 when the table is
  // shorter). The checksum byte keeps the template's value.
  static void buildMulti(const ValueReader& value, const std::vector<int>& bankTable,
                         const std::vector<int>& programTable, const std::string& name, uint8_t* dump);
  // Reads volume, tempo and every part block of a dump of at least kMultiLength bytes (shorter: nothing)
  // into the parameters; bank and program also into the tables when they hold the part's entry.
  static void parseMulti(const uint8_t* data, int size, const ValueWriter& write, std::vector<int>* bankTable,
                         std::vector<int>* programTable);

  // Fills a copy of the global template into dump (kGlobalLength bytes): header device id deviceId (held
  // to 0..127), the settings and the fixed byte 60.
  static void buildGlobal(const ValueReader& value, int deviceId, uint8_t* dump);
  // Reads the settings of a dump of kGlobalLength or kShortGlobalLength bytes (otherwise nothing) into the
  // parameters.
  static void parseGlobal(const uint8_t* data, int size, const ValueWriter& write);

  // The multi settings and per-part fields (byte = a block byte), and the global settings.
  static const std::vector<Field>& multiFields();
  static const std::vector<Field>& partFields();
  static const std::vector<Field>& globalFields();

  // value truncated toward zero plus offset, held to 0..127.
  static uint8_t toByte(double value, int offset);
};
