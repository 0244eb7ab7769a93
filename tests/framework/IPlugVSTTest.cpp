// The VST 2 side: effect record, dispatcher opcodes, state chunks, events, host calls and passes.
#include "FakeHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace
{
// Dispatcher opcodes used here.
constexpr VstInt32 effBeyondTable = 70;

VstIntPtr canDo(TestPlug& plug, const char* what)
{
  std::vector<char> text(what, what + std::strlen(what) + 1);
  return plug.Call(effCanDo, 0, 0, text.data());
}

// A plug-in whose state reader throws, to show that nothing escapes into the host.
class ThrowingPlug : public TestPlug
{
public:
  ThrowingPlug() : TestPlug(Setup()) {}
  int UnserializeState(ByteChunk*, int) override { throw std::runtime_error("bad state"); }
};
} // namespace

TEST(IPlugVSTTest, EffectRecordOfAStereoInstrument)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  const AEffect* e = plug.GetAEffect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numParams, 0);
  EXPECT_EQ(e->numPrograms, 0);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->initialDelay, 128);
  EXPECT_EQ(e->flags, 0x1130);
  EXPECT_EQ(e->version, 10203);
  EXPECT_EQ(e->uniqueID, MakeFourCC("tst1"));
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->object, &plug);
  EXPECT_NE(e->process, nullptr);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_NE(e->processDoubleReplacing, nullptr);

  const ERect& rect = plug.GetEditRect();
  EXPECT_EQ(rect.top | rect.left | rect.bottom | rect.right, 0);
  plug.AttachGraphics(nullptr);
  EXPECT_EQ(e->flags, 0x1130);
  ERect* got = nullptr;
  EXPECT_EQ(plug.Call(effEditGetRect, 0, 0, &got), 0);
  EXPECT_EQ(got, nullptr);

  EXPECT_EQ(plug.GetInputSpkrArr().type, 1);
  EXPECT_EQ(plug.GetOutputSpkrArr().numChannels, 2);
}

TEST(IPlugVSTTest, FlagsAndSpeakerTypesFollowTheSetup)
{
  FakeHost host;
  TestPlug::Setup effect;
  effect.channels = "1-1 1-2";
  effect.doesChunks = false;
  effect.isInstrument = false;
  TestPlug mono(effect);
  EXPECT_EQ(mono.GetAEffect()->flags, 0x1010 | 0x8);
  EXPECT_EQ(mono.GetInputSpkrArr().type, 0);
  EXPECT_EQ(mono.Call(effGetPlugCategory), 1);

  TestPlug::Setup wide;
  wide.channels = "0-3";
  TestPlug surround(wide);
  EXPECT_EQ(surround.GetInputSpkrArr().type, -1);
  EXPECT_EQ(surround.GetOutputSpkrArr().type, -2);
  EXPECT_EQ(surround.Call(effGetPlugCategory), 2);
}

TEST(IPlugVSTTest, LatencySetBetweenStagesIsOverwritten)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  EXPECT_EQ(plug.GetAEffect()->initialDelay, 128);
  plug.SetLatency(300);
  EXPECT_EQ(plug.GetAEffect()->initialDelay, 300);
  EXPECT_EQ(plug.GetLatency(), 300);
}

TEST(IPlugVSTTest, RequestsForParametersOutsideTheHostRange)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  AEffect* e = plug.GetAEffect();
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  e->setParameter(e, 0, 1.0f);
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
  EXPECT_TRUE(plug.changes.empty());

  char text[64];
  for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay})
  {
    std::memset(text, 'q', sizeof(text));
    EXPECT_EQ(plug.Call(op, 0, 0, text), 0);
    EXPECT_EQ(text[0], 'q');
  }
  char value[] = "1";
  EXPECT_EQ(plug.Call(effString2Parameter, 0, 0, value), 0);
  EXPECT_EQ(plug.Call(effString2Parameter, 0, 0, nullptr), 0);
  std::memset(text, 'q', sizeof(text));
  EXPECT_EQ(plug.Call(effVendorSpecific, 7, 0, text, 0.5f), 0xBEEF);
  EXPECT_EQ(text[0], 'q');
  EXPECT_EQ(plug.Call(effVendorSpecific, 6, 0, text, 0.5f), 0);
}

TEST(IPlugVSTTest, HostVisibleParametersAreCopiedBounded)
{
  FakeHost host;
  TestPlug::Setup setup;
  setup.hostParams = 2;
  TestPlug plug(setup);
  plug.GetParam(0)->InitDouble("A very long parameter name", 0.5, 0.0, 1.0, 0.01, "percent");
  plug.GetParam(1)->InitEnum("Wave", 0, 3);
  plug.GetParam(1)->SetDisplayText(0, "Sine");
  plug.GetParam(1)->SetDisplayText(1, "Square");

  char text[16];
  std::memset(text, 'q', sizeof(text));
  plug.Call(effGetParamName, 0, 0, text);
  EXPECT_STREQ(text, "A very ");
  EXPECT_EQ(text[8], 'q');
  plug.Call(effGetParamDisplay, 0, 0, text);
  EXPECT_STREQ(text, "0.50");
  plug.Call(effGetParamLabel, 1, 0, text);
  EXPECT_STREQ(text, "");

  char square[] = "Square";
  EXPECT_EQ(plug.Call(effString2Parameter, 1, 0, square), 1);
  EXPECT_EQ(plug.GetParam(1)->Value(), 1.0);
  char unknown[] = "Noise";
  EXPECT_EQ(plug.Call(effString2Parameter, 1, 0, unknown), 0);
  char number[] = "7.5";
  EXPECT_EQ(plug.Call(effString2Parameter, 0, 0, number), 1);
  EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);

  AEffect* e = plug.GetAEffect();
  e->setParameter(e, 0, 0.25f);
  EXPECT_FLOAT_EQ(e->getParameter(e, 0), 0.25f);
  EXPECT_EQ(plug.changes.back(), 0);
}

TEST(IPlugVSTTest, NoNoticesForIndicesTheHostDoesNotKnow)
{
  FakeHost host;
  TestPlug::Setup setup;
  setup.hostParams = 2;
  TestPlug plug(setup);
  plug.BeginInformHostOfParamChange(5);
  plug.InformHostOfParamChange(5, 0.5);
  plug.EndInformHostOfParamChange(-1);
  plug.SetParameterFromGUI(6, 1.0);
  EXPECT_EQ(host.CountOf(audioMasterAutomate) + host.CountOf(audioMasterBeginEdit) +
                host.CountOf(audioMasterEndEdit),
            0);
  plug.BeginInformHostOfParamChange(1);
  plug.SetParameterFromGUI(1, 1.0);
  plug.EndInformHostOfParamChange(1);
  EXPECT_EQ(host.CountOf(audioMasterBeginEdit), 1);
  EXPECT_EQ(host.CountOf(audioMasterAutomate), 1);
  EXPECT_EQ(host.CountOf(audioMasterEndEdit), 1);
}

TEST(IPlugVSTTest, ProgramChunkCarriesTheHeaderThenTheBody)
{
  FakeHost host;
  TestPlug::Setup setup;
  setup.hostParams = 1;
  TestPlug plug(setup);
  plug.GetParam(0)->Set(1.0);
  void* data = nullptr;
  const VstIntPtr size = plug.Call(effGetChunk, 1, 0, &data);
  ASSERT_EQ(size, 16);
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 8),
            (std::vector<unsigned char>{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
  double body = 0;
  std::memcpy(&body, bytes + 8, 8);
  EXPECT_EQ(body, 1.0);
  EXPECT_EQ(plug.Call(effGetChunk, 1, 0, nullptr), 0);

  std::vector<unsigned char> copy(bytes, bytes + size);
  plug.GetParam(0)->Set(0.0);
  EXPECT_EQ(plug.Call(effSetChunk, 1, size, copy.data()), 1);
  EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
  EXPECT_EQ(plug.readerStarts.back(), 8);

  // The bank chunk of a plug-in without presets holds the same body.
  void* bankData = nullptr;
  EXPECT_EQ(plug.Call(effGetChunk, 0, 0, &bankData), 16);
}

TEST(IPlugVSTTest, SetChunkWithoutHeaderOrWithOnlyTheMagic)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  plug.reader = [](ByteChunk* chunk, int pos) { return pos < 0 ? -1 : chunk->Size(); };

  std::vector<unsigned char> bare = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(plug.Call(effSetChunk, 1, static_cast<VstIntPtr>(bare.size()), bare.data()), 1);
  EXPECT_EQ(plug.readerStarts.back(), 0);

  std::vector<unsigned char> magic = {0x74, 0x66, 0x66, 0x70};
  EXPECT_EQ(plug.Call(effSetChunk, 0, 4, magic.data()), 0);
  EXPECT_EQ(plug.readerStarts.back(), -1);

  EXPECT_EQ(plug.Call(effSetChunk, 1, 4, nullptr), 0);
  EXPECT_EQ(plug.Call(effSetChunk, 1, -5, magic.data()), 0);
}

TEST(IPlugVSTTest, ProcessEventsRoutesMidiAndReturnsOtherEvents)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  VstMidiEvent note{};
  note.type = 1;
  note.byteSize = sizeof(note);
  note.deltaFrames = 17;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  unsigned char dump[] = {0xF0, 0x3E, 0x13, 0x00, 0xF7};
  VstMidiSysexEvent sysex{};
  sysex.type = 6;
  sysex.byteSize = sizeof(sysex);
  sysex.dumpBytes = sizeof(dump);
  sysex.sysexDump = reinterpret_cast<char*>(dump);

  // A list of three entries, one of them null, longer than the declared record.
  std::vector<unsigned char> storage(sizeof(VstEvents) + 2 * sizeof(VstEvent*), 0);
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = 3;
  VstEventPointers(list)[0] = reinterpret_cast<VstEvent*>(&note);
  VstEventPointers(list)[1] = nullptr;
  VstEventPointers(list)[2] = reinterpret_cast<VstEvent*>(&sysex);
  EXPECT_EQ(plug.Call(effProcessEvents, 0, 0, list), 1);

  ASSERT_EQ(plug.midi.size(), 1u);
  EXPECT_EQ(plug.midi[0].mOffset, 17);
  EXPECT_EQ(plug.midi[0].mStatus, 0x90);
  EXPECT_EQ(plug.midi[0].mData1, 60);
  EXPECT_EQ(plug.midi[0].mData2, 100);
  EXPECT_FALSE(plug.midiFromDevice[0]);
  ASSERT_EQ(host.sysexBytes.size(), 1u);
  EXPECT_EQ(host.sysexBytes[0], std::vector<unsigned char>(dump, dump + sizeof(dump)));

  VstEvents empty{};
  EXPECT_EQ(plug.Call(effProcessEvents, 0, 0, &empty), 1);
  EXPECT_EQ(plug.Call(effProcessEvents, 0, 0, nullptr), 0);
}

TEST(IPlugVSTTest, EventsToTheHost)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  IMidiMsg msg(9, 0xB1, 7, 127);
  EXPECT_TRUE(plug.SendMidiVST(&msg));
  ASSERT_EQ(host.events.size(), 1u);
  const VstMidiEvent* sent = reinterpret_cast<const VstMidiEvent*>(&host.events[0]);
  EXPECT_EQ(sent->type, 1);
  EXPECT_EQ(sent->byteSize, 32);
  EXPECT_EQ(sent->deltaFrames, 9);
  EXPECT_EQ(static_cast<unsigned char>(sent->midiData[0]), 0xB1);
  EXPECT_EQ(sent->midiData[3], 0);

  const uint8_t bytes[] = {0xF0, 0x01, 0xF7};
  ISysEx sysex(4, bytes, 3);
  EXPECT_TRUE(plug.SendSysEx(&sysex));
  ASSERT_EQ(host.sysexBytes.size(), 1u);
  EXPECT_EQ(host.sysexBytes[0].size(), 3u);
  EXPECT_EQ(host.events[1].byteSize, 48);
}

TEST(IPlugVSTTest, CapabilitiesAndFixedAnswers)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  EXPECT_EQ(canDo(plug, "receiveVstMidiEvent"), 1);
  EXPECT_EQ(canDo(plug, "receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo(plug, "hasCockosExtensions"), static_cast<VstIntPtr>(0xBEEF0000));
  EXPECT_EQ(plug.GetHasCockosExtensions(), 1);
  EXPECT_EQ(canDo(plug, "hasCockosViewAsConfig"), static_cast<VstIntPtr>(0xBEEF0000));
  EXPECT_EQ(plug.GetHasCockosExtensions(), 3);
  EXPECT_EQ(canDo(plug, "bypass"), 0);
  EXPECT_EQ(plug.Call(effCanDo, 0, 0, nullptr), 0);

  TestPlug::Setup quiet;
  quiet.doesMidi = false;
  TestPlug noMidi(quiet);
  EXPECT_EQ(canDo(noMidi, "receiveVstMidiEvent"), 0);

  EXPECT_EQ(plug.Call(effGetVendorVersion), 66051);
  EXPECT_EQ(plug.Call(effGetVstVersion), 2400);
  EXPECT_EQ(plug.Call(effIdentify), 0x4E764566);
  EXPECT_EQ(plug.Call(effBeyondTable), 0);
  EXPECT_EQ(plug.Call(effEditOpen), 0);
  EXPECT_EQ(plug.Call(effEditClose), 0);
}

TEST(IPlugVSTTest, NamesAndProgramsAreCopiedIntoHostBuffers)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  char name[40];
  std::memset(name, 'q', sizeof(name));
  EXPECT_EQ(plug.Call(effGetEffectName, 0, 0, name), 1);
  EXPECT_STREQ(name, "Test Effect");
  EXPECT_EQ(plug.Call(effGetEffectName, 0, 0, nullptr), 0);

  std::memset(name, 'q', sizeof(name));
  EXPECT_EQ(plug.Call(effGetProgramNameIndexed, 0, 0, name), 0);
  EXPECT_STREQ(name, "");
  plug.Call(effGetProgramName, 0, 0, name);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(plug.Call(effGetProgram), 0);
  char newName[] = "renamed";
  EXPECT_EQ(plug.Call(effSetProgramName, 0, 0, newName), 0);

  TestPlug::Setup withPresets;
  withPresets.presets = 1;
  TestPlug named(withPresets);
  const std::string longName(100, 'p');
  named.Call(effSetProgramName, 0, 0, const_cast<char*>(longName.c_str()));
  std::memset(name, 'q', sizeof(name));
  EXPECT_EQ(named.Call(effGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_EQ(std::strlen(name), 23u);
  EXPECT_EQ(name[24], 'q');

  MidiKeyName key{};
  key.thisKeyNumber = 60;
  std::memset(key.keyName, 'q', sizeof(key.keyName));
  EXPECT_EQ(plug.Call(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
}

TEST(IPlugVSTTest, PinPropertiesAndSpeakerArrangements)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  VstPinProperties pin{};
  EXPECT_EQ(plug.Call(effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(plug.Call(effGetInputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Input 2");
  EXPECT_EQ(plug.Call(effGetInputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(plug.Call(effGetInputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(plug.Call(effGetInputProperties, 0, 0, nullptr), 0);

  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(plug.Call(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->type, 1);

  VstSpeakerArrangement monoIn{};
  monoIn.numChannels = 1;
  VstSpeakerArrangement odd{};
  odd.numChannels = -4;
  EXPECT_EQ(plug.Call(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&monoIn), &odd), 1);
  EXPECT_TRUE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsInChannelConnected(1));
  EXPECT_FALSE(plug.IsOutChannelConnected(0));
  EXPECT_FALSE(plug.IsOutChannelConnected(1));
}

TEST(IPlugVSTTest, HostIdentificationAndTime)
{
  FakeHost host;
  host.productName = "";
  TestPlug plug(TestPlug::Setup{});
  EXPECT_EQ(plug.GetHost(), kHostUnknown);
  EXPECT_EQ(plug.GetHostVersion(false), 0);

  FakeHost reaper;
  reaper.productName = "REAPER";
  reaper.vendorVersion = 60512;
  TestPlug second(TestPlug::Setup{});
  EXPECT_EQ(second.Call(effOpen), 0);
  EXPECT_EQ(second.GetHost(), kHostReaper);
  EXPECT_EQ(second.GetHostVersion(false), (6 << 16) | (5 << 8) | 12);
  second.GetHost();
  EXPECT_EQ(reaper.CountOf(33), 1);

  reaper.timeInfo.tempo = 140.0;
  reaper.timeInfo.flags = 0;
  EXPECT_EQ(second.GetTempo(), 0.0);
  reaper.timeInfo.flags = 0x400;
  EXPECT_EQ(second.GetTempo(), 140.0);

  ITimeInfo info;
  info.mTempo = 120.0;
  info.mPPQPos = -1.0;
  reaper.timeInfo.flags = 0x400 | 0x2000 | 0x2 | 0x200;
  reaper.timeInfo.ppqPos = -3.0;
  reaper.timeInfo.samplePos = 4410.0;
  reaper.timeInfo.timeSigNumerator = 3;
  reaper.timeInfo.timeSigDenominator = 4;
  second.GetTime(&info);
  EXPECT_EQ(info.mTempo, 140.0);
  EXPECT_EQ(info.mPPQPos, -1.0);
  EXPECT_EQ(info.mSamplePos, 4410.0);
  EXPECT_EQ(info.mNumerator, 3);
  EXPECT_TRUE(info.mTransportIsRunning);
  EXPECT_FALSE(info.mTransportLoopEnabled);
  EXPECT_EQ(second.GetSamplePos(), 4410);

  int num = -1;
  int denom = -1;
  reaper.answerTime = false;
  second.GetTimeSig(&num, &denom);
  EXPECT_EQ(num, 0);
  EXPECT_EQ(denom, 0);
  EXPECT_EQ(second.GetSamplePos(), 0);
}

TEST(IPlugVSTTest, HostSpecificSetUpRunsOnceAndLimitsSomeHostsToStereo)
{
  FakeHost forte;
  forte.productName = "Forte 4";
  TestPlug::Setup wide;
  wide.channels = "4-4";
  TestPlug plug(wide);
  plug.Call(effOpen);
  EXPECT_EQ(plug.GetHost(), kHostForte);
  EXPECT_TRUE(plug.IsInChannelConnected(1));
  EXPECT_FALSE(plug.IsInChannelConnected(2));
  EXPECT_FALSE(plug.IsInChannelConnected(3));
  EXPECT_TRUE(plug.IsOutChannelConnected(3));
  // The record and the arrangement still count every channel the plug-in has.
  EXPECT_EQ(plug.GetAEffect()->numInputs, 4);
  EXPECT_EQ(plug.GetInputSpkrArr().numChannels, 4);
  // effOpen resets the plug-in every time but asks the host only once.
  const int resets = plug.resets;
  plug.Call(effOpen);
  EXPECT_EQ(plug.resets, resets + 1);
  EXPECT_EQ(forte.CountOf(audioMasterGetProductString), 1);

  FakeHost reaper;
  reaper.productName = "REAPER";
  TestPlug other(wide);
  other.Call(effOpen);
  EXPECT_TRUE(other.IsInChannelConnected(3));
}

TEST(IPlugVSTTest, ActivationSampleRateAndProcessLevel)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  EXPECT_EQ(plug.GetSampleRate(), 44100.0);
  EXPECT_EQ(plug.Call(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(plug.GetSampleRate(), 48000.0);
  EXPECT_EQ(plug.resets, 1);

  // Switching on does not reset; switching off deactivates first, then resets.
  EXPECT_EQ(plug.Call(effMainsChanged, 0, 1), 0);
  EXPECT_EQ(plug.resets, 1);
  EXPECT_EQ(plug.Call(effMainsChanged, 0, 0), 0);
  EXPECT_EQ(plug.resets, 2);
  ASSERT_EQ(plug.activations.size(), 2u);
  EXPECT_TRUE(plug.activations[0]);
  EXPECT_FALSE(plug.activations[1]);

  EXPECT_FALSE(plug.IsRenderingOffline());
  host.processLevel = 4;
  EXPECT_TRUE(plug.IsRenderingOffline());
  host.processLevel = 2;
  EXPECT_FALSE(plug.IsRenderingOffline());

  plug.InformHostOfProgramChange();
  EXPECT_EQ(host.CountOf(audioMasterUpdateDisplay), 1);
}

TEST(IPlugVSTTest, FloatPassGrowsScratchForLongerBlocks)
{
  FakeHost host;
  TestPlug plug(TestPlug::Setup{});
  EXPECT_EQ(plug.Call(effSetBlockSize, 0, 64), 0);
  const int frames = 4096;
  std::vector<float> in0(frames, 0.25f);
  std::vector<float> in1(frames, -0.5f);
  std::vector<float> out0(frames, 0.0f);
  std::vector<float> out1(frames, 0.0f);
  float* ins[] = {in0.data(), in1.data()};
  float* outs[] = {out0.data(), out1.data()};
  AEffect* e = plug.GetAEffect();
  e->processReplacing(e, ins, outs, frames);
  EXPECT_EQ(plug.lastFrames, frames);
  EXPECT_EQ(out0[frames - 1], 0.25f);
  EXPECT_EQ(out1[frames - 1], -0.5f);
  EXPECT_EQ(host.CountOf(audioMasterWantMidi), 1);

  e->process(e, ins, outs, frames);
  EXPECT_EQ(out0[0], 0.5f);

  std::vector<double> d0(frames, 0.125);
  std::vector<double> d1(frames, 0.0);
  std::vector<double> o0(frames, 0.0);
  std::vector<double> o1(frames, 0.0);
  double* dins[] = {d0.data(), d1.data()};
  double* douts[] = {o0.data(), o1.data()};
  e->processDoubleReplacing(e, dins, douts, frames);
  EXPECT_EQ(o0[frames - 1], 0.125);
}

TEST(IPlugVSTTest, NoExceptionLeavesTheCallbacksAndTheLockIsFree)
{
  FakeHost host;
  ThrowingPlug plug;
  std::vector<unsigned char> body = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(plug.Call(effSetChunk, 1, static_cast<VstIntPtr>(body.size()), body.data()), 0);

  plug.throwInProcess = true;
  std::vector<float> buffer(32, 0.0f);
  float* channels[] = {buffer.data(), buffer.data()};
  AEffect* e = plug.GetAEffect();
  e->processReplacing(e, channels, channels, 32);

  bool entered = false;
  std::thread other(
      [&]
      {
        plug.GetMutex()->Enter();
        entered = true;
        plug.GetMutex()->Leave();
      });
  other.join();
  EXPECT_TRUE(entered);
}

TEST(IPlugVSTTest, NullObjectIsRefused)
{
  AEffect empty{};
  EXPECT_EQ(IPlugVST::VSTDispatcher(&empty, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(IPlugVST::VSTDispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(IPlugVST::VSTGetParameter(&empty, 0), 0.0f);
}
