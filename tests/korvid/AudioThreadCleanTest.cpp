// Nothing the host's audio thread runs in the editor allocates or writes the log file: global new and delete
// and the file open under every log write count their calls inside an AudioThread::Scope, over passes and
// host events in every output mode.
#include "KorvidTestSupport.h"

#include "AudioThread.h"

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <fcntl.h>
#include <new>

using namespace korvidtest;

namespace
{
std::atomic<int> gAudioHeapCalls{0};
std::atomic<int> gAudioFileOpens{0};

int openPassingThrough(const char* path, int flags, va_list rest)
{
  gAudioFileOpens += AudioThread::IsCurrent() ? 1 : 0;
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
  return openat(AT_FDCWD, path, flags, mode);
}
} // namespace

// Both names of the C library's open, whichever the file offset size picks.
extern "C" int openAnySize(const char* path, int flags, ...) __asm__("open64");
extern "C" int openAnySize(const char* path, int flags, ...)
{
  va_list rest;
  va_start(rest, flags);
  const int fd = openPassingThrough(path, flags, rest);
  va_end(rest);
  return fd;
}
extern "C" int openPlain(const char* path, int flags, ...) __asm__("open");
extern "C" int openPlain(const char* path, int flags, ...)
{
  va_list rest;
  va_start(rest, flags);
  const int fd = openPassingThrough(path, flags, rest);
  va_end(rest);
  return fd;
}

// Out of line: inlined into a caller, the free would look mismatched to the compiler.
__attribute__((noinline)) void* operator new(std::size_t size)
{
  gAudioHeapCalls += AudioThread::IsCurrent() ? 1 : 0;
  if (void* block = std::malloc(size ? size : 1))
  {
    return block;
  }
  throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* block) noexcept
{
  gAudioHeapCalls += block && AudioThread::IsCurrent() ? 1 : 0;
  std::free(block);
}
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept
{
  operator delete(block);
}

namespace
{
class AudioThreadClean : public StartupFixture
{
protected:
  // Blocks of 64 frames, each after a host event call with a note on or off and a controller or program
  // change, the host tempo moving every block.
  void play(Korvid& plug, int blocks)
  {
    AEffect* effect = plug.GetAEffect();
    std::vector<double> samples(64, 0.0);
    double* channels[2] = {samples.data(), samples.data()};
    for (int b = 0; b < blocks; ++b)
    {
      hostTime().tempo = 90.0 + b % 50;
      VstMidiEvent note{}, other{};
      note.type = other.type = 1;
      note.byteSize = other.byteSize = sizeof(VstMidiEvent);
      const char noteBytes[] = {static_cast<char>(b % 2 ? 0x80 : 0x90), 60, 100};
      const char otherBytes[] = {static_cast<char>(b % 4 == 3 ? 0xC0 : 0xB0), 74, static_cast<char>(b % 128)};
      std::copy(noteBytes, noteBytes + 3, note.midiData);
      std::copy(otherBytes, otherBytes + 3, other.midiData);
      VstEvents events{2, 0, {reinterpret_cast<VstEvent*>(&note), reinterpret_cast<VstEvent*>(&other)}};
      effect->dispatcher(effect, effProcessEvents, 0, 0, &events, 0.0f);
      effect->processDoubleReplacing(effect, channels, channels, 64);
    }
  }
};

TEST_F(AudioThreadClean, PassesAndHostEventsNeitherAllocateNorLog)
{
  useResources(pluginFolder());
  midi->setOutputPorts({"Blofeld Out"});
  home.writeFile("Korvid Editor LOG.txt", "");
  hostTime() = VstTimeInfo{};
  hostTime().flags = 1 << 10 | 1 << 1; // tempo valid, transport playing
  auto plug = std::make_unique<Korvid>(IPlugInstanceInfo{&timeOnlyHost});
  chooseOutputPort(*plug, 1);
  plug->GetAEffect()->dispatcher(plug->GetAEffect(), effSetSampleRate, 0, 0, nullptr, 48000.0f);
  plug->GetAEffect()->dispatcher(plug->GetAEffect(), effSetBlockSize, 0, 64, nullptr, 0.0f);
  plug->GetParam(kOverrideTempo)->Set(1.0);
  plug->mIndicatorsTrackIncoming = false;
  const auto fullQueue = [&](Korvid& p)
  {
    IMidiMsg msg(0, 0x90, 60, 1);
    while (p.mMidiOutQueue.ToDo() < p.mMidiOutQueue.GetCapacity())
      p.mMidiOutQueue.Add(&msg);
  };
  const auto holdMutex = [&](Korvid& p)
  {
    std::atomic<int> stage{0};
    std::thread holder(
        [&]
        {
          WDL_MutexLock lock(p.GetMutex());
          for (stage = 1; stage != 2;)
            std::this_thread::yield();
        });
    while (stage != 1)
      std::this_thread::yield();
    play(p, 300); // beyond the held events' room
    stage = 2;
    holder.join();
  };
  struct Row
  {
    const char* name;
    bool midiOutMode;
    std::function<void(Korvid&)> before;
  };
  const Row rows[] = {
      {"sent at once", false, nullptr},
      {"queued", true, nullptr},
      {"queue full", true, fullQueue},
      {"mutex held", false, holdMutex},
      {"output lost", false,
       [&](Korvid&)
       {
         midi->setOutputPorts({});
         EXPECT_TRUE(
             waitUntil([&] { return midi->openOutputs().empty(); })); // the loss waits for the idle call
       }},
  };
  for (const Row& row : rows)
  {
    plug->mMidiOutMode = row.midiOutMode;
    gAudioHeapCalls = 0;
    gAudioFileOpens = 0;
    if (row.before)
      row.before(*plug);
    play(*plug, 200);
    EXPECT_EQ(gAudioHeapCalls, 0) << row.name;
    EXPECT_EQ(gAudioFileOpens, 0) << row.name;
    plug->OnIdle();
    plug->waitForAudioSends(std::chrono::seconds(10));
  }
  EXPECT_FALSE(plug->mOutputPresent) << "the idle call took the loss";
  EXPECT_NE(home.readFile("Korvid Editor LOG.txt").find("MIDI OUT lost"), std::string::npos);
}
} // namespace
