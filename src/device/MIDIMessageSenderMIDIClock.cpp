// MIDI clock and transport: Start, Stop and the Timing Clock stream, one status byte each straight to the
// output port.
#include "MIDIMessageSender.h"

#include "IGraphics.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>

namespace
{
constexpr unsigned char kTimingClock = 0xF8;
constexpr unsigned char kStart = 0xFA;
constexpr unsigned char kContinue = 0xFB;
constexpr unsigned char kStop = 0xFC;
constexpr unsigned char kSongPosition = 0xF2;
// Song Position Pointer: two 7-bit data bytes, low first.
constexpr int kDataBits = 7;
constexpr int kDataMask = 0x7F;
constexpr int kMaxSongPosition = (1 << (2 * kDataBits)) - 1;

constexpr int kClocksPerQuarter = 24;
constexpr int64_t kNsPerMinute = 60'000'000'000;
constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kNsPerMs = 1'000'000;
// Ticks a late clock thread sends back to back to keep the beat; later than that it starts the beat anew.
constexpr int64_t kMaxCatchUpTicks = 6;
// Steps of the pause between two tempo attempts, in ms: a clock switched off meanwhile ends within one.
constexpr int kTempoPauseStepMs = 50;

int64_t monotonicNs()
{
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

// Sleeps until the monotonic time atNs (an absolute wake-up: no drift from the time the sleep took to set
// up); a signal only shortens it.
void sleepUntilNs(int64_t atNs)
{
  timespec at{};
  at.tv_sec = static_cast<time_t>(atNs / kNsPerSecond);
  at.tv_nsec = static_cast<long>(atNs % kNsPerSecond);
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
}

// A "tempoValues" entry read as a decimal integer as atoi reads it (blanks, sign, digits), bounded so that
// an absurd entry cannot overflow; 0 when it holds no number.
int tempoOfText(const std::string& text)
{
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, -1, MIDIMessageSender::kMaxClockTempo + 1));
}

double paramValue(Korvid& plug, int paramIdx)
{
  const IParam* param = plug.GetParam(paramIdx);
  return param ? param->Value() : 0.0;
}
} // namespace

void MIDIMessageSender::startMIDIClockOutput(int songPosition)
{
  if (!plug->mClockPointerFlag)
  {
    return;
  }
  if (songPosition <= 0)
  {
    sendClockBytes({kStart});
    return;
  }
  // Start would put the synthesizer back at the song's beginning: it is told where the host is instead.
  const int position = std::min(songPosition, kMaxSongPosition);
  sendClockBytes({kSongPosition, static_cast<unsigned char>(position & kDataMask),
                  static_cast<unsigned char>((position >> kDataBits) & kDataMask)});
  sendClockBytes({kContinue});
}

void MIDIMessageSender::stopMIDIClockOutput()
{
  if (plug->mClockPointerFlag)
  {
    sendClockBytes({kStop});
  }
}

void MIDIMessageSender::resetContinuousClock(bool stop)
{
  clockRunning = !stop;
  ++clockGeneration;
}

int64_t MIDIMessageSender::clockIntervalNs(int tempo)
{
  return kNsPerMinute / (static_cast<int64_t>(std::max(tempo, kMinClockTempo)) * kClocksPerQuarter);
}

int MIDIMessageSender::clockTempo()
{
  int tempo = 0;
  if (paramValue(*plug, kOverrideTempo) == 1.0)
  {
    tempo = plug->getTempoValue();
  }
  else if (const UIConfigManager* config = plug->getUIConfigManager())
  {
    const std::vector<std::string>& tempi = config->getValueList("tempoValues");
    const double index = paramValue(*plug, kMultiTempo);
    // An index the list does not hold is no tempo, never a read beyond it.
    if (index >= 0.0 && index < static_cast<double>(tempi.size()))
    {
      tempo = tempoOfText(tempi[static_cast<size_t>(index)]);
    }
  }
  return tempo >= kMinClockTempo && tempo <= kMaxClockTempo ? tempo : 0;
}

void MIDIMessageSender::sendContinuousMIDIClock(int)
{
  const uint64_t generation = clockGeneration.load();
  if (!plug->mClockFlag)
  {
    return;
  }
  int tempo = 0;
  for (int attempt = 0; attempt < kTempoAttempts && tempo == 0; ++attempt)
  {
    tempo = clockTempo();
    if (tempo == 0 && !clockPause(kTempoRetryMs, generation))
    {
      return;
    }
  }
  if (tempo == 0)
  {
    giveUpClock();
    return;
  }

  // Tick n is due at start + n * interval: a late wake-up delays one tick, never the ones after it.
  const int64_t interval = clockIntervalNs(tempo);
  int64_t due = monotonicNs();
  sendClockBytes({kTimingClock});
  for (;;)
  {
    due += interval;
    if (!sleepUntilTick(due, generation) || !clockGoesOn(generation))
    {
      return;
    }
    if (!plug->mOutputPresent)
    {
      clockRunning = false;
      return;
    }
    sendClockBytes({kTimingClock});
    // A thread held up briefly sends the ticks it missed at once and keeps the beat; one held up for longer
    // resumes from now rather than flood the synthesizer.
    const int64_t now = monotonicNs();
    if (now - due > kMaxCatchUpTicks * interval)
    {
      due = now;
    }
  }
}

bool MIDIMessageSender::clockGoesOn(uint64_t generation) const
{
  return clockRunning && clockGeneration == generation && plug->mClockFlag && !stopping;
}

bool MIDIMessageSender::sleepUntilTick(int64_t dueNs, uint64_t generation) const
{
  for (int64_t now = monotonicNs(); now < dueNs; now = monotonicNs())
  {
    if (!clockGoesOn(generation))
    {
      return false;
    }
    sleepUntilNs(std::min(dueNs, now + kClockLookMs * kNsPerMs));
  }
  return true;
}

bool MIDIMessageSender::clockPause(int ms, uint64_t generation)
{
  for (int waited = 0; waited < ms; waited += kTempoPauseStepMs)
  {
    if (!clockGoesOn(generation) || !pause(std::min(kTempoPauseStepMs, ms - waited)))
    {
      return false;
    }
  }
  return clockGoesOn(generation);
}

void MIDIMessageSender::giveUpClock()
{
  if (IGraphics* surface = plug->GetGUI())
  {
    surface->SetParameterFromPlug(kSendMIDIClockInfo, 0.0, false);
  }
  else if (IParam* param = plug->GetParam(kSendMIDIClockInfo))
  {
    param->Set(0.0);
  }
  plug->showStatusDetail(kTextNoTempo);
  plug->mClockFlag = false;
}

void MIDIMessageSender::sendClockBytes(std::vector<unsigned char> bytes)
{
  plug->SendMidiSysex2(std::move(bytes));
}
