// Short MIDI input: the plug-in's gates, the block flags per side, controllers and program changes.
#include "KorvidTestSupport.h"

#include "ControlIDMaps.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "UIConfigManager.h"
#include "VstAbi.h"

#include <algorithm>
#include <chrono>
#include <thread>

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

class KorvidMidiInput : public StartupFixture
{
protected:
  KorvidMidiInput() { useResources(pluginFolder()); }

  // Both ports chosen; part p listens on channel p; no global channel; indicators follow incoming MIDI;
  // short output sent at once; nothing recorded yet.
  std::unique_ptr<Korvid> constructWithPorts()
  {
    midi->setOutputPorts({kOutPort});
    midi->setInputPorts({kInPort});
    auto plug = construct();
    // The device-id enquiry started by the output port gets no reply here: it runs out on the virtual clock,
    // which the bank changes and jobs of the test use as well.
    chooseOutputPort(*plug, 1);
    plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(1.0));
    EXPECT_TRUE(plug->mOutputPresent);
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
  for (std::atomic<bool>* flag : {&plug->mProcessingOverlay, &plug->mQueueOverflow, &plug->mWorkerBusy})
  {
    *flag = true;
    fromHost(*plug, 0x92, 60, 100);
    fromDevice(noteOn);
    EXPECT_TRUE(sent().empty());
    *flag = false;
  }
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
  VstMidiEvent note{};
  note.type = 1;
  note.byteSize = sizeof(note);
  note.midiData[0] = static_cast<char>(0x92);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  std::vector<unsigned char> storage(sizeof(VstEvents), 0);
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = 1;
  VstEventPointers(list)[0] = reinterpret_cast<VstEvent*>(&note);
  constexpr VstInt32 kProcessEvents = 25;
  AEffect* effect = plug->GetAEffect();
  EXPECT_EQ(effect->dispatcher(effect, kProcessEvents, 0, 0, list, 0.0f), 1);
  fromDevice({0x92, 61, 100});
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0x92, 60, 100}}));
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
