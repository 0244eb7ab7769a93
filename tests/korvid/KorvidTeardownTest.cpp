// Teardown: repeated construction and destruction, two instances side by side, and stopping MIDI first.
#include "KorvidTestSupport.h"

#include "IGraphics.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"

using namespace korvidtest;

namespace
{
class KorvidTeardown : public StartupFixture
{
protected:
  KorvidTeardown() { useResources(pluginFolder()); }
};

TEST_F(KorvidTeardown, RepeatedInstancesBuildAndReleaseEverything)
{
  copySharedBanks();
  for (int round = 0; round < 3; ++round)
  {
    auto plug = construct();
    ASSERT_NE(plug->getSurface(), nullptr);
    EXPECT_TRUE(plug->getMissingElements().empty());
    if (round == 1)
    {
      // An opened and closed editor releases the same objects.
      plug->getSurface()->OpenWindow(nullptr);
      plug->getSurface()->CloseWindow();
    }
  }
}

TEST_F(KorvidTeardown, ClosingOneInstanceLeavesTheOtherWhole)
{
  home.writeFile("Korvid Editor LOG.txt", "");
  auto first = construct();
  auto second = construct();
  const size_t layers = second->getSurface()->NLayers();
  first.reset();
  ASSERT_NE(second->getSurface(), nullptr);
  EXPECT_EQ(static_cast<size_t>(second->getSurface()->NLayers()), layers);
  EXPECT_NE(second->mMIDIMessageManager, nullptr);
  second->log("second instance still writes");
  EXPECT_NE(home.readFile("Korvid Editor LOG.txt").find("second instance still writes"), std::string::npos);
}

TEST_F(KorvidTeardown, TeardownStopsTheDeviceLinkBeforeFreeing)
{
  auto plug = construct();
  ASSERT_NE(plug->mMIDIMessageManager, nullptr);
  plug->stopDeviceCommunication();
  EXPECT_EQ(plug->mMIDIMessageManager, nullptr);
  // Stopping again in the destructor is harmless.
  plug.reset();
}
} // namespace
