// Saving a stored dump as raw sysex and as a MIDI-file event.
#include "PatchSysexMessage.h"

#include "LibrarianTestSupport.h"

#include <gtest/gtest.h>

using namespace librarian_test;

namespace
{
Bytes saved(const PatchSysexMessage& message, bool midiFile, int index, int messageIndex, bool multi)
{
  ByteChunk out;
  const unsigned char before = 0x42;
  out.AppendBytes(&before, 1);
  message.save(&out, midiFile, index, messageIndex, multi);
  Bytes bytes = bytesOf(out);
  EXPECT_EQ(bytes[0], before) << "existing bytes are kept";
  return Bytes(bytes.begin() + 1, bytes.end());
}
} // namespace

TEST(PatchSysexMessageTest, RawSaveAppendsTheWholeMessage)
{
  PatchSysexMessage sound;
  sound.mData = soundDump("Raw", 1);
  EXPECT_EQ(saved(sound, false, 3, 0, false), sound.mData);
  PatchSysexMessage empty;
  EXPECT_TRUE(saved(empty, false, 0, 0, false).empty());
  EXPECT_TRUE(saved(empty, true, 1, 0, false).empty());
}

TEST(PatchSysexMessageTest, MidiSaveWritesThePrefixForAllButTheFirstEvent)
{
  PatchSysexMessage sound;
  sound.mData = soundDump("Midi", 1);
  const Bytes withoutF0(sound.mData.begin() + 1, sound.mData.end());
  EXPECT_EQ(saved(sound, true, 0, 0, false), withoutF0);

  Bytes fifth = saved(sound, true, 5, 0, false);
  ASSERT_EQ(fifth.size(), 396u);
  EXPECT_EQ(Bytes(fifth.begin(), fifth.begin() + 5), (Bytes{0x83, 0x74, 0xF0, 0x83, 0x07}));
  EXPECT_EQ(Bytes(fifth.begin() + 5, fifth.end()), withoutF0);
  EXPECT_EQ(saved(sound, true, 5, 9, true), fifth) << "messageIndex and multi do not change a sound's event";

  PatchSysexMessage multi;
  multi.mData = multiDump("Multi");
  Bytes second = saved(multi, true, 1, 0, true);
  ASSERT_EQ(second.size(), 429u);
  EXPECT_EQ(Bytes(second.begin(), second.begin() + 5), (Bytes{0x83, 0x74, 0xF0, 0x83, 0x28}));
}

TEST(PatchSysexMessageTest, MidiEventLengthFollowsTheRealMessageLength)
{
  PatchSysexMessage shortSound;
  shortSound.mData = soundDump("Short", 1, kBlofeld, 0, 390);
  Bytes event = saved(shortSound, true, 2, 0, false);
  // 389 bytes follow the prefix: 389 = 3 * 128 + 5.
  ASSERT_EQ(event.size(), 5u + 389u);
  EXPECT_EQ(Bytes(event.begin() + 3, event.begin() + 5), (Bytes{0x83, 0x05}));

  PatchSysexMessage tiny;
  tiny.mData = {0xF0, 0x01, 0xF7};
  EXPECT_EQ(saved(tiny, true, 1, 0, false), (Bytes{0x83, 0x74, 0xF0, 0x02, 0x01, 0xF7}));
}

TEST(PatchSysexMessageTest, VariableLengthQuantitiesUseSevenBitGroups)
{
  const std::pair<unsigned int, Bytes> cases[] = {
      {0, {0x00}}, {0x7F, {0x7F}}, {0x80, {0x81, 0x00}}, {391, {0x83, 0x07}}, {0x1FFFFF, {0xFF, 0xFF, 0x7F}}};
  for (const auto& c : cases)
  {
    ByteChunk out;
    PatchSysexMessage::appendVariableLength(&out, c.first);
    EXPECT_EQ(bytesOf(out), c.second) << c.first;
  }
}
