// Test support: the checks of the resources that look at the editor the walker built from them (layers,
// control actions, prepared sysex messages, registries, parameters, loaded skin bitmaps) rather than at the
// documents. Each check returns one text per problem it finds.
#pragma once

#include "BuiltEditor.h"
#include "ResourceChecks.h"

namespace resources_test
{

class BuiltEditorChecks
{
public:
  // editor: a built editor (not owned; outlives the checks).
  explicit BuiltEditorChecks(BuiltEditor& editor);

  // Resource errors and every walker log line but the progress lines: unknown parameter names, malformed
  // attributes, unknown elements, types or value lists, menus that build nothing, missing images.
  Problems log() const;
  // Layers the editor core and the page switch fetch by name, the pages in root and the zones of the parts.
  Problems layers() const;
  // The lists the editor reads, at their sizes; menus whose list does not hold a text per entry.
  Problems lists() const;
  // Images the description or the editor core names that did not load, and loaded bitmaps whose size does
  // not fit their frame count at this size factor.
  Problems images() const;
  // Parameters whose first control the editor core keeps, without one or of the wrong kind.
  Problems requiredControls() const;
  // Prepared messages that are framed, not 8 bytes or carry a value above 127.
  Problems templates() const;
  // Parameters whose controls the sysex registry lost to another parameter's control with the same key,
  // outside one packed byte.
  Problems keyCollisions() const;
  // Parameters whose control action sends in a way their sending rule forbids.
  Problems sendingRules() const;
  // Dump parameters that no factory gave a range.
  Problems dumpRanges() const;

  // Every check, in the order above.
  Problems all() const;

private:
  BuiltEditor& editor_;
};

} // namespace resources_test
