// The working record of names and an opaque data block that PatchManager is built on.
#pragma once

#include "IPlugStructs.h"

#include <string>
#include <vector>

// A plain record: the data block and the 35 name slots. Not shared between threads by itself;
// PatchManager guards its own.
class Patch
{
public:
  static constexpr int kNameCount = 35;
  static constexpr const char* kInitName = "INIT";

  // An empty data block and kNameCount names, each "INIT".
  Patch();

  // Opaque data block, carried as stored; grows in ByteChunk::kGrowth steps.
  ByteChunk mData;
  // The name slots; what each holds is PatchManager's.
  std::vector<std::string> mNames;
};
