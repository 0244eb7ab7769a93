// Value lists read from several threads at once after start-up: lookups must not write the map.
#include "UIConfigManager.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(ValueListThreadsTest, ConcurrentLookupsOfKnownAndMissingNames)
{
  tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
  document.Parse(
      "<uiconfig><valueLists><list name=\"tempoValues\"><value>120</value><value>121</value></list>"
      "</valueLists></uiconfig>");
  UIConfigManager manager;
  manager.readReasources(&document);

  std::atomic<int> mismatches{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t)
  {
    readers.emplace_back(
        [&manager, &mismatches, t]
        {
          for (int i = 0; i < 2000; ++i)
          {
            if (manager.getValueList("tempoValues").size() != 2)
              ++mismatches;
            if (!manager.getValueList("missing" + std::to_string((i + t) % 50)).empty())
              ++mismatches;
          }
        });
  }
  for (std::thread& reader : readers)
    reader.join();
  EXPECT_EQ(0, mismatches.load());
  EXPECT_FALSE(manager.hasValueList("missing0"));
}
