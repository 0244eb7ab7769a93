// The plug-in's short-message output: the output port guard, activity indicators, routing and all sounds off.
#include "KorvidTestSupport.h"

#include "IControl.h"
#include "ParamIndex.h"
#include "WdlTime.h"

#include <chrono>
#include <thread>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;
constexpr const char* kPort = "Blofeld Out";
constexpr size_t kNoteBlockClass = 2;

class KorvidMidiOutput : public StartupFixture
{
protected:
  KorvidMidiOutput() { useResources(pluginFolder()); }

  // An instance with the output port chosen through its selector, indicators following output, every part
  // inactive on the global channel, and nothing recorded yet.
  std::unique_ptr<Korvid> constructWithPort()
  {
    midi->setOutputPorts({kPort});
    auto plug = construct();
    chooseOutputPort(*plug, 1);
    EXPECT_TRUE(plug->mOutputPresent);
    plug->mIndicatorsTrackIncoming = false;
    for (int p = 0; p < Korvid::kPartCount; ++p)
    {
      set(*plug, kMultiPartStatus + p, 0.0);
      set(*plug, kMultiPartMIDICh + p, 0.0);
      set(*plug, kMIDILed + p, 0.0);
      plug->mIndicatorState[static_cast<size_t>(p)] = 0;
    }
    set(*plug, kGlobalMidiChannel, 1.0);
    midi->clearReceived();
    return plug;
  }

  static void set(Korvid& plug, int paramIdx, double value) { plug.GetParam(paramIdx)->Set(value); }

  static IMidiMsg note(int channel)
  {
    IMidiMsg msg;
    msg.MakeNoteOnMsg(60, 100, 0, channel);
    return msg;
  }

  static std::string firstLine(Korvid& plug) { return displayLine(plug, 0); }

  std::vector<Bytes> sent() const { return midi->received(kPort); }
};

TEST_F(KorvidMidiOutput, WithoutAnOutputPortNothingIsSentAndTheUserIsTold)
{
  auto plug = constructWithPort();
  // The port stays open: only the flag says that no device is chosen.
  plug->mOutputPresent = false;
  IMidiMsg msg = note(0);
  plug->sendMidiMsgAndLog(&msg);
  EXPECT_EQ(firstLine(*plug), "Set MIDI I/O First!");
  plug->MIDIOutRoutingSwitch(&msg);
  set(*plug, kMultiPartStatus, 1.0);
  plug->mIndicatorsTrackIncoming = false;
  plug->AllSoundsOff(0, true);
  plug->AllSoundsOff(0, false);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(plug->mIndicatorState[0], 0);
  // All sounds off without a port changes no flag.
  EXPECT_FALSE(plug->mOutputHold);

  plug->mOutputPresent = true;
  plug->sendMidiMsgAndLog(&msg);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0x90, 60, 100}}));
}

TEST_F(KorvidMidiOutput, OutputLightsTheIndicatorOfTheFirstPartOnTheChannelOnce)
{
  auto plug = constructWithPort();
  // Part 0 listens on the global channel, which is channel index 3: the indicator search does not
  // substitute it. Parts 3 and 5 both listen on channel index 3 (value 5).
  set(*plug, kGlobalMidiChannel, 4.0);
  set(*plug, kMultiPartMIDICh + 3, 5.0);
  set(*plug, kMultiPartMIDICh + 5, 5.0);
  IMidiMsg msg = note(3);
  const uint32_t before = GetTickCount();
  plug->sendMidiMsgAndLog(&msg);
  const uint32_t after = GetTickCount();
  EXPECT_EQ(plug->GetParam(kMIDILed + 3)->Value(), 1.0);
  EXPECT_EQ(plug->mIndicatorState[3], 1);
  const auto litAt = static_cast<uint32_t>(plug->mIndicatorTime[3]);
  EXPECT_LE(before, litAt);
  EXPECT_LE(litAt, after);
  EXPECT_EQ(plug->mIndicatorState[0], 0);
  EXPECT_EQ(plug->GetParam(kMIDILed)->Value(), 0.0);

  // While lit, a second message neither re-stamps it nor goes on to the next part on the channel.
  plug->mIndicatorTime[3] = 7;
  plug->sendMidiMsgAndLog(&msg);
  EXPECT_EQ(plug->mIndicatorTime[3], 7);
  EXPECT_EQ(plug->mIndicatorState[5], 0);
  EXPECT_EQ(sent().size(), 2u);

  // A message on a channel no part listens on lights nothing.
  IMidiMsg other = note(9);
  plug->sendMidiMsgAndLog(&other);
  for (int p = 0; p < Korvid::kPartCount; ++p)
  {
    EXPECT_EQ(plug->mIndicatorState[static_cast<size_t>(p)], p == 3 ? 1 : 0) << "part " << p;
  }
}

TEST_F(KorvidMidiOutput, IndicatorsTrackingIncomingMidiAreNotLitByOutput)
{
  auto plug = constructWithPort();
  set(*plug, kMultiPartMIDICh + 2, 3.0);
  plug->mIndicatorsTrackIncoming = true;
  IMidiMsg msg = note(1);
  plug->sendMidiMsgAndLog(&msg);
  EXPECT_EQ(plug->mIndicatorState[2], 0);
  EXPECT_EQ(plug->GetParam(kMIDILed + 2)->Value(), 0.0);
  EXPECT_EQ(sent().size(), 1u);
}

TEST_F(KorvidMidiOutput, ChannelValuesWithoutASingleChannelLightNothing)
{
  auto plug = constructWithPort();
  // 19 and -1 lie outside the list; 17 - 16 = 1 must not alias channel 1.
  set(*plug, kMultiPartMIDICh + 0, 19.0);
  set(*plug, kMultiPartMIDICh + 1, -1.0);
  set(*plug, kMultiPartMIDICh + 2, 1.0);
  IMidiMsg msg = note(1);
  plug->sendMidiMsgAndLog(&msg);
  IMidiMsg last = note(15);
  plug->sendMidiMsgAndLog(&last);
  for (int p = 0; p < 3; ++p)
  {
    EXPECT_EQ(plug->mIndicatorState[static_cast<size_t>(p)], 0) << "part " << p;
  }
  // A system message has no channel: its low nibble names no part.
  set(*plug, kMultiPartMIDICh + 8, 10.0);
  IMidiMsg clock(0, 0xF8);
  plug->sendMidiMsgAndLog(&clock);
  EXPECT_EQ(plug->mIndicatorState[8], 0);
  EXPECT_EQ(sent().size(), 3u);
}

TEST_F(KorvidMidiOutput, RoutingDropsWhileOverlayAndHoldAreBothSet)
{
  auto plug = constructWithPort();
  IMidiMsg msg = note(0);
  for (bool queued : {false, true})
  {
    plug->mMidiOutMode = queued;
    plug->mProcessingOverlay = true;
    plug->mOutputHold = true;
    plug->MIDIOutRoutingSwitch(&msg);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(plug->mMidiOutQueue.ToDo(), 0);
  }
  // Either flag alone lets the message through.
  plug->mMidiOutMode = false;
  plug->mProcessingOverlay = false;
  plug->MIDIOutRoutingSwitch(&msg);
  plug->mProcessingOverlay = true;
  plug->mOutputHold = false;
  plug->MIDIOutRoutingSwitch(&msg);
  EXPECT_EQ(sent().size(), 2u);
}

TEST_F(KorvidMidiOutput, RoutingSendsAtOnceOrQueuesByTheMidiOutMode)
{
  auto plug = constructWithPort();
  IMidiMsg now = note(4);
  plug->MIDIOutRoutingSwitch(&now);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0x94, 60, 100}}));
  EXPECT_EQ(plug->mMidiOutQueue.ToDo(), 0);

  midi->clearReceived();
  plug->mMidiOutMode = true;
  // The queue starts with room for 1024 messages; that alone is no overflow.
  ASSERT_EQ(plug->mMidiOutQueue.GetCapacity(), Korvid::kMidiQueueStep);
  IMidiMsg later = note(6);
  plug->MIDIOutRoutingSwitch(&later);
  EXPECT_TRUE(sent().empty());
  ASSERT_EQ(plug->mMidiOutQueue.ToDo(), 1);
  const IMidiMsg waiting = plug->mMidiOutQueue.GetAt(plug->mMidiOutQueue.GetFront());
  EXPECT_EQ(waiting.mStatus, 0x96);
  EXPECT_EQ(waiting.mData1, 60);
  EXPECT_FALSE(plug->mQueueOverflow);

  // A host block of 2048 frames gives a larger queue, which takes messages too.
  plug->mMidiOutQueue.SetCapacityForBlock(2048);
  plug->MIDIOutRoutingSwitch(&later);
  EXPECT_EQ(plug->mMidiOutQueue.ToDo(), 2);
  EXPECT_FALSE(plug->mQueueOverflow);
}

TEST_F(KorvidMidiOutput, AFullQueueDropsTheMessageAndBlocksOutput)
{
  auto plug = constructWithPort();
  plug->mMidiOutMode = true;
  // A queue sized for a small block grows up to 1024 messages.
  plug->mMidiOutQueue.SetCapacityForBlock(256);
  ASSERT_EQ(plug->mMidiOutQueue.GetCapacity(), 512);
  IMidiMsg msg = note(2);
  for (int i = 0; i < Korvid::kMidiQueueStep; ++i)
  {
    plug->MIDIOutRoutingSwitch(&msg);
  }
  ASSERT_EQ(plug->mMidiOutQueue.ToDo(), Korvid::kMidiQueueStep);
  EXPECT_FALSE(plug->mQueueOverflow);
  EXPECT_FALSE(plug->mHostInputBlocked[kNoteBlockClass]);

  const uint32_t before = GetTickCount();
  plug->MIDIOutRoutingSwitch(&msg);
  const uint32_t after = GetTickCount();
  EXPECT_EQ(plug->mMidiOutQueue.ToDo(), Korvid::kMidiQueueStep);
  EXPECT_TRUE(plug->mQueueOverflow);
  EXPECT_TRUE(plug->mProcessingOverlay);
  EXPECT_TRUE(plug->mOutputHold);
  EXPECT_TRUE(plug->mHostInputBlocked[kNoteBlockClass]);
  const auto overflowAt = static_cast<uint32_t>(plug->mOverflowTime.load());
  EXPECT_LE(before, overflowAt);
  EXPECT_LE(overflowAt, after);

  // Output is blocked now: even sending at once is refused.
  plug->mMidiOutMode = false;
  plug->MIDIOutRoutingSwitch(&msg);
  EXPECT_TRUE(sent().empty());
}

TEST_F(KorvidMidiOutput, AllSoundsOffOnOnePartUsesItsChannelOrTheGlobalOne)
{
  auto plug = constructWithPort();
  // Part 2 on the global channel (value 8: channel index 7), part 6 on value 6 (index 4); both inactive.
  set(*plug, kGlobalMidiChannel, 8.0);
  set(*plug, kMultiPartMIDICh + 6, 6.0);
  plug->AllSoundsOff(2, false);
  EXPECT_TRUE(plug->mOutputHold);
  plug->mOutputHold = false;
  plug->AllSoundsOff(6, false);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB7, 123, 0}, {0xB4, 123, 0}}));
  EXPECT_TRUE(plug->mOutputHold);

  // A part index outside 0..15 sends nothing.
  midi->clearReceived();
  plug->AllSoundsOff(-1, false);
  plug->AllSoundsOff(Korvid::kPartCount, false);
  EXPECT_TRUE(sent().empty());
}

TEST_F(KorvidMidiOutput, AllSoundsOffOnEveryActivePartInPartOrder)
{
  auto plug = constructWithPort();
  set(*plug, kGlobalMidiChannel, 12.0);
  set(*plug, kMultiPartMIDICh + 9, 17.0);
  set(*plug, kMultiPartMIDICh + 4, 2.0);
  set(*plug, kMultiPartMIDICh + 7, 9.0); // inactive
  for (int p : {0, 4, 9})
  {
    set(*plug, kMultiPartStatus + p, 1.0);
  }
  plug->AllSoundsOff(3, true);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xBB, 123, 0}, {0xB0, 123, 0}, {0xBF, 123, 0}}));
  EXPECT_TRUE(plug->mOutputHold);

  // In MIDI-out mode the messages wait in the queue.
  midi->clearReceived();
  plug->mOutputHold = false;
  plug->mMidiOutMode = true;
  plug->AllSoundsOff(0, true);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(plug->mMidiOutQueue.ToDo(), 3);
}

TEST_F(KorvidMidiOutput, AllSoundsOffSkipsPartsWithoutASingleChannel)
{
  auto plug = constructWithPort();
  // Global channel omni (0), a part on omni (1) and values outside the list: no channel to send on.
  set(*plug, kGlobalMidiChannel, 0.0);
  set(*plug, kMultiPartMIDICh + 1, 1.0);
  set(*plug, kMultiPartMIDICh + 2, 19.0);
  set(*plug, kMultiPartMIDICh + 3, -4.0);
  set(*plug, kMultiPartMIDICh + 4, 3.0);
  for (int p = 0; p <= 4; ++p)
  {
    set(*plug, kMultiPartStatus + p, 1.0);
  }
  plug->AllSoundsOff(0, true);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB1, 123, 0}}));
}

TEST_F(KorvidMidiOutput, TheFirstAllSoundsOffOfATransferLatchesTheHold)
{
  auto plug = constructWithPort();
  set(*plug, kMultiPartMIDICh + 0, 2.0);
  plug->mProcessingOverlay = true;
  plug->AllSoundsOff(0, false);
  plug->AllSoundsOff(0, false);
  IMidiMsg msg = note(0);
  plug->MIDIOutRoutingSwitch(&msg);
  EXPECT_EQ(sent(), (std::vector<Bytes>{{0xB0, 123, 0}}));
}
} // namespace
