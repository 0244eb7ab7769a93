// The synthesizer's controller chart as a lookup from controller number to parameter, generated from
// ControllerTable.def.
#pragma once

#include "ParamIndex.h"

#include <array>
#include <cstddef>

namespace ControllerTable
{
// Controller numbers are data bytes.
constexpr int kControllerCount = 128;
// A parameter block of the chart holds one index per part.
constexpr int kParts = 16;

namespace detail
{
constexpr std::array<int, kControllerCount> build()
{
  std::array<int, kControllerCount> params{};
  for (int& param : params)
    param = -1;
#define KORVID_CONTROLLER(cc, name) params[(cc)] = (name);
#include "ControllerTable.def"
#undef KORVID_CONTROLLER
  return params;
}
} // namespace detail

// By controller number: the first index (part 0) of the parameter block it moves, or -1.
inline constexpr std::array<int, kControllerCount> kParamOfController = detail::build();

// The parameter that controller cc moves in a part (0 to 15), or -1 when the chart has none there.
constexpr int paramOf(int cc, int part)
{
  if (cc < 0 || cc >= kControllerCount || part < 0 || part >= kParts)
    return -1;
  const int first = kParamOfController[static_cast<std::size_t>(cc)];
  return first < 0 ? -1 : first + part;
}
} // namespace ControllerTable
