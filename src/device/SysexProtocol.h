// The synthesizer's system-exclusive framing: offsets, message types, lengths, checksum and requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Constants and stateless helpers of the wire format F0 3E 13 dev type ... F7. Any thread.
class SysexProtocol
{
public:
  // Framing bytes.
  static constexpr uint8_t kSysexStart = 0xF0;
  static constexpr uint8_t kSysexEnd = 0xF7;
  static constexpr uint8_t kManufacturerId = 0x3E;
  static constexpr uint8_t kModelId = 0x13;
  // Largest data byte: everything between F0 and F7 is 7-bit.
  static constexpr uint8_t kDataMask = 0x7F;

  // Offsets in a framed message (F0 at 0).
  static constexpr int kManufacturerOffset = 1;
  static constexpr int kModelOffset = 2;
  static constexpr int kDeviceIdOffset = 3;
  static constexpr int kTypeOffset = 4;
  static constexpr int kBankOffset = 5;
  static constexpr int kProgramOffset = 6;
  // First byte counted by the checksum (the first byte after bank and program).
  static constexpr int kChecksumFirstByte = 7;

  // Message types.
  static constexpr uint8_t kSoundRequest = 0x00;
  static constexpr uint8_t kMultiRequest = 0x01;
  static constexpr uint8_t kGlobalRequest = 0x04;
  static constexpr uint8_t kSoundDump = 0x10;
  static constexpr uint8_t kMultiDump = 0x11;
  static constexpr uint8_t kGlobalDump = 0x14;
  static constexpr uint8_t kSoundParameterChange = 0x20;
  static constexpr uint8_t kGlobalParameterChange = 0x24;

  // Framed lengths, F0 and F7 included.
  static constexpr int kSoundRequestLength = 8;
  static constexpr int kGlobalRequestLength = 6;
  static constexpr int kSoundDumpLength = 392;
  static constexpr int kMultiDumpLength = 425;
  static constexpr int kGlobalDumpLength = 80;
  // The global dump as the device's public format counts it (72 data bytes; its fields lie where they lie
  // in the 80-byte form).
  static constexpr int kShortGlobalDumpLength = 79;
  // Parameter change F0 3E 13 dev type location high low value F7, and the short form without the device
  // id byte.
  static constexpr int kParameterChangeLength = 10;
  static constexpr int kShortParameterChangeLength = 9;
  // Locations (parts) a parameter change addresses: 0..15.
  static constexpr int kLocationCount = 16;
  // Shortest message the sound parser reads (its last read byte is the category at 386).
  static constexpr int kSoundDumpMinimumLength = 390;
  // Messages of this length or more are dumps; shorter ones are parameter changes.
  static constexpr int kDumpThreshold = 60;
  // Messages of this length or more get their checksum rewritten before sending.
  static constexpr int kChecksumRewriteLength = 201;

  // Bank byte of the edit buffers (sound: program = part; multi: program 0).
  static constexpr uint8_t kEditBufferBank = 0x7F;
  static constexpr int kDeviceIdCount = 128;
  static constexpr int kPartCount = 16;
  static constexpr int kProgramCount = 128;
  static constexpr int kBankCount = 8;

  // Request bodies without F0 and F7 (6 bytes, 4 for the global request); every byte masked to 7 bits.
  static std::vector<uint8_t> soundEditBufferRequest(int deviceId, int part);
  static std::vector<uint8_t> storedSoundRequest(int deviceId, int bank, int program);
  static std::vector<uint8_t> multiEditBufferRequest(int deviceId);
  static std::vector<uint8_t> storedMultiRequest(int deviceId, int program);
  static std::vector<uint8_t> globalRequest(int deviceId);

  // The dump that answers request (a body above, without F0 and F7), packed for an atomic: its type and, for
  // a sound or multi, the bank and program the request named (a multi dump names its location as a sound
  // dump does: bank 0 and the program, or 7F 00 for the edit buffer). kAnyReply for a body that names no
  // reply.
  static uint32_t replyTo(const std::vector<uint8_t>& request);
  static constexpr uint32_t kAnyReply = 0;
  // True when the whole dump data (framed, size bytes) is the one reply (replyTo) names; any message for
  // kAnyReply.
  static bool isReply(uint32_t reply, const uint8_t* data, int size);

  // Low 7 bits of the sum of bytes first .. last (inclusive). Bytes outside size are not read; an
  // empty or inverted range gives 0.
  static uint8_t checksum(const uint8_t* data, int size, int first, int last);
  // The checksum rule of the send path for a message of size bytes: with F0 at byte 0 the sum of bytes
  // 7 .. size - 3 goes to size - 2; without it the sum of 6 .. size - 2 goes to size - 1. Messages
  // shorter than kChecksumRewriteLength are left as they are. Returns true when it wrote.
  static bool writeChecksum(uint8_t* data, int size);
  // The checksum byte of a framed dump (size - 2, over bytes 7 .. size - 3) is right, or 7F, which the
  // synthesizer always accepts. False for a message too short to hold one.
  static bool dumpChecksumAccepted(const uint8_t* data, int size);
  static constexpr uint8_t kAlwaysAcceptedChecksum = 0x7F;

  // The fields of a parameter change. The sound parameter of index i sits at high = i >> 7, low = i & 7F.
  struct ParameterChange
  {
    int type = 0;
    int location = 0;
    int high = 0;
    int low = 0;
    int value = 0;
  };
  // A parameter change of deviceId (framed, 10 bytes); each field masked to 7 bits.
  static std::vector<uint8_t> parameterChange(int deviceId, const ParameterChange& change);
  // True for a well-formed parameter change of the synthesizer: 10 bytes (or the 9-byte form without the
  // device id), F0 3E 13 at the start, F7 last, every byte between them 7-bit and a location below 16.
  // out takes the fields then; otherwise it is left alone.
  static bool parseParameterChange(const uint8_t* data, int size, ParameterChange& out);

  // True for a complete message of the synthesizer: size bytes exactly length, F0 3E 13 at 0..2, the
  // type at 4, F7 last. The device id is not examined.
  static bool isMessage(const uint8_t* data, int size, uint8_t type, int length);
  // isMessage for the three dumps; a global dump of either length.
  static bool isSoundDump(const uint8_t* data, int size);
  static bool isMultiDump(const uint8_t* data, int size);
  static bool isGlobalDump(const uint8_t* data, int size);
  // F0 3E 13 at the start and F7 last, of any length above the type byte: a message of the synthesizer,
  // whole or not.
  static bool isFramed(const uint8_t* data, int size);

  // value's low 7 bits as a data byte.
  static uint8_t dataByte(int value) { return static_cast<uint8_t>(value & kDataMask); }
};
