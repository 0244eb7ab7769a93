// Starts the test executable's JACK server once and stops it at the end.
#include "MidiJackEnvironment.h"

#include <iostream>
#include <memory>

#include <gtest/gtest.h>

namespace
{
std::unique_ptr<MidiJackServer> gServer;
std::string gError;

class Environment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    gServer = std::make_unique<MidiJackServer>();
    if (!gServer->start(gError))
      gServer.reset();
  }
  void TearDown() override
  {
    // A failed run shows what its server said: a client it waited for, a request it refused.
    if (gServer && ::testing::UnitTest::GetInstance()->Failed())
      std::cerr << "JACK server " << gServer->name() << " said:\n" << gServer->log();
    gServer.reset();
  }
};

[[maybe_unused]] ::testing::Environment* const gRegistered =
    ::testing::AddGlobalTestEnvironment(new Environment());
} // namespace

MidiJackServer* MidiJackEnvironment::server(std::string* error)
{
  if (error)
    *error = gError;
  return gServer.get();
}
