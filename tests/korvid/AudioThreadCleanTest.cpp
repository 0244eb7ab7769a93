// Nothing the host's audio thread runs in the editor allocates or opens a file (the log): new, delete and
// open count their calls inside an AudioThread::Scope, over passes and host events in each output mode.
#include "KorvidTestSupport.h"

#include "AudioThread.h"

#include <cstdarg>
#include <fcntl.h>

using namespace korvidtest;

static std::atomic<int> gAudioHeapCalls{0}, gAudioFileOpens{0};

// Out of line: inlined, the free would look mismatched to the compiler.
__attribute__((noinline)) void* operator new(std::size_t size)
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
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept
{
  operator delete(block);
}
// The C library's open, as the log writer calls it.
extern "C" int countedOpen(const char* path, int flags, ...) __asm__("open");
extern "C" int countedOpen(const char* path, int flags, ...)
{
  va_list rest;
  va_start(rest, flags);
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
  va_end(rest);
  gAudioFileOpens += AudioThread::IsCurrent();
  return openat(AT_FDCWD, path, flags, mode);
}

// Rows: sent at once, queued, queue full, plug mutex held (events kept beyond their room), output lost. Each
// block follows a host event call with a note and a controller or program change; the host tempo moves.
using AudioThreadClean = StartupFixture;
TEST_F(AudioThreadClean, PassesAndHostEventsNeitherAllocateNorLog)
{
  useResources(pluginFolder());
  midi->setOutputPorts({"Blofeld Out"});
  home.writeFile("Korvid Editor LOG.txt", "");
  hostTime() = VstTimeInfo{};
  hostTime().flags = 1 << 10 | 1 << 1; // tempo valid, transport playing
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{&timeOnlyHost});
  chooseOutputPort(*plug, 1);
  AEffect* effect = plug->GetAEffect();
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  effect->dispatcher(effect, effSetBlockSize, 0, 64, nullptr, 0.0f);
  plug->GetParam(kOverrideTempo)->Set(1.0);
  plug->mIndicatorsTrackIncoming = false;
  std::atomic<int> stage{0};
  std::thread holder;
  for (int row = 0; row < 5; ++row)
  {
    plug->mMidiOutMode = row == 1 || row == 2;
    for (IMidiMsg msg(0, 0x90, 60, 1); row == 2 && plug->mMidiOutQueue.ToDo() < 1024;)
      plug->mMidiOutQueue.Add(&msg);
    if (row == 3)
      holder = std::thread(
          [&]
          {
            WDL_MutexLock lock(plug->GetMutex());
            for (stage = 1; stage != 2;)
              std::this_thread::yield();
          });
    if (row == 4)
      midi->setOutputPorts({});
    ASSERT_TRUE(
        waitUntil([&] { return (row != 3 || stage == 1) && (row != 4 || midi->openOutputs().empty()); }));
    gAudioHeapCalls = gAudioFileOpens = 0;
    std::vector<double> samples(64, 0.0);
    double* channels[2] = {samples.data(), samples.data()};
    for (int b = 0; b < 300; ++b)
    {
      hostTime().tempo = 90.0 + b % 50;
      VstMidiEvent notes[2]{};
      const int bytes[2][3] = {{b % 2 ? 0x80 : 0x90, 60, 100}, {b % 4 == 3 ? 0xC0 : 0xB0, 74, b % 128}};
      for (int e = 0; e < 2; ++e)
      {
        notes[e].type = 1;
        notes[e].byteSize = sizeof(VstMidiEvent);
        std::copy(bytes[e], bytes[e] + 3, notes[e].midiData);
      }
      VstEvents events{
          2, 0, {reinterpret_cast<VstEvent*>(&notes[0]), reinterpret_cast<VstEvent*>(&notes[1])}};
      effect->dispatcher(effect, effProcessEvents, 0, 0, &events, 0.0f);
      effect->processDoubleReplacing(effect, channels, channels, 64);
    }
    EXPECT_EQ(gAudioHeapCalls, 0) << row;
    EXPECT_EQ(gAudioFileOpens, 0) << row;
    if (row == 3)
      stage = 2, holder.join();
    plug->OnIdle();
    plug->waitForAudioSends(std::chrono::seconds(10));
  }
  EXPECT_FALSE(plug->mOutputPresent) << "the idle call took the loss";
  EXPECT_NE(home.readFile("Korvid Editor LOG.txt").find("MIDI OUT lost"), std::string::npos);
}
