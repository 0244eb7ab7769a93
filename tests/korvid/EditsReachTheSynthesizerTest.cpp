// Edits in the editor built from the project's resources, through the change handler and the control
// actions, out of the MIDI port into a simulated synthesizer: every sound parameter lands at its own address
// of the part's edit buffer, every multi and global setting in the multi or global dump.
#include "SimulatedEditorFixture.h"

#include "ControlAction.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <chrono>
#include <set>
#include <string>
#include <initializer_list>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace korvidtest;

namespace
{
// The sound parameters of a part with the sound data index each one is sent to, from the resource tables.
struct SoundParam
{
  const char* name;
  int paramIdx;
  int index;
  int min;
  int max;
  int cc;
};

const std::vector<SoundParam>& soundParams()
{
  static const std::vector<SoundParam> params = {
#define RESGEN_SOUND(name, index, min, max, def, list, caption, cc) {#name, name, index, min, max, cc},
#include "../../tools/resgen/tables/SoundParams.def"
#undef RESGEN_SOUND
  };
  return params;
}

// Parameters that share their byte with others: tested with their packing, not one by one.
bool packed(int paramIdx)
{
  for (int base : {kOscillatorMonoPolyMode, kOscillatorUnisono, kFilterEnvMode, kFilterEnvTrigger,
                   kAmpEnvMode, kAmpEnvTrigger, kEnvelope3Mode, kEnv3Trigger, kEnvelope4Mode, kEnv4Trigger})
  {
    if (paramIdx >= base && paramIdx < base + Korvid::kPartCount)
      return true;
  }
  return false;
}

constexpr int kPart = 3;
constexpr int kDataOffset = SysexProtocol::kChecksumFirstByte;

class EditsReachTheSynthesizer : public SimulatedEditorFixture
{
protected:
  int editBufferByte(int part, int index)
  {
    simulator->drain();
    const BlofeldSimulator::Bytes buffer = simulator->editBuffer(part);
    const size_t at = static_cast<size_t>(kDataOffset + index);
    return at < buffer.size() ? buffer[at] : -1;
  }
  // The name of the sound in a part's edit buffer.
  std::string soundName(int part)
  {
    simulator->drain();
    const BlofeldSimulator::Bytes b = simulator->editBuffer(part);
    const size_t end = SoundDumpLayout::kNameOffset + SoundDumpLayout::kNameLength;
    return b.size() < end ? "" : std::string(b.begin() + SoundDumpLayout::kNameOffset, b.begin() + end);
  }
};

TEST_F(EditsReachTheSynthesizer, EverySysexSoundParameterLandsAtItsAddress)
{
  ASSERT_TRUE(plug->mOutputPresent);
  int checked = 0;
  for (const SoundParam& p : soundParams())
  {
    const int paramIdx = p.paramIdx + kPart;
    ControlAction* action = plug->GetParam(paramIdx)->GetAction();
    if (p.cc != 0 || packed(p.paramIdx))
      continue;
    // Also the parameters that the synthesizer's controllers move.
    ASSERT_TRUE(action && (action->type == kActionSysexValue || action->type == kActionSysexButton))
        << p.name;
    // A value other than the stored one, so that the edit runs; its message carries the device's byte.
    const int stored = plug->GetParam(paramIdx)->Int();
    const int value = stored == p.min ? p.min + 1 : p.min;
    const SysexMessageBytes* message = action->messageForValue(value);
    ASSERT_NE(message, nullptr) << p.name;
    ASSERT_EQ(message->size(), 8u) << p.name;
    edit(paramIdx, value);
    EXPECT_EQ(editBufferByte(kPart, p.index), (*message)[7]) << p.name << " = " << value;
    ++checked;
  }
  // Every sound parameter the dump carries, but the controllers and the packed ones.
  EXPECT_GT(checked, 150);
}

TEST_F(EditsReachTheSynthesizer, DeviceBytesFollowTheSynthesizersOwnRanges)
{
  // Bend range is stored as the byte minus 40 (-24..+24 semitones around 64).
  edit(kOscillator2BendRange + kPart, 0.0);
  EXPECT_EQ(editBufferByte(kPart, 20), 40);
  edit(kOscillator2BendRange + kPart, 48.0);
  EXPECT_EQ(editBufferByte(kPart, 20), 88);
  // Envelope mode and trigger share one byte: trigger in bit 5.
  edit(kFilterEnvTrigger + kPart, 1.0);
  edit(kFilterEnvMode + kPart, 3.0);
  EXPECT_EQ(editBufferByte(kPart, 196), 32 + 3);
  // Another part's edit buffer is left alone.
  EXPECT_NE(editBufferByte(kPart + 1, 196), 32 + 3);
}

TEST_F(EditsReachTheSynthesizer, AWavetableChoiceSendsTheShapeControllerAndShowsTheZones)
{
  plug->mCurrentPart = 0;
  const size_t before = simulator->received().size();
  edit(kOscillator1Wavetable, 5.0);
  simulator->drain();
  const std::vector<BlofeldSimulator::Bytes> received = simulator->received();
  ASSERT_GT(received.size(), before);
  const BlofeldSimulator::Bytes& controller = received.back();
  ASSERT_EQ(controller.size(), 3u);
  EXPECT_EQ(controller[0] & 0xF0, 0xB0);
  EXPECT_EQ(controller[1], 31);
  EXPECT_EQ(controller[2], 5 + 7);
  // The oscillator is a wavetable oscillator now.
  EXPECT_EQ(plug->GetParam(kOscillator1Shape)->Value(), 7.0);
  ITextControl* ccLine = dynamic_cast<ITextControl*>(plug->mDisplayControls[4]);
  ASSERT_NE(ccLine, nullptr);
  EXPECT_STREQ(ccLine->GetTextStr(), "CC|31");
}

TEST_F(EditsReachTheSynthesizer, EveryMultiAndGlobalSettingGoesOutInItsDump)
{
  const size_t before = simulator->received().size();
  for (const auto& [first, last] : std::initializer_list<std::pair<int, int>>{
           {kMultiPartStatus, kMultiPartVeloHigh + Korvid::kPartCount - 1},
           {kReceiveMIDI, kMultiTempo},
           {kGlobalVelocityCurve, kGlobalTranspose}})
    for (int paramIdx = first; paramIdx <= last; ++paramIdx)
    {
      IParam* param = plug->GetParam(paramIdx);
      const int value =
          param->Int() == param->GetMin() ? param->Int() + 1 : static_cast<int>(param->GetMin());
      edit(paramIdx, value);
      ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
      simulator->drain();
      // The dumps as the synthesizer reads them; no byte carries the editor's own program change receive.
      double carried = -1.0;
      const auto read = [&](int i, double v) { carried = i == paramIdx ? v : carried; };
      const BlofeldSimulator::Bytes multi = simulator->multiEditBuffer(), global = simulator->global();
      MultiDumpLayout::parseMulti(multi.data(), static_cast<int>(multi.size()), read, nullptr, nullptr);
      MultiDumpLayout::parseGlobal(global.data(), static_cast<int>(global.size()), read);
      EXPECT_EQ(carried, paramIdx == kGlobalRxProgramChange ? -1.0 : value) << param->GetNameForHost();
    }
  const std::vector<BlofeldSimulator::Bytes> received = simulator->received();
  for (size_t i = before; i < received.size(); ++i)
    EXPECT_TRUE(received[i].front() != 0xF0 || received[i].size() > 10) << "a parameter message of its own";
}

TEST_F(EditsReachTheSynthesizer, TheMixersBankAndProgramReachTheirPartAndTheTables)
{
  writeMadeBanks();
  plug->rescanFolders(); // the upper pane holds "Made Bank A"
  // Program changes and sounds received, and part 3's sound: the editor's, the synthesizer's, the record's.
  const std::vector<std::pair<int, int>> sent{{0xC2, 4}, {0x10, 2}, {0xC3, 0}, {0x10, 3}};
  const std::tuple<bool, bool, std::vector<std::pair<int, int>>, const char*> modes[] = {
      {false, false, sent, "-- INIT --      "},
      {true, false, {{0xC2, 4}, {0xC3, 0}}, "Init            "},
      {false, true, sent, "Made Sound 4    "}};
  for (const auto& [requests, library, expected, name] : modes)
  {
    plug->mProgramChangeControlsBank = requests;
    plug->GetParam(kControlLibrary)->Set(library ? 1.0 : 0.0);
    for (int param : {kMultiPartPatch + 2, kMultiPartBank + 3, kMultiPartPatch + 5})
      plug->GetParam(param)->Set(0.0);
    simulator->drain();
    const size_t before = simulator->received().size();
    // Part 3 to A 005, part 4 to bank B; part 6 to A 005 is refused (part 3 holds it).
    for (const auto& [param, value] :
         {std::pair<int, int>{kMultiPartPatch + 2, 4}, {kMultiPartBank + 3, 1}, {kMultiPartPatch + 5, 4}})
    {
      edit(param, value);
      ASSERT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
    }
    std::vector<std::pair<int, int>> seen;
    waitUntil(
        [&, &wanted = expected]
        {
          const std::vector<BlofeldSimulator::Bytes> got = (simulator->drain(), simulator->received());
          seen.clear();
          for (auto m = got.begin() + static_cast<long>(before); m != got.end(); ++m)
          {
            const bool dump = SysexProtocol::isSoundDump(m->data(), static_cast<int>(m->size()));
            if (dump || (m->front() & 0xF0) == 0xC0)
              seen.emplace_back(m->at(dump ? SysexProtocol::kTypeOffset : 0),
                                m->at(dump ? SysexProtocol::kProgramOffset : 1));
          }
          return seen == wanted;
        });
    EXPECT_EQ(seen, expected) << requests << library;
    EXPECT_EQ(soundName(2), name);
    EXPECT_EQ(std::make_pair(plug->mPartProgramTable[2].load(), plug->mPartBankTable[3].load()),
              std::make_pair(4, 1))
        << "the tables every multi dump is built from";
  }
}

TEST_F(EditsReachTheSynthesizer, RenamedSoundsAndAPushedArrangementArrive)
{
  IParam* nameParam = plug->GetParam(kPatchName + kPart);
  IControl* nameField = nameParam->GetAction()->boundControls.back(); // the sound page's NAME
  IMouseMod left(true);
  // Names typed in a row: each arrives without the letters its field left out, which the line names after
  // it (none after a name that left none out), and the fields (they show the text of the value) show it.
  for (const auto& [typed, leftOut] : std::vector<std::pair<std::string, std::string>>{
           {"Glass Keys", "\xC3\xA8, \xC3\x9C"}, {"Rs", "\xCE\xA9"}, {"Tu", "\xC3\xA9"}, {"Ba", ""}})
  {
    plug->OnTextEntryRefused(kPatchName + kPart, leftOut.c_str(), false);
    dynamic_cast<HeadlessSurface*>(plug->getSurface())->QueueTextEntry(typed);
    nameField->OnMouseDown(0, 0, &left);
    plug->OnTextEntryRefused(kPatchName + kPart, leftOut.c_str(), true);
    EXPECT_EQ(plug->getStatusText(), leftOut.empty() ? "" : leftOut + " can't be in a name - left out");
    const std::string expected = (typed + "                ").substr(0, SoundDumpLayout::kNameLength);
    EXPECT_TRUE(waitUntil([&] { return soundName(kPart) == expected; })) << soundName(kPart);
    char shown[IParam::kDisplayForHostLen];
    nameParam->GetDisplayForHost(nameParam->Value(), false, shown, true);
    EXPECT_EQ(std::string(shown).substr(0, typed.size()), typed);
    waitUntil([&] { return !plug->ThreadRunning(); }); // the next name and the push wait for that send
  }
  // After a commit that said what it did, the letters go to the second line; a keyword's in a search's words.
  // A send the entry did not start (a store running as the search is entered) never says them.
  const std::string notice = "\xC3\xA4 can't be in a name - ";
  for (const auto& [field, said, rest, storing] :
       std::vector<std::tuple<int, std::string, std::string, bool>>{
           {kPatchRename, "Slot 005 renamed to Gls", "left out", false},
           {kPatchSearchString, "Search Results 1", "searched without it", false},
           {kPatchSearchString, "Search Results 1", "searched without it", true}})
  {
    plug->mMIDIMessageManager->sendRunning = storing;
    plug->showStatusText(said.c_str());
    plug->OnTextEntryRefused(field, "\xC3\xA4", true);
    EXPECT_EQ(plug->getStatusText() + "|" + plug->getStatusDetail(), said + "|" + notice + rest);
    plug->showStatusText(MIDIMessageSender::kTextWriteCompleted);
    plug->endOfSend(*plug->mMIDIMessageManager);
    EXPECT_EQ(plug->getStatusDetail(), "");
  }

  constexpr size_t kPartLevelByte = 39 + 2 * 24 + 2;
  plug->GetParam(kMultiPartLevel + 2)->Set(33.0);
  edit(kPushArrangement, 1.0);
  EXPECT_TRUE(plug->mPushAllParts);
  BlofeldSimulator::Bytes multi;
  waitUntil(
      [&]
      {
        simulator->drain();
        multi = simulator->multiEditBuffer();
        return multi.size() > kPartLevelByte && multi[kPartLevelByte] == 33;
      });
  ASSERT_GT(multi.size(), kPartLevelByte);
  EXPECT_EQ(multi[kPartLevelByte], 33);
}

TEST_F(EditsReachTheSynthesizer, ValuesFromTheSynthesizerAreNotSentBack)
{
  simulator->drain();
  const size_t before = simulator->received().size();
  IParam* detune = plug->GetParam(kOscillator1Detune + kPart);
  plug->SetParameterFromGUI2(kOscillator1Detune + kPart, detune->GetNormalized(20.0));
  EXPECT_EQ(detune->Value(), 20.0);
  simulator->drain();
  EXPECT_EQ(simulator->received().size(), before);
  EXPECT_FALSE(plug->mDeviceUpdate);
}
} // namespace
