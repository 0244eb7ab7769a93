// Test support: what the editor looks up in its resources (layer names, value lists, parameters it takes by
// index, sending rules, packed bytes), shared by the checks of the documents and of the built editor.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace resources_test
{

// "name" followed by n in two digits ("bankAndProgram" 1 -> "bankAndProgram01").
std::string twoDigitName(const std::string& name, int n);

// Layers that the editor core and the page switch fetch by name.
const std::vector<std::string>& namedLayerNames();

// The lists that the value display and the clock job read, with the number of texts each must hold.
const std::map<std::string, size_t>& valueListSizes();

// Zone sub-layer ids that the page switch shows inside every part layer of sound pages 2 to 5, by page.
const std::map<int, std::vector<int>>& pageZones();

// Parameters whose first bound control the editor core keeps and writes into.
const std::vector<std::string>& keptFirstControls();
// Of those, the ones whose first control must be a text display.
const std::vector<std::string>& displayParameters();

// Parameter index -> family id, for the parameters that share one packed byte of the sound data (and so
// one sysex address) with the other members of their family in the same part.
const std::map<int, int>& packedFamilies();

// Every parameter index a sound or multi dump carries, with its name ("kNoiseColour of part 16"): the
// parameter table's per-part blocks for all sixteen parts, and the global settings once.
const std::vector<std::pair<int, std::string>>& dumpParameters();

// How an edit of a parameter reaches the synthesizer.
enum class SendKind
{
  None,        // nothing is sent
  CcValue,     // controller change with the value
  CcButton,    // controller change with an off or on value
  MsbLsb,      // NRPN address
  SysexValue,  // one parameter change per value
  SysexButton, // one of two parameter changes
};

// A sending rule: the parameters first .. first + count - 1 must send in one of the allowed ways.
struct SendingRule
{
  std::string what;
  int first;
  int count;
  std::set<SendKind> allowed;
};
const std::vector<SendingRule>& sendingRules();

} // namespace resources_test
