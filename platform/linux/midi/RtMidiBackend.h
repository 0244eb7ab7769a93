// The system MIDI backend on Linux: RtMidi clients on an explicitly chosen API.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "IMidiPorts.h"

// Chooses ALSA when the sequencer device exists, otherwise JACK when a server answers; with neither,
// creating a client throws std::runtime_error and the ports stay "OFF". Client creation runs on the
// editor or host thread; every call into the system is given up on after deadlinecall::callDeadline()
// (IMidiPorts::Unanswered).
class RtMidiBackend : public IMidiPorts::Backend
{
public:
  // sequencerDevice: the ALSA sequencer's device file, looked for at each client creation.
  explicit RtMidiBackend(std::string sequencerDevice = "/dev/snd/seq");

  std::unique_ptr<IMidiPorts::Output> createOutput(const std::string& clientName) override;
  std::unique_ptr<IMidiPorts::Input> createInput(const std::string& clientName,
                                                 unsigned int queueSizeLimit) override;
  // deadlinecall::stalled() turned round: a call given up on has returned; never while stuck.
  bool answering() const override;
  // A call given up on never returns (deadlinecall::stuck), or JACK clients are refused for good
  // (JackServerWatch::stuck).
  bool stuck() const override;

  // "alsa" or "jack" for the API a client would be made on now; throws std::runtime_error when none, or
  // IMidiPorts::Unanswered when the JACK server does not answer within the deadline.
  std::string chooseApiName() const;

private:
  int chooseApi() const;
  // Makes a client on the API chosen now, under a deadline: makeJack(watch) on JACK, else makeRt(api).
  template <class Jack, class Rt, class MakeJack, class MakeRt>
  std::pair<std::unique_ptr<Jack>, std::unique_ptr<Rt>> makeClient(MakeJack makeJack, MakeRt makeRt) const;
  // watch: the JACK server watch when JACK is chosen. Talks to a JACK server: under a deadline.
  static int chooseApiFor(const std::string& sequencerDevice, std::shared_ptr<class JackServerWatch>& watch);

  std::string mSequencerDevice;
};
