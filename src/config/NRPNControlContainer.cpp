// NRPNControlContainer: insertion and exact-match lookup over five levels.
#include "NRPNControlContainer.h"

#include "ControlAction.h"

void NRPNControlContainer::addToControlMap(const ControlAction* action, IControl* control)
{
  if (action == nullptr)
    return;
  addToFiveKeyRegistry(controls, action->channelKey, action->keyInt2, action->keyInt3, action->keyInt4,
                       action->keyFlag, control);
}

IControl* NRPNControlContainer::findControl(int channel, int key2, int key3, int key4, int flag) const
{
  return findInFiveKeyRegistry(controls, channel, key2, key3, key4, flag);
}
