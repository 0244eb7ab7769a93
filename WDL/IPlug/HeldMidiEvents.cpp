// Held host events: kept by kind, with the notes and pedals that sound followed per channel and key.
#include "HeldMidiEvents.h"

#include <algorithm>

namespace
{
constexpr int kPedal = HeldMidiEvents::kKeys;
using Effect = HeldMidiEvents::Effect;

Effect effectOf(const IMidiMsg& msg)
{
  return HeldMidiEvents::EffectOf(msg.mStatus, msg.mData1, msg.mData2);
}
} // namespace

bool HeldMidiEvents::EndsNoteOrPedal(const IMidiMsg& msg)
{
  const Effect effect = effectOf(msg);
  return effect == Effect::kEndsKey || effect == Effect::kLiftsPedal;
}

bool HeldMidiEvents::endsWhatSounds(const IMidiMsg& msg) const
{
  const int channel = msg.Channel();
  switch (effectOf(msg))
  {
  case Effect::kEndsKey:
    return holdOf(channel, msg.mData1);
  case Effect::kLiftsPedal:
    return holdOf(channel, kPedal);
  case Effect::kEndsKeys:
    for (int key = 0; key < kKeys; ++key)
    {
      if (holdOf(channel, key))
      {
        return true;
      }
    }
    return false;
  default:
    return false;
  }
}

void HeldMidiEvents::delivered(const IMidiMsg& msg)
{
  const int channel = msg.Channel();
  const Effect effect = effectOf(msg);
  switch (effect)
  {
  case Effect::kStartsKey:
  case Effect::kEndsKey:
    holdOf(channel, msg.mData1) = effect == Effect::kStartsKey;
    break;
  case Effect::kPressesPedal:
  case Effect::kLiftsPedal:
    holdOf(channel, kPedal) = effect == Effect::kPressesPedal;
    break;
  case Effect::kEndsKeys:
    for (int key = 0; key < kKeys; ++key)
    {
      holdOf(channel, key) = false;
    }
    break;
  case Effect::kNone:
    break;
  }
}

void HeldMidiEvents::hold(const IMidiMsg& msg)
{
  const bool ending = endsWhatSounds(msg);
  if (mCount < (ending ? kCapacity : kMaxHeldEvents))
  {
    mEvents[static_cast<size_t>(mCount++)] = msg;
    // Kept counts as gone out: its release is kept after it.
    delivered(msg);
    return;
  }
  // A dropped note-on leaves the key as it was: its note-off is then dropped too unless the key sounds.
  const Effect effect = effectOf(msg);
  std::atomic<int>& counter = ending                                                         ? mDroppedEndings
                              : (effect == Effect::kStartsKey || effect == Effect::kEndsKey) ? mDroppedNotes
                                                                                             : mDroppedOthers;
  counter.fetch_add(1, std::memory_order_relaxed);
}

void HeldMidiEvents::removeFirst(int n)
{
  if (n <= 0 || n > mCount)
  {
    return;
  }
  std::copy(mEvents.begin() + n, mEvents.begin() + mCount, mEvents.begin());
  mCount -= n;
}

HeldMidiEvents::Dropped HeldMidiEvents::takeDropped()
{
  Dropped dropped;
  dropped.notes = mDroppedNotes.exchange(0, std::memory_order_relaxed);
  dropped.endings = mDroppedEndings.exchange(0, std::memory_order_relaxed);
  dropped.others = mDroppedOthers.exchange(0, std::memory_order_relaxed);
  return dropped;
}
