// ControlIDMaps: insertion into and exact-match lookup in the registries.
#include "ControlIDMaps.h"

void addToCCControls(CCControlRegistry& registry, int channelKey, int ccNumber, int keyFlag,
                     IControl* control)
{
  registry[channelKey].entries[ccNumber].controls[keyFlag] = control;
}

IControl* findCCControl(const CCControlRegistry& registry, int channelKey, int ccNumber, int keyFlag)
{
  const auto channel = registry.find(channelKey);
  if (channel == registry.end())
    return nullptr;
  const auto cc = channel->second.entries.find(ccNumber);
  if (cc == channel->second.entries.end())
    return nullptr;
  const auto flag = cc->second.controls.find(keyFlag);
  return flag == cc->second.controls.end() ? nullptr : flag->second;
}

void addToFiveKeyRegistry(FiveKeyRegistry& registry, int key1, int key2, int key3, int key4, int key5,
                          IControl* control)
{
  registry[key1].entries[key2].entries[key3].entries[key4].controls[key5] = control;
}

IControl* findInFiveKeyRegistry(const FiveKeyRegistry& registry, int key1, int key2, int key3, int key4,
                                int key5)
{
  const auto level1 = registry.find(key1);
  if (level1 == registry.end())
    return nullptr;
  const auto level2 = level1->second.entries.find(key2);
  if (level2 == level1->second.entries.end())
    return nullptr;
  const auto level3 = level2->second.entries.find(key3);
  if (level3 == level2->second.entries.end())
    return nullptr;
  const auto level4 = level3->second.entries.find(key4);
  if (level4 == level3->second.entries.end())
    return nullptr;
  const auto last = level4->second.controls.find(key5);
  return last == level4->second.controls.end() ? nullptr : last->second;
}
