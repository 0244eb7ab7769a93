// Test support: the checks of the generated resources that need only the documents, the sysex templates,
// the image files and the parameter table. Each check returns one text per problem it finds.
#pragma once

#include "UiConfigModel.h"

#include <string>
#include <vector>

namespace resources_test
{

using Problems = std::vector<std::string>;

class ResourceChecks
{
public:
  // model: the loaded documents; resourcesDir: the folder whose img/ holds the skin images.
  ResourceChecks(const UiConfigModel& model, std::string resourcesDir);

  // Documents that the loader would cut (longer than its buffer, or holding a NUL before their end) or
  // that lack the generator banner.
  Problems documents() const;
  // Elements, types and number lists outside the walker's vocabulary: the walker would silently build
  // nothing for them, or read unset numbers.
  Problems vocabulary() const;
  // Parameter names that the table does not hold, and references outside the parameter space.
  Problems parameterNames() const;
  // Layers that the editor core and the page switch fetch by name.
  Problems namedLayers() const;
  // Pages 0-5 in root, sixteen part layers per sound page and the zone ids the page switch shows.
  Problems pageStructure() const;
  // The 44 lists the value display and the clock job read, at their sizes.
  Problems valueLists() const;
  // Menus whose list does not fit their bounds, or that have neither list nor display range.
  Problems menuLists() const;
  // Images named by the description or the editor core that are missing in a skin, and image files
  // whose size does not fit their frame count.
  Problems images() const;
  // Templates that are framed, not 8 bytes, carry a value above 127 or lie outside the list.
  Problems templates() const;
  // Sysex keys shared by different parameters outside one packed byte.
  Problems keyCollisions() const;
  // Parameters bound with a control kind their sending rule forbids.
  Problems sendingRules() const;
  // Dump parameters of any part without an element that gives them a range.
  Problems dumpRanges() const;
  // Sound parameters of a part that no visible control of the pages edits (range elements do not count;
  // effect 2's type-specific parameters are edited through part 1).
  Problems reachability() const;
  // Display parameters whose first control is not a display; menus of the editor core without their
  // display underneath; controls the editor core takes by parameter that are missing.
  Problems requiredControls() const;

  // Names of parameter controls, which the control display shows as the edit's first line, that repeat a
  // word ("Glide Glide") or are a parameter's name rather than words ("FX2ChorusDepth", "kMultiName").
  Problems displayNames() const;

  // Every check, in the order above.
  Problems all() const;

private:
  std::vector<const Control*> bindings(int paramIdx) const;
  const UiConfigModel& model_;
  std::string dir_;
};

// Index of a parameter name, -1 when it is not in the table.
int paramIndexOf(const std::string& name);

} // namespace resources_test
