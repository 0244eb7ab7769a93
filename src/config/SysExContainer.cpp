// SysExContainer: one record of the sysex template list (one "sysex" element).
#include "SysExContainer.h"

std::string SysExContainer::getTemplate() const
{
  if (values.empty() || values.front().items.empty())
    return std::string();
  return values.front().items.front();
}
