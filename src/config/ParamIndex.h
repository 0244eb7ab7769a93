// Parameter indices of the plug-in and the table of their names, both generated from ParamTable.def.
#pragma once

#include <cstddef>

// Every named parameter index. A per-part parameter names the first index of a block of 16: the
// parameter of part p (0 to 15) is at name + p. Unscoped so that indices are plain ints everywhere.
enum ParamIndex : int
{
#define KORVID_PARAM(name, index, count) name = (index),
#include "ParamTable.def"
#undef KORVID_PARAM
};

// The number of parameters of the plug-in: indices 0 to 8455.
constexpr int kParamIndexCount = kDebugParts + 1;
static_assert(kParamIndexCount == 8456, "the parameter space holds 8456 indices");

// One line of the parameter table: name, first index and the count of indices it names
// (16 for a per-part block, 1 for a single parameter, 0 for a marker sharing another entry's index).
struct ParamTableEntry
{
  const char* name;
  int index;
  int count;
};

// The parameter table in index order; read-only, any thread.
inline constexpr ParamTableEntry kParamTable[] = {
#define KORVID_PARAM(name, index, count) {#name, (index), (count)},
#include "ParamTable.def"
#undef KORVID_PARAM
};

// Number of names the registry holds.
inline constexpr std::size_t kParamTableSize = sizeof(kParamTable) / sizeof(kParamTable[0]);
static_assert(kParamTableSize == 639, "the parameter table names 639 entries");

namespace ParamTableCheck
{
// True when the entries ascend by index, no block overlaps the next one and every block stays
// inside the parameter space.
constexpr bool ascendingWithoutOverlap()
{
  int nextFree = 0;
  for (std::size_t i = 0; i < kParamTableSize; ++i)
  {
    const ParamTableEntry& e = kParamTable[i];
    if (e.count != 0 && e.count != 1 && e.count != 16)
      return false;
    if (e.index + e.count > kParamIndexCount)
      return false;
    if (e.count == 0)
      continue;
    if (e.index < nextFree)
      return false;
    nextFree = e.index + e.count;
  }
  return true;
}
} // namespace ParamTableCheck

static_assert(ParamTableCheck::ascendingWithoutOverlap(),
              "parameter table entries must ascend and must not overlap");

// Parts of a per-part block of parameters.
constexpr int kParamPartCount = 16;

// The part (0 to 15) of paramIdx within the per-part block starting at base, or -1 outside it.
constexpr int partOf(int paramIdx, int base)
{
  return paramIdx >= base && paramIdx < base + kParamPartCount ? paramIdx - base : -1;
}
