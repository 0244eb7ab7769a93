// ControlActionSysExMessage: the prepared sysex messages of one control, and the layout of those messages.
#pragma once

#include <vector>

// One message: one int per byte, in sending order.
using SysexMessageBytes = std::vector<int>;

// Filled by UIConfigManager::calculateSysexWithChangingByte and copied into the parameter's ControlAction
// (ControlAction::takeMessages). Start-up thread only.
struct ControlActionSysExMessage
{
  // When set, every message of messagesPerValue[value] is sent instead of one message.
  bool multiMessage = false;
  // Entry k is the message for the k-th value of the control's range.
  std::vector<SysexMessageBytes> messages;
  std::vector<std::vector<SysexMessageBytes>> messagesPerValue;
};

// Byte positions of a parameter-change template as the resources hold it, without the F0 ... F7 frame:
// "3E 13 dev 20 LL HH PP XX" (XX the value, LL the part). A framed template (first byte F0) holds every
// position one byte further on.
namespace SysexTemplateLayout
{
constexpr int kFrameStart = 0xF0;
constexpr int kDeviceIdOffset = 2;
constexpr int kPartOffset = 4;
// Registry keys: four bytes from kKeyOffset, or from kShortKeyOffset when the value sits at the (1-based,
// unframed) position kShortKeyChangingByte.
constexpr int kKeyLength = 4;
constexpr int kKeyOffset = 3;
constexpr int kShortKeyOffset = 2;
constexpr int kShortKeyChangingByte = 7;
// A value byte carries 0 to kMaxValueByte; the running value wraps to 0 when it reaches kValueWrap.
constexpr int kMaxValueByte = 127;
constexpr int kValueWrap = 128;
// The largest part index the part byte carries.
constexpr int kMaxPart = 15;

// 1 for a framed message (first byte F0), else 0: the amount every position above moves.
inline int frameShift(const SysexMessageBytes& message)
{
  return !message.empty() && message.front() == kFrameStart ? 1 : 0;
}
} // namespace SysexTemplateLayout
