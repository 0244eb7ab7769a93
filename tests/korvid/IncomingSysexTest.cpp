// Sysex from the synthesizer into the editor: knobs turned on the synthesizer in every parameter family,
// malformed messages, the bank and program a part follows, and library requests that fill slots.
#include "KorvidTestSupport.h"

#include "BlofeldSimulator.h"
#include "ControlAction.h"
#include "IControl.h"
#include "LibrarianViewControl.h"
#include "MIDIMessageManager.h"
#include "MadeBanks.h"
#include "ParamIndex.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"
#include "UIConfigManager.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
using P = SysexProtocol;
constexpr const char* kOutPort = "Blofeld Out";
constexpr const char* kInPort = "Blofeld In";

// A control without a picture, for addresses the shipped description registers no control for.
class PlainControl : public IControl
{
public:
  using IControl::IControl;
  bool Draw(IGraphics*) override { return true; }
};

class IncomingSysex : public StartupFixture
{
protected:
  IncomingSysex() { useResources(pluginFolder()); }

  // Both ports chosen, the device-id probe over, no dump expected, nothing recorded yet.
  std::unique_ptr<Korvid> constructWithPorts()
  {
    midi->setOutputPorts({kOutPort});
    midi->setInputPorts({kInPort});
    auto plug = construct();
    // The input first: choosing the output then starts the probe and waits for its end.
    plug->SetParameterFromGUI(kDeviceInSelection, plug->GetParam(kDeviceInSelection)->GetNormalized(1.0));
    chooseOutputPort(*plug, 1);
    plug->mMIDIMessageManager->dumpExpected = false;
    midi->clearReceived();
    return plug;
  }

  // A bank file of 128 sounds named "Made Sound 0" .. "Made Sound 127" in the library, read at construction.
  void writeSoundBank(const std::string& fileName)
  {
    createLibrary();
    const Bytes bank = madeBank(0, PatchFile::kBankSize);
    home.writeFile("Patches/" + fileName, std::string(bank.begin(), bank.end()));
  }

  // The shipped description registers no control for a part's program: registers one for part 4 as it would.
  static IControl* registerPartProgramControl(Korvid& plug)
  {
    auto* program = new PlainControl(&plug, IRECT(0, 0, 10, 10), kMultiPartPatch + 4);
    plug.getSurface()->AttachControl(program);
    const unsigned char key[] = {0x21, 4, 0, 1};
    plug.getUIConfigManager()->sysexControls.addToControlMap(key, 0, program);
    return program;
  }

  void fromDevice(const Bytes& bytes) { ASSERT_EQ(midi->inject(kInPort, bytes), 1); }
  std::vector<Bytes> sent() const { return midi->received(kOutPort); }

  // A value stored with its controls moved, as the synthesizer's data would leave it.
  static void set(Korvid& plug, int paramIdx, double value)
  {
    plug.getSurface()->SetParameterFromPlug(paramIdx, value, false);
  }
  static double value(Korvid& plug, int paramIdx) { return plug.GetParam(paramIdx)->Value(); }

  // Every parameter value, to compare before and after.
  static std::vector<double> allValues(Korvid& plug)
  {
    std::vector<double> values;
    for (int i = 0; i < plug.NParams(); ++i)
    {
      values.push_back(plug.GetParam(i)->Value());
    }
    return values;
  }

  // The parameter holds v and every control bound to it shows it.
  static void expectShown(Korvid& plug, int paramIdx, double v, const std::string& what)
  {
    IParam* param = plug.GetParam(paramIdx);
    EXPECT_EQ(param->Value(), v) << what << ": " << param->GetNameForHost();
    if (ControlAction* action = param->GetAction())
    {
      for (IControl* control : action->boundControls)
      {
        EXPECT_NEAR(control->GetValue(), param->GetNormalized(), 1e-9)
            << what << ": " << param->GetNameForHost();
      }
    }
  }

  // The synthesizer the knobs are turned on (only its bytes are used here).
  BlofeldSimulator synth;
};

// Fields of the global data that the global changes below address.
constexpr int kGlobalChannelIndex = 36;
constexpr int kGlobalTuneIndex = 40;
constexpr int kGlobalTransposeIndex = 41;
constexpr int kGlobalLocalControlIndex = 57;

TEST_F(IncomingSysex, KnobsTurnedOnTheSynthesizerMoveTheirControlsInEveryFamilyAndNothingGoesBack)
{
  auto plug = constructWithPorts();
  struct Row
  {
    const char* family;
    std::function<void(Korvid&)> before;
    Bytes message;
    std::vector<std::pair<int, double>> expected;
  };
  const auto effectTypes = [](int effect1, int effect2, int part)
  {
    return [=](Korvid& p)
    {
      set(p, kEffect1Mode + part, effect1);
      set(p, kEffect2Mode + part, effect2);
    };
  };
  const auto nothing = [](Korvid&) {};
  const std::vector<Row> rows = {
      {"plain", nothing, synth.turnKnob(3, 78, 100), {{kFilter1Cutoff + 3, 100}}},
      {"bend range offset", nothing, synth.turnKnob(0, 4, 64), {{kOscillator1BendRange, 24}}},
      // High byte 0 with the low bytes of the envelope bytes: plain knobs, the envelopes untouched.
      {"noise balance",
       [](Korvid& p) { set(p, kFilterEnvMode + 2, 1); },
       synth.turnKnob(2, 68, 37),
       {{kNoiseBalance + 2, 37}, {kFilterEnvMode + 2, 1}}},
      {"filter 1 resonance",
       [](Korvid& p) { set(p, kAmpEnvMode + 2, 1); },
       synth.turnKnob(2, 80, 90),
       {{kFilter1Resonance + 2, 90}, {kAmpEnvMode + 2, 1}}},
      {"filter 1 FM amount",
       [](Korvid& p) { set(p, kEnvelope3Mode + 2, 1); },
       synth.turnKnob(2, 92, 12),
       {{kFilter1FMAmount + 2, 12}, {kEnvelope3Mode + 2, 1}}},
      {"unisono mono",
       nothing,
       synth.turnKnob(1, 58, 0x11),
       {{kOscillatorUnisono + 1, 1}, {kOscillatorMonoPolyMode + 1, 1}}},
      {"unisono poly",
       nothing,
       synth.turnKnob(1, 58, 0x20),
       {{kOscillatorUnisono + 1, 2}, {kOscillatorMonoPolyMode + 1, 0}}},
      {"filter envelope",
       nothing,
       synth.turnKnob(1, 196, 0x22),
       {{kFilterEnvMode + 1, 2}, {kFilterEnvTrigger + 1, 1}}},
      {"amp envelope", nothing, synth.turnKnob(1, 208, 3), {{kAmpEnvMode + 1, 3}, {kAmpEnvTrigger + 1, 0}}},
      {"envelope 3", nothing, synth.turnKnob(1, 220, 0x21), {{kEnvelope3Mode + 1, 1}, {kEnv3Trigger + 1, 1}}},
      {"envelope 4", nothing, synth.turnKnob(1, 232, 4), {{kEnvelope4Mode + 1, 4}, {kEnv4Trigger + 1, 0}}},
      {"effect 1 chorus",
       effectTypes(1, 0, 0),
       synth.turnKnob(0, 130, 33),
       {{kFX1ChorusSpeed, 33}, {kEffect1Param01, 33}}},
      {"effect 1 flanger",
       effectTypes(2, 0, 0),
       synth.turnKnob(0, 130, 44),
       {{kFX1FlangerSpeed, 44}, {kEffect1Param01, 44}}},
      {"effect 1 overdrive",
       effectTypes(4, 0, 0),
       synth.turnKnob(0, 139, 7),
       {{kFX1OverdriveCurve, 7}, {kEffect1Param10, 7}}},
      // The effect 2 panel is the first part's.
      {"effect 2 delay",
       effectTypes(0, 6, 0),
       synth.turnKnob(0, 155, 100),
       {{kFX2DelaySpread, 100}, {kEffect2Param10, 100}}},
      {"effect 2 overdrive",
       effectTypes(0, 4, 0),
       synth.turnKnob(0, 155, 9),
       {{kFX2OverdriveCurve, 9}, {kEffect2Param10, 9}}},
      {"effect 2 reverb",
       effectTypes(0, 8, 0),
       synth.turnKnob(0, 146, 70),
       {{kFX2ReverbSize, 70}, {kEffect2Param01, 70}}},
      // The clocked delay's length has no group of its own: group 0 holds it.
      {"effect 2 clocked delay",
       effectTypes(0, 7, 0),
       synth.turnKnob(0, 156, 12),
       {{kFX2DelayLengthClock, 12}, {kEffect2Param11, 12}}},
      {"effect 1 of part 3",
       effectTypes(3, 0, 3),
       synth.turnKnob(3, 136, 21),
       {{kFX1PhaserSpacing + 3, 21}, {kEffect1Param07 + 3, 21}}},
      {"effect 1 type", effectTypes(0, 0, 0), synth.turnKnob(0, 128, 3), {{kEffect1Mode, 3}}},
      {"effect 2 type", effectTypes(0, 0, 5), synth.turnKnob(5, 144, 8), {{kEffect2Mode + 5, 8}}},
      {"arpeggiator step",
       nothing,
       synth.turnKnob(3, 327, 91),
       {{kArpPattern01Glide + 3, 1}, {kArpPattern01Step + 3, 5}, {kArpPattern01Accent + 3, 3}}},
      {"arpeggiator step without glide",
       nothing,
       synth.turnKnob(3, 342, 0x35),
       {{kArpPattern16Glide + 3, 0}, {kArpPattern16Step + 3, 3}, {kArpPattern16Accent + 3, 5}}},
      {"arpeggiator length",
       nothing,
       synth.turnKnob(3, 344, 0x34),
       {{kArpPattern02StepLen + 3, 3}, {kArpPattern02Timing + 3, 4}}},
      {"global tuning", nothing, synth.turnGlobalKnob(kGlobalTuneIndex, 64), {{kGlobalTuning, 10}}},
      {"global transpose", nothing, synth.turnGlobalKnob(kGlobalTransposeIndex, 52), {{kGlobalTranspose, 0}}},
      {"global channel", nothing, synth.turnGlobalKnob(kGlobalChannelIndex, 5), {{kGlobalMidiChannel, 5}}},
      {"multi transpose",
       nothing,
       P::parameterChange(0, {0x21, 2, 0, 5, 20}),
       {{kMultiPartTranspose + 2, 4}}},
      {"multi velocity", nothing, P::parameterChange(0, {0x21, 2, 0, 10, 1}), {{kMultiPartVeloLow + 2, 0}}},
  };
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  for (const Row& row : rows)
  {
    row.before(*plug);
    fromDevice(row.message);
    for (const auto& [paramIdx, expected] : row.expected)
    {
      expectShown(*plug, paramIdx, expected, row.family);
    }
    EXPECT_TRUE(sent().empty()) << row.family << ": sent back";
    EXPECT_FALSE(manager.sendSuppress.load()) << row.family;
    EXPECT_FALSE(manager.unhandled.load()) << row.family;
    midi->clearReceived();
  }

  // Local control follows the global change, both ways.
  fromDevice(synth.turnGlobalKnob(kGlobalLocalControlIndex, 1));
  EXPECT_TRUE(plug->mLocalControl.load());
  fromDevice(synth.turnGlobalKnob(kGlobalLocalControlIndex, 0));
  EXPECT_FALSE(plug->mLocalControl.load());
  EXPECT_EQ(value(*plug, kGlobalLocalControl), 0.0);
  // A value below a range lands on its start.
  fromDevice(synth.turnKnob(0, 4, 10));
  expectShown(*plug, kOscillator1BendRange, 0, "bend range below its range");
  EXPECT_TRUE(sent().empty());
}

TEST_F(IncomingSysex, TruncatedOverlongForeignAndGarbledMessagesChangeNothing)
{
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  const Bytes good = synth.turnKnob(0, 78, 99);
  std::vector<Bytes> bad;
  for (size_t length = 0; length + 1 < good.size(); ++length)
  {
    bad.emplace_back(good.begin(), good.begin() + static_cast<long>(length));
  }
  Bytes longer = good;
  longer.insert(longer.end() - 1, 0x00);
  bad.push_back(longer);
  for (size_t at : {size_t{0}, size_t{1}, size_t{2}, good.size() - 1})
  {
    Bytes foreign = good;
    foreign[at] ^= 0x01;
    bad.push_back(foreign);
  }
  // A data byte with its top bit (a value above 127, an address byte or a status in the middle).
  for (size_t at = 3; at + 1 < good.size(); ++at)
  {
    Bytes garbled = good;
    garbled[at] |= 0x80;
    bad.push_back(garbled);
  }
  // Locations 16 and above address no part.
  Bytes location = good;
  location[5] = 16;
  bad.push_back(location);
  location[5] = 0x7F;
  bad.push_back(location);
  // Whole dumps while none is expected, and a message long enough to be a dump.
  const SoundDumpLayout::Dump& templ = SoundDumpLayout::soundTemplate();
  bad.emplace_back(templ.begin(), templ.end());
  Bytes sixty(P::kDumpThreshold, 0x00);
  sixty.front() = P::kSysexStart;
  sixty.back() = P::kSysexEnd;
  bad.push_back(sixty);

  const std::vector<double> before = allValues(*plug);
  for (const Bytes& message : bad)
  {
    if (!message.empty())
    {
      fromDevice(message);
    }
    ISysEx sysex(0, message.empty() ? nullptr : message.data(), static_cast<int>(message.size()));
    plug->ProcessSysEx(&sysex, true);
  }
  EXPECT_EQ(before, allValues(*plug));
  EXPECT_TRUE(sent().empty());

  // Host sysex never reaches the editor; a parameter change while a dump is expected is dropped.
  ISysEx fromHost(0, good.data(), static_cast<int>(good.size()));
  plug->ProcessSysEx(&fromHost, false);
  manager.dumpExpected = true;
  fromDevice(good);
  EXPECT_EQ(before, allValues(*plug));
  manager.dumpExpected = false;
  // The short form without the device id carries the same change.
  Bytes shortForm = good;
  shortForm.erase(shortForm.begin() + P::kDeviceIdOffset);
  fromDevice(shortForm);
  EXPECT_EQ(value(*plug, kFilter1Cutoff), 99.0);
}

TEST_F(IncomingSysex, GlobalDumpsOfEitherLengthAreTakenAndEveryOneEndsTheExpectedDump)
{
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  // The simulator answers with 80 bytes; the device's public format counts 79.
  Bytes global = synth.global();
  ASSERT_EQ(global.size(), static_cast<size_t>(P::kGlobalDumpLength));
  global[45] = 60;
  Bytes over = global;
  over.insert(over.end() - 1, 0x00);
  over[45] = 70;
  manager.dumpExpected = true;
  fromDevice(over);
  EXPECT_FALSE(manager.dumpExpected.load());
  EXPECT_NE(value(*plug, kGlobalTuning), 16.0);

  Bytes short79 = global;
  short79.erase(short79.end() - 2);
  for (const Bytes& dump : {global, short79})
  {
    set(*plug, kGlobalTuning, 0);
    manager.dumpExpected = true;
    fromDevice(dump);
    EXPECT_FALSE(manager.dumpExpected.load()) << dump.size();
    EXPECT_EQ(value(*plug, kGlobalTuning), 6.0) << dump.size();
  }
}

TEST_F(IncomingSysex, APartsProgramFollowsOutsideTheSecondAfterAShortProgramChange)
{
  writeSoundBank("Bank.syx");
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  IControl* program = registerPartProgramControl(*plug);
  const Bytes change17 = P::parameterChange(0, {0x21, 4, 0, 1, 17});
  set(*plug, kPartLock + 4, 0);
  set(*plug, kGlobalRxProgramChange, 1);

  LibrarianViewControl* view = plug->mLibrarianView;
  ASSERT_NE(view, nullptr);
  view->cursorSlot = 0;

  // Within a second of a short program change only the control moves: the time stands still meanwhile.
  static uint32_t ticks = 50000;
  plug->mTickCount = [] { return ticks; };
  set(*plug, kControlLibrary, 1);
  manager.programChangeTimeStamp = static_cast<int32_t>(ticks - 1000);
  plug->mPartProgramTable[4] = 3;
  fromDevice(change17);
  EXPECT_NEAR(program->GetValue(), plug->GetParam(kMultiPartPatch + 4)->GetNormalized(17.0), 1e-9);
  EXPECT_EQ(plug->mPartProgramTable[4], 3);
  EXPECT_EQ(view->cursorSlot, 0);

  // Librarian program-change mode: upper slot 17 goes to part 4 (the send puts the cursor on it).
  manager.programChangeTimeStamp = static_cast<int32_t>(ticks - 1001);
  set(*plug, kMultiPartPatch + 4, 0);
  fromDevice(change17);
  EXPECT_EQ(plug->mPartProgramTable[4], 17);
  EXPECT_EQ(value(*plug, kMultiPartPatch + 4), 17.0);
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 17);
  EXPECT_EQ(view->selectedUpper, 17);
  EXPECT_EQ(view->cursorSlot, 17);
  EXPECT_EQ(plug->getStatusText().find("nothing sent"), std::string::npos) << plug->getStatusText();
  ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
  // Slot 17's record went to part 4's edit buffer.
  ASSERT_FALSE(sent().empty());
  const Bytes record = sent().back();
  ASSERT_EQ(record.size(), static_cast<size_t>(SoundDumpLayout::kDumpLength));
  EXPECT_EQ(record[P::kBankOffset], P::kEditBufferBank);
  EXPECT_EQ(record[P::kProgramOffset], 4);
  const Bytes slot17 = madeSound(17);
  EXPECT_TRUE(std::equal(slot17.begin() + SoundDumpLayout::kNameOffset,
                         slot17.begin() + SoundDumpLayout::kNameOffset + SoundDumpLayout::kNameLength,
                         record.begin() + SoundDumpLayout::kNameOffset));

  // A locked part does not follow.
  set(*plug, kPartLock + 4, 1);
  fromDevice(P::parameterChange(0, {0x21, 4, 0, 1, 18}));
  EXPECT_EQ(view->selectedUpper, 17);
  set(*plug, kPartLock + 4, 0);

  // Program changes received: all sounds off, bank and program, then the part's sound is requested.
  set(*plug, kControlLibrary, 0);
  plug->mProgramChangeControlsBank = true;
  midi->clearReceived();
  fromDevice(P::parameterChange(0, {0x21, 4, 0, 1, 20}));
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 20);
  ASSERT_FALSE(sent().empty());
  EXPECT_EQ(sent().front(), (Bytes{0xB4, 123, 0})) << "all sounds off on part 4's channel";
  const Bytes programChange{0xC4, 20};
  const Bytes request{0xF0, 0x3E, 0x13, 0x00, 0x00, 0x7F, 0x04, 0xF7};
  std::vector<Bytes> out;
  waitUntil(
      [&]
      {
        out = sent();
        return std::find(out.begin(), out.end(), request) != out.end();
      });
  const auto changed = std::find(out.begin(), out.end(), programChange);
  const auto requested = std::find(out.begin(), out.end(), request);
  ASSERT_NE(changed, out.end());
  ASSERT_NE(requested, out.end());
  EXPECT_LT(changed, requested) << "the request follows the program change";
  manager.sender->cancel = true;
  manager.shutdown();
}

TEST_F(IncomingSysex, FuzzedMessagesNeverReachBeyondTheirBytes)
{
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  std::mt19937 random(20260127u);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> dataByte(0, 127);
  std::uniform_int_distribution<int> shortLength(0, 14);
  std::uniform_int_distribution<int> longLength(60, 430);
  std::uniform_int_distribution<int> coin(0, 3);
  constexpr int kMessages = 20000;
  for (int i = 0; i < kMessages; ++i)
  {
    const bool dump = coin(random) == 0;
    Bytes message(static_cast<size_t>(dump ? longLength(random) : shortLength(random)));
    for (unsigned char& b : message)
    {
      b = static_cast<unsigned char>(coin(random) == 0 ? byte(random) : dataByte(random));
    }
    // Most of them look like the synthesizer's, so that the dispatch and the parsers get to read them.
    if (message.size() > 4 && coin(random) != 0)
    {
      message[0] = P::kSysexStart;
      message[1] = P::kManufacturerId;
      message[2] = P::kModelId;
      message[4] =
          static_cast<unsigned char>(dump ? 0x10 + coin(random) : 0x20 + (coin(random) == 0 ? 4 : 0));
      if (!dump && message.size() >= 8)
      {
        message[5] = static_cast<unsigned char>(dataByte(random) % 16);
        message[6] = static_cast<unsigned char>(coin(random) % 3);
      }
      message.back() = coin(random) == 0 ? message.back() : P::kSysexEnd;
    }
    manager.dumpExpected = dump && coin(random) != 0;
    if (coin(random) == 0)
    {
      plug->SetLibrarianRequestActive(true);
    }
    ISysEx sysex(0, message.empty() ? nullptr : message.data(), static_cast<int>(message.size()));
    plug->ProcessSysEx(&sysex, true);
  }
  // Still answering: a plain knob lands.
  plug->SetLibrarianRequestActive(false);
  manager.dumpExpected = false;
  fromDevice(synth.turnKnob(0, 78, 77));
  EXPECT_EQ(value(*plug, kFilter1Cutoff), 77.0);
}

TEST_F(IncomingSysex, OverwriteBankStoresTheCurrentPartIntoTheSelectedUpperSlot)
{
  writeSoundBank("Bank.syx");
  auto plug = constructWithPorts();
  PatchLibrarian& librarian = *plug->mPatchLibrarian;
  ASSERT_FALSE(librarian.mSoundBanks.empty());
  librarian.mUpperBankIndex = 0;
  librarian.mSelectedUpperSlot = 42;
  plug->mCurrentPart = 2;
  plug->GetParam(kPatchName + 2)->SetDisplayText(0, "Overwritten");
  set(*plug, kFilter1Cutoff + 2, 55);
  set(*plug, kBankEditUnsaved, 0);
  set(*plug, kOverwriteBank, 0);

  plug->SetParameterFromGUI(kOverwriteBank, 1.0);
  ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
  const std::vector<LibrarianPatch>& records = librarian.mSoundBanks[0]->mRecords;
  ASSERT_EQ(records.size(), 128u);
  EXPECT_EQ(records[42].mName, "Overwritten     ");
  ASSERT_EQ(records[42].mMessages.size(), 1u);
  EXPECT_EQ(records[42].mMessages[0].mData[SoundDumpLayout::kFirstParameterByte + 77], 55);
  EXPECT_EQ(records[41].mName.rfind("Made Sound 41 ", 0), 0u);
  EXPECT_EQ(records[43].mName.rfind("Made Sound 43 ", 0), 0u);
  EXPECT_EQ(value(*plug, kBankEditUnsaved), 1.0);
  EXPECT_EQ(plug->getStatusText(), "Part 3 stored to slot 043") << "nothing came from the synthesizer";
  // Nothing went to the synthesizer.
  EXPECT_TRUE(sent().empty());
  // With multis shown, or a lower slot selected (STORE SOUND greyed), the line says why nothing is stored.
  set(*plug, kOverwriteBank, 0);
  plug->mMultiMode = true;
  plug->SetParameterFromGUI(kOverwriteBank, 1.0);
  EXPECT_EQ(plug->getStatusText(), "Switch to SOUNDS to store a sound - nothing stored");
  plug->mMultiMode = false;
  plug->mLibrarianView->activePane = 1;
  plug->OnGrayedControlClicked(kOverwriteBank);
  EXPECT_EQ(plug->getStatusText(), "Select a slot of the upper bank - nothing stored");
}

TEST_F(IncomingSysex, DumpsWithAWrongChecksumAreTakenNowhereAndTheirRequestWaitsOn)
{
  writeSoundBank("Bank.syx");
  auto plug = constructWithPorts();
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  plug->mPatchLibrarian->mUpperBankIndex = 0;
  plug->mPatchLibrarian->mSelectedUpperSlot = 9;
  // Sound and multi, into the editor and into a slot; the checksum right, 7F (always accepted) or wrong.
  for (int row = 0; row < 4; ++row)
  {
    const bool multi = row % 2 == 1, toLibrary = row >= 2;
    Bytes dump = multi ? synth.multiEditBuffer() : synth.sound(0, 3);
    ASSERT_GT(dump.size(), 60u);
    P::writeChecksum(dump.data(), static_cast<int>(dump.size()));
    const uint8_t right = dump[dump.size() - 2];
    plug->mMultiMode = multi;
    for (const uint8_t checksum : {uint8_t(right ^ 0x01), uint8_t(right ^ 0x40), right, uint8_t(0x7F)})
    {
      SCOPED_TRACE(std::to_string(row) + " checksum " + std::to_string(checksum));
      const bool wrong = checksum != right && checksum != 0x7F;
      plug->SetLibrarianRequestActive(toLibrary);
      dump[dump.size() - 2] = checksum;
      fromDevice(dump);
      EXPECT_NE(plug->mDumpArrived.load(), wrong);
      EXPECT_EQ(toLibrary ? manager.patchRequest.isActive() || manager.performanceRequest.isActive()
                          : manager.dumpExpected.load(),
                wrong);
      if (wrong)
      {
        EXPECT_EQ(plug->getStatusText(), "Dump with a wrong checksum ignored!");
      }
    }
  }
}

TEST_F(IncomingSysex, ARequestedSoundLandsInTheSelectedSlotAndARequestWithoutASlotIsRefused)
{
  writeSoundBank("Bank.syx");
  auto plug = constructWithPorts();
  PatchLibrarian& librarian = *plug->mPatchLibrarian;
  MIDIMessageManager& manager = *plug->mMIDIMessageManager;
  ASSERT_FALSE(librarian.mSoundBanks.empty());
  librarian.mUpperBankIndex = 0;
  // The request only arms; the dump is the synthesizer's stored sound.
  Bytes reply = synth.sound(0, 0);
  const char name[] = "Requested Sound ";
  std::copy(name, name + SoundDumpLayout::kNameLength, reply.begin() + SoundDumpLayout::kNameOffset);
  reply[SoundDumpLayout::kCategoryOffset] = 3;

  librarian.mSelectedUpperSlot = 7;
  plug->SetLibrarianRequestActive(true);
  // A parameter change meanwhile is taken by the request and completes nothing.
  fromDevice(synth.turnKnob(0, 78, 5));
  EXPECT_TRUE(manager.patchRequest.isActive());
  fromDevice(reply);
  EXPECT_FALSE(manager.patchRequest.isActive());
  EXPECT_TRUE(plug->mDumpArrived.load());
  const std::vector<LibrarianPatch>& records = librarian.mSoundBanks[0]->mRecords;
  EXPECT_EQ(records[7].mName, "Requested Sound ");
  EXPECT_EQ(records[7].mCategory, "Bass");
  ASSERT_EQ(records[7].mMessages.size(), 1u);
  EXPECT_EQ(records[7].mMessages[0].mData, reply);
  EXPECT_FALSE(manager.storeRefused.load());

  // No slot selected: said so, and nothing written anywhere.
  librarian.mSelectedUpperSlot = -1;
  plug->SetLibrarianRequestActive(true);
  const char other[] = "Other Sound     ";
  std::copy(other, other + SoundDumpLayout::kNameLength, reply.begin() + SoundDumpLayout::kNameOffset);
  fromDevice(reply);
  EXPECT_TRUE(manager.storeRefused.load());
  EXPECT_EQ(plug->getStatusText(), "No slot selected, data not stored!");
  for (const LibrarianPatch& record : records)
  {
    EXPECT_NE(record.mName, "Other Sound     ");
  }
}

TEST_F(IncomingSysex, LibraryProgramChangesToASlotWithoutASoundSayNothingWasSent)
{
  using Setup = std::function<void(Korvid&)>;
  const Setup searchResults = [](Korvid& plug)
  {
    plug.mPatchLibrarian->createNewSearchPatchFiles("Made Sound 1");
    plug.mSearchList = true;
    plug.patchTypeChanged(0, 4, false);
  };
  const Setup categoryList = [](Korvid& plug)
  {
    plug.mCategoryList = true;
    plug.patchTypeChanged(0, 1, false);
  };
  const Setup emptiedUpperSlot = [](Korvid& plug)
  { plug.mPatchLibrarian->mSoundBanks.at(0)->mRecords.at(111).mMessages.clear(); };
  const Setup emptyLibrary = [this](Korvid& plug)
  {
    std::filesystem::remove(patchesFolder() + "/Bank.syx");
    plug.rescanFolders();
  };
  constexpr int kUpper = LibrarianViewControl::kUpperPane;
  constexpr int kLower = LibrarianViewControl::kLowerPane;
  // A short program change sends from the pane last clicked; a part program parameter change (over a second
  // after a short one) from the upper pane.
  const Bytes shortChange{0xC4, 111};
  const Bytes parameterChange = P::parameterChange(0, {0x21, 4, 0, 1, 111});
  const struct
  {
    const char* name;
    Setup setup;
    int activePane;
    Bytes change;
    const char* text;
  } cases[] = {
      {"an emptied upper slot", emptiedUpperSlot, kUpper, shortChange, "Slot 112 is empty - nothing sent"},
      {"an emptied upper slot, parameter change", emptiedUpperSlot, kLower, parameterChange,
       "Slot 112 is empty - nothing sent"},
      {"beyond the search results", searchResults, kLower, shortChange, "Slot 112 is empty - nothing sent"},
      {"beyond a category list", categoryList, kLower, {0xC4, 127}, "Slot 128 is empty - nothing sent"},
      {"an empty library", emptyLibrary, kLower, shortChange, "No bank open - nothing sent"},
      {"an empty library, parameter change", emptyLibrary, kUpper, parameterChange,
       "No bank open - nothing sent"},
  };
  static uint32_t ticks = 50000;
  int knob = 10;
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.name);
    writeSoundBank("Bank.syx");
    auto plug = constructWithPorts();
    MIDIMessageManager& manager = *plug->mMIDIMessageManager;
    registerPartProgramControl(*plug);
    for (int p = 0; p < Korvid::kPartCount; ++p)
      set(*plug, kMultiPartMIDICh + p, p + 2.0);
    for (auto& blocked : plug->mHardwareInputBlocked)
      blocked = false;
    set(*plug, kPartLock + 4, 0);
    set(*plug, kControlLibrary, 1);
    c.setup(*plug);
    plug->mLibrarianView->activePane = c.activePane;
    plug->mTickCount = [] { return ticks; };
    manager.programChangeTimeStamp = static_cast<int32_t>(ticks - 5000);
    plug->showStatusText("");
    midi->clearReceived();
    fromDevice(c.change);
    EXPECT_EQ(plug->getStatusText(), c.text);
    EXPECT_FALSE(plug->ThreadRunning());
    for (const Bytes& message : sent())
      EXPECT_LT(message.size(), static_cast<size_t>(SoundDumpLayout::kDumpLength));
    // No dump follows a send that never happened: the synthesizer's knobs still reach the editor.
    EXPECT_FALSE(manager.dumpExpected.load());
    fromDevice(synth.turnKnob(0, 78, ++knob));
    EXPECT_EQ(value(*plug, kFilter1Cutoff), knob);
    plug.reset();
    std::filesystem::remove_all(patchesFolder());
  }
}
} // namespace
