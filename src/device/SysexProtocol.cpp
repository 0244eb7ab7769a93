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
  return isMessage(data, size, kGlobalDump, kGlobalDumpLength);
}
