// The 392-byte sound dump: which parameter of a part each byte carries, built and read back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The byte map of one sound, shared by the dump builder and the dump parser. Stateless; any thread.
// Parameter indices are per-part bases; the part is added by build and parse.
class SoundDumpLayout
{
public:
  static constexpr int kDumpLength = 392;
  // Name: 16 characters at 370..385; category code at 386; checksum at 390.
  static constexpr int kNameOffset = 370;
  static constexpr int kNameLength = 16;
  static constexpr int kCategoryOffset = 386;
  static constexpr int kChecksumOffset = 390;
  // Range of the parameter bytes that build writes and parse reads.
  static constexpr int kFirstParameterByte = 8;
  static constexpr int kLastParameterByte = 365;
  // Number of category codes with a text.
  static constexpr int kCategoryCount = 13;
  static constexpr uint8_t kBlank = 0x20;

  using Dump = std::array<uint8_t, kDumpLength>;
  // The current value of a parameter index (already + part).
  using ValueReader = std::function<double(int paramIdx)>;
  // Stores a plain value (in the parameter's own units) into a parameter index (already + part).
  using ValueWriter = std::function<void(int paramIdx, double value)>;

  // The constant sound template: F0 3E 13 00 10 7F 00, a default sound, 16 blanks as name, category 0,
  // checksum 7F, F7.
  static const Dump& soundTemplate();

  // Writes bytes 8..365 of dump from part's parameters (0..15); every byte is masked to 7 bits. Bytes
  // the map leaves unassigned are not touched.
  static void buildParameters(int part, const ValueReader& value, uint8_t* dump);

  // One value read from a dump: a parameter index (already + part) and its plain value.
  struct ParsedValue
  {
    int paramIdx;
    int value;
  };

  // Reads bytes 8..365, in increasing order, of a dump of at least kSoundDumpMinimumLength bytes into
  // part's parameters, skipping the bytes of every section whose lock value (read through lockValue, + part)
  // is exactly 1. Locks are read once, before anything is written.
  static void parseParameters(const uint8_t* dump, int part, const ValueReader& lockValue,
                              const ValueWriter& write);
  // The same reading as a list of the values in the order they would be written (a parameter that two
  // bytes set appears twice; the later value is the one that counts). values is replaced.
  static void parseParameters(const uint8_t* dump, int part, const ValueReader& lockValue,
                              std::vector<ParsedValue>& values);

  // The bytes that carry more than one parameter, and those that store their parameter with an offset and
  // have no sysex control of their own.
  enum class PackedByte
  {
    None,     // not a packed byte
    Unisono,  // unisono and mono/poly
    Envelope, // an envelope's mode and trigger
    ArpStep,  // an arpeggiator step's type, glide and accent, or its length and timing
    Pitch     // an oscillator's octave or semitone
  };
  // Reads value as the packed or pitch byte at offset of a dump into part's (0..15) parameters, in the order
  // parseParameters does, and says which kind it was; any other offset writes nothing (None).
  static PackedByte parsePackedByte(int offset, uint8_t value, int part, const ValueWriter& write);

  // After the samples switch of oscillator 1 or 2 moved (samplesSwitch: kOsc1UseSampleMemory or
  // kOsc2UseSampleMemory + part, read through value as it stands now): the shape byte the synthesizer
  // holds, built with the switch as it stood before, read back into the oscillator's sample, shape and
  // wavetable as a dump sets them. Any other parameter writes nothing.
  static void keepShapeByte(int samplesSwitch, const ValueReader& value, const ValueWriter& write);

  // The category text of code c ("Init" .. "Seq"), or "" outside 0..12.
  static const char* categoryText(int code);

  // Bytes the map leaves to the template (fixed bytes) within 7..369, for round-trip checks.
  static bool isFixedByte(int offset);
};
