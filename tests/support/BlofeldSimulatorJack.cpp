// The simulated synthesizer as a JACK client.
#include "BlofeldSimulatorJack.h"

#include <chrono>

namespace
{
constexpr std::chrono::milliseconds kPumpWait{5};
}

BlofeldSimulatorJack::BlofeldSimulatorJack(BlofeldSimulator& simulator, MidiJackSynth& client)
    : mSimulator(simulator), mClient(client)
{
  mSimulator.setSink([this](const BlofeldSimulator::Bytes& bytes) { mClient.send({bytes}); });
  mThread = std::thread([this] { pump(); });
}

BlofeldSimulatorJack::~BlofeldSimulatorJack()
{
  mStop = true;
  mThread.join();
  mSimulator.setSink(nullptr);
}

void BlofeldSimulatorJack::pump()
{
  size_t handled = 0;
  while (!mStop.load())
  {
    const auto arrived = mClient.waitReceivedFrom(handled, kPumpWait);
    for (const BlofeldSimulator::Bytes& message : arrived)
      mSimulator.receive(message);
    handled += arrived.size();
  }
}
