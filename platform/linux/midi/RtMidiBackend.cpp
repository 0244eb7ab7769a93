// RtMidi's default API throws on a machine without the ALSA sequencer, so the API is chosen here; a JACK
// output is written with libjack.
#include "RtMidiBackend.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <stdexcept>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
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
  return !deadlinecall::stalled();
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

std::unique_ptr<IMidiPorts::Output> RtMidiBackend::createOutput(const std::string& clientName)
{
  // Probing JACK and making the client both talk to the server: a stalled one is given up on.
  // On JACK the output is written with libjack: a message counts as sent once a cycle wrote it.
  struct Made
  {
    std::shared_ptr<JackServerWatch> watch;
    std::unique_ptr<RtMidiOut> out;
    std::unique_ptr<JackMidiOutputClient> jack;
  };
  auto made = std::make_shared<Made>();
  runReleasingOnFailure(made,
                        [made, device = mSequencerDevice, clientName]
                        {
                          const RtMidi::Api api = static_cast<RtMidi::Api>(chooseApiFor(device, made->watch));
                          if (api == RtMidi::UNIX_JACK)
                            made->jack = std::make_unique<JackMidiOutputClient>(clientName, made->watch);
                          else
                            made->out = std::make_unique<RtMidiOut>(api, clientName);
                        });
  if (made->jack)
    return std::move(made->jack);
  return std::make_unique<RtMidiOutputClient>(std::move(made->out), std::move(made->watch));
}

std::unique_ptr<IMidiPorts::Input> RtMidiBackend::createInput(const std::string& clientName,
                                                              unsigned int queueSizeLimit)
{
  struct Made
  {
    std::shared_ptr<JackServerWatch> watch;
    std::unique_ptr<RtMidiIn> in;
  };
  auto made = std::make_shared<Made>();
  runReleasingOnFailure(
      made,
      [made, device = mSequencerDevice, clientName, queueSizeLimit]
      {
        const RtMidi::Api api = static_cast<RtMidi::Api>(chooseApiFor(device, made->watch));
        const auto begun = std::chrono::steady_clock::now();
        made->in = std::make_unique<RtMidiIn>(api, clientName, queueSizeLimit);
        const auto took = std::chrono::steady_clock::now() - begun;
        // RtMidi activates its JACK client and ignores the result: one that took
        // libjack's whole wait for its thread may have failed, and is never closed.
        if (api == RtMidi::UNIX_JACK && !JackServerWatch::activatedInTime(took))
        {
          JackServerWatch::abandon(std::shared_ptr<RtMidiIn>(std::move(made->in)));
          throw std::runtime_error(
              "the JACK server may not have activated the input client (it took " +
              std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms)");
        }
      });
  return std::make_unique<RtMidiInputClient>(std::move(made->in), clientName, std::move(made->watch));
}
