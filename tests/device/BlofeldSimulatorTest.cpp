// The simulated synthesizer itself: what it answers, what it stores and how it misbehaves on request.
#include <gtest/gtest.h>

#include <mutex>

#include "BlofeldSimulator.h"
#include "DeviceClock.h"
#include "DeviceTestSupport.h"

using DeviceTestSupport::Bytes;
using P = SysexProtocol;

namespace
{
class SimulatorTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    simulator.setSink(
        [this](const Bytes& b)
        {
          std::lock_guard<std::mutex> lock(mLock);
          replies.push_back(b);
        });
  }
  std::vector<Bytes> ask(const std::vector<uint8_t>& body)
  {
    Bytes framed;
    framed.reserve(body.size() + 2);
    framed.push_back(P::kSysexStart);
    framed.insert(framed.end(), body.begin(), body.end());
    framed.push_back(P::kSysexEnd);
    simulator.receive(framed);
    simulator.drain();
    std::lock_guard<std::mutex> lock(mLock);
    std::vector<Bytes> got;
    got.swap(replies);
    return got;
  }

  DeviceClock clock{DeviceClock::Mode::Virtual};
  BlofeldSimulator simulator{17, &clock};
  std::mutex mLock;
  std::vector<Bytes> replies;
};
} // namespace

TEST_F(SimulatorTest, AnswersSoundMultiAndGlobalRequestsForItsOwnIdOnly)
{
  const Bytes sound = DeviceTestSupport::madeSound(33);
  simulator.setSound(2, 40, sound);
  std::vector<Bytes> got = ask(P::storedSoundRequest(17, 2, 40));
  ASSERT_EQ(1u, got.size());
  ASSERT_TRUE(P::isSoundDump(got[0].data(), static_cast<int>(got[0].size())));
  EXPECT_EQ(17, got[0][P::kDeviceIdOffset]);
  EXPECT_EQ(2, got[0][P::kBankOffset]);
  EXPECT_EQ(40, got[0][P::kProgramOffset]);
  EXPECT_EQ(P::checksum(got[0].data(), 392, 7, 389), got[0][390]);
  EXPECT_TRUE(std::equal(sound.begin() + 7, sound.begin() + 390, got[0].begin() + 7));

  got = ask(P::multiEditBufferRequest(17));
  ASSERT_EQ(1u, got.size());
  EXPECT_TRUE(P::isMultiDump(got[0].data(), static_cast<int>(got[0].size())));
  got = ask(P::globalRequest(0x7F));
  ASSERT_EQ(1u, got.size());
  EXPECT_TRUE(P::isGlobalDump(got[0].data(), static_cast<int>(got[0].size())));

  EXPECT_TRUE(ask(P::soundEditBufferRequest(16, 0)).empty());
  EXPECT_TRUE(ask(P::globalRequest(0)).empty());
  EXPECT_TRUE(ask({0x3E, 0x14, 17, 0x04}).empty());
}

TEST_F(SimulatorTest, TakesDumpsAndParameterChangesIntoItsMemory)
{
  Bytes dump = DeviceTestSupport::asEditBuffer(DeviceTestSupport::madeSound(50), 9);
  dump[P::kDeviceIdOffset] = 17;
  simulator.receive(dump);
  // Filter 1 cutoff of part 9 (sound index 78, address 00 4E) set to 5.
  simulator.receive({0xF0, 0x3E, 0x13, 17, 0x20, 9, 0x00, 0x4E, 5, 0xF7});
  // Another device's change is not taken.
  simulator.receive({0xF0, 0x3E, 0x13, 3, 0x20, 9, 0x00, 0x4E, 6, 0xF7});
  simulator.drain();
  const Bytes stored = simulator.editBuffer(9);
  EXPECT_EQ(5, stored[85]);
  dump[85] = 5;
  EXPECT_EQ(dump, stored);
  EXPECT_EQ(3u, simulator.received().size());
  EXPECT_TRUE(ask(P::soundEditBufferRequest(17, 16)).empty());
}

TEST_F(SimulatorTest, MisbehavesAsToldSilentLateTruncatedOrCorrupted)
{
  simulator.setFault(BlofeldSimulator::Fault::Silent);
  EXPECT_TRUE(ask(P::globalRequest(17)).empty());

  simulator.setFault(BlofeldSimulator::Fault::Truncated);
  std::vector<Bytes> got = ask(P::soundEditBufferRequest(17, 0));
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(196u, got[0].size());

  simulator.setFault(BlofeldSimulator::Fault::Corrupted);
  got = ask(P::soundEditBufferRequest(17, 0));
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(392u, got[0].size());
  EXPECT_FALSE(P::isSoundDump(got[0].data(), 392));

  // Late: the answer waits until the clock has moved on by the delay.
  simulator.setFault(BlofeldSimulator::Fault::Late, 500);
  const int64_t asked = clock.nowMs();
  simulator.receive({0xF0, 0x3E, 0x13, 17, 0x04, 0xF7});
  std::atomic<bool> never{false};
  for (int i = 0; i < 4; ++i)
    clock.sleep(100, never);
  {
    std::lock_guard<std::mutex> lock(mLock);
    EXPECT_TRUE(replies.empty());
  }
  // Move the clock on until the answer comes (the simulator reads the clock when it takes the request).
  for (int i = 0; i < 50; ++i)
  {
    {
      std::lock_guard<std::mutex> lock(mLock);
      if (!replies.empty())
        break;
    }
    clock.sleep(100, never);
  }
  simulator.drain();
  EXPECT_GE(clock.nowMs() - asked, 500);
  std::lock_guard<std::mutex> lock(mLock);
  EXPECT_EQ(1u, replies.size());
}
