// A recording VST 2 host callback and a small plug-in class for the framework tests.
#include "FakeHost.h"

#include <cstring>
#include <stdexcept>

namespace
{
FakeHost* sCurrent = nullptr;

constexpr VstInt32 kGetTime = 7;
constexpr VstInt32 kProcessEvents = 8;
constexpr VstInt32 kGetCurrentProcessLevel = 23;
constexpr VstInt32 kGetProductString = 33;
constexpr VstInt32 kGetVendorVersion = 34;
constexpr VstInt32 kSysExType = 6;
} // namespace

FakeHost::FakeHost()
{
  sCurrent = this;
}

FakeHost::~FakeHost()
{
  sCurrent = nullptr;
}

int FakeHost::CountOf(VstInt32 opcode) const
{
  int n = 0;
  for (const Call& call : calls)
  {
    n += call.opcode == opcode ? 1 : 0;
  }
  return n;
}

VstIntPtr FakeHost::Callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  FakeHost* host = sCurrent;
  if (!host)
  {
    return 0;
  }
  host->calls.push_back({opcode, index, value, opt});
  switch (opcode)
  {
  case kGetTime:
    return host->answerTime ? reinterpret_cast<VstIntPtr>(&host->timeInfo) : 0;
  case kProcessEvents:
  {
    VstEvents* list = static_cast<VstEvents*>(ptr);
    for (int i = 0; list && i < list->numEvents; ++i)
    {
      VstEvent* event = VstEventPointers(list)[i];
      host->events.push_back(*event);
      if (event->type == kSysExType)
      {
        const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(sysex->sysexDump);
        host->sysexBytes.emplace_back(bytes, bytes + sysex->dumpBytes);
      }
    }
    return 1;
  }
  case kGetCurrentProcessLevel:
    return host->processLevel;
  case kGetProductString:
    std::strncpy(static_cast<char*>(ptr), host->productName.c_str(), 255);
    return 1;
  case kGetVendorVersion:
    return host->vendorVersion;
  default:
    return 0;
  }
}

TestPlug::TestPlug(const Setup& setup)
    : IPlugVST(IPlugInstanceInfo{&FakeHost::Callback}, setup.totalParams, setup.channels, setup.presets,
               "Test Effect", "Test Product", "Test Maker", setup.version, MakeFourCC("tst1"),
               MakeFourCC("Mkr1"), setup.latency, setup.doesMidi, setup.doesChunks, setup.isInstrument, 0)
{
  initialize(IPlugInstanceInfo{&FakeHost::Callback}, setup.hostParams, setup.totalParams, setup.channels,
             setup.presets, "Test Effect", "Test Product", "Test Maker", setup.version, MakeFourCC("tst1"),
             MakeFourCC("Mkr1"), setup.latency, setup.doesMidi, setup.doesChunks, setup.isInstrument, 0);
}

void TestPlug::OnParamChange(int idx)
{
  changes.push_back(idx);
}

void TestPlug::OnParamChange2(int idx)
{
  changes2.push_back(idx);
}

void TestPlug::Reset()
{
  ++resets;
}

void TestPlug::OnActivate(bool active)
{
  activations.push_back(active);
}

void TestPlug::ProcessMidiMsg(IMidiMsg* msg, bool fromDevice)
{
  midi.push_back(*msg);
  midiFromDevice.push_back(fromDevice);
}

int TestPlug::UnserializeState(ByteChunk* chunk, int startPos)
{
  readerStarts.push_back(startPos);
  if (reader)
  {
    return reader(chunk, startPos);
  }
  return IPlugVST::UnserializeState(chunk, startPos);
}

void TestPlug::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
  lastFrames = nFrames;
  if (throwInProcess)
  {
    throw std::runtime_error("process failed");
  }
  IPlugVST::ProcessDoubleReplacing(inputs, outputs, nFrames);
}
