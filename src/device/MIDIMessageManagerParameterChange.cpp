// Parameter changes from the synthesizer: effect parameters by effect type, the packed sound bytes and the
// registry lookup of every other address.
#include "MIDIMessageManager.h"

#include "ControlAction.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "SoundDumpLayout.h"

#include <array>
#include <cstddef>
#include <utility>

namespace
{
// Effect parameters: sound addresses 01 00 .. 01 1F, effect 2 from 01 10 on.
constexpr int kEffectHigh = 1;
constexpr int kLastEffectLow = 31;
constexpr int kFirstEffect2Low = 16;
constexpr int kAddressHighShift = 7;
// Effect types whose knobs are registered under their own group; effect 2's delays (6, 7) share group 6,
// its reverb (8) is group 7.
constexpr int kEffectTypesWithOwnGroup = 6;
constexpr int kDelayGroup = 6;
constexpr int kClockedDelayType = 7;
constexpr int kReverbType = 8;
constexpr int kReverbGroup = 7;
// Most values one packed byte writes (an arpeggiator step: five).
constexpr size_t kMostPackedValues = 8;

// The registry group of effect (1 or 2) with that type, or -1 when only group 0 applies.
int effectGroup(bool secondEffect, int type)
{
  if (type >= 0 && type < kEffectTypesWithOwnGroup)
  {
    return type;
  }
  if (!secondEffect)
  {
    return -1;
  }
  if (type == kDelayGroup || type == kClockedDelayType)
  {
    return kDelayGroup;
  }
  return type == kReverbType ? kReverbGroup : -1;
}

// The first control bound to the parameter, or null.
IControl* boundControl(const IParam* param)
{
  const ControlAction* action = param ? param->GetAction() : nullptr;
  return action && !action->boundControls.empty() ? action->boundControls.front() : nullptr;
}
} // namespace

IControl* MIDIMessageManager::effectControl(const SysexProtocol::ParameterChange& change)
{
  const bool secondEffect = change.low >= kFirstEffect2Low;
  const IParam* mode = plug->GetParam((secondEffect ? kEffect2Mode : kEffect1Mode) + change.location);
  const int group = effectGroup(secondEffect, mode ? mode->Int() : -1);
  IControl* control = nullptr;
  if (group >= 0)
  {
    control = plug->getSysexControl(change.type, change.location, change.high, change.low, group);
  }
  if (!control)
  {
    control = plug->getSysexControl(change.type, change.location, change.high, change.low, 0);
  }
  return control;
}

void MIDIMessageManager::getNormalControl(int type, int location, int high, int low, int value,
                                          bool fromDevice)
{
  IControl* control = plug->getSysexControl(type, location, high, low, 0);
  if (!control)
  {
    unhandled = true;
    return;
  }
  processSysExToUI(control, value, false, fromDevice);
}

void MIDIMessageManager::applyParameterChange(const uint8_t* data, int size)
{
  unhandled = false;
  refreshRequested = false;
  SysexProtocol::ParameterChange change;
  if (!SysexProtocol::parseParameterChange(data, size, change))
  {
    return;
  }
  if (change.type == SysexProtocol::kSoundParameterChange)
  {
    if (change.high == kEffectHigh && change.low <= kLastEffectLow)
    {
      // An address no control of any group stands for is left alone.
      processSysExToUI(effectControl(change), change.value, false, true);
      return;
    }
    // The sound index is the dump byte's position behind the header, so the dump's own rules unpack the
    // bytes that carry several parameters (unisono, envelope modes, arpeggiator steps) and the oscillators'
    // octave and semitone, whose controls take controllers only. The values are collected first: which road
    // they take depends on the kind of byte.
    const int dumpOffset =
        ((change.high << kAddressHighShift) | change.low) + SysexProtocol::kChecksumFirstByte;
    std::array<std::pair<int, double>, kMostPackedValues> values{};
    size_t count = 0;
    const SoundDumpLayout::PackedByte packed =
        SoundDumpLayout::parsePackedByte(dumpOffset, static_cast<uint8_t>(change.value), change.location,
                                         [&values, &count](int paramIdx, double value)
                                         {
                                           if (count < values.size())
                                           {
                                             values[count++] = {paramIdx, value};
                                           }
                                         });
    if (packed == SoundDumpLayout::PackedByte::Pitch)
    {
      // The road of the control's own controller, so the display names the change as for any other knob.
      if (count > 0)
      {
        processSysExToUI(boundControl(plug->GetParam(values[0].first)), static_cast<int>(values[0].second),
                         false, true);
      }
      return;
    }
    if (packed != SoundDumpLayout::PackedByte::None)
    {
      for (size_t i = 0; i < count; ++i)
      {
        setParameterFromDump(values[i].first, values[i].second);
      }
      if (packed == SoundDumpLayout::PackedByte::Envelope)
      {
        // The envelope mode decides which of its stages the page shows.
        plug->OnParamChange(kQuickTab);
      }
      return;
    }
  }
  getNormalControl(change.type, change.location, change.high, change.low, change.value, true);
}
