// The host's MIDI events that blocks could not hand to the plug-in, kept for the next block that can, and
// which notes sound, so that an event that cannot be kept never leaves a note hanging.
#pragma once

#include "IPlugMidi.h"

#include <array>
#include <atomic>
#include <cstdint>

// Audio thread only, except takeDropped. No allocation after construction.
class HeldMidiEvents
{
public:
  // Events of every kind are kept while fewer than this are held.
  static constexpr int kMaxHeldEvents = 256;
  static constexpr int kChannels = 16;
  static constexpr int kKeys = 128;
  // Per channel: the kKeys keys, then the sustain pedal.
  static constexpr int kHoldsPerChannel = kKeys + 1;
  // Beyond kMaxHeldEvents only releases are kept, each ending a hold that sounded when holding began (at
  // most kChannels * kHoldsPerChannel) or that one of the first kMaxHeldEvents started: all of them fit.
  static constexpr int kCapacity = 2 * kMaxHeldEvents + kChannels * kHoldsPerChannel;

  // Events dropped since the last takeDropped, by kind.
  struct Dropped
  {
    int notes = 0;   // note-ons, and note-offs of notes that do not sound
    int endings = 0; // note-offs and pedal or channel releases of what sounds (kCapacity makes this 0)
    int others = 0;  // controllers, program changes, pressure, pitch bend
  };

  // What a channel message does to the keys and the pedal of its channel.
  enum class Effect
  {
    kNone,
    kStartsKey,
    kEndsKey,
    kPressesPedal,
    kLiftsPedal,
    // All notes or sounds off, or a mode change (controllers 124-127), which ends every note too.
    kEndsKeys,
  };
  // Of the raw bytes (status and the two data bytes); inline, so that clients without the framework
  // library (the JACK output's process thread) use it too.
  static Effect EffectOf(uint8_t status, uint8_t data1, uint8_t data2);
  // Whether msg ends a note or lifts the pedal (whether or not it sounds).
  static bool EndsNoteOrPedal(const IMidiMsg& msg);
  // An event handed to the plug-in: follows the notes and pedals it starts or ends.
  void delivered(const IMidiMsg& msg);
  // Keeps msg for the next delivery, or drops and counts it when the store is full for its kind: an event
  // that ends a note, pedal or channel that sounds is kept beyond kMaxHeldEvents.
  void hold(const IMidiMsg& msg);
  int size() const { return mCount; }
  // The i-th held event, 0 <= i < size(), in the order held.
  const IMidiMsg& at(int i) const { return mEvents[static_cast<size_t>(i)]; }
  void clear() { mCount = 0; }
  // Forgets the first n held events (0 <= n <= size()); the rest keep their order.
  void removeFirst(int n);
  // The drops since the last call, and resets them. Any thread.
  Dropped takeDropped();

private:
  // Whether msg releases something that sounds now (a note-off of a sounding key, the pedal lifted while
  // down, all notes or sound off or a controller reset on a channel where something sounds).
  bool endsWhatSounds(const IMidiMsg& msg) const;
  bool& holdOf(int channel, int index)
  {
    return mSounding[static_cast<size_t>(channel * kHoldsPerChannel + index)];
  }
  bool holdOf(int channel, int index) const
  {
    return mSounding[static_cast<size_t>(channel * kHoldsPerChannel + index)];
  }

  std::array<IMidiMsg, kCapacity> mEvents{};
  int mCount = 0;
  // A note-on or pedal press delivered or kept, not yet followed by its release.
  std::array<bool, kChannels * kHoldsPerChannel> mSounding{};
  std::atomic<int> mDroppedNotes{0};
  std::atomic<int> mDroppedEndings{0};
  std::atomic<int> mDroppedOthers{0};
};

inline HeldMidiEvents::Effect HeldMidiEvents::EffectOf(uint8_t status, uint8_t data1, uint8_t data2)
{
  constexpr int kPedalDownFrom = 64;
  constexpr int kFirstModeEndingNotes = 124;
  if (data1 >= kKeys)
  {
    return Effect::kNone;
  }
  switch (status >> 4)
  {
  case IMidiMsg::kNoteOn:
    return data2 > 0 ? Effect::kStartsKey : Effect::kEndsKey;
  case IMidiMsg::kNoteOff:
    return Effect::kEndsKey;
  case IMidiMsg::kControlChange:
    switch (data1)
    {
    case IMidiMsg::kSustainOnOff:
      return data2 >= kPedalDownFrom ? Effect::kPressesPedal : Effect::kLiftsPedal;
    case IMidiMsg::kResetAllControllers:
      return Effect::kLiftsPedal;
    case IMidiMsg::kAllSoundOff:
    case IMidiMsg::kAllNotesOff:
      return Effect::kEndsKeys;
    default:
      return data1 >= kFirstModeEndingNotes ? Effect::kEndsKeys : Effect::kNone;
    }
  default:
    return Effect::kNone;
  }
}
