// Host look-up by product name.
#include "Hosts.h"

#include <gtest/gtest.h>

#include <string>

TEST(HostsTest, LooksUpBySubstringInOrder)
{
  EXPECT_EQ(LookUpHost("Cubase VST"), kHostCubase);
  EXPECT_EQ(LookUpHost("REAPER64"), kHostReaper);
  EXPECT_EQ(LookUpHost("Ableton Live"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Alive"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("nuendo cubase"), kHostCubase);
  EXPECT_EQ(LookUpHost("Logic Pro X"), kHostLogic);
  EXPECT_EQ(LookUpHost("Pro Tools"), kHostUnknown);
  EXPECT_EQ(LookUpHost("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHost("Ardour"), kHostArdour);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
}

TEST(HostsTest, LongNamesAreCutNotOverrun)
{
  const std::string longName = std::string(300, 'x') + "reaper";
  EXPECT_EQ(LookUpHost(longName.c_str()), kHostUnknown);
  const std::string inside = std::string(249, 'x') + "reaper";
  EXPECT_EQ(LookUpHost(inside.c_str()), kHostReaper);
}
