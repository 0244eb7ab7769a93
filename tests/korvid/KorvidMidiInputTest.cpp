// Short MIDI input: the plug-in's gates, the block flags per side, controllers and program changes.
#include "KorvidTestSupport.h"

#include "BlofeldSimulator.h"
#include "ControlIDMaps.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SysexProtocol.h"
#include "UIConfigManager.h"
#include "VstAbi.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
constexpr const char* kOutPort = "Blofeld Out";
constexpr const char* kInPort = "Blofeld In";
// Block classes: CC, PC, Note, PP, PA, CA, SE.
constexpr size_t kCC = 0;
constexpr size_t kPC = 1;
constexpr size_t kNote = 2;

// A control without a picture, for a controller binding the shipped description does not have.
class PlainControl : public IControl
{
public:
  using IControl::IControl;
  bool Draw(IGraphics*) override { return true; }
};

// The control bound to paramIdx in the layers' trees: found where the user finds it on the sound pages,
// not through the parameter's list of bound controls.
IControl* pageControl(const std::vector<ControlLayer*>& layers, int paramIdx)
{
  for (const ControlLayer* layer : layers)
  {
    for (IControl* control : layer ? layer->mControls : std::vector<IControl*>{})
      if (control && control->ParamIdx() == paramIdx)
        return control;
    if (IControl* control = layer ? pageControl(layer->mSubLayers, paramIdx) : nullptr)
      return control;
  }
  return nullptr;
}

class KorvidMidiInput : public StartupFixture
{
protected:
  KorvidMidiInput() { useResources(pluginFolder()); }

  // Both ports chosen (the input only when withOutput is false); part p listens on channel p; no global
  // channel; indicators follow incoming MIDI; short output sent at once; nothing recorded yet.
  std::unique_ptr<Korvid> constructWithPorts(bool withOutput = true)
  {
    midi->setOutputPorts({kOutPort});
    midi->setInputPorts({kInPort});
    auto plug = construct();
    // The input first: the device-id enquiry that the output port then starts gets no reply here and runs out
    // on the virtual clock (which the bank changes and jobs of the test use as well) before this goes on.
    plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(1.0));
    if (withOutput)
      chooseOutputPort(*plug, 1);
    EXPECT_EQ(plug->mOutputPresent, withOutput);
    plug->DisplayProcessingIndicator(false);
    for (int p = 0; p < Korvid::kPartCount; ++p)
    {
      set(*plug, kMultiPartMIDICh + p, p + 2.0);
      set(*plug, kMIDILed + p, 0.0);
      set(*plug, kPartLock + p, 0.0);
      plug->mIndicatorState[static_cast<size_t>(p)] = 0;
    }
    set(*plug, kGlobalMidiChannel, 0.0);
    set(*plug, kGlobalRxProgramChange, 0.0);
    set(*plug, kControlLibrary, 0.0);
    for (size_t c = 0; c < Korvid::kBlockClassCount; ++c)
    {
      plug->mHostInputBlocked[c] = false;
      plug->mHardwareInputBlocked[c] = false;
    }
    plug->mIndicatorsTrackIncoming = true;
    plug->mMidiOutMode = false;
    plug->mLocalControl = false;
    plug->mMasterKeyboard = false;
    midi->clearReceived();
    return plug;
  }

  static void set(Korvid& plug, int paramIdx, double value) { plug.GetParam(paramIdx)->Set(value); }
  static double value(Korvid& plug, int paramIdx) { return plug.GetParam(paramIdx)->Value(); }

  // From the host, and from the synthesizer through the input port.
  static void fromHost(Korvid& plug, uint8_t status, uint8_t data1, uint8_t data2 = 0)
  {
    IMidiMsg msg(0, status, data1, data2);
    plug.ProcessMidiMsg(&msg, false);
  }
  void fromDevice(const Bytes& bytes) { ASSERT_EQ(midi->inject(kInPort, bytes), 1); }

  std::vector<Bytes> sent() const { return midi->received(kOutPort); }

  // Waits until the bank changes queued so far have gone out.
  static void waitForBankChanges(Korvid& plug)
  {
    BankChangeThread& thread = plug.mMIDIMessageManager->bankChanges;
    EXPECT_TRUE(thread.waitDone(thread.issued(), 10000));
  }

  // The bank select and program change of one bank change, in this order (other messages, such as a
  // program change passed on from another thread, may come between them).
  bool sentBankChange(int channel, int bank, int lsb, int program) const
  {
    const std::vector<Bytes> expected{{static_cast<uint8_t>(0xB0 + channel), 0, static_cast<uint8_t>(bank)},
                                      {static_cast<uint8_t>(0xB0 + channel), 32, static_cast<uint8_t>(lsb)},
                                      {static_cast<uint8_t>(0xC0 + channel), static_cast<uint8_t>(program)}};
    size_t found = 0;
    for (const Bytes& message : sent())
    {
      if (found < expected.size() && message == expected[found])
      {
        ++found;
      }
    }
    return found == expected.size();
  }
};

TEST_F(KorvidMidiInput, GatesDropMessagesDuringTransfersOverflowAndOnTheGlobalChannel)
{
  auto plug = constructWithPorts();
  const Bytes noteOn{0x92, 60, 100};
  // A transfer lets only the host's releases through (a note played before it began must not hang), also
  // past its output hold; an overflow nothing.
  plug->mOutputHold = true;
  for (std::atomic<bool>* flag : {&plug->mProcessingOverlay, &plug->mQueueOverflow, &plug->mWorkerBusy})
  {
    *flag = true;
    fromHost(*plug, 0x92, 60, 100);
    fromDevice(noteOn);
    fromDevice({0x82, 60, 0});
    fromHost(*plug, 0x82, 60, 0);
    fromHost(*plug, 0xB2, 64, 0);
    const bool overflow = flag == &plug->mQueueOverflow;
    EXPECT_EQ(sent(), overflow ? std::vector<Bytes>{} : (std::vector<Bytes>{{0x82, 60, 0}, {0xB2, 64, 0}}));
    midi->clearReceived();
    *flag = false;
  }
  plug->mOutputHold = false;
  // System messages are no channel messages.
  fromHost(*plug, 0xF8, 0, 0);
  EXPECT_TRUE(sent().empty());

  // With the global channel at 1, channel index 0 is dropped from both sides; index 1 passes.
  set(*plug, kGlobalMidiChannel, 1.0);
  fromHost(*plug, 0x90, 60, 100);
  fromDevice({0x90, 60, 100});
  EXPECT_TRUE(sent().empty());
  fromHost(*plug, 0x91, 60, 100);
  fromDevice({0x91, 61, 100});
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0x91, 60, 100}, {0x91, 61, 100}}));
}

TEST_F(KorvidMidiInput, HostEventsAndThePortsInputReachTheirOwnSides)
{
  auto plug = constructWithPorts();
  // Master keyboard on: only the port's messages are dropped, so the host's event must arrive as host MIDI.
  plug->mMasterKeyboard = true;
  set(*plug, kGlobalRxProgramChange, 1.0);
  plug->mProgramChangeControlsBank = false;
  // A host block through effProcessEvents and passes: what a program change sends goes before the note
  // behind it.
  const struct
  {
    std::vector<Bytes> block, out;
  } rows[] = {{{{0x92, 60, 100}}, {{0x92, 60, 100}}},
              {{{0xC4, 0x21}, {0x94, 0x3C, 0x64}},
               {{0xC4, 0x21},
                {0xB4, 123, 0},
                {0xB4, 123, 0},
                {0xB4, 0, 0},
                {0xB4, 32, 64},
                {0xC4, 0x21},
                {0x94, 0x3C, 0x64}}}};
  AEffect* effect = plug->GetAEffect();
  double samples[32]{}, *channels[2] = {samples, samples};
  runPass(*plug, channels, channels, 32); // the first pass's all-sounds-off
  EXPECT_TRUE(plug->waitForAudioSends(std::chrono::seconds(10)));
  for (const auto& row : rows)
  {
    std::vector<VstMidiEvent> events(row.block.size());
    std::vector<VstIntPtr> storage(2 + events.size(), 0);
    VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    for (size_t i = 0; i < events.size(); ++i)
    {
      events[i].type = 1;
      std::copy(row.block[i].begin(), row.block[i].end(), events[i].midiData);
      VstEventPointers(list)[i] = reinterpret_cast<VstEvent*>(&events[i]);
    }
    midi->clearReceived();
    EXPECT_EQ(effect->dispatcher(effect, effProcessEvents, 0, 0, list, 0.0f), 1);
    EXPECT_TRUE(waitUntil(
        [&]
        {
          effect->processDoubleReplacing(effect, channels, channels, 32);
          return plug->waitForAudioSends(std::chrono::seconds(10)) && sent().size() >= row.out.size();
        }));
    EXPECT_EQ(sent(), row.out);
  }
  fromDevice({0x92, 61, 100});
  EXPECT_EQ(sent(), rows[1].out);
  EXPECT_TRUE(plug->mMIDIMessageManager->fromHost);

  plug->mMasterKeyboard = false;
  fromDevice({0x92, 61, 100});
  EXPECT_EQ(sent().back(), (Bytes{0x92, 61, 100}));
  EXPECT_FALSE(plug->mMIDIMessageManager->fromHost);
}

TEST_F(KorvidMidiInput, BlockFlagsActPerSideAndClassBeforeAnyOtherEffect)
{
  auto plug = constructWithPorts();
  plug->mHostInputBlocked[kNote] = true;
  plug->mHardwareInputBlocked[kPC] = true;
  set(*plug, kGlobalRxProgramChange, 1.0);
  fromHost(*plug, 0x93, 60, 100);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(plug->mIndicatorState[3], 0);

  // A blocked program change from the synthesizer changes nothing, not even the program table.
  plug->mPartProgramTable[3] = 9;
  fromDevice({0xC3, 20});
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(plug->mPartProgramTable[3], 9);
  EXPECT_EQ(plug->mIndicatorState[3], 0);

  // The same classes pass on the other side.
  fromDevice({0x93, 61, 100});
  ASSERT_EQ(sent().size(), 1u);
  EXPECT_EQ(sent().back(), (Bytes{0x93, 61, 100}));
  EXPECT_EQ(plug->mIndicatorState[3], 1);
  midi->clearReceived();
  fromHost(*plug, 0xC4, 21);
  ASSERT_FALSE(sent().empty());
  EXPECT_EQ(sent().front(), (Bytes{0xC4, 21}));
  EXPECT_EQ(value(*plug, kMultiPartPatch + 4), 21.0);
}

TEST_F(KorvidMidiInput, IncomingMessagesLightTheIndicatorOfThePartOnTheirChannelOnlyInIncomingMode)
{
  auto plug = constructWithPorts();
  plug->mIndicatorsTrackIncoming = false;
  // Local control keeps the message from going out, where output would light the indicator.
  plug->mLocalControl = true;
  fromDevice({0xE3, 0, 64});
  EXPECT_EQ(plug->mIndicatorState[3], 0);
  EXPECT_EQ(value(*plug, kMIDILed + 3), 0.0);

  plug->mIndicatorsTrackIncoming = true;
  plug->mLocalControl = false;
  fromDevice({0xE3, 0, 64});
  EXPECT_EQ(plug->mIndicatorState[3], 1);
  EXPECT_EQ(value(*plug, kMIDILed + 3), 1.0);
  // A lit indicator is not stamped again.
  plug->mIndicatorTime[3] = 7;
  fromHost(*plug, 0xD3, 40);
  EXPECT_EQ(plug->mIndicatorTime[3], 7);
  // Pitch bend and channel pressure were passed on as well.
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xE3, 0, 64}, {0xD3, 40}}));
}

TEST_F(KorvidMidiInput, IncomingParameterChangesLightTheIndicatorOfTheirPart)
{
  auto plug = constructWithPorts();
  const uint8_t change[] = {0xF0, 0x3E, 0x10, 0x00, 0x20, 0x04, 0x00, 0x01, 0x40, 0xF7};
  const uint8_t dumpModel[] = {0xF0, 0x3E, 0x13, 0x00, 0x20, 0x05, 0x00, 0x01, 0x40, 0xF7};
  const uint8_t badPart[] = {0xF0, 0x3E, 0x10, 0x00, 0x20, 0x10, 0x00, 0x01, 0x40, 0xF7};
  const uint8_t tooShort[] = {0xF0, 0x3E, 0x10, 0x00, 0x20, 0x06, 0x00, 0xF7};
  for (const ISysEx& msg : {ISysEx(0, dumpModel, sizeof(dumpModel)), ISysEx(0, badPart, sizeof(badPart)),
                            ISysEx(0, tooShort, sizeof(tooShort))})
  {
    plug->noteIncomingSysex(&msg);
  }
  for (int p = 0; p < Korvid::kPartCount; ++p)
  {
    EXPECT_EQ(plug->mIndicatorState[static_cast<size_t>(p)], 0) << "part " << p;
  }
  const ISysEx msg(0, change, sizeof(change));
  plug->mIndicatorsTrackIncoming = false;
  plug->noteIncomingSysex(&msg);
  EXPECT_EQ(plug->mIndicatorState[4], 0);
  plug->mIndicatorsTrackIncoming = true;
  plug->noteIncomingSysex(&msg);
  EXPECT_EQ(plug->mIndicatorState[4], 1);
  EXPECT_EQ(value(*plug, kMIDILed + 4), 1.0);
  plug->mIndicatorTime[4] = 7;
  plug->noteIncomingSysex(&msg);
  EXPECT_EQ(plug->mIndicatorTime[4], 7);
  // Marking the mini mixer dirty is safe whether or not the layer exists.
  plug->sysexApplied();
}

TEST_F(KorvidMidiInput, HostMessagesGoToThePartListeningOnTheirChannel)
{
  auto plug = constructWithPorts();
  set(*plug, kGlobalRxProgramChange, 1.0);
  plug->mProgramChangeControlsBank = false;
  // Part 2 at 6 is channel index 4; part 4 moved away, so part 2 is the first that listens there.
  set(*plug, kMultiPartMIDICh + 2, 6.0);
  set(*plug, kMultiPartMIDICh + 4, 9.0);
  set(*plug, kMultiPartPatch + 2, 0.0);
  fromHost(*plug, 0xC4, 33);
  EXPECT_EQ(value(*plug, kMultiPartPatch + 2), 33.0);
  EXPECT_TRUE(plug->mMIDIMessageManager->fromHost);

  // No part on channel index 10 (value 12 moved to 13): part 0.
  set(*plug, kMultiPartMIDICh + 10, 13.0);
  set(*plug, kMultiPartPatch, 0.0);
  fromHost(*plug, 0xCA, 44);
  EXPECT_EQ(value(*plug, kMultiPartPatch), 44.0);
  // The host side writes no table entry itself: the bank change records what it sent.
  waitForBankChanges(*plug);
  EXPECT_EQ(plug->mPartProgramTable[2], 33);
  EXPECT_TRUE(sentBankChange(4, 0, 64, 33));
}

TEST_F(KorvidMidiInput, HostMessagesWithoutAnOutputPortAreIgnoredEntirely)
{
  auto plug = constructWithPorts();
  set(*plug, kGlobalRxProgramChange, 1.0);
  plug->mOutputPresent = false;
  plug->mMIDIMessageManager->fromHost = false;
  fromHost(*plug, 0xC1, 12);
  EXPECT_NE(value(*plug, kMultiPartPatch + 1), 12.0);
  EXPECT_FALSE(plug->mMIDIMessageManager->fromHost);
  EXPECT_EQ(plug->mIndicatorState[1], 0);
}

TEST_F(KorvidMidiInput, TheSynthesizersBankSelectPairIsConsumed)
{
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  set(*plug, kMultiPartBank, 3.0);
  fromDevice({0xB0, 0x00, 0x00});
  EXPECT_TRUE(manager.bankSelectArmed);
  fromDevice({0xB0, 0x20, 0x40});
  EXPECT_FALSE(manager.bankSelectArmed);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(value(*plug, kMultiPartBank), 3.0);

  // Unarmed, controller 32 goes through the registry (no control: nothing) and is passed on.
  fromDevice({0xB0, 0x20, 0x40});
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB0, 0x20, 0x40}}));
}

TEST_F(KorvidMidiInput, HostBankSelectIsDroppedAndControllerZeroSetsThePartsBank)
{
  auto plug = constructWithPorts();
  for (int i = 0; i < 2; ++i)
  {
    fromHost(*plug, 0xB0, 0x00, 0x00);
    fromHost(*plug, 0xB0, 0x20, 0x50);
  }
  EXPECT_TRUE(sent().empty());
  EXPECT_FALSE(plug->mMIDIMessageManager->bankSelectArmed);

  fromHost(*plug, 0xB5, 0x00, 0x05);
  EXPECT_EQ(plug->mPartBankTable[5], 5);
  EXPECT_EQ(value(*plug, kMultiPartBank + 5), 5.0);
  // The shipped description gives these two a smaller range: the value is held to it.
  EXPECT_EQ(value(*plug, kCurrentBank + 5), std::min(5.0, plug->GetParam(kCurrentBank + 5)->GetMax()));
  EXPECT_EQ(value(*plug, kRequestFromBank), std::min(5.0, plug->GetParam(kRequestFromBank)->GetMax()));
  EXPECT_GT(value(*plug, kRequestFromBank), 0.0);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB5, 0x00, 0x05}}));

  // No part on channel index 9: part 0.
  set(*plug, kMultiPartMIDICh + 9, 1.0);
  fromHost(*plug, 0xB9, 0x00, 0x06);
  EXPECT_EQ(plug->mPartBankTable[0], 6);
  EXPECT_EQ(value(*plug, kMultiPartBank), 6.0);
}

TEST_F(KorvidMidiInput, OctaveAndSemitoneControllersMoveTheControlOfThePartOnTheirChannel)
{
  auto plug = constructWithPorts();
  IControl* octave2 = plug->getCCControls(3, 27, 0);
  IControl* semitone0 = plug->getCCControls(1, 28, 0);
  ASSERT_NE(octave2, nullptr);
  ASSERT_NE(semitone0, nullptr);
  ASSERT_EQ(octave2->ParamIdx(), kOscillator1Octave + 2);
  ASSERT_EQ(semitone0->ParamIdx(), kOscillator1Semitone);

  fromDevice({0xB2, 27, 40});
  EXPECT_DOUBLE_EQ(octave2->GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(value(*plug, kOscillator1Octave + 2), 2.0);
  EXPECT_FALSE(plug->mMIDIMessageManager->sendSuppress);
  fromHost(*plug, 0xB0, 28, 64);
  EXPECT_DOUBLE_EQ(semitone0->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(value(*plug, kOscillator1Semitone), 12.0);
}

TEST_F(KorvidMidiInput, LocalControlStopsOnlyTheSynthesizersControllersFromGoingBack)
{
  auto plug = constructWithPorts();
  IControl* octave = plug->getCCControls(2, 35, 0);
  ASSERT_NE(octave, nullptr);
  plug->mLocalControl = true;
  fromDevice({0xB1, 35, 52});
  EXPECT_DOUBLE_EQ(octave->GetValue(), 3.0 / 8.0);
  EXPECT_TRUE(sent().empty());
  EXPECT_FALSE(plug->mMIDIMessageManager->fromHost);

  // From the host it is applied and passed on to the synthesizer.
  fromHost(*plug, 0xB1, 35, 64);
  EXPECT_DOUBLE_EQ(octave->GetValue(), 4.0 / 8.0);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB1, 35, 64}}));

  // Local control off: the synthesizer's own controller goes back out once.
  plug->mLocalControl = false;
  midi->clearReceived();
  fromDevice({0xB1, 35, 28});
  EXPECT_DOUBLE_EQ(octave->GetValue(), 1.0 / 8.0);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB1, 35, 28}}));
}

TEST_F(KorvidMidiInput, ShapeControllersSetWavetableAndShape)
{
  auto plug = constructWithPorts();
  IControl* sample1 = plug->getCCControls(2, 31, 0);
  IControl* sample2 = plug->getCCControls(2, 39, 0);
  ASSERT_NE(sample1, nullptr);
  ASSERT_NE(sample2, nullptr);
  const IParam* param = plug->GetParam(sample1->ParamIdx());
  const double divisor = param->GetMax() - param->GetMin();

  set(*plug, kOsc1UseSampleMemory + 1, 0.0);
  fromDevice({0xB1, 31, 12});
  EXPECT_EQ(value(*plug, kOscillator1Wavetable + 1), 5.0);
  EXPECT_EQ(value(*plug, kOscillator1Shape + 1), 7.0);
  EXPECT_DOUBLE_EQ(sample1->GetValue(), 12.0 / divisor);

  fromDevice({0xB1, 31, 3});
  EXPECT_EQ(value(*plug, kOscillator1Shape + 1), 3.0);
  EXPECT_EQ(value(*plug, kOscillator1Wavetable + 1), 0.0);

  // With sample memory in use the shape and wavetable stay.
  set(*plug, kOsc1UseSampleMemory + 1, 1.0);
  fromDevice({0xB1, 31, 20});
  EXPECT_EQ(value(*plug, kOscillator1Shape + 1), 3.0);
  EXPECT_EQ(value(*plug, kOscillator1Wavetable + 1), 0.0);
  EXPECT_DOUBLE_EQ(sample1->GetValue(), 20.0 / divisor);

  fromDevice({0xB1, 39, 9});
  EXPECT_EQ(value(*plug, kOscillator2Wavetable + 1), 2.0);
  EXPECT_EQ(value(*plug, kOscillator2Shape + 1), 7.0);
  fromHost(*plug, 0xB1, 39, 2);
  EXPECT_EQ(value(*plug, kOscillator2Wavetable + 1), 0.0);
  EXPECT_EQ(value(*plug, kOscillator2Shape + 1), 2.0);
}

TEST_F(KorvidMidiInput, FilterRoutingFromTheSynthesizerSetsSerialAndParallel)
{
  auto plug = constructWithPorts();
  // The shipped description binds no controller to the routing: register one as the description would.
  constexpr int kRoutingController = 90;
  auto* routing = new PlainControl(plug.get(), IRECT(0, 0, 10, 10), kFilterRoutingParallel + 2);
  plug->getSurface()->AttachControl(routing);
  addToCCControls(plug->getUIConfigManager()->ccControls, 3, kRoutingController, 0, routing);
  set(*plug, kFilterRoutingSerial + 2, 1.0);
  set(*plug, kFilterRoutingParallel + 2, 0.0);
  routing->SetValueFromPlug(0.0);

  fromDevice({0xB2, kRoutingController, 0});
  EXPECT_EQ(value(*plug, kFilterRoutingParallel + 2), 1.0);
  EXPECT_EQ(value(*plug, kFilterRoutingSerial + 2), 0.0);
  fromDevice({0xB2, kRoutingController, 1});
  EXPECT_EQ(value(*plug, kFilterRoutingParallel + 2), 0.0);
  EXPECT_EQ(value(*plug, kFilterRoutingSerial + 2), 1.0);
  EXPECT_EQ(routing->GetValue(), 0.0);

  // From the host only the control moves.
  fromHost(*plug, 0xB2, kRoutingController, 1);
  EXPECT_EQ(routing->GetValue(), 1.0);
  EXPECT_EQ(value(*plug, kFilterRoutingSerial + 2), 1.0);
}

namespace
{
// The synthesizer's controller chart: controller, sound data index, the editor's parameter, the stored value
// the knob is turned to (90 unless given) and the value the editor shows (the stored value unless given).
struct ChartRow
{
  int cc, index, param, byte = 90, shown = -1;
};
// clang-format off
const ChartRow kChart[] = {
    {5, 57, kOscillatorGlideRate}, {12, 316, kArpOctRange, 9}, {13, 323, kArpPatternLength, 3},
    {14, 311, kArpMode, 3}, {15, 160, kLFO1Shape, 5}, {16, 161, kLFO1Speed}, {17, 163, kLFO1SyncOnOff, 1},
    {18, 166, kLFO1Delay}, {19, 172, kLFO2Shape, 4}, {20, 173, kLFO2Speed}, {21, 175, kLFO2SyncOnOff, 1},
    {22, 178, kLFO2Delay}, {23, 184, kLFO3Shape, 3}, {24, 185, kLFO3Speed}, {25, 187, kLFO3SyncOnOff, 1},
    {26, 190, kLFO3Delay}, {27, 1, kOscillator1Octave, 40, 2}, {28, 2, kOscillator1Semitone, 70, 18},
    {29, 3, kOscillator1Detune}, {30, 7, kOscillator1FMAmount}, {31, 8, kOscillator1Shape, 3},
    {33, 9, kOscillator1Pulsewidth}, {34, 11, kOscillator1PWMAmount}, {35, 17, kOscillator2Octave, 88, 6},
    {36, 18, kOscillator2Semitone, 53, 1}, {37, 19, kOscillator2Detune}, {38, 23, kOscillator2FMAmount},
    {39, 24, kOscillator2Shape, 5}, {40, 25, kOscillator2Pulsewidth}, {41, 27, kOscillator2PWMAmount},
    {42, 33, kOscillator3Octave, 112, 8}, {43, 34, kOscillator3Semitone, 76, 24},
    {44, 35, kOscillator3Detune}, {45, 39, kOscillator3FMAmount}, {46, 40, kOscillator3Shape, 4},
    {47, 41, kOscillator3Pulsewidth}, {48, 43, kOscillator3PWMAmount}, {49, 49, kOscillator2SyncToOsc3, 1},
    {50, 51, kOscillatorPitchAmount}, {51, 56, kOscillatorGlideMode, 2}, {52, 61, kOscillator1Level},
    {53, 62, kOscillator1Balance}, {54, 71, kRingModulationLevel}, {55, 72, kRingModulationBalance},
    {56, 63, kOscillator2Level}, {57, 64, kOscillator2Balance}, {58, 65, kOscillator3Level},
    {59, 66, kOscillator3Balance}, {60, 67, kNoiseLevel}, {61, 68, kNoiseBalance}, {62, 69, kNoiseColour},
    {65, 53, kOscillatorGlideOnOffSwitch, 1}, {67, 117, kFilterRouting, 1}, {68, 77, kFilter1Type, 10},
    {69, 78, kFilter1Cutoff}, {70, 80, kFilter1Resonance}, {71, 81, kFilter1Drive},
    {72, 86, kFilter1Keytrack}, {73, 87, kFilter1EnvAmount}, {74, 88, kFilter1EnvVelocity},
    {75, 90, kFilter1ModAmount}, {76, 92, kFilter1FMAmount}, {77, 93, kFilter1Panning},
    {78, 95, kFilter1PanAmount}, {79, 97, kFilter2Type, 7}, {80, 98, kFilter2Cutoff},
    {81, 100, kFilter2Resonance}, {82, 101, kFilter2Drive}, {83, 106, kFilter2Keytrack},
    {84, 107, kFilter2EnvAmount}, {85, 108, kFilter2EnvVelocity}, {86, 110, kFilter2ModAmount},
    {87, 112, kFilter2FMAmount}, {88, 113, kFilter2Panning}, {89, 115, kFilter2PanAmount},
    {90, 121, kAmpLevel}, {91, 122, kAmpLevelVelocity}, {92, 124, kAmpModAmount}, {93, 129, kEffect1Mix},
    {94, 145, kEffect2Mix}, {95, 199, kFilterEnvAttack}, {96, 201, kFilterEnvDecay},
    {97, 202, kFilterEnvSustain}, {98, 203, kFilterEnvDecay2}, {99, 204, kFilterEnvSustain2},
    {100, 205, kFilterEnvRelease}, {101, 211, kAmpEnvAttack}, {102, 213, kAmpEnvDecay},
    {103, 214, kAmpEnvSustain}, {104, 215, kAmpEnvDecay2}, {105, 216, kAmpEnvSustain2},
    {106, 217, kAmpEnvRelease}, {107, 223, kEnv3Attack}, {108, 225, kEnv3Decay}, {109, 226, kEnv3Sustain},
    {110, 227, kEnv3Decay2}, {111, 228, kEnv3Sustain2}, {112, 229, kEnv3Release}, {113, 235, kEnv4Attack},
    {114, 237, kEnv4Decay}, {115, 238, kEnv4Sustain}, {116, 239, kEnv4Decay2}, {117, 240, kEnv4Sustain2},
    {118, 241, kEnv4Release},
};
// clang-format on
} // namespace

TEST_F(KorvidMidiInput, EveryKnobOfTheSynthesizersChartMovesItsPartsControlInEitherSendMode)
{
  auto plug = constructWithPorts();
  BlofeldSimulator synth;
  // A second synthesizer that takes the controllers the first one sends.
  BlofeldSimulator listener;
  using Send = BlofeldSimulator::ControllerSend;
  for (const Send mode : {Send::SysEx, Send::Ctrl})
  {
    synth.setControllerSend(mode);
    for (size_t i = 0; i < std::size(kChart); ++i)
    {
      const ChartRow& row = kChart[i];
      const int part = static_cast<int>(i + (mode == Send::Ctrl ? 0 : 7)) % Korvid::kPartCount;
      const int neighbour = row.param + (part + 1) % Korvid::kPartCount;
      const std::string what = "controller " + std::to_string(row.cc) + " of part " +
                               std::to_string(part + 1) +
                               (mode == Send::Ctrl ? " as controller" : " as parameter change");
      const double shown = row.shown < 0 ? row.byte : row.shown;
      ASSERT_NE(value(*plug, row.param + part), shown) << what;
      const double neighbourBefore = value(*plug, neighbour);
      midi->clearReceived();

      const Bytes message = synth.turnKnob(part, row.index, row.byte);
      if (mode == Send::Ctrl)
      {
        ASSERT_EQ(message.size(), 3u) << what;
        EXPECT_EQ(message[0], 0xB0 + part) << what;
        EXPECT_EQ(message[1], row.cc) << what;
        // The listener changes that one byte and no other.
        Bytes expected = listener.editBuffer(part);
        expected[static_cast<size_t>(SysexProtocol::kChecksumFirstByte + row.index)] =
            static_cast<uint8_t>(row.byte);
        listener.receive(message);
        listener.drain();
        EXPECT_EQ(listener.editBuffer(part), expected) << what;
      }
      fromDevice(message);
      IParam* param = plug->GetParam(row.param + part);
      EXPECT_EQ(param->Value(), shown) << what;
      for (IControl* control : param->GetAction()->boundControls)
        EXPECT_NEAR(control->GetValue(), param->GetNormalized(), 1e-9) << what;
      EXPECT_EQ(value(*plug, neighbour), neighbourBefore) << what;
      // Local control off: the synthesizer's controller goes back out as it came, and nothing else.
      EXPECT_EQ(sent(), mode == Send::Ctrl ? std::vector<Bytes>{message} : std::vector<Bytes>{}) << what;
    }
  }
}

TEST_F(KorvidMidiInput, ControllersBeyondAStoredRangeLandOnItsEndsAndMoveThePageControl)
{
  // How the value arrives (road): a controller from the host (0) or the synthesizer (kSynth), an edit of the
  // page control (kEdit), the synthesizer's parameter change (kChange, sound index in cc).
  constexpr int kSynth = 1, kEdit = 2, kChange = 3;
  struct Edge
  {
    int cc, value, param;
    double shown;
    int road = 0;
  };
  // clang-format off
  const Edge edges[] = {
      {27, 16, kOscillator1Octave, 0}, {27, 112, kOscillator1Octave, 8}, {35, 127, kOscillator2Octave, 8},
      {42, 0, kOscillator3Octave, 0}, {28, 52, kOscillator1Semitone, 0}, {28, 76, kOscillator1Semitone, 24},
      {43, 127, kOscillator3Semitone, 24}, {36, 0, kOscillator2Semitone, 0}, {46, 5, kOscillator3Shape, 4},
      {46, 0, kOscillator3Shape, 0}, {51, 9, kOscillatorGlideMode, 3}, {51, 0, kOscillatorGlideMode, 0},
      {68, 10, kFilter1Type, 10}, {68, 0, kFilter1Type, 0}, {79, 127, kFilter2Type, 11},
      {79, 5, kFilter2Type, 5}, {65, 64, kOscillatorGlideOnOffSwitch, 1},
      {65, 0, kOscillatorGlideOnOffSwitch, 0}, {67, 127, kFilterRouting, 1}, {67, 0, kFilterRouting, 0},
      // The same controller value after an edit and after a parameter change moves the page control again.
      {17, 1, kLFO1SyncOnOff, 1, kSynth}, {17, 0, kLFO1SyncOnOff, 0, kEdit}, {17, 1, kLFO1SyncOnOff, 1, kSynth},
      {163, 0, kLFO1SyncOnOff, 0, kChange}, {17, 1, kLFO1SyncOnOff, 1, kSynth},
      {65, 127, kOscillatorGlideOnOffSwitch, 1, kSynth}, {65, 0, kOscillatorGlideOnOffSwitch, 0, kEdit},
      {65, 127, kOscillatorGlideOnOffSwitch, 1, kSynth}, {69, 20, kFilter1Cutoff, 20, kEdit},
      {69, 90, kFilter1Cutoff, 90, kSynth}, {78, 20, kFilter1Cutoff, 20, kChange}, {69, 90, kFilter1Cutoff, 90, kSynth},
  };
  // clang-format on
  constexpr int kPart = 4;
  for (const bool withOutput : {true, false})
  {
    auto plug = constructWithPorts(withOutput);
    for (const Edge& edge : edges)
    {
      const std::string what =
          std::to_string(edge.cc) + " = " + std::to_string(edge.value) + " " + (withOutput ? "out" : "in");
      IParam* param = plug->GetParam(edge.param + kPart);
      IControl* page = pageControl(
          {plug->mOscillatorLayers[0], plug->mFiltersEnvelopesLayers[0], plug->mLfoModMatrixLayers[0]},
          edge.param + kPart);
      ASSERT_NE(page, nullptr) << what;
      const Bytes controller{0xB0 + kPart, static_cast<uint8_t>(edge.cc), static_cast<uint8_t>(edge.value)};
      midi->clearReceived();
      if (edge.road == 0 && withOutput)
        fromHost(*plug, controller[0], controller[1], controller[2]);
      else if (edge.road < kEdit)
        fromDevice(controller);
      else if (edge.road == kEdit)
        page->SetValueFromUserInput(param->GetNormalized(edge.value));
      else
        fromDevice(SysexProtocol::parameterChange(
            0, {SysexProtocol::kSoundParameterChange, kPart, edge.cc >> 7, edge.cc & 0x7F, edge.value}));
      EXPECT_EQ(param->Value(), edge.shown) << what;
      EXPECT_DOUBLE_EQ(page->GetValue(), param->GetNormalized()) << what;
      // An edit goes out as the parameter change of its sysex control.
      if (edge.road == kEdit && withOutput)
      {
        EXPECT_EQ(sent().at(0).at(SysexProtocol::kTypeOffset), SysexProtocol::kSoundParameterChange) << what;
      }
    }
  }
}

TEST_F(KorvidMidiInput, SynthesizerProgramChangesFollowThePartOnTheirChannel)
{
  auto plug = constructWithPorts();
  set(*plug, kGlobalRxProgramChange, 1.0);
  // No sound requests here: they would hold the following messages at the gates while they run.
  plug->mProgramChangeControlsBank = false;
  fromDevice({0xC6, 17});
  EXPECT_EQ(plug->mPartProgramTable[6], 17);
  EXPECT_EQ(value(*plug, kMultiPartPatch + 6), 17.0);
  EXPECT_NE(plug->mMIDIMessageManager->programChangeTimeStamp, 0);
  // The change itself is passed on first, then all sounds off on the part's channel; the part's bank and
  // program go out from the bank-change thread.
  waitForBankChanges(*plug);
  const std::vector<Bytes> all = sent();
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[0], (Bytes{0xC6, 17}));
  EXPECT_EQ(all[1], (Bytes{0xB6, 123, 0}));
  EXPECT_TRUE(sentBankChange(6, 0, 64, 17));
  EXPECT_EQ(plug->mLibrarianView ? plug->mLibrarianView->selectedUpper : 17, 17);

  // On a channel no part uses: part 0; only the bank change sent for it enters the table.
  set(*plug, kMultiPartMIDICh + 11, 1.0);
  set(*plug, kMultiPartMIDICh, 12.0);
  plug->mPartProgramTable[0] = 0;
  fromDevice({0xCB, 25});
  EXPECT_EQ(value(*plug, kMultiPartPatch), 25.0);
  waitForBankChanges(*plug);
  EXPECT_EQ(plug->mPartProgramTable[0], 25);
  EXPECT_TRUE(sentBankChange(10, 0, 64, 25));

  // A locked part keeps its program, but the table is written and the message passed on.
  set(*plug, kPartLock + 7, 1.0);
  set(*plug, kMultiPartPatch + 7, 2.0);
  waitForBankChanges(*plug);
  midi->clearReceived();
  fromDevice({0xC7, 30});
  EXPECT_EQ(plug->mPartProgramTable[7], 30);
  EXPECT_EQ(value(*plug, kMultiPartPatch + 7), 2.0);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xC7, 30}}));

  // Without kGlobalRxProgramChange nothing follows.
  set(*plug, kGlobalRxProgramChange, 0.0);
  fromDevice({0xC6, 40});
  EXPECT_EQ(value(*plug, kMultiPartPatch + 6), 17.0);
}

TEST_F(KorvidMidiInput, ProgramChangesRequestThePartsSoundOnlyInProgramBankMode)
{
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  set(*plug, kGlobalRxProgramChange, 1.0);
  set(*plug, kMultiPartBank + 2, 3.0);
  for (int p = 0; p < Korvid::kPartCount; ++p)
  {
    set(*plug, kMultiPartStatus + p, 1.0);
    plug->mPartBankTable[static_cast<size_t>(p)] = 0;
    plug->mPartProgramTable[static_cast<size_t>(p)] = p;
  }

  plug->mProgramChangeControlsBank = false;
  fromHost(*plug, 0xC2, 5);
  waitForBankChanges(*plug);
  EXPECT_TRUE(sentBankChange(2, 3, 64, 5));
  EXPECT_FALSE(plug->ThreadRunning());

  // A bank conflict (another active part holds bank 3 program 6) sends and requests nothing.
  plug->mProgramChangeControlsBank = true;
  plug->mPartBankTable[4] = 3;
  plug->mPartProgramTable[4] = 6;
  midi->clearReceived();
  fromHost(*plug, 0xC2, 6);
  waitForBankChanges(*plug);
  EXPECT_FALSE(sentBankChange(2, 3, 64, 6));
  EXPECT_FALSE(plug->ThreadRunning());
  if (plug->mBankPatchConflictWindowLayer)
  {
    EXPECT_TRUE(plug->mBankPatchConflictWindowLayer->mVisible);
  }

  manager.dumpExpected = false;
  fromHost(*plug, 0xC2, 7);
  EXPECT_TRUE(manager.dumpExpected);
  // The request for part 2's edit buffer goes out after the program change it asks about.
  const Bytes request{0xF0, 0x3E, 0x13, 0x00, 0x00, 0x7F, 0x02, 0xF7};
  std::vector<Bytes> all = sent();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::find(all.begin(), all.end(), request) == all.end() && std::chrono::steady_clock::now() < end)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    all = sent();
  }
  const auto requested = std::find(all.begin(), all.end(), request);
  ASSERT_NE(requested, all.end());
  // The job waited for the whole sequence; its bank select low byte is sent by nothing else.
  EXPECT_LT(std::find(all.begin(), all.end(), Bytes{0xB2, 32, 64}), requested);
  EXPECT_NE(std::find(all.begin(), all.end(), Bytes{0xB2, 0, 3}), all.end());
  manager.shutdown();
}

TEST_F(KorvidMidiInput, LibrarianProgramChangeModeSelectsTheUpperSlotAndSendsItInsteadOfTheProgram)
{
  auto plug = constructWithPorts();
  set(*plug, kControlLibrary, 1.0);
  set(*plug, kGlobalRxProgramChange, 1.0);
  set(*plug, kMultiPartPatch + 2, 0.0);

  fromDevice({0xC2, 10});
  if (plug->mLibrarianView)
  {
    EXPECT_EQ(plug->mLibrarianView->selectedUpper, 10);
    EXPECT_EQ(plug->mLibrarianView->cursorSlot, 10);
  }
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 10);
  // The library send was reached: this library has no bank to send from, and says so.
  EXPECT_EQ(plug->getStatusText(), "No bank open - nothing sent");
  // The librarian mode replaces the part's own program change.
  waitForBankChanges(*plug);
  EXPECT_FALSE(sentBankChange(2, 0, 64, 10));
  EXPECT_EQ(value(*plug, kMultiPartPatch + 2), 0.0);

  // A host event with an 8-bit program selects nothing.
  fromHost(*plug, 0xC2, 200);
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 10);
}
} // namespace
