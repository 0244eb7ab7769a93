// RtMidi's default API throws on a machine without the ALSA sequencer, so the API is chosen here.
#include "RtMidiBackend.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <stdexcept>
#include <vector>

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
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

constexpr int kProbeAttempts = 3;
constexpr std::chrono::milliseconds kProbePause{50};

// RtMidi only warns when no JACK server runs and then lists nothing; asking first tells "no client"
// apart from "no ports". Never starts a server. JACK's client sockets are named after the client, so
// the probe's name carries the process id, and a failed open is tried again: clients of the same name
// opening at once in other processes make it fail now and then. No server to connect to is final at
// once: waiting for one would only slow down every start-up on a machine without JACK.
bool jackServerAnswers()
{
  const std::string name = "korvid-midi-probe-" + std::to_string(::getpid());
  for (int attempt = 0; attempt < kProbeAttempts; ++attempt)
  {
    if (attempt > 0)
      std::this_thread::sleep_for(kProbePause);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (probe)
    {
      jack_client_close(probe);
      return true;
    }
    if (status & JackServerFailed)
      return false;
  }
  return false;
}
} // namespace

std::unique_ptr<IMidiPorts::Backend> IMidiPorts::CreateSystemBackend()
{
  return std::make_unique<RtMidiBackend>();
}

RtMidiBackend::RtMidiBackend(std::string sequencerDevice) : mSequencerDevice(std::move(sequencerDevice)) {}

int RtMidiBackend::chooseApi() const
{
  return chooseApiFor(mSequencerDevice);
}

int RtMidiBackend::chooseApiFor(const std::string& sequencerDevice)
{
  std::error_code ec;
  if (compiled(RtMidi::LINUX_ALSA) && std::filesystem::exists(sequencerDevice, ec))
    return RtMidi::LINUX_ALSA;
  if (compiled(RtMidi::UNIX_JACK) && jackServerAnswers())
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
  struct Made
  {
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    std::unique_ptr<RtMidiOut> out;
  };
  auto made = std::make_shared<Made>();
  deadlinecall::run(
      [made, device = mSequencerDevice, clientName]
      {
        made->api = static_cast<RtMidi::Api>(chooseApiFor(device));
        made->out = std::make_unique<RtMidiOut>(made->api, clientName);
      });
  return std::make_unique<RtMidiOutputClient>(std::move(made->out), made->api == RtMidi::UNIX_JACK);
}

std::unique_ptr<IMidiPorts::Input> RtMidiBackend::createInput(const std::string& clientName,
                                                              unsigned int queueSizeLimit)
{
  auto made = std::make_shared<std::unique_ptr<RtMidiIn>>();
  deadlinecall::run(
      [made, device = mSequencerDevice, clientName, queueSizeLimit]
      {
        const RtMidi::Api api = static_cast<RtMidi::Api>(chooseApiFor(device));
        *made = std::make_unique<RtMidiIn>(api, clientName, queueSizeLimit);
      });
  return std::make_unique<RtMidiInputClient>(std::move(*made));
}
