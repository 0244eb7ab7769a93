// Tests of IMidiMsg makers and readers and of IMidiQueue ordering, growth and block handling.
#include <gtest/gtest.h>

#include <vector>

#include "IPlugMidi.h"

namespace
{
std::vector<int> waitingOffsets(const IMidiQueue& q)
{
  std::vector<int> offsets;
  for (int i = q.GetFront(); i < q.GetBack(); ++i)
    offsets.push_back(q.GetAt(i).mOffset);
  return offsets;
}

IMidiMsg noteAt(int offset, int note)
{
  IMidiMsg msg;
  msg.MakeNoteOnMsg(note, 100, offset, 0);
  return msg;
}
} // namespace

TEST(IMidiMsgTest, MakersSetAllFourFields)
{
  IMidiMsg msg(99, 0xFF, 0xFF, 0xFF);
  msg.MakeNoteOnMsg(60, 100, 17, 3);
  EXPECT_EQ(17, msg.mOffset);
  EXPECT_EQ(0x93, msg.mStatus);
  EXPECT_EQ(60, msg.mData1);
  EXPECT_EQ(100, msg.mData2);

  msg.MakeControlChangeMsg(IMidiMsg::kChannelVolume, 1.0, 2);
  EXPECT_EQ(0, msg.mOffset);
  EXPECT_EQ(0xB2, msg.mStatus);
  EXPECT_EQ(7, msg.mData1);
  EXPECT_EQ(127, msg.mData2);
  msg.MakeControlChangeMsg(IMidiMsg::kChannelVolume, 0.5, 2);
  EXPECT_EQ(63, msg.mData2);
  EXPECT_EQ(IMidiMsg::kChannelVolume, msg.ControlChangeIdx());
}

TEST(IMidiMsgTest, ProgramChangeRoundTripsEveryProgram)
{
  for (int p = 0; p <= 127; ++p)
  {
    IMidiMsg msg(5, 0, 0, 0);
    msg.MakeProgramChangeMsg(p / 127.0, 0);
    ASSERT_EQ(0xC0, msg.mStatus);
    ASSERT_EQ(p, msg.mData1) << "program " << p;
    ASSERT_EQ(0xFF, msg.mData2);
    ASSERT_EQ(0, msg.mOffset);
  }
}

TEST(IMidiMsgTest, StatusAndChannelReaders)
{
  EXPECT_EQ(IMidiMsg::kNone, IMidiMsg(0, 0xF8).StatusMsg());
  EXPECT_EQ(IMidiMsg::kNone, IMidiMsg(0, 0xF0).StatusMsg());
  EXPECT_EQ(IMidiMsg::kNone, IMidiMsg(0, 0x7F).StatusMsg());
  EXPECT_EQ(IMidiMsg::kNoteOn, IMidiMsg(0, 0x9F).StatusMsg());
  EXPECT_EQ(15, IMidiMsg(0, 0x9F).Channel());
  EXPECT_EQ(IMidiMsg::kNoteOff, IMidiMsg(0, 0x80).StatusMsg());
  EXPECT_EQ(IMidiMsg::kPitchWheel, IMidiMsg(0, 0xE4).StatusMsg());
  EXPECT_EQ(4, IMidiMsg(0, 0xE4).Channel());
}

TEST(IMidiQueueTest, KeepsOffsetOrderAndOrderOfAddingForEqualOffsets)
{
  IMidiQueue q(0, 1024);
  ASSERT_TRUE(q.Grow());
  const int offsets[] = {10, 5, 5, 20, 0};
  for (int i = 0; i < 5; ++i)
  {
    IMidiMsg msg = noteAt(offsets[i], i);
    q.Add(&msg);
  }
  EXPECT_EQ((std::vector<int>{0, 5, 5, 10, 20}), waitingOffsets(q));
  EXPECT_EQ(1, q.GetAt(1).mData1) << "first 5 added comes first";
  EXPECT_EQ(2, q.GetAt(2).mData1);
}

TEST(IMidiQueueTest, CapacityGrowsInSteps)
{
  IMidiQueue q(0, 1024);
  EXPECT_EQ(0, q.GetCapacity());
  ASSERT_TRUE(q.Grow());
  EXPECT_EQ(1024, q.GetCapacity());
  for (int i = 0; i < 1024; ++i)
  {
    IMidiMsg msg = noteAt(i, i & 0x7F);
    q.Add(&msg);
  }
  EXPECT_EQ(1024, q.GetCapacity());
  IMidiMsg extra = noteAt(2000, 1);
  q.Add(&extra);
  EXPECT_EQ(2048, q.GetCapacity());
  EXPECT_EQ(1025, q.ToDo());
  EXPECT_EQ(2000, q.GetAt(1024).mOffset);
}

TEST(IMidiQueueTest, FullQueueCompactsBeforeGrowingAndDropsWhenItCannotGrow)
{
  IMidiQueue q(4, 0);
  for (int i = 0; i < 4; ++i)
  {
    IMidiMsg msg = noteAt(i, i);
    q.Add(&msg);
  }
  IMidiMsg taken;
  ASSERT_TRUE(q.TakeFront(0, &taken));
  IMidiMsg late = noteAt(9, 9);
  q.Add(&late);
  EXPECT_EQ(4, q.GetCapacity()) << "compacted, not grown";
  EXPECT_EQ(0, q.GetFront());
  EXPECT_EQ((std::vector<int>{1, 2, 3, 9}), waitingOffsets(q));

  IMidiMsg dropped = noteAt(10, 10);
  q.Add(&dropped);
  EXPECT_EQ(4, q.ToDo());
  EXPECT_FALSE(q.Grow());
}

TEST(IMidiQueueTest, TakeFrontHandsOutOnlyDueMessagesAndAdvanceShiftsTheRest)
{
  IMidiQueue q(0, 1024);
  ASSERT_TRUE(q.Grow());
  for (int offset : {0, 100, 600, 700, 1200})
  {
    IMidiMsg msg = noteAt(offset, 1);
    q.Add(&msg);
  }
  IMidiMsg out;
  EXPECT_TRUE(q.TakeFront(100, &out));
  EXPECT_EQ(0, out.mOffset);
  EXPECT_TRUE(q.TakeFront(100, &out));
  EXPECT_EQ(100, out.mOffset);
  EXPECT_FALSE(q.TakeFront(511, &out));
  q.Advance(512);
  EXPECT_EQ(0, q.GetFront());
  EXPECT_EQ(3, q.GetBack());
  EXPECT_EQ((std::vector<int>{88, 188, 688}), waitingOffsets(q));
  EXPECT_FALSE(q.TakeFront(87, &out));
  EXPECT_TRUE(q.TakeFront(88, &out));
}

TEST(IMidiQueueTest, SetCapacityForBlockRoundsToWholeSteps)
{
  IMidiQueue q(0, 1024);
  q.SetCapacityForBlock(1000);
  EXPECT_EQ(1024, q.GetGrow());
  EXPECT_EQ(1024, q.GetCapacity());
  q.SetCapacityForBlock(100);
  EXPECT_EQ(512, q.GetGrow());
  EXPECT_EQ(512, q.GetCapacity());

  // More messages waiting than one step holds: the capacity covers them, rounded the same way.
  for (int i = 0; i < 600; ++i)
  {
    IMidiMsg msg = noteAt(i, 1);
    q.Add(&msg);
  }
  IMidiMsg out;
  ASSERT_TRUE(q.TakeFront(0, &out));
  q.SetCapacityForBlock(64);
  EXPECT_EQ(512, q.GetGrow());
  EXPECT_EQ(1024, q.GetCapacity());
  EXPECT_EQ(0, q.GetFront());
  EXPECT_EQ(599, q.ToDo());
  EXPECT_EQ(1, q.GetAt(0).mOffset);
}
