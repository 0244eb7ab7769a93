// Tests of the plug-in base's external MIDI port operations, over the in-process fake MIDI system.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MidiFakeSystem.h"
#include "MidiTestPlug.h"

namespace
{
using Bytes = std::vector<unsigned char>;

class IPlugBaseMidiPortsTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    system = MidiFakeSystem::create();
    system->setOutputPorts({"Blofeld", "Other"});
    system->setInputPorts({"Blofeld"});
    MidiFakeSystem::installAsDefault(system);
    plug = std::make_unique<MidiTestPlug>();
  }
  void TearDown() override
  {
    plug.reset();
    MidiFakeSystem::installAsDefault(nullptr);
  }

  std::shared_ptr<MidiFakeSystem> system;
  std::unique_ptr<MidiTestPlug> plug;
};
} // namespace

TEST_F(IPlugBaseMidiPortsTest, OutputChosenByNameCarriesThePlugInsMessages)
{
  EXPECT_EQ((std::vector<std::string>{"OFF", "Blofeld", "Other"}), plug->getExternalMIDIOutNames());
  int idx = 0;
  EXPECT_EQ(2, plug->setExternalMIDIOut(idx = 1, "Other"));
  EXPECT_EQ(2, idx);
  IMidiMsg cc(0, 0xB0, 7, 100);
  EXPECT_TRUE(plug->SendMidiMsg(&cc));
  EXPECT_EQ((std::vector<Bytes>{{0xB0, 7, 100}}), system->received("Other"));
  EXPECT_EQ(0, plug->setExternalMIDIOut(idx, "OFF"));
  EXPECT_FALSE(plug->SendMidiMsg(&cc));
}

TEST_F(IPlugBaseMidiPortsTest, InputReachesProcessMidiMsgAndProcessSysExFromTheDevice)
{
  EXPECT_EQ((std::vector<std::string>{"OFF", "Blofeld"}), plug->getExternalMIDIInNames());
  int idx = 1;
  ASSERT_EQ(1, plug->setExternalMIDIIn(idx, "Blofeld"));
  system->inject("Blofeld", {0x90, 0x3C, 0x64});
  Bytes dump(15, 0x22);
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  system->inject("Blofeld", dump);

  ASSERT_EQ(1u, plug->msgs.size());
  EXPECT_EQ(0x90, plug->msgs[0].mStatus);
  EXPECT_EQ(60, plug->msgs[0].mData1);
  EXPECT_EQ(100, plug->msgs[0].mData2);
  ASSERT_EQ(1u, plug->sysex_.size());
  EXPECT_EQ(dump, plug->sysex_[0]);
  EXPECT_EQ((std::vector<bool>{true, true}), plug->fromDeviceFlags);

  // The static callback ignores a missing plug-in.
  std::vector<unsigned char> bytes{0x90, 1, 1};
  IPlugBase::MIDICallback(0.0, &bytes, nullptr);
  EXPECT_EQ(1u, plug->msgs.size());
}

TEST_F(IPlugBaseMidiPortsTest, NoInputArrivesOnceThePlugInIsGone)
{
  plug->getExternalMIDIInNames();
  int idx = 1;
  ASSERT_EQ(1, plug->setExternalMIDIIn(idx, "Blofeld"));
  plug.reset();
  EXPECT_EQ(0, system->inject("Blofeld", {0x90, 1, 1}));
  EXPECT_TRUE(system->openInputs().empty());
}
