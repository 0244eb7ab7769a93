// The project's own UI description and sysex templates, walked as the plug-in walks them: every element must
// build without a fault in the log, in both skins and every editor size.
#include "WalkerTestSupport.h"

#include "LibrarianViewControl.h"
#include "ParamIndex.h"

using namespace walkertest;

namespace
{
class RealDescription : public WalkerFixture, public ::testing::WithParamInterface<std::tuple<int, double>>
{
protected:
  void buildReal(int style, double scale)
  {
    const std::string resources = std::string(KORVID_SOURCE_DIR) + "/resources/";
    buildDocuments(configtest::readFile(resources + "uiconfig.xml"),
                   configtest::readFile(resources + "sysex.xml"), style, scale);
  }

  // Log lines other than the reader's progress lines: each names a fault of the description.
  std::vector<std::string> faults() const
  {
    std::vector<std::string> found;
    for (const std::string& line : logLines())
    {
      const bool progress =
          line.rfind("CONFIG READER: Started", 0) == 0 || line.rfind("CONFIG READER: Completed", 0) == 0;
      if (!progress)
        found.push_back(line);
    }
    return found;
  }
};

TEST_P(RealDescription, BuildsWithoutAFaultInTheLog)
{
  const auto [style, scale] = GetParam();
  buildReal(style, scale);
  EXPECT_TRUE(manager.resourcesOk());
  const std::vector<std::string> found = faults();
  for (const std::string& line : found)
    ADD_FAILURE() << line;
  EXPECT_TRUE(found.empty());

  EXPECT_GT(totalControls(), 9000);
  for (const char* name : {"root", "multiPage", "multiModeSettingsPage1"})
    EXPECT_NE(nullptr, layer(name)) << name;
  ASSERT_NE(nullptr, manager.librarianView);
  EXPECT_EQ(kLibrarianArea, manager.librarianView->ParamIdx());
  // The part expansion registered its sixteen copies with sysex and CC controls inside.
  EXPECT_FALSE(manager.sysexControls.empty());
  EXPECT_TRUE(manager.nrpnControls.empty());
  // Every display parameter has its text control first in its action.
  for (int display : {kControlDisplayName, kControlDisplayValue, kControlDisplayPatch,
                      kControlDisplayCategory, kControlDisplayCC})
  {
    ASSERT_NE(nullptr, action(display)) << display;
    EXPECT_NE(nullptr, dynamic_cast<ITextControl*>(action(display)->boundControls.front()));
  }
}

INSTANTIATE_TEST_SUITE_P(SkinsAndSizes, RealDescription,
                         ::testing::Values(std::make_tuple(0, 1.0), std::make_tuple(1, 0.85),
                                           std::make_tuple(1, 1.15)));
} // namespace
