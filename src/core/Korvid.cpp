// The plug-in class: construction on top of the framework.
#include "Korvid.h"

namespace
{
constexpr int kUniqueId = MakeFourCC("kv2w");
constexpr int kMakerId = MakeFourCC("Qvr4");
constexpr bool kDoesMidi = true;
constexpr bool kDoesChunks = true;
constexpr bool kIsInstrument = true;
constexpr int kSideChannels = 0;
} // namespace

Korvid::Korvid(IPlugInstanceInfo instanceInfo)
    : IPlugVST(instanceInfo, kNumParams, kChannelIO, kNumPresets, kEffectName, kProductName, kMakerName,
               kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks, kIsInstrument, kSideChannels)
{
  SetLatency(kLatency);
  initialize(instanceInfo, kHostParams, kNumParams, kChannelIO, kNumPresets, kEffectName, kProductName,
             kMakerName, kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks, kIsInstrument,
             kSideChannels);
  addNonAutomateParamCount(kNumParams);
}

Korvid::~Korvid() = default;
