// The 392-byte sound dump built from a part's parameters and parsed back into them.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceTestSupport.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SoundDumpLayout.h"
#include "TempDataHome.h"

using DeviceTestSupport::Bytes;
using P = SysexProtocol;

namespace
{
class SoundDumpTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    plug = DeviceTestSupport::makePlug();
    plug->initDeviceCommunication(&patchManager, nullptr);
    manager = plug->mMIDIMessageManager;
  }

  void parse(const Bytes& dump)
  {
    ISysEx sysex(0, dump.data(), static_cast<int>(dump.size()));
    manager->sysexPatchParse(&sysex);
  }
  Bytes build(int part)
  {
    Bytes dump(SoundDumpLayout::kDumpLength);
    manager->sender->buildPartDump(part, dump.data());
    return dump;
  }
  void set(int idx, double v) { plug->GetParam(idx)->Set(v); }
  double value(int idx) { return plug->GetParam(idx)->Value(); }
  std::string slot(int index)
  {
    std::string text;
    patchManager.getName(&text, index);
    return text;
  }

  TempDataHome dataHome;
  PatchManager patchManager{nullptr};
  std::unique_ptr<Korvid> plug;
  MIDIMessageManager* manager = nullptr;
};
} // namespace

TEST_F(SoundDumpTest, EveryFactorySoundSurvivesParseAndBuild)
{
  KORVID_REQUIRE_SHARED_BANKS();
  const std::vector<Bytes> sounds = DeviceTestSupport::factorySounds();
  ASSERT_EQ(1024u, sounds.size());
  for (size_t i = 0; i < sounds.size(); ++i)
  {
    const int part = static_cast<int>(i % 16);
    const Bytes in = DeviceTestSupport::asEditBuffer(sounds[i], part);
    manager->dataReceived = false;
    parse(in);
    ASSERT_TRUE(manager->dataReceived.load()) << "sound " << i;
    const Bytes out = build(part);
    for (int b = P::kChecksumFirstByte; b < SoundDumpLayout::kChecksumOffset; ++b)
    {
      if (SoundDumpLayout::isFixedByte(b))
        continue;
      int expected = in[static_cast<size_t>(b)];
      // The octave parameter holds whole octaves: a stored byte off the 12-step grid comes back on it.
      if (b == 8 || b == 24 || b == 40)
        expected = (expected - 16) / 12 * 12 + 16;
      ASSERT_EQ(expected, out[static_cast<size_t>(b)]) << "sound " << i << " byte " << b;
    }
    EXPECT_EQ(0x7F, out[SysexProtocol::kBankOffset]);
    EXPECT_EQ(part, out[SysexProtocol::kProgramOffset]);
    EXPECT_EQ(P::kSysexEnd, out.back());
    const std::string name(reinterpret_cast<const char*>(in.data()) + SoundDumpLayout::kNameOffset, 16);
    EXPECT_EQ(name, slot(PatchManager::kFirstPartNameSlot + part));
  }
}

TEST_F(SoundDumpTest, BuildPacksParametersAsTheLayoutSays)
{
  const int p = 2;
  set(kGlobalSysExID, 17);
  set(kOscillator1Octave + p, 4);
  set(kOscillator1Semitone + p, 12);
  set(kOscillator1BendRange + p, 24);
  set(kOscillatorUnisono + p, 2);
  set(kOscillatorMonoPolyMode + p, 1);
  set(kFilterEnvMode + p, 3);
  set(kFilterEnvTrigger + p, 1);
  set(kArpPattern01Step + p, 2);
  set(kArpPattern01Glide + p, 1);
  set(kArpPattern01Accent + p, 5);
  set(kArpPattern01StepLen + p, 3);
  set(kArpPattern01Timing + p, 4);
  set(kOscillator1Shape + p, 7);
  set(kOscillator1Wavetable + p, 20);
  set(kOscillator2Shape + p, 3);
  set(kOsc2UseSampleMemory + p, 1);
  set(kOscillator2Sample + p, 9);
  set(kCategoryName + p, 9);
  plug->GetParam(kPatchName + p)->SetDisplayText(0, "Bells");
  const Bytes d = build(p);
  EXPECT_EQ(17, d[3]);
  EXPECT_EQ(64, d[8]);
  EXPECT_EQ(64, d[9]);
  EXPECT_EQ(64, d[11]);
  EXPECT_EQ(27, d[15]);
  EXPECT_EQ(9, d[31]);
  EXPECT_EQ(33, d[65]);
  EXPECT_EQ(35, d[203]);
  EXPECT_EQ(45, d[334]);
  EXPECT_EQ(52, d[350]);
  EXPECT_EQ(9, d[386]);
  EXPECT_EQ("Bells           ", std::string(reinterpret_cast<const char*>(d.data()) + 370, 16));
  EXPECT_EQ(0x7F, d[390]);

  plug->GetParam(kPatchName + p)->SetDisplayText(0, "A Name Of Twenty Chr");
  const Bytes cut = build(p);
  EXPECT_EQ("A Name Of Twenty", std::string(reinterpret_cast<const char*>(cut.data()) + 370, 16));
}

TEST_F(SoundDumpTest, EveryBuiltByteIsSevenBitWhateverTheValues)
{
  for (int i = 0; i < kPatchName; ++i)
    plug->GetParam(i)->Set(i % 2 ? 255.0 : -3.0);
  plug->GetParam(kGlobalSysExID)->Set(200.0);
  plug->GetParam(kPatchName)->SetDisplayText(0, "\xC3\xA9t\xC3\xA9");
  const Bytes d = build(0);
  for (size_t b = 1; b + 1 < d.size(); ++b)
    ASSERT_LT(d[b], 0x80) << "byte " << b;
}

TEST_F(SoundDumpTest, ParseUnpacksBytesAsTheLayoutSays)
{
  plug->mCurrentPart = 4;
  Bytes d = DeviceTestSupport::asEditBuffer(DeviceTestSupport::madeSound(0), 4);
  d[8] = 64;
  d[15] = 27;
  d[31] = 5;
  d[65] = 96;
  d[124] = 1;
  d[203] = 35;
  d[215] = 31;
  d[334] = 45;
  d[335] = 37;
  d[350] = 52;
  d[386] = 12;
  parse(d);
  EXPECT_EQ(4, value(kOscillator1Octave + 4));
  EXPECT_EQ(27, value(kOscillator1Sample + 4));
  EXPECT_EQ(7, value(kOscillator1Shape + 4));
  EXPECT_EQ(20, value(kOscillator1Wavetable + 4));
  EXPECT_EQ(5, value(kOscillator2Shape + 4));
  EXPECT_EQ(0, value(kOscillator2Wavetable + 4));
  EXPECT_EQ(5, value(kOscillatorUnisono + 4));
  EXPECT_EQ(1, value(kOscillatorMonoPolyMode + 4));
  EXPECT_EQ(1, value(kFilterRouting + 4));
  EXPECT_EQ(0, value(kFilterRoutingParallel + 4));
  EXPECT_EQ(1, value(kFilterRoutingSerial + 4));
  EXPECT_EQ(3, value(kFilterEnvMode + 4));
  EXPECT_EQ(1, value(kFilterEnvTrigger + 4));
  EXPECT_EQ(31, value(kAmpEnvMode + 4));
  EXPECT_EQ(0, value(kAmpEnvTrigger + 4));
  EXPECT_EQ(2, value(kArpPattern01Step + 4));
  EXPECT_EQ(1, value(kArpPattern01Glide + 4));
  EXPECT_EQ(5, value(kArpPattern01Accent + 4));
  EXPECT_EQ(0, value(kArpPattern02Glide + 4));
  EXPECT_EQ(5, value(kArpPattern02Accent + 4));
  EXPECT_EQ(3, value(kArpPattern01StepLen + 4));
  EXPECT_EQ(4, value(kArpPattern01Timing + 4));
  EXPECT_EQ(12, value(kCategoryName + 4));
  // Byte 162 comes after byte 155 and wins for the delay spread.
  EXPECT_EQ(d[162], value(kFX2DelaySpread + 4));
  EXPECT_EQ(d[155], value(kEffect2Param03 + 4));

  EXPECT_EQ("Seq", plug->getCategoryNameText());

  d[65] = 32;
  d[386] = 20;
  const char name[] = "Strngs          ";
  std::copy(name, name + 16, d.begin() + 370);
  parse(d);
  EXPECT_EQ(2, value(kOscillatorUnisono + 4));
  EXPECT_EQ(0, value(kOscillatorMonoPolyMode + 4));
  // No category text for 20: the display is empty; the name keeps its blanks.
  EXPECT_EQ("", plug->getCategoryNameText());
  EXPECT_EQ(name, slot(PatchManager::kFirstPartNameSlot + 4));
  EXPECT_EQ(std::string(name), plug->GetParam(kPatchName + 4)->GetDisplayText(0));
}

TEST_F(SoundDumpTest, LockedSectionsKeepTheirValuesNameAndCategoryDoNot)
{
  const int p = 6;
  Bytes d = DeviceTestSupport::asEditBuffer(DeviceTestSupport::madeSound(10), p);
  d[85] = 99;
  d[105] = 98;
  d[124] = 1;
  d[38] = 1;
  set(kFilter1Cutoff + p, 11);
  set(kFilterRouting + p, 0);
  set(kFilter2Cutoff + p, 12);
  set(kOsc2UseSampleMemory + p, 0);
  set(kSectionLockFilter1 + p, 1);
  set(kSectionLockOsc2 + p, 1);
  parse(d);
  EXPECT_EQ(11, value(kFilter1Cutoff + p));
  EXPECT_EQ(0, value(kFilterRouting + p));
  EXPECT_EQ(98, value(kFilter2Cutoff + p));
  EXPECT_EQ(0, value(kOsc2UseSampleMemory + p));
  EXPECT_EQ(d[386], value(kCategoryName + p));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data()) + 370, 16),
            plug->GetParam(kPatchName + p)->GetDisplayText(0));

  set(kSectionLockOsc2 + p, 0);
  set(kSectionLockOsc1 + p, 1);
  parse(d);
  EXPECT_EQ(1, value(kOsc2UseSampleMemory + p));
}

TEST_F(SoundDumpTest, ShortForeignOrPartlessDumpsChangeNothing)
{
  Bytes d = DeviceTestSupport::asEditBuffer(DeviceTestSupport::madeSound(3), 1);
  d[85] = 77;
  set(kFilter1Cutoff + 1, 5);
  // Where "part 16" of filter 1's cutoff would land: the first index of the next parameter.
  set(kFilter1Cutoff + 16, 5);
  manager->dataReceived = true;

  parse(Bytes(d.begin(), d.begin() + 389));
  Bytes multi = d;
  multi[P::kTypeOffset] = P::kMultiDump;
  parse(multi);
  // A stored program number (16 and above) names no part.
  Bytes stored = d;
  stored[P::kProgramOffset] = 16;
  parse(stored);
  EXPECT_EQ(5, value(kFilter1Cutoff + 1));
  EXPECT_EQ(5, value(kFilter1Cutoff + 16));
  EXPECT_TRUE(manager->dataReceived.load());

  // 390 bytes are enough: the category at 386 is the last byte read.
  parse(Bytes(d.begin(), d.begin() + 390));
  EXPECT_EQ(77, value(kFilter1Cutoff + 1));
}

TEST_F(SoundDumpTest, OtherPartShowsTheCurrentPartsNameAndCategory)
{
  plug->mCurrentPart = 0;
  plug->GetParam(kPatchName + 0)->SetDisplayText(0, "Current");
  plug->displayCategoryName("Lead");
  Bytes d = DeviceTestSupport::asEditBuffer(DeviceTestSupport::madeSound(5), 3);
  d[386] = 9;
  parse(d);
  EXPECT_EQ("Current", plug->getPatchNameText());
  EXPECT_EQ("Lead", plug->getCategoryNameText())
      << "the parts of a synced multi arrive after the current one";
}
