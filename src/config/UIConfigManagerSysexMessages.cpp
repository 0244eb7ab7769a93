// UIConfigManager: the prepared sysex messages of a control, its registry key and its effect group.
#include "UIConfigManager.h"

#include "ParamIndex.h"

#include <climits>
#include <utility>

namespace
{
constexpr int kPerPart = 16;

// A block of effect parameters: indices first .. end - 1 belong to group.
struct EffectBlock
{
  int first;
  int end;
  int group;
};

constexpr EffectBlock kEffectBlocks[] = {
    {kFX1ChorusSpeed, kFX1FlangerSpeed, 1},
    {kFX2ChorusSpeed, kFX2FlangerSpeed, 1},
    {kFX1FlangerSpeed, kFX1PhaserSpeed, 2},
    {kFX2FlangerSpeed, kFX2PhaserSpeed, 2},
    {kFX1PhaserSpeed, kFX1OverdriveDrive, 3},
    {kFX2PhaserSpeed, kFX2DelayLength, 3},
    {kFX1OverdriveDrive, kFX1TripleFXSampleHold, 4},
    {kFX2OverdriveDrive, kFX2TripleFXSampleHold, 4},
    {kFX1TripleFXSampleHold, kFX2ChorusSpeed, 5},
    {kFX2TripleFXSampleHold, kFX2ReverbHighPass, 5},
    {kFX2DelayLength, kFX2DelayLengthClock, 6},
    {kFX2DelaySpread, kFX2OverdriveDrive, 6},
    {kFX2ReverbHighPass, kFX2ReverbDamping + kPerPart, 7},
};

static_assert(kFX1ChorusSpeed == 3089 && kFX1FlangerSpeed == 3121 && kFX1PhaserSpeed == 3185 &&
                  kFX1OverdriveDrive == 3281 && kFX1TripleFXSampleHold == 3345 && kFX2ChorusSpeed == 3425,
              "effect 1 blocks moved");
static_assert(kFX2FlangerSpeed == 3457 && kFX2PhaserSpeed == 3521 && kFX2DelayLength == 3617 &&
                  kFX2DelayLengthClock == 3633 && kFX2DelaySpread == 3649 && kFX2OverdriveDrive == 3713 &&
                  kFX2TripleFXSampleHold == 3777 && kFX2ReverbHighPass == 3857 && kFX2ReverbDamping == 3953,
              "effect 2 blocks moved");

int hexDigit(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The leading hexadecimal number of token (0 when it has none), held at INT_MAX when it overflows.
int parseHexToken(const std::string& token)
{
  int value = 0;
  for (char c : token)
  {
    const int digit = hexDigit(c);
    if (digit < 0)
      break;
    if (value > (INT_MAX - digit) / 16)
      return INT_MAX;
    value = value * 16 + digit;
  }
  return value;
}
} // namespace

std::vector<int> UIConfigManager::convertStringSysextoVector(const std::string& text)
{
  std::vector<int> bytes;
  std::size_t pos = 0;
  while (pos < text.size())
  {
    const std::size_t begin = text.find_first_not_of(' ', pos);
    if (begin == std::string::npos)
      break;
    std::size_t end = text.find(' ', begin);
    if (end == std::string::npos)
      end = text.size();
    bytes.push_back(parseHexToken(text.substr(begin, end - begin)));
    pos = end;
  }
  return bytes;
}

bool UIConfigManager::calculateSysexWithChangingByte(std::string tmpl, int changingByte, int count,
                                                     ControlActionSysExMessage* out, int start, int part)
{
  using namespace SysexTemplateLayout;
  if (out == nullptr)
    return false;
  out->messages.clear();

  const SysexMessageBytes templateBytes = convertStringSysextoVector(tmpl);
  if (templateBytes.empty())
  {
    logDebug("CONFIG READER: SysEx template is empty, no messages made");
    return false;
  }
  const long long valuePos = static_cast<long long>(changingByte) - 1;
  const bool valueInside = valuePos >= 0 && valuePos < static_cast<long long>(templateBytes.size());
  // The part byte is the LL of the unframed layout, wherever the frame puts it.
  const std::size_t partPos = static_cast<std::size_t>(kPartOffset + frameShift(templateBytes));

  // Start -1 counts from the template's own value byte.
  int first = start;
  if (start == -1)
    first = valueInside ? templateBytes[static_cast<std::size_t>(valuePos)] : 0;

  if (first < 0 || first > kMaxValueByte)
  {
    logDebug("CONFIG READER: SysEx range rejected: first value " + std::to_string(first) +
             " does not fit a value byte (0..127), template " + tmpl);
    return false;
  }
  if (part < -1 || part > kMaxPart)
  {
    logDebug("CONFIG READER: SysEx range rejected: part " + std::to_string(part) + ", template " + tmpl);
    return false;
  }
  if (count > kMaxMessagesPerControl)
  {
    logDebug("CONFIG READER: SysEx range rejected: " + std::to_string(count) + " values, template " + tmpl);
    return false;
  }

  std::vector<SysexMessageBytes> messages;
  messages.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
  int value = first;
  for (int i = 0; i < count; ++i)
  {
    if (value == kValueWrap)
      value = 0;
    SysexMessageBytes message = templateBytes;
    if (part > 0 && partPos < message.size())
      message[partPos] = part;
    if (valueInside)
      message[static_cast<std::size_t>(valuePos)] = value;
    messages.push_back(std::move(message));
    ++value;
  }
  out->messages = std::move(messages);
  return true;
}

bool UIConfigManager::getSysexRegistryKey(const ControlActionSysExMessage& prepared, int changingByte,
                                          unsigned char keyBytes[SysexTemplateLayout::kKeyLength])
{
  using namespace SysexTemplateLayout;
  if (prepared.messages.empty() || keyBytes == nullptr)
    return false;
  const SysexMessageBytes& first = prepared.messages.front();
  const int shift = frameShift(first);
  const int offset = (changingByte - shift == kShortKeyChangingByte ? kShortKeyOffset : kKeyOffset) + shift;
  if (static_cast<std::size_t>(offset + kKeyLength) > first.size())
    return false;
  for (int i = 0; i < kKeyLength; ++i)
    keyBytes[i] = static_cast<unsigned char>(first[static_cast<std::size_t>(offset + i)] & 0xFF);
  return true;
}

int UIConfigManager::getEffectGroup(int paramIdx)
{
  for (const EffectBlock& block : kEffectBlocks)
  {
    if (paramIdx >= block.first && paramIdx < block.end)
      return block.group;
  }
  return 0;
}
