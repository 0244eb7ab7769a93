// A copy of a record's dumps read on another thread (a transfer's bank) while the record's owner changes
// its own, and after the copy is gone: the reader sees only its copy's bytes, and no write of the owner
// races with its reads (ThreadSanitizer build).
#include "SysexMessageList.h"

#include <Poco/Runnable.h>
#include <Poco/Thread.h>
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <utility>

namespace
{
// Sums the bytes of its copy, lets the copy go and says so with a relaxed store: nothing orders the
// reads before the owner's next access but the list itself.
class CopyReader : public Poco::Runnable
{
public:
  CopyReader(SysexMessageList copyIn, std::atomic<bool>& doneIn) : copy(std::move(copyIn)), done(doneIn) {}
  void run() override
  {
    for (const PatchSysexMessage& message : static_cast<const SysexMessageList&>(copy))
      sum += std::accumulate(message.mData.begin(), message.mData.end(), 0L);
    copy.clear();
    done.store(true, std::memory_order_relaxed);
  }

  SysexMessageList copy;
  std::atomic<bool>& done;
  long sum = 0;
};
} // namespace

TEST(SysexMessageListThreadsTest, TheOwnerChangesItsDumpsWhileACopyIsReadElsewhere)
{
  for (int count : {1, 3})
    for (bool waitForTheReader : {false, true})
    {
      SysexMessageList owner;
      for (int i = 0; i < count; ++i)
      {
        PatchSysexMessage message;
        message.mData.assign(400, 0x01);
        owner.push_back(std::move(message));
      }
      std::atomic<bool> done{false};
      CopyReader reader(owner, done);
      Poco::Thread thread;
      thread.start(reader);
      if (waitForTheReader)
        while (!done.load(std::memory_order_relaxed))
          Poco::Thread::yield();
      for (int i = 0; i < 400; ++i)
        owner[0].mData[static_cast<size_t>(i)] = 0x02;
      thread.join();
      EXPECT_EQ(reader.sum, 400L * count) << "the reader saw the bytes of its copy only";
      EXPECT_EQ(owner[0].mData[0], 0x02);
    }
}
