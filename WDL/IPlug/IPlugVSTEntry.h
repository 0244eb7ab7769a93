// Creation of one plug-in instance for the exported VST 2 entry points.
#pragma once

#include "IPlugVST.h"

class WDL_Mutex;

// Makes a new plug-in object for the host callback given in info; may throw.
typedef IPlugVST* (*IPlugVSTFactory)(IPlugInstanceInfo info);

// Under the process-wide entry mutex: creates the plug-in with factory, fills its default presets and
// raises numPrograms to at least 1. Returns the effect record, or null when creation throws (the mutex is
// free again either way). Any host thread.
AEffect* IPlugVSTEntry(audioMasterCallback hostCallback, IPlugVSTFactory factory);

// The entry mutex; it serialises instance creation across host threads and lives until unload.
WDL_Mutex& IPlugVSTEntryMutex();
