// Held host events: kept by kind, with the notes and pedals that sound followed per channel and key.
#include "HeldMidiEvents.h"

#include <algorithm>

namespace
{
constexpr int kKeys = 128;
constexpr int kPedal = 128;
constexpr int kPedalDownFrom = 64;
// Controllers 124-127 (omni and mono/poly modes) end every note as all notes off does.
constexpr int kFirstModeEndingNotes = 124;

enum class Effect
{
  kNone,
  kStartsKey,
  kEndsKey,
  kPressesPedal,
  kLiftsPedal,
  kEndsKeys,
};

Effect effectOf(const IMidiMsg& msg)
{
  if (msg.mData1 >= kKeys)
  {
    return Effect::kNone;
  }
  switch (msg.StatusMsg())
  {
  case IMidiMsg::kNoteOn:
    return msg.mData2 > 0 ? Effect::kStartsKey : Effect::kEndsKey;
  case IMidiMsg::kNoteOff:
    return Effect::kEndsKey;
  case IMidiMsg::kControlChange:
    switch (msg.mData1)
    {
    case IMidiMsg::kSustainOnOff:
      return msg.mData2 >= kPedalDownFrom ? Effect::kPressesPedal : Effect::kLiftsPedal;
    case IMidiMsg::kResetAllControllers:
      return Effect::kLiftsPedal;
    case IMidiMsg::kAllSoundOff:
    case IMidiMsg::kAllNotesOff:
      return Effect::kEndsKeys;
    default:
      return msg.mData1 >= kFirstModeEndingNotes ? Effect::kEndsKeys : Effect::kNone;
    }
  default:
    return Effect::kNone;
  }
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
