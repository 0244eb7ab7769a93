// Nothing the host's audio thread runs in the editor allocates (a log line does too): new and delete count
// their calls inside an AudioThread::Scope, over passes and host events in five output states.
#include "AudioThread.h"
#include "KorvidTestSupport.h"

#include <new>

using namespace korvidtest;

static std::atomic<int> gAudioHeapCalls{0};

__attribute__((noinline)) void* operator new(std::size_t size) // inlined, the free would look mismatched
{
  gAudioHeapCalls += AudioThread::IsCurrent();
  void* block = std::malloc(size ? size : 1);
  return block ? block : throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* block) noexcept
{
  gAudioHeapCalls += block && AudioThread::IsCurrent();
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
  operator delete(block);
}
// The other forms go the same way: a sanitizer's own versions would free with a mismatching call.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  void* block = std::malloc(size ? size : 1);
  gAudioHeapCalls += AudioThread::IsCurrent();
  return block;
}
void* operator new[](std::size_t size)
{
  return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  return operator new(size, std::nothrow);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
  operator delete(block);
}
void operator delete[](void* block) noexcept
{
  operator delete(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
  operator delete(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
  operator delete(block);
}

// Rows: sent at once, queued, queue full, plug mutex held, output lost. The host tempo moves every block.
using AudioThreadClean = StartupFixture;
TEST_F(AudioThreadClean, PassesAndHostEventsNeitherAllocateNorLog)
{
  useResources(pluginFolder());
  midi->setOutputPorts({"Blofeld Out"});
  home.writeFile("Korvid Editor LOG.txt", "");
  hostTime().flags = 1 << 10 | 1 << 1; // tempo valid, transport playing
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{&timeOnlyHost});
  chooseOutputPort(*plug, 1);
  AEffect* effect = plug->GetAEffect();
  plug->GetParam(kOverrideTempo)->Set(1.0);
  plug->GetParam(kGlobalRxProgramChange)->Set(1.0); // the events behind a program change wait for it
  double samples[64]{}, *channels[2] = {samples, samples};
  const auto play = [&] // each block after a note on or off, a controller or a program change
  {
    for (int b = 0; b < 300; ++b)
    {
      hostTime().tempo = 90.0 + b % 50;
      const int bytes[4][3] = {{0x90, 60, 100}, {0x80, 60, 0}, {0xB0, 74, b % 128}, {0xC0, b % 128, 0}};
      VstMidiEvent event{};
      event.type = 1, event.byteSize = sizeof(VstMidiEvent);
      std::copy(bytes[b % 4], bytes[b % 4] + 3, event.midiData);
      VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&event), nullptr}};
      effect->dispatcher(effect, effProcessEvents, 0, 0, &events, 0.0f);
      effect->processDoubleReplacing(effect, channels, channels, 64);
    }
  };
  for (int row = 0; row < 5; ++row)
  {
    plug->mMidiOutMode = row == 1 || row == 2;
    for (IMidiMsg fill(0, 0x90, 60, 1); row == 2 && plug->mMidiOutQueue.ToDo() < 1024;)
      plug->mMidiOutQueue.Add(&fill);
    ASSERT_TRUE(row != 4 ||
                (midi->setOutputPorts({}), waitUntil([&] { return midi->openOutputs().empty(); })));
    gAudioHeapCalls = 0;
    WDL_MutexLock editor(row == 3 ? plug->GetMutex() : nullptr); // events kept beyond their room
    std::thread(play).join();
    EXPECT_EQ(gAudioHeapCalls, 0) << row;
    plug->OnIdle();
  }
  // The port watch notes the loss a moment after the port closed.
  EXPECT_TRUE(waitUntil([&] { return plug->OnIdle(), !plug->mOutputPresent; }))
      << "an idle call took the loss";
}
