// The multi and global dump byte maps, built from and read back into the parameters.
#include "MultiDumpLayout.h"

#include "DumpTemplates.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "SysexProtocol.h"

#include <algorithm>

namespace
{
constexpr int kMaxByte = SysexProtocol::kDataMask;
constexpr uint8_t kBlank = 0x20;

// Bit of each flag-byte parameter.
struct FlagBit
{
  int bit;
  int param;
};
constexpr FlagBit kFlags1[] = {
    {0, kReceiveMIDI}, {1, kReceiveUSB}, {2, kReceiveLocal}, {6, kMultiPartStatus}};
constexpr FlagBit kFlags2[] = {{0, kReceivePitchBend}, {1, kReceiveModWheel}, {2, kReceivePressure},
                               {3, kReceiveSustain},   {4, kReceiveEdits},    {5, kReceiveProgramChange}};
// Flag byte 1 values 8..63 carry bits the synthesizer does not use here; 72 and more mute the part only.
constexpr int kFlags1LowEnd = 8;
constexpr int kFlags1StatusOnly = 72;
constexpr int kFlags1StatusBase = 64;
// Flag byte 2 values from 64 clear only edits and program change.
constexpr int kFlags2High = 64;

template <size_t N>
uint8_t packFlags(const FlagBit (&bits)[N], int part, const MultiDumpLayout::ValueReader& value)
{
  int flags = 0;
  for (const FlagBit& f : bits)
  {
    if (Korvid::truncatedValue(value(f.param + part)) != 1)
    {
      flags |= 1 << f.bit;
    }
  }
  return static_cast<uint8_t>(flags);
}

template <size_t N> void setAll(const FlagBit (&bits)[N], int part, const MultiDumpLayout::ValueWriter& write)
{
  for (const FlagBit& f : bits)
  {
    write(f.param + part, 1);
  }
}
} // namespace

uint8_t MultiDumpLayout::toByte(double value, int offset)
{
  const int v = Korvid::truncatedValue(value) + offset;
  return static_cast<uint8_t>(std::clamp(v, 0, kMaxByte));
}

const std::vector<MultiDumpLayout::Field>& MultiDumpLayout::multiFields()
{
  static const std::vector<Field> fields = {{kVolumeOffset, kMultiMasterVolume, 0},
                                            {kTempoOffset, kMultiTempo, 0}};
  return fields;
}

const std::vector<MultiDumpLayout::Field>& MultiDumpLayout::partFields()
{
  static const std::vector<Field> fields = {
      {kBlockLevel, kMultiPartLevel, 0},
      {kBlockPan, kMultiPartPanning, 0},
      {kBlockTranspose, kMultiPartTranspose, kTransposeOffset},
      {kBlockDetune, kMultiPartDetune, 0},
      {kBlockChannel, kMultiPartMIDICh, 0},
      {kBlockKeyLow, kMultiPartKeyLow, 0},
      {kBlockKeyHigh, kMultiPartKeyHigh, 0},
      {kBlockVelocityLow, kMultiPartVeloLow, kVelocityOffset},
      {kBlockVelocityHigh, kMultiPartVeloHigh, kVelocityOffset},
  };
  return fields;
}

const std::vector<MultiDumpLayout::Field>& MultiDumpLayout::globalFields()
{
  static const std::vector<Field> fields = {
      {39, kMultiPatch, 0},
      {41, kGlobalMidiChannel, 0},
      {42, kGlobalSysExID, 0},
      {45, kGlobalTuning, kTuningOffset},
      {46, kGlobalTranspose, kGlobalTransposeOffset},
      {49, kGlobalControlSend, 0},
      {50, kGlobalReceive, 0},
      {51, kGlobalTxProgramChange, 0},
      {53, kGlobalClock, 0},
      {55, kGlobalVelocityCurve, 0},
      {56, kGlobalControlW, 0},
      {57, kGlobalControlX, 0},
      {58, kGlobalControlY, 0},
      {59, kGlobalControlZ, 0},
      {kGlobalLocalControlOffset, kGlobalLocalControl, 0},
  };
  return fields;
}

uint8_t MultiDumpLayout::flagByte1(int part, const ValueReader& value)
{
  return packFlags(kFlags1, part, value);
}

uint8_t MultiDumpLayout::flagByte2(int part, const ValueReader& value)
{
  return packFlags(kFlags2, part, value);
}

void MultiDumpLayout::unpackFlags1(int flags, int part, const ValueWriter& write)
{
  setAll(kFlags1, part, write);
  if ((flags >= 0 && flags < kFlags1LowEnd) || (flags >= kFlags1StatusBase && flags < kFlags1StatusOnly))
  {
    for (const FlagBit& f : kFlags1)
    {
      if (flags & (1 << f.bit))
      {
        write(f.param + part, 0);
      }
    }
  }
  else if (flags >= kFlags1StatusOnly)
  {
    write(kMultiPartStatus + part, 0);
  }
}

void MultiDumpLayout::unpackFlags2(int flags, int part, const ValueWriter& write)
{
  setAll(kFlags2, part, write);
  if (flags >= 0 && flags < kFlags2High)
  {
    for (const FlagBit& f : kFlags2)
    {
      if (flags & (1 << f.bit))
      {
        write(f.param + part, 0);
      }
    }
  }
  else if (flags >= kFlags2High)
  {
    write(kReceiveEdits + part, 0);
    write(kReceiveProgramChange + part, 0);
  }
}

void MultiDumpLayout::buildMulti(const ValueReader& value, const std::vector<int>& bankTable,
                                 const std::vector<int>& programTable, const std::string& name, uint8_t* dump)
{
  const DumpTemplates::Multi& templ = DumpTemplates::multiTemplate();
  std::copy(templ.begin(), templ.end(), dump);
  dump[SysexProtocol::kDeviceIdOffset] = toByte(value(kGlobalSysExID), 0);
  for (const Field& f : multiFields())
  {
    dump[f.byte] = toByte(value(f.param), f.offset);
  }

  std::fill_n(dump + kNameOffset, kNameLength, kBlank);
  const size_t copied = std::min(name.size(), static_cast<size_t>(kNameLength));
  for (size_t i = 0; i < copied; ++i)
  {
    const auto c = static_cast<unsigned char>(name[i]);
    dump[kNameOffset + i] = c > kMaxByte ? kBlank : c;
  }

  for (int part = 0; part < kPartCount; ++part)
  {
    const auto entry = static_cast<size_t>(part);
    dump[partByte(part, kBlockBank)] = toByte(entry < bankTable.size() ? bankTable[entry] : 0, 0);
    dump[partByte(part, kBlockProgram)] = toByte(entry < programTable.size() ? programTable[entry] : 0, 0);
    for (const Field& f : partFields())
    {
      dump[partByte(part, f.byte)] = toByte(value(f.param + part), f.offset);
    }
    dump[partByte(part, kBlockFlags1)] = flagByte1(part, value);
    dump[partByte(part, kBlockFlags2)] = flagByte2(part, value);
  }
}

void MultiDumpLayout::parseMulti(const uint8_t* data, int size, const ValueWriter& write,
                                 std::vector<int>* bankTable, std::vector<int>* programTable)
{
  if (!data || size < kMultiLength)
  {
    return;
  }
  for (const Field& f : multiFields())
  {
    write(f.param, data[f.byte] - f.offset);
  }
  for (int part = 0; part < kPartCount; ++part)
  {
    const auto entry = static_cast<size_t>(part);
    const int bank = data[partByte(part, kBlockBank)];
    const int program = data[partByte(part, kBlockProgram)];
    write(kMultiPartBank + part, bank);
    write(kMultiPartPatch + part, program);
    if (bankTable && entry < bankTable->size())
    {
      (*bankTable)[entry] = bank;
    }
    if (programTable && entry < programTable->size())
    {
      (*programTable)[entry] = program;
    }
    for (const Field& f : partFields())
    {
      write(f.param + part, data[partByte(part, f.byte)] - f.offset);
    }
    unpackFlags1(data[partByte(part, kBlockFlags1)], part, write);
    unpackFlags2(data[partByte(part, kBlockFlags2)], part, write);
  }
}

void MultiDumpLayout::buildGlobal(const ValueReader& value, int deviceId, uint8_t* dump)
{
  const DumpTemplates::Global& templ = DumpTemplates::globalTemplate();
  std::copy(templ.begin(), templ.end(), dump);
  dump[SysexProtocol::kDeviceIdOffset] = toByte(deviceId, 0);
  for (const Field& f : globalFields())
  {
    dump[f.byte] = toByte(value(f.param), f.offset);
  }
  dump[kGlobalFixedByte] = kGlobalFixedValue;
}

void MultiDumpLayout::parseGlobal(const uint8_t* data, int size, const ValueWriter& write)
{
  if (!data || (size != kGlobalLength && size != kShortGlobalLength))
  {
    return;
  }
  for (const Field& f : globalFields())
  {
    write(f.param, data[f.byte] - f.offset);
  }
}
