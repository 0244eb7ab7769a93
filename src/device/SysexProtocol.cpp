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
