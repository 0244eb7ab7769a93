// The working record of names and an opaque data block that PatchManager is built on.
#include "Patch.h"

Patch::Patch() : mNames(kNameCount, kInitName) {}
