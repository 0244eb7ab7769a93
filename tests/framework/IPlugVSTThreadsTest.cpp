// The plug mutex under load: the audio thread and the interface thread call the plug-in at once.
#include "FakeHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{
constexpr VstInt32 effGetChunk = 23;
constexpr VstInt32 effSetChunk = 24;
constexpr VstInt32 effSetBlockSize = 11;
constexpr int kRounds = 300;
} // namespace

TEST(IPlugVSTThreadsTest, AudioAndInterfaceThreadsAreSerialised)
{
  FakeHost host;
  TestPlug::Setup setup;
  setup.hostParams = 4;
  TestPlug plug(setup);
  AEffect* e = plug.GetAEffect();
  std::atomic<bool> done{false};
  std::atomic<int> blocks{0};

  std::thread audio(
      [&]
      {
        std::vector<float> in(256, 0.5f);
        std::vector<float> out0(256, 0.0f);
        std::vector<float> out1(256, 0.0f);
        float* ins[] = {in.data(), in.data()};
        float* outs[] = {out0.data(), out1.data()};
        while (!done)
        {
          e->processReplacing(e, ins, outs, 256);
        }
      });

  // The interface thread keeps calling until both threads have done their share.
  for (int i = 0; i < kRounds || blocks < kRounds; ++i)
  {
    e->setParameter(e, i % 4, 0.25f);
    void* data = nullptr;
    const VstIntPtr size = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.0f);
    std::vector<unsigned char> copy(static_cast<unsigned char*>(data),
                                    static_cast<unsigned char*>(data) + size);
    EXPECT_EQ(e->dispatcher(e, effSetChunk, 1, size, copy.data(), 0.0f), 1);
    e->dispatcher(e, effSetBlockSize, 0, 64 + (i % 3) * 128, nullptr, 0.0f);
  }
  done = true;
  audio.join();
  EXPECT_EQ(plug.lastFrames, 256);
  EXPECT_GE(blocks.load(), kRounds);
}
