// Control action execution on the real editor: controller and sysex messages sent through the fake MIDI
// system, packed value bytes, the multi and global paths, the echo rule and the registry lookups.
#include "KorvidTestSupport.h"

#include "ControlAction.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;

constexpr const char* kPort = "Blofeld Out";
constexpr unsigned char kControlChange = 0xB0;
constexpr unsigned char kAllSoundsOff = 123;

class KorvidControlActions : public StartupFixture
{
protected:
  KorvidControlActions()
  {
    useResources(pluginFolder());
    midi->setOutputPorts({kPort});
  }

  // An editor with the output port chosen and nothing received yet.
  std::unique_ptr<Korvid> constructWithOutput()
  {
    auto plug = construct();
    chooseOutputPort(*plug, 1);
    EXPECT_TRUE(plug->mOutputPresent);
    plug->mDeviceId = 0;
    midi->clearReceived();
    return plug;
  }

  // What the framework does before the change handler: the value is stored; then the parameter's action.
  static void apply(Korvid& plug, int paramIdx, double value)
  {
    IParam* param = plug.GetParam(paramIdx);
    ASSERT_NE(param, nullptr);
    ASSERT_NE(param->GetAction(), nullptr) << paramIdx;
    param->Set(value);
    plug.processControlAction(param->GetAction(), paramIdx, value);
  }

  static void store(Korvid& plug, int paramIdx, double value) { plug.GetParam(paramIdx)->Set(value); }

  std::vector<Bytes> sent() const { return midi->received(kPort); }
  std::vector<Bytes> sysexSent() const
  {
    std::vector<Bytes> result;
    for (const Bytes& message : sent())
    {
      if (!message.empty() && message.front() == 0xF0)
      {
        result.push_back(message);
      }
    }
    return result;
  }
  std::vector<Bytes> controllersSent() const
  {
    std::vector<Bytes> result;
    for (const Bytes& message : sent())
    {
      if (message.size() == 3 && (message[0] & 0xF0) == kControlChange)
      {
        result.push_back(message);
      }
    }
    return result;
  }

  static std::string line(Korvid& plug, size_t index) { return displayLine(plug, index); }
  static std::string ccLine(Korvid& plug) { return line(plug, 4); }
  static HeadlessSurface& surface(Korvid& plug) { return dynamic_cast<HeadlessSurface&>(*plug.GetGUI()); }
};

Bytes parameterChange(int dev, int type, int part, int high, int low, int value)
{
  return {0xF0,
          0x3E,
          0x13,
          static_cast<unsigned char>(dev),
          static_cast<unsigned char>(type),
          static_cast<unsigned char>(part),
          static_cast<unsigned char>(high),
          static_cast<unsigned char>(low),
          static_cast<unsigned char>(value),
          0xF7};
}

TEST_F(KorvidControlActions, ControllerKnobsSendThePitchFamilyValuesOnThePartChannel)
{
  auto plug = constructWithOutput();
  store(*plug, kMultiPartMIDICh + 1, 5.0); // channel 3
  apply(*plug, kOscillator2Octave + 1, 3.0);
  EXPECT_EQ(ccLine(*plug), "CC|35");
  apply(*plug, kOscillator1Semitone + 1, 12.0);
  EXPECT_EQ(ccLine(*plug), "CC|28");
  const std::vector<Bytes> controllers = controllersSent();
  ASSERT_FALSE(controllers.empty());
  EXPECT_NE(std::find(controllers.begin(), controllers.end(), Bytes{0xB3, 35, 52}), controllers.end());
  EXPECT_EQ(controllers.back(), (Bytes{0xB3, 28, 64}));
  EXPECT_EQ(plug->GetParam(kOscillator2Octave + 1)->GetAction()->lastValue, 3.0);
}

TEST_F(KorvidControlActions, ControllerSwitchSendsItsOffValueForZeroAndItsOnValueOtherwise)
{
  auto plug = constructWithOutput();
  store(*plug, kMultiPartMIDICh, 2.0); // channel 0
  ControlAction action(kActionCCButton);
  action.keyInt1 = 80;
  action.part = 0;
  action.offValue = 10;
  action.onValue = 100;
  for (double value : {0.0, 1.0, 0.5})
  {
    plug->processControlAction(&action, kArpMode, value);
  }
  EXPECT_EQ(controllersSent().back(), (Bytes{0xB0, 80, 100}));
  std::vector<int> values;
  for (const Bytes& message : controllersSent())
  {
    if (values.empty() || values.back() != message[2])
    {
      values.push_back(message[2]);
    }
  }
  EXPECT_EQ(values, (std::vector<int>{10, 100}));
  EXPECT_EQ(ccLine(*plug), "CC|80");
}

TEST_F(KorvidControlActions, SysexValueEditCarriesTheAddressAndTheDeviceId)
{
  auto plug = constructWithOutput();
  plug->mDeviceId = 5;
  apply(*plug, kFilterEnvAttack + 2, 100.0);
  ASSERT_EQ(sysexSent().size(), 1u);
  EXPECT_EQ(sysexSent().back(), parameterChange(5, 0x20, 2, 0x01, 0x47, 100));
  EXPECT_EQ(ccLine(*plug), "SysEx");
  // An unknown device id keeps the template's byte.
  plug->mDeviceId = -1;
  apply(*plug, kFilterEnvAttack + 2, 7.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 2, 0x01, 0x47, 7));
}

TEST_F(KorvidControlActions, PackedBytesCarryTheirPartnerParameters)
{
  auto plug = constructWithOutput();
  store(*plug, kFilterEnvTrigger + 2, 1.0);
  apply(*plug, kFilterEnvMode + 2, 3.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 2, 0x01, 0x44, 35));

  store(*plug, kOscillatorUnisono, 2.0);
  apply(*plug, kOscillatorMonoPolyMode, 1.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 0, 0x00, 0x3A, 33));

  // Arpeggiator step 1 of part 1: step, glide and accent in one byte, length and timing in another.
  store(*plug, kArpPattern01Step + 1, 3.0);
  store(*plug, kArpPattern01Accent + 1, 5.0);
  apply(*plug, kArpPattern01Glide + 1, 1.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 1, 0x02, 0x47, 3 * 16 + 8 + 5));
  apply(*plug, kArpPattern01Accent + 1, 2.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 1, 0x02, 0x47, 3 * 16 + 8 + 2));
  store(*plug, kArpPattern01StepLen + 1, 2.0);
  apply(*plug, kArpPattern01Timing + 1, 4.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 1, 0x02, 0x57, 36));
  // The step list allows one value more than three bits carry: the byte stays a data byte.
  apply(*plug, kArpPattern01Step + 1, 8.0);
  EXPECT_EQ(sysexSent().back(), parameterChange(0, 0x20, 1, 0x02, 0x47, 7 * 16 + 8 + 2));
}

TEST_F(KorvidControlActions, ValuesWithoutAPreparedMessageSendNothing)
{
  auto plug = constructWithOutput();
  ControlAction* action = plug->GetParam(kFilterEnvAttack)->GetAction();
  plug->processControlAction(action, kFilterEnvAttack, 500.0);
  plug->processControlAction(action, kFilterEnvAttack, -3.0);
  ControlAction multi(kActionSysexValue);
  multi.multiMessage = true;
  multi.messagesPerValue = {{{0x3E, 0x13, 0x00, 0x20, 0x00, 0x00, 0x10, 0x00}}};
  plug->processControlAction(&multi, kFilterEnvAttack, 4.0);
  EXPECT_TRUE(sysexSent().empty());
}

TEST_F(KorvidControlActions, MultipleMessagesAreSentInOrderWithTheDeviceId)
{
  auto plug = constructWithOutput();
  plug->mDeviceId = 9;
  ControlAction action(kActionSysexValue);
  action.multiMessage = true;
  action.messagesPerValue = {
      {{0x3E, 0x13, 0x00, 0x20, 0x00, 0x00, 0x10, 0x00}},
      {{0x3E, 0x13, 0x00, 0x20, 0x00, 0x00, 0x11, 0x01}, {0x3E, 0x13, 0x00, 0x20, 0x00, 0x00, 0x12, 0x02}}};
  plug->processControlAction(&action, kFilterEnvAttack, 1.0);
  EXPECT_EQ(sysexSent(), (std::vector<Bytes>{parameterChange(9, 0x20, 0, 0x00, 0x11, 1),
                                             parameterChange(9, 0x20, 0, 0x00, 0x12, 2)}));
}

TEST_F(KorvidControlActions, MultiEditWithTheButtonHeldIsOnlyDeferred)
{
  auto plug = constructWithOutput();
  surface(*plug).SetShiftOrLeftButtonHeld(true);
  apply(*plug, kMultiPartLevel, 100.0);
  EXPECT_TRUE(plug->mDeferredMulti);
  EXPECT_FALSE(plug->mPushAllParts);
  EXPECT_TRUE(sent().empty());
  apply(*plug, kGlobalTranspose, 14.0);
  EXPECT_TRUE(plug->mDeferredGlobal);
  EXPECT_TRUE(sent().empty());

  // Released: the multi is pushed (all sounds off first) and no parameter message goes out.
  surface(*plug).SetShiftOrLeftButtonHeld(false);
  store(*plug, kMultiPartStatus, 1.0);
  store(*plug, kMultiPartMIDICh, 2.0);
  plug->mPushGlobal = true;
  apply(*plug, kMultiPartLevel, 90.0);
  EXPECT_TRUE(plug->mPushAllParts);
  EXPECT_FALSE(plug->mPushGlobal);
  EXPECT_EQ(ccLine(*plug), "MULTI");
  const std::vector<Bytes> controllers = controllersSent();
  EXPECT_NE(std::find(controllers.begin(), controllers.end(), Bytes{0xB0, kAllSoundsOff, 0}),
            controllers.end());
  for (const Bytes& message : sysexSent())
  {
    EXPECT_NE(message.size(), 10u) << "a multi edit sends the dump, not the parameter";
  }
}

TEST_F(KorvidControlActions, MultiAndGlobalDumpsWaitForTheHostTransportToStop)
{
  auto plug = constructWithOutput();
  plug->mTransportWasRunning = true;
  plug->mStopPending = true;
  apply(*plug, kMultiPartStatus + 3, 1.0);
  EXPECT_EQ(line(*plug, 0), "STOP PLAYBACK TO SEND MULTI DATA");
  EXPECT_EQ(ccLine(*plug), "MULTI");
  apply(*plug, kGlobalTranspose, 13.0);
  EXPECT_EQ(line(*plug, 0), "STOP PLAYBACK TO SEND GLOBAL DATA");
  EXPECT_EQ(ccLine(*plug), "GLOBAL");
  EXPECT_TRUE(sent().empty());
  // Once the transport stopped the global edit goes on to its job.
  plug->mStopPending = false;
  store(*plug, kMultiPartStatus, 1.0);
  store(*plug, kMultiPartMIDICh, 2.0);
  apply(*plug, kGlobalTranspose, 12.0);
  EXPECT_FALSE(controllersSent().empty());
}

TEST_F(KorvidControlActions, WithoutAnOutputPortOnlySoundEditsAskForOne)
{
  auto plug = construct();
  ASSERT_FALSE(plug->mOutputPresent);
  plug->showStatusText("before");
  ControlAction none(kActionNoMidi);
  plug->processControlAction(&none, kDeviceOutSelection, 1.0);
  plug->processControlAction(&none, kGlobalSysExID, 1.0);
  EXPECT_EQ(plug->getStatusText(), "before");
  plug->mConstructed = false;
  apply(*plug, kFilterEnvAttack, 20.0);
  EXPECT_EQ(plug->getStatusText(), "before");
  plug->mConstructed = true;
  apply(*plug, kFilterEnvAttack, 20.0);
  EXPECT_EQ(plug->getStatusText(), "Set MIDI I/O First!");
  EXPECT_TRUE(midi->received(kPort).empty());

  // The manager's own send path checks the port selection too.
  plug->showStatusText("before");
  plug->mMIDIMessageManager->sendSysexMessage({0x3E, 0x13});
  EXPECT_EQ(plug->getStatusText(), "Set MIDI I/O First!");
  EXPECT_TRUE(midi->received(kPort).empty());
}

TEST_F(KorvidControlActions, ValuesFromTheSynthesizerMoveTheControlsAndSendNothing)
{
  auto plug = constructWithOutput();
  plug->mDeviceUpdate = true;
  apply(*plug, kFilterEnvAttack + 1, 64.0);
  IControl* control = plug->GetParam(kFilterEnvAttack + 1)->GetAction()->boundControls.front();
  EXPECT_DOUBLE_EQ(control->GetValue(), plug->GetParam(kFilterEnvAttack + 1)->GetNormalized());
  apply(*plug, kOscillator1Octave, 2.0);
  apply(*plug, kMultiPartLevel, 10.0);
  EXPECT_TRUE(sent().empty());
  EXPECT_FALSE(plug->mPushAllParts);
  EXPECT_FALSE(plug->mDeferredMulti);
}

TEST_F(KorvidControlActions, LinkedUpdateStoresTheValueBoundedToTheRange)
{
  auto plug = constructWithOutput();
  plug->mLinkedUpdate = true;
  ControlAction* action = plug->GetParam(kFilterEnvAttack)->GetAction();
  plug->processControlAction(action, kFilterEnvAttack, 300.0);
  plug->mLinkedUpdate = false;
  EXPECT_EQ(plug->GetParam(kFilterEnvAttack)->Value(), 127.0);
  EXPECT_DOUBLE_EQ(action->boundControls.front()->GetValue(), 1.0);
}

TEST_F(KorvidControlActions, IncomingControllerEchoesOnlyWithLocalControlOffOrFromTheHost)
{
  auto plug = constructWithOutput();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  manager.sendSuppress = true;
  struct Case
  {
    bool localControl;
    bool fromHost;
    bool echoed;
  };
  for (const Case& c : {Case{false, false, true}, Case{true, false, false}, Case{true, true, true}})
  {
    midi->clearReceived();
    plug->mLocalControl = c.localControl;
    manager.fromHost = c.fromHost;
    apply(*plug, kFilterEnvAttack, 33.0);
    apply(*plug, kOscillator1Octave, 1.0);
    EXPECT_EQ(sysexSent().size(), c.echoed ? 1u : 0u) << c.localControl << c.fromHost;
    EXPECT_EQ(controllersSent().empty(), !c.echoed) << c.localControl << c.fromHost;
  }
}

TEST_F(KorvidControlActions, EffectEditsAreCopiedIntoTheGenericEffectParameters)
{
  auto plug = constructWithOutput();
  apply(*plug, kFX1ChorusSpeed + 2, 20.0);
  EXPECT_EQ(plug->GetParam(kEffect1Param01 + 2)->Value(), 20.0);

  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  // The delay spread and the overdrive curve of effect 2 are effect parameter 10, as in the sound dump;
  // parameters 3 and 7 keep what they held.
  plug->GetParam(kEffect2Param03 + 3)->Set(3.0);
  plug->GetParam(kEffect2Param07 + 3)->Set(5.0);
  manager.SetFX2ParameterChangesToDefaultParameters(kFX2DelaySpread + 3, 40);
  EXPECT_EQ(plug->GetParam(kEffect2Param10 + 3)->Value(), 40.0);
  manager.SetFX2ParameterChangesToDefaultParameters(kFX2OverdriveCurve + 3, 9);
  EXPECT_EQ(plug->GetParam(kEffect2Param10 + 3)->Value(), 9.0);
  EXPECT_EQ(plug->GetParam(kEffect2Param03 + 3)->Value(), 3.0);
  EXPECT_EQ(plug->GetParam(kEffect2Param07 + 3)->Value(), 5.0);
  // Bounded to the generic parameter's range.
  IParam* generic = plug->GetParam(kEffect1Param06 + 15);
  manager.SetFX1ParameterChangesToDefaultParameters(kFX1TripleFXOverdrive + 15, 1000);
  EXPECT_EQ(generic->Value(), generic->GetMax());
  // Indices outside the tables, and each effect's table only for its own parameters.
  const double before = plug->GetParam(kEffect2Param01)->Value();
  manager.SetFX2ParameterChangesToDefaultParameters(kFX1ChorusSpeed, before + 1);
  manager.SetFX2ParameterChangesToDefaultParameters(kEffect2Param01, before + 1);
  EXPECT_EQ(plug->GetParam(kEffect2Param01)->Value(), before);
}

TEST_F(KorvidControlActions, LookupsFindTheRegisteredControlsAndNothingElse)
{
  auto plug = construct();
  IControl* sysex = plug->getSysexControl(0x20, 2, 0x01, 0x47, 0);
  ASSERT_NE(sysex, nullptr);
  EXPECT_EQ(sysex->ParamIdx(), kFilterEnvAttack + 2);
  EXPECT_EQ(plug->getSysexControl(0x20, 2, 0x01, 0x47, 5), nullptr);
  EXPECT_EQ(plug->getSysexControl(0x7F, 2, 0x01, 0x47, 0), nullptr);

  ControlAction* octave = plug->GetParam(kOscillator2Octave + 4)->GetAction();
  ASSERT_NE(octave, nullptr);
  IControl* cc = plug->getCCControls(octave->channelKey, 35, octave->keyFlag);
  ASSERT_NE(cc, nullptr);
  EXPECT_EQ(cc->ParamIdx(), kOscillator2Octave + 4);
  EXPECT_EQ(plug->getCCControls(octave->channelKey, 36, 7), nullptr);
  EXPECT_EQ(plug->getCCControls(99, 35, octave->keyFlag), nullptr);
}

TEST_F(KorvidControlActions, SendSysexMessageFramesTheLowBytes)
{
  auto plug = constructWithOutput();
  plug->mMIDIMessageManager->sendSysexMessage({0x3E, 0x13, 0x100, 0x20, 0x00, 0x00, 0x13F, 0x05});
  plug->mMIDIMessageManager->sendSysexMessage({});
  EXPECT_EQ(sysexSent(), (std::vector<Bytes>{parameterChange(0, 0x20, 0, 0x00, 0x3F, 5)}));
}
} // namespace
