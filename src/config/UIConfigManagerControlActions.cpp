// UIConfigManager: binding controls to their parameters' control actions, and links between parameters.
#include "UIConfigManager.h"

#include "IParam.h"
#include "IPlugBase.h"
#include "Korvid.h"

namespace
{
IParam* paramOf(Korvid* plug, int paramIdx)
{
  if (plug == nullptr)
    return nullptr;
  IPlugBase* base = plug;
  return base->GetParam(paramIdx);
}
} // namespace

ControlAction* UIConfigManager::bindControlAction(int paramIdx, ControlActionType type, IControl* control)
{
  IParam* param = paramOf(plug, paramIdx);
  if (param == nullptr)
    return nullptr;
  ControlAction* action = param->GetAction();
  if (action == nullptr)
  {
    controlActions.push_back(std::make_unique<ControlAction>(type));
    action = controlActions.back().get();
  }
  action->type = type;
  if (control != nullptr)
    action->boundControls.push_back(control);
  param->SetAction(action);
  return action;
}

void UIConfigManager::setControlLink(ControlAction* action, int paramIdx, LinkInfo link, int /*part*/)
{
  if (action == nullptr || link.linkedParam < 0 || link.switchParam < 0)
    return;
  action->link = link;

  // The indices are exact for every part (LinkInfo::forPart), so the partner is the named parameter itself
  // and the reverse link names paramIdx itself.
  IParam* target = paramOf(plug, link.linkedParam);
  if (target == nullptr)
    return;
  ControlAction* targetAction = target->GetAction();
  if (targetAction == nullptr)
  {
    controlActions.push_back(std::make_unique<ControlAction>(kActionSysexValue));
    targetAction = controlActions.back().get();
    target->SetAction(targetAction);
  }
  targetAction->link.linkedParam = paramIdx;
  targetAction->link.switchParam = link.switchParam;
  targetAction->link.extra = -1;
}
