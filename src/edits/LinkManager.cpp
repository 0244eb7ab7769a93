// LinkManager: the filter link between the two filters of a part and the general links between parameters.
#include "LinkManager.h"

#include "ControlAction.h"
#include "IControl.h"
#include "IParam.h"
#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace
{
constexpr int kPartCount = 16;
// The filter settings of all parts: kFilter1Cutoff + 0 to kFilter2PanAmount + 15, 23 blocks of 16.
constexpr int kFilterFirst = kFilter1Cutoff;
constexpr int kFilterLast = kFilter2PanAmount + kPartCount - 1;
// A filter 1 setting's filter 2 partner lies this many indices higher.
constexpr int kFilterPartnerDistance = kFilter2Cutoff - kFilter1Cutoff;
static_assert(kFilter2PanAmount - kFilter1PanAmount == kFilterPartnerDistance, "filter blocks pair up");
static_assert(kFilterLast == 943, "the filter link covers indices 576 to 943");

// Blocks that lie among the filter settings but follow only their general link.
constexpr bool isUnlinkedFilterBlock(int block)
{
  return block == kFilter1Type || block == kFilterRouting || block == kFilter2Type;
}

// Truncates toward zero like a cast to int, but without undefined results: not a number gives 0, values
// beyond the int range give its ends.
long long truncated(double v)
{
  if (std::isnan(v))
    return 0;
  if (v >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (v <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<long long>(v);
}

int toIntRange(long long v)
{
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// Marks the hand-over of a partner's change: the linked-update flag on, the device manager's send-suppress
// flag off (so the executor sends the partner's change like an edit made in the editor). The flags return
// to normal when the guard ends, also when the hand-over throws: the linked-update flag first (or at
// endHandOver), the send-suppress flag last.
class HandOver
{
public:
  explicit HandOver(Korvid& plug) : mPlug(plug)
  {
    mPlug.mLinkedUpdate = true;
    if (mPlug.mMIDIMessageManager != nullptr && mPlug.mMIDIMessageManager->sendSuppress.exchange(false))
      mRestoreSuppress = true;
  }
  ~HandOver()
  {
    endHandOver();
    if (mRestoreSuppress && mPlug.mMIDIMessageManager != nullptr)
      mPlug.mMIDIMessageManager->sendSuppress = true;
  }
  HandOver(const HandOver&) = delete;
  HandOver& operator=(const HandOver&) = delete;

  void endHandOver() { mPlug.mLinkedUpdate = false; }

private:
  Korvid& mPlug;
  bool mRestoreSuppress = false;
};
} // namespace

int LinkManager::filterPartner(int paramIdx)
{
  if (paramIdx < kFilterFirst || paramIdx > kFilterLast)
    return -1;
  const int part = (paramIdx - kFilterFirst) % kPartCount;
  const int block = paramIdx - part;
  if (isUnlinkedFilterBlock(block))
    return -1;
  return block < kFilterRouting ? paramIdx + kFilterPartnerDistance : paramIdx - kFilterPartnerDistance;
}

int LinkManager::filterLinkSwitch(int paramIdx)
{
  if (filterPartner(paramIdx) < 0)
    return -1;
  return kFilterLinkSwitch + (paramIdx - kFilterFirst) % kPartCount;
}

void LinkManager::controlLinker(Korvid* plug, ControlAction* action, LinkInfo link, int paramIdx,
                                int intValue, double /*value*/)
{
  if (plug == nullptr || action == nullptr)
    return;

  int target = link.linkedParam;
  int switchIdx = link.switchParam;
  const int partner = filterPartner(paramIdx);
  if (partner >= 0)
  {
    switchIdx = filterLinkSwitch(paramIdx);
    const IParam* filterSwitch = plug->GetParam(switchIdx);
    if (filterSwitch != nullptr && filterSwitch->Value() == 1.0)
    {
      target = partner;
    }
    else if (const IParam* partnerParam = plug->GetParam(partner))
    {
      // Link off: remember the distance the partner keeps once the link is switched on.
      action->linkOffset = toIntRange(truncated(partnerParam->Value()) - intValue);
    }
  }

  if (target < 0 || switchIdx < 0)
    return;
  const IParam* switchParam = plug->GetParam(switchIdx);
  IParam* targetParam = plug->GetParam(target);
  if (switchParam == nullptr || targetParam == nullptr || switchParam->Value() == 0.0)
    return;
  ControlAction* targetAction = targetParam->GetAction();
  if (targetAction == nullptr)
    return;

  // The partner stays on its side of the edited value, at the recorded distance.
  const long long distance = std::llabs(static_cast<long long>(action->linkOffset));
  const long long partnerValue = truncated(targetParam->Value());
  long long newValue = intValue;
  if (partnerValue < intValue)
    newValue -= distance;
  else if (partnerValue > intValue)
    newValue += distance;
  newValue = std::clamp<long long>(newValue, kLinkedValueMin, kLinkedValueMax);

  HandOver handOver(*plug);
  plug->processControlAction(targetAction, target, static_cast<double>(newValue));
  handOver.endHandOver();

  const std::vector<IControl*> controls = targetAction->boundControls;
  const double normalized = targetParam->GetNormalized();
  for (IControl* control : controls)
  {
    if (control != nullptr)
      control->SetValueFromPlug(normalized);
  }
}
