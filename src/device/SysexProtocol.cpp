// The synthesizer's system-exclusive framing: requests, checksum and message recognition.
#include "SysexProtocol.h"

std::vector<uint8_t> SysexProtocol::soundEditBufferRequest(int deviceId, int part)
{
  return {kManufacturerId, kModelId, dataByte(deviceId), kSoundRequest, kEditBufferBank, dataByte(part)};
}

std::vector<uint8_t> SysexProtocol::storedSoundRequest(int deviceId, int bank, int program)
{
  return {kManufacturerId, kModelId, dataByte(deviceId), kSoundRequest, dataByte(bank), dataByte(program)};
}

std::vector<uint8_t> SysexProtocol::multiEditBufferRequest(int deviceId)
{
  return {kManufacturerId, kModelId, dataByte(deviceId), kMultiRequest, kEditBufferBank, 0x00};
}

std::vector<uint8_t> SysexProtocol::storedMultiRequest(int deviceId, int program)
{
  return {kManufacturerId, kModelId, dataByte(deviceId), kMultiRequest, 0x00, dataByte(program)};
}

std::vector<uint8_t> SysexProtocol::globalRequest(int deviceId)
{
  return {kManufacturerId, kModelId, dataByte(deviceId), kGlobalRequest};
}

namespace
{
// A request's type plus this is the type of the dump that answers it.
constexpr uint8_t kReplyTypeBit = 0x10;
// Fields of a packed reply: named at all, location named, type, bank, program.
constexpr uint32_t kReplyNamed = 1u << 25;
constexpr uint32_t kLocationNamed = 1u << 24;
constexpr int kReplyTypeShift = 16;
constexpr int kReplyBankShift = 8;
constexpr uint32_t kReplyByteMask = 0xFF;
// Body offsets of a request (no F0).
constexpr size_t kRequestTypeByte = SysexProtocol::kTypeOffset - 1;
constexpr size_t kRequestBankByte = SysexProtocol::kBankOffset - 1;
constexpr size_t kRequestProgramByte = SysexProtocol::kProgramOffset - 1;
} // namespace

uint32_t SysexProtocol::replyTo(const std::vector<uint8_t>& request)
{
  if (request.size() <= kRequestTypeByte)
  {
    return kAnyReply;
  }
  const uint8_t type = request[kRequestTypeByte];
  uint32_t reply = kReplyNamed | static_cast<uint32_t>(type | kReplyTypeBit) << kReplyTypeShift;
  // Sound and multi dumps carry the location their request named; a global dump has none.
  if ((type == kSoundRequest || type == kMultiRequest) && request.size() > kRequestProgramByte)
  {
    reply |= kLocationNamed | static_cast<uint32_t>(request[kRequestBankByte]) << kReplyBankShift |
             request[kRequestProgramByte];
  }
  return reply;
}

bool SysexProtocol::isReply(uint32_t reply, const uint8_t* data, int size)
{
  if (reply == kAnyReply)
  {
    return true;
  }
  const uint32_t type = (reply >> kReplyTypeShift) & kReplyByteMask;
  const bool whole = type == kSoundDump   ? isSoundDump(data, size)
                     : type == kMultiDump ? isMultiDump(data, size)
                                          : type == kGlobalDump && isGlobalDump(data, size);
  if (!whole || !(reply & kLocationNamed))
  {
    return whole;
  }
  return data[kBankOffset] == ((reply >> kReplyBankShift) & kReplyByteMask) &&
         data[kProgramOffset] == (reply & kReplyByteMask);
}

uint8_t SysexProtocol::checksum(const uint8_t* data, int size, int first, int last)
{
  if (!data || first < 0 || last >= size || first > last)
  {
    return 0;
  }
  unsigned sum = 0;
  for (int i = first; i <= last; ++i)
  {
    sum += data[i];
  }
  return static_cast<uint8_t>(sum & kDataMask);
}

bool SysexProtocol::writeChecksum(uint8_t* data, int size)
{
  if (!data || size < kChecksumRewriteLength)
  {
    return false;
  }
  if (data[0] == kSysexStart)
  {
    data[size - 2] = checksum(data, size, kChecksumFirstByte, size - 3);
  }
  else
  {
    data[size - 1] = checksum(data, size, kChecksumFirstByte - 1, size - 2);
  }
  return true;
}

bool SysexProtocol::dumpChecksumAccepted(const uint8_t* data, int size)
{
  if (!data || size < kChecksumFirstByte + 3)
  {
    return false;
  }
  const uint8_t stored = data[size - 2];
  return stored == kAlwaysAcceptedChecksum || stored == checksum(data, size, kChecksumFirstByte, size - 3);
}

bool SysexProtocol::isMessage(const uint8_t* data, int size, uint8_t type, int length)
{
  return data && size == length && size > kTypeOffset && data[0] == kSysexStart &&
         data[kManufacturerOffset] == kManufacturerId && data[kModelOffset] == kModelId &&
         data[kTypeOffset] == type && data[size - 1] == kSysexEnd;
}

bool SysexProtocol::isSoundDump(const uint8_t* data, int size)
{
  return isMessage(data, size, kSoundDump, kSoundDumpLength);
}

bool SysexProtocol::isMultiDump(const uint8_t* data, int size)
{
  return isMessage(data, size, kMultiDump, kMultiDumpLength);
}

bool SysexProtocol::isGlobalDump(const uint8_t* data, int size)
{
  return isMessage(data, size, kGlobalDump, kGlobalDumpLength) ||
         isMessage(data, size, kGlobalDump, kShortGlobalDumpLength);
}

bool SysexProtocol::isFramed(const uint8_t* data, int size)
{
  return data && size > kTypeOffset && data[0] == kSysexStart &&
         data[kManufacturerOffset] == kManufacturerId && data[kModelOffset] == kModelId &&
         data[size - 1] == kSysexEnd;
}

std::vector<uint8_t> SysexProtocol::parameterChange(int deviceId, const ParameterChange& change)
{
  return {kSysexStart,
          kManufacturerId,
          kModelId,
          dataByte(deviceId),
          dataByte(change.type),
          dataByte(change.location),
          dataByte(change.high),
          dataByte(change.low),
          dataByte(change.value),
          kSysexEnd};
}

bool SysexProtocol::parseParameterChange(const uint8_t* data, int size, ParameterChange& out)
{
  if ((size != kParameterChangeLength && size != kShortParameterChangeLength) || !isFramed(data, size))
  {
    return false;
  }
  for (int i = 1; i < size - 1; ++i)
  {
    if (data[i] > kDataMask)
    {
      return false;
    }
  }
  // The fields follow the device id in the long form and the model byte in the short one.
  const int first = size == kParameterChangeLength ? kTypeOffset : kDeviceIdOffset;
  ParameterChange change;
  change.type = data[first];
  change.location = data[first + 1];
  change.high = data[first + 2];
  change.low = data[first + 3];
  change.value = data[first + 4];
  if (change.location >= kLocationCount)
  {
    return false;
  }
  out = change;
  return true;
}
