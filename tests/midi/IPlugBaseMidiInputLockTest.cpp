// The plug-in base's input port operations while a delivery from the input port waits for the plug mutex, as
// the editor's delivery does when incoming data changes a parameter: the thread that holds the plug mutex
// and reopens, closes or lists the input must not wait for that delivery with the mutex held. Also run under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "MidiFakeSystem.h"
#include "MidiTestPlug.h"
#include "WdlMutex.h"

namespace
{
using Bytes = std::vector<unsigned char>;
constexpr const char* kPort = "Blofeld";
// Far beyond what the steps take on a loaded machine; reached only when the two threads block each other.
constexpr std::chrono::seconds kDeadlockAfter{30};
// The plug mutex is held twice, as by the host's dispatcher and a change handler inside it.
constexpr int kHostDepth = 2;

// One thread tells another that it has reached a point.
class Signal
{
public:
  void raise()
  {
    {
      std::lock_guard<std::mutex> lock(mLock);
      mRaised = true;
    }
    mChanged.notify_all();
  }
  bool waitFor(std::chrono::seconds timeout)
  {
    std::unique_lock<std::mutex> lock(mLock);
    return mChanged.wait_for(lock, timeout, [this] { return mRaised; });
  }

private:
  std::mutex mLock;
  std::condition_variable mChanged;
  bool mRaised = false;
};

// Takes the plug mutex in its input delivery, and says when a delivery has begun.
class LockingPlug : public MidiTestPlug
{
public:
  void ProcessMidiMsg(IMidiMsg* msg, bool fromDevice) override
  {
    deliveryBegun.raise();
    WDL_MutexLock lock(GetMutex());
    MidiTestPlug::ProcessMidiMsg(msg, fromDevice);
  }

  Signal deliveryBegun;
};

struct PortOperation
{
  const char* name;
  // Runs on the thread holding the plug mutex; what it leaves open is checked afterwards.
  std::function<void(LockingPlug&)> run;
  std::vector<std::string> openAfter;
};

// Threads that block each other for good cannot be joined: the run ends here, saying why.
void endRunIfStuck(std::future<void>& done, const std::string& what)
{
  if (done.wait_for(kDeadlockAfter) != std::future_status::ready)
  {
    std::fprintf(stderr, "%s: the threads still wait for each other after %lld s (deadlock)\n", what.c_str(),
                 static_cast<long long>(kDeadlockAfter.count()));
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
  }
}
} // namespace

TEST(IPlugBaseMidiInputLockTest, InputOperationsUnderThePlugMutexLetAWaitingDeliveryFinish)
{
  const std::vector<PortOperation> operations = {
      {"reopening the input",
       [](LockingPlug& plug)
       {
         int idx = 1;
         EXPECT_EQ(1, plug.setExternalMIDIIn(idx, kPort));
         EXPECT_EQ(1, idx);
       },
       {kPort}},
      {"closing the input",
       [](LockingPlug& plug)
       {
         int idx = 0;
         EXPECT_EQ(0, plug.setExternalMIDIIn(idx, "OFF"));
         EXPECT_EQ(0, idx);
       },
       {}},
      {"listing the input ports",
       [](LockingPlug& plug) {
         EXPECT_EQ((std::vector<std::string>{"OFF", kPort}), plug.getExternalMIDIInNames());
       },
       {kPort}},
  };

  for (const PortOperation& operation : operations)
  {
    SCOPED_TRACE(operation.name);
    auto system = MidiFakeSystem::create();
    system->setInputPorts({kPort});
    MidiFakeSystem::installAsDefault(system);
    auto plug = std::make_unique<LockingPlug>();
    plug->getExternalMIDIInNames();
    int idx = 1;
    ASSERT_EQ(1, plug->setExternalMIDIIn(idx, kPort));

    Signal hostLocked;
    int depthAfter = 0;
    // The host's thread: holds the plug mutex, and once a delivery waits for it, runs the port operation.
    std::future<void> host = std::async(std::launch::async,
                                        [&]
                                        {
                                          WDL_MutexLock dispatcher(plug->GetMutex());
                                          WDL_MutexLock handler(plug->GetMutex());
                                          hostLocked.raise();
                                          ASSERT_TRUE(plug->deliveryBegun.waitFor(kDeadlockAfter));
                                          operation.run(*plug);
                                          depthAfter = plug->GetMutex()->DepthForThisThread();
                                        });
    // The input port's thread: a controller arrives while the host holds the mutex.
    int delivered = 0;
    std::future<void> input = std::async(std::launch::async,
                                         [&]
                                         {
                                           ASSERT_TRUE(hostLocked.waitFor(kDeadlockAfter));
                                           delivered = system->inject(kPort, {0xB0, 74, 64});
                                         });
    endRunIfStuck(host, operation.name);
    endRunIfStuck(input, operation.name);
    host.get();
    input.get();

    EXPECT_EQ(1, delivered);
    EXPECT_EQ(1u, plug->msgs.size());
    // The operation gave the mutex back only for its wait: the host's thread holds it as before.
    EXPECT_EQ(kHostDepth, depthAfter);
    EXPECT_EQ(operation.openAfter, system->openInputs());
    // An input still open goes on delivering; a closed one delivers nothing.
    EXPECT_EQ(operation.openAfter.empty() ? 0 : 1, system->inject(kPort, {0x90, 60, 100}));
    EXPECT_EQ(operation.openAfter.empty() ? 1u : 2u, plug->msgs.size());

    plug.reset();
    EXPECT_EQ(0, system->inject(kPort, {0x90, 60, 100}));
    MidiFakeSystem::installAsDefault(nullptr);
  }
}
