// A recording VST 2 host callback and a small plug-in class for the framework tests.
#pragma once

#include "IPlugVST.h"

#include <functional>
#include <string>
#include <vector>

// What the plug-in asked of the host; one instance per test (installed as the current host).
struct FakeHost
{
  struct Call
  {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
  };

  FakeHost();
  ~FakeHost();

  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt);
  int CountOf(VstInt32 opcode) const;

  std::vector<Call> calls;
  std::string productName = "Fake Host";
  VstIntPtr vendorVersion = 10203;
  bool answerTime = true;
  // The answer to audioMasterGetCurrentProcessLevel.
  VstIntPtr processLevel = 0;
  VstTimeInfo timeInfo{};
  // Copies of the events the plug-in sent (their first 32 bytes, and the sysex bytes).
  std::vector<VstEvent> events;
  std::vector<std::vector<unsigned char>> sysexBytes;
};

// A plug-in on the framework with switchable identity and recorders of what the framework calls.
class TestPlug : public IPlugVST
{
public:
  struct Setup
  {
    int hostParams = 0;
    int totalParams = 8;
    const char* channels = "2-2";
    int presets = 0;
    bool doesMidi = true;
    bool doesChunks = true;
    bool isInstrument = true;
    int latency = 128;
    int version = 0x010203;
  };

  explicit TestPlug(const Setup& setup);

  void OnParamChange(int idx) override;
  void OnParamChange2(int idx) override;
  void Reset() override;
  void OnActivate(bool active) override;
  void ProcessMidiMsg(IMidiMsg* msg, bool fromDevice) override;
  int UnserializeState(ByteChunk* chunk, int startPos) override;
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;

  std::vector<int> changes;
  std::vector<int> changes2;
  int resets = 0;
  std::vector<bool> activations;
  std::vector<IMidiMsg> midi;
  std::vector<bool> midiFromDevice;
  std::vector<int> readerStarts;
  // Replaces the state reader when set.
  std::function<int(ByteChunk*, int)> reader;
  // Thrown from ProcessDoubleReplacing when set.
  bool throwInProcess = false;
  int lastFrames = 0;

  // Calls the dispatcher of this plug-in's record.
  VstIntPtr Call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                 float opt = 0.0f)
  {
    return GetAEffect()->dispatcher(GetAEffect(), opcode, index, value, ptr, opt);
  }
};
