// Values: one list of texts of the sysex template list.
#pragma once

#include <string>
#include <vector>

// The texts of one "values" (or "multivalue") element, in document order.
struct Values
{
  std::vector<std::string> items;
};
