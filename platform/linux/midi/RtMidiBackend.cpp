// RtMidi's default API throws on a machine without the ALSA sequencer, so the API is chosen here; the JACK
// clients are written with libjack.
#include "RtMidiBackend.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
#include "JackMidiInputClient.h"
#include "JackMidiOutputClient.h"
#include "JackServerWatch.h"
#include "RtMidiInputClient.h"
#include "RtMidiOutputClient.h"

namespace
{
bool compiled(RtMidi::Api api)
{
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  for (RtMidi::Api a : apis)
  {
    if (a == api)
      return true;
  }
  return false;
}

// Runs work under a deadline. When it fails, what it made (a server watch may be the last reference to its
// JACK client) is let go under a deadline too, never closed on the caller's thread.
template <class Made, class Work> void runReleasingOnFailure(std::shared_ptr<Made>& made, Work work)
{
  try
  {
    deadlinecall::run(std::move(work));
  }
  catch (...)
  {
    deadlinecall::release(std::move(made));
    throw;
  }
}
} // namespace

std::unique_ptr<IMidiPorts::Backend> IMidiPorts::CreateSystemBackend()
{
  return std::make_unique<RtMidiBackend>();
}

RtMidiBackend::RtMidiBackend(std::string sequencerDevice) : mSequencerDevice(std::move(sequencerDevice)) {}

bool RtMidiBackend::answering() const
{
  return !deadlinecall::stalled() && !JackServerWatch::stuck();
}

bool RtMidiBackend::stuck() const
{
  return JackServerWatch::stuck() || (deadlinecall::stalled() && deadlinecall::stuck());
}

int RtMidiBackend::chooseApi() const
{
  // Probing JACK talks to the server, and the probe's watch may close its client: under a deadline.
  return deadlinecall::ask<int>(
      [device = mSequencerDevice]
      {
        std::shared_ptr<JackServerWatch> watch;
        return chooseApiFor(device, watch);
      });
}

int RtMidiBackend::chooseApiFor(const std::string& sequencerDevice, std::shared_ptr<JackServerWatch>& watch)
{
  std::error_code ec;
  if (compiled(RtMidi::LINUX_ALSA) && std::filesystem::exists(sequencerDevice, ec))
    return RtMidi::LINUX_ALSA;
  // RtMidi only warns when no JACK server runs and then lists nothing; asking first tells "no client" apart
  // from "no ports".
  if (compiled(RtMidi::UNIX_JACK) && (watch = JackServerWatch::connect()))
    return RtMidi::UNIX_JACK;
  throw std::runtime_error("neither the ALSA sequencer (" + sequencerDevice + ") nor a JACK server is there");
}

std::string RtMidiBackend::chooseApiName() const
{
  return chooseApi() == RtMidi::LINUX_ALSA ? "alsa" : "jack";
}

template <class Jack, class Rt, class MakeJack, class MakeRt>
std::pair<std::unique_ptr<Jack>, std::unique_ptr<Rt>> RtMidiBackend::makeClient(MakeJack makeJack,
                                                                                MakeRt makeRt) const
{
  // Probing JACK and making the client both talk to the server: a stalled one is given up on.
  struct Made
  {
    std::shared_ptr<JackServerWatch> watch;
    std::unique_ptr<Jack> jack;
    std::unique_ptr<Rt> rt;
  };
  auto made = std::make_shared<Made>();
  runReleasingOnFailure(made,
                        [made, device = mSequencerDevice, makeJack, makeRt]
                        {
                          const RtMidi::Api api = static_cast<RtMidi::Api>(chooseApiFor(device, made->watch));
                          if (api == RtMidi::UNIX_JACK)
                            made->jack = makeJack(made->watch);
                          else
                            made->rt = makeRt(api);
                        });
  return {std::move(made->jack), std::move(made->rt)};
}

std::unique_ptr<IMidiPorts::Output> RtMidiBackend::createOutput(const std::string& clientName)
{
  auto [jack, rt] = makeClient<JackMidiOutputClient, RtMidiOut>(
      [clientName](std::shared_ptr<JackServerWatch> watch)
      { return std::make_unique<JackMidiOutputClient>(clientName, std::move(watch)); },
      [clientName](RtMidi::Api api) { return std::make_unique<RtMidiOut>(api, clientName); });
  if (jack)
    return std::move(jack);
  return std::make_unique<RtMidiOutputClient>(std::move(rt), nullptr);
}

std::unique_ptr<IMidiPorts::Input> RtMidiBackend::createInput(const std::string& clientName,
                                                              unsigned int queueSizeLimit)
{
  auto [jack, rt] = makeClient<JackMidiInputClient, RtMidiIn>(
      [clientName](std::shared_ptr<JackServerWatch> watch)
      { return std::make_unique<JackMidiInputClient>(clientName, std::move(watch)); },
      [clientName, queueSizeLimit](RtMidi::Api api)
      { return std::make_unique<RtMidiIn>(api, clientName, queueSizeLimit); });
  if (jack)
    return std::move(jack);
  return std::make_unique<RtMidiInputClient>(std::move(rt));
}
