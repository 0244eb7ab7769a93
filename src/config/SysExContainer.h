// SysExContainer: one record of the sysex template list (one "sysex" element).
#pragma once

#include "Values.h"

#include <string>
#include <vector>

// Held by value in UIConfigManager::sysexList; copies are deep. Filled at start-up, read-only after.
struct SysExContainer
{
  // One entry per plain "values" element, in document order.
  std::vector<Values> values;
  // One group per "values" element that holds "multivalue" elements; one Values per "multivalue".
  std::vector<std::vector<Values>> multiValues;
  // Set when the record has at least one multi-value group.
  bool hasMultiValues = false;

  // The record's message template: item 0 of values entry 0, hexadecimal bytes separated by
  // blanks. Empty when the record has no plain values entry or that entry has no text.
  std::string getTemplate() const;
};
