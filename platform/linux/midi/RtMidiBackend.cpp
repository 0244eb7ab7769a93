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
  std::error_code ec;
  if (compiled(RtMidi::LINUX_ALSA) && std::filesystem::exists(mSequencerDevice, ec))
    return RtMidi::LINUX_ALSA;
  if (compiled(RtMidi::UNIX_JACK) && jackServerAnswers())
    return RtMidi::UNIX_JACK;
  throw std::runtime_error("neither the ALSA sequencer (" + mSequencerDevice +
                           ") nor a JACK server is there");
}

std::string RtMidiBackend::chooseApiName() const
{
  return chooseApi() == RtMidi::LINUX_ALSA ? "alsa" : "jack";
}

std::unique_ptr<IMidiPorts::Output> RtMidiBackend::createOutput(const std::string& clientName)
{
  const RtMidi::Api api = static_cast<RtMidi::Api>(chooseApi());
  return std::make_unique<RtMidiOutputClient>(std::make_unique<RtMidiOut>(api, clientName),
                                              api == RtMidi::UNIX_JACK);
}

std::unique_ptr<IMidiPorts::Input> RtMidiBackend::createInput(const std::string& clientName,
                                                              unsigned int queueSizeLimit)
{
  const RtMidi::Api api = static_cast<RtMidi::Api>(chooseApi());
  return std::make_unique<RtMidiInputClient>(std::make_unique<RtMidiIn>(api, clientName, queueSizeLimit));
}
