// The project's own UI description and sysex templates, walked as the plug-in walks them.
#include "WalkerTestSupport.h"

#include "ParamIndex.h"

#include <iostream>

using namespace walkertest;

namespace
{
class RealDescription : public WalkerFixture
{
protected:
  void buildReal(int style, double scale)
  {
    const std::string resources = std::string(KORVID_SOURCE_DIR) + "/resources/";
    buildDocuments(configtest::readFile(resources + "uiconfig.xml"), configtest::readFile(resources + "sysex.xml"),
                   style, scale);
  }
};

TEST_F(RealDescription, BuildsWithoutAFaultInTheLog)
{
  buildReal(0, 1.0);
  for (const std::string& line : logLines())
    std::cout << line << "\n";
  std::cout << "controls " << totalControls() << " layers " << manager.layerByName.size() << "\n";
}
} // namespace
