// Tests of the teacrypt build tool and of the CMake rule that turns resources/*.xml into .tea files.
#include "ConfigTestSupport.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using configtest::readFile;
using configtest::TempDir;
using configtest::writeFile;

namespace
{
std::string quoted(const std::string& text)
{
  std::string out = "'";
  for (char c : text)
    out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int run(const std::string& command)
{
  return std::system((command + " >/dev/null 2>&1").c_str());
}

int teacrypt(const fs::path& in, const fs::path& out)
{
  return run(quoted(TEACRYPT_PATH) + " " + quoted(in.string()) + " " + quoted(out.string()));
}

std::string decipherFile(const fs::path& path)
{
  const std::string cipher = readFile(path);
  std::string text;
  UIConfigManager::decrypt(cipher.data(), static_cast<int>(cipher.size()), text);
  return text;
}

// Configures and builds the rule's project; true when both steps succeed.
bool buildRule(const fs::path& sources, const fs::path& pluginDir, const fs::path& buildDir)
{
  const std::string cmake = quoted(KORVID_CMAKE_COMMAND);
  const std::string configure = cmake + " -S " + quoted(RESOURCE_RULE_FIXTURE) + " -B " +
                                quoted(buildDir.string()) + " -DTEACRYPT=" + quoted(TEACRYPT_PATH) +
                                " -DKORVID_RESOURCES_DIR=" + quoted(RESOURCE_RULE_DIR) +
                                " -DKORVID_RESOURCE_SOURCE_DIR=" + quoted(sources.string()) +
                                " -DKORVID_PLUGIN_DIR=" + quoted(pluginDir.string());
  return run(configure) == 0 && run(cmake + " --build " + quoted(buildDir.string())) == 0;
}
} // namespace

TEST(TeacryptTest, PadsWithNulBytesAndEnciphersWithTheProjectKey)
{
  TempDir dir;
  const std::string xml = "<sysexlist/>\n"; // 13 bytes
  writeFile(dir.path / "sysex.xml", xml);
  ASSERT_EQ(0, teacrypt(dir.path / "sysex.xml", dir.path / "sysex.tea"));
  EXPECT_EQ(configtest::encipher(xml), readFile(dir.path / "sysex.tea"));
  EXPECT_EQ(xml + std::string(3, '\0'), decipherFile(dir.path / "sysex.tea"));
}

TEST(TeacryptTest, EmptyInputGivesAnEmptyFile)
{
  TempDir dir;
  writeFile(dir.path / "empty.xml", "");
  ASSERT_EQ(0, teacrypt(dir.path / "empty.xml", dir.path / "empty.tea"));
  EXPECT_TRUE(fs::exists(dir.path / "empty.tea"));
  EXPECT_EQ(0u, fs::file_size(dir.path / "empty.tea"));
}

TEST(TeacryptTest, RefusesBadArgumentsAndInput)
{
  TempDir dir;
  EXPECT_NE(0, run(quoted(TEACRYPT_PATH)));
  EXPECT_NE(0, teacrypt(dir.path / "none.xml", dir.path / "none.tea"));
  EXPECT_FALSE(fs::exists(dir.path / "none.tea"));

  // A NUL would end the text the plug-in parses.
  writeFile(dir.path / "nul.xml", std::string("<a>\0</a>", 8));
  EXPECT_NE(0, teacrypt(dir.path / "nul.xml", dir.path / "nul.tea"));
  EXPECT_FALSE(fs::exists(dir.path / "nul.tea"));

  writeFile(dir.path / "ok.xml", "<a/>");
  EXPECT_NE(0, teacrypt(dir.path / "ok.xml", dir.path / "no-such-folder" / "ok.tea"));
}

TEST(ResourceRuleTest, BuildsOneTeaFilePerXmlSourceAndCopiesImages)
{
  TempDir dir;
  const fs::path sources = dir.path / "resources";
  const fs::path pluginDir = dir.path / "Korvid Editor";
  const std::string uiconfig =
      "<uiconfig><valueLists><list name=\"a\"><value>1</value></list></valueLists></uiconfig>";
  writeFile(sources / "uiconfig.xml", uiconfig);
  writeFile(sources / "sysex.xml",
            "<sysexlist><sysex><values><value>F0 F7</value></values></sysex></sysexlist>");
  writeFile(sources / "notes.txt", "not a resource");
  writeFile(sources / "img" / "light" / "knob.png", std::string("\x89PNG", 4));

  ASSERT_TRUE(buildRule(sources, pluginDir, dir.path / "build"));
  const fs::path out = pluginDir / "resources";
  EXPECT_EQ(uiconfig, decipherFile(out / "uiconfig.tea").substr(0, uiconfig.size()));
  EXPECT_TRUE(fs::exists(out / "sysex.tea"));
  EXPECT_FALSE(fs::exists(out / "notes.tea"));
  EXPECT_EQ(std::string("\x89PNG", 4), readFile(out / "img" / "light" / "knob.png"));

  // The plug-in's reader opens what the rule made.
  UIConfigManager manager;
  manager.setResourceDirectory(pluginDir.string());
  manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);
  EXPECT_TRUE(manager.resourcesOk());
  ASSERT_EQ(1u, manager.sysexList.size());
  EXPECT_EQ("F0 F7", manager.sysexList[0].getTemplate());
  EXPECT_EQ(std::vector<std::string>{"1"}, manager.getValueList("a"));

  // An edited source is enciphered again on the next build.
  const std::string edited = "<uiconfig><valueLists><list name=\"b\"/></valueLists></uiconfig>";
  writeFile(sources / "uiconfig.xml", edited);
  fs::last_write_time(sources / "uiconfig.xml",
                      fs::last_write_time(out / "uiconfig.tea") + std::chrono::seconds(5));
  ASSERT_TRUE(buildRule(sources, pluginDir, dir.path / "build"));
  EXPECT_EQ(edited, decipherFile(out / "uiconfig.tea").substr(0, edited.size()));
}

TEST(ResourceRuleTest, WithoutSourcesTheBuildSucceedsAndMakesNothing)
{
  TempDir dir;
  fs::create_directories(dir.path / "resources");
  ASSERT_TRUE(buildRule(dir.path / "resources", dir.path / "plugin", dir.path / "build"));
  EXPECT_FALSE(fs::exists(dir.path / "plugin" / "resources"));
}
