// The plug-in class: one object per plug-in instance, built on the framework's VST 2 host interface.
#pragma once

#include "IPlugVST.h"

// Created by the entry point on the host's thread; destroyed by the host's effClose.
class Korvid : public IPlugVST
{
public:
  // Every parameter of the editor; none is shown to the host for automation.
  static constexpr int kNumParams = 8456;
  static constexpr int kHostParams = 0;
  static constexpr int kNumPresets = 0;
  static constexpr int kLatency = 128;
  static constexpr int kVersion = 0x010203;
  static constexpr const char* kChannelIO = "2-2";
  static constexpr const char* kEffectName = "Korvid Editor";
  static constexpr const char* kProductName = "";
  static constexpr const char* kMakerName = "Quillmarsh";

  // Runs the framework's two stages: identity first, then the parameters, channels and names.
  explicit Korvid(IPlugInstanceInfo instanceInfo);
  ~Korvid() override;
};
