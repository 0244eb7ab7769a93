// ControlIDMaps: the levels of the incoming-message registries, and the CC registry built from them.
#pragma once

#include <map>

class IControl;

// Each level holds one map ordered by ascending int key. The registries point at controls without owning
// them. Filled on the start-up thread, read-only afterwards (any thread may look up).
struct ccControlMap
{
  std::map<int, IControl*> controls;
};

struct controlID3
{
  std::map<int, ccControlMap> entries;
};

struct controlID2
{
  std::map<int, controlID3> entries;
};

struct controlID1
{
  std::map<int, controlID2> entries;
};

// The five-level registry of the sysex and NRPN containers.
using FiveKeyRegistry = std::map<int, controlID1>;

// Registers control under the five keys, outermost first; a control already there is replaced.
// Start-up thread only.
void addToFiveKeyRegistry(FiveKeyRegistry& registry, int key1, int key2, int key3, int key4, int key5,
                          IControl* control);
// The control registered under exactly these five keys, or null. Never inserts.
IControl* findInFiveKeyRegistry(const FiveKeyRegistry& registry, int key1, int key2, int key3, int key4,
                                int key5);

// The CC registry: channel key -> CC number -> key flag -> control.
using CCControlRegistry = std::map<int, controlID3>;

// Registers control under (channelKey, ccNumber, keyFlag); a control already there is replaced.
// Start-up thread only.
void addToCCControls(CCControlRegistry& registry, int channelKey, int ccNumber, int keyFlag,
                     IControl* control);
// The control registered under exactly these keys, or null. Never inserts.
IControl* findCCControl(const CCControlRegistry& registry, int channelKey, int ccNumber, int keyFlag);
