// ControlAction: the prepared messages of a parameter and their lookup by value.
#include "ControlAction.h"

#include <utility>

void ControlAction::takeMessages(const ControlActionSysExMessage& prepared, int firstValue)
{
  multiMessage = prepared.multiMessage;
  messages = prepared.messages;
  messagesPerValue = prepared.messagesPerValue;
  firstMessageValue = firstValue;
}

void ControlAction::takeMessages(ControlActionSysExMessage&& prepared, int firstValue)
{
  multiMessage = prepared.multiMessage;
  messages = std::move(prepared.messages);
  messagesPerValue = std::move(prepared.messagesPerValue);
  firstMessageValue = firstValue;
}

const SysexMessageBytes* ControlAction::messageForValue(int value) const
{
  // Widened so that a value far below firstMessageValue cannot overflow.
  const long long entry = static_cast<long long>(value) - firstMessageValue;
  if (entry < 0 || entry >= static_cast<long long>(messages.size()))
    return nullptr;
  return &messages[static_cast<std::size_t>(entry)];
}

const std::vector<SysexMessageBytes>* ControlAction::messagesForValue(int value) const
{
  const long long entry = static_cast<long long>(value) - firstMessageValue;
  if (entry < 0 || entry >= static_cast<long long>(messagesPerValue.size()))
    return nullptr;
  return &messagesPerValue[static_cast<std::size_t>(entry)];
}
