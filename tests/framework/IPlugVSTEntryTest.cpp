// Instance creation at the entry point: presets, program count, and failures that stay inside.
#include "FakeHost.h"
#include "IPlugVSTEntry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>

namespace
{

IPlugVST* makePlain(IPlugInstanceInfo)
{
  return new TestPlug(TestPlug::Setup{});
}

IPlugVST* makeWithPresets(IPlugInstanceInfo)
{
  TestPlug::Setup setup;
  setup.presets = 2;
  setup.hostParams = 1;
  return new TestPlug(setup);
}

IPlugVST* makeThrowing(IPlugInstanceInfo)
{
  throw std::runtime_error("construction failed");
}

IPlugVST* makeOutOfMemory(IPlugInstanceInfo)
{
  throw std::bad_alloc();
}

IPlugVST* makeThrowingInt(IPlugInstanceInfo)
{
  throw 42;
}

// True when another thread can take the entry mutex within a second.
bool entryMutexIsFree()
{
  std::atomic<bool> entered{false};
  std::thread other(
      [&]
      {
        WDL_MutexLock lock(&IPlugVSTEntryMutex());
        entered = true;
      });
  other.join();
  return entered;
}
} // namespace

TEST(IPlugVSTEntryTest, NoPresetsStillShowsOneProgram)
{
  FakeHost host;
  AEffect* effect = IPlugVSTEntry(&FakeHost::Callback, &makePlain);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->numPrograms, 1);
  EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 0);
}

TEST(IPlugVSTEntryTest, DeclaredPresetsAreFilledAsEmpty)
{
  FakeHost host;
  AEffect* effect = IPlugVSTEntry(&FakeHost::Callback, &makeWithPresets);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->numPrograms, 2);
  IPlugVST* plug = static_cast<IPlugVST*>(effect->object);
  EXPECT_STREQ(plug->GetPresetName(0), "Empty");
  EXPECT_STREQ(plug->GetPresetName(1), "Empty");
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

TEST(IPlugVSTEntryTest, ExceptionsGiveNullAndFreeTheMutex)
{
  FakeHost host;
  EXPECT_EQ(IPlugVSTEntry(&FakeHost::Callback, &makeThrowing), nullptr);
  EXPECT_TRUE(entryMutexIsFree());
  EXPECT_EQ(IPlugVSTEntry(&FakeHost::Callback, &makeOutOfMemory), nullptr);
  EXPECT_EQ(IPlugVSTEntry(&FakeHost::Callback, &makeThrowingInt), nullptr);
  EXPECT_TRUE(entryMutexIsFree());
  EXPECT_EQ(IPlugVSTEntry(&FakeHost::Callback, nullptr), nullptr);

  AEffect* effect = IPlugVSTEntry(&FakeHost::Callback, &makePlain);
  ASSERT_NE(effect, nullptr);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}
