// SysExControlContainer: insertion and exact-match lookup over five levels.
#include "SysExControlContainer.h"

void SysExControlContainer::addToControlMap(const unsigned char* keyBytes, unsigned char group,
                                            IControl* control)
{
  if (keyBytes == nullptr)
    return;
  addToFiveKeyRegistry(controls, keyBytes[0], keyBytes[1], keyBytes[2], keyBytes[3], group, control);
}

IControl* SysExControlContainer::findControl(int key1, int key2, int key3, int key4, int group) const
{
  return findInFiveKeyRegistry(controls, key1, key2, key3, key4, group);
}
